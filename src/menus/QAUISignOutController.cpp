#include "menus/QAUISignOutController.h"

#include "core/ApplicationModel.h"
#include "core/ServiceLayer.h"
#include "menus/QAUIMenuWindowController.h"
#include "platform/Storyboard.h"
#include "toolkit/AppKitExtensions.h"
#include "toolkit/BaseWindowViewController.h"

#include <set>

namespace {

const platform::StoryboardRegistrar
    signOutWindow(QStringLiteral("QAUISignOut"), QStringLiteral("signOutWindowController"), [] {
        return std::unique_ptr<QObject>(
            BaseWindowViewController::withContent(new QAUISignOutModalViewController));
    });

std::set<const QAUISignOutController*>& signOutControllers() {
    static std::set<const QAUISignOutController*> controllers;
    return controllers;
}

} // namespace

bool isSignOutWindowVisible() {
    for (const QAUISignOutController* controller : signOutControllers()) {
        if (controller->isVisible()) {
            return true;
        }
    }
    return false;
}

void QAUISignOutModalViewController::popoverConfirmed(QObject* sender) {
    ModalViewController::popoverConfirmed(sender);
    if (onClose) {
        onClose();
    }
}

void QAUISignOutModalViewController::popoverCanceled(QObject*) {
    if (onClose) {
        onClose();
    }
}

void QAUISignOutModalViewController::viewClicked() {
    if (onClose) {
        onClose();
    }
}

QAUISignOutController::QAUISignOutController(QObject* parent) : QObject(parent) {
    signOutControllers().insert(this);
}

QAUISignOutController::~QAUISignOutController() {
    signOutControllers().erase(this);
}

BaseWindowViewController* QAUISignOutController::signOutWindowController() {
    if (m_loaded) {
        return m_controller.get();
    }
    m_loaded = true;
    m_controller = platform::Storyboard::named(QStringLiteral("QAUISignOut"))
                       .instantiate<BaseWindowViewController>(QStringLiteral("signOutWindowController"));
    if (!m_controller) {
        return nullptr;
    }
    m_window = m_controller->window();
    if (m_window) {
        m_window->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        m_window->setAttribute(Qt::WA_TranslucentBackground);
        m_modal = qobject_cast<ModalViewController*>(m_controller->contentViewController());
        if (m_modal) {
            m_modal->view();
            m_modal->bgView()->setCornerRadius(8.0);
            m_modal->bgView()->setMasksToBounds(true);
        }
        if (auto* signOutModal = qobject_cast<QAUISignOutModalViewController*>(m_modal.data())) {
            QPointer<QAUISignOutController> self = this;
            signOutModal->onClose = [self] {
                if (self) {
                    self->close();
                }
            };
        }
    }
    return m_controller.get();
}

bool QAUISignOutController::isVisible() const {
    return m_controller && m_window && m_window->isVisible();
}

void QAUISignOutController::show() {
    if (isMenuWindowShown()) {
        closeMenuWindows();
    }
    if (!signOutWindowController() || !m_window || m_window->isVisible() || !m_modal) {
        return;
    }
    const bool alwaysOn = ServiceLayer::appModel().alwaysOnSetting().value;
    m_modal->setControllerType(alwaysOn ? ModalViewControllerType::codeConfirmationSignOut
                                        : ModalViewControllerType::warningSignOut);
    m_modal->updateContent();
    // Shown first: the card settles its texts as it appears, and the window then takes its size.
    m_controller->showWindow();
    fitWindowToCard();
    centerOnScreen(m_window);
}

void QAUISignOutController::fitWindowToCard() {
    QWidget* card = m_modal->shownPopoverView();
    if (!card) {
        return;
    }
    // Its wrapped lines at the card's own width: the size hint alone guesses another width.
    if (card->hasHeightForWidth()) {
        card->setMinimumHeight(card->heightForWidth(card->width()));
    }
    // The layouts still hold the size of the card shown before.
    for (QWidget* level : {static_cast<QWidget*>(m_modal->bgView()), m_window.data()}) {
        if (QLayout* layout = level->layout()) {
            layout->invalidate();
        }
    }
    m_window->adjustSize();
}

void QAUISignOutController::close() {
    if (m_window && m_window->isVisible()) {
        m_controller->close();
    }
}

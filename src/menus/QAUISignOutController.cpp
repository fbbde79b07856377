#include "menus/QAUISignOutController.h"

#include "core/ApplicationModel.h"
#include "core/ServiceLayer.h"
#include "menus/QAUIMenuWindowController.h"
#include "platform/Compositing.h"
#include "platform/GraphicalSession.h"
#include "platform/Storyboard.h"
#include "toolkit/AppKitExtensions.h"
#include "toolkit/BaseWindowViewController.h"
#include "toolkit/Colors.h"

#include <set>
#include <utility>

namespace {

// A window of its own above the others, around the overlay's card.
class SignOutWindowController : public BaseWindowViewController {
protected:
    QWidget* loadWindow() override {
        auto* window =
            new platform::TranslucentWindow(nullptr, platform::GraphicalSession::floatingWindowFlags());
        QPalette palette = window->palette();
        palette.setColor(QPalette::Window, toolkit::windowBackground); // under the scrim when drawn opaque
        window->setPalette(palette);
        return window;
    }
};

} // namespace

std::unique_ptr<BaseWindowViewController> QAUISignOutModalViewController::makeWindow() {
    auto controller = std::make_unique<SignOutWindowController>();
    controller->setContentViewController(new QAUISignOutModalViewController(controller.get()));
    return controller;
}

namespace {

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
    if (onCancel) {
        onCancel();
    }
}

void QAUISignOutModalViewController::viewClicked() {
    if (onCancel) {
        onCancel();
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
    m_controller->setAccessibleName(QStringLiteral("Veltrix - Sign Out"));
    m_window = m_controller->window();
    if (m_window) {
        m_modal = qobject_cast<ModalViewController*>(m_controller->contentViewController());
        if (m_modal) {
            m_modal->view();
        }
        if (auto* signOutModal = qobject_cast<QAUISignOutModalViewController*>(m_modal.data())) {
            QPointer<QAUISignOutController> self = this;
            signOutModal->onClose = [self] {
                if (self) {
                    self->close();
                }
            };
            // Not signing out after all: back to the window the card came from.
            signOutModal->onCancel = [self] {
                if (self) {
                    const std::function<void()> returnTo = std::exchange(self->m_returnTo, {});
                    self->close();
                    if (returnTo) {
                        returnTo();
                    }
                }
            };
        }
    }
    return m_controller.get();
}

bool QAUISignOutController::isVisible() const {
    return m_controller && m_window && m_window->isVisible();
}

void QAUISignOutController::show(std::function<void()> returnTo) {
    if (isMenuWindowShown()) {
        closeMenuWindows();
    }
    m_returnTo = std::move(returnTo);
    if (!signOutWindowController() || !m_window || m_window->isVisible() || !m_modal) {
        return;
    }
    const bool alwaysOn = ServiceLayer::appModel().alwaysOnSetting().value;
    m_modal->setControllerType(alwaysOn ? ModalViewControllerType::codeConfirmationSignOut
                                        : ModalViewControllerType::warningSignOut);
    m_modal->updateContent();
    // Shown first: the card settles its texts as it appears, and the window then takes its size.
    m_controller->showWindow();
    // The overlay's corners are cut round only where what lies beneath shows through them.
    ClickableView* overlay = m_modal->bgView();
    if (platform::Compositing::isTranslucent(m_window)) {
        overlay->setCornerRadius(8.0);
    } else {
        overlay->clearCornerRadius();
    }
    overlay->setMasksToBounds(platform::Compositing::isTranslucent(m_window));
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

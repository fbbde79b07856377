#include "menus/QAUISignOutController.h"

#include "auth/PopoverConfirmationCodeView.h"
#include "core/AppRouterProtocol.h"
#include "core/ApplicationModel.h"
#include "core/ServiceLayer.h"
#include "menus/QAUIMenuWindowController.h"
#include "platform/Storyboard.h"
#include "toolkit/AppKitExtensions.h"
#include "toolkit/BaseWindowViewController.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

const platform::StoryboardRegistrar
    signOutWindow(QStringLiteral("QAUISignOut"), QStringLiteral("signOutWindowController"), [] {
        return std::unique_ptr<QObject>(
            BaseWindowViewController::withContent(new SignOutConfirmationController));
    });

} // namespace

SignOutConfirmationController::SignOutConfirmationController(QObject* parent)
    : NSViewControllerBase(parent) {}

QWidget* SignOutConfirmationController::loadView() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    m_warningView = new QWidget;
    auto* warning = new QVBoxLayout(m_warningView);
    auto* question = new QLabel(tr("Are you sure you want to sign out?"));
    auto* buttons = new QHBoxLayout;
    auto* cancel = new QPushButton(tr("Cancel"));
    auto* confirm = new QPushButton(tr("Sign Out"));
    buttons->addWidget(cancel);
    buttons->addWidget(confirm);
    warning->addWidget(question);
    warning->addLayout(buttons);
    connect(cancel, &QPushButton::clicked, this, [this, cancel] {
        if (m_delegate) {
            m_delegate->popoverCanceled(cancel);
        }
    });
    connect(confirm, &QPushButton::clicked, this, [this, confirm] {
        if (m_delegate) {
            m_delegate->popoverConfirmed(confirm);
        }
    });
    m_codeView = new PopoverConfirmationCodeView;
    m_codeView->setDelegate(m_delegate);
    layout->addWidget(m_warningView);
    layout->addWidget(m_codeView);
    configure(m_askingForCode);
    return view;
}

void SignOutConfirmationController::setDelegate(PopoverViewDelegate* delegate) {
    m_delegate = delegate;
    if (m_codeView) {
        m_codeView->setDelegate(delegate);
    }
}

void SignOutConfirmationController::configure(bool needsCode) {
    m_askingForCode = needsCode;
    if (!m_codeView) {
        return;
    }
    m_warningView->setVisible(!needsCode);
    m_codeView->setVisible(needsCode);
    if (needsCode) {
        m_codeView->configure(PopoverConfirmationCodeViewState::logout);
        m_codeView->enterCodeField()->setFocus();
    }
}

QWidget* SignOutConfirmationController::shownPopoverView() const {
    return m_askingForCode ? static_cast<QWidget*>(m_codeView) : m_warningView.data();
}

QAUISignOutController::QAUISignOutController(QObject* parent)
    : QObject(parent),
      m_window(platform::Storyboard::named(QStringLiteral("QAUISignOut"))
                   .instantiate<BaseWindowViewController>(QStringLiteral("signOutWindowController"))) {
    if (auto* content = m_window
                            ? qobject_cast<SignOutConfirmationController*>(m_window->contentViewController())
                            : nullptr) {
        content->setDelegate(this);
    }
}

QAUISignOutController::~QAUISignOutController() = default;

void QAUISignOutController::showSignOutWindow() {
    closeMenuWindows();
    if (!m_window || m_window->isWindowVisible()) {
        return;
    }
    auto* content = qobject_cast<SignOutConfirmationController*>(m_window->contentViewController());
    QWidget* window = m_window->window();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (content) {
        content->configure(ServiceLayer::appModel().isAlwaysOnEnabled());
        if (QWidget* shown = content->shownPopoverView()) {
            window->resize(shown->sizeHint().expandedTo(QSize(320, 120)));
        }
    }
    centerOnScreen(window);
    m_window->showWindow();
}

void QAUISignOutController::closeSignOutWindow() {
    if (m_window && m_window->isWindowVisible()) {
        m_window->close();
    }
}

void QAUISignOutController::popoverConfirmed(QObject*) {
    closeSignOutWindow();
    if (AppRouterProtocol* router = appRouter()) {
        router->performLogout();
    }
}

void QAUISignOutController::popoverCanceled(QObject*) {
    closeSignOutWindow();
}

#include "auth/AuthWelcomeController.h"

#include "core/AppRouterProtocol.h"
#include "core/GlobalConstants.h"
#include "core/LocaleData.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "core/MenuService.h"
#include "core/QAUINotifier.h"
#include "core/ServiceLayer.h"
#include "platform/Scheduler.h"
#include "platform/Storyboard.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/BaseWindowViewController.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const platform::StoryboardRegistrar
    signInWindow(QStringLiteral("Auth"), QStringLiteral("loginWelcomeWindowController"), [] {
        return std::unique_ptr<QObject>(BaseWindowViewController::withContent(new AuthWelcomeController));
    });

} // namespace

AuthWelcomeController::AuthWelcomeController(QObject* parent) : NSViewControllerBase(parent) {}

AuthWelcomeController::~AuthWelcomeController() {
    if (VeltrixXPC::loginDelegate() == this) {
        VeltrixXPC::setLoginDelegate(nullptr);
    }
}

void AuthWelcomeController::viewDidLoad() {
    VeltrixXPC::setLoginDelegate(this);
}

void AuthWelcomeController::onMain(std::function<void(AuthWelcomeController&)> f, double seconds) {
    platform::DispatchQueue::main().asyncAfter(
        seconds, [self = QPointer<AuthWelcomeController>(this), f = std::move(f)] {
            if (self) {
                f(*self);
            }
        });
}

// A refused callback ends the sign-in: the window leaves "Signing in…" so the user can try again.
void AuthWelcomeController::onExtendedAuthFailedWithError(const PDError& error) {
    vlog::error(QStringLiteral("onExtendedAuthFailed -- : ") + error.localizedDescription());
    onMain([](AuthWelcomeController& self) {
        self.resetViews();
        ServiceLayer::shared().menuService().onAuthErrorRecieved();
    });
}

void AuthWelcomeController::onExtendedAuthSucceed() {
    vlog::info(QStringLiteral("onExtendedAuthSucceed..."));
    onMain([](AuthWelcomeController& self) {
        if (auto* router = self.appRouter()) {
            router->enterBackgroundMode();
        }
        ServiceLayer::shared().menuService().showProgressIndicator();
    });
    onMain([](AuthWelcomeController&) { ServiceLayer::shared().menuService().showMenu(); }, 0.3);
}

void AuthWelcomeController::onLoginErrorWithError(const PDError& error) {
    vlog::error(QStringLiteral("onLoginError..."));
    LocaleData::Pair texts = LocaleData::forLoginError(error);
    if (error.title() && error.message()) {
        texts = {*error.title(), *error.message()};
    }
    onMain(
        [texts](AuthWelcomeController& self) {
            self.showError(texts.title, texts.message);
            ServiceLayer::shared().menuService().onAuthErrorRecieved();
        },
        0.5);
}

void AuthWelcomeController::onLogoutFinished() {
    onMain([](AuthWelcomeController& self) { self.resetViews(); });
}

QWidget* AuthWelcomeController::loadView() {
    auto* view = new QWidget;
    view->resize(420, 320);
    auto* layout = new QVBoxLayout(view);
    m_titleLabel = new QLabel(tr("Welcome to %1").arg(GlobalConstants::productDisplayName()));
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_statusLabel = new QLabel;
    m_statusLabel->setAlignment(Qt::AlignCenter);
    m_signInButton = new QPushButton(tr("Sign In"));
    m_signInButton->setObjectName(QStringLiteral("signInButton"));
    m_errorView = new QWidget;
    auto* errorLayout = new QVBoxLayout(m_errorView);
    m_errorTitleLabel = new QLabel;
    m_errorMessageLabel = new QLabel;
    m_errorMessageLabel->setWordWrap(true);
    errorLayout->addWidget(m_errorTitleLabel);
    errorLayout->addWidget(m_errorMessageLabel);
    m_errorView->setVisible(false);
    layout->addStretch();
    layout->addWidget(m_titleLabel);
    layout->addWidget(m_statusLabel);
    layout->addWidget(m_signInButton, 0, Qt::AlignCenter);
    layout->addWidget(m_errorView);
    layout->addStretch();
    connect(m_signInButton, &QPushButton::clicked, this, [this] {
        resetViews(true);
        VeltrixXPC::login();
    });
    return view;
}

void AuthWelcomeController::resetViews(bool signingIn) {
    view();
    m_errorView->setVisible(false);
    m_signInButton->setEnabled(!signingIn);
    m_statusLabel->setText(signingIn ? tr("Signing in…") : QString());
}

void AuthWelcomeController::checkFastLogin() {
    QPointer<AuthWelcomeController> self = this;
    VeltrixXPC::shouldLaunchFastLogin([self](bool launches) {
        platform::DispatchQueue::main().async([self, launches] {
            if (self) {
                self->resetViews(launches && !VeltrixXPC::isLoggedIn());
            }
        });
    });
}

void AuthWelcomeController::showError(const QString& title, const QString& message) {
    resetViews();
    m_errorTitleLabel->setText(title);
    m_errorMessageLabel->setText(message);
    m_errorView->setVisible(true);
    vlog::info(QStringLiteral("Sign-in error shown: ") + title);
    QAUINotifier::showNotification(title, message, QAUINotificationCategory::error);
}

void AuthWelcomeController::showAccountExpired() {
    showError(L10n::hrbx_api_log_in_license_expired_header(), L10n::hrbx_api_log_in_license_expired());
}

void AuthWelcomeController::showSessionTimeoutError(std::optional<int> reason) {
    const auto& pair = LocaleData::forSessionTimeout(reason);
    showError(pair.title, pair.message);
}

bool AuthWelcomeController::isSigningIn() const {
    return m_signInButton && !m_signInButton->isEnabled();
}

bool AuthWelcomeController::isErrorShown() const {
    return m_errorView && !m_errorView->isHidden();
}
QString AuthWelcomeController::errorTitle() const {
    return m_errorTitleLabel ? m_errorTitleLabel->text() : QString();
}
QString AuthWelcomeController::errorMessage() const {
    return m_errorMessageLabel ? m_errorMessageLabel->text() : QString();
}

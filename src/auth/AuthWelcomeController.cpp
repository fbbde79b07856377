#include "auth/AuthWelcomeController.h"

#include "core/GlobalConstants.h"
#include "core/LocaleData.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "core/QAUINotifier.h"
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

bool AuthWelcomeController::isErrorShown() const {
    return m_errorView && !m_errorView->isHidden();
}
QString AuthWelcomeController::errorTitle() const {
    return m_errorTitleLabel ? m_errorTitleLabel->text() : QString();
}
QString AuthWelcomeController::errorMessage() const {
    return m_errorMessageLabel ? m_errorMessageLabel->text() : QString();
}

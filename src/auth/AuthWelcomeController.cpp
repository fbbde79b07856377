#include "auth/AuthWelcomeController.h"

#include "auth/AuthLook.h"
#include "core/AppRouterProtocol.h"
#include "core/GlobalConstants.h"
#include "core/LocaleData.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "core/MenuService.h"
#include "core/QAUINotifier.h"
#include "core/ServiceLayer.h"
#include "platform/Scheduler.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/AppKitExtensions.h"
#include "toolkit/BaseWindowViewController.h"
#include "toolkit/Colors.h"
#include "toolkit/PDLottieAnimationView.h"
#include "toolkit/TextAttributes.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString kPostureFilterPhrase = QStringLiteral("Please consult");
const QString kPostureClosingLine =
    QStringLiteral("\nFor assistance, please contact your workspace administrator.");

void sendEvent(int type, AnalyticsTrigger trigger = AnalyticsTrigger::none(),
               std::optional<AnalyticsEvent::Parameters> parameters = std::nullopt) {
    VeltrixXPC::sendAnalytics(
        AnalyticsEvent(0, type, std::nullopt, std::move(trigger), std::move(parameters), std::nullopt));
}

AnalyticsEvent::Parameters errorParameters(const QString& code, const QString& message) {
    return {{AnalyticsParameter::errorCode, code}, {AnalyticsParameter::errorMessage, message}};
}

MenuService& menuService() {
    return ServiceLayer::shared().menuService();
}

// A text the service sent counts only when it says something.
bool has(const std::optional<QString>& text) {
    return text && !text->isEmpty();
}

} // namespace

LoginErrorTexts loginErrorTexts(const PDError& error) {
    LoginErrorTexts texts;
    LocaleData::Pair pair = LocaleData::loginGenericError();
    if (error.isSDPError()) {
        pair = LocaleData::sdpLoadingError();
    }
    if (error.errorDomain() == PDError::SDP_CHANNEL_ERROR_DOMAIN) {
        pair = LocaleData::sdpChannelOnError();
        texts.channelError = true;
    }
    if (has(error.title()) && has(error.message())) {
        pair = {*error.title(), *error.message()};
    }
    texts.title = pair.title;
    texts.message = pair.message;
    return texts;
}

QString devicePostureMessage(const QString& rawMessage) {
    QString message;
    message.reserve(rawMessage.size() + kPostureClosingLine.size());
    for (const QStringView piece : QStringView(rawMessage).tokenize(u'.')) {
        if (piece.size() > 2 && !piece.contains(kPostureFilterPhrase)) {
            message.append(piece);
            message.append(QLatin1Char('.'));
        }
    }
    return message + kPostureClosingLine;
}

// AuthWelcomeController -------------------------------------------------------------------------------------

AuthWelcomeController::AuthWelcomeController(QObject* parent)
    : NSViewControllerBase(parent), m_signUpButtonColor(toolkit::secondaryText) {}

AuthWelcomeController::~AuthWelcomeController() {
    // First: this waits for a callback still running on the SDK's thread.
    if (VeltrixXPC::loginDelegate() == this) {
        VeltrixXPC::setLoginDelegate(nullptr);
    }
}

QWidget* AuthWelcomeController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("authWelcome"));
    authlook::fillBackground(view, toolkit::windowBackground);
    view->resize(640, 520);
    auto* root = new QVBoxLayout(view);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    m_errorView = new MainErrorView;
    m_errorView->setObjectName(QStringLiteral("errorView"));
    m_errorView->hide();
    root->addWidget(m_errorView);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(48, 0, 28, 0);
    body->setSpacing(12);
    root->addLayout(body, 1);

    // Left: the sign-in controls, or the loader in their place while a sign-in runs.
    auto* column = new QVBoxLayout;
    column->setSpacing(0);
    body->addLayout(column, 1);
    column->addStretch();

    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("controllerContentView"));
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(0);
    m_titleField = authlook::makeLabel(toolkit::interFont(28, QFont::Medium), Qt::white, true);
    m_titleField->setText(QStringLiteral("Welcome to ") + GlobalConstants::productDisplayName());
    m_subtitleField = authlook::makeLabel(toolkit::interFont(18), Qt::white, true);
    m_subtitleField->setText(QStringLiteral("Sign in with your company account to reach your workspace."));
    m_signInButton = authlook::makeCapsuleButton(QStringLiteral("Sign In"));
    m_signInButton->setObjectName(QStringLiteral("signInButton"));
    m_signInButton->setFixedWidth(200);
    auto* signUpRow = new QWidget;
    auto* signUpLayout = new QHBoxLayout(signUpRow);
    signUpLayout->setContentsMargins(0, 0, 0, 0);
    signUpLayout->setSpacing(4);
    QLabel* signUpHint = authlook::makeLabel(toolkit::interFont(14), Qt::white);
    signUpHint->setText(QStringLiteral("New to ") + GlobalConstants::productDisplayName() + QLatin1Char('?'));
    m_signUpButton = new LinkButton(QStringLiteral("Sign Up"));
    m_signUpButton->setObjectName(QStringLiteral("signUpButton"));
    signUpLayout->addWidget(signUpHint);
    signUpLayout->addWidget(m_signUpButton);
    signUpLayout->addStretch();
    m_signUpStackView = signUpRow;
    contentLayout->addWidget(m_titleField);
    contentLayout->addSpacing(12);
    contentLayout->addWidget(m_subtitleField);
    contentLayout->addSpacing(36);
    contentLayout->addWidget(m_signInButton);
    contentLayout->addSpacing(16);
    contentLayout->addWidget(signUpRow);
    m_controllerContentView = content;
    column->addWidget(content);

    m_loaderAnimationView = new PDLottieAnimationView;
    m_loaderAnimationView->setObjectName(QStringLiteral("loaderAnimationView"));
    m_loaderAnimationView->setFixedSize(72, 72);
    m_loaderAnimationView->setBackdrop(toolkit::windowBackground);
    m_loaderStatusInfoLabel = authlook::makeLabel(toolkit::interFont(14), toolkit::secondaryText, true);
    m_loaderStatusInfoLabel->setObjectName(QStringLiteral("loaderStatusInfoLabel"));
    m_loaderStatusInfoLabel->setText(QStringLiteral("Checking your device's security…"));
    m_loaderStatusInfoLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_loaderStatusInfoLabel->hide();
    column->addWidget(m_loaderAnimationView, 0, Qt::AlignHCenter);
    column->addSpacing(14);
    column->addWidget(m_loaderStatusInfoLabel);
    column->addStretch();

    // Right: the looping picture of the signed-out screen.
    m_signInAnimationView = new PDLottieAnimationView;
    m_signInAnimationView->setObjectName(QStringLiteral("signInAnimationView"));
    m_signInAnimationView->setFixedSize(260, 260);
    m_signInAnimationView->setBackdrop(toolkit::windowBackground);
    body->addWidget(m_signInAnimationView, 0, Qt::AlignVCenter);

    connect(m_signInButton, &QPushButton::clicked, this, [this] { signIn(m_signInButton); });
    connect(m_signUpButton, &QPushButton::clicked, this, [this] { signUp(); });
    return view;
}

void AuthWelcomeController::registerAsLoginDelegate() {
    VeltrixXPC::setLoginDelegate(this);
}

void AuthWelcomeController::viewDidLoad() {
    NSViewControllerBase::viewDidLoad();
    registerAsLoginDelegate();
    m_errorView->setDelegate(this);
    setupViews();
}

void AuthWelcomeController::setupViews() {
    m_loaderAnimationView->setAnimation(QStringLiteral("loader"));
    m_loaderAnimationView->setHidden(true);
    m_signInAnimationView->setAnimation(QStringLiteral("signInAnimation"));
    m_signInAnimationView->setHidden(false);
    applyTitleAttributes(m_signInButton, Qt::white);
    applyTitleAttributes(m_signUpButton, m_signUpButtonColor);
    setAttributedStringValue(m_titleField, makeAttributedString(stringValue(m_titleField), Qt::AlignLeft,
                                                                m_titleField->font(), Qt::white, 40));
    setAttributedStringValue(m_subtitleField,
                             makeAttributedString(stringValue(m_subtitleField), Qt::AlignLeft,
                                                  m_subtitleField->font(), Qt::white, 27));
    m_signUpStackView->setHidden(false);
}

void AuthWelcomeController::viewWillAppear() {
    NSViewControllerBase::viewWillAppear();
    m_signInAnimationView->setHidden(false);
}

void AuthWelcomeController::viewDidDisappear() {
    NSViewControllerBase::viewDidDisappear();
    m_loaderAnimationView->setHidden(true);
    m_signInAnimationView->setHidden(true);
}

int AuthWelcomeController::errorViewHeight() const {
    return m_errorView ? m_errorView->maximumHeight() : 0;
}

bool AuthWelcomeController::isSigningIn() const {
    return m_controllerContentView && m_controllerContentView->isHidden();
}

bool AuthWelcomeController::isErrorShown() const {
    return m_errorView && !m_errorView->isHidden();
}

void AuthWelcomeController::onMain(double seconds, std::function<void(AuthWelcomeController&)> step) {
    QPointer<AuthWelcomeController> self = this;
    platform::DispatchQueue::main().asyncAfter(seconds, [self, step = std::move(step)] {
        if (self) {
            step(*self);
        }
    });
}

void AuthWelcomeController::resetViews() {
    view();
    m_loaderAnimationView->setHidden(true);
    m_controllerContentView->setHidden(false);
    m_loaderStatusInfoLabel->setHidden(true);
}

void AuthWelcomeController::presentError(const QString& title, const QString& message) {
    view();
    m_errorView->show(NotificationPopupType::error(), title, message);
    QAUINotifier::showNotification(title, message, QAUINotificationCategory::error);
    m_errorView->setHidden(false);
}

void AuthWelcomeController::checkFastLogin() {
    QPointer<AuthWelcomeController> self = this;
    VeltrixXPC::shouldLaunchFastLogin([self](bool launches) {
        platform::DispatchQueue::main().async([self, launches] {
            if (!self) {
                return;
            }
            if (launches) {
                self->view();
                self->m_controllerContentView->setHidden(true);
                self->m_loaderAnimationView->setHidden(false);
                return;
            }
            self->resetViews();
            self->m_signInAnimationView->setHidden(false);
            menuService().onAuthErrorRecieved();
        });
    });
}

void AuthWelcomeController::signIn(QObject* sender) {
    view();
    m_errorView->setHidden(true);
    VeltrixXPC::login();
    std::optional<QString> title;
    if (auto* button = qobject_cast<QAbstractButton*>(sender)) {
        title = button->text();
    }
    sendEvent(0, AnalyticsTrigger::button(title));
}

void AuthWelcomeController::cancelSignIn() {
    VeltrixXPC::cancelLogin();
    const bool loaderShown = isSigningIn();
    if (isViewLoaded()) {
        resetViews();
    }
    menuService().onAuthErrorRecieved();
    if (loaderShown) {
        menuService().closeQuickAccessWindow(); // it opened to show this sign-in's progress
    }
}

void AuthWelcomeController::signUp() {
    // The link comes from the workspace's configuration: only a web page over https is opened.
    const QString link = VeltrixXPC::appConfig().signUpLink;
    const QUrl url(link, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) != 0 ||
        url.host().isEmpty()) {
        vlog::warning(QStringLiteral("Sign-up link ignored: not an https address"));
        return;
    }
    ::openURL(url);
}

void AuthWelcomeController::showError(const QString& title, const QString& message) {
    resetViews();
    presentError(title, message);
}

void AuthWelcomeController::showAccountExpired() {
    resetViews();
    presentError(L10n::hrbx_api_log_in_license_expired_header(), L10n::hrbx_api_log_in_license_expired());
}

void AuthWelcomeController::showSessionTimeoutError(std::optional<int> reason) {
    view();
    m_errorView->setHidden(true);
    const LocaleData::Pair& texts = LocaleData::forSessionTimeout(reason);
    presentError(texts.title, texts.message);
    resetViews();
}

// Login callbacks -------------------------------------------------------------------------------------------

void AuthWelcomeController::onExtendedAuthFailedWithError(const PDError& error) {
    vlog::error(QStringLiteral("onExtendedAuthFailed -- : ") + error.localizedDescription());
}

void AuthWelcomeController::onExtendedAuthSucceed() {
    vlog::info(QStringLiteral("onExtendedAuthSucceed..."));
    onMain(0, [](AuthWelcomeController& self) {
        self.view();
        self.m_controllerContentView->setHidden(true);
        self.m_loaderAnimationView->setHidden(false);
        if (AppRouterProtocol* router = self.appRouter()) {
            router->enterBackgroundMode();
        }
        menuService().showProgressIndicator();
    });
    // Not for a sign-in cancelled meanwhile.
    onMain(0.3, [](AuthWelcomeController& self) {
        if (self.isSigningIn()) {
            menuService().showMenu();
        }
    });
    sendEvent(1);
}

void AuthWelcomeController::onDeviceRegisterStart() {
    vlog::info(QStringLiteral("onDeviceRegisterStart..."));
    sendEvent(2);
}

void AuthWelcomeController::onLoginSuccess() {
    vlog::info(QStringLiteral("onLoginSuccess..."));
    sendEvent(3);
}

void AuthWelcomeController::onLoginErrorWithError(const PDError& error) {
    vlog::error(QStringLiteral("onLoginError..."));
    const LoginErrorTexts texts = loginErrorTexts(error);
    const AnalyticsEvent::Parameters parameters =
        errorParameters(error.codeText(), error.localizedDescription());
    if (!texts.channelError) {
        onMain(0.5, [texts](AuthWelcomeController& self) {
            self.presentError(texts.title, texts.message);
            self.resetViews();
            menuService().onAuthErrorRecieved();
        });
        sendEvent(4, AnalyticsTrigger::none(), parameters);
        return;
    }
    // The router's answer decides which of the two delayed steps runs; both count from now.
    auto signedOut = std::make_shared<bool>(false);
    onMain(0, [signedOut, parameters](AuthWelcomeController& self) {
        AppRouterProtocol* router = self.appRouter();
        *signedOut = router && router->logoutIfGeneralWindowIsCurrent();
        if (!*signedOut) {
            sendEvent(4, AnalyticsTrigger::none(), parameters);
        }
    });
    onMain(0.5, [signedOut, texts](AuthWelcomeController& self) {
        if (*signedOut) {
            return;
        }
        self.presentError(texts.title, texts.message);
        self.resetViews();
        menuService().onAuthErrorRecieved();
    });
    onMain(1.0, [signedOut, texts](AuthWelcomeController& self) {
        if (*signedOut) {
            self.presentError(texts.title, texts.message);
        }
    });
}

void AuthWelcomeController::onDPCFailedWithResult(const PD_DPCResult& result) {
    vlog::error(QStringLiteral("onDPCFailed..."));
    const QString title = has(result.title) ? *result.title : kDevicePostureDefaultTitle;
    const QString rawMessage = has(result.message) ? *result.message : kDevicePostureDefaultMessage;
    const QString message = devicePostureMessage(rawMessage);
    vlog::error(QStringLiteral("onDPCFailed..."));
    const AnalyticsEvent::Parameters parameters =
        errorParameters(result.title.value_or(QString()), result.message.value_or(QString()));
    auto signedOut = std::make_shared<bool>(false);
    onMain(0, [signedOut, parameters](AuthWelcomeController& self) {
        AppRouterProtocol* router = self.appRouter();
        *signedOut = router && router->logoutIfGeneralWindowIsCurrent();
        if (!*signedOut) {
            menuService().updateStatusOptions();
            sendEvent(5, AnalyticsTrigger::none(), parameters);
        }
    });
    onMain(1.0, [signedOut, title, message](AuthWelcomeController& self) {
        self.presentError(title, message);
        self.resetViews();
        if (!*signedOut) {
            menuService().onAuthErrorRecieved();
        }
    });
}

void AuthWelcomeController::onAccountExpired() {
    onMain(0, [](AuthWelcomeController&) { ServiceLayer::shared().onAccountExpired(); });
    onMain(0.5, [](AuthWelcomeController&) {
        vlog::debug(QStringLiteral("onAccountExpired() called -> hide QAUI login animation"));
        menuService().onAuthErrorRecieved();
    });
}

void AuthWelcomeController::onSDPLoginStarted() {
    vlog::debug(QStringLiteral("onSDPLoginStarted..."));
    sendEvent(6);
}

void AuthWelcomeController::onSDPLoginSuccess() {
    vlog::debug(QStringLiteral("onSDPLoginSuccess..."));
    onMain(0, [](AuthWelcomeController&) { menuService().updateStatusOptions(); });
    sendEvent(7);
}

void AuthWelcomeController::onSDPLoginErrorWithError(const PDError& error) {
    vlog::error(QStringLiteral("onSDPLoginError..."));
    sendEvent(8, AnalyticsTrigger::none(), errorParameters(error.codeText(), error.localizedDescription()));
}

void AuthWelcomeController::onSDPDropped() {
    vlog::debug(QStringLiteral("onSDPDropped..."));
    sendEvent(9);
}

void AuthWelcomeController::onLogoutFinished() {
    onMain(0, [](AuthWelcomeController& self) { self.resetViews(); });
}

void AuthWelcomeController::onDPCProcessingStarted() {
    onMain(0, [](AuthWelcomeController& self) {
        menuService().updateStatusOptions();
        self.view();
        self.m_loaderStatusInfoLabel->setHidden(false);
    });
}

void AuthWelcomeController::onDPCResultChanged() {
    onMain(0, [](AuthWelcomeController&) { menuService().updateStatusOptions(); });
}

void AuthWelcomeController::onSWGStatusChanged() {
    onMain(0, [](AuthWelcomeController&) { menuService().updateStatusOptionStates(); });
}

// Banner ----------------------------------------------------------------------------------------------------

void AuthWelcomeController::errorViewCloseTapped() {
    m_errorView->setHidden(true);
}

void AuthWelcomeController::errorViewTryAgainTapped() {
    m_errorView->setHidden(true);
}

void AuthWelcomeController::viewSizeChanged(QWidget* view, double height) {
    if (view != m_errorView) {
        return;
    }
    m_errorView->setFixedHeight(static_cast<int>(std::ceil(height)));
}

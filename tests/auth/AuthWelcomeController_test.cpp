#include "auth/AuthWelcomeController.h"

#include "core/LocaleData.h"
#include "core/LocalizedStrings.h"
#include "core/MenuService.h"
#include "core/ServiceLayer.h"
#include "support/CoreTestSupport.h"
#include "support/FakeRouter.h"
#include "support/OpenedUrls.h"
#include "support/RoutedTest.h"

#include <QUrl>

#include <gtest/gtest.h>

namespace {

using Delivery = sdk::testing::Driver::Delivery;

// The quick-access front end, recording also the error messages it is handed.
class RecordingMenu : public coretest::FakeMenuController {
public:
    using FakeMenuController::FakeMenuController;
    QStringList* errors = nullptr;
    void showErrorNotification(const QString& title, const QString&) override { errors->append(title); }
};

class AuthTest : public RoutedTest {
protected:
    AuthTest() {
        MenuService::Controllers controllers;
        controllers.statusItem = [this](MenuControllerDataSource* source, MenuControllerDelegate* delegate) {
            auto menu = std::make_unique<RecordingMenu>(QStringLiteral("menu"), menuLog, source, delegate);
            menu->errors = &quickAccessErrors;
            return std::unique_ptr<MenuControllerProtocol>(std::move(menu));
        };
        ServiceLayer::shared().setMenuService(
            std::make_unique<MenuService>(ServiceLayer::appModel(), controllers));
        controller.view()->show();
        scheduler.runUntilIdle();
        menuLog.clear();
        router.calls.clear();
        driver.clearCalls();
    }
    ~AuthTest() override { ServiceLayer::shared().setMenuService(nullptr); }

    template <class F>
    void fire(F&& callback) {
        driver.fire<PDLoginDelegate>(std::forward<F>(callback), Delivery::otherThread);
    }
    std::vector<int> eventTypes() const {
        std::vector<int> types;
        for (const auto& event : driver.analytics()) {
            types.push_back(event.type);
        }
        return types;
    }
    bool idleLook() const {
        return !controller.controllerContentView()->isHidden() &&
               controller.loaderAnimationView()->isHidden() && controller.loaderStatusInfoLabel()->isHidden();
    }
    QString bannerTitle() const { return controller.errorView()->titleText(); }

    QStringList menuLog;
    QStringList quickAccessErrors;
    AuthWelcomeController controller;
};

} // namespace

TEST(LoginErrorTexts, LaterRulesWinAndTheServicesOwnTextsWinLast) {
    const auto generic = loginErrorTexts(PDError(1, false, PDError::DEFAULT_ERROR_DOMAIN));
    EXPECT_EQ(generic.title, LocaleData::loginGenericError().title);
    EXPECT_FALSE(generic.channelError);
    EXPECT_EQ(loginErrorTexts(PDError(1, true, PDError::DEFAULT_ERROR_DOMAIN)).message,
              LocaleData::sdpLoadingError().message);
    const auto channel = loginErrorTexts(PDError(1, true, PDError::SDP_CHANNEL_ERROR_DOMAIN));
    EXPECT_EQ(channel.title, LocaleData::sdpChannelOnError().title);
    EXPECT_TRUE(channel.channelError);
    const auto own = loginErrorTexts(PDError(1, true, PDError::DEFAULT_ERROR_DOMAIN, "Own", "Own message"));
    EXPECT_EQ(own, (LoginErrorTexts{"Own", "Own message", false}));
    const auto ownOnChannel =
        loginErrorTexts(PDError(1, false, PDError::SDP_CHANNEL_ERROR_DOMAIN, "Own", "Msg"));
    EXPECT_EQ(ownOnChannel, (LoginErrorTexts{"Own", "Msg", true}));
    // A title without a message (or an empty one) is not the service's own pair.
    EXPECT_EQ(loginErrorTexts(PDError(1, false, PDError::DEFAULT_ERROR_DOMAIN, "Own", std::nullopt)).title,
              LocaleData::loginGenericError().title);
    EXPECT_EQ(loginErrorTexts(PDError(1, false, PDError::DEFAULT_ERROR_DOMAIN, "Own", "")).title,
              LocaleData::loginGenericError().title);
}

TEST(DevicePostureMessage, KeepsSentencesLongerThanTwoCharactersAndDropsReferrals) {
    const QString closing = "\nFor assistance, please contact your workspace administrator.";
    // " ab" keeps its blank and counts 3; " c" counts 2 and goes; the referral goes; so does the empty tail.
    EXPECT_EQ(devicePostureMessage("Disk. ab. c. Please consult IT. Ok."), "Disk. ab. Ok." + closing);
    EXPECT_EQ(devicePostureMessage("a. b."), closing);
    EXPECT_EQ(devicePostureMessage(""), closing);
    EXPECT_EQ(devicePostureMessage("....."), closing);
    EXPECT_EQ(devicePostureMessage("No final point"), "No final point." + closing);
    EXPECT_EQ(devicePostureMessage(kDevicePostureDefaultMessage), kDevicePostureDefaultMessage + closing);
    // A megabyte of sentences comes back whole, as one pass over it.
    QString big;
    while (big.size() < 1'000'000) {
        big += QStringLiteral("Sentence. ");
    }
    const QString built = devicePostureMessage(big);
    EXPECT_EQ(built.size(), big.size() - 1 + closing.size()); // the last blank piece goes
}

TEST_F(AuthTest, TheBrowserSignInShowsTheLoaderGoesToTheTrayAndOpensTheMenuLater) {
    fire([](PDLoginDelegate& d) { d.onExtendedAuthSucceed(); });
    EXPECT_EQ(eventTypes(), std::vector<int>{1}); // sent in the callback
    EXPECT_TRUE(idleLook()) << "nothing drawn before the main queue runs";
    EXPECT_TRUE(router.calls.isEmpty());

    scheduler.runUntilIdle();
    EXPECT_TRUE(controller.isSigningIn());
    EXPECT_FALSE(controller.loaderAnimationView()->isHidden());
    EXPECT_EQ(router.calls, QStringList{"enterBackgroundMode"});
    EXPECT_EQ(menuLog, QStringList{"menu.showProgressIndicator"});
    scheduler.advance(0.29);
    EXPECT_FALSE(menuLog.contains("menu.showMenu"));
    scheduler.advance(0.01);
    EXPECT_EQ(menuLog, (QStringList{"menu.showProgressIndicator", "menu.showMenu"}));
}

TEST_F(AuthTest, EachProgressCallbackSendsItsEventAndTheStatusCallbacksRefreshTheMenu) {
    fire([](PDLoginDelegate& d) { d.onDeviceRegisterStart(); });
    fire([](PDLoginDelegate& d) { d.onLoginSuccess(); });
    fire([](PDLoginDelegate& d) { d.onSDPLoginStarted(); });
    fire([](PDLoginDelegate& d) { d.onSDPLoginSuccess(); });
    fire([](PDLoginDelegate& d) {
        d.onSDPLoginErrorWithError(PDError(77, true, PDError::DEFAULT_ERROR_DOMAIN));
    });
    fire([](PDLoginDelegate& d) { d.onSDPDropped(); });
    EXPECT_EQ(eventTypes(), (std::vector<int>{2, 3, 6, 7, 8, 9}));
    EXPECT_EQ(driver.analytics()[4].parameter(AnalyticsParameter::errorCode), "77");
    EXPECT_FALSE(driver.analytics()[4].parameter(AnalyticsParameter::errorMessage).isEmpty());

    fire([](PDLoginDelegate& d) { d.onDPCProcessingStarted(); });
    fire([](PDLoginDelegate& d) { d.onDPCResultChanged(); });
    fire([](PDLoginDelegate& d) { d.onSWGStatusChanged(); });
    EXPECT_TRUE(menuLog.isEmpty());
    EXPECT_TRUE(controller.loaderStatusInfoLabel()->isHidden());
    scheduler.runUntilIdle();
    EXPECT_EQ(menuLog, (QStringList{"menu.updateStatusOptions", "menu.updateStatusOptions",
                                    "menu.updateStatusOptions", "menu.updateStatusOptionStates"}));
    EXPECT_FALSE(controller.loaderStatusInfoLabel()->isHidden()) << "the posture check's status line";
}

// Signed in at launch, the sign-in screen's view is not made; the SDK's sign-in reports reach the screen
// all the same. A report that only refreshes the menus leaves the view unmade; one that draws makes it.
TEST_F(AuthTest, AScreenWithoutItsViewHearsTheSdkAndMakesTheViewOnlyToDrawOnIt) {
    using Drawn = std::function<bool(const AuthWelcomeController&)>;
    struct Case {
        const char* report;
        std::function<void(PDLoginDelegate&)> fire;
        QStringList menu;
        Drawn drawn; // none: the view stays unmade
    };
    const Case cases[] = {
        {"status", [](PDLoginDelegate& d) { d.onSWGStatusChanged(); }, {"menu.updateStatusOptionStates"}, {}},
        {"posture result",
         [](PDLoginDelegate& d) { d.onDPCResultChanged(); },
         {"menu.updateStatusOptions"},
         {}},
        {"channel up", [](PDLoginDelegate& d) { d.onSDPLoginSuccess(); }, {"menu.updateStatusOptions"}, {}},
        {"browser done",
         [](PDLoginDelegate& d) { d.onExtendedAuthSucceed(); },
         {"menu.showProgressIndicator", "menu.showMenu"},
         [](const AuthWelcomeController& c) { return c.isSigningIn(); }},
        {"posture check",
         [](PDLoginDelegate& d) { d.onDPCProcessingStarted(); },
         {"menu.updateStatusOptions"},
         [](const AuthWelcomeController& c) { return !c.loaderStatusInfoLabel()->isHidden(); }},
        {"login error",
         [](PDLoginDelegate& d) {
             d.onLoginErrorWithError(PDError(1, false, PDError::DEFAULT_ERROR_DOMAIN));
         },
         {"menu.showMenu", "menu.hideProgressIndicator"},
         [](const AuthWelcomeController& c) { return c.isErrorShown(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        menuLog.clear();
        AuthWelcomeController unmade;
        unmade.registerAsLoginDelegate();
        fire(c.fire);
        scheduler.advance(1.0);
        EXPECT_EQ(menuLog, c.menu);
        EXPECT_EQ(unmade.isViewLoaded(), bool(c.drawn));
        if (c.drawn) {
            EXPECT_TRUE(c.drawn(unmade));
        }
    }
}

TEST_F(AuthTest, ALoginErrorShowsItsBannerHalfASecondLaterAndEndsTheSignIn) {
    fire([](PDLoginDelegate& d) { d.onExtendedAuthSucceed(); });
    scheduler.advance(0.3);
    menuLog.clear();
    fire([](PDLoginDelegate& d) {
        d.onLoginErrorWithError(
            PDError(401, false, PDError::DEFAULT_ERROR_DOMAIN, "<b>Refused</b>", "Try again"));
    });
    ASSERT_EQ(eventTypes().back(), 4); // at once
    EXPECT_EQ(driver.analytics().back().parameter(AnalyticsParameter::errorCode), "401");
    scheduler.advance(0.49);
    EXPECT_FALSE(controller.isErrorShown());
    scheduler.advance(0.01);
    EXPECT_TRUE(controller.isErrorShown());
    EXPECT_EQ(bannerTitle(), "<b>Refused</b>"); // the service's text, shown as it stands
    EXPECT_EQ(controller.errorView()->titleField()->textFormat(), Qt::PlainText);
    EXPECT_EQ(quickAccessErrors, QStringList{"<b>Refused</b>"});
    EXPECT_TRUE(idleLook());
    EXPECT_TRUE(menuLog.contains("menu.hideProgressIndicator"));
    EXPECT_FALSE(router.calls.contains("logoutIfGeneralWindowIsCurrent")) << "only channel errors ask";
}

TEST_F(AuthTest, AChannelErrorWhileTheMainWindowIsCurrentSignsOutAndShowsTheBannerASecondLater) {
    router.generalWindowIsCurrent = true;
    fire([](PDLoginDelegate& d) {
        d.onLoginErrorWithError(PDError(9, false, PDError::SDP_CHANNEL_ERROR_DOMAIN));
    });
    scheduler.runUntilIdle();
    EXPECT_EQ(router.calls, (QStringList{"logoutIfGeneralWindowIsCurrent", "performLogout"}));
    scheduler.advance(0.5);
    EXPECT_FALSE(controller.isErrorShown());
    scheduler.advance(0.5);
    EXPECT_TRUE(controller.isErrorShown());
    EXPECT_EQ(bannerTitle(), LocaleData::sdpChannelOnError().title);
    EXPECT_TRUE(eventTypes().empty()) << "no event 4";
    EXPECT_FALSE(menuLog.contains("menu.hideProgressIndicator"));
}

TEST_F(AuthTest, AChannelErrorElsewhereTakesTheHalfSecondPathAndReportsAfterTheRoutersAnswer) {
    fire([](PDLoginDelegate& d) {
        d.onLoginErrorWithError(PDError(9, false, PDError::SDP_CHANNEL_ERROR_DOMAIN));
    });
    EXPECT_TRUE(eventTypes().empty()) << "event 4 waits for the router's answer";
    scheduler.runUntilIdle();
    EXPECT_EQ(eventTypes(), std::vector<int>{4});
    scheduler.advance(0.5);
    EXPECT_TRUE(controller.isErrorShown());
    EXPECT_TRUE(menuLog.contains("menu.hideProgressIndicator"));
    scheduler.advance(1.0);
    EXPECT_EQ(quickAccessErrors.size(), 1) << "shown once";
}

TEST_F(AuthTest, AFailedPostureCheckShowsTheBuiltMessageASecondLater) {
    fire([](PDLoginDelegate& d) {
        d.onDPCFailedWithResult(
            {QStringLiteral("Device at risk"), QStringLiteral("Disk. Please consult IT. x.")});
    });
    scheduler.runUntilIdle();
    EXPECT_EQ(eventTypes(), std::vector<int>{5});
    EXPECT_EQ(driver.analytics()[0].parameter(AnalyticsParameter::errorCode), "Device at risk");
    EXPECT_EQ(driver.analytics()[0].parameter(AnalyticsParameter::errorMessage),
              "Disk. Please consult IT. x.");
    EXPECT_EQ(menuLog, QStringList{"menu.updateStatusOptions"});
    scheduler.advance(0.99);
    EXPECT_FALSE(controller.isErrorShown());
    scheduler.advance(0.01);
    EXPECT_TRUE(controller.isErrorShown());
    EXPECT_EQ(bannerTitle(), "Device at risk");
    EXPECT_EQ(controller.errorView()->descriptionText(),
              "Disk.\nFor assistance, please contact your workspace administrator.");
    EXPECT_TRUE(menuLog.contains("menu.hideProgressIndicator"));

    // Without texts and with the main window current: the defaults, no event, no menu call.
    router.generalWindowIsCurrent = true;
    menuLog.clear();
    fire([](PDLoginDelegate& d) { d.onDPCFailedWithResult({}); });
    scheduler.advance(1.0);
    EXPECT_EQ(eventTypes(), std::vector<int>{5});
    EXPECT_EQ(bannerTitle(), kDevicePostureDefaultTitle);
    EXPECT_TRUE(controller.errorView()->descriptionText().startsWith(kDevicePostureDefaultMessage));
    EXPECT_FALSE(menuLog.contains("menu.updateStatusOptions"));
    EXPECT_FALSE(menuLog.contains("menu.hideProgressIndicator"));
    EXPECT_TRUE(idleLook());
}

TEST_F(AuthTest, FastLoginShowsTheLoaderOrTheIdleScreenByTheSdksAnswer) {
    driver.editState([](sdk::SimulationState& s) {
        s.loggedIn = false;
        s.fastLoginAvailable = true;
    });
    controller.checkFastLogin();
    scheduler.runUntilIdle();
    EXPECT_TRUE(controller.isSigningIn());
    EXPECT_FALSE(controller.loaderAnimationView()->isHidden());

    driver.editState([](sdk::SimulationState& s) {
        s.fastLoginAvailable = false;
        s.fastLoginInProgress = false;
    });
    menuLog.clear();
    controller.checkFastLogin();
    scheduler.runUntilIdle();
    EXPECT_TRUE(idleLook());
    EXPECT_FALSE(controller.signInAnimationView()->isHidden());
    EXPECT_EQ(menuLog, QStringList{"menu.hideProgressIndicator"});
}

TEST_F(AuthTest, SessionTimeoutsPickTheirTextsAndTheAccountExpiredBannerHasItsOwn) {
    const std::pair<std::optional<int>, QString> cases[] = {
        {3, L10n::sdp_session_timeout_user_deleted_error_title()},
        {4, L10n::sdp_session_timeout_network_device_deleted_error_title()},
        {5, L10n::sdp_session_timeout_session_revoked_error_title()},
        {7, L10n::sdp_session_timeout_session_expired_error_title()},
        {std::nullopt, L10n::sdp_session_timeout_session_expired_error_title()},
    };
    for (const auto& [reason, title] : cases) {
        controller.showSessionTimeoutError(reason);
        EXPECT_TRUE(controller.isErrorShown());
        EXPECT_EQ(bannerTitle(), title) << reason.value_or(-1);
        EXPECT_TRUE(idleLook());
    }
    controller.showAccountExpired();
    EXPECT_EQ(bannerTitle(), L10n::hrbx_api_log_in_license_expired_header());
}

TEST_F(AuthTest, SignInHidesTheBannerAsksTheSdkAndReportsTheButtonsTitle) {
    controller.showError("Failed", "Try again");
    controller.signInButton()->click();
    EXPECT_FALSE(controller.isErrorShown());
    EXPECT_TRUE(driver.lastCall("login").has_value());
    ASSERT_EQ(eventTypes(), std::vector<int>{0});
    EXPECT_EQ(driver.analytics()[0].triggeredBy, AnalyticsTrigger::button(QStringLiteral("Sign In")));

    QObject notAButton;
    controller.signIn(&notAButton);
    EXPECT_EQ(driver.calls("login").size(), 2u);
    EXPECT_EQ(driver.analytics()[1].triggeredBy, AnalyticsTrigger::button(std::nullopt));
}

TEST_F(AuthTest, SignUpOpensOnlyAnHttpsLink) {
    OpenedUrls catcher;
    for (const char* refused : {"", "signup", "/signup", "file:///etc/passwd", "javascript:alert(1)",
                                "http://example.com/signup", "https://"}) {
        PDAppConfig config = VeltrixXPC::appConfig();
        config.signUpLink = QString::fromLatin1(refused);
        driver.setAppConfig(config);
        controller.signUp();
    }
    EXPECT_TRUE(catcher.urls.isEmpty()) << catcher.urls.value(0).toString().toStdString();
    PDAppConfig config = VeltrixXPC::appConfig();
    config.signUpLink = QStringLiteral("https://example.com/signup");
    driver.setAppConfig(config);
    controller.signUpButton()->click();
    EXPECT_EQ(catcher.urls, QList<QUrl>{QUrl("https://example.com/signup")});
}

TEST_F(AuthTest, TheBannerFollowsItsButtonsAndHeightAndOutlivesASignOut) {
    controller.showError("Failed", "Try again");
    const int height = controller.errorViewHeight();
    EXPECT_GE(height, 57);
    controller.viewSizeChanged(controller.errorView(), 120.0);
    EXPECT_EQ(controller.errorViewHeight(), 120);
    QWidget other;
    controller.viewSizeChanged(&other, 300.0);
    EXPECT_EQ(controller.errorViewHeight(), 120);

    fire([](PDLoginDelegate& d) { d.onLogoutFinished(); });
    scheduler.runUntilIdle();
    EXPECT_TRUE(controller.isErrorShown()) << "a finished sign-out leaves the banner";
    controller.errorViewCloseTapped();
    EXPECT_FALSE(controller.isErrorShown());
    controller.showError("Failed", "Try again");
    controller.errorViewTryAgainTapped();
    EXPECT_FALSE(controller.isErrorShown());
}

TEST_F(AuthTest, ALineBreakInAMessageStartsANewLineInTheBanner) {
    controller.showError("Device", "One sentence.");
    const int oneLine = controller.errorViewHeight();
    controller.showError("Device", "One sentence.\nFor assistance.");
    EXPECT_GT(controller.errorViewHeight(), oneLine);
}

TEST_F(AuthTest, AnExpiredAccountSignsOutAndStopsTheQuickAccessProgress) {
    fire([](PDLoginDelegate& d) { d.onAccountExpired(); });
    EXPECT_TRUE(router.calls.isEmpty());
    scheduler.runUntilIdle();
    EXPECT_EQ(router.calls, QStringList{"performLogout"});
    EXPECT_FALSE(menuLog.contains("menu.hideProgressIndicator"));
    scheduler.advance(0.5);
    EXPECT_TRUE(menuLog.contains("menu.hideProgressIndicator"));
}

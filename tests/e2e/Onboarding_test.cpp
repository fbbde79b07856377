// The sign-in screens as a user meets them: the onboarding pages of a first start, sign-in failures that
// the service reports, and the code asked for before a sign-out under Always-On.
#include "auth/OnBoardingPageControllerN.h"
#include "auth/PopoverConfirmationCodeView.h"
#include "auth/QAUIOnBoardingPageViewController.h"
#include "core/LocalizedStrings.h"
#include "e2e/ClientHarness.h"

#include <QTest>

using namespace e2e;

namespace {

class AuthFlowTest : public ClientTest {
protected:
    // The page slide and the animation start that follows it.
    static constexpr double pageSeconds = 1.0;

    QWidget* welcomeWindow() const { return delegate->welcomeWindowViewController()->window(); }
    AuthWelcomeController& signInScreen() { return *delegate->authWelcomeController(); }
    QString bannerTitle() { return signInScreen().errorView()->titleText(); }
    bool clickInWelcome(const QString& title) {
        const bool clicked = clickButton(welcomeWindow(), title);
        advance(pageSeconds);
        return clicked;
    }
    void launchToSignIn() {
        platform::UserDefaults::standard().set(SettingsUserDefaults::showWelcomePage, false);
        launch();
        advance(clientlaunch::noTrayGraceSeconds);
        ASSERT_EQ(shownWindow(), QStringLiteral("signIn"));
    }
};

} // namespace

TEST_F(AuthFlowTest, AFirstStartPagesThroughTheOnboardingAndFinishLeadsToTheSignIn) {
    launch();
    advance(clientlaunch::noTrayGraceSeconds);
    ASSERT_EQ(shownWindow(), QStringLiteral("welcome"));
    auto* pages = qobject_cast<OnBoardingPageControllerN*>(
        delegate->welcomeWindowViewController()->contentViewController());
    ASSERT_NE(pages, nullptr);
    advance(pageSeconds);
    EXPECT_TRUE(visibleTexts(welcomeWindow()).contains(L10n::onBoardingTitle_1()));
    EXPECT_TRUE(pages->selectedPage()->animationView()->animationView()->isAnimationPlaying());

    for (const QString& title :
         QStringList{L10n::onBoardingTitle_2(), L10n::onBoardingTitle_3(), L10n::onBoardingTitle_4()}) {
        ASSERT_TRUE(clickInWelcome("Next"));
        EXPECT_TRUE(visibleTexts(welcomeWindow()).contains(title)) << visibleTexts(welcomeWindow());
    }
    EXPECT_FALSE(clickButton(welcomeWindow(), "Next"));
    ASSERT_TRUE(clickInWelcome("Finish"));

    EXPECT_EQ(shownWindow(), QStringLiteral("signIn"));
    EXPECT_FALSE(platform::UserDefaults::standard().boolForKey(SettingsUserDefaults::showWelcomePage));
    clickSignIn();
    advance(signInSeconds);
    EXPECT_TRUE(VeltrixXPC::isLoggedIn());
    EXPECT_EQ(currentWindow(), QStringLiteral("main"));
}

TEST_F(AuthFlowTest, TheLoginButtonLeavesTheOnboardingFromTheFirstPageForGood) {
    launch();
    advance(clientlaunch::noTrayGraceSeconds);
    ASSERT_EQ(shownWindow(), QStringLiteral("welcome"));
    ASSERT_TRUE(clickInWelcome("Sign In"));
    EXPECT_EQ(shownWindow(), QStringLiteral("signIn"));

    // The next start goes straight to the sign-in window.
    TearDown();
    SetUp();
    platform::UserDefaults::standard().set(SettingsUserDefaults::showWelcomePage, false);
    launch();
    advance(clientlaunch::noTrayGraceSeconds);
    EXPECT_EQ(shownWindow(), QStringLiteral("signIn"));
}

TEST_F(AuthFlowTest, TheQuickAccessOnboardingEndsWithItsFinishButton) {
    launch();
    advance(clientlaunch::noTrayGraceSeconds);
    ASSERT_NE(quickAccess(), nullptr);
    auto* pages = qobject_cast<QAUIOnBoardingPageViewController*>(quickAccess()->contentViewController());
    ASSERT_NE(pages, nullptr) << "the quick-access window shows the onboarding while the welcome window does";
    quickAccess()->showWindow();
    advance(pageSeconds);
    for (int page = 0; page < 3; ++page) {
        ASSERT_TRUE(clickInQuickAccess("Next"));
        advance(pageSeconds);
    }
    EXPECT_EQ(pages->selectedIndex(), 3);
    ASSERT_TRUE(clickInQuickAccess("Finish"));
    advance(pageSeconds);
    EXPECT_EQ(currentWindow(), QStringLiteral("signIn"));
    EXPECT_FALSE(platform::UserDefaults::standard().boolForKey(SettingsUserDefaults::showWelcomePage));
}

TEST_F(AuthFlowTest, ADeviceAtRiskEndsTheSignInWithThePostureMessageAndAFixedDeviceSignsIn) {
    driver.editState([](sdk::SimulationState& s) { s.devicePosture = PD_DevicePostureCheckState::atRisk; });
    launchToSignIn();
    clickSignIn();
    advance(signInSeconds);

    EXPECT_FALSE(VeltrixXPC::isLoggedIn());
    EXPECT_EQ(currentWindow(), QStringLiteral("signIn"));
    EXPECT_TRUE(signInScreen().isErrorShown());
    EXPECT_EQ(bannerTitle(), QStringLiteral("Device Posture Check Failed"));
    const QString message = signInScreen().errorView()->descriptionText();
    EXPECT_FALSE(message.contains("Please consult"));
    EXPECT_TRUE(message.endsWith("For assistance, please contact your workspace administrator.")) << message;
    EXPECT_FALSE(signInScreen().isSigningIn());
    EXPECT_FALSE(isQuickAccessShown()) << "without a tray the message stays in the sign-in window";

    driver.editState([](sdk::SimulationState& s) { s.devicePosture = PD_DevicePostureCheckState::healthy; });
    clickSignIn();
    EXPECT_FALSE(signInScreen().isErrorShown());
    advance(signInSeconds);
    EXPECT_TRUE(VeltrixXPC::isLoggedIn());
}

TEST_F(AuthFlowTest, ARevokedSessionSignsOutAndTheSignInWindowSaysWhy) {
    launchAndSignIn();
    driver.expireSession(static_cast<int>(SDPStateReasonCodeType::sessionRevoked));
    advance(2);
    EXPECT_FALSE(VeltrixXPC::isLoggedIn());
    EXPECT_EQ(currentWindow(), QStringLiteral("signIn"));
    EXPECT_TRUE(signInScreen().isErrorShown());
    EXPECT_EQ(bannerTitle(), L10n::sdp_session_timeout_session_revoked_error_title());
}

TEST_F(AuthFlowTest, SigningOutUnderAlwaysOnAsksForTheCodeAndAWrongOneBringsANewCode) {
    launchAndSignIn();
    PDSettings settings = VeltrixXPC::settings();
    settings.alwaysOn.value = true;
    driver.setSettings(settings);
    ASSERT_TRUE(chooseInTrayMenu("Sign Out"));
    advance(1);
    ASSERT_TRUE(shownWindow().contains("signOut")) << shownWindow();
    ModalViewController* modal = delegate->qaUISignOutController()->modalViewController();
    ASSERT_NE(modal, nullptr);
    ASSERT_EQ(modal->controllerType(), ModalViewControllerType::codeConfirmationSignOut);
    auto* code =
        modal->popoverAs<PopoverConfirmationCodeView>(ModalViewControllerType::codeConfirmationSignOut);
    ASSERT_NE(code, nullptr);
    ASSERT_TRUE(code->isVisible());

    QTest::keyClicks(code->enterCodeField(), "12x");
    EXPECT_EQ(code->enterCodeField()->text(), "12");
    ASSERT_TRUE(clickButton(code, "Sign Out"));
    run();
    EXPECT_TRUE(VeltrixXPC::isLoggedIn());
    EXPECT_TRUE(code->isErrorShown());
    EXPECT_EQ(code->generatedCodeField()->text().size(), 6);

    code->enterCodeField()->clear();
    QTest::keyClicks(code->enterCodeField(), code->generatedCodeField()->text());
    EXPECT_FALSE(code->isErrorShown());
    QTest::keyClick(code->enterCodeField(), Qt::Key_Return);
    advance(2);
    EXPECT_FALSE(VeltrixXPC::isLoggedIn());
    EXPECT_EQ(currentWindow(), QStringLiteral("signIn"));
}

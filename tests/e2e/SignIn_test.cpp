// Signing in and out as a user does: through the sign-in window, the browser's callback URL and later
// launches that carry it.
#include "e2e/ClientHarness.h"

#include "auth/PopoverConfirmationCodeView.h"
#include "support/OpenedUrls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

using namespace e2e;

namespace {

class SignInTest : public ClientTest {
protected:
    // Signed out with the welcome pages already seen: start-up leads to the sign-in window.
    void launchToSignIn() {
        platform::UserDefaults::standard().set(SettingsUserDefaults::showWelcomePage, false);
        launch();
        advance(clientlaunch::noTrayGraceSeconds);
        ASSERT_EQ(shownWindow(), QStringLiteral("signIn"));
    }

    AuthWelcomeController& signInScreen() { return *delegate->authWelcomeController(); }

    // Moves time in small steps until `done` holds (at most the time a sign-in takes).
    void advanceUntil(const std::function<bool()>& done) {
        for (double waited = 0; waited < signInSeconds && !done(); waited += 0.1) {
            advance(0.1);
        }
        ASSERT_TRUE(done());
    }

    // The callback the browser would hand over, with the workspace's tenant and `token`.
    QUrl callbackUrl(const QString& token) const {
        return sdk::SimulatedWorkspace::instance().callbackUrl(token);
    }
    QString workspaceToken() const { return driver.state().workspace.session.idToken; }

    // Signed in: the main window is the client's window; with a tray the quick-access window opened on the
    // signed-in page, without one it stays away.
    void expectSignedIn() {
        EXPECT_TRUE(VeltrixXPC::isLoggedIn());
        EXPECT_EQ(currentWindow(), QStringLiteral("main"));
        ASSERT_EQ(isQuickAccessShown(), withTray);
        if (withTray) {
            EXPECT_TRUE(quickAccessTexts().contains("Device Posture Check")) << quickAccessTexts();
            EXPECT_TRUE(quickAccessTexts().contains("Sign Out")) << quickAccessTexts();
        }
        EXPECT_TRUE(trayMenuTexts().contains("Sign Out")) << trayMenuTexts();
        EXPECT_FALSE(trayMenuTexts().contains("Sign In"));
    }
};

} // namespace

TEST_F(SignInTest, TheBrowserCallbackSignsInAndTheMainWindowReplacesTheSignInWindow) {
    launchToSignIn();
    EXPECT_TRUE(trayMenuTexts().contains("Sign In")) << trayMenuTexts();

    clickSignIn();
    EXPECT_TRUE(sdkCalls().contains("login"));
    EXPECT_FALSE(signInScreen().isSigningIn()) << "the browser has the sign-in until its callback comes";

    advanceUntil([this] { return !driver.calls("externalAuthSuccess").empty(); });
    EXPECT_TRUE(signInScreen().isSigningIn()) << "the loader replaces the controls";

    advance(signInSeconds);
    EXPECT_EQ(driver.calls("externalAuthSuccess").size(), 1u) << "the callback reached the SDK once";
    expectSignedIn();
}

TEST_F(SignInTest, AfterSigningInFromTheSignInWindowTheMainWindowIsInFront) {
    launchToSignIn();
    clickSignIn();
    advance(signInSeconds);
    ASSERT_TRUE(VeltrixXPC::isLoggedIn());
    EXPECT_EQ(shownWindow(), QStringLiteral("main"));
    EXPECT_FALSE(ServiceLayer::appModel().isAppInUserAgentMode()) << "the client is in the foreground";
}

TEST_F(SignInTest, ARefusedSignInShowsWhyAndTheNextAttemptSucceeds) {
    launchToSignIn();
    // The service answers this sign-in with a token the workspace does not know.
    driver.setBrowserForward(
        [this](const QUrl&) { platform::UrlEvents::shared().deliver(callbackUrl("forged")); });
    clickSignIn();
    advance(signInSeconds);
    EXPECT_FALSE(VeltrixXPC::isLoggedIn());
    EXPECT_EQ(shownWindow(), QStringLiteral("signIn"));
    EXPECT_FALSE(signInScreen().isSigningIn()) << "the window leaves \"Signing in…\"";
    EXPECT_TRUE(signInScreen().isErrorShown());
    EXPECT_FALSE(isQuickAccessShown()) << "no tray to open with the refusal";

    driver.setBrowserForward([](const QUrl& url) { platform::UrlEvents::shared().deliver(url); });
    clickSignIn();
    EXPECT_FALSE(signInScreen().isErrorShown()) << "a new attempt hides the old error";
    advance(signInSeconds);
    expectSignedIn();
}

TEST_F(SignInTest, ARefusedCallbackLeavesTheClientAbleToSignInAgain) {
    launchToSignIn();
    // A callback that is not the client's (wrong scheme) arrives while the sign-in runs.
    driver.setBrowserForward([](const QUrl& url) {
        QUrl wrong = url;
        wrong.setScheme(QStringLiteral("https"));
        platform::UrlEvents::shared().deliver(wrong);
    });
    clickSignIn();
    advance(signInSeconds);
    EXPECT_FALSE(VeltrixXPC::isLoggedIn());
    EXPECT_FALSE(signInScreen().isSigningIn()) << "the window leaves \"Signing in…\"";
    EXPECT_TRUE(driver.calls("externalAuthSuccess").empty());

    driver.setBrowserForward([](const QUrl& url) { platform::UrlEvents::shared().deliver(url); });
    clickSignIn();
    advance(signInSeconds);
    expectSignedIn();
}

TEST_F(SignInTest, ClosingTheSignInWindowWhileSigningInCancelsItAndItCanStartAgain) {
    const struct {
        const char* moment;
        bool callbackArrived;
    } moments[] = {{"the browser has the sign-in", false},
                   {"the loader shows the steps after the callback", true}};
    withTray = true; // after the callback the quick-access window shows the progress
    platform::UserDefaults::standard().set(SettingsUserDefaults::showWelcomePage, false);
    launch();
    for (const auto& m : moments) {
        SCOPED_TRACE(m.moment);
        // The tray's Sign In brings the window with its button, not the loader.
        ASSERT_TRUE(chooseInTrayMenu(QStringLiteral("Sign In"))) << trayMenuTexts();
        ASSERT_EQ(shownWindow(), QStringLiteral("signIn"));
        EXPECT_FALSE(signInScreen().isSigningIn());
        clickSignIn();
        if (m.callbackArrived) {
            advanceUntil([this] { return signInScreen().isSigningIn() && isQuickAccessShown(); });
        }
        delegate->authNewWindow()->window()->close(); // as its close button does
        advance(signInSeconds);
        EXPECT_FALSE(VeltrixXPC::isLoggedIn());
        EXPECT_EQ(shownWindow(), QString()) << "neither the main window nor anything else opened";
        EXPECT_FALSE(isQuickAccessShown());
    }
    ASSERT_TRUE(chooseInTrayMenu(QStringLiteral("Sign In"))) << trayMenuTexts();
    clickSignIn();
    advance(signInSeconds);
    expectSignedIn();
}

TEST_F(SignInTest, ASecondLaunchWithTheCallbackUrlSignsIn) {
    launchToSignIn();
    EXPECT_EQ(secondLaunch({callbackUrl(workspaceToken()).toString()}),
              platform::UrlEvents::LaunchDecision::secondaryForwarded);
    advance(signInSeconds);
    expectSignedIn();
}

TEST_F(SignInTest, ACallbackWithABlankAndQuotesABrowserLeftUnencodedSignsIn) {
    launchToSignIn();
    const QString link = callbackUrl(workspaceToken()).toString(QUrl::FullyEncoded) + "&state=\"a b\"";
    EXPECT_EQ(secondLaunch({link}), platform::UrlEvents::LaunchDecision::secondaryForwarded);
    advance(signInSeconds);
    expectSignedIn();
}

TEST_F(SignInTest, ACallbackUrlThatStartsTheClientSignsInOnceStartUpEnds) {
    // The browser starts the client with the URL: it arrives before the client has a handler for it.
    platform::UrlEvents::shared().setUrlHandler(nullptr);
    platform::UrlEvents::shared().deliver(callbackUrl(workspaceToken()));
    run();
    EXPECT_TRUE(driver.calls("externalAuthSuccess").empty()) << "nothing handles it before start-up";

    platform::UserDefaults::standard().set(SettingsUserDefaults::showWelcomePage, false);
    launch();
    advance(signInSeconds);
    EXPECT_EQ(driver.calls("externalAuthSuccess").size(), 1u) << "the kept URL reached the SDK once";
    const QStringList calls = sdkCalls();
    const qsizetype setUp = calls.indexOf("setupWithConfig");
    EXPECT_TRUE(setUp >= 0 && setUp < calls.indexOf("externalAuthSuccess"))
        << "handed over once the SDK is set up: " << calls.join(' ').toStdString();
    EXPECT_FALSE(sdkCalls().contains("login")) << "no browser sign-in was started besides";
    EXPECT_TRUE(VeltrixXPC::isLoggedIn());
    EXPECT_EQ(shownWindow(), QStringLiteral("main"));
    EXPECT_TRUE(trayMenuTexts().contains("Sign Out")) << trayMenuTexts();
    EXPECT_FALSE(trayMenuTexts().contains("Sign In"));
}

TEST_F(SignInTest, SigningOutFromTheTrayAsksThenReturnsToTheSignInWindowAndSigningInAgainWorks) {
    withTray = true;
    launchAndSignIn();
    expectSignedIn();

    ASSERT_TRUE(chooseInTrayMenu("Sign Out"));
    advance(1);
    ASSERT_TRUE(shownWindow().contains("signOut")) << shownWindow();
    ASSERT_TRUE(
        clickButton(delegate->qaUISignOutController()->signOutWindowController()->window(), "Sign Out"));
    advance(2);
    EXPECT_FALSE(VeltrixXPC::isLoggedIn());
    EXPECT_FALSE(shownWindow().contains("signOut"));
    EXPECT_EQ(currentWindow(), QStringLiteral("signIn"));
    EXPECT_TRUE(trayMenuTexts().contains("Sign In")) << trayMenuTexts();
    EXPECT_EQ(trayIconName(), QStringLiteral("MenuBar_icon_DISCONNECTED"));

    clickSignIn();
    advance(signInSeconds);
    expectSignedIn();
}

TEST_F(SignInTest, AWorkspaceFileThatDoesNotLoadIsShownAndSignInSaysWhy) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("broken.json"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{ \"user\": ");
    file.close();
    const QString problem = driver.resetFromFile(path);
    ASSERT_FALSE(problem.isEmpty());
    driver.setBrowserForward([](const QUrl& url) { platform::UrlEvents::shared().deliver(url); });

    launchToSignIn();
    QMessageBox* error = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == "workspaceLoadError" && window->isVisible()) {
            EXPECT_EQ(error, nullptr) << "one error window";
            error = qobject_cast<QMessageBox*>(window);
        }
    }
    ASSERT_NE(error, nullptr);
    EXPECT_TRUE(problem.contains("broken.json")) << problem.toStdString();
    EXPECT_TRUE(error->informativeText().startsWith(problem + "\n")) << "the loader's own text, first";

    clickSignIn();
    advance(signInSeconds);
    EXPECT_FALSE(VeltrixXPC::isLoggedIn());
    EXPECT_FALSE(signInScreen().isSigningIn()) << "no endless \"Signing in…\"";
    EXPECT_TRUE(signInScreen().isErrorShown());
    error->close();
}

TEST_F(SignInTest, SigningOutUnderAlwaysOnEndsDisconnectedAndStaysSo) {
    // Always-On as the workspace sets it: the sign-out window reads the setting.
    PDSettings applied = VeltrixXPC::settings();
    applied.alwaysOn = PDSettingBoolItem(true, true);
    driver.setSettings(applied);
    driver.setAlwaysOn(true);
    launchAndSignIn();
    advance(5);
    ASSERT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected) << "Always-On brought it up";
    PDSettings pending = VeltrixXPC::unappliedSettings();
    pending.trustedNetworks.value = !pending.trustedNetworks.value; // waits for the tunnel to go down
    driver.setPendingSettings(pending);

    ASSERT_TRUE(chooseInTrayMenu("Sign Out"));
    advance(1);
    QWidget* signOut = delegate->qaUISignOutController()->window();
    auto* code = signOut->findChild<PopoverConfirmationCodeView*>();
    ASSERT_NE(code, nullptr) << "Always-On asks for the code";
    auto* field = code->findChild<QLineEdit*>();
    ASSERT_NE(field, nullptr);
    field->setText(code->confirmationCode());
    emit field->returnPressed();
    advance(2);

    EXPECT_FALSE(VeltrixXPC::isLoggedIn());
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected);
    EXPECT_EQ(currentWindow(), QStringLiteral("signIn"));
    advance(30);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected) << "no tunnel comes back";
    EXPECT_EQ(trayIconName(), QStringLiteral("MenuBar_icon_DISCONNECTED"));
}

TEST_F(SignInTest, ASignUpLinkNoBrowserOpensShowsItsAddressToCopyInOneAlert) {
    OpenedUrls noBrowser;
    noBrowser.opens = false;
    launchToSignIn();
    const auto alerts = [] {
        QList<QMessageBox*> shown;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == "linkNotOpenedAlert" && window->isVisible()) {
                shown.append(qobject_cast<QMessageBox*>(window));
            }
        }
        return shown;
    };
    for (int click = 0; click < 2; ++click) {
        QTest::mouseClick(signInScreen().signUpButton(), Qt::LeftButton);
        run();
    }
    ASSERT_EQ(noBrowser.urls.size(), 2);
    const QString address = noBrowser.urls.front().toString();
    ASSERT_EQ(alerts().size(), 1) << "a second failure replaces the first alert";
    QMessageBox* alert = alerts().front();
    EXPECT_TRUE(alert->informativeText().contains(address)) << alert->informativeText();
    QAbstractButton* copy = nullptr;
    for (QAbstractButton* button : alert->buttons()) {
        if (button->text() == "Copy") {
            copy = button;
        }
    }
    ASSERT_NE(copy, nullptr);
    QTest::mouseClick(copy, Qt::LeftButton);
    run();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), address);
    EXPECT_TRUE(alerts().isEmpty()) << "copied, the alert is done";
}

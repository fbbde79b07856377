// The main window's frame as a signed-in user meets it on the demo workspace: the bar on the left, the
// tabs it switches, the version line and signing out from it.
#include "e2e/ClientHarness.h"

#include "locations/LocationsSubController.h"
#include "mainwindow/GeneralViewController.h"
#include "mainwindow/MainSubController.h"
#include "settings/SettingsContainerController.h"
#include "settings/SupportSubController.h"

#include <QTest>

using namespace e2e;

namespace {

class MainWindowTest : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
        advance(0.2);
    }

    GeneralViewController& general() { return *delegate->generalViewController(); }
    MainMenuBarView& bar() { return *general().menuBarView(); }

    void clickRow(MainTopTab tab) {
        TableRowView* row = bar().topButtonsView()->topMenuTableView()->rowViewAtRow(static_cast<int>(tab));
        ASSERT_NE(row, nullptr);
        QTest::mouseClick(row, Qt::LeftButton, {}, row->rect().center());
        advance(0.2); // the fade
    }
};

} // namespace

TEST_F(MainWindowTest, TheBarOffersTheTabsSettingsAndSignOutAndNamesTheUserAndVersion) {
    EXPECT_EQ(tabInFront(), delegate->mainSubController());
    const QStringList texts = visibleTexts(bar().window());
    for (const char* row : {"Home", "Networks", "Support"}) {
        EXPECT_TRUE(texts.contains(QString::fromLatin1(row))) << texts;
    }
    EXPECT_TRUE(bar().bottomHButtonsView()->settingsButton()->isVisible());
    EXPECT_TRUE(bar().bottomHButtonsView()->logoutButton()->isVisible());
    const ApplicationModel& model = ServiceLayer::appModel();
    const QString version = model.appVersion() + QLatin1Char('.') + model.appBuildNumber();
    ASSERT_TRUE(VeltrixXPC::recentUserName().has_value());
    EXPECT_EQ(general().appVersionField()->text(),
              *VeltrixXPC::recentUserName() + QStringLiteral(" - ") + version);
}

TEST_F(MainWindowTest, EachTabComesBackAsItWasLeft) {
    clickRow(MainTopTab::networks);
    EXPECT_EQ(tabInFront(), delegate->locationsSubController());
    clickRow(MainTopTab::support);
    EXPECT_EQ(tabInFront(), delegate->supportSubController());
    QTest::mouseClick(bar().bottomHButtonsView()->settingsButton(), Qt::LeftButton);
    advance(0.2);
    EXPECT_EQ(tabInFront(), delegate->settingsSubController());
    EXPECT_EQ(bar().topButtonsView()->selectedButton(), std::nullopt);

    clickRow(MainTopTab::home);
    EXPECT_EQ(tabInFront(), delegate->mainSubController());
    EXPECT_FALSE(delegate->supportSubController()->view()->isVisible());

    // Closed and opened again, the window keeps its last tab.
    clickRow(MainTopTab::support);
    delegate->generalWindowViewController()->close();
    run();
    bringClientForward();
    advance(0.2);
    EXPECT_EQ(tabInFront(), delegate->supportSubController());
}

TEST_F(MainWindowTest, ALaterStartWithItsDesktopsTokenBringsTheShownWindowForward) {
    QWidget other; // another window took the focus
    other.show();
    other.activateWindow();
    ASSERT_TRUE(testsupport::waitUntil([&] { return QApplication::activeWindow() == &other; }));
    ASSERT_EQ(secondLaunch({}, QStringLiteral("launcher-3_TIME99")),
              platform::UrlEvents::LaunchDecision::secondaryForwarded);
    EXPECT_TRUE(
        testsupport::waitUntil([&] { return QApplication::activeWindow() == general().view()->window(); }));
    EXPECT_TRUE(platform::Application::instance()->activationToken().isEmpty()) << "spent on that window";
}

TEST_F(MainWindowTest, SigningOutClosesTheWindowAndTheSignOutWindowFollowsHalfASecondLater) {
    QTest::mouseClick(bar().bottomHButtonsView()->logoutButton(), Qt::LeftButton);
    run();
    EXPECT_FALSE(shownWindow().contains(QStringLiteral("main"))) << shownWindow();
    EXPECT_FALSE(shownWindow().contains(QStringLiteral("signOut"))) << shownWindow();
    advance(0.49);
    EXPECT_FALSE(shownWindow().contains(QStringLiteral("signOut"))) << shownWindow();
    advance(0.02);
    EXPECT_TRUE(shownWindow().contains(QStringLiteral("signOut"))) << shownWindow();
}

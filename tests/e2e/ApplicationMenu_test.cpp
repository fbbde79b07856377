// The application menu's keys in the client's windows on the demo workspace: Ctrl+H hides the windows and
// leaves the tray, Ctrl+Q quits as the quit rule allows, F1 opens the support tab.
#include "e2e/ClientHarness.h"

#include "mainwindow/GeneralViewController.h"
#include "menus/MainMenuController.h"
#include "settings/SupportSubController.h"

#include <QTest>

using namespace e2e;

namespace {

constexpr double tunnelSeconds = 5;

class ApplicationMenuTest : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
        advance(0.2);
    }

    QWidget* mainWindow() const { return delegate->generalWindowViewController()->window(); }

    // A key pressed while `window` has the focus, as a user presses it.
    void press(QWidget* window, QKeyCombination key) {
        QApplication::setActiveWindow(window);
        ASSERT_EQ(QApplication::activeWindow(), window);
        QTest::keyClick(window, key.key(), key.keyboardModifiers());
        run();
    }
};

} // namespace

TEST_F(ApplicationMenuTest, TitlesNameTheProduct) {
    const QString name = ServiceLayer::appModel().appProductName();
    const MainMenuController* menu = delegate->mainMenuController();
    ASSERT_NE(menu, nullptr);
    QStringList titles;
    for (const QAction* item : menu->applicationMenu()->actions()) {
        if (!item->isSeparator()) {
            titles << item->text();
        }
    }
    EXPECT_EQ(titles, (QStringList{"About " + name, "Hide " + name, name + " Help", "Quit " + name}));
}

TEST_F(ApplicationMenuTest, HideLeavesTheTrayAndTheNewsAndTheWindowsComeBackWhenTheClientIsStartedAgain) {
    press(mainWindow(), Qt::CTRL | Qt::Key_H);
    EXPECT_FALSE(mainWindow()->isVisible());
    EXPECT_TRUE(trayItem() && trayItem()->isVisible()) << "the tray stays";
    EXPECT_FALSE(isQuickAccessShown());

    // With its windows hidden the client announces the news on the desktop.
    const QString network = VeltrixXPC::currentNetwork()->displayTitle();
    ASSERT_TRUE(chooseInTrayMenu("Connect"));
    advance(tunnelSeconds);
    EXPECT_TRUE(std::ranges::any_of(notificationsPosted(), [&](const QString& posted) {
        return posted.startsWith("Connected to " + network);
    })) << notificationsPosted();
    EXPECT_FALSE(mainWindow()->isVisible());

    bringClientForward();
    EXPECT_TRUE(mainWindow()->isVisible());
}

TEST_F(ApplicationMenuTest, HideInTheQuickAccessWindowClosesIt) {
    if (!isQuickAccessShown()) {
        clickTrayIcon();
    }
    ASSERT_TRUE(isQuickAccessShown());
    press(quickAccess()->window(), Qt::CTRL | Qt::Key_H);
    EXPECT_FALSE(isQuickAccessShown());
    EXPECT_EQ(shownWindow(), QString());
}

TEST_F(ApplicationMenuTest, QuitClosesTheWindowAndTheClientStaysInTheTray) {
    press(mainWindow(), Qt::CTRL | Qt::Key_Q);
    EXPECT_EQ(shownWindow(), QString()) << "a person's quit closes the window; the client keeps the tunnel";
    EXPECT_TRUE(trayItem() && trayItem()->isVisible());
    bringClientForward();
    EXPECT_TRUE(mainWindow()->isVisible()) << "the client still runs and comes forward";
}

TEST_F(ApplicationMenuTest, HelpOpensTheSupportTab) {
    ASSERT_NE(tabInFront(), delegate->supportSubController());
    press(mainWindow(), Qt::Key_F1);
    advance(0.2); // the tab's fade
    EXPECT_EQ(tabInFront(), delegate->supportSubController());
}

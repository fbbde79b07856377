#include "mainwindow/GeneralViewController.h"
#include "mainwindow/GeneralWindowController.h"

#include "core/ApplicationModel.h"
#include "core/ServiceLayer.h"
#include "platform/ManualScheduler.h"
#include "sdk/testing/Driver.h"
#include "support/FakeRouter.h"
#include "support/RoutedTest.h"
#include "toolkit/ViewAnimation.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

QPoint middleOf(const QWidget* widget) {
    return widget->rect().center();
}

void clickTopRow(MainMenuBarView& bar, MainTopTab tab) {
    TableView* table = bar.topButtonsView()->topMenuTableView();
    TableRowView* row = table->rowViewAtRow(static_cast<int>(tab));
    ASSERT_NE(row, nullptr);
    QTest::mouseClick(row, Qt::LeftButton, {}, middleOf(row));
}

// Writes down each click the bar passes up, with what the other bar shows at that moment.
class RecordingBarDelegate : public MainMenuBarViewDelegate {
public:
    explicit RecordingBarDelegate(MainMenuBarView& bar) : m_bar(bar) {}

    QStringList calls;

    void homeTapped() override { calls << QStringLiteral("home") + bottomState(); }
    void networksTapped() override { calls << QStringLiteral("networks") + bottomState(); }
    void supportTapped() override { calls << QStringLiteral("support") + bottomState(); }
    void settingsTapped() override {
        const auto top = m_bar.topButtonsView()->selectedButton();
        calls << QStringLiteral("settings, top ") + (top ? titleOf(*top) : QStringLiteral("none"));
    }
    void logoutTapped() override { calls << QStringLiteral("logout"); }

private:
    QString bottomState() const {
        return m_bar.bottomHButtonsView()->selectedButton() ? QStringLiteral(", settings marked")
                                                            : QStringLiteral(", nothing marked");
    }
    MainMenuBarView& m_bar;
};

class GeneralViewControllerTest : public RoutedTest {
protected:
    void SetUp() override {
        general.setTabController(MainMenuBarTab::topTab(MainTopTab::home), &home);
        general.setTabController(MainMenuBarTab::topTab(MainTopTab::networks), &networks);
        general.setTabController(MainMenuBarTab::topTab(MainTopTab::support), &support);
        general.setTabController(MainMenuBarTab::bottomTab(MainBottomTab::settings), &settings);
    }

    void showWindow() {
        window.showWindow();
        scheduler.advance(1.0);
    }

    GeneralSubController home;
    GeneralSubController networks;
    GeneralSubController support;
    GeneralSubController settings;
    GeneralWindowController window;
    GeneralViewController& general = *qobject_cast<GeneralViewController*>(window.contentViewController());
};

} // namespace

TEST_F(GeneralViewControllerTest, HomeShowsOnlyAtTheFirstAppearanceAndEachTabKeepsItsInstance) {
    showWindow();
    EXPECT_EQ(general.embeddedController(), &home);
    EXPECT_EQ(general.menuBarView()->topButtonsView()->selectedButton(), MainTopTab::home);
    EXPECT_TRUE(home.isAppeared());

    clickTopRow(*general.menuBarView(), MainTopTab::networks);
    scheduler.advance(1.0);
    EXPECT_EQ(general.embeddedController(), &networks);
    EXPECT_TRUE(networks.isAppeared());
    EXPECT_FALSE(home.isAppeared());
    EXPECT_EQ(general.childViewControllers(), QList<platform::ViewController*>{&networks});

    window.close();
    showWindow();
    EXPECT_EQ(general.embeddedController(), &networks) << "the last tab stays across closing";
    EXPECT_EQ(general.menuBarView()->topButtonsView()->selectedButton(), MainTopTab::networks);

    general.selectTab(MainMenuBarTab::topTab(MainTopTab::home));
    scheduler.advance(1.0);
    EXPECT_EQ(general.embeddedController(), &home);
    EXPECT_EQ(home.presentingViewController(), &general);
    EXPECT_EQ(networks.presentingViewController(), nullptr);
}

TEST_F(GeneralViewControllerTest, ATabFadesInBesideTheBarAndLeavesNothingRunning) {
    showWindow();
    general.selectTab(MainMenuBarTab::bottomTab(MainBottomTab::settings));
    QWidget* view = settings.view();
    EXPECT_EQ(alphaValue(view), 0.0);
    scheduler.advance(0.05);
    EXPECT_GT(alphaValue(view), 0.0);
    EXPECT_LT(alphaValue(view), 1.0);
    scheduler.advance(0.06);
    EXPECT_EQ(alphaValue(view), 1.0);
    EXPECT_EQ(view->graphicsEffect(), nullptr);
    EXPECT_EQ(home.view()->graphicsEffect(), nullptr);
    EXPECT_TRUE(home.view()->isHidden()) << "the previous tab faded out with it";
    EXPECT_EQ(view->geometry().left(), general.menuBarView()->width());
    EXPECT_EQ(view->geometry().right(), general.view()->width() - 1);
    EXPECT_EQ(view->height(), general.view()->height());
    scheduler.advance(0.05); // a stopped animation's last tick, already on its way, runs out
    EXPECT_EQ(scheduler.pendingCount(), 0u) << "an idle window wakes nothing";
}

TEST_F(GeneralViewControllerTest, SelectingTheShownTabMarksItWithoutPresentingItAgain) {
    showWindow();
    general.selectTab(MainMenuBarTab::bottomTab(MainBottomTab::settings));
    scheduler.advance(1.0);
    general.selectTab(MainMenuBarTab::bottomTab(MainBottomTab::settings));
    EXPECT_EQ(alphaValue(settings.view()), 1.0) << "no second fade";
    EXPECT_EQ(general.presentedViewControllers(), QList<platform::ViewController*>{&settings});
    EXPECT_EQ(general.menuBarView()->topButtonsView()->selectedButton(), std::nullopt);
    EXPECT_TRUE(general.menuBarView()->bottomHButtonsView()->settingsButton()->isSelected());

    general.selectTab(MainMenuBarTab::bottomTab(MainBottomTab::logout)); // never embedded
    EXPECT_EQ(general.embeddedController(), &settings);
}

TEST_F(GeneralViewControllerTest, OnlyARegisteredTabBringsTheHomeTabForward) {
    showWindow();
    GeneralSubController replacement;
    general.setTabController(MainMenuBarTab::topTab(MainTopTab::networks), &replacement);
    struct Case {
        GeneralSubController* asking;
        bool homeShown;
    };
    for (const Case& c : {Case{&networks, false}, Case{&replacement, true}}) {
        general.selectTab(MainMenuBarTab::bottomTab(MainBottomTab::settings));
        scheduler.advance(1.0);
        emit c.asking->homeTabRequested();
        scheduler.advance(1.0);
        EXPECT_EQ(general.embeddedController() == &home, c.homeShown) << c.asking;
        EXPECT_EQ(general.menuBarView()->topButtonsView()->selectedButton() == MainTopTab::home, c.homeShown);
    }
}

TEST_F(GeneralViewControllerTest, TheSignOutButtonClosesTheWindowNowAndAsksForTheSignOutWindowLater) {
    showWindow();
    general.selectTab(MainMenuBarTab::topTab(MainTopTab::support));
    scheduler.advance(1.0);
    QTest::mouseClick(general.menuBarView()->bottomHButtonsView()->logoutButton(), Qt::LeftButton);
    EXPECT_FALSE(window.isWindowVisible());
    EXPECT_EQ(router.count(QStringLiteral("showSignOutWindow")), 0);
    scheduler.advance(0.49);
    EXPECT_EQ(router.count(QStringLiteral("showSignOutWindow")), 0);
    scheduler.advance(0.02);
    EXPECT_EQ(router.count(QStringLiteral("showSignOutWindow")), 1);
    EXPECT_EQ(general.menuBarView()->topButtonsView()->selectedButton(), MainTopTab::support)
        << "signing out selects nothing";
}

TEST_F(GeneralViewControllerTest, TheVersionLabelNamesTheRecentUserWhenThereIsOne) {
    const ApplicationModel& model = ServiceLayer::appModel();
    const QString version = model.appVersion() + QLatin1Char('.') + model.appBuildNumber();
    const auto labelFor = [&](std::optional<QString> user) {
        driver.editState([&](sdk::SimulationState& state) { state.recentUserName = user; });
        general.updateVersionLabel();
        return general.appVersionField()->text();
    };
    EXPECT_EQ(labelFor(std::nullopt), version);
    EXPECT_EQ(labelFor(QString()), QStringLiteral(" - ") + version);
    EXPECT_EQ(labelFor(QStringLiteral("<b>Alex</b>")), QStringLiteral("<b>Alex</b> - ") + version);
    EXPECT_EQ(general.appVersionField()->textFormat(), Qt::PlainText);

    driver.editState([](sdk::SimulationState& state) { state.recentUserName = QStringLiteral("Robin"); });
    showWindow(); // every appearance refreshes it
    EXPECT_EQ(general.appVersionField()->text(), QStringLiteral("Robin - ") + version);
}

TEST(MainMenuBarView, EachBarReportsItsClickBeforeTheOtherBarIsCleared) {
    MainMenuBarView bar;
    bar.resize(MainMenuBarView::barWidth, 500);
    bar.show();
    RecordingBarDelegate delegate(bar);
    bar.setDelegate(&delegate);
    EXPECT_TRUE(bar.swPoweredByVTXField()->isHidden());

    bar.selectBottomTab(MainBottomTab::settings);
    clickTopRow(bar, MainTopTab::networks);
    clickTopRow(bar, MainTopTab::networks); // again: the container is told again
    QTest::mouseClick(bar.bottomHButtonsView()->settingsButton(), Qt::LeftButton);
    EXPECT_EQ(bar.topButtonsView()->selectedButton(), std::nullopt);
    EXPECT_TRUE(bar.bottomHButtonsView()->settingsButton()->isSelected());
    QTest::mouseClick(bar.bottomHButtonsView()->logoutButton(), Qt::LeftButton);
    EXPECT_EQ(bar.bottomHButtonsView()->selectedButton(), MainBottomTab::settings)
        << "sign-out marks nothing";
    clickTopRow(bar, MainTopTab::support);
    EXPECT_FALSE(bar.bottomHButtonsView()->settingsButton()->isSelected());

    EXPECT_EQ(delegate.calls, (QStringList{QStringLiteral("networks, settings marked"),
                                           QStringLiteral("networks, nothing marked"),
                                           QStringLiteral("settings, top Networks"), QStringLiteral("logout"),
                                           QStringLiteral("support, settings marked")}));
}

TEST(MainMenuBarView, TheSelectedRowIsFilledAndTheHoveredRowTinted) {
    MainTopButtonsView topBar;
    topBar.resize(168, 200);
    topBar.show();
    topBar.select(MainTopTab::networks);
    HoverableTableView* table = topBar.topMenuTableView();
    const auto pixelIn = [&](int row) {
        const QRect rect = table->rectOfRow(row);
        return table->viewport()->grab().toImage().pixelColor(rect.right() - 6, rect.center().y());
    };
    EXPECT_EQ(pixelIn(1), QColor(0x26, 0x64, 0xCB));
    EXPECT_EQ(qobject_cast<SelectableTableRowView*>(table->rowViewAtRow(1))->cornerRadius(), 4.0);

    const QColor plain = pixelIn(2);
    table->hoverRow(2);
    const QColor hovered = pixelIn(2);
    const double a = double(0x40) / 255.0;
    EXPECT_NEAR(hovered.red(), plain.red() * (1 - a) + 0x26 * a, 2);
    EXPECT_NEAR(hovered.green(), plain.green() * (1 - a) + 0x64 * a, 2);
    EXPECT_NEAR(hovered.blue(), plain.blue() * (1 - a) + 0xCB * a, 2);

    // Without a delegate the click still selects.
    QTest::mouseClick(table->rowViewAtRow(0), Qt::LeftButton);
    EXPECT_EQ(topBar.selectedButton(), MainTopTab::home);
    EXPECT_EQ(pixelIn(0), QColor(0x26, 0x64, 0xCB));
}

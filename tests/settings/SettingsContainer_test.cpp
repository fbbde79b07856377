// The settings page's tab bar and its pages: what is embedded, how the tabs are marked, and which page
// reloads when.
#include "SettingsTestSupport.h"

#include "platform/NotificationCenter.h"
#include "settings/SettingsGeneralController.h"
#include "settings/SettingsNetworkController.h"
#include "settings/SettingsProtocolController.h"
#include "toolkit/SwitchControl.h"

namespace {

class SettingsContainerTest : public SettingsPageTest {
protected:
    SettingsContainerTest() {
        container.setPages(&general, &network, &protocols);
        container.view()->resize(680, 600);
    }

    // The tab bar as a user reads it: the titles in white with an underline, the others in secondary blue.
    QStringList markedTabs() const {
        QStringList marked;
        SettingsMenuView* bar = container.settingsTopMenuView();
        for (SettingsTabView* tab : {bar->generalTabView(), bar->networkTabView(), bar->protocolTabView()}) {
            const bool white = tab->titleButton()->palette().color(QPalette::ButtonText) == QColor(Qt::white);
            if (white && tab->underlineView()->isVisibleTo(tab)) {
                marked << tab->titleButton()->text();
            }
        }
        return marked;
    }
    bool isShown(platform::ViewController& page) const {
        return page.isViewLoaded() && page.view()->isVisible();
    }

    SettingsGeneralController general;
    SettingsNetworkController network;
    SettingsProtocolController protocols;
    SettingsContainerController container;
};

} // namespace

TEST_F(SettingsContainerTest, TheFirstVisitShowsGeneralAndEachTapShowsItsPageOnce) {
    container.view()->show();
    run();
    EXPECT_EQ(container.embedViewController(), &general);
    EXPECT_TRUE(isShown(general));
    EXPECT_EQ(markedTabs(), QStringList{"General"});
    const QColor unselected =
        container.settingsTopMenuView()->networkTabView()->titleButton()->palette().color(
            QPalette::ButtonText);
    EXPECT_EQ(unselected, QColor(0x6F, 0x9C, 0xD9));

    container.settingsTopMenuView()->networkTabView()->titleButton()->click();
    run();
    EXPECT_EQ(markedTabs(), QStringList{"Network"});
    EXPECT_TRUE(isShown(network));
    EXPECT_FALSE(isShown(general));
    EXPECT_EQ(container.childViewControllers(), QList<platform::ViewController*>{&network});

    // The page shown already is not presented again.
    container.settingsTopMenuView()->networkTabView()->titleButton()->click();
    run();
    EXPECT_EQ(container.presentedViewControllers(), QList<platform::ViewController*>{&network});

    // Leaving the settings and coming back keeps the page last chosen.
    container.view()->hide();
    container.view()->show();
    run();
    EXPECT_EQ(container.embedViewController(), &network);
    EXPECT_TRUE(isShown(network));
}

TEST_F(SettingsContainerTest, ATabWithoutItsTabIgnoresTaps) {
    SettingsTabView tab;
    struct Recorder : SettingsTabViewDelegate {
        int taps = 0;
        void tabTapped(SettingsMenuTab) override { ++taps; }
    } recorder;
    tab.setDelegate(&recorder);
    tab.titleButton()->click();
    EXPECT_EQ(recorder.taps, 0);
    tab.setup(SettingsMenuTab::protocols, false);
    tab.titleButton()->click();
    EXPECT_EQ(recorder.taps, 1);
}

TEST_F(SettingsContainerTest, OnlyThePageOnScreenFollowsSettingsUpdates) {
    editSettings([](PDSettings& s) { s.crashReports = PDSettingBoolItem(false, false); });
    container.view()->show();
    run();
    const auto crashSwitch = [&] {
        auto* cell = qobject_cast<SettingsSwitchViewCell*>(general.cellFor(SettingsGeneralItem::crashReport));
        return cell ? cell->settingSwitch() : nullptr;
    };
    ASSERT_NE(crashSwitch(), nullptr);
    EXPECT_FALSE(crashSwitch()->on());

    editSettings([](PDSettings& s) { s.crashReports.value = true; });
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("settingsUpdated"));
    EXPECT_FALSE(crashSwitch()->on()) << "the reload waits for the main queue";
    run();
    EXPECT_TRUE(crashSwitch()->on());

    // A connection change reloads the page on screen through the container.
    editSettings([](PDSettings& s) { s.crashReports.value = false; });
    container.refreshEmbeddedPage();
    run();
    EXPECT_FALSE(crashSwitch()->on());

    // A page off screen hears nothing and catches up when it is shown again.
    container.settingsTopMenuView()->protocolTabView()->titleButton()->click();
    run();
    editSettings([](PDSettings& s) { s.crashReports.value = true; });
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("settingsUpdated"));
    run();
    ASSERT_NE(crashSwitch(), nullptr);
    EXPECT_FALSE(crashSwitch()->on()) << "a page off screen does not reload";
    container.settingsTopMenuView()->generalTabView()->titleButton()->click();
    run();
    EXPECT_TRUE(crashSwitch()->on());
}

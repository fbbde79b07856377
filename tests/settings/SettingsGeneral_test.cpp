// The General page: which rows are locked and why, what each switch changes, the automatic-updates timer
// and the check for updates.
#include "SettingsTestSupport.h"

#include "core/ServiceLayer.h"
#include "core/SilentUpdateService.h"
#include "settings/PopoverTroubleshootingView.h"
#include "settings/SettingsGeneralController.h"
#include "toolkit/ModalViewController.h"
#include "toolkit/SwitchControl.h"

#include <map>

namespace {

using Badge = ProtocolIndicatorViewState;
using Item = SettingsGeneralItem;

class SettingsGeneralTest : public SettingsPageTest {
protected:
    ~SettingsGeneralTest() override { ServiceLayer::shared().silentUpdateService().resetTimer(); }

    SettingsSwitchViewCell* cell(Item item) const {
        return qobject_cast<SettingsSwitchViewCell*>(page.cellFor(item));
    }
    // What the row shows at its right edge: its badge, or none while its switch is there.
    std::optional<Badge> badgeOf(Item item) const {
        SettingsSwitchViewCell* row = cell(item);
        if (!row || row->settingSwitch()->isVisible()) {
            return std::nullopt;
        }
        return row->indicatorView()->isVisible() ? row->indicatorView()->indicatorType() : std::nullopt;
    }
    void flip(Item item) {
        ASSERT_NE(cell(item), nullptr);
        click(cell(item)->settingSwitch());
        run();
    }

    SettingsGeneralController page;
};

} // namespace

TEST_F(SettingsGeneralTest, LockedRowsShowTheBadgeThatSaysWhy) {
    const struct {
        const char* name;
        bool alwaysOn;
        bool enforced; // every workspace setting of the page
        std::map<Item, Badge> badges;
    } cases[] = {
        {"free", false, false, {}},
        {"Always-On overrides Connect On Launch",
         true,
         false,
         {{Item::connectOnLaunch, Badge::setByAdminAlwaysOn}}},
        {"enforced by the administrator",
         false,
         true,
         {{Item::connectOnLaunch, Badge::setByAdmin},
          {Item::enableNotifications, Badge::setByAdmin},
          {Item::automaticUpdates, Badge::setByAdmin},
          {Item::crashReport, Badge::setByAdmin}}},
        {"both",
         true,
         true,
         {{Item::connectOnLaunch, Badge::setByAdminAlwaysOn},
          {Item::enableNotifications, Badge::setByAdmin},
          {Item::automaticUpdates, Badge::setByAdmin},
          {Item::crashReport, Badge::setByAdmin}}},
    };
    show(page);
    for (const auto& each : cases) {
        SCOPED_TRACE(each.name);
        editSettings([&](PDSettings& s) {
            for (auto item : {PDGeneralSettingItem::connectOnLaunch, PDGeneralSettingItem::notifications,
                              PDGeneralSettingItem::automaticUpdates, PDGeneralSettingItem::crashReports}) {
                s.item(item).isEnforced = each.enforced;
            }
            s.alwaysOn = PDSettingBoolItem(false, each.alwaysOn);
        });
        driver.setAlwaysOn(each.alwaysOn);
        page.reloadSettingsPage();
        run();
        for (Item item : settingsGeneral::allItems()) {
            if (item == Item::appVersion) {
                continue;
            }
            const auto expected = each.badges.find(item);
            const std::optional<Badge> badge =
                expected == each.badges.end() ? std::nullopt : std::optional(expected->second);
            EXPECT_EQ(badgeOf(item), badge) << settingsGeneral::title(item).toStdString();
            const QColor title = cell(item)->settingTitleField()->palette().color(QPalette::WindowText);
            EXPECT_EQ(title.alpha() < 255, badge.has_value()) << "a locked title is dimmed";
        }
    }
}

TEST_F(SettingsGeneralTest, EachSwitchChangesItsSettingAndReportsIt) {
    const struct {
        Item item;
        std::optional<int> sdkItem; // none: the preference
        int onEvent;
        int offEvent;
    } cases[] = {
        {Item::startMinimized, std::nullopt, 23, 24},
        {Item::connectOnLaunch, 0, 25, 26},
        {Item::enableNotifications, 1, 27, 28},
        {Item::crashReport, 3, 30, 31},
    };
    editSettings([](PDSettings& s) {
        for (auto item : {PDGeneralSettingItem::connectOnLaunch, PDGeneralSettingItem::notifications,
                          PDGeneralSettingItem::crashReports}) {
            s.item(item) = PDSettingBoolItem(false, false);
        }
    });
    show(page);
    for (const auto& each : cases) {
        SCOPED_TRACE(settingsGeneral::title(each.item).toStdString());
        for (bool on : {true, false}) {
            driver.clearCalls();
            const auto before = events().size();
            flip(each.item);
            if (each.sdkItem) {
                const auto call = driver.lastCall("setGeneralSetting");
                ASSERT_TRUE(call.has_value());
                EXPECT_EQ(call->arguments.value("item").toInt(), *each.sdkItem);
                EXPECT_EQ(call->arguments.value("isOn").toBool(), on);
                EXPECT_EQ(VeltrixXPC::settings().item(PDGeneralSettingItem(*each.sdkItem)).value, on);
            } else {
                EXPECT_EQ(platform::UserDefaults::standard().boolForKey(SettingsUserDefaults::startMinimized),
                          on);
                EXPECT_FALSE(driver.lastCall("setGeneralSetting").has_value());
            }
            ASSERT_EQ(events().size(), before + 1);
            EXPECT_EQ(events().back().type, on ? each.onEvent : each.offEvent);
            EXPECT_EQ(events().back().triggeredBy.title, settingsGeneral::title(each.item));
        }
    }
}

TEST_F(SettingsGeneralTest, AutomaticUpdatesStartTheSilentUpdateTimerOnlyWhileDisconnected) {
    SilentUpdateService& silentUpdate = ServiceLayer::shared().silentUpdateService();
    const struct {
        SDVPNConnectionState state;
        bool on;
        bool timerBefore;
        bool timerAfter;
    } cases[] = {
        {SDVPNConnectionState::disconnected, true, false, true},
        {SDVPNConnectionState::connected, true, false, false},
        {SDVPNConnectionState::connecting, true, false, false},
        {SDVPNConnectionState::reconnecting, true, false, false},
        {SDVPNConnectionState::disconnected, false, true, false},
        {SDVPNConnectionState::connected, false, true, false},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(static_cast<int>(each.state) * 10 + each.on);
        silentUpdate.resetTimer();
        if (each.timerBefore) {
            silentUpdate.startTimer();
        }
        driver.setConnectionState(each.state);
        const auto before = events().size();
        page.changeSetting(Item::automaticUpdates, each.on);
        run();
        EXPECT_EQ(silentUpdate.isTimerRunning(), each.timerAfter);
        EXPECT_EQ(driver.lastCall("setGeneralSetting")->arguments.value("item").toInt(), 2);
        EXPECT_EQ(events().size(), before) << "the row sends no event";
    }
}

TEST_F(SettingsGeneralTest, WithNoNewerVersionTheCheckShowsTheLatestVersionCardOverTheMainWindow) {
    PDAppConfig config = driver.state().appConfig;
    config.offeredVersion.clear();
    driver.setAppConfig(config);
    // Without the container and the main window around it the check shows nothing.
    show(page);
    page.checkForUpdatesTapped();
    run();
    EXPECT_EQ(page.appInfoModal(), nullptr);

    platform::ViewController window;
    SettingsContainerController container;
    container.setPages(&page, nullptr, nullptr);
    window.view()->resize(880, 600);
    window.addChildViewController(&container);
    window.presentViewController(&container);
    window.view()->show();
    run();
    ASSERT_EQ(container.embedViewController(), &page);

    auto* row = qobject_cast<SettingsUpdateViewCell*>(page.cellFor(Item::appVersion));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->settingTitleField()->text(), "Version 1.0.0 (1)");
    click(row->checkUpdatesButton());
    scheduler.advance(0.3);
    auto* modal = qobject_cast<ModalViewController*>(page.appInfoModal());
    ASSERT_NE(modal, nullptr);
    EXPECT_EQ(modal->presentingViewController(), &window);
    auto* card = modal->popoverAs<PopoverAppInfoView>(ModalViewControllerType::appInfoView);
    ASSERT_NE(card, nullptr);
    EXPECT_TRUE(card->isVisible());
    EXPECT_EQ(card->appVersionField()->text(), "Latest version is installed: 1.0.0.1");
    ASSERT_FALSE(events().empty());
    EXPECT_EQ(events().back().type, 29);
    EXPECT_EQ(events().back().triggeredBy.title, "Check for Updates");
    EXPECT_FALSE(router.calls.contains("showUpdateSheet"));

    click(card->okButton());
    scheduler.advance(0.3);
    EXPECT_EQ(page.appInfoModal(), nullptr);
}

TEST_F(SettingsGeneralTest, WithANewerVersionTheCheckAsksTheRouterForTheUpdateSheetHalfASecondLater) {
    show(page); // the demo offers 2.1.0
    page.checkForUpdatesTapped();
    scheduler.advance(0.4);
    EXPECT_EQ(router.count("showUpdateSheet"), 0);
    scheduler.advance(0.1);
    EXPECT_EQ(router.count("showUpdateSheet"), 1);
    EXPECT_EQ(page.appInfoModal(), nullptr);
}

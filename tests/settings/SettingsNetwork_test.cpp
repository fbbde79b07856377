// The Network page: the rows shown for each combination of its switches and the enforced list, the locks
// and badges, and what a switch changes.
#include "SettingsTestSupport.h"

#include "core/ApplicationModel.h"
#include "core/ServiceLayer.h"
#include "settings/SettingsNetworkController.h"
#include "toolkit/SwitchControl.h"

namespace {

using Badge = ProtocolIndicatorViewState;
using Item = SettingsNetworkItem;

class SettingsNetworkTest : public SettingsPageTest {
protected:
    ~SettingsNetworkTest() override { ServiceLayer::appModel().setVpnSettingsChangingDisabled(false); }

    SettingsNetworkViewCell* cell(Item item) const {
        return qobject_cast<SettingsNetworkViewCell*>(page.cellFor(item));
    }
    std::optional<Badge> badgeOf(Item item) const {
        SettingsNetworkViewCell* row = cell(item);
        return row && row->indicatorView()->isVisible() ? row->indicatorView()->indicatorType()
                                                        : std::nullopt;
    }
    int shownRows() const { return page.settingsTableView()->numberOfRows(); }
    void reload() {
        page.reloadSettingsPage();
        run();
    }

    SettingsNetworkController page;
};

} // namespace

TEST_F(SettingsNetworkTest, RowsFollowTheThreeSwitchesAndTheEnforcedList) {
    const struct {
        bool alwaysOn, wifiSecurity, trusted, listEnforced;
        int rows;
        bool trustedOn, trustedEnabled;
        std::optional<Badge> trustedBadge;
    } cases[] = {
        {true, false, false, false, 3, false, false, Badge::alwaysOn},
        {true, false, false, true, 3, false, false, Badge::alwaysOn},
        {true, false, true, false, 3, false, false, Badge::alwaysOn},
        {true, false, true, true, 3, false, false, Badge::alwaysOn},
        {true, true, false, false, 3, false, false, Badge::alwaysOn},
        {true, true, false, true, 3, false, false, Badge::alwaysOn},
        {true, true, true, false, 3, false, false, Badge::alwaysOn},
        {true, true, true, true, 3, false, false, Badge::alwaysOn},
        {false, false, false, false, 3, false, false, std::nullopt},
        {false, false, false, true, 3, false, false, Badge::setByAdmin},
        {false, false, true, false, 3, false, false, std::nullopt},
        {false, false, true, true, 3, false, false, Badge::setByAdmin},
        {false, true, false, false, 3, false, true, std::nullopt},
        {false, true, false, true, 4, true, false, Badge::setByAdmin},
        {false, true, true, false, 4, true, true, std::nullopt},
        {false, true, true, true, 4, true, false, Badge::setByAdmin},
    };
    show(page);
    for (const auto& each : cases) {
        SCOPED_TRACE(testing::Message()
                     << each.alwaysOn << each.wifiSecurity << each.trusted << each.listEnforced);
        editSettings([&](PDSettings& s) {
            s.alwaysOn = PDSettingBoolItem(false, each.alwaysOn);
            s.wifiSecurity = PDSettingBoolItem(false, each.wifiSecurity);
            s.trustedNetworks = PDSettingBoolItem(false, each.trusted);
            s.trustedNetworksList.isEnforced = each.listEnforced;
        });
        driver.setAlwaysOn(each.alwaysOn);
        reload();
        ASSERT_EQ(shownRows(), each.rows);
        EXPECT_EQ(cell(Item::killSwitch), nullptr) << "the kill switch is never shown";
        SettingsNetworkViewCell* trusted = cell(Item::trustedNetworks);
        ASSERT_NE(trusted, nullptr);
        EXPECT_EQ(trusted->settingSwitch()->on(), each.trustedOn);
        EXPECT_EQ(trusted->settingSwitch()->isEnabled(), each.trustedEnabled);
        EXPECT_EQ(badgeOf(Item::trustedNetworks), each.trustedBadge);
        EXPECT_EQ(badgeOf(Item::wiFiSecurity), each.alwaysOn ? std::optional(Badge::alwaysOn) : std::nullopt);
        EXPECT_EQ(badgeOf(Item::alwaysOn), std::nullopt) << "Always-On keeps its switch unless enforced";
        if (each.rows == 4) {
            EXPECT_EQ(page.heightOfRow(*page.settingsTableView(), 3), 2 * 38 + 81) << "the demo trusts two";
        }
    }
}

TEST_F(SettingsNetworkTest, AlwaysOnShowsTheLiveStateWhileConnectedAndLocksOnlyWhenItMay) {
    editSettings([](PDSettings& s) { s.alwaysOn = PDSettingBoolItem(false, false); });
    show(page);
    const auto alwaysOnSwitch = [&] { return cell(Item::alwaysOn)->settingSwitch(); };
    driver.setConnectionState(SDVPNConnectionState::connected);
    driver.setAlwaysOn(true);
    driver.setPendingSettings([] {
        PDSettings pending = VeltrixXPC::settings();
        pending.alwaysOn.value = false; // a change waiting for the next disconnect
        return pending;
    }());
    reload();
    EXPECT_TRUE(alwaysOnSwitch()->on()) << "connected: the live value";
    driver.setConnectionState(SDVPNConnectionState::disconnected);
    reload();
    EXPECT_FALSE(alwaysOnSwitch()->on()) << "disconnected: the pending value";

    ServiceLayer::appModel().setVpnSettingsChangingDisabled(true);
    driver.setAlwaysOn(false);
    reload();
    EXPECT_FALSE(alwaysOnSwitch()->isEnabled());
    EXPECT_LT(cell(Item::alwaysOn)->settingTitleField()->palette().color(QPalette::WindowText).alpha(), 255);
    driver.setAlwaysOn(true);
    reload();
    EXPECT_TRUE(alwaysOnSwitch()->isEnabled()) << "Always-On that is on can always be turned off";

    editSettings([](PDSettings& s) { s.alwaysOn = PDSettingBoolItem(true, true); });
    reload();
    EXPECT_EQ(badgeOf(Item::alwaysOn), Badge::setByAdmin);
}

TEST_F(SettingsNetworkTest, ASwitchChangesTheSettingAndTheOtherRowsFollowAtOnce) {
    editSettings([](PDSettings& s) {
        s.alwaysOn = PDSettingBoolItem(false, false);
        s.wifiSecurity = PDSettingBoolItem(false, false);
        s.trustedNetworks = PDSettingBoolItem(false, true);
        s.trustedNetworksList.isEnforced = false;
    });
    show(page);
    ASSERT_EQ(shownRows(), 3);

    click(cell(Item::wiFiSecurity)->settingSwitch());
    EXPECT_EQ(shownRows(), 4) << "the list row comes with the same click";
    auto call = driver.lastCall("setNetworkSetting");
    ASSERT_TRUE(call.has_value());
    EXPECT_EQ(call->arguments.value("item").toInt(), 2);
    EXPECT_TRUE(call->arguments.value("isOn").toBool());
    EXPECT_EQ(eventTypes().back(), 37);
    EXPECT_EQ(events().back().triggeredBy.title, "Automatic Wi-Fi Security");

    click(cell(Item::alwaysOn)->settingSwitch());
    EXPECT_EQ(shownRows(), 3) << "Always-On drops the list";
    EXPECT_TRUE(cell(Item::wiFiSecurity)->settingSwitch()->on());
    EXPECT_FALSE(cell(Item::wiFiSecurity)->settingSwitch()->isEnabled());
    EXPECT_EQ(driver.lastCall("setNetworkSetting")->arguments.value("item").toInt(), 0);
    EXPECT_EQ(eventTypes().back(), 35);
    run();
    EXPECT_TRUE(VeltrixXPC::enableAlwaysON()) << "the stand-in applied it";

    click(cell(Item::alwaysOn)->settingSwitch());
    EXPECT_EQ(eventTypes().back(), 36);
    run();
    reload(); // as "settingsUpdated" does once the stand-in applied it
    click(cell(Item::trustedNetworks)->settingSwitch());
    EXPECT_EQ(driver.lastCall("setNetworkSetting")->arguments.value("item").toInt(), 3);
    EXPECT_EQ(eventTypes().back(), 42);
}

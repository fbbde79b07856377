// The trusted Wi-Fi list on the Network page, with the current network read from a NetworkManager served on
// a bus of the test's own.
#include "SettingsTestSupport.h"

#include "platform/WiFiSsidReader.h"
#include "settings/SettingsNetworkController.h"
#include "support/FakeNetworkManager.h"
#include "support/PrivateBus.h"
#include "support/TestSupport.h"

#include <QMessageBox>

namespace {

class TrustedNetworksTest : public SettingsPageTest {
protected:
    void SetUp() override {
        if (!bus.isValid() || !manager.start()) {
            GTEST_SKIP() << "dbus-daemon is not available";
        }
        wifi = manager.addDevice(fakenm::wifi);
        reader().start(bus.connect());
        editSettings([](PDSettings& s) {
            s.alwaysOn = PDSettingBoolItem(false, false);
            s.wifiSecurity = PDSettingBoolItem(false, true);
            s.trustedNetworks = PDSettingBoolItem(false, true);
            s.trustedNetworksList = {
                false,
                {PDWiFiNetwork("Northwind-Office", "Northwind-Office"), PDWiFiNetwork("Home", "Home")}};
        });
    }
    void TearDown() override { reader().stop(); }

    static platform::WiFiSsidReader& reader() { return platform::WiFiSsidReader::shared(); }

    // The machine joins a Wi-Fi network; the page then shows its row again, as it does when it appears.
    void join(const QByteArray& ssid) {
        manager.setNetwork(wifi, ssid);
        const QString key = platform::ssidKey(ssid);
        ASSERT_TRUE(testsupport::waitUntil([&] { return reader().currentSsid() == key; }));
        page.reloadSettingsPage();
        run();
    }
    SettingsTrustedNetworksViewCell* list() const {
        return qobject_cast<SettingsTrustedNetworksViewCell*>(
            page.cellFor(SettingsNetworkItem::trustedNetworksList));
    }
    QStringList shownNetworks() const {
        QStringList shown;
        TableView* table = list()->trustedNetworksTableView();
        for (int row = 0; row < table->numberOfRows(); ++row) {
            auto* item = qobject_cast<SettingsTrustedItemViewCell*>(table->viewAtRow(row));
            shown << (item ? item->networkTitleField()->text() : QString());
        }
        return shown;
    }
    QStringList trustedSsids() const {
        QStringList ssids;
        for (const PDWiFiNetwork& network : VeltrixXPC::settings().trustedNetworksList.value) {
            ssids << network.ssid;
        }
        return ssids;
    }
    SettingsTrustedItemViewCell* itemRow(int row) const {
        return qobject_cast<SettingsTrustedItemViewCell*>(list()->trustedNetworksTableView()->viewAtRow(row));
    }

    PrivateBus bus;
    fakenm::FakeNetworkManager manager{bus.connect()};
    QString wifi;
    SettingsNetworkController page;
};

} // namespace

TEST_F(TrustedNetworksTest, TheCurrentNetworkIsTrustedByItsSsidShownAsPlainText) {
    show(page);
    const QByteArray ssid = "<b>Lobby</b> \x01 guest network of the fourth floor and the roof terrace \xFF";
    join(ssid);
    const QString text = platform::ssidText(ssid);
    const QString key = platform::ssidKey(ssid);
    ASSERT_NE(list(), nullptr);
    EXPECT_EQ(list()->newTrustedNetworkTitleField()->text(), text);
    EXPECT_NE(list()->newTrustedNetworkTitleField()->shownText(), text) << "long names are elided";

    click(list()->addToTrustedButton());
    const auto call = driver.lastCall("userUpdateTrustedNetworks");
    ASSERT_TRUE(call.has_value());
    EXPECT_EQ(call->arguments.value("ssids").toStringList(), (QStringList{"Northwind-Office", "Home", key}));
    ASSERT_EQ(eventTypes().back(), 39);
    EXPECT_EQ(events().back().parameter(AnalyticsParameter::wifiSSID), key);

    run();
    EXPECT_EQ(shownNetworks(), (QStringList{"Northwind-Office", "Home", text}));
    EXPECT_EQ(list()->trustedNetworksTableView()->height(), 3 * 38);
    EXPECT_EQ(page.heightOfRow(*page.settingsTableView(), 3), 3 * 38 + 81);

    // The same bytes give the same text: the second add is a duplicate.
    driver.clearCalls();
    click(list()->addToTrustedButton());
    EXPECT_FALSE(driver.lastCall("userUpdateTrustedNetworks").has_value());
    ASSERT_NE(list()->duplicateAlert(), nullptr);
    list()->duplicateAlert()->close();

    // A name that differs only in a byte that is not text is another network, though it reads the same.
    QByteArray other = ssid;
    other.back() = '\xFE';
    ASSERT_EQ(platform::ssidText(other), text);
    join(other);
    click(list()->addToTrustedButton());
    ASSERT_TRUE(driver.lastCall("userUpdateTrustedNetworks").has_value());
    EXPECT_EQ(driver.lastCall("userUpdateTrustedNetworks")->arguments.value("ssids").toStringList(),
              (QStringList{"Northwind-Office", "Home", key, platform::ssidKey(other)}));
}

TEST_F(TrustedNetworksTest, WithoutWiFiNothingIsDetectedAndAddDoesNothing) {
    show(page);
    ASSERT_NE(list(), nullptr);
    EXPECT_EQ(list()->newTrustedNetworkTitleField()->text(), "Not detected");
    EXPECT_FALSE(list()->addToTrustedButton()->isEnabled());
    list()->addCurrentNetwork();
    run();
    EXPECT_FALSE(driver.lastCall("userUpdateTrustedNetworks").has_value());
    EXPECT_TRUE(events().empty());
}

TEST_F(TrustedNetworksTest, ADuplicateIsRefusedWithAWindowModalAlertAndNothingSent) {
    show(page);
    join("Home");
    click(list()->addToTrustedButton());
    QMessageBox* alert = list()->duplicateAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
    EXPECT_EQ(alert->text(), "Trusted Networks Notification");
    EXPECT_EQ(alert->informativeText(), "Network with provided SSID already added to trusted networks list");
    EXPECT_FALSE(driver.lastCall("userUpdateTrustedNetworks").has_value());
    EXPECT_TRUE(events().empty());
    alert->close();
}

TEST_F(TrustedNetworksTest, RemovingTakesEveryEntryOfThatSsid) {
    editSettings([](PDSettings& s) {
        s.trustedNetworksList.value = {PDWiFiNetwork("Cafe", "Cafe"), PDWiFiNetwork("Home", "Home"),
                                       PDWiFiNetwork("Cafe", "Cafe (5 GHz)")};
    });
    show(page);
    ASSERT_EQ(shownNetworks(), (QStringList{"Cafe", "Home", "Cafe (5 GHz)"}));
    click(itemRow(2)->removeButton());
    EXPECT_EQ(driver.lastCall("userUpdateTrustedNetworks")->arguments.value("ssids").toStringList(),
              QStringList{"Home"});
    EXPECT_EQ(eventTypes().back(), 40);
    EXPECT_EQ(events().back().triggeredBy.title, "Cafe (5 GHz)");
    EXPECT_EQ(events().back().parameter(AnalyticsParameter::wifiSSID), "Cafe");
    run();
    EXPECT_EQ(shownNetworks(), QStringList{"Home"});
    EXPECT_EQ(page.heightOfRow(*page.settingsTableView(), 3), 38 + 81);
}

TEST_F(TrustedNetworksTest, ChangesMadeBeforeTheSdkAppliedTheLastOneAllTakeEffect) {
    show(page);
    join("Lobby");
    click(list()->addToTrustedButton());
    click(itemRow(1)->removeButton());   // Home, before the add was applied
    click(list()->addToTrustedButton()); // Lobby again: already on its way
    ASSERT_NE(list()->duplicateAlert(), nullptr);
    list()->duplicateAlert()->close();
    run();
    EXPECT_EQ(trustedSsids(), (QStringList{"Northwind-Office", "Lobby"}));
    EXPECT_EQ(shownNetworks(), (QStringList{"Northwind-Office", "Lobby"}));
    EXPECT_EQ(driver.calls("userUpdateTrustedNetworks").size(), 2u);
    EXPECT_EQ(eventTypes(), (std::vector<int>{39, 40}));
}

TEST_F(TrustedNetworksTest, AListFixedByTheAdministratorOffersNoChange) {
    editSettings([](PDSettings& s) { s.trustedNetworksList.isEnforced = true; });
    show(page);
    join("Lobby");
    EXPECT_FALSE(list()->addToTrustedButton()->isVisible());
    ASSERT_NE(itemRow(0), nullptr);
    EXPECT_FALSE(itemRow(0)->removeButton()->isVisible());
    list()->addCurrentNetwork();
    list()->removeNetwork(PDWiFiNetwork("Home", "Home"));
    run();
    EXPECT_FALSE(driver.lastCall("userUpdateTrustedNetworks").has_value());
    EXPECT_EQ(trustedSsids(), (QStringList{"Northwind-Office", "Home"}));
}

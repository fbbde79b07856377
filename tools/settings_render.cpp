// Renders the settings page's tabs and the support tab in the main window to PNG files for review:
//   settings_render [output-folder]   (default: <build>/renders/settings)
// Runs on Qt's offscreen platform with virtual time, on the demo workspace. The current Wi-Fi network comes
// from a NetworkManager stand-in on a bus of the renderer's own.
#include "RenderOutput.h"
#include "core/ServiceLayer.h"
#include "mainwindow/GeneralViewController.h"
#include "mainwindow/GeneralWindowController.h"
#include "mainwindow/MainSubController.h"
#include "platform/UserDefaults.h"
#include "platform/WiFiSsidReader.h"
#include "sdk/VeltrixXPC.h"
#include "sdk/testing/Driver.h"
#include "settings/SettingsContainerController.h"
#include "settings/SettingsGeneralController.h"
#include "settings/SettingsNetworkController.h"
#include "settings/SettingsProtocolController.h"
#include "settings/SupportSubController.h"
#include "support/FakeNetworkManager.h"
#include "support/PrivateBus.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>

#include <cstdio>
#include <functional>

namespace {

void settle() {
    render::virtualTime().advance(1.0);
    QApplication::processEvents();
}

void save(QWidget* widget, const QString& name) {
    settle();
    render::save(widget, name);
}

// The main window with the settings page and the support tab over the demo workspace.
struct MainWindow {
    MainWindow() {
        settings.setPages(&general, &network, &protocols);
        main.setTabController(MainMenuBarTab::topTab(MainTopTab::home), &home);
        main.setTabController(MainMenuBarTab::topTab(MainTopTab::support), &support);
        main.setTabController(MainMenuBarTab::bottomTab(MainBottomTab::settings), &settings);
        window.showWindow();
        settle();
        main.selectTab(MainMenuBarTab::bottomTab(MainBottomTab::settings));
        settle();
    }
    ~MainWindow() { window.close(); }

    void showTab(SettingsMenuTab tab) {
        main.selectTab(MainMenuBarTab::bottomTab(MainBottomTab::settings));
        settings.settingsTopMenuView()->tabTapped(tab);
        settle();
    }
    void reload() {
        settings.refreshEmbeddedPage();
        settle();
    }
    void save(const QString& name) { ::save(main.view(), name); }

    MainSubController home;
    SupportSubController support;
    SettingsGeneralController general;
    SettingsNetworkController network;
    SettingsProtocolController protocols;
    SettingsContainerController settings;
    GeneralWindowController window;
    GeneralViewController& main = *qobject_cast<GeneralViewController*>(window.contentViewController());
};

// The workspace as the settings see it: everything the user's to change, or everything the
// administrator's, with Always-On VPN on or off.
void setWorkspace(sdk::testing::Driver& driver, bool enforced, bool alwaysOn,
                  const std::function<void(PDSettings&)>& more = {}) {
    PDSettings settings = sdk::testing::Driver::demoWorkspace().settings;
    for (auto item : {PDGeneralSettingItem::connectOnLaunch, PDGeneralSettingItem::notifications,
                      PDGeneralSettingItem::automaticUpdates, PDGeneralSettingItem::crashReports}) {
        settings.item(item).isEnforced = enforced;
    }
    for (auto item : {PDNetworkSettingItem::alwaysOn, PDNetworkSettingItem::killSwitch,
                      PDNetworkSettingItem::wifiSecurity}) {
        settings.item(item).isEnforced = enforced;
    }
    settings.trustedNetworksList.isEnforced = enforced;
    settings.alwaysOn.value = alwaysOn;
    settings.wifiSecurity.value = true;
    if (more) {
        more(settings);
    }
    driver.setSettings(settings);
    driver.setPendingSettings(settings);
    driver.setAlwaysOn(alwaysOn);
}

void renderSettings(sdk::testing::Driver& driver) {
    MainWindow window;
    const struct {
        const char* name;
        bool enforced;
        bool alwaysOn;
    } looks[] = {{"free", false, false}, {"enforced", true, false}, {"alwayson", false, true}};
    for (const auto& look : looks) {
        setWorkspace(driver, look.enforced, look.alwaysOn);
        for (SettingsMenuTab tab : settingsMenu::allTabs()) {
            window.showTab(tab);
            window.reload();
            window.save(QStringLiteral("settings-") + settingsMenu::title(tab).toLower() + QLatin1Char('-') +
                        QString::fromLatin1(look.name));
        }
    }

    // The trusted list with three entries, the current network offered for adding.
    setWorkspace(driver, false, false, [](PDSettings& s) {
        s.trustedNetworksList.value = {PDWiFiNetwork("Northwind-Office", "Northwind-Office"),
                                       PDWiFiNetwork("Home", "Home"),
                                       PDWiFiNetwork("Northwind Guest <5 GHz>", "Northwind Guest <5 GHz>")};
    });
    window.showTab(SettingsMenuTab::network);
    window.reload();
    window.save(QStringLiteral("settings-network-trusted-list"));
    auto* list = qobject_cast<SettingsTrustedNetworksViewCell*>(
        window.network.cellFor(SettingsNetworkItem::trustedNetworksList));
    if (list && list->addToTrustedButton()->isEnabled()) {
        list->trustedNetworksTableView()->reloadData();
        const QString current = list->currentSsid().value_or(QString());
        setWorkspace(driver, false, false,
                     [&](PDSettings& s) { s.trustedNetworksList.value = {PDWiFiNetwork(current, current)}; });
        window.reload();
        list = qobject_cast<SettingsTrustedNetworksViewCell*>(
            window.network.cellFor(SettingsNetworkItem::trustedNetworksList));
        list->addCurrentNetwork();
        if (QMessageBox* alert = list->duplicateAlert()) {
            save(alert, QStringLiteral("settings-network-duplicate-alert"));
            alert->close();
        }
    }

    // Without Wi-Fi nothing is offered for adding.
    platform::WiFiSsidReader::shared().stop();
    platform::WiFiSsidReader::shared().start(QDBusConnection(QStringLiteral("none")));
    window.reload();
    window.save(QStringLiteral("settings-network-not-detected"));

    // The protocols: Select under the pointer, and locked while connected.
    setWorkspace(driver, false, false);
    window.showTab(SettingsMenuTab::protocols);
    window.reload();
    if (SettingsProtocolViewCell* wireguard = window.protocols.cellFor(VPNProtocols::Wireguard)) {
        wireguard->setHighlight(true);
    }
    window.save(QStringLiteral("settings-protocols-hover-select"));
    driver.setConnectionState(SDVPNConnectionState::connected);
    window.reload();
    window.save(QStringLiteral("settings-protocols-connected"));
    driver.setConnectionState(SDVPNConnectionState::disconnected);

    // The card the update check shows when no newer version is offered.
    PDAppConfig config = VeltrixXPC::appConfig();
    config.offeredVersion.clear();
    driver.setAppConfig(config);
    window.showTab(SettingsMenuTab::general);
    window.general.openAutoUpdate();
    window.save(QStringLiteral("settings-general-latest-version"));
    if (platform::ViewController* card = window.general.appInfoModal()) {
        card->dismiss();
    }

    // The support tab, with the phone numbers of an enterprise account and an entry under the pointer.
    window.main.selectTab(MainMenuBarTab::topTab(MainTopTab::support));
    settle();
    window.support.supportTableView()->hoverRow(1);
    window.save(QStringLiteral("support-enterprise-hover"));
    window.support.supportTableView()->clearHover();
    driver.editState([](sdk::SimulationState& s) { s.enterpriseAccount = false; });
    window.main.selectTab(MainMenuBarTab::topTab(MainTopTab::home));
    settle();
    window.main.selectTab(MainMenuBarTab::topTab(MainTopTab::support));
    window.save(QStringLiteral("support-personal"));
}

} // namespace

int main(int argc, char** argv) {
    const render::Renderer renderer(argc, argv, QStringLiteral(VELTRIX_RENDER_DIR "/settings"),
                                    render::Screen::sharp);
    if (!renderer.isReady()) {
        return 1;
    }

    // The machine is on the Wi-Fi network "Northwind Lobby", as a NetworkManager of our own says.
    PrivateBus bus;
    fakenm::FakeNetworkManager manager(bus.connect());
    auto& reader = platform::WiFiSsidReader::shared();
    if (bus.isValid() && manager.start()) {
        manager.setNetwork(manager.addDevice(fakenm::wifi), QByteArray("Northwind Lobby"), false);
        reader.start(bus.connect());
        const QDeadlineTimer deadline(5000);
        while (!reader.currentSsid() && !deadline.hasExpired()) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        }
    } else {
        std::fprintf(stderr, "no dbus-daemon: the current Wi-Fi network shows as not detected\n");
        reader.start(QDBusConnection(QStringLiteral("none")));
    }

    sdk::testing::Driver driver;
    driver.setLoggedIn(true);
    driver.editState([](sdk::SimulationState& s) { s.recentUserName = QStringLiteral("Alex Morgan"); });
    platform::UserDefaults::standard().set(SettingsUserDefaults::vpnProtocols,
                                           rawValue(VPNProtocols::Automatic));
    renderSettings(driver);
    reader.stop();
    return render::exitCode();
}

// Renders the home tab's views in each of their states to PNG files for review:
//   mainwindow_render [output-folder]   (default: <build>/renders/mainwindow)
// Runs on Qt's offscreen platform with virtual time, on the demo workspace.
#include "RenderOutput.h"
#include "core/ApplicationModel.h"
#include "core/Preferences.h"
#include "core/ServiceLayer.h"
#include "locations/LocationsSubController.h"
#include "mainwindow/ConnectionEstablishedController.h"
#include "mainwindow/GeneralViewController.h"
#include "mainwindow/GeneralWindowController.h"
#include "mainwindow/MainNetworkView.h"
#include "mainwindow/MainSubController.h"
#include "platform/UserDefaults.h"
#include "sdk/VeltrixXPC.h"
#include "sdk/Workspace.h"
#include "sdk/testing/Driver.h"
#include "toolkit/Colors.h"
#include "toolkit/MainErrorView.h"

#include <QEnterEvent>

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QVBoxLayout>

#include <cstdio>

// In mainwindow_render_tabs.cpp.
void renderMainWindowTabs();

namespace {

// What an installation of this very version leaves for the home tab's banner.
void recordInstalledUpdate() {
    auto& defaults = platform::UserDefaults::standard();
    defaults.set(SettingsUserDefaults::showSilentSuccessMessage, true);
    defaults.set(SettingsUserDefaults::installedUpdateVersion, ServiceLayer::appModel().appVersion());
}

void settle() {
    render::virtualTime().advance(1.0);
    QApplication::processEvents();
}

// The banner's owner: takes the height the banner asks for.
class BannerHost : public QWidget, public MainErrorViewDelegate {
public:
    BannerHost() {
        setAutoFillBackground(true);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, colorFromHexString(QStringLiteral("#16245A")));
        setPalette(palette);
        banner = new MainErrorView(this);
        banner->setDelegate(this);
        resize(380, 140);
        banner->setGeometry(16, 16, width() - 32, 80);
    }
    void viewSizeChanged(QWidget*, double height) override {
        banner->resize(banner->width(), int(height));
        resize(width(), int(height) + 32);
    }
    void errorViewCloseTapped() override {}
    void errorViewTryAgainTapped() override {}

    MainErrorView* banner;
};

void renderBanners() {
    struct Case {
        const char* name;
        NotificationPopupType type;
        std::optional<QString> title;
        QString text;
    };
    const Case cases[] = {
        {"banner_error", NotificationPopupType::error(), std::nullopt,
         QStringLiteral("The gateway did not answer in time. Check your connection and try again.")},
        {"banner_update", NotificationPopupType::update(), QStringLiteral("Update available"),
         QStringLiteral("Version 2.1.0 is available. Update now to get the latest improvements.")},
        {"banner_silent_update_new", NotificationPopupType::silentUpdate(SilentUpdateTimeinterval::new_),
         QStringLiteral("Update available"), QStringLiteral("Version 2.1.0 is ready to install.")},
        {"banner_silent_update_normal", NotificationPopupType::silentUpdate(SilentUpdateTimeinterval::normal),
         QStringLiteral("Update available"), QStringLiteral("Version 2.1.0 has been waiting for 3 days.")},
        {"banner_silent_update_old", NotificationPopupType::silentUpdate(SilentUpdateTimeinterval::old),
         QStringLiteral("Update available"), QStringLiteral("Version 2.1.0 has been waiting for a week.")},
        {"banner_silent_update_success", NotificationPopupType::silentUpdateSucccess(),
         QStringLiteral("New Version has been Installed!"),
         QStringLiteral("Version 2.1.0.7 has been successfully installed.")},
        {"banner_long_text", NotificationPopupType::error(), QString(120, QLatin1Char('W')),
         QString(600, QLatin1Char('x'))},
    };
    for (const Case& c : cases) {
        BannerHost host;
        host.show();
        host.banner->show(c.type, c.title, c.text);
        QApplication::processEvents();
        render::save(&host, QString::fromLatin1(c.name));
    }
}

using VPN = PDVPNConnectionStatusUpdatesDelegate;
using Connectivity = SDConnectivityDelegate;

// The main window on the home tab, over the demo workspace.
struct MainWindow {
    MainWindow() {
        general.setTabController(MainMenuBarTab::topTab(MainTopTab::home), &home);
        general.setTabController(MainMenuBarTab::topTab(MainTopTab::networks), &networks);
        window.showWindow();
        general.selectTab(MainMenuBarTab::topTab(MainTopTab::home));
        settle();
    }
    ~MainWindow() { window.close(); }

    void save(const char* name) {
        settle();
        render::save(general.view(), QStringLiteral("home-") + QString::fromLatin1(name));
    }
    // The window with the windows it holds (sheets) drawn where they stand over it.
    void saveWithItsWindows(const char* name) {
        settle();
        QWidget* frame = general.view()->window();
        QImage image = frame->grab().toImage();
        QPainter painter(&image);
        for (QWidget* child : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isWindow() && child->isVisible()) {
                painter.drawPixmap(child->geometry().topLeft() - frame->geometry().topLeft(), child->grab());
            }
        }
        painter.end();
        render::save(image, QStringLiteral("home-") + QString::fromLatin1(name));
    }

    MainSubController home;
    LocationsSubController networks;
    GeneralWindowController window;
    GeneralViewController& general = *qobject_cast<GeneralViewController*>(window.contentViewController());
};

// Each state as the SDK's reports bring it about.
void renderHomeTab(sdk::testing::Driver& driver) {
    const auto report = [&](SDVPNConnectionState state, const std::function<void(VPN&)>& callback) {
        driver.setConnectionState(state);
        driver.fire<VPN>(callback);
    };
    const auto connectedFor = [&](double seconds) {
        report(SDVPNConnectionState::connected, [](VPN& d) { d.onConnectedToVPN(); });
        settle();
        driver.fire<VPN>([](VPN& d) { d.onRegionNameAvailableWithRegionName(QStringLiteral("Frankfurt")); });
        driver.fire<VPN>([seconds](VPN& d) { d.onConnectionTimeUpdatedWithTime(seconds); });
    };
    {
        MainWindow main;
        main.home.updateUIForConnectionState();
        main.save("disconnected");
        QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
        QApplication::sendEvent(main.home.connectButton(), &enter);
        main.save("disconnected-hovered");
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(main.home.connectButton(), &leave);

        report(SDVPNConnectionState::connecting, [](VPN& d) { d.onConnectingToVPN(false); });
        main.save("connecting");
        platform::UserDefaults::standard().set(SettingsUserDefaults::showConnectionEstablished, true);
        connectedFor(754);
        main.save("connected");
        main.saveWithItsWindows("connected-sheet");
        for (platform::ViewController* presented : main.home.presentedViewControllers()) {
            if (auto* sheet = qobject_cast<ConnectionEstablishedController*>(presented)) {
                sheet->gotItTap(); // and no sheet over the states after this one
            }
        }
        driver.setConnectionState(SDVPNConnectionState::reconnecting);
        driver.fire<Connectivity>([](Connectivity& d) { d.onReConnectRequested(); });
        main.save("reconnecting");
        report(SDVPNConnectionState::disconnected, [](VPN& d) { d.onDisconnectedFromVPN(false); });

        driver.setAlwaysOn(true);
        connectedFor(3725);
        main.save("always-on-connected");
        PDSettings settings = driver.state().settings;
        settings.alwaysOn.value = true;
        driver.setSettings(settings);
        driver.setConnectionState(SDVPNConnectionState::reconnecting);
        driver.fire<VPN>([](VPN& d) { d.onReConnectingToVPN(); });
        main.save("always-on-reconnecting");
        report(SDVPNConnectionState::disconnected, [](VPN& d) { d.onDisconnectedFromVPN(false); });
        settings.alwaysOn.value = false;
        driver.setSettings(settings);
        driver.setAlwaysOn(false);

        main.home.showError(
            std::nullopt, QStringLiteral("The gateway did not answer. Check your connection and try again."));
        main.save("banner-error");
        driver.fire<Connectivity>([](Connectivity& d) { d.onConnectionUnReachable(); });
        main.save("banner-no-internet");
        main.home.hideErrorView();
        main.home.showUpdateAvailableMessage();
        main.save("banner-update");
        PDAppConfig config = driver.state().appConfig;
        config.isSilentUpdate = true;
        for (const auto& [days, name] :
             {std::pair{0, "banner-silent-update-new"}, std::pair{3, "banner-silent-update-normal"},
              std::pair{9, "banner-silent-update-old"}}) {
            config.releaseDate = render::virtualTime().currentDate().addDays(-days);
            driver.setAppConfig(config);
            main.home.showUpdateAvailableMessage();
            main.save(name);
        }
        config.isSilentUpdate = false;
        driver.setAppConfig(config);
        recordInstalledUpdate();
        main.home.showSilentUpdateSuccessMessageIfNeeded();
        main.save("banner-silent-update-installed");
        main.home.hideErrorView();

        config.isForcedUpdate = true;
        driver.setAppConfig(config);
        main.home.enterForcedUpdateState();
        main.save("forced-update");
        config.isForcedUpdate = false;
        driver.setAppConfig(config);
        main.home.leaveForcedUpdateState();

        // Every banner over a full connection: the column keeps clear of the banner and inside the tab.
        connectedFor(754);
        const QString longMessage = QStringLiteral(
            "The gateway closed the tunnel while the session was being renewed. Your traffic was not sent "
            "outside the tunnel. Check that the workspace still grants you this network, then connect again; "
            "if it keeps happening, send the logs from the support tab.");
        main.home.showError(std::nullopt, QStringLiteral("The gateway did not answer. Try again."));
        main.save("connected-banner-error");
        main.home.showError(std::nullopt, longMessage);
        main.save("connected-banner-error-long");
        driver.fire<Connectivity>([](Connectivity& d) { d.onConnectionUnReachable(); });
        main.save("connected-banner-no-internet");
        main.home.hideErrorView();
        main.home.showUpdateAvailableMessage();
        main.save("connected-banner-update");
        config.isSilentUpdate = true;
        driver.setAppConfig(config);
        main.home.showUpdateAvailableMessage();
        main.save("connected-banner-silent-update");
        config.isSilentUpdate = false;
        driver.setAppConfig(config);
        recordInstalledUpdate();
        main.home.showSilentUpdateSuccessMessageIfNeeded();
        main.save("connected-banner-silent-update-installed");
        main.home.hideErrorView();
        report(SDVPNConnectionState::disconnected, [](VPN& d) { d.onDisconnectedFromVPN(false); });
        driver.fire<VPN>([](VPN& d) {
            d.onErrorConnectingToVPNWithError(PDError(7, false, PDError::DEFAULT_ERROR_DOMAIN, std::nullopt,
                                                      QStringLiteral("The tunnel could not be set up.")));
        });
        main.save("banner-connection-error");
        main.home.hideErrorView();

        main.home.showNetwork(nullptr);
        main.save("no-network");
        main.home.showError(std::nullopt, QStringLiteral("The gateway did not answer. Try again."));
        main.save("no-network-banner-error");
        main.home.hideErrorView();
    }

    ConnectionEstablishedController sheet;
    render::save(sheet.view(), QStringLiteral("home-connection-established-sheet"));
}

// The network view on the window's background, painted at one instant of virtual time at ratio 2.
void saveNetworkView(MainNetworkView& view, const QString& name) {
    constexpr double ratio = 2.0;
    QImage image(view.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(toolkit::windowBackground);
    {
        QPainter painter(&image);
        view.paintAt(painter, layeranim::now());
        // The flag and its ring are real child views; they paint on top as in the window.
        QWidget* icon = view.networkIconBgView();
        view.networkImageView()->render(&painter, icon->pos() + view.networkImageView()->pos(), QRegion(),
                                        QWidget::DrawChildren);
    }
    render::save(image, name);
}

PDNetworkItemPtr networkWithFlag(const QString& code) {
    PDNetworkItem::Data data;
    data.id = code;
    data.title = code;
    data.countryCode = code;
    data.flagImage = std::make_shared<PDCacheableImage>(QUrl::fromLocalFile(
        QString::fromLatin1(sdk::kFlagDirectory) + QLatin1Char('/') + code + QStringLiteral(".svg")));
    return std::make_shared<PDNetworkItem>(data);
}

// Lets the flag decode and arrive on the main queue.
void settleFlag() {
    for (int i = 0; i < 20; ++i) {
        render::virtualTime().runUntilIdle();
        QApplication::processEvents();
    }
}

void renderNetworkView() {
    struct Case {
        const char* name;
        FlagAnimationType state;
        double seconds;
        const char* flag;
        bool hovered = false;
    };
    const Case cases[] = {
        {"network_disconnected", FlagAnimationType::disconnected, 0.0, "de"},
        {"network_connecting_0.3s", FlagAnimationType::connecting, 0.3, "de"},
        {"network_connecting_0.9s", FlagAnimationType::connecting, 0.9, "de"},
        {"network_connected_rest", FlagAnimationType::connected, 0.0, "us"},
        {"network_connected_1s", FlagAnimationType::connected, 1.0, "us"},
        {"network_connected_hovered", FlagAnimationType::connected, 0.2, "us", true},
        {"network_disconnected_hovered", FlagAnimationType::disconnected, 0.2, "fr", true},
        {"network_no_flag", FlagAnimationType::disconnected, 0.0, nullptr},
    };
    // The hover reads the SDK's live state.
    sdk::testing::Driver sdk;
    for (const Case& c : cases) {
        sdk.setConnectionState(c.state == FlagAnimationType::connected ? SDVPNConnectionState::connected
                                                                       : SDVPNConnectionState::disconnected);
        MainNetworkView view;
        view.setupShadows();
        view.refreshStateDrawing();
        view.setNetwork(c.flag ? networkWithFlag(QString::fromLatin1(c.flag)) : nullptr);
        settleFlag();
        view.setState(c.state);
        if (c.hovered) {
            view.hoverChanged(true);
        }
        render::virtualTime().advance(c.seconds);
        saveNetworkView(view, QString::fromLatin1(c.name));
    }
}

} // namespace

int main(int argc, char** argv) {
    const render::Renderer renderer(argc, argv, QStringLiteral(VELTRIX_RENDER_DIR "/mainwindow"),
                                    render::Screen::sharp);
    if (!renderer.isReady()) {
        return 1;
    }
    renderBanners();
    // A message left over from an earlier run would stand over every state.
    platform::UserDefaults::standard().set(SettingsUserDefaults::showSilentSuccessMessage, false);
    sdk::testing::Driver driver;
    driver.setLoggedIn(true);
    driver.editState([](sdk::SimulationState& s) { s.internalAddress = QStringLiteral("10.8.0.14"); });
    VeltrixXPC::setPublicIpInfoDelegate(&ServiceLayer::shared());
    driver.setCurrentNetwork(VeltrixXPC::networks()->privateNetworks().first());
    renderHomeTab(driver);
    renderMainWindowTabs();
    renderNetworkView();
    return render::exitCode();
}

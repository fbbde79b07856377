// The main window's frame, tabs, networks tab and panels on the demo workspace, for mainwindow_render. Every
// fade is shown at its end.
#include "RenderOutput.h"
#include "mainwindow/GeneralViewController.h"
#include "mainwindow/GeneralWindowController.h"
#include "mainwindow/MainSmartWidgetView.h"
#include "mainwindow/MainSubController.h"
#include "sdk/testing/Driver.h"
#include "settings/SettingsContainerController.h"
#include "settings/SupportSubController.h"

#include "locations/LocationsSubController.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/Colors.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

void settle() {
    render::virtualTime().advance(1.0);
    QApplication::processEvents();
}

// The main window with the real tab controllers over the demo workspace.
struct MainWindow {
    MainWindow() {
        general.setTabController(MainMenuBarTab::topTab(MainTopTab::home), &home);
        general.setTabController(MainMenuBarTab::topTab(MainTopTab::networks), &networks);
        general.setTabController(MainMenuBarTab::topTab(MainTopTab::support), &support);
        general.setTabController(MainMenuBarTab::bottomTab(MainBottomTab::settings), &settings);
        window.showWindow();
        settle();
    }
    ~MainWindow() { window.close(); }

    void show(MainMenuBarTab tab) {
        general.selectTab(tab);
        settle();
    }

    MainSubController home;
    LocationsSubController networks;
    SupportSubController support;
    SettingsContainerController settings;
    GeneralWindowController window;
    GeneralViewController& general = *qobject_cast<GeneralViewController*>(window.contentViewController());
};

void renderTabs(sdk::testing::Driver& driver) {
    driver.editState(
        [](sdk::SimulationState& state) { state.recentUserName = QStringLiteral("Alex Morgan"); });
    MainWindow main;
    render::save(main.general.view(), QStringLiteral("mainwindow-home"));
    main.show(MainMenuBarTab::topTab(MainTopTab::networks));
    render::save(main.general.view(), QStringLiteral("mainwindow-networks"));
    main.show(MainMenuBarTab::topTab(MainTopTab::support));
    HoverableTableView* rows = main.general.menuBarView()->topButtonsView()->topMenuTableView();
    rows->hoverRow(0);
    render::save(main.general.view(), QStringLiteral("mainwindow-support-home-hovered"));
    rows->clearHover();
    main.show(MainMenuBarTab::bottomTab(MainBottomTab::settings));
    render::save(main.general.view(), QStringLiteral("mainwindow-settings"));
}

// A panel on the window's background, as it sits in the main window.
QWidget* onBackground(QWidget* panel, QSize size) {
    auto* host = new QWidget;
    host->setAutoFillBackground(true);
    QPalette palette = host->palette();
    palette.setColor(QPalette::Window, toolkit::windowBackground);
    host->setPalette(palette);
    host->resize(size);
    panel->setParent(host);
    panel->setGeometry(QRect(QPoint(20, 20), size - QSize(40, 40)));
    host->show();
    return host;
}

void renderSmartWidget() {
    auto* widget = new MainSmartWidgetView;
    std::unique_ptr<QWidget> host(onBackground(widget, QSize(520, 96)));
    widget->configure(std::nullopt, true);
    settle();
    render::save(host.get(), QStringLiteral("smartwidget-loading"));
    widget->configure(
        PDSmartWidgetProtocol{QStringLiteral("Stay protected."),
                              QStringLiteral("Always-On VPN keeps you connected wherever you work."),
                              QStringLiteral("https://example.invalid"), QStringLiteral("Learn more")},
        false);
    settle();
    render::save(host.get(), QStringLiteral("smartwidget-item"));
}

NetworkCellView* cellOf(LocationsSubController& tab, const QString& id) {
    const PDNetworksModelPtr model = VeltrixXPC::networks();
    for (int row = 0; row < model->numberOfNetworkRows(); ++row) {
        const PDNetworkItemPtr item = model->networkItem(row);
        if (item->id() == id) {
            return qobject_cast<NetworkCellView*>(tab.networksTableView()->viewAtRow(row));
        }
    }
    return nullptr;
}

void renderNetworksTab(sdk::testing::Driver& driver) {
    MainWindow main;
    LocationsSubController& tab = main.networks;
    const PDNetworksModelPtr model = VeltrixXPC::networks();
    const auto shot = [&](const QString& name) {
        settle();
        render::save(main.general.view(), QStringLiteral("networks-") + name);
    };
    const auto hover = [&](const QString& id) {
        if (NetworkCellView* cell = cellOf(tab, id)) {
            cell->setHighlight(true);
        }
    };
    driver.setCurrentNetwork(model->networkWithId(QStringLiteral("prv-hq")));
    driver.setConnectionState(SDVPNConnectionState::connected);
    main.show(MainMenuBarTab::topTab(MainTopTab::networks));
    shot(QStringLiteral("connected"));
    hover(QStringLiteral("prv-hq"));
    shot(QStringLiteral("connected-hover-disconnect"));
    tab.reloadNetworks();
    hover(QStringLiteral("prv-dev"));
    shot(QStringLiteral("connected-hover-connect-other"));
    driver.setConnectionState(SDVPNConnectionState::connecting);
    tab.reloadNetworks();
    shot(QStringLiteral("connecting"));
    driver.setConnectionState(SDVPNConnectionState::disconnected);
    tab.reloadNetworks();
    hover(QStringLiteral("prv-hq"));
    shot(QStringLiteral("disconnected-hover-connect"));

    model->toggleCollapsed();
    tab.reloadNetworks();
    shot(QStringLiteral("folded"));
    model->toggleCollapsed();
    const auto type = [&](const QString& text) {
        tab.searchBarView()->searchField()->setText(text);
        tab.searchBarView()->searchFieldChanged();
    };
    type(QStringLiteral("la"));
    shot(QStringLiteral("searching"));
    type(QStringLiteral("lazzz"));
    shot(QStringLiteral("not-found"));
    tab.searchBarView()->resetSearch();

    driver.setForcedUpdateAvailable(true);
    tab.reloadNetworks();
    shot(QStringLiteral("forced-update"));
    driver.setForcedUpdateAvailable(false);
    driver.setNetworks(std::make_shared<PDNetworksModel>(PDNetworksModel::Content{}));
    tab.reloadNetworks();
    shot(QStringLiteral("no-access"));
}

} // namespace

void renderMainWindowTabs() {
    sdk::testing::Driver driver;
    driver.setLoggedIn(true);
    renderTabs(driver);
    renderSmartWidget();
    renderNetworksTab(driver);
}

// Renders the quick-access window, its child window, the sign-out window, the tray icons and the tray's menus
// (the Dock menu and the status item's menu-style twin), also as drawn without a compositing manager, to PNG
// files on the demo workspace:   menus_render [output-folder]   (default: <build>/renders) Runs on Qt's
// offscreen platform with virtual time, so every animation is shown at its end.
#include "DemoMenuFixtures.h"
#include "RenderOutput.h"
#include "core/ApplicationModel.h"
#include "core/ServiceLayer.h"
#include "menus/DockMenuBarController.h"
#include "menus/QAUIMenuWindowController.h"
#include "menus/QAUISignOutController.h"
#include "menus/QAUIStatusView.h"
#include "menus/StatusItemMenuController.h"
#include "platform/Compositing.h"
#include "platform/StatusBar.h"
#include "sdk/VeltrixXPC.h"
#include "sdk/testing/Driver.h"
#include "toolkit/BaseWindowViewController.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QHBoxLayout>
#include <QPainter>

#include <cstdio>

namespace {

void settle(double seconds = 1.0) {
    render::virtualTime().advance(seconds);
    QCoreApplication::sendPostedEvents();
    render::virtualTime().advance(0.05);
    QCoreApplication::sendPostedEvents();
}

// A window on the desktop's dark background, as it would appear.
QImage onDesktop(const QList<QWidget*>& windows) {
    QRect bounds;
    for (QWidget* window : windows) {
        bounds |= window->geometry();
    }
    bounds.adjust(-16, -16, 16, 16);
    QImage image(bounds.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(QStringLiteral("#3A3F4B")));
    QPainter painter(&image);
    for (QWidget* window : windows) {
        painter.drawPixmap(window->geometry().topLeft() - bounds.topLeft(), window->grab());
    }
    return image;
}

void saveWindow(QAUIMenuWindowController& quickAccess, const QString& name) {
    settle();
    render::save(onDesktop({quickAccess.window()}), name);
}

template <class Cell>
Cell* cellAt(HoverableTableView* table, int row) {
    return dynamic_cast<Cell*>(table->viewAtRow(row));
}

void renderSignedOut(QAUIMenuWindowController& quickAccess, platform::StatusItem* item) {
    quickAccess.showLoggedOutPage();
    quickAccess.toggleMenu(item);
    saveWindow(quickAccess, QStringLiteral("menus_signed_out"));
    quickAccess.showProgressIndicator();
    settle(0.4); // the loader part way round
    render::save(onDesktop({quickAccess.window()}), QStringLiteral("menus_signed_out_loader"));
    quickAccess.hideProgressIndicator();
    quickAccess.showErrorNotification(QStringLiteral("Sign-in failed"),
                                      QStringLiteral("Your workspace did not accept the sign-in. Try again."),
                                      true);
    saveWindow(quickAccess, QStringLiteral("menus_toast_one"));
    const QStringList titles{QStringLiteral("Session expired"), QStringLiteral("Could not connect"),
                             QStringLiteral("Account expired"), QStringLiteral("<b>Server</b> unreachable")};
    for (const QString& title : titles) {
        quickAccess.showErrorNotification(
            title, QStringLiteral("Details of what went wrong, as the service said."), true);
    }
    saveWindow(quickAccess, QStringLiteral("menus_toast_four"));
    quickAccess.close();
    quickAccess.hideNotifications(false);
    settle();
}

void renderSignedIn(QAUIMenuWindowController& quickAccess, platform::StatusItem* item,
                    sdk::testing::Driver& driver) {
    const PDNetworksModelPtr networks = VeltrixXPC::networks();
    const QList<PDNetworkItemPtr> privateNetworks = networks->privateNetworks();
    const QList<PDNetworkItemPtr> publics = networks->publicLocations();
    networks->noteUsed(publics.value(2));
    networks->noteUsed(publics.value(0));
    networks->noteUsed(privateNetworks.value(1));
    networks->noteUsed(privateNetworks.value(0));
    driver.setCurrentNetwork(privateNetworks.value(0));
    driver.setConnectionState(SDVPNConnectionState::disconnected);
    ServiceLayer::appModel().setIsQAUIStatusViewHidden(true);

    quickAccess.showLoggedInPage();
    quickAccess.updateLocationLists();
    quickAccess.updateGroupedLocations();
    quickAccess.toggleMenu(item);
    saveWindow(quickAccess, QStringLiteral("menus_signed_in_disconnected"));

    QAUILoggedInViewController* page = quickAccess.loggedInController();
    if (auto* row = cellAt<QAUIQuickAccessNetworkItemViewCell>(page->quickAccessView()->tableView(), 0)) {
        row->hover();
        saveWindow(quickAccess, QStringLiteral("menus_hover_recent_row"));
        row->unhover();
    }

    driver.setConnectionState(SDVPNConnectionState::connecting);
    quickAccess.setConnectingState();
    quickAccess.updateGroupedLocations();
    saveWindow(quickAccess, QStringLiteral("menus_signed_in_connecting"));

    driver.setConnectionState(SDVPNConnectionState::connected);
    quickAccess.setConnectedState();
    quickAccess.updateIPAddress(std::make_shared<PDPublicIPInfo>(QStringLiteral("198.51.100.10")));
    quickAccess.updateTimeConnected(QStringLiteral("00:12:47"));
    saveWindow(quickAccess, QStringLiteral("menus_signed_in_connected"));
    // Shown again on a desktop without a compositing manager: opaque, with square corners.
    quickAccess.close();
    platform::Compositing::setActiveOverride(false);
    quickAccess.toggleMenu(item);
    saveWindow(quickAccess, QStringLiteral("menus_no_compositor_signed_in"));
    quickAccess.close();
    platform::Compositing::setActiveOverride(std::nullopt);
    quickAccess.toggleMenu(item);
    settle(); // what the reopening posted would unhover the row hovered next

    HoverableTableView* networkTable = page->networkView()->tableView();
    if (auto* current = cellAt<QAUINetworkItemViewCell>(networkTable, 0)) {
        current->hover();
        saveWindow(quickAccess, QStringLiteral("menus_hover_current_row"));
        current->unhover();
        driver.setForcedUpdateAvailable(true);
        current->hover();
        saveWindow(quickAccess, QStringLiteral("menus_hover_current_row_forced_update"));
        current->unhover();
        driver.setForcedUpdateAvailable(false);
    }

    page->statusView()->hideStatusViewButtonTap();
    saveWindow(quickAccess, QStringLiteral("menus_status_expanded"));

    HoverableTableView* groups = page->qauiNetworksView()->tableView();
    for (int row = 0; row < groups->numberOfRows(); ++row) {
        groups->selectRow(row);
        settle();
        QWidget* child = quickAccess.networksWindowController()->window();
        render::save(onDesktop({quickAccess.window(), child}),
                     row == 0 ? QStringLiteral("menus_child_private") : QStringLiteral("menus_child_shared"));
        groups->selectRow(row); // closes it again
        settle();
    }
    page->statusView()->hideStatusViewButtonTap();
    quickAccess.close(); // before the list has folded
    settle();
    quickAccess.toggleMenu(item);
    saveWindow(quickAccess, QStringLiteral("menus_status_collapsed_reopened"));
    quickAccess.close();
    settle();
}

void renderSignOut(sdk::testing::Driver& driver) {
    QAUISignOutController signOut;
    signOut.show();
    settle();
    render::save(onDesktop({signOut.window()}), QStringLiteral("menus_sign_out_warning"));
    signOut.close();
    PDSettings settings = VeltrixXPC::settings();
    settings.alwaysOn.value = true;
    driver.setSettings(settings);
    signOut.show();
    settle();
    render::save(onDesktop({signOut.window()}), QStringLiteral("menus_sign_out_code"));
    signOut.close();
}

void renderIcons(platform::StatusItem* item) {
    const QStringList names{
        QStringLiteral("MenuBar_icon_DISCONNECTED"), QStringLiteral("MenuBar_icon_CONNECTING_1"),
        QStringLiteral("MenuBar_icon_CONNECTING_2"), QStringLiteral("MenuBar_icon_CONNECTING_3"),
        QStringLiteral("MenuBar_icon_CONNECTED")};
    // The same icons on a dark and on a light panel, at the panels' usual 22 and at 2x.
    QImage strip(names.size() * 64 + 8, 2 * 64, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&strip);
    const QColor panels[] = {QColor(0x2B, 0x2B, 0x2B), QColor(0xEE, 0xEE, 0xEE)};
    int y = 0;
    for (const QColor& background : panels) {
        painter.fillRect(0, y, strip.width(), 64, background);
        for (int i = 0; i < names.size(); ++i) {
            item->setImage(names.at(i), true);
            painter.drawPixmap(8 + i * 64, y + 4, item->icon().pixmap(22, 22));
            painter.drawPixmap(8 + i * 64, y + 28, item->icon().pixmap(32, 32));
        }
        y += 64;
    }
    painter.end();
    render::save(strip, QStringLiteral("menus_tray_icons"));
}

// A menu as it opens, with `open` (one of its submenus) beside its header.
QImage menuOnDesktop(QMenu* menu, QMenu* open = nullptr) {
    menu->adjustSize();
    QList<QWidget*> shown{menu};
    menu->move(16, 16);
    if (open) {
        menu->setActiveAction(open->menuAction());
        open->adjustSize();
        open->move(menu->geometry().right() - 4, menu->actionGeometry(open->menuAction()).top() + 10);
        shown << open;
    }
    return onDesktop(shown);
}

void renderTrayMenus(sdk::testing::Driver& driver) {
    PDSettings settings = VeltrixXPC::settings();
    settings.alwaysOn = PDSettingBoolItem(false, false);
    driver.setSettings(settings);
    DemoDataSource source;
    NoActions actions;
    DockMenuBarController dock(&source, &actions);
    render::save(menuOnDesktop(dock.dockMenu()), QStringLiteral("menus_dock_signed_out"));
    dock.setLoggedInState();
    dock.updateLocationLists();
    dock.updateGroupedLocations();
    settle(); // the flags
    render::save(menuOnDesktop(dock.dockMenu()), QStringLiteral("menus_dock_disconnected"));
    dock.setConnectingState();
    render::save(menuOnDesktop(dock.dockMenu()), QStringLiteral("menus_dock_connecting"));
    dock.setConnectedState();
    dock.updateIPAddress(std::make_shared<PDPublicIPInfo>(QStringLiteral("198.51.100.42")));
    dock.updateTimeConnected(QStringLiteral("00:12:48"));
    render::save(menuOnDesktop(dock.dockMenu()), QStringLiteral("menus_dock_connected"));
    render::save(menuOnDesktop(dock.dockMenu(), dock.publicListItem()), QStringLiteral("menus_dock_submenu"));
    dock.dockMenu()->setActiveAction(nullptr);
    settings.alwaysOn = PDSettingBoolItem(true, true);
    driver.setSettings(settings);
    dock.setConnectedState();
    render::save(menuOnDesktop(dock.dockMenu()), QStringLiteral("menus_dock_connected_always_on"));
    settings.alwaysOn = PDSettingBoolItem(false, false);
    driver.setSettings(settings);
    driver.setForcedUpdateAvailable(true);
    dock.setUpgradeState();
    dock.updateLocationLists();
    dock.updateGroupedLocations();
    settle();
    render::save(menuOnDesktop(dock.dockMenu()), QStringLiteral("menus_dock_upgrade"));
    driver.setForcedUpdateAvailable(false);

    StatusItemMenuController menuStyle(&source, &actions);
    render::save(menuOnDesktop(menuStyle.statusItemMenuForLoggedOutState()),
                 QStringLiteral("menus_status_menu_signed_out"));
    menuStyle.updateLocationLists();
    menuStyle.updateGroupedLocations();
    menuStyle.setConnectedState();
    menuStyle.updateIPAddress(std::make_shared<PDPublicIPInfo>(QStringLiteral("198.51.100.42")));
    menuStyle.updateTimeConnected(QStringLiteral("00:12:48"));
    settle();
    render::save(menuOnDesktop(menuStyle.statusItemMenuForLoggedInState()),
                 QStringLiteral("menus_status_menu_signed_in"));
    // Without a compositing manager, as the menu is fitted when it pops up.
    platform::Compositing::setActiveOverride(false);
    emit menuStyle.statusItemMenuForLoggedInState()->aboutToShow();
    render::save(menuOnDesktop(menuStyle.statusItemMenuForLoggedInState()),
                 QStringLiteral("menus_no_compositor_status_menu"));
    platform::Compositing::setActiveOverride(std::nullopt);
}

// The sign-out card on a desktop without a compositing manager: opaque and square.
void renderSignOutWithoutCompositor() {
    platform::Compositing::setActiveOverride(false);
    QAUISignOutController signOut;
    signOut.show();
    settle();
    render::save(onDesktop({signOut.window()}), QStringLiteral("menus_no_compositor_sign_out"));
    signOut.close();
    platform::Compositing::setActiveOverride(std::nullopt);
}

// The device-posture badge in each of its states, on the quick-access window's ground.
void renderPostureBadges() {
    QWidget strip;
    QPalette palette = strip.palette();
    palette.setColor(QPalette::Window, qaui::backgroundColor());
    strip.setPalette(palette);
    strip.setAutoFillBackground(true);
    auto* row = new QHBoxLayout(&strip);
    row->setContentsMargins(16, 12, 16, 12);
    for (const PD_DevicePostureCheckState state :
         {PD_DevicePostureCheckState::healthy, PD_DevicePostureCheckState::atRisk,
          PD_DevicePostureCheckState::inactive}) {
        auto* badge = new QAUIStatusDPCIndicator;
        badge->update(state);
        row->addWidget(badge);
    }
    strip.adjustSize();
    render::save(&strip, QStringLiteral("menus_posture_badges"));
}

} // namespace

int main(int argc, char** argv) {
    const render::Renderer renderer(argc, argv, QStringLiteral(VELTRIX_RENDER_DIR));
    if (!renderer.isReady()) {
        return 1;
    }
    sdk::testing::Driver driver;
    driver.setLoggedIn(true);
    platform::StatusBar bar{QDBusConnection(QStringLiteral("veltrix-no-bus"))};
    platform::StatusItem* item = bar.statusItem();
    item->performClick(QPoint(900, 4));

    DemoDataSource source;
    NoActions actions;
    QAUIMenuWindowController quickAccess;
    quickAccess.setDataSource(&source);
    quickAccess.setDelegate(&actions);
    renderSignedOut(quickAccess, item);
    renderSignedIn(quickAccess, item, driver);
    renderSignOutWithoutCompositor();
    renderSignOut(driver);
    renderIcons(item);
    renderPostureBadges();
    renderTrayMenus(driver);
    return render::exitCode();
}

#include "menus/StatusItemController.h"

#include "core/AppRouterProtocol.h"
#include "core/ApplicationModel.h"
#include "core/GlobalConstants.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "core/ServiceLayer.h"
#include "menus/QAUIMenuWindowController.h"
#include "menus/QAUIStack.h"
#include "menus/StatusItemMenuController.h"
#include "platform/Application.h"
#include "platform/StatusBar.h"
#include "toolkit/AppKitExtensions.h"

#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

#include <utility>

namespace {

MenuControllerProtocol* delegatesQuickAccessWindow() {
    auto* application = platform::Application::instance();
    auto* owner = application ? dynamic_cast<QAUIMenuWindowOwner*>(application->delegate()) : nullptr;
    if (!owner) {
        vlog::error(QStringLiteral("The application delegate has no quick-access window"));
        return nullptr;
    }
    return owner->generalQAUIWindowViewController();
}

} // namespace

// Hands the animator's frames to the controller while it lives.
class StatusItemController::FrameReceiver : public IntervalAnimatorDelegate {
public:
    FrameReceiver(StatusItemController* owner, std::weak_ptr<bool> alive)
        : m_owner(owner), m_alive(std::move(alive)) {}
    void frameUpdated(int frame) override {
        if (!m_alive.expired()) {
            m_owner->showFrame(frame);
        }
    }

private:
    StatusItemController* m_owner;
    std::weak_ptr<bool> m_alive;
};

StatusItemController::StatusItemController(MenuControllerDataSource* dataSource,
                                           MenuControllerDelegate* delegate)
    : m_menuController(delegatesQuickAccessWindow()) {
    setUp(dataSource, delegate, platform::StatusBar::system());
}

StatusItemController::StatusItemController(MenuControllerDataSource* dataSource,
                                           MenuControllerDelegate* delegate,
                                           MenuControllerProtocol* menuController,
                                           platform::StatusBar& statusBar)
    : m_menuController(menuController) {
    setUp(dataSource, delegate, statusBar);
}

void StatusItemController::setUp(MenuControllerDataSource* dataSource, MenuControllerDelegate* delegate,
                                 platform::StatusBar& bar) {
    if (m_menuController) {
        m_menuController->setDataSource(dataSource);
        m_menuController->setDelegate(delegate);
    }
    m_menuStyle = dynamic_cast<StatusItemMenuController*>(m_menuController);
    if (m_menuStyle) {
        m_statusItemMenu = m_menuStyle->statusItemMenuForLoggedOutState();
    }
    m_statusBar = &bar;
    m_statusItem = bar.statusItem();
    m_statusItem->setToolTip(GlobalConstants::productDisplayName());
    m_statusItem->setAction([this] { didClickStatusItemHandler(); });
    m_animator.delegate = std::make_shared<FrameReceiver>(this, m_alive);
    QObject::connect(&bar, &platform::StatusBar::trayPresenceChanged, m_statusItem, [this](bool present) {
        if (std::exchange(m_showWhenInTray, false) && present) {
            showMenu();
        }
    });
}

StatusItemController::~StatusItemController() {
    *m_alive = false;
    m_animator.stopAnimation();
    if (m_statusBar && m_statusItem) {
        m_statusBar->removeStatusItem(m_statusItem);
    }
}

void StatusItemController::showStateInToolTip(const QString& stateKey) {
    if (m_statusItem) {
        m_statusItem->setToolTip(GlobalConstants::productDisplayName() + QStringLiteral(": ") +
                                 L10n::localized(stateKey));
    }
}

void StatusItemController::setIcon(const QString& name) {
    if (m_statusItem) {
        m_statusItem->setImage(name, true);
    }
}

void StatusItemController::didClickStatusItemHandler() {
    if (!m_statusItem || !m_menuController) {
        return;
    }
    m_showWhenInTray = false;
    if (m_menuStyle) {
        popUpStatusItemMenu();
        return;
    }
    auto closeOtherWindows = [] {
        if (AppRouterProtocol* router = appRouter()) {
            router->closeOtherWindows();
        }
    };
    // With a Dock icon the windows go at once; as an agent only when the click opens the window.
    const bool agent = ServiceLayer::appModel().isAppInUserAgentMode();
    if (!agent) {
        closeOtherWindows();
    }
    std::weak_ptr<bool> alive = m_alive;
    runOnMainQueue(100, [this, alive, agent, closeOtherWindows] {
        if (!alive.lock()) {
            return;
        }
        if (agent && !isMenuWindowShown()) {
            closeOtherWindows();
        }
        m_menuController->toggleMenu(m_statusItem);
    });
}

void StatusItemController::popUpStatusItemMenu() {
    if (!m_statusItemMenu) {
        return;
    }
    const QRect anchor = statusItemAnchor(m_statusItem);
    const QScreen* screen = QGuiApplication::screenAt(anchor.center());
    const QRect available = screen ? screen->availableGeometry() : QRect();
    m_statusItemMenu->popup(placeMenuWindow(anchor, m_statusItemMenu->sizeHint(), available).frame.topLeft());
}

void StatusItemController::showFrame(int frame) {
    if (m_lastState == SDVPNConnectionState::connecting) {
        setIcon(QStringLiteral("MenuBar_icon_CONNECTING_") + QString::number(frame + 1));
    }
}

MenuControllerDataSource* StatusItemController::dataSource() const {
    return m_menuController ? m_menuController->dataSource() : nullptr;
}
void StatusItemController::setDataSource(MenuControllerDataSource* dataSource) {
    if (m_menuController) {
        m_menuController->setDataSource(dataSource);
    }
}
MenuControllerDelegate* StatusItemController::delegate() const {
    return m_menuController ? m_menuController->delegate() : nullptr;
}
void StatusItemController::setDelegate(MenuControllerDelegate* delegate) {
    if (m_menuController) {
        m_menuController->setDelegate(delegate);
    }
}

void StatusItemController::showMenu() {
    if (!m_menuController || !m_statusItem) {
        return;
    }
    // Without a tray there is nothing to drop the window from: it would hang in a corner of the screen.
    // A tray host that has yet to list the icon does so in a moment; the window opens then.
    if (!m_statusItem->isTrayIconShown()) {
        m_showWhenInTray = m_statusBar && m_statusBar->isTrayAvailable();
        return;
    }
    m_showWhenInTray = false;
    if (!isMenuWindowShown()) {
        m_menuController->toggleMenu(m_statusItem);
    }
}

#define VELTRIX_FORWARD(call)                                                                                \
    if (m_menuController) {                                                                                  \
        m_menuController->call;                                                                              \
    }

void StatusItemController::toggleMenu(platform::StatusItem* relativeTo) {
    VELTRIX_FORWARD(toggleMenu(relativeTo))
}
void StatusItemController::setLoggedInState() {
    if (m_menuStyle) {
        m_statusItemMenu = m_menuStyle->statusItemMenuForLoggedInState();
    }
    VELTRIX_FORWARD(setLoggedInState())
}
void StatusItemController::setLoggedOutState() {
    if (m_menuStyle) {
        m_statusItemMenu = m_menuStyle->statusItemMenuForLoggedOutState();
    }
    VELTRIX_FORWARD(setLoggedOutState())
}
void StatusItemController::updateGroupedLocations() {
    VELTRIX_FORWARD(updateGroupedLocations())
}
void StatusItemController::updateLocationLists() {
    VELTRIX_FORWARD(updateLocationLists())
}
void StatusItemController::setUpgradeState() {
    VELTRIX_FORWARD(setUpgradeState())
}
void StatusItemController::updateIPAddress(const PDPublicIPInfoPtr& info) {
    VELTRIX_FORWARD(updateIPAddress(info))
}
void StatusItemController::updateTimeConnected(const QString& timeConnected) {
    VELTRIX_FORWARD(updateTimeConnected(timeConnected))
}
void StatusItemController::updateShowApplicationItem() {
    VELTRIX_FORWARD(updateShowApplicationItem())
}
void StatusItemController::updateStatusView() {
    VELTRIX_FORWARD(updateStatusView())
}
void StatusItemController::updateStatusOptions() {
    VELTRIX_FORWARD(updateStatusOptions())
}
void StatusItemController::updateStatusOptionStates() {
    VELTRIX_FORWARD(updateStatusOptionStates())
}
void StatusItemController::updateNetworkGroups() {
    VELTRIX_FORWARD(updateNetworkGroups())
}
void StatusItemController::showErrorNotification(const QString& title, const QString& message) {
    VELTRIX_FORWARD(showErrorNotification(title, message))
}
void StatusItemController::hideNotifications(bool animated) {
    VELTRIX_FORWARD(hideNotifications(animated))
}
void StatusItemController::showProgressIndicator() {
    VELTRIX_FORWARD(showProgressIndicator())
}
void StatusItemController::hideProgressIndicator() {
    VELTRIX_FORWARD(hideProgressIndicator())
}

void StatusItemController::setConnectedState() {
    m_lastState = SDVPNConnectionState::connected;
    m_animator.stopAnimation();
    VELTRIX_FORWARD(setConnectedState())
    setIcon(QStringLiteral("MenuBar_icon_CONNECTED"));
    showStateInToolTip(QStringLiteral("connection_status_connected_label"));
}

void StatusItemController::setDisconnectedState() {
    m_lastState = SDVPNConnectionState::disconnected;
    m_animator.stopAnimation();
    VELTRIX_FORWARD(setDisconnectedState())
    setIcon(QStringLiteral("MenuBar_icon_DISCONNECTED"));
    showStateInToolTip(QStringLiteral("connection_status_disconnected_label"));
}

void StatusItemController::setConnectingState() {
    // Each status report of a connection under way says "connecting" again; the icon keeps cycling.
    const bool cycling = m_lastState == SDVPNConnectionState::connecting && m_animator.isAnimating();
    m_lastState = SDVPNConnectionState::connecting;
    if (!cycling) {
        m_animator.stopAnimation();
    }
    VELTRIX_FORWARD(setConnectingState())
    if (!cycling) {
        m_animator.startAnimation();
    }
    showStateInToolTip(QStringLiteral("connect_button_status_connecting_label"));
}

#undef VELTRIX_FORWARD

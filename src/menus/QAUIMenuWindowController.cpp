#include "menus/QAUIMenuWindowController.h"

#include "core/AppRouterProtocol.h"
#include "menus/QAUISignOutController.h"
#include "platform/Application.h"
#include "platform/Scheduler.h"
#include "platform/StatusBar.h"
#include "platform/Storyboard.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/AppKitExtensions.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

#include <set>
#include <utility>

namespace {

std::set<QAUIMenuWindowController*>& shownMenuWindows() {
    static std::set<QAUIMenuWindowController*> shown;
    return shown;
}

template <class T>
T* instantiateChild(const QString& identifier, QObject* parent) {
    std::unique_ptr<T> controller =
        platform::Storyboard::named(QStringLiteral("QAUIMenu")).instantiate<T>(identifier);
    if (!controller) {
        return nullptr;
    }
    controller->setParent(parent);
    return controller.release();
}

} // namespace

void closeMenuWindows() {
    const auto shown = shownMenuWindows();
    for (QAUIMenuWindowController* controller : shown) {
        controller->close();
    }
}

QAUIMenuWindowController::QAUIMenuWindowController(QObject* parent) : platform::WindowController(parent) {
    m_networks =
        instantiateChild<QAUINetworksWindowController>(QStringLiteral("QAUINetworksWindowController"), this);
    m_networks->onCancel = [this] { close(); };
    window(); // loads the pages at once
    // Shown for a glance from the tray, hidden most of the time: its buffers are not kept meanwhile.
    setReleasesNativeWindowWhenHidden(true);
    m_networks->setReleasesNativeWindowWhenHidden(true);
}

QAUIMenuWindowController::~QAUIMenuWindowController() {
    shownMenuWindows().erase(this);
    noteWindowShown(this, ShownWindowKind::menuWindow, false);
    setContentViewController(nullptr);
}

QWidget* QAUIMenuWindowController::loadWindow() {
    auto* window = new StatusItemMenuWindow;
    window->setFixedWidth(qaui::windowWidth);
    window->resize(qaui::windowWidth, 236);
    m_contentHost = scrollingContentHost(window);
    window->onCancel = [this] { close(); };
    window->installEventFilter(this);
    return window;
}

QWidget* QAUIMenuWindowController::contentHost() {
    return m_contentHost;
}

void QAUIMenuWindowController::windowDidLoad() {
    if (auto* app = platform::Application::instance()) {
        connect(app, &platform::Application::didResignActive, this,
                &QAUIMenuWindowController::didResignActive);
    }
    m_loggedIn =
        instantiateChild<QAUILoggedInViewController>(QStringLiteral("QAUILoggedInViewController"), this);
    if (m_loggedIn) {
        m_loggedIn->view();
        m_loggedIn->setDelegate(m_delegate);
        m_loggedIn->setDataSource(m_dataSource);
        m_loggedIn->setRoutingDelegate(this);
    }
}

void QAUIMenuWindowController::setDataSource(MenuControllerDataSource* dataSource) {
    m_dataSource = dataSource;
    if (m_loggedIn) {
        m_loggedIn->setDataSource(dataSource);
    }
}

void QAUIMenuWindowController::setDelegate(MenuControllerDelegate* delegate) {
    m_delegate = delegate;
    if (m_loggedIn) {
        m_loggedIn->setDelegate(delegate);
    }
}

// Showing and closing --------------------------------------------------------------------------------------

void QAUIMenuWindowController::place() {
    const QRect anchor = statusItemAnchor(m_statusItem);
    const QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    QWidget* menuWindow = window();
    const MenuWindowPlacement placement =
        placeMenuWindow(anchor, menuWindow->size(), screen ? screen->availableGeometry() : QRect());
    setKeepsBottomEdge(menuWindow, placement.keepsBottomEdge);
    menuWindow->setGeometry(placement.frame);
}

void QAUIMenuWindowController::showWindow() {
    if (isSignOutWindowVisible()) {
        return;
    }
    place();
    platform::WindowController::showWindow();
    shownMenuWindows().insert(this);
    noteWindowShown(this, ShownWindowKind::menuWindow, true);
    // The other windows are closed by the click that opens this one (the status item), not here: the
    // client also opens it itself right after showing the main or sign-in window, which must stay.
    // No background blur on this platform: the window paints its own opaque card.
}

void QAUIMenuWindowController::toggleMenu(platform::StatusItem* relativeTo) {
    if (isWindowVisible()) {
        close();
        return;
    }
    if (m_closedByFocusLoss) {
        const auto since = platform::Scheduler::shared().now() - *m_closedByFocusLoss;
        m_closedByFocusLoss.reset();
        if (since < std::chrono::duration<double>(reopenGuardSeconds)) {
            return; // the click that took the focus away already closed it
        }
    }
    if (relativeTo) {
        m_statusItem = relativeTo;
    }
    showWindow();
    if (auto* app = platform::Application::instance(); app && isWindowVisible()) {
        app->activate(true);
    }
}

void QAUIMenuWindowController::didResignActive() {
    if (!isWindowVisible()) {
        return;
    }
    m_closedByFocusLoss = platform::Scheduler::shared().now();
    close();
}

void QAUIMenuWindowController::windowWillClose() {
    shownMenuWindows().erase(this);
    noteWindowShown(this, ShownWindowKind::menuWindow, false);
    m_networks->setParentView(nullptr);
    closeNetworksWindow();
    if (QWidget* focused = window()->focusWidget()) {
        focused->clearFocus();
    }
}

bool QAUIMenuWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (isWindowLoaded() && watched == window() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        placeNetworksWindow();
    }
    return platform::WindowController::eventFilter(watched, event);
}

// Pages ----------------------------------------------------------------------------------------------------

QAUILoggedOutViewController* QAUIMenuWindowController::loggedOutPage() {
    if (!m_loggedOut) {
        m_loggedOut = instantiateChild<QAUILoggedOutViewController>(
            QStringLiteral("QAUILoggedOutViewController"), this);
        if (m_loggedOut) {
            m_loggedOut->view();
        }
    }
    return m_loggedOut;
}

void QAUIMenuWindowController::showLoggedOutPage() {
    if (auto* page = loggedOutPage()) {
        setContentViewController(page);
        page->updateWindowHeight(false);
    }
}

void QAUIMenuWindowController::showLoggedInPage() {
    if (m_loggedIn) {
        setContentViewController(m_loggedIn);
        m_loggedIn->updateWindowHeight(false);
    }
    // Signed in, the page is not needed until a sign-out: made again then.
    if (m_loggedOut && contentViewController() != m_loggedOut) {
        std::exchange(m_loggedOut, nullptr)->deleteLater();
    }
}

void QAUIMenuWindowController::showOnboardingPage() {
    std::unique_ptr<platform::ViewController> page =
        platform::Storyboard::named(QStringLiteral("QAUIMenu"))
            .instantiate<platform::ViewController>(QStringLiteral("QAUIOnBoardingPageViewController"));
    if (!page) {
        return;
    }
    setContentViewController(page.get());
    m_onboarding = std::move(page); // the previous one goes after its view left the window
    resizeMenuWindow(window(), qaui::onboardingPageHeight, false);
}

void QAUIMenuWindowController::showErrorNotification(const QString& title, const QString& description,
                                                     std::optional<bool> animated) {
    const bool animate = animated.value_or(isMenuWindowShown());
    QPointer<QAUILoggedOutViewController> page = loggedOutPage();
    runOnMainQueue(500, [page, title, description, animate] {
        if (page) {
            page->errorView()->addNotification(title, description, animate);
        }
    });
}

void QAUIMenuWindowController::hideNotifications(std::optional<bool> animated) {
    const bool animate = animated.value_or(isMenuWindowShown());
    QPointer<QAUILoggedOutViewController> page = m_loggedOut;
    runOnMainQueue(500, [page, animate] {
        if (page) {
            page->errorView()->removeAllNotifications(animate);
        }
    });
}

// Hub updates ----------------------------------------------------------------------------------------------

void QAUIMenuWindowController::updateGroupedLocations() {
    if (m_loggedIn) {
        m_loggedIn->updateGroupedLocations();
    }
}

void QAUIMenuWindowController::updateLocationLists() {
    if (m_loggedIn) {
        m_loggedIn->updateLocationLists();
    }
    const PDNetworksModelPtr networks = VeltrixXPC::networks();
    const std::optional<QAUINetworkGroupsViewItem> shown = m_networks->networkItemType();
    if (!networks || !shown || !m_networks->isWindowVisible()) {
        return;
    }
    const bool empty = *shown == QAUINetworkGroupsViewItem::sharedNetworks
                           ? networks->sharedNetworks().isEmpty()
                           : networks->privateNetworks().isEmpty();
    if (empty) {
        closeNetworksWindow();
        return;
    }
    m_networks->content()->reload(); // the open list follows the new lists
    placeNetworksWindow();
}

void QAUIMenuWindowController::setConnectedState() {
    if (m_loggedIn) {
        m_loggedIn->setConnectedState();
    }
}

void QAUIMenuWindowController::setConnectingState() {
    if (m_loggedIn) {
        m_loggedIn->setConnectingState();
    }
}

void QAUIMenuWindowController::setDisconnectedState() {
    if (m_loggedIn) {
        m_loggedIn->setDisconnectedState();
    }
}

void QAUIMenuWindowController::updateIPAddress(const PDPublicIPInfoPtr& info) {
    if (m_loggedIn) {
        m_loggedIn->updateIPAddress(info);
    }
}

void QAUIMenuWindowController::updateTimeConnected(const QString& timeConnected) {
    if (m_loggedIn) {
        m_loggedIn->updateTimeConnected(timeConnected);
    }
}

void QAUIMenuWindowController::updateStatusView() {
    if (m_loggedIn) {
        m_loggedIn->refreshStatusView();
    }
}

void QAUIMenuWindowController::updateNetworkGroups() {
    if (m_loggedIn) {
        m_loggedIn->updateNetworkGroups();
    }
}

void QAUIMenuWindowController::showProgressIndicator() {
    if (auto* page = loggedOutPage()) {
        page->showProgressIndicator();
    }
}

void QAUIMenuWindowController::hideProgressIndicator() {
    if (m_loggedOut) {
        m_loggedOut->hideProgressIndicator();
    }
}

// Child window ---------------------------------------------------------------------------------------------

void QAUIMenuWindowController::closeNetworksWindow() {
    if (!m_networks->isWindowVisible()) {
        return;
    }
    m_networks->setDelegate(nullptr);
    m_networks->setDataSource(nullptr);
    m_networks->close();
}

void QAUIMenuWindowController::networkGroupSelected(QAUINetworkGroupsViewItem item, QWidget* sender) {
    if (!sender) {
        return;
    }
    if (m_networks->isWindowVisible()) {
        closeNetworksWindow();
        m_networks->setParentView(nullptr);
        return;
    }
    if (qobject_cast<SelectableTableRowView*>(sender)) {
        m_networks->setParentView(sender);
    }
    m_childAnchor = sender;
    m_networks->setDelegate(m_delegate);
    m_networks->setDataSource(m_dataSource);
    m_networks->setNetworkItemType(item);
    QWidget* child = m_networks->window();
    // A tool window transient for this one: it stays above it and goes with it.
    if (child->parentWidget() != window()) {
        child->setParent(window(), child->windowFlags());
    }
    placeNetworksWindow();
    m_networks->showWindow();
}

void QAUIMenuWindowController::placeNetworksWindow() {
    if (!m_childAnchor || !m_networks->isWindowLoaded()) {
        return;
    }
    QWidget* menuWindow = window();
    QWidget* child = m_networks->window();
    const QRect rowInWindow(m_childAnchor->mapTo(menuWindow, QPoint(0, 0)), m_childAnchor->size());
    const QRect row(menuWindow->mapToGlobal(rowInWindow.topLeft()), rowInWindow.size());
    const QScreen* screen = menuWindow->screen();
    child->setGeometry(childWindowFrame(row, child->size(), screen ? screen->availableGeometry() : QRect()));
}

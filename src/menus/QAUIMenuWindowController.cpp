#include "menus/QAUIMenuWindowController.h"

#include "core/AppRouterProtocol.h"
#include "core/LocalizedStrings.h"
#include "platform/Storyboard.h"
#include "toolkit/AppKitExtensions.h"

#include <QPointer>

#include <set>

VELTRIX_STORYBOARD_CONTROLLER("QAUIMenu", "QAUIMenuWindowController", QAUIMenuWindowController);

namespace {

std::set<QAUIMenuWindowController*>& shownMenuWindows() {
    static std::set<QAUIMenuWindowController*> shown;
    return shown;
}

} // namespace

void closeMenuWindows() {
    const auto shown = shownMenuWindows();
    for (QAUIMenuWindowController* controller : shown) {
        controller->close();
    }
}

// Logged-in page --------------------------------------------------------------------------------------------

QAUILoggedInPageController::QAUILoggedInPageController(QObject* parent) : NSViewControllerBase(parent) {}

QWidget* QAUILoggedInPageController::loadView() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    m_status = new QLabel(L10n::connection_status_disconnected_label());
    m_network = new QLabel;
    m_address = new QLabel;
    m_time = new QLabel;
    m_connect = new QPushButton(L10n::menu_bar_connect_item_connect_label());
    m_locations = new QListWidget;
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_status, m_network, m_address, m_time, m_connect, m_locations}) {
        layout->addWidget(w);
    }
    connect(m_connect, &QPushButton::clicked, this, [this] {
        if (m_delegate) {
            m_delegate->connect(m_connect);
        }
    });
    connect(m_locations, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (!m_delegate || !m_dataSource) {
            return;
        }
        const int row = m_locations->row(item);
        const QList<PDNetworkItemPtr> locations =
            m_dataSource->groupedLocations() + m_dataSource->publicLocations();
        if (row >= 0 && row < locations.size()) {
            m_delegate->didSelectLocation(locations.at(row));
        }
    });
    return view;
}

void QAUILoggedInPageController::setStatus(const QString& status, const QString& connectTitle) {
    view();
    m_status->setText(status);
    m_connect->setText(connectTitle);
}

void QAUILoggedInPageController::setAddress(const QString& address) {
    view();
    m_address->setText(address);
}

void QAUILoggedInPageController::setTimeConnected(const QString& time) {
    view();
    m_time->setText(time);
}

void QAUILoggedInPageController::refreshStatusView() {
    view();
    const PDNetworkItemPtr network = m_dataSource ? m_dataSource->currentNetwork() : nullptr;
    m_network->setText(network ? network->displayTitle() : QString());
    m_locations->clear();
    if (m_dataSource) {
        for (const PDNetworkItemPtr& item :
             m_dataSource->groupedLocations() + m_dataSource->publicLocations()) {
            m_locations->addItem(item ? item->displayTitle() : QString());
        }
    }
}

QStringList QAUILoggedInPageController::locationTitles() const {
    QStringList titles;
    if (m_locations) {
        for (int row = 0; row < m_locations->count(); ++row) {
            titles << m_locations->item(row)->text();
        }
    }
    return titles;
}

// Logged-out page -------------------------------------------------------------------------------------------

QAUILoggedOutPageController::QAUILoggedOutPageController(QObject* parent) : NSViewControllerBase(parent) {}

QWidget* QAUILoggedOutPageController::loadView() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    m_toasts = new QVBoxLayout;
    m_busyLabel = new QLabel(tr("Signing in…"));
    m_busyLabel->setVisible(m_busy);
    m_signIn = new QPushButton(tr("Sign In"));
    layout->addLayout(m_toasts);
    layout->addStretch();
    layout->addWidget(m_busyLabel);
    layout->addWidget(m_signIn);
    connect(m_signIn, &QPushButton::clicked, this, [this] {
        if (m_delegate) {
            m_delegate->signIn(m_signIn);
        }
    });
    return view;
}

void QAUILoggedOutPageController::setBusy(bool busy) {
    m_busy = busy;
    if (isViewLoaded()) {
        m_busyLabel->setVisible(busy);
        m_signIn->setEnabled(!busy);
    }
}

void QAUILoggedOutPageController::addToast(const QString& title, const QString& description) {
    if (m_toastTitles.contains(title)) {
        return;
    }
    view();
    auto* toast = new QLabel(title + QLatin1Char('\n') + description);
    toast->setWordWrap(true);
    m_toasts->addWidget(toast);
    m_toastTitles << title;
}

void QAUILoggedOutPageController::removeAllToasts() {
    m_toastTitles.clear();
    if (!m_toasts) {
        return;
    }
    while (QLayoutItem* item = m_toasts->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

void QAUILoggedOutPageController::reset() {
    setBusy(false);
    removeAllToasts();
}

// Window ----------------------------------------------------------------------------------------------------

QAUIMenuWindowController::QAUIMenuWindowController(QObject* parent)
    : platform::WindowController(parent), m_loggedIn(std::make_unique<QAUILoggedInPageController>()),
      m_loggedOut(std::make_unique<QAUILoggedOutPageController>()) {}

QAUIMenuWindowController::~QAUIMenuWindowController() {
    shownMenuWindows().erase(this);
    noteWindowShown(this, ShownWindowKind::menuWindow, false);
    setContentViewController(nullptr);
}

QWidget* QAUIMenuWindowController::loadWindow() {
    auto* window = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    window->resize(320, 480);
    return window;
}

void QAUIMenuWindowController::showWindow() {
    platform::WindowController::showWindow();
    shownMenuWindows().insert(this);
    noteWindowShown(this, ShownWindowKind::menuWindow, true);
}

void QAUIMenuWindowController::windowWillClose() {
    shownMenuWindows().erase(this);
    noteWindowShown(this, ShownWindowKind::menuWindow, false);
}

void QAUIMenuWindowController::setDataSource(MenuControllerDataSource* dataSource) {
    m_dataSource = dataSource;
    m_loggedIn->setDataSource(dataSource);
}

void QAUIMenuWindowController::setDelegate(MenuControllerDelegate* delegate) {
    m_delegate = delegate;
    m_loggedIn->setDelegate(delegate);
    m_loggedOut->setDelegate(delegate);
}

void QAUIMenuWindowController::showLoggedInPage() {
    m_loggedOut->reset();
    setContentViewController(m_loggedIn.get());
    m_loggedIn->refreshStatusView();
}

void QAUIMenuWindowController::showLoggedOutPage() {
    setContentViewController(m_loggedOut.get());
}

void QAUIMenuWindowController::showOnboardingPage() {
    auto page =
        platform::Storyboard::named(QStringLiteral("QAUIMenu"))
            .instantiate<platform::ViewController>(QStringLiteral("QAUIOnBoardingPageViewController"));
    if (!page) {
        return;
    }
    setContentViewController(page.get());
    m_onboarding = std::move(page); // the previous one goes after its view left the window
}

void QAUIMenuWindowController::showErrorMessage(const QString& title, const QString& description,
                                                bool animated) {
    (void)animated; // toasts appear without a fade for now
    QPointer<QAUILoggedOutPageController> page = m_loggedOut.get();
    runOnMainQueue(500, [page, title, description] {
        if (page) {
            page->addToast(title, description);
        }
    });
}

void QAUIMenuWindowController::clearErrorMessages(bool animated) {
    (void)animated;
    QPointer<QAUILoggedOutPageController> page = m_loggedOut.get();
    runOnMainQueue(500, [page] {
        if (page) {
            page->removeAllToasts();
        }
    });
}

void QAUIMenuWindowController::showMenu() {
    if (!isMenuWindowShown()) {
        showWindow();
    }
}

void QAUIMenuWindowController::toggleMenu(QWidget* relativeTo) {
    (void)relativeTo;
    if (isWindowVisible()) {
        close();
    } else {
        showWindow();
    }
}

void QAUIMenuWindowController::updateGroupedLocations() {
    m_loggedIn->refreshStatusView();
}
void QAUIMenuWindowController::updateLocationLists() {
    m_loggedIn->refreshStatusView();
}
void QAUIMenuWindowController::updateStatusView() {
    m_loggedIn->refreshStatusView();
}
void QAUIMenuWindowController::updateNetworkGroups() {
    m_loggedIn->refreshStatusView();
}

void QAUIMenuWindowController::setConnectedState() {
    m_loggedIn->setStatus(L10n::main_view_connected_to_label(),
                          L10n::connect_button_status_disconnect_label());
}

void QAUIMenuWindowController::setDisconnectedState() {
    m_loggedIn->setStatus(L10n::connection_status_disconnected_label(),
                          L10n::menu_bar_connect_item_connect_label());
    m_loggedIn->setTimeConnected(QString());
}

void QAUIMenuWindowController::setConnectingState() {
    m_loggedIn->setStatus(L10n::main_view_connecting_to_label(),
                          L10n::connect_button_status_connecting_label());
}

void QAUIMenuWindowController::setUpgradeState() {
    m_loggedIn->setStatus(L10n::connection_status_disconnected_label(),
                          L10n::menu_bar_connect_item_upgrade_label());
}

void QAUIMenuWindowController::updateIPAddress(const PDPublicIPInfoPtr& info) {
    m_loggedIn->setAddress(info ? info->ipAddress() : L10n::connection_IP_address_failed_to_fetch_label());
}

void QAUIMenuWindowController::updateTimeConnected(const QString& timeConnected) {
    m_loggedIn->setTimeConnected(timeConnected);
}

void QAUIMenuWindowController::showProgressIndicator() {
    m_loggedOut->setBusy(true);
}
void QAUIMenuWindowController::hideProgressIndicator() {
    m_loggedOut->setBusy(false);
}

#include "mainwindow/MainSubController.h"

#include "core/ApplicationModel.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "core/MenuService.h"
#include "core/QAUINotifier.h"
#include "core/ServiceLayer.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "platform/Storyboard.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/BaseWindowViewController.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

VELTRIX_STORYBOARD_CONTROLLER("General", "MainSubController", MainSubController);

namespace {

QString timeText(double seconds) {
    const qint64 total = seconds > 0 ? static_cast<qint64>(seconds) : 0;
    return QStringLiteral("%1:%2:%3")
        .arg(total / 3600 % 24, 2, 10, QLatin1Char('0'))
        .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

MainSubController::MainSubController(QObject* parent) : GeneralSubController(parent) {}

MainSubController::~MainSubController() {
    *m_alive = false;
    if (VeltrixXPC::vpnStatusUpdatesDelegate() == this) {
        VeltrixXPC::setVpnStatusUpdatesDelegate(nullptr);
    }
    if (VeltrixXPC::connectivityDelegate() == this) {
        VeltrixXPC::setConnectivityDelegate(nullptr);
    }
}

QWidget* MainSubController::loadView() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    m_normalView = new QWidget;
    auto* normal = new QVBoxLayout(m_normalView);
    m_networkTitleField = new QLabel;
    m_networkTitleField->setObjectName(QStringLiteral("networkTitleField"));
    m_networkTitleField->setAlignment(Qt::AlignCenter);
    m_statusLabel = new QLabel;
    m_statusLabel->setAlignment(Qt::AlignCenter);
    m_timeLabel = new QLabel;
    m_timeLabel->setAlignment(Qt::AlignCenter);
    m_connectButton = new QPushButton;
    m_connectButton->setObjectName(QStringLiteral("connectButton"));
    m_updateRequiredLabel = new QLabel(L10n::menu_bar_connect_item_upgrade_label());
    m_updateRequiredLabel->setVisible(false);
    normal->addWidget(m_networkTitleField);
    normal->addWidget(m_statusLabel);
    normal->addWidget(m_timeLabel);
    normal->addWidget(m_connectButton, 0, Qt::AlignCenter);
    normal->addWidget(m_updateRequiredLabel);
    m_autoReconnectView = new QLabel(L10n::main_view_auto_reconnect_header_for_alwayson());
    m_autoReconnectView->setVisible(false);
    m_errorView = new QWidget;
    auto* error = new QVBoxLayout(m_errorView);
    m_errorTitleLabel = new QLabel;
    m_errorMessageLabel = new QLabel;
    m_errorMessageLabel->setWordWrap(true);
    error->addWidget(m_errorTitleLabel);
    error->addWidget(m_errorMessageLabel);
    m_errorView->setVisible(false);
    layout->addWidget(m_errorView);
    layout->addStretch();
    layout->addWidget(m_normalView);
    layout->addWidget(m_autoReconnectView);
    layout->addStretch();
    connect(m_connectButton, &QPushButton::clicked, this, [this] { connectToVPN(m_connectButton); });
    return view;
}

void MainSubController::viewDidLoad() {
    updateUIForConnectionState();
}

void MainSubController::onMain(std::function<void(MainSubController&)> f) {
    QPointer<MainSubController> self = this;
    platform::DispatchQueue::main().async([self, f = std::move(f)] {
        if (self) {
            f(*self);
        }
    });
}

void MainSubController::connectToVPN(QObject* sender) {
    (void)sender;
    ApplicationModel& model = ServiceLayer::appModel();
    const PDNetworkItemPtr network = VeltrixXPC::currentNetwork();
    if (model.isAlwaysOnEnabled() || !network) {
        return;
    }
    if (model.isForcedUpdateAvailable()) {
        showAutoUpdateSheet();
        return;
    }
    if (VeltrixXPC::connectionState() == SDVPNConnectionState::disconnected) {
        if (!network->vpnConfiguration()) {
            vlog::warning(QStringLiteral("Network has no VPN configuration; not connecting"));
            return;
        }
        VeltrixXPC::connect(*network->vpnConfiguration());
        return;
    }
    performIntentionalDisconnect();
}

void MainSubController::performIntentionalDisconnect() {
    VeltrixXPC::disconnect(true, false, false);
}

void MainSubController::updateUIForConnectionState() {
    showConnectionState(VeltrixXPC::connectionState());
}

void MainSubController::showConnectionState(SDVPNConnectionState state) {
    if (!isViewLoaded()) {
        return;
    }
    switch (state) {
    case SDVPNConnectionState::disconnected:
        m_statusLabel->setText(L10n::connection_status_disconnected_label());
        m_connectButton->setText(L10n::connect_button_status_connect_label());
        m_timeLabel->clear();
        break;
    case SDVPNConnectionState::connecting:
        m_statusLabel->setText(L10n::main_view_connecting_to_label());
        m_connectButton->setText(L10n::connect_button_status_connecting_label());
        break;
    case SDVPNConnectionState::connected:
        m_statusLabel->setText(L10n::main_view_connected_to_label());
        m_connectButton->setText(L10n::connect_button_status_disconnect_label());
        break;
    case SDVPNConnectionState::reconnecting:
        m_statusLabel->setText(L10n::main_view_connecting_to_label());
        m_connectButton->setText(L10n::connect_button_status_reconnecting_label());
        break;
    }
}

void MainSubController::registerAsSDKDelegate() {
    VeltrixXPC::setVpnStatusUpdatesDelegate(this);
    VeltrixXPC::setConnectivityDelegate(this);
}

void MainSubController::showNetwork(const PDNetworkItemPtr& network) {
    if (!network) {
        return;
    }
    view();
    m_networkTitleField->setText(network->displayTitle());
    VeltrixXPC::sendAnalytics(AnalyticsEvent(
        0, 13, std::nullopt, AnalyticsTrigger::button(m_networkTitleField->text()),
        AnalyticsEvent::Parameters{{AnalyticsParameter::networkId, network->id().value_or(QString())},
                                   {AnalyticsParameter::networkName, network->displayTitle()}},
        std::nullopt));
}

void MainSubController::updateNetworks(const PDNetworksModelPtr& networks) {
    if (isViewLoaded()) {
        m_networks = networks;
    }
}

void MainSubController::showError(const QString& title, const QString& message) {
    view();
    m_errorTitleLabel->setText(title);
    m_errorMessageLabel->setText(message);
    m_errorView->setVisible(true);
    if (!isWindowOpened()) {
        QAUINotifier::showNotification(title, message, QAUINotificationCategory::error);
    }
}

void MainSubController::hideErrorView() {
    if (m_errorView) {
        m_errorView->setVisible(false);
    }
}

void MainSubController::showUpdateAvailableMessage() {
    QString message = L10n::update_available_message();
    message.replace(QStringLiteral("|version|"), VeltrixXPC::appConfig().offeredVersion);
    showError(L10n::update_available_title(), message);
}

void MainSubController::showAutoUpdateSheet() {
    const auto storyboard = platform::Storyboard::named(QStringLiteral("AutoUpdate"));
    auto sheet = storyboard.instantiate<platform::ViewController>(QStringLiteral("AutoUpdateViewController"));
    if (!sheet) {
        return;
    }
    platform::ViewController* controller = sheet.release();
    controller->setParent(this);
    presentAsSheet(controller);
}

void MainSubController::setForcedUpdateLook(bool forced) {
    view();
    m_updateRequiredLabel->setVisible(forced);
    m_connectButton->setEnabled(!forced);
    m_connectButton->setVisible(!forced);
}

void MainSubController::showForcedUpdateState() {
    onMain([](MainSubController& self) {
        if (!ServiceLayer::appModel().isForcedUpdateAvailable()) {
            return;
        }
        self.setForcedUpdateLook(true);
        ServiceLayer::shared().menuService().setUpgradeState();
    });
}

void MainSubController::hideForcedUpdateState() {
    onMain([](MainSubController& self) {
        if (ServiceLayer::appModel().isForcedUpdateAvailable()) {
            return;
        }
        self.setForcedUpdateLook(false);
        ServiceLayer::shared().menuService().setDisconnectedState();
    });
}

void MainSubController::exitAutoReconnectState() {
    if (!m_autoReconnectView || m_autoReconnectView->isHidden()) {
        return;
    }
    ServiceLayer::appModel().setAutoReconnectInProgress(false);
    m_normalView->setVisible(true);
    m_autoReconnectView->setVisible(false);
}

void MainSubController::appWillBecomeActive() {
    // The network animation comes with the animated network view; the state text is redrawn meanwhile.
    if (isViewLoaded()) {
        updateUIForConnectionState();
    }
}

void MainSubController::appDidResignActive() {}

void MainSubController::onConnectedToVPN() {
    onMain([](MainSubController& self) { self.followConnectionState(SDVPNConnectionState::connected); });
}

void MainSubController::onConnectingToVPN(bool) {
    onMain([](MainSubController& self) { self.followConnectionState(SDVPNConnectionState::connecting); });
}

void MainSubController::onDisconnectedFromVPN(bool) {
    onMain([](MainSubController& self) { self.followConnectionState(SDVPNConnectionState::disconnected); });
}

void MainSubController::onReConnectingToVPN() {
    onMain([](MainSubController& self) { self.followConnectionState(SDVPNConnectionState::reconnecting); });
}

void MainSubController::followConnectionState(SDVPNConnectionState state) {
    // The model carries the state on to the menus (its callback is the application delegate's).
    ServiceLayer::appModel().setCurrentConnectionState(state);
    showConnectionState(state);
}

void MainSubController::onErrorConnectingToVPNWithError(const PDError& error) {
    const QString message = error.localizedDescription();
    onMain([message](MainSubController& self) {
        self.showError(QObject::tr("Connection Failed"), message);
        self.followConnectionState(SDVPNConnectionState::disconnected);
    });
}

void MainSubController::onConnectionTimeUpdatedWithTime(double seconds) {
    // Posted on the SDK's thread: the menus and the information view each move to the main queue.
    const QString time = timeText(seconds);
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("tickTimeUpdated"), nullptr,
                                                       {{QStringLiteral("timeConnected"), time}});
    onMain([time](MainSubController& self) {
        if (self.m_timeLabel) {
            self.m_timeLabel->setText(time);
        }
    });
}

void MainSubController::onConnectionReachable() {
    onMain([](MainSubController& self) { self.updateUIForConnectionState(); });
}

void MainSubController::onConnectionUnReachable() {
    onMain([](MainSubController& self) { self.updateUIForConnectionState(); });
}

QString MainSubController::networkTitle() const {
    return m_networkTitleField ? m_networkTitleField->text() : QString();
}
QString MainSubController::statusText() const {
    return m_statusLabel ? m_statusLabel->text() : QString();
}
QString MainSubController::connectButtonTitle() const {
    return m_connectButton ? m_connectButton->text() : QString();
}
bool MainSubController::isConnectButtonAvailable() const {
    return m_connectButton && m_connectButton->isEnabled() && !m_connectButton->isHidden();
}
bool MainSubController::isErrorViewShown() const {
    return m_errorView && !m_errorView->isHidden();
}
QString MainSubController::errorTitle() const {
    return m_errorTitleLabel ? m_errorTitleLabel->text() : QString();
}
QString MainSubController::errorMessage() const {
    return m_errorMessageLabel ? m_errorMessageLabel->text() : QString();
}
bool MainSubController::isUpdateRequiredShown() const {
    return m_updateRequiredLabel && !m_updateRequiredLabel->isHidden();
}
bool MainSubController::isAutoReconnectViewShown() const {
    return m_autoReconnectView && !m_autoReconnectView->isHidden();
}
QString MainSubController::timeConnectedText() const {
    return m_timeLabel ? m_timeLabel->text() : QString();
}

#include "mainwindow/MainSubController.h"

#include "core/ApplicationModel.h"
#include "core/GlobalConstants.h"
#include "core/InstalledUpdate.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "core/MenuService.h"
#include "core/Preferences.h"
#include "core/QAUINotifier.h"
#include "core/ServiceLayer.h"
#include "core/ShownWindows.h"
#include "core/SilentUpdateService.h"
#include "mainwindow/ConnectionEstablishedController.h"
#include "mainwindow/GeneralViewController.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "platform/Storyboard.h"
#include "platform/UserDefaults.h"
#include "sdk/Veltrix.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/Colors.h"
#include "toolkit/TextAttributes.h"

#include <QAction>
#include <QEvent>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr QSize kTabSize(360, 600);
constexpr int kSideMargin = 16;

// The tab's root: tells its controller when its size changes, so the banner and the panels that stand
// in for the content follow.
class HomeTabView : public QWidget {
public:
    std::function<void()> onResize;

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (onResize) {
            onResize();
        }
    }
};

// The home tab's column, top to bottom: network view, state text, network title, change-network link,
// connect button, connection information, options strip. Each part's gap above it is given as wanted and
// as least: a banner or a full connection squeezes the gaps first, and a banner gives up height before the
// column leaves the tab.
struct ColumnGap {
    int wanted;
    int least;
};
struct ColumnPart {
    QSize size; // a negative width spans the column
    ColumnGap gap;
};
constexpr std::array<ColumnPart, 7> homeColumn{{
    {QSize(320, 212), {0, 0}},
    {QSize(-1, 20), {10, 4}},
    {QSize(-1, 46), {0, 0}},
    {QSize(-1, 22), {0, 0}},
    {QSize(220, 52), {30, 12}},
    {QSize(560, 40), {18, 8}},
    {QSize(-1, 26), {12, 6}},
}};
constexpr ColumnGap kBottomMargin{20, 12};
constexpr int kBannerGap = 12;

struct HomeColumnPlan {
    int bannerHeight = 0;
    int contentTop = 0; // where what stands below the banner may begin
    std::array<int, 7> tops{};
};

HomeColumnPlan planHomeColumn(int tabHeight, int restingTop, int bannerTop, std::optional<int> bannerHeight,
                              const std::array<bool, 7>& shown, const std::array<QSize, 7>& sizes) {
    int heights = 0;
    int wanted = kBottomMargin.wanted;
    int least = kBottomMargin.least;
    bool first = true;
    for (std::size_t i = 0; i < homeColumn.size(); ++i) {
        if (!shown[i]) {
            continue;
        }
        heights += sizes[i].height();
        if (!std::exchange(first, false)) {
            wanted += homeColumn[i].gap.wanted;
            least += homeColumn[i].gap.least;
        }
    }
    HomeColumnPlan plan;
    int top = restingTop;
    if (bannerHeight) {
        const int room = tabHeight - heights - least - kBannerGap - bannerTop;
        plan.bannerHeight = std::clamp(*bannerHeight, 0, std::max(0, room));
        plan.contentTop = bannerTop + plan.bannerHeight + kBannerGap;
        top = std::max(top, plan.contentTop);
    }
    const int spare = tabHeight - top - heights - least;
    const double ratio = wanted > least ? std::clamp(double(spare) / (wanted - least), 0.0, 1.0) : 1.0;
    int y = top;
    first = true;
    for (std::size_t i = 0; i < homeColumn.size(); ++i) {
        if (!shown[i]) {
            continue;
        }
        if (!std::exchange(first, false)) {
            const ColumnGap gap = homeColumn[i].gap;
            y += gap.least + int(std::lround((gap.wanted - gap.least) * ratio));
        }
        plan.tops[i] = y;
        y += sizes[i].height();
    }
    return plan;
}

QString networkIdOf(const PDNetworkItemPtr& network) {
    return network ? network->id().value_or(QString()) : QString();
}

QString networkNameOf(const PDNetworkItemPtr& network) {
    return network ? network->displayTitle() : QString();
}

// The identifier and name of the network current now.
AnalyticsEvent::Parameters currentNetworkParameters() {
    const PDNetworkItemPtr network = VeltrixXPC::currentNetwork();
    return {{AnalyticsParameter::networkId, networkIdOf(network)},
            {AnalyticsParameter::networkName, networkNameOf(network)}};
}

// The current network's parameters with its gateway's location and public address.
AnalyticsEvent::Parameters gatewayParameters(const std::optional<QString>& internalAddress) {
    AnalyticsEvent::Parameters parameters = currentNetworkParameters();
    const PDNetworkItemPtr network = VeltrixXPC::currentNetwork();
    const std::optional<SDVPNConfig> config = network ? network->vpnConfiguration() : std::nullopt;
    parameters[AnalyticsParameter::gatewayLocation] = config ? config->gatewayLocation : QString();
    parameters[AnalyticsParameter::publicIP] = config ? config->publicIP : QString();
    parameters[AnalyticsParameter::gatewayInternalIP] = internalAddress.value_or(QString());
    return parameters;
}

void sendEvent(int type, const AnalyticsTrigger& trigger, AnalyticsEvent::Parameters parameters) {
    VeltrixXPC::sendAnalytics(
        AnalyticsEvent(0, type, std::nullopt, trigger, std::move(parameters), std::nullopt));
}

// Who asked: a notification's texts, a menu item's or a button's title, or nobody in particular.
AnalyticsTrigger triggerFrom(QObject* sender) {
    if (const auto* notification = qobject_cast<UserNotificationSender*>(sender)) {
        const QString informative =
            notification->informativeText
                ? QStringLiteral("Optional(\"%1\")").arg(*notification->informativeText)
                : QStringLiteral("nil");
        return AnalyticsTrigger::button(informative + QStringLiteral(" => ") +
                                        notification->actionButtonTitle);
    }
    if (const auto* item = qobject_cast<QAction*>(sender)) {
        return AnalyticsTrigger::menuItem(item->text());
    }
    if (const auto* button = qobject_cast<QAbstractButton*>(sender)) {
        return AnalyticsTrigger::button(button->text());
    }
    return AnalyticsTrigger::button();
}

bool notificationsEnabled() {
    return ServiceLayer::appModel().notificationsSetting().value;
}

QString currentNetworkNameOrNA() {
    const PDNetworkItemPtr network = VeltrixXPC::currentNetwork();
    return network ? network->displayTitle() : QStringLiteral("N/A");
}

struct NetworkFlags {
    bool splitTunneling = false;
    bool dnsFiltering = false;
    bool privateDNS = false;
};

NetworkFlags currentNetworkFlags() {
    const PDNetworkItemPtr network = VeltrixXPC::currentNetwork();
    if (!network) {
        return {};
    }
    return {network->isSplitTunnelingEnabled(), network->isDNSFilteringEnabled(),
            network->isPrivateDNSEnabled()};
}

} // namespace

MainSubController::MainSubController(QObject* parent)
    : GeneralSubController(parent),
      m_changeNetworkDefaultColor(colorFromHexString(QStringLiteral("#A2C0E8"))),
      m_connectingStateColor(colorFromHexString(QStringLiteral("#6E9DD9"))),
      m_disconnectedStateColor(colorFromHexString(QStringLiteral("#6E9DD9"))) {}

MainSubController::~MainSubController() {
    *m_alive = false;
    // A callback in flight finishes before the slot lets go; none comes afterwards.
    if (VeltrixXPC::vpnStatusUpdatesDelegate() == this) {
        VeltrixXPC::setVpnStatusUpdatesDelegate(nullptr);
    }
    if (VeltrixXPC::connectivityDelegate() == this) {
        VeltrixXPC::setConnectivityDelegate(nullptr);
    }
}

QWidget* MainSubController::loadView() {
    auto* view = new HomeTabView;
    view->resize(kTabSize);

    // The column's parts are placed by layoutOverlays(), which runs again whenever one of them or the
    // banner comes or goes.
    m_controllerContainerView = new QWidget(view);

    m_networkView = new MainNetworkView(m_controllerContainerView);
    m_networkView->setObjectName(QStringLiteral("networkView"));

    m_connectionStateField = new QLabel(m_controllerContainerView);
    m_connectionStateField->setObjectName(QStringLiteral("connectionStateField"));
    m_connectionStateField->setTextFormat(Qt::PlainText);
    m_connectionStateField->setAlignment(Qt::AlignCenter);
    m_connectionStateField->setFont(toolkit::interFont(14));
    m_connectionStateField->setText(L10n::main_view_connect_to_label()); // until the first report

    m_networkTitleField = new QLabel(m_controllerContainerView);
    m_networkTitleField->setObjectName(QStringLiteral("networkTitleField"));
    m_networkTitleField->setTextFormat(Qt::PlainText);
    m_networkTitleField->setAlignment(Qt::AlignCenter);
    m_networkTitleField->setFont(toolkit::interFont(28, QFont::Medium));
    toolkit::setTextColor(m_networkTitleField, Qt::white);

    m_changeNetworkButton = new ImageHoverableButton(m_controllerContainerView);
    m_changeNetworkButton->setObjectName(QStringLiteral("changeNetworkButton"));
    m_changeNetworkButton->setFlat(true);
    m_changeNetworkButton->setText(QStringLiteral("Change Network"));
    m_changeNetworkButton->setFont(toolkit::interFont(13));
    m_changeNetworkButton->setDefaultImage({});
    m_changeNetworkButton->setHoverImage({});
    m_changeNetworkButton->setDefaultColor(m_changeNetworkDefaultColor);
    m_changeNetworkButton->setHoverColor(Qt::white);
    connect(m_changeNetworkButton, &QAbstractButton::clicked, this, [this] { changeNetwork(); });

    m_connectButton = new ConnectButtonNew(m_controllerContainerView);
    m_connectButton->setObjectName(QStringLiteral("connectButton"));
    connect(m_connectButton, &QAbstractButton::clicked, this, [this] { connectToVPN(m_connectButton); });

    m_connectionInfoView = new MainConnectionInfoView(m_controllerContainerView);
    m_connectionInfoView->setObjectName(QStringLiteral("connectionInfoView"));
    m_connectionInfoView->hide();

    m_connectionOptionsView = new MainConnectionOptionsView(m_controllerContainerView);
    m_connectionOptionsView->setObjectName(QStringLiteral("connectionOptionsView"));
    m_connectionOptionsView->hide();

    m_alwaysOnReconnectView = new AlwaysOnReconnectView(view);
    m_alwaysOnReconnectView->setObjectName(QStringLiteral("alwaysOnReconnectView"));
    m_alwaysOnReconnectView->hide();
    m_emptyNetworksView = new EmptyNetworksView(view);
    m_emptyNetworksView->setObjectName(QStringLiteral("emptyNetworksView"));
    m_emptyNetworksView->hide();

    m_errorView = new MainErrorView(view);
    m_errorView->setObjectName(QStringLiteral("errorView"));
    m_errorView->hide();

    for (QWidget* part : columnParts()) {
        part->installEventFilter(this);
    }
    m_errorView->installEventFilter(this);
    view->onResize = [this] {
        layoutOverlays();
        fitNetworkTitle();
    };
    layoutOverlays();
    return view;
}

std::array<QWidget*, 7> MainSubController::columnParts() const {
    return {m_networkView,   m_connectionStateField, m_networkTitleField,    m_changeNetworkButton,
            m_connectButton, m_connectionInfoView,   m_connectionOptionsView};
}

bool MainSubController::eventFilter(QObject* watched, QEvent* event) {
    // A part or the banner that comes or goes moves what stands below it.
    if ((event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) &&
        watched->isWidgetType()) {
        layoutOverlays();
    }
    return GeneralSubController::eventFilter(watched, event);
}

void MainSubController::layoutOverlays() {
    // Also called while the view is being made or taken apart.
    const std::array<QWidget*, 7> parts = columnParts();
    if (!m_controllerContainerView || !m_errorView || !m_alwaysOnReconnectView || !m_emptyNetworksView ||
        std::find(parts.begin(), parts.end(), nullptr) != parts.end()) {
        return;
    }
    const QRect bounds = m_controllerContainerView->parentWidget()->rect();
    m_controllerContainerView->setGeometry(bounds);
    std::array<QSize, 7> sizes;
    const int width = bounds.width() - 2 * kSideMargin;
    std::array<bool, 7> shown{};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        shown[i] = !parts[i]->isHidden();
        const QSize size = homeColumn[i].size;
        sizes[i] = QSize(size.width() < 0 ? width : std::min(width, size.width()), size.height());
    }
    // The change-network link is as wide as its text.
    sizes[3].setWidth(std::min(width, m_changeNetworkButton->sizeHint().width() + 8));
    const HomeColumnPlan plan = planHomeColumn(
        bounds.height(), m_topNetworkViewConstraint, m_topErrorViewConstraint,
        m_errorView->isHidden() ? std::nullopt : std::optional<int>(m_errorViewHeightConstraint), shown,
        sizes);
    m_errorView->setGeometry(kSideMargin, m_topErrorViewConstraint, width, plan.bannerHeight);
    m_errorView->raise();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (shown[i]) {
            parts[i]->setGeometry((bounds.width() - sizes[i].width()) / 2, plan.tops[i], sizes[i].width(),
                                  sizes[i].height());
        }
    }
    // The views that stand in for the column keep clear of the banner too.
    const QRect below(0, plan.contentTop, bounds.width(), bounds.height() - plan.contentTop);
    m_alwaysOnReconnectView->setGeometry(below);
    m_emptyNetworksView->setGeometry(below);
}

void MainSubController::viewDidLoad() {
    // setupUI
    applyTitleAttributes(m_changeNetworkButton, m_changeNetworkDefaultColor, Qt::AlignHCenter);
    toolkit::setTextColor(m_connectionStateField, m_disconnectedStateColor);

    m_connectButton->setState(ConnectButtonStates::connect);
    // Made when first needed (the main window's first showing, a banner), long after the launch: whoever
    // the launch or a sign-out made the connectivity delegate since stays it.
    VeltrixXPC::setVpnStatusUpdatesDelegate(this);
    if (!VeltrixXPC::connectivityDelegate()) {
        VeltrixXPC::setConnectivityDelegate(this);
    }
    m_networkView->setDelegate(this);
    m_networkView->setupShadows();
    m_errorView->setDelegate(this);
    m_topErrorViewConstraint = kErrorViewTop;
    setTopNetworkViewConstraint(kNetworkViewRestingTop);
    drawState(VeltrixXPC::connectionState());
    // Always-On switched off while connected makes the tunnel's button a Disconnect again.
    m_settingsObserver = platform::NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("settingsUpdated"), nullptr, [this](const platform::Notification&) {
            if (VeltrixXPC::connectionState() == SDVPNConnectionState::connected) {
                drawState(SDVPNConnectionState::connected);
            }
        });
    if (std::exchange(m_updateBannerPending, false)) {
        drawUpdateBanner();
    }
}

void MainSubController::viewDidAppear() {
    showNetwork(VeltrixXPC::currentNetwork());
    m_networkView->refreshStateDrawing();
    showSilentUpdateSuccessMessageIfNeeded();
}

void MainSubController::onMain(std::function<void(MainSubController&)> f) {
    std::weak_ptr<bool> alive = m_alive;
    platform::DispatchQueue::main().async([this, alive, f = std::move(f)] {
        if (const auto live = alive.lock(); live && *live) {
            f(*this);
        }
    });
}

void MainSubController::tellModel(SDVPNConnectionState state) {
    // Kept in the model, whose callback carries it on to the menus.
    ServiceLayer::appModel().setCurrentConnectionState(state);
}

void MainSubController::setStateText(const QString& text, const QColor& color) {
    view();
    m_connectionStateField->setText(text);
    toolkit::setTextColor(m_connectionStateField, color);
}

void MainSubController::setTopNetworkViewConstraint(int top) {
    view();
    m_topNetworkViewConstraint = top;
    layoutOverlays();
}

// MARK: connecting

void MainSubController::connectToVPN(QObject* sender) {
    vlog::debug(QStringLiteral("onConnectButtonClick -- triggered"));
    const PDNetworkItemPtr network = VeltrixXPC::currentNetwork();
    if (VeltrixXPC::enableAlwaysON() || !network) {
        return;
    }
    if (ServiceLayer::appModel().isForcedUpdateAvailable()) {
        showAutoUpdateSheet();
        return;
    }
    const AnalyticsTrigger trigger = triggerFrom(sender);
    const AnalyticsEvent::Parameters parameters{{AnalyticsParameter::networkId, networkIdOf(network)},
                                                {AnalyticsParameter::networkName, networkNameOf(network)}};
    auto& silentUpdate = ServiceLayer::shared().silentUpdateService();
    int type = 14;
    switch (VeltrixXPC::connectionState()) {
    case SDVPNConnectionState::disconnected:
        vlog::debug(QStringLiteral("before vpnConnectionManager.connect"));
        if (const auto& config = network->vpnConfiguration()) {
            VeltrixXPC::connect(*config);
        } else {
            vlog::error(
                QStringLiteral("VeltrixXPC.connect FAILED -- selectedLocation?.vpnConfiguration? is EMPTY"));
            // No report follows from the SDK: without this the click would seem to do nothing.
            showError(std::nullopt, network->displayTitle() +
                                        QStringLiteral(" cannot be connected: the workspace gives it no VPN "
                                                       "configuration. Contact your workspace manager."));
        }
        silentUpdate.resetTimer();
        type = 10;
        break;
    case SDVPNConnectionState::connecting:
    case SDVPNConnectionState::connected:
    case SDVPNConnectionState::reconnecting:
        performIntentionalDisconnect();
        if (VeltrixXPC::isSilentUpdateAvailable()) {
            silentUpdate.startTimer();
        }
        break;
    }
    sendEvent(type, trigger, parameters);
}

void MainSubController::performIntentionalDisconnect() {
    vlog::debug(QStringLiteral("performIntentionalDisconnect"));
    hideAlwaysOnReconnectState();
    if (isViewLoaded()) {
        setStateText(L10n::connection_status_disconnected_label(), m_disconnectedStateColor);
        m_connectButton->setState(ConnectButtonStates::connect);
    }
    VeltrixXPC::disconnect(true, false, false);
    ApplicationModel& model = ServiceLayer::appModel();
    if (model.autoReconnectInProgress()) {
        onDisconnectedFromVPN(true);
    }
    model.setAutoReconnectInProgress(false);
    tellModel(SDVPNConnectionState::disconnected);
}

void MainSubController::changeNetwork() {
    if (auto* general = qobject_cast<GeneralViewController*>(parentViewController())) {
        general->selectTab(MainMenuBarTab::topTab(MainTopTab::networks));
    }
}

// MARK: the network shown

void MainSubController::fitNetworkTitle() {
    if (!m_networkTitleField) {
        return;
    }
    // The column gives the title its width.
    const int width = m_networkTitleField->width();
    QFont font = fitFontSize(m_networkTitleField, m_networkTitle, 8, 40);
    m_networkTitleField->setFont(font);
    // Too long even at the smallest size: the end gives way.
    m_networkTitleField->setText(QFontMetrics(font).elidedText(m_networkTitle, Qt::ElideRight, width));
}

void MainSubController::showNetwork(const PDNetworkItemPtr& network) {
    view();
    if (!network) {
        m_controllerContainerView->hide();
        m_networkView->hide();
        m_emptyNetworksView->setup(EmptyNetworksViewState::noAccess);
        m_emptyNetworksView->show();
        return;
    }
    m_networkTitle = ServiceLayer::appModel().useAutomaticNetwork()
                         ? L10n::main_view_automatic_optimized_label()
                         : network->displayTitle();
    fitNetworkTitle();
    m_networkView->setNetwork(network);
    m_emptyNetworksView->hide();
    m_networkView->show();
    m_controllerContainerView->show();
    m_alwaysOnReconnectView->hide();
    const SDVPNConnectionState state = VeltrixXPC::connectionState();
    if (state == SDVPNConnectionState::connecting || state == SDVPNConnectionState::reconnecting) {
        changeToAutoReconnectState();
    }
    ServiceLayer::shared().menuService().updateStatusView();
    sendEvent(13, AnalyticsTrigger::button(m_networkTitle),
              {{AnalyticsParameter::networkId, networkIdOf(network)},
               {AnalyticsParameter::networkName, network->displayTitle()}});
}

void MainSubController::showNetworkAfterDataLoad(const PDNetworksModelPtr& networks) {
    const QList<PDNetworkItemPtr> list = networks ? networks->allNetworks() : QList<PDNetworkItemPtr>();
    const PDNetworkItemPtr first = list.isEmpty() ? nullptr : list.first();
    const PDNetworkItemPtr current = VeltrixXPC::currentNetwork();
    if (!ServiceLayer::appModel().networkSelectionSettingEnabled()) {
        showNetwork(current && current->isPrivate() ? current : first);
        return;
    }
    if (current && firstIndexOfNetwork(list, current)) {
        showNetwork(current);
    } else if (first) {
        showNetwork(first);
    }
}

// MARK: banners

void MainSubController::showError(const std::optional<QString>& title, const QString& message) {
    view();
    m_errorView->show(NotificationPopupType::error(), title, message);
    m_errorView->show();
    setTopNetworkViewConstraint(kNetworkViewTopUnderError);
    if (!isWindowOpened() && !VeltrixXPC::isLoggedIn()) {
        QAUINotifier::showNotification(title.value_or(GlobalConstants::productDisplayName()), message,
                                       QAUINotificationCategory::error);
    }
}

void MainSubController::hideErrorView() {
    m_updateBannerPending = false;
    if (!isViewLoaded()) {
        return; // no banner was ever shown
    }
    m_errorView->hide();
    setTopNetworkViewConstraint(kNetworkViewRestingTop);
}

namespace {

QString updateAvailableText() {
    QString text = L10n::update_available_message();
    return text.replace(QStringLiteral("|version|"), ServiceLayer::appModel().offeredAppVersion());
}

} // namespace

void MainSubController::showUpdateAvailableMessage() {
    if (!isWindowOpened()) {
        QAUINotifier::showNotification(L10n::update_available_title(), updateAvailableText(),
                                       QAUINotificationCategory::doUpdate);
    }
    // Without its view the tab shows the banner when the view is made.
    m_updateBannerPending = !isViewLoaded();
    if (isViewLoaded()) {
        drawUpdateBanner();
    }
}

void MainSubController::drawUpdateBanner() {
    const QString title = L10n::update_available_title();
    const QString text = updateAvailableText();
    if (VeltrixXPC::isSilentUpdateAvailable()) {
        m_errorView->show(NotificationPopupType::silentUpdate(
                              silentUpdateTimeinterval(SilentUpdateService::daysSinceConfigDate())),
                          title, text);
    } else {
        m_errorView->show(NotificationPopupType::update(), title, text);
    }
    m_errorView->show();
}

void MainSubController::showSilentUpdateSuccessMessageIfNeeded() {
    const std::optional<QString> installed =
        installedupdate::takeAnnouncement(ServiceLayer::appModel().appVersion());
    if (!installed) {
        return;
    }
    view();
    hideErrorView();
    m_errorView->show(
        NotificationPopupType::silentUpdateSucccess(), QStringLiteral("New Version has been Installed!"),
        QStringLiteral("Version ") + *installed + QStringLiteral(" has been successfully installed."));
    m_errorView->show();
}

void MainSubController::viewSizeChanged(QWidget* view, double height) {
    if (view != m_errorView) {
        return;
    }
    m_errorViewHeightConstraint = static_cast<int>(std::ceil(height));
    layoutOverlays();
}

void MainSubController::errorViewCloseTapped() {
    hideErrorView();
}

void MainSubController::errorViewTryAgainTapped() {
    connectToVPN(this);
}

void MainSubController::errorViewUpdateNowTapped() {
    ServiceLayer::shared().silentUpdateService().startUpdate();
    hideErrorView();
}

void MainSubController::errorViewBannerClicked() {
    showAutoUpdateSheet();
}

// MARK: looks

void MainSubController::enterForcedUpdateState() {
    onMain([](MainSubController& self) {
        if (!ServiceLayer::appModel().isForcedUpdateAvailable()) {
            return;
        }
        self.view();
        self.m_connectButton->setState(ConnectButtonStates::update);
        ServiceLayer::shared().menuService().setUpgradeState();
        self.m_changeNetworkButton->setEnabled(false);
        self.m_changeNetworkButton->hide();
    });
}

void MainSubController::leaveForcedUpdateState() {
    onMain([](MainSubController& self) {
        if (ServiceLayer::appModel().isForcedUpdateAvailable()) {
            return;
        }
        self.view();
        self.m_connectButton->setState(ConnectButtonStates::connect);
        ServiceLayer::shared().menuService().setDisconnectedState();
        self.m_changeNetworkButton->setEnabled(true);
        self.m_changeNetworkButton->show();
    });
}

void MainSubController::showConnectionOptions(bool alwaysOn, bool splitTunneling, bool dnsFiltering,
                                              bool privateDNS) {
    // Private DNS alone does not bring the strip up.
    if (!alwaysOn && !splitTunneling && !dnsFiltering && !VeltrixXPC::isTrustedWiredNetwork()) {
        return;
    }
    setTopNetworkViewConstraint(kNetworkViewRestingTop);
    if (VeltrixXPC::isTrustedWiredNetwork()) {
        m_connectionOptionsView->updateTrustedNetworkOptions(true, splitTunneling, dnsFiltering, privateDNS);
    } else {
        m_connectionOptionsView->updateOptions(alwaysOn, splitTunneling, dnsFiltering, privateDNS);
    }
    m_connectionOptionsView->show();
}

void MainSubController::showTrustedWiredOptions(bool trusted, bool splitTunneling, bool dnsFiltering,
                                                bool privateDNS) {
    setTopNetworkViewConstraint(kNetworkViewRestingTop);
    // The protections are the tunnel's: without one up, only the trusted network is worth telling.
    const bool tunnelUp = VeltrixXPC::connectionState() == SDVPNConnectionState::connected;
    splitTunneling = splitTunneling && tunnelUp;
    dnsFiltering = dnsFiltering && tunnelUp;
    privateDNS = privateDNS && tunnelUp;
    m_connectionOptionsView->updateTrustedNetworkOptions(trusted, splitTunneling, dnsFiltering, privateDNS);
    m_connectionOptionsView->setVisible(trusted || splitTunneling || dnsFiltering || privateDNS);
}

void MainSubController::hideOptionsWithoutTunnel() {
    if (VeltrixXPC::isTrustedWiredNetwork()) {
        showTrustedWiredOptions(true, false, false, false);
        return;
    }
    setTopNetworkViewConstraint(kNetworkViewRestingTop);
    m_connectionOptionsView->hide();
}

void MainSubController::showAlwaysOnReconnectState() {
    view();
    if (!VeltrixXPC::currentNetwork() || !m_alwaysOnReconnectView->isHidden()) {
        return;
    }
    ServiceLayer::appModel().setAutoReconnectInProgress(true);
    tellModel(SDVPNConnectionState::connecting);
    setStateText(L10n::main_view_connecting_to_label(), Qt::white);
    m_connectButton->setState(ConnectButtonStates::connecting);
    m_networkView->setState(FlagAnimationType::connecting);
    m_alwaysOnReconnectView->show();
    m_controllerContainerView->hide();
}

void MainSubController::hideAlwaysOnReconnectState() {
    if (!isViewLoaded() || m_alwaysOnReconnectView->isHidden()) {
        return;
    }
    ServiceLayer::appModel().setAutoReconnectInProgress(false);
    m_controllerContainerView->show();
    m_alwaysOnReconnectView->hide();
}

void MainSubController::showAutoUpdateSheet(QWidget* mainWindow) {
    // One sheet at a time: asking again brings it forward.
    if (m_autoUpdateSheet && m_autoUpdateSheet->presentingViewController()) {
        QWidget* window = m_autoUpdateSheet->view()->window();
        window->raise();
        window->activateWindow();
        return;
    }
    const auto storyboard = platform::Storyboard::named(QStringLiteral("AutoUpdate"));
    auto sheet = storyboard.instantiate<platform::ViewController>(QStringLiteral("AutoUpdateViewController"));
    if (!sheet) {
        vlog::error(QStringLiteral("The update sheet could not be made"));
        return;
    }
    if (m_autoUpdateSheet) {
        m_autoUpdateSheet->deleteLater(); // dismissed earlier; each showing is a new sheet
    }
    m_autoUpdateSheet = sheet.release();
    m_autoUpdateSheet->setParent(this);
    presentAsSheet(m_autoUpdateSheet, mainWindow);
}

void MainSubController::maybePresentConnectionEstablished() {
    if (!platform::UserDefaults::standard().boolForKey(SettingsUserDefaults::showConnectionEstablished) ||
        !isViewLoaded() || !view()->isVisible() ||
        (m_connectionEstablishedSheet && m_connectionEstablishedSheet->presentingViewController())) {
        return;
    }
    delete m_connectionEstablishedSheet; // dismissed earlier without Got it
    m_connectionEstablishedSheet = new ConnectionEstablishedController(this);
    presentAsSheet(m_connectionEstablishedSheet);
}

// MARK: the SDK's reports, drawn

void MainSubController::reloadSelectedNetworkRow() {
    if (m_reloadSelectedNetworkRow) {
        m_reloadSelectedNetworkRow();
    }
}

void MainSubController::onConnectedToVPN_handler(bool quiet) {
    reloadSelectedNetworkRow();
    m_tunnelNetworkName = currentNetworkNameOrNA();
    if (!quiet && notificationsEnabled()) {
        const QString network = m_tunnelNetworkName;
        const QString product = ServiceLayer::appModel().appProductName();
        if (VeltrixXPC::enableWiFiSecurity() && m_isUnsecured) {
            QAUINotifier::showNotification(QStringLiteral("Your Wi-Fi connection is secured!"),
                                           product +
                                               QStringLiteral(" is automatically keeping you safe online."),
                                           QAUINotificationCategory::connecivity);
        } else if (VeltrixXPC::wasVPNStartedOnLaunch()) {
            QAUINotifier::showNotification(
                L10n::localized(QStringLiteral("connected_on_launch_to_vpn_notification_title"), {network}),
                L10n::localized(QStringLiteral("connected_on_launch_to_vpn_notification_description"),
                                {product}),
                QAUINotificationCategory::connecivity);
        } else {
            QAUINotifier::showNotification(QStringLiteral("Connected to ") + network,
                                           QStringLiteral("Your ") + product +
                                               QStringLiteral(" connection was successfully established"),
                                           QAUINotificationCategory::connecivity);
        }
    }
    drawState(SDVPNConnectionState::connected);
    ServiceLayer::appModel().setVpnSettingsChangingDisabled(true);
    hideAlwaysOnReconnectState();
    // A reconnect is over once the tunnel is up.
    ServiceLayer::appModel().setAutoReconnectInProgress(false);
}

void MainSubController::onConnectingToVPN_handler() {
    vlog::debug(QStringLiteral("onConnectingToVPN() arrived."));
    reloadSelectedNetworkRow();
    m_tunnelNetworkName = currentNetworkNameOrNA();
    drawState(SDVPNConnectionState::connecting);
    ServiceLayer::appModel().setVpnSettingsChangingDisabled(true);
}

void MainSubController::onDisconnectedFromVPN_handler(bool, bool quiet) {
    vlog::debug(QStringLiteral("onDisconnectedFromVPN() arrived."));
    reloadSelectedNetworkRow();
    const QString network = m_tunnelNetworkName.isEmpty() ? currentNetworkNameOrNA() : m_tunnelNetworkName;
    if (!quiet && notificationsEnabled()) {
        QAUINotifier::showNotification(QStringLiteral("Disconnected from ") + network,
                                       QStringLiteral("You are now disconnected from ") +
                                           ServiceLayer::appModel().appProductName(),
                                       QAUINotificationCategory::connecivity);
    }
    drawState(SDVPNConnectionState::disconnected);
    // A reconnect that ends down is over as well; the next connect must not read "Reconnecting".
    ServiceLayer::appModel().setAutoReconnectInProgress(false);
    ServiceLayer::appModel().setVpnSettingsChangingDisabled(false);
}

void MainSubController::drawState(SDVPNConnectionState state) {
    // Not made yet: the view draws the state it finds when it is made.
    if (!isViewLoaded()) {
        return;
    }
    switch (state) {
    case SDVPNConnectionState::disconnected:
        m_networkView->setState(FlagAnimationType::disconnected);
        m_connectionInfoView->resetGatewayLocation();
        m_connectionInfoView->hide();
        hideOptionsWithoutTunnel();
        setStateText(L10n::main_view_connect_to_label(), m_disconnectedStateColor);
        m_connectButton->setState(ConnectButtonStates::connect);
        return;
    case SDVPNConnectionState::connecting:
    case SDVPNConnectionState::reconnecting:
        m_connectButton->setState(ConnectButtonStates::connecting);
        m_networkView->setState(FlagAnimationType::connecting);
        setStateText(L10n::main_view_connecting_to_label(), m_connectingStateColor);
        m_connectionInfoView->hide();
        hideOptionsWithoutTunnel();
        return;
    case SDVPNConnectionState::connected: {
        const bool alwaysOn = VeltrixXPC::enableAlwaysON();
        m_connectButton->setState(alwaysOn ? ConnectButtonStates::disconnectDisabled
                                           : ConnectButtonStates::disconnect);
        setStateText(L10n::main_view_connected_to_label(), colorFromHexString(QStringLiteral("#3ACC73")));
        m_connectionInfoView->show();
        m_networkView->setState(FlagAnimationType::connected);
        const NetworkFlags flags = currentNetworkFlags();
        showConnectionOptions(alwaysOn, flags.splitTunneling, flags.dnsFiltering, flags.privateDNS);
        return;
    }
    }
}

void MainSubController::onErrorConnectingToVPN_handler(const PDError& error) {
    view();
    reloadSelectedNetworkRow();
    vlog::debug(QStringLiteral("onErrorConnectingToVPN() arrived: ") + error.messageText());
    m_errorView->show(NotificationPopupType::error(), std::nullopt, error.messageText());
    m_errorView->show();
    m_networkView->setState(FlagAnimationType::disconnected);
    m_connectionInfoView->hide();
    setTopNetworkViewConstraint(kNetworkViewRestingTop);
    m_connectionOptionsView->hide();
    onDisconnectedFromVPN(false);
}

void MainSubController::changeToAutoReconnectState() {
    ApplicationModel& model = ServiceLayer::appModel();
    if (model.alwaysOnSetting().value) {
        showAlwaysOnReconnectState();
        return;
    }
    if (VeltrixXPC::isConnectedToVPN()) {
        vlog::debug(QStringLiteral("changeToAutoReconnectState -- skipping, isConnectedToVPN "));
        return;
    }
    vlog::debug(QStringLiteral("changeToAutoReconnectState --> autoReconnectInProgress"));
    model.setAutoReconnectInProgress(true);
    onConnectingToVPN(false);
}

void MainSubController::postReconnectNotification() {
    const ApplicationModel& model = ServiceLayer::appModel();
    QString title;
    QString text;
    if (model.alwaysOnSetting().value) {
        if (model.killSwitchSetting().value) {
            title = L10n::auto_reconnect_started_with_network_lock_notification_title();
            text = L10n::main_view_auto_reconnect_subheader();
        } else {
            title = L10n::auto_reconnect_started_with_always_on_notification_title();
            text = L10n::auto_reconnect_started_with_network_lock_notification_description();
        }
    } else {
        title = L10n::auto_reconnect_started_without_network_lock_notification_title();
        text = L10n::auto_reconnect_started_without_network_lock_notification_description();
    }
    QAUINotifier::showNotification(title, text, QAUINotificationCategory::connecivity);
}

void MainSubController::applyState(SDVPNConnectionState state, bool quiet) {
    switch (state) {
    case SDVPNConnectionState::disconnected:
        tellModel(SDVPNConnectionState::disconnected);
        onDisconnectedFromVPN_handler(false, quiet);
        hideAlwaysOnReconnectState();
        return;
    case SDVPNConnectionState::connecting:
    case SDVPNConnectionState::reconnecting:
        tellModel(SDVPNConnectionState::connecting);
        onConnectingToVPN_handler();
        return;
    case SDVPNConnectionState::connected:
        tellModel(SDVPNConnectionState::connected);
        onConnectedToVPN_handler(quiet);
        return;
    }
}

void MainSubController::updateUIForConnectionState() {
    applyState(VeltrixXPC::connectionState(), true);
}

void MainSubController::registerAsSDKDelegate() {
    VeltrixXPC::setVpnStatusUpdatesDelegate(this);
    VeltrixXPC::setConnectivityDelegate(this);
}

// MARK: PDVPNConnectionStatusUpdatesDelegate, on the SDK's thread

void MainSubController::onVPNModuleLoaded() {
    vlog::debug(QStringLiteral("onVPNModuleLoaded"));
}

void MainSubController::onConnectedToVPN() {
    vlog::debug(QStringLiteral("onConnectedToVPN"));
    onMain([](MainSubController& self) {
        self.applyState(SDVPNConnectionState::connected, false);
        self.maybePresentConnectionEstablished();
        platform::DispatchQueue::main().asyncAfter(1.0, [] {
            sendEvent(12, AnalyticsTrigger::none(), gatewayParameters(VeltrixXPC::internalIPAddress()));
        });
    });
}

void MainSubController::onConnectingToVPN(bool isTransitional) {
    vlog::debug(QStringLiteral("onConnectingToVPN"));
    onMain([](MainSubController& self) { self.applyState(SDVPNConnectionState::connecting, false); });
    if (!isTransitional) {
        sendEvent(11, AnalyticsTrigger::none(), currentNetworkParameters());
    }
}

void MainSubController::onDisconnectedFromVPN(bool isTransitional) {
    vlog::debug(QStringLiteral("onDisconnectedFromVPN"));
    onMain([isTransitional](MainSubController& self) {
        tellModel(SDVPNConnectionState::disconnected);
        self.onDisconnectedFromVPN_handler(isTransitional);
        self.hideAlwaysOnReconnectState();
    });
    if (!isTransitional) {
        sendEvent(15, AnalyticsTrigger::none(), currentNetworkParameters());
    }
}

void MainSubController::onReConnectingToVPN() {
    vlog::debug(QStringLiteral("onReConnectingToVPN"));
    onMain([](MainSubController& self) {
        self.changeToAutoReconnectState();
        self.postReconnectNotification();
    });
    sendEvent(11, AnalyticsTrigger::none(), currentNetworkParameters());
}

void MainSubController::onReEstablishRequested() {
    vlog::debug(QStringLiteral("onReEstablishRequested"));
}

void MainSubController::onConnectToAnotherLocationPreparedUsing(const SDVPNConfig&) {
    vlog::debug(QStringLiteral("onConnectToAnotherLocationPrepared"));
}

void MainSubController::onVPNAutoStartRequested() {
    vlog::debug(QStringLiteral("onVPNAutoStartRequested"));
}

void MainSubController::onErrorConnectingToVPNWithError(const PDError& error) {
    vlog::error(QStringLiteral("onErrorConnectingToVPN: ") + error.messageText());
    onMain([error](MainSubController& self) {
        tellModel(SDVPNConnectionState::disconnected);
        self.onErrorConnectingToVPN_handler(error);
        self.hideAlwaysOnReconnectState();
    });
}

void MainSubController::onConnectionTimeUpdatedWithTime(double seconds) {
    platform::NotificationCenter::defaultCenter().post(
        QStringLiteral("tickTimeUpdated"), nullptr,
        {{QStringLiteral("timeConnected"), formatConnectionDuration(seconds)}});
}

void MainSubController::onRegionNameAvailableWithRegionName(const QString& regionName) {
    onMain([regionName](MainSubController& self) {
        if (self.m_connectionInfoView) {
            self.m_connectionInfoView->updateGatewayLocation(regionName);
        }
    });
}

void MainSubController::connectionToVPNInterrupted(const std::optional<PDError>& error) {
    AnalyticsEvent::Parameters parameters = currentNetworkParameters();
    parameters[AnalyticsParameter::errorCode] = error ? error->codeText() : QString();
    parameters[AnalyticsParameter::errorMessage] = error ? error->localizedDescription() : QString();
    sendEvent(16, AnalyticsTrigger::none(), std::move(parameters));
}

void MainSubController::onTrustedWiredNetworkStatusUpdated() {
    onMain([](MainSubController& self) {
        const bool trusted = VeltrixXPC::isTrustedWiredNetwork();
        if (!trusted && VeltrixXPC::enableAlwaysON()) {
            return;
        }
        const NetworkFlags flags = currentNetworkFlags();
        self.view();
        self.showTrustedWiredOptions(trusted, flags.splitTunneling, flags.dnsFiltering, flags.privateDNS);
        ServiceLayer::shared().menuService().updateStatusOptionStates();
        if (VeltrixXPC::connectionState() == SDVPNConnectionState::disconnected) {
            QAUINotifier::showNotification(
                QStringLiteral("Trusted Network is On"),
                QStringLiteral("Always-On is now disabled as you are connected to a trusted network"),
                QAUINotificationCategory::connecivity);
        }
    });
}

// MARK: SDConnectivityDelegate, on the SDK's thread

void MainSubController::onConnectionReachable() {
    vlog::debug(QStringLiteral("onConnectionReachable.."));
    onMain([](MainSubController& self) {
        if (!self.m_isConnectionReachable) {
            self.hideErrorView();
        }
        self.m_isConnectionReachable = true;
    });
}

void MainSubController::onConnectionUnReachable() {
    vlog::debug(QStringLiteral("onConnectionUnReachable.."));
    onMain([](MainSubController& self) {
        self.showError(std::nullopt, L10n::internet_connection_unavailable_error_part_1() +
                                         QLatin1Char('\n') +
                                         L10n::internet_connection_unavailable_error_part_2());
        self.m_isConnectionReachable = false;
    });
}

void MainSubController::onReConnectRequested() {
    onReConnectingToVPN();
}

void MainSubController::onInternalIpChangedTo(const std::optional<QString>& address) {
    onMain([address](MainSubController& self) {
        self.view();
        self.m_connectionInfoView->updateExternalIp(address);
    });
}

void MainSubController::onVPNLatencyMeasurementResultReceivedWithResult(const QString& result,
                                                                        const QString& vpnProtocol) {
    vlog::debug(QStringLiteral("MainSubController -- onVPNLatencyMeasurementResultReceived: ") + result);
    AnalyticsEvent::Parameters parameters = gatewayParameters(Veltrix::internalIPAddress());
    parameters[AnalyticsParameter::latency] = result;
    parameters[AnalyticsParameter::vpnProtocol] = vpnProtocol;
    sendEvent(17, AnalyticsTrigger::none(), std::move(parameters));
}

void MainSubController::onUnsecuredNetworkConnectedWithSkipNotification(bool) {
    onMain([](MainSubController& self) { self.m_isUnsecured = true; });
}

void MainSubController::onSecuredNetworkConnected() {
    onMain([](MainSubController& self) { self.m_isUnsecured = false; });
}

// MARK: the application's hooks

void MainSubController::appWillBecomeActive() {
    if (m_networkView) {
        m_networkView->refreshStateDrawing();
    }
}

void MainSubController::appDidResignActive() {
    if (m_networkView) {
        m_networkView->stopAnimations();
    }
}

void MainSubController::appWindowDidShow() {
    registerAsSDKDelegate();
}

// MARK: in words

QString MainSubController::statusText() const {
    return m_connectionStateField ? m_connectionStateField->text() : QString();
}

QString MainSubController::connectButtonTitle() const {
    return m_connectButton ? m_connectButton->text() : QString();
}

bool MainSubController::isErrorViewShown() const {
    return m_errorView && !m_errorView->isHidden();
}

QString MainSubController::errorTitle() const {
    return m_errorView ? m_errorView->titleText() : QString();
}

QString MainSubController::errorMessage() const {
    return m_errorView ? m_errorView->descriptionText() : QString();
}

bool MainSubController::isAutoReconnectViewShown() const {
    return m_alwaysOnReconnectView && !m_alwaysOnReconnectView->isHidden();
}

QString MainSubController::timeConnectedText() const {
    return m_connectionInfoView ? m_connectionInfoView->timeConnectedText() : QString();
}

#pragma once

#include "core/AppStateObserverProtocol.h"
#include "mainwindow/AlwaysOnReconnectView.h"
#include "mainwindow/ConnectButtonNew.h"
#include "mainwindow/MainConnectionInfoView.h"
#include "mainwindow/MainConnectionOptionsView.h"
#include "mainwindow/MainNetworkView.h"
#include "platform/NotificationObservers.h"
#include "sdk/Analytics.h"
#include "sdk/Delegates.h"
#include "sdk/PDNetworks.h"
#include "toolkit/EmptyNetworksView.h"
#include "toolkit/GeneralSubController.h"
#include "toolkit/HoverableButton.h"
#include "toolkit/MainErrorView.h"

#include <QLabel>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>
#include <optional>

// Who asked for a connection from a user notification: its informative text and the action's title.
class UserNotificationSender : public QObject {
    Q_OBJECT
public:
    UserNotificationSender(std::optional<QString> informativeText, QString actionButtonTitle)
        : informativeText(std::move(informativeText)), actionButtonTitle(std::move(actionButtonTitle)) {}
    const std::optional<QString> informativeText;
    const QString actionButtonTitle;
};

// The home tab: the chosen network, its connection state, the connect button, the connection's
// information and options, and the banner. Every connect request of the client ends in connectToVPN().
// It is the SDK's VPN-status and connectivity delegate: a callback logs and sends its analytics event on
// the SDK's thread and does all model and interface work on the main queue.
class MainSubController : public GeneralSubController,
                          public PDVPNConnectionStatusUpdatesDelegate,
                          public SDConnectivityDelegate,
                          public MainErrorViewDelegate,
                          public NSImageViewClickable,
                          public AppStateObserverProtocol {
    Q_OBJECT
public:
    // Where the network view's top sits, without and under the error banner, and the banner's top.
    static constexpr int kNetworkViewRestingTop = 62;
    static constexpr int kNetworkViewTopUnderError = 92;
    static constexpr int kErrorViewTop = 16;

    explicit MainSubController(QObject* parent = nullptr);
    ~MainSubController() override;

    // Redraws the networks tab's current row, which follows the connection state; the application
    // delegate connects it to its networks tab.
    void setReloadSelectedNetworkRow(std::function<void()> reload) {
        m_reloadSelectedNetworkRow = std::move(reload);
    }

    // Connecting and disconnecting.
    void connectToVPN(QObject* sender);
    void performIntentionalDisconnect();
    void changeNetwork();

    // Redraws the tab for the SDK's state without events or notifications.
    void updateUIForConnectionState();
    void registerAsSDKDelegate();

    // The network shown.
    void showNetwork(const PDNetworkItemPtr& network);
    void showNetworkAfterDataLoad(const PDNetworksModelPtr& networks);

    // Banners.
    void showError(const std::optional<QString>& title, const QString& message);
    void hideErrorView();
    void showUpdateAvailableMessage();
    void showSilentUpdateSuccessMessageIfNeeded();

    // Looks; the forced-update pair may be called from any thread.
    void enterForcedUpdateState();
    void leaveForcedUpdateState();
    void showConnectionOptions(bool alwaysOn, bool splitTunneling, bool dnsFiltering, bool privateDNS);
    void showTrustedWiredOptions(bool trusted, bool splitTunneling, bool dnsFiltering, bool privateDNS);
    void changeToAutoReconnectState();
    void showAlwaysOnReconnectState();
    void hideAlwaysOnReconnectState();
    // The update sheet, on `mainWindow` when given: the home tab's view is out of the window while
    // another tab is shown.
    void showAutoUpdateSheet(QWidget* mainWindow = nullptr);

    // What the SDK's reports draw, on the main queue. A quiet redraw posts no notification.
    void onConnectedToVPN_handler(bool quiet = false);
    void onErrorConnectingToVPN_handler(const PDError& error);
    void onConnectingToVPN_handler();
    void onDisconnectedFromVPN_handler(bool isTransitional, bool quiet = false);

    // AppStateObserverProtocol
    void appWillBecomeActive() override;
    void appDidResignActive() override;
    void appDidReopen() override {}
    void appWindowDidShow() override;
    void mainWindowWillClose() override {}

    // PDVPNConnectionStatusUpdatesDelegate (SDK thread)
    void onVPNModuleLoaded() override;
    void onConnectedToVPN() override;
    void onConnectingToVPN(bool isTransitional) override;
    void onDisconnectedFromVPN(bool isTransitional) override;
    void onReConnectingToVPN() override;
    void onReEstablishRequested() override;
    void onConnectToAnotherLocationPreparedUsing(const SDVPNConfig& config) override;
    void onVPNAutoStartRequested() override;
    void onErrorConnectingToVPNWithError(const PDError& error) override;
    void onConnectionTimeUpdatedWithTime(double seconds) override;
    void onRegionNameAvailableWithRegionName(const QString& regionName) override;
    void connectionToVPNInterrupted(const std::optional<PDError>& error) override;
    void onTrustedWiredNetworkStatusUpdated() override;
    // SDConnectivityDelegate (SDK thread)
    void onConnectionReachable() override;
    void onConnectionUnReachable() override;
    void onReConnectRequested() override;
    void onInternalIpChangedTo(const std::optional<QString>& address) override;
    void onVPNLatencyMeasurementResultReceivedWithResult(const QString& result,
                                                         const QString& vpnProtocol) override;
    void onUnsecuredNetworkConnectedWithSkipNotification(bool skipNotification) override;
    void onSecuredNetworkConnected() override;

    // MainErrorViewDelegate
    void viewSizeChanged(QWidget* view, double height) override;
    void errorViewCloseTapped() override;
    void errorViewTryAgainTapped() override;
    void errorViewUpdateNowTapped() override;
    void errorViewBannerClicked() override;
    // NSImageViewClickable: the network's picture leads to the networks tab.
    void imageViewClicked() override { changeNetwork(); }

    // The parts, for the application, the renderer and tests; each exists once the view is loaded.
    ConnectButtonNew* connectButton() const { return m_connectButton; }
    MainErrorView* errorView() const { return m_errorView; }
    MainNetworkView* networkView() const { return m_networkView; }
    MainConnectionInfoView* connectionInfoView() const { return m_connectionInfoView; }
    MainConnectionOptionsView* connectionOptionsView() const { return m_connectionOptionsView; }
    EmptyNetworksView* emptyNetworksView() const { return m_emptyNetworksView; }
    AlwaysOnReconnectView* alwaysOnReconnectView() const { return m_alwaysOnReconnectView; }
    QWidget* controllerContainerView() const { return m_controllerContainerView; }
    QLabel* connectionStateField() const { return m_connectionStateField; }
    QLabel* networkTitleField() const { return m_networkTitleField; }
    ImageHoverableButton* changeNetworkButton() const { return m_changeNetworkButton; }
    int topNetworkViewConstraint() const { return m_topNetworkViewConstraint; }
    int topErrorViewConstraint() const { return m_topErrorViewConstraint; }
    int errorViewHeightConstraint() const { return m_errorViewHeightConstraint; }
    bool isConnectionReachable() const { return m_isConnectionReachable; }
    bool isUnsecured() const { return m_isUnsecured; }
    platform::ViewController* autoUpdateSheet() const { return m_autoUpdateSheet; }

    // What the tab shows, in words.
    QString networkTitle() const { return m_networkTitle; }
    QString statusText() const;
    QString connectButtonTitle() const;
    bool isErrorViewShown() const;
    QString errorTitle() const;
    QString errorMessage() const;
    bool isAutoReconnectViewShown() const;
    QString timeConnectedText() const;

protected:
    QWidget* loadView() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void viewDidLoad() override;
    void viewDidAppear() override;

private:
    // Runs `f` on the main queue while this controller exists; callable from any thread.
    void onMain(std::function<void(MainSubController&)> f);
    // The connection state handed to the model's one callback.
    static void tellModel(SDVPNConnectionState state);
    void setStateText(const QString& text, const QColor& color);
    void setTopNetworkViewConstraint(int top);
    // Connecting or down: the strip keeps only the trusted network's indicator, if any.
    void hideOptionsWithoutTunnel();
    // Places the banner, the column below it and the views that stand in for the column.
    void layoutOverlays();
    std::array<QWidget*, 7> columnParts() const;
    void fitNetworkTitle();
    void reloadSelectedNetworkRow();
    void maybePresentConnectionEstablished();
    void postReconnectNotification();
    void applyState(SDVPNConnectionState state, bool quiet);
    // The state's looks: the button, the texts, the flag's animation, the connection's parts. Nothing while
    // the view is not made.
    void drawState(SDVPNConnectionState state);
    void drawUpdateBanner();

    const QColor m_changeNetworkDefaultColor;
    const QColor m_connectingStateColor;
    const QColor m_disconnectedStateColor;
    QPointer<EmptyNetworksView> m_emptyNetworksView;
    QPointer<QWidget> m_controllerContainerView;
    QPointer<QLabel> m_connectionStateField;
    QPointer<QLabel> m_networkTitleField;
    QPointer<ImageHoverableButton> m_changeNetworkButton;
    QPointer<MainConnectionOptionsView> m_connectionOptionsView;
    QPointer<MainConnectionInfoView> m_connectionInfoView;
    QPointer<ConnectButtonNew> m_connectButton;
    QPointer<MainErrorView> m_errorView;
    QPointer<MainNetworkView> m_networkView;
    QPointer<AlwaysOnReconnectView> m_alwaysOnReconnectView;
    int m_topNetworkViewConstraint = kNetworkViewRestingTop;
    int m_topErrorViewConstraint = kErrorViewTop;
    int m_errorViewHeightConstraint = 80;
    bool m_isUnsecured = false;
    // The network of the latest tunnel, up, on its way or ended: a sign-out clears the current network
    // before the news that the tunnel is down arrives.
    QString m_tunnelNetworkName;
    bool m_isConnectionReachable = true;
    bool m_updateBannerPending = false;

    QString m_networkTitle;
    std::function<void()> m_reloadSelectedNetworkRow;
    QPointer<platform::ViewController> m_autoUpdateSheet;
    QPointer<platform::ViewController> m_connectionEstablishedSheet;
    platform::ObserverToken m_settingsObserver;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

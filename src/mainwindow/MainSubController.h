#pragma once

#include "core/AppStateObserverProtocol.h"
#include "sdk/Delegates.h"
#include "sdk/PDNetworks.h"
#include "mainwindow/GeneralSubController.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <functional>

// The home tab: the selected network, the connection state and the connect button. It is the SDK's
// VPN-status and connectivity delegate; those callbacks arrive on the SDK's thread and the interface work
// moves to the main queue.
class MainSubController : public GeneralSubController,
                          public PDVPNConnectionStatusUpdatesDelegate,
                          public SDConnectivityDelegate,
                          public AppStateObserverProtocol {
    Q_OBJECT
public:
    explicit MainSubController(QObject* parent = nullptr);
    ~MainSubController() override;

    // The connect button: nothing under Always-On or without a network; the update sheet while a forced
    // update is pending; a connection when disconnected; an intentional disconnect otherwise.
    void connectToVPN(QObject* sender);
    void performIntentionalDisconnect();
    void updateUIForConnectionState();
    void registerAsSDKDelegate();
    void showNetwork(const PDNetworkItemPtr& network);
    void updateNetworks(const PDNetworksModelPtr& networks);
    void showError(const QString& title, const QString& message);
    void hideErrorView();
    void showUpdateAvailableMessage();
    void showAutoUpdateSheet();
    void showForcedUpdateState();
    void hideForcedUpdateState();
    void exitAutoReconnectState();

    // AppStateObserverProtocol
    void appWillBecomeActive() override;
    void appDidResignActive() override;
    void appDidReopen() override {}
    void appWindowDidShow() override {}
    void mainWindowWillClose() override {}

    // PDVPNConnectionStatusUpdatesDelegate (SDK thread)
    void onConnectedToVPN() override;
    void onConnectingToVPN(bool isTransitional) override;
    void onDisconnectedFromVPN(bool isTransitional) override;
    void onReConnectingToVPN() override;
    void onErrorConnectingToVPNWithError(const PDError& error) override;
    void onConnectionTimeUpdatedWithTime(double seconds) override;
    // SDConnectivityDelegate (SDK thread)
    void onConnectionReachable() override;
    void onConnectionUnReachable() override;

    // What the tab shows, for the application and its tests.
    QString networkTitle() const;
    QString statusText() const;
    QString connectButtonTitle() const;
    bool isConnectButtonAvailable() const;
    bool isErrorViewShown() const;
    QString errorTitle() const;
    QString errorMessage() const;
    bool isUpdateRequiredShown() const;
    bool isAutoReconnectViewShown() const;
    QString timeConnectedText() const;
    PDNetworksModelPtr networks() const { return m_networks; }

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;

private:
    // Runs `f` on the main queue while this controller exists.
    void onMain(std::function<void(MainSubController&)> f);
    void showConnectionState(SDVPNConnectionState state);
    // A state the SDK reported: into the model, then onto the tab.
    void followConnectionState(SDVPNConnectionState state);
    void setForcedUpdateLook(bool forced);

    QPointer<QLabel> m_networkTitleField;
    QPointer<QLabel> m_statusLabel;
    QPointer<QLabel> m_timeLabel;
    QPointer<QPushButton> m_connectButton;
    QPointer<QWidget> m_errorView;
    QPointer<QLabel> m_errorTitleLabel;
    QPointer<QLabel> m_errorMessageLabel;
    QPointer<QLabel> m_updateRequiredLabel;
    QPointer<QWidget> m_normalView;
    QPointer<QWidget> m_autoReconnectView;
    PDNetworksModelPtr m_networks;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

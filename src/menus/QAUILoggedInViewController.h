#pragma once

#include "core/MenuControllerProtocol.h"
#include "menus/QAUINetworkGroupsView.h"
#include "menus/QAUINetworkView.h"
#include "menus/QAUIQuickAccessView.h"
#include "menus/QAUIServiceView.h"
#include "menus/QAUIStatusView.h"
#include "toolkit/NSViewControllerBase.h"

#include <QPointer>

// The page of a signed-in user: status options, the connection in use, recent networks, the network
// groups and the services, stacked; the window follows the sections' heights.
class QAUILoggedInViewController : public NSViewControllerBase,
                                   public MenuControllerProtocol,
                                   public QAUIQuickAccessViewDelegate,
                                   public ServiceViewDelegate,
                                   public QAUINetworkGroupsViewDelegate,
                                   public QAUIStackDelegate {
    Q_OBJECT
public:
    // The header, the spacings and the services.
    static constexpr double fixedHeight = 229.0;

    explicit QAUILoggedInViewController(QObject* parent = nullptr);

    QAUIStatusView* statusView() const { return m_statusView; }
    QAUINetworkView* networkView() const { return m_networkView; }
    QAUIQuickAccessView* quickAccessView() const { return m_quickAccessView; }
    QAUINetworkGroupsView* qauiNetworksView() const { return m_groupsView; }
    QAUIServiceView* serviceView() const { return m_serviceView; }
    // The gap above the network section: 12 while it shows, 1 while collapsed.
    int networkViewButtonConstraint() const { return m_networkGap ? m_networkGap->height() : 0; }

    QAUINetworkGroupsViewDelegate* routingDelegate() const { return m_routingDelegate; }
    void setRoutingDelegate(QAUINetworkGroupsViewDelegate* delegate) { m_routingDelegate = delegate; }

    void refreshStatusView();
    void refreshNetworkView();
    // The height the page asks of its window now.
    int preferredWindowHeight() const;
    void updateWindowHeight(bool animated);
    void maximize();

    // MenuControllerProtocol
    MenuControllerDataSource* dataSource() const override { return m_dataSource; }
    void setDataSource(MenuControllerDataSource* dataSource) override { m_dataSource = dataSource; }
    MenuControllerDelegate* delegate() const override { return m_delegate; }
    void setDelegate(MenuControllerDelegate* delegate) override { m_delegate = delegate; }
    void toggleMenu(platform::StatusItem*) override {}
    void setLoggedInState() override {}
    void setLoggedOutState() override {}
    void updateGroupedLocations() override;
    void updateLocationLists() override;
    void setConnectedState() override;
    void setDisconnectedState() override;
    void setConnectingState() override;
    void setUpgradeState() override {}
    void updateIPAddress(const PDPublicIPInfoPtr& info) override;
    void updateTimeConnected(const QString& timeConnected) override;
    void updateShowApplicationItem() override {}
    void updateStatusOptions() override { refreshStatusView(); }
    void updateStatusOptionStates() override { refreshStatusView(); }
    void updateNetworkGroups() override;

    // Section events
    void didSelectNetwork(const PDNetworkItemPtr& network) override;
    void serviceItemSelected(QAUIServiceViewItem item) override;
    void networkGroupSelected(QAUINetworkGroupsViewItem item, QWidget* sender) override;
    void heightWasChanged(QAUIStackMemberView* view, double newHeight, bool animated) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

private:
    MenuControllerDataSource* m_dataSource = nullptr;
    MenuControllerDelegate* m_delegate = nullptr;
    QAUINetworkGroupsViewDelegate* m_routingDelegate = nullptr;
    QPointer<QAUIStatusView> m_statusView;
    QPointer<QWidget> m_networkGap;
    QPointer<QAUINetworkView> m_networkView;
    QPointer<QAUIQuickAccessView> m_quickAccessView;
    QPointer<QAUINetworkGroupsView> m_groupsView;
    QPointer<QAUIServiceView> m_serviceView;
    bool m_appearing = false;
};

#pragma once

#include "core/AppStateObserverProtocol.h"
#include "sdk/PDNetworks.h"
#include "toolkit/NSViewControllerBase.h"

#include <QListWidget>
#include <QPointer>

// The locations window's content: the workspace's networks and public locations under a filter.
class LocationsViewController : public NSViewControllerBase, public AppStateObserverProtocol {
    Q_OBJECT
public:
    explicit LocationsViewController(QObject* parent = nullptr);

    // Keeps the model, refreshes it, applies its default filter and reloads the list.
    void setDataObject(const PDNetworksModelPtr& networks);
    PDNetworksModelPtr dataObject() const { return m_networks; }
    // The plain rows have no hover look yet, so there is nothing to switch off.
    void resetTableHover() {}

    void appWindowDidShow() override;
    void appWillBecomeActive() override;
    void appDidResignActive() override;
    void appDidReopen() override;
    void mainWindowWillClose() override {}

    QStringList rowTitles() const;

protected:
    QWidget* loadView() override;

private:
    void reloadList();

    PDNetworksModelPtr m_networks;
    QPointer<QListWidget> m_list;
};

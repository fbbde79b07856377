#pragma once

#include "sdk/PDNetworks.h"
#include "mainwindow/GeneralSubController.h"

#include <QLabel>
#include <QListWidget>
#include <QPointer>

// The networks tab: the workspace's networks as a list, or the forced-update placeholder.
class LocationsSubController : public GeneralSubController {
    Q_OBJECT
public:
    explicit LocationsSubController(QObject* parent = nullptr);

    void updateNetworks(const PDNetworksModelPtr& networks);
    void showForcedUpdateState();
    void hideForcedUpdateState();
    // Redraws the current network's row after its connection state changed (the whole list, for now).
    void reloadSelectedRow();

    QStringList rowTitles() const;
    bool isPlaceholderShown() const;

protected:
    QWidget* loadView() override;

private:
    void reloadList();

    PDNetworksModelPtr m_networks;
    QPointer<QListWidget> m_list;
    QPointer<QLabel> m_placeholder;
};

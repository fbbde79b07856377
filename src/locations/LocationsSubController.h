#pragma once

#include "locations/LocationSearchField.h"
#include "locations/NetworkSearchBarView.h"
#include "sdk/PDNetworks.h"
#include "toolkit/EmptyNetworksView.h"
#include "toolkit/GeneralSubController.h"
#include "toolkit/HoverableTableView.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/NetworkCells.h"

#include <QPointer>

// The networks tab: the workspace's networks over the SDK's model, with a search bar, or an empty state in
// their place. A click on a network switches the connection to it and goes back home; a click on a
// foldable header folds its section. The model orders, groups and filters; this tab only asks it.
class LocationsSubController : public GeneralSubController,
                               public TableViewDataSource,
                               public LocationSeachBarViewDelegate,
                               public NetworkCellViewDelegate {
    Q_OBJECT
public:
    static inline const QString selectedRowColor = QStringLiteral("#FFFFFF0D");

    explicit LocationsSubController(QObject* parent = nullptr);
    ~LocationsSubController() override;

    NSViewLayerBacked* controllerContainerView() const { return m_container; }
    EmptyNetworksView* emptyNetworksView() const { return m_emptyNetworksView; }
    HoverableTableView* networksTableView() const { return m_table; }
    NetworkSearchBarView* searchBarView() const { return m_searchBarView; }

    // Refreshes the model and, once the view exists, the list.
    void updateNetworks(const PDNetworksModelPtr& networks);
    // Redraws the current network's row only (its status line follows the connection).
    void reloadSelectedRow();
    void showForcedUpdateState();
    void hideForcedUpdateState();
    void reloadNetworks();
    // Switches the connection to the network, then makes it current and goes back to the home tab.
    void connectTo(const PDNetworkItemPtr& item);

    // TableViewDataSource
    int numberOfRows(TableView& table) override;
    QWidget* viewForRow(TableView& table, int row) override;
    TableRowView* rowViewForRow(TableView& table, int row) override;
    int heightOfRow(TableView& table, int row) override;
    bool shouldSelectRow(TableView& table, int row) override;

    void searchTextChanged(const QString& text) override;
    void searchReturnPressed() override;
    void networkSelected(const PDNetworkItemPtr& network) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewDidAppear() override;
    void viewDidDisappear() override;

private:
    // The empty state in place of `replaced` (the whole list or only the table).
    void showEmptyState(EmptyNetworksViewState state, QWidget* replaced);
    void updateTrackingAreasLater();
    // Shows or hides the table; the search bar keeps its place at the top either way.
    void setTableShown(bool shown);

    QPointer<NSViewLayerBacked> m_container;
    QPointer<EmptyNetworksView> m_emptyNetworksView;
    QPointer<HoverableTableView> m_table;
    QPointer<NetworkSearchBarView> m_searchBarView;
    bool m_reloadInProgress = false;
    PDNetworkRows m_rows; // the rows the table's row count came from, for their heights
};

#pragma once

#include "core/AppStateObserverProtocol.h"
#include "locations/LocationBars.h"
#include "locations/LocationCells.h"
#include "locations/LocationSearchField.h"
#include "locations/LocationsBluredViewController.h"
#include "sdk/PDNetworks.h"
#include "toolkit/EmptyNetworksView.h"
#include "toolkit/NSViewControllerBase.h"

#include <QPointer>

#include <memory>
#include <optional>

// The locations window's content: the workspace's private networks and public locations as one list,
// narrowed by the filter tabs and the search field, with the automatic location first under Public.
// Choosing a row connects there; the list itself (rows, order, headers, filtering) is the model's.
class LocationsViewController : public NSViewControllerBase,
                                public AppStateObserverProtocol,
                                public LocationTopViewDelegate,
                                public LocationFilterViewDelegate,
                                public LocationSeachBarViewDelegate,
                                public TableViewDataSource {
    Q_OBJECT
public:
    static constexpr int kFilterViewHeight = 40;
    static constexpr QSize kWindowSize{380, 620};

    explicit LocationsViewController(QObject* parent = nullptr);
    ~LocationsViewController() override;

    // Installs the model (each time the SDK delivers the networks) and shows its default filter.
    void setDataObject(const PDNetworksModelPtr& networks);
    PDNetworksModelPtr dataObject() const { return m_networks; }

    void resetTableHover();
    void markDisconnectToChangePresented() { m_disconnectToChangeViewPresented = true; }
    void clearDisconnectToChangePresented();
    // While a forced update is pending the list is covered and no location can be chosen.
    void showForcedUpdateState();
    void hideForcedUpdateState();

    void appWillBecomeActive() override;
    void appDidResignActive() override;
    void appWindowDidShow() override;
    void appDidReopen() override;
    void mainWindowWillClose() override;

    void settingsTapped() override;
    void signOutTapped() override;
    void goBackTapped() override;
    void filterSelected(PDLocationFilterType filter) override;
    void searchTextChanged(const QString& text) override;
    void searchReturnPressed() override;

    int numberOfRows(TableView& table) override;
    int heightOfRow(TableView& table, int row) override;
    QWidget* viewForRow(TableView& table, int row) override;
    bool shouldSelectRow(TableView& table, int row) override;
    void didAddRowView(TableView& table, TableRowView* rowView, int row) override;

    void presentBlurredState(LocationsBluredState state);
    void removeBlurredState();
    // The overlay shown now, if any.
    LocationsBluredViewController* blurredViewController() const;

    PDLocationFilterType appliedFilter() const { return m_appliedFilter; }
    std::optional<int> previouslySelectedRow() const { return m_previouslySelectedRow; }
    bool isTableViewSelectionDisabled() const { return m_selectionDisabled; }

    LocationTopView* locationTopView() const { return m_topView; }
    LocationFilterView* locationFilterView() const { return m_filterView; }
    LocationSeachBarView* searchBarView() const { return m_searchBar; }
    LocationsTableView* locationsTableView() const { return m_table; }
    // Stands in the table's place while a search finds nothing.
    EmptyNetworksView* notFoundView() const { return m_notFoundView; }
    QWidget* locationContainerView() const { return m_container; }

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewDidAppear() override;
    void viewWillDisappear() override;

private:
    // The blur of the overlays follows the client's focus; remembered until the view is made.
    void setFiltersEnabled(bool enabled);
    void setupFilters();
    // Row 0 is the automatic row: Public, an automatic network exists and no search text.
    bool isAutomaticRow(int row) const;
    void selectLocation(const PDNetworkItemPtr& location, bool isAutomatic);
    void favoriteTap(LocationCellView* cell);
    void onTableViewScrolling();
    void showFilterView();
    void hideFilterView();
    void reloadTable();
    // The table, or the not-found message in its place when a search finds nothing.
    void showTableOrNotFound();

    PDNetworksModelPtr m_networks;
    PDNetworkRows m_rowsMeasured; // the model's rows as the table last counted them
    std::optional<int> m_previouslySelectedRow;
    bool m_tableReloadingInProgress = true;
    bool m_disconnectToChangeViewPresented = false;
    bool m_selectionDisabled = false;
    bool m_filterOpen = true;
    bool m_filtersEnabled = false;
    PDLocationFilterType m_appliedFilter = PDLocationFilterType::privateNetworks;

    QPointer<LocationTopView> m_topView;
    QPointer<QWidget> m_container;
    QPointer<QWidget> m_filterHolder;
    QPointer<LocationFilterView> m_filterView;
    QPointer<LocationSeachBarView> m_searchBar;
    QPointer<LocationsTableView> m_table;
    QPointer<EmptyNetworksView> m_notFoundView;
    std::unique_ptr<LocationsBluredViewController> m_overlay;
    std::unique_ptr<LocationsBluredViewController> m_leavingOverlay;
};

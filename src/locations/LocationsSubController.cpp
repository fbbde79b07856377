#include "locations/LocationsSubController.h"

#include "core/AppRouterProtocol.h"
#include "core/ApplicationModel.h"
#include "core/ServiceLayer.h"
#include "locations/NetworkSearchBarView.h"
#include "platform/Scheduler.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/Colors.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/Scrollers.h"

#include <QVBoxLayout>

namespace {

const QString kNetworkRowViewIdentifier = QStringLiteral("NetworkRowView");

// The same network: both identifiers present and equal, or both absent.
bool isSameNetwork(const PDNetworkItemPtr& a, const PDNetworkItemPtr& b) {
    const bool firstHasId = a && a->id();
    const bool secondHasId = b && b->id();
    if (firstHasId != secondHasId) {
        return false;
    }
    return !firstHasId || *a->id() == *b->id();
}

} // namespace

LocationsSubController::LocationsSubController(QObject* parent) : GeneralSubController(parent) {}

LocationsSubController::~LocationsSubController() {
    if (m_table) {
        m_table->setDataSource(nullptr);
    }
}

QWidget* LocationsSubController::loadView() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(24, 24, 24, 16);
    layout->setSpacing(0);

    m_container = new NSViewLayerBacked;
    auto* containerLayout = new QVBoxLayout(m_container);
    containerLayout->setContentsMargins(0, 0, 0, 0);
    containerLayout->setSpacing(16);
    m_searchBarView = new NetworkSearchBarView;
    m_table = new HoverableTableView;
    m_table->setFrameShape(QFrame::NoFrame);
    m_table->viewport()->setAutoFillBackground(false);
    m_table->setIntercellSpacing(QSize(0, 4));
    m_table->setVerticalScrollBar(new TransculentScroller);
    m_table->setDataSource(this);
    containerLayout->addWidget(m_searchBarView);
    containerLayout->addWidget(m_table, 1);

    m_emptyNetworksView = new EmptyNetworksView;
    m_emptyNetworksView->hide();
    layout->addWidget(m_container, 1);
    layout->addWidget(m_emptyNetworksView, 1);
    return view;
}

void LocationsSubController::viewDidLoad() {
    m_searchBarView->setDelegate(this);
}

void LocationsSubController::viewWillAppear() {
    if (const PDNetworksModelPtr networks = VeltrixXPC::networks()) {
        networks->refresh();
    }
    reloadNetworks();
    if (m_table->numberOfRows() > 0) {
        m_table->scrollRowToVisible(0);
    }
}

void LocationsSubController::viewDidAppear() {
    m_table->updateTrackingAreas();
}

void LocationsSubController::viewDidDisappear() {
    m_searchBarView->resetSearch();
}

void LocationsSubController::updateNetworks(const PDNetworksModelPtr& networks) {
    if (networks) {
        networks->refresh();
    }
    if (m_table) {
        reloadNetworks();
    }
}

void LocationsSubController::reloadSelectedRow() {
    const PDNetworksModelPtr networks = VeltrixXPC::networks();
    if (!m_table || !networks) {
        return;
    }
    const int selected = networks->selectedIndex();
    if (selected >= 0) {
        m_table->reloadRow(selected);
    }
}

void LocationsSubController::showForcedUpdateState() {
    if (m_container) {
        showEmptyState(EmptyNetworksViewState::forcedUpdateAvailable, m_container);
    }
}

void LocationsSubController::hideForcedUpdateState() {
    if (m_container) {
        m_container->show();
        m_emptyNetworksView->hide();
    }
}

void LocationsSubController::setTableShown(bool shown) {
    m_table->setVisible(shown);
}

void LocationsSubController::showEmptyState(EmptyNetworksViewState state, QWidget* replaced) {
    // The empty state stands exactly where what it replaces stood: the table under the search bar, or the
    // whole container.
    QWidget* place = replaced == m_table ? static_cast<QWidget*>(m_container) : view();
    if (m_emptyNetworksView->parentWidget() != place) {
        m_emptyNetworksView->parentWidget()->layout()->removeWidget(m_emptyNetworksView);
        static_cast<QBoxLayout*>(place->layout())->addWidget(m_emptyNetworksView, 1);
    }
    if (replaced == m_table) {
        setTableShown(false);
    } else {
        replaced->hide();
    }
    m_emptyNetworksView->setup(state);
    m_emptyNetworksView->show();
}

void LocationsSubController::updateTrackingAreasLater() {
    QPointer<HoverableTableView> table = m_table;
    platform::DispatchQueue::main().async([table] {
        if (table) {
            table->updateTrackingAreas();
        }
    });
}

void LocationsSubController::reloadNetworks() {
    view();
    if (ServiceLayer::appModel().isForcedUpdateAvailable()) {
        showForcedUpdateState();
        return;
    }
    hideForcedUpdateState();
    const PDNetworksModelPtr networks = VeltrixXPC::networks();
    if (!networks) {
        return;
    }
    // Only a workspace without networks is "no access"; a search that matched nothing is not.
    if (networks->groupedNetworks().isEmpty()) {
        showEmptyState(EmptyNetworksViewState::noAccess, m_container);
        return;
    }
    m_reloadInProgress = true;
    m_table->deselectAll();
    m_reloadInProgress = false;
    m_table->reloadData();
    updateTrackingAreasLater();
    const int selected = networks->selectedIndex();
    if (selected >= 0) {
        if (TableRowView* rowView = m_table->rowViewAtRow(selected)) {
            rowView->setSelected(true);
        }
    }
    m_container->show();
    if (!networks->searchText().isEmpty() && networks->items().isEmpty()) {
        showEmptyState(EmptyNetworksViewState::notFound, m_table);
    } else {
        m_emptyNetworksView->hide();
        setTableShown(true);
    }
}

void LocationsSubController::connectTo(const PDNetworkItemPtr& item) {
    if (!item) {
        return;
    }
    if (const auto& configuration = item->vpnConfiguration()) {
        VeltrixXPC::connectToAnotherLocation(*configuration);
    }
    QPointer<LocationsSubController> self = this;
    platform::DispatchQueue::main().async([self, item] {
        if (!self) {
            return;
        }
        if (AppRouterProtocol* router = self->appRouter()) {
            router->selectCurrentNetwork(item);
        }
        emit self->homeTabRequested();
    });
}

int LocationsSubController::numberOfRows(TableView&) {
    // The table asks for every row's height right after this; they come from the model read here.
    const PDNetworksModelPtr networks = VeltrixXPC::networks();
    m_rows = networks ? networks->networkRows() : PDNetworkRows();
    return static_cast<int>(m_rows.size());
}

QWidget* LocationsSubController::viewForRow(TableView& table, int row) {
    const PDNetworksModelPtr networks = VeltrixXPC::networks();
    if (m_reloadInProgress || !networks) {
        return nullptr;
    }
    const PDNetworkItemPtr item = networks->networkItem(row);
    if (!item) {
        return nullptr;
    }
    const QString searchText = networks->searchText();
    if (item->isHeader()) {
        auto* header =
            qobject_cast<NetworkHeaderCellView*>(table.makeView(NetworkHeaderCellView::identifier));
        if (!header) {
            header = new NetworkHeaderCellView;
        }
        header->setHighlight(false);
        header->configure(item, networks->isCollapsed() && searchText.isEmpty());
        return header;
    }
    auto* cell = qobject_cast<NetworkCellView*>(table.makeView(NetworkCellView::identifier));
    if (!cell) {
        cell = new NetworkCellView;
        cell->setHoverColor(colorFromHexString(selectedRowColor));
    }
    cell->setHighlight(false);
    const PDNetworkItemPtr current = VeltrixXPC::currentNetwork();
    const bool isSelected = current && isSameNetwork(item, current);
    if (TableRowView* rowView = table.rowViewAtRow(row)) {
        rowView->setSelected(isSelected);
    }
    if (searchText.isEmpty()) {
        cell->configure(item, isSelected);
    } else {
        cell->configure(item, isSelected, searchText);
    }
    cell->setDelegate(this);
    return cell;
}

TableRowView* LocationsSubController::rowViewForRow(TableView& table, int row) {
    const PDNetworksModelPtr networks = VeltrixXPC::networks();
    if (m_reloadInProgress || !networks || networks->isHeaderRow(row)) {
        return nullptr;
    }
    if (TableRowView* reused = table.makeRowView(kNetworkRowViewIdentifier)) {
        return reused;
    }
    auto* rowView = new SelectableTableRowView;
    rowView->setObjectName(kNetworkRowViewIdentifier);
    rowView->setTableViewIntercellSpacing(table.intercellSpacing());
    rowView->setCornerRadius(5.0);
    rowView->setSelectedColor(colorFromHexString(selectedRowColor));
    return rowView;
}

int LocationsSubController::heightOfRow(TableView& table, int row) {
    return row >= 0 && row < m_rows.size() ? qRound(PDNetworksModel::heightOfNetworkRow(m_rows, row))
                                           : table.rowHeight();
}

bool LocationsSubController::shouldSelectRow(TableView& table, int row) {
    const PDNetworksModelPtr networks = VeltrixXPC::networks();
    if (m_reloadInProgress || !networks) {
        return false;
    }
    const PDNetworkItemPtr item = networks->networkItem(row);
    if (!item) {
        return false;
    }
    if (item->isHeader()) {
        if (item->isCollapsible()) {
            networks->toggleCollapsed();
            table.reloadData();
            updateTrackingAreasLater();
        }
        return false;
    }
    const PDNetworkItemPtr current = VeltrixXPC::currentNetwork();
    const bool isCurrent = current && current->id() && item->id() && *current->id() == *item->id();
    if (VeltrixXPC::isConnectedToVPN() && isCurrent) {
        if (AppRouterProtocol* router = appRouter()) {
            router->showHomeTab();
        }
    } else {
        connectTo(item);
    }
    return true;
}

void LocationsSubController::searchTextChanged(const QString& text) {
    const PDNetworksModelPtr networks = VeltrixXPC::networks();
    if (!networks) {
        return;
    }
    // The same rows for a longer search still emphasise more of each title.
    const QString before = networks->searchText();
    if (!networks->setSearchText(text) && networks->searchText() == before) {
        return;
    }
    if (!networks->searchText().isEmpty() && networks->items().isEmpty()) {
        showEmptyState(EmptyNetworksViewState::notFound, m_table);
        return;
    }
    m_emptyNetworksView->hide();
    setTableShown(true);
    m_table->reloadData();
    updateTrackingAreasLater();
}

void LocationsSubController::searchReturnPressed() {
    const PDNetworksModelPtr networks = VeltrixXPC::networks();
    if (!networks || networks->searchText().isEmpty() || !m_table) {
        return;
    }
    const int found = onlyRowWhere(*m_table, [&](int row) {
        const PDNetworkItemPtr item = networks->networkItem(row);
        return item && !item->isHeader();
    });
    if (found >= 0) {
        m_table->clickRow(found);
    }
}

void LocationsSubController::networkSelected(const PDNetworkItemPtr& network) {
    const PDNetworkItemPtr current = VeltrixXPC::currentNetwork();
    if (!isSameNetwork(network, current)) {
        connectTo(network);
        return;
    }
    if (VeltrixXPC::connectionState() == SDVPNConnectionState::disconnected) {
        connectTo(network);
    } else if (AppRouterProtocol* router = appRouter()) {
        router->toggleConnection(this);
    }
}

#include "locations/LocationsViewController.h"

#include "core/AppRouterProtocol.h"
#include "core/ApplicationModel.h"
#include "core/Log.h"
#include "core/ServiceLayer.h"
#include "platform/Scheduler.h"
#include "platform/Storyboard.h"
#include "toolkit/AppKitExtensions.h"
#include "toolkit/BaseWindowViewController.h"
#include "toolkit/Colors.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/PresentationAnimators.h"
#include "toolkit/Scrollers.h"
#include "toolkit/ViewAnimation.h"

#include <QScrollBar>
#include <QVBoxLayout>

namespace {

const QString kAutomaticCell = QStringLiteral("automaticCell");
const QString kHeaderCell = QStringLiteral("headerCell");
const QString kLocationCell = QStringLiteral("locationCell");
const QByteArray kFilterHeightAnimation = QByteArrayLiteral("filterViewHeight");

// A reusable cell of the kind, or a new one named for reuse.
template <class Cell>
Cell* dequeue(TableView& table, const QString& identifier, bool* made = nullptr) {
    if (auto* reused = qobject_cast<Cell*>(table.makeView(identifier))) {
        return reused;
    }
    auto* cell = new Cell;
    cell->setObjectName(identifier);
    if (made) {
        *made = true;
    }
    return cell;
}

ApplicationModel& model() {
    return ServiceLayer::appModel();
}

bool isForcedUpdatePending() {
    return model().isForcedUpdateAvailable();
}

} // namespace

LocationsViewController::LocationsViewController(QObject* parent) : NSViewControllerBase(parent) {
    setTitle(QStringLiteral("Locations"));
}

LocationsViewController::~LocationsViewController() {
    if (m_table) {
        m_table->setDataSource(nullptr);
    }
}

QWidget* LocationsViewController::loadView() {
    auto* root = new NSViewLayerBacked;
    root->setBgColor(toolkit::windowBackground);
    root->resize(kWindowSize);
    root->setMinimumSize(320, 420);
    auto* column = new QVBoxLayout(root);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_topView = new LocationTopView;
    column->addWidget(m_topView);

    m_container = new QWidget;
    auto* inner = new QVBoxLayout(m_container);
    inner->setContentsMargins(0, 0, 0, 0);
    inner->setSpacing(0);
    // The filter bar sits in a holder whose height opens and closes; the bar is shown only when open.
    m_filterHolder = new QWidget;
    m_filterHolder->setFixedHeight(kFilterViewHeight);
    auto* holderLayout = new QVBoxLayout(m_filterHolder);
    holderLayout->setContentsMargins(0, 0, 0, 0);
    m_filterView = new LocationFilterView;
    holderLayout->addWidget(m_filterView);
    inner->addWidget(m_filterHolder);
    m_searchBar = new LocationSeachBarView;
    m_searchBar->setFixedHeight(48);
    inner->addWidget(m_searchBar);
    m_table = new LocationsTableView;
    m_table->setAccessibleName(QStringLiteral("Locations"));
    m_table->setIntercellSpacing(QSize(8, 0));
    m_table->setVerticalScrollBar(new TransculentScroller(Qt::Vertical));
    m_table->viewport()->setAutoFillBackground(false);
    m_table->setAutoFillBackground(false);
    m_table->setDataSource(this);
    inner->addWidget(m_table, 1);
    m_notFoundView = new EmptyNetworksView;
    m_notFoundView->setup(EmptyNetworksViewState::notFound);
    m_notFoundView->hide();
    inner->addWidget(m_notFoundView, 1);
    column->addWidget(m_container, 1);
    return root;
}

void LocationsViewController::viewDidLoad() {
    NSViewControllerBase::viewDidLoad();
    if (m_filtersEnabled) {
        enableLayerCoreImageFilters(this);
    }
    QPointer<LocationsViewController> self = this;
    platform::DispatchQueue::main().async([self] {
        if (!self) {
            return;
        }
        self->m_topView->setDelegate(self);
        self->m_filterView->setDelegate(self);
        self->m_searchBar->setDelegate(self);
        self->setupFilters();
        QObject::connect(self->m_table->verticalScrollBar(), &QScrollBar::valueChanged, self,
                         [self] { self->onTableViewScrolling(); });
    });
}

void LocationsViewController::viewWillAppear() {
    NSViewControllerBase::viewWillAppear();
    QPointer<LocationsViewController> self = this;
    platform::DispatchQueue::main().async([self] {
        if (!self) {
            return;
        }
        self->setupFilters();
        if (isForcedUpdatePending()) {
            self->showForcedUpdateState();
        } else if (self->m_disconnectToChangeViewPresented) {
            self->presentBlurredState(LocationsBluredState::shouldDisconnect);
        } else {
            self->removeBlurredState();
        }
    });
}

void LocationsViewController::viewDidAppear() {
    NSViewControllerBase::viewDidAppear();
    m_selectionDisabled = false;
    m_table->enableEvents();
}

void LocationsViewController::viewWillDisappear() {
    NSViewControllerBase::viewWillDisappear();
    m_selectionDisabled = true;
    m_table->disableEvents();
}

void LocationsViewController::setDataObject(const PDNetworksModelPtr& networks) {
    m_networks = networks;
    if (m_networks) {
        m_networks->refresh();
        m_appliedFilter = m_networks->defaultFilter().value_or(PDLocationFilterType::privateNetworks);
        m_networks->applyFilter(m_appliedFilter);
    }
    reloadTable();
    setupFilters();
}

void LocationsViewController::reloadTable() {
    if (m_table) {
        m_table->reloadData();
    }
}

void LocationsViewController::setupFilters() {
    const QList<PDLocationFilterType> offered =
        m_networks ? m_networks->availableFilters()
                   : QList<PDLocationFilterType>{PDLocationFilterType::privateNetworks,
                                                 PDLocationFilterType::publicLocations,
                                                 PDLocationFilterType::favorites};
    const PDLocationFilterType fallback = (m_networks ? m_networks->defaultFilter() : std::nullopt)
                                              .value_or(PDLocationFilterType::publicLocations);
    const bool offeredNow = std::any_of(offered.begin(), offered.end(), [this](PDLocationFilterType filter) {
        return rawValue(filter) == rawValue(m_appliedFilter);
    });
    if (!offeredNow) {
        m_appliedFilter = fallback;
        if (m_networks) {
            m_networks->applyFilter(fallback);
        }
        reloadTable();
    }
    if (m_filterView) {
        m_filterView->configure(offered, m_appliedFilter);
    }
    if (m_table) {
        m_tableReloadingInProgress = true;
        m_table->reloadData();
        m_tableReloadingInProgress = false;
    }
    if (!m_networks) {
        return;
    }
    if (isForcedUpdatePending()) {
        return; // its overlay stays until the update is gone
    }
    if (!m_networks->hasLocations()) {
        QPointer<LocationsViewController> self = this;
        platform::DispatchQueue::main().async([self] {
            // A model that got locations meanwhile needs no overlay.
            if (self && self->m_networks && !self->m_networks->hasLocations()) {
                self->presentBlurredState(LocationsBluredState::noLocations);
            }
        });
    } else {
        removeBlurredState();
    }
}

void LocationsViewController::showForcedUpdateState() {
    if (!isViewLoaded() || !isForcedUpdatePending()) {
        return;
    }
    if (m_overlay && m_overlay->bluredState() != LocationsBluredState::forceUpdateEnabled) {
        removeBlurredState(); // the update outranks the overlay shown before it
    }
    presentBlurredState(LocationsBluredState::forceUpdateEnabled);
}

void LocationsViewController::hideForcedUpdateState() {
    if (!isViewLoaded() || isForcedUpdatePending() || !m_overlay ||
        m_overlay->bluredState() != LocationsBluredState::forceUpdateEnabled) {
        return;
    }
    removeBlurredState();
    setupFilters(); // what the list needs without the update: nothing, or the no-locations overlay
}

bool LocationsViewController::isAutomaticRow(int row) const {
    return row == 0 && m_appliedFilter == PDLocationFilterType::publicLocations &&
           model().currentAutomaticNetwork() && m_networks && m_networks->searchText().isEmpty();
}

int LocationsViewController::numberOfRows(TableView&) {
    // The table asks the count, then the height of every row: the rows are read once for all of them.
    m_rowsMeasured = m_networks ? m_networks->locationRows() : PDNetworkRows();
    return static_cast<int>(m_rowsMeasured.size());
}

int LocationsViewController::heightOfRow(TableView&, int row) {
    return row < m_rowsMeasured.size() ? qRound(PDNetworksModel::heightOfLocationRow(m_rowsMeasured, row))
                                       : 0;
}

QWidget* LocationsViewController::viewForRow(TableView& table, int row) {
    if (isAutomaticRow(row)) {
        auto* cell = dequeue<AutomaticLocationCellView>(table, kAutomaticCell);
        cell->configure(model().currentAutomaticNetwork());
        return cell;
    }
    const PDNetworkItemPtr item = m_networks ? m_networks->item(row) : nullptr;
    if (!item) {
        return nullptr;
    }
    if (item->isHeader()) {
        auto* header = dequeue<LocationHeaderCellView>(table, kHeaderCell);
        header->configure(item);
        return header;
    }
    bool made = false;
    auto* cell = dequeue<LocationCellView>(table, kLocationCell, &made);
    if (made) {
        connect(cell, &LocationCellView::favoriteTapped, this, &LocationsViewController::favoriteTap);
    }
    cell->configure(item, m_networks->searchText());
    // No line directly above a header.
    const PDNetworkItemPtr next = m_networks->item(row + 1);
    if (next && next->isHeader()) {
        cell->hideSeparator();
    } else {
        cell->showSeparator();
    }
    return cell;
}

bool LocationsViewController::shouldSelectRow(TableView& table, int row) {
    // A pending forced update allows no connection, even before its overlay is up.
    if (m_selectionDisabled || m_tableReloadingInProgress || !m_networks || isForcedUpdatePending()) {
        return false;
    }
    const bool automatic = isAutomaticRow(row);
    const PDNetworkItemPtr chosen = automatic ? model().currentAutomaticNetwork() : m_networks->item(row);
    if (!chosen || chosen->isHeader()) {
        return false;
    }
    QWidget* chosenCell = table.viewAtRow(row);
    if (auto* location = qobject_cast<LocationCellView*>(chosenCell)) {
        location->select();
    }

    // Unmark the row of the previous choice, unless that was the automatic row.
    if (!(m_previouslySelectedRow == -1 && m_appliedFilter == PDLocationFilterType::publicLocations)) {
        const PDNetworkItemPtr current = model().currentNetwork();
        if (const auto index = current ? m_networks->index(current) : std::nullopt) {
            const int previousRow = *index + (isAutomaticRow(0) ? 1 : 0);
            if (previousRow != row) {
                if (auto* previous = qobject_cast<LocationCellView*>(table.viewAtRow(previousRow))) {
                    previous->deselect();
                }
            }
        }
    }

    selectLocation(chosen, automatic);
    if (auto* selectable = dynamic_cast<SelectableTableCellView*>(chosenCell)) {
        selectable->select();
    }
    m_previouslySelectedRow = automatic ? -1 : row;
    ServiceLayer::connectToAnotherLocation(chosen);
    return true;
}

void LocationsViewController::selectLocation(const PDNetworkItemPtr& location, bool isAutomatic) {
    model().setUseAutomaticNetwork(isAutomatic);
    QPointer<LocationsViewController> self = this;
    platform::DispatchQueue::main().async([self, location] {
        if (AppRouterProtocol* router = model().router()) {
            router->selectCurrentNetwork(location);
        }
        if (self && self->m_table) {
            self->m_table->clearHover();
        }
    });
}

void LocationsViewController::didAddRowView(TableView& table, TableRowView*, int row) {
    auto* cell = dynamic_cast<SelectableTableCellView*>(table.viewAtRow(row));
    if (!cell || !m_networks) {
        return;
    }
    if (isAutomaticRow(row)) {
        if (model().useAutomaticNetwork()) {
            cell->select();
            m_previouslySelectedRow = -1;
        } else {
            cell->deselect();
        }
        return;
    }
    const PDNetworkItemPtr item = m_networks->item(row);
    const PDNetworkItemPtr current = model().currentNetwork();
    if (item && current && item->id() && item->id() == current->id()) {
        cell->select();
    } else {
        cell->deselect();
    }
}

void LocationsViewController::favoriteTap(LocationCellView* cell) {
    if (!m_networks || !m_table) {
        return;
    }
    const PDNetworkItemPtr item = m_networks->item(m_table->rowForView(cell));
    if (!item || item->isHeader()) {
        return;
    }
    m_networks->toggleFavorite(item);
    m_networks->refresh();
    setupFilters();
    if (AppRouterProtocol* router = appRouter()) {
        router->setupMenuBarMenu();
    }
}

void LocationsViewController::searchTextChanged(const QString& text) {
    if (text.isEmpty()) {
        showFilterView();
    } else {
        hideFilterView();
    }
    if (!m_networks) {
        return;
    }
    const QString before = m_networks->searchText();
    if (m_networks->setSearchText(text)) {
        setupFilters();
    } else if (m_networks->searchText() != before) {
        reloadTable(); // the same rows emphasise more, or less, of each name
    }
}

void LocationsViewController::showTableOrNotFound() {
    const bool notFound =
        m_networks && !m_networks->searchText().isEmpty() && m_networks->numberOfLocationRows() == 0;
    m_notFoundView->setVisible(notFound);
    m_table->setVisible(!notFound);
}

void LocationsViewController::searchReturnPressed() {
    if (!m_networks || m_networks->searchText().isEmpty() || !m_table) {
        return;
    }
    const int found = onlyRowWhere(*m_table, [&](int row) {
        const PDNetworkItemPtr item = isAutomaticRow(row) ? nullptr : m_networks->item(row);
        return item && !item->isHeader();
    });
    if (found >= 0) {
        m_table->clickRow(found);
    }
}

void LocationsViewController::showFilterView() {
    QPointer<LocationsViewController> self = this;
    QPointer<QWidget> holder = m_filterHolder;
    const int from = holder->maximumHeight();
    ViewAnimation::start(
        holder, kFilterHeightAnimation, 0.3, timing::easeInOut(),
        [holder, from](double progress) {
            if (holder) {
                holder->setFixedHeight(qRound(from + (kFilterViewHeight - from) * progress));
            }
        },
        [self] {
            if (self) {
                self->m_filterOpen = true;
                self->m_filterView->show();
            }
        });
}

void LocationsViewController::hideFilterView() {
    m_filterOpen = false;
    m_filterView->hide();
    QPointer<QWidget> holder = m_filterHolder;
    QPointer<LocationFilterView> bar = m_filterView;
    const int from = holder->maximumHeight();
    ViewAnimation::start(
        holder, kFilterHeightAnimation, 0.3, timing::easeInOut(),
        [holder, from](double progress) {
            if (holder) {
                holder->setFixedHeight(qRound(from * (1.0 - progress)));
            }
        },
        [bar] {
            if (bar) {
                bar->hide();
            }
        });
}

void LocationsViewController::onTableViewScrolling() {
    if (!m_table || m_table->numberOfRows() == 0) {
        return;
    }
    if (auto* automatic = qobject_cast<AutomaticLocationCellView*>(m_table->viewAtRow(0))) {
        automatic->closePopover();
    }
}

LocationsBluredViewController* LocationsViewController::blurredViewController() const {
    return m_overlay.get();
}

void LocationsViewController::presentBlurredState(LocationsBluredState state) {
    // At most one overlay: the first one stays.
    if (m_overlay) {
        return;
    }
    view();
    auto animator = std::make_shared<TransitionAnimator>(m_topView->height(), 0.0, 0.0, 0.0, 0.5, 0.25);
    auto overlay =
        platform::Storyboard::named(QStringLiteral("Location"))
            .instantiate<LocationsBluredViewController>(QStringLiteral("LocationsBluredViewController"));
    if (!overlay) {
        return;
    }
    overlay->setBluredState(state);
    m_overlay = std::move(overlay);
    applyBackgroundBlur(m_container, 0.5);
    presentViewController(m_overlay.get(), animator);
    addChildViewController(m_overlay.get());
    if (state == LocationsBluredState::noLocations) {
        m_searchBar->hide();
        m_filterView->hide();
        m_table->setEnabled(false);
        m_table->hide();
        m_notFoundView->hide();
    } else {
        m_selectionDisabled = true;
        m_table->disableEvents();
    }
}

void LocationsViewController::removeBlurredState() {
    if (!isViewLoaded()) {
        return;
    }
    removeBlur(m_container, 0.25);
    if (m_overlay) {
        dismissViewController(m_overlay.get());
        m_overlay->removeFromParentViewController();
        // Kept until the next overlay comes: its fade-out is still running.
        m_leavingOverlay = std::move(m_overlay);
    }
    m_searchBar->show();
    // The tabs stay away while a search keeps them closed.
    m_filterView->setVisible(m_filterOpen);
    m_table->setEnabled(true);
    showTableOrNotFound();
    m_selectionDisabled = false;
    m_table->enableEvents();
}

void LocationsViewController::resetTableHover() {
    if (m_table) {
        m_table->clearHover();
    }
}

void LocationsViewController::clearDisconnectToChangePresented() {
    if (m_disconnectToChangeViewPresented) {
        removeBlurredState();
        m_disconnectToChangeViewPresented = false;
    }
}

void LocationsViewController::settingsTapped() {
    if (AppRouterProtocol* router = appRouter()) {
        router->showSettingsTab();
    }
}

void LocationsViewController::signOutTapped() {
    if (AppRouterProtocol* router = appRouter()) {
        router->performLogout();
    }
}

void LocationsViewController::goBackTapped() {
    resetTableHover();
    if (isViewLoaded() && view()->window()) {
        view()->window()->close();
    }
}

void LocationsViewController::filterSelected(PDLocationFilterType filter) {
    m_appliedFilter = filter;
    if (m_networks) {
        m_networks->applyFilter(filter);
    }
    reloadTable();
}

void LocationsViewController::setFiltersEnabled(bool enabled) {
    m_filtersEnabled = enabled;
    // A view not made yet takes them when it is.
    if (!isViewLoaded()) {
        return;
    }
    if (enabled) {
        enableLayerCoreImageFilters(this);
    } else {
        disableLayerCoreImageFilters(this);
    }
}

void LocationsViewController::appWillBecomeActive() {
    setFiltersEnabled(true);
}

void LocationsViewController::appDidResignActive() {
    setFiltersEnabled(false);
}

void LocationsViewController::appWindowDidShow() {
    setFiltersEnabled(true);
}

void LocationsViewController::appDidReopen() {
    setFiltersEnabled(true);
}

void LocationsViewController::mainWindowWillClose() {
    setFiltersEnabled(false);
    removeBlurredState();
}

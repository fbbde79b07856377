#include "locations/LocationsBluredViewController.h"
#include "locations/LocationsViewController.h"
#include "toolkit/AppKitExtensions.h"

#include "platform/ManualScheduler.h"
#include "sdk/VeltrixSDK.h"
#include "sdk/testing/Driver.h"
#include "sdk/testing/GeneratedNetworks.h"
#include "support/FakeRouter.h"
#include "support/RoutedTest.h"
#include "support/Storyboards.h"
#include "toolkit/FlagImageCache.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSet>

#include <gtest/gtest.h>

namespace {

PDNetworkItemPtr makeItem(const QString& id, PDNetworkKind kind) {
    return sdk::testing::makeNetworkItem(id, kind, id);
}

class LocationsWindowTest : public RoutedTest {
protected:
    void SetUp() override {
        testsupport::registerController<LocationsBluredViewController>("Location",
                                                                       "LocationsBluredViewController");
        driver.setLoggedIn(true);
        model = VeltrixXPC::networks();
        ASSERT_TRUE(model);
        driver.setCurrentNetwork(model->networkWithId(QStringLiteral("prv-hq")));
        controller.view()->resize(LocationsViewController::kWindowSize);
        controller.view()->show();
        controller.setDataObject(model);
        scheduler.runUntilIdle();
        driver.clearCalls();
    }

    LocationsTableView& table() { return *controller.locationsTableView(); }
    LocationCellView* locationCell(int row) {
        return qobject_cast<LocationCellView*>(table().viewAtRow(row));
    }
    bool selectedLook(int row) {
        auto* cell = locationCell(row);
        return cell && !cell->selectedView()->isHidden();
    }
    bool hoveredLook(int row) {
        if (auto* cell = locationCell(row)) {
            return !cell->hoveredView()->isHidden();
        }
        auto* automatic = qobject_cast<AutomaticLocationCellView*>(table().viewAtRow(row));
        return automatic && !automatic->hoveredView()->isHidden();
    }
    int rowOf(const QString& id) {
        for (int row = 0; row < table().numberOfRows(); ++row) {
            if (auto item = model->item(row); item && item->id() == id && !item->isAutomatic()) {
                return row;
            }
        }
        return -1;
    }
    QString calledNetwork(const QString& call) {
        const auto last = driver.lastCall(call);
        return last ? last->arguments.value(QStringLiteral("networkId")).toString() : QString();
    }
    void search(const QString& text) {
        controller.searchBarView()->searchField()->setText(text);
        scheduler.runUntilIdle();
    }
    QStringList filterTitles() {
        QStringList titles;
        for (FilterButton* button : controller.locationFilterView()->buttons()) {
            if (!button->isHidden()) {
                titles << button->filterButton()->text() +
                              (button->isMarked() ? QStringLiteral("*") : QString());
            }
        }
        return titles;
    }

    LocationsViewController controller;
    PDNetworksModelPtr model;
};

TEST_F(LocationsWindowTest, FilterSetUpFollowsTheModelWithItsFallbacks) {
    // The demo workspace: its default filter, the three tabs, Public marked.
    EXPECT_EQ(controller.appliedFilter(), PDLocationFilterType::publicLocations);
    EXPECT_EQ(filterTitles(), (QStringList{"Private", "Public*", "Favorites"}));

    // A model without a default: Private at first, then the set-up falls back to Public; the filter bar
    // keeps its tabs for an empty list, and the queued overlay says there is nothing.
    auto empty = std::make_shared<PDNetworksModel>(PDNetworksModel::Content{});
    controller.setDataObject(empty);
    EXPECT_EQ(controller.appliedFilter(), PDLocationFilterType::publicLocations);
    EXPECT_EQ(empty->appliedFilter(), PDLocationFilterType::publicLocations);
    EXPECT_EQ(filterTitles(), (QStringList{"Private", "Public*", "Favorites"}));
    EXPECT_EQ(controller.blurredViewController(), nullptr);
    scheduler.runUntilIdle();
    ASSERT_NE(controller.blurredViewController(), nullptr);
    EXPECT_EQ(controller.blurredViewController()->bluredState(), LocationsBluredState::noLocations);
    EXPECT_TRUE(controller.searchBarView()->isHidden());
    EXPECT_TRUE(table().isHidden());

    // Only private networks: Public is not offered, so a filter applied earlier is replaced and the model
    // told.
    PDNetworksModel::Content privateOnly;
    privateOnly.privateNetworks = {makeItem("office", PDNetworkKind::privateNetwork)};
    auto offices = std::make_shared<PDNetworksModel>(privateOnly);
    controller.setDataObject(offices);
    scheduler.runUntilIdle();
    EXPECT_EQ(controller.blurredViewController(), nullptr) << "a set-up with locations removes the overlay";
    EXPECT_FALSE(table().isHidden());
    controller.filterSelected(PDLocationFilterType::publicLocations);
    search(QStringLiteral("zzz"));
    EXPECT_EQ(controller.appliedFilter(), PDLocationFilterType::privateNetworks);
    EXPECT_EQ(offices->appliedFilter(), PDLocationFilterType::privateNetworks);
    EXPECT_EQ(filterTitles(), (QStringList{"Private*", "Favorites"}));
}

// The client's focus reaches the window's controller before its view is made (the locations window not
// opened yet): the view is not made for it, and its overlay's blur, once there, follows the last word.
TEST_F(LocationsWindowTest, FocusNewsBeforeTheViewIsMadeDecideTheBlurOnceItIs) {
    using Hook = void (LocationsViewController::*)();
    const std::pair<Hook, bool> lastWords[] = {
        {&LocationsViewController::appWindowDidShow, true},
        {&LocationsViewController::appDidResignActive, false},
        {&LocationsViewController::appWillBecomeActive, true},
        {&LocationsViewController::mainWindowWillClose, false},
    };
    for (const auto& [hook, blurred] : lastWords) {
        LocationsViewController unmade;
        (unmade.*hook)();
        EXPECT_FALSE(unmade.isViewLoaded());
        unmade.view()->resize(LocationsViewController::kWindowSize);
        unmade.setDataObject(std::make_shared<PDNetworksModel>(PDNetworksModel::Content{}));
        scheduler.runUntilIdle(); // the no-locations overlay blurs the list
        auto* blur = qobject_cast<BackgroundBlurEffect*>(unmade.locationContainerView()->graphicsEffect());
        ASSERT_NE(blur, nullptr);
        EXPECT_EQ(blur->isEnabled(), blurred);
    }
}

TEST_F(LocationsWindowTest, RowZeroIsTheAutomaticRowOnlyUnderPublicWithoutSearch) {
    ASSERT_NE(qobject_cast<AutomaticLocationCellView*>(table().viewAtRow(0)), nullptr);
    table().selectRow(0);
    EXPECT_EQ(controller.previouslySelectedRow(), -1);
    EXPECT_EQ(calledNetwork(QStringLiteral("Veltrix.connectToAnotherLocation")),
              QStringLiteral("pub-de-fra"));
    const auto automaticUse = driver.lastCall(QStringLiteral("Veltrix.setUseAutomaticNetwork"));
    ASSERT_TRUE(automaticUse);
    EXPECT_TRUE(automaticUse->arguments.value(QStringLiteral("useAutomatic")).toBool());
    EXPECT_EQ(router.count(QStringLiteral("selectCurrentNetwork")), 0) << "queued";
    scheduler.runUntilIdle();
    EXPECT_EQ(router.count(QStringLiteral("selectCurrentNetwork")), 1);

    // With a search, row 0 is the model's first row (a header, refused) and row 1 a plain location.
    search(QStringLiteral("berlin"));
    EXPECT_EQ(qobject_cast<AutomaticLocationCellView*>(table().viewAtRow(0)), nullptr);
    driver.clearCalls();
    table().deselectAll();
    table().selectRow(0);
    EXPECT_TRUE(driver.calls().empty());
    table().selectRow(1);
    EXPECT_EQ(calledNetwork(QStringLiteral("Veltrix.connectToAnotherLocation")),
              QStringLiteral("pub-de-ber"));
    EXPECT_FALSE(driver.lastCall(QStringLiteral("Veltrix.setUseAutomaticNetwork"))
                     ->arguments.value(QStringLiteral("useAutomatic"))
                     .toBool());
    EXPECT_EQ(controller.previouslySelectedRow(), 1);
    EXPECT_TRUE(selectedLook(1));
}

TEST_F(LocationsWindowTest, AChoiceMovesTheMarkAndDecorationComparesIds) {
    const int berlin = rowOf(QStringLiteral("pub-de-ber"));
    const int paris = rowOf(QStringLiteral("pub-fr-par"));
    table().selectRow(berlin);
    scheduler.runUntilIdle(); // the router's selectCurrentNetwork: a fake here, so set it as the SDK would
    driver.setCurrentNetwork(model->networkWithId(QStringLiteral("pub-de-ber")));
    EXPECT_TRUE(selectedLook(berlin));
    table().selectRow(paris);
    EXPECT_TRUE(selectedLook(paris));
    EXPECT_FALSE(selectedLook(berlin)) << "the previous choice is unmarked";

    // A copy of Paris with the same id marks Paris's row when rows come into view again.
    PDNetworkItem::Data copy;
    copy.id = QStringLiteral("pub-fr-par");
    copy.kind = PDNetworkKind::publicLocation;
    driver.setCurrentNetwork(std::make_shared<PDNetworkItem>(copy));
    table().reloadData();
    EXPECT_TRUE(selectedLook(paris));
    EXPECT_FALSE(selectedLook(berlin));
    // The row above a header has no separator; the others have one.
    const int lastOfEurope = rowOf(QStringLiteral("pub-cz-prg"));
    QScrollBar* bar = table().verticalScrollBar();
    bar->setValue(table().rectOfRow(lastOfEurope).top() + bar->value() - 100);
    ASSERT_NE(locationCell(lastOfEurope), nullptr);
    EXPECT_TRUE(locationCell(lastOfEurope)->separatorView()->isHidden());
    EXPECT_FALSE(locationCell(lastOfEurope - 1)->separatorView()->isHidden());
}

TEST_F(LocationsWindowTest, ChoicesAreRefusedWhileHiddenUnderADisconnectOverlayAndOnHeaders) {
    const int berlin = rowOf(QStringLiteral("pub-de-ber"));
    table().selectRow(1); // the Europe header
    EXPECT_TRUE(driver.calls().empty());

    controller.markDisconnectToChangePresented();
    controller.view()->hide();
    table().selectRow(berlin);
    EXPECT_TRUE(driver.calls().empty()) << "hidden window";
    controller.view()->show();
    scheduler.runUntilIdle();
    ASSERT_NE(controller.blurredViewController(), nullptr);
    EXPECT_EQ(controller.blurredViewController()->bluredState(), LocationsBluredState::shouldDisconnect);
    EXPECT_FALSE(controller.blurredViewController()->goBackButton()->isHidden());
    EXPECT_FALSE(table().isHidden()) << "the list stays under the blur";
    table().selectRow(berlin);
    EXPECT_TRUE(driver.calls().empty()) << "under the overlay";

    // A second overlay does not replace the first.
    controller.presentBlurredState(LocationsBluredState::forceUpdateEnabled);
    EXPECT_EQ(controller.blurredViewController()->bluredState(), LocationsBluredState::shouldDisconnect);

    controller.clearDisconnectToChangePresented();
    EXPECT_EQ(controller.blurredViewController(), nullptr);
    table().selectRow(berlin);
    EXPECT_EQ(calledNetwork(QStringLiteral("Veltrix.connectToAnotherLocation")),
              QStringLiteral("pub-de-ber"));
    // Removing when nothing is shown only restores the views.
    controller.removeBlurredState();
    EXPECT_FALSE(controller.searchBarView()->isHidden());
    EXPECT_FALSE(controller.isTableViewSelectionDisabled());
}

TEST_F(LocationsWindowTest, AStaleNoLocationsOverlayIsDropped) {
    auto empty = std::make_shared<PDNetworksModel>(PDNetworksModel::Content{});
    controller.setDataObject(empty); // queues the overlay
    controller.setDataObject(model); // has locations again before the queue runs
    scheduler.runUntilIdle();
    EXPECT_EQ(controller.blurredViewController(), nullptr);
    EXPECT_FALSE(table().isHidden());
}

TEST_F(LocationsWindowTest, TheStarTogglesTheFavouriteAcrossRefreshes) {
    const int berlin = rowOf(QStringLiteral("pub-de-ber"));
    auto* cell = locationCell(berlin);
    ASSERT_NE(cell, nullptr);
    EXPECT_FALSE(cell->favouriteButton()->isChecked());
    cell->favouriteButton()->click();
    EXPECT_TRUE(model->networkWithId(QStringLiteral("pub-de-ber"))->isFavorite());
    EXPECT_EQ(router.count(QStringLiteral("setupMenuBarMenu")), 1);
    EXPECT_TRUE(locationCell(berlin)->favouriteButton()->isChecked());

    model->refresh();
    controller.filterSelected(PDLocationFilterType::favorites);
    QStringList favourites;
    for (int row = 0; row < table().numberOfRows(); ++row) {
        favourites << model->item(row)->id().value_or(QString());
    }
    EXPECT_TRUE(favourites.contains(QStringLiteral("pub-de-ber")));

    // Unstarred from the Favorites tab: the row leaves it.
    const int rows = table().numberOfRows();
    locationCell(static_cast<int>(favourites.indexOf(QStringLiteral("pub-de-ber"))))
        ->favouriteButton()
        ->click();
    EXPECT_EQ(table().numberOfRows(), rows - 1);
    EXPECT_FALSE(model->networkWithId(QStringLiteral("pub-de-ber"))->isFavorite());
}

TEST_F(LocationsWindowTest, SearchHidesTheTabsAndClearingBringsThemBack) {
    QWidget* tabs = controller.locationFilterView();
    controller.searchBarView()->searchField()->setText(QStringLiteral("  tokyo "));
    EXPECT_EQ(model->searchText(), QStringLiteral("tokyo"));
    EXPECT_TRUE(tabs->isHidden()) << "hidden at once";
    EXPECT_EQ(table().numberOfRows(), 2);
    scheduler.advance(0.35);
    EXPECT_EQ(tabs->parentWidget()->maximumHeight(), 0);

    controller.searchBarView()->clearButton()->click();
    EXPECT_EQ(model->searchText(), QString());
    EXPECT_TRUE(tabs->isHidden()) << "shown when the 0.3 s opening ends";
    scheduler.advance(0.35);
    EXPECT_FALSE(tabs->isHidden());
    EXPECT_EQ(tabs->parentWidget()->maximumHeight(), LocationsViewController::kFilterViewHeight);
    EXPECT_NE(qobject_cast<AutomaticLocationCellView*>(table().viewAtRow(0)), nullptr);
}

TEST_F(LocationsWindowTest, HoverFollowsThePointerOnlyOverRowsWithViews) {
    auto move = [&](QPoint point) {
        QMouseEvent event(QEvent::MouseMove, point, table().viewport()->mapToGlobal(point), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(table().viewport(), &event);
    };
    move(table().rectOfRow(3).center());
    move(table().rectOfRow(5).center());
    EXPECT_FALSE(hoveredLook(3));
    EXPECT_TRUE(hoveredLook(5));
    EXPECT_EQ(table().previouslyHoveredRow(), 5);

    // Below the last row: the lit row goes out, the record stays. (A short list leaves room below.)
    search(QStringLiteral("berlin"));
    move(table().rectOfRow(1).center());
    EXPECT_TRUE(hoveredLook(1));
    move(QPoint(10, table().viewport()->height() - 2));
    EXPECT_FALSE(hoveredLook(1));
    EXPECT_EQ(table().previouslyHoveredRow(), 1);

    // Disabled: nothing switches on or off.
    move(table().rectOfRow(1).center());
    table().disableEvents();
    move(table().rectOfRow(0).center());
    table().clearHover();
    EXPECT_TRUE(hoveredLook(1));
    table().enableEvents();

    // After the list shrank below the recorded row, clearing touches nothing.
    search(QString());
    move(table().rectOfRow(12).center());
    search(QStringLiteral("tokyo"));
    table().clearHover();
    EXPECT_EQ(table().previouslyHoveredRow(), 12);
    EXPECT_FALSE(hoveredLook(0));
    EXPECT_FALSE(hoveredLook(1));

    // A lit row that scrolls away comes back unlit.
    search(QString());
    move(table().rectOfRow(2).center());
    ASSERT_TRUE(hoveredLook(2));
    table().verticalScrollBar()->setValue(table().verticalScrollBar()->maximum());
    table().disableEvents();
    table().verticalScrollBar()->setValue(0);
    EXPECT_FALSE(hoveredLook(2));
}

TEST_F(LocationsWindowTest, GoBackClearsTheHoverAndClosesTheWindowSettingsGoToTheRouter) {
    router.calls.clear();
    controller.locationTopView()->settingsButton()->click();
    EXPECT_EQ(router.calls, QStringList{QStringLiteral("showSettingsTab")});
    controller.locationTopView()->goBackButton()->click();
    EXPECT_FALSE(controller.view()->isVisible());
    EXPECT_EQ(router.count(QStringLiteral("performLogout")), 0);
}

TEST_F(LocationsWindowTest, ALateFlagOnAReusedRowIsDropped) {
    PDNetworkItem::Data data;
    data.id = QStringLiteral("flagged");
    data.kind = PDNetworkKind::publicLocation;
    // A URL no other test decodes, so the flag is not in the shared cache yet.
    data.flagImage = std::make_shared<PDCacheableImage>(
        QUrl(QStringLiteral("file:///usr/share/iso-flags-svg/country-4x3/is.svg?late")));
    auto late = std::make_shared<PDNetworkItem>(data);
    LocationCellView cell;
    cell.configure(late);
    cell.configure(makeItem(QStringLiteral("other"), PDNetworkKind::publicLocation));
    scheduler.runUntilIdle();
    EXPECT_TRUE(cell.flagImage().isNull());
    // Configured again with the flag's location, the cached flag shows at once.
    cell.configure(late);
    EXPECT_FALSE(cell.flagImage().isNull());
}

TEST(LocationsWindowScrolling, OneDecodePerFlagWhileScrollingTenThousandRows) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope{scheduler};
    sdk::testing::Driver driver;
    // Twenty countries: every one of them shows many times over while the list scrolls.
    auto model = sdk::testing::generatedNetworksModel(10000, 20);
    driver.setNetworks(model);
    LocationsViewController controller;
    controller.view()->resize(LocationsViewController::kWindowSize);
    controller.view()->show();
    controller.setDataObject(model);
    scheduler.runUntilIdle();

    const int decodesBefore = FlagImageCache::shared().decodeCount();
    LocationsTableView* table = controller.locationsTableView();
    QSet<QString> flagsShown;
    int mostViews = 0;
    QScrollBar* bar = table->verticalScrollBar();
    for (int value = 0; value <= bar->maximum(); value += bar->pageStep()) {
        bar->setValue(value);
        const auto [first, last] = table->rowsInView();
        for (int row = first; row <= last; ++row) {
            if (auto* cell = qobject_cast<LocationCellView*>(table->viewAtRow(row))) {
                flagsShown << FlagImageCache::keyOf(cell->location()->flagImage());
            }
        }
        scheduler.runUntilIdle();
        mostViews = std::max(mostViews, table->numberOfViewsHeld());
    }
    EXPECT_LE(FlagImageCache::shared().decodeCount() - decodesBefore, flagsShown.size());
    EXPECT_EQ(flagsShown.size(), 20);
    EXPECT_LT(mostViews, 60) << "only rows in view have widgets";
}

} // namespace

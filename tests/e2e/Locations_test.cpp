// The locations window on the demo workspace, signed in: opening it, the tabs, searching, choosing a
// location or the automatic one, starring, going back, and a workspace without locations.
#include "e2e/ClientHarness.h"

#include "core/LocalizedStrings.h"
#include "locations/LocationsViewController.h"

#include <QScrollBar>

using namespace e2e;

namespace {

constexpr double tunnelSeconds = 5;

class LocationsTest : public ClientTest {
protected:
    void openLocations() {
        delegate->showLocationsWindow();
        run();
        ASSERT_TRUE(shownWindow().contains(QStringLiteral("locations"))) << shownWindow();
        window = delegate->locationsViewController();
        ASSERT_NE(window, nullptr);
        advance(0.6);
    }

    LocationsTableView& table() { return *window->locationsTableView(); }
    QWidget* locationsView() { return window->view(); }

    // The rows a user sees, top to bottom: titles of location rows and headers, "Automatic".
    QStringList rowTexts() {
        QStringList texts;
        const auto [first, last] = table().rowsInView();
        for (int row = first; row <= last; ++row) {
            const QStringList cellTexts = visibleTexts(table().viewAtRow(row));
            texts << (cellTexts.isEmpty() ? QString() : cellTexts.first());
        }
        return texts;
    }
    int rowTitled(const QString& title) {
        const auto [first, last] = table().rowsInView();
        for (int row = first; row <= last; ++row) {
            if (auto* cell = qobject_cast<LocationCellView*>(table().viewAtRow(row));
                cell && cell->title() == title) {
                return row;
            }
        }
        return -1;
    }
    // A click on a row, as the user makes it.
    void clickRow(int row) {
        ASSERT_GE(row, 0);
        table().selectRow(row);
        run();
    }
    void type(const QString& text) {
        window->searchBarView()->searchField()->setText(text);
        run();
    }
    QStringList shownTabs() {
        QStringList tabs;
        for (FilterButton* tab : window->locationFilterView()->buttons()) {
            if (tab->isVisibleTo(locationsView())) {
                tabs << tab->filterButton()->text() + (tab->isMarked() ? QStringLiteral("*") : QString());
            }
        }
        return tabs;
    }

    LocationsViewController* window = nullptr;
};

} // namespace

TEST_F(LocationsTest, TheWindowShowsTheTabsTheSearchFieldAndThePublicLocationsUnderContinents) {
    launchAndSignIn();
    openLocations();
    const QStringList texts = visibleTexts(locationsView());
    EXPECT_TRUE(texts.contains(QStringLiteral("Go Back"))) << texts;
    EXPECT_TRUE(texts.contains(QStringLiteral("Settings"))) << texts;
    EXPECT_EQ(shownTabs(), (QStringList{"Private", "Public*", "Favorites"}));
    EXPECT_EQ(window->searchBarView()->searchField()->placeholderText(),
              QStringLiteral("Search for networks"));
    const QStringList rows = rowTexts();
    ASSERT_GE(rows.size(), 4) << rows;
    EXPECT_EQ(rows.mid(0, 4),
              (QStringList{"Automatic", "Europe", "Germany - Frankfurt", "Germany - Berlin"}));

    // Flags load as the rows come into view.
    advance(1);
    auto* frankfurt = qobject_cast<LocationCellView*>(table().viewAtRow(rowTitled("Germany - Frankfurt")));
    ASSERT_NE(frankfurt, nullptr);
    EXPECT_FALSE(frankfurt->flagImage().isNull());

    // Private lists the workspace's networks; Favorites the starred ones.
    window->locationFilterView()->buttons()[0]->filterButton()->click();
    run();
    EXPECT_EQ(rowTexts(), (QStringList{"Private Networks", "Headquarters", "Engineering Lab",
                                       "Shared Networks", "Contoso Logistics", "Fabrikam Audit"}));
}

TEST_F(LocationsTest, ChoosingALocationConnectsThereAndMarksIt) {
    launchAndSignIn();
    openLocations();
    const int berlin = rowTitled(QStringLiteral("Germany - Berlin"));
    clickRow(berlin);
    EXPECT_FALSE(qobject_cast<LocationCellView*>(table().viewAtRow(berlin))->selectedView()->isHidden());
    EXPECT_EQ(driver.calls("Veltrix.connectToAnotherLocation").size(), 1u);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connecting);
    advance(tunnelSeconds);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);
    ASSERT_TRUE(VeltrixXPC::currentNetwork());
    EXPECT_EQ(VeltrixXPC::currentNetwork()->id(), QStringLiteral("pub-de-ber"));
    EXPECT_FALSE(Veltrix::useAutomaticNetwork());
}

TEST_F(LocationsTest, TheAutomaticRowTurnsAutomaticUseOnAndConnectsThroughIt) {
    launchAndSignIn();
    openLocations();
    ASSERT_EQ(rowTexts().value(0), QStringLiteral("Automatic"));
    clickRow(0);
    EXPECT_TRUE(Veltrix::useAutomaticNetwork());
    advance(tunnelSeconds);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);
    // Through the gateway of the location the service picked.
    ASSERT_TRUE(VeltrixXPC::currentNetwork());
    EXPECT_EQ(VeltrixXPC::currentNetwork()->vpnConfiguration()->networkId, QStringLiteral("pub-de-fra"));
}

TEST_F(LocationsTest, StarringALocationPutsItUnderFavoritesAndInTheMenus) {
    launchAndSignIn();
    openLocations();
    auto* berlin =
        qobject_cast<LocationCellView*>(table().viewAtRow(rowTitled(QStringLiteral("Germany - Berlin"))));
    ASSERT_NE(berlin, nullptr);
    berlin->favouriteButton()->click();
    run();
    QStringList favourites;
    for (const auto& item : ServiceLayer::shared().menuService().favoriteLocations()) {
        favourites << item->locationTitle();
    }
    EXPECT_TRUE(favourites.contains(QStringLiteral("Germany - Berlin"))) << favourites;

    window->locationFilterView()->buttons()[2]->filterButton()->click();
    run();
    EXPECT_TRUE(rowTexts().contains(QStringLiteral("Germany - Berlin"))) << rowTexts();
}

TEST_F(LocationsTest, TypingHidesTheTabsSearchesUnderEveryFilterAndClearingBringsBothBack) {
    launchAndSignIn();
    openLocations();
    struct Case {
        int tab;           // the filter chosen before typing: Private, Public, Favorites
        QStringList typed; // in turn
        QStringList rows;
        QString emphasised; // in the first location row
    };
    const QString notFound = QStringLiteral("We Couldn\u2019t Find Any Matching Network");
    for (const Case& c : {
             Case{1, {"tokyo"}, {"Asia", "Japan - Tokyo"}, "Tokyo"},
             Case{0, {"ber"}, {"Europe", "Germany - Berlin"}, "Ber"},
             Case{2, {"fa", "fabr"}, {"Shared Networks", "Fabrikam Audit"}, "Fabr"},
             Case{1, {"Atlantis"}, {}, {}},
         }) {
        SCOPED_TRACE(c.typed.join(", ").toStdString());
        window->locationFilterView()->buttons()[c.tab]->filterButton()->click();
        run();
        for (const QString& text : c.typed) {
            type(text);
        }
        advance(0.4);
        EXPECT_TRUE(shownTabs().isEmpty());
        EXPECT_EQ(rowTexts(), c.rows);
        const auto* first = qobject_cast<LocationCellView*>(table().viewAtRow(rowTitled(c.rows.value(1))));
        EXPECT_EQ(first ? emphasisedPart(first->locationTitleField()->attributedText()) : QString(),
                  c.emphasised);
        EXPECT_EQ(visibleTexts(locationsView()).contains(notFound), c.rows.isEmpty())
            << visibleTexts(locationsView());

        window->searchBarView()->clearButton()->click();
        advance(0.4);
        EXPECT_FALSE(visibleTexts(locationsView()).contains(notFound));
    }
    EXPECT_EQ(shownTabs(), (QStringList{"Private", "Public*", "Favorites"}));
    EXPECT_EQ(rowTexts().value(0), QStringLiteral("Automatic"));
}

TEST_F(LocationsTest, GoBackClosesTheWindow) {
    launchAndSignIn();
    openLocations();
    ASSERT_TRUE(clickButton(locationsView(), QStringLiteral("Go Back")));
    run();
    EXPECT_FALSE(shownWindow().contains(QStringLiteral("locations"))) << shownWindow();
}

TEST_F(LocationsTest, WhenTheWorkspaceLosesItsLocationsTheNoLocationsOverlayCoversTheList) {
    launchAndSignIn();
    openLocations();
    ASSERT_EQ(window->blurredViewController(), nullptr);
    // The workspace's data arrives again, now without networks or locations.
    auto empty = std::make_shared<PDNetworksModel>(PDNetworksModel::Content{});
    driver.setNetworks(empty);
    driver.fire<PDDataLoadingDelegate>([&](auto& d) { d.onApplicationDataLoadedWithNetworks(empty); });
    advance(1);
    ASSERT_NE(window->blurredViewController(), nullptr);
    EXPECT_TRUE(visibleTexts(locationsView()).contains(QStringLiteral("No locations available")))
        << visibleTexts(locationsView());
    EXPECT_TRUE(window->searchBarView()->isHidden());
    EXPECT_TRUE(table().isHidden());
}

TEST_F(LocationsTest, APendingForcedUpdateCoversTheListAndRefusesEveryChoice) {
    driver.editState([&](sdk::SimulationState& s) {
        s.appConfig.offeredVersion = QStringLiteral("2.1.0");
        s.appConfig.isForcedUpdate = true;
        s.appConfig.releaseDate = scheduler.currentDate();
        s.forcedUpdateAvailable = true;
    });
    launchAndSignIn();
    openLocations();
    ASSERT_NE(window->blurredViewController(), nullptr);
    EXPECT_EQ(window->blurredViewController()->bluredState(), LocationsBluredState::forceUpdateEnabled);
    EXPECT_TRUE(visibleTexts(locationsView()).contains(L10n::locations_blured_view_force_update()))
        << visibleTexts(locationsView());
    clickRow(rowTitled(QStringLiteral("Germany - Berlin")));
    advance(tunnelSeconds);
    EXPECT_TRUE(driver.calls("Veltrix.connectToAnotherLocation").empty());
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected);

    // Once the update is gone the list is free again.
    driver.editState([&](sdk::SimulationState& s) { s.forcedUpdateAvailable = false; });
    delegate->leaveForcedUpdateState();
    run();
    EXPECT_EQ(window->blurredViewController(), nullptr);
    clickRow(rowTitled(QStringLiteral("Germany - Berlin")));
    EXPECT_EQ(driver.calls("Veltrix.connectToAnotherLocation").size(), 1u);
}

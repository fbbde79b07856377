#include "sdk/SimulatedWorkspace.h"

#include "platform/Bundle.h"
#include "platform/ManualScheduler.h"

#include <gtest/gtest.h>

namespace {

class NetworksModelTest : public ::testing::Test {
protected:
    NetworksModelTest() {
        auto loaded = sdk::loadWorkspaceFile(platform::Bundle::main().pathForResource("demo/workspace.json"));
        EXPECT_TRUE(loaded.ok()) << loaded.error.toStdString();
        workspace = *loaded.workspace;
        model = sdk::makeNetworksModel(workspace);
    }
    QStringList networkRowTitles() const {
        QStringList titles;
        for (int row = 0; row < model->numberOfNetworkRows(); ++row) {
            titles.append(model->networkItem(row)->title());
        }
        return titles;
    }
    sdk::Workspace workspace;
    PDNetworksModelPtr model;
};

} // namespace

TEST_F(NetworksModelTest, NetworksTabShowsPrivateThenTheCollapsibleSharedGroup) {
    EXPECT_EQ(networkRowTitles(), (QStringList{"Private Networks", "Headquarters", "Engineering Lab",
                                               "Partner Networks", "Contoso Logistics", "Fabrikam Audit"}));
    EXPECT_TRUE(model->isHeaderRow(0));
    EXPECT_FALSE(model->networkItem(0)->isCollapsible());
    EXPECT_TRUE(model->networkItem(3)->isCollapsible());
    EXPECT_EQ(model->heightOfNetworkRow(0), PDNetworksModel::kHeaderRowHeight);
    EXPECT_EQ(model->heightOfNetworkRow(1), PDNetworksModel::kNetworkRowHeight);

    model->toggleCollapsed();
    EXPECT_TRUE(model->isCollapsed());
    EXPECT_EQ(model->numberOfNetworkRows(), 4);
    EXPECT_EQ(model->items().size(), 4) << "folded networks still count as the workspace's";

    model->setCurrentNetworkId(QStringLiteral("prv-dev"));
    EXPECT_EQ(model->selectedIndex(), 2);
    model->setCurrentNetworkId(QStringLiteral("shr-audit"));
    EXPECT_EQ(model->selectedIndex(), -1) << "the folded row is not on screen";
}

TEST_F(NetworksModelTest, SearchFiltersBothListsAndReportsChanges) {
    EXPECT_TRUE(model->setSearchText("contoso"));
    EXPECT_EQ(networkRowTitles(), (QStringList{"Partner Networks", "Contoso Logistics"}));
    EXPECT_FALSE(model->setSearchText("contoso")) << "same text, same rows";

    model->applyFilter(PDLocationFilterType::publicLocations);
    EXPECT_TRUE(model->setSearchText("tokyo"));
    ASSERT_EQ(model->numberOfLocationRows(), 2);
    EXPECT_TRUE(model->item(0)->isHeader());
    EXPECT_EQ(model->item(1)->id(), "pub-jp-tyo");
    EXPECT_TRUE(model->items().isEmpty());

    EXPECT_TRUE(model->setSearchText(""));
    EXPECT_TRUE(model->item(0)->isAutomatic()) << "the automatic row comes back without a search";
}

TEST_F(NetworksModelTest, LocationFiltersAndIndexes) {
    EXPECT_EQ(model->defaultFilter(), PDLocationFilterType::publicLocations);
    EXPECT_EQ(model->availableFilters(), (QList<PDLocationFilterType>{PDLocationFilterType::privateNetworks,
                                                                      PDLocationFilterType::publicLocations,
                                                                      PDLocationFilterType::favorites}));
    EXPECT_TRUE(model->hasLocations());

    model->applyFilter(PDLocationFilterType::publicLocations);
    const auto automatic = model->item(0);
    ASSERT_TRUE(automatic && automatic->isAutomatic());
    EXPECT_EQ(automatic->vpnConfiguration()->networkId, "pub-de-fra");
    EXPECT_TRUE(model->item(1)->isHeader());
    EXPECT_EQ(model->item(1)->title(), "Europe");
    const auto frankfurt = model->networkWithId("pub-de-fra");
    EXPECT_EQ(model->index(frankfurt), 1) << "counted without the automatic row";
    EXPECT_EQ(model->item(*model->index(frankfurt) + 1), frankfurt);
    EXPECT_EQ(model->heightOfLocationRow(1), PDNetworksModel::kHeaderRowHeight);
    int publicRows = 0;
    for (int row = 0; row < model->numberOfLocationRows(); ++row) {
        publicRows += model->item(row)->kind() == PDNetworkKind::publicLocation;
    }
    EXPECT_EQ(publicRows, static_cast<int>(workspace.publicLocations.size()));

    model->applyFilter(PDLocationFilterType::privateNetworks);
    EXPECT_EQ(model->numberOfLocationRows(), 6);
    EXPECT_FALSE(model->index(frankfurt));
}

TEST_F(NetworksModelTest, FavouritesFollowToggles) {
    QStringList favourites;
    for (const auto& item : model->favoriteLocations()) {
        favourites.append(*item->id());
    }
    EXPECT_EQ(favourites, (QStringList{"prv-hq", "pub-nl-ams", "pub-us-nyc"}));

    model->applyFilter(PDLocationFilterType::favorites);
    EXPECT_EQ(model->numberOfLocationRows(), 3);
    const auto tokyo = model->networkWithId("pub-jp-tyo");
    EXPECT_TRUE(model->toggleFavorite(tokyo));
    EXPECT_TRUE(tokyo->isFavorite());
    EXPECT_EQ(model->numberOfLocationRows(), 3) << "rows change on refresh";
    model->refresh();
    EXPECT_EQ(model->numberOfLocationRows(), 4);
    EXPECT_FALSE(model->toggleFavorite(tokyo));
    model->refresh();
    EXPECT_EQ(model->numberOfLocationRows(), 3);
}

TEST_F(NetworksModelTest, LastUsedKeepsTheNewestFiveWithoutRepeats) {
    EXPECT_EQ(model->lastUsedNetworks().size(), 2);
    for (const auto* id :
         {"pub-fr-par", "pub-es-mad", "pub-it-mil", "pub-gb-lon", "pub-se-sto", "pub-fr-par"}) {
        model->noteUsed(model->networkWithId(id));
    }
    QStringList ids;
    for (const auto& item : model->lastUsedNetworks()) {
        ids.append(*item->id());
    }
    EXPECT_EQ(ids, (QStringList{"pub-es-mad", "pub-it-mil", "pub-gb-lon", "pub-se-sto", "pub-fr-par"}));
}

TEST_F(NetworksModelTest, NetworksAreFoundByIdentity) {
    const auto list = model->publicLocations();
    PDNetworkItem::Data copy;
    copy.id = QStringLiteral("pub-jp-tyo");
    const auto sameId = std::make_shared<PDNetworkItem>(copy);
    const auto found = firstIndexOfNetwork(list, sameId);
    ASSERT_TRUE(found);
    EXPECT_EQ(list[*found]->id(), "pub-jp-tyo");
    EXPECT_FALSE(firstIndexOfNetwork(list, std::make_shared<PDNetworkItem>(PDNetworkItem::Data{})));
    EXPECT_FALSE(firstIndexOfNetwork(list, nullptr));
}

TEST_F(NetworksModelTest, FlagsLoadFromTheFlagPackage) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scoped(scheduler);
    const auto amsterdam = model->networkWithId("pub-nl-ams");
    ASSERT_TRUE(amsterdam->flagImage()->imageUrl());
    EXPECT_TRUE(amsterdam->flagImage()->imageUrl()->toLocalFile().endsWith("/country-4x3/nl.svg"));
    std::optional<QByteArray> data;
    amsterdam->flagImage()->load([&](std::optional<QByteArray> bytes) { data = std::move(bytes); });
    scheduler.runUntilIdle();
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->contains("<svg"));

    const PDCacheableImagePtr none = std::make_shared<PDCacheableImage>(std::nullopt);
    bool called = false;
    none->load([&](std::optional<QByteArray> bytes) {
        called = true;
        EXPECT_FALSE(bytes);
    });
    scheduler.runUntilIdle();
    EXPECT_TRUE(called);
}

TEST_F(NetworksModelTest, SearchIsTrimmedCaseFoldedAndLiteral) {
    model->applyFilter(PDLocationFilterType::publicLocations);
    const int all = model->numberOfLocationRows();
    EXPECT_FALSE(model->setSearchText(" \t\n")) << "blanks only: no search";
    EXPECT_EQ(model->searchText(), QString());
    EXPECT_EQ(model->numberOfLocationRows(), all);

    // Case folds, accents included; a country code counts only whole.
    model->setSearchText(QStringLiteral("SÃO"));
    ASSERT_EQ(model->numberOfLocationRows(), 2);
    EXPECT_EQ(model->item(1)->id(), "pub-br-sao");
    model->setSearchText(QStringLiteral("JP"));
    EXPECT_EQ(model->item(1)->id(), "pub-jp-tyo");
    // Wildcards and control characters are plain characters.
    EXPECT_TRUE(model->setSearchText(QStringLiteral(".*")));
    EXPECT_EQ(model->numberOfLocationRows(), 0);
    model->setSearchText(QStringLiteral("Tokyo\x01"));
    EXPECT_EQ(model->numberOfLocationRows(), 0);
    model->setSearchText(QString(128, QLatin1Char('a')));
    EXPECT_EQ(model->numberOfLocationRows(), 0);
}

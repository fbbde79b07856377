#include "sdk/SimulatedWorkspace.h"

#include "SdkTestSupport.h"

#include "platform/Bundle.h"
#include "platform/ManualScheduler.h"

#include <QFile>
#include <QTemporaryDir>

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
                                               "Shared Networks", "Contoso Logistics", "Fabrikam Audit"}));
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
    EXPECT_EQ(networkRowTitles(), (QStringList{"Shared Networks", "Contoso Logistics"}));
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

TEST_F(NetworksModelTest, TypingNarrowsAndDeletingWidensToTheSameRowsAsAFreshSearch) {
    // Each step's rows against a model that is given the same text at once.
    auto rowsOf = [](const PDNetworksModel& m) {
        QStringList rows;
        for (int row = 0; row < m.numberOfNetworkRows(); ++row) {
            rows << m.networkItem(row)->title();
        }
        rows << "|";
        for (int row = 0; row < m.numberOfLocationRows(); ++row) {
            rows << m.item(row)->title();
        }
        return rows;
    };
    struct Sequence {
        const char* name;
        QStringList texts;
    };
    const Sequence sequences[] = {
        {"typing and deleting", {"u", "un", "uni", "unit", "uni", "un", "u", ""}},
        {"a country code, then more", {"d", "de", "der", "de", "d"}},
        {"a letter changed inside", {"lon", "lo", "los", "lo", "lond", "Lond", " lond "}},
        {"a new search", {"berlin", "tokyo", "to", "t"}},
    };
    for (PDLocationFilterType filter :
         {PDLocationFilterType::publicLocations, PDLocationFilterType::favorites,
          PDLocationFilterType::privateNetworks}) {
        for (const Sequence& sequence : sequences) {
            SCOPED_TRACE(sequence.name);
            model->applyFilter(filter);
            model->setSearchText("");
            QStringList before = rowsOf(*model);
            for (const QString& text : sequence.texts) {
                const PDNetworksModelPtr fresh = sdk::makeNetworksModel(workspace);
                fresh->applyFilter(filter);
                fresh->setSearchText(text);
                const bool changed = model->setSearchText(text);
                EXPECT_EQ(rowsOf(*model), rowsOf(*fresh)) << text.toStdString();
                EXPECT_EQ(changed, rowsOf(*model) != before) << text.toStdString();
                before = rowsOf(*model);
            }
        }
    }
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
    EXPECT_EQ(PDNetworksModel::heightOfLocationRow(model->locationRows(), 1),
              PDNetworksModel::kHeaderRowHeight);
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

// The bytes are not held between loads (the client keeps the decoded flag): each load reads the file as it
// is now.
TEST(CacheableImage, EachLoadReadsTheFileAsItIsNow) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scoped(scheduler);
    QTemporaryDir dir;
    const QString path = dir.filePath("flag.svg");
    const auto write = [&](const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    const auto image = std::make_shared<PDCacheableImage>(QUrl::fromLocalFile(path));
    const auto load = [&] {
        std::optional<QByteArray> data;
        image->load([&](std::optional<QByteArray> bytes) { data = std::move(bytes); });
        scheduler.runUntilIdle();
        return data;
    };
    write("<svg>first</svg>");
    EXPECT_EQ(load(), QByteArray("<svg>first</svg>"));
    write("<svg>second</svg>");
    EXPECT_EQ(load(), QByteArray("<svg>second</svg>"));
    QFile::remove(path);
    EXPECT_EQ(load(), std::nullopt);
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

namespace {

PDNetworkItemPtr searchable(const QString& id, PDNetworkKind kind, const QString& title,
                            const QString& locationTitle, const QString& countryCode, const QString& region,
                            const QString& continent = QString()) {
    return std::make_shared<PDNetworkItem>(PDNetworkItem::Data{
        .id = id,
        .kind = kind,
        .title = title,
        .locationTitle = locationTitle,
        .countryCode = countryCode,
        .continent = continent,
        .vpnConfiguration = SDVPNConfig{id, QStringLiteral("gw.example.invalid"), region, QString()},
        .flagImage = nullptr});
}

// Networks whose searchable texts all differ, so each field can be found on its own.
class NetworksSearchTest : public ::testing::Test {
protected:
    NetworksSearchTest() {
        using K = PDNetworkKind;
        PDNetworksModel::Content content;
        content.privateNetworks = {
            searchable("p1", K::privateNetwork, "Head Office", "Zurich Lakeside", "ch", "Alpine"),
            searchable("p2", K::privateNetwork, "Straße Depot", "Graz", "at", "Steiermark"),
        };
        content.sharedGroupName = QStringLiteral("Partners");
        content.sharedNetworks = {
            searchable("s1", K::sharedNetwork, "Partner Alpha", "Oslo", "no", "Fjord"),
            searchable("s2", K::sharedNetwork, "Partner Beta", "São Paulo", "br", "Americas South"),
            searchable("s3", K::sharedNetwork, "Gamma Office", "Lyon", "fr", "Rhône"),
        };
        content.publicLocations = {
            searchable("l1", K::publicLocation, "Tokyo", "Tokyo", "jp", "Kanto", "Asia"),
            searchable("l2", K::publicLocation, "Paris", "Paris", "fr", "Ile", "Europe"),
            searchable("l3", K::publicLocation, "Osaka", "Osaka", "jp", "Kansai", "Asia"),
        };
        content.favoriteIds = {"p2", "s3", "l2"};
        model = std::make_shared<PDNetworksModel>(content);
    }
    QStringList networkRows() const {
        QStringList ids;
        for (int row = 0; row < model->numberOfNetworkRows(); ++row) {
            const auto item = model->networkItem(row);
            ids.append(item->isHeader() ? "[" + item->title() + "]" : *item->id());
        }
        return ids;
    }
    static QString rowName(const PDNetworkItem& item) {
        return item.isHeader() ? "[" + item.title() + "]" : item.id().value_or("auto");
    }
    QStringList locationRows() const {
        QStringList ids;
        for (int row = 0; row < model->numberOfLocationRows(); ++row) {
            ids.append(rowName(*model->item(row)));
        }
        return ids;
    }
    QStringList itemIds() const {
        QStringList ids;
        for (const auto& item : model->items()) {
            ids.append(*item->id());
        }
        return ids;
    }
    QStringList networkRowsFor(const QString& search) {
        model->setSearchText(search);
        return networkRows();
    }

    PDNetworksModelPtr model;
};

} // namespace

TEST_F(NetworksSearchTest, FindsTitlesLocationTitlesAndRegionsAnywhereButCountryCodesOnlyWhole) {
    EXPECT_EQ(networkRowsFor("office"), (QStringList{"[Private Networks]", "p1", "[Partners]", "s3"}));
    EXPECT_EQ(networkRowsFor("lakeside"), (QStringList{"[Private Networks]", "p1"})) << "location title";
    EXPECT_EQ(networkRowsFor("jor"), (QStringList{"[Partners]", "s1"})) << "gateway region";
    EXPECT_EQ(networkRowsFor("no"), (QStringList{"[Partners]", "s1"})) << "a whole country code";
    model->applyFilter(PDLocationFilterType::publicLocations);
    model->setSearchText("j");
    EXPECT_EQ(locationRows(), (QStringList{"[Partners]", "s1"})) << "in a region, but not part of a code";
    model->setSearchText("jp");
    EXPECT_EQ(model->numberOfLocationRows(), 3);
    EXPECT_EQ(networkRowsFor("alpine"), (QStringList{"[Private Networks]", "p1"})) << "a whole text";
    EXPECT_EQ(networkRowsFor(QStringLiteral("office") + QChar(0) + QStringLiteral("zurich")), QStringList())
        << "never across two texts";
    EXPECT_EQ(networkRowsFor("officezurich"), QStringList());
    EXPECT_EQ(networkRowsFor("gw.example"), QStringList()) << "the host name is not searched";
    EXPECT_EQ(networkRowsFor("partners"), QStringList()) << "nor the group's name";
    EXPECT_EQ(networkRowsFor("p1"), QStringList()) << "nor the identifier";
}

TEST_F(NetworksSearchTest, IgnoresCaseButNotAccents) {
    EXPECT_EQ(networkRowsFor("HEAD office"), (QStringList{"[Private Networks]", "p1"}));
    EXPECT_EQ(networkRowsFor("CH"), (QStringList{"[Private Networks]", "p1"}));
    EXPECT_EQ(networkRowsFor("sÃo"), (QStringList{"[Partners]", "s2"}));
    EXPECT_EQ(networkRowsFor("sao"), QStringList()) << "an accent is a different letter";
    EXPECT_EQ(networkRowsFor("RHÔNE"), (QStringList{"[Partners]", "s3"}));
    EXPECT_EQ(networkRowsFor("STRAßE"), (QStringList{"[Private Networks]", "p2"}));
    EXPECT_EQ(networkRowsFor("strasse"), QStringList()) << "one letter folds to one letter only";
}

TEST_F(NetworksSearchTest, NoSearchShowsEverythingInWorkspaceOrder) {
    const QStringList all{"[Private Networks]", "p1", "p2", "[Partners]", "s1", "s2", "s3"};
    EXPECT_EQ(networkRows(), all);
    EXPECT_EQ(networkRowsFor("alpha"), (QStringList{"[Partners]", "s1"}));
    EXPECT_EQ(networkRowsFor(""), all);
    EXPECT_EQ(itemIds(), (QStringList{"p1", "p2", "s1", "s2", "s3"}));
    EXPECT_EQ(networkRowsFor("  \t"), all);
}

TEST_F(NetworksSearchTest, KeepsGroupOrderAndDropsEmptyGroups) {
    // "a" is in every network but keeps each group's own order.
    EXPECT_EQ(networkRowsFor("a"),
              (QStringList{"[Private Networks]", "p1", "p2", "[Partners]", "s1", "s2", "s3"}));
    EXPECT_EQ(networkRowsFor("r"),
              (QStringList{"[Private Networks]", "p1", "p2", "[Partners]", "s1", "s2", "s3"}));
    EXPECT_EQ(networkRowsFor("e"),
              (QStringList{"[Private Networks]", "p1", "p2", "[Partners]", "s1", "s2", "s3"}));
    EXPECT_EQ(networkRowsFor("graz"), (QStringList{"[Private Networks]", "p2"}));
    EXPECT_EQ(itemIds(), (QStringList{"p2"}));
    EXPECT_EQ(networkRowsFor("beta"), (QStringList{"[Partners]", "s2"}));
    EXPECT_EQ(itemIds(), (QStringList{"s2"}));
    EXPECT_EQ(networkRowsFor("tokyo"), QStringList()) << "public locations are not on the networks tab";
    EXPECT_TRUE(model->items().isEmpty());
}

TEST_F(NetworksSearchTest, AFoldedGroupOpensWhileSearching) {
    model->toggleCollapsed();
    EXPECT_EQ(networkRows(), (QStringList{"[Private Networks]", "p1", "p2", "[Partners]"}));
    EXPECT_EQ(itemIds(), (QStringList{"p1", "p2", "s1", "s2", "s3"}));
    EXPECT_EQ(networkRowsFor("partner"), (QStringList{"[Partners]", "s1", "s2"}));
    EXPECT_EQ(itemIds(), (QStringList{"s1", "s2"}));
    EXPECT_EQ(networkRowsFor(""), (QStringList{"[Private Networks]", "p1", "p2", "[Partners]"}));
    model->setCurrentNetworkId(QStringLiteral("s2"));
    EXPECT_EQ(model->selectedIndex(), -1);
    model->setSearchText("beta");
    EXPECT_EQ(model->selectedIndex(), 1);
}

TEST_F(NetworksSearchTest, ASearchLooksPastTheFilterAndClearingGivesTheFiltersRowsBack) {
    EXPECT_EQ(model->appliedFilter(), PDLocationFilterType::publicLocations);
    EXPECT_EQ(locationRows(), (QStringList{"[Asia]", "l1", "l3", "[Europe]", "l2"}))
        << "no automatic location in this workspace";
    model->setSearchText("kan");
    EXPECT_EQ(locationRows(), (QStringList{"[Asia]", "l1", "l3"}));
    for (const PDLocationFilterType filter :
         {PDLocationFilterType::publicLocations, PDLocationFilterType::privateNetworks,
          PDLocationFilterType::favorites}) {
        model->applyFilter(filter);
        model->setSearchText("fr");
        EXPECT_EQ(locationRows(), (QStringList{"[Partners]", "s3", "[Europe]", "l2"}))
            << rawValue(filter).toStdString();
        model->setSearchText("office");
        EXPECT_EQ(locationRows(), (QStringList{"[Private Networks]", "p1", "[Partners]", "s3"}))
            << rawValue(filter).toStdString();
        model->setSearchText("");
    }

    model->applyFilter(PDLocationFilterType::privateNetworks);
    model->toggleCollapsed();
    EXPECT_EQ(locationRows(), (QStringList{"[Private Networks]", "p1", "p2", "[Partners]", "s1", "s2", "s3"}))
        << "the locations window never folds";
    EXPECT_EQ(networkRows(), (QStringList{"[Private Networks]", "p1", "p2", "[Partners]"}));
    model->applyFilter(PDLocationFilterType::favorites);
    EXPECT_EQ(locationRows(), (QStringList{"p2", "s3", "l2"}));
}

TEST_F(NetworksSearchTest, ReportsWhetherEitherListChanged) {
    model->applyFilter(PDLocationFilterType::publicLocations);
    EXPECT_TRUE(model->setSearchText("partner"));
    EXPECT_TRUE(model->setSearchText("partner a")) << "one network fewer";
    EXPECT_FALSE(model->setSearchText("partner al")) << "the same rows";
    EXPECT_TRUE(model->setSearchText("osaka")) << "only the location rows changed";
    EXPECT_FALSE(model->setSearchText("osak"));
    EXPECT_FALSE(model->setSearchText(" osak ")) << "trimmed to the same text";
}

TEST_F(NetworksSearchTest, ARowsSnapshotKnowsItsHeadersAndKeepsItsRowsWhileTheModelMovesOn) {
    struct Case {
        PDLocationFilterType filter;
        QString search;
        QStringList rows;
    };
    const QList<Case> cases{
        {PDLocationFilterType::publicLocations, "", {"[Asia]", "l1", "l3", "[Europe]", "l2"}},
        {PDLocationFilterType::publicLocations, "fr", {"[Partners]", "s3", "[Europe]", "l2"}},
        {PDLocationFilterType::privateNetworks, "office", {"[Private Networks]", "p1", "[Partners]", "s3"}},
        {PDLocationFilterType::favorites, "", {"p2", "s3", "l2"}},
    };
    for (const Case& each : cases) {
        model->applyFilter(each.filter);
        model->setSearchText(each.search);
        const PDNetworkRows rows = model->locationRows();
        model->setSearchText("no such place");
        model->applyFilter(PDLocationFilterType::publicLocations);

        QStringList names;
        for (qsizetype row = 0; row < rows.size(); ++row) {
            const PDNetworkItemPtr item = rows.value(row);
            ASSERT_NE(item, nullptr);
            names.append(rowName(*item));
            EXPECT_EQ(rows.isHeader(row), item->isHeader()) << each.search.toStdString() << " row " << row;
            EXPECT_EQ(PDNetworksModel::heightOfLocationRow(rows, row),
                      item->isHeader() ? PDNetworksModel::kHeaderRowHeight
                                       : PDNetworksModel::kLocationRowHeight);
        }
        EXPECT_EQ(names, each.rows) << "searched for \"" << each.search.toStdString() << "\"";
        EXPECT_EQ(rows.value(rows.size()), nullptr);
        EXPECT_FALSE(rows.isHeader(-1));
    }
}

TEST_F(NetworksSearchTest, FavouriteLocationsKeepTheWorkspacesOrderAcrossContinents) {
    model->setFavorite(model->networkWithId("l3"), true); // Asia, after l2 (Europe) in the workspace
    model->applyFilter(PDLocationFilterType::favorites);
    EXPECT_EQ(locationRows(), (QStringList{"p2", "s3", "l2", "l3"}));
}

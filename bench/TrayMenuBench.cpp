// The tray's Dock menu with 1,000 locations in each list: rebuilding the three submenus, rebuilding the
// grouped locations (each run swaps every list for another 1,000 networks with other titles and flags), and
// a change of connection look. "actions" counts the menu's items after the runs (the same after any number
// of updates of the same size); "decodes" the flags decoded during the timed runs (none: each flag was
// decoded once, before).
#include "Budgets.h"
#include "DemoMenuFixtures.h"
#include "menus/DockMenuBarController.h"
#include "platform/ManualScheduler.h"
#include "toolkit/FlagImageCache.h"

#include <QCoreApplication>
#include <QDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int locationsPerList = 1000;

class ThousandsDataSource : public MenuControllerDataSource {
public:
    ThousandsDataSource() {
        const QStringList flags = QDir(QStringLiteral("/usr/share/iso-flags-svg/country-4x3"))
                                      .entryList({QStringLiteral("??.svg")});
        for (int i = 0; i < 2 * locationsPerList; ++i) {
            (i < locationsPerList ? list : other)
                .append(location(i, flags.isEmpty() ? QString() : flags.at(i % flags.size())));
        }
    }
    void swap() { list.swap(other); }
    bool isAppInUserAgentMode() const override { return false; }
    bool isDisconnectAllowed() const override { return true; }
    bool isInForcedUpgradeState() const override { return false; }
    PDNetworkItemPtr currentNetwork() const override { return list.first(); }
    QList<PDNetworkItemPtr> publicLocations() const override { return list; }
    QList<PDNetworkItemPtr> privateLocations() const override { return list; }
    QList<PDNetworkItemPtr> favoriteLocations() const override { return list; }
    QList<PDNetworkItemPtr> groupedLocations() const override { return list; }

    QList<PDNetworkItemPtr> list;
    QList<PDNetworkItemPtr> other;

private:
    static PDNetworkItemPtr location(int i, const QString& flag) {
        PDNetworkItem::Data data;
        data.id = QString::number(i);
        data.title = QStringLiteral("Location %1").arg(i);
        data.flagImage = std::make_shared<PDCacheableImage>(
            flag.isEmpty() ? std::nullopt
                           : std::optional<QUrl>(QUrl::fromLocalFile(
                                 QStringLiteral("/usr/share/iso-flags-svg/country-4x3/") + flag)));
        return std::make_shared<PDNetworkItem>(data);
    }
};

struct Menu {
    Menu() {
        dock.setLoggedInState();
        // Every flag decoded once before the timed runs.
        for (int list = 0; list < 2; ++list) {
            source.swap();
            dock.updateLocationLists();
            dock.updateGroupedLocations();
            settle();
        }
    }
    void settle() {
        scheduler.runUntilIdle();
        QCoreApplication::sendPostedEvents();
    }
    int actionCount() const {
        int count = int(dock.dockMenu()->actions().size());
        for (QMenu* list : {dock.publicListItem(), dock.privateListItem(), dock.favoritesListItem()}) {
            count += int(list->actions().size());
        }
        return count;
    }
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope{scheduler};
    ThousandsDataSource source;
    NoActions actions;
    DockMenuBarController dock{&source, &actions};
};

// Runs `update` per iteration, flags delivered as they would be; reports items and new decodes.
template <class Update>
void measure(benchmark::State& state, Update update) {
    Menu menu;
    const int decodes = FlagImageCache::shared().decodeCount();
    for (auto _ : state) {
        menu.source.swap();
        update(menu.dock);
        menu.settle();
    }
    state.counters["actions"] = menu.actionCount();
    state.counters["decodes"] = FlagImageCache::shared().decodeCount() - decodes;
}

void BM_DockUpdateLocationLists(benchmark::State& state) {
    measure(state, [](DockMenuBarController& dock) { dock.updateLocationLists(); });
}
BENCHMARK(BM_DockUpdateLocationLists)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_DockUpdateGroupedLocations(benchmark::State& state) {
    measure(state, [](DockMenuBarController& dock) { dock.updateGroupedLocations(); });
}
BENCHMARK(BM_DockUpdateGroupedLocations)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_DockLookChange(benchmark::State& state) {
    bool connected = false;
    measure(state, [&connected](DockMenuBarController& dock) {
        connected = !connected;
        connected ? dock.setConnectedState() : dock.setDisconnectedState();
    });
}
BENCHMARK(BM_DockLookChange)->Unit(benchmark::kMicrosecond);

} // namespace

std::vector<bench::Budget> bench::budgets() {
    using namespace std::chrono_literals;
    return {cpuTime("BM_DockUpdateLocationLists", 30ms), cpuTime("BM_DockUpdateGroupedLocations", 30ms),
            cpuTime("BM_DockLookChange", 1ms), counterAtMost("BM_DockUpdateLocationLists", "decodes", 0),
            counterAtMost("BM_DockUpdateGroupedLocations", "decodes", 0)};
}

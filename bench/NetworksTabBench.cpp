// The networks tab over a workspace with 10,000 networks in its shared group: the tab appearing, one
// search keystroke with its repaint, and the current row's redraw on a status report. "widgets" is what
// the list holds for its rows, which stays about one screenful.
#include "Budgets.h"
#include "locations/LocationsSubController.h"
#include "sdk/VeltrixXPC.h"
#include "sdk/testing/Driver.h"
#include "sdk/testing/GeneratedNetworks.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr int kSharedNetworks = 10000;

PDNetworksModelPtr bigWorkspace() {
    const QStringList& countries = sdk::testing::flagCountryCodes();
    PDNetworksModel::Content content;
    content.sharedGroupName = QStringLiteral("Shared Networks");
    for (int i = 0; i < kSharedNetworks; ++i) {
        PDNetworkItem::Data data;
        data.id = QStringLiteral("shared-%1").arg(i);
        data.kind = PDNetworkKind::sharedNetwork;
        data.title = QStringLiteral("Shared network %1").arg(i);
        data.locationTitle = data.title;
        data.countryCode = countries.isEmpty() ? QString() : countries.at(i % countries.size());
        data.isDNSFilteringEnabled = i % 3 == 0;
        data.vpnConfiguration = SDVPNConfig{*data.id, QStringLiteral("gw%1.example.invalid").arg(i),
                                            QStringLiteral("Region"), QStringLiteral("192.0.2.1")};
        data.flagImage = std::make_shared<PDCacheableImage>(
            QUrl(QStringLiteral("file:///usr/share/iso-flags-svg/country-4x3/%1.svg").arg(data.countryCode)));
        content.sharedNetworks.append(std::make_shared<PDNetworkItem>(std::move(data)));
    }
    return std::make_shared<PDNetworksModel>(content);
}

struct ShownTab {
    ShownTab() {
        driver.setLoggedIn(true);
        driver.setForcedUpdateAvailable(false);
        driver.setNetworks(bigWorkspace());
        driver.setCurrentNetwork(VeltrixXPC::networks()->networkWithId(QStringLiteral("shared-3")));
        driver.setConnectionState(SDVPNConnectionState::connected);
        tab.view()->resize(680, 600);
    }
    void show() {
        tab.view()->show();
        QCoreApplication::processEvents();
    }
    int widgets() const { return tab.networksTableView()->numberOfViewsHeld(); }

    sdk::testing::Driver driver;
    LocationsSubController tab;
};

void BM_NetworksTabAppears(benchmark::State& state) {
    ShownTab shown;
    for (auto _ : state) {
        shown.show();
        state.PauseTiming();
        shown.tab.view()->hide();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = shown.tab.networksTableView()->numberOfRows();
    state.counters["widgets"] = shown.widgets();
}
BENCHMARK(BM_NetworksTabAppears)->Unit(benchmark::kMillisecond);

void BM_SearchKeystrokeRepaint(benchmark::State& state) {
    ShownTab shown;
    shown.show();
    const QString texts[] = {QStringLiteral("network 12"), QStringLiteral("network 1")};
    int i = 0;
    for (auto _ : state) {
        shown.tab.searchTextChanged(texts[i++ % 2]);
        shown.tab.networksTableView()->viewport()->repaint();
    }
    state.counters["widgets"] = shown.widgets();
}
BENCHMARK(BM_SearchKeystrokeRepaint)->Unit(benchmark::kMillisecond);

void BM_ReloadSelectedRow(benchmark::State& state) {
    ShownTab shown;
    shown.show();
    for (auto _ : state) {
        shown.tab.reloadSelectedRow();
    }
    state.counters["widgets"] = shown.widgets();
}
BENCHMARK(BM_ReloadSelectedRow)->Unit(benchmark::kMicrosecond);

// The keystroke's parts: the model's filtering, the list's reload and its repaint.
void BM_KeystrokePartModelSearch(benchmark::State& state) {
    ShownTab shown;
    const QString texts[] = {QStringLiteral("network 12"), QStringLiteral("network 1")};
    int i = 0;
    for (auto _ : state) {
        VeltrixXPC::networks()->setSearchText(texts[i++ % 2]);
    }
}
BENCHMARK(BM_KeystrokePartModelSearch)->Unit(benchmark::kMillisecond);

void BM_KeystrokePartReload(benchmark::State& state) {
    ShownTab shown;
    shown.show();
    for (auto _ : state) {
        shown.tab.networksTableView()->reloadData();
    }
}
BENCHMARK(BM_KeystrokePartReload)->Unit(benchmark::kMillisecond);

void BM_KeystrokePartRepaint(benchmark::State& state) {
    ShownTab shown;
    shown.show();
    for (auto _ : state) {
        shown.tab.networksTableView()->viewport()->repaint();
    }
}
BENCHMARK(BM_KeystrokePartRepaint)->Unit(benchmark::kMillisecond);

} // namespace

std::vector<bench::Budget> bench::budgets() {
    using namespace std::chrono_literals;
    return {cpuTime("BM_NetworksTabAppears", 100ms), cpuTime("BM_SearchKeystrokeRepaint", 8ms),
            cpuTime("BM_ReloadSelectedRow", 0.5ms)};
}

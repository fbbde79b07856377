// The quick-access window on the demo workspace: opening it (the first time and later), one menu-hub
// update, one clock tick, one frame of the connecting icon and a child list of 10,000 networks.
#include "Budgets.h"
#include "DemoMenuFixtures.h"
#include "core/ApplicationModel.h"
#include "core/ServiceLayer.h"
#include "menus/QAUIMenuWindowController.h"
#include "menus/StatusItemController.h"
#include "platform/ManualScheduler.h"
#include "platform/StatusBar.h"
#include "sdk/VeltrixXPC.h"
#include "sdk/testing/Driver.h"

#include <QApplication>
#include <QDBusConnection>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

struct Client {
    Client() {
        driver.setLoggedIn(true);
        driver.setCurrentNetwork(VeltrixXPC::networks()->privateNetworks().value(0));
        item->performClick(QPoint(900, 4));
    }
    // Opens the window and lets its sections settle, as a user waits for it.
    void open(QAUIMenuWindowController& window) {
        window.toggleMenu(item);
        scheduler.advance(0.6);
        QCoreApplication::sendPostedEvents();
    }
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope{scheduler};
    sdk::testing::Driver driver;
    platform::StatusBar bar{QDBusConnection(QStringLiteral("veltrix-no-bus"))};
    platform::StatusItem* item = bar.statusItem();
    DemoDataSource source;
    NoActions actions;
};

Client& client() {
    static Client shared;
    return shared;
}

void BM_OpenQuickAccessFirstTime(benchmark::State& state) {
    Client& c = client();
    for (auto _ : state) {
        QAUIMenuWindowController window;
        window.setDataSource(&c.source);
        window.setDelegate(&c.actions);
        window.showLoggedInPage();
        window.updateGroupedLocations();
        c.open(window);
        window.close();
    }
}
BENCHMARK(BM_OpenQuickAccessFirstTime)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OpenQuickAccess(benchmark::State& state) {
    Client& c = client();
    QAUIMenuWindowController window;
    window.setDataSource(&c.source);
    window.setDelegate(&c.actions);
    window.showLoggedInPage();
    window.updateGroupedLocations();
    c.open(window);
    window.close();
    for (auto _ : state) {
        c.open(window);
        window.close();
    }
}
BENCHMARK(BM_OpenQuickAccess)->Unit(benchmark::kMillisecond);

struct ConnectedWindow {
    explicit ConnectedWindow(Client& c) : c(c) {
        window.setDataSource(&c.source);
        window.setDelegate(&c.actions);
        window.showLoggedInPage();
        c.driver.setConnectionState(SDVPNConnectionState::connected);
        window.setConnectedState();
        c.open(window);
    }
    ~ConnectedWindow() {
        window.close();
        c.driver.setConnectionState(SDVPNConnectionState::disconnected);
    }
    Client& c;
    QAUIMenuWindowController window;
};

void BM_HubUpdate(benchmark::State& state) {
    Client& c = client();
    ConnectedWindow shown(c);
    for (auto _ : state) {
        shown.window.updateStatusOptionStates(); // the status list reloads its rows
        c.scheduler.runUntilIdle();
    }
}
BENCHMARK(BM_HubUpdate)->Unit(benchmark::kMicrosecond);

void BM_ClockTick(benchmark::State& state) {
    Client& c = client();
    ConnectedWindow shown(c);
    int second = 0;
    for (auto _ : state) {
        shown.window.updateTimeConnected(
            QStringLiteral("00:00:%1").arg(++second % 60, 2, 10, QLatin1Char('0')));
        c.scheduler.runUntilIdle();
    }
}
BENCHMARK(BM_ClockTick)->Unit(benchmark::kMicrosecond);

void BM_ConnectingIconFrame(benchmark::State& state) {
    Client& c = client();
    QAUIMenuWindowController window;
    StatusItemController status(&c.source, &c.actions, &window, c.bar);
    status.setConnectingState();
    for (auto _ : state) {
        c.scheduler.advance(0.17);
    }
    status.setDisconnectedState();
}
BENCHMARK(BM_ConnectingIconFrame)->Unit(benchmark::kMicrosecond);

void BM_ChildListOf10000(benchmark::State& state) {
    Client& c = client();
    PDNetworksModel::Content content;
    for (int i = 0; i < 10000; ++i) {
        PDNetworkItem::Data data;
        data.id = QStringLiteral("n%1").arg(i);
        data.kind = PDNetworkKind::privateNetwork;
        data.title = QStringLiteral("Network %1").arg(i);
        data.flagImage = std::make_shared<PDCacheableImage>(std::nullopt);
        content.privateNetworks << std::make_shared<PDNetworkItem>(data);
    }
    const PDNetworksModelPtr previous = VeltrixXPC::networks();
    c.driver.setNetworks(std::make_shared<PDNetworksModel>(content));
    QAUINetworksWindowController child;
    child.setDataSource(&c.source);
    int widgets = 0;
    for (auto _ : state) {
        child.setNetworkItemType(QAUINetworkGroupsViewItem::privateNetworks);
        child.showWindow();
        QCoreApplication::sendPostedEvents();
        widgets = child.content()->tableView()->numberOfViewsHeld();
        child.close();
    }
    state.counters["widgets"] = widgets;
    c.driver.setNetworks(previous);
}
BENCHMARK(BM_ChildListOf10000)->Unit(benchmark::kMillisecond);

} // namespace

std::vector<bench::Budget> bench::budgets() {
    using namespace std::chrono_literals;
    return {cpuTime("BM_OpenQuickAccessFirstTime", 150ms), cpuTime("BM_OpenQuickAccess", 50ms),
            cpuTime("BM_HubUpdate", 1ms), cpuTime("BM_ConnectingIconFrame", 1ms),
            cpuTime("BM_ChildListOf10000", 50ms)};
}

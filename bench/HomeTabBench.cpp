// The home tab: an SDK status report until the tab is redrawn, the network shown after 10,000 networks
// load, one frame of the connected network view in the shown tab, one clock tick with its observers, a
// banner with its height, and a day of ticks ("rss_growth_kb" is what the process grew by over 86,400
// ticks, "idle_pending_tasks" what is left to wake the idle tab).
#include "Budgets.h"
#include "core/ServiceLayer.h"
#include "mainwindow/MainNetworkView.h"
#include "mainwindow/MainSubController.h"
#include "platform/ManualScheduler.h"
#include "platform/NotificationCenter.h"
#include "sdk/VeltrixXPC.h"
#include "sdk/testing/Driver.h"
#include "toolkit/MainErrorView.h"
#include "toolkit/ViewAnimation.h"

#include <QApplication>
#include <QFile>
#include <QPaintEvent>

#include <benchmark/benchmark.h>

namespace {

using VPN = PDVPNConnectionStatusUpdatesDelegate;

struct HomeTab {
    HomeTab() {
        driver.setLoggedIn(true);
        controller.view()->resize(680, 600);
        controller.view()->show();
        controller.showNetwork(VeltrixXPC::currentNetwork());
        scheduler.runUntilIdle();
    }
    ~HomeTab() { controller.view()->hide(); }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope{scheduler};
    sdk::testing::Driver driver;
    MainSubController controller;
};

void BM_StatusReportToRedrawnTab(benchmark::State& state) {
    HomeTab tab;
    bool connected = false;
    for (auto _ : state) {
        connected = !connected;
        tab.driver.setConnectionState(connected ? SDVPNConnectionState::connected
                                                : SDVPNConnectionState::disconnected);
        if (connected) {
            tab.driver.fire<VPN>([](VPN& d) { d.onConnectedToVPN(); });
        } else {
            tab.driver.fire<VPN>([](VPN& d) { d.onDisconnectedFromVPN(true); });
        }
        tab.scheduler.runUntilIdle();
        QCoreApplication::sendPostedEvents();
    }
}
BENCHMARK(BM_StatusReportToRedrawnTab)->Unit(benchmark::kMicrosecond);

void BM_ShowNetworkAfterLoadingTenThousand(benchmark::State& state) {
    HomeTab tab;
    PDNetworksModel::Content content;
    for (int i = 0; i < 10000; ++i) {
        PDNetworkItem::Data data;
        data.id = QStringLiteral("n%1").arg(i);
        data.kind = PDNetworkKind::publicLocation;
        data.title = QStringLiteral("Location %1").arg(i);
        content.publicLocations.append(std::make_shared<PDNetworkItem>(std::move(data)));
    }
    const auto model = std::make_shared<PDNetworksModel>(content);
    // The current network is the last one: the whole list is searched.
    tab.driver.setCurrentNetwork(content.publicLocations.last());
    for (auto _ : state) {
        tab.controller.showNetworkAfterDataLoad(model);
    }
}
BENCHMARK(BM_ShowNetworkAfterLoadingTenThousand)->Unit(benchmark::kMicrosecond);

// Counts the paint events a widget gets and the area they repaint.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    long paints = 0;
    double area = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            const QRect rect = static_cast<QPaintEvent*>(event)->rect();
            area += double(rect.width()) * rect.height();
        }
        return QObject::eventFilter(watched, event);
    }
};

// One frame of the connected network view's motion as the window draws it: the animation step, the
// repaint of what moved through the window's repaint manager into its backing store, and the flush. Each
// iteration steps the clock until the view has painted once; the CPU time of every thread counts.
void BM_ConnectedNetworkViewFrameInTheWindow(benchmark::State& state) {
    HomeTab tab;
    PDNetworkItem::Data data;
    data.id = QStringLiteral("frankfurt");
    data.title = QStringLiteral("Frankfurt");
    data.countryCode = QStringLiteral("de");
    const auto network = std::make_shared<PDNetworkItem>(std::move(data));
    tab.driver.setCurrentNetwork(network);
    tab.controller.showNetwork(network);
    tab.driver.setConnectionState(SDVPNConnectionState::connected);
    tab.driver.fire<VPN>([](VPN& d) { d.onConnectedToVPN(); });
    tab.scheduler.runUntilIdle();
    tab.controller.updateUIForConnectionState();
    tab.scheduler.advance(5);          // past the connecting look's end
    QCoreApplication::processEvents(); // the window is exposed: the view animates only on screen
    MainNetworkView* view = tab.controller.networkView();
    if (!view || !view->isVisible()) {
        state.SkipWithError("the home tab shows no network view");
        return;
    }
    PaintCounter counter(view);
    long steps = 0;
    for (auto _ : state) {
        const long before = counter.paints;
        for (int step = 0; step < 600 && counter.paints == before; ++step) {
            tab.scheduler.advance(ViewAnimation::stepInterval);
            QCoreApplication::sendPostedEvents();
            ++steps;
        }
        if (counter.paints == before) {
            state.SkipWithError("the connected network view painted nothing for ten seconds");
            return;
        }
    }
    const double frames = double(std::max<long>(counter.paints, 1));
    state.counters["steps_per_frame"] = double(steps) / frames;
    state.counters["px_per_frame"] = counter.area / frames;
}
BENCHMARK(BM_ConnectedNetworkViewFrameInTheWindow)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

void BM_OneTickWithItsObservers(benchmark::State& state) {
    HomeTab tab;
    tab.driver.setConnectionState(SDVPNConnectionState::connected);
    tab.controller.updateUIForConnectionState(); // the information view follows the clock
    double seconds = 0;
    for (auto _ : state) {
        tab.controller.onConnectionTimeUpdatedWithTime(++seconds);
        tab.scheduler.runUntilIdle();
    }
}
BENCHMARK(BM_OneTickWithItsObservers)->Unit(benchmark::kMicrosecond);

void BM_BannerWithItsHeight(benchmark::State& state) {
    MainErrorView banner;
    banner.resize(640, 80);
    const QString text =
        QStringLiteral("The gateway did not answer in time. Check your connection and try again.");
    for (auto _ : state) {
        banner.show(NotificationPopupType::error(), std::nullopt, text);
        benchmark::DoNotOptimize(banner.descriptionHeight());
    }
}
BENCHMARK(BM_BannerWithItsHeight)->Unit(benchmark::kMicrosecond);

long residentKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return 0;
}

void BM_ADayOfTicks(benchmark::State& state) {
    HomeTab tab;
    tab.driver.setConnectionState(SDVPNConnectionState::connected);
    tab.controller.updateUIForConnectionState();
    long growth = 0;
    for (auto _ : state) {
        // A first hour settles the caches; the day after it must not grow.
        for (int s = 0; s < 3600; ++s) {
            tab.controller.onConnectionTimeUpdatedWithTime(s);
            tab.scheduler.runUntilIdle();
        }
        const long before = residentKilobytes();
        for (int s = 0; s < 86400; ++s) {
            tab.controller.onConnectionTimeUpdatedWithTime(s);
            tab.scheduler.runUntilIdle();
        }
        growth = residentKilobytes() - before;
    }
    // Answers still under way (the public address) come within seconds; after them nothing is left to
    // wake the idle tab.
    tab.scheduler.advance(5);
    state.counters["rss_growth_kb"] = double(growth);
    state.counters["idle_pending_tasks"] = double(tab.scheduler.pendingCount());
}
BENCHMARK(BM_ADayOfTicks)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

std::vector<bench::Budget> bench::budgets() {
    using namespace std::chrono_literals;
    return {cpuTime("BM_StatusReportToRedrawnTab", 2ms),
            cpuTime("BM_ShowNetworkAfterLoadingTenThousand", 1ms),
            cpuTime("BM_ConnectedNetworkViewFrameInTheWindow", 0.5ms),
            cpuTime("BM_OneTickWithItsObservers", 50us),
            cpuTime("BM_BannerWithItsHeight", 1ms),
            counterAtMost("BM_ADayOfTicks", "rss_growth_kb", 1024), // flat
            counterAtMost("BM_ADayOfTicks", "idle_pending_tasks", 0)};
}

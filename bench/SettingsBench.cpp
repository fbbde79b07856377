// The settings page and the log collection on the demo workspace: embedding a page when its tab is chosen,
// a page's reload and redraw when "settingsUpdated" is posted after Always-On VPN was turned on or off, and 5
// MiB of collected text in the troubleshooting card: shown (its start on screen) and loaded whole, piece by
// piece on the main queue ("piece_ms" is the mean time of one piece, which holds the window up). "timers"
// counts what a hidden page or card leaves running: the scheduler's pending work after a minute of virtual
// time and the Qt timers of its widgets; it must be 0.
#include "Budgets.h"
#include "core/Preferences.h"
#include "platform/ManualScheduler.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "sdk/VeltrixXPC.h"
#include "sdk/testing/Driver.h"
#include "settings/PopoverTroubleshootingView.h"
#include "settings/SettingsContainerController.h"
#include "settings/SettingsGeneralController.h"
#include "settings/SettingsNetworkController.h"
#include "settings/SettingsProtocolController.h"
#include "toolkit/ModalViewController.h"
#include "toolkit/PresentationAnimators.h"

#include <QAbstractEventDispatcher>
#include <QApplication>

#include <chrono>
#include <cmath>

#include <benchmark/benchmark.h>

namespace {

constexpr qsizetype kCollectedBytes = 5 * 1024 * 1024;

// Qt timers held by the widget and everything in it.
int qtTimers(QWidget* root) {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    int count = static_cast<int>(dispatcher->registeredTimers(root).size());
    for (QObject* child : root->findChildren<QObject*>()) {
        count += static_cast<int>(dispatcher->registeredTimers(child).size());
    }
    return count;
}

// The settings page in a host standing in for the main window, on virtual time and the demo workspace.
struct SettingsPage {
    SettingsPage() : scope(scheduler) {
        driver.setLoggedIn(true);
        container.setPages(&general, &network, &protocols);
        window.view()->resize(680, 600);
        window.addChildViewController(&container);
        window.presentViewController(&container);
        window.view()->show();
        settle();
    }
    bool loaded() const { return !VeltrixXPC::appConfig().offeredVersion.isEmpty(); }
    void settle() {
        scheduler.runUntilIdle();
        QCoreApplication::processEvents();
    }
    // What a hidden settings page leaves running.
    int timersWhenHidden() {
        window.view()->hide();
        scheduler.advance(60);
        QCoreApplication::processEvents();
        const int timers = static_cast<int>(scheduler.pendingCount()) + qtTimers(window.view());
        window.view()->show();
        settle();
        return timers;
    }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope;
    sdk::testing::Driver driver;
    SettingsGeneralController general;
    SettingsNetworkController network;
    SettingsProtocolController protocols;
    SettingsContainerController container;
    platform::ViewController window;
};

void BM_EmbedPage(benchmark::State& state) {
    SettingsPage page;
    if (!page.loaded()) {
        state.SkipWithError("the demo workspace did not load");
        return;
    }
    const SettingsMenuTab tabs[] = {SettingsMenuTab::general, SettingsMenuTab::network,
                                    SettingsMenuTab::protocols};
    std::size_t next = 1;
    for (auto _ : state) {
        page.container.settingsTopMenuView()->tabTapped(tabs[next++ % 3]);
        page.settle();
        page.window.view()->repaint();
    }
    state.counters["timers"] = page.timersWhenHidden();
}
BENCHMARK(BM_EmbedPage)->Unit(benchmark::kMillisecond);

void BM_ReloadOnSettingsUpdated(benchmark::State& state) {
    SettingsPage page;
    if (!page.loaded()) {
        state.SkipWithError("the demo workspace did not load");
        return;
    }
    const auto tab = static_cast<SettingsMenuTab>(state.range(0));
    page.container.settingsTopMenuView()->tabTapped(tab);
    page.settle();
    state.SetLabel(settingsMenu::title(tab).toStdString());
    // Each update turns Always-On VPN on or off: every page then redraws its locks and badges.
    bool alwaysOn = false;
    for (auto _ : state) {
        state.PauseTiming();
        alwaysOn = !alwaysOn;
        page.driver.setAlwaysOn(alwaysOn);
        state.ResumeTiming();
        platform::NotificationCenter::defaultCenter().post(QStringLiteral("settingsUpdated"));
        page.settle(); // the reload, then the redraw of what it changed
    }
}
BENCHMARK(BM_ReloadOnSettingsUpdated)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// The troubleshooting card over a window, run up to the collection, with 5 MiB of text to show.
struct CollectionCard {
    CollectionCard() : scope(scheduler) {
        platform::UserDefaults::standard().set(SettingsUserDefaults::showMeTroubleshootingInfo, false);
        const QString line =
            QStringLiteral("2024-05-02 10:00:00 INFO tunnel: keepalive sent to 198.51.100.10\n");
        text.reserve(kCollectedBytes + line.size());
        while (text.size() < kCollectedBytes) {
            text += line;
        }
        window.view()->resize(880, 600);
        window.view()->show();
        modal.setControllerType(ModalViewControllerType::runTroubleshooting);
        window.presentViewController(&modal,
                                     std::make_shared<TransitionAnimator>(std::nullopt, std::nullopt, 0.2));
        scheduler.advance(0.3);
        card = modal.popoverAs<PopoverTroubleshootingView>(ModalViewControllerType::runTroubleshooting);
        card->confirm(nullptr);
        QCoreApplication::processEvents();
    }
    bool loaded() const {
        return card->loaderAnimationView()->animationView() &&
               card->loaderAnimationView()->animationView()->isAnimationLoaded();
    }
    void show() {
        card->configure(PopoverTroubleshootingViewState::success(text));
        QCoreApplication::processEvents();
        window.view()->repaint();
    }
    void reset() {
        card->configure(PopoverTroubleshootingViewState::progress());
        scheduler.runUntilIdle();
        QCoreApplication::processEvents();
    }
    int timersWhenClosed() {
        modal.dismiss();
        scheduler.advance(60);
        QCoreApplication::processEvents();
        return static_cast<int>(scheduler.pendingCount()) + qtTimers(window.view());
    }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope;
    sdk::testing::Driver driver;
    QString text;
    platform::ViewController window;
    ModalViewController modal;
    PopoverTroubleshootingView* card = nullptr;
};

void BM_CollectedTextShown(benchmark::State& state) {
    CollectionCard shown;
    if (!shown.loaded()) {
        state.SkipWithError("the troubleshooting loader did not load");
        return;
    }
    for (auto _ : state) {
        shown.show();
        state.PauseTiming();
        shown.reset();
        state.ResumeTiming();
    }
    state.counters["bytes"] = static_cast<double>(shown.text.size());
    shown.show();
    state.counters["timers"] = shown.timersWhenClosed();
}
BENCHMARK(BM_CollectedTextShown)->Unit(benchmark::kMillisecond);

void BM_CollectedTextLoadedWhole(benchmark::State& state) {
    CollectionCard shown;
    if (!shown.loaded()) {
        state.SkipWithError("the troubleshooting loader did not load");
        return;
    }
    const double pieces =
        std::ceil(double(shown.text.size()) / double(PopoverTroubleshootingView::collectedTextPiece));
    std::chrono::duration<double, std::milli> spent{0};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        shown.show();
        shown.scheduler.runUntilIdle();
        spent += std::chrono::steady_clock::now() - start;
        state.PauseTiming();
        if (!shown.card->isCollectedTextComplete()) {
            state.SkipWithError("the collected text was not shown whole");
            return;
        }
        shown.reset();
        state.ResumeTiming();
    }
    state.counters["piece_ms"] = spent.count() / (pieces * double(state.iterations()));
}
BENCHMARK(BM_CollectedTextLoadedWhole)->Unit(benchmark::kMillisecond);

} // namespace

std::vector<bench::Budget> bench::budgets() {
    using namespace std::chrono_literals;
    return {cpuTime("BM_EmbedPage", 16ms),
            counterAtMost("BM_EmbedPage", "timers", 0),
            cpuTime("BM_ReloadOnSettingsUpdated", 2ms),
            cpuTime("BM_CollectedTextShown", 200ms),
            counterAtMost("BM_CollectedTextShown", "timers", 0),
            counterAtMost("BM_CollectedTextLoadedWhole", "piece_ms",
                          16)}; // a piece holds the window up one frame at most
}

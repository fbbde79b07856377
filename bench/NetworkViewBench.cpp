// The home tab's network view: one frame of the connecting look (every animation sampled and the view
// painted at device pixel ratio 2), a state change, and the sampling alone. "allocs" counts heap
// allocations per sampled frame, which must be none for the endless animations; "pending" is the work a
// disconnected view leaves queued, which must be none.
#include "Budgets.h"
#include "mainwindow/MainNetworkView.h"
#include "platform/ManualScheduler.h"
#include "toolkit/ViewAnimation.h"

#include <QApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size ? size : 1)) {
        return memory;
    }
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {

// A set-up view on virtual time, not on screen (so no timer runs), in the connecting look.
struct ConnectingView {
    ConnectingView() {
        view.setupShadows();
        view.setState(FlagAnimationType::connecting);
    }
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope{scheduler};
    MainNetworkView view;
};

void BM_ConnectingFrame(benchmark::State& state) {
    ConnectingView connecting;
    auto& [scheduler, scope, view] = connecting;
    QImage canvas(view.size() * 2, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(2.0);
    for (auto _ : state) {
        scheduler.advance(ViewAnimation::stepInterval);
        QPainter painter(&canvas);
        view.paintAt(painter, layeranim::now());
    }
}
BENCHMARK(BM_ConnectingFrame)->Unit(benchmark::kMicrosecond);

void BM_SampleConnectingAnimations(benchmark::State& state) {
    ConnectingView connecting;
    auto& [scheduler, scope, view] = connecting;
    std::vector<const layeranim::Layer*> layers = {&view.dotView(),     &view.topDot(),
                                                   &view.middleDot(),   &view.bottomDot(),
                                                   &view.iconBgLayer(), view.iconHexagon()};
    for (int number = 1; number <= MainNetworkView::barCount; ++number) {
        layers.push_back(&view.lView(number));
        layers.push_back(&view.rView(number));
    }
    double sum = 0.0;
    long frames = 0;
    const long before = allocations.load();
    for (auto _ : state) {
        scheduler.advance(ViewAnimation::stepInterval);
        const double at = layeranim::now();
        for (const layeranim::Layer* layer : layers) {
            sum += layer->presentationFrame(at).height();
        }
        ++frames;
    }
    benchmark::DoNotOptimize(sum);
    state.counters["allocs"] = double(allocations.load() - before) / double(std::max(frames, 1L));
}
BENCHMARK(BM_SampleConnectingAnimations)->Unit(benchmark::kMicrosecond);

void BM_StateChange(benchmark::State& state) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    MainNetworkView view;
    view.setupShadows();
    const FlagAnimationType states[] = {FlagAnimationType::connecting, FlagAnimationType::connected,
                                        FlagAnimationType::disconnected};
    int next = 0;
    for (auto _ : state) {
        view.setState(states[next]);
        next = (next + 1) % 3;
    }
    view.setState(FlagAnimationType::disconnected);
    scheduler.advance(1.0);
    state.counters["pending"] = double(scheduler.pendingCount());
}
BENCHMARK(BM_StateChange)->Unit(benchmark::kMicrosecond);

} // namespace

std::vector<bench::Budget> bench::budgets() {
    using namespace std::chrono_literals;
    return {cpuTime("BM_ConnectingFrame", 1ms), counterAtMost("BM_SampleConnectingAnimations", "allocs", 0),
            cpuTime("BM_StateChange", 0.5ms), counterAtMost("BM_StateChange", "pending", 0)};
}

// Budgets of the sign-in screens: a frame of each shipped animation at its view's size (< 4 ms), a step
// of the onboarding page slide (< 2 ms), memory across 1,000 page turns (flat), and the timers left running
// by a hidden welcome, sign-in or quick-access window (none).
#include "Budgets.h"
#include "auth/AuthWelcomeController.h"
#include "auth/OnBoardingPageControllerN.h"
#include "auth/QAUIOnBoardingPageViewController.h"
#include "platform/ManualScheduler.h"
#include "sdk/testing/Driver.h"
#include "toolkit/PDLottieAnimationView.h"
#include "toolkit/ViewAnimation.h"

#include <QApplication>
#include <QFile>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include <unistd.h>

namespace {

struct Shipped {
    const char* name;
    int width;
    int height;
};
// Each animation at the size of the view that shows it.
constexpr Shipped kAnimations[] = {
    {"loader", 72, 72},         {"signInAnimation", 260, 260}, {"sra_data", 300, 190},
    {"traffic_data", 300, 190}, {"wifi_data", 300, 190},       {"edge_data", 300, 190},
};

void BM_AnimationFrame(benchmark::State& state) {
    const Shipped& shipped = kAnimations[state.range(0)];
    LOTAnimationView view;
    if (!view.setAnimationNamed(QString::fromLatin1(shipped.name))) {
        state.SkipWithError("animation missing");
        return;
    }
    const QSize size(shipped.width, shipped.height);
    std::size_t frame = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(view.renderFrame(frame, size));
        frame = (frame + 7) % view.totalFrames();
    }
    state.SetLabel(shipped.name);
}
BENCHMARK(BM_AnimationFrame)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// A shown window holding the controller's view, on virtual time.
struct Shown {
    explicit Shown(platform::ViewController& controller, QSize size) {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(controller.view());
        window.resize(size);
        window.show();
        QApplication::processEvents();
    }
    QWidget window;
};

void BM_PageSlideStep(benchmark::State& state) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    OnBoardingPageControllerN pages;
    Shown shown(pages, QSize(640, 520));
    scheduler.advance(1.0);
    bool forward = true;
    for (auto _ : state) {
        if (!pages.isTransitionRunning()) {
            state.PauseTiming();
            if (pages.selectedIndex() == 3 || pages.selectedIndex() == 0) {
                forward = pages.selectedIndex() == 0;
            }
            forward ? pages.navigateForward() : pages.navigateBack();
            state.ResumeTiming();
        }
        scheduler.advance(ViewAnimation::stepInterval);
        shown.window.repaint();
    }
}
BENCHMARK(BM_PageSlideStep)->Unit(benchmark::kMicrosecond);

long residentKilobytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

void BM_Paging1000(benchmark::State& state) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    OnBoardingPageControllerN pages;
    Shown shown(pages, QSize(640, 520));
    auto turn = [&](int times) {
        for (int i = 0; i < times; ++i) {
            (i / 3) % 2 == 0 ? pages.navigateForward() : pages.navigateBack();
            scheduler.advance(PageController::transitionDuration + 0.05);
            QApplication::processEvents();
        }
    };
    turn(60); // every page made once, caches warm
    long growth = 0;
    for (auto _ : state) {
        const long before = residentKilobytes();
        turn(1000);
        growth = residentKilobytes() - before;
    }
    state.counters["rss_growth_kb"] = static_cast<double>(growth);
    state.counters["page_controllers"] = static_cast<double>(pages.cachedControllerCount());
    state.counters["widgets"] = static_cast<double>(shown.window.findChildren<QWidget*>().size());
}
BENCHMARK(BM_Paging1000)->Iterations(1)->Unit(benchmark::kMillisecond);

// Timers still due after the window with a playing animation was hidden and everything due ran.
template <class Controller>
void BM_TimersWhileHidden(benchmark::State& state) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    sdk::testing::Driver driver;
    Controller controller;
    std::size_t pending = 0;
    std::size_t pendingShown = 0;
    for (auto _ : state) {
        Shown shown(controller, QSize(640, 520));
        scheduler.advance(1.0); // the animation runs
        pendingShown = scheduler.pendingCount();
        shown.window.hide();
        scheduler.advance(1.0);
        pending = scheduler.pendingCount();
        shown.window.layout()->removeWidget(controller.view());
        controller.view()->setParent(nullptr);
    }
    state.counters["timers_while_shown"] = static_cast<double>(pendingShown);
    state.counters["timers_while_hidden"] = static_cast<double>(pending);
}
BENCHMARK(BM_TimersWhileHidden<OnBoardingPageControllerN>)->Iterations(1);
BENCHMARK(BM_TimersWhileHidden<AuthWelcomeController>)->Iterations(1);
BENCHMARK(BM_TimersWhileHidden<QAUIOnBoardingPageViewController>)->Iterations(1);

} // namespace

std::vector<bench::Budget> bench::budgets() {
    using namespace std::chrono_literals;
    return {
        cpuTime("BM_AnimationFrame", 4ms),
        cpuTime("BM_PageSlideStep", 2ms),
        counterAtMost("BM_Paging1000", "rss_growth_kb", 1024), // flat: a page turn keeps nothing
        counterAtMost("BM_TimersWhileHidden<OnBoardingPageControllerN>", "timers_while_hidden", 0),
        counterAtMost("BM_TimersWhileHidden<AuthWelcomeController>", "timers_while_hidden", 0),
        counterAtMost("BM_TimersWhileHidden<QAUIOnBoardingPageViewController>", "timers_while_hidden", 0)};
}

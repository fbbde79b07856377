// The row list with 10,000 rows: building it, reloading it and one scroll step. "widgets" is what the
// list holds for its rows at the end, which stays about one screenful whatever the length.
#include "Budgets.h"
#include "toolkit/HoverableTableView.h"

#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 10000;

// A cell like the network rows: a hover panel with a title label.
class BenchSource : public TableViewDataSource {
public:
    int numberOfRows(TableView&) override { return kRows; }
    int heightOfRow(TableView&, int row) override { return row % 7 == 0 ? 44 : 32; }
    QWidget* viewForRow(TableView& table, int row) override {
        auto* cell = static_cast<HoverableCellView*>(table.makeView(QStringLiteral("network")));
        if (!cell) {
            cell = new HoverableCellView;
            cell->setObjectName(QStringLiteral("network"));
            auto* layout = new QVBoxLayout(cell);
            layout->addWidget(new QLabel);
        }
        cell->findChild<QLabel*>()->setText(QStringLiteral("Location %1").arg(row));
        return cell;
    }
};

struct ShownList {
    ShownList() {
        table.setDataSource(&source);
        table.resize(360, 640);
        table.show();
        table.reloadData();
        QCoreApplication::processEvents();
    }
    BenchSource source;
    HoverableTableView table;
};

void BM_BuildRowList(benchmark::State& state) {
    int widgets = 0;
    for (auto _ : state) {
        ShownList list;
        widgets = list.table.numberOfViewsHeld();
        benchmark::DoNotOptimize(widgets);
    }
    state.counters["rows"] = kRows;
    state.counters["widgets"] = widgets;
}
BENCHMARK(BM_BuildRowList)->Unit(benchmark::kMillisecond);

void BM_ReloadRowList(benchmark::State& state) {
    ShownList list;
    list.table.verticalScrollBar()->setValue(list.table.verticalScrollBar()->maximum() / 2);
    for (auto _ : state) {
        list.table.reloadData();
    }
    state.counters["widgets"] = list.table.numberOfViewsHeld();
}
BENCHMARK(BM_ReloadRowList)->Unit(benchmark::kMicrosecond);

void BM_ScrollStepRowList(benchmark::State& state) {
    ShownList list;
    QScrollBar* bar = list.table.verticalScrollBar();
    const int step = bar->singleStep() * 3; // one wheel notch
    for (auto _ : state) {
        const int next = bar->value() + step;
        bar->setValue(next > bar->maximum() ? 0 : next);
    }
    state.counters["widgets"] = list.table.numberOfViewsHeld();
}
BENCHMARK(BM_ScrollStepRowList)->Unit(benchmark::kMicrosecond);

} // namespace

std::vector<bench::Budget> bench::budgets() {
    using namespace std::chrono_literals;
    // A list is rebuilt within a frame, reloaded and scrolled well within one, holding about a screenful.
    return {cpuTime("BM_BuildRowList", 16ms), counterAtMost("BM_BuildRowList", "widgets", 60),
            cpuTime("BM_ReloadRowList", 2ms), cpuTime("BM_ScrollStepRowList", 1ms)};
}

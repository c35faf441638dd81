// Typing a whole sales bill through the reference host, as a clerk types a long delivery: per
// row the item, the stock, the tax rate, the price and the quantity, then the bill is saved.
// The cost of one field edit must not grow with the bill, so each size reports the time per
// field edit (and the save apart). Two levels:
//   BM_TypeSalesBill          the bill form with the sales plug-in bound (the host's work)
//   BM_TypeSalesBillScenario  the same session replayed by the scenario runner (plus what it
//                             records for the transcript: events, changed fields, SQL, and the
//                             run's own set-up of host and library)
// us/edit is the time on the clock, cpu_us/edit the processor time (steadier on a busy machine);
// in the runner's figures it includes the save.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_host.h"
#include "frame/plugin.h"
#include "host/data_components.h"
#include "host/demo_db.h"
#include "host/form/bill_form.h"
#include "host/form/bill_template.h"
#include "host/form/database_adapter.h"
#include "host/form/linked_library.h"
#include "host/form/scenario.h"
#include "host/form/scenario_runner.h"
#include "host/reference_host.h"

namespace {

using namespace qor;
using Clock = std::chrono::steady_clock;

constexpr int kFieldsPerRow = 5;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// The processor time of the process: what the work itself cost, whatever else the machine runs.
double CpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// One demo database and host for the whole run; the items are the demo's, in turn.
struct TypingSetup : bench::BenchHost {
    std::vector<long long> items;
    long long stock = 0;

    TypingSetup() : BenchHost("typing") {
        for (const auto& r : db->Run("Select FItemID From t_ICItem Where FISBatchManager=0 "
                                     "Order By FItemID")
                                 .rows)
            items.push_back(static_cast<long long>(r[0].ToNumber()));
        auto s = db->Run("Select FItemID From t_Stock Where FTypeID<>502 Order By FItemID");
        if (items.empty() || s.rows.empty()) throw std::runtime_error("demo data without items");
        stock = static_cast<long long>(s.rows[0][0].ToNumber());
    }

    // One small bill typed untimed first, so that no size pays for what is done once (the
    // templates read, the statements prepared).
    void WarmUp();

    long long Item(int row) const { return items[static_cast<size_t>(row - 1) % items.size()]; }
    static double Price(int row) { return 2.5 + row % 7; }
    static double Qty(int row) { return 1 + row % 12; }
};

// Types a bill of that many rows on a new form with the sales plug-in bound; the time spent
// typing and saving is added to the two counters.
void TypeBill(TypingSetup& setup, int rows, double& typing, double& saving, double& cpu) {
    const auto* t = host::form::FindTemplate("sale");
    auto form = host::form::HostBillForm::Create(*t, setup.adapter.get());
    form->SetToday("2026-12-10");
    auto plugin = CreatePlugIn(t->progId);
    plugin->Show(form);
    form->NewBill();
    form->UserEdit("FCustID", -1, Value(101));
    auto start = Clock::now();
    double cpuStart = CpuSeconds();
    for (int r = 1; r <= rows; ++r) {
        form->UserEdit("FItemID", r, Value(setup.Item(r)));
        form->UserEdit("FSCStockID", r, Value(setup.stock));
        form->UserEdit("FTaxRate", r, Value(13));
        form->UserEdit("FPrice", r, Value(TypingSetup::Price(r)));
        form->UserEdit("FShowQty", r, Value(TypingSetup::Qty(r)));
    }
    typing += Seconds(start);
    cpu += CpuSeconds() - cpuStart;
    start = Clock::now();
    if (!form->Save().done) throw std::runtime_error("the bill was not saved");
    saving += Seconds(start);
}

void TypingSetup::WarmUp() {
    double typing = 0, saving = 0, cpu = 0;
    TypeBill(*this, 5, typing, saving, cpu);
}

TypingSetup& Setup() {
    static TypingSetup setup;
    static bool warm = (setup.WarmUp(), true);
    (void)warm;
    return setup;
}

void Report(benchmark::State& state, int rows, double typing, double saving, double cpu = -1) {
    const double edits = static_cast<double>(state.iterations()) * rows * kFieldsPerRow;
    state.counters["us/edit"] = typing * 1e6 / edits;
    if (cpu >= 0) state.counters["cpu_us/edit"] = cpu * 1e6 / edits;
    state.counters["save_ms"] = saving * 1e3 / static_cast<double>(state.iterations());
    state.SetItemsProcessed(static_cast<int64_t>(edits));
}

void BM_TypeSalesBill(benchmark::State& state) {
    auto& setup = Setup();
    setup.host->Attach(host::form::LinkedLibrary());
    const int rows = static_cast<int>(state.range(0));
    double typing = 0, saving = 0, cpu = 0;
    for (auto _ : state) TypeBill(setup, rows, typing, saving, cpu);
    Report(state, rows, typing, saving, cpu);
}
// Each size types about 500 rows in all, so that the small bills are not measured on one run.
BENCHMARK(BM_TypeSalesBill)->Arg(50)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeSalesBill)->Arg(200)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeSalesBill)->Arg(500)->Iterations(1)->Unit(benchmark::kMillisecond);

// The scenario of a bill of that many rows, one set step per row.
std::string TypingScenario(int rows) {
    auto& setup = Setup();
    std::ostringstream y;
    y << "name: typing " << rows << " rows\ntoday: 2026-12-10\nsteps:\n  - new: sale\n"
      << "  - set: {FCustID: 101}\n";
    for (int r = 1; r <= rows; ++r)
        y << "  - set: {row: " << r << ", FItemID: " << setup.Item(r)
          << ", FSCStockID: " << setup.stock << ", FTaxRate: 13, FPrice: " << TypingSetup::Price(r)
          << ", FShowQty: " << TypingSetup::Qty(r) << "}\n";
    y << "  - save\n";
    return y.str();
}

void BM_TypeSalesBillScenario(benchmark::State& state) {
    auto& setup = Setup();
    const int rows = static_cast<int>(state.range(0));
    host::form::Scenario sc = host::form::ParseScenario(TypingScenario(rows), "typing.yaml");
    host::form::RunOptions options;
    options.library = &host::form::LinkedLibrary();
    options.databasePath = setup.path;  // created once, kept
    double typing = 0, saving = 0, cpu = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        double cpuStart = CpuSeconds();
        host::form::RunRecord run = host::form::RunScenario(sc, options);
        double total = Seconds(start);
        cpu += CpuSeconds() - cpuStart;
        if (!run.invalid.empty() || run.steps.empty() || !run.steps.back().done) {
            state.SkipWithError("the scenario did not run through");
            break;
        }
        // The save's share: its own step's SQL is timed by the runner; the rest is typing.
        double save = 0;
        for (const auto& q : run.steps.back().sql) save += q.ms / 1e3;
        typing += total - save;
        saving += save;
    }
    Report(state, rows, typing, saving, cpu);
    // The runner attached its own host; give the library this benchmark's host back.
    setup.host->Attach(host::form::LinkedLibrary());
}
BENCHMARK(BM_TypeSalesBillScenario)->Arg(50)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeSalesBillScenario)->Arg(200)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeSalesBillScenario)->Arg(500)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

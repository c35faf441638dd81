// The sales order's costliest events on the demo database, through the reference host with the
// real plug-in bound: a customer change on a 200-row order (every row re-priced for the
// customer and given his item code, his balance and contact) and the save of a 500-row unchecked
// order (discount rates, delivery date, floor prices and credit, open quantities, then the
// purchase link and the contact write-back). Reports the statements the plug-in sent (every
// event of the action, cache hits excluded) and the calls it made to the host's components, per
// row, and the time of the whole action, host included.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

#include "bench/bench_host.h"
#include "frame/data_access.h"
#include "frame/plugin.h"
#include "frame/rules.h"
#include "host/form/bill_form.h"
#include "host/form/bill_template.h"

namespace {

using namespace qor;

// A new order of rows of the demo's priced items and units in turn, for 杭州联华.
struct OrderSetup : bench::BenchHost {
    std::shared_ptr<host::form::HostBillForm> bill;
    std::unique_ptr<IPlugIn> plugin;

    explicit OrderSetup(int rows) : BenchHost("order_events_" + std::to_string(rows)) {
        const auto* t = host::form::FindTemplate("order");
        if (!t) throw std::runtime_error("no sales order template");
        bill = host::form::HostBillForm::Create(*t, adapter.get());
        plugin = CreatePlugIn("QOR_XS_PlugIns.BillEvent_Order");
        if (!plugin) throw std::runtime_error("no sales order plug-in");
        plugin->Show(bill);
        bill->NewBill();
        while (bill->GridMaxDataRowNum() < rows) bill->AddRow();
        auto prices = db->Run("Select FItemID,FUnitID,FXSPrice From t_ItemPrice Order By FID");
        if (prices.rows.empty()) throw std::runtime_error("demo data without prices");
        bill->SetFieldValue("FCustID", 101);
        for (int r = 1; r <= rows; ++r) {
            const auto& p = prices.rows[static_cast<size_t>(r - 1) % prices.rows.size()];
            bill->SetFieldValue("FItemID", p[0], r);
            bill->SetFieldValue("FShowUnitID", p[1], r);
            bill->SetFieldValue("FPrice", p[2], r);
            bill->SetFieldValue("FShowQty", 2, r);
            bill->SetFieldValue("FInTaxAmount", p[2].ToNumber() * 2, r);
        }
    }
    ~OrderSetup() {
        plugin.reset();
        bill.reset();
    }
};

// The calls to the host's components since the given position, without the login's in-process
// property look-ups (no database behind them).
long ServiceCalls(OrderSetup& setup, size_t from) {
    const auto& calls = setup.host->Services().Calls();
    long n = 0;
    for (size_t i = from; i < calls.size(); ++i) {
        if (!IEquals(calls[i].progId, "QORMtsCacheService.CacheFacade") &&
            !IEquals(calls[i].progId, "QORPropsMgr.ShareProps"))
            ++n;
    }
    return n;
}

// Runs one host action per iteration; reports statements, component calls and time.
template <class Action>
void Measure(benchmark::State& state, OrderSetup& setup, int rows, Action action) {
    auto& gw = DataGateway::Instance();
    long statements = 0, calls = 0;
    double seconds = 0;
    long n = 0;
    for (auto _ : state) {
        const long before = gw.TotalStatements();
        const size_t callsBefore = setup.host->Services().Calls().size();
        const auto start = std::chrono::steady_clock::now();
        if (!action(n++)) state.SkipWithError("the host did not carry the action out");
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        statements += gw.TotalStatements() - before;
        calls += ServiceCalls(setup, callsBefore);
    }
    const double actions = static_cast<double>(state.iterations());
    state.counters["statements/row"] = statements / actions / rows;
    state.counters["calls/row"] = calls / actions / rows;
    state.counters["statements"] = statements / actions;
    state.counters["ms"] = seconds * 1e3 / actions;
}

void BM_OrderCustomerChangeOn200Rows(benchmark::State& state) {
    static OrderSetup setup(200);
    Measure(state, setup, 200,
            [&](long n) { return setup.bill->UserEdit("FCustID", -1, n % 2 ? 101 : 104).done; });
}
BENCHMARK(BM_OrderCustomerChangeOn200Rows)->Unit(benchmark::kMillisecond)->Iterations(10);

OrderSetup& SaveSetup() {
    static OrderSetup setup(500);
    return setup;
}

// The checks of the save alone, as the save's BeforeSave runs them.
void BM_OrderSaveValidationOf500Rows(benchmark::State& state) {
    auto& setup = SaveSetup();
    auto& plugin = dynamic_cast<PlugInBase&>(*setup.plugin);
    Measure(state, setup, 500, [&](long) {
        EventScope scope("m_BillInterface_BeforeSave");
        return !plugin.Rules()->Refuses(Stage::Save, plugin, setup.bill.get(), nullptr);
    });
}
BENCHMARK(BM_OrderSaveValidationOf500Rows)->Unit(benchmark::kMillisecond)->Iterations(10);

// The whole save: the checks, the host storing the order, the purchase link and the contact.
void BM_OrderSaveOf500Rows(benchmark::State& state) {
    auto& setup = SaveSetup();
    Measure(state, setup, 500, [&](long) {
        // Saved again, the order is still unchecked: every save runs the whole validation.
        setup.bill->SetBillStatus(2);
        return setup.bill->Save().done;
    });
}
BENCHMARK(BM_OrderSaveOf500Rows)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

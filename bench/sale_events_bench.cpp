// The sales bill's costliest field changes on a 200-row bill of the demo database, through the
// reference host with the real plug-in bound: choosing the item of row 200 (unit, tax, second
// unit, default stock, price, cost, customer's code and stock text) and changing the customer
// (every row re-priced and given the customer's item code). Reports the statements the plug-in
// sent during the whole user edit (every event it raised, cache hits excluded), the edit's time
// and the plug-in's share of it: the same edit on a second form without a plug-in is the host's
// own time, which the plug-in's share leaves out.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

#include "bench/bench_host.h"
#include "frame/data_access.h"
#include "frame/plugin.h"
#include "host/form/bill_form.h"
#include "host/form/bill_template.h"

namespace {

using namespace qor;

constexpr int kRows = 200;

struct SaleBillSetup : bench::BenchHost {
    std::shared_ptr<host::form::HostBillForm> bill;
    std::shared_ptr<host::form::HostBillForm> hostOnly;  // the same bill, no plug-in bound
    std::unique_ptr<IPlugIn> plugin;

    SaleBillSetup() : BenchHost("sale_events") {
        const auto* t = host::form::FindTemplate("sale");
        if (!t) throw std::runtime_error("no sales bill template");
        bill = host::form::HostBillForm::Create(*t, adapter.get());
        hostOnly = host::form::HostBillForm::Create(*t, adapter.get());
        plugin = CreatePlugIn("QOR_XS_PlugIns.BillEvent_Sale");
        if (!plugin) throw std::runtime_error("no sales bill plug-in");
        plugin->Show(bill);

        // The priced items and units of the demo in turn, in the main stock, for 杭州联华.
        auto prices = db->Run("Select FItemID,FUnitID From t_ItemPrice Order By FID");
        if (prices.rows.empty()) throw std::runtime_error("demo data without prices");
        for (auto* form : {bill.get(), hostOnly.get()}) {
            form->NewBill();
            while (form->GridMaxDataRowNum() < kRows) form->AddRow();
            form->SetFieldValue("FCustID", 101);
            for (int r = 1; r <= kRows; ++r) {
                const auto& p = prices.rows[static_cast<size_t>(r - 1) % prices.rows.size()];
                form->SetFieldValue("FItemID", p[0], r);
                form->SetFieldValue("FShowUnitID", p[1], r);
                form->SetFieldValue("FSCStockID", 501, r);
                form->SetFieldValue("FShowQty", 2, r);
            }
        }
    }
    ~SaleBillSetup() {
        plugin.reset();
        bill.reset();
        hostOnly.reset();
    }
};

SaleBillSetup& Setup() {
    static SaleBillSetup setup;
    return setup;
}

using Edit = bool (*)(host::form::HostBillForm& form, long n);

// Runs one user edit per iteration and reports statements and time per edit, and the same
// edits' time on the form without a plug-in.
void MeasureEdits(benchmark::State& state, Edit edit, double perRows = 1) {
    auto& setup = Setup();
    auto& gw = DataGateway::Instance();
    long statements = 0;
    double seconds = 0, hostSeconds = 0;
    long n = 0;
    for (auto _ : state) {
        const long before = gw.TotalStatements();
        auto start = std::chrono::steady_clock::now();
        if (!edit(*setup.bill, n)) state.SkipWithError("the host did not carry the edit out");
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        statements += gw.TotalStatements() - before;
        start = std::chrono::steady_clock::now();
        edit(*setup.hostOnly, n++);
        hostSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const double edits = static_cast<double>(state.iterations());
    state.counters["statements/edit"] = statements / edits;
    state.counters["ms/edit"] = seconds * 1e3 / edits;
    state.counters["plugin_ms/edit"] = (seconds - hostSeconds) * 1e3 / edits;
    if (perRows > 1) state.counters["statements/row"] = statements / edits / perRows;
}

void BM_SaleItemChangeOnRow200(benchmark::State& state) {
    // Two items in turn, so that every edit is a change.
    MeasureEdits(state, [](host::form::HostBillForm& form, long n) {
        return form.UserEdit("FItemID", kRows, n % 2 ? 1001 : 1003).done;
    });
}
BENCHMARK(BM_SaleItemChangeOnRow200)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_SaleCustomerChangeOn200Rows(benchmark::State& state) {
    MeasureEdits(
        state,
        [](host::form::HostBillForm& form, long n) {
            return form.UserEdit("FCustID", -1, n % 2 ? 101 : 102).done;
        },
        kRows);
}
BENCHMARK(BM_SaleCustomerChangeOn200Rows)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

// Re-pricing a 200-row sales bill on the demo database, as a customer change does: for every
// row the virtual-stock test, the default sales price and the customer's item code. Reports the
// statements sent per row (from the data gateway's counters, cache hits excluded) and the time
// per row, inside one event (the per-event cache answers repeated master-data reads) and, for
// comparison, outside any event (nothing cached). The SQLite statements the host's connection
// compiled (and had to compile again) per row show how well it reuses them.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "frame/data_access.h"
#include "frame/login.h"
#include "host/data_components.h"
#include "host/demo_db.h"
#include "host/form/bill_form.h"
#include "host/form/bill_template.h"
#include "host/form/linked_library.h"
#include "host/form/database_adapter.h"
#include "host/reference_host.h"
#include "services/price_lookup.h"
#include "services/stock_period.h"

namespace {

using namespace qor;

constexpr int kRows = 200;

// One demo database, host and sales bill for the whole run.
struct RepriceSetup {
    std::string path;
    std::unique_ptr<host::ReferenceHost> host;
    std::unique_ptr<host::form::DatabaseAdapter> adapter;
    std::shared_ptr<host::form::HostBillForm> bill;

    RepriceSetup() {
        path = (std::filesystem::temp_directory_path() /
                ("qor_reprice_" + std::to_string(::getpid()) + ".db"))
                   .string();
        host::CreateDemoDatabase(path);
        host = std::make_unique<host::ReferenceHost>(path);
        host->Attach(host::form::LinkedLibrary());
        auto db = host::OpenDatabase(path);
        adapter = std::make_unique<host::form::DatabaseAdapter>(*db);
        const auto* t = host::form::FindTemplate("sale");
        if (!t) throw std::runtime_error("no sales bill template");
        bill = host::form::HostBillForm::Create(*t, adapter.get());
        bill->NewBill();
        while (bill->GridMaxDataRowNum() < kRows) bill->AddRow();

        // Every priced item and unit of the demo in turn, for a customer with a type.
        auto prices = db->Run("Select FItemID,FUnitID From t_ItemPrice Order By FID");
        auto customer =
            db->Run("Select FItemID From t_Organization Where FTypeID>0 Order By FItemID");
        auto stock = db->Run("Select FItemID From t_Stock Where FTypeID<>502 Order By FItemID");
        if (prices.rows.empty() || customer.rows.empty() || stock.rows.empty())
            throw std::runtime_error("demo data without prices, customers or stocks");
        bill->SetFieldValue("FCustID", customer.rows[0][0]);
        for (int r = 1; r <= kRows; ++r) {
            const auto& p = prices.rows[static_cast<size_t>(r - 1) % prices.rows.size()];
            bill->SetFieldValue("FItemID", p[0], r);
            bill->SetFieldValue("FShowUnitID", p[1], r);
            bill->SetFieldValue("FSCStockID", stock.rows[0][0], r);
        }
    }
    ~RepriceSetup() {
        bill.reset();
        adapter.reset();
        host.reset();
        AttachPlatform(nullptr);
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }

    // The price rule of a row typed by hand, for every row.
    void RepriceAll() {
        IBillForm& form = *bill;
        const Value customer = form.GetFieldValue("FCustID");
        for (int r = 1; r <= kRows; ++r) {
            const Value stock = form.GetFieldValue("FSCStockID", r);
            double discount = 0, price = 0;
            if (!IsVirtualStock(stock)) {
                price = GetPromotionPrice(form.GetFieldValue("FItemID", r),
                                          form.GetFieldValue("FShowUnitID", r), customer, stock,
                                          form.GetFieldValue("FBatchNo", r), discount,
                                          IsSaleForIncludeTaxPrice());
            }
            if (price > 0) {
                form.SetFieldValue("FPrice", price, r);
                if (discount > 0) form.SetFieldValue("FDiscountRate", discount, r);
            }
            FillClientItemID(form, r);
        }
    }
};

RepriceSetup& Setup() {
    static RepriceSetup setup;
    return setup;
}

void Report(benchmark::State& state, long statements, long hits, double seconds,
            const host::StatementStats& before) {
    const double rows = static_cast<double>(state.iterations()) * kRows;
    const host::StatementStats after = host::OpenDatabase(Setup().path)->Stats();
    state.counters["statements/row"] = statements / rows;
    state.counters["cache_hits/row"] = hits / rows;
    state.counters["us/row"] = seconds * 1e6 / rows;
    state.counters["compiled/row"] = (after.prepared - before.prepared) / rows;
    state.counters["recompiled/row"] = (after.recompiled - before.recompiled) / rows;
    state.SetItemsProcessed(static_cast<int64_t>(rows));
}

void BM_RepriceSalesBillInOneEvent(benchmark::State& state) {
    auto& setup = Setup();
    auto& gw = DataGateway::Instance();
    long statements = 0, hits = 0;
    double seconds = 0;
    const host::StatementStats compiled = host::OpenDatabase(setup.path)->Stats();
    for (auto _ : state) {
        long hitsBefore = gw.CacheHits();
        auto start = std::chrono::steady_clock::now();
        {
            EventScope event("m_BillInterface_Change");
            setup.RepriceAll();
            statements += gw.StatementsThisEvent();
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        hits += gw.CacheHits() - hitsBefore;
    }
    Report(state, statements, hits, seconds, compiled);
}
BENCHMARK(BM_RepriceSalesBillInOneEvent)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_RepriceSalesBillWithoutCache(benchmark::State& state) {
    auto& setup = Setup();
    auto& gw = DataGateway::Instance();
    long statements = 0, hits = 0;
    double seconds = 0;
    const host::StatementStats compiled = host::OpenDatabase(setup.path)->Stats();
    for (auto _ : state) {
        long before = gw.TotalStatements(), hitsBefore = gw.CacheHits();
        auto start = std::chrono::steady_clock::now();
        setup.RepriceAll();  // outside any event nothing is cached
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        statements += gw.TotalStatements() - before;
        hits += gw.CacheHits() - hitsBefore;
    }
    Report(state, statements, hits, seconds, compiled);
}
BENCHMARK(BM_RepriceSalesBillWithoutCache)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();

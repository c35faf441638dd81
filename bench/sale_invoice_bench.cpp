// The sales bill list's invoice command over a selection of checked bills of one customer (two
// rows each) on the demo database, through the reference host with the real plug-in bound to
// the list: its checks, the buyer, the items' tax categories and the entries, up to the
// dictionary handed to the invoicing component. The component answers at once (its recording
// of the invoice is the host's work, not the plug-in's), so every run invoices the same bills.
// Reports the statements the plug-in sent per command and the command's time, for 20 and for
// 200 bills: the statements do not grow with the selection.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_host.h"
#include "frame/data_access.h"
#include "frame/plugin.h"
#include "host/form/bill_list.h"
#include "host/form/bill_template.h"

namespace {

using namespace qor;

constexpr int kBills = 200;
constexpr int kFirstID = 1000;

struct SaleListSetup : bench::BenchHost {
    std::shared_ptr<host::form::HostBillList> list;
    std::unique_ptr<IPlugIn> plugin;

    SaleListSetup() : BenchHost("sale_invoice") {
        // Checked deliveries of 北京京客隆, each with a rice cooker and an air conditioner.
        std::string bills, entries;
        for (int i = 0; i < kBills; ++i) {
            const std::string id = std::to_string(kFirstID + i);
            bills += std::string(bills.empty() ? "" : ",") + "(" + id + ",1030002,3001,'XB" + id +
                     "','2026-12-08',104,1,16394,2020,0,270.2,0)";
            for (int row = 1; row <= 2; ++row) {
                entries += std::string(entries.empty() ? "" : ",") + "(" +
                           std::to_string((kFirstID + i) * 10 + row) + "," + id + "," +
                           std::to_string(row) + "," + (row == 1 ? "1009" : "1010") +
                           ",3081,3081,1,1,1,100,100,113,100,13,100,13,113,501)";
            }
        }
        db->ExecScript(
            "Insert Into t_CC_StockBill (FID,FClassTypeID,FBillTypeID,FBillNo,FDate,FCustID,"
            "FStatus,FCheckerID,FInvoiceType,FInvoiceAmt,FAllAmount,FIsInit) Values " +
            bills +
            ";Insert Into t_CC_StockBillEntry (FEntryID,FID,FIndex,FItemID,FUnitID,FShowUnitID,"
            "FCoefficient,FQty,FShowQty,FPrice,FPriceDiscount,FTaxPrice,FDiscountRate,FTaxRate,"
            "FAmount,FTaxAmount,FInTaxAmount,FSCStockID) Values " +
            entries + ";");
        const auto* t = host::form::FindTemplate("sale");
        if (!t) throw std::runtime_error("no sales bill template");
        list = host::form::HostBillList::Create(*t, adapter.get());
        plugin = CreatePlugIn("QOR_XS_PlugIns.BillEvent_Sale");
        if (!plugin) throw std::runtime_error("no sales bill plug-in");
        plugin->Show(list);
        list->Open();
    }
    ~SaleListSetup() {
        plugin.reset();
        list.reset();
    }
};

SaleListSetup& Setup() {
    static SaleListSetup setup;
    return setup;
}

void BM_SaleListInvoiceOfSelectedBills(benchmark::State& state) {
    auto& setup = Setup();
    std::vector<int32_t> ids;
    for (int i = 0; i < state.range(0); ++i) ids.push_back(kFirstID + i);
    if (!setup.list->Select(ids).done) state.SkipWithError("the bills cannot be selected");
    auto& services = setup.host->Services();
    auto& gw = DataGateway::Instance();
    long statements = 0;
    double seconds = 0;
    for (auto _ : state) {
        services.QueueAnswer("QORInvoiceManage.InvoiceManage", "SaleBillMakeQvtInvoice",
                             {Value(true), std::nullopt});
        const size_t invoices =
            services.CallsTo("QORInvoiceManage.InvoiceManage", "SaleBillMakeQvtInvoice").size();
        const long before = gw.TotalStatements();
        const auto start = std::chrono::steady_clock::now();
        auto result = setup.list->ClickTool("mnu_MakeQvtInvoice");
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        statements += gw.TotalStatements() - before;
        if (!result.done ||
            services.CallsTo("QORInvoiceManage.InvoiceManage", "SaleBillMakeQvtInvoice").size() !=
                invoices + 1)
            state.SkipWithError("no invoice was handed over");
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["bills"] = static_cast<double>(ids.size());
    state.counters["statements/command"] = statements / runs;
    state.counters["ms/command"] = seconds * 1e3 / runs;
}
BENCHMARK(BM_SaleListInvoiceOfSelectedBills)
    ->Arg(20)
    ->Arg(kBills)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

}  // namespace

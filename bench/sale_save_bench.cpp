// The save validation of a 500-row sales delivery on the demo database with the real plug-in
// bound: plain goods, shelf-life goods in their stock batches (with the expiry option on), a
// batch item, a third of the rows drawn from a checked sales order (an entry each) and a fifth
// from a purchase receipt (an entry each). Reports the statements the plug-in sent per row inside
// the save event (cache hits excluded) and the time of the whole save validation.
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
#include "services/batch_shelflife.h"

namespace {

using namespace qor;

constexpr int kRows = 500;
constexpr int kOrder = 100;          // the sales order rows are drawn from
constexpr int kPurchase = 100;       // the purchase receipt rows are drawn from
constexpr int kFirstEntry = 1000;    // the order's entries, one per row
constexpr int kFirstReceipt = 3000;  // the receipt's entries, one per row

// The goods in turn, in their base units at their list prices.
struct Goods {
    int item;
    int unit;
    int stock;
    double price;
    const char* batch;
};
constexpr Goods kGoods[] = {
    {1001, 3011, 501, 2.0, ""},          {1003, 3031, 501, 3.5, ""},
    {1005, 3031, 503, 5.5, "B20261120"}, {1007, 3061, 501, 198, "SZ20260915"},
    {1008, 3071, 501, 6.5, "QD2026A01"}, {1005, 3031, 503, 5.5, "B20261128"},
    {1017, 3151, 501, 28, ""},           {1007, 3061, 501, 198, "SZ20261130"},
};

bool FromOrder(int row) {
    return row % 3 == 1;
}
bool FromPurchase(int row) {
    return !FromOrder(row) && row % 5 == 2;
}

struct SaleSaveSetup : bench::BenchHost {
    std::shared_ptr<host::form::HostBillForm> bill;
    std::unique_ptr<IPlugIn> plugin;

    SaleSaveSetup() : BenchHost("sale_save") {
        host->SetOption("IC", "IsPeriodDateExpireNotSale", "1");
        WriteSources();
        const auto* t = host::form::FindTemplate("sale");
        if (!t) throw std::runtime_error("no sales bill template");
        bill = host::form::HostBillForm::Create(*t, adapter.get());
        bill->SetToday("2026-12-10");
        plugin = CreatePlugIn("QOR_XS_PlugIns.BillEvent_Sale");
        if (!plugin) throw std::runtime_error("no sales bill plug-in");
        plugin->Show(bill);
        bill->NewBill();
        FillRows(*bill);
    }
    ~SaleSaveSetup() {
        plugin.reset();
        bill.reset();
    }

    // A checked order of 杭州联华 and a checked receipt, an entry for every row drawn from them,
    // each with plenty left open.
    void WriteSources() {
        std::string sql =
            "Insert Into t_XS_Order (FID, FBillTypeID, FBillNo, FDate, FCustID, FStatus) Values (" +
            std::to_string(kOrder) +
            ", 3031, 'SEORDBENCH', '2026-12-01', 101, 1);"
            "Insert Into t_CC_StockBill (FID, FClassTypeID, FBillTypeID, FBillNo, FDate, FStatus) "
            "Values (" +
            std::to_string(kPurchase) + ", 1020002, 2012, 'WINBENCH', '2026-12-01', 1);";
        // An entry of the source for the row: its item and unit, 100 open.
        const auto entry = [&](const char* table, const char* openColumn, int bill, int id, int r) {
            const Goods& g = kGoods[(r - 1) % std::size(kGoods)];
            return std::string("Insert Into ") + table +
                   " (FEntryID, FID, FIndex, FItemID, FUnitID, FShowUnitID, FCoefficient, FQty, "
                   "FShowQty, " +
                   openColumn + ") Values (" + std::to_string(id) + "," + std::to_string(bill) +
                   "," + std::to_string(r) + "," + std::to_string(g.item) + "," +
                   std::to_string(g.unit) + "," + std::to_string(g.unit) + ",1,100,100,100);";
        };
        for (int r = 1; r <= kRows; ++r) {
            if (FromOrder(r))
                sql += entry("t_XS_OrderEntry", "FUnSendQty", kOrder, kFirstEntry + r, r);
            if (FromPurchase(r))
                sql +=
                    entry("t_CC_StockBillEntry", "FUnRejectQty", kPurchase, kFirstReceipt + r, r);
        }
        db->ExecScript(sql);
    }

    void FillRows(host::form::HostBillForm& form) {
        while (form.GridMaxDataRowNum() < kRows) form.AddRow();
        form.SetFieldValue("FCustID", 101);
        form.SetFieldValue("FSettleLimitDate", "2026-12-31");
        for (int r = 1; r <= kRows; ++r) {
            const Goods& g = kGoods[(r - 1) % std::size(kGoods)];
            form.SetFieldValue("FItemID", g.item, r);
            form.SetFieldValue("FUnitID", g.unit, r);
            form.SetFieldValue("FShowUnitID", g.unit, r);
            form.SetFieldValue("FCoefficient", 1, r);
            form.SetFieldValue("FSCStockID", g.stock, r);
            form.SetFieldValue("FShowQty", 1, r);
            form.SetFieldValue("FQty", 1, r);
            form.SetFieldValue("FPrice", g.price, r);
            form.SetFieldValue("FDiscountRate", 100, r);
            form.SetFieldValue("FTaxRate", 13, r);
            form.SetFieldValue("FAmount", g.price, r);
            form.SetFieldValue("FTaxAmount", g.price * 0.13, r);
            form.SetFieldValue("FInTaxAmount", g.price * 1.13, r);
            if (FromOrder(r)) {
                form.SetFieldValue("FID_SRC", kOrder, r);
                form.SetFieldValue("FEntryID_SRC", kFirstEntry + r, r);
                form.SetFieldValue("FClassID_SRC", 1030001, r);
            } else if (FromPurchase(r)) {
                form.SetFieldValue("FID_SRC", kPurchase, r);
                form.SetFieldValue("FEntryID_SRC", kFirstReceipt + r, r);
                form.SetFieldValue("FClassID_SRC", 1020002, r);
            }
            if (*g.batch) {
                form.SetFieldValue("FBatchNo", g.batch, r);
                FillRowBatchInfo(form, r);
            }
        }
    }
};

SaleSaveSetup& Setup() {
    static SaleSaveSetup setup;
    return setup;
}

// The bill is not yet checked, so the whole validation runs.
void BM_SaleSaveValidation500Rows(benchmark::State& state) {
    bench::MeasureSaveChecks(state, *Setup().bill, *Setup().plugin, kRows);
}
BENCHMARK(BM_SaleSaveValidation500Rows)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

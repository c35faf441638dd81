// The save validation of a 500-row consignment delivery drawn from a checked sales order, each
// row from an entry of its own, on the demo database with the real plug-in bound: dates, every
// row against stock (batch rows among them), one batch one data, the order's open quantities,
// the total, price limits and credit. Reports the statements the plug-in sent per row inside
// the save event (cache hits excluded) and the time per row, for a new bill and for the same
// bill saved again (which gives its own saved quantities back to the order's entries), with
// the goods of ten items in turn and with an item of its own on every row.
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
constexpr int kOrder = 100;        // the sales order the rows are drawn from
constexpr int kFirstEntry = 1000;  // its entries, one per row
constexpr int kFirstCopy = 20000;  // the items of their own, one per row

// The goods in turn: plain items, and two batch-managed ones in their stock batches.
struct Goods {
    int item;
    int unit;
    int stock;
    const char* batch;
};
constexpr Goods kGoods[] = {
    {1001, 3011, 501, ""}, {1002, 3021, 501, ""},           {1003, 3031, 501, ""},
    {1004, 3041, 501, ""}, {1007, 3061, 501, "SZ20260915"}, {1008, 3071, 501, "QD2026A01"},
    {1017, 3151, 501, ""}, {1018, 3161, 501, ""},           {1019, 3171, 501, ""},
    {1020, 3181, 501, ""},
};

// One 500-row delivery of the goods above, new and saved again. With distinctItems each row
// carries an item of its own (a copy of the goods of its turn, with its stock batches), so that
// nothing a row asks about its item can be answered from what an earlier row asked: the worst
// case of the statements per row.
struct ConsignSaveSetup {
    bench::BenchHost base;
    bool distinctItems;
    std::shared_ptr<host::form::HostBillForm> fresh, saved;
    std::unique_ptr<IPlugIn> freshPlugIn, savedPlugIn;

    explicit ConsignSaveSetup(bool distinct)
        : base(distinct ? "consign_save_distinct" : "consign_save"), distinctItems(distinct) {
        if (distinctItems) WriteItemCopies();
        WriteSourceOrder();
        fresh = NewForm(freshPlugIn);
        FillRows(*fresh);
        // The same bill saved, then opened again.
        saved = NewForm(savedPlugIn);
        FillRows(*saved);
        if (!saved->Save().done) throw std::runtime_error("the bill could not be saved");
        if (!saved->LoadBill(saved->CurBillID()).done)
            throw std::runtime_error("the saved bill could not be loaded");
    }
    ~ConsignSaveSetup() {
        freshPlugIn.reset();
        savedPlugIn.reset();
        fresh.reset();
        saved.reset();
    }

    static const Goods& GoodsOf(int row) { return kGoods[(row - 1) % std::size(kGoods)]; }
    int ItemOf(int row) const { return distinctItems ? kFirstCopy + row : GoodsOf(row).item; }

    // For every row a copy of its goods under an identifier of its own, with the batches stock
    // holds of the original.
    void WriteItemCopies() {
        std::string sql;
        for (int r = 1; r <= kRows; ++r) {
            const std::string from = std::to_string(GoodsOf(r).item);
            const std::string to = std::to_string(ItemOf(r));
            sql += "Create Temp Table c As Select * From t_ICItem Where FItemID=" + from +
                   ";Update c Set FItemID=" + to + ",FNumber=FNumber||'-" + to +
                   "';Insert Into t_ICItem Select * From c;Drop Table c;";
            for (const char* table : {"t_cc_inventory", "T_CC_Stock_BatchNo"}) {
                sql += std::string("Create Temp Table c As Select * From ") + table +
                       " Where FItemID=" + from + ";Update c Set FID=NULL,FItemID=" + to +
                       ";Insert Into " + table + " Select * From c;Drop Table c;";
            }
        }
        base.db->ExecScript(sql);
    }

    // A checked order of 杭州联华 with one entry per row, each with plenty left to deliver.
    void WriteSourceOrder() {
        std::string sql =
            "Insert Into t_XS_Order (FID, FBillTypeID, FBillNo, FDate, FCustID, FStatus) Values "
            "(" +
            std::to_string(kOrder) + ", 3031, 'SEORDBENCH', '2026-12-01', 101, 1);";
        for (int r = 1; r <= kRows; ++r) {
            const Goods& g = GoodsOf(r);
            sql +=
                "Insert Into t_XS_OrderEntry (FEntryID, FID, FIndex, FItemID, FUnitID, "
                "FShowUnitID, FCoefficient, FQty, FShowQty, FUnSendQty) Values (" +
                std::to_string(kFirstEntry + r) + "," + std::to_string(kOrder) + "," +
                std::to_string(r) + "," + std::to_string(ItemOf(r)) + "," + std::to_string(g.unit) +
                "," + std::to_string(g.unit) + ",1,100,100,100);";
        }
        base.db->ExecScript(sql);
    }

    std::shared_ptr<host::form::HostBillForm> NewForm(std::unique_ptr<IPlugIn>& plugin) {
        const auto* t = host::form::FindTemplate("consign");
        if (!t) throw std::runtime_error("no consignment bill template");
        auto form = host::form::HostBillForm::Create(*t, base.adapter.get());
        form->SetToday("2026-12-10");
        plugin = CreatePlugIn("QOR_XS_PlugIns.BillEvent_Consign");
        if (!plugin) throw std::runtime_error("no consignment bill plug-in");
        plugin->Show(form);
        form->NewBill();
        return form;
    }

    // Rows drawn from the order's entries at the list price, the batch rows with their batch's
    // data from stock.
    void FillRows(host::form::HostBillForm& form) {
        while (form.GridMaxDataRowNum() < kRows) form.AddRow();
        form.SetFieldValue("FCustID", 101);
        for (int r = 1; r <= kRows; ++r) {
            const Goods& g = GoodsOf(r);
            const double price =
                base.db
                    ->Run("Select FXSPrice From t_ItemPrice Where FItemID=" +
                          std::to_string(g.item) + " And FUnitID=" + std::to_string(g.unit))
                    .rows.at(0)
                    .at(0)
                    .ToNumber();
            form.SetFieldValue("FItemID", ItemOf(r), r);
            form.SetFieldValue("FUnitID", g.unit, r);
            form.SetFieldValue("FShowUnitID", g.unit, r);
            form.SetFieldValue("FSCStockID", g.stock, r);
            form.SetFieldValue("FShowQty", 1, r);
            form.SetFieldValue("FQty", 1, r);
            form.SetFieldValue("FPrice", price, r);
            form.SetFieldValue("FPriceDiscount", price, r);
            form.SetFieldValue("FTaxRate", 13, r);
            form.SetFieldValue("FAmount", price, r);
            form.SetFieldValue("FTaxAmount", price * 0.13, r);
            form.SetFieldValue("FInTaxAmount", price * 1.13, r);
            form.SetFieldValue("FID_SRC", kOrder, r);
            form.SetFieldValue("FEntryID_SRC", kFirstEntry + r, r);
            form.SetFieldValue("FClassID_SRC", 1030001, r);
            form.SetFieldValue("FBillNo_SRC", "SEORDBENCH", r);
            if (*g.batch) {
                form.SetFieldValue("FBatchNo", g.batch, r);
                FillRowBatchInfo(form, r);
            } else {
                form.LockCell("FBatchNo", r, true);
            }
        }
    }
};

ConsignSaveSetup& Setup() {
    static ConsignSaveSetup setup(false);
    return setup;
}

ConsignSaveSetup& DistinctSetup() {
    static ConsignSaveSetup setup(true);
    return setup;
}

void BM_ConsignSaveValidation500Rows(benchmark::State& state) {
    bench::MeasureSaveChecks(state, *Setup().fresh, *Setup().freshPlugIn, kRows);
}
BENCHMARK(BM_ConsignSaveValidation500Rows)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ConsignSaveValidation500RowsSavedAgain(benchmark::State& state) {
    bench::MeasureSaveChecks(state, *Setup().saved, *Setup().savedPlugIn, kRows);
}
BENCHMARK(BM_ConsignSaveValidation500RowsSavedAgain)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ConsignSaveValidation500DistinctItems(benchmark::State& state) {
    bench::MeasureSaveChecks(state, *DistinctSetup().fresh, *DistinctSetup().freshPlugIn, kRows);
}
BENCHMARK(BM_ConsignSaveValidation500DistinctItems)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ConsignSaveValidation500DistinctItemsSavedAgain(benchmark::State& state) {
    bench::MeasureSaveChecks(state, *DistinctSetup().saved, *DistinctSetup().savedPlugIn, kRows);
}
BENCHMARK(BM_ConsignSaveValidation500DistinctItemsSavedAgain)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace

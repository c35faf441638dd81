// The save validation of a 500-row consignment delivery drawn from a checked sales order, each
// row from an entry of its own, on the demo database with the real plug-in bound: dates, every
// row against stock (batch rows among them), one batch one data, the order's open quantities,
// the total, price limits and credit. Reports the statements the plug-in sent per row inside
// the save event (cache hits excluded) and the time per row, for a new bill and for the same
// bill saved again (which gives its own saved quantities back to the order's entries).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "frame/data_access.h"
#include "frame/plugin.h"
#include "frame/rules.h"
#include "host/data_components.h"
#include "host/demo_db.h"
#include "host/form/bill_form.h"
#include "host/form/bill_template.h"
#include "host/form/database_adapter.h"
#include "host/form/linked_library.h"
#include "host/reference_host.h"
#include "services/batch_shelflife.h"

namespace {

using namespace qor;

constexpr int kRows = 500;
constexpr int kOrder = 100;        // the sales order the rows are drawn from
constexpr int kFirstEntry = 1000;  // its entries, one per row

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

struct ConsignSaveSetup {
    std::string path;
    std::unique_ptr<host::ReferenceHost> host;
    std::shared_ptr<host::Database> db;
    std::unique_ptr<host::form::DatabaseAdapter> adapter;
    std::shared_ptr<host::form::HostBillForm> fresh, saved;
    std::unique_ptr<IPlugIn> freshPlugIn, savedPlugIn;

    ConsignSaveSetup() {
        path = (std::filesystem::temp_directory_path() /
                ("qor_consign_save_" + std::to_string(::getpid()) + ".db"))
                   .string();
        host::CreateDemoDatabase(path);
        host = std::make_unique<host::ReferenceHost>(path);
        host->Attach(host::form::LinkedLibrary());
        db = host::OpenDatabase(path);
        adapter = std::make_unique<host::form::DatabaseAdapter>(*db);
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
        adapter.reset();
        db.reset();
        host.reset();
        AttachPlatform(nullptr);
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }

    // A checked order of 杭州联华 with one entry per row, each with plenty left to deliver.
    void WriteSourceOrder() {
        std::string sql =
            "Insert Into t_XS_Order (FID, FBillTypeID, FBillNo, FDate, FCustID, FStatus) Values "
            "(" +
            std::to_string(kOrder) + ", 3031, 'SEORDBENCH', '2026-12-01', 101, 1);";
        for (int r = 1; r <= kRows; ++r) {
            const Goods& g = kGoods[(r - 1) % std::size(kGoods)];
            sql +=
                "Insert Into t_XS_OrderEntry (FEntryID, FID, FIndex, FItemID, FUnitID, "
                "FShowUnitID, FCoefficient, FQty, FShowQty, FUnSendQty) Values (" +
                std::to_string(kFirstEntry + r) + "," + std::to_string(kOrder) + "," +
                std::to_string(r) + "," + std::to_string(g.item) + "," + std::to_string(g.unit) +
                "," + std::to_string(g.unit) + ",1,100,100,100);";
        }
        db->ExecScript(sql);
    }

    std::shared_ptr<host::form::HostBillForm> NewForm(std::unique_ptr<IPlugIn>& plugin) {
        const auto* t = host::form::FindTemplate("consign");
        if (!t) throw std::runtime_error("no consignment bill template");
        auto form = host::form::HostBillForm::Create(*t, adapter.get());
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
            const Goods& g = kGoods[(r - 1) % std::size(kGoods)];
            const double price =
                db->Run("Select FXSPrice From t_ItemPrice Where FItemID=" + std::to_string(g.item) +
                        " And FUnitID=" + std::to_string(g.unit))
                    .rows.at(0)
                    .at(0)
                    .ToNumber();
            form.SetFieldValue("FItemID", g.item, r);
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
    static ConsignSaveSetup setup;
    return setup;
}

// Runs the save checks of the form's plug-in once per iteration, as BeforeSave does.
void MeasureSaveChecks(benchmark::State& state, host::form::HostBillForm& form, IPlugIn& plugin) {
    auto& base = dynamic_cast<PlugInBase&>(plugin);
    auto& gw = DataGateway::Instance();
    long statements = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        bool refused = false;
        {
            EventScope event("m_BillInterface_BeforeSave");
            refused = base.Rules()->Refuses(Stage::Save, base, &form, nullptr);
            statements += gw.StatementsThisEvent();
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (refused) state.SkipWithError("the save checks refused the bill");
    }
    const double rows = static_cast<double>(state.iterations()) * kRows;
    state.counters["statements/row"] = statements / rows;
    state.counters["statements/save"] = statements / static_cast<double>(state.iterations());
    state.counters["us/row"] = seconds * 1e6 / rows;
    state.SetItemsProcessed(static_cast<int64_t>(rows));
}

void BM_ConsignSaveValidation500Rows(benchmark::State& state) {
    MeasureSaveChecks(state, *Setup().fresh, *Setup().freshPlugIn);
}
BENCHMARK(BM_ConsignSaveValidation500Rows)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ConsignSaveValidation500RowsSavedAgain(benchmark::State& state) {
    MeasureSaveChecks(state, *Setup().saved, *Setup().savedPlugIn);
}
BENCHMARK(BM_ConsignSaveValidation500RowsSavedAgain)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

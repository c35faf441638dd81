// Statement reuse on the host's database: the price lookup's batch, which drops and creates its
// work table on every call, run again and again on the demo database. Reports the SQLite
// statements run, compiled and compiled again per batch (none compiled once its texts are
// known: the work table expires nothing), and the time per batch with the connection holding
// the file's lock between statements (1) or taking it for each one (0).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "host/database.h"
#include "host/demo_db.h"

namespace {

using namespace qor;

struct DemoFile {
    std::string path;
    DemoFile() {
        path = (std::filesystem::temp_directory_path() /
                ("qor_reuse_" + std::to_string(::getpid()) + ".db"))
                   .string();
        host::CreateDemoDatabase(path);
    }
    ~DemoFile() {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
};

const std::string& DemoPath() {
    static DemoFile file;
    return file.path;
}

// The promotion-price batch of the sales price lookup for an item and unit that have one.
std::string PriceBatch(host::Database& db) {
    auto r = db.Run("select top 1 FItemID, FUnitID from t_LS_ItemPrice order by FItemID");
    if (r.rows.empty()) throw std::runtime_error("demo data without promotion prices");
    const std::string item = r.rows[0][0].ToString(), unit = r.rows[0][1].ToString();
    return "  Set NoCount On \r\n"
           "If Object_Id('Tempdb.dbo.#tmp') Is Not Null begin drop table #tmp end\r\n"
           "CREATE TABLE #tmp (FID int NOT NULL, FXSPrice decimal(23,10) NOT NULL )\r\n"
           "insert into #tmp Select l.FID,p.FXSPrice\r\n"
           "from t_LS_ItemPrice p \r\n"
           "left join t_LS_CX l on l.FBillNo=p.FXSBillNo\r\n"
           "left join T_LS_CX_Customer c on c.FBillNo=p.FXSBillNo\r\n"
           "Where p.FItemID=" +
           item + " and p.FBranchShop=0 and p.FUnitID=" + unit +
           "\r\n"
           "and (p.FXSBeginDate<='2026-12-10' and p.FXSEndDate>='2026-12-10') and "
           "(p.FXSBeginTime<='10:30:00' and p.FXSEndTime>='10:30:00')\r\n"
           "and c.FItemID is null\r\n"
           "select top 1 FXSPrice from #tmp order by FID desc";
}

void BM_PriceBatchRepeated(benchmark::State& state) {
    host::Database db(DemoPath());
    db.HoldLock(state.range(0) != 0);
    const std::string batch = PriceBatch(db);
    for (int i = 0; i < 2; ++i) db.Run(batch);  // the first creates #tmp, the second drops it
    const host::StatementStats before = db.Stats();
    for (auto _ : state) benchmark::DoNotOptimize(db.Run(batch));
    const host::StatementStats after = db.Stats();
    const double batches = static_cast<double>(state.iterations());
    const long compiled = after.prepared - before.prepared;
    state.counters["statements/batch"] = (compiled + after.reused - before.reused) / batches;
    state.counters["compiled/batch"] = compiled / batches;
    state.counters["recompiled/batch"] = (after.recompiled - before.recompiled) / batches;
    state.counters["lock_held"] = db.HoldsLock() ? 1 : 0;
}
BENCHMARK(BM_PriceBatchRepeated)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

// The reference host on a fresh demo database for a benchmark run: the database file (named
// after the benchmark, removed at the end), the host attached to the library, and the
// connection the host's bill forms store through.
#pragma once

#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "frame/data_access.h"
#include "frame/platform.h"
#include "frame/plugin.h"
#include "frame/rules.h"
#include "frame/value.h"
#include "host/data_components.h"
#include "host/demo_db.h"
#include "host/form/database_adapter.h"
#include "host/form/linked_library.h"
#include "host/reference_host.h"

namespace qor::bench {

struct BenchHost {
    std::string path;
    std::unique_ptr<host::ReferenceHost> host;
    std::shared_ptr<host::Database> db;
    std::unique_ptr<host::form::DatabaseAdapter> adapter;

    explicit BenchHost(const std::string& tag) {
        path = (std::filesystem::temp_directory_path() /
                ("qor_" + tag + "_" + std::to_string(::getpid()) + ".db"))
                   .string();
        host::CreateDemoDatabase(path);
        host = std::make_unique<host::ReferenceHost>(path);
        host->Attach(host::form::LinkedLibrary());
        db = host::OpenDatabase(path);
        adapter = std::make_unique<host::form::DatabaseAdapter>(*db);
    }
    ~BenchHost() {
        adapter.reset();
        db.reset();
        host.reset();
        AttachPlatform(nullptr);
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
    BenchHost(const BenchHost&) = delete;
    BenchHost& operator=(const BenchHost&) = delete;

    // The position of the next call to the host's components.
    size_t CallsSoFar() const { return host->Services().Calls().size(); }
    // The calls to the host's components since that position, without the login's in-process
    // property look-ups (no database behind them).
    long ServiceCallsSince(size_t from) const {
        const auto& calls = host->Services().Calls();
        long n = 0;
        for (size_t i = from; i < calls.size(); ++i) {
            if (!IEquals(calls[i].progId, "QORMtsCacheService.CacheFacade") &&
                !IEquals(calls[i].progId, "QORPropsMgr.ShareProps"))
                ++n;
        }
        return n;
    }
};

// Runs the save checks of the form's plug-in once per iteration, as BeforeSave does, and reports
// the statements the plug-in sent per row and per save inside the event (cache hits excluded)
// and the time per row and per save.
inline void MeasureSaveChecks(benchmark::State& state, IBillForm& form, IPlugIn& plugin, int rows) {
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
    const double saves = static_cast<double>(state.iterations());
    const double allRows = saves * rows;
    state.counters["statements/row"] = statements / allRows;
    state.counters["statements/save"] = statements / saves;
    state.counters["us/row"] = seconds * 1e6 / allRows;
    state.counters["ms/save"] = seconds * 1e3 / saves;
    state.SetItemsProcessed(static_cast<int64_t>(allRows));
}

}  // namespace qor::bench

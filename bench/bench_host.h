// The reference host on a fresh demo database for a benchmark run: the database file (named
// after the benchmark, removed at the end), the host attached to the library, and the
// connection the host's bill forms store through.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "frame/platform.h"
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
};

}  // namespace qor::bench

// A reference host on a fresh copy of the demo database, attached to the library, with the
// services' clock fixed on a working day of the demo year. Bill forms and lists of the host's
// templates are opened on the connection the host's components share (no plug-in bound: the
// tests call the services directly); rows a test needs are added through the database. One
// lives for a test, or for a suite whose tests share one database.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/platform.h"
#include "host/data_components.h"
#include "host/database.h"
#include "host/demo_db.h"
#include "host/form/bill_form.h"
#include "host/form/bill_template.h"
#include "host/form/linked_library.h"
#include "host/form/database_adapter.h"
#include "host/reference_host.h"
#include "host/sql/sqlite_functions.h"
#include "services/clock.h"

namespace qor::test {

class DemoHost {
public:
    // The moment the services' clock shows until a test sets another: a working day of the
    // demo year.
    static constexpr Date kWorkingDay{2026, 12, 10, 10, 30, 0};

    // A fresh demo database named after tag, in the temporary directory.
    explicit DemoHost(const std::string& tag = "svc") {
        static std::atomic<int> counter{0};
        path_ = (std::filesystem::temp_directory_path() /
                 ("qor_" + tag + "_" + std::to_string(::getpid()) + "_" +
                  std::to_string(++counter) + ".db"))
                    .string();
        host::CreateDemoDatabase(path_);
        host_ = std::make_unique<host::ReferenceHost>(path_);
        host_->Attach(host::form::LinkedLibrary());
        db_ = host::OpenDatabase(path_);
        adapter_ = std::make_unique<host::form::DatabaseAdapter>(*db_);
        DataGateway::Instance().Reset();
        SetNow(kWorkingDay);
    }
    ~DemoHost() {
        forms_.clear();
        adapter_.reset();
        db_.reset();
        host_.reset();
        AttachPlatform(nullptr);
        ResetLoginState();
        SetClockForTesting({});
        host::sql::SetFixedNow("");
        DataGateway::Instance().Reset();
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    DemoHost(const DemoHost&) = delete;
    DemoHost& operator=(const DemoHost&) = delete;

    host::ReferenceHost& Host() { return *host_; }
    host::Database& Db() { return *db_; }
    // What the host's bill forms and lists read and store through.
    host::form::IFormDatabase* FormDatabase() { return adapter_.get(); }
    // Plain SQLite statements, straight to the database (not through the library's gateway).
    void Exec(const std::string& script) { Db().ExecScript(script); }
    Value Scalar(const std::string& sql) {
        auto r = Db().Run(sql);
        return r.rows.empty() ? Value() : r.rows[0][0];
    }
    // Holds the host's clock still: the SQL layer, the forms' "today" and what the plug-ins
    // take for "now" all read it.
    void SetNow(const Date& now) { host::sql::SetFixedNow(FormatDateTime(now)); }

    // A new bill of the template's kind ("sale", "order", "salechange") with at least rows
    // rows; the form lives as long as the host.
    std::shared_ptr<host::form::HostBillForm> NewBill(const std::string& kind, int rows = 1) {
        const host::form::BillTemplate* t = host::form::FindTemplate(kind);
        if (!t) throw std::runtime_error("no bill template " + kind);
        auto form = host::form::HostBillForm::Create(*t, FormDatabase());
        form->NewBill();
        while (form->GridMaxDataRowNum() < rows) form->AddRow();
        forms_.push_back(form);
        return form;
    }

private:
    std::string path_;
    std::unique_ptr<host::ReferenceHost> host_;
    std::shared_ptr<host::Database> db_;
    std::unique_ptr<host::form::DatabaseAdapter> adapter_;
    std::vector<std::shared_ptr<host::form::HostBillForm>> forms_;
};

}  // namespace qor::test

// A reference host on a fresh copy of the demo database for one test, attached to the library,
// with the clock set to a working day of the demo year. Rows a test needs are added through the
// database; the bill forms are the host's own, without a plug-in bound.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "frame/data_access.h"
#include "frame/login.h"
#include "host/data_components.h"
#include "host/demo_db.h"
#include "host/form/bill_form.h"
#include "host/form/bill_template.h"
#include "host/form/database_adapter.h"
#include "host/reference_host.h"
#include "services/clock.h"

namespace qor::test {

class DemoHost {
public:
    DemoHost() {
        static int serial = 0;
        path_ = (std::filesystem::temp_directory_path() /
                 ("qor_svc_" + std::to_string(::getpid()) + "_" + std::to_string(++serial) + ".db"))
                    .string();
        host::CreateDemoDatabase(path_);
        host_ = std::make_unique<host::ReferenceHost>(path_);
        host_->Attach();
        DataGateway::Instance().Reset();
        SetNow({2026, 12, 10, 10, 30, 0});
    }
    ~DemoHost() {
        forms_.clear();
        adapter_.reset();
        host_.reset();
        AttachPlatform(nullptr);
        ResetLoginState();
        SetClockForTesting({});
        DataGateway::Instance().Reset();
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    DemoHost(const DemoHost&) = delete;
    DemoHost& operator=(const DemoHost&) = delete;

    host::ReferenceHost& Host() { return *host_; }
    host::Database& Db() { return *host::OpenDatabase(path_); }
    // Plain SQLite statements, straight to the database (not through the library's gateway).
    void Exec(const std::string& script) { Db().ExecScript(script); }
    Value Scalar(const std::string& sql) {
        auto r = Db().Run(sql);
        return r.rows.empty() ? Value() : r.rows[0][0];
    }
    void SetNow(const Date& now) {
        SetClockForTesting([now] { return now; });
    }

    // A new bill of the template's kind ("sale", "salechange") with rows empty rows.
    std::shared_ptr<host::form::HostBillForm> NewBill(const std::string& kind, int rows) {
        const auto* t = host::form::FindTemplate(kind);
        if (!t) throw std::runtime_error("no bill template " + kind);
        if (!adapter_) adapter_ = std::make_unique<host::form::DatabaseAdapter>(Db());
        auto bill = host::form::HostBillForm::Create(*t, adapter_.get());
        bill->NewBill();
        while (bill->GridMaxDataRowNum() < rows) bill->AddRow();
        forms_.push_back(bill);
        return bill;
    }

private:
    std::string path_;
    std::unique_ptr<host::ReferenceHost> host_;
    std::unique_ptr<host::form::DatabaseAdapter> adapter_;
    std::vector<std::shared_ptr<host::form::HostBillForm>> forms_;
};

}  // namespace qor::test

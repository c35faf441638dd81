// A reference host on a fresh demo database, attached to the library, with bill forms of the
// host's templates opened on it (no plug-in bound: the tests call the services directly).
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "frame/data_access.h"
#include "frame/platform.h"
#include "host/database.h"
#include "host/demo_db.h"
#include "host/form/bill_form.h"
#include "host/form/bill_template.h"
#include "host/form/database_adapter.h"
#include "host/reference_host.h"

namespace qor::test {

class DemoHost {
public:
    // A fresh demo database named after tag, in the temporary directory.
    explicit DemoHost(const std::string& tag) {
        static std::atomic<int> counter{0};
        path_ = (std::filesystem::temp_directory_path() /
                 ("qor_" + tag + "_" + std::to_string(::getpid()) + "_" +
                  std::to_string(counter++) + ".db"))
                    .string();
        host::CreateDemoDatabase(path_);
        host_ = std::make_unique<host::ReferenceHost>(path_);
        host_->Attach();
        db_ = std::make_unique<host::Database>(path_);
        adapter_ = std::make_unique<host::form::DatabaseAdapter>(*db_);
        DataGateway::Instance().Reset();
    }
    ~DemoHost() {
        DataGateway::Instance().Reset();
        AttachPlatform(nullptr);
        adapter_.reset();
        db_.reset();
        host_.reset();
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    DemoHost(const DemoHost&) = delete;
    DemoHost& operator=(const DemoHost&) = delete;

    host::ReferenceHost& Host() { return *host_; }
    host::Database& Db() { return *db_; }

    // A new bill of the template kind ("sale", "order", ...) with rows rows.
    std::shared_ptr<host::form::HostBillForm> NewBill(const std::string& kind, int rows = 1) {
        const host::form::BillTemplate* t = host::form::FindTemplate(kind);
        if (!t) throw std::runtime_error("no bill template " + kind);
        auto form = host::form::HostBillForm::Create(*t, adapter_.get());
        form->NewBill();
        while (form->GridMaxDataRowNum() < rows) form->AddRow();
        return form;
    }

private:
    std::string path_;
    std::unique_ptr<host::ReferenceHost> host_;
    std::unique_ptr<host::Database> db_;
    std::unique_ptr<host::form::DatabaseAdapter> adapter_;
};

}  // namespace qor::test

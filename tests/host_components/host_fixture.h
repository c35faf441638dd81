// A reference host on a fresh demo database, attached to the library, for each test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "frame/platform.h"
#include "host/demo_db.h"
#include "host/reference_host.h"

namespace qor::host::testing {

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = (std::filesystem::temp_directory_path() /
                 ("qor_components_" + std::to_string(::getpid()) + "_" + info->test_suite_name() +
                  "_" + info->name() + ".db"))
                    .string();
        CreateDemoDatabase(path_);
        host_ = std::make_unique<ReferenceHost>(path_);
        host_->Attach();
    }
    void TearDown() override {
        host_.reset();
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }

    ReferenceHost& host() { return *host_; }
    ServiceContext& services() { return host_->Services(); }
    ComponentPtr Create(const std::string& progId) {
        auto c = std::dynamic_pointer_cast<IComponent>(host_->Platform().CreateObject(progId));
        if (!c) throw std::runtime_error(progId + " is no component");
        return c;
    }
    Value Scalar(const std::string& sql) { return services().Scalar("", sql); }
    void Exec(const std::string& sql) { services().Exec("", sql); }
    const std::string& props() { return host_->PropsString(); }

private:
    std::string path_;
    std::unique_ptr<ReferenceHost> host_;
};

}  // namespace qor::host::testing

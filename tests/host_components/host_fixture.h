// A reference host on a fresh demo database, attached to the library, for each test.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "tests/support/demo_form.h"

namespace qor::host::testing {

class HostTest : public ::testing::Test {
protected:
    qor::test::DemoHost demo{"components"};

    ReferenceHost& host() { return demo.Host(); }
    ServiceContext& services() { return host().Services(); }
    ComponentPtr Create(const std::string& progId) {
        auto c = std::dynamic_pointer_cast<IComponent>(host().Platform().CreateObject(progId));
        if (!c) throw std::runtime_error(progId + " is no component");
        return c;
    }
    Value Scalar(const std::string& sql) { return services().Scalar("", sql); }
    double Num(const std::string& sql) { return Scalar(sql).ToNumber(); }
    std::string Text(const std::string& sql) { return Scalar(sql).ToString(); }
    void Exec(const std::string& sql) { services().Exec("", sql); }
    const std::string& props() { return host().PropsString(); }
    // A collection of the items given, as the plug-ins hand over rows and bills.
    static CollectionPtr ListOf(std::initializer_list<Value> items) {
        auto list = Collection::Make();
        for (const Value& v : items) list->Add("", v);
        return list;
    }
};

}  // namespace qor::host::testing

// A sales order form of the reference host on a fresh demo database with the real plug-in bound,
// and the demo's orders: SEORD000001 (FID 1, 杭州联华, checked, partly delivered), 2 (北京京客隆,
// checked, consigned, source of a purchase order), 3 (上海百联, saved and rejected), 4 (closed,
// fully delivered), 5 (a checked web order) and 6 (saved, with a deposit).
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/bills/field_checks.h"
#include "tests/support/bill_fixture.h"

namespace qor::test {

class OrderTest : public ::testing::Test {
protected:
    DemoHost demo{"order"};
    PlugInBill bill{demo, "order"};

    host::HostPlatform& Platform() { return demo.Host().Platform(); }
    host::ServiceContext& Services() { return demo.Host().Services(); }

    // A user edit that the host must carry out.
    void Edit(const std::string& key, int row, const Value& v) {
        auto r = bill.Edit(key, row, v);
        ASSERT_TRUE(r.done) << key << "@" << row << ": " << r.note
                            << (r.cancelled ? " cancelled by " + r.cancelledBy : "") << " "
                            << bill.Trapped();
    }
    void Edit(const std::string& key, const Value& v) { Edit(key, -1, v); }

    // A new order for 杭州联华 (101) with a row of copy paper (item 1017, 25 a pack) in packs.
    void NewPaperOrder(double qty = 4) {
        ASSERT_TRUE(bill.New().done);
        Edit("FCustID", Value(101));
        Edit("FItemID", 1, Value(1017));
        Edit("FPrice", 1, Value(25));
        Edit("FShowQty", 1, Value(qty));
    }

    // A new order for 杭州联华 (101) with the item on row 1.
    void NewOrderOf(int item) {
        ASSERT_TRUE(bill.New().done);
        Edit("FCustID", Value(101));
        Edit("FItemID", 1, Value(item));
    }
    void Saved() {
        auto r = bill.form->Save();
        ASSERT_TRUE(r.done) << r.note << (r.cancelled ? " cancelled by " + r.cancelledBy : "")
                            << " " << bill.Trapped();
    }

    // Expects each field of the row (-1 the header) to hold its value: a text or a number.
    void Expect(int row, Fields fields) {
        ExpectFields("@" + std::to_string(row), fields,
                     [&](const char* key) { return bill.form->GetFieldValue(key, row); });
    }
    // Expects the prompts shown since the last call to be these.
    void ExpectPrompts(const std::vector<std::string>& want) { EXPECT_EQ(Prompts(), want); }

    // The prompts of the message boxes shown since the last call.
    std::vector<std::string> Prompts() { return bill.TakePrompts(); }

    // Expects the action refused (cancelled) with these prompts, which are then forgotten.
    void ExpectRefused(const host::form::ActionResult& r, const std::vector<std::string>& prompts) {
        EXPECT_TRUE(r.cancelled) << r.note << " " << bill.Trapped();
        EXPECT_EQ(Prompts(), prompts);
    }

    long Count(const std::string& sql) { return static_cast<long>(demo.Scalar(sql).ToNumber()); }

    MenuToolPtr Tool(const std::string& key) { return bill.form->Menus().Tool(key); }
    bool Shown(const std::string& key) {
        auto t = Tool(key);
        return t && t->Visible();
    }
    bool Enabled(const std::string& key) {
        auto t = Tool(key);
        return t && t->Enabled();
    }
    // Expects each tool to be shown (enabled) or not.
    void ExpectShown(std::initializer_list<const char*> keys, bool shown) {
        for (const char* key : keys) EXPECT_EQ(Shown(key), shown) << key;
    }
    void ExpectEnabled(std::initializer_list<const char*> keys, bool enabled) {
        for (const char* key : keys) EXPECT_EQ(Enabled(key), enabled) << key;
    }
};

}  // namespace qor::test

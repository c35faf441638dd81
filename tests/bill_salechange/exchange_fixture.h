// An exchange bill form of the reference host on a fresh demo database with the real plug-in
// bound, beside a sales bill form with its own plug-in, so that one editing session can be
// replayed on both. The demo's exchange bills: XSHH000001 (FID 1, open) and XSHH000002 (FID 2,
// rejected); the demo's stock bill of FID 1 is a purchase receipt, not a bill of the exchange.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/bills/field_checks.h"
#include "tests/support/bill_fixture.h"

namespace qor::test {

// One edit of a session: key, row (-1 for the header) and value.
struct Step {
    std::string key;
    int row;
    Value value;
};

class ExchangeTest : public ::testing::Test {
protected:
    DemoHost demo{"exchange"};
    PlugInBill bill{demo, "salechange"};

    void SetUp() override { ASSERT_TRUE(bill.New().done); }

    // A user edit that the host must carry out.
    static void Apply(PlugInBill& on, const Step& step) {
        auto r = on.Edit(step.key, step.row, step.value);
        ASSERT_TRUE(r.done) << step.key << "@" << step.row << ": " << r.note
                            << (r.cancelled ? " cancelled by " + r.cancelledBy : "") << " "
                            << on.Trapped();
    }
    void Edit(const std::string& key, int row, const Value& v) { Apply(bill, {key, row, v}); }
    void Edit(const std::string& key, const Value& v) { Apply(bill, {key, -1, v}); }

    // A bill for 杭州联华 taking back two bottles of water at 40 (amount 80).
    void FillValidBill() {
        for (const Step& s : std::vector<Step>{{"FCustID", -1, Value(101)},
                                               {"FItemID", 1, Value(1001)},
                                               {"FShowQty", 1, Value(2)},
                                               {"FPrice", 1, Value(40)}})
            Apply(bill, s);
    }

    double Num(const std::string& key, int row = -1) { return bill.Num(key, row); }
    std::string Text(const std::string& key, int row = -1) { return bill.Text(key, row); }

    // Expects each field of the row (-1 the header) to hold its value: a text or a number.
    void Expect(int row, Fields fields) {
        ExpectFields("@" + std::to_string(row), fields,
                     [&](const char* key) { return bill.form->GetFieldValue(key, row); });
    }
    std::vector<std::string> Prompts() { return bill.TakePrompts(); }

    // Expects the action refused (cancelled) with these prompts, which are then forgotten.
    void ExpectRefused(const host::form::ActionResult& r, const std::vector<std::string>& prompts) {
        EXPECT_TRUE(r.cancelled) << r.note << " " << bill.Trapped();
        EXPECT_EQ(Prompts(), prompts);
    }
    long Count(const std::string& sql) { return static_cast<long>(demo.Scalar(sql).ToNumber()); }
};

}  // namespace qor::test

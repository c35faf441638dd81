// A consignment bill form of the reference host on a fresh demo database, with the real plug-in
// created by programmatic identifier and bound to it with Show, as the host does. The bill is
// new, dated on the demo's working day (2026-12-10, in the current period 2026/12).
//
// Demo bills used: the checked sales order SEORD000002 (FID 2) of 北京京客隆 (104), whose
// entries 4 (美的电饭煲 1009, 20 ordered, 14 not yet delivered) and 5 (坚果礼盒 1007, 30
// ordered, 20 not yet delivered, batch-managed, shelf life 180 days); the checked delivery
// WTDX000001 (FID 7) drawn from it, whose entries 12 (1009 x 6) and 13 (1007 x 10, batch
// SZ20260915) are open for return; the saved return WTDX000002 (FID 9) of 2 boxes of entry 13.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "frame/plugin.h"
#include "host/form/bill_form.h"
#include "tests/bills/field_checks.h"
#include "tests/support/bill_fixture.h"
#include "tests/support/demo_form.h"

namespace qor::test {

class ConsignBillTest : public ::testing::Test {
public:
    DemoHost demo{"consign"};
    std::unique_ptr<PlugInBill> consign;
    std::shared_ptr<host::form::HostBillForm> bill;

    void SetUp() override { OpenBill(); }

    // A new form with its own plug-in object, on a new bill.
    void OpenBill() {
        consign = std::make_unique<PlugInBill>(demo, "consign");
        bill = consign->form;
        bill->NewBill();
    }
    IPlugIn& Plugin() { return *consign->plugin; }

    // The consignment list with the plug-in bound to it too, the bills selected.
    host::form::HostBillList& ListOf(const std::vector<int32_t>& ids) {
        return consign->ListOf(ids);
    }

    // A user edit; the test fails when the host did not carry it out.
    void Edit(const std::string& key, const Value& value, int row = -1) {
        auto result = bill->UserEdit(key, row, value);
        ASSERT_TRUE(result.done) << key << "@" << row << ": " << result.note
                                 << (result.cancelled ? " cancelled by " + result.cancelledBy : "")
                                 << " " << PlugInError();
    }
    void EditRow(int row, const std::string& key, const Value& value) { Edit(key, value, row); }

    // A delivery to 京客隆 drawn from SEORD000002 within what the order leaves open, the nut
    // boxes in their batch.
    void DrawDelivery() {
        Edit("FCustID", 104);
        ASSERT_TRUE(bill->SelectSources(1030001, {{2, 0}}).done) << PlugInError();
        EditRow(1, "FShowQty", 14);
        EditRow(2, "FShowQty", 20);
        EditRow(2, "FBatchNo", "SZ20260915");
    }
    // A return of WTDX000001's rows, as drawn.
    void DrawReturn() {
        Edit("FCustID", 104);
        Edit("FBillTypeID", 3011);
        ASSERT_TRUE(bill->SelectSources(1030003, {{7, 0}}).done) << PlugInError();
    }

    double Num(const std::string& key, int row = -1) { return consign->Num(key, row); }
    std::string Text(const std::string& key, int row = -1) { return consign->Text(key, row); }

    // Expects each field of the row (-1 the header) to hold its value: a text or a number.
    void Expect(int row, Fields fields) {
        ExpectFields("@" + std::to_string(row), fields,
                     [&](const char* key) { return bill->GetFieldValue(key, row); });
    }
    long Count(const std::string& sql) { return static_cast<long>(demo.Scalar(sql).ToNumber()); }
    long Bills() { return Count("Select Count(*) From t_CC_StockBill Where FClassTypeID=1030003"); }

    MenuToolPtr Tool(const std::string& key) { return bill->Menus().Tool(key); }
    bool Shown(const std::string& key) { return Tool(key) && Tool(key)->Visible(); }
    bool Enabled(const std::string& key) { return Tool(key) && Tool(key)->Enabled(); }

    host::ServiceContext& Services() { return demo.Host().Services(); }
    void Answer(int button) { consign->Answer(Value(button)); }
    // The prompts of the message boxes shown since the last call.
    std::vector<std::string> TakePrompts() { return consign->TakePrompts(); }

    // Expects the action refused (cancelled) with these prompts, which are then forgotten.
    void ExpectRefused(const host::form::ActionResult& r, const std::vector<std::string>& prompts) {
        EXPECT_TRUE(r.cancelled) << r.note << " " << PlugInError();
        EXPECT_EQ(TakePrompts(), prompts);
    }
    // The plug-in's last trapped error ("" when none): a rule that threw shows here.
    std::string PlugInError() { return consign->Trapped(); }
};

}  // namespace qor::test

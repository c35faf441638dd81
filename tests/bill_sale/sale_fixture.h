// A sales bill form of the reference host on a fresh demo database, with the real plug-in
// created by programmatic identifier and bound to it with Show, as the host does. The bill is
// new, dated on the demo's working day.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "frame/plugin.h"
#include "host/form/bill_form.h"
#include "host/form/bill_template.h"
#include "tests/bills/field_checks.h"
#include "tests/support/demo_form.h"

namespace qor::test {

class SaleBillTest : public ::testing::Test {
protected:
    DemoHost demo{"sale"};
    std::shared_ptr<host::form::HostBillForm> bill;
    std::unique_ptr<IPlugIn> plugin;

    void SetUp() override { OpenBill(); }

    // A new form with its own plug-in object, on a new bill.
    void OpenBill() {
        plugin.reset();
        bill = host::form::HostBillForm::Create(*host::form::FindTemplate("sale"),
                                                demo.FormDatabase());
        bill->SetToday("2026-12-10");
        plugin = CreatePlugIn("QOR_XS_PlugIns.BillEvent_Sale");
        ASSERT_NE(plugin, nullptr);
        plugin->Show(bill);
        bill->NewBill();
    }

    // A user edit; the test fails when the host did not carry it out.
    void Edit(const std::string& key, const Value& value, int row = -1) {
        auto result = bill->UserEdit(key, row, value);
        ASSERT_TRUE(result.done) << key << "@" << row << ": " << result.note
                                 << (result.cancelled ? " cancelled by " + result.cancelledBy : "");
    }
    void EditRow(int row, const std::string& key, const Value& value) { Edit(key, value, row); }
    // A delivery of two cartons of drinking water to 联华, typed by hand.
    void TypeDelivery() {
        Edit("FCustID", "01.001");
        EditRow(1, "FItemID", "01.001");
        EditRow(1, "FSCStockID", 501);
        EditRow(1, "FPrice", 40);
        EditRow(1, "FShowQty", 2);
    }

    double Num(const std::string& key, int row = -1) {
        return bill->GetFieldValue(key, row).ToNumber();
    }
    std::string Text(const std::string& key, int row = -1) {
        return bill->GetFieldValue(key, row).ToString();
    }

    // Expects each field of the row (-1 the header) to hold its value: a text or a number.
    void Expect(int row, Fields fields) {
        ExpectFields("@" + std::to_string(row), fields,
                     [&](const char* key) { return bill->GetFieldValue(key, row); });
    }

    host::HostPlatform& Platform() { return demo.Host().Platform(); }
    MenuToolPtr Tool(const std::string& key) { return bill->Menus().Tool(key); }
    bool Shown(const std::string& key) { return Tool(key) && Tool(key)->Visible(); }
    bool Enabled(const std::string& key) { return Tool(key) && Tool(key)->Enabled(); }
    // Expects each tool to be shown (enabled) or not.
    void ExpectShown(std::initializer_list<const char*> keys, bool shown) {
        for (const char* key : keys) EXPECT_EQ(Shown(key), shown) << key;
    }
    void ExpectEnabled(std::initializer_list<const char*> keys, bool enabled) {
        for (const char* key : keys) EXPECT_EQ(Enabled(key), enabled) << key;
    }
    void Answer(int button) { Platform().QueueAnswer(Value(button)); }
    // The prompts of the message boxes shown so far.
    std::vector<std::string> Prompts() {
        std::vector<std::string> prompts;
        for (const auto& box : Platform().Boxes()) prompts.push_back(box.prompt);
        return prompts;
    }
    // The prompts shown so far, forgotten afterwards.
    std::vector<std::string> TakePrompts() {
        auto prompts = Prompts();
        Platform().ClearBoxes();
        return prompts;
    }

    // Expects the action refused (cancelled) with these prompts, which are then forgotten.
    void ExpectRefused(const host::form::ActionResult& r, const std::vector<std::string>& prompts) {
        EXPECT_TRUE(r.cancelled) << r.note << " " << PlugInError();
        EXPECT_EQ(TakePrompts(), prompts);
    }
    // The plug-in's last trapped error ("" when none): a rule that threw shows here.
    std::string PlugInError() {
        auto* base = dynamic_cast<PlugInBase*>(plugin.get());
        return base ? base->LastTrappedError() : "";
    }
};

}  // namespace qor::test

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
#include "host/form/bill_list.h"
#include "host/form/bill_template.h"
#include "tests/support/demo_form.h"

namespace qor::test {

class ConsignBillTest : public ::testing::Test {
public:
    DemoHost demo{"consign"};
    std::shared_ptr<host::form::HostBillForm> bill;
    std::shared_ptr<host::form::HostBillList> list;
    std::unique_ptr<IPlugIn> plugin;

    void SetUp() override { OpenBill(); }

    // A new form with its own plug-in object, on a new bill.
    void OpenBill() {
        plugin.reset();
        bill = host::form::HostBillForm::Create(Template(), demo.FormDatabase());
        bill->SetToday("2026-12-10");
        bill->SetUserID(16394);
        plugin = CreatePlugIn("QOR_XS_PlugIns.BillEvent_Consign");
        ASSERT_NE(plugin, nullptr);
        plugin->Show(bill);
        bill->NewBill();
    }
    static const host::form::BillTemplate& Template() {
        return *host::form::FindTemplate("consign");
    }

    // The consignment list with the plug-in bound to it too, the bills selected.
    host::form::HostBillList& ListOf(const std::vector<int32_t>& ids) {
        list = host::form::HostBillList::Create(Template(), demo.FormDatabase());
        list->SetUserID(16394);
        list->SetToday("2026-12-10");
        plugin->Show(list);
        list->Open();
        list->Select(ids);
        return *list;
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

    double Num(const std::string& key, int row = -1) {
        return bill->GetFieldValue(key, row).ToNumber();
    }
    std::string Text(const std::string& key, int row = -1) {
        return bill->GetFieldValue(key, row).ToString();
    }
    long Count(const std::string& sql) { return static_cast<long>(demo.Scalar(sql).ToNumber()); }
    long Bills() { return Count("Select Count(*) From t_CC_StockBill Where FClassTypeID=1030003"); }

    MenuToolPtr Tool(const std::string& key) { return bill->Menus().Tool(key); }
    bool Shown(const std::string& key) { return Tool(key) && Tool(key)->Visible(); }
    bool Enabled(const std::string& key) { return Tool(key) && Tool(key)->Enabled(); }

    host::HostPlatform& Platform() { return demo.Host().Platform(); }
    host::ServiceContext& Services() { return demo.Host().Services(); }
    void Answer(int button) { Platform().QueueAnswer(Value(button)); }
    // The prompts of the message boxes shown since the last call.
    std::vector<std::string> TakePrompts() {
        std::vector<std::string> prompts;
        for (const auto& box : Platform().Boxes()) prompts.push_back(box.prompt);
        Platform().ClearBoxes();
        return prompts;
    }
    // The plug-in's last trapped error ("" when none): a rule that threw shows here.
    std::string PlugInError() {
        auto* base = dynamic_cast<PlugInBase*>(plugin.get());
        return base ? base->LastTrappedError() : "";
    }
};

}  // namespace qor::test

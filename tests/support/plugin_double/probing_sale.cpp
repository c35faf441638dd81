// A stand-in sales bill for the scenario runner's tests of what plug-ins ask of the host's
// components and windows. Before a save it refuses a row without a discount rate (the message
// with its caption and buttons, the cursor on the cell), asks the stock service (code 3
// refuses, -1 warns) and the credit service; after a save it shows the help tip and has the
// barcodes updated; its two tools make an invoice of every row and open the related-record
// viewer.
#include "doubles.h"
#include "frame/login.h"
#include "frame/plugin.h"

namespace {

using qor::Args;
using qor::Collection;
using qor::CollectionPtr;
using qor::Value;

// Stands in for the sales bill and handles every event.
const qor::ClassFacts kProbingSale{"BillEvent_Sale", qor::EventSet().set(), false, nullptr};

class ProbingSale : public qor::PlugInBase {
public:
    ProbingSale() : PlugInBase(kProbingSale) {}

protected:
    void m_BillInterface_MenuBarInitialize(const qor::MenuBarPtr& bar) override {
        auto relate = bar->Band("mnuRelate");
        for (const auto& [key, caption] : {std::pair{"mnuRelatePushBill_3000001", "生成发票"},
                                           std::pair{"mnuQuerySale", "查询发货记录"}}) {
            auto tool = bar->CreateTool(key);
            tool->SetCaption(caption);
            if (relate) relate->AddTool(tool);
        }
    }

    void m_BillInterface_BeforeSave(bool& cancel) override {
        auto& bill = *m_BillInterface();
        int rows = bill.GridMaxDataRowNum();
        auto request = Request();
        auto lines = Collection::Make();
        for (int r = 1; r <= rows; ++r) {
            if (bill.GetFieldValue("FItemID", r).ToNumber() <= 0) continue;
            if (bill.GetFieldValue("FDiscountRate", r).ToNumber() <= 0) {
                qor::ShowMessage("第" + std::to_string(r) + "行折扣率必须大于0。", 64,
                                 qor::kMsgCaption);
                bill.SetActiveCell("FDiscountRate", r);
                cancel = true;
                return;
            }
            lines->Set(std::to_string(r),
                       Collection::Make({{"FItemID", bill.GetFieldValue("FItemID", r)},
                                         {"FSCStockID", bill.GetFieldValue("FSCStockID", r)},
                                         {"FBatchNo", bill.GetFieldValue("FBatchNo", r)},
                                         {"FQty", bill.GetFieldValue("FQty", r)}}));
        }
        request->Set("Rows", lines);
        auto stock = qor::CreateHostObject("QOR_CC_PlugIns.clsStockInfo");
        Args check{qor::GetPropsString(), "SAVE", request, ""};
        int code = static_cast<int>(stock->Call("CheckItemStockNum", check).ToNumber());
        if (code == 3 || code == -1) {
            qor::ShowMessage(check[3].ToString(), 64, qor::kMsgCaption);
            if (code == 3) {
                cancel = true;
                return;
            }
        }
        auto credit = qor::CreateHostObject("QORM_CC_PlugIns.PublicSysInfo");
        if (credit->Call("CheckCredit", {request, qor::GetPropsString()}).ToBool() &&
            !stock->Call("CreditSelectOK", {}).ToBool())
            cancel = true;
    }

    void m_BillInterface_AfterSave(const Value&) override {
        qor::CreateHostObject("QorHelpTip.HelpTip")
            ->Call("ShowPopTip", {"保存成功！", qor::kTipCaption});
        qor::CreateHostObject("QOREBSGLItem.clsBarCodeUpdate")
            ->Call("UpdateBarCode",
                   {qor::GetPropsString(), 1030002, m_BillInterface()->CurBillID()});
    }

    void m_BillInterface_MenuBarClick(const qor::MenuToolPtr& tool, bool&) override {
        auto& bill = *m_BillInterface();
        if (tool->Name() == "mnuQuerySale") {
            auto viewer = qor::CreateHostObject("QORClassLookUp.RelateBilllookUp");
            viewer->Call("Caption", {"查询发货记录"});
            viewer->Call("TitleName", {"销售退货单信息"});
            viewer->Call("SQL", {"Select FBillNo From t_CC_StockBill Where FClassTypeID=1030002 "
                                 "And FCustID=" +
                                 bill.GetFieldValue("FCustID").ToString()});
            viewer->Call("Show", {});
        } else if (tool->Name() == "mnuRelatePushBill_3000001") {
            auto dictionary = Collection::Make({{"eType", 3},
                                                {"BuyerID", bill.GetFieldValue("FCustID")},
                                                {"FRemark", bill.GetFieldValue("FExplanation")}});
            auto entries = Collection::Make();
            for (int r = 1; r <= bill.GridMaxDataRowNum(); ++r) {
                if (bill.GetFieldValue("FItemID", r).ToNumber() <= 0) continue;
                entries->Set(
                    std::to_string(r),
                    Collection::Make({{"FItemID", bill.GetFieldValue("FItemID", r)},
                                      {"Quantity", bill.GetFieldValue("FShowQty", r)},
                                      {"AmountIncTax", bill.GetFieldValue("FInTaxAmount", r)},
                                      {"FID_SRC", bill.CurBillID()},
                                      {"FEntryID_SRC", bill.GetFieldValue("FEntryID", r)},
                                      {"FClassID_SRC", 1030002},
                                      {"FBillNo_SRC", bill.GetFieldValue("FBillNo")}}));
            }
            dictionary->Set("Entries", entries);
            qor::CreateHostObject("QORInvoiceManage.InvoiceManage")
                ->Call("SaleBillMakeQvtInvoice", {dictionary});
        }
    }

private:
    CollectionPtr Request() {
        auto& bill = *m_BillInterface();
        double total = 0;
        for (int r = 1; r <= bill.GridMaxDataRowNum(); ++r)
            total += bill.GetFieldValue("FInTaxAmount", r).ToNumber();
        return Collection::Make({{"ClassTypeID", 1030002},
                                 {"BillInterID", bill.CurBillID()},
                                 {"BillNo", bill.GetFieldValue("FBillNo")},
                                 {"BillType", bill.GetFieldValue("FBillTypeID")},
                                 {"CustOrSupplyID", bill.GetFieldValue("FCustID")},
                                 {"AllAmount", total}});
    }
};

const qor::test_double::Register kSale(kProbingSale, [] { return new ProbingSale(); });

}  // namespace

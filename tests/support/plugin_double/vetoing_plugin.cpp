// A stand-in plug-in library for the scenario runner's own tests. Its sales order
// - asks before every save and vetoes the save when the user answers No (a message box, the
//   answer given and a cancelled host action in the transcript);
// - adds a reject tool shown only while the order is edited; the tool asks for the reason in
//   the platform's text dialog and, confirmed, marks the order rejected at the host's "now" and
//   saves it;
// - refuses the list's check of a rejected order with a message and Cancel;
// - names the row the grid cursor enters in status panel 2;
// - shows its state in the window's caption, adds a button "..." and a picture box beside the
//   contact box (the button fills the contact, the box shows a tip, typing into the contact box
//   is swallowed), and a tool with the shortcut F9 after a separator that totals the rows;
// - saves a bill with unsaved changes before it is printed.
// Every other class without a stand-in of its own is a bare frame object without handlers.
// It is built only for the tests.
#include "doubles.h"
#include "frame/data_access.h"
#include "frame/plugin.h"
#include "services/clock.h"

namespace {

using namespace qor;

// Stands in for the sales order and handles every event.
const ClassFacts kAskingOrder{"BillEvent_Order", EventSet().set(), false, nullptr};

class AskingOrder : public PlugInBase {
public:
    AskingOrder() : PlugInBase(kAskingOrder) {}

protected:
    void m_BillInterface_BeforeSave(bool& cancel) override {
        if (ShowMessage("确认保存这张订单吗？", 36, kMsgCaption) != kAnswerYes) cancel = true;
    }

    void m_BillInterface_MenuBarInitialize(const MenuBarPtr& bar) override {
        auto tool = bar->CreateTool("mnuReject");
        tool->SetCaption("驳回");
        if (auto band = bar->Band("mnuEdit")) band->AddTool(tool, "mnuEditCheck");
        auto sum = bar->CreateTool("mnuSumUp");
        sum->SetCaption("汇总");
        sum->SetShortcut("F9");
        if (auto band = bar->Band("BandToolBar")) {
            band->AddSeparator("mnuFileExit");
            band->AddTool(sum, "mnuFileExit");
        }
        IBillForm& bill = *m_BillInterface();
        bill.AddControl("CommandButton", "cmdContact", "FContact")
            ->SetProperty("Caption", Value("..."));
        bill.AddControl("PictureBox", "picTip", "FContact");
        ShowRejectTool();
    }
    void m_BillInterface_AfterNewBill() override {
        ShowRejectTool();
        ShowState();
    }
    // The frame hands the controls' events to the special-price bill only; the stand-in order
    // takes them straight from the host.
    void ControlClick(const std::string& name) override {
        if (IEquals(name, "cmdContact"))
            m_BillInterface()->SetFieldValue("FContact", Value("王经理"));
    }
    void ControlPaint(const std::string& name) override {
        std::vector<Value> line{Value("提示：联系人从客户资料带出")};
        m_BillInterface()->Control(name)->Call("Print", line);
    }
    void ControlKeyPress(const std::string& name, int& keyAscii) override {
        if (IEquals(name, "FContact")) keyAscii = 0;
    }
    // The row the cursor enters is named in status panel 2.
    void m_BillInterface_EntryGridRow(const std::vector<Value>& values) override {
        m_BillInterface()->SetStatusText(2, "第" + values.at(1).ToString() + "行");
    }
    void m_BillInterface_AfterLoadBill() override {
        ShowRejectTool();
        ShowState();
    }

    void m_BillInterface_MenuBarClick(const MenuToolPtr& tool, bool&) override {
        IBillForm& bill = *m_BillInterface();
        if (IEquals(tool->Name(), "mnuSumUp"))
            bill.SetFieldValue("FAllAmount",
                               Value(bill.ColumnTotal(bill.GetFieldInfoByKey("FInTaxAmount"))));
        if ((IEquals(tool->Name(), "mnuFilePrint") || IEquals(tool->Name(), "mnuFilePreview")) &&
            bill.BillForm()->IsDataChanged())
            bill.BillForm()->SaveBill();
        if (!IEquals(tool->Name(), "mnuReject")) return;
        TextDialog note;
        note.caption = "驳回原因";
        note.label = "请输入驳回原因：";
        note.text = bill.GetFieldValue("FRejectedNote").ToString();
        if (!Platform().ShowTextDialog(note) || Trim(note.text).empty()) return;
        bill.SetFieldValue("FRejectedNote", Value(note.text));
        bill.SetFieldValue("FRejectedTime", Value(FormatDateTime(CurrentDateTime())));
        bill.SetFieldValue("FRejected", Value("1"));
        bill.BillForm()->SaveBill();
    }

    void m_ListInterface_BusinessCheck(bool& cancel) override {
        auto selection = m_ListInterface()->Selection();
        for (const auto& [key, item] : *selection) {
            auto bill = item.As<Collection>();
            if (!bill) continue;
            std::string rejected =
                GetSQLValue("Select FRejected From t_XS_Order Where FClassTypeID=1030001 And FID=" +
                            SqlId(bill->Get("FID")));
            if (Trim(rejected) == "1") {
                ShowMessage("你选择的单据为驳回状态，不允许审核，请重新选择。");
                cancel = true;
                return;
            }
        }
    }

private:
    void ShowState() {
        int state = m_BillInterface()->BillStatus();
        m_BillInterface()->BillForm()->SetCaption(std::string("销售订单") + (state == 2 ? "[修改]"
                                                                             : state == 1
                                                                                 ? "[新增]"
                                                                                 : "[查看]"));
    }
    void ShowRejectTool() {
        m_BillInterface()->SetBarStatus("mnuReject", "Visible",
                                        m_BillInterface()->BillStatus() == 2);
    }
};

const qor::test_double::Register kOrder(kAskingOrder, [] { return new AskingOrder(); });

}  // namespace

extern "C" {

qor::IPlugIn* QOR_XS_CreateObject(const char* progId) {
    if (!progId) return nullptr;
    auto it = qor::test_double::Registry().find(progId);
    if (it != qor::test_double::Registry().end()) return it->second();
    // The other classes: bare frame objects.
    static const std::vector<qor::ClassFacts> bare = [] {
        std::vector<qor::ClassFacts> facts;
        for (const char* name : {"BillEvent_Sale", "BillEvent_SaleChange", "BillEvent_Consign",
                                 "BillEvent_TempConsign", "BillEvent_TempGJ", "BillEvent_XSCX"})
            facts.push_back({name, qor::EventSet(), false, nullptr});
        return facts;
    }();
    for (const auto& facts : bare)
        if (facts.ProgId() == progId) return new qor::PlugInBase(facts);
    return nullptr;
}

void QOR_XS_ReleaseObject(qor::IPlugIn* object) {
    delete object;
}

void QOR_XS_AttachPlatform(std::shared_ptr<qor::IPlatform>* platform) {
    qor::AttachPlatform(platform ? *platform : nullptr);
}

const char* QOR_XS_Version() {
    return "test";
}

int QOR_XS_ContractVersion() {
    return qor::kContractVersion;
}
}

#include "bills/sale/billevent_sale.h"

#include "bills/common/list_selection.h"
#include "bills/common/sales_bill_life.h"
#include "bills/common/sales_checks.h"
#include "bills/common/sales_header.h"
#include "bills/common/sales_rows.h"
#include "bills/sale/sale_invoice.h"
#include "bills/sale/sale_rules.h"
#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/rules.h"
#include "frame/trap.h"
#include "services/batch_shelflife.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/price_lookup.h"
#include "services/serial_numbers.h"
#include "services/system_options.h"
#include "services/transport_costs.h"

namespace qor {

const ClassFacts& BillEvent_Sale::ClassInfo() {
    static const ClassFacts facts{
        "BillEvent_Sale",
        EventsOf({Ev::AddNewRow,
                  Ev::AfterCopyBill,
                  Ev::AfterDeleteRow,
                  Ev::AfterDoAction2,
                  Ev::AfterFillRow,
                  Ev::AfterLoadBill,
                  Ev::AfterNewBill,
                  Ev::AfterSave,
                  Ev::AfterSelBill,
                  Ev::AfterSelBillBeforeFillData,
                  Ev::BeforeDeleteRow,
                  Ev::BeforeDoAction,
                  Ev::BeforeSave,
                  Ev::BeforeSelBills,
                  Ev::BeginEdit,
                  Ev::BusinessCheck,
                  Ev::Change,
                  Ev::EntryGridRow,
                  Ev::LostFocus,
                  Ev::MenuBarClick,
                  Ev::MenuBarInitialize,
                  Ev::UnBusinessCheck,
                  Ev::ListAfterMergeCopyBill,
                  Ev::ListBusinessCheck,
                  Ev::ListMenuBarClick,
                  Ev::ListMenuBarInitialize,
                  Ev::ListUnBusinessCheck}),
        /*offersUserProfile=*/true,
        [] { return std::unique_ptr<IPlugIn>(std::make_unique<BillEvent_Sale>()); }};
    return facts;
}

BillEvent_Sale::BillEvent_Sale() : PlugInBase(ClassInfo()) {
    right2010_ = CheckAccessRight(GetPropsString(), 15, 2010, 32, "");
}

BillEvent_Sale::~BillEvent_Sale() {
    Terminate();
}

const RuleBook* BillEvent_Sale::Book() const {
    static const RuleBook book = [] {
        RuleBook b;
        AddSaleChangeRules(b);
        AddSaleChecks(b);
        AddSaleTools(b);
        AddSaleOptionTools(b);
        AddSaleInvoiceTool(b);
        AddSaleListTools(b);
        return b;
    }();
    return &book;
}

namespace {

void ApplyOwnBillTypeLayout(IBillForm& bill) {
    ApplyBillTypeLayout(bill, bill.GetFieldValue("FBillTypeID"));
}

// The sales bill's balance of a loaded bill is asked with the sales order's right.
constexpr SalesBillPrep kSalePrep{kSaleProgId, kSaleInvoiceSection, &ApplyOwnBillTypeLayout,
                                  "QOR_XS_PlugIns.BillEvent_Order"};

// The Calculate actions after which the tax is what the amounts leave of the total.
bool TouchesAmounts(const std::string& expression) {
    return expression.find("FAmount=") != std::string::npos ||
           expression.find("FInTaxAmount=") != std::string::npos ||
           expression.find("FTaxAmount=") != std::string::npos;
}

// The host's tax-inclusive price formula that would move the list price: the discount rule of
// the tax-inclusive price decides instead whether the list price or the rate moves.
constexpr const char* kListPriceFromTaxPrice =
    "FPrice=FTaxPrice/(1+FTaxRate/100)*100/FDiscountRate";

}  // namespace

// ---- Rows ---------------------------------------------------------------------------------------

void BillEvent_Sale::m_BillInterface_AddNewRow(int, int row) {
    LockSerialNoFields(*m_BillInterface(), row, SerialCells::FollowItem);
}

void BillEvent_Sale::m_BillInterface_BeforeDeleteRow(int, int row, bool& cancel) {
    if (CheckSerialNumQty(*m_BillInterface(), row)) return;
    cancel = true;
    Report(Verdict::Refuse("分录商品中存在已被其他单据使用的S/N号，不能删除！"));
}

void BillEvent_Sale::m_BillInterface_AfterDeleteRow(int, int row) {
    if (rowDeletionPending_) {
        if (row != -1) return;
        rowDeletionPending_ = false;
    }
    SyncTransportCostTotal(*m_BillInterface());
}

void BillEvent_Sale::m_BillInterface_EntryGridRow(const std::vector<Value>& values) {
    if (values.size() < 2) return;
    RefreshRowStockInfo(*m_BillInterface(), SafeId(values[1]));
}

void BillEvent_Sale::m_BillInterface_BeginEdit(const Value&, const Value&, const Value&) {
    RefreshBillTypeTools(*m_BillInterface());
}

void BillEvent_Sale::m_BillInterface_MenuBarInitialize(const MenuBarPtr& menuBar) {
    PlugInBase::m_BillInterface_MenuBarInitialize(menuBar);
    if (!m_BillInterface()) return;
    CheckSaleOptionTools(*m_BillInterface(), menuBar);
    DressSaleTools(*m_BillInterface(), menuBar);
}

// ---- Save, check, uncheck -----------------------------------------------------------------------

void BillEvent_Sale::m_BillInterface_BeforeSave(bool& cancel) {
    PlugInBase::m_BillInterface_BeforeSave(cancel);
    action_.clear();
}

// ---- New, copied, loaded bills ------------------------------------------------------------------

void BillEvent_Sale::m_BillInterface_AfterNewBill() {
    PrepareNewSalesBill(*m_BillInterface(), kSalePrep);
}

void BillEvent_Sale::m_BillInterface_AfterCopyBill() {
    PrepareCopiedSalesBill(*m_BillInterface(), kSalePrep);
    ResetCopiedBill(*m_BillInterface());
}

void BillEvent_Sale::m_BillInterface_AfterLoadBill() {
    PrepareLoadedSalesBill(*m_BillInterface(), kSalePrep);
}

// ---- Source bills -------------------------------------------------------------------------------

void BillEvent_Sale::m_BillInterface_BeforeSelBills(const Value&, const Value&, const Value&,
                                                    std::string& condition, const Value&) {
    NarrowSourceBills(*m_BillInterface(), condition);
}

void BillEvent_Sale::m_BillInterface_AfterSelBillBeforeFillData(const Value& selection) {
    IBillForm& bill = *m_BillInterface();
    TakeSourceClassBillType(bill, selection);
    const Value type = bill.GetFieldValue("FBillTypeID");
    ApplyBillTypeLocks(bill, type);
    ApplyBillTypeLayout(bill, type);
}

void BillEvent_Sale::m_BillInterface_AfterFillRow(const Value& rowValue, const Value&, const Value&,
                                                  const Value&) {
    IBillForm& bill = *m_BillInterface();
    const int row = SafeId(rowValue);
    if (row < 1) return;
    PrepareFilledRow(bill, row);
    ApplyBillTypeLayout(bill, bill.GetFieldValue("FBillTypeID"));
    FocusOpenColumn(bill, row, true);
}

void BillEvent_Sale::m_BillInterface_AfterSelBill(const Value& selection) {
    FillFromSources(*m_BillInterface(), selection);
}

// ---- Host actions -------------------------------------------------------------------------------

void BillEvent_Sale::m_BillInterface_BeforeDoAction(const CollectionPtr&,
                                                    const CollectionPtr& itemProps, const Value&,
                                                    const std::string&, const std::string&,
                                                    const std::string& expression, bool& cancel) {
    const std::string action = Trim(expression);
    if (IEquals(action, kListPriceFromTaxPrice)) {
        cancel = true;
        return;
    }
    if (SuppressesBatchLockAction(itemProps, action)) cancel = true;
}

void BillEvent_Sale::m_BillInterface_AfterDoAction2(const CollectionPtr& fieldDesc,
                                                    const CollectionPtr&, const Value&,
                                                    const std::string& kind,
                                                    const std::string& type,
                                                    const std::string& expression) {
    if (!IEquals(kind, "FAction") || !IEquals(type, "Calculate") || !fieldDesc) return;
    const int row = SafeId(fieldDesc->Get("FRow"));
    if (row < 1) return;
    IBillForm& bill = *m_BillInterface();
    if (TouchesAmounts(expression)) {
        auto tax = bill.GetDataFldbyKey("FTaxAmount", row);
        if (tax && tax->Get("FModify").ToNumber() == 0) {
            bill.SetFieldValue("FTaxAmount",
                               bill.GetFieldValue("FInTaxAmount", row).ToNumber() -
                                   bill.GetFieldValue("FAmount", row).ToNumber(),
                               row);
        }
    }
    if (!IsIndustryMode()) return;
    if (IEquals(fieldDesc->Get("FKey").ToString(), "FShowQty")) {
        FillComplexQtyText(bill, row);
        return;
    }
    const double secQty = bill.GetFieldValue("FSecQty", row).ToNumber();
    if (bill.GetFieldValue("FCalTypeID", row).ToNumber() == 3 && secQty != 0)
        bill.SetFieldValue("FSecCoefficient",
                           bill.GetFieldValue("FShowQty", row).ToNumber() / secQty, row);
}

// ---- After saving -------------------------------------------------------------------------------

void BillEvent_Sale::m_BillInterface_AfterSave(const Value&) {
    IBillForm& bill = *m_BillInterface();
    KeepInvoiceTypeAsDefault(bill, kSalePrep);
    Trapped("contact write-back", [&] { WriteBackContact(bill); });
    Trapped("help tip", [&] {
        CreateHostObject<IComponent>("QorHelpTip.HelpTip")
            ->Call("ShowPopTip", {"保存成功！", kTipCaption});
    });
    Trapped("barcode update", [&] {
        CreateHostObject<IComponent>("QOREBSGLItem.clsBarCodeUpdate")
            ->Call("UpdateBarCode", {GetPropsString(), bill.FID(), bill.CurBillID()});
    });
    // The saved bill's tools: it can now be rejected, queried and followed on.
    ApplyBillTypeLayout(bill, bill.GetFieldValue("FBillTypeID"));
}

// ---- The list -----------------------------------------------------------------------------------

void BillEvent_Sale::m_ListInterface_MenuBarInitialize(const MenuBarPtr& menuBar) {
    PlugInBase::m_ListInterface_MenuBarInitialize(menuBar);
    ShowSaleListTools(menuBar);
}

// A copy made in the list is always a new, unchecked delivery.
void BillEvent_Sale::m_ListInterFace_AfterMergeCopyBill(const Value& mergedBill) {
    if (m_ListInterface()) ResetMergedCopyHeader(*m_ListInterface(), mergedBill, "3001");
}

// The public methods the list and the invoicing component call: the serial-number and batch
// checks, and GetSalePriceForQVT(item, unit, customer, stock, batch, discount, includeTax), the
// sales price for the invoice with the discount rate returned in discount.
bool BillEvent_Sale::InvokeOwn(const std::string& method, Args& args, Value& result) {
    return InvokeBillChecks(method, args, result, "T_CC_StockBillEntry") ||
           InvokeSalePriceForQVT(method, args, result);
}

}  // namespace qor

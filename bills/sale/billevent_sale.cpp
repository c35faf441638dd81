#include "bills/sale/billevent_sale.h"

#include "bills/common/sales_header.h"
#include "bills/common/sales_rows.h"
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
        AddSaleOptionTools(b);
        return b;
    }();
    return &book;
}

namespace {

std::string UserDefault(const char* section, const char* key) {
    return Trapped("UserDefault", std::string(), [&] { return ReadUserProfile(section, key); });
}

void MarkModified(IBillForm& bill, const char* key) {
    if (auto cell = bill.GetDataFldbyKey(key)) cell->Set("FModify", 1);
}

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

// The host's lock of the batch by costing method: it would lock the batch of a batch-managed
// item not costed by batch; such an item's batch is opened by the batch-manager action.
bool LocksBatchByCosting(const std::string& expression) {
    return IEquals(expression, "ME.FTrack<>80,FBatchNo=1,FBatchNo=0") ||
           IEquals(expression, "ME.FTrack<>80,FBatchNo1=1,FBatchNo1=0");
}

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
    if (m_BillInterface()) CheckSaleOptionTools(*m_BillInterface(), menuBar);
}

// ---- New, copied, loaded bills ------------------------------------------------------------------

void BillEvent_Sale::m_BillInterface_AfterNewBill() {
    IBillForm& bill = *m_BillInterface();
    const std::string invoiceType = Trim(UserDefault(kSaleInvoiceSection, "InvoiceType"));
    if (!invoiceType.empty()) {
        bill.SetFieldValue("FInvoiceType", invoiceType);
        MarkModified(bill, "FInvoiceType");
    }
    ApplySaleRights(bill);
    ApplyBillTypeLayout(bill, bill.GetFieldValue("FBillTypeID"));
    bill.SetFieldValue("FSettleLimitDate", bill.GetFieldValue("FDate"));
    MarkModified(bill, "FSettleLimitDate");
    ClearPageModifyFlags(bill);
    ApplyPriceAndTaxRights(bill);
}

void BillEvent_Sale::m_BillInterface_AfterCopyBill() {
    IBillForm& bill = *m_BillInterface();
    ApplySettleTerms(bill);
    // A copy of a bill made from an online order is no longer that order's bill.
    if (bill.GetFieldValue("FExplanation").ToString().find("由网上订单") != std::string::npos) {
        bill.SetFieldValue("FExplanation", "");
        bill.SetFieldValue("FNote", "");
    }
    bill.SetFieldValue("FInvoiceNO", "");
    ApplySaleRights(bill);
    ApplyBillTypeLayout(bill, bill.GetFieldValue("FBillTypeID"));
    if (IsIndustryMode()) RecalcBillEntries(bill);
    LockSerialNoFields(bill, 0);
    ApplyPriceAndTaxRights(bill);
}

void BillEvent_Sale::m_BillInterface_AfterLoadBill() {
    IBillForm& bill = *m_BillInterface();
    ShowCustomerBalance(bill, "QOR_XS_PlugIns.BillEvent_Order");
    ApplySaleRights(bill);
    ApplyBillTypeLayout(bill, bill.GetFieldValue("FBillTypeID"));
    // Payment: a bill saved with money received keeps its settlement method and account open;
    // the amount received itself is not changed on a stored bill.
    const bool paid = GetLookupData(bill, "FCurPayAmount").ToNumber() != 0;
    LockEntryCell(bill, "FBalanceStyle", !paid);
    LockEntryCell(bill, "FAcctNo", !paid);
    LockEntryCell(bill, "FCurPayAmount", true);
    if (IsIndustryMode()) RecalcBillEntries(bill);
    CheckSerialNumEntries(bill);
    ClearPageModifyFlags(bill);
    ApplyPriceAndTaxRights(bill);
    // A rejected bill can be neither checked, deleted nor copied; a checked one takes no goods.
    const bool rejected = bill.GetFieldValue("FRejected").ToNumber() != 0;
    bill.SetBarStatus("mnuEditCheck", "Visible", !rejected);
    bill.SetBarStatus("mnuEditFileDelete", "Visible", !rejected);
    bill.SetBarStatus("mnuEditCopy", "Enabled", !rejected);
    const bool open = bill.GetFieldValue("FStatus").ToNumber() == 0;
    bill.SetBarStatus("mnuBarCode", "Enabled", open);
    bill.SetBarStatus("mnuImportGoods", "Enabled", open);
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) FillComplexQtyText(bill, r);
}

// ---- Source bills -------------------------------------------------------------------------------

void BillEvent_Sale::m_BillInterface_BeforeSelBills(const Value&, const Value&, const Value&,
                                                    std::string& condition, const Value&) {
    const double type = m_BillInterface()->GetFieldValue("FBillTypeID").ToNumber();
    if (type == bt::kReturn) {
        condition += "  and  t_BaseBillTypeData2.FName ='销售发货'  ";
    } else if (type == bt::kConsignSettleReturn) {
        condition += "  and  t_BaseBillTypeData2.FName ='委托结算'  ";
    }
}

void BillEvent_Sale::m_BillInterface_AfterSelBillBeforeFillData(const Value& selection) {
    IBillForm& bill = *m_BillInterface();
    auto sel = selection.As<Collection>();
    const int32_t sourceClass = sel ? SafeId(sel->Get("FSourClassTypeID")) : 0;
    if (sourceClass == ct::kConsignBill) {
        bill.SetFieldValue("FBillTypeID", bt::kConsignSettle);
    } else if (sourceClass == ct::kSalesOrder) {
        bill.SetFieldValue("FBillTypeID", bt::kDelivery);
        // The invoice type of the (first) order selected.
        auto rows = sel->Sub("SelDat");
        auto first = rows && rows->Count() ? rows->ItemAt(1).As<Collection>() : nullptr;
        if (first) {
            const std::string type = GetSQLValue("Select FInvoiceType From t_XS_Order Where FID=" +
                                                 std::to_string(SafeId(first->Get("FID"))));
            if (!Trim(type).empty()) bill.SetFieldValue("FInvoiceType", type);
        }
    }
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
    if (LocksBatchByCosting(action) && itemProps && itemProps->Get("FIsBatchNoManage").ToBool())
        cancel = true;
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
    Trapped("default invoice type", [&] {
        WriteUserProfile(kSaleInvoiceSection, "InvoiceType",
                         bill.GetFieldValue("FInvoiceType").ToString());
    });
    Trapped("contact write-back", [&] { WriteBackContact(bill); });
    Trapped("help tip", [&] {
        CreateHostObject<IComponent>("QorHelpTip.HelpTip")
            ->Call("ShowPopTip", {"保存成功！", kTipCaption});
    });
    Trapped("barcode update", [&] {
        CreateHostObject<IComponent>("QOREBSGLItem.clsBarCodeUpdate")
            ->Call("UpdateBarCode", {GetPropsString(), bill.FID(), bill.CurBillID()});
    });
}

}  // namespace qor

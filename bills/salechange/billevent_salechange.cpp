#include "bills/salechange/billevent_salechange.h"

#include "bills/common/list_selection.h"
#include "bills/common/order_rows.h"
#include "bills/common/sales_bill_life.h"
#include "bills/common/sales_header.h"
#include "bills/common/sales_rows.h"
#include "bills/common/sales_tools.h"
#include "bills/sale/sale_invoice.h"
#include "bills/sale/sale_rules.h"
#include "bills/salechange/salechange_rules.h"
#include "frame/data_access.h"
#include "frame/rules.h"
#include "frame/trap.h"
#include "services/common.h"
#include "services/price_lookup.h"
#include "services/serial_numbers.h"
#include "services/transport_costs.h"

namespace qor {

const ClassFacts& BillEvent_SaleChange::ClassInfo() {
    static const ClassFacts facts{
        "BillEvent_SaleChange",
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
        [] { return std::unique_ptr<IPlugIn>(std::make_unique<BillEvent_SaleChange>()); }};
    return facts;
}

BillEvent_SaleChange::BillEvent_SaleChange() : PlugInBase(ClassInfo()) {}

BillEvent_SaleChange::~BillEvent_SaleChange() {
    Terminate();
}

const RuleBook* BillEvent_SaleChange::Book() const {
    static const RuleBook book = [] {
        RuleBook b;
        AddExchangeChangeRules(b);
        AddExchangeChecks(b);
        AddExchangeTools(b);
        return b;
    }();
    return &book;
}

bool BillEvent_SaleChange::InvokeOwn(const std::string& method, Args& args, Value& result) {
    return InvokeBillChecks(method, args, result, "t_cc_ChangeEntry") ||
           InvokeSalePriceForQVT(method, args, result);
}

namespace {

// The exchange bill has no layout by bill type: it never reads its bill type to shape the form.
constexpr SalesBillPrep kSaleChangePrep{kSaleChangeProgId, kSaleChangeInvoiceSection};

}  // namespace

// ---- Rows ---------------------------------------------------------------------------------------

void BillEvent_SaleChange::m_BillInterface_AddNewRow(int, int row) {
    LockSerialNoFields(*m_BillInterface(), row, SerialCells::FollowItem);
}

void BillEvent_SaleChange::m_BillInterface_BeforeDeleteRow(int, int row, bool& cancel) {
    if (CheckSerialNumQty(*m_BillInterface(), row)) return;
    cancel = true;
    Report(Verdict::Refuse("分录商品中存在已被其他单据使用的S/N号，不能删除！"));
}

void BillEvent_SaleChange::m_BillInterface_AfterDeleteRow(int, int) {
    SyncTransportCostTotal(*m_BillInterface());
}

void BillEvent_SaleChange::m_BillInterface_EntryGridRow(const std::vector<Value>& values) {
    if (values.size() < 2) return;
    RefreshRowStockInfo(*m_BillInterface(), SafeId(values[1]));
}

void BillEvent_SaleChange::m_BillInterface_BeginEdit(const Value&, const Value&, const Value&) {
    RefreshTools();
}

void BillEvent_SaleChange::m_BillInterface_MenuBarInitialize(const MenuBarPtr& menuBar) {
    PlugInBase::m_BillInterface_MenuBarInitialize(menuBar);
    DressSalesSideTools(menuBar);
}

// ---- New, copied, loaded bills ------------------------------------------------------------------

void BillEvent_SaleChange::m_BillInterface_AfterNewBill() {
    PrepareNewSalesBill(*m_BillInterface(), kSaleChangePrep);
}

void BillEvent_SaleChange::m_BillInterface_AfterCopyBill() {
    PrepareCopiedSalesBill(*m_BillInterface(), kSaleChangePrep);
    ResetCopiedBill(*m_BillInterface());
}

void BillEvent_SaleChange::m_BillInterface_AfterLoadBill() {
    PrepareLoadedSalesBill(*m_BillInterface(), kSaleChangePrep);
    RefreshTools();
}

// ---- Source bills -------------------------------------------------------------------------------

void BillEvent_SaleChange::m_BillInterface_BeforeSelBills(const Value&, const Value&, const Value&,
                                                          std::string& condition, const Value&) {
    NarrowSourceBills(*m_BillInterface(), condition);
}

void BillEvent_SaleChange::m_BillInterface_AfterSelBillBeforeFillData(const Value& selection) {
    IBillForm& bill = *m_BillInterface();
    TakeSourceClassBillType(bill, selection);
    ApplyBillTypeLocks(bill, bill.GetFieldValue("FBillTypeID"));
}

void BillEvent_SaleChange::m_BillInterface_AfterFillRow(const Value& rowValue, const Value&,
                                                        const Value&, const Value&) {
    IBillForm& bill = *m_BillInterface();
    const int row = SafeId(rowValue);
    if (row < 1) return;
    PrepareFilledRow(bill, row);
    const FieldSet& twin = FieldSet::Twin01();
    bill.SetFieldValue(twin["FBarcode"],
                       GetBarcodeByUnit(bill.GetFieldValue(twin["FItemID"], row),
                                        bill.GetFieldValue(twin["FShowUnitID"], row)),
                       row);
    FocusOpenColumn(bill, row, true);
}

void BillEvent_SaleChange::m_BillInterface_AfterSelBill(const Value& selection) {
    IBillForm& bill = *m_BillInterface();
    SourceFillSteps steps;
    steps.callerName = kSaleChangeProgId;
    steps.settleLimitDate = false;
    steps.shelfLifeDates = false;
    steps.billTypeLayout = false;
    FillFromSources(bill, selection, steps);
    if (Trim(bill.GetFieldValue("FAddress").ToString()).empty())
        FillDeliverAddress(bill, bill.GetFieldValue("FCustID"));
}

// ---- Host actions -------------------------------------------------------------------------------

void BillEvent_SaleChange::m_BillInterface_BeforeDoAction(
    const CollectionPtr&, const CollectionPtr& itemProps, const Value&, const std::string&,
    const std::string&, const std::string& expression, bool& cancel) {
    if (SuppressesBatchLockAction(itemProps, expression)) cancel = true;
}

void BillEvent_SaleChange::m_BillInterface_AfterDoAction2(const CollectionPtr& fieldDesc,
                                                          const CollectionPtr&, const Value&,
                                                          const std::string& kind,
                                                          const std::string& type,
                                                          const std::string& expression) {
    IBillForm& bill = *m_BillInterface();
    FollowHostFormula(bill, fieldDesc, kind, type, expression);
    TaxFollowsAmountFormula(bill, fieldDesc, kind, type, expression, FieldSet::Twin01());
}

// ---- Saving -------------------------------------------------------------------------------------

void BillEvent_SaleChange::m_BillInterface_AfterSave(const Value&) {
    IBillForm& bill = *m_BillInterface();
    KeepInvoiceTypeAsDefault(bill, kSaleChangePrep);
    Trapped("receive address write-back", [&] { WriteBackReceiveAddress(bill); });
}

// The receive address goes back to the contact chosen in the form's address box and to the
// address list entry of the same identifier. The address is a text the user typed: it enters
// the statements quoted, its own quotes doubled.
void WriteBackReceiveAddress(IBillForm& bill) {
    const std::string address = SqlValue(bill.GetFieldValue("FReceiveAddr").ToString());
    for (const auto& control : bill.Controls()) {
        if (!control || !IEquals(control->TypeName(), "EditPlus")) continue;
        const std::string name = Upper(control->Name());
        if (name.size() < 12 || name.compare(name.size() - 12, 12, "FRECEIVEADDR") != 0) continue;
        const Value chosen = control->GetProperty("ItemID");
        if (SafeId(chosen) <= 0) continue;
        const std::string id = SqlId(chosen);
        UpdateBatch("update t_Contact set FAddress=" + address + " where FID='" + id + "'");
        UpdateBatch("update t_SubMessage set FName=" + address + "  where FTypeID=66 and FID='" +
                    id + "'");
    }
}

// ---- List ---------------------------------------------------------------------------------------

// The list shows the host's check, uncheck, copy and waybill tools, and the logistics option's
// check marks as the user set them (the same setting as the sales bill list's).
void BillEvent_SaleChange::m_ListInterface_MenuBarInitialize(const MenuBarPtr& menuBar) {
    PlugInBase::m_ListInterface_MenuBarInitialize(menuBar);
    ShowSaleListTools(menuBar);
}

void BillEvent_SaleChange::m_ListInterFace_AfterMergeCopyBill(const Value& mergedBill) {
    if (m_ListInterface()) ResetMergedCopyHeader(*m_ListInterface(), mergedBill, "3001");
}

}  // namespace qor

#include "bills/consign/billevent_consign.h"

#include "bills/common/order_rows.h"
#include "bills/common/sales_header.h"
#include "bills/common/sales_rows.h"
#include "bills/consign/consign_rules.h"
#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/rules.h"
#include "services/batch_shelflife.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/price_lookup.h"
#include "services/serial_numbers.h"
#include "services/stock_period.h"
#include "services/system_options.h"
#include "services/transport_costs.h"

namespace qor {

const ClassFacts& BillEvent_Consign::ClassInfo() {
    static const ClassFacts facts{
        "BillEvent_Consign",
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
                  Ev::BeforeDoAction2,
                  Ev::BeforeSave,
                  Ev::BeginEdit,
                  Ev::BusinessCheck,
                  Ev::Change,
                  Ev::EntryGridRow,
                  Ev::MenuBarClick,
                  Ev::MenuBarInitialize,
                  Ev::UnBusinessCheck,
                  Ev::ListAfterMergeCopyBill,
                  Ev::ListBusinessCheck,
                  Ev::ListMenuBarClick,
                  Ev::ListMenuBarInitialize,
                  Ev::ListUnBusinessCheck}),
        /*offersUserProfile=*/true,
        [] { return std::unique_ptr<IPlugIn>(std::make_unique<BillEvent_Consign>()); }};
    return facts;
}

BillEvent_Consign::BillEvent_Consign() : PlugInBase(ClassInfo()) {}

BillEvent_Consign::~BillEvent_Consign() {
    Terminate();
}

const RuleBook* BillEvent_Consign::Book() const {
    static const RuleBook book = [] {
        RuleBook b;
        AddConsignChangeRules(b);
        AddConsignChecks(b);
        AddConsignTools(b);
        return b;
    }();
    return &book;
}

namespace {

void ApplyRights(IBillForm& bill) {
    ApplyCostAndInvoiceRights(bill, kConsignProgId);
}

}  // namespace

// ---- Rows ---------------------------------------------------------------------------------------

void BillEvent_Consign::m_BillInterface_AddNewRow(int, int row) {
    LockSerialNoFields(*m_BillInterface(), row, SerialCells::FollowItem);
}

// A row whose serial numbers later bills have taken stays.
void BillEvent_Consign::m_BillInterface_BeforeDeleteRow(int, int row, bool& cancel) {
    if (CheckSerialNumQty(*m_BillInterface(), row)) return;
    cancel = true;
    Report(Verdict::Refuse("分录商品中存在已被其他单据使用的S/N号，不能删除！"));
}

// The header freight follows the rows that remain.
void BillEvent_Consign::m_BillInterface_AfterDeleteRow(int, int) {
    SyncTransportCostTotal(*m_BillInterface());
}

void BillEvent_Consign::m_BillInterface_EntryGridRow(const std::vector<Value>& values) {
    if (values.size() < 2) return;
    RefreshRowStockInfo(*m_BillInterface(), SafeId(values[1]));
}

// ---- The host's formulas ------------------------------------------------------------------------

void BillEvent_Consign::m_BillInterface_BeforeDoAction(
    const CollectionPtr& fieldDesc, const CollectionPtr& itemProps, const Value&,
    const std::string& kind, const std::string& type, const std::string& expression, bool& cancel) {
    if (SuppressesConsignFormula(*m_BillInterface(), fieldDesc, itemProps, kind, type, expression))
        cancel = true;
}

void BillEvent_Consign::m_BillInterface_BeforeDoAction2(const CollectionPtr& fieldDesc,
                                                        const CollectionPtr&, const Value&,
                                                        const std::string& kind,
                                                        const std::string& type,
                                                        const std::string&) {
    LockSecondUnitByRow(*m_BillInterface(), fieldDesc, kind, type);
}

void BillEvent_Consign::m_BillInterface_AfterDoAction2(const CollectionPtr& fieldDesc,
                                                       const CollectionPtr&, const Value&,
                                                       const std::string& kind,
                                                       const std::string& type,
                                                       const std::string& expression) {
    FollowConsignFormula(*m_BillInterface(), fieldDesc, kind, type, expression);
}

// ---- New, loaded, copied bills ------------------------------------------------------------------

void BillEvent_Consign::m_BillInterface_AfterNewBill() {
    IBillForm& bill = *m_BillInterface();
    RefreshConsignBillState(bill);
    bill.SetStatusText(3, "");
    ApplyRights(bill);
    ClearPageModifyFlags(bill);
    ApplyPriceAndTaxRights(bill);
}

void BillEvent_Consign::m_BillInterface_AfterLoadBill() {
    IBillForm& bill = *m_BillInterface();
    RefreshConsignBillState(bill);
    ShowCustomerBalance(bill, kOrderProgId);
    ApplyRights(bill);
    if (IsIndustryMode()) RecalcBillEntries(bill);
    CheckSerialNumEntries(bill);
    ClearPageModifyFlags(bill);
    ApplyPriceAndTaxRights(bill);
    RefreshComplexQtyDisplay(bill);
}

void BillEvent_Consign::m_BillInterface_AfterCopyBill() {
    IBillForm& bill = *m_BillInterface();
    RefreshConsignBillState(bill);
    ApplyRights(bill);
    if (IsIndustryMode()) RecalcBillEntries(bill);
    LockSerialNoFields(bill);
    ApplyPriceAndTaxRights(bill);
}

void BillEvent_Consign::m_BillInterface_BeginEdit(const Value&, const Value&, const Value&) {
    RefreshRelateTools(*m_BillInterface());
}

void BillEvent_Consign::m_BillInterface_MenuBarInitialize(const MenuBarPtr& menuBar) {
    PlugInBase::m_BillInterface_MenuBarInitialize(menuBar);
    if (m_BillInterface()) DressConsignTools(*m_BillInterface(), menuBar);
}

// ---- Source bills -------------------------------------------------------------------------------

// The sources decide the type: sales orders give a delivery, deliveries a return.
void BillEvent_Consign::m_BillInterface_AfterSelBillBeforeFillData(const Value& selection) {
    IBillForm& bill = *m_BillInterface();
    auto sel = selection.As<Collection>();
    const int32_t sourceClass = sel ? SafeId(sel->Get("FSourClassTypeID")) : 0;
    if (sourceClass == ct::kConsignBill) {
        bill.SetFieldValue("FBillTypeID", bt::kConsignReturn);
    } else if (sourceClass == ct::kSalesOrder) {
        bill.SetFieldValue("FBillTypeID", bt::kConsign);
    }
    RefreshConsignBillState(bill);
}

void BillEvent_Consign::m_BillInterface_AfterFillRow(const Value& rowValue, const Value&,
                                                     const Value&, const Value&) {
    IBillForm& bill = *m_BillInterface();
    const int row = SafeId(rowValue);
    if (row < 1) return;
    RefreshSecUnitFields(bill, row);
    LockRowsBySource(bill, row, "FItemID", "FBatchNo", false, true);
    bill.SetFieldValue("FBarcode",
                       GetBarcodeByUnit(bill.GetFieldValue("FItemID", row),
                                        bill.GetFieldValue("FShowUnitID", row)),
                       row);
    if (IsIndustryMode()) RecalcBillEntries(bill);
}

namespace {

// With the account's option the explanation names the source bill.
void ExplainSource(IBillForm& bill) {
    if (Val(GetSystemProfileValue("IsExpSourceToTarget", "IC", "0")) == 0) return;
    int32_t source = SafeId(bill.GetFieldValue("FID_SRC"));
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows && source <= 0; ++r)
        source = SafeId(bill.GetFieldValue("FID_SRC", r));
    if (source <= 0) return;
    const std::string id = "'" + SqlId(source) + "'";
    if (IsConsignReturn(bill)) {
        const std::string number =
            GetSQLValue("select FBillNo from t_cc_stockbill where fid=" + id);
        bill.SetFieldValue("FExplanation", "由委托代销单" + number + "生成");
    } else {
        const std::string number = GetSQLValue("select FBillNo from t_xs_order where fid=" + id);
        bill.SetFieldValue("FExplanation", "由销售订单" + number + "生成");
    }
}

// A drawn row: its production date from the bill date where the source gave none and the user
// may change it, its default stock, its batch lock and its second quantity and price.
void PrepareDrawnRow(IBillForm& bill, int row, const std::optional<Date>& billDate) {
    const GoodsRow r(bill, row);
    if (billDate && !r.Locked("FKFDate") && !ReadKFDate(r.Get("FKFDate"))) {
        r.Put("FKFDate", FormatDate(*billDate));
        CalcKFDatesOn(bill, KFFieldSet::Of(), "FKFDate", row);
    }
    SetDefaultStock(bill, row, "FSCStockID");
    LockRowsBySource(bill, row, "FItemID", "FBatchNo", false, true);
    const double k = r.Num("FSecCoefficient");
    if (k != 0) r.Put("FSecQty", r.Num("FShowQty") / k);
    ApplySecPrice(r);
}

}  // namespace

void BillEvent_Consign::m_BillInterface_AfterSelBill(const Value&) {
    IBillForm& bill = *m_BillInterface();
    ExplainSource(bill);
    const auto billDate = ParseDate(Trim(bill.GetFieldValue("FDate").ToString()));
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        if (SafeId(bill.GetFieldValue("FItemID", r)) > 0) PrepareDrawnRow(bill, r, billDate);
    }
    ShowCustomerBalance(bill, kOrderProgId);
    if (Trim(bill.GetFieldValue("FAddress").ToString()).empty())
        FillDeliverAddress(bill, bill.GetFieldValue("FCustID"));
    if (IsIndustryMode()) {
        for (int r = 1; r <= rows; ++r) {
            const int32_t type = SafeId(bill.GetFieldValue("FCalTypeID", r));
            bill.SetFieldValue("FDisplayWeight",
                               bill.GetFieldValue(type == 1 || type == 2 ? "FQty" : "FSecQty", r),
                               r);
        }
    }
    GetOperatorEmpDept(bill, "2", 0);
    ApplyPriceAndTaxRights(bill);
}

// ---- The list -----------------------------------------------------------------------------------

void BillEvent_Consign::m_ListInterface_MenuBarInitialize(const MenuBarPtr& menuBar) {
    PlugInBase::m_ListInterface_MenuBarInitialize(menuBar);
    if (!menuBar) return;
    for (const char* key : {"mnuEditCheck", "mnuEditUnCheck", "mnuEditCopy"}) {
        if (auto tool = menuBar->Tool(key)) tool->SetVisible(true);
    }
}

// A copy made in the list is always an unchecked delivery.
void BillEvent_Consign::m_ListInterFace_AfterMergeCopyBill(const Value& mergedBill) {
    auto data = mergedBill.As<Collection>();
    auto info = m_ListInterface() ? m_ListInterface()->TableInfo() : nullptr;
    auto map = info ? info->Sub("Map") : nullptr;
    if (!data || !map) return;
    for (const auto& [key, value] :
         {std::pair<const char*, const char*>{"FStatus", "0"}, {"FBillTypeID", "3010"}}) {
        auto field = map->Sub(key);
        if (!field) continue;
        auto page = data->Sub("Page" + std::to_string(SafeId(field->Get("FPage"))));
        auto cell = page ? page->Sub(key) : nullptr;
        if (cell) cell->Set("FFLD", value);
    }
}

}  // namespace qor

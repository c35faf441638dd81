#include "bills/opening/billevent_tempgj.h"

#include <string>

#include "bills/common/entry_rows.h"
#include "bills/common/order_rows.h"
#include "bills/opening/opening_rules.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/rules.h"
#include "services/batch_shelflife.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/price_lookup.h"
#include "services/system_options.h"
#include "services/transport_costs.h"

namespace qor {

const ClassFacts& BillEvent_TempGJ::ClassInfo() {
    static const ClassFacts facts{
        "BillEvent_TempGJ",
        EventsOf({Ev::AddNewRow, Ev::AfterCopyBill, Ev::AfterDeleteRow, Ev::AfterDoAction2,
                  Ev::AfterFillRow, Ev::AfterLoadBill, Ev::AfterNewBill, Ev::BeforeDoAction,
                  Ev::BeforeSave, Ev::BeforLoadBillFillData, Ev::BusinessCheck, Ev::Change,
                  Ev::MenuBarClick, Ev::MenuBarInitialize, Ev::UnBusinessCheck,
                  Ev::ListBusinessCheck, Ev::ListMenuBarClick, Ev::ListMenuBarInitialize,
                  Ev::ListUnBusinessCheck}),
        /*offersUserProfile=*/false,
        [] { return std::unique_ptr<IPlugIn>(std::make_unique<BillEvent_TempGJ>()); }};
    return facts;
}

BillEvent_TempGJ::BillEvent_TempGJ() : OpeningBillBase(ClassInfo()) {}

BillEvent_TempGJ::~BillEvent_TempGJ() {
    Terminate();
}

double BillEvent_TempGJ::GetPurchasePrice(const Value& item, const Value& unit,
                                          const Value& supplier, double& discount) {
    const std::string itemUnit = SqlId(item) + " and FUnitID=" + SqlId(unit);
    double purchase = 0, latest = 0;
    if (auto rs = OpenRecordset("select FCGLatestPrice,FCGPrice from T_ItemPrice where FItemID=" +
                                itemUnit);
        rs && !rs->IsEOF())
        purchase = rs->Field("FCGPrice").ToNumber();
    if (auto rs = OpenRecordset("select FDiscountRate,FPrice from t_LatestPrice where FItemID=" +
                                itemUnit + " and FSupplyID>0 and FSupplyID=" + SqlId(supplier));
        rs && !rs->IsEOF()) {
        discount = rs->Field("FDiscountRate").ToNumber();
        latest = rs->Field("FPrice").ToNumber();
    }
    if (latest > 0) return latest;
    return purchase > 0 ? purchase : 0;
}

namespace {

using opening::kProvisional;

std::string RowText(int row) {
    return "第" + std::to_string(row);
}

double Total(IBillForm& bill, const char* key) {
    return bill.ColumnTotal(bill.GetFieldInfoByKey(key));
}

// The row's price from the header supplier for its item and unit.
void FetchPurchasePrice(FieldEdit& e) {
    double discount = e.Num("FDiscountRate");
    const double price = BillEvent_TempGJ::GetPurchasePrice(
        e.Get("FItemID"), e.Get("FShowUnitID"), e.bill.GetFieldValue("FSupplyID"), discount);
    e.Put("FDiscountRate", discount);
    e.Put("FPrice", price);
    DoFieldAction(e.bill, "FPrice", e.row, false);
}

void OnItemChosen(FieldEdit& e) {
    LockBatchUnlessManaged(e.bill, e.row);
    if (SafeId(e.Get("FItemID")) < 1) return;
    ApplyItemSecondUnit(e.bill, e.row);
    SetRowDefaultUnit(e.bill, e.row, "FSupplyID");
    FetchPurchasePrice(e);
    FollowShownUnit(e.bill, e.row);
}

// The tax of a row may be set freely: a tail goes to the amount, a larger change to the total.
void OnTaxAmount(FieldEdit& e) {
    const double tail = RoundDecimal(e.Num("FTaxAmount") - e.OldValue().ToNumber(), 10);
    if (tail >= -0.05 && tail <= 0.05)
        e.Put("FAmount", e.Num("FInTaxAmount") - e.Num("FTaxAmount"));
    else
        e.Put("FInTaxAmount", e.Num("FAmount") + e.Num("FTaxAmount"));
}

// ---- Save checks -------------------------------------------------------------------------------

Verdict RowPassesOpeningChecks(IBillForm& bill, int row) {
    const Value item = bill.GetFieldValue("FItemID", row);
    if (SafeId(item) <= 0) return Verdict::Refuse(RowText(row) + "行没有商品数据");
    if (IsKFPeriodItem(item)) {
        if (Verdict v = CheckKFFieldsFilled(bill, row); v.Refused()) return v;
    }
    if (!IsFieldLocked(bill, "FBatchNo", row) &&
        Trim(bill.GetFieldValue("FBatchNo", row).ToString()).empty())
        return Verdict::Refuse(RowText(row) + "行商品需要录入批号。").At("FBatchNo", row);
    if (Verdict v = opening::BatchAgreesWithStock(bill, row, kProvisional); v.Refused()) return v;
    if (!IsFieldLocked(bill, "FAuxPropID", row) && IsAuxItem(item) &&
        SafeId(bill.GetFieldValue("FAuxPropID", row)) == 0)
        return Verdict::Refuse(RowText(row) + "行商品需要录入辅助属性").At("FAuxPropID", row);
    // Nothing of an opening provisional receipt has been settled yet.
    bill.SetFieldValue("FUnSettleQty", bill.GetFieldValue("FShowQty", row), row);
    bill.SetFieldValue("FUnSettleAuxQty", bill.GetFieldValue("FSecQty", row), row);
    if (bill.GetFieldValue("FAmount", row).ToNumber() == 0)
        return Verdict::Refuse(RowText(row) + "行商品金额不能为零").At("FAmount", row);
    return Verdict::Pass();
}

Verdict SameBatchRowsAgree(IBillForm& bill) {
    const auto rows = GatherBatchRows(bill, BatchRowKeys::Of());
    if (!FindBatchRowConflict(rows, true)) return Verdict::Pass();
    bool withAux = false;
    for (const auto& r : rows) withAux = withAux || SafeId(r->Get("FAuxPropID")) > 0;
    return Verdict::Refuse(withAux
                               ? "同一批号商品的辅助属性、生产日期、保质期、有效期至必须完全一致。"
                               : "同一批号商品的生产日期、保质期、有效期至必须完全一致。");
}

// The rows' freight is the header freight and the maker's advance together. In application type 1
// the header freight is made to fit (the advance stays as entered).
Verdict FreightAddsUp(IBillForm& bill) {
    if (!IsIndustryMode()) return Verdict::Pass();
    const double rows = Total(bill, "FTranspotationCharges");
    const double advance = bill.GetFieldValue("FTotaladvanceCosts").ToNumber();
    if (RoundDecimal(rows - bill.GetFieldValue("FTranspotationCosts").ToNumber() - advance, 4) == 0)
        return Verdict::Pass();
    if (GetAppType() == 1) {
        bill.SetFieldValue("FTranspotationCosts", rows - advance);
        return Verdict::Pass();
    }
    return Verdict::Refuse("表头我方支付运杂费加厂家垫付运杂费之和与表体运杂费合计不相等！");
}

const CheckList& OpeningBillChecks() {
    static const CheckList checks{
        {"dated before the start period",
         [](CheckRun& run) { return opening::DatedBeforeStartPeriod(*run.bill, true); }},
        {"the total is above zero",
         [](CheckRun& run) {
             const double total = Total(*run.bill, "FAmount");
             if (total <= 0) return Verdict::Refuse("总金额必须大于零");
             run.bill->SetFieldValue("FAllAmount", total);
             return Verdict::Pass();
         }},
        {"every counted row complete, with an amount",
         [](CheckRun& run) {
             const int rows = GetEntryRowCount(*run.bill);
             for (int row = 1; row <= rows; ++row)
                 if (Verdict v = RowPassesOpeningChecks(*run.bill, row); v.Refused()) return v;
             return Verdict::Pass();
         }},
        {"rows of one batch agree", [](CheckRun& run) { return SameBatchRowsAgree(*run.bill); }},
        {"the rows' freight adds up", [](CheckRun& run) { return FreightAddsUp(*run.bill); }},
        {"every calculation-type row has its calculation type",
         [](CheckRun& run) {
             if (!IsIndustryMode()) return Verdict::Pass();
             return CheckCalTypeFilled(*run.bill) ? Verdict::Pass() : Verdict::Silent();
         }},
    };
    return checks;
}

}  // namespace

const RuleBook* BillEvent_TempGJ::Book() const {
    static const RuleBook book = [] {
        RuleBook b;
        b.OnChange("FSupplyID",
                   [](FieldEdit& e) { GetOperatorEmpDept(e.bill, "2", 0, e.NewValue()); })
            .OnChange("FEmpID", [](FieldEdit& e) { SetDeptByEmp(e.bill); })
            .OnChange("FItemID", &OnItemChosen)
            .OnChange("FShowUnitID",
                      [](FieldEdit& e) {
                          FetchPurchasePrice(e);
                          FollowShownUnit(e.bill, e.row);
                      })
            .OnChange("FUnitID", [](FieldEdit& e) { FollowShownUnit(e.bill, e.row); })
            .OnChange("FCoefficient", [](FieldEdit& e) { FollowShownUnit(e.bill, e.row); })
            .OnChange("FCalTypeID", &OnCalTypeChosen)
            .OnChange("FTaxAmount", &OnTaxAmount);
        AddOrderQtyPriceRules(b);
        opening::AddBatchRules(b, kProvisional);
        opening::AddFreightRules(b, {"FTranspotationCosts", "FTotaladvanceCosts"});

        b.Check(Stage::Save, "an unchecked bill passes the opening checks", [](CheckRun& run) {
            if (run.bill->GetFieldValue("FStatus").ToNumber() != 0) return Verdict::Pass();
            return RunChecks(OpeningBillChecks(), run);
        });
        AddCheckStages(b, kProvisional);
        opening::AddOpeningTools(b);
        b.OnClick("mnuEditCheck", [](ToolRun& run) {
             RemoveEmptyEntryRows(*run.bill);
             return Verdict::Pass();
         }).OnClick("mnuDataViewPrice", [](ToolRun&) {
            CreateHostObject<IComponent>("QORPriceMgr.Application")->Call("Show", {});
            return Verdict::Pass();
        });
        return b;
    }();
    return &book;
}

// ---- Lifecycle ---------------------------------------------------------------------------------

void BillEvent_TempGJ::m_BillInterface_AfterDoAction2(const CollectionPtr& fieldDesc,
                                                      const CollectionPtr&, const Value&,
                                                      const std::string& kind,
                                                      const std::string& type,
                                                      const std::string& expression) {
    FollowHostFormula(*m_BillInterface(), fieldDesc, kind, type, expression, false);
}

void BillEvent_TempGJ::m_BillInterface_BeforeDoAction(const CollectionPtr& fieldDesc,
                                                      const CollectionPtr&, const Value&,
                                                      const std::string& kind, const std::string&,
                                                      const std::string& expression, bool& cancel) {
    if (SuppressesHostFormula(*m_BillInterface(), fieldDesc, kind, expression, false))
        cancel = true;
}

void BillEvent_TempGJ::RefreshOpeningMenus() {
    IBillForm& bill = *m_BillInterface();
    bill.SetFieldValue("FBillTypeID", 2030);
    const bool unchecked = bill.GetFieldValue("FCheckerID").ToNumber() < 1;
    bill.SetBarStatus("mnuEditCheck", "Visible", unchecked);
    bill.SetBarStatus("mnuEditUnCheck", "Visible", !unchecked);
    bill.SetBarStatus("mnuEditCopy", "Enabled", true);
    bill.SetBarStatus("mnuEditAddRow", "Visible", true);
    bill.SetBarStatus("mnuCopyRow", "Visible", true);
    opening::ShowRelateByTableMap(bill);
    RefreshShareCostMenus(bill);
}

}  // namespace qor

#include "bills/opening/billevent_tempconsign.h"

#include <string>

#include "bills/common/order_rows.h"
#include "bills/opening/opening_bill.h"
#include "bills/opening/opening_rules.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/rules.h"
#include "services/batch_shelflife.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/price_lookup.h"
#include "services/stock_period.h"
#include "services/system_options.h"
#include "services/transport_costs.h"

namespace qor {

const ClassFacts& BillEvent_TempConsign::ClassInfo() {
    static const ClassFacts facts{
        "BillEvent_TempConsign",
        EventsOf({Ev::AddNewRow, Ev::AfterCopyBill, Ev::AfterDeleteRow, Ev::AfterDoAction2,
                  Ev::AfterFillRow, Ev::AfterLoadBill, Ev::AfterNewBill, Ev::AfterSave,
                  Ev::BeforeDoAction, Ev::BeforeSave, Ev::BusinessCheck, Ev::Change,
                  Ev::MenuBarClick, Ev::MenuBarInitialize, Ev::UnBusinessCheck,
                  Ev::ListBusinessCheck, Ev::ListMenuBarClick, Ev::ListMenuBarInitialize,
                  Ev::ListUnBusinessCheck}),
        /*offersUserProfile=*/false,
        [] { return std::unique_ptr<IPlugIn>(std::make_unique<BillEvent_TempConsign>()); }};
    return facts;
}

BillEvent_TempConsign::BillEvent_TempConsign() : OpeningBillBase(ClassInfo()) {}

BillEvent_TempConsign::~BillEvent_TempConsign() {
    Terminate();
}

bool BillEvent_TempConsign::IsIsVirtualStock(const Value& stock) {
    return IsVirtualStock(stock);
}

namespace {

using opening::kConsign;

std::string RowText(int row) {
    return "第" + std::to_string(row);
}

double Total(IBillForm& bill, const char* key) {
    return bill.ColumnTotal(bill.GetFieldInfoByKey(key));
}

// A row kept in a virtual stock carries no cost: its cost fields are locked.
void LockCostsByStock(IBillForm& bill, int row) {
    const bool virtualStock = IsVirtualStock(bill.GetFieldValue("FSCStockID", row));
    LockEntryCell(bill, "FCostPrice", virtualStock, false, 0, row);
    LockEntryCell(bill, "FCostAmount", virtualStock, false, 0, row);
}

// ---- Field changes -----------------------------------------------------------------------------

// A chosen item: its batch lock, the customer type's discount, the tax rate, the second unit,
// the default unit and sales price, its default stock with the cost lock, and its shelf life.
void OnItemChosen(FieldEdit& e) {
    IBillForm& bill = e.bill;
    const int row = e.row;
    LockBatchUnlessManaged(bill, row);
    ApplyCustomerTypeDiscount(bill, row);
    const Value item = e.Get("FItemID");
    if (SafeId(item) < 1) {
        e.Put("FUnitID", "");
        e.Put("FSecUnitID", "");
        for (const char* key : {"FAuxPropID", "FSecCoefficient", "FSecQty"})
            LockEntryCell(bill, key, true, false, 0, row);
        return;
    }
    const std::string taxRate = GetSQLValue(
        "select FValue from t_systemprofile where fcategory='General' And FKey='TaxRate'");
    if (!Trim(taxRate).empty()) e.Put("FTaxRate", Val(taxRate));
    ApplyItemSecondUnit(bill, row);
    SetRowDefaultUnit(bill, row, "FCustID");
    FetchRowPromotionPrice(bill, row);
    FillClientItemID(bill, row);
    const double coefficient = e.Num("FSecCoefficient");
    e.Put("FSecPrice", e.Num("FPrice") * coefficient);
    if (coefficient != 0) e.Put("FSecQty", e.Num("FShowQty") / coefficient);
    SetDefaultStock(bill, row, "FSCStockID");
    LockCostsByStock(bill, row);
    if (IsKFPeriodItem(item)) {
        const Value period = ReadItemColumn("Select FKFPeriod From t_ICItem Where FItemID=", item);
        if (!IsFieldLocked(bill, "FKFPeriod", row)) e.Put("FKFPeriod", period.ToNumber());
        if (!IsFieldLocked(bill, "FKFDate", row)) e.Put("FKFDate", bill.GetFieldValue("FDate"));
        auto produced = ReadKFDate(e.Get("FKFDate"));
        if (produced && !IsFieldLocked(bill, "FPeriodDate", row))
            e.Put("FPeriodDate",
                  FormatDate(AddDays(*produced, static_cast<long>(e.Num("FKFPeriod")))));
    }
}

void OnUnitChosen(FieldEdit& e) {
    FetchRowPromotionPrice(e.bill, e.row);
    FillClientItemID(e.bill, e.row);
    FollowShownUnit(e.bill, e.row);
}

// ---- Save checks -------------------------------------------------------------------------------

Verdict RowPassesOpeningChecks(IBillForm& bill, int row) {
    if (auto tax = bill.GetDataFldbyKey("FTaxAmount", row)) tax->Set("FModify", 1);
    const Value item = bill.GetFieldValue("FItemID", row);
    if (!IsFieldLocked(bill, "FAuxPropID", row) && IsAuxItem(item) &&
        SafeId(bill.GetFieldValue("FAuxPropID", row)) == 0)
        return Verdict::Refuse(RowText(row) + "行商品需要录入辅助属性").At("FAuxPropID", row);
    if (!IsFieldLocked(bill, "FBatchNo", row) &&
        Trim(bill.GetFieldValue("FBatchNo", row).ToString()).empty())
        return Verdict::Refuse(RowText(row) + "行商品需要录入批号").At("FBatchNo", row);
    if (IsKFPeriodItem(item)) {
        if (Verdict v = CheckKFFieldsFilled(bill, row); v.Refused()) return v;
    }
    if (Verdict v = opening::BatchAgreesWithStock(bill, row, kConsign); v.Refused()) return v;
    const double rate = bill.GetFieldValue("FDiscountRate", row).ToNumber();
    if (rate <= 0 || rate > 100)
        return Verdict::Refuse(RowText(row) + "行折扣率必须大于0小于等于100。")
            .At("FDiscountRate", row);
    if (!IsFieldLocked(bill, "FCostPrice", row) &&
        !IsVirtualStock(bill.GetFieldValue("FSCStockID", row))) {
        if (bill.GetFieldValue("FCostPrice", row).ToNumber() <= 0)
            return Verdict::Refuse(RowText(row) + "行商品的成本单价必须大于零")
                .At("FCostPrice", row);
        if (bill.GetFieldValue("FCostAmount", row).ToNumber() <= 0)
            return Verdict::Refuse(RowText(row) + "行商品的成本金额必须大于零")
                .At("FCostAmount", row);
    }
    // Nothing of an opening consignment has been returned or settled yet.
    const Value shown = bill.GetFieldValue("FShowQty", row);
    const Value second = bill.GetFieldValue("FSecQty", row);
    bill.SetFieldValue("FUnRejectQty", shown, row);
    bill.SetFieldValue("FUnSettleQty", shown, row);
    bill.SetFieldValue("FUnRejectAuxQty", second, row);
    bill.SetFieldValue("FUnSettleAuxQty", second, row);
    return Verdict::Pass();
}

const CheckList& OpeningBillChecks() {
    static const CheckList checks{
        {"dated before the start period",
         [](CheckRun& run) { return opening::DatedBeforeStartPeriod(*run.bill, false); }},
        {"every goods row complete, priced and costed",
         [](CheckRun& run) {
             IBillForm& bill = *run.bill;
             const int rows = GetEntryRowCount(bill);
             for (int row = 1; row <= rows; ++row) {
                 if (SafeId(bill.GetFieldValue("FItemID", row)) <= 0) continue;
                 if (Verdict v = RowPassesOpeningChecks(bill, row); v.Refused()) return v;
             }
             return Verdict::Pass();
         }},
        {"the total is not negative",
         [](CheckRun& run) {
             return Total(*run.bill, "FInTaxAmount") < 0 ? Verdict::Refuse("总金额不能小于零")
                                                         : Verdict::Pass();
         }},
        {"the rows' freight adds up to the header freight (a warning)",
         [](CheckRun& run) {
             IBillForm& bill = *run.bill;
             if (!IsIndustryMode()) return Verdict::Pass();
             const double rows = Total(bill, "FTranspotationCharges");
             if (RoundDecimal(rows - bill.GetFieldValue("FTranspotationCosts").ToNumber(), 4) == 0)
                 return Verdict::Pass();
             if (GetAppType() == 1)
                 bill.SetFieldValue("FTranspotationCosts", rows);
             else
                 ShowMessage("表头我方支付运杂费数据不等于表体运杂费合计！");
             return Verdict::Pass();
         }},
    };
    return checks;
}

bool Unchecked(IBillForm& bill) {
    return bill.GetFieldValue("FStatus").ToNumber() == 0;
}

}  // namespace

const RuleBook* BillEvent_TempConsign::Book() const {
    static const RuleBook book = [] {
        RuleBook b;
        b.OnChange("FCustID",
                   [](FieldEdit& e) { GetOperatorEmpDept(e.bill, "2", 0, e.NewValue()); })
            .OnChange("FItemID", &OnItemChosen)
            .OnChange("FShowUnitID", &OnUnitChosen)
            .OnChange("FCalTypeID", &OnCalTypeChosen)
            .OnChange("FTaxAmount", &OnTaxAmountTail)
            .OnChange("FBasePriceDiscount", &OnDisplayPriceSynced)
            .OnChange("FPriceDiscount", &OnPriceDiscountChanged)
            .OnChange("FBaseTaxPrice", &OnBaseTaxPriceChanged)
            .OnChange("FTaxPrice", &OnTaxPriceChanged)
            .OnChange("FSecTaxPrice", &OnDisplayPriceSynced)
            .OnChange("FEmpID", [](FieldEdit& e) { SetDeptByEmp(e.bill); });
        AddOrderQtyPriceRules(b);
        opening::AddBatchRules(b, kConsign, [](FieldEdit& e) { LockCostsByStock(e.bill, e.row); });
        opening::AddFreightRules(b, {"FTranspotationCosts"});

        b.Check(Stage::Save, "an unchecked bill passes the opening checks",
                [](CheckRun& run) {
                    IBillForm& bill = *run.bill;
                    if (!Unchecked(bill)) return Verdict::Pass();
                    Verdict v = RunChecks(OpeningBillChecks(), run);
                    if (v.Passed()) bill.SetFieldValue("FAllAmount", Total(bill, "FInTaxAmount"));
                    return v;
                })
            .Check(Stage::Save, "every calculation-type row has its calculation type",
                   [](CheckRun& run) {
                       if (!IsIndustryMode() || !Unchecked(*run.bill)) return Verdict::Pass();
                       return CheckCalTypeFilled(*run.bill) ? Verdict::Pass() : Verdict::Silent();
                   });
        AddCheckStages(b, kConsign);
        opening::AddOpeningTools(b);
        return b;
    }();
    return &book;
}

// ---- Lifecycle ---------------------------------------------------------------------------------

void BillEvent_TempConsign::AfterRowFilled(IBillForm& bill, int row) {
    LockCostsByStock(bill, row);
}

void BillEvent_TempConsign::m_BillInterface_AfterDoAction2(const CollectionPtr& fieldDesc,
                                                           const CollectionPtr&, const Value&,
                                                           const std::string& kind,
                                                           const std::string& type,
                                                           const std::string& expression) {
    FollowHostFormula(*m_BillInterface(), fieldDesc, kind, type, expression);
}

void BillEvent_TempConsign::m_BillInterface_BeforeDoAction(
    const CollectionPtr& fieldDesc, const CollectionPtr& itemProps, const Value&,
    const std::string& kind, const std::string&, const std::string& expression, bool& cancel) {
    if (opening::SuppressesBatchLock(itemProps, expression) ||
        SuppressesHostFormula(*m_BillInterface(), fieldDesc, kind, expression))
        cancel = true;
}

void BillEvent_TempConsign::m_BillInterface_MenuBarInitialize(const MenuBarPtr& menuBar) {
    PlugInBase::m_BillInterface_MenuBarInitialize(menuBar);
    if (auto tool = menuBar ? menuBar->Tool("mnuRelateViewVoucher") : nullptr)
        tool->SetVisible(false);
}

void BillEvent_TempConsign::RefreshOpeningMenus() {
    IBillForm& bill = *m_BillInterface();
    for (const char* key : {"mnuRelateViewVoucher", "mnuEditClose", "mnuEditUnClose"})
        bill.SetBarStatus(key, "Visible", false);
    for (const char* key : {"mnuEditFileSave", "mnuEditCopy"}) {
        bill.SetBarStatus(key, "Visible", true);
        bill.SetBarStatus(key, "Enabled", true);
    }
    const bool unchecked = Unchecked(bill);
    bill.SetBarStatus("mnuEditCheck", "Visible", unchecked);
    bill.SetBarStatus("mnuEditCheck", "Enabled", unchecked);
    bill.SetBarStatus("mnuEditUnCheck", "Visible", !unchecked);
    bill.SetBarStatus("mnuEditUnCheck", "Enabled", !unchecked);
    opening::ShowRelateByTableMap(bill);
    RefreshShareCostMenus(bill);
}

// IsIsVirtualStock(stock, result): result tells whether the stock is a virtual stock.
bool BillEvent_TempConsign::InvokeOwn(const std::string& method, Args& args, Value& result) {
    if (!IEquals(method, "IsIsVirtualStock")) return false;
    const bool isVirtual = !args.empty() && IsIsVirtualStock(args[0]);
    if (args.size() > 1) args[1] = isVirtual;
    result = Value(isVirtual);
    return true;
}

}  // namespace qor

#include "bills/opening/opening_rules.h"

#include <string>

#include "bills/common/entry_rows.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/platform.h"
#include "frame/plugin.h"
#include "services/batch_shelflife.h"
#include "services/common.h"
#include "services/system_options.h"
#include "services/transport_costs.h"

namespace qor::opening {

namespace {

BatchRowKeys KeysOf(const OpeningKind& kind) {
    BatchRowKeys keys = BatchRowKeys::Of();
    keys.stock = kind.stockKey;
    return keys;
}

}  // namespace

std::optional<Date> StartPeriodStartDate() {
    auto rs = OpenRecordset(JoinLines(
        {"SELECT FStartDate FROM t_PeriodDate WHERE ",
         " FYear =(SELECT CONVERT(INT, FValue) FROM t_SystemProfile WHERE FCategory = 'IC' AND "
         "FKey = 'StartYear' ) AND ",
         " FPeriod =(SELECT CONVERT(INT, FValue) FROM t_SystemProfile WHERE FCategory = 'IC' AND "
         "FKey = 'StartPeriod') "}));
    if (!rs || rs->IsEOF()) return std::nullopt;
    return ParseDate(rs->Field("FStartDate").ToString());
}

void DateBeforeStartPeriod(IBillForm& bill) {
    if (auto start = StartPeriodStartDate())
        bill.SetFieldValue("FDate", FormatDate(AddDays(*start, -1)));
}

Verdict DatedBeforeStartPeriod(IBillForm& bill, bool cursor) {
    auto start = StartPeriodStartDate();
    if (!start) return Verdict::Pass();
    auto date = ParseDate(Trim(bill.GetFieldValue("FDate").ToString()));
    // A bill without a readable date is not dated before the start period either.
    if (date && FormatDate(*date) < FormatDate(*start)) return Verdict::Pass();
    Verdict refusal = Verdict::Refuse("只能录入启用期间以前的单据");
    if (cursor) refusal.At("FDate");
    return refusal;
}

Verdict BatchAgreesWithStock(IBillForm& bill, int row, const OpeningKind& kind) {
    const std::string batch = Trim(bill.GetFieldValue("FBatchNo", row).ToString());
    if (batch.empty()) return Verdict::Pass();
    const bool auxLocked = IsFieldLocked(bill, "FAuxPropID", row);
    const BatchCompareResult found = CompareRowWithStock(bill, row, KeysOf(kind), !auxLocked);
    if (found.match != BatchMatch::DatesDiffer && found.match != BatchMatch::AuxDiffers)
        return Verdict::Pass();
    // The row takes the data the batch has in stock, where the user may change it.
    const BatchKFRecord& stock = found.recorded;
    if (!auxLocked) bill.SetFieldValue("FAuxPropID", stock.auxPropID, row);
    if (!IsFieldLocked(bill, "FKFDate", row)) bill.SetFieldValue("FKFDate", stock.kfDate, row);
    if (!IsFieldLocked(bill, "FPeriodDate", row))
        bill.SetFieldValue("FPeriodDate", stock.periodDate, row);
    if (!IsFieldLocked(bill, "FKFPeriod", row))
        bill.SetFieldValue("FKFPeriod", stock.kfPeriod, row);
    return Verdict::Refuse("批号为" + batch + "的第" + std::to_string(row) + "行商品," +
                           (auxLocked
                                ? "与库存中同批号商品的生产日期、保质期或有效期至不同。"
                                : "与库存中同批号商品的辅助属性、生产日期、保质期或有效期至不同。"))
        .At("FBatchNo", row);
}

namespace {

std::string CheckOne(const OpeningKind& kind, const Value& billID, bool checking) {
    auto update = CreateHostObject<IComponent>(kind.component);
    Args args{Value(""), Value(checking), billID, Value(GetPropsString())};
    if (update->Call("CheckBill", args).ToBool()) return "";
    const std::string message = Trim(args[0].ToString());
    // A refusal the component does not explain still refuses.
    return message.empty() ? " " : message;
}

Verdict VerdictOf(const std::string& failure) {
    if (failure.empty()) return Verdict::Pass();
    return Trim(failure).empty() ? Verdict::Silent() : Verdict::Refuse(failure);
}

}  // namespace

Verdict CheckThroughComponent(IBillForm& bill, const OpeningKind& kind, bool checking) {
    return VerdictOf(CheckOne(kind, Value(bill.CurBillID()), checking));
}

Verdict CheckSelectionThroughComponent(IBillList& list, const OpeningKind& kind, bool checking) {
    auto selection = list.Selection();
    if (!selection) return Verdict::Pass();
    for (const auto& [key, item] : *selection) {
        auto selected = item.As<Collection>();
        if (!selected) continue;
        const std::string failure = CheckOne(kind, selected->Get("FID"), checking);
        if (!failure.empty()) return VerdictOf(failure);
    }
    return Verdict::Pass();
}

void AddBatchRules(RuleBook& b, const OpeningKind& kind, ChangeRule onStockChosen) {
    const BatchRowKeys keys = KeysOf(kind);
    b.OnChange("FAuxPropID", [keys](FieldEdit& e) { FillRowStockNumber(e.bill, e.row, keys); })
        .OnChange("FBatchNo", [keys](FieldEdit& e) { FillRowBatchInfo(e.bill, e.row, keys); })
        .OnChange(kind.stockKey, [keys, onStockChosen](FieldEdit& e) {
            FillRowBatchInfo(e.bill, e.row, keys);
            if (onStockChosen) onStockChosen(e);
        });
    for (const char* key : {"FKFDate", "FKFPeriod", "FPeriodDate"})
        b.OnChange(key, [](FieldEdit& e) { CalcKFDates(e.bill, e.fieldDesc, e.row); });
}

void AddFreightRules(RuleBook& b, std::initializer_list<const char*> headerKeys) {
    b.OnChange("FTranspotationCharges", [](FieldEdit& e) {
        RefreshShareCostMenus(e.bill);
        SyncTransportCostTotal(e.bill);
    });
    // The header freight the user typed stands until the rows' charges change or it is shared.
    for (const char* key : headerKeys)
        b.OnChange(key, [](FieldEdit& e) { RefreshShareCostMenus(e.bill); });
}

void AddOpeningTools(RuleBook& b) {
    b.OnClick("mnuShareByQty",
              [](ToolRun& run) {
                  ShareTransportCosts(*run.bill, kShareByQty);
                  return Verdict::Pass();
              })
        .OnClick("mnuShareByAmt",
                 [](ToolRun& run) {
                     ShareTransportCosts(*run.bill, kShareByAmt);
                     return Verdict::Pass();
                 })
        .OnClick("mnuEditFileSave", [](ToolRun& run) {
            RemoveEmptyEntryRows(*run.bill);
            return Verdict::Pass();
        });
}

void ShowRelateByTableMap(IBillForm& bill) {
    auto info = bill.TableInfo();
    auto map = info ? info->Sub("Map") : nullptr;
    bill.SetBarStatus("mnuRelate", "Visible", map && map->Exists("FBillTypeID"));
}

bool SuppressesBatchLock(const CollectionPtr& itemProps, const std::string& expression) {
    const std::string formula = UpperTrim(expression);
    const bool batchManaged = itemProps && itemProps->Get("FIsBatchNoManage").ToBool();
    const bool trackedByBatch = itemProps && itemProps->Get("FTrack").ToNumber() == 80;
    // A batch-managed item keeps its batch open whatever its costing; an item costed by batch
    // keeps it open whatever its batch flag.
    if (formula == "ME.FTRACK<>80,FBATCHNO=1,FBATCHNO=0" ||
        formula == "ME.FTRACK<>80,FBATCHNO1=1,FBATCHNO1=0")
        return batchManaged;
    if (formula == "ME.FBATCHMANAGER=0,FBATCHNO=1,FBATCHNO=0") return trackedByBatch;
    return false;
}

}  // namespace qor::opening

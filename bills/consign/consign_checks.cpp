// What must hold before a consignment bill is saved, checked or unchecked: the dates against the
// start and the current period, every goods row complete and agreeing with stock, the rows'
// quantities within what their source bills still leave open, the total, prices, credit and
// freight; then the check and the uncheck through the host's stock component.
#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "bills/common/sales_checks.h"
#include "bills/common/sales_rows.h"
#include "bills/consign/billevent_consign.h"
#include "bills/consign/consign_rules.h"
#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/platform.h"
#include "frame/plugin.h"
#include "services/batch_shelflife.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/serial_numbers.h"
#include "services/stock_period.h"
#include "services/system_options.h"

namespace qor {

namespace {

ComponentPtr StockComponent() {
    return CreateHostObject<IComponent>("QOR_CC_PlugIns.clsStockInfo");
}

// ---- One goods row ------------------------------------------------------------------------------

// How an item is kept: by batch, with a shelf life, with auxiliary properties.
struct ItemFlags {
    bool batch = false;
    bool shelfLife = false;
    bool aux = false;
};

// Items asked about in one statement.
constexpr size_t kItemsPerStatement = 500;

// The flags of every item on the bill's goods rows, read in one statement per 500 items. An item
// the read did not answer is missing (asked alone when a check needs it).
std::map<int32_t, ItemFlags> ReadItemFlags(IBillForm& bill) {
    std::set<int32_t> items;
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        const int32_t item = SafeId(bill.GetFieldValue("FItemID", r));
        if (item > 0) items.insert(item);
    }
    std::map<int32_t, ItemFlags> flags;
    std::string ids;
    size_t inList = 0;
    const auto read = [&] {
        auto rs = OpenRecordset(
            "Select FItemID,FISBatchManager,FISKFPeriod,FISAuxi From t_ICItem Where FItemID In (" +
            ids + ")");
        for (; rs && !rs->IsEOF(); rs->MoveNext()) {
            flags[SafeId(rs->Field("FItemID"))] = {rs->Field("FISBatchManager").ToBool(),
                                                   rs->Field("FISKFPeriod").ToBool(),
                                                   rs->Field("FISAuxi").ToBool()};
        }
        ids.clear();
        inList = 0;
    };
    for (int32_t item : items) {
        ids += (ids.empty() ? "" : ",") + SqlId(item);
        if (++inList == kItemsPerStatement) read();
    }
    if (inList > 0) read();
    return flags;
}

// What the row checks share: the bill's option, the flags of its items and the batches already
// read from stock.
struct RowChecking {
    IBillForm& bill;
    bool expiredNotSold = false;
    std::map<int32_t, ItemFlags> flags = ReadItemFlags(bill);
    BatchStockCache batches{bill};

    // The item's flags; null when the read did not answer for it.
    const ItemFlags* FlagsOf(const Value& item) const {
        auto it = flags.find(SafeId(item));
        return it == flags.end() ? nullptr : &it->second;
    }
    bool IsBatchItem(const Value& item) const {
        const ItemFlags* f = FlagsOf(item);
        return f ? f->batch : IsBatchManagerItem(item);
    }
    bool IsAuxPropItem(const Value& item) const {
        const ItemFlags* f = FlagsOf(item);
        return f ? f->aux : IsAuxItem(item);
    }
};

// The shared row rules ask the item's flags themselves: an item the bill's flags already show to
// need nothing is passed without asking again.
Verdict AuxPropOfRow(RowChecking& c, int row) {
    const ItemFlags* f = c.FlagsOf(c.bill.GetFieldValue("FItemID", row));
    if (f && !f->aux) return Verdict::Pass();
    return AuxPropEntered(c.bill, row);
}

// The tax the row shows is the tax the host stores.
Verdict TaxShownIsStored(RowChecking& c, int row) {
    if (auto cell = c.bill.GetDataFldbyKey("FTaxAmount", row)) {
        cell->Set("FFLD", c.bill.GetFieldValue("FTaxAmount", row));
        cell->Set("FModify", 1);
    }
    return Verdict::Pass();
}

Verdict BatchEntered(RowChecking& c, int row) {
    if (IsFieldLocked(c.bill, "FBatchNo", row) ||
        !Trim(c.bill.GetFieldValue("FBatchNo", row).ToString()).empty())
        return Verdict::Pass();
    return Verdict::Refuse(RowText(row) + "行商品需要录入批号").At("FBatchNo", row);
}

Verdict ShelfLifeOfRow(RowChecking& c, int row) {
    const ItemFlags* f = c.FlagsOf(c.bill.GetFieldValue("FItemID", row));
    if (f && !f->shelfLife) return Verdict::Pass();
    return ShelfLifeComplete(c.bill, row);
}

// A batch-managed item's batch must be in the row's stock with the row's data (the cells the
// user cannot change are not compared).
Verdict BatchAgreesWithStock(RowChecking& c, int row) {
    IBillForm& bill = c.bill;
    const Value item = bill.GetFieldValue("FItemID", row);
    const std::string batch = Trim(bill.GetFieldValue("FBatchNo", row).ToString());
    if (batch.empty() || !c.IsBatchItem(item)) return Verdict::Pass();
    const auto& records = c.batches.Of(item, batch, bill.GetFieldValue("FSCStockID", row));
    if (records.empty())
        return Verdict::Refuse(RowText(row) + "行商品的批号" + batch + "在系统中不存在，请重新输入")
            .At("FBatchNo", row);
    const bool withAux = c.IsAuxPropItem(item);
    if (CompareBatchRow(records, RowBatchData(bill, row, withAux)).match == BatchMatch::Same)
        return Verdict::Pass();
    return Verdict::Refuse(RowText(row) + "行商品的批号" + batch +
                           (withAux
                                ? "与库存中同批号商品的辅助属性、生产日期、保质期或有效期至不同。"
                                : "与库存中同批号商品的生产日期、保质期或有效期至不同。"))
        .At("FBatchNo", row);
}

Verdict RateInRange(RowChecking& c, int row) {
    return DiscountRateInRange(c.bill, row);
}

// With the account's option, goods past their expiry date are not sold.
Verdict NotExpired(RowChecking& c, int row) {
    if (!c.expiredNotSold) return Verdict::Pass();
    const auto expiry = ReadKFDate(c.bill.GetFieldValue("FPeriodDate", row));
    const auto date = BillDate(c.bill);
    if (!expiry || !date || FormatDate(*expiry) >= FormatDate(*date)) return Verdict::Pass();
    return Verdict::Refuse(RowText(row) + "行有效期至已经超过期限，不能销售。")
        .At("FPeriodDate", row);
}

struct RowCheck {
    const char* name;
    Verdict (*rule)(RowChecking&, int row);
};

// Every goods row, in this order.
constexpr RowCheck kRowChecks[] = {
    {"the auxiliary property is entered", &AuxPropOfRow},
    {"the tax shown is the tax stored", &TaxShownIsStored},
    {"the batch is entered", &BatchEntered},
    {"the shelf life is complete", &ShelfLifeOfRow},
    {"the batch is in stock with the row's data", &BatchAgreesWithStock},
    {"the discount rate lies in (0, 100]", &RateInRange},
    {"the goods are not past their expiry date", &NotExpired},
};

Verdict EveryRowComplete(IBillForm& bill) {
    RowChecking c{bill};
    c.expiredNotSold = Val(GetSystemProfileValue("IsPeriodDateExpireNotSale", "IC", "0")) == 1;
    const int rows = GetEntryRowCount(bill);
    for (int row = 1; row <= rows; ++row) {
        if (!HasItem(bill, row)) continue;
        for (const RowCheck& check : kRowChecks) {
            if (Verdict v = check.rule(c, row); v.Refused()) return v;
        }
    }
    return Verdict::Pass();
}

// Rows of one item and batch carry the same dates (and auxiliary property, where the bill shows
// one).
Verdict OneBatchOneData(IBillForm& bill) {
    auto aux = bill.GetFieldInfoByKey("FAuxPropID");
    const bool withAux = aux && aux->Get("Visible", Value(true)).ToBool();
    if (!FindBatchRowConflict(GatherBatchRows(bill), withAux)) return Verdict::Pass();
    return Verdict::Refuse(withAux
                               ? "同一批号商品的辅助属性、生产日期、保质期、有效期至必须完全一致。"
                               : "同一批号商品的生产日期、保质期、有效期至必须完全一致。");
}

// ---- Source bills -------------------------------------------------------------------------------

std::vector<SourceEntryUse> SourceEntriesUsed(IBillForm& bill) {
    std::vector<SourceEntryUse> used;
    std::map<std::tuple<bool, int32_t, int32_t>, size_t> index;
    const bool isReturn = IsConsignReturn(bill);
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        const int32_t source = SafeId(bill.GetFieldValue("FID_SRC", r));
        if (source <= 0 || !HasItem(bill, r)) continue;
        // The row's own source class says which bills it came from; the bill type otherwise.
        const int32_t sourceClass = SafeId(bill.GetFieldValue("FClassID_SRC", r));
        const bool fromOrder =
            sourceClass == ct::kSalesOrder || (sourceClass != ct::kConsignBill && !isReturn);
        const int32_t entry = SafeId(bill.GetFieldValue("FEntryID_SRC", r));
        const double qty = bill.GetFieldValue("FShowQty", r).ToNumber() *
                           bill.GetFieldValue("FCoefficient", r).ToNumber();
        auto [it, added] = index.try_emplace({fromOrder, source, entry}, used.size());
        if (added)
            used.push_back({fromOrder ? &kOrderSources : &kStockBillSources, source, entry, 0, r});
        used[it->second].qty += qty;
    }
    return used;
}

// Each source entry must still be on a source bill that is checked: a sales order (checked or
// since closed) for a delivery, a checked consignment delivery for a return. The first row drawn
// from one that was deleted or unchecked meanwhile, or 0.
int RowOfVanishedSource(const std::vector<SourceEntryUse>& used) {
    std::set<std::pair<int32_t, int32_t>> found;
    bool readFailed = false;
    for (const bool orders : {true, false}) {
        std::vector<SourceEntryUse> ofKind;
        for (const auto& u : used) {
            if ((u.source == &kOrderSources) == orders) ofKind.push_back(u);
        }
        InChunks(ofKind, [&](const std::vector<SourceEntryUse>& chunk) {
            std::string ids;
            for (const auto& u : chunk) ids += (ids.empty() ? "" : ",") + SqlId(u.entry);
            const std::string sql =
                orders ? "Select e.FID,e.FEntryID From t_XS_OrderEntry e Inner Join t_XS_Order t "
                         "On t.FID=e.FID Where t.FStatus>0 And e.FEntryID In (" +
                             ids + ")"
                       : "Select e.FID,e.FEntryID From t_CC_StockBillEntry e Inner Join "
                         "t_CC_StockBill t On t.FID=e.FID Where t.FClassTypeID=1030003 And "
                         "t.FBillTypeID=3010 And t.FStatus=1 And e.FEntryID In (" +
                             ids + ")";
            auto rs = OpenRecordset(sql);
            if (!rs) {
                readFailed = true;
                return false;
            }
            for (; !rs->IsEOF(); rs->MoveNext())
                found.insert({SafeId(rs->Field("FID")), SafeId(rs->Field("FEntryID"))});
            return true;
        });
    }
    // A read that fails tells nothing (the quantity check then decides alone).
    if (readFailed) return 0;
    for (const auto& u : used) {
        if (!found.count({u.bill, u.entry})) return u.firstRow;
    }
    return 0;
}

// The rows may draw from each source entry no more than it leaves open (a delivery may exceed
// an order when the user confirms it; a return never exceeds its delivery), and no source may
// be dated after the bill.
Verdict WithinOpenSourceQuantities(IBillForm& bill) {
    const std::vector<SourceEntryUse> used = SourceEntriesUsed(bill);
    if (used.empty()) return Verdict::Pass();
    const bool isReturn = IsConsignReturn(bill);
    static const char* kReturnTooLarge = "存在退货数量大于源单数量的商品,不能保存";
    if (int row = RowOfVanishedSource(used); row > 0) {
        return Verdict::Refuse(isReturn ? kReturnTooLarge : "存在出库数量超过订单未执行数量的商品")
            .At("FShowQty", row);
    }
    const auto date = BillDate(bill);
    const std::string day = date ? FormatDate(*date) : Trim(bill.GetFieldValue("FDate").ToString());
    const auto [row, kind] =
        FirstSourceConflict(used, bill.CurBillID(), "t_CC_StockBillEntry", day);
    if (kind == 0) return Verdict::Pass();
    if (kind == 2) return Verdict::Refuse("单据日期不能小于分录源单日期").At("FDate");
    if (isReturn) return Verdict::Refuse(kReturnTooLarge).At("FShowQty", row);
    if (ShowMessage("存在出库数量超过订单未执行数量的商品，是否继续?", kMsgYesNo + kMsgInformation,
                    kMsgCaption) == kAnswerYes)
        return Verdict::Pass();
    return Verdict::Silent().At("FShowQty", row);
}

// ---- Total, prices, credit ----------------------------------------------------------------------

Verdict TotalNotNegative(IBillForm& bill) {
    const double total = ColumnTotalOf(bill, "FInTaxAmount");
    bill.SetFieldValue("FAllAmount", total);
    return total < 0 ? Verdict::Refuse("总金额不能小于零") : Verdict::Pass();
}

bool SellsOnCredit(IBillForm& bill) {
    return !IsConsignReturn(bill);
}

// Every row's price within its limits (the discounted price when the limit type is 1).
Verdict PricesWithinLimits(IBillForm& bill) {
    if (GetControlPoint() != 0 || !SellsOnCredit(bill) ||
        SafeId(bill.GetFieldValue("FCustID")) <= 0)
        return Verdict::Pass();
    return RowPricesWithinLimits(bill);
}

// With the opening balances closed, a delivery beyond the customer's credit or with overdue
// amounts unpaid is saved only when the user accepts it.
Verdict CreditAccepted(IBillForm& bill) {
    if (!IsInitClosed() || !SellsOnCredit(bill)) return Verdict::Pass();
    auto info = CreateHostObject<IComponent>("QORM_CC_PlugIns.PublicSysInfo");
    const auto askBoth = [&](const char* check, const char* accepted) {
        const CollectionPtr request = StockRequest(bill, ct::kConsignBill, true, false);
        info->Call(check, {Value(request), Value(GetPropsString())});
        return info->Call(accepted, {Value(request), Value(GetPropsString())}).ToBool();
    };
    if (!askBoth("CheckCredit", "CreditSelectOK")) return Verdict::Silent();
    if (!askBoth("CheckUnCheckAmountOutOfDate", "UnCheckAmountOutOfDateSelectOK"))
        return Verdict::Silent();
    return Verdict::Pass();
}

// A saved consignment row starts wholly open for return and for settlement.
Verdict RowsOpenInFull(IBillForm& bill) {
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        if (!HasItem(bill, r)) continue;
        const Value shown = bill.GetFieldValue("FShowQty", r);
        const Value second = bill.GetFieldValue("FSecQty", r);
        for (const char* key : {"FUnRejectQty", "FUnSettleQty"}) {
            bill.SetFieldValue(key, shown, r);
            DoFieldAction(bill, key, r);
        }
        bill.SetFieldValue("FUnRejectAuxQty", second, r);
        bill.SetFieldValue("FUnSettleAuxQty", second, r);
    }
    return Verdict::Pass();
}

// The validation of a bill not yet checked, in order.
const CheckList& ConsignValidation() {
    static const CheckList checks{
        {"dated from the first day of the start period",
         [](CheckRun& run) { return DatedFromStartPeriod(*run.bill, true); }},
        {"dated in the current period",
         [](CheckRun& run) { return DatedInCurrentPeriod(*run.bill); }},
        {"every goods row complete and agreeing with stock",
         [](CheckRun& run) { return EveryRowComplete(*run.bill); }},
        {"rows of one batch carry the same data",
         [](CheckRun& run) { return OneBatchOneData(*run.bill); }},
        {"within the open quantities of the source bills",
         [](CheckRun& run) { return WithinOpenSourceQuantities(*run.bill); }},
        {"the total is not negative", [](CheckRun& run) { return TotalNotNegative(*run.bill); }},
        {"prices within their limits", [](CheckRun& run) { return PricesWithinLimits(*run.bill); }},
        {"credit and overdue amounts accepted",
         [](CheckRun& run) { return CreditAccepted(*run.bill); }},
        {"the rows start open for return and settlement",
         [](CheckRun& run) { return RowsOpenInFull(*run.bill); }},
    };
    return checks;
}

// ---- Before the save ----------------------------------------------------------------------------

// Started by the save tool and with the account's option on, a delivery is checked against the
// stock: a shortage the component only warns of is shown and the save goes on.
Verdict StockSuffices(CheckRun& run) {
    IBillForm& bill = *run.bill;
    if (run.Owner<BillEvent_Consign>().Action() != "SAVE" || IsConsignReturn(bill) ||
        Val(GetSystemProfileValue("UnderStockBeforeSave", "IC", "0")) != 1)
        return Verdict::Pass();
    return CheckStockBeforeSave(bill, ct::kConsignBill, StockWarning::Inform);
}

bool Unchecked(IBillForm& bill) {
    return SafeId(bill.GetFieldValue("FStatus")) == 0;
}

// ---- Check and uncheck --------------------------------------------------------------------------

// The host's stock component checks (or unchecks) the bill; the form then shows its new state.
Verdict CheckConsignAudit(IBillForm& bill, bool checking) {
    Args args{Value(GetPropsString()), Value(checking ? -1 : 1),
              Value(StockRequest(bill, ct::kConsignBill, true, false)), Value("")};
    const int result = SafeId(StockComponent()->Call("CheckBill", args));
    const std::string message = Trim(args.back().ToString());
    if (result == 1 || result == 4) {
        bill.SetBillStatus(checking ? 2 : 0);
        RefreshConsignBillState(bill);
        return Verdict::Pass();
    }
    if ((result == 0 || result == 2 || result == -1) && !message.empty())
        return Verdict::Refuse(message);
    return Verdict::Silent();
}

}  // namespace

void AddConsignChecks(RuleBook& b) {
    b.Check(Stage::Save, "dated from the first day of the start period",
            [](CheckRun& run) { return DatedFromStartPeriod(*run.bill, false); })
        .Check(Stage::Save, "the period is open",
               [](CheckRun& run) { return CheckPeriodOpen(run.bill->GetFieldValue("FDate")); })
        .Check(Stage::Save, "every discount rate lies in (0, 100]",
               [](CheckRun& run) { return EveryRateInRange(*run.bill); })
        .Check(Stage::Save, "a bill not yet checked passes the validation", [](CheckRun& run) {
            return Unchecked(*run.bill) ? RunChecks(ConsignValidation(), run) : Verdict::Pass();
        });
    AddLastSaveChecks(b, "FTotalProcurementCosts", &StockSuffices);
    b.Check(Stage::Check, "the stock component checks the bill", [](CheckRun& run) {
         return CheckConsignAudit(*run.bill, true);
     }).Check(Stage::Uncheck, "the stock component unchecks the bill", [](CheckRun& run) {
        return CheckConsignAudit(*run.bill, false);
    });
}

}  // namespace qor

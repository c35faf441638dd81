#include "services/transport_costs.h"

#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "frame/class_types.h"
#include "frame/login.h"
#include "frame/plugin.h"
#include "frame/trap.h"
#include "frame/value.h"
#include "services/stock_period.h"
#include "services/system_options.h"

namespace qor {

namespace {

constexpr const char* kChargeKey = "FTranspotationCharges";
constexpr const char* kCostKey = "FTranspotationCosts";
constexpr const char* kAdvanceKey = "FTotaladvanceCosts";
constexpr const char* kProcurementKey = "FTotalProcurementCosts";
constexpr const char* kShareByQtyTool = "mnuShareByQty";
constexpr const char* kShareByAmtTool = "mnuShareByAmt";
constexpr const char* kNoRealStockMessage = "单据中的仓库都为虚仓，不允许进行采购费用分摊。";

// A double holds every whole number of cents up to 2^53; amounts beyond that cannot be split
// to the cent and are not shared at all.
constexpr double kMaxCents = 9007199254740992.0;

// The sales bill, the consignment bill and the opening consignment bill share the transport
// cost alone; the purchase-side bills add the costs the maker advanced.
bool SharesTransportCostOnly(int classTypeID) {
    return classTypeID == ct::kSalesBill || classTypeID == ct::kConsignBill ||
           classTypeID == ct::kIndustryOutBill;
}

// The purchase bill and the opening provisional purchase bill, whose header totals the
// procurement costs.
bool IsPurchaseReceipt(int classTypeID) {
    return classTypeID == ct::kPurchaseBill || classTypeID == ct::kIndustryInBill;
}

bool IndustryFeaturesOff() {
    return GetIndustryType() == 0;
}

// The amount in whole cents (decimal rounding), or nothing when it is too large to split.
std::optional<long long> ToCents(double amount) {
    if (!std::isfinite(amount)) return std::nullopt;
    double cents = RoundDecimal(amount, 2) * 100.0;
    if (!std::isfinite(cents) || std::fabs(cents) >= kMaxCents) return std::nullopt;
    return std::llround(cents);
}

bool SameCents(double a, double b) {
    return RoundDecimal(a, 2) == RoundDecimal(b, 2);
}

// Stock types already read during one sharing: stock -> virtual. A bill with forty rows in two
// stocks reads two stock types, not forty.
using StockTypeMemo = std::map<int32_t, bool>;

bool RowStockIsReal(IBillForm& bill, int row, bool outStock, StockTypeMemo* memo) {
    int32_t stock = ToId(bill.GetFieldValue(outStock ? "FSCStockID" : "FDCStockID", row));
    if (stock == 0) return true;  // no stock chosen yet: nothing says the row is virtual
    if (memo) {
        auto known = memo->find(stock);
        if (known != memo->end()) return !known->second;
    }
    bool isVirtual = IsVirtualStock(stock);
    if (memo) (*memo)[stock] = isVirtual;
    return !isVirtual;
}

// The entry grid's key field: a row whose key field is empty (0) is not filled. Empty when
// the grid names none, and then every row counts as filled.
std::string EntryKeyField(IBillForm& bill) {
    CollectionPtr grids = bill.BillEntrys();
    if (!grids || grids->Count() == 0) return "";
    CollectionPtr grid = grids->ItemAt(1).As<Collection>();
    return grid ? Trim(grid->Get("KeyField").ToString()) : "";
}

// The rows' total of "FTranspotationCharges". Summed row by row: some bills carry a header field
// of the same key (the header's copy of the total), which the key alone would name first.
double ChargeColumnTotal(IBillForm& bill) {
    double sum = 0;
    int rows = GetEntryRowCount(bill, kEntryPage, true);
    for (int row = 1; row <= rows; ++row) sum += bill.GetFieldValue(kChargeKey, row).ToNumber();
    return sum;
}

struct RowShare {
    int row = 0;
    double basis = 0;
    long long cents = 0;
};

}  // namespace

bool IsOutStockClassType(int classTypeID) {
    switch (classTypeID) {
        case ct::kPurchaseBill:
        case ct::kPurchaseBill2:
        case ct::kStockInBill:
        case ct::kTransferIn:
        case ct::kIndustryInBill:
            return false;
        default:
            return true;
    }
}

double TransportAmountToShare(IBillForm& bill) {
    double amount = bill.GetFieldValue(kCostKey).ToNumber();
    if (!SharesTransportCostOnly(bill.FID())) amount += bill.GetFieldValue(kAdvanceKey).ToNumber();
    return amount;
}

bool IsRowRealStock(IBillForm& bill, int row, bool outStock) {
    if (IndustryFeaturesOff()) return false;
    return Trapped("IsRowRealStock", false,
                   [&] { return RowStockIsReal(bill, row, outStock, nullptr); });
}

Verdict ShareTransportCosts(IBillForm& bill, int mode, bool byAbsolute) {
    if (IndustryFeaturesOff()) return Verdict::Pass();
    return Trapped("ShareTransportCosts", Verdict::Pass(), [&] {
        std::optional<long long> amountCents = ToCents(TransportAmountToShare(bill));
        if (!amountCents || *amountCents == 0) return Verdict::Pass();

        const char* basisKey = mode == kShareByAmt ? "FAmount" : "FQty";
        const bool outStock = IsOutStockClassType(bill.FID());
        const std::string keyField = EntryKeyField(bill);
        const int rows = GetEntryRowCount(bill, kEntryPage, true);

        // Every filled row of the grid takes part, wherever it stands: an empty row left
        // between filled ones must not push the last filled row out of the sharing.
        StockTypeMemo stockTypes;
        std::vector<RowShare> shares;
        double basisTotal = 0;
        for (int row = 1; row <= rows; ++row) {
            if (!keyField.empty() && bill.GetFieldValue(keyField, row).ToNumber() == 0) continue;
            if (!RowStockIsReal(bill, row, outStock, &stockTypes)) continue;
            double basis = bill.GetFieldValue(basisKey, row).ToNumber();
            if (byAbsolute) basis = std::fabs(basis);
            shares.push_back({row, basis, 0});
            basisTotal += basis;
        }
        // No row can take a share: every filled row is in a virtual stock, or there is none.
        if (shares.empty())
            return Verdict::Refuse(kNoRealStockMessage, kMsgInformation, kMsgCaption);
        if (basisTotal == 0 || !std::isfinite(basisTotal)) return Verdict::Pass();

        // Each share rounded to the cent; the cents lost or gained by rounding are then put
        // on one row so that the charges add up to the amount exactly.
        const double amount = static_cast<double>(*amountCents) / 100.0;
        long long sharedCents = 0;
        size_t largest = 0;
        for (size_t i = 0; i < shares.size(); ++i) {
            std::optional<long long> cents = ToCents(amount * (shares[i].basis / basisTotal));
            if (!cents || __builtin_add_overflow(sharedCents, *cents, &sharedCents))
                return Verdict::Pass();
            shares[i].cents = *cents;
            // Largest share first, then largest basis (when every share rounds to 0 cents).
            long long a = std::llabs(*cents), b = std::llabs(shares[largest].cents);
            if (a > b || (a == b && std::fabs(shares[i].basis) > std::fabs(shares[largest].basis)))
                largest = i;
        }
        // The remainder goes to the row with the largest share (the first of equal ones): a
        // cent or two changes that row's charge by the smallest fraction of any row, and it
        // never lands on a row whose quantity or amount is 0, which would then carry a charge
        // it has no basis for.
        shares[largest].cents += *amountCents - sharedCents;

        std::map<int, long long> chargeByRow;
        for (const auto& share : shares) chargeByRow[share.row] = share.cents;
        for (int row = 1; row <= rows; ++row) {
            auto charge = chargeByRow.find(row);
            if (charge == chargeByRow.end()) {
                bill.SetFieldValue(kChargeKey, Value(std::string()), row);
            } else {
                bill.SetFieldValue(kChargeKey, Value(static_cast<double>(charge->second) / 100.0),
                                   row);
            }
        }
        return Verdict::Pass();
    });
}

void RefreshShareCostMenus(IBillForm& bill) {
    if (IndustryFeaturesOff()) return;
    Trapped("RefreshShareCostMenus", [&] {
        CollectionPtr costField = bill.GetFieldInfoByKey(kCostKey, "", 0);
        bool shown = costField && costField->Get("Visible", true).ToBool();
        bool visible = GetAppType() != 1 && shown;

        // A purchase receipt totals its procurement costs in the header; where the form has no
        // such field the amount to share stands for it.
        double amount = 0;
        if (IsPurchaseReceipt(bill.FID()) && bill.GetFieldInfoByKey(kProcurementKey, "", 0)) {
            amount = bill.GetFieldValue(kProcurementKey).ToNumber();
        } else {
            amount = TransportAmountToShare(bill);
        }
        bool audited = bill.GetFieldValue("FCheckerID").ToNumber() >= 1;
        // A hidden tool is disabled as well, so that its shortcut cannot start a sharing the
        // user was not offered.
        bool enabled = visible && !audited && !SameCents(amount, 0);

        for (const char* tool : {kShareByQtyTool, kShareByAmtTool}) {
            bill.SetBarStatus(tool, "Visible", visible);
            bill.SetBarStatus(tool, "Enabled", enabled);
        }
    });
}

void SyncTransportCostTotal(IBillForm& bill) {
    if (IndustryFeaturesOff()) return;
    Trapped("SyncTransportCostTotal", [&] {
        double rowsTotal = ChargeColumnTotal(bill);
        // Where the advanced costs are shared too, the rows carry transport cost and advanced
        // costs together; only the transport cost follows the rows, the advanced costs stay as
        // entered.
        double advance =
            SharesTransportCostOnly(bill.FID()) ? 0 : bill.GetFieldValue(kAdvanceKey).ToNumber();
        double headerTotal = bill.GetFieldValue(kCostKey).ToNumber() + advance;
        if (SameCents(rowsTotal, headerTotal)) return;
        bill.SetFieldValue(kCostKey, Value(RoundDecimal(rowsTotal - advance, 2)));
        RefreshShareCostMenus(bill);
    });
}

}  // namespace qor

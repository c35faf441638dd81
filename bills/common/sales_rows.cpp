#include "bills/common/sales_rows.h"

#include <cmath>

#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/plugin.h"
#include "frame/trap.h"
#include "services/batch_shelflife.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/price_lookup.h"
#include "services/stock_period.h"
#include "services/system_options.h"
#include "services/transport_costs.h"

namespace qor {

// ---- Editions, options, menus ----------------------------------------------------------------

std::string BillSetSection(IBillForm& bill) {
    return std::to_string(bill.FID()) + "BillSet";
}

bool IsUserOptionOn(const std::string& section, const std::string& key) {
    // Read once per event: a re-priced bill asks for every row in a gift stock.
    auto& gateway = DataGateway::Instance();
    const std::string question = "UserProfile\n" + section + "\n" + key;
    return Trapped("IsUserOptionOn", false, [&] {
        Value v;
        if (auto known = gateway.Remembered(question)) {
            v = *known;
        } else {
            v = Value(ReadUserProfile(section, key));
            gateway.Remember(question, v);
        }
        return Val(v.ToString()) != 0;
    });
}

MenuToolPtr GetMenuItem(IBillForm& bill, const std::string& bandKey, const std::string& toolKey) {
    return Trapped("GetMenuItem", MenuToolPtr(), [&]() -> MenuToolPtr {
        auto bar = bill.MenuBar();
        auto band = bar ? bar->Band(bandKey) : nullptr;
        if (!band) return nullptr;
        for (const auto& key : band->ToolKeys()) {
            if (IEquals(key, toolKey)) return bar->Tool(key);
        }
        return nullptr;
    });
}

bool IsMenuOptionChecked(IBillForm& bill, const std::string& bandKey, const std::string& toolKey) {
    auto tool = GetMenuItem(bill, bandKey, toolKey);
    return tool && tool->Checked();
}

// ---- Small rules of a goods row ----------------------------------------------------------------

void ApplyCostAmount(const GoodsRow& r) {
    r.Put("FCostAmount", RoundToDigits(r.Num("FCostPrice") * r.Num("FShowQty"), 2));
}

void ApplySecPrice(const GoodsRow& r) {
    r.Put("FSecPrice", r.Num("FPrice") * r.Num("FSecCoefficient"));
}

namespace {

// The second quantity of a calculation-type row follows its type (industry edition only).
void FollowCalType(const GoodsRow& r) {
    if (IsIndustryMode() && GetItemIsGC(r.Get("FItemID")))
        CalcRowSecQty(r.bill, r.row, r.Get("FCalTypeID"), r.fs);
}

bool HasSourceBillNo(const GoodsRow& r) {
    return !Trim(r.Get("FBillNo_SRC").ToString()).empty();
}

std::string IdText(const Value& v) {
    return std::to_string(SafeId(v));
}

}  // namespace

// ---- Row services ------------------------------------------------------------------------------

void FetchRowSalePrice(IBillForm& bill, int row, const FieldSet& fs) {
    Trapped("FetchRowSalePrice", [&] {
        if (row < 1) return;
        const GoodsRow r(bill, row, fs);
        const int includeTax = IsSaleForIncludeTaxPrice();
        const RowPriceTarget target = SalePriceTarget(r, includeTax);
        const Value stock = r.Get("FSCStockID");
        double price = 0, discount = 0;
        const bool giftStock =
            bill.FID() == ct::kSalesBill && IsVirtualStock(stock) &&
            IsUserOptionOn(BillSetSection(bill), "DoNotGetSalePriceWhenGiftStock");
        if (!giftStock) {
            price = GetPromotionPrice(r.Get("FItemID"), r.Get(target.unitKey),
                                      bill.GetFieldValue("FCustID"), stock, r.Get("FBatchNo"),
                                      discount, includeTax);
        }
        if (price > 0) {
            PutFetchedPrice(r, target.field, price, discount);
            return;
        }
        // No price: the field is emptied rather than left with a stale price.
        r.Put(target.field, "");
        r.Act(target.field);
        if (IsIndustryMode()) r.Put("FDisplayPrice", "");
    });
}

namespace {

bool CostsWhenGoodsLeave() {
    return Trim(GetSystemProfileValue("StockOutCalCost", "IC", "1")) == "0";
}

using CostReader = double (*)(const Value&, const Value&, const std::string&);

void FillRowCostWith(IBillForm& bill, int row, const FieldSet& fs, CostReader cost,
                     const char* where) {
    Trapped(where, [&] {
        if (row < 1) return;
        const GoodsRow r(bill, row, fs);
        const Value stock = r.Get("FSCStockID");
        if (IsVirtualStock(stock)) return;
        const double unitCost = cost(r.Get("FItemID"), stock, r.Get("FBatchNo").ToString());
        r.Put("FCostPrice", unitCost * r.Num("FCoefficient"));
        ApplyCostAmount(r);
    });
}

}  // namespace

double GetStockOutCost(const Value& item, const Value& stock, const std::string& batch) {
    return CostsWhenGoodsLeave() ? GetItemCost(item, stock, batch) : 0;
}

double GetStockOutCost80(const Value& item, const Value& stock, const std::string& batch) {
    return CostsWhenGoodsLeave() ? GetItemCost80(item, stock, batch) : 0;
}

void FillRowCostPrice(IBillForm& bill, int row, const FieldSet& fs) {
    FillRowCostWith(bill, row, fs, &GetStockOutCost, "FillRowCostPrice");
}

void FillRowCostPrice80(IBillForm& bill, int row, const FieldSet& fs) {
    FillRowCostWith(bill, row, fs, &GetStockOutCost80, "FillRowCostPrice80");
}

void RefreshRowStockInfo(IBillForm& bill, int row, const FieldSet& fs) {
    Trapped("RefreshRowStockInfo", [&] {
        if (row < 1) return;
        const GoodsRow r(bill, row, fs);
        const Value item = r.Get("FItemID");
        if (SafeId(item) <= 0) {
            bill.SetStatusText(2, "");
            return;
        }
        const bool industry = IsIndustryMode();
        const InventoryShortage stock = CheckInventoryShort(
            item, r.Get("FSCStockID"), r.Get("FAuxPropID"), r.Get("FBatchNo").ToString(),
            industry ? r.Get("FCalTypeID") : Value(), industry ? r.Get("FShowUnitID") : Value());
        bill.SetStatusText(2, stock.text);
    });
}

double DefaultTaxRate() {
    return Val(FirstText(GetCachedRecordset(
        "select FValue from t_systemprofile where fcategory='General' And FKey='TaxRate'")));
}

// ---- Item chosen
// ---------------------------------------------------------------------------------

namespace {

// The "No" button is the default of the duplicate-item question.
constexpr int kDefaultButtonSecond = 256;

bool IsVatInvoice(const Value& invoiceType) {
    const double t = invoiceType.ToNumber();
    return t == 2020 || t == 2021;
}

// With the duplicate check on, an item already on another row asks whether to add it again;
// true when the user would not.
bool RefusedAsDuplicate(FieldEdit& e, double item) {
    if (!IsMenuOptionChecked(e.bill, "mnuOption", "mnuCheckDuplicateItem")) return false;
    if (e.fieldDesc && e.fieldDesc->Get("DupCheck").ToBool()) return false;
    const int rows = GetEntryRowCount(e.bill);
    for (int r = 1; r <= rows; ++r) {
        if (r == e.row || e.bill.GetFieldValue(e.K("FItemID"), r).ToNumber() != item) continue;
        const std::string prompt = "分录中第" + std::to_string(r) + "行已经存在相同的商品。" +
                                   kCrLf + kCrLf + "是否继续添加？";
        return ShowMessage(prompt, kMsgYesNo + kMsgInformation + kDefaultButtonSecond,
                           kMsgCaption) != kAnswerYes;
    }
    return false;
}

// The item's tax rate in percent, or the account's default rate when the item has none.
void FillItemTaxRate(const GoodsRow& r, const std::string& itemID) {
    double rate = Val(FirstText(GetCachedRecordset(
        "select (isnull(FTaxRate, 0) * 100) from t_ICItem where FItemID=" + itemID)));
    if (rate == 0) rate = DefaultTaxRate();
    r.Put("FTaxRate", rate);
}

// Second unit, shelf life and the locks of the second-unit fields from the item's record.
void FillItemSecondUnitAndShelfLife(const GoodsRow& r, const std::string& itemID) {
    auto item = GetCachedRecordset(
        "select isnull(FSecCoefficient,0) as FSecCoefficient,isnull(FConverMethod,0) as "
        "FConverMethod,isnull(FKFPeriod,0) as FKFPeriod,* from t_icitem Where FItemID=" +
        itemID);
    if (!item || item->IsEOF()) return;
    const double secCoefficient = item->Field("FSecCoefficient").ToNumber();
    r.Put("FSecCoefficient", secCoefficient);
    r.Put("FSecQty", secCoefficient != 0 ? 1 / secCoefficient : 0.0);
    const Value shelfLife = item->Field("FKFPeriod");
    r.Put("FKFPeriod", shelfLife);
    if (!r.Locked("FKFDate")) {
        const Value billDate = r.bill.GetFieldValue("FDate");
        r.Put("FKFDate", billDate);
        Trapped("expiry date of a new row", [&] {
            const auto d = ReadKFDate(billDate);
            const auto days = IdOf(shelfLife);
            if (d && days) r.Put("FPeriodDate", FormatDate(AddDays(*d, *days)));
        });
    }
    const bool fixedConversion = item->Field("FConverMethod").ToNumber() != 0;
    r.Lock("FSecCoefficient", fixedConversion || r.Num("FSecUnitID") == 0);
    const bool noSecondUnit = item->Field("FSecUnitID").ToNumber() == 0;
    if (noSecondUnit) {
        r.Put("FSecQty", 0);
        r.Put("FSecPrice", 0);
        r.Put("FSecCoefficient", 0);
    }
    r.Lock("FSecQty", noSecondUnit);
    // The second price always follows the price.
    r.Lock("FSecPrice", true);
}

}  // namespace

void OnItemChosen(FieldEdit& e) {
    const GoodsRow r(e);
    IBillForm& bill = e.bill;
    if (e.fieldDesc && e.fieldDesc->Get("FIsBatchNoManage").ToBool()) r.Lock("FBatchNo", false);

    const int32_t customer = SafeId(bill.GetFieldValue("FCustID"));
    if (customer > 0) {
        const Value ratio = FirstField(GetCachedRecordset(
            "Select FAgioRatio From t_ClientType Where FItemID = (Select FTypeID From "
            "t_Organization Where FItemID=" +
            std::to_string(customer) + ")"));
        if (!ratio.IsBlank()) r.Put("FDiscountRate", ratio.ToNumber() * 100);
    }

    const Value item = r.Get("FItemID");
    if (item.ToNumber() < 1) {
        r.Put("FUnitID", "");
        r.Put("FSecUnitID", "");
        r.Put("FSerialNo", "");
        return;
    }
    if (RefusedAsDuplicate(e, item.ToNumber())) {
        r.Put("FItemID", "");
        bill.SetActiveCell(r.K("FItemID"), e.row);
        e.stop = true;
        return;
    }
    const std::string itemID = IdText(item);

    if (e.set.IsMain() && bill.GetFieldValue("FBillTypeID").ToNumber() == bt::kReturn &&
        r.Num("FID_SRC") == 0)
        AutoGenBatchNo(bill, e.row);
    SetDefaultStock(bill, e.row, r.K("FSCStockID"), r.K("FItemID"));
    if (IsVatInvoice(bill.GetFieldValue("FInvoiceType"))) FillItemTaxRate(r, itemID);
    FillItemSecondUnitAndShelfLife(r, itemID);

    SetRowDefaultUnit(bill, e.row, "FCustID", e.set);
    r.Put("FShowQty", 1);
    r.Act("FShowQty");

    FetchRowSalePrice(bill, e.row, e.set);
    FillRowCostPrice(bill, e.row, e.set);
    FillClientItemID(r.bill, r.row, r.fs);

    ApplySecPrice(r);
    const double secCoefficient = r.Num("FSecCoefficient");
    if (secCoefficient != 0) r.Put("FSecQty", r.Num("FShowQty") / secCoefficient);

    r.Put("FSerialNo", "");
    ApplyTaxFieldRights(GetPropsString(), bill, false);
    RefreshRowStockInfo(bill, e.row, e.set);
}

// ---- Unit and quantities
// ---------------------------------------------------------------------------

namespace {

// The row's base units per shown unit before the unit was changed: the host's unit formula has
// already put the new unit's coefficient in FCoefficient, so it is read from the old unit (the
// cell's stored value), else from what the unit cell recorded of it.
double CoefficientBeforeEdit(FieldEdit& e, const Value& item) {
    double before = GetBarcodeCoefficient(item, e.OldValue());
    if (before <= 0) {
        if (auto cell = e.CellData()) before = cell->Get("FCoefficient").ToNumber();
    }
    return before > 0 ? before : 0;
}

}  // namespace

void OnUnitChanged(FieldEdit& e) {
    const GoodsRow r(e);
    const Value item = r.Get("FItemID");
    const Value unit = e.fieldDesc ? e.fieldDesc->Get("FFLD") : e.NewValue();
    const double coefficient = GetBarcodeCoefficient(item, unit);

    if (r.Num("FEntryID_SRC") == 0) {
        FetchRowSalePrice(e.bill, e.row, e.set);
        FillClientItemID(r.bill, r.row, r.fs);
    } else if (r.Num("FShowQty") != 0) {
        // A row copied from a source keeps its value per base unit.
        const double before = CoefficientBeforeEdit(e, item);
        if (before > 0 && coefficient > 0) {
            r.Put("FPrice", r.Num("FPrice") / before * coefficient);
            r.Act("FPrice");
            r.Put("FOrderQty", r.Num("FOrderQty") * before / coefficient);
            r.Put("FCostPrice", r.Num("FCostPrice") / before * coefficient);
            ApplyCostAmount(r);
        }
    }

    const double unitCoefficient = coefficient > 0 ? coefficient : r.Num("FCoefficient");
    r.Put("FSecCoefficient", GetItemSecCoefficient(item, unitCoefficient));
    ApplySecPrice(r);
    const double secCoefficient = r.Num("FSecCoefficient");
    if (secCoefficient != 0) r.Put("FSecQty", r.Num("FShowQty") / secCoefficient);
    if (IsIndustryMode()) r.Put("FDisplayQty", r.Get("FShowQty"));
}

void OnSaleShowQtyChanged(FieldEdit& e) {
    const GoodsRow r(e);
    const bool industry = IsIndustryMode();
    const double k = r.Num("FSecCoefficient");
    if (industry && r.Num("FCalTypeID") == 3) {
        // Counted by the second quantity: the price follows the second price.
        if (k != 0) {
            r.Put("FPrice", r.Num("FSecPrice") / k);
            r.Act("FPrice");
        }
        return;
    }
    if (r.Locked("FSecCoefficient") || k > 0) {
        if (k > 0) r.Put("FSecQty", r.Num("FShowQty") / k);
    } else if (r.Num("FSecQty") > 0 && r.Num("FShowQty") > 0) {
        r.Put("FSecCoefficient", r.Num("FShowQty") / r.Num("FSecQty"));
    }
    ApplyCostAmount(r);
    FollowCalType(r);
}

void OnSaleSecQtyChanged(FieldEdit& e) {
    const GoodsRow r(e);
    const bool industry = IsIndustryMode();
    if (industry && GetItemIsGC(r.Get("FItemID"))) {
        const double showQty = r.Num("FShowQty"), secQty = r.Num("FSecQty");
        if (r.Num("FCalTypeID") == 3 && showQty != 0 && secQty != 0) {
            r.Put("FPrice", r.Num("FSecPrice") * secQty / showQty);
            r.Put("FSecCoefficient", showQty / secQty);
            r.Act("FPrice");
        }
        return;
    }
    const double k = r.Num("FSecCoefficient");
    if (r.Locked("FSecCoefficient") || k > 0) {
        // Without a coefficient the quantity cannot follow (it would become 0).
        if (k <= 0) return;
        r.Put("FShowQty", r.Num("FSecQty") * k);
        r.Act("FShowQty");
        if (industry) {
            r.Put("FDisplayWeight", r.Get("FQty"));
            r.Put("FDisplayQty", r.Get("FShowQty"));
        }
        ApplyCostAmount(r);
    } else if (r.Num("FSecQty") > 0 && r.Num("FShowQty") > 0) {
        const double coefficient = r.Num("FShowQty") / r.Num("FSecQty");
        r.Put("FSecCoefficient", coefficient);
        r.Put("FSecPrice", r.Num("FPrice") * coefficient);
    }
}

void OnBaseQtyChanged(FieldEdit& e) {
    OnQtyChanged(e);
    ApplyCostAmount(GoodsRow(e));
}

void OnSaleSecCoefficientChanged(FieldEdit& e) {
    const GoodsRow r(e);
    const Value v = e.fieldDesc ? e.fieldDesc->Get("FFLD") : r.Get("FSecCoefficient");
    if (v.ToNumber() == 0) {
        r.Put("FSecQty", 0);
        r.Put("FSecPrice", 0);
        e.stop = true;
        return;
    }
    if (!IsIndustryMode()) return;
    r.Put("FDisplayQty", r.Get("FShowQty"));
    r.Put("FDisplayWeight", r.Get("FSecQty"));
    ApplySecPrice(r);
}

// ---- Stock, batch, auxiliary property
// ---------------------------------------------------------------

void OnAuxPropChanged(FieldEdit& e) {
    FillRowStockNumber(e.bill, e.row, BatchRowKeys::Of(e.set));
    RefreshRowStockInfo(e.bill, e.row, e.set);
}

void OnStockChanged(FieldEdit& e) {
    const GoodsRow r(e);
    const bool fromSource = HasSourceBillNo(r);
    if (r.Num("FPrice") == 0 && !fromSource) FetchRowSalePrice(e.bill, e.row, e.set);
    // A gift stock may take no price (the user's option): fetch again in the new stock.
    if (e.bill.FID() == ct::kSalesBill && !fromSource && IsVirtualStock(r.Get("FSCStockID")))
        FetchRowSalePrice(e.bill, e.row, e.set);
    FillRowCostPrice(e.bill, e.row, e.set);

    const std::string batch = r.Get("FBatchNo").ToString();
    if (!Trim(batch).empty() &&
        GetStockBatchKFInfo(r.Get("FItemID"), r.Get("FSCStockID"), batch) <= 0) {
        // The new stock does not hold the batch.
        r.Put("FBatchNo", "");
        if (auto cell = r.Cell("FBatchNo")) {
            cell->Set("FFLD", "");
            cell->Set("FFND", "");
            cell->Set("FDSP", "");
        }
    }
    r.Put("FSerialNo", "");
    RefreshRowStockInfo(e.bill, e.row, e.set);
    CalcRowPriceByCalType(r.bill, r.row, r.fs);
}

void OnBatchChanged(FieldEdit& e) {
    const GoodsRow r(e);
    FillRowBatchInfo(e.bill, e.row, BatchRowKeys::Of(e.set));
    if (e.bill.GetFieldValue("FBillTypeID").ToNumber() == bt::kDelivery) {
        const Value batch = r.Get("FBatchNo");
        if (!Trim(batch.ToString()).empty()) {
            r.Put("FBatchNo", "");
            r.Put("FBatchNo", batch);
        }
    }
    if (r.Num("FPrice") == 0 && !HasSourceBillNo(r)) FetchRowSalePrice(e.bill, e.row, e.set);
    FillRowCostPrice80(e.bill, e.row, e.set);
    RefreshRowStockInfo(e.bill, e.row, e.set);
}

// ---- Amounts and taxes
// -------------------------------------------------------------------------------

void OnAmountChanged(FieldEdit& e) {
    const GoodsRow r(e);
    r.Put("FInTaxAmount", r.Num("FAmount") + r.Num("FTaxAmount"));
    ApplySecPrice(r);
    SyncRowDisplayPrice(r.bill, r.row, r.fs);
}

void OnTaxAmountChanged(FieldEdit& e) {
    const GoodsRow r(e);
    const double before = e.OldValue().ToNumber();
    const double tail = RoundDecimal(std::fabs(r.Num("FTaxAmount") - before), 6);
    if (tail > 0.05) {
        ShowMessage("税额只能进行尾差调整", kMsgInformation, kMsgCaption);
        r.Put("FTaxAmount", before);
    }
    // The amount with tax follows the tax the row keeps, the refused one written back included.
    r.Put("FInTaxAmount", r.Num("FAmount") + r.Num("FTaxAmount"));
    FollowCalType(r);
}

void OnSaleInTaxAmountChanged(FieldEdit& e) {
    OnInTaxAmountChanged(e);
    auto form = e.bill.BillForm();
    if (!form || !form->AmountCalcPrice()) SyncRowDisplayPrice(e.bill, e.row, e.set);
}

// ---- Discounted prices
// -----------------------------------------------------------------------------

namespace {

// One unit's price fields for the discount rule.
struct DiscountUnit {
    const char* discounted;  // p: the discounted price after the host's formulas
    const char* quantity;    // q
    const char* listPrice;   // where a derived list price goes
    const char* taxPrice;    // the tax-inclusive discounted price ("" for the base unit)
};
constexpr DiscountUnit kBillUnit{"FPriceDiscount", "FShowQty", "FPrice", "FTaxPrice"};
constexpr DiscountUnit kBaseUnit{"FBasePriceDiscount", "FQty", "FBasePrice", ""};
constexpr DiscountUnit kSecUnit{"FSecPriceDiscount", "FSecQty", "FSecPrice", "FSecTaxPrice"};

const DiscountUnit& DiscountUnitOf(const FieldEdit& e) {
    const std::string key = e.set.IsMain() ? e.key : e.set.MainKeyOf(e.key);
    if (IEquals(key, "FBasePriceDiscount")) return kBaseUnit;
    if (IEquals(key, "FSecPriceDiscount")) return kSecUnit;
    return kBillUnit;  // FPriceDiscount, FTaxPrice
}

// The unit's list price (from the bill unit's FPrice); false when it cannot be formed.
bool ListPriceOf(const GoodsRow& r, const DiscountUnit& u, double& list) {
    const double price = r.Num("FPrice");
    if (&u == &kBaseUnit) {
        const double coefficient = r.Num("FCoefficient");
        if (coefficient == 0) return false;
        list = price / coefficient;
    } else if (&u == &kSecUnit) {
        list = price * r.Num("FSecCoefficient");
    } else {
        list = price;
    }
    return true;
}

// The derived list price is written to the unit's price with what follows it.
void MoveListPrice(const GoodsRow& r, const DiscountUnit& u, double list) {
    r.Put(u.listPrice, list);
    if (&u == &kBillUnit) {
        r.Act("FPrice", true);
        r.Put("FSecPrice", list * r.Num("FSecCoefficient"));
    } else {
        r.Act(u.listPrice);
        if (&u == &kBaseUnit) ApplySecPrice(r);
    }
    SyncRowDisplayPrice(r.bill, r.row, r.fs);
}

}  // namespace

void OnDiscountedPriceChanged(FieldEdit& e) {
    const GoodsRow r(e);
    const DiscountUnit& u = DiscountUnitOf(e);
    double list = 0;
    if (!ListPriceOf(r, u, list)) return;
    const double p = r.Num(u.discounted), q = r.Num(u.quantity);
    const double rate = r.Num("FDiscountRate");
    if (!IsMenuOptionChecked(e.bill, "mnuOption", "mnuOptionPriceCalcDiscount")) {
        // Keep the rate, move the list price.
        if (rate == 0) {
            r.Put("FDiscountAmount", (list - p) * q);
        } else {
            MoveListPrice(r, u, p * 100 / rate);
        }
        return;
    }
    // Keep the list price, move the rate.
    if (list != 0) {
        const double newRate = p / list * 100;
        r.Put("FDiscountRate", newRate);
        if (newRate != 0) r.Put("FDiscountAmount", q * p * (100 - newRate) / newRate);
    }
    if (*u.taxPrice) {
        r.Put(u.taxPrice, (r.Num("FTaxRate") / 100 + 1) * p);
        r.Act(u.taxPrice, true);
    }
}

// ---- Customer's item code, shelf life
// ------------------------------------------------------------

void OnClientItemChanged(FieldEdit& e) {
    const GoodsRow r(e);
    // The reverse look-up serves the main set; a second set keeps the code typed.
    const bool found = !e.set.IsMain() || FillItemByClientCode(e.bill, e.row);
    if (!found) r.Put("FClientItemID", "");
    FetchRowSalePrice(e.bill, e.row, e.set);
}

void OnShelfLifeChanged(FieldEdit& e) {
    CalcKFDatesOn(e.bill, KFFieldSet::Of(e.set), e.key, e.row);
}

namespace {

// A key the host's formulas alone look after.
void LeftToHostFormulas(FieldEdit&) {}

}  // namespace

void AddSalesRowRules(RuleBook& b, const FieldSet& fs) {
    b.OnChange(fs, "FItemID", &OnItemChosen, kSkipOnHostFill)
        .OnChange(fs, "FShowUnitID", &OnUnitChanged)
        .OnChange(fs, "FKFDate", &OnShelfLifeChanged)
        .OnChange(fs, "FKFPeriod", &OnShelfLifeChanged)
        .OnChange(fs, "FPeriodDate", &OnShelfLifeChanged)
        .OnChange(fs, "FSecQty", &OnSaleSecQtyChanged)
        .OnChange(fs, "FSecPrice", &OnSecPriceChanged)
        .OnChange(fs, "FQty", &OnBaseQtyChanged)
        .OnChange(fs, "FShowQty", &OnSaleShowQtyChanged, kSkipOnHostFill)
        .OnChange(fs, "FSecCoefficient", &OnSaleSecCoefficientChanged)
        .OnChange(fs, "FPrice", &OnPriceChanged, kSkipOnHostFill)
        .OnChange(fs, "FNoDiscAmount", &OnPriceChanged, kSkipOnHostFill)
        .OnChange(fs, "FBasePrice", &LeftToHostFormulas)
        .OnChange(fs, "FAuxPropID", &OnAuxPropChanged)
        .OnChange(fs, "FSCStockID", &OnStockChanged)
        .OnChange(fs, "FBatchNo", &OnBatchChanged)
        .OnChange(fs, "FAmount", &OnAmountChanged)
        .OnChange(fs, "FTaxAmount", &OnTaxAmountChanged)
        .OnChange(fs, "FInTaxAmount", &OnSaleInTaxAmountChanged)
        .OnChange(fs, "FBaseTaxPrice", &OnBaseTaxPriceChanged)
        .OnChange(fs, "FTaxPrice", &OnDiscountedPriceChanged)
        .OnChange(fs, "FSecTaxPrice", &OnDisplayPriceSynced)
        .OnChange(fs, "FBasePriceDiscount", &OnDiscountedPriceChanged)
        .OnChange(fs, "FSecPriceDiscount", &OnDiscountedPriceChanged)
        .OnChange(fs, "FPriceDiscount", &OnDiscountedPriceChanged)
        .OnChange(fs, "FClientItemID", &OnClientItemChanged);
}

// ---- Fields a row has once
// ------------------------------------------------------------------------

void OnSaleCalTypeChanged(FieldEdit& e) {
    OnCalTypeChosen(e);
    RefreshRowStockInfo(e.bill, e.row);
}

void OnSaleDisplayFieldChanged(FieldEdit& e) {
    OnDisplayFieldChanged(e);
    if (!IEquals(e.key, "FDisplayPrice")) ApplyCostAmount(GoodsRow(e));
}

void OnFreightChargeChanged(FieldEdit& e) {
    SyncTransportCostTotal(e.bill);
}

void AddRowDisplayRules(RuleBook& b) {
    b.OnChange("FCalTypeID", &OnSaleCalTypeChanged)
        .OnChange("FTranspotationCharges", &OnFreightChargeChanged)
        .OnChange("FDisplayPrice", &OnSaleDisplayFieldChanged)
        .OnChange("FDisplayWeight", &OnSaleDisplayFieldChanged)
        .OnChange("FDisplayQty", &OnSaleDisplayFieldChanged);
}

}  // namespace qor

#include "services/price_lookup.h"

#include <cstdio>
#include <optional>

#include "frame/data_access.h"
#include "frame/trap.h"
#include "services/clock.h"
#include "services/common.h"
#include "services/stock_period.h"
#include "services/system_options.h"

namespace qor {

// How the default sales price is settled where the rules leave it open:
// - A promotion whose newest row carries a price of 0 or less is no price: the look-up goes on
//   to the configured sources, so a promotion entered without a price never sells at nothing.
//   A promotion batch the database refuses is treated the same way (no promotion).
// - Every source answers with the price of the row's own unit and a discount rate for the row:
//   a net price (promotion, the customer's own price, the customer type's price-list column,
//   the cost-based price, the item's latest sales price) comes with 100, so a discount left on
//   the row by an earlier customer type does not cut it again; source 4 gives the list price
//   "FXSPrice" with the customer type's "FAgioRatio" (a fraction) as the rate, so the bill
//   shows list price and discount; source 6 gives the last price with the discount rate it was
//   sold at ("FDiscountRate", 100 when it holds none).
// - Source 3 takes the column "FXSPrice<n>" of the customer type's place n among the customer
//   types by number; the second form of the price-list statement (without that column) is used
//   when there is no customer, the customer has no type, or the type's place has no column
//   (beyond the tenth type), and then source 3 gives nothing.
// - Source 5 is cost plus margin: the item's unit cost in the chosen stock and batch
//   (GetItemCost, per base unit) times the unit's coefficient, marked up by the item's
//   "FProfitRate" (a fraction: 0.15 adds 15 %); the item's own profit rate is read, so items
//   without a price-list row can still be priced from cost. "FProfitRate" plays no part in the
//   other sources.
// - The tax-inclusive form (GetPromotionPriceByUnit, chosen when the caller's last argument is
//   1) reads the same sources in the same order: promotion, customer and price-list prices are
//   kept in the terms the option names, so they pass unchanged; only the cost-based price,
//   which is always net of tax, is grossed up by the item's tax rate ("FTaxRate", a fraction;
//   when it is 0 the general option "TaxRate", in percent).
// - A "FIsUsed" flag that reads False skips its row wherever it stands; a source that gives 0
//   or less passes to the next; when none gives a price the result is 0 and the discount 0 (the
//   row keeps its own).

namespace {

std::string Num(int32_t id) {
    return std::to_string(id);
}

double NumberField(const RecordsetPtr& rs, const std::string& column) {
    return rs->Field(column).ToNumber();
}

// The promotion price in force now for the item and unit (0 when there is none); the newest
// promotion bill wins.
double PromotionPrice(int32_t item, int32_t unit, int32_t customer) {
    Date now = CurrentDateTime();
    Date today{now.year, now.month, now.day};
    char timeOfDay[16];
    std::snprintf(timeOfDay, sizeof timeOfDay, "%02d:%02d:%02d", now.hour, now.minute, now.second);
    const std::string day = SqlValue(FormatDate(today));
    const std::string time = SqlValue(timeOfDay);

    const std::string sql = JoinLines({
        "  Set NoCount On ",
        "If Object_Id('Tempdb.dbo.#tmp') Is Not Null begin drop table #tmp end",
        "CREATE TABLE #tmp (FID int NOT NULL, FXSPrice decimal(23,10) NOT NULL )",
        "insert into #tmp Select l.FID,p.FXSPrice",
        "from t_LS_ItemPrice p ",
        "left join t_LS_CX l on l.FBillNo=p.FXSBillNo",
        "left join T_LS_CX_Customer c on c.FBillNo=p.FXSBillNo",
        "Where p.FItemID=" + Num(item) + " and p.FBranchShop=0 and p.FUnitID=" + Num(unit),
        "and (p.FXSBeginDate<=" + day + " and p.FXSEndDate>=" + day +
            ") and (p.FXSBeginTime<=" + time + " and p.FXSEndTime>=" + time + ")",
        customer > 0 ? "and (c.FItemID is null or c.FItemID =" + Num(customer) + ")"
                     : std::string("and c.FItemID is null"),
        "select top 1 FXSPrice from #tmp order by FID desc",
    });
    try {
        // The same item, unit and customer within one event (a re-priced bill) read it once.
        return FirstField(GetCachedRecordset(sql)).ToNumber();
    } catch (...) {
        NoteTrapped("PromotionPrice");
        return 0;
    }
}

// A row of the customer's price profile that names the unit: its price and item code.
struct CustomerProfileHit {
    double price = 0;
    std::string code;
};

std::optional<CustomerProfileHit> FindCustomerProfile(int32_t item, int32_t unit,
                                                      int32_t customer) {
    if (item <= 0 || unit <= 0 || customer <= 0) return std::nullopt;
    auto rs = GetCachedRecordset("select * from t_ItemPriceProfile where FItemID= " + Num(item) +
                                 " and FCustID= " + Num(customer));
    for (; rs && !rs->IsEOF(); rs->MoveNext()) {
        for (int slot = 1; slot <= 3; ++slot) {
            const std::string n = std::to_string(slot);
            if (rs->Field("FUnitID" + n).ToNumber() != unit) continue;
            CustomerProfileHit hit;
            hit.price = rs->Field("FXSPrice" + n).ToNumber();  // null reads 0
            hit.code = Trim(rs->Field("FClientGood" + n).ToString());
            return hit;
        }
    }
    return std::nullopt;
}

// The customer's type: its place among the types by number (0: none) and discount ratio.
struct ClientTypeInfo {
    int position = 0;
    double agioRatio = 0;
};

ClientTypeInfo ReadClientType(int32_t customer) {
    ClientTypeInfo info;
    if (customer <= 0) return info;
    auto org =
        GetCachedRecordset("Select FTypeID From t_Organization Where FItemID=" + Num(customer));
    if (!org || org->IsEOF()) return info;
    double type = org->Field(0).ToNumber();
    if (type <= 0) return info;
    auto types = GetCachedRecordset("Select FItemID,FAgioRatio From t_ClientType Order By FNumber");
    int position = 0;
    for (; types && !types->IsEOF(); types->MoveNext()) {
        ++position;
        if (types->Field("FItemID").ToNumber() == type) {
            info.position = position;
            info.agioRatio = types->Field("FAgioRatio").ToNumber();
            break;
        }
    }
    return info;
}

constexpr int kClientTypeColumns = 10;  // t_ItemPrice carries FXSPrice1 to FXSPrice10

// The item's price-list row for the unit.
struct PriceListRow {
    bool found = false;
    double typePrice = 0;  // the customer type's column (first form only)
    double listPrice = 0;
    double latestPrice = 0;
};

PriceListRow ReadPriceList(int32_t item, int32_t unit, const ClientTypeInfo& type) {
    std::string sql =
        "Select ##FXSPrice## p.FXSPrice,p.FXSLatestPrice,t.FProfitRate From t_ICItem t right "
        "Join t_ItemPrice p ON p.FItemID=t.FItemID Where t.FItemID=" +
        Num(item) + " and p.FUnitID=" + Num(unit);
    const bool withTypeColumn = type.position >= 1 && type.position <= kClientTypeColumns;
    const std::string placeholder = "##FXSPrice##";
    sql.replace(sql.find(placeholder), placeholder.size(),
                withTypeColumn ? "p.FXSPrice" + std::to_string(type.position) + "," : "");
    PriceListRow row;
    auto rs = GetCachedRecordset(sql);
    if (!rs || rs->IsEOF()) return row;
    row.found = true;
    if (withTypeColumn) row.typePrice = rs->Field(0).ToNumber();
    row.listPrice = NumberField(rs, "FXSPrice");
    row.latestPrice = NumberField(rs, "FXSLatestPrice");
    return row;
}

// The item's tax rate in percent: its own, else the general option.
double ItemTaxPercent(int32_t item) {
    auto rs = GetCachedRecordset("Select FTaxRate From t_ICItem Where FItemID=" + Num(item));
    double rate = FirstField(rs).ToNumber() * 100;
    if (rate == 0) rate = Val(GetSystemProfileValue("TaxRate", "General", "0"));
    return rate;
}

double CostPlusPrice(int32_t item, int32_t unit, const Value& stock, const Value& batch,
                     bool taxInclusive) {
    double cost = GetItemCost(item, stock, batch.ToString()) * GetBarcodeCoefficient(item, unit);
    if (cost <= 0) return 0;
    auto rs = GetCachedRecordset("Select FProfitRate From t_ICItem Where FItemID=" + Num(item));
    double profit = FirstField(rs).ToNumber();
    double price = cost * (1 + profit);
    if (taxInclusive) price *= 1 + ItemTaxPercent(item) / 100;
    return price;
}

// The walk over the promotion and the configured sources.
double LookUpSalePrice(const Value& itemV, const Value& unitV, const Value& customerV,
                       const Value& stock, const Value& batch, double& discount,
                       bool taxInclusive) {
    discount = 0;
    try {
        auto item = IdOf(itemV);
        auto unit = IdOf(unitV);
        if (!item || !unit || *item <= 0 || *unit <= 0) return 0;
        int32_t customer = IdOf(customerV).value_or(0);
        if (customer < 0) customer = 0;

        double price = PromotionPrice(*item, *unit, customer);
        if (price > 0) {
            discount = 100;
            return price;
        }

        auto profile = GetCachedRecordset(" select * from t_XS_PriceProfile Order by FSortIndex ");
        std::optional<ClientTypeInfo> type;
        std::optional<PriceListRow> list;
        auto clientType = [&]() -> const ClientTypeInfo& {
            if (!type) type = ReadClientType(customer);
            return *type;
        };
        auto priceList = [&]() -> const PriceListRow& {
            if (!list) list = ReadPriceList(*item, *unit, clientType());
            return *list;
        };

        for (; profile && !profile->IsEOF(); profile->MoveNext()) {
            if (!profile->Field("FIsUsed").ToBool()) continue;
            double rate = 100;
            price = 0;
            switch (static_cast<int>(profile->Field("FPriceID").ToNumber())) {
                case kPriceCustomerProfile:
                    if (auto hit = FindCustomerProfile(*item, *unit, customer)) price = hit->price;
                    break;
                case kPriceClientTypeColumn:
                    price = priceList().typePrice;
                    break;
                case kPriceListWithAgio:
                    price = priceList().listPrice;
                    if (clientType().agioRatio > 0) rate = clientType().agioRatio * 100;
                    break;
                case kPriceCostPlusProfit:
                    price = CostPlusPrice(*item, *unit, stock, batch, taxInclusive);
                    break;
                case kPriceLatestToCustomer: {
                    if (customer <= 0) break;
                    auto rs = GetCachedRecordset(
                        "Select FPrice,FDiscountRate From t_LatestPrice Where "
                        "FItemID=" +
                        Num(*item) + " and FUnitID=" + Num(*unit) +
                        " And FCustID=" + Num(customer));
                    if (!rs || rs->IsEOF()) break;
                    price = NumberField(rs, "FPrice");
                    double sold = NumberField(rs, "FDiscountRate");
                    if (sold > 0) rate = sold;
                    break;
                }
                case kPriceItemLatest:
                    if (list) {
                        price = list->latestPrice;
                    } else {
                        auto rs = GetCachedRecordset(
                            "Select a.FXSLatestPrice From t_icitem b left join T_ItemPrice a on "
                            "a.fitemid=b.fitemid  Where a.FItemID=" +
                            Num(*item) + " And a.FUnitID=" + Num(*unit));
                        if (rs && !rs->IsEOF()) price = rs->Field(0).ToNumber();
                    }
                    break;
                default:
                    break;
            }
            if (price > 0) {
                discount = rate;
                return price;
            }
        }
        return 0;
    } catch (...) {
        NoteTrapped("LookUpSalePrice");
        discount = 0;
        return 0;
    }
}

}  // namespace

double GetPromotionPrice(const Value& item, const Value& unit, const Value& customer,
                         const Value& stock, const Value& batch, double& discount, int includeTax) {
    if (includeTax == 1)
        return GetPromotionPriceByUnit(item, unit, customer, stock, batch, discount);
    return LookUpSalePrice(item, unit, customer, stock, batch, discount, false);
}

double GetPromotionPriceByUnit(const Value& item, const Value& unit, const Value& customer,
                               const Value& stock, const Value& batch, double& discount) {
    return LookUpSalePrice(item, unit, customer, stock, batch, discount, true);
}

double GetCustomerUnitPrice(const Value& item, const Value& unit, const Value& customer) {
    try {
        auto i = IdOf(item), u = IdOf(unit), c = IdOf(customer);
        if (!i || !u || !c) return 0;
        auto hit = FindCustomerProfile(*i, *u, *c);
        return hit ? hit->price : 0;
    } catch (...) {
        NoteTrapped("GetCustomerUnitPrice");
        return 0;
    }
}

int IsSaleForIncludeTaxPrice() {
    try {
        return static_cast<int>(Val(GetSystemProfileValue("IsSaleForIncludeTaxPrice", "IC", "0")));
    } catch (...) {
        NoteTrapped("IsSaleForIncludeTaxPrice");
        return 0;
    }
}

double GetBarcodeCoefficient(const Value& item, const Value& unit) {
    try {
        auto rs =
            GetCachedRecordset("select FCoefficient from vw_barcode where FItemID=" + SqlId(item) +
                               " and FUnitID=" + SqlId(unit));
        return FirstField(rs).ToNumber();
    } catch (...) {
        NoteTrapped("GetBarcodeCoefficient");
        return 0;
    }
}

std::string GetBarcodeByUnit(const Value& item, const Value& unit) {
    try {
        auto rs =
            GetCachedRecordset("select FBarcode from vw_barcode where FItemID=" + SqlId(item) +
                               " and FUnitID=" + SqlId(unit));
        return FirstText(rs);
    } catch (...) {
        NoteTrapped("GetBarcodeByUnit");
        return "";
    }
}

int32_t GetBarcodeUnitID(const Value& item, const Value& entryNo) {
    try {
        auto rs = GetCachedRecordset("select FUnitID from t_barcode where FItemID=" + SqlId(item) +
                                     " and FEntryNo=" + SqlId(entryNo));
        return ToId(FirstField(rs));
    } catch (...) {
        NoteTrapped("GetBarcodeUnitID");
        return 0;
    }
}

ItemUnitList GetItemUnitList(const std::string& partnerKey, const Value& partner,
                             const Value& item) {
    ItemUnitList list;
    try {
        auto itemID = IdOf(item);
        if (!itemID || *itemID <= 0) return list;
        auto rs = GetCachedRecordset(
            "Select FItemID,FNumber,FName,FCoefficient,FBarcode,FSrcItemID From vw_unit Where "
            "FSrcItemID=" +
            Num(*itemID) + " order by FOrder desc ");
        for (; rs && !rs->IsEOF(); rs->MoveNext()) {
            ItemUnit u;
            u.unitID = ToId(rs->Field("FItemID"));
            u.number = rs->Field("FNumber").ToString();
            u.name = rs->Field("FName").ToString();
            u.coefficient = rs->Field("FCoefficient").ToNumber();
            u.barcode = rs->Field("FBarcode").ToString();
            u.srcItemID = ToId(rs->Field("FSrcItemID"));
            list.units.push_back(std::move(u));
        }
        if (list.units.empty()) return list;
        auto pick = [&](double unit) {
            for (size_t i = 0; i < list.units.size(); ++i)
                if (unit > 0 && list.units[i].unitID == unit) {
                    list.defaultIndex = static_cast<int>(i);
                    return true;
                }
            return false;
        };

        // The unit last traded with the partner; the partner key names the t_LatestPrice column.
        int32_t partnerID = IdOf(partner).value_or(0);
        std::string column = IEquals(partnerKey, "FSupplyID") ? "FSupplyID"
                             : IEquals(partnerKey, "FCustID") ? "FCustID"
                                                              : "";
        if (partnerID > 0 && !column.empty()) {
            auto last = GetRecordset(
                "Select top 1 FUnitID From t_LatestPrice Where FItemID=" + Num(*itemID) + " And " +
                column + "=" + Num(partnerID) + " Order By FDate Desc,FID Desc");
            if (last && !last->IsEOF() && pick(last->Field(0).ToNumber())) return list;
        }
        auto units = GetCachedRecordset("Select FSaleUnitID,FUnitID From t_ICItem Where FItemID=" +
                                        Num(*itemID));
        if (units && !units->IsEOF()) {
            if (pick(units->Field("FSaleUnitID").ToNumber())) return list;
            if (pick(units->Field("FUnitID").ToNumber())) return list;
        }
        list.defaultIndex = 0;
        return list;
    } catch (...) {
        NoteTrapped("GetItemUnitList");
        return ItemUnitList{};
    }
}

void FillClientItemID(IBillForm& bill, int row, const FieldSet& set) {
    Trapped("FillClientItemID", [&] {
        if (row < 1) return;
        auto item = IdOf(bill.GetFieldValue(set["FItemID"], row));
        auto unit = IdOf(bill.GetFieldValue(set["FShowUnitID"], row));
        auto customer = IdOf(bill.GetFieldValue("FCustID"));
        std::string code;
        if (item && unit && customer) {
            if (auto hit = FindCustomerProfile(*item, *unit, *customer)) code = hit->code;
        }
        bill.SetFieldValue(set["FClientItemID"], code, row);
    });
}

bool FillItemByClientCode(IBillForm& bill, int row) {
    try {
        if (row < 1) return false;
        std::string code = Trim(bill.GetFieldValue("FClientItemID", row).ToString());
        auto customer = IdOf(bill.GetFieldValue("FCustID"));
        if (code.empty() || !customer || *customer <= 0) return false;
        const std::string quoted = SqlValue(code);
        auto rs = GetRecordset(
            "select a.*,b.FNumber from t_ItemPriceProfile a left join t_ICItem b on "
            "a.FItemID=b.FItemID Where a.FCustID=" +
            Num(*customer) + " and (a.FClientGood1=" + quoted + " or a.FClientGood2=" + quoted +
            " or a.FClientGood3=" + quoted + ") Order by b.FNumber");
        if (!rs || rs->IsEOF()) return false;
        int32_t item = ToId(rs->Field("FItemID"));
        if (item <= 0) return false;
        int32_t unit = 0;
        for (int slot = 1; slot <= 3 && unit == 0; ++slot) {
            const std::string n = std::to_string(slot);
            if (IEquals(Trim(rs->Field("FClientGood" + n).ToString()), code))
                unit = ToId(rs->Field("FUnitID" + n));
        }
        bill.FireChange("FItemID", row, item);
        if (unit > 0) bill.FireChange("FShowUnitID", row, unit);
        return true;
    } catch (...) {
        NoteTrapped("FillItemByClientCode");
        return false;
    }
}

}  // namespace qor

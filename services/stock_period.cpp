#include "services/stock_period.h"

#include <charconv>
#include <cmath>

#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/platform.h"
#include "frame/plugin.h"
#include "frame/trap.h"
#include "services/common.h"
#include "services/system_options.h"

namespace qor {

namespace {

int32_t PositiveId(const Value& v) {
    int32_t id = SafeId(v);
    return id > 0 ? id : 0;
}

std::string Num(int32_t id) {
    return std::to_string(id);
}

// Decimal rounding with a half going to the even digit, done on the shortest decimal text of
// the number so that 0.125 with two digits is 0.12 and 2.675 (binary 2.67499..) is 2.68.
double RoundHalfEven(double d, int digits) {
    if (!std::isfinite(d)) return d;
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
    if (res.ec != std::errc()) return d;
    std::string text(buf, res.ptr);
    bool negative = !text.empty() && text[0] == '-';
    if (negative) text.erase(0, 1);
    size_t point = text.find('.');
    std::string whole = point == std::string::npos ? text : text.substr(0, point);
    std::string frac = point == std::string::npos ? "" : text.substr(point + 1);
    if (static_cast<int>(frac.size()) <= digits) return d;
    std::string kept = whole + frac.substr(0, static_cast<size_t>(digits));
    std::string rest = frac.substr(static_cast<size_t>(digits));
    bool up = false;
    if (rest[0] > '5') {
        up = true;
    } else if (rest[0] == '5') {
        bool beyond = rest.find_first_not_of('0', 1) != std::string::npos;
        up = beyond || ((kept.back() - '0') % 2 == 1);
    }
    if (up) {
        int i = static_cast<int>(kept.size()) - 1;
        while (i >= 0 && kept[static_cast<size_t>(i)] == '9') kept[static_cast<size_t>(i--)] = '0';
        if (i < 0)
            kept.insert(kept.begin(), '1');
        else
            ++kept[static_cast<size_t>(i)];
    }
    std::string out = kept.substr(0, kept.size() - static_cast<size_t>(digits));
    if (digits > 0) out += "." + kept.substr(kept.size() - static_cast<size_t>(digits));
    double value = 0;
    std::from_chars(out.data(), out.data() + out.size(), value);
    return negative ? -value : value;
}

// Keeps the number of decimals the option "QuantityDigitCount" asks for (none: unchanged).
double ToQuantityDigits(double qty) {
    std::string option = Trim(GetSystemProfileValue("QuantityDigitCount", "IC"));
    if (option.empty()) return qty;
    double digits = Val(option);
    if (digits < 0 || digits > 10) return qty;
    return RoundHalfEven(qty, static_cast<int>(digits));
}

// True when the comma-separated list holds the entry.
bool ListHolds(const std::string& list, const std::string& entry) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string part = Trim(
            list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (part == entry) return true;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return false;
}

// The one stock query on t_cc_inventory behind the quantity, per-stock and shortage look-ups.
struct InventoryQuery {
    int32_t item = 0;
    int32_t aux = 0;
    std::string batch;
    int32_t unit = 0;
    bool stockColumns = false;
    int32_t stock = 0;            // with stockColumns: one stock, or 0
    bool realStocksOnly = false;  // leave virtual stocks out
};

struct InventoryRow {
    std::string itemNumber, itemName, auxNumber, auxName, batch, stockNumber, stockName;
    double qty = 0, secQty = 0, showQty = 0;
};

std::vector<InventoryRow> RunInventoryQuery(const InventoryQuery& q) {
    const bool withAux = q.aux > 0;
    const bool withBatch = !Trim(q.batch).empty();
    const bool withUnit = q.unit > 0;

    std::string columns = "Select b.FNumber,b.FName as ItemName";
    std::string groupBy = " Group by b.FNumber,b.FName";
    int index = 2;
    int auxAt = -1, batchAt = -1, stockAt = -1;
    if (withAux) {
        columns += ",c.FNumber,c.FName as AuxPropName";
        groupBy += ",c.FNumber,c.FName";
        auxAt = index;
        index += 2;
    }
    if (withBatch) {
        columns += ",a.FBatchNo";
        groupBy += ",a.FBatchNo";
        batchAt = index++;
    }
    if (q.stockColumns) {
        columns += ",d.FNumber,d.FName as StockName";
        groupBy += ",d.FNumber,d.FName";
        stockAt = index;
        index += 2;
    }
    if (withUnit) {
        // A unit whose coefficient is 0 gives no shown quantity instead of failing the query.
        columns +=
            ",e.FCoefficient,isNull(sum(FQty),0) as SumQty,isNull(sum(FSecQty),0) as "
            "SumSecQty,isNull(sum(FQty),0)/NullIf(e.FCoefficient,0) as SumShowQty";
        groupBy += ",e.FCoefficient";
    } else {
        columns += ",isNull(sum(FQty),0) as SumQty";
    }

    std::string sql = columns + " from t_cc_inventory a left join " +
                      " t_icitem b on a.fitemid=b.fitemid left join t_auxitem c on "
                      "a.FAuxPropID=c.fitemid left join " +
                      " t_stock d on a.FStockID=d.fitemid ";
    if (withUnit) sql += " left join vw_unit e on a.FItemID=e.FSrcItemID ";
    sql += " Where a.FItemID=" + Num(q.item);
    if (withAux) sql += " and a.FAuxPropID=" + Num(q.aux);
    if (withBatch) sql += " and a.FBatchNo=" + SqlValue(q.batch);
    if (withUnit) sql += " and e.FItemID=" + Num(q.unit);
    if (q.stockColumns && q.stock > 0) sql += " and a.FStockID=" + Num(q.stock);
    if (q.realStocksOnly) sql += " and d.FTypeID<>" + std::to_string(kVirtualStockType) + " ";
    if (NeedAuthorize() && ListHolds(GetAuthItemClassList(), "5")) {
        ParsePropsString(GetPropsString());
        sql +=
            " and Charindex(" + SqlValue(std::to_string(GetPropsUserID())) + ",d.FRightUserID)>0 ";
    }
    sql += groupBy;

    std::vector<InventoryRow> rows;
    auto rs = GetRecordset(sql);
    for (; rs && !rs->IsEOF(); rs->MoveNext()) {
        InventoryRow r;
        r.itemNumber = rs->Field(0).ToString();
        r.itemName = rs->Field(1).ToString();
        if (auxAt >= 0) {
            r.auxNumber = rs->Field(auxAt).ToString();
            r.auxName = rs->Field(auxAt + 1).ToString();
        }
        if (batchAt >= 0) r.batch = rs->Field(batchAt).ToString();
        if (stockAt >= 0) {
            r.stockNumber = rs->Field(stockAt).ToString();
            r.stockName = rs->Field(stockAt + 1).ToString();
        }
        r.qty = rs->Field("SumQty").ToNumber();
        if (withUnit) {
            r.secQty = rs->Field("SumSecQty").ToNumber();
            r.showQty = rs->Field("SumShowQty").ToNumber();
        }
        rows.push_back(std::move(r));
    }
    return rows;
}

InventoryQuery MakeQuery(const Value& item, const Value& aux, const std::string& batch,
                         const Value& unit) {
    InventoryQuery q;
    q.item = PositiveId(item);
    q.aux = PositiveId(aux);
    q.batch = batch;
    q.unit = PositiveId(unit);
    return q;
}

bool BySecondQty(const Value& calType) {
    return calType.ToNumber() == 3;
}

std::string NameOf(const std::string& table, int32_t id) {
    return FirstText(
        GetCachedRecordset("Select Fname from " + table + " where FitemID=" + Num(id)));
}

// The quantity in the item's packing units when the item has barcode units, else plain.
std::string QuantityText(int32_t item, double qty) {
    auto count = GetCachedRecordset("select COUNT(*) from t_Barcode where FItemID = " + Num(item));
    if (Val(FirstText(count)) > 0) {
        try {
            std::string text = Trim(FirstText(GetRecordset("select dbo.GetComplexQty(" + Num(item) +
                                                           "," + NumberToText(qty) + ")")));
            if (!text.empty()) return text;
        } catch (...) {
            NoteTrapped("QuantityText");
        }
    }
    return NumberToText(qty);
}

double ItemCost(const char* method, const Value& item, const Value& stock,
                const std::string& batch) {
    try {
        int32_t itemID = PositiveId(item);
        if (itemID == 0) return 0;
        auto reader = CreateHostObject<IComponent>("QORMCalCulateItemCost.StockBillReader");
        double cost =
            reader->Call(method, {GetPropsString(), itemID, PositiveId(stock), batch}).ToNumber();
        return std::isfinite(cost) ? cost : 0;
    } catch (...) {
        NoteTrapped("ItemCost");
        return 0;
    }
}

}  // namespace

// ---- Periods
// -------------------------------------------------------------------------------------

Verdict CheckPeriodOpen(const Value& billDate, const Value&, const std::string& closedFlag) {
    return Trapped("CheckPeriodOpen", Verdict::Pass(), [&] {
        std::string flag = Trim(closedFlag);
        if (flag.empty())
            flag = Trim(FirstText(GetCachedRecordset(
                "Select FValue From t_SystemProfile Where FCategory = 'Base' and FKey = "
                "'AcctountingClosed'")));
        if (flag != "1") return Verdict::Pass();
        std::string start, end;
        if (!GetCurPeriodRange(start, end)) return Verdict::Pass();
        auto date = ParseDate(billDate.ToString());
        auto first = ParseDate(start);
        auto last = ParseDate(end);
        if (!date || !first || !last) return Verdict::Pass();
        const std::string day = FormatDateSlash(*date);
        if (FormatDateSlash(*first) <= day && day <= FormatDateSlash(*last)) {
            // clang-format off
            return Verdict::Refuse("当前期间已经关账、不可以进行本期出入库单据和成本调整单据的录入、修改、审核、删除等操作! ",
                                   kMsgInformation, kMsgCaption);
            // clang-format on
        }
        return Verdict::Pass();
    });
}

bool GetCurPeriodRange(std::string& startDate, std::string& endDate) {
    startDate.clear();
    endDate.clear();
    try {
        const std::string sql = JoinLines({
            "Declare @Year int,@Period int ",
            "SELECT @Year=CONVERT(INT,FValue) FROM t_SystemProfile WHERE FCategory='IC' AND "
            "FKey='CurrentYear'",
            "SELECT @Period = CONVERT(INT,FValue) FROM t_SystemProfile WHERE FCategory='IC' "
            "AND FKey='CurrentPeriod'",
            "SELECT CONVERT(DATETIME,FStartDate)as FStartDate,CONVERT(DATETIME,FEndDate)as "
            "FEndDate FROM t_PeriodDate "
            "WHERE FYear=@Year AND FPeriod=@Period ",
        });
        auto rs = GetCachedRecordset(sql);
        if (!rs || rs->IsEOF()) return false;
        auto first = ParseDate(rs->Field("FStartDate").ToString());
        auto last = ParseDate(rs->Field("FEndDate").ToString());
        if (!first || !last) return false;
        startDate = FormatDate(*first);
        endDate = FormatDate(*last);
        return true;
    } catch (...) {
        NoteTrapped("GetCurPeriodRange");
        startDate.clear();
        endDate.clear();
        return false;
    }
}

Date GetInitStartDate() {
    const Date none{1900, 1, 1, 0, 0, 0};
    try {
        auto rs = GetCachedRecordset(
            "SELECT CONVERT(DATETIME,a.FStartDate) AS FStartDate,CONVERT(DATETIME,a.FEndDate) AS "
            "FEndDate  FROM t_PeriodDate a, (select CONVERT(INT,FValue) as FYear FROM "
            "t_SystemProfile WHERE FCategory='IC' AND FKey='StartYear') AS b, (select "
            "CONVERT(INT,FValue)as FPeriod FROM t_SystemProfile WHERE FCategory='IC' AND "
            "FKey='StartPeriod') as c, (select CONVERT(INT,FValue) as FClosed FROM "
            "t_SystemProfile WHERE FCategory='GL' AND FKey='Closed') AS d, (select "
            "CONVERT(INT,FValue)as FInitClosed FROM t_SystemProfile WHERE FCategory='GL' AND "
            "FKey='InitClosed') as e WHERE a.FYear = b.FYear and a.FPeriod = c.FPeriod and "
            "d.FClosed = 1 and e.FInitClosed = 0 ");
        if (!rs || rs->IsEOF()) return none;
        return ParseDate(rs->Field("FStartDate").ToString()).value_or(none);
    } catch (...) {
        NoteTrapped("GetInitStartDate");
        return none;
    }
}

// ---- Stock on hand
// ---------------------------------------------------------------------------------

double GetInventoryQty(const Value& item, const Value& aux, const std::string& batch,
                       const Value& calType, const Value& unit, StockSum sum) {
    return Trapped("GetInventoryQty", 0.0, [&] {
        InventoryQuery q = MakeQuery(item, aux, batch, unit);
        if (q.item == 0) return 0.0;
        if (sum == StockSum::ByCalType)
            sum = BySecondQty(calType) ? StockSum::SecQty : StockSum::Qty;
        if (q.unit == 0) sum = StockSum::Qty;
        double total = 0;
        for (const auto& row : RunInventoryQuery(q)) {
            total += sum == StockSum::SecQty    ? row.secQty
                     : sum == StockSum::ShowQty ? row.showQty
                                                : row.qty;
        }
        return ToQuantityDigits(total);
    });
}

std::vector<StockQty> GetInventoryQtyByStock(const Value& item, const Value& aux,
                                             const std::string& batch, const Value&,
                                             const Value& unit) {
    std::vector<StockQty> result;
    try {
        InventoryQuery q = MakeQuery(item, aux, batch, unit);
        if (q.item == 0) return result;
        q.stockColumns = true;
        for (auto& row : RunInventoryQuery(q)) {
            StockQty s;
            s.itemNumber = std::move(row.itemNumber);
            s.itemName = std::move(row.itemName);
            s.auxNumber = std::move(row.auxNumber);
            s.auxName = std::move(row.auxName);
            s.batch = std::move(row.batch);
            s.stockNumber = std::move(row.stockNumber);
            s.stockName = std::move(row.stockName);
            s.qty = ToQuantityDigits(row.qty);
            s.secQty = ToQuantityDigits(row.secQty);
            s.showQty = ToQuantityDigits(row.showQty);
            result.push_back(std::move(s));
        }
        return result;
    } catch (...) {
        NoteTrapped("GetInventoryQtyByStock");
        return {};
    }
}

InventoryShortage CheckInventoryShort(const Value& item, const Value& stock, const Value& aux,
                                      const std::string& batch, const Value& calType,
                                      const Value& unit) {
    InventoryShortage data;
    try {
        InventoryQuery q = MakeQuery(item, aux, batch, unit);
        if (q.item == 0) return data;
        q.stockColumns = true;
        q.stock = PositiveId(stock);
        q.realStocksOnly = q.stock == 0;
        auto rows = RunInventoryQuery(q);
        data.found = !rows.empty();
        for (const auto& row : rows) {
            data.qty += row.qty;
            data.secQty += row.secQty;
            data.showQty += row.showQty;
        }
        data.qty = ToQuantityDigits(data.qty);
        data.secQty = ToQuantityDigits(data.secQty);
        data.showQty = ToQuantityDigits(data.showQty);
        data.batch = Trim(batch);
        if (data.found) {
            data.itemName = rows.front().itemName;
            if (q.stock > 0) data.stockName = rows.front().stockName;
            if (q.aux > 0) data.auxName = rows.front().auxName;
        } else {
            data.itemName = NameOf("t_icitem", q.item);
            if (q.stock > 0) data.stockName = NameOf("t_stock", q.stock);
            if (q.aux > 0) data.auxName = NameOf("t_auxitem", q.aux);
        }
        data.qtyText = QuantityText(q.item, data.qty);

        std::string text = "商品：" + data.itemName;
        if (q.stock > 0) text += "  仓库：" + data.stockName;
        if (q.aux > 0) text += "  辅助属性：" + data.auxName;
        if (!data.batch.empty()) text += "  批号：" + data.batch;
        text += "  库存：" + data.qtyText;
        if (BySecondQty(calType) && q.unit > 0) text += "  辅助数量：" + NumberToText(data.secQty);
        data.text = std::move(text);
        return data;
    } catch (...) {
        NoteTrapped("CheckInventoryShort");
        return InventoryShortage{};
    }
}

void GetOrderPendingQty(int kind, const Value& item, double& purchaseQty, double& salesQty,
                        const Value& aux) {
    auto pending = [&](const std::string& head) {
        try {
            int32_t itemID = PositiveId(item);
            if (itemID == 0) return 0.0;
            std::string sql =
                head +
                " On t1.FID=t2.FID Where IsNull(t2.FStatus,0)=1 And t1.FItemID=" + Num(itemID);
            int32_t auxID = PositiveId(aux);
            if (auxID > 0) sql += " And t1.FAuxPropID=" + Num(auxID);
            double qty = Val(FirstText(GetRecordset(sql)));
            return std::isfinite(qty) ? qty : 0.0;
        } catch (...) {
            NoteTrapped("GetOrderPendingQty");
            return 0.0;
        }
    };
    if (kind == 1 || kind == 3) {
        purchaseQty = pending(
            "Select Sum(t1.FUnStockInQty*t1.FCoefficient) as BookQty From t_cg_Orderentry t1 "
            "Inner Join t_cg_Order t2");
    }
    if (kind == 2 || kind == 3) {
        salesQty = pending(
            "Select Sum((t1.FShowQty-t1.FSendQty)*t1.FCoefficient)  as BookQty From "
            "t_XS_OrderEntry t1 Inner Join t_XS_Order t2");
    }
}

// ---- Costs, stocks
// -------------------------------------------------------------------------------

double GetItemCost(const Value& item, const Value& stock, const std::string& batch) {
    return ItemCost("GetCost", item, stock, batch);
}

double GetItemCost80(const Value& item, const Value& stock, const std::string& batch) {
    return ItemCost("GetCost80", item, stock, batch);
}

bool IsVirtualStock(const Value& stock) {
    try {
        int32_t id = PositiveId(stock);
        if (id == 0) return false;
        auto rs = GetCachedRecordset("Select FTypeID From t_Stock Where FItemID=" + Num(id));
        return FirstField(rs).ToNumber() == kVirtualStockType;
    } catch (...) {
        NoteTrapped("IsVirtualStock");
        return false;
    }
}

void SetDefaultStock(IBillForm& bill, int row, const std::string& stockKey,
                     const std::string& itemKey) {
    try {
        if (row < 1) return;
        if (Val(GetSystemProfileValue("IsUsePrevStockForBill", "IC")) != 1) return;
        std::string number;
        int32_t item = PositiveId(bill.GetFieldValue(itemKey, row));
        if (item > 0)
            number = Trim(FirstText(GetCachedRecordset(
                "Select b.Fnumber from t_icitem  a Left join t_stock b on a.FDefaultLoc=b.Fitemid "
                "Where a.FitemID=" +
                Num(item))));
        if (number.empty() && row == 1) {
            auto info = CreateHostObject<IComponent>("QOREBSGLItem.ItemInfo");
            Value answer = info->Call("GetStockInfo", {GetPropsString()});
            if (auto rs = answer.As<IRecordset>()) {
                if (!rs->IsEOF()) number = Trim(rs->Field("FNumber").ToString());
            } else {
                number = Trim(answer.ToString());
            }
        } else if (number.empty()) {
            if (auto cell = bill.GetDataFldbyKey(stockKey, row - 1))
                number = Trim(cell->Get("FFND").ToString());
            if (number.empty()) {
                int32_t previous = PositiveId(bill.GetFieldValue(stockKey, row - 1));
                if (previous > 0)
                    number = Trim(FirstText(GetCachedRecordset(
                        "Select FNumber From t_Stock Where FItemID=" + Num(previous))));
            }
        }
        if (!number.empty()) bill.SetFieldValue(stockKey, number, row);
    } catch (...) {
        NoteTrapped("SetDefaultStock");
    }
}

int GetControlPoint() {
    try {
        auto profile = CreateHostObject<IComponent>("QOREBCGL.SystemProfile");
        Args none;
        profile->Call("Refresh", none);
        Value v = profile->Call("GetSystemProfile", {"IC", "ControlPoint"});
        return static_cast<int>(v.IsText() ? Val(v.AsText()) : v.ToNumber());
    } catch (...) {
        NoteTrapped("GetControlPoint");
        return 0;
    }
}

}  // namespace qor

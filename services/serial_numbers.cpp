#include "services/serial_numbers.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "frame/collection.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/platform.h"
#include "frame/plugin.h"
#include "frame/trap.h"
#include "services/common.h"
#include "services/system_options.h"

namespace qor {

bool IsInIdList(std::span<const int32_t> list, long id) {
    return std::find(list.begin(), list.end(), id) != list.end();
}

bool IsSerialNumItem(const Value& itemID) {
    return ReadItemColumn("select FIsSerialNumMgr from t_icitem where FItemID=", itemID).ToBool();
}

// ---- Serial numbers of a row ------------------------------------------------------------------

std::string SerialNumStateSql(int32_t billID, int row, int status) {
    std::string bill = std::to_string(billID);
    std::string statusFilter;
    if (status == 1) statusFilter = " AND FStatus = 1 ";
    if (status == 0) statusFilter = " AND FStatus = 0 ";
    return JoinLines({
        "SELECT DISTINCT T1.FSerialNo, T1.FNote, CASE WHEN ISNULL(T2.FCount, 0) > 0 THEN 1 ELSE "
        "0 END AS FBeingUsed",
        " FROM t_SerialNumList T1 ",
        " LEFT JOIN (",
        "SELECT a.FItemID, a.FSerialNo, COUNT(*) AS FCount",
        "FROM t_SerialNumList a",
        "INNER JOIN (",
        "SELECT MAX(FID) AS FID, FItemID, FSerialNo",
        "FROM t_SerialNumList",
        "WHERE FBillID = " + bill + statusFilter,
        "GROUP BY FItemID, FSerialNo",
        ") b ON a.FItemID = b.FItemID AND a.FSerialNo = b.FSerialNo",
        "WHERE a.FID > b.FID And a.FBillID > 0 ",
        "GROUP BY a.FItemID, a.FSerialNo",
        ") T2 ON T1.FItemID = T2.FItemID AND T1.FSerialNo = T2.FSerialNo",
        " WHERE T1.FBillID = " + bill + " AND T1.FBillIndexID = " + std::to_string(row),
    });
}

std::vector<SerialNumState> GetSerialNumStateOf(int32_t billID, int row, int status) {
    using States = std::vector<SerialNumState>;
    return Trapped("GetSerialNumState", States(), [&] {
        States out;
        auto rs = GetRecordset(SerialNumStateSql(billID, row, status));
        for (; rs && !rs->IsEOF(); rs->MoveNext()) {
            out.push_back({rs->Field("FSerialNo").ToString(), rs->Field("FNote").ToString(),
                           rs->Field("FBeingUsed").ToNumber() != 0});
        }
        return out;
    });
}

std::vector<SerialNumState> GetSerialNumState(IBillForm& bill, int row, int status) {
    return Trapped("GetSerialNumState", std::vector<SerialNumState>(),
                   [&] { return GetSerialNumStateOf(bill.CurBillID(), row, status); });
}

std::vector<SerialNumState> GetBillSerialNumState(IBillForm& bill, int row) {
    return GetSerialNumState(bill, row, -1);
}

std::vector<std::string> SplitSerialNumbers(const std::string& text) {
    std::vector<std::string> out;
    std::string part;
    auto flush = [&] {
        std::string t = Trim(part);
        if (!t.empty()) out.push_back(t);
        part.clear();
    };
    for (char c : text) {
        if (c == '|' || c == ',' || c == '\r' || c == '\n') {
            flush();
        } else {
            part += c;
        }
    }
    flush();
    return out;
}

// ---- Row display and row check ----------------------------------------------------------------

void CheckSerialNumEntries(IBillForm& bill) {
    Trapped("CheckSerialNumEntries", [&] {
        if (GetAppType() != 1 || GetIndustryType() != 1) return;
        int32_t billID = bill.CurBillID();
        int rows = bill.GridMaxDataRowNum();
        for (int r = 1; r <= rows; ++r) {
            std::string text;
            if (IsSerialNumItem(bill.GetFieldValue("FItemID", r))) {
                for (const auto& s : GetSerialNumStateOf(billID, r, -1)) {
                    if (!text.empty()) text += kCrLf;
                    text += s.serialNo;
                }
            }
            bill.SetFieldValue("FSerialNo", text, r);
        }
        CheckSerialNumQty(bill, -1);
        ClearPageModifyFlags(bill);
    });
}

namespace {

bool CheckOneRowSerials(IBillForm& bill, int row) {
    Value item = bill.GetFieldValue("FItemID", row);
    if (SafeId(item) == 0 || !IsSerialNumItem(item)) return true;
    std::vector<std::string> serials =
        SplitSerialNumbers(bill.GetFieldValue("FSerialNo", row).ToString());
    // Without the serial-number service the row cannot be shown to be free (the error is
    // recorded by the caller's trap).
    auto service = CreateHostObject<IComponent>("QORMSerialNumMgr.clsInfo");
    auto list = Collection::Make();
    for (const auto& s : serials) list->Add("", s);
    Args args = {GetPropsString(),
                 bill.FID(),
                 bill.CurBillID(),
                 row,
                 SafeId(item),
                 bill.GetFieldValue("FShowQty", row).ToNumber(),
                 bill.GetFieldValue("FSecQty", row).ToNumber(),
                 bill.GetFieldValue("FSecCoefficient", row).ToNumber(),
                 SafeId(bill.GetFieldValue("FSCStockID", row)),
                 SafeId(bill.GetFieldValue("FDCStockID", row)),
                 Value(list)};
    return service->Call("CheckSerialNumQty", args).ToBool();
}

}  // namespace

bool CheckSerialNumQty(IBillForm& bill, int row) {
    return Trapped("CheckSerialNumQty", false, [&] {
        if (row >= 1) return CheckOneRowSerials(bill, row);
        int rows = bill.GridMaxDataRowNum();
        for (int r = 1; r <= rows; ++r) {
            if (!CheckOneRowSerials(bill, r)) return false;
        }
        return true;
    });
}

// ---- Save-time count ------------------------------------------------------------------------

namespace {

// The grids whose rows the count check gathers: the main rows, and the child rows of the
// assembly bills, whose stocks carry the child rows' suffix.
struct SerialGrid {
    const FieldSet& set;
    const char* scStock;
    const char* dcStock;
    const char* indexItem;  // "FIndex" (first grid) or "FIndex2" (second grid)
};

const SerialGrid& MainGrid() {
    static const SerialGrid grid{FieldSet::Main(), "FSCStockID", "FDCStockID", "FIndex"};
    return grid;
}
const SerialGrid& SecondGrid() {
    static const SerialGrid grid{FieldSet::Child(), "FSCStockID1", "FDCStockID1", "FIndex2"};
    return grid;
}

struct GatheredRow {
    const SerialGrid* grid;
    int row;
    int32_t item;
};

// Which way the bill's serial numbers move in the grid: -1 leave a stock, 1 enter one, 0 not
// known. The second grid of an assembly bill moves the other way from its first grid.
int Direction(long classType, const SerialGrid& grid) {
    int d = IsInIdList(kSNOutOfStockClassTypes, classType)  ? -1
            : IsInIdList(kSNIntoStockClassTypes, classType) ? 1
                                                            : 0;
    return &grid == &SecondGrid() ? -d : d;
}

// The item columns handed over with each row.
constexpr const char* kSerialItemColumns[] = {"FNumber",        "FName",          "FModel",
                                              "FBaseProperty",  "FBaseProperty1", "FBaseProperty3",
                                              "FBaseProperty4", "FBaseProperty8", "FBaseProperty9"};

}  // namespace

Verdict CheckBillSerialNumCount(IBillForm& bill) {
    return Trapped("CheckBillSerialNumCount", Verdict::Silent(), [&] {
        if (Val(GetSystemProfileValue("CKSerialNum", "IC", "0")) == 0) return Verdict::Pass();
        long classType = bill.FID();
        if (!IsInIdList(kSNCountedClassTypes, classType)) return Verdict::Pass();
        long billType = std::lround(bill.GetFieldValue("FBillTypeID").ToNumber());
        if (IsInIdList(kSNClassTypesByBillType, classType) &&
            !IsInIdList(kSNCountedBillTypes, billType)) {
            return Verdict::Pass();
        }

        // The rows with an item, then the serial-managed ones among them by one read of the
        // items.
        std::vector<const SerialGrid*> grids = {&MainGrid()};
        if (IsInIdList(kSNSecondGridClassTypes, classType)) grids.push_back(&SecondGrid());
        std::vector<GatheredRow> rows;
        std::set<int32_t> items;
        for (const SerialGrid* g : grids) {
            int n = bill.GridMaxDataRowNum(EntryPageOf(g->set));
            for (int r = 1; r <= n; ++r) {
                int32_t item = SafeId(bill.GetFieldValue(g->set["FItemID"], r));
                if (item == 0) continue;
                rows.push_back({g, r, item});
                items.insert(item);
            }
        }
        if (items.empty()) return Verdict::Pass();
        std::string idList;
        for (int32_t id : items) idList += (idList.empty() ? "" : ",") + std::to_string(id);
        std::string columns;
        for (const char* column : kSerialItemColumns) columns += std::string(",") + column;
        auto rs =
            GetCachedRecordset("Select FItemID" + columns +
                               ",FIsSerialNumMgr From t_ICItem Where FItemID In (" + idList + ")");
        std::map<int32_t, CollectionPtr> serialItems;
        for (; rs && !rs->IsEOF(); rs->MoveNext()) {
            if (!rs->Field("FIsSerialNumMgr").ToBool()) continue;
            auto info = Collection::Make();
            for (const char* column : kSerialItemColumns) info->Set(column, rs->Field(column));
            serialItems[SafeId(rs->Field("FItemID"))] = info;
        }
        if (serialItems.empty()) return Verdict::Pass();

        const bool twoStocks = IsInIdList(kSNTwoStockClassTypes, classType);
        const bool stockCount = classType == ct::kStockCount;
        auto records = Collection::Make();
        int handedOver = 0;
        for (const auto& g : rows) {
            auto info = serialItems.find(g.item);
            if (info == serialItems.end()) continue;
            const SerialGrid& grid = *g.grid;
            const FieldSet& set = grid.set;
            int dir = Direction(classType, grid);
            // Serial numbers are counted in the base unit; a stock count counts its profit or
            // loss.
            double qty =
                bill.GetFieldValue(set[stockCount ? "FProfitLossQty" : "FQty"], g.row).ToNumber();
            if (qty == 0 && !stockCount) {
                qty = bill.GetFieldValue(set["FShowQty"], g.row).ToNumber() *
                      bill.GetFieldValue(set["FCoefficient"], g.row).ToNumber();
            }
            int32_t sc = SafeId(bill.GetFieldValue(grid.scStock, g.row));
            int32_t dc = SafeId(bill.GetFieldValue(grid.dcStock, g.row));
            auto rec = Collection::Make({{"FItemID", g.item}});
            for (const auto& [column, value] : *info->second) rec->Set(column, value);
            rec->Set("FIndex", &grid == &MainGrid() ? g.row : 0);
            rec->Set("FIndex2", &grid == &SecondGrid() ? g.row : 0);
            rec->Set("FIndex3", ++handedOver);
            const std::string batchKey = set["FBatchNo"];
            rec->Set(batchKey, bill.GetFieldValue(batchKey, g.row));
            rec->Set("FSCStockID", sc);
            rec->Set("FDCStockID", dc);
            rec->Set("FStockID", dir < 0 ? sc : dc);
            rec->Set("TwoStocks", twoStocks);
            rec->Set("Direction", dir);
            rec->Set("FQty", qty);
            // A row whose serial numbers are not shown is counted from what the host recorded.
            Value shown = bill.GetFieldValue(set["FSerialNo"], g.row);
            if (!Trim(shown.ToString()).empty()) rec->Set("FSerialNo", shown);
            records->Add("", Value(rec));
        }

        ComponentPtr service;
        try {
            service = CreateHostObject<IComponent>("QOR_CC_PlugIns.clsStockInfo");
        } catch (...) {
            NoteTrapped("CheckBillSerialNumCount");
            return Verdict::Pass();  // no stock service: the count is not checked
        }
        auto billInfo = Collection::Make({{"ClassTypeID", classType},
                                          {"BillInterID", bill.CurBillID()},
                                          {"BillType", billType},
                                          {"BillNo", bill.GetFieldValue("FBillNo")}});
        Args args = {GetPropsString(), Value(billInfo), Value(records), std::string()};
        if (service->Call("CheckSerialNoCount", args).ToBool()) return Verdict::Pass();
        const std::string message = args[3].ToString();
        return message.empty() ? Verdict::Silent()
                               : Verdict::Refuse(message, kMsgInformation, kMsgCaption);
    });
}

void LockSerialNoFields(IBillForm& bill, int row, SerialCells mode) {
    for (const FieldSet* set : {&FieldSet::Main(), &FieldSet::Child(), &FieldSet::Twin01()}) {
        Trapped("LockSerialNoFields", [&] {
            const std::string key = (*set)["FSerialNo"];
            if (!bill.GetFieldInfoByKey(key, "", 0)) return;
            int first = row >= 1 ? row : 1;
            int last = row >= 1 ? row : bill.GridMaxDataRowNum(EntryPageOf(*set));
            for (int r = first; r <= last; ++r) {
                const bool open = mode == SerialCells::FollowItem &&
                                  IsSerialNumItem(bill.GetFieldValue((*set)["FItemID"], r));
                LockEntryCell(bill, key, !open, true, 0, r);
            }
        });
    }
}

}  // namespace qor

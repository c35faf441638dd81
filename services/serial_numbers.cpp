#include "services/serial_numbers.h"

#include <cmath>
#include <map>
#include <set>

#include "frame/collection.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/platform.h"
#include "services/common.h"
#include "services/system_options.h"

namespace qor {

bool IsInIdList(const std::string& list, long id) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string part = Trim(
            list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!part.empty() && part == std::to_string(id)) return true;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return false;
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
    std::vector<SerialNumState> out;
    try {
        auto rs = GetRecordset(SerialNumStateSql(billID, row, status));
        for (; rs && !rs->IsEOF(); rs->MoveNext()) {
            out.push_back({rs->Field("FSerialNo").ToString(), rs->Field("FNote").ToString(),
                           rs->Field("FBeingUsed").ToNumber() != 0});
        }
    } catch (...) {
        out.clear();
    }
    return out;
}

std::vector<SerialNumState> GetSerialNumState(IBillForm& bill, int row, int status) {
    try {
        return GetSerialNumStateOf(bill.CurBillID(), row, status);
    } catch (...) {
        return {};
    }
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
    try {
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
    } catch (...) {
    }
}

namespace {

bool CheckOneRowSerials(IBillForm& bill, int row) {
    Value item = bill.GetFieldValue("FItemID", row);
    if (SafeId(item) == 0 || !IsSerialNumItem(item)) return true;
    std::vector<std::string> serials =
        SplitSerialNumbers(bill.GetFieldValue("FSerialNo", row).ToString());
    ComponentPtr service;
    try {
        service = CreateHostObject<IComponent>("QORMSerialNumMgr.clsInfo");
    } catch (...) {
        service = nullptr;
    }
    if (!service) {
        // No serial-number service: the row may go unless a later bill has taken one of its
        // serial numbers.
        for (const auto& s : GetSerialNumState(bill, row, -1)) {
            if (s.beingUsed) return false;
        }
        return true;
    }
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
    try {
        if (row >= 1) return CheckOneRowSerials(bill, row);
        int rows = bill.GridMaxDataRowNum();
        for (int r = 1; r <= rows; ++r) {
            if (!CheckOneRowSerials(bill, r)) return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

// ---- Save-time count ------------------------------------------------------------------------

namespace {

// The keys of one grid's rows as the count check gathers them.
struct SerialGrid {
    int page;  // data page of the grid (2 the first entry grid, 3 the second)
    const char* item;
    const char* batch;
    const char* batchItem;  // the name the batch goes under in the row record
    const char* qty;
    const char* showQty;
    const char* coefficient;
    const char* scStock;
    const char* dcStock;
    const char* serialNo;
    const char* indexItem;  // "FIndex" (first grid) or "FIndex2" (second grid)
};

constexpr SerialGrid kMainGrid{2,          "FItemID",      "FBatchNo",   "FBatchNo",   "FQty",
                               "FShowQty", "FCoefficient", "FSCStockID", "FDCStockID", "FSerialNo",
                               "FIndex"};
constexpr SerialGrid kSecondGrid{
    3,           "FCldItemID",    "FBatchNo1",   "FBatchNo1",   "FQty1",
    "FShowQty1", "FCoefficient1", "FSCStockID1", "FDCStockID1", "FSerialNo1",
    "FIndex2"};

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
    return grid.page == 3 ? -d : d;
}

}  // namespace

bool CheckBillSerialNumCount(IBillForm& bill, std::string* message) {
    if (message) message->clear();
    try {
        if (Val(GetSystemProfileValue("CKSerialNum", "IC", "0")) == 0) return true;
        long classType = bill.FID();
        if (!IsInIdList(kSNCountedClassTypes, classType)) return true;
        long billType = std::lround(bill.GetFieldValue("FBillTypeID").ToNumber());
        if (IsInIdList(kSNClassTypesByBillType, classType) &&
            !IsInIdList(kSNCountedBillTypes, billType)) {
            return true;
        }

        // The rows with an item, then the serial-managed ones among them by one read of the
        // items.
        std::vector<const SerialGrid*> grids = {&kMainGrid};
        if (IsInIdList(kSNSecondGridClassTypes, classType)) grids.push_back(&kSecondGrid);
        std::vector<GatheredRow> rows;
        std::set<int32_t> items;
        for (const SerialGrid* g : grids) {
            int n = bill.GridMaxDataRowNum(g->page);
            for (int r = 1; r <= n; ++r) {
                int32_t item = SafeId(bill.GetFieldValue(g->item, r));
                if (item == 0) continue;
                rows.push_back({g, r, item});
                items.insert(item);
            }
        }
        if (items.empty()) return true;
        std::string idList;
        for (int32_t id : items) idList += (idList.empty() ? "" : ",") + std::to_string(id);
        auto rs = GetCachedRecordset(
            "Select FItemID,FNumber,FName,FModel,FIsSerialNumMgr From t_ICItem Where FItemID In (" +
            idList + ")");
        std::map<int32_t, CollectionPtr> serialItems;
        for (; rs && !rs->IsEOF(); rs->MoveNext()) {
            if (!rs->Field("FIsSerialNumMgr").ToBool()) continue;
            serialItems[SafeId(rs->Field("FItemID"))] =
                Collection::Make({{"FNumber", rs->Field("FNumber")},
                                  {"FName", rs->Field("FName")},
                                  {"FModel", rs->Field("FModel")}});
        }
        if (serialItems.empty()) return true;

        bool twoStocks = IsInIdList(kSNTwoStockClassTypes, classType);
        auto records = Collection::Make();
        for (const auto& g : rows) {
            auto info = serialItems.find(g.item);
            if (info == serialItems.end()) continue;
            const SerialGrid& grid = *g.grid;
            int dir = Direction(classType, grid);
            // Serial numbers are counted in the base unit.
            double qty = bill.GetFieldValue(grid.qty, g.row).ToNumber();
            if (qty == 0) {
                qty = bill.GetFieldValue(grid.showQty, g.row).ToNumber() *
                      bill.GetFieldValue(grid.coefficient, g.row).ToNumber();
            }
            int32_t sc = SafeId(bill.GetFieldValue(grid.scStock, g.row));
            int32_t dc = SafeId(bill.GetFieldValue(grid.dcStock, g.row));
            auto rec = Collection::Make(
                {{"FItemID", g.item},
                 {"FNumber", info->second->Get("FNumber")},
                 {"FName", info->second->Get("FName")},
                 {"FModel", info->second->Get("FModel")},
                 {"FIndex", grid.page == 2 ? g.row : 0},
                 {"FIndex2", grid.page == 3 ? g.row : 0},
                 {"FIndex3", 0},
                 {grid.batchItem, bill.GetFieldValue(grid.batch, g.row)},
                 {"FSCStockID", sc},
                 {"FDCStockID", dc},
                 {"FStockID", dir < 0 ? sc : dc},
                 {"TwoStocks", twoStocks},
                 {"Direction", dir},
                 {"FQty", qty},
                 {"FProfitLossQty", bill.GetFieldValue("FProfitLossQty", g.row).ToNumber()}});
            // A row whose serial numbers are not shown is counted from what the host recorded.
            Value shown = bill.GetFieldValue(grid.serialNo, g.row);
            if (!Trim(shown.ToString()).empty()) rec->Set("FSerialNo", shown);
            records->Add("", Value(rec));
        }

        ComponentPtr service;
        try {
            service = CreateHostObject<IComponent>("QOR_CC_PlugIns.clsStockInfo");
        } catch (...) {
            return true;  // no stock service: the count is not checked
        }
        auto billInfo = Collection::Make({{"ClassTypeID", classType},
                                          {"BillInterID", bill.CurBillID()},
                                          {"BillType", billType},
                                          {"BillNo", bill.GetFieldValue("FBillNo")}});
        Args args = {GetPropsString(), Value(billInfo), Value(records), std::string()};
        bool ok = service->Call("CheckSerialNoCount", args).ToBool();
        if (message) *message = args[3].ToString();
        return ok;
    } catch (...) {
        if (message) message->clear();
        return false;
    }
}

void LockSerialNoFields(IBillForm& bill, int row) {
    for (const char* key : {"FSerialNo", "FSerialNo1", "FSerialNo01"}) {
        try {
            if (!bill.GetFieldInfoByKey(key, "", 0)) continue;
            int page = std::string(key) == "FSerialNo1" ? 3 : 2;
            int first = row >= 1 ? row : 1;
            int last = row >= 1 ? row : bill.GridMaxDataRowNum(page);
            for (int r = first; r <= last; ++r) LockEntryCell(bill, key, true, true, 0, r);
        } catch (...) {
        }
    }
}

}  // namespace qor

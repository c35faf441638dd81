#include "bills/common/source_quantities.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <tuple>
#include <utility>

#include "frame/class_types.h"
#include "frame/data_access.h"
#include "services/common.h"
#include "services/system_options.h"

namespace qor {

bool SourceEntryUse::FromOrder() const {
    return sourceClass == ct::kSalesOrder;
}

std::vector<SourceEntryUse> GatherSourceEntries(IBillForm& bill, int32_t defaultClass) {
    std::vector<SourceEntryUse> used;
    std::map<std::tuple<int32_t, int32_t, int32_t>, size_t> index;
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        const int32_t source = SafeId(bill.GetFieldValue("FID_SRC", r));
        if (source <= 0 || SafeId(bill.GetFieldValue("FItemID", r)) <= 0) continue;
        int32_t sourceClass = SafeId(bill.GetFieldValue("FClassID_SRC", r));
        if (sourceClass <= 0) sourceClass = defaultClass;
        const int32_t entry = SafeId(bill.GetFieldValue("FEntryID_SRC", r));
        const double qty = bill.GetFieldValue("FShowQty", r).ToNumber() *
                           bill.GetFieldValue("FCoefficient", r).ToNumber();
        auto [it, added] = index.try_emplace({sourceClass, source, entry}, used.size());
        if (added) used.push_back({sourceClass, source, entry, 0, r});
        used[it->second].qty += qty;
    }
    return used;
}

namespace {

// Statements are kept to this many source entries each (a union of more is refused by some
// databases).
constexpr size_t kEntriesPerStatement = 100;

// Runs each on the entries in slices of kEntriesPerStatement until it returns false.
template <class F>
void InChunks(const std::vector<SourceEntryUse>& used, F&& each) {
    for (size_t from = 0; from < used.size(); from += kEntriesPerStatement) {
        const size_t to = std::min(used.size(), from + kEntriesPerStatement);
        if (!each(std::vector<SourceEntryUse>(used.begin() + static_cast<long>(from),
                                              used.begin() + static_cast<long>(to))))
            return;
    }
}

// The clause of one source entry: a row comes back when the rows draw more than the entry leaves
// open (ErrType 1) or the source is dated after the bill (ErrType 2). A saved bill gives its own
// saved quantity back to the entry before comparing: what its saved rows draw from the entry, or
// nothing when none of them does (the entry is then still compared).
std::string SourceClause(const SourceEntryUse& u, int32_t billID, const std::string& date,
                         const std::string& ownEntryTable) {
    const std::string openColumn = u.FromOrder() ? "e.FUnSendQty" : "e.FUnRejectQty";
    const std::string tables =
        u.FromOrder() ? " From t_XS_Order t Left Join t_XS_OrderEntry e ON e.FID=t.FID"
                      : " From t_CC_StockBill t Left Join t_CC_StockBillEntry e ON e.FID=t.FID";
    const std::string open =
        billID > 0 ? openColumn + "+IsNull(c.FShowQty*c.FCoefficient,0)/e.FCoefficient"
                   : openColumn;
    const std::string over = open + "<" + NumberToText(u.qty) + "/e.FCoefficient";
    std::string from = tables;
    if (billID > 0)
        from += " Left Join (Select FID,FEntryID_SRC,SUM(FShowQty) FShowQty,FCoefficient From " +
                ownEntryTable + " Where FID=" + SqlId(billID) +
                " And FEntryID_SRC=" + SqlId(u.entry) +
                " Group By FID,FEntryID_SRC,FCoefficient) c On e.FEntryID=c.FEntryID_SRC";
    from += " Where e.FID=" + SqlId(u.bill) + " And e.FEntryID=" + SqlId(u.entry);
    return std::string(kCrLf) + " Union Select '" + std::to_string(u.firstRow) +
           "' as EntryID,Case When " + over + " Then 1 Else 2 End as ErrType,e.FEntryID " + kCrLf +
           from + kCrLf + " And (" + over + " OR t.FDate>" + SqlValue(date) + ")";
}

}  // namespace

SourceConflict FindSourceConflict(const std::vector<SourceEntryUse>& used, int32_t billID,
                                  const std::string& billDate, const std::string& ownEntryTable) {
    SourceConflict conflict;
    InChunks(used, [&](const std::vector<SourceEntryUse>& chunk) {
        std::string sql = "Select '',0,0 From t_CC_StockBillEntry Where 1=2 ";
        for (const auto& u : chunk) sql += SourceClause(u, billID, billDate, ownEntryTable);
        auto rs = OpenRecordset(sql);
        if (!rs || rs->IsEOF()) return true;
        conflict = {SafeId(Value(Val(rs->Field(0).ToString()))), SafeId(rs->Field(1))};
        return false;
    });
    // A quantity too large to be written is more than any source leaves open (as text it would
    // read as nothing and pass).
    for (const auto& u : used) {
        if (conflict.kind != 0) break;
        if (!std::isfinite(u.qty)) conflict = {u.firstRow, 1};
    }
    return conflict;
}

int RowOfVanishedSource(const std::vector<SourceEntryUse>& used) {
    std::map<int32_t, std::vector<SourceEntryUse>> byClass;
    for (const auto& u : used) byClass[u.sourceClass].push_back(u);
    std::set<std::pair<int32_t, int32_t>> found;
    bool readFailed = false;
    for (const auto& [sourceClass, ofClass] : byClass) {
        const bool orders = ofClass.front().FromOrder();
        InChunks(ofClass, [&](const std::vector<SourceEntryUse>& chunk) {
            std::string ids;
            for (const auto& u : chunk) ids += (ids.empty() ? "" : ",") + SqlId(u.entry);
            const std::string sql =
                orders
                    ? "Select e.FID,e.FEntryID From t_XS_OrderEntry e Inner Join t_XS_Order t "
                      "On t.FID=e.FID Where t.FStatus>0 And e.FEntryID In (" +
                          ids + ")"
                    : "Select e.FID,e.FEntryID From t_CC_StockBillEntry e Inner Join "
                      "t_CC_StockBill t On t.FID=e.FID Where t.FClassTypeID=" +
                          SqlId(sourceClass) + " And t.FStatus=1 And e.FEntryID In (" + ids + ")";
            auto rs = OpenRecordset(sql);
            if (!rs) {
                readFailed = true;
                return false;
            }
            for (; !rs->IsEOF(); rs->MoveNext())
                found.insert({SafeId(rs->Field("FID")), SafeId(rs->Field("FEntryID"))});
            return true;
        });
        if (readFailed) return 0;
    }
    for (const auto& u : used) {
        if (!found.count({u.bill, u.entry})) return u.firstRow;
    }
    return 0;
}

}  // namespace qor

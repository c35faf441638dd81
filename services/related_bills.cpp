#include "services/related_bills.h"

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/recordset.h"
#include "frame/trap.h"

namespace qor {

namespace {

// Where the bills of a class type live and which header columns are read. Every select list
// names its columns the same way (the customer of sales-side bills comes back as FSupplyID), so
// one reader serves them all.
struct BillSource {
    const char* table;
    const char* select;
};

constexpr const char* kPurchaseOrderSelect =
    "Select FCLassTypeID,0 as FBillTypeID,FID,FBillNO,FSupplyID,FAllAmount,0 As FCurCheckAmount "
    "From t_CG_Order ";
constexpr const char* kSalesOrderSelect =
    "Select FCLassTypeID,0 as FBillTypeID,FID,FBillNO,FCustID as FSupplyID,FAllAmount,0 As "
    "FCurCheckAmount,0 As FNeutralizeAmount From t_XS_Order ";
// Stock bills also give their unchecked amount, which the sales bill's check takes as the
// amount to check.
constexpr const char* kInStockBillSelect =
    "Select FCLassTypeID,FBillTypeID,FID,FBillNO,FSupplyID,FAllAmount,FCurCheckAmount,"
    "FNeutralizeAmount,FUnCheckAmount From t_CC_StockBill ";
constexpr const char* kOutStockBillSelect =
    "Select FCLassTypeID,FBillTypeID,FID,FBillNO,FCustID as FSupplyID,FAllAmount,FCurCheckAmount,"
    "FNeutralizeAmount,FUnCheckAmount From t_CC_StockBill ";
constexpr const char* kAssemblySelect =
    "Select FCLassTypeID,FBillTypeID,FID,FBillNO,FAllAmount From T_CC_ZZCX ";
// The exchange bill is checked like the sales bill (its list runs the same audit checks over the
// selected bills), so its header is read the same way from its own table.
constexpr const char* kExchangeSelect =
    "Select FCLassTypeID,FBillTypeID,FID,FBillNO,FCustID as FSupplyID,FAllAmount,FCurCheckAmount,"
    "FNeutralizeAmount,FUnCheckAmount From t_cc_Change ";

const BillSource* SourceOf(int classTypeID) {
    static const BillSource purchaseOrder{"t_CG_Order", kPurchaseOrderSelect};
    static const BillSource salesOrder{"t_XS_Order", kSalesOrderSelect};
    static const BillSource inStock{"t_CC_StockBill", kInStockBillSelect};
    static const BillSource outStock{"t_CC_StockBill", kOutStockBillSelect};
    // Assembly, disassembly and form-conversion bills (in and out goods on one bill) share the
    // assembly header table.
    static const BillSource assembly{"T_CC_ZZCX", kAssemblySelect};
    static const BillSource exchange{"t_cc_Change", kExchangeSelect};
    switch (classTypeID) {
        case ct::kPurchaseOrder:
            return &purchaseOrder;
        case ct::kSalesOrder:
            return &salesOrder;
        case ct::kPurchaseBill:
        case ct::kPurchaseBill2:
        case ct::kPurchaseBill3:
        case ct::kStockInBill:
            return &inStock;
        case ct::kSalesBill:
        case ct::kConsignBill:
        case ct::kSalesStockBill:
        case ct::kStockOutBill:
            return &outStock;
        case ct::kAssemblyIn:
        case ct::kAssemblyOut:
        case ct::kInOutPriceBill:
            return &assembly;
        case ct::kSaleChange:
            return &exchange;
        default:
            return nullptr;
    }
}

// A column of the current row, or 0 when the select list of the table does not carry it.
Value ColumnOrZero(const IRecordset& rs, const std::set<std::string>& columns,
                   const std::string& name) {
    if (!columns.count(Upper(name))) return Value(0);
    Value v = rs.Field(name);
    return v.IsNull() || v.IsEmpty() ? Value(0) : v;
}

CollectionPtr MakeEntry(const IRecordset& rs, const std::set<std::string>& columns,
                        const char* table) {
    auto entry = Collection::Make();
    entry->Add("ClassTypeID", ToId(ColumnOrZero(rs, columns, "FClassTypeID")));
    entry->Add("BillInterID", ToId(ColumnOrZero(rs, columns, "FID")));
    entry->Add("HeadTableName", std::string(table));
    entry->Add("BillNo", columns.count("FBILLNO") ? rs.Field("FBillNO").ToString() : "");
    entry->Add("BillType", ToId(ColumnOrZero(rs, columns, "FBillTypeID")));
    entry->Add("CustOrSupplyID", ToId(ColumnOrZero(rs, columns, "FSupplyID")));
    entry->Add("AllAmount", ColumnOrZero(rs, columns, "FAllAmount").ToNumber());
    entry->Add("FCurCheckAmount", ColumnOrZero(rs, columns, "FCurCheckAmount").ToNumber());
    entry->Add("FNeutralizeAmount", ColumnOrZero(rs, columns, "FNeutralizeAmount").ToNumber());
    entry->Add("FUnCheckAmount", ColumnOrZero(rs, columns, "FUnCheckAmount").ToNumber());
    return entry;
}

bool FillFromSelection(const CollectionPtr& selection, int32_t fallbackClassType,
                       Collection& result) {
    result.Clear();
    try {
        if (!selection || selection->Count() == 0) return false;

        // The distinct bills in selection order; a bill selected with several of its rows is
        // read once.
        std::vector<std::pair<int32_t, int32_t>> bills;  // class type, bill id
        std::set<std::pair<int32_t, int32_t>> seen;
        std::map<int32_t, std::vector<int32_t>> idsByClass;
        for (const auto& [key, item] : *selection) {
            auto row = item.As<Collection>();
            if (!row) return false;
            Value classValue = row->Get("FClassTypeID");
            int32_t classType = classValue.IsBlank() ? fallbackClassType : ToId(classValue);
            int32_t id = ToId(row->Get("FID"));
            if (id <= 0 || !SourceOf(classType)) return false;
            if (seen.insert({classType, id}).second) {
                bills.emplace_back(classType, id);
                idsByClass[classType].push_back(id);
            }
        }

        // One statement per class type of the selection (a list shows one class type, so
        // normally one statement in all).
        std::map<std::pair<int32_t, int32_t>, CollectionPtr> found;
        for (const auto& [classType, ids] : idsByClass) {
            const BillSource* source = SourceOf(classType);
            std::string idList;
            for (int32_t id : ids) {
                if (!idList.empty()) idList += ",";
                idList += SqlId(id);
            }
            std::string sql = std::string(source->select) +
                              "Where FClassTypeID=" + SqlId(classType) + " And FID In(" + idList +
                              ")";
            RecordsetPtr rs = GetRecordset(sql);
            if (!rs) return false;
            std::set<std::string> columns;
            for (int i = 0; i < rs->FieldCount(); ++i) columns.insert(Upper(rs->FieldName(i)));
            for (; !rs->IsEOF(); rs->MoveNext()) {
                auto entry = MakeEntry(*rs, columns, source->table);
                found[{classType, ToId(entry->Get("BillInterID"))}] = entry;
            }
        }

        std::vector<CollectionPtr> entries;
        for (const auto& bill : bills) {
            auto hit = found.find(bill);
            // A bill deleted since it was selected: the caller must not go on with part of the
            // selection as if it were all of it.
            if (hit == found.end()) return false;
            entries.push_back(hit->second);
        }
        for (auto& entry : entries) result.Add("", entry);
        return true;
    } catch (...) {
        NoteTrapped("FillSelectedBillInfo");
        result.Clear();
        return false;
    }
}

}  // namespace

const char* RelatedBillTable(int classTypeID) {
    const BillSource* source = SourceOf(classTypeID);
    return source ? source->table : "";
}

bool FillSelectedBillInfo(const CollectionPtr& selection, Collection& result) {
    return FillFromSelection(selection, 0, result);
}

bool FillSelectedBillInfo(IBillList& list, Collection& result) {
    try {
        return FillFromSelection(list.Selection(), list.FID(), result);
    } catch (...) {
        NoteTrapped("FillSelectedBillInfo");
        result.Clear();
        return false;
    }
}

}  // namespace qor

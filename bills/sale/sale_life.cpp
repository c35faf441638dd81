// The sales bill's steps of filling the bill from source bills and of writing its contact back
// after a save.
#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "bills/common/sales_header.h"
#include "bills/common/sales_rows.h"
#include "bills/sale/sale_rules.h"
#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/plugin.h"
#include "frame/trap.h"
#include "services/batch_shelflife.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/price_lookup.h"
#include "services/related_bills.h"
#include "services/serial_numbers.h"
#include "services/stock_period.h"
#include "services/system_options.h"

namespace qor {

namespace {

std::string Id(const Value& v) {
    return std::to_string(SafeId(v));
}

bool IsStockBillClass(int32_t classType) {
    return std::string(RelatedBillTable(classType)) == "t_CC_StockBill";
}

bool IsSalesBillType(double type) {
    return type >= bt::kDelivery && type <= bt::kConsignSettleReturn;
}

// The source the header names, else the first row drawn from a source.
std::pair<int32_t, int32_t> SourceOfBill(IBillForm& bill) {
    int32_t id = SafeId(bill.GetFieldValue("FID_SRC"));
    int32_t classType = SafeId(bill.GetFieldValue("FClassID_SRC"));
    if (id > 0 && classType > 0) return {id, classType};
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        id = SafeId(bill.GetFieldValue("FID_SRC", r));
        classType = SafeId(bill.GetFieldValue("FClassID_SRC", r));
        if (id > 0 && classType > 0) return {id, classType};
    }
    return {0, 0};
}

// A bill drawn from a sales bill takes its type; a return stays a return (its sources are the
// deliveries it takes back), and no other kind of bill lends the sales bill its type.
void TakeSourceBillType(IBillForm& bill) {
    const int32_t id = SafeId(bill.GetFieldValue("FID_SRC"));
    const int32_t classType = SafeId(bill.GetFieldValue("FClassID_SRC"));
    if (id <= 0 || !IsStockBillClass(classType)) return;
    const double type = Val(
        GetSQLValue("Select FBillTypeID From t_cc_stockbill Where FID = " + std::to_string(id)));
    const double current = bill.GetFieldValue("FBillTypeID").ToNumber();
    if (!IsSalesBillType(type) || current == bt::kReturn || current == bt::kConsignSettleReturn)
        return;
    bill.SetFieldValue("FBillTypeID", type);
}

// "由销售订单X生成" and the like, when the account carries source numbers to the explanation.
void ExplainSource(IBillForm& bill) {
    if (Trim(GetSystemProfileValue("IsExpSourceToTarget", "IC", "0")) == "0") return;
    const auto [id, classType] = SourceOfBill(bill);
    const char* prefix = nullptr;
    switch (classType) {
        case ct::kSalesBill:
            prefix = "由销售单";
            break;
        case ct::kSalesOrder:
            prefix = "由销售订单";
            break;
        case ct::kPurchaseBill:
            prefix = "由购货单";
            break;
        case ct::kConsignBill:
            prefix = "由委托代销单";
            break;
        default:
            return;
    }
    const std::string table = classType == ct::kSalesOrder ? "t_xs_order" : "t_cc_stockbill";
    const std::string number =
        GetSQLValue("select FBillNo from " + table + " where fid='" + std::to_string(id) + "'");
    if (Trim(number).empty()) return;
    bill.SetFieldValue("FExplanation", std::string(prefix) + number + "生成");
}

// The customer of the sales orders behind rows drawn from purchase bills, when there is one.
void TakeCustomerOfPurchaseSources(IBillForm& bill) {
    std::set<int32_t> ids;
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        if (SafeId(bill.GetFieldValue("FClassID_SRC", r)) != ct::kPurchaseBill) continue;
        const int32_t id = SafeId(bill.GetFieldValue("FID_SRC", r));
        if (id > 0) ids.insert(id);
    }
    if (ids.empty()) return;
    std::string list;
    for (int32_t id : ids) list += (list.empty() ? "" : ",") + std::to_string(id);
    auto customers = GetRecordset(
        "select distinct t6.FCustID As FCustID,t7.FNumber As FNumber from t_CC_StockBill t1 "
        "inner join t_CC_StockBillEntry t2 on t1.FID=t2.FID inner join t_CG_OrderEntry t3 on "
        "t2.FID_SRC=t3.FID and t2.FEntryID_SRC=t3.FEntryID and t2.FClassID_SRC=1020001 inner "
        "join t_CG_Order t4 on t3.FID=t4.FID inner join t_XS_OrderEntry t5 on t3.FID_SRC=t5.FID "
        "and t3.FEntryID_SRC=t5.FEntryID and t3.FClassID_SRC=1030001 inner join t_XS_Order t6 on "
        "t5.FID=t6.FID inner join t_Item t7 on t6.FCustID=t7.FItemID where t2.FID in ( " +
        list + ")");
    if (!customers || customers->RecordCount() != 1) return;
    bill.SetFieldValue("FCustID", customers->Field("FCustID"));
}

// A row without a production date takes the bill date (and its expiry date the shelf life); a
// date the row brought from its source stays, as it belongs to the row's batch. A row without a
// stock takes the default stock.
void FillRowDatesAndStock(IBillForm& bill, int row) {
    const Value billDate = bill.GetFieldValue("FDate");
    const bool dated = !Trim(bill.GetFieldValue("FKFDate", row).ToString()).empty();
    if (!dated) {
        Trapped("dates of a source row", [&] {
            const auto d = ReadKFDate(billDate);
            if (!d) return;
            bill.SetFieldValue("FKFDate", FormatDate(*d), row);
            if (const auto days = IdOf(bill.GetFieldValue("FKFPeriod", row)))
                bill.SetFieldValue("FPeriodDate", FormatDate(AddDays(*d, *days)), row);
        });
    }
    if (SafeId(bill.GetFieldValue("FSCStockID", row)) <= 0)
        SetDefaultStock(bill, row, "FSCStockID");
}

// The entries the host's selection names ("SelDat": FClassTypeID, FID, FEntryID, FBillNo);
// empty when it names none.
std::set<std::pair<int32_t, int32_t>> SelectedEntries(const Value& selection) {
    std::set<std::pair<int32_t, int32_t>> entries;
    auto sel = selection.As<Collection>();
    auto data = sel ? sel->Sub("SelDat") : nullptr;
    if (!data) return entries;
    for (const auto& [key, item] : *data) {
        if (auto entry = item.As<Collection>())
            entries.insert({SafeId(entry->Get("FID")), SafeId(entry->Get("FEntryID"))});
    }
    return entries;
}

// The base quantity of the source entry; nullopt when the entry is gone.
std::optional<double> SourceEntryQty(int32_t classType, int32_t id, int32_t entry) {
    std::string table;
    if (classType == ct::kSalesOrder) {
        table = "t_XS_OrderEntry";
    } else if (IsStockBillClass(classType)) {
        table = "t_CC_StockBillEntry";
    } else {
        return std::nullopt;
    }
    auto rs = GetRecordset("Select FQty From " + table + " Where FID=" + std::to_string(id) +
                           " And FEntryID=" + std::to_string(entry));
    if (!rs || rs->IsEOF()) return std::nullopt;
    return rs->Field("FQty").ToNumber();
}

// What other sales bills (not this one) already drew from the source entry, in base units.
double QtyDrawnBySalesBills(IBillForm& bill, int32_t classType, int32_t id, int32_t entry) {
    std::string sql =
        "Select b.FItemID,isnull(sum(b.FQty),0) as FQty from t_CC_StockBill a inner join "
        "t_CC_StockBillEntry b on a.FID=b.FID where a.FClassTypeID=1030002 and b.FEntryID_SRC=" +
        std::to_string(entry) + " and b.FID_SRC=" + std::to_string(id) +
        " and b.FClassID_SRC=" + std::to_string(classType);
    if (bill.CurBillID() > 0) sql += " and a.FID<>" + std::to_string(bill.CurBillID());
    sql += " Group by b.FItemID ";
    double drawn = 0;
    for (auto rs = GetRecordset(sql); rs && !rs->IsEOF(); rs->MoveNext())
        drawn += rs->Field("FQty").ToNumber();
    return drawn;
}

}  // namespace

void AdjustRowsFromSources(IBillForm& bill, const Value& selection) {
    const auto selected = SelectedEntries(selection);
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        Trapped("AdjustRowsFromSources", [&] {
            const int32_t id = SafeId(bill.GetFieldValue("FID_SRC", r));
            const int32_t entry = SafeId(bill.GetFieldValue("FEntryID_SRC", r));
            if (id <= 0 || entry <= 0) return;
            if (!selected.empty() && !selected.count({id, entry})) return;
            const Value item = bill.GetFieldValue("FItemID", r);
            if (Val(GetSQLValue("select FIsSerialNumMgr from t_icitem where FItemID=" +
                                Id(item))) != 0)
                bill.SetFieldValue("FSerialNo", "", r);
            const int32_t classType = SafeId(bill.GetFieldValue("FClassID_SRC", r));
            const auto sourceQty = SourceEntryQty(classType, id, entry);
            if (!sourceQty) return;  // the source entry was deleted meanwhile
            const double open =
                std::max(0.0, *sourceQty - QtyDrawnBySalesBills(bill, classType, id, entry));
            bill.SetFieldValue("FQty", open, r);
            const double coefficient = bill.GetFieldValue("FCoefficient", r).ToNumber();
            if (coefficient != 0) bill.SetFieldValue("FShowQty", open / coefficient, r);
            DoFieldAction(bill, "FShowQty", r);
            FetchRowSalePrice(bill, r);
        });
    }
}

void FillFromSources(IBillForm& bill, const Value& selection) {
    TakeSourceBillType(bill);
    ExplainSource(bill);
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        if (bill.GetFieldValue("FItemID", r).ToNumber() <= 0) continue;
        LockRowsBySource(bill, r, "FItemID", "FBatchNo", false, false);
        const double k = bill.GetFieldValue("FSecCoefficient", r).ToNumber();
        if (k > 0)
            bill.SetFieldValue("FSecQty", bill.GetFieldValue("FShowQty", r).ToNumber() / k, r);
        bill.SetFieldValue("FSecPrice", bill.GetFieldValue("FPrice", r).ToNumber() * k, r);
    }
    AdjustRowsFromSources(bill, selection);
    TakeCustomerOfPurchaseSources(bill);
    for (int r = 1; r <= rows; ++r) {
        if (bill.GetFieldValue("FItemID", r).ToNumber() > 0) FillRowDatesAndStock(bill, r);
    }
    ShowCustomerBalance(bill, kSaleProgId);
    ApplySettleTerms(bill);
    if (IsIndustryMode()) {
        for (int r = 1; r <= rows; ++r) {
            if (!GetItemIsGC(bill.GetFieldValue("FItemID", r))) continue;
            const bool bySecondQty = bill.GetFieldValue("FCalTypeID", r).ToNumber() == 3;
            bill.SetFieldValue("FDisplayWeight",
                               bill.GetFieldValue(bySecondQty ? "FSecQty" : "FQty", r), r);
        }
    }
    GetOperatorEmpDept(bill, "2", 1);
    ApplyBillTypeLayout(bill, bill.GetFieldValue("FBillTypeID"));
    ApplyPriceAndTaxRights(bill);
}

void WriteBackContact(IBillForm& bill) {
    const int32_t customer = SafeId(bill.GetFieldValue("FCustID"));
    const std::string contact = Trim(bill.GetFieldValue("FContact").ToString());
    auto found = FindContactToWriteBack(customer, contact);
    if (!found) return;
    const Value address = bill.GetFieldValue("FReceiveAddr");
    const Value phone = bill.GetFieldValue("FPhone");
    auto record = Collection::Make();
    if (found->Field("FIsNew").ToNumber() == 1) {
        // A new contact, the customer's first when he has none.
        record->Set("FIsNew", 1);
        record->Set("FContact", contact);
        record->Set("FAddress", address);
        record->Set("FPhone", phone);
        for (const char* key : {"FMobilePhone", "FFax"}) record->Set(key, bill.GetFieldValue(key));
        for (const char* key : {"FEmail", "FDeptName", "FQQNum", "FPosition", "FPhoto"})
            record->Set(key, "");
        record->Set("FIsFirst", found->Field("FWithFirst").ToNumber() == 0 ? 1 : 0);
    } else {
        // The stored contact with the bill's address and phone.
        for (int i = 0; i < found->FieldCount(); ++i)
            record->Set(found->FieldName(i), found->Field(i));
        record->Set("FAddress", address);
        record->Set("FPhone", phone);
    }
    auto contacts = CreateHostObject<IComponent>("QOREBSGLItem.clsBarCodeUpdate");
    contacts->Call("SaveContactData", {customer, record, GetPropsString()});
}

}  // namespace qor

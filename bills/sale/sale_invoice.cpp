#include "bills/sale/sale_invoice.h"

#include <algorithm>
#include <exception>
#include <map>
#include <string>

#include "bills/common/list_selection.h"
#include "bills/sale/sale_rules.h"
#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/platform.h"
#include "frame/plugin.h"
#include "frame/trap.h"
#include "services/common.h"
#include "services/price_lookup.h"
#include "services/system_options.h"

namespace qor {

namespace {

constexpr double kQtyTolerance = 0.000001;

// Invoice kind: a VAT special invoice (3) for invoice type 2020, else an ordinary one (2).
int InvoiceKind(const Value& invoiceType) {
    return SafeId(invoiceType) == 2020 ? 3 : 2;
}

// A refusal of the list's checks: the advice, an empty line, then what is wrong.
Verdict ListRefusal(const std::string& what, const std::string& advice = "") {
    return Verdict::Refuse(advice.empty() ? what : advice + kCrLf + kCrLf + what);
}

// ---- Buyer and seller ---------------------------------------------------------------------------

// The customer's bank (its name from the bank messages) and phone, after the buyer columns the
// two buyer queries share; alias names the customer table.
std::string BuyerBankAndPhone(const std::string& alias) {
    return " LTRIM(RTRIM(ISNULL((SELECT b.FName FROM t_SubMessage b WHERE b.FTypeID=22 AND "
           "b.FInterID=" +
           alias + ".FBank),'') + ' ' + ISNULL(" + alias +
           ".FBankAccount,''))) AS FBuyerBankInfo,ISNULL(" + alias + ".FPhone,'') AS FBuyerPhone ";
}

// The buyer's messages: the form's end in "！", the list's in "。" with the customer named.
struct BuyerTexts {
    const char* missing;
    const char* noTaxNumber;
    bool namesCustomer;
};

// Reads the buyer of the statement into the dictionary; refused when the customer is missing
// or has no tax number.
Verdict AddBuyer(const std::string& sql, const BuyerTexts& texts, Collection& dictionary) {
    auto rs = GetRecordset(sql);
    if (!rs || rs->IsEOF()) return Verdict::Refuse(texts.missing);
    const std::string taxID = Trim(rs->Field("FBuyerTaxID").ToString());
    if (taxID.empty()) {
        std::string message = texts.noTaxNumber;
        if (texts.namesCustomer)
            message += std::string(kCrLf) + kCrLf + "客户：" + rs->Field("FCustNumber").ToString() +
                       "_" + rs->Field("FCustName").ToString();
        return Verdict::Refuse(message);
    }
    dictionary.Set("BuyerID", rs->Field("FCustID"));
    dictionary.Set("BuyerName", rs->Field("FCustName").ToString());
    dictionary.Set("BuyerTaxID", taxID);
    dictionary.Set("BuyerAddress", Trim(rs->Field("FBuyerAddress").ToString()));
    dictionary.Set("BuyerBankInfo", Trim(rs->Field("FBuyerBankInfo").ToString()));
    dictionary.Set("BuyerPhone", Trim(rs->Field("FBuyerPhone").ToString()));
    return Verdict::Pass();
}

// The seller's tax data of the account (category "Base"); false when name or tax number is
// missing.
bool AddSeller(Collection& dictionary) {
    static constexpr std::pair<const char*, const char*> kSeller[] = {
        {"SaleName", "QVTSaleName"},
        {"SaleTaxID", "QVTSaleTaxID"},
        {"SaleAddress", "QVTSaleAddress"},
        {"SaleBankInfo", "QVTSaleBankInfo"}};
    for (const auto& [key, option] : kSeller)
        dictionary.Set(key, Trim(GetSystemProfileValue(option, "Base")));
    return !dictionary.Get("SaleName").ToString().empty() &&
           !dictionary.Get("SaleTaxID").ToString().empty();
}

// The header items after buyer and seller.
void AddHeaderItems(Collection& dictionary, int kind, const std::string& remark) {
    dictionary.Set("eType", kind);
    dictionary.Set("FRemark", remark);
    dictionary.Set("FRedSrcCode", "");
    dictionary.Set("FRedSrcNumber", "");
    dictionary.Set("FCloudLink", "");
    dictionary.Set("FReceiveTag", 0);
}

// ---- Items --------------------------------------------------------------------------------------

// One invoiced row: quantity and amounts already signed (negative on a return).
struct InvoiceLine {
    int32_t itemID = 0, unitID = 0, billID = 0, entryID = 0, classID = ct::kSalesBill;
    std::string itemNumber, itemName, model, unitName, taxCategory, billNo;
    double price = 0, taxPrice = 0, quantity = 0, taxRate = 0, taxAmount = 0, amount = 0,
           inTaxAmount = 0;
};

Value ItemDictionary(const InvoiceLine& line) {
    return Value(Collection::Make({{"ProductName", line.itemName},
                                   {"Price", line.price},
                                   {"PriceIncTax", line.taxPrice},
                                   {"Unit", line.unitName},
                                   {"Model", line.model},
                                   {"Quantity", line.quantity},
                                   {"TaxRate", line.taxRate},
                                   {"TaxAmount", line.taxAmount},
                                   {"Amount", line.amount},
                                   {"AmountIncTax", line.inTaxAmount},
                                   {"FID_SRC", line.billID},
                                   {"FEntryID_SRC", line.entryID},
                                   {"FBillNo_SRC", line.billNo},
                                   {"FClassID_SRC", line.classID},
                                   {"FItemID", line.itemID},
                                   {"FUnitID", line.unitID},
                                   {"FItemNumber", line.itemNumber},
                                   {"FTaxCategoryID", line.taxCategory},
                                   {"FAmountIncludeTax", line.inTaxAmount}}));
}

// What was invoiced already of each entry of the bill (entry -> sums), in one statement.
struct Invoiced {
    double quantity = 0, amount = 0, amountIncTax = 0, taxAmount = 0;
};
std::map<int32_t, Invoiced> InvoicedEntries(int32_t billID, int32_t classType) {
    std::map<int32_t, Invoiced> done;
    auto rs = GetRecordset(JoinLines({
        "select i.FEntryID_SRC,isnull(sum(i.FQuantity), 0) as FQuantity,",
        "   isnull(sum(i.FPrice), 0) as FPrice,",
        "   isnull(sum(i.FAmount), 0) as FAmount,",
        "   isnull(sum(i.FPriceIncludeTax), 0) as FPriceIncludeTax,",
        "   isnull(sum(i.FAmountIncludeTax), 0) as FAmountIncludeTax,",
        "   isnull(Sum(i.FTaxAmount), 0) As FTaxAmount",
        "   from t_InvoiceEntry AS i",
        "   inner join t_Invoice AS ip ON i.FInvCode = ip.FCode AND i.FInvNumber = ip.FNumber",
        "   Where i.FID_SRC = " + std::to_string(billID) +
            " And i.FClassID_SRC = " + std::to_string(classType),
        "   group by i.FID_SRC,i.FClassID_SRC,i.FEntryID_SRC ",
    }));
    for (; rs && !rs->IsEOF(); rs->MoveNext())
        done[SafeId(rs->Field("FEntryID_SRC"))] = {
            rs->Field("FQuantity").ToNumber(), rs->Field("FAmount").ToNumber(),
            rs->Field("FAmountIncludeTax").ToNumber(), rs->Field("FTaxAmount").ToNumber()};
    return done;
}

// Number, name and model of the items, and the names of the units, in two statements.
struct ItemNames {
    std::map<int32_t, InvoiceLine> items;
    std::map<int32_t, std::string> units;
};
ItemNames ReadItemNames(const std::vector<int32_t>& items, const std::vector<int32_t>& units) {
    ItemNames names;
    if (!items.empty()) {
        auto rs = GetRecordset(
            "Select FItemID,FNumber,FName,Ltrim(Rtrim(IsNull(FModel,''))) As FModel From "
            "t_ICItem Where FItemID In(" +
            SqlIdList(items) + ")");
        for (; rs && !rs->IsEOF(); rs->MoveNext()) {
            InvoiceLine& item = names.items[SafeId(rs->Field("FItemID"))];
            item.itemNumber = rs->Field("FNumber").ToString();
            item.itemName = rs->Field("FName").ToString();
            item.model = rs->Field("FModel").ToString();
        }
    }
    if (!units.empty()) {
        auto rs = GetRecordset("Select FItemID,FName From t_MeasureUnit Where FItemID In(" +
                               SqlIdList(units) + ")");
        for (; rs && !rs->IsEOF(); rs->MoveNext())
            names.units[SafeId(rs->Field("FItemID"))] = rs->Field("FName").ToString();
    }
    return names;
}

// The item's tax category from the host's item tax service; "" when its tax data are
// incomplete.
std::string TaxCategoryOf(const ComponentPtr& taxService, int32_t item) {
    auto info = taxService->Call("GetICItemInfo", {GetPropsString(), item}).As<Collection>();
    return info ? Trim(info->Get("FTaxCategoryID").ToString()) : std::string();
}

void AddIfMissing(std::vector<int32_t>& ids, int32_t id) {
    if (id > 0 && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
}

// ---- The form's bill ----------------------------------------------------------------------------

Verdict BuildBillInvoice(IBillForm& bill, const SalesBillTables& tables,
                         CollectionPtr& dictionary) {
    auto invoice = Collection::Make();
    const std::string customer = SqlId(bill.GetFieldValue("FCustID"));
    Verdict buyer = AddBuyer(
        " SELECT FItemID AS FCustID,FNumber AS FCustNumber,FName AS FCustName,ISNULL(FTaxNum, "
        "'') AS FBuyerTaxID, LTRIM(RTRIM(ISNULL('' + ISNULL(FAddress,'') + ' ' + "
        "ISNULL(FCompanyPhone,''), ''))) AS FBuyerAddress," +
            BuyerBankAndPhone("i") + " FROM t_Organization AS i " +
            " where i.FItemID = " + customer,
        {"客户资料不存在，请先补充客户相关资料！", "客户纳税登记号为空，请先补充客户相关税务资料！",
         false},
        *invoice);
    if (buyer.Refused()) return buyer;
    if (!AddSeller(*invoice))
        return Verdict::Refuse(
            "未读取到开票方税务信息，无法进行开票操作，请先确保已完成开票初始化。");
    AddHeaderItems(*invoice, InvoiceKind(bill.GetFieldValue("FInvoiceType")),
                   bill.GetFieldValue("FExplanation").ToString());

    const int32_t billID =
        bill.CurBillID() > 0 ? bill.CurBillID() : SafeId(bill.GetFieldValue("FID"));
    const double sign = SafeId(bill.GetFieldValue("FBillTypeID")) == bt::kReturn ? -1 : 1;
    const int rows = GetEntryRowCount(bill);
    std::vector<int32_t> items, units;
    for (int r = 1; r <= rows; ++r) {
        AddIfMissing(items, SafeId(bill.GetFieldValue("FItemID", r)));
        AddIfMissing(units, SafeId(bill.GetFieldValue("FShowUnitID", r)));
    }
    const auto invoiced = InvoicedEntries(billID, tables.classType);
    const auto names = ReadItemNames(items, units);
    auto taxService = CreateHostObject<IComponent>("QORMInvoiceManage.clsInvoiceManage");
    std::map<int32_t, std::string> categories;
    auto entries = Collection::Make();
    for (int r = 1; r <= rows; ++r) {
        const int32_t item = SafeId(bill.GetFieldValue("FItemID", r));
        if (item <= 0) continue;
        InvoiceLine line;
        if (auto known = names.items.find(item); known != names.items.end()) line = known->second;
        line.entryID = SafeId(bill.GetFieldValue("FEntryID", r));
        const auto done = invoiced.find(line.entryID);
        const Invoiced before = done == invoiced.end() ? Invoiced{} : done->second;
        // What is left of the row, in the row's own sign, after what earlier invoices took.
        const double left = bill.GetFieldValue("FShowQty", r).ToNumber() - sign * before.quantity;
        if (left <= kQtyTolerance) continue;
        if (!categories.count(item)) categories[item] = TaxCategoryOf(taxService, item);
        line.taxCategory = categories[item];
        if (line.taxCategory.empty())
            return Verdict::Refuse("商品（" + line.itemName +
                                   "）税务资料信息不全，请先补充商品相关税务资料。");
        line.itemID = item;
        line.unitID = SafeId(bill.GetFieldValue("FShowUnitID", r));
        if (auto unit = names.units.find(line.unitID); unit != names.units.end())
            line.unitName = unit->second;
        line.billID = billID;
        line.classID = tables.classType;
        line.billNo = bill.GetFieldValue("FBillNo").ToString();
        line.price = bill.GetFieldValue("FPriceDiscount", r).ToNumber();
        line.taxPrice = bill.GetFieldValue("FTaxPrice", r).ToNumber();
        line.taxRate = bill.GetFieldValue("FTaxRate", r).ToNumber();
        line.quantity = sign * left;
        line.amount = sign * bill.GetFieldValue("FAmount", r).ToNumber() - before.amount;
        line.taxAmount = sign * bill.GetFieldValue("FTaxAmount", r).ToNumber() - before.taxAmount;
        line.inTaxAmount =
            sign * bill.GetFieldValue("FInTaxAmount", r).ToNumber() - before.amountIncTax;
        entries->Add("", ItemDictionary(line));
    }
    if (entries->Count() == 0)
        return Verdict::Refuse("销售单的所有分录均已全部下推生成发票，不允许重复生成。",
                               kMsgInformation, kTipCaption);
    invoice->Set("Entries", Value(entries));
    dictionary = invoice;
    return Verdict::Pass();
}

// ---- The list's bills ---------------------------------------------------------------------------

// The first ten items of the bills without a tax category, one line each.
std::string ItemsWithoutTaxCategory(const std::string& idList) {
    auto rs = GetRecordset(
        "Select Top 10 FNumber,FName,Ltrim(Rtrim(IsNull(FModel,''))) As FModel From t_ICItem "
        "Where FItemID In(Select FItemID From T_CC_StockBillEntry Where FID In(" +
        idList + ")) And IsNull(FTaxCategoryID,'')=''");
    std::string lines;
    for (; rs && !rs->IsEOF(); rs->MoveNext()) {
        lines += kCrLf + rs->Field("FNumber").ToString() + " " + rs->Field("FName").ToString();
        const std::string model = rs->Field("FModel").ToString();
        if (!model.empty()) lines += "(" + model + ")";
    }
    return lines;
}

Verdict BuildBillsInvoice(const std::vector<int32_t>& ids, CollectionPtr& dictionary) {
    if (ids.empty())
        return ListRefusal("所选单据中都不存在，无法生成发票！", "请选择有效的销售单。");
    const std::string idList = SqlIdList(ids);
    const std::string among =
        " From T_CC_StockBill Where FClassTypeID=1030002 And FID In(" + idList + ")";
    auto any = [&](const std::string& condition) {
        return !GetSQLValue("Select Top 1 FID From T_CC_StockBill Where FClassTypeID=1030002 And " +
                            condition + " And FID In(" + idList + ")")
                    .empty();
    };
    if (any("FBillTypeID=3004")) return ListRefusal("所选单据中有委托结算退货单，不能生成发票！");
    if (any("IsNull(FCheckerID,0)=0"))
        return ListRefusal("所选单据中有未审核的销售单，无法生成发票！", "请选择已审核的销售单。");
    auto customers = GetRecordset("Select Distinct FCustID" + among);
    const long customerCount = customers ? customers->RecordCount() : 0;
    if (customerCount == 0)
        return ListRefusal("所选单据中都不存在，无法生成发票！", "请选择有效的销售单。");
    if (customerCount > 1)
        return ListRefusal("所选单据中包含有多个客户，无法生成发票！", "请选择同一客户的销售单。");
    const std::string customer = SqlId(customers->Field("FCustID"));
    // A bill without an invoice type counts as a kind of its own (0), so that a selection of
    // such bills is refused as having none and one mixed with typed bills as having several.
    auto kinds = GetRecordset(
        "Select Distinct (Case When FInvoiceType=2020 Then 3 When IsNull(FInvoiceType,0)=0 Then 0 "
        "Else 2 End) As FInvoiceType" +
        among);
    const long kindCount = kinds ? kinds->RecordCount() : 0;
    const int kind = kindCount ? SafeId(kinds->Field("FInvoiceType")) : 0;
    if (kindCount == 0 || (kindCount == 1 && kind == 0))
        return ListRefusal("所选单据中没有发票类型，无法生成发票！");
    if (kindCount > 1)
        return ListRefusal("所选单据中包含有多种发票类型，无法生成发票！",
                           "请选择同一发票类型的销售单。");
    if (any("FInvoiceAmt>0"))
        return ListRefusal("所选单据中包含有已生成发票的单据，无法生成发票！",
                           "请选择未生成过发票的销售单。");

    auto invoice = Collection::Make();
    // The customer table's alias and the Where clause are separate words of the statement.
    Verdict buyer = AddBuyer(
        "Select FItemID As FCustID,FNumber As FCustNumber,FName As FCustName,IsNull(FTaxNum, '') "
        "As FBuyerTaxID, (IsNull(FAddress,'') + ' ' + IsNull(FCompanyPhone,'')) As "
        "FBuyerAddress," +
            BuyerBankAndPhone("A") + "From t_Organization A" + kCrLf +
            "Where A.FItemID=" + customer,
        {"客户资料不存在，请先补充客户相关资料。", "客户纳税登记号为空，请先补充客户相关税务资料。",
         true},
        *invoice);
    if (buyer.Refused()) return buyer;
    if (const std::string lines = ItemsWithoutTaxCategory(idList); !lines.empty())
        return Verdict::Refuse("如下商品税务资料信息不全，请先补充商品相关税务资料。" + lines);
    AddSeller(*invoice);
    AddHeaderItems(*invoice, kind, "");

    auto rs = OpenRecordset(JoinLines({
        "Select B.FClassTypeID,A.FID,B.FBillNo,A.FEntryID,A.FItemID,C.FNumber,C.FName,C.FModel,"
        "C.FTaxCategoryID,A.FShowUnitID As FUnitID,D.FName As FUnitName,",
        "A.FTaxPrice,A.FTaxRate,A.FPriceDiscount,",
        "(Case When B.FBillTypeID=3002 Then -1*A.FTaxAmount Else A.FTaxAmount End) As FTaxAmount,",
        "(Case When B.FBillTypeID=3002 Then -1*A.FAmount Else A.FAmount End) As FAmount,",
        "(Case When B.FBillTypeID=3002 Then -1*A.FInTaxAmount Else A.FInTaxAmount End) As "
        "FInTaxAmount,",
        "(Case When B.FBillTypeID=3002 Then -1*A.FShowQty Else A.FShowQty End) As FShowQty",
        "From T_CC_StockBillEntry  A",
        "Inner Join T_CC_StockBill B On A.FID=B.FID",
        "Inner Join t_ICItem       C On A.FItemID=C.FItemID",
        "Inner Join t_MeasureUnit  D On A.FShowUnitID=D.FItemID",
        "Where A.FID In(" + idList + ")",
        "Order By A.FID,A.FEntryID",
    }));
    if (!rs) return ListRefusal("获取单据明细信息失败，不能生成发票！");
    if (rs->IsEOF()) return ListRefusal("没有可以生成发票的单据明细记录，不能生成发票！");
    auto entries = Collection::Make();
    for (; !rs->IsEOF(); rs->MoveNext()) {
        InvoiceLine line;
        line.classID = SafeId(rs->Field("FClassTypeID"));
        line.billID = SafeId(rs->Field("FID"));
        line.billNo = rs->Field("FBillNo").ToString();
        line.entryID = SafeId(rs->Field("FEntryID"));
        line.itemID = SafeId(rs->Field("FItemID"));
        line.itemNumber = rs->Field("FNumber").ToString();
        line.itemName = rs->Field("FName").ToString();
        line.model = Trim(rs->Field("FModel").ToString());
        line.taxCategory = Trim(rs->Field("FTaxCategoryID").ToString());
        line.unitID = SafeId(rs->Field("FUnitID"));
        line.unitName = rs->Field("FUnitName").ToString();
        line.taxPrice = rs->Field("FTaxPrice").ToNumber();
        line.taxRate = rs->Field("FTaxRate").ToNumber();
        line.price = rs->Field("FPriceDiscount").ToNumber();
        line.taxAmount = rs->Field("FTaxAmount").ToNumber();
        line.amount = rs->Field("FAmount").ToNumber();
        line.inTaxAmount = rs->Field("FInTaxAmount").ToNumber();
        line.quantity = rs->Field("FShowQty").ToNumber();
        entries->Add("", ItemDictionary(line));
    }
    invoice->Set("Entries", Value(entries));
    dictionary = invoice;
    return Verdict::Pass();
}

}  // namespace

// ---- Interfaces ---------------------------------------------------------------------------------

Verdict CheckInvoiceRights(const char* callerName) {
    if (!CheckAccessRight(GetPropsString(), 33, 300, 32, callerName))
        return Verdict::Refuse("您没有发票填开的权限！", kMsgInformation, kTipCaption);
    std::string seller;
    if (auto profile = std::dynamic_pointer_cast<IComponent>(GetGLSystemProfile())) {
        seller = Trapped("CheckInvoiceRights", std::string(), [&] {
            return Trim(
                profile->Call("GetSystemProfile", {GetPropsString(), "Base", "QVTSaleName", ""})
                    .ToString());
        });
    }
    if (seller.empty())
        return Verdict::Refuse("未读取到开票方税务信息，无法进行开票操作，请先完成开票初始化。");
    return Verdict::Pass();
}

Verdict GetSaleBillMakeQvtInvoiceDict(IBillForm& bill, CollectionPtr& dictionary,
                                      const SalesBillTables& tables) {
    dictionary = nullptr;
    WriteLog("GetSaleBillMakeQvtInvoiceDict - BEG");
    Verdict verdict;
    try {
        verdict = BuildBillInvoice(bill, tables, dictionary);
    } catch (const std::exception& e) {
        dictionary = nullptr;
        return Verdict::Refuse(std::string("GetSaleBillMakeQvtInvoiceDict函数发生错误：") +
                               e.what());
    }
    WriteLog("GetSaleBillMakeQvtInvoiceDict - END");
    return verdict;
}

Verdict GetSaleBillsMakeQvtInvoiceDict(const std::vector<int32_t>& ids, CollectionPtr& dictionary) {
    dictionary = nullptr;
    if (Verdict rights = CheckInvoiceRights(); rights.Refused()) return rights;
    return BuildBillsInvoice(ids, dictionary);
}

double GetSalePriceForQVT(const Value& item, const Value& unit, const Value& customer,
                          const Value& stock, const Value& batch, double& discount,
                          int includeTax) {
    return GetPromotionPrice(item, unit, customer, stock, batch, discount, includeTax);
}

bool InvokeSalePriceForQVT(const std::string& method, Args& args, Value& result) {
    if (!IEquals(method, "GetSalePriceForQVT")) return false;
    auto arg = [&](size_t i) { return i < args.size() ? args[i] : Value(); };
    double discount = arg(5).ToNumber();
    result = Value(GetSalePriceForQVT(arg(0), arg(1), arg(2), arg(3), arg(4), discount,
                                      static_cast<int>(arg(6).ToNumber())));
    if (args.size() > 5) args[5] = Value(discount);
    return true;
}

void MakeQvtInvoice(const CollectionPtr& dictionary) {
    CreateHostObject<IComponent>(kInvoiceManager)
        ->Call("SaleBillMakeQvtInvoice", {Value(dictionary)});
}

ToolRule InvoiceBill(const SalesBillTables& tables) {
    return [&tables](ToolRun& run) {
        IBillForm& bill = *run.bill;
        if (bill.CurBillID() <= 0 && SafeId(bill.GetFieldValue("FID")) <= 0)
            return Verdict::Refuse("请先保存单据");
        if (SafeId(bill.GetFieldValue("FCustID")) <= 0) return Verdict::Refuse("请先输入客户。");
        CollectionPtr dictionary;
        if (Verdict v = GetSaleBillMakeQvtInvoiceDict(bill, dictionary, tables); v.Refused())
            return v;
        MakeQvtInvoice(dictionary);
        if (tables.afterFollowOn) tables.afterFollowOn(bill);
        return Verdict::Pass();
    };
}

Verdict InvoiceSelectedSaleBills(ToolRun& run) {
    CollectionPtr dictionary;
    if (Verdict v = GetSaleBillsMakeQvtInvoiceDict(SelectedBillIDs(*run.list), dictionary);
        v.Refused())
        return v;
    MakeQvtInvoice(dictionary);
    return Verdict::Pass();
}

void AddInvoiceTool(RuleBook& b, const SalesBillTables& tables, const char* beforeKey) {
    b.Tool({.band = "mnuRelate",
            .key = "mnuRelatePushBill_3000001",
            .caption = "生成发票",
            .beforeKey = beforeKey,
            .onClick = InvoiceBill(tables)});
}

void AddSaleInvoiceTool(RuleBook& b) {
    AddInvoiceTool(b, kSaleBillTables, "mnuRelatePushBill_1030002");
}

}  // namespace qor

#include "bills/common/sales_header.h"

#include <cmath>

#include "bills/common/sales_rows.h"
#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/platform.h"
#include "frame/plugin.h"
#include "frame/trap.h"
#include "services/common.h"
#include "services/price_lookup.h"
#include "services/system_options.h"
#include "services/transport_costs.h"

namespace qor {

namespace {

double HeaderNum(IBillForm& bill, const char* key) {
    return bill.GetFieldValue(key).ToNumber();
}

bool HasField(IBillForm& bill, const std::string& key) {
    return bill.GetFieldInfoByKey(key, "", 0) != nullptr;
}

// Writes a header field the bill has; other bills' forms are left alone.
void PutHeader(IBillForm& bill, const std::string& key, const Value& value) {
    if (HasField(bill, key)) bill.SetFieldValue(key, value);
}

bool IsNumeric(const Value& v) {
    if (v.IsNumber()) return true;
    if (!v.IsText()) return false;
    const std::string t = Trim(v.AsText());
    if (t.empty()) return false;
    char* end = nullptr;
    std::strtod(t.c_str(), &end);
    return end == t.c_str() + t.size();
}

}  // namespace

void ShowCustomerBalance(IBillForm& bill, const std::string& callerName) {
    Trapped("ShowCustomerBalance", [&] {
        const int32_t customer = SafeId(bill.GetFieldValue("FCustID"));
        if (customer < 1 || !CheckAccessRight(GetPropsString(), 40, 100, 1024, callerName)) {
            bill.SetStatusText(3, "");
            return;
        }
        auto rs = GetRecordset(
            "Select FCurComeGoBalance,FCreditAmount From t_Organization Where FItemID = " +
            std::to_string(customer));
        if (!rs || rs->IsEOF()) {
            bill.SetStatusText(3, "");
            return;
        }
        if (!IsInitClosed()) {
            bill.SetStatusText(3, std::string("往来余额") + "0" + ",信用额度" + "0");
            return;
        }
        bill.SetStatusText(3, "往来余额" + NumberToText(rs->Field("FCurComeGoBalance").ToNumber()) +
                                  ",信用额度" +
                                  NumberToText(rs->Field("FCreditAmount").ToNumber()));
    });
}

SettleTerms ApplySettleTerms(IBillForm& bill) {
    return Trapped("ApplySettleTerms", SettleTerms::None, [&] {
        const int32_t customer = SafeId(bill.GetFieldValue("FCustID"));
        if (customer < 1) return SettleTerms::None;
        auto terms = GetCachedRecordset(
            std::string(" Select t2.FType,t2.FStandDays,t2.FMonthPayDay,t2.FBeforeDays From "
                        "t_Organization t1 ") +
            kCrLf + " Left Join t_SetDl t2 ON t1.FPayMentTime=t2.FItemID Where t1.FItemID=" +
            std::to_string(customer));
        if (!terms || terms->IsEOF() || terms->Field("FType").IsBlank()) return SettleTerms::None;
        const auto billDate = ParseDate(bill.GetFieldValue("FDate").ToString());
        if (!billDate) return SettleTerms::Other;
        const int32_t type = SafeId(terms->Field("FType"));
        if (type != 1 && type != 2) return SettleTerms::Other;
        const auto days = IdOf(terms->Field(type == 1 ? "FStandDays" : "FBeforeDays"));
        if (!days) return SettleTerms::Other;
        // Type 1: days after the bill; type 2: the monthly pay day after those days.
        const std::optional<Date> due =
            type == 1 ? AddDays(*billDate, *days)
                      : CalcDueDate(*billDate, SafeId(terms->Field("FMonthPayDay")), *days);
        if (!due) return SettleTerms::Other;
        bill.SetFieldValue("FSettleLimitDate", FormatDate(*due));
        return SettleTerms::Applied;
    });
}

void FillCustomerContact(IBillForm& bill, const Value& customer, const ContactFields& fields) {
    Trapped("FillCustomerContact", [&] {
        const int32_t id = SafeId(customer);
        if (id < 1) return;
        auto contact = GetRecordset(
            std::string(
                "select  t2.FContact ,t2.FAddress as FReceiveAddr,t2.FPhone,t2.FMobilePhone") +
            kCrLf + "From t_Organization t1 " + kCrLf + "Inner join t_Contact t2  " + kCrLf +
            "On t1.FItemID =t2.FItemID and t2.FIsFirst =1 where t1.FItemID=" + std::to_string(id));
        Value name, address, phone, mobile;
        if (contact && !contact->IsEOF()) {
            name = contact->Field("FContact");
            address = contact->Field("FReceiveAddr");
            phone = contact->Field("FPhone");
            mobile = contact->Field("FMobilePhone");
        } else if (fields.customerAsFallback) {
            // No first contact: the customer's own address and phones, and no contact name
            // (a name left from another customer would be written back to this one).
            auto info = CreateHostObject<IComponent>("QOREBSGLItem.ItemInfo");
            auto detail = info->Call("GetDetail", {GetPropsString(), id}).As<Collection>();
            if (!detail) return;
            name = Value("");
            address = detail->Get("FAddress");
            phone = detail->Get("FCompanyPhone");
            mobile = detail->Get("FPhone");
        }
        PutHeader(bill, "FContact", name.IsBlank() ? Value("") : name);
        for (const auto& key : fields.addressKeys)
            PutHeader(bill, key, address.IsBlank() ? Value("") : address);
        PutHeader(bill, "FPhone", phone.IsBlank() ? Value("") : phone);
        PutHeader(bill, "FMobilePhone", mobile.IsBlank() ? Value("") : mobile);
    });
}

RecordsetPtr FindContactToWriteBack(int32_t customer, const std::string& contact, bool* several) {
    if (several) *several = false;
    if (Trim(GetSystemProfileValue("UpdateRelaxAddrInSale", "IC", "1")) != "1") return nullptr;
    if (customer < 1 || Trim(contact).empty()) return nullptr;
    auto found = GetRecordset(JoinLines(
        {"declare @FItemID    int", "declare @FContact   varchar(50)",
         "declare @ExistFirst tinyint", "", "Set @FItemID=" + std::to_string(customer),
         "Set @FContact=" + SqlValue(contact), "",
         "Select @ExistFirst=Case When Exists(Select * From t_Contact Where FItemID=@FItemID And "
         "FIsFirst=1) Then 1 Else 0 End",
         "", "if Exists(Select * from t_Contact Where FItemID=@FItemID and FContact=@FContact)",
         "begin",
         "     Select @ExistFirst As FWithFirst,0 As FIsNew,* From t_Contact Where "
         "FItemID=@FItemID and FContact=@FContact",
         "end", "else", "begin", "     Select @ExistFirst As FWithFirst,1 As FIsNew", "end"}));
    if (!found || found->IsEOF()) return nullptr;
    if (found->RecordCount() > 1) {
        ShowMessage(std::string("反写联系人信息失败!") + kCrLf + kCrLf +
                        "客户资料中存在多个同名联系人 [" + contact + "]'",
                    kMsgInformation, kMsgCaption);
        if (several) *several = true;
        return nullptr;
    }
    return found;
}

void ApplyCostAndInvoiceRights(IBillForm& bill, const std::string& callerName) {
    const std::string props = GetPropsString();
    if (!CheckAccessRight(props, 15, 900, 32, callerName))
        SetEntryFieldsVisible(bill, "FCostPrice,FCostAmount", false);
    if (!CheckAccessRight(props, 15, 2010, 32, callerName))
        SetHeadFieldsVisible(bill, "FInvoiceAmt,FNoInvoiceAmt", false);
}

void ApplyPriceAndTaxRights(IBillForm& bill) {
    const std::string props = GetPropsString();
    ApplyPriceFieldRights(bill, props);
    ApplyTaxFieldRights(props, bill, false);
}

bool IsVatInvoiceType(const Value& invoiceType) {
    const double t = invoiceType.ToNumber();
    return t == 2020 || t == 2021;
}

void ApplyTaxColumns(IBillForm& bill, const Value& invoiceType) {
    static const char* kTaxColumns[] = {"FTaxRate", "FTaxPrice", "FTaxAmount", "FInTaxAmount"};
    if (!IsVatInvoiceType(invoiceType)) {
        SetEntryFieldsVisible(bill, "FTaxRate,FTaxPrice,FTaxAmount,FInTaxAmount", false);
        return;
    }
    auto info = bill.TableInfo();
    auto map = info ? info->Sub("Map") : nullptr;
    for (const char* key : kTaxColumns) {
        auto field = map ? map->Sub(key) : nullptr;
        SetEntryFieldsVisible(bill, key, field ? field->Get("FVisible").ToBool() : true);
    }
}

// ---- Header change rules ------------------------------------------------------------------------

void OnCustomerChanged(FieldEdit& e, const std::string& callerName) {
    IBillForm& bill = e.bill;
    const Value customer = bill.GetFieldValue("FCustID");
    ShowCustomerBalance(bill, callerName);
    GetOperatorEmpDept(bill, "2");
    if (!IsIndustryMode()) {
        const bool keepPrices = IsUserOptionOn(BillSetSection(bill), "DoNotResetPrice");
        const int rows = GetEntryRowCount(bill);
        if (!keepPrices) {
            for (int r = 1; r <= rows; ++r) {
                if (bill.GetFieldValue("FItemID", r).ToNumber() > 0) FetchRowSalePrice(bill, r);
            }
        }
        for (int r = 1; r <= rows; ++r) {
            if (bill.GetFieldValue("FItemID", r).ToNumber() > 0) FillClientItemID(bill, r);
        }
    }
    if (SafeId(customer) >= 1) {
        ApplySettleTerms(bill);
        FillCustomerContact(bill, customer);
    }
}

void OnBillDateChanged(FieldEdit& e) {
    IBillForm& bill = e.bill;
    if (SafeId(bill.GetFieldValue("FCustID")) >= 1 && ApplySettleTerms(bill) != SettleTerms::None)
        return;
    bill.SetFieldValue("FSettleLimitDate", bill.GetFieldValue("FDate"));
}

void OnSalesmanChanged(FieldEdit& e) {
    SetDeptByEmp(e.bill);
}

void OnSettlementChanged(FieldEdit& e) {
    IBillForm& bill = e.bill;
    const double type = HeaderNum(bill, "FBillTypeID");
    const double pay = HeaderNum(bill, "FCurPayAmount");
    const double neutralized = HeaderNum(bill, "FNeutralizeAmount");
    // A refund settles exactly what is paid back and neutralised.
    if (type == bt::kReturn || type == bt::kConsignSettleReturn)
        bill.SetFieldValue("FCurCheckAmount", pay + neutralized);
    if (IEquals(e.key, "FCurPayAmount")) {
        const bool severalAccounts = e.fieldDesc && e.fieldDesc->Get("MultiItem").ToBool();
        bill.SetFieldValue("FMultiAccount", severalAccounts ? 1 : 0);
        LockEntryCell(bill, "FCURPAYAMOUNT", severalAccounts);
        const bool noAccount = severalAccounts || pay == 0;
        LockEntryCell(bill, "FBalanceStyle", noAccount);
        LockEntryCell(bill, "FAcctNo", noAccount);
    }
    // A discount account is asked for only while the settled amount differs from the money.
    const double settled = HeaderNum(bill, "FCurCheckAmount");
    const bool differs = std::fabs(settled - (pay + neutralized)) >= 0.005;
    LockEntryCell(bill, "FDiscountAcctId", !differs);
}

void OnInvoiceTypeChanged(FieldEdit& e) {
    IBillForm& bill = e.bill;
    const Value type = e.NewValue();
    if (!IsNumeric(type)) return;
    const int rows = GetEntryRowCount(bill);
    if (!IsVatInvoiceType(type)) {
        for (int r = 1; r <= rows; ++r) {
            bill.SetFieldValue("FTaxRate", 0, r);
            DoFieldAction(bill, "FTaxRate", r);
        }
    } else {
        for (int r = 1; r <= rows; ++r) {
            if (bill.GetFieldValue("FTaxRate", r).ToNumber() != 0) continue;
            bill.SetFieldValue("FTaxRate", DefaultTaxRate(), r);
            DoFieldAction(bill, "FTaxRate", r);
        }
    }
    ApplyTaxColumns(bill, type);
}

void OnSettleStyleChanged(FieldEdit& e) {
    IBillForm& bill = e.bill;
    auto account = GetRecordset(
        "Select FItemID,FNumber,FName From t_SettleAcct Where FItemID = (Select FAcctID From "
        "t_Settle Where FItemID=" +
        std::to_string(SafeId(bill.GetFieldValue("FBalanceStyle"))) + ")");
    if (!account || account->IsEOF()) return;
    bill.SetFieldValue("FAcctNo", account->Field("FItemID"));
    if (auto cell = bill.GetDataFldbyKey("FAcctNo")) {
        cell->Set("FFND", account->Field("FNumber"));
        cell->Set("FDSP", account->Field("FName"));
    }
}

void OnDiscountAccountChanged(FieldEdit& e) {
    const Value account = e.fieldDesc ? e.fieldDesc->Get("FFLD") : e.NewValue();
    const int32_t id = SafeId(account);
    if (id == 0) return;
    auto rs = GetRecordset("select FQuantities,FCurrencyID from t_account where   FAccountID='" +
                           std::to_string(id) + "'");
    if (!rs || rs->IsEOF()) return;
    std::string message;
    if (rs->Field("FQuantities").ToBool()) {
        message = "所选择的科目进行了数量金额核算，请重新选择科目。";
    } else {
        const double currency = rs->Field("FCurrencyID").ToNumber();
        if (currency != 0 && currency != 1)
            message = "所选择的科目进行了单一外币核算，请重新选择科目。";
    }
    if (message.empty()) return;
    ShowMessage(message, kMsgInformation, kMsgCaption);
    e.bill.SetFieldValue(e.key, "", e.row);
    e.bill.SetActiveCell(e.key, e.row);
}

void OnFreightCostChanged(FieldEdit& e) {
    RefreshShareCostMenus(e.bill);
}

void ResetRejection(FieldEdit& e) {
    if (e.hostFill) return;
    for (const char* key : {"FRejectedNote", "FRejectedTime", "FRejected"}) {
        if (IEquals(e.key, key)) return;
    }
    IBillForm& bill = e.bill;
    if (!HasField(bill, "FRejected")) return;
    bill.SetFieldValue("FRejectedNote", "");
    bill.SetFieldValue("FRejectedTime", "");
    bill.SetFieldValue("FRejected", "0");
}

}  // namespace qor

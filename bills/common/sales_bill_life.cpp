#include "bills/common/sales_bill_life.h"

#include "bills/common/sales_header.h"
#include "bills/common/sales_rows.h"
#include "frame/class_types.h"
#include "frame/plugin.h"
#include "frame/trap.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/serial_numbers.h"
#include "services/system_options.h"

namespace qor {

namespace {

void MarkModified(IBillForm& bill, const char* key) {
    if (auto cell = bill.GetDataFldbyKey(key)) cell->Set("FModify", 1);
}

void ApplyLayout(IBillForm& bill, const SalesBillPrep& prep) {
    if (prep.billTypeLayout) prep.billTypeLayout(bill);
}

}  // namespace

void PrepareNewSalesBill(IBillForm& bill, const SalesBillPrep& prep) {
    const std::string invoiceType = Trim(Trapped("default invoice type", std::string(), [&] {
        return ReadUserProfile(prep.invoiceSection, "InvoiceType");
    }));
    if (!invoiceType.empty()) {
        bill.SetFieldValue("FInvoiceType", invoiceType);
        MarkModified(bill, "FInvoiceType");
    }
    ApplyCostAndInvoiceRights(bill, prep.callerName);
    ApplyLayout(bill, prep);
    bill.SetFieldValue("FSettleLimitDate", bill.GetFieldValue("FDate"));
    MarkModified(bill, "FSettleLimitDate");
    ClearPageModifyFlags(bill);
    ApplyPriceAndTaxRights(bill);
}

void PrepareCopiedSalesBill(IBillForm& bill, const SalesBillPrep& prep) {
    ApplySettleTerms(bill);
    // A copy of a bill made from an online order is no longer that order's bill.
    if (bill.GetFieldValue("FExplanation").ToString().find("由网上订单") != std::string::npos) {
        bill.SetFieldValue("FExplanation", "");
        bill.SetFieldValue("FNote", "");
    }
    bill.SetFieldValue("FInvoiceNO", "");
    ApplyCostAndInvoiceRights(bill, prep.callerName);
    ApplyLayout(bill, prep);
    if (IsIndustryMode()) RecalcBillEntries(bill);
    LockSerialNoFields(bill, 0);
    ApplyPriceAndTaxRights(bill);
}

void PrepareLoadedSalesBill(IBillForm& bill, const SalesBillPrep& prep) {
    ShowCustomerBalance(bill, prep.loadBalanceCaller);
    ApplyCostAndInvoiceRights(bill, prep.callerName);
    ApplyLayout(bill, prep);
    // Payment: a bill saved with money received keeps its settlement method and account open;
    // the amount received itself is not changed on a stored bill.
    const bool paid = GetLookupData(bill, "FCurPayAmount").ToNumber() != 0;
    LockEntryCell(bill, "FBalanceStyle", !paid);
    LockEntryCell(bill, "FAcctNo", !paid);
    LockEntryCell(bill, "FCurPayAmount", true);
    if (IsIndustryMode()) RecalcBillEntries(bill);
    CheckSerialNumEntries(bill);
    ClearPageModifyFlags(bill);
    ApplyPriceAndTaxRights(bill);
    // A rejected bill can be neither checked, deleted nor copied; a checked one takes no goods.
    const bool rejected = bill.GetFieldValue("FRejected").ToNumber() != 0;
    bill.SetBarStatus("mnuEditCheck", "Visible", !rejected);
    bill.SetBarStatus("mnuEditFileDelete", "Visible", !rejected);
    bill.SetBarStatus("mnuEditCopy", "Enabled", !rejected);
    const bool open = bill.GetFieldValue("FStatus").ToNumber() == 0;
    bill.SetBarStatus("mnuBarCode", "Enabled", open);
    bill.SetBarStatus("mnuImportGoods", "Enabled", open);
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) FillComplexQtyText(bill, r);
}

void KeepInvoiceTypeAsDefault(IBillForm& bill, const SalesBillPrep& prep) {
    Trapped("default invoice type", [&] {
        WriteUserProfile(prep.invoiceSection, "InvoiceType",
                         bill.GetFieldValue("FInvoiceType").ToString());
    });
}

void NarrowSourceBills(IBillForm& bill, std::string& condition) {
    const double type = bill.GetFieldValue("FBillTypeID").ToNumber();
    if (type == bt::kReturn) {
        condition += "  and  t_BaseBillTypeData2.FName ='销售发货'  ";
    } else if (type == bt::kConsignSettleReturn) {
        condition += "  and  t_BaseBillTypeData2.FName ='委托结算'  ";
    }
}

}  // namespace qor

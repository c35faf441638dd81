// Bills for the calculation tests: the host's sales bill on the demo database, and small bill
// templates of the stock-side class types (assembly, in/out price, transfer) that have no
// template of their own in the host.
#pragma once

#include <string>
#include <vector>

#include "frame/value.h"
#include "host/form/bill_template.h"
#include "services/system_options.h"
#include "tests/support/demo_form.h"

namespace qor::test {

// Demo items: 1014 steel plate (calculation type 1, 1000 base units per second unit), 1015
// copper wire (type 3), 1016 pork (type 2, no second unit), 1001 water (plain, no second unit),
// 1002 noodles (plain, fixed second unit 24), 1003 milk (plain, floating second unit 12).
inline constexpr int kSteel = 1014, kWire = 1015, kPork = 1016, kWater = 1001, kMilk = 1003;
// Demo stocks: 501 the main stock, 504 the virtual gift stock.
inline constexpr int kMainStock = 501;

inline host::form::FieldTemplate EntryField(
    const std::string& key, const std::string& formula = "",
    host::form::FieldType type = host::form::FieldType::Number, int page = 2) {
    host::form::FieldTemplate f;
    f.key = key;
    f.caption = key;
    f.page = page;
    f.type = type;
    if (!formula.empty()) f.actions.push_back({"FAction", "Calculate", formula});
    return f;
}

// A stock-side bill of classType with the main row's keys (and their in/out, child or
// discount companions); the shown price drives the amount.
inline host::form::BillTemplate StockSideTemplate(int classType) {
    host::form::BillTemplate t;
    t.kind = "calc" + std::to_string(classType);
    t.title = t.kind;
    t.classTypeID = classType;
    t.keyField = "FItemID";
    t.fields.push_back(EntryField("FStatus", "", host::form::FieldType::Integer, 1));
    t.fields.push_back(EntryField("FItemID", "", host::form::FieldType::Integer));
    for (const auto& key : SplitKeys(
             "FCalTypeID,FSecUnitID,FShowUnitID,FCoefficient,FSecCoefficient,FSecQty,"
             "FBasePrice,FSecPrice,FDisplayPrice,FDisplayQty,FDisplayWeight,FAmount,"
             "FBasePriceDiscount,FBaseTaxPrice,FPriceDiscount,FTaxPrice,FSecPriceDiscount,"
             "FSecTaxPrice,FBaseDiscountPrice,FDiscountPrice,FSecDiscountPrice,FCldItemID,"
             "FCalTypeid1,FQty1,FQty2,FCoefficient1,FDecimal,FBasePrice1,FSecPrice1,"
             "FDisplayPrice1,FDisplayQty1,FDisplayWeight1,FAmount1,FBaseInPrice,FSecInPrice,"
             "FDisplayInPrice,FInAmount,FBaseOutPrice,FSecOutPrice,FDisplayOutPrice,FOutAmount"))
        t.fields.push_back(EntryField(key));
    t.fields.push_back(EntryField("FShowQty", "FQty=FShowQty*FCoefficient"));
    t.fields.push_back(EntryField("FQty", "FShowQty=FQty/FCoefficient"));
    t.fields.push_back(EntryField("FPrice", "FAmount=FShowQty*FPrice"));
    t.fields.push_back(EntryField("FShowQty1", "FQty1=FShowQty1*FCoefficient1"));
    t.fields.push_back(EntryField("FPrice1", "FAmount1=FShowQty1*FPrice1"));
    t.fields.push_back(EntryField("FInPrice", "FInAmount=FShowQty*FInPrice"));
    t.fields.push_back(EntryField("FOutPrice", "FOutAmount=FShowQty*FOutPrice"));
    return t;
}

// Opens a bill of a code-made template (kept alive by the caller) on the demo database.
inline std::shared_ptr<host::form::HostBillForm> OpenBill(const host::form::BillTemplate& t,
                                                          int rows = 1) {
    auto form = host::form::HostBillForm::Create(t, nullptr);
    form->NewBill();
    while (form->GridMaxDataRowNum() < rows) form->AddRow();
    return form;
}

inline double Num(IBillForm& bill, const std::string& key, int row) {
    return bill.GetFieldValue(key, row).ToNumber();
}

}  // namespace qor::test

#include "bills/sale/billevent_sale.h"

#include "frame/login.h"
#include "services/system_options.h"

namespace qor {

const ClassFacts& BillEvent_Sale::ClassInfo() {
    static const ClassFacts facts{
        "BillEvent_Sale",
        EventsOf({Ev::AddNewRow,
                  Ev::AfterCopyBill,
                  Ev::AfterDeleteRow,
                  Ev::AfterDoAction2,
                  Ev::AfterFillRow,
                  Ev::AfterLoadBill,
                  Ev::AfterNewBill,
                  Ev::AfterSave,
                  Ev::AfterSelBill,
                  Ev::AfterSelBillBeforeFillData,
                  Ev::BeforeDeleteRow,
                  Ev::BeforeDoAction,
                  Ev::BeforeSave,
                  Ev::BeforeSelBills,
                  Ev::BeginEdit,
                  Ev::BusinessCheck,
                  Ev::Change,
                  Ev::EntryGridRow,
                  Ev::LostFocus,
                  Ev::MenuBarClick,
                  Ev::MenuBarInitialize,
                  Ev::UnBusinessCheck,
                  Ev::ListAfterMergeCopyBill,
                  Ev::ListBusinessCheck,
                  Ev::ListMenuBarClick,
                  Ev::ListMenuBarInitialize,
                  Ev::ListUnBusinessCheck}),
        /*offersUserProfile=*/true,
        [] { return std::unique_ptr<IPlugIn>(std::make_unique<BillEvent_Sale>()); }};
    return facts;
}

BillEvent_Sale::BillEvent_Sale() : PlugInBase(ClassInfo()) {
    right2010_ = CheckAccessRight(GetPropsString(), 15, 2010, 32, "");
}

BillEvent_Sale::~BillEvent_Sale() {
    Terminate();
}

}  // namespace qor

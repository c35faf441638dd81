#include "bills/salechange/billevent_salechange.h"

namespace qor {

const ClassFacts& BillEvent_SaleChange::ClassInfo() {
    static const ClassFacts facts{
        "BillEvent_SaleChange",
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
        [] { return std::unique_ptr<IPlugIn>(std::make_unique<BillEvent_SaleChange>()); }};
    return facts;
}

BillEvent_SaleChange::BillEvent_SaleChange() : PlugInBase(ClassInfo()) {}

BillEvent_SaleChange::~BillEvent_SaleChange() {
    Terminate();
}

}  // namespace qor

#include "bills/opening/billevent_tempgj.h"

namespace qor {

const ClassFacts& BillEvent_TempGJ::ClassInfo() {
    static const ClassFacts facts{
        "BillEvent_TempGJ",
        EventsOf({Ev::AddNewRow, Ev::AfterCopyBill, Ev::AfterDeleteRow, Ev::AfterDoAction2,
                  Ev::AfterFillRow, Ev::AfterLoadBill, Ev::AfterNewBill, Ev::BeforeDoAction,
                  Ev::BeforeSave, Ev::BeforLoadBillFillData, Ev::BusinessCheck, Ev::Change,
                  Ev::MenuBarClick, Ev::MenuBarInitialize, Ev::UnBusinessCheck,
                  Ev::ListBusinessCheck, Ev::ListMenuBarClick, Ev::ListMenuBarInitialize,
                  Ev::ListUnBusinessCheck}),
        /*offersUserProfile=*/false,
        [] { return std::unique_ptr<IPlugIn>(std::make_unique<BillEvent_TempGJ>()); }};
    return facts;
}

BillEvent_TempGJ::BillEvent_TempGJ() : PlugInBase(ClassInfo()) {}

BillEvent_TempGJ::~BillEvent_TempGJ() {
    Terminate();
}

}  // namespace qor

#include "bills/opening/billevent_tempconsign.h"

namespace qor {

const ClassFacts& BillEvent_TempConsign::ClassInfo() {
    static const ClassFacts facts{
        "BillEvent_TempConsign",
        EventsOf({Ev::AddNewRow, Ev::AfterCopyBill, Ev::AfterDeleteRow, Ev::AfterDoAction2,
                  Ev::AfterFillRow, Ev::AfterLoadBill, Ev::AfterNewBill, Ev::AfterSave,
                  Ev::BeforeDoAction, Ev::BeforeSave, Ev::BusinessCheck, Ev::Change,
                  Ev::MenuBarClick, Ev::MenuBarInitialize, Ev::UnBusinessCheck,
                  Ev::ListBusinessCheck, Ev::ListMenuBarClick, Ev::ListMenuBarInitialize,
                  Ev::ListUnBusinessCheck}),
        /*offersUserProfile=*/false,
        [] { return std::unique_ptr<IPlugIn>(std::make_unique<BillEvent_TempConsign>()); }};
    return facts;
}

BillEvent_TempConsign::BillEvent_TempConsign() : PlugInBase(ClassInfo()) {}

BillEvent_TempConsign::~BillEvent_TempConsign() {
    Terminate();
}

}  // namespace qor

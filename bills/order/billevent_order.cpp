#include "bills/order/billevent_order.h"

namespace qor {

const ClassFacts& BillEvent_Order::ClassInfo() {
    static const ClassFacts facts{
        "BillEvent_Order",
        EventsOf({Ev::AfterCopyBill, Ev::AfterDoAction2, Ev::AfterFillRow, Ev::AfterLoadBill,
                  Ev::AfterNewBill, Ev::AfterSave, Ev::BeforeDoAction, Ev::BeforeSave,
                  Ev::BusinessCheck, Ev::Change, Ev::EntryGridRow, Ev::MenuBarClick,
                  Ev::MenuBarInitialize, Ev::UnBusinessCheck, Ev::ListAfterCopyBillCreateData,
                  Ev::ListBusinessCheck, Ev::ListMenuBarClick, Ev::ListMenuBarInitialize,
                  Ev::ListUnBusinessCheck}),
        /*offersUserProfile=*/true,
        [] { return std::unique_ptr<IPlugIn>(std::make_unique<BillEvent_Order>()); }};
    return facts;
}

BillEvent_Order::BillEvent_Order() : PlugInBase(ClassInfo()) {}

BillEvent_Order::~BillEvent_Order() {
    Terminate();
}

}  // namespace qor

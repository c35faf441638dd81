#include "bills/specialprice/billevent_xscx.h"

namespace qor {

const ClassFacts& BillEvent_XSCX::ClassInfo() {
    static const ClassFacts facts{
        "BillEvent_XSCX",
        EventsOf({Ev::AfterCopyBill, Ev::AfterLoadBill, Ev::AfterNewBill, Ev::BeforeSave,
                  Ev::BusinessCheck, Ev::Change, Ev::MenuBarClick, Ev::MenuBarInitialize,
                  Ev::SaveBillSuccess, Ev::ListBusinessCheck, Ev::ListMenuBarInitialize}),
        /*offersUserProfile=*/false,
        [] { return std::unique_ptr<IPlugIn>(std::make_unique<BillEvent_XSCX>()); }};
    return facts;
}

BillEvent_XSCX::BillEvent_XSCX() : PlugInBase(ClassInfo()) {}

// The special-price bill's class has no termination step of its own.
BillEvent_XSCX::~BillEvent_XSCX() = default;

}  // namespace qor

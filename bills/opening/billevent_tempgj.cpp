#include "bills/opening/billevent_tempgj.h"

namespace qor {

BillEvent_TempGJ::BillEvent_TempGJ() : PlugInBase(PlugInClass::TempGJ) {}

BillEvent_TempGJ::~BillEvent_TempGJ() {
    Terminate();
}

}  // namespace qor

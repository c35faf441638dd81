#include "bills/opening/billevent_tempconsign.h"

namespace qor {

BillEvent_TempConsign::BillEvent_TempConsign() : PlugInBase(PlugInClass::TempConsign) {}

BillEvent_TempConsign::~BillEvent_TempConsign() {
    Terminate();
}

}  // namespace qor

#include "bills/consign/billevent_consign.h"

namespace qor {

BillEvent_Consign::BillEvent_Consign() : PlugInBase(PlugInClass::Consign) {}

BillEvent_Consign::~BillEvent_Consign() {
    Terminate();
}

}  // namespace qor

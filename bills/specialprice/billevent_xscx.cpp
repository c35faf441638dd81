#include "bills/specialprice/billevent_xscx.h"

namespace qor {

BillEvent_XSCX::BillEvent_XSCX() : PlugInBase(PlugInClass::XSCX) {}

// The special-price bill's class has no termination step of its own.
BillEvent_XSCX::~BillEvent_XSCX() = default;

}  // namespace qor

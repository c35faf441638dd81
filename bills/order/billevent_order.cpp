#include "bills/order/billevent_order.h"

namespace qor {

BillEvent_Order::BillEvent_Order() : PlugInBase(PlugInClass::Order) {}

BillEvent_Order::~BillEvent_Order() {
    Terminate();
}

}  // namespace qor

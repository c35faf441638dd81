#include "bills/sale/billevent_sale.h"

#include "frame/login.h"
#include "services/system_options.h"

namespace qor {

BillEvent_Sale::BillEvent_Sale() : PlugInBase(PlugInClass::Sale) {
    right2010_ = CheckAccessRight(GetPropsString(), 15, 2010, 32, "");
}

BillEvent_Sale::~BillEvent_Sale() {
    Terminate();
}

}  // namespace qor

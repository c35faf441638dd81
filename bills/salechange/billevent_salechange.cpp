#include "bills/salechange/billevent_salechange.h"

namespace qor {

BillEvent_SaleChange::BillEvent_SaleChange() : PlugInBase(PlugInClass::SaleChange) {}

BillEvent_SaleChange::~BillEvent_SaleChange() {
    Terminate();
}

}  // namespace qor

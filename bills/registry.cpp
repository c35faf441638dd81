// The registry of the plug-in classes and the library's C entry.
#include <memory>
#include <string>
#include <vector>

#include "bills/consign/billevent_consign.h"
#include "bills/opening/billevent_tempconsign.h"
#include "bills/opening/billevent_tempgj.h"
#include "bills/order/billevent_order.h"
#include "bills/sale/billevent_sale.h"
#include "bills/salechange/billevent_salechange.h"
#include "bills/specialprice/billevent_xscx.h"
#include "frame/plugin.h"

namespace qor {

const std::vector<const ClassFacts*>& PlugInClasses() {
    static const std::vector<const ClassFacts*> classes{
        &BillEvent_Sale::ClassInfo(),        &BillEvent_SaleChange::ClassInfo(),
        &BillEvent_Consign::ClassInfo(),     &BillEvent_Order::ClassInfo(),
        &BillEvent_TempConsign::ClassInfo(), &BillEvent_TempGJ::ClassInfo(),
        &BillEvent_XSCX::ClassInfo()};
    return classes;
}

std::unique_ptr<IPlugIn> CreatePlugIn(const std::string& progId) {
    for (const ClassFacts* facts : PlugInClasses()) {
        if (facts->ProgId() == progId) return facts->make();
    }
    return nullptr;
}

}  // namespace qor

extern "C" {

qor::IPlugIn* QOR_XS_CreateObject(const char* progId) {
    if (!progId) return nullptr;
    try {
        return qor::CreatePlugIn(progId).release();
    } catch (...) {
        return nullptr;
    }
}

void QOR_XS_ReleaseObject(qor::IPlugIn* object) {
    delete object;
}

void QOR_XS_AttachPlatform(std::shared_ptr<qor::IPlatform>* platform) {
    qor::AttachPlatform(platform ? *platform : nullptr);
}

const char* QOR_XS_Version() {
    return "1.5";
}
}

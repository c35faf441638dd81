// The registry of the plug-in classes and the library's C entry.
#include <memory>
#include <string>

#include "bills/consign/billevent_consign.h"
#include "bills/opening/billevent_tempconsign.h"
#include "bills/opening/billevent_tempgj.h"
#include "bills/order/billevent_order.h"
#include "bills/sale/billevent_sale.h"
#include "bills/salechange/billevent_salechange.h"
#include "bills/specialprice/billevent_xscx.h"
#include "frame/plugin.h"

namespace qor {

std::unique_ptr<IPlugIn> CreatePlugIn(const std::string& progId) {
    if (progId == ProgId(PlugInClass::Sale)) return std::make_unique<BillEvent_Sale>();
    if (progId == ProgId(PlugInClass::SaleChange)) return std::make_unique<BillEvent_SaleChange>();
    if (progId == ProgId(PlugInClass::Consign)) return std::make_unique<BillEvent_Consign>();
    if (progId == ProgId(PlugInClass::Order)) return std::make_unique<BillEvent_Order>();
    if (progId == ProgId(PlugInClass::TempConsign))
        return std::make_unique<BillEvent_TempConsign>();
    if (progId == ProgId(PlugInClass::TempGJ)) return std::make_unique<BillEvent_TempGJ>();
    if (progId == ProgId(PlugInClass::XSCX)) return std::make_unique<BillEvent_XSCX>();
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

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
#include "frame/data_access.h"
#include "frame/login.h"
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

namespace {

// The host's diagnostics sink, fed from the data gateway's trace and event scopes.
struct TraceHook {
    QOR_XS_TraceSink sink = nullptr;
    void* context = nullptr;
};

TraceHook& Hook() {
    static TraceHook hook;
    return hook;
}

void SendStatement(const qor::SqlTraceEntry& e) {
    const TraceHook& h = Hook();
    if (!h.sink) return;
    const bool trapped = !e.trappedIn.empty();
    QOR_XS_TraceRecord r{};
    r.kind = trapped ? QOR_XS_TRACE_TRAPPED : QOR_XS_TRACE_STATEMENT;
    r.event = e.event.c_str();
    r.sql = e.sql.c_str();
    r.error = e.error.c_str();
    r.trappedIn = e.trappedIn.c_str();
    r.isWrite = e.isWrite ? 1 : 0;
    r.fromCache = e.fromCache ? 1 : 0;
    r.failed = e.failed ? 1 : 0;
    r.rows = e.rows;
    r.micros = static_cast<long long>(e.duration.count());
    h.sink(&r, h.context);
}

void SendEvent(const std::string& event) {
    const TraceHook& h = Hook();
    if (!h.sink) return;
    QOR_XS_TraceRecord r{};
    r.kind = QOR_XS_TRACE_EVENT;
    r.event = event.c_str();
    r.sql = r.error = r.trappedIn = "";
    r.rows = -1;
    h.sink(&r, h.context);
}

}  // namespace

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
    qor::ResetLoginState();
}

const char* QOR_XS_Version() {
    return "1.5";
}

int QOR_XS_ContractVersion() {
    return qor::kContractVersion;
}

void QOR_XS_SetTraceSink(QOR_XS_TraceSink sink, void* context) {
    Hook() = {sink, context};
    auto& gateway = qor::DataGateway::Instance();
    if (sink) {
        gateway.SetTraceSink(SendStatement);
        gateway.SetEventListener(SendEvent);
    } else {
        gateway.SetTraceSink(nullptr);
        gateway.SetEventListener(nullptr);
    }
}
}

#include "host/components/service_components.h"

#include <functional>
#include <utility>

#include "host/components/bill_updates.h"
#include "host/components/login_components.h"
#include "host/components/profiles.h"
#include "host/components/stock_components.h"
#include "host/components/ui_components.h"

namespace qor::host {

namespace {

using Maker = std::function<ObjectPtr(const ServiceContextPtr&)>;

template <class T>
Maker Make() {
    return [](const ServiceContextPtr& ctx) { return std::make_shared<T>(ctx); };
}

const std::vector<std::pair<std::string, Maker>>& Makers() {
    static const std::vector<std::pair<std::string, Maker>> makers = {
        {"QOREBSBase.SystemProfile", Make<SystemProfileComponent>()},
        {"QOREBCGL.SystemProfile", Make<GLSystemProfileComponent>()},
        {"QOREBCGLView.GLData", Make<GLDataComponent>()},
        {"QOREBCGLView.GLView", Make<GLViewComponent>()},
        {"QOREBSBase.SecurityInfo", Make<SecurityInfoComponent>()},
        {"QORMProfile.ClassUserProfileInfo", Make<UserProfileInfoComponent>()},
        {"QORMProfile.ClassUserProfileUpdate", Make<UserProfileUpdateComponent>()},
        {"QORMtsCacheService.CacheFacade", Make<CacheFacadeComponent>()},
        {"QORPropsMgr.ShareProps", Make<SharePropsComponent>()},
        {"QOREBSGLItem.ItemInfo", Make<ItemInfoComponent>()},
        {"QORMCalCulateItemCost.StockBillReader", Make<StockBillReaderComponent>()},
        {"QORMSerialNumMgr.clsInfo", Make<SerialNumInfoComponent>()},
        {"QORMBatchNoRule.clsBatchNoRule", Make<BatchNoRuleComponent>()},
        {"QOR_CC_PlugIns.clsStockInfo", Make<StockInfoComponent>()},
        {"QORM_CC_PlugIns.PublicSysInfo", Make<PublicSysInfoComponent>()},
        {"QOREBSGLItem.clsBarCodeUpdate", Make<BarCodeUpdateComponent>()},
        {"QORM_CG_PlugIns.GJUpdate", Make<GJUpdateComponent>()},
        {"QORM_XS_PlugIns.TempConsignUpdate",
         [](const ServiceContextPtr& ctx) {
             return std::make_shared<OpeningBillUpdateComponent>(ctx, true);
         }},
        {"QORM_XS_PlugIns.TempGJUpdate",
         [](const ServiceContextPtr& ctx) {
             return std::make_shared<OpeningBillUpdateComponent>(ctx, false);
         }},
        {"QORM_XS_PlugIns.OrderUpdate", Make<OrderUpdateComponent>()},
        {"QORM_XS_PlugIns.CXUpdate", Make<CXUpdateComponent>()},
        {"QOR_CG_PlugIns.BillEvent_Order", Make<CGOrderEventComponent>()},
        {"QORClassLookUp.RelateBilllookUp", Make<RelateBillLookUpComponent>()},
        {"QORMain.MDIMain", Make<MDIMainComponent>()},
        {"QORLogisticManage.Application", Make<LogisticApplicationComponent>()},
        {"QORMLogisticManage.clsInfo", Make<LogisticInfoComponent>()},
        {"QORInvoiceManage.InvoiceManage", Make<InvoiceManageComponent>()},
        {"QORMInvoiceManage.clsInvoiceManage", Make<InvoiceItemInfoComponent>()},
        {"QORPriceMgr.Application", Make<PriceToolComponent>()},
        {"QORDisplayer.DispBuilder", Make<DisplayerComponent>()},
        {"QorHelpTip.HelpTip", Make<HelpTipComponent>()},
        {"pelic.stringbuilder", Make<StringBuilderComponent>()},
    };
    return makers;
}

}  // namespace

const std::vector<std::string>& ServiceComponentIds() {
    static const std::vector<std::string> ids = [] {
        std::vector<std::string> v;
        for (const auto& [id, maker] : Makers()) v.push_back(id);
        return v;
    }();
    return ids;
}

void RegisterServiceComponents(HostPlatform& platform, const ServiceContextPtr& ctx) {
    for (const auto& [id, maker] : Makers()) {
        Maker make = maker;
        platform.RegisterComponent(id, [make, ctx] { return make(ctx); });
    }
}

}  // namespace qor::host

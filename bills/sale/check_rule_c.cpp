#include "bills/sale/check_rule_c.h"

#include <string>

#include "bills/common/list_selection.h"
#include "bills/sale/sale_rules.h"
#include "frame/data_access.h"
#include "services/common.h"
#include "services/stock_period.h"

namespace qor {

namespace {

// A bill being unchecked must not have produced a rebate bill; the rebate links exist only
// where the rebate module is installed.
Verdict NoRebateBill(const std::string& idList) {
    const std::string rebate = Trim(GetSQLValue(
        "if exists (select id from dbo.sysobjects where id = "
        "object_id(N'[dbo].[t_FL_SchemeLink]')and OBJECTPROPERTY(id, N'IsTable')= 1 ) Begin "
        "select top 1 t.FBillNo from t_FL_SchemeLink tf  left join T_CC_StockBill t on "
        "tf.FFLInterID = t.FID  Where FFLSourceInterID In(" +
        idList + ") End"));
    if (rebate.empty()) return Verdict::Pass();
    return Verdict::Refuse("销售单已经生成返利单" + rebate + ",不允许反审核。");
}

}  // namespace

Verdict CheckBillForAudit(const std::vector<int32_t>& ids, bool checking) {
    if (ids.empty()) return Verdict::Pass();
    const std::string idList = SqlIdList(ids);
    for (const auto& head : ReadSaleBillHeads(ids, "FRejected,FDate")) {
        if (head->Get("FRejected").ToNumber() == 1)
            return Verdict::Refuse(std::string("你选择的单据为驳回状态，不允许") +
                                   (checking ? "" : "反") + "审核，请重新选择。");
        if (Verdict v = CheckPeriodOpen(head->Get("FDate")); v.Refused()) return v;
    }
    if (!checking) return NoRebateBill(idList);
    return Verdict::Pass();
}

}  // namespace qor

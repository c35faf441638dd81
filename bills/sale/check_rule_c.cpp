#include "bills/sale/check_rule_c.h"

#include <map>
#include <string>

#include "bills/common/list_selection.h"
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
    const std::string closed = GetSQLValue(
        "Select FValue From t_SystemProfile Where FCategory = 'Base' and FKey = "
        "'AcctountingClosed'");
    struct Head {
        bool rejected = false;
        Value date;
    };
    std::map<int32_t, Head> heads;
    auto rs = GetRecordset(
        "Select FID,FRejected,FDate From t_cc_stockbill Where FClassTypeID=1030002 And FID In(" +
        idList + ")");
    for (; rs && !rs->IsEOF(); rs->MoveNext())
        heads[SafeId(rs->Field("FID"))] = {rs->Field("FRejected").ToNumber() == 1,
                                           rs->Field("FDate")};
    for (int32_t id : ids) {
        auto head = heads.find(id);
        if (head == heads.end()) continue;
        if (head->second.rejected)
            return Verdict::Refuse(std::string("你选择的单据为驳回状态，不允许") +
                                   (checking ? "" : "反") + "审核，请重新选择。");
        if (Verdict v = CheckPeriodOpen(head->second.date, Value(""), closed); v.Refused())
            return v;
    }
    if (!checking) return NoRebateBill(idList);
    return Verdict::Pass();
}

}  // namespace qor

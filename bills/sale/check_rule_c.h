// Whether sales bills may be checked or unchecked: the rule the bill form's check and uncheck
// and the list's check and uncheck of a selection all pass through.
#pragma once

#include <cstdint>
#include <vector>

#include "frame/verdict.h"

namespace qor {

// The sales bills ids may be checked (checking) or unchecked: none of them is rejected ("你选择
// 的单据为驳回状态，不允许[反]审核，请重新选择。"), each date lies in an open period (the
// books' closing flag read once), and none being unchecked has produced a rebate bill yet
// ("销售单已经生成返利单" + its number + ",不允许反审核。"). One statement per step, whatever the
// number of bills; ids that are no sales bill are passed over.
Verdict CheckBillForAudit(const std::vector<int32_t>& ids, bool checking);

}  // namespace qor

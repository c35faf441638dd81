// The special-price bill's checks (before a save and a check, form and list) and its tools.
#pragma once

#include "frame/rules.h"

namespace qor::xscx {

void AddSpecialPriceChecks(RuleBook& b);
void AddSpecialPriceTools(RuleBook& b);

}  // namespace qor::xscx

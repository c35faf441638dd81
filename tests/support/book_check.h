// Every name a bill's rule book uses must exist in the bill's template, so a typo in a table
// fails a test rather than a user: change keys are fields of the template (header or entries),
// a tool's band is a band of the template or a tool (its sub-items) of the template or the book,
// and click keys name a tool of the template or one the book adds (in the list also the tools
// every list has).
#pragma once

#include <string>
#include <vector>

#include "frame/rules.h"
#include "host/form/bill_list.h"
#include "host/form/bill_template.h"

namespace qor::test {

inline std::vector<std::string> BookNamesMissingFromTemplate(const RuleBook& book,
                                                             const host::form::BillTemplate& t,
                                                             bool list = false) {
    std::vector<std::string> missing;
    auto bookAddsTool = [&](const std::string& key) {
        for (const auto& spec : list ? book.ListTools() : book.Tools()) {
            if (IEquals(spec.key, key)) return true;
        }
        return false;
    };
    auto listHasTool = [&](const std::string& key) {
        if (!list) return false;
        for (const auto& [own, caption] : host::form::HostBillList::OwnTools()) {
            if (IEquals(own, key)) return true;
        }
        return false;
    };
    auto isTool = [&](const std::string& key) {
        return t.Tool(key) || bookAddsTool(key) || listHasTool(key);
    };
    auto isBand = [&](const std::string& key) {
        for (const auto& band : t.bands) {
            if (IEquals(band.key, key)) return true;
        }
        return isTool(key);
    };
    if (!list) {
        for (const auto& entry : book.ChangeRules()) {
            if (!t.Field(entry.key)) missing.push_back("field " + entry.key);
        }
    }
    for (const auto& spec : list ? book.ListTools() : book.Tools()) {
        if (!isBand(spec.band)) missing.push_back("band " + spec.band + " of " + spec.key);
        if (!spec.beforeKey.empty() && !isTool(spec.beforeKey))
            missing.push_back("tool " + spec.beforeKey + " before " + spec.key);
    }
    for (const auto& key : book.ClickKeys(list)) {
        if (!isTool(key)) missing.push_back("tool " + key);
    }
    return missing;
}

}  // namespace qor::test

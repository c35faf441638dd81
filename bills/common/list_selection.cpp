#include "bills/common/list_selection.h"

#include <algorithm>
#include <utility>

#include "frame/collection.h"
#include "services/common.h"

namespace qor {

std::vector<int32_t> SelectedBillIDs(IBillList& list) {
    std::vector<int32_t> ids;
    auto selection = list.Selection();
    if (!selection) return ids;
    for (const auto& [key, item] : *selection) {
        auto row = item.As<Collection>();
        const int32_t id = row ? SafeId(row->Get("FID")) : 0;
        if (id > 0 && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
    }
    return ids;
}

std::string SqlIdList(const std::vector<int32_t>& ids) {
    std::string text;
    for (int32_t id : ids) {
        if (!text.empty()) text += ",";
        text += std::to_string(id);
    }
    return text;
}

void ResetMergedCopyHeader(IBillList& list, const Value& mergedBill, const std::string& billType) {
    auto data = mergedBill.As<Collection>();
    auto info = list.TableInfo();
    auto map = info ? info->Sub("Map") : nullptr;
    if (!data || !map) return;
    for (const auto& [key, value] :
         {std::pair<const char*, std::string>{"FStatus", "0"}, {"FBillTypeID", billType}}) {
        auto field = map->Sub(key);
        if (!field) continue;
        auto page = data->Sub("Page" + std::to_string(SafeId(field->Get("FPage"))));
        auto cell = page ? page->Sub(key) : nullptr;
        if (cell) cell->Set("FFLD", value);
    }
}

}  // namespace qor

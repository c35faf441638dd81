#include "bills/common/list_selection.h"

#include <algorithm>
#include <utility>

#include "frame/collection.h"
#include "frame/data_access.h"
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

std::vector<Value> SelectedBillsColumn(IBillList& list, const char* headTable, int32_t classType,
                                       const char* column) {
    std::vector<Value> values;
    const std::vector<int32_t> ids = SelectedBillIDs(list);
    if (ids.empty()) return values;
    RecordsetPtr rs = OpenRecordset(std::string("Select ") + column + " From " + headTable +
                                    " Where FClassTypeID=" + std::to_string(classType) +
                                    " And FID In(" + SqlIdList(ids) + ")");
    for (; rs && !rs->IsEOF(); rs->MoveNext()) values.push_back(rs->Field(0));
    return values;
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

#include "services/common.h"

#include "frame/data_access.h"
#include "frame/trap.h"

namespace qor {

std::optional<int32_t> IdOf(const Value& v) {
    return Trapped("IdOf", std::optional<int32_t>(), [&] { return std::optional(ToId(v)); });
}

int32_t SafeId(const Value& v) {
    return IdOf(v).value_or(0);
}

Value FirstField(const RecordsetPtr& rs) {
    return (rs && !rs->IsEOF()) ? rs->Field(0) : Value();
}

std::string FirstText(const RecordsetPtr& rs) {
    return FirstField(rs).ToString();
}

Value ReadItemColumn(const std::string& sqlBeforeID, const Value& itemID) {
    return Trapped("ReadItemColumn", Value(), [&] {
        const int32_t id = SafeId(itemID);
        if (id == 0) return Value();
        return FirstField(GetCachedRecordset(sqlBeforeID + std::to_string(id)));
    });
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) text += kCrLf;
        text += lines[i];
    }
    return text;
}

}  // namespace qor

#include "frame/field_set.h"

#include "frame/value.h"

namespace qor {

FieldSet::FieldSet(std::string name, std::string suffix, std::map<std::string, std::string> renames,
                   std::set<std::string> absent)
    : name_(std::move(name)), suffix_(std::move(suffix)) {
    for (auto& [main, key] : renames) {
        renames_[Upper(main)] = key;
        reverse_[Upper(key)] = main;
    }
    for (const auto& key : absent) absent_.insert(Upper(key));
}

const FieldSet& FieldSet::Main() {
    static const FieldSet set("main", "", {}, {});
    return set;
}

const FieldSet& FieldSet::Twin01() {
    static const FieldSet set("01", "01", {}, {"FTranspotationCharges"});
    return set;
}

const FieldSet& FieldSet::Child() {
    // The child grid names its fields after the parent's with "1", except where the host's
    // columns were named otherwise.
    static const FieldSet set("child", "1",
                              {{"FItemID", "FCldItemID"},
                               {"FCalTypeID", "FCalTypeid1"},
                               {"FSecQty", "FQty2"},
                               {"FSecCoefficient", "FDecimal"},
                               {"FKFDate", "FDate1"},
                               {"FKFPeriod", "FInteger"},
                               {"FPeriodDate", "FDate2"}},
                              {"FDCStockID", "FSCStockID", "FTranspotationCharges"});
    return set;
}

std::string FieldSet::operator[](std::string_view mainKey) const {
    const std::string upper = Upper(std::string(mainKey));
    if (absent_.count(upper)) return "";
    auto it = renames_.find(upper);
    if (it != renames_.end()) return it->second;
    return std::string(mainKey) + suffix_;
}

std::string FieldSet::MainKeyOf(std::string_view key) const {
    const std::string upper = Upper(std::string(key));
    auto it = reverse_.find(upper);
    if (it != reverse_.end()) return it->second;
    const std::string suffix = Upper(suffix_);
    if (upper.size() <= suffix.size() ||
        upper.compare(upper.size() - suffix.size(), suffix.size(), suffix) != 0)
        return "";
    std::string main(key.substr(0, key.size() - suffix_.size()));
    // A renamed or absent field is not reached under its plain name with the suffix.
    if (renames_.count(Upper(main)) || absent_.count(Upper(main))) return "";
    return main;
}

}  // namespace qor

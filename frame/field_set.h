// Row sets: the same goods-row rules run on more than one set of entry keys. The main set uses
// the host's keys as they are ("FQty"); the exchange bill's second goods set appends "01"
// ("FQty01"); the child rows of the assembly bills have keys of their own ("FCldItemID",
// "FQty1"). A rule is written once against the main set's keys and reads every key through the
// set it runs on, so a twin set is a second registration of the same rule, never a copy.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>

namespace qor {

class FieldSet {
public:
    // The host's keys as they are.
    static const FieldSet& Main();
    // The exchange bill's second goods set: every row key with "01". The freight charge exists
    // once per row and belongs to the main set.
    static const FieldSet& Twin01();
    // The assembly bills' child rows.
    static const FieldSet& Child();

    // This set's key for a main-set key ("FQty" -> "FQty01"); "" when the set has no such
    // field. Keys compare without regard to letter case.
    std::string operator[](std::string_view mainKey) const;
    // True when the set has the field.
    bool Has(std::string_view mainKey) const { return !(*this)[mainKey].empty(); }
    // The main-set key that this set's key stands for ("FQty01" -> "FQty"); "" when the key is
    // none of this set's (in the main set: the key itself).
    std::string MainKeyOf(std::string_view key) const;

    const std::string& Name() const { return name_; }
    const std::string& Suffix() const { return suffix_; }
    bool IsMain() const { return suffix_.empty() && renames_.empty(); }

private:
    FieldSet(std::string name, std::string suffix, std::map<std::string, std::string> renames,
             std::set<std::string> absent);
    std::string name_;
    std::string suffix_;
    std::map<std::string, std::string> renames_;  // upper-cased main key -> this set's key
    std::set<std::string> absent_;                // upper-cased main keys the set lacks
    std::map<std::string, std::string> reverse_;  // upper-cased set key -> main key
};

}  // namespace qor

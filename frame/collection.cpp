#include "frame/collection.h"

#include <unordered_map>

namespace qor {

namespace {

// Copies a collection and every collection nested in it. `copies` maps each collection
// already copied to its copy, so a collection reached twice is copied once and one that
// contains itself does not recurse without end.
CollectionPtr DeepCopy(const Collection& source,
                       std::unordered_map<const Collection*, CollectionPtr>& copies) {
    auto copy = Collection::Make();
    copies[&source] = copy;
    for (const auto& [key, value] : source) {
        Value item = value;
        if (auto nested = value.As<Collection>()) {
            auto found = copies.find(nested.get());
            item = found != copies.end() ? Value(found->second) : Value(DeepCopy(*nested, copies));
        }
        copy->Add(key, std::move(item));
    }
    return copy;
}

}  // namespace

Collection::Collection(std::initializer_list<std::pair<std::string, Value>> items) {
    for (const auto& [key, value] : items) Add(key, value);
}

bool Collection::Exists(const std::string& key) const {
    return !key.empty() && index_.count(Upper(key)) != 0;
}

const Value& Collection::Item(const std::string& key) const {
    if (!key.empty()) {
        auto it = index_.find(Upper(key));
        if (it != index_.end()) return items_[it->second].second;
    }
    throw KeyError("no item with key \"" + key + "\"");
}

Value Collection::Get(const std::string& key, const Value& fallback) const {
    if (!key.empty()) {
        auto it = index_.find(Upper(key));
        if (it != index_.end()) return items_[it->second].second;
    }
    return fallback;
}

CollectionPtr Collection::Sub(const std::string& key) const {
    if (key.empty()) return nullptr;
    auto it = index_.find(Upper(key));
    if (it == index_.end()) return nullptr;
    return items_[it->second].second.As<Collection>();
}

void Collection::Add(const std::string& key, Value v) {
    std::string upper = key.empty() ? std::string() : Upper(key);
    if (!key.empty() && index_.count(upper) != 0) throw KeyError("duplicate key \"" + key + "\"");
    Notify(key);
    Append(key, std::move(upper), std::move(v));
}

void Collection::Append(const std::string& key, std::string upper, Value v) {
    if (!key.empty()) index_.emplace(std::move(upper), items_.size());
    items_.emplace_back(key, std::move(v));
}

void Collection::Set(const std::string& key, Value v) {
    Notify(key);
    std::string upper = key.empty() ? std::string() : Upper(key);
    if (!key.empty()) {
        auto it = index_.find(upper);
        if (it != index_.end()) {
            items_[it->second].second = std::move(v);
            return;
        }
    }
    Append(key, std::move(upper), std::move(v));
}

bool Collection::Remove(const std::string& key) {
    if (key.empty()) return false;
    auto it = index_.find(Upper(key));
    if (it == index_.end()) return false;
    Notify(key);
    size_t position = it->second;
    index_.erase(it);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(position));
    // Only the items after the removed one move up.
    for (size_t i = position; i < items_.size(); ++i)
        if (!items_[i].first.empty()) index_[Upper(items_[i].first)] = i;
    return true;
}

void Collection::Clear() {
    Notify("");
    items_.clear();
    index_.clear();
}

const Value& Collection::ItemAt(size_t position) const {
    if (position < 1 || position > items_.size())
        throw KeyError("no item at position " + std::to_string(position));
    return items_[position - 1].second;
}

const std::string& Collection::KeyAt(size_t position) const {
    if (position < 1 || position > items_.size())
        throw KeyError("no item at position " + std::to_string(position));
    return items_[position - 1].first;
}

CollectionPtr Collection::Clone() const {
    std::unordered_map<const Collection*, CollectionPtr> copies;
    return DeepCopy(*this, copies);
}

}  // namespace qor

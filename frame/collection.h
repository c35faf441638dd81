// Keyed collections: the host's field descriptors, cell data ("FFLD", "FFND", "FDSP",
// "FModify"), bill data pages, table maps, selections and dictionaries.
//
// Keys compare without regard to ASCII letter case; items keep the order they were added in
// and can also be reached by 1-based position. An item is a value, which may itself be a
// nested collection.
#pragma once

#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "frame/export.h"
#include "frame/value.h"

QOR_XS_CONTRACT_BEGIN
namespace qor {

class Collection;
using CollectionPtr = std::shared_ptr<Collection>;

// Told before an item of a watched collection is added, replaced or removed (key "" when the
// collection is cleared), so that an owner learns of every change as it happens, whoever
// makes it. The host's bill form watches the bill's data this way.
class CollectionWatcher {
public:
    virtual ~CollectionWatcher() = default;
    virtual void BeforeChange(const Collection& changed, const std::string& key) = 0;
};

// A missing key or position, or a duplicate key on Add.
class KeyError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Collection : public IObject {
public:
    Collection() = default;
    Collection(std::initializer_list<std::pair<std::string, Value>> items);
    static CollectionPtr Make() { return std::make_shared<Collection>(); }
    static CollectionPtr Make(std::initializer_list<std::pair<std::string, Value>> items) {
        return std::make_shared<Collection>(items);
    }

    std::string TypeName() const override { return "Collection"; }

    bool Exists(const std::string& key) const;
    // The item under key; KeyError when there is none.
    const Value& Item(const std::string& key) const;
    // The item under key, or fallback when there is none.
    Value Get(const std::string& key, const Value& fallback = Value()) const;
    // The nested collection under key, or null when the key is missing or holds no collection.
    CollectionPtr Sub(const std::string& key) const;
    // Adds a new item; KeyError when the key is already there. An empty key adds an item
    // reachable only by position.
    void Add(const std::string& key, Value v);
    // Replaces the item under key, or adds it at the end.
    void Set(const std::string& key, Value v);
    bool Remove(const std::string& key);
    void Clear();

    size_t Count() const { return items_.size(); }
    // 1-based position, as the host numbers its collection items.
    const Value& ItemAt(size_t position) const;
    const std::string& KeyAt(size_t position) const;

    using Items = std::vector<std::pair<std::string, Value>>;
    Items::const_iterator begin() const { return items_.begin(); }
    Items::const_iterator end() const { return items_.end(); }

    // A deep copy: nested collections are copied, other objects are shared. A copy is not
    // watched.
    CollectionPtr Clone() const;

    // Watches this collection (not the ones nested in it); null stops watching. The watcher is
    // held weakly: once it is gone the collection is no longer watched.
    void Watch(const std::shared_ptr<CollectionWatcher>& watcher) { watcher_ = watcher; }

private:
    Items items_;
    std::unordered_map<std::string, size_t> index_;  // upper-cased key -> position
    std::weak_ptr<CollectionWatcher> watcher_;
    void Notify(const std::string& key) const {
        if (auto w = watcher_.lock()) w->BeforeChange(*this, key);
    }
    void Append(const std::string& key, std::string upper, Value v);
};

}  // namespace qor
QOR_XS_CONTRACT_END

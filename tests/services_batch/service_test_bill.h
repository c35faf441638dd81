// A small bill form for the batch and serial-number service tests: values by key and row, a
// grid controller that keeps cell locks, the cursor; and a database behind "QORMClass.ClassInfo"
// whose answers the test scripts.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "frame/data_access.h"
#include "tests/support/fakes.h"

namespace qor::test {

class TestGridController : public IGridController {
public:
    std::set<std::pair<std::string, int>> locked;  // upper-cased key, row
    void LockCell(const CollectionPtr& def, int row, bool lock) override {
        auto k = std::make_pair(Upper(def->Get("FKey").ToString()), row);
        if (lock) {
            locked.insert(k);
        } else {
            locked.erase(k);
        }
    }
    void DoAction(const CollectionPtr&, const CollectionPtr&, int) override {}
    bool IsFieldLockRunTime(const CollectionPtr& def, int row) override {
        return locked.count({Upper(def->Get("FKey").ToString()), row}) > 0;
    }
};

// A control of the form whose methods a test answers; every call is recorded.
class TestControl : public IControl {
public:
    explicit TestControl(std::string name) : name_(std::move(name)) {}
    std::function<Value(const std::string& method, std::vector<Value>& args)> answer;
    std::vector<std::vector<Value>> calls;
    std::string TypeName() const override { return "Control"; }
    std::string Name() const override { return name_; }
    Value GetProperty(const std::string&) const override { return Value(); }
    void SetProperty(const std::string&, const Value&) override {}
    Value Call(const std::string& method, std::vector<Value>& args) override {
        calls.push_back(args);
        return answer ? answer(method, args) : Value();
    }

private:
    std::string name_;
};

class TestBill : public FakeBillForm {
public:
    int32_t classType = 1030002;
    int32_t billID = 0;
    int rows = 0;
    int childRows = 0;
    std::string activeKey;
    int activeRow = 0;
    std::shared_ptr<TestGridController> ctl = std::make_shared<TestGridController>();
    // Fields the form has; empty: every key is a field.
    std::set<std::string> fields;
    std::map<std::pair<std::string, int>, CollectionPtr> cells;
    std::map<std::string, ControlPtr> controls;  // by name

    void Set(const std::string& key, const Value& v, int row = -1) {
        SetFieldValue(key, v, row, 1);
    }
    Value Get(const std::string& key, int row = -1) { return GetFieldValue(key, row, 1); }
    bool Locked(const std::string& key, int row) {
        return ctl->locked.count({Upper(key), row}) > 0;
    }
    // The key's cells of rows 1 to rows, "L" locked and "o" open: "LoLL".
    std::string Locks(const std::string& key) {
        std::string out;
        for (int r = 1; r <= rows; ++r) out += Locked(key, r) ? "L" : "o";
        return out;
    }

    int32_t FID() const override { return classType; }
    int32_t CurBillID() const override { return billID; }
    int GridMaxDataRowNum(int page) const override { return page == 3 ? childRows : rows; }
    void SetActiveCell(const std::string& key, int row) override {
        activeKey = key;
        activeRow = row;
    }
    CollectionPtr GetFieldInfoByKey(const std::string& key, const std::string&, int) override {
        if (!fields.empty() && !fields.count(Upper(key))) return nullptr;
        return Collection::Make({{"FKey", key}});
    }
    CollectionPtr GetDataFld(const CollectionPtr& def, int row) override {
        auto k = std::make_pair(Upper(def->Get("FKey").ToString()), row);
        auto& cell = cells[k];
        if (!cell) cell = Collection::Make({{"FFLD", Get(k.first, row)}, {"FModify", 1}});
        return cell;
    }
    GridControllerPtr BillCtl() override { return ctl; }
    ControlPtr Control(const std::string& name) override {
        auto it = controls.find(name);
        return it == controls.end() ? nullptr : it->second;
    }
};

// Answers "QORMClass.ClassInfo" from a lambda and counts the statements sent.
struct ScriptedDatabase {
    std::shared_ptr<FakeClassInfo> info = std::make_shared<FakeClassInfo>();
    explicit ScriptedDatabase(FakePlatform& platform) {
        platform.Add<IClassInfo>("QORMClass.ClassInfo", info);
        DataGateway::Instance().Reset();
    }
    // The statements sent that contain the text.
    int CountContaining(const std::string& text) const {
        int n = 0;
        for (const auto& s : info->statements) n += s.find(text) != std::string::npos;
        return n;
    }
};

// A login of user 16 (the host's shared properties) and a published process dictionary with
// the given values ("InitClosed", "AppType", "IndustryType").
inline void FakeLogin(FakePlatform& platform,
                      std::initializer_list<std::pair<std::string, Value>> processValues = {}) {
    platform.AddComponent("QORMtsCacheService.CacheFacade")->On("GetItem", [](Args&) {
        return Value(0);
    });
    platform.AddComponent("QORPropsMgr.ShareProps")->On("GetProperty", [](Args& a) {
        return a.size() > 1 && a[1].ToString() == "PropsString"
                   ? Value("UserID=16;ConnectString={Data Source=demo.db}")
                   : Value();
    });
    platform.dictionary = Collection::Make(processValues);
}

inline RecordsetPtr OneValue(const std::string& column, const Value& v) {
    return MemoryRecordset::Make({column}, {{v}});
}
inline RecordsetPtr NoRows(const std::string& column) {
    return MemoryRecordset::Make({column}, {});
}

// A test bill of Rows rows, the scripted database and a login of user 16.
template <int Rows>
class ServiceTest : public ::testing::Test {
protected:
    ScopedPlatform platform;
    ScriptedDatabase db{*platform.platform};
    TestBill bill;
    ServiceTest() {
        FakeLogin(*platform.platform);
        bill.rows = Rows;
    }
};

}  // namespace qor::test

// Small test doubles of the host: a platform with scripted components, a bill form and a bill
// list that only raise events and remember what the plug-in wrote.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "frame/host.h"
#include "frame/platform.h"
#include "frame/recordset.h"

namespace qor::test {

// A component whose operations are test lambdas; every call is recorded.
class FakeComponent : public IComponent {
public:
    using Handler = std::function<Value(Args&)>;
    explicit FakeComponent(std::string name) : name_(std::move(name)) {}
    std::string TypeName() const override { return name_; }
    void On(const std::string& method, Handler h) { handlers_[Upper(method)] = std::move(h); }
    Value Call(const std::string& method, Args& args) override {
        calls.push_back({method, args});
        auto it = handlers_.find(Upper(method));
        if (it == handlers_.end()) throw HostError(name_, "no operation " + method);
        return it->second(args);
    }
    struct CallRecord {
        std::string method;
        Args args;
    };
    std::vector<CallRecord> calls;

private:
    std::string name_;
    std::map<std::string, Handler> handlers_;
};

// "QORMClass.ClassInfo" and "QORMClass.ClassUpdate" answering from lambdas.
class FakeClassInfo : public IClassInfo {
public:
    std::function<RecordsetPtr(const std::string& sql)> answer;
    std::vector<std::string> statements;
    std::string TypeName() const override { return "ClassInfo"; }
    RecordsetPtr Getdata(const std::string&, const std::string& sql) override {
        statements.push_back(sql);
        return answer ? answer(sql) : MemoryRecordset::Make({}, {});
    }
};
class FakeClassUpdate : public IClassUpdate {
public:
    std::vector<std::string> statements;
    std::string TypeName() const override { return "ClassUpdate"; }
    Value UpdateBatch(const std::string&, const std::string& sql) override {
        statements.push_back(sql);
        return true;
    }
};

class FakePlatform : public IPlatform {
public:
    std::map<std::string, std::function<ObjectPtr()>> components;
    std::vector<std::string> prompts;
    int answer = kAnswerOk;
    CollectionPtr dictionary;  // null: nothing published
    uint32_t pid = 4242;
    uint32_t dictionaryPid = 4242;  // the process the dictionary was published for
    std::string systemDirectory;    // "" : unknown
    std::optional<uint32_t> sessionId;

    template <class T>
    std::shared_ptr<T> Add(const std::string& progId, std::shared_ptr<T> obj) {
        components[progId] = [obj] { return obj; };
        return obj;
    }
    std::shared_ptr<FakeComponent> AddComponent(const std::string& progId) {
        return Add(progId, std::make_shared<FakeComponent>(progId));
    }
    ObjectPtr CreateObject(const std::string& progId) override {
        auto it = components.find(progId);
        if (it == components.end()) throw HostError(progId, "cannot create " + progId);
        return it->second();
    }
    int MsgBox(const std::string& prompt, int, const std::string&) override {
        prompts.push_back(prompt);
        return answer;
    }
    std::string InputBox(const std::string&, const std::string&, const std::string& d) override {
        return d;
    }
    uint32_t ProcessId() override { return pid; }
    std::string SystemDirectory() override { return systemDirectory; }
    std::optional<uint32_t> ProcessSessionId(uint32_t) override { return sessionId; }
    ObjectPtr DesktopWindowProperty(const std::string& name) override {
        return name == std::to_string(dictionaryPid) ? dictionary : nullptr;
    }
    ObjectPtr LoadPicture(const std::string&) override { return nullptr; }
};

// The field definition a Change event carries: the changed field's key.
inline CollectionPtr Changed(const std::string& key) {
    return Collection::Make({{"FKey", key}});
}

// Attaches a fresh fake platform for the lifetime of a test and detaches it afterwards.
struct ScopedPlatform {
    std::shared_ptr<FakePlatform> platform = std::make_shared<FakePlatform>();
    ScopedPlatform() { AttachPlatform(platform); }
    ~ScopedPlatform() { AttachPlatform(nullptr); }
    FakePlatform* operator->() { return platform.get(); }
};

// A bill form that keeps header and row values in a map and raises events on request.
class FakeBillForm : public IBillForm {
public:
    explicit FakeBillForm(std::string typeName = "BillEvent") : typeName_(std::move(typeName)) {}
    std::string TypeName() const override { return typeName_; }

    IBillFormEvents* sink = nullptr;
    std::vector<std::string> adviseLog;  // "advise"/"unadvise" in order
    std::map<std::pair<std::string, int>, Value> values;

    void Advise(IBillFormEvents* s) override {
        sink = s;
        adviseLog.push_back("advise");
    }
    void Unadvise(IBillFormEvents* s) override {
        if (sink == s) sink = nullptr;
        adviseLog.push_back("unadvise");
    }
    Value GetFieldValue(const std::string& key, int row, int) override {
        auto it = values.find({Upper(key), row});
        return it == values.end() ? Value() : it->second;
    }
    void SetFieldValue(const std::string& key, const Value& v, int row, int) override {
        values[{Upper(key), row}] = v;
    }
    CollectionPtr GetFieldInfoByKey(const std::string&, const std::string&, int) override {
        return nullptr;
    }
    CollectionPtr GetDataFld(const CollectionPtr&, int) override { return nullptr; }
    CollectionPtr GetDataFldbyKey(const std::string&, int) override { return nullptr; }
    void SetText(const CollectionPtr&, const std::string&, int) override {}
    CollectionPtr BillHeads() override { return Collection::Make(); }
    CollectionPtr BillEntrys() override { return Collection::Make(); }
    CollectionPtr TableInfo() override { return Collection::Make(); }
    CollectionPtr BillData() override { return Collection::Make(); }
    int32_t FID() const override { return 1030002; }
    int32_t CurBillID() const override { return 0; }
    int BillStatus() const override { return 1; }
    void SetBillStatus(int) override {}
    int BillViewMode() const override { return 0; }
    int GridMaxDataRowNum(int) const override { return 0; }
    void SetActiveCell(const std::string&, int) override {}
    void SetEntryCtlProperty(const std::string&, const Value&, const Value&) override {}
    void FireChange(const std::string&, int, const Value&) override {}
    void SetBarStatus(const std::string&, const std::string&, bool) override {}
    void SetStatusText(int, const std::string&) override {}
    std::string StatusText(int) const override { return ""; }
    double ColumnTotal(const CollectionPtr&) override { return 0; }
    MenuBarPtr MenuBar() override { return nullptr; }
    GridControllerPtr BillCtl() override { return nullptr; }
    FormObjectPtr BillForm() override { return nullptr; }
    ControlPtr Control(const std::string&) override { return nullptr; }
    std::vector<ControlPtr> Controls() override { return {}; }

private:
    std::string typeName_;
};

class FakeBillList : public IBillList {
public:
    IBillListEvents* sink = nullptr;
    std::vector<std::string> adviseLog;
    void Advise(IBillListEvents* s) override {
        sink = s;
        adviseLog.push_back("advise");
    }
    void Unadvise(IBillListEvents* s) override {
        if (sink == s) sink = nullptr;
        adviseLog.push_back("unadvise");
    }
    int32_t FID() const override { return 1030002; }
    CollectionPtr TableInfo() override { return Collection::Make(); }
    CollectionPtr Selection() override { return Collection::Make(); }
    MenuBarPtr MenuBar() override { return nullptr; }
};

}  // namespace qor::test

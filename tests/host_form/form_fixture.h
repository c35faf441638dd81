// Shared set-up of the bill-form tests: a fresh copy of the demo database for every test, a
// bill form over a template, and a sink that records every event with its arguments.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/database.h"
#include "host/demo_db.h"
#include "host/form/bill_form.h"
#include "host/form/bill_template.h"
#include "host/form/database_adapter.h"

namespace qor::host::form::test {

// A sink that records the events and lets a test veto or act at any of them.
class RecordingSink : public NullBillFormEvents {
public:
    struct Call {
        std::string name;
        std::string detail;
    };
    std::vector<Call> calls;
    // Cancel the next occurrence of these events ("Change", "BeforeSave", ...).
    std::vector<std::string> cancel;
    // Run while the named event is being handled.
    std::function<void(const std::string& event)> during;

    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const auto& c : calls) out.push_back(c.name);
        return out;
    }
    // The names of the calls, without the field-action events.
    std::vector<std::string> CycleNames() const {
        std::vector<std::string> out;
        for (const auto& c : calls)
            if (c.name.find("DoAction") == std::string::npos) out.push_back(c.name);
        return out;
    }

    void AddNewRow(int page, int row) override { Rec("AddNewRow", P(page, row)); }
    void AfterCopyBill() override { Rec("AfterCopyBill"); }
    void AfterDeleteRow(int page, int row) override { Rec("AfterDeleteRow", P(page, row)); }
    void AfterDoAction2(const CollectionPtr& d, const CollectionPtr&, const Value&,
                        const std::string& kind, const std::string& type,
                        const std::string& expr) override {
        Rec("AfterDoAction2", d->Get("FKey").ToString() + "|" + kind + "|" + type + "|" + expr);
    }
    void AfterFillRow(const Value& a, const Value&, const Value& c, const Value& d) override {
        Rec("AfterFillRow", a.ToString() + "|" + c.ToString() + "|" + d.ToString());
    }
    void AfterLoadBill() override { Rec("AfterLoadBill"); }
    void AfterNewBill() override { Rec("AfterNewBill"); }
    void AfterSave(const Value& v) override { Rec("AfterSave", v.ToString()); }
    void AfterSelBill(const Value&) override { Rec("AfterSelBill"); }
    void AfterSelBillBeforeFillData(const Value& v) override {
        auto c = v.As<Collection>();
        Rec("AfterSelBillBeforeFillData", c ? c->Get("FSourClassTypeID").ToString() : "");
    }
    void BeforeDeleteRow(int page, int row, bool& c) override {
        Rec("BeforeDeleteRow", P(page, row), &c);
    }
    void BeforeDoAction(const CollectionPtr& d, const CollectionPtr& props, const Value&,
                        const std::string& kind, const std::string& type, const std::string& expr,
                        bool& c) override {
        lastItemProps = props;
        Rec("BeforeDoAction", d->Get("FKey").ToString() + "|" + kind + "|" + type + "|" + expr, &c);
    }
    void BeforeDoAction2(const CollectionPtr& d, const CollectionPtr&, const Value&,
                         const std::string& kind, const std::string& type,
                         const std::string& expr) override {
        Rec("BeforeDoAction2", d->Get("FKey").ToString() + "|" + kind + "|" + type + "|" + expr);
    }
    void BeforeSave(bool& c) override { Rec("BeforeSave", "", &c); }
    void BeforeSelBills(const Value& a, const Value&, const Value&, std::string& condition,
                        const Value&) override {
        condition = prependCondition + condition;
        Rec("BeforeSelBills", a.ToString());
    }
    void BeforLoadBillFillData() override { Rec("BeforLoadBillFillData"); }
    void BeginEdit(const Value&, const Value& row, const Value&) override {
        Rec("BeginEdit", row.ToString());
    }
    void BusinessCheck(bool& c) override { Rec("BusinessCheck", "", &c); }
    void Change(const CollectionPtr& desc, const Value& data, int column, int row,
                bool& c) override {
        lastChangeDesc = desc;
        lastChangeData = data.As<Collection>();
        std::string cell = desc->Get("FKey").ToString() + "@" + std::to_string(row);
        if (column == -1) filledChanges.push_back(cell);
        Rec("Change", cell, &c);
    }
    void ControlClick(const std::string& name) override { Rec("ControlClick", name); }
    void ControlPaint(const std::string& name) override { Rec("ControlPaint", name); }
    void ControlKeyPress(const std::string& name, int& key) override {
        Rec("ControlKeyPress", name + "|" + std::to_string(key));
        if (swallow.find(static_cast<char>(key)) != std::string::npos) key = 0;
    }
    void EntryGridRow(const std::vector<Value>& v) override {
        std::string detail;
        for (const auto& x : v) detail += (detail.empty() ? "" : "|") + x.ToString();
        Rec("EntryGridRow", detail);
    }
    void MenuBarClick(const MenuToolPtr& tool, bool& c) override {
        Rec("MenuBarClick", tool->Name(), &c);
    }
    void MenuBarInitialize(const MenuBarPtr&) override { Rec("MenuBarInitialize"); }
    void SaveBillSuccess(const Value&) override { Rec("SaveBillSuccess"); }
    void UnBusinessCheck(bool& c) override { Rec("UnBusinessCheck", "", &c); }

    CollectionPtr lastChangeDesc, lastChangeData, lastItemProps;
    std::string prependCondition;
    // The cells of the Change events the host raised for its own fills (flag -1).
    std::vector<std::string> filledChanges;
    // The keys a header box swallows (ControlKeyPress sets them to 0).
    std::string swallow;

private:
    static std::string P(int page, int row) {
        return std::to_string(page) + "," + std::to_string(row);
    }
    void Rec(const std::string& name, const std::string& detail = "", bool* c = nullptr) {
        calls.push_back({name, detail});
        if (during) during(name);
        if (c) {
            auto it = std::find(cancel.begin(), cancel.end(), name);
            if (it != cancel.end()) {
                *c = true;
                cancel.erase(it);
            }
        }
    }
};

// The demo database is made once per test program and copied for every test.
inline std::string FreshDemoCopy() {
    namespace fs = std::filesystem;
    static std::string master = [] {
        auto dir = fs::temp_directory_path() / ("qor_form_tests_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        return CreateDemoDatabase((dir / "master.db").string());
    }();
    static int n = 0;
    auto path = fs::path(master).parent_path() / ("copy" + std::to_string(++n) + ".db");
    fs::copy_file(master, path, fs::copy_options::overwrite_existing);
    return path.string();
}

// Writes a template file (name.yaml) into a directory of the tests' own; returns its path.
inline std::string WriteTemplate(const std::string& name, const std::string& text) {
    auto dir = std::filesystem::temp_directory_path() /
               ("qor_form_templates_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto path = (dir / (name + ".yaml")).string();
    std::ofstream(path) << text;
    return path;
}

// A template of that text (written as bad.yaml) is refused with an error naming what.
inline void ExpectTemplateError(const std::string& text, const std::string& what) {
    try {
        LoadTemplate(WriteTemplate("bad", text));
        ADD_FAILURE() << "no error for " << text;
    } catch (const TemplateError& e) {
        EXPECT_NE(std::string(e.what()).find(what), std::string::npos) << e.what();
    }
}

class FormTest : public ::testing::Test {
protected:
    std::unique_ptr<Database> db;
    std::unique_ptr<DatabaseAdapter> adapter;
    std::shared_ptr<HostBillForm> form;
    RecordingSink sink;

    // A new form of that kind, on a fresh demo database unless told to keep the one open.
    void Open(const std::string& kind, bool freshDatabase = true) {
        if (freshDatabase || !db) {
            db = std::make_unique<Database>(FreshDemoCopy());
            adapter = std::make_unique<DatabaseAdapter>(*db);
        }
        sink.calls.clear();
        const BillTemplate* t = FindTemplate(kind);
        ASSERT_NE(t, nullptr) << kind;
        form = HostBillForm::Create(*t, adapter.get());
        form->SetToday("2026-12-10");
        form->SetUserID(16394);
        form->Advise(&sink);
    }
    double Num(const std::string& key, int row = -1) {
        return form->GetFieldValue(key, row).ToNumber();
    }
    long Count(const std::string& sql) {
        auto r = db->Run(sql);
        return r.rows.empty() ? -1 : static_cast<long>(r.rows[0][0].ToNumber());
    }
    // A new sales bill with customer 101 and one row of item 1001: 10 x 2.5 at 13 % tax.
    void NewSaleWithRow() {
        Open("sale");
        ASSERT_TRUE(form->NewBill().done);
        ASSERT_TRUE(form->UserEdit("FCustID", -1, Value(101)).done);
        ASSERT_TRUE(form->UserEdit("FItemID", 1, Value(1001)).done);
        ASSERT_TRUE(form->UserEdit("FSCStockID", 1, Value(501)).done);
        ASSERT_TRUE(form->UserEdit("FTaxRate", 1, Value(13)).done);
        ASSERT_TRUE(form->UserEdit("FPrice", 1, Value(2.5)).done);
        ASSERT_TRUE(form->UserEdit("FShowQty", 1, Value(10)).done);
        sink.calls.clear();
    }
};

}  // namespace qor::host::form::test

// A bill of a template's kind on the demo database with the library's real plug-in bound to its
// form (and, when asked, to a list of the same kind), as the host binds them: the user's edits,
// saves and checks raise the events into the plug-in. Message and input boxes are answered from
// the host's queue and recorded.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "frame/plugin.h"
#include "host/form/bill_list.h"
#include "tests/support/demo_form.h"

namespace qor::test {

class PlugInBill {
public:
    PlugInBill(DemoHost& demo, const std::string& kind) : demo_(demo) {
        t_ = host::form::FindTemplate(kind);
        if (!t_) throw std::runtime_error("no bill template " + kind);
        form = host::form::HostBillForm::Create(*t_, demo.FormDatabase());
        form->SetToday("2026-12-10");
        form->SetUserID(16394);
        plugin = CreatePlugIn(t_->progId);
        if (!plugin) throw std::runtime_error("no plug-in " + t_->progId);
        plugin->Show(form);
        form->Open();
    }
    PlugInBase& Base() { return dynamic_cast<PlugInBase&>(*plugin); }
    // The error the plug-in's trap caught last ("" when none).
    std::string Trapped() { return Base().LastTrappedError(); }

    host::form::ActionResult New() { return form->NewBill(); }
    host::form::ActionResult Edit(const std::string& key, int row, const Value& v) {
        return form->UserEdit(key, row, v);
    }
    host::form::ActionResult Edit(const std::string& key, const Value& v) {
        return form->UserEdit(key, -1, v);
    }
    double Num(const std::string& key, int row = -1) {
        return form->GetFieldValue(key, row).ToNumber();
    }
    std::string Text(const std::string& key, int row = -1) {
        return form->GetFieldValue(key, row).ToString();
    }

    // A list of the bill's kind with the plug-in bound to it too, the bills selected.
    host::form::HostBillList& ListOf(const std::vector<int32_t>& ids) {
        list = host::form::HostBillList::Create(*t_, demo_.FormDatabase());
        list->SetUserID(16394);
        list->SetToday("2026-12-10");
        plugin->Show(list);
        list->Open();
        list->Select(ids);
        return *list;
    }

    // Answers for the next boxes: a button (6 yes, 7 no, 1 ok) or the text typed.
    void Answer(const Value& v) { demo_.Host().Platform().QueueAnswer(v); }
    // The prompts of the boxes shown so far, forgotten afterwards.
    std::vector<std::string> TakePrompts() {
        std::vector<std::string> prompts;
        for (const auto& box : demo_.Host().Platform().Boxes()) prompts.push_back(box.prompt);
        demo_.Host().Platform().ClearBoxes();
        return prompts;
    }

    std::shared_ptr<host::form::HostBillForm> form;
    std::shared_ptr<host::form::HostBillList> list;
    std::unique_ptr<IPlugIn> plugin;

private:
    DemoHost& demo_;
    const host::form::BillTemplate* t_ = nullptr;
};

}  // namespace qor::test

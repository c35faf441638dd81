#include "host/form/bill_list.h"

#include <algorithm>

#include "host/sql/literals.h"
#include "host/sql/sqlite_functions.h"

namespace qor::host::form {

const std::vector<std::pair<std::string, std::string>>& HostBillList::OwnTools() {
    static const std::vector<std::pair<std::string, std::string>> tools{
        {"mnuEditDelete", "删除"}, {"mnuEditCopyEntry", "复制分录"}};
    return tools;
}

std::shared_ptr<HostBillList> HostBillList::Create(const BillTemplate& t, IFormDatabase* db) {
    return std::shared_ptr<HostBillList>(new HostBillList(t, db));
}

HostBillList::HostBillList(const BillTemplate& t, IFormDatabase* db)
    : t_(t), db_(db), today_(sql::TodayText()), menu_(std::make_shared<form::MenuBar>(t)) {
    tableInfo_ = HostBillForm::Create(t, nullptr)->TableInfo();
    selection_ = Collection::Make();
    // The list's own tools beside the bill's.
    for (const auto& [key, caption] : OwnTools()) {
        auto tool = menu_->CreateTool(key);
        tool->SetCaption(caption);
        if (auto band = menu_->Band("mnuEdit")) band->AddTool(tool);
    }
    if (auto bar = menu_->Band("BandToolBar"))
        bar->AddTool(menu_->Tool("mnuEditDelete"), "mnuEditCheck");
}

// The list's events are reported as "List.<event>".
template <class F>
void HostBillList::Raise(const char* name, const std::string& args, bool* cancel, F&& call) {
    events_.Raise(std::string("List.") + name, args, cancel, std::forward<F>(call));
}

void HostBillList::Open() {
    if (opened_) return;
    opened_ = true;
    MenuBarPtr bar = menu_;
    Raise("MenuBarInitialize", "menu bar", nullptr,
          [&](IBillListEvents& s) { s.MenuBarInitialize(bar); });
}

std::string HostBillList::Filter() const {
    std::string f = "FClassTypeID=" + std::to_string(t_.classTypeID);
    for (const auto& [column, v] : t_.fixedColumns)
        f += " And " + column + "=" + (v.IsNumber() ? v.ToString() : SqlText(v.ToString()));
    return f;
}

ActionResult HostBillList::Select(const std::vector<int32_t>& ids) {
    if (!db_) return ActionResult::Refused("no database");
    auto selection = Collection::Make();
    std::vector<int32_t> kept;
    int n = 0;
    for (int32_t id : ids) {
        // A list row is selected or not: a bill named twice is selected once.
        if (std::find(kept.begin(), kept.end(), id) != kept.end()) continue;
        auto head = db_->Query("Select FBillNo From " + t_.headerTable +
                               " Where FID=" + std::to_string(id) + " And " + Filter());
        if (head.rows.empty())
            return ActionResult::Refused("there is no " + t_.kind + " bill with FID " +
                                         std::to_string(id));
        auto entry = db_->Query("Select Min(FEntryID) From " + t_.entryTable +
                                " Where FID=" + std::to_string(id));
        long long entryID =
            entry.rows.empty() ? 0 : static_cast<long long>(entry.rows[0][0].ToNumber());
        auto row = Collection::Make({{"FClassTypeID", Value(t_.classTypeID)},
                                     {"FID", Value(id)},
                                     {"FEntryID", Value(entryID)},
                                     {"FBillNo", head.rows[0][0]}});
        selection->Set(std::to_string(++n), Value(row));
        kept.push_back(id);
    }
    selection_->Clear();
    for (const auto& [k, v] : *selection) selection_->Add(k, v);
    ids_ = kept;
    return ActionResult::Done();
}

ActionResult HostBillList::ClickThen(const std::string& key,
                                     const std::function<ActionResult()>& then) {
    MenuToolPtr tool = menu_->Tool(key);
    if (!tool) return ActionResult::Refused("the list has no tool " + key);
    if (!tool->Visible()) return ActionResult::Refused("the tool " + key + " is hidden");
    if (!tool->Enabled()) return ActionResult::Refused("the tool " + key + " is disabled");
    bool cancel = false;
    Raise("MenuBarClick", tool->Name(), &cancel,
          [&](IBillListEvents& s) { s.MenuBarClick(tool, cancel); });
    if (cancel) return ActionResult::Cancelled("List.MenuBarClick");
    return then ? then() : ActionResult::Done();
}

ActionResult HostBillList::StoreStatus(int status) {
    bool cancel = false;
    if (status == 1)
        Raise("BusinessCheck", std::to_string(ids_.size()) + " bills", &cancel,
              [&](IBillListEvents& s) { s.BusinessCheck(cancel); });
    else
        Raise("UnBusinessCheck", std::to_string(ids_.size()) + " bills", &cancel,
              [&](IBillListEvents& s) { s.UnBusinessCheck(cancel); });
    if (cancel)
        return ActionResult::Cancelled(status ? "List.BusinessCheck" : "List.UnBusinessCheck");
    try {
        InTransaction(*db_, [&] {
            for (int32_t id : ids_) {
                std::string sets = "FStatus=" + std::to_string(status) +
                                   ",FCheckerID=" + std::to_string(status ? userID_ : 0);
                db_->Execute("Update " + t_.headerTable + " Set " + sets + " Where FID=" +
                             std::to_string(id) + " And FStatus=" + (status ? "0" : "1"));
            }
        });
    } catch (const std::exception& e) {
        return ActionResult::Refused(e.what());
    }
    return ActionResult::Done();
}

ActionResult HostBillList::Check() {
    if (ids_.empty()) return ActionResult::Refused("nothing is selected");
    return ClickThen("mnuEditCheck", [&] { return StoreStatus(1); });
}

ActionResult HostBillList::Uncheck() {
    if (ids_.empty()) return ActionResult::Refused("nothing is selected");
    return ClickThen("mnuEditUnCheck", [&] { return StoreStatus(0); });
}

ActionResult HostBillList::DeleteSelected() {
    for (int32_t id : ids_) {
        auto r = db_->Query("Select FStatus From " + t_.headerTable +
                            " Where FID=" + std::to_string(id));
        if (!r.rows.empty() && r.rows[0][0].ToNumber() >= 1)
            return ActionResult::Refused("the bill with FID " + std::to_string(id) +
                                         " is checked and cannot be deleted");
    }
    try {
        InTransaction(*db_, [&] {
            for (int32_t id : ids_) {
                db_->Execute("Delete From " + t_.entryTable + " Where FID=" + std::to_string(id));
                db_->Execute("Delete From " + t_.headerTable + " Where FID=" + std::to_string(id));
            }
        });
    } catch (const std::exception& e) {
        return ActionResult::Refused(e.what());
    }
    ids_.clear();
    selection_->Clear();
    return ActionResult::Done();
}

ActionResult HostBillList::MergeCopy() {
    auto first = HostBillForm::Create(t_, db_);
    first->SetToday(today_);
    if (!first->LoadBill(ids_[0]).done)
        return ActionResult::Refused("the first bill cannot be read");
    auto page = first->BillData()->Sub("Page2");
    for (size_t i = 1; i < ids_.size(); ++i) {
        auto other = HostBillForm::Create(t_, db_);
        if (!other->LoadBill(ids_[i]).done) continue;
        auto rows = other->BillData()->Sub("Page2");
        long n = static_cast<long>(page->Get("Size").ToNumber());
        page->Remove("Size");
        for (const auto& [k, item] : *rows)
            if (auto row = item.As<Collection>())
                page->Set(std::to_string(++n), Value(row->Clone()));
        page->Set("Size", Value(n));
    }
    merged_ = first->BillData()->Clone();
    Value data(merged_);
    Raise("AfterCopyBillCreateData", std::to_string(ids_.size()) + " bills", nullptr,
          [&](IBillListEvents& s) { s.AfterCopyBillCreateData(data); });
    Raise("AfterMergeCopyBill", std::to_string(ids_.size()) + " bills", nullptr,
          [&](IBillListEvents& s) { s.AfterMergeCopyBill(data); });
    return ActionResult::Done();
}

std::optional<FollowOn> HostBillList::TakeFollowOn() {
    std::optional<FollowOn> out;
    out.swap(followOn_);
    return out;
}

ActionResult HostBillList::ClickTool(const std::string& key) {
    std::string k = Upper(key);
    if (k == "MNUEDITCHECK") return Check();
    if (k == "MNUEDITUNCHECK") return Uncheck();
    bool needsSelection = k == "MNUEDITDELETE" || k == "MNUEDITCOPY" || k == "MNUEDITCOPYENTRY";
    if (needsSelection && ids_.empty()) return ActionResult::Refused("nothing is selected");
    if (k == "MNUEDITDELETE") return ClickThen(key, [&] { return DeleteSelected(); });
    if (k == "MNUEDITCOPY" || k == "MNUEDITCOPYENTRY")
        return ClickThen(key, [&] { return MergeCopy(); });
    const std::string push = "MNURELATEPUSHBILL_";
    if (k.rfind(push, 0) == 0) {
        if (ids_.empty()) return ActionResult::Refused("nothing is selected");
        std::string digits = k.substr(push.size());
        bool number = !digits.empty() && digits.size() < 10 &&
                      std::all_of(digits.begin(), digits.end(), ::isdigit);
        int32_t target = number ? static_cast<int32_t>(std::stol(digits)) : 0;
        merged_ = nullptr;
        return ClickThen(key, [&] {
            const BillTemplate* t = target ? FindTemplate(std::to_string(target)) : nullptr;
            if (!t)
                return ActionResult::Refused("the host makes no bill of class " +
                                             std::to_string(target) + " here");
            FollowOn f{target, t_.classTypeID, {}};
            for (int32_t id : ids_) f.sources.push_back({id, 0});
            followOn_ = f;
            return ActionResult::Done();
        });
    }
    merged_ = nullptr;
    return ClickThen(key, nullptr);
}

}  // namespace qor::host::form

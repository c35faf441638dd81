// The reference host's bill list: the bills of one kind, a selection of them, the list's menu
// bar and its cycles (check, uncheck, delete and merge copy of the selection, tool clicks),
// raising the list events into the bound plug-in.
//
//   open          MenuBarInitialize
//   tool click    MenuBarClick?, then the host's action of the tool
//   check         MenuBarClick(mnuEditCheck)?, BusinessCheck?, (FStatus 1 stored per bill)
//   uncheck       MenuBarClick(mnuEditUnCheck)?, UnBusinessCheck?, (FStatus 0 stored)
//   delete        MenuBarClick(mnuEditDelete)?, (unchecked bills deleted)
//   copy          MenuBarClick(mnuEditCopy)?, (the selected bills merged into one new bill's
//                 data: the first bill's header, every bill's rows), AfterCopyBillCreateData,
//                 AfterMergeCopyBill; the merged data is then opened in a bill form as a copy.
//   follow-on     MenuBarClick(mnuRelatePushBill_<class>)?, then a new bill of that class is
//                 drawn from the selected bills (in a bill form of its own).
// The selection holds one row per selected bill, in the order chosen: "FClassTypeID", "FID",
// "FEntryID" (the bill's first entry, 0 when it has none) and "FBillNo".
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "frame/host.h"
#include "host/form/bill_form.h"
#include "host/form/event_channel.h"

namespace qor::host::form {

class NullBillListEvents : public IBillListEvents {
public:
    void AfterMergeCopyBill(const Value&) override {}
    void AfterCopyBillCreateData(const Value&) override {}
    void BusinessCheck(bool&) override {}
    void MenuBarClick(const MenuToolPtr&, bool&) override {}
    void MenuBarInitialize(const MenuBarPtr&) override {}
    void UnBusinessCheck(bool&) override {}
};

class HostBillList : public IBillList, public std::enable_shared_from_this<HostBillList> {
public:
    static std::shared_ptr<HostBillList> Create(const BillTemplate& t, IFormDatabase* db);
    // The tools every list has beside the bill's own: "mnuEditDelete" (删除) and
    // "mnuEditCopyEntry" (复制分录), with their captions.
    static const std::vector<std::pair<std::string, std::string>>& OwnTools();

    const BillTemplate& Template() const { return t_; }
    void SetObserver(EventObserver observer) { events_.SetObserver(std::move(observer)); }
    void SetUserID(int32_t id) { userID_ = id; }
    void SetToday(const std::string& date) { today_ = date; }

    // Raises MenuBarInitialize once.
    void Open();
    // Selects the bills by FID (each must be a bill of the list's kind).
    ActionResult Select(const std::vector<int32_t>& ids);
    ActionResult ClickTool(const std::string& key);
    ActionResult Check();
    ActionResult Uncheck();
    // The data of the merged copy made by the last copy, or null.
    CollectionPtr MergedCopy() const { return merged_; }
    // The follow-on bill the last push tool asked for from the selection (once).
    std::optional<FollowOn> TakeFollowOn();
    const std::vector<int32_t>& SelectedIDs() const { return ids_; }
    form::MenuBar& Menus() { return *menu_; }

    // IBillList
    void Advise(IBillListEvents* sink) override { events_.Advise(sink); }
    void Unadvise(IBillListEvents* sink) override { events_.Unadvise(sink); }
    int32_t FID() const override { return t_.classTypeID; }
    CollectionPtr TableInfo() override { return tableInfo_; }
    CollectionPtr Selection() override { return selection_; }
    MenuBarPtr MenuBar() override { return menu_; }

private:
    HostBillList(const BillTemplate& t, IFormDatabase* db);
    template <class F>
    void Raise(const char* name, const std::string& args, bool* cancel, F&& call);
    ActionResult ClickThen(const std::string& key, const std::function<ActionResult()>& then);
    ActionResult StoreStatus(int status);
    ActionResult DeleteSelected();
    ActionResult MergeCopy();
    std::string Filter() const;

    const BillTemplate& t_;
    IFormDatabase* db_;
    EventChannel<IBillListEvents> events_;
    bool opened_ = false;
    int32_t userID_ = 0;
    std::string today_;
    std::shared_ptr<form::MenuBar> menu_;
    CollectionPtr tableInfo_, selection_, merged_;
    std::vector<int32_t> ids_;
    std::optional<FollowOn> followOn_;
};

}  // namespace qor::host::form

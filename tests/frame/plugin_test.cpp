// Binding, event dispatch, the error trap and the public operations of the plug-in classes.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "bills/order/billevent_order.h"
#include "bills/sale/billevent_sale.h"
#include "frame/data_access.h"
#include "frame/plugin.h"
#include "tests/support/fakes.h"

namespace qor {
namespace {

using test::FakeBillForm;
using test::FakeBillList;
using test::ScopedPlatform;

// Raises every event of both interfaces once and returns the handlers that ran.
std::set<std::string> RaiseEverything(FakeBillForm& form, FakeBillList& list) {
    std::set<std::string> ran;
    DataGateway::Instance().SetEventListener([&](const std::string& e) { ran.insert(e); });
    bool cancel = false;
    std::string condition;
    auto d = Collection::Make({{"FKey", "FQty"}});
    IBillFormEvents& f = *form.sink;
    f.AddNewRow(2, 1);
    f.AfterCopyBill();
    f.AfterDeleteRow(2, 1);
    f.AfterDoAction2(d, d, Value(), "FAction", "Calculate", "FAmount=FQty*FPrice");
    f.AfterFillRow(1, 2, 3, 4);
    f.AfterLoadBill();
    f.AfterNewBill();
    f.AfterSave(Value());
    f.AfterSelBill(Value());
    f.AfterSelBillBeforeFillData(Value());
    f.BeforeDeleteRow(2, 1, cancel);
    f.BeforeDoAction(d, d, Value(), "FAction", "LockField", "x", cancel);
    f.BeforeDoAction2(d, d, Value(), "FAction", "LockField", "x");
    f.BeforeSave(cancel);
    f.BeforeSelBills(Value(), Value(), Value(), condition, Value());
    f.BeforLoadBillFillData();
    f.BeginEdit(Value(), 1, 2);
    f.BusinessCheck(cancel);
    f.Change(d, Value(), 1, 1, cancel);
    f.EntryGridRow(std::vector<Value>(8));
    f.LostFocus("", Value(), std::vector<Value>(5));
    f.MenuBarClick(nullptr, cancel);
    f.MenuBarInitialize(nullptr);
    f.SaveBillSuccess(Value());
    f.UnBusinessCheck(cancel);
    int key = 'a';
    f.ControlClick("cmdSelCust");
    f.ControlPaint("pic");
    f.ControlKeyPress("FCUSTOMER", key);
    IBillListEvents& l = *list.sink;
    l.AfterMergeCopyBill(Value());
    l.AfterCopyBillCreateData(Value());
    l.BusinessCheck(cancel);
    l.MenuBarClick(nullptr, cancel);
    l.MenuBarInitialize(nullptr);
    l.UnBusinessCheck(cancel);
    DataGateway::Instance().SetEventListener(nullptr);
    return ran;
}

// "Name" stands for the bill form's handler m_BillInterface_Name, "L:Name" for the list's.
std::set<std::string> Handlers(const std::string& events) {
    std::set<std::string> out;
    std::istringstream in(events);
    for (std::string e; in >> e;)
        out.insert(e.rfind("L:", 0) == 0 ? "m_ListInterface_" + e.substr(2)
                                         : "m_BillInterface_" + e);
    return out;
}

TEST(PlugInDispatch, EachClassRunsExactlyItsHandlers) {
    ScopedPlatform platform;
    const auto saleSet = Handlers(
        "AddNewRow AfterCopyBill AfterDeleteRow AfterDoAction2 AfterFillRow "
        "AfterLoadBill AfterNewBill AfterSave AfterSelBill AfterSelBillBeforeFillData "
        "BeforeDeleteRow BeforeDoAction BeforeSave BeforeSelBills BeginEdit "
        "BusinessCheck Change EntryGridRow LostFocus MenuBarClick MenuBarInitialize "
        "UnBusinessCheck L:BusinessCheck L:MenuBarClick L:MenuBarInitialize "
        "L:UnBusinessCheck");
    auto withMerge = [](std::set<std::string> s) {
        s.insert("m_ListInterFace_AfterMergeCopyBill");
        return s;
    };
    const std::map<std::string, std::set<std::string>> expected{
        {"BillEvent_Sale", withMerge(saleSet)},
        {"BillEvent_SaleChange", withMerge(saleSet)},
        {"BillEvent_Consign",
         withMerge(Handlers(
             "AddNewRow AfterCopyBill AfterDeleteRow AfterDoAction2 AfterFillRow "
             "AfterLoadBill AfterNewBill AfterSave AfterSelBill AfterSelBillBeforeFillData "
             "BeforeDeleteRow BeforeDoAction BeforeDoAction2 BeforeSave BeginEdit "
             "BusinessCheck Change EntryGridRow MenuBarClick MenuBarInitialize "
             "UnBusinessCheck L:BusinessCheck L:MenuBarClick L:MenuBarInitialize "
             "L:UnBusinessCheck"))},
        {"BillEvent_Order",
         Handlers("AfterCopyBill AfterDoAction2 AfterFillRow AfterLoadBill AfterNewBill "
                  "AfterSave BeforeDoAction BeforeSave BusinessCheck Change EntryGridRow "
                  "MenuBarClick MenuBarInitialize UnBusinessCheck L:AfterCopyBillCreateData "
                  "L:BusinessCheck L:MenuBarClick L:MenuBarInitialize L:UnBusinessCheck")},
        {"BillEvent_TempConsign",
         Handlers("AddNewRow AfterCopyBill AfterDeleteRow AfterDoAction2 AfterFillRow "
                  "AfterLoadBill AfterNewBill AfterSave BeforeDoAction BeforeSave BusinessCheck "
                  "Change MenuBarClick MenuBarInitialize UnBusinessCheck L:BusinessCheck "
                  "L:MenuBarClick L:MenuBarInitialize L:UnBusinessCheck")},
        {"BillEvent_TempGJ",
         Handlers("AddNewRow AfterCopyBill AfterDeleteRow AfterDoAction2 AfterFillRow "
                  "AfterLoadBill AfterNewBill BeforeDoAction BeforeSave BeforLoadBillFillData "
                  "BusinessCheck Change MenuBarClick MenuBarInitialize UnBusinessCheck "
                  "L:BusinessCheck L:MenuBarClick L:MenuBarInitialize L:UnBusinessCheck")},
        {"BillEvent_XSCX",
         Handlers("AfterCopyBill AfterLoadBill AfterNewBill BeforeSave BusinessCheck Change "
                  "MenuBarClick MenuBarInitialize SaveBillSuccess ControlClick ControlPaint "
                  "ControlKeyPress L:BusinessCheck L:MenuBarInitialize")},
    };
    ASSERT_EQ(PlugInClasses().size(), expected.size());
    for (const auto& [cls, handlers] : expected) {
        auto plugin = CreatePlugIn(kProgIdPrefix + cls);
        ASSERT_NE(plugin, nullptr) << cls;
        auto form = std::make_shared<FakeBillForm>();
        auto list = std::make_shared<FakeBillList>();
        plugin->Show(form);
        plugin->Show(list);
        EXPECT_EQ(RaiseEverything(*form, *list), handlers) << cls;
    }
}

TEST(PlugInBinding, ShowBindsByTypeNameAndReplaces) {
    ScopedPlatform platform;
    BillEvent_Sale sale;
    auto lowerCaseForm = std::make_shared<FakeBillForm>("billevent");
    auto list = std::make_shared<FakeBillList>();
    sale.Show(list);
    sale.Show(lowerCaseForm);
    EXPECT_EQ(sale.m_BillInterface(), lowerCaseForm);
    EXPECT_EQ(sale.m_ListInterface(), list);
    EXPECT_NE(lowerCaseForm->sink, nullptr);
    EXPECT_NE(list->sink, nullptr);

    // A second form replaces the first, which no longer reaches the plug-in.
    auto second = std::make_shared<FakeBillForm>();
    sale.Show(second);
    EXPECT_EQ(sale.m_BillInterface(), second);
    EXPECT_EQ(lowerCaseForm->sink, nullptr);
    EXPECT_EQ(lowerCaseForm->adviseLog, (std::vector<std::string>{"advise", "unadvise"}));

    // Another type name binds as a list.
    auto other = std::make_shared<FakeBillForm>("SomethingElse");
    sale.Show(other);
    EXPECT_EQ(sale.m_BillInterface(), second);
    EXPECT_EQ(sale.m_ListInterface(), nullptr) << "an object that is no list binds nothing";
}

TEST(PlugInBinding, ReleasingTheObjectDisconnectsBothInterfaces) {
    ScopedPlatform platform;
    auto form = std::make_shared<FakeBillForm>();
    auto list = std::make_shared<FakeBillList>();
    for (std::string cls : {"BillEvent_Order", "BillEvent_XSCX"}) {
        auto plugin = CreatePlugIn(kProgIdPrefix + cls);
        plugin->Show(form);
        plugin->Show(list);
        plugin.reset();
        EXPECT_EQ(form->sink, nullptr) << cls;
        EXPECT_EQ(list->sink, nullptr) << cls;
    }
    // An object never bound terminates quietly.
    EXPECT_NO_THROW(CreatePlugIn("QOR_XS_PlugIns.BillEvent_Consign").reset());
}

// A class whose handlers fail part-way, to prove the trap.
class FailingPlugIn : public PlugInBase {
public:
    FailingPlugIn() : PlugInBase(BillEvent_Order::ClassInfo()) {}

protected:
    void m_BillInterface_BeforeSave(bool& cancel) override {
        m_BillInterface()->SetFieldValue("FNote", "written before the failure");
        cancel = true;
        throw std::runtime_error("boom");
    }
    void m_BillInterface_Change(const CollectionPtr& desc, const Value&, int, int, bool&) override {
        // A missing item is a KeyError: the kind of slip a handler can make.
        (void)desc->Item("NoSuchItem");
    }
};

TEST(PlugInErrorTrap, AFailingHandlerNeverReachesTheHost) {
    ScopedPlatform platform;
    FailingPlugIn plugin;
    auto form = std::make_shared<FakeBillForm>();
    plugin.Show(form);

    bool cancel = false;
    EXPECT_NO_THROW(form->sink->BeforeSave(cancel));
    EXPECT_TRUE(cancel) << "Cancel stays as the handler left it";
    EXPECT_EQ(form->GetFieldValue("FNote", -1, 1).ToString(), "written before the failure");
    EXPECT_NE(plugin.LastTrappedError().find("boom"), std::string::npos);

    bool changeCancel = false;
    EXPECT_NO_THROW(
        form->sink->Change(Collection::Make({{"FKey", "FQty"}}), Value(), 1, 1, changeCancel));
    EXPECT_FALSE(changeCancel);
    EXPECT_NE(plugin.LastTrappedError().find("m_BillInterface_Change"), std::string::npos);
}

TEST(PlugInCreation, SaleEvaluatesItsRightOnceAtCreation) {
    ScopedPlatform platform;
    auto security = platform->AddComponent("QOREBSBase.SecurityInfo");
    bool grant = true;
    security->On("AccessCheck", [&](Args&) { return Value(grant); });
    BillEvent_Sale granted;
    grant = false;
    BillEvent_Sale denied;
    EXPECT_TRUE(granted.HasRight2010());
    EXPECT_FALSE(denied.HasRight2010());
    ASSERT_EQ(security->calls.size(), 2u);
    const auto& args = security->calls[0].args;
    ASSERT_EQ(args.size(), 6u);
    EXPECT_EQ(args[1].ToString() + " " + args[2].ToString() + " " + args[3].ToString() + " [" +
                  args[5].ToString() + "]",
              "15 2010 32 []");

    // Without a rights component the check cannot be made: no right, no failure.
    AttachPlatform(std::make_shared<test::FakePlatform>());
    EXPECT_FALSE(BillEvent_Sale().HasRight2010());
}

TEST(PlugInPublicOperations, UserProfileOnlyOnTheFourClassesThatOfferIt) {
    ScopedPlatform platform;
    auto info = platform->AddComponent("QORMProfile.ClassUserProfileInfo");
    auto update = platform->AddComponent("QORMProfile.ClassUserProfileUpdate");
    info->On("GetUserProfile",
             [](Args& a) { return Value(a[1].ToString() + "/" + a[2].ToString()); });
    update->On("SaveUserProfile", [](Args&) { return Value(); });

    auto sale = CreatePlugIn("QOR_XS_PlugIns.BillEvent_Sale");
    Args get{"3001BillSet", "LogicMultiToOne"};
    EXPECT_EQ(sale->Invoke("GetUserProfile", get).ToString(), "3001BillSet/LogicMultiToOne");
    Args save{"3001BillSet", "LogicMultiToOne", "1"};
    sale->Invoke("SaveUserProfileItem", save);
    ASSERT_EQ(update->calls.size(), 1u);
    EXPECT_EQ(update->calls[0].args[3].ToString(), "1");

    auto xscx = CreatePlugIn("QOR_XS_PlugIns.BillEvent_XSCX");
    EXPECT_THROW(xscx->Invoke("GetUserProfile", get), HostError);
    EXPECT_THROW(sale->Invoke("NoSuchOperation", get), HostError);
}

TEST(PlugInMessages, ShowMessageReturnsTheAnswer) {
    ScopedPlatform platform;
    platform->answer = kAnswerNo;
    EXPECT_EQ(ShowMessage("是否继续？", 36, kMsgCaption), kAnswerNo);
    EXPECT_EQ(platform->prompts, std::vector<std::string>{"是否继续？"});
}

// The built library, loaded as a host loads it.
TEST(ComponentLibrary, CreatesTheSevenObjectsThroughItsCEntry) {
    void* lib = dlopen(QOR_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    using Create = IPlugIn* (*)(const char*);
    using Release = void (*)(IPlugIn*);
    using Version = const char* (*)();
    auto create = reinterpret_cast<Create>(dlsym(lib, "QOR_XS_CreateObject"));
    auto release = reinterpret_cast<Release>(dlsym(lib, "QOR_XS_ReleaseObject"));
    auto version = reinterpret_cast<Version>(dlsym(lib, "QOR_XS_Version"));
    ASSERT_TRUE(create && release && version);
    EXPECT_STREQ(version(), "1.5");
    for (const char* name :
         {"BillEvent_Sale", "BillEvent_SaleChange", "BillEvent_Consign", "BillEvent_Order",
          "BillEvent_TempConsign", "BillEvent_TempGJ", "BillEvent_XSCX"}) {
        std::string progId = std::string("QOR_XS_PlugIns.") + name;
        IPlugIn* obj = create(progId.c_str());
        ASSERT_NE(obj, nullptr) << progId;
        EXPECT_EQ(obj->ProgId(), progId);
        release(obj);
    }
    EXPECT_EQ(create("QOR_XS_PlugIns.BillEvent_Purchase"), nullptr);
    EXPECT_EQ(create("qor_xs_plugins.billevent_sale"), nullptr) << "identifiers match exactly";
    EXPECT_EQ(create(nullptr), nullptr);
    dlclose(lib);
}

}  // namespace
}  // namespace qor

// The common ground of the reference host's service components: the context one host's
// components share (databases, login, the questions they ask the user, the call log and the
// answers a scenario may tune) and the recording base every component is built on.
//
// Conventions of all components:
//   * methods are found by name without regard to letter case; an unknown name raises
//     HostError naming it;
//   * the login properties string may stand at any position of a call; it is recognised by its
//     keys ("ConnectString=", "UserID=") and names the database and the user; without one the
//     host's own login serves;
//   * a property is a method: called with one argument it stores the value, with none it
//     answers the value stored;
//   * a by-reference message is the call's last argument (when that is no object and not the
//     login properties string).
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame/collection.h"
#include "frame/host_platform.h"
#include "frame/recordset.h"
#include "frame/value.h"

namespace qor::host {

class Database;

// One call as a component received it (arguments before any by-reference result is written).
struct ComponentCall {
    std::string progId;
    std::string method;
    Args args;
};

// One window a component would have shown (viewer, displayer, help tip, price tool...).
struct ShownWindow {
    std::string progId;
    std::string title;
    std::vector<std::string> lines;
    CollectionPtr data;  // the properties set before showing, rows read for the window
};

// The item value of "key" in a login properties string ("k=v;k={v;v};..."), "" when absent.
std::string PropsStringItem(const std::string& props, const std::string& key);
// The database file the login's "ConnectString" names, "" when it names none.
std::string LoginDatabaseFile(const std::string& props);
// True when the text looks like a login properties string.
bool IsPropsString(const Value& v);

class ServiceContext {
public:
    // ---- Databases -----------------------------------------------------------------------
    // The database used when a login names none.
    void SetDefaultDatabase(std::string path) { defaultDatabase_ = std::move(path); }
    const std::string& DefaultDatabase() const { return defaultDatabase_; }
    // The database of a login: the file its "ConnectString" names, else the host's login's,
    // else the default; the connection is the one the data components share for that file.
    // HostError when none is known.
    std::shared_ptr<Database> Db(const std::string& propsString);
    // Reads into an in-memory record set; the statement is the caller's, values already quoted.
    RecordsetPtr Query(const std::string& propsString, const std::string& sql);
    void Exec(const std::string& propsString, const std::string& sql);
    // The first column of the first row, empty when there is no row.
    Value Scalar(const std::string& propsString, const std::string& sql);
    // Runs body as one unit on the login's database: all of its changes or, when it throws,
    // none (the error passes on). Works inside a transaction of the host's as well.
    void Atomically(const std::string& propsString, const std::function<void()>& body);

    // ---- Login ---------------------------------------------------------------------------
    // The host's login properties string, used when a call brings none.
    void SetLoginProps(std::string props) { loginProps_ = std::move(props); }
    const std::string& LoginProps() const { return loginProps_; }
    // The user identifier of a login properties string (the host's when it names none).
    int UserIdOf(const std::string& propsString) const;
    // The login cache and the shared properties per process identifier.
    CollectionPtr LoginCache(uint32_t processId);
    CollectionPtr SharedProps(uint32_t processId);

    // ---- The user ------------------------------------------------------------------------
    // Questions go to this platform's message box (the answer queue of the reference host);
    // without one the default button is taken.
    void SetPlatform(std::weak_ptr<IPlatform> platform) { platform_ = std::move(platform); }
    int Ask(const std::string& prompt, int buttons, const std::string& caption);

    // ---- Records -------------------------------------------------------------------------
    void Record(ComponentCall call) { calls_.push_back(std::move(call)); }
    const std::vector<ComponentCall>& Calls() const { return calls_; }
    // The calls to one component (and method, when given), compared without regard to case.
    std::vector<ComponentCall> CallsTo(const std::string& progId,
                                       const std::string& method = "") const;
    void ClearCalls() { calls_.clear(); }
    void Show(ShownWindow window) { shown_.push_back(std::move(window)); }
    const std::vector<ShownWindow>& Shown() const { return shown_; }
    // The dictionaries handed to the invoicing component, in order.
    std::vector<CollectionPtr>& InvoiceDictionaries() { return invoiceDictionaries_; }

    // ---- Answers a scenario may tune -----------------------------------------------------
    struct Answers {
        // CheckItemStockNum's code for a shortage: 3 refuses the save, -1 only warns.
        int stockShortageCode = 3;
        // NeedAutorized: data authorisation by item class.
        bool needAuthorized = false;
        // GetAuthItemClassList: the item classes the user is authorised for.
        std::string authItemClassList;
        // ItemSelect: the identifiers the user picks in the next selection tree (then the
        // preselection stands again); unset keeps the preselection.
        bool hasItemSelection = false;
        std::vector<int> itemSelection;
        // What the next credit (overdue) check finds whatever the customer's figures: set, it
        // holds for the check and the SelectOK question that follows it.
        std::optional<bool> creditExceeded, overdueExceeded;
    };
    Answers& answers() { return answers_; }

    // The next answer of one component method, replacing the method's own work (the call is
    // still recorded): the result, and the text written into the call's by-reference message
    // when one is given.
    struct QueuedAnswer {
        Value result;
        std::optional<std::string> message;
    };
    void QueueAnswer(const std::string& progId, const std::string& method, QueuedAnswer answer);
    // The queued answer for that method, taken off its queue; nullopt when there is none.
    std::optional<QueuedAnswer> TakeAnswer(const std::string& progId, const std::string& method);
    // Answers queued and never asked for.
    size_t PendingAnswers() const;

    // Credit and overdue findings of the last check, for the SelectOK questions that follow.
    struct CustomerFinding {
        bool exceeded = false;
        std::string message;
    };
    CustomerFinding lastCredit, lastOverdue;

private:
    std::string defaultDatabase_;
    std::string loginProps_;
    std::map<uint32_t, CollectionPtr> loginCache_, sharedProps_;
    std::weak_ptr<IPlatform> platform_;
    std::vector<ComponentCall> calls_;
    std::vector<ShownWindow> shown_;
    std::vector<CollectionPtr> invoiceDictionaries_;
    Answers answers_;
    std::map<std::string, std::deque<QueuedAnswer>> queued_;  // "PROGID.METHOD" upper-cased
};
using ServiceContextPtr = std::shared_ptr<ServiceContext>;

// The arguments of a call with the login properties string taken out: [0] is the first
// argument that is not the login, and so on; a missing argument reads empty. Where the caller
// passes the login at a fixed position (propsAt), a text or blank there is the login even
// when it is empty; otherwise the login is the first argument that looks like one.
class CallArgs {
public:
    CallArgs(Args& args, const ServiceContext& ctx, int propsAt = -1);
    const std::string& props() const { return props_; }
    size_t size() const { return rest_.size(); }
    const Value& operator[](size_t i) const;
    // The first argument that is a keyed collection, or null.
    CollectionPtr FirstCollection() const;
    // Writes a by-reference message into the call's last argument (when there is such a slot).
    void SetMessage(const std::string& message);

private:
    Args& args_;
    std::string props_;
    int propsAt_ = -1;
    std::vector<size_t> rest_;
};

// The base of every service component: records each call (in its own list and in the host's
// call log) and dispatches it by method name.
class RecordingComponent : public IComponent {
public:
    RecordingComponent(std::string progId, ServiceContextPtr context);
    std::string TypeName() const override;
    Value Call(const std::string& method, Args& args) override;
    using IComponent::Call;

    const std::string& ProgId() const { return progId_; }
    const std::vector<ComponentCall>& Calls() const { return calls_; }

protected:
    using Handler = std::function<Value(Args&)>;
    void On(const std::string& method, Handler handler);
    // Declares a property (see the conventions above) and reads it.
    void Property(const std::string& name);
    Value Prop(const std::string& name) const;
    CollectionPtr Properties() const { return props_; }
    ServiceContext& ctx() { return *ctx_; }
    ServiceContextPtr ctx_;

private:
    std::string progId_;
    std::map<std::string, Handler> handlers_;  // upper-cased method -> handler
    CollectionPtr props_ = Collection::Make();
    std::vector<ComponentCall> calls_;
};

// The rows a statement read, as keyed collections (column -> value), for components that hand
// records back.
CollectionPtr RowToCollection(const RecordsetPtr& rs);
// The nested keyed collections of a request record that describe rows: every collection item
// (searched two levels deep) holding the key; the record itself when it holds the key.
std::vector<CollectionPtr> RowsWithKey(const CollectionPtr& record, const std::string& key);

}  // namespace qor::host

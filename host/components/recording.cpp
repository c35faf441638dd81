#include "host/components/recording.h"

#include "frame/errors.h"
#include "host/data_components.h"
#include "host/database.h"

namespace qor::host {

// ---- Login properties strings ------------------------------------------------------------

// Read as the data components read them, so a login names the same database everywhere.
std::string PropsStringItem(const std::string& props, const std::string& key) {
    auto items = ParsePropsItems(props);
    auto it = items.find(Upper(key));
    return it == items.end() ? "" : it->second;
}

std::string LoginDatabaseFile(const std::string& props) {
    try {
        return DatabaseFileOfConnectString(PropsStringItem(props, "ConnectString"));
    } catch (const HostError&) {
        return "";
    }
}

bool IsPropsString(const Value& v) {
    if (!v.IsText()) return false;
    std::string upper = Upper(v.AsText());
    return upper.find("CONNECTSTRING=") != std::string::npos ||
           upper.find("USERID=") != std::string::npos;
}

// ---- Context -----------------------------------------------------------------------------

std::shared_ptr<Database> ServiceContext::Db(const std::string& propsString) {
    std::string path = LoginDatabaseFile(propsString);
    if (path.empty()) path = LoginDatabaseFile(loginProps_);
    if (path.empty()) path = defaultDatabase_;
    if (path.empty()) throw HostError("ServiceContext", "no database is known for this login");
    return OpenDatabase(path);
}

RecordsetPtr ServiceContext::Query(const std::string& propsString, const std::string& sql) {
    SqlResult result = Db(propsString)->Run(sql);
    return MemoryRecordset::Make(std::move(result.columns), std::move(result.rows));
}

void ServiceContext::Exec(const std::string& propsString, const std::string& sql) {
    Db(propsString)->Execute(sql);
}

Value ServiceContext::Scalar(const std::string& propsString, const std::string& sql) {
    auto rs = Query(propsString, sql);
    if (!rs || rs->IsEOF() || rs->FieldCount() == 0) return Value();
    return rs->Field(0);
}

void ServiceContext::Atomically(const std::string& propsString, const std::function<void()>& body) {
    auto db = Db(propsString);
    db->ExecScript("SAVEPOINT host_component");
    try {
        body();
    } catch (...) {
        try {
            db->ExecScript("ROLLBACK TO host_component; RELEASE host_component");
        } catch (...) {
        }
        throw;
    }
    db->ExecScript("RELEASE host_component");
}

int ServiceContext::UserIdOf(const std::string& propsString) const {
    std::string id = PropsStringItem(propsString, "UserID");
    if (id.empty()) id = PropsStringItem(loginProps_, "UserID");
    try {
        return ToId(Value(id));
    } catch (...) {
        return 0;
    }
}

CollectionPtr ServiceContext::LoginCache(uint32_t processId) {
    auto& c = loginCache_[processId];
    if (!c) c = Collection::Make();
    return c;
}

CollectionPtr ServiceContext::SharedProps(uint32_t processId) {
    auto& c = sharedProps_[processId];
    if (!c) c = Collection::Make();
    return c;
}

int ServiceContext::Ask(const std::string& prompt, int buttons, const std::string& caption) {
    if (auto platform = platform_.lock()) return platform->MsgBox(prompt, buttons, caption);
    return (buttons & 7) == kMsgYesNo || (buttons & 7) == 3 ? kAnswerYes : kAnswerOk;
}

std::vector<ComponentCall> ServiceContext::CallsTo(const std::string& progId,
                                                   const std::string& method) const {
    std::vector<ComponentCall> found;
    for (const auto& c : calls_)
        if (IEquals(c.progId, progId) && (method.empty() || IEquals(c.method, method)))
            found.push_back(c);
    return found;
}

namespace {
std::string AnswerKey(const std::string& progId, const std::string& method) {
    return Upper(progId) + "." + Upper(method);
}
}  // namespace

void ServiceContext::QueueAnswer(const std::string& progId, const std::string& method,
                                 QueuedAnswer answer) {
    queued_[AnswerKey(progId, method)].push_back(std::move(answer));
}

std::optional<ServiceContext::QueuedAnswer> ServiceContext::TakeAnswer(const std::string& progId,
                                                                       const std::string& method) {
    auto it = queued_.find(AnswerKey(progId, method));
    if (it == queued_.end() || it->second.empty()) return std::nullopt;
    QueuedAnswer answer = std::move(it->second.front());
    it->second.pop_front();
    return answer;
}

size_t ServiceContext::PendingAnswers() const {
    size_t n = 0;
    for (const auto& [key, q] : queued_) n += q.size();
    return n;
}

// ---- Arguments ---------------------------------------------------------------------------

CallArgs::CallArgs(Args& args, const ServiceContext& ctx, int propsAt) : args_(args) {
    if (propsAt >= 0 && static_cast<size_t>(propsAt) < args.size() &&
        (args[propsAt].IsText() || args[propsAt].IsBlank()))
        propsAt_ = propsAt;
    for (size_t i = 0; i < args.size(); ++i) {
        if (static_cast<int>(i) == propsAt_) {
            props_ = args[i].ToString();
        } else if (propsAt_ < 0 && IsPropsString(args[i])) {
            propsAt_ = static_cast<int>(i);
            props_ = args[i].AsText();
        } else {
            rest_.push_back(i);
        }
    }
    if (Trim(props_).empty()) props_ = ctx.LoginProps();
}

const Value& CallArgs::operator[](size_t i) const {
    static const Value empty;
    return i < rest_.size() ? args_[rest_[i]] : empty;
}

CollectionPtr CallArgs::FirstCollection() const {
    for (size_t i : rest_)
        if (auto c = args_[i].As<Collection>()) return c;
    return nullptr;
}

void CallArgs::SetMessage(const std::string& message) {
    if (args_.empty()) return;
    size_t last = args_.size() - 1;
    if (static_cast<int>(last) == propsAt_ || args_[last].IsObject()) return;
    args_[last] = message;
}

// ---- Recording base ----------------------------------------------------------------------

RecordingComponent::RecordingComponent(std::string progId, ServiceContextPtr context)
    : ctx_(std::move(context)), progId_(std::move(progId)) {}

std::string RecordingComponent::TypeName() const {
    auto dot = progId_.find('.');
    return dot == std::string::npos ? progId_ : progId_.substr(dot + 1);
}

Value RecordingComponent::Call(const std::string& method, Args& args) {
    ComponentCall call{progId_, method, args};
    calls_.push_back(call);
    ctx_->Record(std::move(call));
    auto it = handlers_.find(Upper(method));
    if (it == handlers_.end())
        throw HostError(progId_, "Object doesn't support this property or method: " + method, 438);
    if (auto answer = ctx_->TakeAnswer(progId_, method)) {
        if (answer->message) CallArgs(args, *ctx_).SetMessage(*answer->message);
        return answer->result;
    }
    return it->second(args);
}

void RecordingComponent::On(const std::string& method, Handler handler) {
    handlers_[Upper(method)] = std::move(handler);
}

void RecordingComponent::Property(const std::string& name) {
    On(name, [this, name](Args& args) -> Value {
        if (args.empty()) return props_->Get(name);
        props_->Set(name, args[0]);
        return Value();
    });
}

Value RecordingComponent::Prop(const std::string& name) const {
    return props_->Get(name);
}

// ---- Records -----------------------------------------------------------------------------

CollectionPtr RowToCollection(const RecordsetPtr& rs) {
    auto row = Collection::Make();
    if (!rs || rs->IsEOF()) return row;
    for (int i = 0; i < rs->FieldCount(); ++i) row->Set(rs->FieldName(i), rs->Field(i));
    return row;
}

std::vector<CollectionPtr> RowsWithKey(const CollectionPtr& record, const std::string& key) {
    std::vector<CollectionPtr> rows;
    if (!record) return rows;
    if (record->Exists(key)) {
        rows.push_back(record);
        return rows;
    }
    for (const auto& [k, v] : *record) {
        auto sub = v.As<Collection>();
        if (!sub) continue;
        if (sub->Exists(key)) {
            rows.push_back(sub);
            continue;
        }
        for (const auto& [k2, v2] : *sub)
            if (auto row = v2.As<Collection>(); row && row->Exists(key)) rows.push_back(row);
    }
    return rows;
}

}  // namespace qor::host

#include "host/data_components.h"

#include <filesystem>
#include <mutex>
#include <set>

#include "frame/errors.h"

namespace qor::host {

namespace {

std::string UpperAscii(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string TrimAscii(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

struct Registry {
    std::mutex mutex;
    std::string defaultPath;
    std::map<std::string, std::shared_ptr<Database>> open;
    std::map<std::string, std::string> keys;  // path as given -> key (asked on every call)
    std::set<std::string> held;               // keys of files whose connection holds its lock
};

Registry& TheRegistry() {
    static Registry r;
    return r;
}

// The file's full name, so every spelling of a path reaches one connection. Called with the
// registry locked; remembered, as every statement asks for it.
std::string RegistryKey(Registry& r, const std::string& path) {
    if (path == ":memory:" || path.rfind("file:", 0) == 0) return path;
    auto known = r.keys.find(path);
    if (known != r.keys.end()) return known->second;
    std::error_code ec;
    auto canonical = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    std::string key = ec ? path : canonical.string();
    if (r.keys.size() > 1000) r.keys.clear();
    r.keys.emplace(path, key);
    return key;
}

std::string Text(const Args& args, size_t i) {
    return i < args.size() ? args[i].ToString() : "";
}

void NeedArgs(const std::string& component, const std::string& method, const Args& args,
              size_t count) {
    if (args.size() < count)
        throw HostError(component, method + " expects " + std::to_string(count) + " arguments");
}

}  // namespace

std::map<std::string, std::string> ParsePropsItems(const std::string& propsString) {
    std::map<std::string, std::string> items;
    std::string rest = propsString;
    while (true) {
        size_t eq = rest.find('=');
        std::string key = TrimAscii(rest.substr(0, eq));
        if (key.empty()) break;
        rest = eq == std::string::npos ? "" : rest.substr(eq + 1);
        rest = TrimAscii(rest);
        std::string value;
        if (!rest.empty() && rest[0] == '{') {
            size_t close = rest.find('}');
            value = rest.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            if (close == std::string::npos) {
                rest.clear();
            } else {
                size_t semi = rest.find(';', close);
                rest = semi == std::string::npos ? "" : rest.substr(semi + 1);
            }
        } else {
            size_t semi = rest.find(';');
            value = rest.substr(0, semi);
            rest = semi == std::string::npos ? "" : rest.substr(semi + 1);
        }
        items[UpperAscii(key)] = TrimAscii(value);
        if (rest.empty()) break;
    }
    return items;
}

std::string DatabaseFileOfConnectString(const std::string& connectString) {
    std::string text = TrimAscii(connectString);
    if (text.empty()) return "";
    if (text.find('=') == std::string::npos) return text;
    auto items = ParsePropsItems(text);
    for (const char* key : {"DATA SOURCE", "DATASOURCE", "DATABASE FILE", "FILENAME"}) {
        auto it = items.find(key);
        if (it != items.end() && !it->second.empty()) return it->second;
    }
    throw HostError("QORMClass", "the connect string names no database file (Data Source=...): " +
                                     connectString);
}

std::string DatabaseFileOfProps(const std::string& propsString) {
    auto items = ParsePropsItems(propsString);
    auto it = items.find("CONNECTSTRING");
    std::string file = it == items.end() ? "" : DatabaseFileOfConnectString(it->second);
    return file.empty() ? DefaultDatabasePath() : file;
}

void SetDefaultDatabasePath(const std::string& path) {
    std::lock_guard<std::mutex> lock(TheRegistry().mutex);
    TheRegistry().defaultPath = path;
}

std::string DefaultDatabasePath() {
    std::lock_guard<std::mutex> lock(TheRegistry().mutex);
    return TheRegistry().defaultPath;
}

std::shared_ptr<Database> OpenDatabase(const std::string& path) {
    std::string file = path.empty() ? DefaultDatabasePath() : path;
    if (file.empty())
        throw HostError("QORMClass", "no database: the call names none and no default is set");
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    std::string key = RegistryKey(r, file);
    auto it = r.open.find(key);
    if (it != r.open.end()) return it->second;
    auto db = std::make_shared<Database>(file);
    if (r.held.count(key)) db->HoldLock(true);
    r.open.emplace(key, db);
    return db;
}

void CloseDatabase(const std::string& path) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.open.erase(RegistryKey(r, path));
}

void HoldDatabaseLock(const std::string& path, bool hold) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    std::string key = RegistryKey(r, path);
    if (hold)
        r.held.insert(key);
    else
        r.held.erase(key);
    auto it = r.open.find(key);
    if (it != r.open.end()) it->second->HoldLock(hold);
}

void CloseAllDatabases() {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.open.clear();
}

// ---- ClassInfo ----

RecordsetPtr ClassInfo::Getdata(const std::string& propsString, const std::string& sql) {
    SqlResult result = OpenDatabase(DatabaseFileOfProps(propsString))->Run(sql);
    return MemoryRecordset::Make(std::move(result.columns), std::move(result.rows));
}

Value ClassInfo::Call(const std::string& method, Args& args) {
    if (UpperAscii(method) != "GETDATA")
        throw HostError("QORMClass.ClassInfo", "unknown method " + method);
    NeedArgs("QORMClass.ClassInfo", method, args, 2);
    return Value(Getdata(Text(args, 0), Text(args, 1)));
}

// ---- ClassUpdate ----

Value ClassUpdate::UpdateBatch(const std::string& propsString, const std::string& sql) {
    OpenDatabase(DatabaseFileOfProps(propsString))->Run(sql);
    return Value(true);
}

Value ClassUpdate::Call(const std::string& method, Args& args) {
    if (UpperAscii(method) != "UPDATEBATCH")
        throw HostError("QORMClass.ClassUpdate", "unknown method " + method);
    NeedArgs("QORMClass.ClassUpdate", method, args, 2);
    return UpdateBatch(Text(args, 0), Text(args, 1));
}

// ---- AppConnection ----

void AppConnection::Execute(const std::string& connectString, const std::string& sql) {
    Close();
    std::string file = DatabaseFileOfConnectString(connectString);
    SqlResult result = OpenDatabase(file)->Run(sql);
    columns_ = std::move(result.columns);
    if (!result.rows.empty()) {
        row_ = std::move(result.rows.front());
        hasRow_ = true;
    }
}

Value AppConnection::GetValue(const std::string& column) {
    if (!hasRow_) return Value();
    std::string wanted = UpperAscii(column);
    for (size_t i = 0; i < columns_.size(); ++i)
        if (UpperAscii(columns_[i]) == wanted) return row_[i];
    throw HostError("QORMAPPConnection.AppConnection", "no column " + column + " in the result");
}

void AppConnection::Close() {
    columns_.clear();
    row_.clear();
    hasRow_ = false;
}

Value AppConnection::Call(const std::string& method, Args& args) {
    std::string m = UpperAscii(method);
    if (m == "EXECUTE") {
        NeedArgs("QORMAPPConnection.AppConnection", method, args, 2);
        Execute(Text(args, 0), Text(args, 1));
        return Value();
    }
    if (m == "GETVALUE") {
        NeedArgs("QORMAPPConnection.AppConnection", method, args, 1);
        return GetValue(Text(args, 0));
    }
    if (m == "CLOSE") {
        Close();
        return Value();
    }
    throw HostError("QORMAPPConnection.AppConnection", "unknown method " + method);
}

ObjectPtr CreateDataComponent(const std::string& progId) {
    std::string id = UpperAscii(progId);
    if (id == "QORMCLASS.CLASSINFO") return std::make_shared<ClassInfo>();
    if (id == "QORMCLASS.CLASSUPDATE") return std::make_shared<ClassUpdate>();
    if (id == "QORMAPPCONNECTION.APPCONNECTION") return std::make_shared<AppConnection>();
    return nullptr;
}

}  // namespace qor::host

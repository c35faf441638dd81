// The host's data components on the SQLite database: reads ("QORMClass.ClassInfo"), writes
// ("QORMClass.ClassUpdate") and the lookup connection ("QORMAPPConnection.AppConnection").
//
// The properties string's "ConnectString" item names the database file ("Data Source=<file>"
// inside it, or a plain path); without one the default database registered by the host is
// used. One connection per file is opened and shared by every component, so temp tables live
// across calls as they do on a SQL Server session.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "frame/host_platform.h"
#include "host/database.h"

namespace qor::host {

// The properties string's items (key=value pairs separated by ";", a value may be wrapped in
// "{...}" to hold ";"), keys upper-cased.
std::map<std::string, std::string> ParsePropsItems(const std::string& propsString);
// The database file of a connection string: its "Data Source" (or "DataSource", "Database
// File") item, or the whole text when it holds no "=". "" for an empty text; HostError when
// the text names no file.
std::string DatabaseFileOfConnectString(const std::string& connectString);
// The database file the properties string selects, falling back to the default.
std::string DatabaseFileOfProps(const std::string& propsString);

// The database used when a call names none (normally the current demo database).
void SetDefaultDatabasePath(const std::string& path);
std::string DefaultDatabasePath();

// The shared connection to a database file, opened on first use. An empty path means the
// default; HostError when there is none.
std::shared_ptr<Database> OpenDatabase(const std::string& path);
// Closes the shared connection of one file (before the file is replaced) or of all.
void CloseDatabase(const std::string& path);
void CloseAllDatabases();
// While the host owns a file, its shared connection (now or once opened) keeps the file's lock
// between statements (Database::HoldLock).
void HoldDatabaseLock(const std::string& path, bool hold);

// "QORMClass.ClassInfo": Getdata(propsString, sql) answers the statement's result set as an
// in-memory record set (without columns when the batch returned none).
class ClassInfo : public IClassInfo, public IComponent {
public:
    std::string TypeName() const override { return "ClassInfo"; }
    RecordsetPtr Getdata(const std::string& propsString, const std::string& sql) override;
    Value Call(const std::string& method, Args& args) override;
    using IComponent::Call;
};

// "QORMClass.ClassUpdate": UpdateBatch(propsString, sql) runs the batch and answers True.
class ClassUpdate : public IClassUpdate, public IComponent {
public:
    std::string TypeName() const override { return "ClassUpdate"; }
    Value UpdateBatch(const std::string& propsString, const std::string& sql) override;
    Value Call(const std::string& method, Args& args) override;
    using IComponent::Call;
};

// "QORMAPPConnection.AppConnection": Execute(connectString, sql) keeps the first row of the
// result; GetValue(column) reads it (empty without a row); Close forgets it.
class AppConnection : public IAppConnection, public IComponent {
public:
    std::string TypeName() const override { return "AppConnection"; }
    void Execute(const std::string& connectString, const std::string& sql) override;
    Value GetValue(const std::string& column) override;
    void Close() override;
    Value Call(const std::string& method, Args& args) override;
    using IComponent::Call;

private:
    std::vector<std::string> columns_;
    std::vector<Value> row_;
    bool hasRow_ = false;
};

// Creates one of the three components by programmatic identifier (any letter case); null for
// any other identifier.
ObjectPtr CreateDataComponent(const std::string& progId);

}  // namespace qor::host

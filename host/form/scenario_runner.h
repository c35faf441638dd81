// Runs scenarios on the reference host: a database (a fresh demo database unless one is given),
// the host with its login, rights and options, the plug-in library loaded as a host loads it,
// one bill form and one bill list at a time bound to their plug-in objects through Show. Every
// step is recorded for the transcript: the boxes shown with the answers given, the events, the
// host's action and whether a handler cancelled it, the fields changed and the SQL.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/form/scenario.h"

namespace qor::host {
class Database;
class ReferenceHost;
}  // namespace qor::host

namespace qor::host::form {

struct BoxLine {
    bool input = false;
    std::string prompt, caption;
    int buttons = 0;
    std::string answer;
    bool defaulted = false;
    // A plug-in's text dialog (prompt: its label): confirmed with OK, or cancelled, perhaps
    // because OK was disabled for a blank text.
    bool dialog = false, confirmed = false, okDisabled = false;
};

struct SqlLine {
    std::string sql;
    double ms = 0;
    long rows = 0;
    long changed = 0;
    bool failed = false;
    std::string error;
};

// A window a host component showed during a step.
struct WindowLine {
    std::string component, title;
    std::vector<std::string> lines;
};

// A call a host component received during a step (the login properties string left out).
struct CallLine {
    std::string component, method;
    std::vector<std::string> args;
};

// An error the plug-in library trapped during a step (a function that gave its empty answer
// instead, or a handler that ended early): where, in which event, and what.
struct TrappedLine {
    std::string where, event, error;
};

struct StepRecord {
    int index = 0;
    int line = 0;
    std::string label;
    bool isExpect = false;
    bool done = false;
    bool cancelled = false;
    std::string cancelledBy;
    std::string note;  // why the host did not act
    std::vector<BoxLine> boxes;
    std::vector<EventRecord> events;
    std::vector<FieldChange> changes;
    std::vector<std::string> hostNotes;
    std::vector<SqlLine> sql;
    std::vector<TrappedLine> trapped;  // gathered with traceSql
    std::vector<std::string> failures;  // expectations that did not hold
    std::vector<WindowLine> windows;
    std::vector<CallLine> calls;
};

struct RunRecord {
    std::string file, name, description, database;
    std::vector<StepRecord> steps;
    std::string billKind;
    std::vector<std::pair<std::string, std::string>> header;  // non-blank header values
    std::vector<std::vector<std::pair<std::string, std::string>>> rows;
    int failures = 0;
    std::string invalid;  // set when the scenario could not be run (exit status 2)
};

class HostBillList;
class PlugInLibrary;

// What a step watcher sees of the session: the runner's connection to the database, the host,
// and the form and list open (null before the first).
struct SessionView {
    Database& db;
    ReferenceHost& host;
    HostBillForm* form;
    HostBillList* list;
};

// Told before and after every step; tools that check the host's state as a session goes (the
// event fuzzer's invariants) watch a run this way.
class StepWatch {
public:
    virtual ~StepWatch() = default;
    virtual void Before(const Step&, const SessionView&) {}
    virtual void After(const Step&, const StepRecord&, const SessionView&) {}
};

struct RunOptions {
    std::string databasePath;  // "" = a fresh demo database in a temporary file
    std::string pluginPath;    // the plug-in library to load
    // A library already loaded (or linked into the program), used instead of pluginPath.
    PlugInLibrary* library = nullptr;
    // Adds the statements and the errors the library trapped to each step.
    bool traceSql = false;
    bool keepDatabase = false;
    StepWatch* watch = nullptr;
};

// Runs one scenario file (parse errors become an invalid run).
RunRecord RunScenarioFile(const std::string& path, const RunOptions& options);
RunRecord RunScenario(const Scenario& scenario, const RunOptions& options);

std::string RenderText(const RunRecord& run, bool traceSql);
std::string RenderJson(const std::vector<RunRecord>& runs, bool traceSql);

}  // namespace qor::host::form

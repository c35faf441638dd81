// Scenarios: scripted editing sessions on the bills, read from YAML (the format is described in
// docs/scenarios.md). Parsing checks everything it can before a scenario runs; an error names
// the file and the line.
#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "frame/value.h"
#include "host/form/bill_form.h"

namespace qor::host::form {

// An invalid scenario: the message names the file and the line.
class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CellRef {
    std::string key;
    int row = -1;  // -1 header
    std::string Text() const { return row > 0 ? key + "@" + std::to_string(row) : key; }
};

struct FieldValue {
    std::string key;
    Value value;
    CollectionPtr extras;  // event data the user's choice carries ({value:, ItemID:, ...})
};

struct ToolExpect {
    std::optional<bool> visible, enabled, checked;
    std::optional<std::string> caption;
    std::optional<std::string> shortcut;
};

// A control on the form (one a plug-in added, or a header box).
struct ControlExpect {
    std::optional<bool> visible, enabled;
    std::optional<std::string> caption;
    std::optional<std::string> text;  // a part of the text is enough
};

// The prints and previews since the previous expect.
struct PrintExpect {
    std::optional<long> count;
    std::optional<bool> preview;     // the last one was a preview (else a print)
    std::optional<bool> savedFirst;  // the last one was preceded by a save in the same click
};

struct QueryExpect {
    std::string sql;
    std::optional<std::vector<std::vector<Value>>> rows;
    std::optional<long> count;
};

// Expected content of what a component was handed or showed: a map names items of a keyed
// collection (keys compare without regard to letter case; items not named are not checked),
// a list gives a collection's items in order (as many as it has), a single value compares as
// a field does (numbers within the tolerance, text exactly, or as a part of the text where the
// expectation says so).
struct ContentExpect {
    enum class Kind { Value, Map, List };
    Kind kind = Kind::Value;
    Value value;
    struct Item;
    std::vector<Item> items;  // Map (keyed), List (keys empty)
};
struct ContentExpect::Item {
    std::string first;  // the key
    ContentExpect second;
};

// A message box's caption and button code, beside the part of its prompt.
struct MessageDetail {
    std::optional<std::string> caption;
    std::optional<int> buttons;
};

// A window a host component showed (viewer, result window, help tip, invoice...).
struct WindowExpect {
    std::optional<std::string> component;  // programmatic identifier
    std::optional<std::string> title;      // exactly
    std::optional<std::string> text;       // a part of one of its lines
    std::optional<ContentExpect> data;     // what it was handed (its properties)
    std::optional<long> rows;              // the records it shows
};

// Calls to a host component (and method): how many, with which arguments (the login
// properties string left out; an empty entry of args matches any argument).
struct CallExpect {
    std::string component;
    std::string method;  // "" = any
    std::optional<std::vector<std::optional<ContentExpect>>> args;
    std::optional<long> count;  // unset: at least one
};

struct Expect {
    std::vector<FieldValue> header;
    std::map<int, std::vector<FieldValue>> rows;
    double tolerance = 0.005;
    std::optional<std::vector<std::string>> messages;
    std::optional<bool> cancelled;
    std::optional<bool> done;
    std::vector<CellRef> locked, unlocked, hidden, visible;
    std::map<std::string, ToolExpect> tools;
    std::map<std::string, ToolExpect> listTools;
    std::map<int, std::string> status;
    std::optional<int> rowCount;
    std::optional<int> billStatus;
    std::optional<bool> dataChanged;
    std::vector<QueryExpect> queries;
    // Caption and buttons of the message at that position of messages.
    std::map<size_t, MessageDetail> messageDetails;
    std::optional<CellRef> activeCell;
    std::vector<std::string> absentTools, absentListTools;
    std::optional<std::vector<WindowExpect>> windows;  // shown since the previous expect
    std::vector<CallExpect> calls;                     // made since the previous expect
    std::optional<ContentExpect> invoice;  // the last invoice dictionary handed since then
    std::optional<std::string> caption;    // the form window's caption
    std::map<std::string, ControlExpect> controls;
    // Bands holding this run of items, in this order and side by side ("-" a separator).
    std::map<std::string, std::vector<std::string>> bands;
    std::optional<PrintExpect> printed;
};

// What host components answer next (componentAnswers).
struct ComponentAnswersStep {
    std::optional<int> stockShortage;               // the stock check's code for a shortage
    std::optional<std::vector<int>> itemSelection;  // the next selection tree's choice
    std::optional<bool> creditExceeded, overdueExceeded;
    struct Next {
        std::string component, method;
        Value result;
        std::optional<std::string> message;
    };
    std::vector<Next> next;
};

struct Step {
    enum class Kind {
        New,
        Load,
        Copy,
        Set,
        Answers,
        Menu,
        Save,
        Check,
        Uncheck,
        Delete,
        AddRow,
        DeleteRow,
        SelectSources,
        List,
        ListMenu,
        ListCheck,
        ListUncheck,
        Focus,
        Rows,
        Click,
        Press,
        Expect,
        ComponentAnswers
    };
    Kind kind = Kind::Save;
    int line = 0;
    std::string label;               // how the transcript names the step
    std::string billKind;            // new, load, list
    int32_t id = 0;                  // load
    bool edit = false;               // load: opened for editing
    int row = -1;                    // set, deleteRow, focus
    std::string key;                 // focus: the column ("" keeps it); press: the box
    std::vector<FieldValue> values;  // set
    // rows: the edits of each row, in order
    std::vector<std::pair<int, std::vector<FieldValue>>> rowEdits;
    std::vector<Value> answers;
    std::string tool;       // menu, listMenu; click: the control; press: the shortcut key
    std::string text;       // press: the keys typed into the header box named by key
    int32_t classType = 0;  // selectSources
    std::vector<SourceEntry> entries;
    std::vector<int32_t> ids;  // list
    Expect expect;
    ComponentAnswersStep componentAnswers;
};

struct ScenarioLogin {
    std::optional<Value> user;  // an identifier or a user name
    std::optional<int> industryType, appType;
    std::optional<bool> initClosed;
};

struct Scenario {
    std::string file;
    std::string name;
    std::string description;
    std::string today;  // the date new bills take ("" = the system date)
    // The host's clock for the whole session, "yyyy-MM-dd hh:mm:ss": today at the time given
    // with it, else at 09:00:00 ("" = the system clock).
    std::string now;
    std::vector<std::pair<std::string, int>> databaseSql;  // extra seed batches (text, line)
    ScenarioLogin login;
    std::vector<std::tuple<int, int, int>> denied;  // object type, object, access
    std::vector<std::tuple<std::string, std::string, std::string>> options;  // category, key, value
    std::vector<std::tuple<std::string, std::string, std::string>> profile;  // section, key, value
    std::vector<Step> steps;
};

// Reads a scenario file; ScenarioError with file and line for anything wrong.
Scenario LoadScenario(const std::string& path);
Scenario ParseScenario(const std::string& text, const std::string& name);

const char* StepKindName(Step::Kind k);

}  // namespace qor::host::form

// A bill's rules as tables. A bill plug-in is mostly three lists: what happens when a field
// changes (field key -> a small named rule), what must hold before the host saves, checks or
// unchecks a bill (ordered checks, each giving a verdict), and which tools the bill adds to its
// menus with what a click on them does. The bill builds its RuleBook once; the plug-in frame
// dispatches the host's Change, BeforeSave, BusinessCheck, UnBusinessCheck, MenuBarInitialize
// and MenuBarClick events (of the form and of the list) through it, inside the event's scope
// and error trap. The first refusing check vetoes the host's action with its message.
//
// Rules shared by several row sets are written once against the main set's keys and registered
// once per set (see frame/field_set.h): a rule reads its keys through FieldEdit::K.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "frame/field_set.h"
#include "frame/host.h"
#include "frame/verdict.h"

namespace qor {

class PlugInBase;

// ---- Field changes -----------------------------------------------------------------------------

// One field edit as a change rule sees it.
struct FieldEdit {
    PlugInBase& plugin;
    IBillForm& bill;
    const FieldSet& set;             // the row set the edited key belongs to
    const std::string& key;          // the edited key as the host gave it
    int row;                         // the entry row; -1 for a header field
    const CollectionPtr& fieldDesc;  // the host's descriptor of the field
    bool hostFill;                   // the host's own fill (the flag argument of Change)
    bool& cancel;                    // stops the host's own remaining processing of the edit
    bool stop = false;               // ends the handler: the steps after every change do not run

    // The key of a main-set field in this edit's row set ("FQty" -> "FQty01" on the twin).
    std::string K(std::string_view mainKey) const { return set[mainKey]; }
    // A field of the edited row (a header field when the edit is on the header), read and
    // written through the row set.
    Value Get(std::string_view mainKey) const;
    double Num(std::string_view mainKey) const { return Get(mainKey).ToNumber(); }
    void Put(std::string_view mainKey, const Value& value) const;
    // The edited cell's data: "FFLD" still holds the value from before the edit.
    CollectionPtr CellData() const;
    Value OldValue() const;
    // What the user put in the cell.
    Value NewValue() const { return bill.GetFieldValue(key, row); }

    template <class T>
    T& Owner() const {
        return static_cast<T&>(plugin);
    }
};
using ChangeRule = std::function<void(FieldEdit&)>;

// How the frame runs a change rule.
enum ChangeFlags : unsigned {
    kChangeAlways = 0,
    // Not run for the host's own fills (Change raised with its flag set).
    kSkipOnHostFill = 1,
};

// ---- Checks ------------------------------------------------------------------------------------

// The host actions a bill's checks guard.
enum class Stage { Save, Check, Uncheck, ListCheck, ListUncheck };

// One run of a stage's checks.
struct CheckRun {
    PlugInBase& plugin;
    IBillForm* bill;  // the bill form (null for the list's stages)
    IBillList* list;  // the bill list (null for the form's stages)
    Stage stage;

    template <class T>
    T& Owner() const {
        return static_cast<T&>(plugin);
    }
};
using CheckRule = std::function<Verdict(CheckRun&)>;

struct NamedCheck {
    std::string name;  // what the check is about, for tests and traces
    CheckRule rule;
};
using CheckList = std::vector<NamedCheck>;

// The checks in order; the first refusal, or a pass when every check passed.
Verdict RunChecks(const CheckList& checks, CheckRun& run);

// ---- Tools -------------------------------------------------------------------------------------

// A click on a tool (or the state of one being worked out).
struct ToolRun {
    PlugInBase& plugin;
    IBillForm* bill;   // the bill form (null in the list)
    IBillList* list;   // the bill list (null in the form)
    MenuToolPtr tool;  // the tool clicked (null while working out visibility)

    template <class T>
    T& Owner() const {
        return static_cast<T&>(plugin);
    }
};
// A click: a pass lets the host go on with its own action of the tool; a refusal is reported
// and vetoes it.
using ToolRule = std::function<Verdict(ToolRun&)>;
using ToolState = std::function<bool(ToolRun&)>;

// A tool the bill adds to a band.
struct ToolSpec {
    std::string band = {};       // a menu ("mnuEdit"), "BandToolBar", or a tool's key (its items)
    std::string key = {};        // "mnuRelateSaleOrder"
    std::string caption = {};    // blank: the caption the host gives it
    std::string beforeKey = {};  // placed before that tool of the band when it is there,
    int position = 0;            // else at this 1-based position (0: at the end)
    std::string picture = {};
    std::string shortcut = {};     // "F9"
    bool separatorBefore = false;  // a separator line before the tool
    ToolState visible = {};        // null: shown
    ToolState enabled = {};        // null: enabled
    ToolRule onClick = {};         // null: a click does only what the host does
};

// ---- The book ----------------------------------------------------------------------------------

class RuleBook {
public:
    // A field-change rule for the key. Keys compare without regard to letter case; a key named
    // twice is an error (std::logic_error) when the book is built.
    RuleBook& OnChange(const std::string& key, ChangeRule rule, unsigned flags = kChangeAlways);
    // The same rule for the row set's key of a main-set field (the set's key when it has one).
    RuleBook& OnChange(const FieldSet& set, std::string_view mainKey, ChangeRule rule,
                       unsigned flags = kChangeAlways);
    // A step that runs after the rule of every edited key (a key without a rule included),
    // unless a rule stopped the handler.
    RuleBook& AfterEveryChange(ChangeRule step);

    // A check of the stage, after those already added.
    RuleBook& Check(Stage stage, std::string name, CheckRule rule);

    // A tool the form's MenuBarInitialize adds (or the list's, for ListTool); a key placed twice
    // in one band, or given two click rules, is an error.
    RuleBook& Tool(ToolSpec spec);
    RuleBook& ListTool(ToolSpec spec);
    // A click rule for a tool the bill does not add (the host's own, such as "mnuEditCheck").
    RuleBook& OnClick(const std::string& toolKey, ToolRule rule);
    RuleBook& OnListClick(const std::string& toolKey, ToolRule rule);

    // ---- Dispatch (the plug-in frame calls these) ----
    // Runs the key's rule and then the steps after every change; nothing when cancel is already
    // set on entry.
    void RunChange(PlugInBase& plugin, IBillForm& bill, const CollectionPtr& fieldDesc, int row,
                   bool hostFill, bool& cancel) const;
    // Runs the stage's checks and reports the first refusal; true when it refused.
    bool Refuses(Stage stage, PlugInBase& plugin, IBillForm* bill, IBillList* list) const;
    // Adds the tools to the menu bar and sets their state.
    void AddTools(PlugInBase& plugin, const MenuBarPtr& menuBar, IBillForm* bill,
                  IBillList* list) const;
    // Sets the shown and enabled state of the form's tools from their rules.
    void RefreshTools(PlugInBase& plugin, IBillForm& bill) const;
    // Runs the click rule of the tool, if any; true when it vetoed the host's action.
    bool Click(PlugInBase& plugin, const MenuToolPtr& tool, IBillForm* bill, IBillList* list) const;

    // ---- What the book names (tests check every name against the bill's template) ----
    struct ChangeEntry {
        std::string key;
        const FieldSet* set;
        ChangeRule rule;
        unsigned flags;
    };
    const std::vector<ChangeEntry>& ChangeRules() const { return changes_; }
    const ChangeEntry* FindChange(std::string_view key) const;
    const CheckList& Checks(Stage stage) const;
    const std::vector<ToolSpec>& Tools() const { return tools_; }
    const std::vector<ToolSpec>& ListTools() const { return listTools_; }
    // Every key with a click rule (the tools' and the OnClick ones), form or list.
    std::vector<std::string> ClickKeys(bool list) const;

private:
    std::vector<ChangeEntry> changes_;
    std::map<std::string, size_t> changeIndex_;  // upper-cased key -> entry
    std::vector<ChangeRule> afterEvery_;
    std::map<Stage, CheckList> checks_;
    std::vector<ToolSpec> tools_, listTools_;
    struct Click_ {
        std::string key;  // as the table spells it
        ToolRule rule;
    };
    std::map<std::string, Click_> clicks_, listClicks_;  // upper-cased key -> rule
};

// Adds a tool toolKey to the band bandKey of the menu bar (the band is created when missing, as
// for a tool's own sub-menu): the caption when its trimmed text is not empty, the picture
// pictureKey with the light grey mask colour, placed before beforeKey when that names a tool of
// the band and at the 1-based position otherwise (0: at the end). Null when the tool could not
// be added.
MenuToolPtr AddMenuTool(const MenuBarPtr& menuBar, const std::string& bandKey,
                        const std::string& toolKey, const std::string& caption,
                        const std::string& beforeKey = "", int position = 0,
                        const std::string& pictureKey = "");

// The mask colour of menu pictures: light grey, red, green and blue 192.
inline constexpr uint32_t kMenuPictureMask = 192u | (192u << 8) | (192u << 16);

}  // namespace qor

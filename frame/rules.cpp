#include "frame/rules.h"

#include <stdexcept>

#include "frame/platform.h"
#include "frame/trap.h"

namespace qor {

// ---- FieldEdit
// -----------------------------------------------------------------------------------

Value FieldEdit::Get(std::string_view mainKey) const {
    const std::string k = set[mainKey];
    return k.empty() ? Value() : bill.GetFieldValue(k, row);
}

void FieldEdit::Put(std::string_view mainKey, const Value& value) const {
    const std::string k = set[mainKey];
    if (!k.empty()) bill.SetFieldValue(k, value, row);
}

CollectionPtr FieldEdit::CellData() const {
    return bill.GetDataFldbyKey(key, row);
}

Value FieldEdit::OldValue() const {
    auto cell = CellData();
    return cell ? cell->Get("FFLD") : Value();
}

// ---- Checks
// --------------------------------------------------------------------------------------

Verdict RunChecks(const CheckList& checks, CheckRun& run) {
    for (const auto& check : checks) {
        Verdict v = check.rule(run);
        if (v.Refused()) return v;
    }
    return Verdict::Pass();
}

// ---- Building the book
// ---------------------------------------------------------------------------

namespace {

template <class Clicks>
void AddClick(Clicks& clicks, const std::string& key, ToolRule rule) {
    if (!clicks.emplace(Upper(key), typename Clicks::mapped_type{key, std::move(rule)}).second)
        throw std::logic_error("two click rules for the tool " + key);
}

template <class Clicks>
void AddToolSpec(std::vector<ToolSpec>& tools, Clicks& clicks, ToolSpec spec) {
    for (const auto& t : tools) {
        if (IEquals(t.key, spec.key) && IEquals(t.band, spec.band))
            throw std::logic_error("the tool " + spec.key + " is placed twice in " + spec.band);
    }
    if (spec.onClick) AddClick(clicks, spec.key, spec.onClick);
    tools.push_back(std::move(spec));
}

}  // namespace

RuleBook& RuleBook::OnChange(const std::string& key, ChangeRule rule, unsigned flags) {
    return OnChange(FieldSet::Main(), key, std::move(rule), flags);
}

RuleBook& RuleBook::OnChange(const FieldSet& set, std::string_view mainKey, ChangeRule rule,
                             unsigned flags) {
    const std::string key = set[mainKey];
    if (key.empty()) return *this;  // the set has no such field
    if (!changeIndex_.emplace(Upper(key), changes_.size()).second)
        throw std::logic_error("two change rules for the key " + key);
    changes_.push_back({key, &set, std::move(rule), flags});
    return *this;
}

RuleBook& RuleBook::AfterEveryChange(ChangeRule step) {
    afterEvery_.push_back(std::move(step));
    return *this;
}

RuleBook& RuleBook::Check(Stage stage, std::string name, CheckRule rule) {
    checks_[stage].push_back({std::move(name), std::move(rule)});
    return *this;
}

RuleBook& RuleBook::Tool(ToolSpec spec) {
    AddToolSpec(tools_, clicks_, std::move(spec));
    return *this;
}

RuleBook& RuleBook::ListTool(ToolSpec spec) {
    AddToolSpec(listTools_, listClicks_, std::move(spec));
    return *this;
}

RuleBook& RuleBook::OnClick(const std::string& toolKey, ToolRule rule) {
    AddClick(clicks_, toolKey, std::move(rule));
    return *this;
}

RuleBook& RuleBook::OnListClick(const std::string& toolKey, ToolRule rule) {
    AddClick(listClicks_, toolKey, std::move(rule));
    return *this;
}

// ---- Reading the book
// ----------------------------------------------------------------------------

const RuleBook::ChangeEntry* RuleBook::FindChange(std::string_view key) const {
    auto it = changeIndex_.find(Upper(key));
    return it == changeIndex_.end() ? nullptr : &changes_[it->second];
}

const CheckList& RuleBook::Checks(Stage stage) const {
    static const CheckList kNone;
    auto it = checks_.find(stage);
    return it == checks_.end() ? kNone : it->second;
}

std::vector<std::string> RuleBook::ClickKeys(bool list) const {
    std::vector<std::string> keys;
    for (const auto& [upper, click] : list ? listClicks_ : clicks_) keys.push_back(click.key);
    return keys;
}

// ---- Dispatch
// ------------------------------------------------------------------------------------

void RuleBook::RunChange(PlugInBase& plugin, IBillForm& bill, const CollectionPtr& fieldDesc,
                         int row, bool hostFill, bool& cancel) const {
    if (cancel) return;  // an earlier handler already stopped the edit
    const std::string key = fieldDesc ? fieldDesc->Get("FKey").ToString() : std::string();
    const ChangeEntry* entry = FindChange(key);
    FieldEdit edit{plugin,   bill,  entry ? *entry->set : FieldSet::Main(), key, row, fieldDesc,
                   hostFill, cancel};
    if (entry && !(hostFill && (entry->flags & kSkipOnHostFill))) entry->rule(edit);
    for (const auto& step : afterEvery_) {
        if (edit.stop) break;
        step(edit);
    }
}

bool RuleBook::Refuses(Stage stage, PlugInBase& plugin, IBillForm* bill, IBillList* list) const {
    CheckRun run{plugin, bill, list, stage};
    Verdict verdict = Verdict::Pass();
    try {
        verdict = RunChecks(Checks(stage), run);
    } catch (const std::exception& e) {
        // A check that could not run (a host component missing, a failed read) refuses the
        // save or check rather than letting an unchecked bill through.
        verdict = Verdict::Refuse(std::string("单据检查未能完成：") + e.what());
    }
    return !Report(verdict, bill);
}

namespace {

bool StateOf(const ToolState& rule, ToolRun& run) {
    return rule ? rule(run) : true;
}

}  // namespace

void RuleBook::AddTools(PlugInBase& plugin, const MenuBarPtr& menuBar, IBillForm* bill,
                        IBillList* list) const {
    ToolRun run{plugin, bill, list, nullptr};
    for (const auto& spec : list ? listTools_ : tools_) {
        int position = spec.position;
        if (spec.separatorBefore && menuBar) {
            auto band = menuBar->AddBand(spec.band);
            // A tool placed by position goes after its separator.
            if (band && band->AddSeparator(spec.beforeKey, spec.position) && position > 0)
                ++position;
        }
        auto tool = AddMenuTool(menuBar, spec.band, spec.key, spec.caption, spec.beforeKey,
                                position, spec.picture);
        if (!tool) continue;
        if (!spec.shortcut.empty()) tool->SetShortcut(spec.shortcut);
        run.tool = tool;
        tool->SetVisible(StateOf(spec.visible, run));
        tool->SetEnabled(StateOf(spec.enabled, run));
    }
}

void RuleBook::RefreshTools(PlugInBase& plugin, IBillForm& bill) const {
    ToolRun run{plugin, &bill, nullptr, nullptr};
    for (const auto& spec : tools_) {
        if (spec.visible) bill.SetBarStatus(spec.key, "Visible", spec.visible(run));
        if (spec.enabled) bill.SetBarStatus(spec.key, "Enabled", spec.enabled(run));
    }
}

bool RuleBook::Click(PlugInBase& plugin, const MenuToolPtr& tool, IBillForm* bill,
                     IBillList* list) const {
    if (!tool) return false;
    const auto& clicks = list ? listClicks_ : clicks_;
    auto it = clicks.find(Upper(tool->Name()));
    if (it == clicks.end()) return false;
    ToolRun run{plugin, bill, list, tool};
    return !Report(it->second.rule(run), bill);
}

// ---- Menus
// ---------------------------------------------------------------------------------------

MenuToolPtr AddMenuTool(const MenuBarPtr& menuBar, const std::string& bandKey,
                        const std::string& toolKey, const std::string& caption,
                        const std::string& beforeKey, int position, const std::string& pictureKey) {
    return Trapped("AddMenuTool", MenuToolPtr(), [&]() -> MenuToolPtr {
        if (!menuBar || Trim(toolKey).empty()) return nullptr;
        auto tool = menuBar->CreateTool(toolKey);
        if (!tool) return nullptr;
        if (!Trim(caption).empty()) tool->SetCaption(caption);
        if (!pictureKey.empty()) {
            if (auto picture = Platform().LoadPicture(pictureKey))
                tool->SetPicture(picture, kMenuPictureMask);
        }
        auto band = menuBar->AddBand(bandKey);
        if (!band || !band->AddTool(tool, beforeKey, position)) return nullptr;
        return tool;
    });
}

}  // namespace qor

#include "host/form/scenario.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/components/service_components.h"
#include "host/form/yaml_util.h"

namespace qor::host::form {

namespace fs = std::filesystem;

const char* StepKindName(Step::Kind k) {
    switch (k) {
        case Step::Kind::New:
            return "new";
        case Step::Kind::Load:
            return "load";
        case Step::Kind::Copy:
            return "copy";
        case Step::Kind::Set:
            return "set";
        case Step::Kind::Answers:
            return "answers";
        case Step::Kind::Menu:
            return "menu";
        case Step::Kind::Save:
            return "save";
        case Step::Kind::Check:
            return "check";
        case Step::Kind::Uncheck:
            return "uncheck";
        case Step::Kind::Delete:
            return "delete";
        case Step::Kind::AddRow:
            return "addRow";
        case Step::Kind::DeleteRow:
            return "deleteRow";
        case Step::Kind::SelectSources:
            return "selectSources";
        case Step::Kind::List:
            return "list";
        case Step::Kind::ListMenu:
            return "listMenu";
        case Step::Kind::ListCheck:
            return "listCheck";
        case Step::Kind::ListUncheck:
            return "listUncheck";
        case Step::Kind::Focus:
            return "focus";
        case Step::Kind::Rows:
            return "rows";
        case Step::Kind::Click:
            return "click";
        case Step::Kind::Press:
            return "press";
        case Step::Kind::Expect:
            return "expect";
        case Step::Kind::ComponentAnswers:
            return "componentAnswers";
    }
    return "?";
}

namespace {

using yaml::Fail;

struct Parser {
    std::string file;
    Scenario sc;

    int Line(const YAML::Node& n) const { return n.Mark().is_null() ? 0 : n.Mark().line + 1; }

    std::string BillKind(const YAML::Node& n) {
        std::string kind = yaml::Text(file, n, "bill kind");
        const BillTemplate* t = nullptr;
        try {
            t = FindTemplate(kind);
        } catch (const TemplateError& e) {
            Fail(file, n, e.what());
        }
        if (!t) {
            std::string known;
            for (const auto& [k, tt] : Templates()) known += (known.empty() ? "" : ", ") + k;
            Fail(file, n, "unknown bill kind \"" + kind + "\" (known: " + known + ")");
        }
        return t->kind;
    }

    // "FKey" (header) or "FKey@row".
    CellRef Cell(const YAML::Node& n) {
        std::string s = Trim(yaml::Text(file, n, "field"));
        CellRef c;
        auto at = s.find('@');
        c.key = Trim(s.substr(0, at));
        if (c.key.empty()) Fail(file, n, "a field key is needed");
        if (at != std::string::npos) {
            std::string r = Trim(s.substr(at + 1));
            char* end = nullptr;
            long row = std::strtol(r.c_str(), &end, 10);
            if (r.empty() || *end || row < 1 || row > 100000)
                Fail(file, n, "the row after @ must be a number from 1: \"" + s + "\"");
            c.row = static_cast<int>(row);
        }
        return c;
    }

    std::vector<CellRef> Cells(const YAML::Node& n) {
        std::vector<CellRef> out;
        if (n.IsScalar()) {
            out.push_back(Cell(n));
        } else if (n.IsSequence()) {
            for (const auto& c : n) out.push_back(Cell(c));
        } else {
            Fail(file, n, "a list of fields (\"FKey\" or \"FKey@row\") is needed");
        }
        return out;
    }

    FieldValue ReadFieldValue(const std::string& key, const YAML::Node& v) {
        FieldValue fv;
        fv.key = key;
        if (v.IsMap()) {
            if (!v["value"]) Fail(file, v, "a field given as a map needs \"value\"");
            fv.value = yaml::ToValue(v["value"]);
            fv.extras = Collection::Make();
            for (auto it = v.begin(); it != v.end(); ++it)
                if (it->first.Scalar() != "value")
                    fv.extras->Set(it->first.Scalar(), yaml::ToValue(it->second));
        } else if (v.IsScalar() || v.IsNull()) {
            fv.value = yaml::ToValue(v);
        } else {
            Fail(file, v, "the value of " + key + " must be a single value");
        }
        return fv;
    }

    std::vector<FieldValue> Values(const YAML::Node& map, const std::vector<std::string>& skip) {
        std::vector<FieldValue> out;
        for (auto it = map.begin(); it != map.end(); ++it) {
            std::string key = it->first.Scalar();
            if (std::find(skip.begin(), skip.end(), key) != skip.end()) continue;
            if (key.empty() || key[0] != 'F')
                Fail(file, it->first, "\"" + key + "\" is no field key (field keys start with F)");
            out.push_back(ReadFieldValue(key, it->second));
        }
        return out;
    }

    ToolExpect Tool(const YAML::Node& n) {
        ToolExpect t;
        yaml::CheckKeys(file, n, {"visible", "enabled", "checked", "caption", "shortcut"},
                        "a tool expectation");
        if (n["visible"]) t.visible = yaml::Bool(file, n["visible"], "visible");
        if (n["enabled"]) t.enabled = yaml::Bool(file, n["enabled"], "enabled");
        if (n["checked"]) t.checked = yaml::Bool(file, n["checked"], "checked");
        if (n["caption"]) t.caption = yaml::Text(file, n["caption"], "caption");
        if (n["shortcut"]) t.shortcut = yaml::Text(file, n["shortcut"], "shortcut");
        return t;
    }

    ControlExpect Control(const YAML::Node& n) {
        ControlExpect c;
        yaml::CheckKeys(file, n, {"visible", "enabled", "caption", "text"},
                        "a control expectation");
        if (n["visible"]) c.visible = yaml::Bool(file, n["visible"], "visible");
        if (n["enabled"]) c.enabled = yaml::Bool(file, n["enabled"], "enabled");
        if (n["caption"]) c.caption = yaml::Text(file, n["caption"], "caption");
        if (n["text"]) c.text = yaml::Text(file, n["text"], "text");
        return c;
    }

    Expect ReadExpect(const YAML::Node& n) {
        Expect e;
        yaml::CheckKeys(file, n,
                        {"header",      "rows",      "tolerance",  "messages",    "cancelled",
                         "done",        "locked",    "unlocked",   "hidden",      "visible",
                         "tools",       "listTools", "status",     "rowCount",    "billStatus",
                         "dataChanged", "query",     "activeCell", "absentTools", "absentListTools",
                         "windows",     "calls",     "invoice",    "caption",     "controls",
                         "bands",       "printed"},
                        "expect");
        if (n["header"]) {
            if (!n["header"].IsMap())
                Fail(file, n["header"], "header must map field keys to values");
            e.header = Values(n["header"], {});
        }
        if (n["rows"]) {
            if (!n["rows"].IsMap()) Fail(file, n["rows"], "rows must map row numbers to fields");
            for (auto it = n["rows"].begin(); it != n["rows"].end(); ++it) {
                int row = static_cast<int>(yaml::Integer(file, it->first, "row number"));
                if (row < 1) Fail(file, it->first, "rows are numbered from 1");
                if (!it->second.IsMap())
                    Fail(file, it->second, "a row must map field keys to values");
                e.rows[row] = Values(it->second, {});
            }
        }
        if (n["tolerance"]) e.tolerance = yaml::Number(file, n["tolerance"], "tolerance");
        if (n["messages"]) {
            if (!n["messages"].IsSequence()) Fail(file, n["messages"], "messages must be a list");
            std::vector<std::string> m;
            for (const auto& x : n["messages"]) {
                if (x.IsMap()) {
                    e.messageDetails[m.size()] = Message(x);
                    m.push_back(yaml::Text(file, x["text"], "message text"));
                } else {
                    m.push_back(yaml::Text(file, x, "message"));
                }
            }
            e.messages = m;
        }
        if (n["cancelled"]) e.cancelled = yaml::Bool(file, n["cancelled"], "cancelled");
        if (n["done"]) e.done = yaml::Bool(file, n["done"], "done");
        if (n["locked"]) e.locked = Cells(n["locked"]);
        if (n["unlocked"]) e.unlocked = Cells(n["unlocked"]);
        if (n["hidden"]) e.hidden = Cells(n["hidden"]);
        if (n["visible"]) e.visible = Cells(n["visible"]);
        for (const char* which : {"tools", "listTools"}) {
            if (!n[which]) continue;
            if (!n[which].IsMap())
                Fail(file, n[which], std::string(which) + " must map tool keys to states");
            auto& target = std::string(which) == "tools" ? e.tools : e.listTools;
            for (auto it = n[which].begin(); it != n[which].end(); ++it)
                target[it->first.Scalar()] = Tool(it->second);
        }
        if (n["status"]) {
            if (!n["status"].IsMap())
                Fail(file, n["status"], "status must map panel numbers to texts");
            for (auto it = n["status"].begin(); it != n["status"].end(); ++it)
                e.status[static_cast<int>(yaml::Integer(file, it->first, "panel"))] =
                    yaml::Text(file, it->second, "status text");
        }
        if (n["rowCount"])
            e.rowCount = static_cast<int>(yaml::Integer(file, n["rowCount"], "rowCount"));
        if (n["billStatus"])
            e.billStatus = static_cast<int>(yaml::Integer(file, n["billStatus"], "billStatus"));
        if (n["dataChanged"]) e.dataChanged = yaml::Bool(file, n["dataChanged"], "dataChanged");
        if (n["caption"]) e.caption = yaml::Text(file, n["caption"], "caption");
        if (n["controls"]) {
            if (!n["controls"].IsMap())
                Fail(file, n["controls"], "controls must map control names to states");
            for (auto it = n["controls"].begin(); it != n["controls"].end(); ++it)
                e.controls[it->first.Scalar()] = Control(it->second);
        }
        if (n["bands"]) {
            if (!n["bands"].IsMap()) Fail(file, n["bands"], "bands must map band keys to lists");
            for (auto it = n["bands"].begin(); it != n["bands"].end(); ++it) {
                // Held by value: the iterator's proxy would not outlive the loop header.
                const YAML::Node items = it->second;
                if (!items.IsSequence() || items.size() == 0)
                    Fail(file, items, "a band expectation is a list of tool keys and \"-\"");
                auto& run = e.bands[it->first.Scalar()];
                for (const auto& k : items) run.push_back(yaml::Text(file, k, "tool key"));
            }
        }
        if (n["printed"]) {
            yaml::CheckKeys(file, n["printed"], {"count", "kind", "savedFirst"},
                            "a print expectation");
            PrintExpect pe;
            YAML::Node pn = n["printed"];
            if (pn["count"]) pe.count = yaml::Integer(file, pn["count"], "count");
            if (pn["kind"]) {
                std::string kind = yaml::Text(file, pn["kind"], "kind");
                if (kind != "print" && kind != "preview")
                    Fail(file, pn["kind"], "the kind of a print is print or preview");
                pe.preview = kind == "preview";
            }
            if (pn["savedFirst"]) pe.savedFirst = yaml::Bool(file, pn["savedFirst"], "savedFirst");
            e.printed = pe;
        }
        ReadHostSideExpect(n, e);
        if (n["query"]) {
            YAML::Node q = n["query"];
            std::vector<YAML::Node> list;
            if (q.IsSequence())
                for (const auto& x : q) list.push_back(x);
            else
                list.push_back(q);
            for (const auto& x : list) {
                yaml::CheckKeys(file, x, {"sql", "rows", "count"}, "a query expectation");
                QueryExpect qe;
                qe.sql = yaml::Text(file, x["sql"], "sql");
                if (Trim(qe.sql).empty()) Fail(file, x, "a query needs its sql");
                if (x["count"]) qe.count = yaml::Integer(file, x["count"], "count");
                if (x["rows"]) {
                    if (!x["rows"].IsSequence())
                        Fail(file, x["rows"], "rows must be a list of rows");
                    std::vector<std::vector<Value>> rows;
                    for (const auto& r : x["rows"]) {
                        std::vector<Value> row;
                        if (r.IsSequence())
                            for (const auto& c : r) row.push_back(yaml::ToValue(c));
                        else
                            row.push_back(yaml::ToValue(r));
                        rows.push_back(row);
                    }
                    qe.rows = rows;
                }
                e.queries.push_back(qe);
            }
        }
        return e;
    }

    // ---- What the host's components were asked and showed ----
    // A component the scenario names must be one of the host's (any letter case).
    std::string Component(const YAML::Node& n, bool writesToo) {
        std::string id = Trim(yaml::Text(file, n, "component"));
        for (const auto& known : ServiceComponentIds())
            if (IEquals(known, id)) return known;
        if (writesToo && IEquals(id, "QORMClass.ClassUpdate")) return "QORMClass.ClassUpdate";
        Fail(file, n, "\"" + id + "\" is no host component the scenario can see");
    }

    ContentExpect Content(const YAML::Node& n) {
        ContentExpect c;
        if (n.IsMap()) {
            c.kind = ContentExpect::Kind::Map;
            for (auto it = n.begin(); it != n.end(); ++it)
                c.items.push_back({it->first.Scalar(), Content(it->second)});
        } else if (n.IsSequence()) {
            c.kind = ContentExpect::Kind::List;
            for (const auto& x : n) c.items.push_back({"", Content(x)});
        } else {
            c.value = yaml::ToValue(n);
        }
        return c;
    }

    MessageDetail Message(const YAML::Node& n) {
        yaml::CheckKeys(file, n, {"text", "caption", "buttons"}, "a message");
        if (!n["text"]) Fail(file, n, "a message given as a map needs its text");
        MessageDetail d;
        if (n["caption"]) d.caption = yaml::Text(file, n["caption"], "caption");
        if (n["buttons"])
            d.buttons = static_cast<int>(yaml::Integer(file, n["buttons"], "buttons"));
        return d;
    }

    std::vector<std::string> ToolKeys(const YAML::Node& n) {
        std::vector<std::string> keys;
        if (n.IsScalar()) {
            keys.push_back(yaml::Text(file, n, "tool"));
        } else if (n.IsSequence()) {
            for (const auto& k : n) keys.push_back(yaml::Text(file, k, "tool"));
        } else {
            Fail(file, n, "a list of tool keys is needed");
        }
        return keys;
    }

    void ReadHostSideExpect(const YAML::Node& n, Expect& e) {
        if (n["activeCell"]) e.activeCell = Cell(n["activeCell"]);
        if (n["absentTools"]) e.absentTools = ToolKeys(n["absentTools"]);
        if (n["absentListTools"]) e.absentListTools = ToolKeys(n["absentListTools"]);
        if (YAML::Node w = n["windows"]) {
            if (!w.IsSequence()) Fail(file, w, "windows must be a list");
            std::vector<WindowExpect> list;
            for (const auto& x : w) {
                WindowExpect we;
                if (x.IsScalar()) {
                    we.text = yaml::Text(file, x, "window text");
                } else {
                    yaml::CheckKeys(file, x, {"component", "title", "text", "data", "rows"},
                                    "a window");
                    if (x["component"]) we.component = Component(x["component"], false);
                    if (x["title"]) we.title = yaml::Text(file, x["title"], "title");
                    if (x["text"]) we.text = yaml::Text(file, x["text"], "text");
                    if (x["data"]) {
                        if (!x["data"].IsMap()) Fail(file, x["data"], "data must be a map");
                        we.data = Content(x["data"]);
                    }
                    if (x["rows"]) we.rows = yaml::Integer(file, x["rows"], "rows");
                }
                list.push_back(we);
            }
            e.windows = list;
        }
        if (YAML::Node c = n["calls"]) {
            if (!c.IsSequence()) Fail(file, c, "calls must be a list");
            for (const auto& x : c) {
                yaml::CheckKeys(file, x, {"component", "method", "args", "count"}, "a call");
                if (!x["component"]) Fail(file, x, "a call names its component");
                CallExpect ce;
                ce.component = Component(x["component"], true);
                if (x["method"]) ce.method = yaml::Text(file, x["method"], "method");
                if (x["args"]) {
                    if (!x["args"].IsSequence())
                        Fail(file, x["args"], "args must be a list (~ for any argument)");
                    std::vector<std::optional<ContentExpect>> args;
                    for (const auto& a : x["args"]) {
                        if (a.IsNull())
                            args.push_back(std::nullopt);
                        else
                            args.push_back(Content(a));
                    }
                    ce.args = args;
                }
                if (x["count"]) {
                    ce.count = yaml::Integer(file, x["count"], "count");
                    if (*ce.count < 0) Fail(file, x["count"], "count cannot be negative");
                }
                e.calls.push_back(ce);
            }
        }
        if (YAML::Node inv = n["invoice"]) {
            if (!inv.IsMap()) Fail(file, inv, "invoice must map dictionary keys to values");
            e.invoice = Content(inv);
        }
    }

    ComponentAnswersStep ReadComponentAnswers(const YAML::Node& n) {
        if (!n.IsMap()) Fail(file, n, "componentAnswers is a map");
        yaml::CheckKeys(file, n, {"stockShortage", "itemSelection", "credit", "overdue", "next"},
                        "componentAnswers");
        ComponentAnswersStep c;
        if (n["stockShortage"]) {
            c.stockShortage =
                static_cast<int>(yaml::Integer(file, n["stockShortage"], "stockShortage"));
            if (*c.stockShortage != 3 && *c.stockShortage != -1)
                Fail(file, n["stockShortage"], "the stock check answers a shortage with 3 or -1");
        }
        if (YAML::Node sel = n["itemSelection"]) {
            std::vector<int> ids;
            if (sel.IsSequence()) {
                for (const auto& i : sel)
                    ids.push_back(static_cast<int>(yaml::Integer(file, i, "item identifier")));
            } else if (!sel.IsNull()) {
                Fail(file, sel, "itemSelection is a list of item identifiers ([] = none)");
            }
            c.itemSelection = ids;
        }
        auto finding = [&](const char* key) -> std::optional<bool> {
            if (!n[key]) return std::nullopt;
            std::string v = Upper(Trim(yaml::Text(file, n[key], key)));
            if (v == "EXCEEDED") return true;
            if (v == "WITHIN") return false;
            Fail(file, n[key], std::string(key) + " is exceeded or within");
        };
        c.creditExceeded = finding("credit");
        c.overdueExceeded = finding("overdue");
        if (YAML::Node next = n["next"]) {
            if (!next.IsSequence()) Fail(file, next, "next is a list of answers");
            for (const auto& x : next) {
                yaml::CheckKeys(file, x, {"component", "method", "result", "message"},
                                "a component answer");
                if (!x["component"] || !x["method"] || !x["result"])
                    Fail(file, x, "a component answer needs component, method and result");
                ComponentAnswersStep::Next a;
                a.component = Component(x["component"], false);
                a.method = yaml::Text(file, x["method"], "method");
                a.result = yaml::ToValue(x["result"]);
                if (x["message"]) a.message = yaml::Text(file, x["message"], "message");
                c.next.push_back(a);
            }
        }
        return c;
    }

    Value Answer(const YAML::Node& n) {
        if (n.IsScalar() && n.Tag() != "!") {
            std::string s = Upper(Trim(n.Scalar()));
            if (s == "YES") return Value(6);
            if (s == "NO") return Value(7);
            if (s == "OK") return Value(1);
            if (s == "CANCEL") return Value(2);
        }
        Value v = yaml::ToValue(n);
        if (v.IsNumber()) return Value(static_cast<int>(v.ToNumber()));
        return Value(v.ToString());
    }

    // Many rows typed at once: the columns, then one list of values per row; with repeat, that
    // many rows take the lists in turn.
    void ReadRows(const YAML::Node& arg, Step& s) {
        if (!arg.IsMap()) Fail(file, arg, "rows needs {columns, values}");
        yaml::CheckKeys(file, arg, {"columns", "values", "from", "repeat"}, "rows");
        s.kind = Step::Kind::Rows;
        YAML::Node columns = arg["columns"], values = arg["values"];
        if (!columns || !columns.IsSequence() || columns.size() == 0)
            Fail(file, columns ? columns : arg, "rows needs columns: a list of field keys");
        std::vector<std::string> keys;
        for (const auto& c : columns) {
            std::string key = yaml::Text(file, c, "column");
            if (key.empty() || key[0] != 'F')
                Fail(file, c, "\"" + key + "\" is no field key (field keys start with F)");
            keys.push_back(key);
        }
        if (!values || !values.IsSequence() || values.size() == 0)
            Fail(file, values ? values : arg, "rows needs values: a list of rows");
        std::vector<std::vector<FieldValue>> lines;
        for (const auto& v : values) {
            if (!v.IsSequence() || v.size() != keys.size())
                Fail(file, v,
                     "each row of values has one value per column (" + std::to_string(keys.size()) +
                         ")");
            std::vector<FieldValue> line;
            for (size_t i = 0; i < keys.size(); ++i) line.push_back(ReadFieldValue(keys[i], v[i]));
            lines.push_back(std::move(line));
        }
        long from = arg["from"] ? yaml::Integer(file, arg["from"], "from") : 1;
        long count = arg["repeat"] ? yaml::Integer(file, arg["repeat"], "repeat")
                                   : static_cast<long>(lines.size());
        if (from < 1) Fail(file, arg["from"], "rows are numbered from 1");
        if (count < 1 || from + count > 100001)
            Fail(file, arg["repeat"] ? arg["repeat"] : arg,
                 "repeat is a number of rows from 1 to 100000");
        for (long i = 0; i < count; ++i)
            s.rowEdits.emplace_back(static_cast<int>(from + i),
                                    lines[static_cast<size_t>(i) % lines.size()]);
        s.label = "rows " + std::to_string(from) + ".." + std::to_string(from + count - 1) + " (";
        for (size_t i = 0; i < keys.size(); ++i) s.label += (i ? ", " : "") + keys[i];
        s.label += ")";
    }

    Step ReadStep(const YAML::Node& n) {
        Step s;
        s.line = Line(n);
        std::string name;
        YAML::Node arg;
        if (n.IsScalar()) {
            name = n.Scalar();
        } else if (n.IsMap() && n.size() == 1) {
            name = n.begin()->first.Scalar();
            arg = n.begin()->second;
        } else {
            Fail(file, n, "a step is a step name or a map with one step name");
        }
        auto needArg = [&](const char* what) {
            if (!arg.IsDefined() || arg.IsNull()) Fail(file, n, name + " needs " + what);
        };
        auto noArg = [&] {
            if (arg.IsDefined() && !arg.IsNull()) Fail(file, arg, name + " takes no argument");
        };
        if (name == "new") {
            needArg("a bill kind");
            s.kind = Step::Kind::New;
            s.billKind = BillKind(arg);
            s.label = "new " + s.billKind;
        } else if (name == "load") {
            needArg("{class, id}");
            yaml::CheckKeys(file, arg, {"class", "id", "edit"}, "load");
            s.kind = Step::Kind::Load;
            s.billKind = BillKind(arg["class"]);
            s.id = static_cast<int32_t>(yaml::Integer(file, arg["id"], "id"));
            if (arg["edit"]) s.edit = yaml::Bool(file, arg["edit"], "edit");
            s.label = "load " + s.billKind + " " + std::to_string(s.id) + (s.edit ? " (edit)" : "");
        } else if (name == "copy") {
            noArg();
            s.kind = Step::Kind::Copy;
            s.label = "copy";
        } else if (name == "set") {
            needArg("fields");
            if (!arg.IsMap()) Fail(file, arg, "set maps field keys to values (and row: n)");
            s.kind = Step::Kind::Set;
            if (arg["row"]) {
                s.row = static_cast<int>(yaml::Integer(file, arg["row"], "row"));
                if (s.row < 1) Fail(file, arg["row"], "rows are numbered from 1");
            }
            s.values = Values(arg, {"row"});
            if (s.values.empty()) Fail(file, arg, "set names no field");
            s.label = "set";
            for (const auto& v : s.values)
                s.label += " " + v.key + (s.row > 0 ? "@" + std::to_string(s.row) : "") + "=" +
                           v.value.ToString();
        } else if (name == "answers") {
            needArg("a list of answers");
            s.kind = Step::Kind::Answers;
            if (arg.IsSequence())
                for (const auto& a : arg) s.answers.push_back(Answer(a));
            else
                s.answers.push_back(Answer(arg));
            s.label = "answers";
        } else if (name == "menu" || name == "listMenu") {
            needArg("a tool key");
            s.kind = name == "menu" ? Step::Kind::Menu : Step::Kind::ListMenu;
            s.tool = yaml::Text(file, arg, "tool");
            s.label = name + " " + s.tool;
        } else if (name == "save" || name == "check" || name == "uncheck" || name == "delete" ||
                   name == "addRow" || name == "listCheck" || name == "listUncheck") {
            noArg();
            static const std::map<std::string, Step::Kind> kinds = {
                {"save", Step::Kind::Save},
                {"check", Step::Kind::Check},
                {"uncheck", Step::Kind::Uncheck},
                {"delete", Step::Kind::Delete},
                {"addRow", Step::Kind::AddRow},
                {"listCheck", Step::Kind::ListCheck},
                {"listUncheck", Step::Kind::ListUncheck}};
            s.kind = kinds.at(name);
            s.label = name;
        } else if (name == "deleteRow") {
            needArg("a row number");
            s.kind = Step::Kind::DeleteRow;
            s.row = static_cast<int>(yaml::Integer(file, arg, "row"));
            s.label = "deleteRow " + std::to_string(s.row);
        } else if (name == "selectSources") {
            needArg("{classType, entries}");
            yaml::CheckKeys(file, arg, {"classType", "entries", "bills"}, "selectSources");
            s.kind = Step::Kind::SelectSources;
            s.classType = static_cast<int32_t>(yaml::Integer(file, arg["classType"], "classType"));
            if (arg["bills"])
                for (const auto& b : arg["bills"])
                    s.entries.push_back(
                        {static_cast<int32_t>(yaml::Integer(file, b, "bill FID")), 0});
            if (arg["entries"]) {
                for (const auto& e : arg["entries"]) {
                    SourceEntry se;
                    if (e.IsSequence() && e.size() == 2) {
                        se.id = static_cast<int32_t>(yaml::Integer(file, e[0], "bill FID"));
                        se.entryID = static_cast<int32_t>(yaml::Integer(file, e[1], "FEntryID"));
                    } else if (e.IsMap()) {
                        yaml::CheckKeys(file, e, {"id", "entry"}, "a source entry");
                        se.id = static_cast<int32_t>(yaml::Integer(file, e["id"], "id"));
                        if (e["entry"])
                            se.entryID =
                                static_cast<int32_t>(yaml::Integer(file, e["entry"], "entry"));
                    } else {
                        Fail(file, e, "a source entry is [FID, FEntryID] or {id, entry}");
                    }
                    s.entries.push_back(se);
                }
            }
            if (s.entries.empty()) Fail(file, arg, "selectSources needs entries or bills");
            s.label = "selectSources " + std::to_string(s.classType);
        } else if (name == "list") {
            needArg("{class, select}");
            yaml::CheckKeys(file, arg, {"class", "select"}, "list");
            s.kind = Step::Kind::List;
            s.billKind = BillKind(arg["class"]);
            if (arg["select"]) {
                if (!arg["select"].IsSequence())
                    Fail(file, arg["select"], "select is a list of FIDs");
                for (const auto& i : arg["select"])
                    s.ids.push_back(static_cast<int32_t>(yaml::Integer(file, i, "FID")));
            }
            s.label = "list " + s.billKind;
        } else if (name == "rows") {
            ReadRows(arg, s);
        } else if (name == "focus") {
            needArg("a row (3) or a cell (FShowQty@3)");
            s.kind = Step::Kind::Focus;
            std::string text = Trim(yaml::Text(file, arg, "focus"));
            if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0]))) {
                s.row = static_cast<int>(yaml::Integer(file, arg, "row"));
                if (s.row < 1) Fail(file, arg, "rows are numbered from 1");
            } else {
                CellRef c = Cell(arg);
                if (c.row < 1) Fail(file, arg, "focus names an entry cell: \"FKey@row\"");
                s.key = c.key;
                s.row = c.row;
            }
            s.label = "focus " + (s.key.empty() ? "row " : s.key + "@") + std::to_string(s.row);
        } else if (name == "click") {
            needArg("a control name");
            s.kind = Step::Kind::Click;
            s.tool = yaml::Text(file, arg, "control");
            s.label = "click " + s.tool;
        } else if (name == "press") {
            needArg("a shortcut key (F9) or {field, keys}");
            s.kind = Step::Kind::Press;
            if (arg.IsMap()) {
                yaml::CheckKeys(file, arg, {"field", "keys"}, "press");
                s.key = Trim(yaml::Text(file, arg["field"], "field"));
                s.text = yaml::Text(file, arg["keys"], "keys");
                if (s.key.empty() || s.text.empty())
                    Fail(file, arg, "press into a box needs its field and the keys");
                s.label = "press \"" + s.text + "\" in " + s.key;
            } else {
                s.tool = Trim(yaml::Text(file, arg, "shortcut"));
                s.label = "press " + s.tool;
            }
        } else if (name == "expect") {
            needArg("what to check");
            s.kind = Step::Kind::Expect;
            s.expect = ReadExpect(arg);
            s.label = "expect";
        } else if (name == "componentAnswers") {
            needArg("what the components answer");
            s.kind = Step::Kind::ComponentAnswers;
            s.componentAnswers = ReadComponentAnswers(arg);
            s.label = "componentAnswers";
        } else {
            Fail(file, n.IsMap() ? n.begin()->first : n,
                 "unknown step \"" + name +
                     "\" (new, load, copy, set, rows, focus, click, press, answers, menu, save, "
                     "check, uncheck, delete, addRow, deleteRow, selectSources, list, listMenu, "
                     "listCheck, listUncheck, expect, componentAnswers)");
        }
        return s;
    }

    std::pair<std::string, std::string> Split(const YAML::Node& keyNode, const std::string& what) {
        std::string key = keyNode.Scalar();
        auto slash = key.find('/');
        if (slash == std::string::npos || slash == 0 || slash + 1 == key.size())
            Fail(file, keyNode, what + " keys are \"A/B\", not \"" + key + "\"");
        return {key.substr(0, slash), key.substr(slash + 1)};
    }

    void Read(const YAML::Node& root) {
        if (!root.IsMap()) Fail(file, root, "a scenario is a map with name and steps");
        yaml::CheckKeys(file, root,
                        {"name", "description", "today", "database", "login", "rights", "options",
                         "userProfile", "steps"},
                        "a scenario");
        sc.name = yaml::Text(file, root["name"], "name");
        if (Trim(sc.name).empty()) Fail(file, root, "a scenario needs a name");
        sc.description = yaml::Text(file, root["description"], "description");
        if (root["today"]) {
            sc.today = yaml::Text(file, root["today"], "today");
            auto d = ParseDate(sc.today);
            if (!d) Fail(file, root["today"], "today must be a date (YYYY-MM-DD [hh:mm:ss])");
            sc.today = FormatDate(*d);
            bool timeGiven = sc.today.size() < Trim(root["today"].Scalar()).size();
            Date now = *d;
            if (!timeGiven) now.hour = 9, now.minute = 0, now.second = 0;
            sc.now = FormatDateTime(now);
        }
        if (YAML::Node db = root["database"]) {
            std::vector<YAML::Node> parts;
            if (db.IsSequence())
                for (const auto& p : db) parts.push_back(p);
            else
                parts.push_back(db);
            for (const auto& p : parts) {
                if (p.IsMap()) {
                    yaml::CheckKeys(file, p, {"file", "sql"}, "a database entry");
                    if (p["file"]) {
                        fs::path path = yaml::Text(file, p["file"], "file");
                        if (path.is_relative()) path = fs::path(file).parent_path() / path;
                        std::ifstream in(path, std::ios::binary);
                        if (!in) Fail(file, p["file"], "cannot read " + path.string());
                        std::stringstream ss;
                        ss << in.rdbuf();
                        sc.databaseSql.emplace_back(ss.str(), Line(p));
                    }
                    if (p["sql"])
                        sc.databaseSql.emplace_back(yaml::Text(file, p["sql"], "sql"),
                                                    Line(p["sql"]));
                } else {
                    sc.databaseSql.emplace_back(yaml::Text(file, p, "database"), Line(p));
                }
            }
        }
        if (YAML::Node l = root["login"]) {
            yaml::CheckKeys(file, l, {"user", "industryType", "appType", "initClosed"}, "login");
            if (l["user"]) sc.login.user = yaml::ToValue(l["user"]);
            if (l["industryType"])
                sc.login.industryType =
                    static_cast<int>(yaml::Integer(file, l["industryType"], "industryType"));
            if (l["appType"])
                sc.login.appType = static_cast<int>(yaml::Integer(file, l["appType"], "appType"));
            if (l["initClosed"])
                sc.login.initClosed = yaml::Bool(file, l["initClosed"], "initClosed");
        }
        if (YAML::Node r = root["rights"]) {
            yaml::CheckKeys(file, r, {"deny"}, "rights");
            for (const auto& d : r["deny"]) {
                if (d.IsSequence() && d.size() == 3) {
                    sc.denied.emplace_back(
                        static_cast<int>(yaml::Integer(file, d[0], "object type")),
                        static_cast<int>(yaml::Integer(file, d[1], "object")),
                        static_cast<int>(yaml::Integer(file, d[2], "access")));
                } else if (d.IsMap()) {
                    yaml::CheckKeys(file, d, {"objectType", "object", "access"}, "a denied right");
                    sc.denied.emplace_back(
                        static_cast<int>(yaml::Integer(file, d["objectType"], "objectType")),
                        static_cast<int>(yaml::Integer(file, d["object"], "object")),
                        static_cast<int>(yaml::Integer(file, d["access"], "access")));
                } else {
                    Fail(file, d, "a denied right is [objectType, object, access]");
                }
            }
        }
        for (const char* which : {"options", "userProfile"}) {
            YAML::Node o = root[which];
            if (!o) continue;
            if (!o.IsMap()) Fail(file, o, std::string(which) + " must be a map");
            for (auto it = o.begin(); it != o.end(); ++it) {
                auto [a, b] = Split(it->first, which);
                std::string value = yaml::ToValue(it->second).ToString();
                (std::string(which) == "options" ? sc.options : sc.profile)
                    .emplace_back(a, b, value);
            }
        }
        YAML::Node steps = root["steps"];
        if (!steps || !steps.IsSequence() || steps.size() == 0)
            Fail(file, steps ? steps : root, "a scenario needs a list of steps");
        for (const auto& s : steps) sc.steps.push_back(ReadStep(s));
    }
};

}  // namespace

Scenario ParseScenario(const std::string& text, const std::string& name) {
    Parser p;
    p.file = name;
    p.sc.file = name;
    try {
        p.Read(yaml::LoadText(text, name));
    } catch (const yaml::YamlError& e) {
        throw ScenarioError(e.what());
    } catch (const YAML::Exception& e) {
        throw ScenarioError(name + ": " + e.what());
    }
    return std::move(p.sc);
}

Scenario LoadScenario(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ScenarioError(path + ": cannot be read");
    std::stringstream ss;
    ss << in.rdbuf();
    return ParseScenario(ss.str(), path);
}

}  // namespace qor::host::form

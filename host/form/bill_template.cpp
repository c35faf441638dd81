#include "host/form/bill_template.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>

#include "host/form/expression.h"
#include "host/form/yaml_util.h"

namespace qor::host::form {

namespace fs = std::filesystem;

const char* FieldTypeName(FieldType t) {
    switch (t) {
        case FieldType::Text:
            return "text";
        case FieldType::Number:
            return "number";
        case FieldType::Integer:
            return "integer";
        case FieldType::Date:
            return "date";
        case FieldType::Bool:
            return "bool";
    }
    return "text";
}

const FieldTemplate* BillTemplate::Field(const std::string& key, int preferPage) const {
    const FieldTemplate* found = nullptr;
    for (const auto& f : fields) {
        if (!IEquals(f.key, key)) continue;
        if (f.page == preferPage) return &f;
        if (!found || (found->page != 1 && f.page == 1)) found = &f;
    }
    return found;
}

std::vector<const FieldTemplate*> BillTemplate::PageFields(int page) const {
    std::vector<const FieldTemplate*> out;
    for (const auto& f : fields)
        if (f.page == page) out.push_back(&f);
    return out;
}

const ToolTemplate* BillTemplate::Tool(const std::string& key) const {
    for (const auto& t : tools)
        if (IEquals(t.key, key)) return &t;
    return nullptr;
}

std::optional<BaseSource> KnownSource(const std::string& name) {
    BaseSource s;
    s.name = name;
    std::string n = Upper(name);
    if (n == "CUSTOMER" || n == "SUPPLIER") {
        s.table = "t_Organization";
    } else if (n == "ITEM") {
        s.table = "t_ICItem";
        s.itemProperties = true;
    } else if (n == "UNIT") {
        s.table = "t_MeasureUnit";
        s.itemProperties = true;
    } else if (n == "STOCK") {
        s.table = "t_Stock";
        s.itemProperties = true;
    } else if (n == "EMP") {
        s.table = "t_Emp";
    } else if (n == "DEPT") {
        s.table = "t_Department";
    } else if (n == "AUXPROP") {
        s.table = "t_AuxItem";
    } else if (n == "CALTYPE") {
        s.table = "t_CalType";
    } else if (n == "BILLTYPE") {
        s.table = "t_BaseBillTypeData";
        s.idColumn = "FID";
        s.sourceType = 2;
    } else if (n == "SETTLE") {
        s.table = "t_Settle";
    } else if (n == "SETTLEACCT") {
        s.table = "t_SettleAcct";
    } else if (n == "ACCOUNT") {
        s.table = "t_account";
        s.idColumn = "FAccountID";
    } else {
        return std::nullopt;
    }
    return s;
}

namespace {

using yaml::Fail;

struct Loader {
    std::string file;
    BillTemplate t;
    std::set<std::string> keys;  // upper-cased field keys seen
    std::set<int32_t> ids;       // field identifiers given
    int nextFieldId = 1;
    int depth = 0;  // templates extended on the way here

    FieldType ReadType(const YAML::Node& n) {
        std::string s = Upper(yaml::Text(file, n, "type"));
        if (s.empty() || s == "TEXT") return FieldType::Text;
        if (s == "NUMBER") return FieldType::Number;
        if (s == "INTEGER" || s == "ID") return FieldType::Integer;
        if (s == "DATE") return FieldType::Date;
        if (s == "BOOL") return FieldType::Bool;
        Fail(file, n,
             "unknown field type \"" + n.Scalar() + "\" (text, number, integer, date or bool)");
    }

    FieldAction ReadAction(const std::string& where, const YAML::Node& n,
                           const std::string& suffix) {
        FieldAction a;
        YAML::Node exprNode;
        if (n.IsSequence()) {
            if (n.size() != 3) Fail(where, n, "an action is [kind, type, expression]");
            a.kind = yaml::Text(where, n[0], "action kind");
            a.type = yaml::Text(where, n[1], "action type");
            exprNode = n[2];
        } else if (n.IsMap()) {
            yaml::CheckKeys(where, n, {"kind", "type", "expr"}, "an action");
            a.kind = n["kind"] ? yaml::Text(where, n["kind"], "action kind") : "FAction";
            a.type = yaml::Text(where, n["type"], "action type");
            exprNode = n["expr"];
        } else {
            Fail(where, n, "an action is [kind, type, expression] or {kind, type, expr}");
        }
        a.expression = yaml::Text(where, exprNode, "action expression");
        if (!suffix.empty()) a.expression = SuffixFieldKeys(a.expression, suffix);
        if (a.kind != "FAction" && a.kind != "FLoadAction")
            Fail(where, n, "the action kind is FAction or FLoadAction, not \"" + a.kind + "\"");
        try {
            if (a.type == "Calculate")
                ParseFormula(a.expression);
            else if (a.type == "LockField")
                ParseLockCondition(a.expression);
            else
                Fail(where, n, "the action type is Calculate or LockField, not \"" + a.type + "\"");
        } catch (const ExpressionError& e) {
            Fail(where, exprNode, e.what());
        }
        return a;
    }

    void ReadField(const std::string& where, const YAML::Node& n, int page,
                   const std::string& suffix) {
        yaml::CheckKeys(where, n,
                        {"key", "caption", "type", "visible", "lock", "default", "column", "stored",
                         "source", "actions", "ctl", "id"},
                        "a field");
        FieldTemplate f;
        f.page = page;
        f.key = yaml::Text(where, n["key"], "key") + suffix;
        if (Trim(f.key).empty()) Fail(where, n, "a field needs a key");
        if (!keys.insert(std::to_string(page) + Upper(f.key)).second)
            Fail(where, n["key"], "duplicate field " + f.key);
        f.caption = n["caption"] ? yaml::Text(where, n["caption"], "caption") : f.key;
        if (!suffix.empty() && n["caption"]) f.caption += suffix;
        f.type = n["type"] ? ReadType(n["type"]) : FieldType::Text;
        if (n["visible"]) f.visible = yaml::Bool(where, n["visible"], "visible");
        if (n["lock"]) f.lock = yaml::Bool(where, n["lock"], "lock");
        if (n["default"]) f.defaultValue = yaml::ToValue(n["default"]);
        f.column = n["column"] ? yaml::Text(where, n["column"], "column") + suffix : f.key;
        if (n["stored"]) f.stored = yaml::Bool(where, n["stored"], "stored");
        if (n["source"]) {
            std::string name = yaml::Text(where, n["source"], "source");
            f.source = KnownSource(name);
            if (!f.source) Fail(where, n["source"], "unknown base-data source \"" + name + "\"");
            if (!n["type"]) f.type = FieldType::Integer;
            f.ctlType = 1;
        }
        if (f.type == FieldType::Date) f.ctlType = 2;
        if (f.type == FieldType::Bool) f.ctlType = 3;
        if (n["ctl"]) f.ctlType = static_cast<int>(yaml::Integer(where, n["ctl"], "ctl"));
        if (n["actions"]) {
            if (!n["actions"].IsSequence()) Fail(where, n["actions"], "actions must be a list");
            for (const auto& a : n["actions"]) f.actions.push_back(ReadAction(where, a, suffix));
        }
        // The identifier the host's field information (ICClassTableInfo) knows the field by,
        // else one made from the class type and the field's place.
        f.id = n["id"] ? static_cast<int32_t>(yaml::Integer(where, n["id"], "id"))
                       : t.classTypeID % 100000 * 1000 + nextFieldId;
        ++nextFieldId;
        if (!ids.insert(f.id).second)
            Fail(where, n["id"] ? n["id"] : n["key"],
                 "the field identifier " + std::to_string(f.id) + " of " + f.key +
                     " is already another field's");
        t.fields.push_back(std::move(f));
    }

    void ReadFields(const std::string& where, const YAML::Node& list, int page,
                    const std::string& suffix, int depth) {
        if (!list.IsSequence()) Fail(where, list, "the fields must be a list");
        for (const auto& item : list) {
            if (item.IsMap() && item["include"]) {
                yaml::CheckKeys(where, item, {"include", "suffix"}, "an include");
                if (depth > 4) Fail(where, item, "includes nest too deep");
                std::string part = yaml::Text(where, item["include"], "include");
                std::string sfx =
                    suffix + (item["suffix"] ? yaml::Text(where, item["suffix"], "suffix") : "");
                std::string path =
                    (fs::path(file).parent_path() / "parts" / (part + ".yaml")).string();
                if (!fs::exists(path)) Fail(where, item["include"], "no part file " + path);
                YAML::Node node = yaml::LoadFile(path);
                ReadFields(path, node, page, sfx, depth + 1);
                continue;
            }
            ReadField(where, item, page, suffix);
        }
    }

    // A template that extends another: the other's bill with its own kind, title, bill number
    // prefix, fixed columns added and field defaults replaced (the web-order list is the sales
    // order's bill with bill type 3032).
    void Extend(const YAML::Node& root) {
        yaml::CheckKeys(file, root,
                        {"extends", "kind", "title", "billNoPrefix", "fixedColumns", "defaults"},
                        "a template that extends another");
        std::string base = yaml::Text(file, root["extends"], "extends");
        std::string path = (fs::path(file).parent_path() / (base + ".yaml")).string();
        if (!fs::exists(path)) Fail(file, root["extends"], "no template file " + path);
        if (depth > 4) Fail(file, root["extends"], "templates extend each other too deep");
        Loader l;
        l.file = path;
        l.depth = depth + 1;
        l.Load();
        t = std::move(l.t);
        t.file = file;
        t.kind = yaml::Text(file, root["kind"], "kind");
        if (t.kind.empty()) Fail(file, root, "the template needs a kind");
        if (root["title"]) t.title = yaml::Text(file, root["title"], "title");
        if (root["billNoPrefix"])
            t.billNoPrefix = yaml::Text(file, root["billNoPrefix"], "billNoPrefix");
        if (YAML::Node fixed = root["fixedColumns"]) {
            if (!fixed.IsMap()) Fail(file, fixed, "fixedColumns must be a map");
            for (auto it = fixed.begin(); it != fixed.end(); ++it)
                t.fixedColumns[it->first.Scalar()] = yaml::ToValue(it->second);
        }
        if (YAML::Node defaults = root["defaults"]) {
            if (!defaults.IsMap()) Fail(file, defaults, "defaults must map field keys to values");
            for (auto it = defaults.begin(); it != defaults.end(); ++it) {
                bool found = false;
                for (auto& f : t.fields)
                    if (IEquals(f.key, it->first.Scalar())) {
                        f.defaultValue = yaml::ToValue(it->second);
                        found = true;
                    }
                if (!found) Fail(file, it->first, it->first.Scalar() + " is no field of " + base);
            }
        }
    }

    void Load() {
        YAML::Node root = yaml::LoadFile(file);
        if (root.IsMap() && root["extends"]) {
            Extend(root);
            return;
        }
        yaml::CheckKeys(
            file, root,
            {"kind", "title", "progId", "classTypeID", "billNoPrefix", "headerTable", "entryTable",
             "fixedColumns", "keyField", "initialRows", "statusPanels", "sources",
             "sourceHeaderFields", "unstored", "header", "entries", "tools", "bands"},
            "a template");
        t.file = file;
        t.kind = yaml::Text(file, root["kind"], "kind");
        if (t.kind.empty()) Fail(file, root, "the template needs a kind");
        t.title = yaml::Text(file, root["title"], "title");
        t.progId = yaml::Text(file, root["progId"], "progId");
        t.classTypeID =
            static_cast<int32_t>(yaml::Integer(file, root["classTypeID"], "classTypeID"));
        t.billNoPrefix = yaml::Text(file, root["billNoPrefix"], "billNoPrefix");
        t.headerTable = yaml::Text(file, root["headerTable"], "headerTable");
        t.entryTable = yaml::Text(file, root["entryTable"], "entryTable");
        if (t.headerTable.empty() || t.entryTable.empty())
            Fail(file, root, "the template needs headerTable and entryTable");
        if (root["fixedColumns"]) {
            if (!root["fixedColumns"].IsMap())
                Fail(file, root["fixedColumns"], "fixedColumns must be a map");
            for (auto it = root["fixedColumns"].begin(); it != root["fixedColumns"].end(); ++it)
                t.fixedColumns[it->first.Scalar()] = yaml::ToValue(it->second);
        }
        if (root["keyField"]) t.keyField = yaml::Text(file, root["keyField"], "keyField");
        if (root["initialRows"])
            t.initialRows =
                static_cast<int>(yaml::Integer(file, root["initialRows"], "initialRows"));
        if (root["statusPanels"])
            t.statusPanels =
                static_cast<int>(yaml::Integer(file, root["statusPanels"], "statusPanels"));
        if (root["sources"]) {
            for (const auto& s : root["sources"])
                t.sourceClasses.push_back(
                    static_cast<int32_t>(yaml::Integer(file, s, "source class")));
        }
        if (root["sourceHeaderFields"]) {
            for (const auto& s : root["sourceHeaderFields"])
                t.sourceHeaderFields.push_back(yaml::Text(file, s, "source header field"));
        }
        if (root["header"]) ReadFields(file, root["header"], 1, "", 0);
        if (root["entries"]) ReadFields(file, root["entries"], 2, "", 0);
        if (root["unstored"]) {
            for (const auto& n : root["unstored"]) {
                std::string key = yaml::Text(file, n, "unstored field");
                bool found = false;
                for (auto& f : t.fields)
                    if (IEquals(f.key, key)) {
                        f.stored = false;
                        found = true;
                    }
                if (!found) Fail(file, n, "unstored names " + key + ", which is no field");
            }
        }
        if (!t.Field(t.keyField)) Fail(file, root, "the key field " + t.keyField + " is no field");
        for (const auto& f : t.fields)
            for (const auto& a : f.actions) {
                auto check = [&](const std::string& key) {
                    if (!t.Field(key))
                        throw TemplateError(file + ": the action \"" + a.expression + "\" of " +
                                            f.key + " names " + key + ", which is no field");
                };
                if (a.type == "Calculate") {
                    for (const auto& asg : ParseFormula(a.expression)) {
                        check(asg.target);
                        for (const auto& k : asg.expression.Fields()) check(k);
                    }
                } else {
                    auto lc = ParseLockCondition(a.expression);
                    for (const auto& k : lc.condition.Fields()) check(k);
                    if (!lc.whenTrue.field.empty()) check(lc.whenTrue.field);
                    if (!lc.whenFalse.field.empty()) check(lc.whenFalse.field);
                }
            }
        if (root["tools"]) {
            for (const auto& n : root["tools"]) {
                ToolTemplate tool;
                if (n.IsScalar()) {
                    tool.key = n.Scalar();
                    tool.caption = tool.key;
                } else {
                    yaml::CheckKeys(file, n, {"key", "caption", "visible", "enabled", "checked"},
                                    "a tool");
                    tool.key = yaml::Text(file, n["key"], "tool key");
                    tool.caption =
                        n["caption"] ? yaml::Text(file, n["caption"], "caption") : tool.key;
                    if (n["visible"]) tool.visible = yaml::Bool(file, n["visible"], "visible");
                    if (n["enabled"]) tool.enabled = yaml::Bool(file, n["enabled"], "enabled");
                    if (n["checked"]) tool.checked = yaml::Bool(file, n["checked"], "checked");
                }
                if (t.Tool(tool.key)) Fail(file, n, "duplicate tool " + tool.key);
                t.tools.push_back(tool);
            }
        }
        if (root["bands"]) {
            if (!root["bands"].IsMap()) Fail(file, root["bands"], "bands must be a map");
            for (auto it = root["bands"].begin(); it != root["bands"].end(); ++it) {
                BandTemplate band;
                band.key = it->first.Scalar();
                // Held by value: the iterator's proxy would not outlive the loop header.
                const YAML::Node tools = it->second;
                for (const auto& tk : tools) {
                    std::string key = yaml::Text(file, tk, "tool key");
                    if (!t.Tool(key))
                        Fail(file, tk, "the band " + band.key + " names the unknown tool " + key);
                    band.tools.push_back(key);
                }
                t.bands.push_back(band);
            }
        }
    }
};

}  // namespace

BillTemplate LoadTemplate(const std::string& path) {
    Loader l;
    l.file = path;
    try {
        l.Load();
    } catch (const yaml::YamlError& e) {
        throw TemplateError(e.what());
    } catch (const YAML::Exception& e) {
        throw TemplateError(path + ": " + e.what());
    }
    return std::move(l.t);
}

std::string TemplateDirectory() {
    if (const char* env = std::getenv("QOR_TEMPLATE_DIR")) return env;
    if (const char* env = std::getenv("QOR_SOURCE_DIR"))
        return (fs::path(env) / "host" / "templates").string();
#ifdef QOR_SOURCE_DIR
    return (fs::path(QOR_SOURCE_DIR) / "host" / "templates").string();
#else
    return "host/templates";
#endif
}

const std::map<std::string, BillTemplate>& Templates() {
    static std::map<std::string, BillTemplate> all;
    static std::once_flag once;
    std::call_once(once, [] {
        std::error_code ec;
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(TemplateDirectory(), ec))
            if (e.path().extension() == ".yaml") files.push_back(e.path());
        if (ec) throw TemplateError(TemplateDirectory() + ": " + ec.message());
        for (const auto& f : files) {
            BillTemplate t = LoadTemplate(f.string());
            std::string kind = t.kind;
            all.emplace(kind, std::move(t));
        }
    });
    return all;
}

const BillTemplate* FindTemplate(const std::string& nameOrClass) {
    for (const auto& [kind, t] : Templates()) {
        if (IEquals(kind, nameOrClass) || IEquals(t.progId, nameOrClass) ||
            IEquals(t.progId, std::string("QOR_XS_PlugIns.") + nameOrClass) ||
            std::to_string(t.classTypeID) == Trim(nameOrClass))
            return &t;
    }
    return nullptr;
}

}  // namespace qor::host::form

// Bill templates: what the reference host knows of each bill kind it can open. A template is a
// data file (host/templates/<kind>.yaml) giving the class type, the plug-in class, the header and
// entry tables, the fields (key, caption, page, type, visibility, lock, default, base-data
// source, stored column) with their host actions, the menu bands with the host's own tools, the
// status-bar panels and the source bills that can be drawn in. A template may instead extend
// another ("extends: order"): the same bill under its own kind and title, with fixed columns
// added and field defaults replaced (the web-order list of the sales order).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "frame/value.h"

namespace qor::host::form {

// A template file that cannot be read: the message names the file and line.
class TemplateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class FieldType { Text, Number, Integer, Date, Bool };
const char* FieldTypeName(FieldType t);

// A field action as the host runs it: kind "FAction" (when the field changes or a plug-in asks)
// or "FLoadAction" (when a row is loaded, copied or filled from a source), type "Calculate"
// (a formula) or "LockField" (a lock condition).
struct FieldAction {
    std::string kind;
    std::string type;
    std::string expression;
};

// Where a base-data field's records live: the host looks the chosen identifier up for its
// number ("FFND") and name ("FDSP"), and finds an identifier from a typed number.
struct BaseSource {
    std::string name;   // "customer", "item", ...
    std::string table;  // "t_Organization"
    std::string idColumn = "FItemID";
    std::string numberColumn = "FNumber";
    std::string nameColumn = "FName";
    int sourceType = 1;           // the host's FSourceType of the field
    bool itemProperties = false;  // the record is the "ME" of the field's actions
};

struct FieldTemplate {
    // The field's identifier in the table information (FID): the one the template gives (as
    // the host's field information ICClassTableInfo knows it), else made from the class type
    // and the field's place.
    int32_t id = 0;
    std::string key;
    std::string caption;
    int page = 1;  // 1 header, 2 entries
    FieldType type = FieldType::Text;
    bool visible = true;
    bool lock = false;
    Value defaultValue;  // "@today" is the date of the day the bill is made
    std::string column;  // the stored column (the key unless given)
    bool stored = true;
    std::optional<BaseSource> source;
    std::vector<FieldAction> actions;
    int ctlType = 0;  // 0 text box, 1 base-data box, 2 date box, 3 check box
};

struct ToolTemplate {
    std::string key;
    std::string caption;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
};

struct BandTemplate {
    std::string key;
    std::vector<std::string> tools;
};

struct BillTemplate {
    std::string file;    // where it was read from
    std::string kind;    // "sale"
    std::string title;   // "销售单"
    std::string progId;  // "QOR_XS_PlugIns.BillEvent_Sale"
    int32_t classTypeID = 0;
    std::string billNoPrefix;
    std::string headerTable;
    std::string entryTable;
    // Header columns every bill of the kind carries (for example FIsInit 1 on opening bills);
    // written on save, and required when a bill is loaded or listed.
    std::map<std::string, Value> fixedColumns;
    std::string keyField = "FItemID";  // an entry row is filled when this field is not 0
    int initialRows = 1;
    int statusPanels = 4;
    std::vector<int32_t> sourceClasses;           // class types selectSources may draw from
    std::vector<std::string> sourceHeaderFields;  // header fields taken from the first source
    // Fields of included parts that this bill keeps only on the form (its tables lack them).
    std::vector<std::string> unstored;
    std::vector<FieldTemplate> fields;
    std::vector<ToolTemplate> tools;
    std::vector<BandTemplate> bands;

    // The field with that key (any letter case); a key used on both the header and the entries
    // gives the one of preferPage (1 header, 2 entries) when there is one, else the header's.
    const FieldTemplate* Field(const std::string& key, int preferPage = 0) const;
    std::vector<const FieldTemplate*> PageFields(int page) const;
    const ToolTemplate* Tool(const std::string& key) const;
};

// The predefined base-data sources by name ("customer", "supplier", "item", "unit", "stock",
// "emp", "dept", "auxprop", "caltype", "billtype", "settle", "settleacct", "account").
std::optional<BaseSource> KnownSource(const std::string& name);

// Reads one template file; TemplateError with file and line for anything wrong (unknown field
// type, a formula or lock condition that cannot be parsed, a duplicate key, a band naming a
// tool that is not defined).
BillTemplate LoadTemplate(const std::string& path);

// The folder of the templates: $QOR_TEMPLATE_DIR, else <source dir>/host/templates.
std::string TemplateDirectory();
// All templates of the folder by kind; TemplateError when one cannot be read.
const std::map<std::string, BillTemplate>& Templates();
// A template by kind ("sale"), by class name ("BillEvent_Sale") or by class type
// ("1030002"); null when none matches.
const BillTemplate* FindTemplate(const std::string& nameOrClass);

}  // namespace qor::host::form

#include "services/system_options.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>

#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/platform.h"
#include "frame/trap.h"
#include "services/common.h"

namespace qor {

// ---- Options and rights -----------------------------------------------------------------------

std::string GetSystemProfileValue(const std::string& key, const std::string& category,
                                  const std::string& fallback) {
    auto& gateway = DataGateway::Instance();
    const std::string question = "SystemProfile\n" + Upper(category) + "\n" + Upper(key);
    try {
        Value v;
        if (auto known = gateway.Remembered(question)) {
            v = *known;
        } else {
            auto profile = CreateHostObject<IComponent>("QOREBSBase.SystemProfile");
            v = profile->Call("GetProfile", {GetPropsString(), category, key});
            gateway.Remember(question, v);
        }
        if (v.IsBlank()) return fallback;
        return v.ToString();
    } catch (...) {
        NoteTrapped("GetSystemProfileValue");
        return fallback;
    }
}

bool CheckAccessRight(const std::string& propsString, int objectType, int objectID, int access,
                      const std::string& callerName) {
    try {
        auto security = CreateHostObject<IComponent>("QOREBSBase.SecurityInfo");
        return security
            ->Call("AccessCheck", {propsString, objectType, objectID, access, true, callerName})
            .ToBool();
    } catch (...) {
        NoteTrapped("CheckAccessRight");
        return false;
    }
}

bool IsAllowZeroPriceSave() {
    return Value(GetSystemProfileValue("AllowZeroPriceSave", "IC")).ToBool();
}

// ---- Field definitions ------------------------------------------------------------------------

std::vector<std::string> SplitKeys(const std::string& keys) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= keys.size()) {
        size_t comma = keys.find(',', start);
        if (comma == std::string::npos) comma = keys.size();
        std::string key = Trim(std::string_view(keys).substr(start, comma - start));
        if (!key.empty()) out.push_back(std::move(key));
        start = comma + 1;
    }
    return out;
}

namespace {

// The definitions of one grid or header page: BillEntrys() holds the grids from the first entry
// grid on, BillHeads() the header pages from the header on.
CollectionPtr PageDefinitions(const CollectionPtr& pages, int position) {
    if (!pages || position < 1 || static_cast<size_t>(position) > pages->Count()) return nullptr;
    return pages->ItemAt(static_cast<size_t>(position)).As<Collection>();
}
CollectionPtr GridDefinitions(IBillForm& bill, Page page) {
    return PageDefinitions(bill.BillEntrys(), page - kEntryPage + 1);
}
CollectionPtr HeaderDefinitions(IBillForm& bill, Page page) {
    return PageDefinitions(bill.BillHeads(), page - kHeaderPage + 1);
}

// Sets one property on the definition of each listed field of the page.
void SetFieldsProperty(const CollectionPtr& grid, const std::string& keys,
                       const std::string& property, bool value) {
    auto fields = grid ? grid->Sub("BOSFields") : nullptr;
    if (!fields) return;
    for (const auto& key : SplitKeys(keys)) {
        if (auto def = fields->Sub(key)) def->Set(property, value);
    }
}

// The cell's definition and data, when both exist.
struct Cell {
    CollectionPtr def;
    CollectionPtr data;
};
Cell FindCell(IBillForm& bill, const std::string& key, int row) {
    Cell cell;
    cell.def = bill.GetFieldInfoByKey(key, "", 0);
    if (cell.def) cell.data = bill.GetDataFld(cell.def, row);
    return cell;
}

constexpr double kMaxGridRows = 100000;

// The rows of the grid whose key field is not 0, in order; every row when allRows or when the
// grid has no key field. Also gives the page's size.
std::vector<int> FilledRows(IBillForm& bill, Page page, bool allRows) {
    std::vector<int> rows;
    int size = 0;
    if (auto data = bill.BillData()) {
        if (auto pageData = data->Sub("Page" + std::to_string(page))) {
            // A broken size (negative, huge) reads as no rows rather than a runaway loop.
            const double n = pageData->Get("Size").ToNumber();
            size = (n > 0 && n <= kMaxGridRows) ? static_cast<int>(n) : 0;
        }
    }
    std::string keyField;
    if (auto grid = GridDefinitions(bill, page)) {
        keyField = Trim(grid->Get("KeyField").ToString());
    }
    for (int r = 1; r <= size; ++r) {
        if (allRows || keyField.empty() || bill.GetFieldValue(keyField, r, page).ToNumber() != 0) {
            rows.push_back(r);
        }
    }
    return rows;
}

}  // namespace

void SetEntryFieldsVisible(IBillForm& bill, const std::string& keys, bool visible, Page page) {
    Trapped("SetEntryFieldsVisible",
            [&] { SetFieldsProperty(GridDefinitions(bill, page), keys, "Visible", visible); });
}

void SetHeadFieldsVisible(IBillForm& bill, const std::string& keys, bool visible, Page page) {
    Trapped("SetHeadFieldsVisible",
            [&] { SetFieldsProperty(HeaderDefinitions(bill, page), keys, "Visible", visible); });
}

void SetEntryFieldsLock(IBillForm& bill, const std::string& keys, Page page) {
    Trapped("SetEntryFieldsLock",
            [&] { SetFieldsProperty(GridDefinitions(bill, page), keys, "FieldLock", true); });
}

void SetEntryFieldsLock2(IBillForm& bill, const std::string& keys, Page page) {
    Trapped("SetEntryFieldsLock2",
            [&] { SetFieldsProperty(GridDefinitions(bill, page), keys, "FieldLock", false); });
}

void SetEntryFieldsVisible2(IBillForm& bill, const std::string& keys, Page page) {
    SetEntryFieldsVisible(bill, keys, true, page);
}

// ---- Rows and cells ---------------------------------------------------------------------------

int GetEntryRowCount(IBillForm& bill, Page page, bool allRows) {
    return Trapped("GetEntryRowCount", 0, [&] {
        auto rows = FilledRows(bill, page, allRows);
        return rows.empty() ? 0 : rows.back();
    });
}

bool FindEntryRow(IBillForm& bill, Page page, const std::string& key) {
    return Trapped("FindEntryRow", false, [&] {
        for (int r : FilledRows(bill, page, false)) {
            if (bill.GetFieldValue(key, r, page).ToNumber() > 0) return true;
        }
        return false;
    });
}

Value GetLookupData(IBillForm& bill, const std::string& key, int row, const std::string& item,
                    const Value& fallback) {
    try {
        auto cell = FindCell(bill, key, row);
        if (cell.data && cell.data->Exists(item)) return cell.data->Item(item);
    } catch (...) {
        NoteTrapped("GetLookupData");
    }
    return fallback;
}

bool LockEntryCell(IBillForm& bill, const std::string& key, bool lock, bool resetModify,
                   int modifyValue, int row) {
    try {
        auto cell = FindCell(bill, key, row);
        auto ctl = bill.BillCtl();
        if (!cell.def || !ctl) return false;
        if (resetModify && cell.data) {
            bill.SetText(cell.def, cell.data->Get("FDSP").ToString(), row);
            cell.data->Set("FModify", modifyValue);
        }
        ctl->LockCell(cell.def, row, lock);
        return true;
    } catch (...) {
        NoteTrapped("LockEntryCell");
        return false;
    }
}

bool DoFieldAction(IBillForm& bill, const std::string& key, int row, bool setModify) {
    try {
        auto cell = FindCell(bill, key, row);
        auto ctl = bill.BillCtl();
        if (!cell.def || !ctl) return false;
        if (setModify && cell.data) cell.data->Set("FModify", 1);
        ctl->DoAction(cell.def, cell.data, row);
        return true;
    } catch (...) {
        NoteTrapped("DoFieldAction");
        return false;
    }
}

bool IsFieldLocked(IBillForm& bill, const std::string& key, int row) {
    try {
        auto def = bill.GetFieldInfoByKey(key, "", 0);
        auto ctl = bill.BillCtl();
        return def && ctl && ctl->IsFieldLockRunTime(def, row);
    } catch (...) {
        NoteTrapped("IsFieldLocked");
        return false;
    }
}

void ClearPageModifyFlags(IBillForm& bill) {
    try {
        auto data = bill.BillData();
        if (!data) return;
        auto clearCells = [](const Collection& cells) {
            for (const auto& [key, item] : cells) {
                if (auto cell = item.As<Collection>()) cell->Set("FModify", 0);
            }
        };
        if (auto header = data->Sub("Page1")) clearCells(*header);
        for (const char* name : {"Page2", "Page3"}) {
            auto page = data->Sub(name);
            if (!page) continue;
            for (const auto& [key, item] : *page) {
                if (auto rowCells = item.As<Collection>()) clearCells(*rowCells);
            }
        }
    } catch (...) {
        NoteTrapped("ClearPageModifyFlags");
    }
}

// ---- Price and tax rights ---------------------------------------------------------------------

namespace {

struct PriceLists {
    const char* shortList;
    const char* longList;
};

// The price columns by class type (grid 1), and the child grid of the assembly bills.
const std::map<int, PriceLists>& PriceListTable() {
    static const std::map<int, PriceLists> table = {
        {ct::kPurchaseBill,
         {"FSecPrice,FPrice,FDiscountRate,FPriceDiscount,FTaxPrice,FTaxAmount,FInTaxAmount,"
          "FAmount,FCostPrice,FCostAmount,FDiscountAmount,FInvoiceAmt,FNoInvoiceAmt",
          "FBasePrice,FPrice,FSecPrice,FDiscountRate,FPriceDiscount,FBasePriceDiscount,"
          "FSecPriceDiscount,FTaxPrice,FBaseTaxPrice,FSecTaxPrice,FTaxAmount,FInTaxAmount,"
          "FAmount,FCostPrice,FCostAmount,FDisplayPrice,FDiscountAmount,FInvoiceAmt,"
          "FNoInvoiceAmt"}},
        {ct::kPurchaseBill2,
         {"FSecPrice,FPrice,FAmount", "FPrice,FBasePrice,FSecPrice,FAmount,FDisplayPrice"}},
        {ct::kSalesOrder,
         {"FSecPrice,FPrice,FIncludeTaxPrice,FDiscountRate,FPriceDiscount,FTaxPrice,FTaxAmount,"
          "FInTaxAmount,FAmount,FDiscountAmount,FNoDiscAmount,FWebBillAmount",
          "FBasePrice,FPrice,FSecPrice,FDiscountRate,FPriceDiscount,FBasePriceDiscount,"
          "FSecPriceDiscount,FTaxPrice,FBaseTaxPrice,FSecTaxPrice,FTaxAmount,FInTaxAmount,"
          "FAmount,FDisplayPrice,FDiscountAmount,FNoDiscAmount,FWebBillAmount"}},
        {ct::kSalesBill,
         {"FSecPrice,FPrice,FIncludeTaxPrice,FDiscountRate,FPriceDiscount,FTaxPrice,FTaxAmount,"
          "FInTaxAmount,FAmount,FDiscountAmount,FNoDiscAmount,FInvoiceAmt,FNoInvoiceAmt",
          "FBasePrice,FPrice,FSecPrice,FDiscountRate,FPriceDiscount,FBasePriceDiscount,"
          "FSecPriceDiscount,FTaxPrice,FBaseTaxPrice,FSecTaxPrice,FTaxAmount,FInTaxAmount,"
          "FAmount,FDisplayPrice,FDiscountAmount,FNoDiscAmount,FInvoiceAmt,FNoInvoiceAmt"}},
        {ct::kConsignBill,
         {"FSecPrice,FPrice,FIncludeTaxPrice,FDiscountRate,FPriceDiscount,FTaxPrice,FTaxAmount,"
          "FInTaxAmount,FAmount,FDiscountAmount",
          "FBasePrice,FPrice,FSecPrice,FDiscountRate,FPriceDiscount,FBasePriceDiscount,"
          "FSecPriceDiscount,FTaxPrice,FBaseTaxPrice,FSecTaxPrice,FTaxAmount,FInTaxAmount,"
          "FAmount,FDisplayPrice,FDiscountAmount"}},
        {ct::kStockInBill,
         {"FPrice,FDisplayPrice,FAmount", "FPrice,FDisplayPrice,FBasePrice,FSecPrice,FAmount"}},
        {ct::kTransferIn, {"FPrice,FAmount", "FBasePrice,FPrice,FSecPrice,FAmount"}},
        {ct::kTransferOut, {"FPrice,FAmount", "FPrice,FBasePrice,FSecPrice,FAmount"}},
        {ct::kAssemblyIn,
         {"FPrice,FDisplayPrice,FAmount", "FBasePrice,FPrice,FDisplayPrice,FSecPrice,FAmount"}},
        {ct::kAssemblyOut,
         {"FPrice,FDisplayPrice,FAmount", "FBasePrice,FPrice,FDisplayPrice,FSecPrice,FAmount"}},
        {ct::kInOutPriceBill,
         {"FInPrice,FDisplayInPrice,FInAmount",
          "FBaseInPrice,FInPrice,FDisplayInPrice,FSecInPrice,FInAmount"}},
    };
    return table;
}

const PriceLists kAssemblyChildLists = {"FPrice1,FDisplayPrice1,FAmount1",
                                        "FBasePrice1,FPrice1,FDisplayPrice1,FSecPrice1,FAmount1"};

bool IsAssembly(int classTypeID) {
    return classTypeID == ct::kAssemblyIn || classTypeID == ct::kAssemblyOut;
}

// Class types whose header carries price fields of the list (the invoice amounts).
bool HidesHeaderPrices(int classTypeID) {
    return classTypeID == ct::kPurchaseBill || classTypeID == ct::kSalesBill;
}

}  // namespace

std::string PriceFieldList(int classTypeID, bool industry, Page grid) {
    const PriceLists* lists = nullptr;
    if (grid == kSecondEntryPage) {
        if (IsAssembly(classTypeID)) lists = &kAssemblyChildLists;
    } else if (grid == kEntryPage) {
        auto it = PriceListTable().find(classTypeID);
        if (it != PriceListTable().end()) lists = &it->second;
    }
    if (!lists) return "";
    return industry ? lists->longList : lists->shortList;
}

std::vector<std::string> ApplyPriceFieldRights(IBillForm& bill, const std::string& propsString,
                                               int classTypeID, bool lockInstead,
                                               const std::vector<int>& rightIDs,
                                               const std::string& callerName) {
    std::vector<std::string> treated;
    Trapped("ApplyPriceFieldRights", [&] {
        if (GetAppType() < 2) return;
        if (classTypeID == 0) classTypeID = bill.FID();
        const bool industry = IsIndustryEdition();
        const std::string list = PriceFieldList(classTypeID, industry);
        if (list.empty()) return;
        const bool allowed = std::all_of(rightIDs.begin(), rightIDs.end(), [&](int right) {
            return CheckAccessRight(propsString, 15, right, 32, callerName);
        });
        if (allowed) return;

        auto treat = [&](const std::string& keys, Page grid) {
            if (keys.empty()) return;
            if (lockInstead) {
                SetEntryFieldsLock(bill, keys, grid);
            } else {
                SetEntryFieldsVisible(bill, keys, false, grid);
            }
            for (auto& key : SplitKeys(keys)) treated.push_back(std::move(key));
        };
        treat(list, kEntryPage);
        treat(PriceFieldList(classTypeID, industry, kSecondEntryPage), kSecondEntryPage);
        if (HidesHeaderPrices(classTypeID)) SetHeadFieldsVisible(bill, list, false);
    });
    return treated;
}

CollectionPtr ApplyTaxFieldRights(const std::string& propsString, IBillForm& bill,
                                  bool collectOnly) {
    static const std::map<int, int> kTaxRightByClass = {
        {ct::kSalesOrder, 2030}, {ct::kSalesBill, 2040}, {ct::kConsignBill, 2050}};
    static const char* kTaxFields =
        "FSecPrice,FPrice,FTaxRate,FTaxAmount,FIncludeTaxPrice,FPriceDiscount,FTaxPrice,FAmount,"
        "FInTaxAmount,FDiscountRate,FDiscountAmount";
    auto collected = Collection::Make();
    Trapped("ApplyTaxFieldRights", [&] {
        auto it = kTaxRightByClass.find(bill.FID());
        if (it == kTaxRightByClass.end()) return;
        if (CheckAccessRight(propsString, 15, it->second, 32, "")) return;
        for (const auto& key : SplitKeys(kTaxFields)) collected->Set(key, key);
        if (!collectOnly) SetEntryFieldsLock(bill, kTaxFields);
    });
    return collected;
}

// ---- Base-data texts and the operator -----------------------------------------------------------

namespace {

// A table or column name taken from a field definition: letters, digits, "_", "." and "#".
bool IsPlainName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '_' || c == '.' || c == '#';
    });
}

bool IsOrganizationKey(const std::string& key) {
    static const char* kKeys[] = {"FCUSTID", "FSUPPLYID", "FCUSTOMER", "FCOMID"};
    const std::string upper = Upper(key);
    return std::any_of(std::begin(kKeys), std::end(kKeys),
                       [&](const char* k) { return upper == k; });
}

// Writes value to the field unless keepFilled and the field already holds something.
void WriteUnlessFilled(IBillForm& bill, const std::string& key, const std::string& value,
                       bool keepFilled) {
    if (keepFilled && !Trim(bill.GetFieldValue(key).ToString()).empty()) return;
    bill.SetFieldValue(key, value);
}

}  // namespace

bool RefreshFieldLookupText(IBillForm& bill, const std::string& key, int row) {
    return Trapped("RefreshFieldLookupText", false, [&] {
        auto cell = FindCell(bill, key, row);
        if (!cell.def || !cell.data) return false;
        Value stored = cell.data->Get("FFLD");
        if (stored.IsBlank()) stored = bill.GetFieldValue(key, row);
        const std::string text = Trim(stored.ToString());
        if (text.empty()) return false;

        std::string table = Trim(cell.def->Get("FSRCTableName").ToString());
        if (cell.def->Get("FSourceType").ToNumber() == kMessageSourceType) table = "t_SubMessage";
        if (table.empty() && IsOrganizationKey(key)) table = "t_Organization";
        std::string column = Trim(cell.def->Get("FSRCFieldName").ToString());
        if (column.empty()) column = IEquals(table, "t_SubMessage") ? "FInterID" : "FItemID";
        if (!IsPlainName(table) || !IsPlainName(column)) return false;

        // An identifier enters as a number; a text (a number code such as "01.001") through
        // SqlValue.
        const bool identifier =
            !stored.IsText() ||
            std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
        std::string value;
        if (identifier) {
            const int32_t id = SafeId(stored);
            if (id == 0) return false;
            value = std::to_string(id);
        } else {
            value = SqlValue(text);
        }
        const std::string sql =
            "Select " + column + ",FName From " + table + " Where " + column + "=" + value;
        ParsePropsString(GetPropsString());
        auto connection = CreateHostObject<IAppConnection>("QORMAPPConnection.AppConnection");
        connection->Execute(GetConnectString(), sql);
        Value found = connection->GetValue(column);
        Value name = connection->GetValue("FName");
        connection->Close();
        if (found.IsEmpty() && name.IsEmpty()) return false;
        if (IEquals(column, "FNumber")) cell.data->Set("FFND", found.ToString());
        cell.data->Set("FDSP", name.ToString());
        bill.SetText(cell.def, name.ToString(), row);
        return true;
    });
}

void SetDeptByEmp(IBillForm& bill) {
    try {
        const std::string emp = SqlId(bill.GetFieldValue("FEmpID"));
        const std::string sql =
            "Select FNumber From t_Department Where FItemID = (select FDepartmentID from t_Emp "
            "where FItemID=" +
            emp + ")";
        auto rs = GetCachedRecordset(sql);
        const std::string dept = FirstText(rs);
        bill.SetFieldValue("FDeptID", dept);
    } catch (...) {
        NoteTrapped("SetDeptByEmp");
    }
}

bool GetOperatorEmpDept(IBillForm& bill, const std::string& mode, int keepFilled,
                        const Value& customer) {
    try {
        const Value who = customer.IsBlank() ? bill.GetFieldValue("FCustID") : customer;
        if (ToId(who) <= 0) return false;
        const std::string sql =
            std::string(
                "select OperatorNumber=(select FNumber from  t_Emp where "
                "fitemid=t_Organization.FDefaultOperator and t_Emp.fDeleted=0 and "
                "t_Emp.FDimission=0 ) ") +
            " ,fDepartment=(select FNumber from t_Department where FitemID=(select FDepartmentID "
            "from t_Emp where FItemID=t_Organization.FDefaultOperator and t_Emp.fDeleted=0 and "
            "t_Emp.FDimission=0 )) from t_Organization where Fitemid=" +
            SqlId(who);
        auto rs = GetCachedRecordset(sql);
        if (rs->IsEOF()) return false;
        const std::string op = Trim(rs->Field("OperatorNumber").ToString());
        const std::string dept = Trim(rs->Field("fDepartment").ToString());
        if (op.empty()) return false;
        const std::string m = Trim(mode);
        if (m == "1" || m == "2") WriteUnlessFilled(bill, "FEmpID", op, keepFilled != 0);
        if (m == "2" && !dept.empty()) WriteUnlessFilled(bill, "FDeptID", dept, keepFilled != 0);
        return true;
    } catch (...) {
        NoteTrapped("GetOperatorEmpDept");
        return false;
    }
}

// ---- Small helpers ---------------------------------------------------------------------------

bool IsInArray(const Value& value, const std::vector<Value>& array) {
    try {
        const std::string text = value.ToString();
        return std::any_of(array.begin(), array.end(),
                           [&](const Value& v) { return v.ToString() == text; });
    } catch (...) {
        NoteTrapped("IsInArray");
        return false;
    }
}

std::optional<Date> CalcDueDate(const Date& baseDate, int payDay, long days) {
    try {
        const Date d = AddDays(baseDate, days);
        int y = d.year;
        int m = d.month;
        const int day = std::clamp(payDay, 1, 31);
        if (d.day > day) {
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
        if (y > 9999) return std::nullopt;
        Date result;
        result.year = y;
        result.month = m;
        // February takes its 28th or 29th, the thirty-day months their 30th.
        result.day = std::min(day, DaysInMonth(y, m));
        return result;
    } catch (...) {
        NoteTrapped("CalcDueDate");
        return std::nullopt;
    }
}

std::string LogFilePath() {
    try {
        std::string dir = Trim(Platform().SystemDirectory());
        if (dir.size() > 255) dir.resize(255);
        dir = Trim(dir);
        if (dir.empty()) return "";
        uint32_t session = 0;
        try {
            session = Platform().ProcessSessionId(Platform().ProcessId()).value_or(0);
        } catch (...) {
            NoteTrapped("LogFilePath");
            session = 0;
        }
        // The directory's own separator: a Windows path takes "\", a POSIX path "/".
        const char sep =
            dir.find('\\') != std::string::npos || dir.find('/') == std::string::npos ? '\\' : '/';
        if (dir.back() == sep) dir.pop_back();
        return dir + sep + "ZALCommerceLog_" + std::to_string(session) + ".log";
    } catch (...) {
        NoteTrapped("LogFilePath");
        return "";
    }
}

void WriteLog(const std::string& text, bool overwrite) {
    try {
        const std::string path = LogFilePath();
        if (path.empty()) return;
        std::ofstream out(path, std::ios::binary | (overwrite ? std::ios::trunc : std::ios::app));
        if (!out) return;
        out << text << kCrLf;
    } catch (...) {
        NoteTrapped("WriteLog");
    }
}

std::string StripLineBreaks(const std::string& text, bool trimFirst) {
    std::string source = trimFirst ? Trim(text) : text;
    std::string out;
    out.reserve(source.size());
    for (char c : source) {
        if (c != '\r' && c != '\n') out.push_back(c);
    }
    return out;
}

}  // namespace qor

// System options, user rights and field services shared by every bill: reading options,
// asking for rights, hiding and locking groups of fields, hiding prices from users without the
// price right, cell look-ups and actions, the operator's department, settlement dates and the
// diagnostic log.
//
// Every function here traps its own errors and answers its empty result (empty text, 0, false,
// no collection) without a message; the bills decide what to tell the user.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "frame/class_types.h"
#include "frame/collection.h"
#include "frame/host.h"
#include "frame/value.h"

namespace qor {

// ---- Options and rights -----------------------------------------------------------------------

// A system option (t_SystemProfile by category and key) through "QOREBSBase.SystemProfile";
// a null or empty answer, or any failure, gives fallback.
std::string GetSystemProfileValue(const std::string& key, const std::string& category,
                                  const std::string& fallback = "");

// Whether the user holds the right (object type, object, access mask), asked of
// "QOREBSBase.SecurityInfo" AccessCheck; callerName is the calling class's programmatic
// identifier or empty. A check that cannot be made gives false.
bool CheckAccessRight(const std::string& propsString, int objectType, int objectID, int access,
                      const std::string& callerName);

// The option "AllowZeroPriceSave" (category "IC") as a Boolean; unset reads false.
bool IsAllowZeroPriceSave();

// ---- Field groups -----------------------------------------------------------------------------
// keys is a comma-separated list of field keys; keys the form does not have are passed over.
// page is the form's page of the fields: kEntryPage the first entry grid, kSecondEntryPage the
// second; kHeaderPage the header.

void SetEntryFieldsVisible(IBillForm& bill, const std::string& keys, bool visible,
                           Page page = kEntryPage);
void SetHeadFieldsVisible(IBillForm& bill, const std::string& keys, bool visible,
                          Page page = kHeaderPage);
// Locks the listed entry fields ("FieldLock" := true).
void SetEntryFieldsLock(IBillForm& bill, const std::string& keys, Page page = kEntryPage);
// Opens the listed entry fields ("FieldLock" := false).
void SetEntryFieldsLock2(IBillForm& bill, const std::string& keys, Page page = kEntryPage);
// Shows the listed entry fields ("Visible" := true).
void SetEntryFieldsVisible2(IBillForm& bill, const std::string& keys, Page page = kEntryPage);

// ---- Rows and cells ---------------------------------------------------------------------------

// The entry rows of the grid on page (kEntryPage: the first entry grid, data page "Page2") that
// matter: the number of the last row whose key field ("KeyField" of the grid) is not 0, so that
// a loop over 1..n reaches every filled row even when an empty row lies between filled ones
// (without gaps this is the number of filled rows). With allRows, or when the grid has no key
// field, the page's "Size".
int GetEntryRowCount(IBillForm& bill, Page page = kEntryPage, bool allRows = false);

// True when a filled row of the grid holds a value above 0 in the field key (for example
// "FID_SRC": the bill has rows drawn from source bills).
bool FindEntryRow(IBillForm& bill, Page page, const std::string& key);

// The item ("FFLD", "FFND" or "FDSP") of the cell data of the field at row (-1 = header);
// fallback when the field, the cell or the item is missing.
Value GetLookupData(IBillForm& bill, const std::string& key, int row = -1,
                    const std::string& item = "FFLD", const Value& fallback = Value());

// Locks (lock true) or opens one cell through the grid controller. With resetModify the cell
// first shows its display text again and its "FModify" becomes modifyValue. False when the
// field or the controller is missing.
bool LockEntryCell(IBillForm& bill, const std::string& key, bool lock, bool resetModify = false,
                   int modifyValue = 0, int row = -1);

// Runs the field's host actions (formulas, lock conditions) for the cell, as if the user had
// edited it; with setModify the cell is first marked modified ("FModify" := 1).
bool DoFieldAction(IBillForm& bill, const std::string& key, int row = -1, bool setModify = false);

// True when the cell is locked now (field lock or cell lock).
bool IsFieldLocked(IBillForm& bill, const std::string& key, int row = -1);

// Marks every cell of the bill's data pages "Page1", "Page2" and "Page3" unchanged
// ("FModify" := 0), so that a new, loaded or copied bill does not count as edited.
void ClearPageModifyFlags(IBillForm& bill);

// ---- Price and tax rights ---------------------------------------------------------------------

// The right (object type 15, access 32) that lets a user see prices and amounts.
inline constexpr int kPriceRightObject = 2010;

// The price columns of a class type on a grid: the long list with the industry edition, the
// short one otherwise. Only the assembly bills have price columns on the second grid (their
// child rows). Empty for a class type without a list.
std::string PriceFieldList(int classTypeID, bool industry, Page grid = kEntryPage);

// Hides the price columns of the bill's class type (classTypeID 0: the bill's FID) from a user
// who lacks any of the rights rightIDs (object type 15, access 32), only with application type
// 2 or more. On class types 1020002 and 1030002 the header fields of the list (the invoice
// amounts) are hidden as well. With lockInstead the entry columns are locked instead of hidden.
// Returns the keys treated (empty when the user holds the rights or nothing applies).
std::vector<std::string> ApplyPriceFieldRights(
    IBillForm& bill, const std::string& propsString, int classTypeID = 0, bool lockInstead = false,
    const std::vector<int>& rightIDs = {kPriceRightObject}, const std::string& callerName = "");

// The tax and price fields of the sales order (right 2030), the sales bill (2040) and the
// consignment bill (2050). Without the right (object type 15, access 32, no caller name): with
// collectOnly the keys are returned in a collection (key -> key) and the fields are left alone,
// otherwise the entry fields are locked and the collection is returned as well. The collection
// is empty when the user holds the right or the class type has no list.
CollectionPtr ApplyTaxFieldRights(const std::string& propsString, IBillForm& bill,
                                  bool collectOnly = false);

// ---- Base-data texts and the operator -----------------------------------------------------------

// The field definitions' "FSourceType" of fields whose records are messages (t_SubMessage).
inline constexpr int kMessageSourceType = 3;

// Reads the base-data record the field's cell names ("FFLD") with "Select " + column + ",FName
// From " + table + " Where " + column + "=" + value and writes its name to the cell's "FDSP"
// (and shows it). The table and its column come from the field definition: "FSRCTableName"
// (the message table t_SubMessage for "FSourceType" kMessageSourceType; t_Organization for the
// customer and supplier fields "FCustID", "FSupplyID", "FCustomer" and "FComID" when the
// definition names no table) and "FSRCFieldName" (default "FItemID", on the message table
// "FInterID"). A number enters the statement as a number, a text through SqlValue. The first
// column answers the value itself: for a field that stores the record's number ("FNumber"), it
// goes to the cell's "FFND"; a field that stores an identifier keeps its cell's number. False
// when nothing was found.
bool RefreshFieldLookupText(IBillForm& bill, const std::string& key, int row = -1);

// "FDeptID" := the department (its number) of the employee in "FEmpID"; an employee without a
// department clears it.
void SetDeptByEmp(IBillForm& bill);

// The customer's default operator and his department (their numbers). mode "1" writes the
// operator to "FEmpID", mode "2" the operator to "FEmpID" and the department to "FDeptID".
// With keepFilled not 0 a field that already holds a value is left alone. A customer without a
// default operator changes nothing. customer blank: the header's "FCustID". False when nothing
// was found.
bool GetOperatorEmpDept(IBillForm& bill, const std::string& mode = "2", int keepFilled = 0,
                        const Value& customer = Value());

// ---- Small helpers ---------------------------------------------------------------------------

// True when value equals an element; values compare by their text ("3" equals 3).
bool IsInArray(const Value& value, const std::vector<Value>& array);

// The settlement date of a monthly payment term: baseDate + days, then the next pay day on or
// after that day (a pay day past the end of the month gives the month's last day). nullopt when
// the date cannot be formed (a date out of range).
std::optional<Date> CalcDueDate(const Date& baseDate, int payDay, long days);

// Appends the text as one line to the diagnostic log (a fresh file with overwrite) in the
// system directory: "ZALCommerceLog_" + the process's terminal session + ".log". Errors are
// ignored.
void WriteLog(const std::string& text, bool overwrite = false);
// The diagnostic log's path; empty when the system directory is unknown.
std::string LogFilePath();

// Removes every line feed and carriage return, after trimming when trimFirst.
std::string StripLineBreaks(const std::string& text, bool trimFirst = false);

// ---- Field-definition helpers shared by the services ----------------------------------------

// The comma-separated keys, trimmed, empty ones left out.
std::vector<std::string> SplitKeys(const std::string& keys);

}  // namespace qor

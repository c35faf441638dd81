// Serial numbers: items managed by serial number carry one serial number per unit. The host
// records each bill row's serial numbers in t_SerialNumList; these functions read them with
// their "used by a later bill" mark, show them on the rows, decide whether a row may be deleted
// or saved, and run the save-time count check through the host's stock service.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/host.h"
#include "frame/value.h"

namespace qor {

// The class-type and bill-type lists of the count check, as the host's lists read them.
inline constexpr const char* kSNCountedClassTypes =
    "1020002,1020003,1030002,1030003,1030004,1030004,1040002,1040004";
inline constexpr const char* kSNClassTypesByBillType = "1020002,1020003,1030002,1030003";
inline constexpr const char* kSNCountedBillTypes = "2012,2013,2031,3001,3003,3010";
inline constexpr const char* kSNSecondGridClassTypes = "1040005,1040006";
inline constexpr const char* kSNTwoStockClassTypes = "1040003,1040004";
inline constexpr const char* kSNGatheredApartClassTypes = "1030002,1030003";
inline constexpr const char* kSNOutOfStockClassTypes =
    "1030002,1030003,1030004,1040002,1040004,1040006";
inline constexpr const char* kSNIntoStockClassTypes =
    "1020002,1020003,1020004,1040001,1040003,1040005";

// True when id is one of the comma-separated numbers of the list (a whole entry, never a part
// of one).
bool IsInIdList(const std::string& list, long id);

// The item's "FIsSerialNumMgr" as Boolean; false when the item is unknown or the read fails.
bool IsSerialNumItem(const Value& itemID);

// One serial number of a row with its note and whether a later bill has taken it (a record of
// the same item and serial number with a larger record number on another bill).
struct SerialNumState {
    std::string serialNo;
    std::string note;
    bool beingUsed = false;
};

// The statement that reads a row's serial numbers with the used mark; status 1 or 0 restricts
// the records of the bill that set the mark to that status, any other value does not.
std::string SerialNumStateSql(int32_t billID, int row, int status = -1);
// The serial numbers of row (its FBillIndexID) of the bill billID; empty when the read fails.
std::vector<SerialNumState> GetSerialNumStateOf(int32_t billID, int row, int status = -1);
// The same for the bill the form is editing (CurBillID).
std::vector<SerialNumState> GetSerialNumState(IBillForm& bill, int row, int status);
std::vector<SerialNumState> GetBillSerialNumState(IBillForm& bill, int row);

// Splits the text of a serial-number field into its serial numbers: separated by "|", ",", or
// line breaks (the field shows one per line); blanks trimmed, empty parts dropped.
std::vector<std::string> SplitSerialNumbers(const std::string& text);

// Refreshes "FSerialNo" on every row (application type 1 and industry type 1 only): the row's
// serial numbers one per line for a serial-managed item, else empty; then checks every row and
// marks the bill unchanged.
void CheckSerialNumEntries(IBillForm& bill);

// True when the row (row >= 1) or every row (row < 1) may be deleted or saved as far as serial
// numbers go. Rows without a serial-managed item pass at once; the others are asked of
// "QORMSerialNumMgr.clsInfo" CheckSerialNumQty(propsString, classTypeID, billID, row, itemID,
// showQty, secQty, secCoefficient, scStockID, dcStockID, serialNumbers) with the serial numbers
// as a collection of texts. Where the host offers no such service, a row passes when none of
// its recorded serial numbers has been taken by a later bill.
bool CheckSerialNumQty(IBillForm& bill, int row);

// The save-time count check: only with the option "CKSerialNum" (category "IC") on and the bill's
// class type counted (for purchase/sales bills only the counted bill types). The rows of serial-
// managed items are handed to "QOR_CC_PlugIns.clsStockInfo" CheckSerialNoCount(propsString,
// billInfo, rows, message by reference); its answer decides. True when the check does not apply
// or the service cannot be created; the service's message goes to message when given.
bool CheckBillSerialNumCount(IBillForm& bill, std::string* message = nullptr);

// Locks the serial-number cells ("FSerialNo", "FSerialNo1", "FSerialNo01", those the bill has)
// of the row, or of every row when row < 1, and marks them unchanged: serial numbers are entered
// through the host's serial-number dialog only.
void LockSerialNoFields(IBillForm& bill, int row = -1);

}  // namespace qor

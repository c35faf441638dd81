// Serial numbers: items managed by serial number carry one serial number per unit. The host
// records each bill row's serial numbers in t_SerialNumList; these functions read them with
// their "used by a later bill" mark, show them on the rows, decide whether a row may be deleted
// or saved, and run the save-time count check through the host's stock service.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "frame/class_types.h"
#include "frame/host.h"
#include "frame/value.h"
#include "frame/verdict.h"

namespace qor {

// The class-type and bill-type lists of the count check.
// Class types whose bills are counted.
inline constexpr int32_t kSNCountedClassTypes[] = {
    ct::kPurchaseBill,   ct::kPurchaseBill2, ct::kSalesBill,  ct::kConsignBill,
    ct::kSalesStockBill, ct::kStockOutBill,  ct::kTransferOut};
// Class types counted only for the bill types of kSNCountedBillTypes.
inline constexpr int32_t kSNClassTypesByBillType[] = {ct::kPurchaseBill, ct::kPurchaseBill2,
                                                      ct::kSalesBill, ct::kConsignBill};
// The counted bill types: three of the purchase side's, and the sales side's deliveries,
// consignment settlements and consignments.
inline constexpr int32_t kSNCountedBillTypes[] = {
    2012, 2013, 2031, bt::kDelivery, bt::kConsignSettle, bt::kConsign};
// Class types with a second grid of rows.
inline constexpr int32_t kSNSecondGridClassTypes[] = {ct::kAssemblyIn, ct::kAssemblyOut};
// Class types whose rows carry two stocks.
inline constexpr int32_t kSNTwoStockClassTypes[] = {ct::kTransferIn, ct::kTransferOut};
// Class types whose serial numbers leave a stock, and those whose serial numbers enter one.
inline constexpr int32_t kSNOutOfStockClassTypes[] = {ct::kSalesBill,      ct::kConsignBill,
                                                      ct::kSalesStockBill, ct::kStockOutBill,
                                                      ct::kTransferOut,    ct::kAssemblyOut};
inline constexpr int32_t kSNIntoStockClassTypes[] = {ct::kPurchaseBill,  ct::kPurchaseBill2,
                                                     ct::kPurchaseBill3, ct::kStockInBill,
                                                     ct::kTransferIn,    ct::kAssemblyIn};

// True when id is one of the list's.
bool IsInIdList(std::span<const int32_t> list, long id);

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
// as a collection of texts. Without that service no row with serial numbers can be shown to
// be free, and such a row does not pass.
bool CheckSerialNumQty(IBillForm& bill, int row);

// The save-time count check: only with the option "CKSerialNum" (category "IC") on and the bill's
// class type counted (for purchase/sales bills only the counted bill types). The rows of serial-
// managed items are handed to "QOR_CC_PlugIns.clsStockInfo" CheckSerialNoCount(propsString,
// billInfo, rows, message by reference), each row with the item's number, name, model and base
// properties ("FBaseProperty", "FBaseProperty1", "FBaseProperty3", "FBaseProperty4",
// "FBaseProperty8", "FBaseProperty9"), its indexes ("FIndex" and "FIndex2": the row in the first
// or the second grid, "FIndex3": its place among the rows handed over), batch, stocks and base
// quantity (on stock counts the profit or loss "FProfitLossQty"); the service's answer decides,
// a refusal carrying the service's message. Passes when the check does not apply or the service
// cannot be created.
Verdict CheckBillSerialNumCount(IBillForm& bill);

// What the serial-number cells of a row become.
enum class SerialCells {
    Locked,      // locked: serial numbers are entered through the host's serial-number dialog
    FollowItem,  // open for a serial-managed item, locked for any other (a new row)
};

// Sets the serial-number cells ("FSerialNo", "FSerialNo1", "FSerialNo01", those the bill has)
// of the row, or of every row when row < 1, and marks them unchanged.
void LockSerialNoFields(IBillForm& bill, int row = -1, SerialCells mode = SerialCells::Locked);

}  // namespace qor

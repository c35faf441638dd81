// The item, stock, cost, batch, serial-number, credit and contact services of the reference
// host, answered from the account database. Messages are the host's own wording.
#pragma once

#include "host/components/recording.h"

namespace qor::host {

// "QOREBSGLItem.ItemInfo": isBatchManager(props, item) -> the item's FISBatchManager as
// Boolean; GetStockInfo(props, ...) -> the number of the first stock that is not virtual;
// GetDetail(props, id) -> the customer's t_Organization row as a collection (empty if none).
class ItemInfoComponent : public RecordingComponent {
public:
    explicit ItemInfoComponent(ServiceContextPtr context);
};

// "QORMCalCulateItemCost.StockBillReader": GetCost(props, item, stock, text) -> the stock
// value over the quantity on hand of the item (in that stock when one is given), 0 when there
// is none; GetCost80(props, item, stock, batch) the same for one batch.
class StockBillReaderComponent : public RecordingComponent {
public:
    explicit StockBillReaderComponent(ServiceContextPtr context);
};

// "QORMSerialNumMgr.clsInfo": CheckSerialNumQty(props, classTypeID, billID, row, item, showQty,
// secQty, secCoefficient, scStock, dcStock, serialNos) -> True unless one of the serial numbers
// the bill recorded for the item on that row (every row when row < 1) was taken by a later
// bill; only those listed count (a collection of texts or one text), all when none is listed.
class SerialNumInfoComponent : public RecordingComponent {
public:
    explicit SerialNumInfoComponent(ServiceContextPtr context);
};

// "QORMBatchNoRule.clsBatchNoRule": GetBatchNo(props, date, item) -> "Prefix" (the date as
// yyyymmdd), "CurSerial" (the next serial after the item's batches with that prefix) and
// "SerialLen" (3).
class BatchNoRuleComponent : public RecordingComponent {
public:
    explicit BatchNoRuleComponent(ServiceContextPtr context);
};

// "QOR_CC_PlugIns.clsStockInfo": CheckItemStockNum(props, action, request, message&) -> the
// tunable shortage code (3 refuse, -1 warn) when a row needs more than its stock holds, else
// 0; CheckBill(props, flag, request, message&) checks (-1 or True) or unchecks (1 or False)
// the bills described, setting their FStatus -> 1 done, 2 refused (state), 0 refused (no such
// bill); CheckSerialNoCount(props, billInfo, rows, message&) -> False when a serial-managed
// row's serial count ("FSerialNo", else the recorded ones) differs from its base quantity
// "FQty"; GetSystemProfile(props, category, key);
// CheckLimitPrice(request, props, limitType, message&) -> True when the price is below the
// item unit's floor price; CreditSelectOK / UnCheckAmountOutOfDateSelectOK as on
// PublicSysInfo.
class StockInfoComponent : public RecordingComponent {
public:
    explicit StockInfoComponent(ServiceContextPtr context);
};

// "QORM_CC_PlugIns.PublicSysInfo": CheckCredit(request, props) -> True when the customer's
// receivable balance plus the bill's "AllAmount" exceeds a credit limit set on him;
// CheckUnCheckAmountOutOfDate(request, props) -> True when checked sales bills of his are
// unpaid past their settlement date; CreditSelectOK / UnCheckAmountOutOfDateSelectOK([request,
// props]) -> True when nothing was found, else the user's Yes to going on;
// CheckPreReceiveAmount(request, props, message&) -> True (with the reason) when the amount
// the bill offsets against advance receipts ("FNeutralizeAmount") exceeds its "AllAmount" or
// what the customer's checked advance receipts have left (the bill's own earlier offset
// counted back).
class PublicSysInfoComponent : public RecordingComponent {
public:
    explicit PublicSysInfoComponent(ServiceContextPtr context);
};

// "QOREBSGLItem.clsBarCodeUpdate": SaveContactData(customer, contacts, props) inserts the new
// (FIsNew 1) and updates the stored contacts of the customer in t_Contact -> True;
// ShowPopTip(text, caption) shows a tip; UpdateBarCode(props, classTypeID, billID) records the
// barcodes of a saved bill's rows as the barcodes of their items' units (UpdateBillBarcodes)
// -> the number of barcodes written.
class BarCodeUpdateComponent : public RecordingComponent {
public:
    explicit BarCodeUpdateComponent(ServiceContextPtr context);
};

// The header table of a class type's bills, "" for a class type the host keeps elsewhere.
std::string BillTableOf(int classTypeId);
// Its entry table ("t_CC_StockBillEntry" for the stock bills), "" likewise.
std::string EntryTableOf(int classTypeId);

// For every row of a stored bill with an item, a shown unit and a barcode: a unit the item has
// no barcode record for gets one (the next entry number, the row's coefficient); a record
// without a barcode takes the row's; a record with a barcode keeps it. Returns the barcodes
// written (0 for a class whose rows carry no barcode).
int UpdateBillBarcodes(ServiceContext& ctx, const std::string& props, int classTypeId, int billId);

// A bill by class type and internal identifier.
struct BillRef {
    int classTypeId = 0;
    int billId = 0;
};
// Checks (FStatus 0 -> 1, with the checker and the date) or unchecks (1 -> 0) the bills, all
// or none: code 1 done; 2 a bill is not in the state for it; 0 a bill does not exist (or is
// no bill the host knows). The message names the bill refused.
struct CheckOutcome {
    int code = 1;
    std::string message;
};
CheckOutcome SetBillsChecked(ServiceContext& ctx, const std::string& props,
                             const std::vector<BillRef>& bills, bool checking);
// An identifier read leniently: 0 for anything that is none.
int IdOrZero(const Value& v);

}  // namespace qor::host

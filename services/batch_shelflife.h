// Batch numbers and shelf life: the item flags that switch the rules on, the three shelf-life
// fields of a row (production date, shelf life in days, expiry date) and how they follow each
// other, the completeness check with its messages, the dates already recorded for a batch, the
// automatic batch number and the same-batch consistency of a bill's rows.
//
// Every row of one item and batch, in stock or on any bill, must carry the same dates, and
// expiry date = production date + shelf life days. Dates are written "YYYY-MM-DD"; 1900-01-01
// stands for a missing date.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "frame/class_types.h"
#include "frame/collection.h"
#include "frame/field_set.h"
#include "frame/host.h"
#include "frame/value.h"
#include "frame/verdict.h"

namespace qor {

// ---- Item flags (t_ICItem; an unknown item or a failed read gives false) --------------------

bool IsBatchManagerItem(const Value& itemID);  // FISBatchManager
bool IsKFPeriodItem(const Value& itemID);      // FISKFPeriod: shelf-life managed
bool IsAuxItem(const Value& itemID);           // FISAuxi: has auxiliary properties
// True when the item's costing method FTrack is 80 (costed by batch).
bool GetItemTrack(const Value& itemID);
// The host item service's answer ("QOREBSGLItem.ItemInfo" isBatchManager).
bool IsBatchManagedByItemInfo(const Value& itemID);

// ---- Shelf-life field sets -------------------------------------------------------------------

// The keys of one shelf-life field set of a row, and the texts its messages use.
struct KFFieldSet {
    std::string item;            // item key of the row
    std::string kfDate;          // production date
    std::string kfPeriod;        // shelf life in days
    std::string periodDate;      // expiry date
    bool childRows = false;      // assembly child rows: messages start "子件第"
    bool productionSet = false;  // the assembly item's own dates ("FProDate", "FExpDate")

    // The shelf-life fields of the row set ("FKFDate", "FKFPeriod", "FPeriodDate" in its keys;
    // on the child rows "FDate1", "FInteger", "FDate2"); with productionSet the assembly
    // bills' production-date set ("FProDate", "FKFPeriod", "FExpDate"), which child rows do
    // not have.
    static KFFieldSet Of(const FieldSet& set = FieldSet::Main(), bool productionSet = false);
};

// Keeps the row's three dates in step after the field named by the descriptor's "FKey"
// changed (rows 1 and above; a key outside the set changes nothing):
//  - expiry date changed, both dates filled: with the user's "AdjustPeriod" = 1 the shelf life
//    becomes the days from production to expiry, otherwise the production date becomes the
//    expiry date minus the shelf life;
//  - production date or shelf life changed, production date filled: expiry := production +
//    shelf life days.
// A step whose date arithmetic fails (a broken date, an absurd shelf life) is skipped.
void CalcKFDates(IBillForm& bill, const CollectionPtr& fieldDesc, int row,
                 const FieldSet& set = FieldSet::Main(), bool productionSet = false);
inline void CalcKFDates01(IBillForm& bill, const CollectionPtr& fieldDesc, int row,
                          bool productionSet = false) {
    CalcKFDates(bill, fieldDesc, row, FieldSet::Twin01(), productionSet);
}
// The rule itself on any field set, with the changed key already known.
void CalcKFDatesOn(IBillForm& bill, const KFFieldSet& keys, const std::string& changedKey, int row);

// The user's "AdjustPeriod" for the bill's class type: true only when exactly one row is found
// and its value is 1.
bool IsAdjustPeriodOn(IBillForm& bill);

// Passes when the row's three shelf-life fields are complete and consistent; otherwise refuses
// with the message and (for the first three checks) the cursor on the field. Checks in order:
// production date missing, shelf life below 0, expiry date missing, production + shelf life
// not equal to the expiry date. Messages are "第"/"子件第" + row + text; with the
// production-date set and rowMessage false they are the whole "组装件商品..." texts.
Verdict CheckKFFieldsFilled(IBillForm& bill, int row, const FieldSet& set = FieldSet::Main(),
                            bool productionSet = false, bool rowMessage = true);

// ---- Dates recorded for a batch ---------------------------------------------------------------

// One group of records of an item's batch: its auxiliary property and its dates as recorded.
struct BatchKFRecord {
    std::string batchNo;
    int32_t auxPropID = 0;
    std::string auxProp;    // the auxiliary property's name
    std::string auxNumber;  // and number
    int32_t stockID = 0;
    std::string kfDate;  // "YYYY-MM-DD", "" when missing
    double kfPeriod = 0;
    std::string periodDate;  // "YYYY-MM-DD", "" when missing
};

// Where the recorded dates are read from.
enum class BatchKFSource {
    // Stock: the batch stock table with the bills that received or sent the batch (opening
    // balances closed), or the opening stock with the audited bills (opening balances open).
    Stock,
    // Every row entered so far: opening stock, stock bill rows and assembly rows, saved or not
    // yet in stock.
    EnteredRows,
};

// The groups recorded for the item and batch, excluding the bill excludeBillID (the bill being
// edited) and bills of class type 1040008 or of class type 1020004 other than bill type 2042;
// stockID > 0 restricts them to one stock. Empty when the batch is unknown or the read fails.
std::vector<BatchKFRecord> GetBatchKFInfo(const Value& itemID, const std::string& batchNo,
                                          const Value& stockID = Value(),
                                          const Value& excludeBillID = Value(),
                                          BatchKFSource source = BatchKFSource::Stock);
// The bill's own form: excludes the bill being edited (its CurBillID).
std::vector<BatchKFRecord> GetBatchKFInfo(IBillForm& bill, const Value& itemID,
                                          const std::string& batchNo,
                                          const Value& stockID = Value(),
                                          BatchKFSource source = BatchKFSource::Stock);

// The number of groups recorded for the batch in one stock (0 when none or on failure); the
// first one is copied to first when given.
int GetStockBatchKFInfo(const Value& itemID, const Value& stockID, const std::string& batchNo,
                        BatchKFRecord* first = nullptr, const Value& excludeBillID = Value());

// A row's batch data as the bills compare it with what is recorded.
struct BatchRowData {
    int32_t auxPropID = 0;
    std::string kfDate;
    double kfPeriod = 0;
    std::string periodDate;
    // Fields left out of the comparison (the bills skip locked cells).
    bool compareAux = true, compareKFDate = true, compareKFPeriod = true, comparePeriodDate = true;
};

enum class BatchMatch {
    NotFound,     // no record of the batch
    Same,         // a record carries the row's data
    DatesDiffer,  // recorded, with other dates (the auxiliary property agrees or is not compared)
    AuxDiffers,   // recorded, and no record has the row's auxiliary property
};
struct BatchCompareResult {
    BatchMatch match = BatchMatch::NotFound;
    BatchKFRecord recorded;  // the record to restore from (the first one) unless NotFound
};
// Compares the row with the records: Same when one record agrees on every compared field.
BatchCompareResult CompareBatchRow(const std::vector<BatchKFRecord>& records,
                                   const BatchRowData& row);

// ---- Row services ------------------------------------------------------------------------------

// The keys of a row's batch, stock and shelf-life fields as the row services use them. A bill
// whose rows keep the batch in another stock field replaces that key.
struct BatchRowKeys {
    std::string item, batch, aux, stock;
    std::string kfDate, kfPeriod, periodDate;
    std::string qty, batchIndex, coefficient;
    Page page = kEntryPage;  // the grid of the rows
    bool childRows = false;

    // The row set's keys: "FItemID", "FBatchNo", "FAuxPropID", "FSCStockID", the shelf-life
    // fields, "FShowQty", "FBatchNoIndex" and "FCoefficient" as the set names them.
    static BatchRowKeys Of(const FieldSet& set = FieldSet::Main());
};

// The row's batch data compared with what stock records for its item and batch in the row's
// stock (the bill being edited left out). Locked cells are not compared, nor the auxiliary
// property without compareAux. NotFound for a row without item or batch.
BatchCompareResult CompareRowWithStock(IBillForm& bill, int row,
                                       const BatchRowKeys& keys = BatchRowKeys::Of(),
                                       bool compareAux = true);

// After a batch was chosen: the row's production and expiry dates from the stock record of the
// item and batch (one in the row's stock first), and the shelf life from the item. A batch not
// in stock leaves the dates empty. A blank batch changes nothing.
void FillRowBatchInfo(IBillForm& bill, int row, const BatchRowKeys& keys = BatchRowKeys::Of());

// After the auxiliary property of a row changed (row >= 1 with an item and a batch): the form's
// stock-number service (the form's "StockNumber" object, asked "StockNumber"(row, item, stock,
// auxiliary property, batch)) answers the row's stock data by main-set key ("FBatchNo",
// "FKFDate", "FKFPeriod", "FPeriodDate", "FQty", "FBatchNoIndex", "FCoefficient"), written to
// the keys given (the quantity to the quantity key); what it does not answer stays. A form
// without the service refreshes the dates from the stock record of the item, batch and new
// auxiliary property in the row's stock; nothing changes when there is none.
void FillRowStockNumber(IBillForm& bill, int row, const BatchRowKeys& keys = BatchRowKeys::Of());

// Gives the row a new batch number from the item's batch-number rule ("QORMBatchNoRule.
// clsBatchNoRule" GetBatchNo), only when the row's batch cell is not locked and the item
// generates numbers (FAutoGenBatchNo). The number is the rule's prefix and serial, the serial
// written with at least "SerialLen" digits; it is above every number with that prefix already on
// the bill's other rows of the item, saved or not, so no number repeats within a bill.
void AutoGenBatchNo(IBillForm& bill, int row, const FieldSet& set = FieldSet::Main());

// The batch rows of the bill as FindBatchRowConflict takes them: one record per row with an
// item, holding "FItemID", "FBatchNo", "FKFDate", "FKFPeriod", "FPeriodDate", "FAuxPropID"
// and "FRow".
std::vector<CollectionPtr> GatherBatchRows(IBillForm& bill,
                                           const BatchRowKeys& keys = BatchRowKeys::Of());

// True when two records of the same item and batch carry different production dates, shelf
// lives or expiry dates, or (withAux and the item costed by batch) different auxiliary
// properties. Rows without a batch are not compared. Each item's costing method is read once.
bool FindBatchRowConflict(const std::vector<CollectionPtr>& rows, bool withAux);

// Sets whether the batch cell may be edited, for one row (row >= 1) or every row with an item
// (row < 1). Bill type 0 with lockUntracked: the batch cell is locked for items not costed by
// batch. Every other bill type (an unset one included): a row drawn from a source bill is left
// as it is when keepSourceRows; otherwise the batch cell of a batch-managed item is opened.
void LockRowsBySource(IBillForm& bill, int row, const std::string& itemKey = "FItemID",
                      const std::string& batchKey = "FBatchNo", bool lockUntracked = false,
                      bool keepSourceRows = true);

// Date helpers shared by the batch and shelf-life rules.
// A date field's value as a date: nullopt for blank, broken and 1900-01-01 dates. Reads
// "YYYY-MM-DD", "yyyy/mm/dd" and the "yyyy.mm.dd" the database returns for style 102.
std::optional<Date> ReadKFDate(const Value& v);
// "YYYY-MM-DD" of a date value; "" when it holds no date.
std::string FormatKFDate(const Value& v);

}  // namespace qor

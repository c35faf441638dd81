// Forward record sets as the host's data components return them, and an in-memory record set
// that the reference host, the test doubles and the data gateway's cache use.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "frame/collection.h"
#include "frame/export.h"
#include "frame/value.h"

QOR_XS_CONTRACT_BEGIN
namespace qor {

class IRecordset : public IObject {
public:
    std::string TypeName() const override { return "Recordset"; }
    // Past the last row (true at once for an empty result).
    virtual bool IsEOF() const = 0;
    // Before the first row (true for an empty result).
    virtual bool IsBOF() const = 0;
    // The current row's column by name (any letter case) or 0-based index; KeyError for an
    // unknown column, a read at EOF/BOF raises std::out_of_range.
    virtual Value Field(const std::string& name) const = 0;
    virtual Value Field(int index) const = 0;
    virtual int FieldCount() const = 0;
    virtual std::string FieldName(int index) const = 0;
    // Rows visible through the current filter.
    virtual long RecordCount() const = 0;
    virtual void MoveFirst() = 0;
    virtual void MoveNext() = 0;
    // Restricts the rows to those meeting a condition of the form
    // "Column op value [And|Or Column op value ...]" with op one of = <> < > <= >=, texts in
    // single quotes; an empty filter shows every row again. The cursor goes to the first row.
    // And binds tighter than Or; parentheses group. A text compares without regard to ASCII
    // letter case, a number compares with the field's numeric reading, and a null field meets
    // no condition. A filter that cannot be read (bad syntax, unknown column) raises
    // std::invalid_argument and leaves the rows shown before.
    virtual void SetFilter(const std::string& filter) = 0;
    // A closed record set is at EOF and BOF; reading a field raises std::out_of_range.
    virtual void Close() = 0;
    virtual bool IsClosed() const = 0;
};
using RecordsetPtr = std::shared_ptr<IRecordset>;

// A record set over rows held in memory.
class MemoryRecordset : public IRecordset {
public:
    using Row = std::vector<Value>;
    MemoryRecordset(std::vector<std::string> columns, std::vector<Row> rows);
    static RecordsetPtr Make(std::vector<std::string> columns, std::vector<Row> rows) {
        return std::make_shared<MemoryRecordset>(std::move(columns), std::move(rows));
    }

    bool IsEOF() const override;
    bool IsBOF() const override;
    Value Field(const std::string& name) const override;
    Value Field(int index) const override;
    int FieldCount() const override { return static_cast<int>(columns_.size()); }
    std::string FieldName(int index) const override;
    long RecordCount() const override { return static_cast<long>(visible_.size()); }
    void MoveFirst() override;
    void MoveNext() override;
    void SetFilter(const std::string& filter) override;
    void Close() override { closed_ = true; }
    bool IsClosed() const override { return closed_; }

    const std::vector<std::string>& Columns() const { return columns_; }
    const std::vector<Row>& Rows() const { return rows_; }

private:
    std::vector<std::string> columns_;
    std::vector<Row> rows_;
    std::vector<size_t> visible_;  // indices into rows_ that pass the filter
    size_t pos_ = 0;               // position within visible_
    bool closed_ = false;
    int ColumnIndex(const std::string& name) const;
    const Row& Current() const;
};

}  // namespace qor
QOR_XS_CONTRACT_END

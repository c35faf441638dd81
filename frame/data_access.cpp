#include "frame/data_access.h"

#include "frame/errors.h"
#include "frame/login.h"

namespace qor {

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::microseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
}

// Reads every row of a record set into memory, so the cache can hand out fresh copies.
std::shared_ptr<MemoryRecordset> Materialise(IRecordset& rs) {
    std::vector<std::string> columns;
    for (int i = 0; i < rs.FieldCount(); ++i) columns.push_back(rs.FieldName(i));
    std::vector<MemoryRecordset::Row> rows;
    if (!rs.IsEOF() || !rs.IsBOF()) rs.MoveFirst();
    for (; !rs.IsEOF(); rs.MoveNext()) {
        MemoryRecordset::Row row;
        for (int i = 0; i < rs.FieldCount(); ++i) row.push_back(rs.Field(i));
        rows.push_back(std::move(row));
    }
    return std::make_shared<MemoryRecordset>(std::move(columns), std::move(rows));
}

RecordsetPtr CopyOf(const RecordsetPtr& cached) {
    auto& mem = static_cast<MemoryRecordset&>(*cached);
    return MemoryRecordset::Make(mem.Columns(), mem.Rows());
}

const std::string kNoEvent;

// Sends one statement to the host, timing it into the entry. A statement the host refuses is
// recorded with its error before the error goes on to the caller.
template <class Send, class Record>
auto Timed(SqlTraceEntry& entry, Send send, Record record) {
    const auto start = Clock::now();
    try {
        auto result = send();
        entry.duration = Since(start);
        return result;
    } catch (const std::exception& e) {
        entry.duration = Since(start);
        entry.failed = true;
        entry.error = e.what();
        record(std::move(entry));
        throw;
    }
}

}  // namespace

DataGateway& DataGateway::Instance() {
    static DataGateway gateway;
    return gateway;
}

RecordsetPtr DataGateway::Read(const std::string& propsString, const std::string& sql,
                               bool cacheable) {
    SqlTraceEntry entry;
    entry.event = CurrentEvent();
    entry.sql = sql;
    // Outside an event nothing would ever drop the cache, so nothing is kept there.
    cacheable = cacheable && !eventStack_.empty();
    if (cacheable) {
        auto hit = cache_.find(sql);
        if (hit != cache_.end()) {
            ++cacheHits_;
            entry.fromCache = true;
            entry.rows = hit->second->RecordCount();
            Record(std::move(entry));
            return CopyOf(hit->second);
        }
    }
    ++statementsThisEvent_;
    ++totalStatements_;
    RecordsetPtr rs = Timed(
        entry,
        [&] {
            auto info = CreateHostObject<IClassInfo>("QORMClass.ClassInfo");
            RecordsetPtr read = info->Getdata(propsString, sql);
            if (!read) throw HostError("QORMClass.ClassInfo", "no record set returned");
            if (!cacheable) return read;
            auto copy = Materialise(*read);
            cache_[sql] = copy;
            return CopyOf(copy);
        },
        [this](SqlTraceEntry failed) { Record(std::move(failed)); });
    entry.rows = rs->RecordCount();
    Record(std::move(entry));
    return rs;
}

Value DataGateway::Write(const std::string& propsString, const std::string& sql) {
    DropCache();
    SqlTraceEntry entry;
    entry.event = CurrentEvent();
    entry.sql = sql;
    entry.isWrite = true;
    ++statementsThisEvent_;
    ++totalStatements_;
    Value answer = Timed(
        entry,
        [&] {
            return CreateHostObject<IClassUpdate>("QORMClass.ClassUpdate")
                ->UpdateBatch(propsString, sql);
        },
        [this](SqlTraceEntry failed) { Record(std::move(failed)); });
    Record(std::move(entry));
    return answer;
}

// An event the host raises while another is being handled (a field action run by a change
// rule) belongs to the outer event: it shares its count and its cache.
void DataGateway::BeginEvent(const std::string& name) {
    if (eventStack_.empty()) {
        statementsThisEvent_ = 0;
        DropCache();
    }
    eventStack_.push_back(name);
    if (eventListener_) eventListener_(name);
}

void DataGateway::EndEvent() {
    if (!eventStack_.empty()) eventStack_.pop_back();
    if (eventStack_.empty()) DropCache();
}

const std::string& DataGateway::CurrentEvent() const {
    return eventStack_.empty() ? kNoEvent : eventStack_.back();
}

std::optional<Value> DataGateway::Remembered(const std::string& key) const {
    auto it = memo_.find(key);
    if (it == memo_.end()) return std::nullopt;
    return it->second;
}

void DataGateway::Remember(const std::string& key, const Value& value) {
    if (!eventStack_.empty()) memo_[key] = value;
}

void DataGateway::DropCache() {
    cache_.clear();
    memo_.clear();
}

void DataGateway::RecordTrapped(const std::string& where, const std::string& what) {
    ++trappedErrors_;
    SqlTraceEntry entry;
    entry.event = CurrentEvent();
    entry.failed = true;
    entry.error = what;
    entry.trappedIn = where;
    Record(std::move(entry));
}

void DataGateway::Record(SqlTraceEntry entry) {
    if (sink_) sink_(entry);
    if (keepTrace_) trace_.push_back(std::move(entry));
}

void DataGateway::Reset() {
    eventStack_.clear();
    cache_.clear();
    memo_.clear();
    statementsThisEvent_ = totalStatements_ = cacheHits_ = trappedErrors_ = 0;
    trace_.clear();
}

// ---- Module functions --------------------------------------------------------------------------

RecordsetPtr GetRecordset(const std::string& sql) {
    return DataGateway::Instance().Read(GetPropsString(), sql);
}

RecordsetPtr GetCachedRecordset(const std::string& sql) {
    return DataGateway::Instance().Read(GetPropsString(), sql, true);
}

RecordsetPtr OpenRecordset(const std::string& sql) {
    try {
        return GetRecordset(sql);
    } catch (...) {
        return nullptr;
    }
}

std::string GetSQLValue(const std::string& sql, int fieldIndex) {
    try {
        auto rs = GetRecordset(sql);
        if (!rs || rs->IsEOF() || fieldIndex < 0 || fieldIndex >= rs->FieldCount()) return "";
        return rs->Field(fieldIndex).ToString();
    } catch (...) {
        return "";
    }
}

RecordsetPtr GetRecordsetEx(const std::string& sql, const std::string& propsString) {
    if (Trim(sql).empty()) return nullptr;
    std::string props = propsString.empty() ? GetSharePropsString() : propsString;
    return DataGateway::Instance().Read(props, sql);
}

Value UpdateBatch(const std::string& sql) {
    return DataGateway::Instance().Write(GetPropsString(), sql);
}

std::string SqlValue(const std::string& text, bool quoted, bool emptyAsNull, bool trimFirst) {
    std::string s = trimFirst ? Trim(text) : text;
    if (s.empty() && emptyAsNull) return "Null";
    std::string out;
    out.reserve(s.size() + 2);
    if (quoted) out += '\'';
    for (char c : s) {
        out += c;
        if (c == '\'') out += '\'';
    }
    if (quoted) out += '\'';
    return out;
}

std::string SqlId(const Value& v) {
    return std::to_string(ToId(v));
}

}  // namespace qor

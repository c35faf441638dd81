// Data access: every statement the library sends to the host database passes through the one
// data gateway below, which traces, counts and (within one event) caches master-data reads.
// The module functions are the ones the services and bills call.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame/platform.h"
#include "frame/recordset.h"
#include "frame/value.h"

namespace qor {

// One statement as the gateway saw it.
struct SqlTraceEntry {
    std::string event;  // the event being handled ("" outside any event)
    std::string sql;
    bool isWrite = false;
    bool fromCache = false;
    bool failed = false;
    std::string error;  // the error text when failed
    long rows = -1;     // rows returned by a read, -1 for writes and failures
    std::chrono::microseconds duration{0};
    // Not a statement: an error a shared function trapped (its name; sql is empty, error holds
    // what was swallowed).
    std::string trappedIn;
};

class DataGateway {
public:
    static DataGateway& Instance();

    // Reads through "QORMClass.ClassInfo" Getdata(propsString, sql). Errors reach the caller.
    // With cacheable, an identical statement within the same event is answered from the
    // event's cache (master data: item flags, stock types, price profile, options). Outside
    // any event nothing is cached.
    RecordsetPtr Read(const std::string& propsString, const std::string& sql,
                      bool cacheable = false);
    // Writes through "QORMClass.ClassUpdate" UpdateBatch(propsString, sql); drops the cache.
    Value Write(const std::string& propsString, const std::string& sql);

    // Event scopes: the frame opens one around every handled event. Statements are counted
    // per event; the cache lives for one event only. An event raised while another is being
    // handled is part of it (same count, same cache).
    void BeginEvent(const std::string& name);
    void EndEvent();
    const std::string& CurrentEvent() const;
    // Statements sent (cache hits excluded) since the current outermost event began.
    long StatementsThisEvent() const { return statementsThisEvent_; }
    long TotalStatements() const { return totalStatements_; }
    long CacheHits() const { return cacheHits_; }
    void DropCache();

    // Records an error a shared function trapped (see frame/trap.h) in the trace.
    void RecordTrapped(const std::string& where, const std::string& what);
    long TrappedErrors() const { return trappedErrors_; }

    // Answers of master-data questions that do not travel as SQL (system options asked of
    // the host's profile component), kept like cached reads: inside one event only, dropped
    // at any write. Outside an event nothing is kept.
    std::optional<Value> Remembered(const std::string& key) const;
    void Remember(const std::string& key, const Value& value);

    // Called with the handler's name each time an event scope opens.
    using EventListener = std::function<void(const std::string& event)>;
    void SetEventListener(EventListener listener) { eventListener_ = std::move(listener); }

    // Tracing: a sink receives every statement; kept entries can be read back.
    using TraceSink = std::function<void(const SqlTraceEntry&)>;
    void SetTraceSink(TraceSink sink) { sink_ = std::move(sink); }
    void KeepTrace(bool keep) { keepTrace_ = keep; }
    const std::vector<SqlTraceEntry>& Trace() const { return trace_; }
    // Forgets counters, trace and cache (tests and tools between runs).
    void Reset();

private:
    DataGateway() = default;
    void Record(SqlTraceEntry entry);
    std::vector<std::string> eventStack_;
    std::map<std::string, RecordsetPtr> cache_;  // sql -> a copy of the rows read
    std::map<std::string, Value> memo_;          // question -> answer, same lifetime
    long statementsThisEvent_ = 0;
    long totalStatements_ = 0;
    long cacheHits_ = 0;
    long trappedErrors_ = 0;
    TraceSink sink_;
    EventListener eventListener_;
    bool keepTrace_ = false;
    std::vector<SqlTraceEntry> trace_;
};

// Opens an event scope for as long as it lives.
class EventScope {
public:
    explicit EventScope(const std::string& name) { DataGateway::Instance().BeginEvent(name); }
    ~EventScope() { DataGateway::Instance().EndEvent(); }
    EventScope(const EventScope&) = delete;
    EventScope& operator=(const EventScope&) = delete;
};

// A forward record set of the statement read with the login properties string. Errors reach
// the caller.
RecordsetPtr GetRecordset(const std::string& sql);
// The same for master data that may be answered from the event's cache.
RecordsetPtr GetCachedRecordset(const std::string& sql);
// As GetRecordset, but any error yields no record set (null).
RecordsetPtr OpenRecordset(const std::string& sql);
// Column fieldIndex (0-based) of the first row as text; null, no row and any error give "".
std::string GetSQLValue(const std::string& sql, int fieldIndex = 0);
// No record set for an empty statement; an empty propsString is replaced by the shared
// properties' string of this process. Errors reach the caller.
RecordsetPtr GetRecordsetEx(const std::string& sql, const std::string& propsString = "");
// Sends a statement that changes data through "QORMClass.ClassUpdate". Errors reach the
// caller.
Value UpdateBatch(const std::string& sql);

// Quotes a text for SQL: trims first when asked; an empty text with emptyAsNull gives the bare
// word Null; otherwise every "'" is doubled and, when quoted, the text is wrapped in "'".
std::string SqlValue(const std::string& text, bool quoted = true, bool emptyAsNull = false,
                     bool trimFirst = false);
// An identifier read from the bill, for SQL: always an integer.
std::string SqlId(const Value& v);

// Line separator of multi-line statements.
inline constexpr const char* kCrLf = "\r\n";

}  // namespace qor

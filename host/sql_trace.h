// The host's record of every T-SQL text its database ran: how long it took and how many rows
// it gave or changed. Tests and tools read it; it keeps the newest entries up to a limit.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace qor::host {

struct TraceEntry {
    std::string database;   // the file the text ran on
    std::string sql;        // the T-SQL text as received
    long rows = 0;          // rows of the result set returned (0 without one)
    long rowsAffected = 0;  // rows changed
    bool failed = false;
    std::string error;
    std::chrono::microseconds duration{0};
};

class SqlTrace {
public:
    static SqlTrace& Global();

    void Enable(bool on = true);
    bool Enabled() const;
    void Clear();
    std::vector<TraceEntry> Entries() const;
    size_t Size() const;
    // Keeps at most this many entries, dropping the oldest (default 10000).
    void SetLimit(size_t limit);
    void Record(TraceEntry entry);

private:
    mutable std::mutex mutex_;
    std::deque<TraceEntry> entries_;
    size_t limit_ = 10000;
    bool enabled_ = true;
};

}  // namespace qor::host

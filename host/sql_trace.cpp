#include "host/sql_trace.h"

namespace qor::host {

SqlTrace& SqlTrace::Global() {
    static SqlTrace trace;
    return trace;
}

void SqlTrace::Enable(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    enabled_ = on;
}

bool SqlTrace::Enabled() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return enabled_;
}

void SqlTrace::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
}

std::vector<TraceEntry> SqlTrace::Entries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::vector<TraceEntry>(entries_.begin(), entries_.end());
}

size_t SqlTrace::Size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

void SqlTrace::SetLimit(size_t limit) {
    std::lock_guard<std::mutex> lock(mutex_);
    limit_ = limit;
    while (entries_.size() > limit_) entries_.pop_front();
}

void SqlTrace::Record(TraceEntry entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!enabled_ || limit_ == 0) return;
    while (entries_.size() >= limit_) entries_.pop_front();
    entries_.push_back(std::move(entry));
}

}  // namespace qor::host

// One fuzzed editing session on the reference host: a fresh copy of the demo database, the
// session's steps replayed by the scenario runner with the linked plug-in library, and after
// every step the invariants a user relies on:
//   - no error escaped a plug-in into the host, and the host's own cycle did not fail;
//   - the database passes SQLite's integrity check;
//   - a save, check, uncheck or deletion that was cancelled or refused stored nothing;
//   - a bill just saved reads back from the database as the form shows it.
// Crashes and sanitizer reports end the process (the fuzzer keeps the input).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "fuzz/event_program.h"

namespace qor::fuzz {

struct Finding {
    std::string invariant;  // which one broke
    std::string detail;
    int step = 0;           // 1-based, as Describe numbers them
    std::string stepLabel;
};

struct SessionResult {
    std::string kind;
    long steps = 0;   // steps run (user actions)
    long events = 0;  // events the host raised into the plug-ins
    std::vector<Finding> findings;
    std::string invalid;  // the runner could not run the session at all
};

SessionResult RunSession(const Program& program);

// Totals per bill kind of the sessions run in this process.
struct KindTotals {
    long sessions = 0, steps = 0, events = 0, findings = 0;
};
const std::map<std::string, KindTotals>& Totals();
std::string TotalsText();

// The findings as lines, for reports and for the fuzzer's crash message.
std::string FindingsText(const SessionResult& result);

}  // namespace qor::fuzz

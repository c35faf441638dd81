// The event fuzzer's input: a byte string read as one editing session on one bill kind. The
// first byte picks the bill kind (every template whose plug-in class the library has), the
// second the session's login flags; then each operation is an opcode byte followed by its
// arguments (a field, a row, a value, a tool...). Arguments are indices into what the bill
// kind offers (its fields, its tools after the plug-in set them up, its stored bills, the base
// data its fields draw from) or into a dictionary of hostile values, or inline values, so that
// every byte string is a valid session and a scenario file can be written as one (the seed
// corpus is the examples and the test scenarios written so).
//
// Decoding gives a Scenario the scenario runner replays on the reference host; a session
// always opens a new bill of its kind first, and opens the list before a list operation.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "frame/value.h"
#include "host/form/bill_template.h"
#include "host/form/scenario.h"

namespace qor::fuzz {

// What one bill kind offers the fuzzer, read once from its template, the demo database and
// the plug-in (its tools after MenuBarInitialize).
struct KindVocabulary {
    const host::form::BillTemplate* bill = nullptr;
    std::vector<std::string> headerFields, entryFields;
    std::vector<std::string> tools, listTools, controls, shortcuts;
    std::vector<int32_t> storedIds;                             // bills of the kind
    std::vector<int32_t> sourceClasses;                         // classes it draws rows from
    std::map<int32_t, std::vector<int32_t>> sourceIds;          // checked bills per class
    std::map<std::string, std::vector<int64_t>> baseIds;        // existing ids per field key
    std::map<std::string, std::string> fieldSource;             // field key -> source table
};

class Vocabulary {
public:
    // Built on first use on a demo database in the temporary directory.
    static const Vocabulary& Get();
    const std::vector<KindVocabulary>& Kinds() const { return kinds_; }
    const KindVocabulary* Find(const std::string& kind) const;

private:
    std::vector<KindVocabulary> kinds_;
    friend Vocabulary BuildVocabulary();
};

// The values the fuzzer types: numbers at the edges, dates that are and are not, hostile texts.
const std::vector<Value>& Dictionary();

// A session decoded from bytes, with the bill kind it works on.
struct Program {
    std::string kind;
    host::form::Scenario scenario;
};

// Operations at most in one session.
inline constexpr size_t kMaxOperations = 96;

Program Decode(const uint8_t* data, size_t size);
// The bytes of a scenario (steps the format cannot hold, such as expectations and seed SQL,
// are left out; values not in the dictionary are written inline).
std::vector<uint8_t> Encode(const host::form::Scenario& scenario);

// The decoded session as readable lines (one per step), for reports.
std::string Describe(const Program& program);

}  // namespace qor::fuzz

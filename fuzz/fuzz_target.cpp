// The event fuzzer (libFuzzer): every input is one editing session on one bill kind, checked
// after every step (fuzz/session.h). A broken invariant aborts with the session and what broke;
// at exit, and before such an abort, the sessions, steps and events run per bill kind are printed.
#include <cstdio>
#include <cstdlib>

#include "fuzz/event_program.h"
#include "fuzz/session.h"

namespace {

void PrintTotals() {
    std::fprintf(stderr, "event fuzzer totals:\n%s", qor::fuzz::TotalsText().c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qor::fuzz::Vocabulary::Get();
    std::atexit(PrintTotals);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qor::fuzz::Program program = qor::fuzz::Decode(data, size);
    qor::fuzz::SessionResult result = qor::fuzz::RunSession(program);
    if (!result.findings.empty()) {
        std::fprintf(stderr, "== finding in a %s session ==\n%s%s", result.kind.c_str(),
                     qor::fuzz::Describe(program).c_str(),
                     qor::fuzz::FindingsText(result).c_str());
        PrintTotals();  // the abort skips the exit handler, and the run's figures still count
        std::abort();
    }
    return 0;
}

// The database fails in the middle of an operation: for every bill kind, each save, check,
// uncheck, deletion, list check and list uncheck of its host cycle, and each tool of the bill
// that writes to the database, runs with the database failing its first statement, then its
// second, and so on to its last, and once with the database failing the commit. Each attempt
// must fail cleanly or succeed: the bill in the database is either as it was or as the same
// operation leaves it without a fault; when it did not succeed the user is told (a message or
// the host's refusal) and the form keeps what the user typed; the next attempt succeeds.
// Where the failed statement was one a plug-in sent, the plug-in traps it (its handler ends, a
// look-up gives its empty answer) and the host's operation goes on: then only what the plug-in
// would have written may be missing or differ (in the tables it writes), no other row may change.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "hardening.h"
#include "host/form/bill_form.h"

namespace qor::hardening {
namespace {

using host::form::StepRecord;

// An operation under attack: the steps up to it, the operation, and the same operation again
// (the user's next attempt).
struct Operation {
    std::string name;
    std::vector<Step> steps;  // ... target, retry
    size_t target = 0;
};

bool HostTool(const std::string& key) {
    std::string k = Upper(key);
    for (const char* own :
         {"MNUEDITFILESAVE", "MNUEDITCHECK", "MNUEDITUNCHECK", "MNUEDITFILEDELETE", "MNUEDITCOPY",
          "MNUFILENEW", "MNUEDITFILENEW", "MNUEDITADDROW", "MNUCOPYROW", "MNUOPTIONAMOUNTCALCPRICE",
          "MNUFILEPRINT", "MNUFILEPREVIEW"})
        if (k == own) return true;
    return k.rfind("MNURELATE_", 0) == 0 || k.rfind("MNURELATEPUSHBILL_", 0) == 0;
}

Operation Make(const std::string& name, std::vector<Step> before, const Step& op) {
    Operation o{name, std::move(before), 0};
    o.target = o.steps.size();
    o.steps.push_back(op);
    o.steps.push_back(op);
    return o;
}

Step Simple(Step::Kind kind, const std::string& tool = "") {
    Step s;
    s.kind = kind;
    s.tool = tool;
    s.label = std::string(host::form::StepKindName(kind)) + (tool.empty() ? "" : " " + tool);
    return s;
}

// The watch around the operation: the database and the form before and after it and after the
// retry, the statements it ran, and the fault plan injected just before it.
class FaultWatch : public host::form::StepWatch {
public:
    FaultWatch(size_t target, host::FaultPlan plan) : target_(target), plan_(plan) {}

    void Before(const Step&, const host::form::SessionView& view) override {
        if (index_ != target_) return;
        before = ReadRows(view.db.Handle());
        if (view.form) formBefore = view.form->CurrentTexts();
        start_ = host::StatementsRun();
        host::InjectFault(plan_);
    }
    void After(const Step&, const StepRecord& rec, const host::form::SessionView& view) override {
        if (index_ == target_) {
            fired = host::FaultFired();
            failed = host::FaultedStatement();
            host::ClearFaults();
            statements = host::StatementsRun() - start_;
            after = ReadRows(view.db.Handle());
            attempt = rec;
            if (view.form) formAfter = view.form->CurrentTexts();
        } else if (index_ == target_ + 1) {
            afterRetry = ReadRows(view.db.Handle());
            retry = rec;
        }
        ++index_;
    }

    Rows before, after, afterRetry;
    host::form::FieldTexts formBefore, formAfter;
    StepRecord attempt, retry;
    long statements = 0;
    bool fired = false;
    std::string failed;

private:
    size_t target_, index_ = 0;
    host::FaultPlan plan_;
    long start_ = 0;
};

FaultWatch Attempt(const AttackedKind& k, const Operation& op, host::FaultPlan plan) {
    Scenario sc = k.cycle;
    sc.steps = op.steps;
    FaultWatch watch(op.target, plan);
    host::form::RunRecord run = RunSession(sc, &watch);
    EXPECT_TRUE(run.invalid.empty()) << run.invalid;
    host::ClearFaults();
    return watch;
}

std::string Differences(const Rows& want, const Rows& got) {
    std::string out;
    for (const auto& r : ChangedRows(want, got)) {
        if (out.size() > 400) return out + " ...";
        size_t hash = r.find('#');
        out += " " + r + " (" +
               RowDifference(want, got, r.substr(0, hash), std::stoll(r.substr(hash + 1))) + ")";
    }
    return out;
}

// A statement a plug-in sent failed during the step, or a plug-in trapped an error.
bool PlugInTrapped(const StepRecord& rec) {
    return !rec.trapped.empty() ||
           std::any_of(rec.sql.begin(), rec.sql.end(), [](const auto& q) { return q.failed; });
}

// The tables the plug-ins' statements of a step write to (upper case).
std::set<std::string> WrittenTables(const StepRecord& rec) {
    static const std::regex write(R"((?:UPDATE|INSERT\s+INTO|DELETE\s+FROM)\s+([A-Za-z0-9_.]+))",
                                  std::regex::icase);
    std::set<std::string> out;
    for (const auto& q : rec.sql)
        for (std::sregex_iterator m(q.sql.begin(), q.sql.end(), write), end; m != end; ++m)
            out.insert(Upper((*m)[1].str()));
    return out;
}

// What the plug-ins trapped during a step.
std::string Trapped(const StepRecord& rec) {
    std::string out;
    for (const auto& t : rec.trapped)
        out += "; trapped in " + t.where + ": " + t.error.substr(0, 160);
    return out;
}

// The operations of the kind's host cycle, a deletion of the saved bill, and the tools that write.
std::vector<Operation> Operations(const AttackedKind& k) {
    std::vector<Operation> ops;
    std::vector<Step> actions = Actions(k.cycle);
    std::map<Step::Kind, int> seen;
    size_t firstSave = actions.size(), firstCheck = actions.size();
    for (size_t i = 0; i < actions.size(); ++i) {
        const Step& s = actions[i];
        switch (s.kind) {
            case Step::Kind::Save:
            case Step::Kind::Check:
            case Step::Kind::Uncheck:
            case Step::Kind::ListCheck:
            case Step::Kind::ListUncheck: {
                if (s.kind == Step::Kind::Save) firstSave = std::min(firstSave, i);
                if (s.kind == Step::Kind::Check) firstCheck = std::min(firstCheck, i);
                std::string name = std::string(host::form::StepKindName(s.kind)) + " #" +
                                   std::to_string(++seen[s.kind]);
                ops.push_back(
                    Make(name, std::vector<Step>(actions.begin(), actions.begin() + i), s));
                break;
            }
            default:
                break;
        }
    }
    if (firstSave < actions.size())
        ops.push_back(Make("delete",
                           std::vector<Step>(actions.begin(), actions.begin() + firstSave + 1),
                           Simple(Step::Kind::Delete)));

    // The bill's own tools, clicked on the saved bill and on the checked one: those that change
    // the database are write-backs.
    const auto* t = host::form::FindTemplate(k.kind);
    std::vector<std::string> tools;
    {
        struct ToolWatch : host::form::StepWatch {
            std::vector<std::string>* tools;
            void After(const Step& s, const StepRecord&,
                       const host::form::SessionView& v) override {
                if (s.kind == Step::Kind::New && v.form && tools->empty())
                    for (const auto& tool : v.form->Menus().AllTools())
                        tools->push_back(tool->Name());
            }
        } watch;
        watch.tools = &tools;
        Scenario sc = k.cycle;
        sc.steps = {actions.front()};
        RunSession(sc, &watch);
    }
    for (size_t at : {firstSave, firstCheck}) {
        if (at >= actions.size()) continue;
        std::vector<Step> before(actions.begin(), actions.begin() + at + 1);
        for (const auto& tool : tools) {
            if (HostTool(tool) || (t && t->Tool(tool) && !t->Tool(tool)->visible)) continue;
            Operation probe = Make("tool " + tool + (at == firstCheck ? " (checked)" : ""), before,
                                   Simple(Step::Kind::Menu, tool));
            FaultWatch clean = Attempt(k, probe, {});
            if (!ChangedRows(clean.before, clean.after).empty()) ops.push_back(probe);
        }
    }
    return ops;
}

class Faults : public ::testing::TestWithParam<std::string> {};

TEST_P(Faults, EveryOperationFailsCleanlyAtEveryStatementAndTheNextAttemptSucceeds) {
    const AttackedKind& k =
        *std::find_if(AttackedKinds().begin(), AttackedKinds().end(),
                      [&](const AttackedKind& a) { return a.kind == GetParam(); });
    std::vector<std::string> problems;
    long attempts = 0, trappedAndWentOn = 0;
    for (const Operation& op : Operations(k)) {
        FaultWatch clean = Attempt(k, op, {});
        if (!clean.attempt.done && clean.statements == 0) continue;  // the host offers no such step
        ASSERT_GT(clean.statements, 0) << op.name << " runs no statement";
        // the user's edits on the form before the operation
        std::set<std::string> edited;
        for (size_t i = 0; i < op.target; ++i)
            for (const auto& v : op.steps[i].values)
                edited.insert(v.key +
                              (op.steps[i].row > 0 ? "@" + std::to_string(op.steps[i].row) : ""));
        const std::set<std::string> cleanChanges = ChangedRows(clean.before, clean.after);
        const std::set<std::string> cleanWrites = WrittenTables(clean.attempt);
        const bool formOp = op.steps[op.target].kind != Step::Kind::ListCheck &&
                            op.steps[op.target].kind != Step::Kind::ListUncheck;

        for (long n = 0; n <= clean.statements; ++n) {
            host::FaultPlan plan;
            if (n == 0)
                plan.failCommit = true;
            else
                plan.failStatement = n;
            FaultWatch w = Attempt(k, op, plan);
            if (!w.fired) continue;  // the operation commits nothing
            ++attempts;
            std::string where = op.name + (n ? ", statement " + std::to_string(n) : ", commit") +
                                " of " + std::to_string(clean.statements) + " (" +
                                w.failed.substr(0, 100) + "): ";
            if (w.attempt.done) {
                if (w.after == clean.after) continue;
                // A statement a plug-in sent failed and the plug-in trapped it: the handler ended
                // there and the host's operation went on without the rest of its work (the
                // frame's failure handling). What it left out may be missing, nothing else.
                if (PlugInTrapped(w.attempt)) {
                    ++trappedAndWentOn;
                    std::string stray;
                    for (const auto& row : ChangedRows(clean.after, w.after))
                        if (!cleanChanges.count(row) &&
                            !cleanWrites.count(Upper(row.substr(0, row.find('#')))))
                            stray += " " + row;
                    if (!stray.empty())
                        problems.push_back(where +
                                           "the trapped failure changed rows the operation "
                                           "leaves alone:" +
                                           stray + Trapped(w.attempt));
                    continue;
                }
                problems.push_back(where +
                                   "done, but the database is not as the operation "
                                   "leaves it:" +
                                   Differences(clean.after, w.after));
                continue;
            }
            const bool old = w.after == clean.before, done = w.after == clean.after;
            if (!old && !done)
                problems.push_back(where + "neither the old nor the new state:" +
                                   Differences(clean.before, w.after));
            if (w.attempt.note.empty() && w.attempt.boxes.empty())
                problems.push_back(where + "failed without telling the user");
            if (formOp)
                for (const auto& cell : edited)
                    if (w.formBefore[cell] != w.formAfter[cell])
                        problems.push_back(where + "the form lost the edit of " + cell + " (" +
                                           w.formBefore[cell] + " -> " + w.formAfter[cell] + ")");
            if (old && (!w.retry.done || w.afterRetry != clean.after))
                problems.push_back(where + "the next attempt " +
                                   (w.retry.done ? "left the database otherwise:" +
                                                       Differences(clean.after, w.afterRetry)
                                                 : "failed: " + w.retry.note));
        }
    }
    EXPECT_GT(attempts, 0);
    RecordProperty("failedAttempts", static_cast<int>(attempts));
    RecordProperty("trappedAndWentOn", static_cast<int>(trappedAndWentOn));
    std::ostringstream report;
    for (size_t i = 0; i < problems.size() && i < 25; ++i) report << problems[i] << "\n";
    EXPECT_TRUE(problems.empty()) << problems.size() << " problems in " << attempts
                                  << " failed attempts, the first:\n"
                                  << report.str();
}

INSTANTIATE_TEST_SUITE_P(EveryBillKind, Faults, ::testing::ValuesIn(AttackedKindNames()),
                         [](const auto& info) { return info.param; });

// Every class of the library is attacked through at least one bill kind.
TEST(Hardening, EveryPlugInClassIsAttacked) {
    std::set<std::string> attacked;
    for (const auto& k : AttackedKinds()) attacked.insert(host::form::FindTemplate(k.kind)->progId);
    for (const ClassFacts* facts : PlugInClasses())
        EXPECT_TRUE(attacked.count(facts->ProgId())) << facts->ProgId();
}

}  // namespace
}  // namespace qor::hardening

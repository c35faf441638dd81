#include "host/form/scenario_runner.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "host/database.h"
#include "host/demo_db.h"
#include "host/form/bill_list.h"
#include "host/form/database_adapter.h"
#include "host/form/menu.h"
#include "host/form/plugin_library.h"
#include "host/reference_host.h"
#include "host/sql/literals.h"
#include "host/sql/sqlite_functions.h"
#include "host/sql_trace.h"

namespace qor::host::form {

namespace fs = std::filesystem;

namespace {

std::string Show(const Value& v) {
    return CellText(v);
}

// Raised for a step that cannot run at all (no bill open, bad seed SQL): the scenario is invalid.
struct InvalidStep : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// ---- What the host's components were handed ----------------------------------------------

// A value for the transcript: a collection as "{key=value, ...}" (nested ones as well, up to a
// few items each).
std::string Describe(const Value& v, int depth = 0) {
    if (auto c = v.As<Collection>()) {
        if (depth > 2) return "{...}";
        std::string out = "{";
        size_t n = 0;
        for (const auto& [k, item] : *c) {
            if (n++ == 8) {
                out += ", ...";
                break;
            }
            out += (n > 1 ? ", " : "") + k + "=" + Describe(item, depth + 1);
        }
        return out + "}";
    }
    if (auto rs = v.As<IRecordset>()) return "(" + std::to_string(rs->RecordCount()) + " records)";
    if (v.IsObject()) return v.object()->TypeName();
    return Show(v);
}

// Components whose calls only read settings; the text transcript leaves them out.
bool IsSettingsReader(const std::string& progId) {
    for (const char* id :
         {"QOREBSBase.SystemProfile", "QOREBCGL.SystemProfile", "QOREBCGLView.GLData",
          "QOREBSBase.SecurityInfo", "QORMProfile.ClassUserProfileInfo",
          "QORMtsCacheService.CacheFacade", "QORPropsMgr.ShareProps", "pelic.stringbuilder"})
        if (IEquals(progId, id)) return true;
    return false;
}

// The arguments of a call without the login properties string.
std::vector<Value> CallArguments(const ComponentCall& call) {
    std::vector<Value> out;
    for (const auto& a : call.args)
        if (!IsPropsString(a)) out.push_back(a);
    return out;
}

// The records a window shows: its "Rows" record set, else the items of its "EntryDict", else
// its lines after the title line.
long WindowRows(const ShownWindow& w) {
    if (w.data) {
        if (auto rs = w.data->Get("Rows").As<IRecordset>()) return rs->RecordCount();
        if (auto entries = w.data->Get("EntryDict").As<Collection>())
            return static_cast<long>(entries->Count());
    }
    return w.lines.empty() ? 0 : static_cast<long>(w.lines.size()) - 1;
}

// Whether the actual value holds what is expected; why not (with the path of the item) when
// it does not. Text holds when it contains the expected text (an empty expectation wants an
// empty value), numbers within the tolerance, true/false as the host's Boolean reading.
bool ContentHolds(const ContentExpect& want, const Value& actual, double tol,
                  const std::string& path, std::string& why) {
    auto fail = [&](const std::string& what) {
        why = (path.empty() ? std::string() : path + ": ") + what;
        return false;
    };
    if (want.kind != ContentExpect::Kind::Value) {
        auto c = actual.As<Collection>();
        if (!c) return fail("is " + Describe(actual) + ", expected a collection");
        if (want.kind == ContentExpect::Kind::List) {
            if (c->Count() != want.items.size())
                return fail("has " + std::to_string(c->Count()) + " items, expected " +
                            std::to_string(want.items.size()));
            for (size_t i = 0; i < want.items.size(); ++i)
                if (!ContentHolds(want.items[i].second, c->ItemAt(i + 1), tol,
                                  path + "[" + std::to_string(i + 1) + "]", why))
                    return false;
            return true;
        }
        for (const auto& [key, sub] : want.items) {
            std::string at = path.empty() ? key : path + "." + key;
            if (!c->Exists(key)) return fail("has no item " + key);
            if (!ContentHolds(sub, c->Get(key), tol, at, why)) return false;
        }
        return true;
    }
    const Value& w = want.value;
    if (actual.As<Collection>()) return fail("is a collection, expected " + Show(w));
    bool holds = false;
    if (w.type() == Value::Type::Bool) {
        try {
            holds = actual.ToBool() == w.AsBool();
        } catch (...) {
        }
    } else if (w.IsNumber()) {
        try {
            holds = std::fabs(ToDouble(actual) - w.ToNumber()) <= tol;
        } catch (...) {
        }
    } else if (w.IsBlank() || Trim(w.ToString()).empty()) {
        holds = Trim(Show(actual)).empty();
    } else {
        holds = Show(actual).find(w.ToString()) != std::string::npos;
    }
    return holds ? true : fail("is \"" + Show(actual) + "\", expected \"" + Show(w) + "\"");
}

class Runner {
public:
    Runner(const Scenario& sc, const RunOptions& opt) : sc_(sc), opt_(opt) {}

    RunRecord Run() {
        run_.file = sc_.file;
        run_.name = sc_.name;
        run_.description = sc_.description;
        try {
            Prepare();
        } catch (const InvalidStep& e) {
            run_.invalid = e.what();
            Finish();
            return run_;
        } catch (const std::exception& e) {
            run_.invalid = sc_.file + ": " + e.what();
            Finish();
            return run_;
        }
        int index = 0;
        for (const auto& step : sc_.steps) {
            StepRecord rec;
            rec.index = ++index;
            rec.line = step.line;
            rec.label = step.label;
            rec.isExpect = step.kind == Step::Kind::Expect;
            current_ = &rec;
            size_t windowsBefore = host_->Services().Shown().size();
            size_t callsBefore = host_->Services().Calls().size();
            stepForm_ = formsOpened_;
            replacedStart_.reset();
            if (form_ && !rec.isExpect) form_->BeginChanges();
            if (opt_.watch && !rec.isExpect) opt_.watch->Before(step, View());
            try {
                Perform(step, rec);
            } catch (const InvalidStep& e) {
                run_.invalid = sc_.file + ":" + std::to_string(step.line) + ": " + e.what();
                current_ = nullptr;
                run_.steps.push_back(std::move(rec));
                break;
            } catch (const std::exception& e) {
                rec.note = std::string("host error: ") + e.what();
            }
            current_ = nullptr;
            CollectComponents(windowsBefore, callsBefore, rec);
            if (!rec.isExpect) RecordChanges(rec);
            if (form_)
                for (auto& n : form_->TakeNotes()) rec.hostNotes.push_back(n);
            NotePrints(rec);
            CollectSql(rec);
            if (opt_.watch && !rec.isExpect) opt_.watch->After(step, rec, View());
            if (!rec.failures.empty()) run_.failures += static_cast<int>(rec.failures.size());
            run_.steps.push_back(std::move(rec));
        }
        if (host_ && host_->Platform().PendingAnswers() && !run_.steps.empty())
            run_.steps.back().hostNotes.push_back(
                std::to_string(host_->Platform().PendingAnswers()) +
                " queued answer(s) were never asked for");
        if (host_ && !run_.steps.empty()) {
            auto& services = host_->Services();
            size_t pending = services.PendingAnswers() +
                             (services.answers().hasItemSelection ? 1 : 0) +
                             (services.answers().creditExceeded ? 1 : 0) +
                             (services.answers().overdueExceeded ? 1 : 0);
            if (pending)
                run_.steps.back().hostNotes.push_back(std::to_string(pending) +
                                                      " component answer(s) were never asked for");
        }
        Finish();
        return run_;
    }

private:
    const Scenario& sc_;
    RunOptions opt_;
    RunRecord run_;
    StepRecord* current_ = nullptr;
    std::string dbPath_;
    bool tempDb_ = false;
    std::unique_ptr<ReferenceHost> host_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<DatabaseAdapter> adapter_;
    std::unique_ptr<PlugInLibrary> ownLib_;
    PlugInLibrary* lib_ = nullptr;
    std::shared_ptr<HostBillForm> form_;
    PlugInLibrary::Object formPlugIn_{nullptr, {}};
    std::shared_ptr<HostBillList> list_;
    PlugInLibrary::Object listPlugIn_{nullptr, {}};
    ActionResult last_;
    bool lastSet_ = false;
    std::vector<BoxLine> boxesSinceExpect_;
    int32_t userID_ = 16394;
    // What the host's components had recorded at the previous expect.
    size_t windowsSeen_ = 0, callsSeen_ = 0, invoicesSeen_ = 0;
    bool fixedNow_ = false;
    long formsOpened_ = 0;                     // forms opened so far
    long stepForm_ = 0;                        // the form open when the step began (its number)
    std::optional<FieldTexts> replacedStart_;  // its values then, once another form replaced it
    size_t printsNoted_ = 0;
    std::vector<PrintRecord> printsSinceExpect_;

    // ---- Set-up ----
    void Prepare() {
        if (opt_.databasePath.empty()) {
            static int n = 0;
            dbPath_ = (fs::temp_directory_path() /
                       ("xsbill_" + std::to_string(::getpid()) + "_" + std::to_string(++n) + ".db"))
                          .string();
            tempDb_ = !opt_.keepDatabase;
            CreateDemoDatabase(dbPath_);
        } else {
            dbPath_ = opt_.databasePath;
            if (!fs::exists(dbPath_)) CreateDemoDatabase(dbPath_);
        }
        run_.database = dbPath_;
        db_ = std::make_unique<Database>(dbPath_);
        adapter_ = std::make_unique<DatabaseAdapter>(*db_);
        for (const auto& [sql, line] : sc_.databaseSql) {
            try {
                db_->ExecScript(sql);
            } catch (const std::exception& e) {
                throw InvalidStep(sc_.file + ":" + std::to_string(line) +
                                  ": the database SQL failed: " + e.what());
            }
        }
        HostLogin login;
        if (sc_.login.user) {
            const Value& u = *sc_.login.user;
            auto r = u.IsNumber() ? db_->Run("Select FUserID, FName From t_User Where FUserID=" +
                                             std::to_string(static_cast<long long>(u.ToNumber())))
                                  : db_->Run("Select FUserID, FName From t_User Where FName=" +
                                             SqlText(u.ToString()));
            if (r.rows.empty()) throw InvalidStep(sc_.file + ": login: no user " + u.ToString());
            login.userId = static_cast<int>(r.rows[0][0].ToNumber());
            login.userName = r.rows[0][1].ToString();
        }
        userID_ = login.userId;
        host_ = std::make_unique<ReferenceHost>(dbPath_, login);
        if (sc_.login.industryType) host_->SetIndustryType(*sc_.login.industryType);
        if (sc_.login.appType) host_->SetAppType(*sc_.login.appType);
        if (sc_.login.initClosed) host_->SetInitClosed(*sc_.login.initClosed);
        for (const auto& [t, o, a] : sc_.denied) host_->DenyRight(t, o, a);
        for (const auto& [c, k, v] : sc_.options) host_->SetOption(c, k, v);
        for (const auto& [s, k, v] : sc_.profile) host_->SetUserProfile(s, k, v);
        host_->Platform().SetBoxListener([this](const BoxRecord& b) {
            BoxLine line{b.isInput,   b.prompt,   b.caption,   b.buttons,   Show(b.answer),
                         b.defaulted, b.isDialog, b.confirmed, b.okDisabled};
            boxesSinceExpect_.push_back(line);
            if (current_) current_->boxes.push_back(line);
        });
        if (opt_.library) {
            lib_ = opt_.library;
        } else {
            ownLib_ = std::make_unique<PlugInLibrary>(opt_.pluginPath);
            lib_ = ownLib_.get();
        }
        host_->Attach(*lib_);
        if (opt_.traceSql)
            lib_->SetTraceListener([this](const QOR_XS_TraceRecord& r) { NoteTrapped(r); });
        // One clock for the host and the plug-ins: the scenario's day holds still.
        if (!sc_.now.empty()) {
            sql::SetFixedNow(sc_.now);
            fixedNow_ = true;
        }
        SqlTrace::Global().Enable(true);
        SqlTrace::Global().Clear();
    }

    void Finish() {
        if (lib_ && opt_.traceSql) lib_->SetTraceListener(nullptr);
        if (form_) {
            run_.billKind = form_->Template().kind;
            for (const auto& [k, v] : form_->HeaderValues()) {
                if (v.IsBlank() || (v.IsNumber() && v.ToNumber() == 0)) continue;
                std::string text = Show(v);
                auto cell = form_->GetDataFldbyKey(k, -1);
                const FieldTemplate* f = form_->Template().Field(k, 1);
                if (cell && f && f->source && !cell->Get("FDSP").ToString().empty())
                    text += " (" + cell->Get("FDSP").ToString() + ")";
                run_.header.emplace_back(k, text);
            }
            int r = 0;
            for (const auto& row : form_->RowValues()) {
                ++r;
                std::vector<std::pair<std::string, std::string>> out;
                for (const auto* f : form_->Template().PageFields(2)) {
                    const Value& v = row.at(f->key);
                    if (v.IsBlank() || (v.IsNumber() && v.ToNumber() == 0)) continue;
                    std::string text = Show(v);
                    auto cell = form_->GetDataFldbyKey(f->key, r);
                    if (cell && f->source && !cell->Get("FDSP").ToString().empty())
                        text += " (" + cell->Get("FDSP").ToString() + ")";
                    out.emplace_back(f->key, text);
                }
                if (!out.empty()) run_.rows.push_back(out);
            }
        }
        listPlugIn_.reset();
        formPlugIn_.reset();
        list_.reset();
        form_.reset();
        adapter_.reset();
        db_.reset();
        host_.reset();
        if (fixedNow_) sql::SetFixedNow("");
        if (tempDb_) {
            std::error_code ec;
            fs::remove(dbPath_, ec);
            run_.database = "(fresh demo database)";
        }
    }

    // ---- Recording ----
    // What the step changed: the open form records it as it happens; when the step opened
    // another form, the bill shown at the end is compared with the one shown at the start.
    void RecordChanges(StepRecord& rec) {
        if (form_ && formsOpened_ == stepForm_) {
            rec.changes = form_->TakeChanges();
            return;
        }
        rec.changes = DiffTexts(replacedStart_.value_or(FieldTexts{}),
                                form_ ? form_->CurrentTexts() : FieldTexts{});
    }

    void CollectSql(StepRecord& rec) {
        for (const auto& e : SqlTrace::Global().Entries())
            rec.sql.push_back(
                {e.sql, e.duration.count() / 1000.0, e.rows, e.rowsAffected, e.failed, e.error});
        SqlTrace::Global().Clear();
    }

    // The windows shown and the calls made since the counts given, for the transcript.
    void CollectComponents(size_t windowsFrom, size_t callsFrom, StepRecord& rec) {
        const auto& shown = host_->Services().Shown();
        for (size_t i = windowsFrom; i < shown.size(); ++i)
            rec.windows.push_back({shown[i].progId, shown[i].title, shown[i].lines});
        const auto& calls = host_->Services().Calls();
        for (size_t i = callsFrom; i < calls.size(); ++i) {
            CallLine line{calls[i].progId, calls[i].method, {}};
            for (const auto& a : CallArguments(calls[i]))
                line.args.push_back(a.IsText() && a.AsText().empty() ? "\"\"" : Describe(a));
            rec.calls.push_back(std::move(line));
        }
    }

    void AnswerFromComponents(const ComponentAnswersStep& c) {
        auto& services = host_->Services();
        auto& answers = services.answers();
        if (c.stockShortage) answers.stockShortageCode = *c.stockShortage;
        if (c.itemSelection) {
            answers.hasItemSelection = true;
            answers.itemSelection = *c.itemSelection;
        }
        if (c.creditExceeded) answers.creditExceeded = c.creditExceeded;
        if (c.overdueExceeded) answers.overdueExceeded = c.overdueExceeded;
        for (const auto& n : c.next)
            services.QueueAnswer(n.component, n.method, {n.result, n.message});
    }

    void NoteTrapped(const QOR_XS_TraceRecord& r) {
        if (current_ && r.kind == QOR_XS_TRACE_TRAPPED)
            current_->trapped.push_back({r.trappedIn, r.event, r.error});
    }

    SessionView View() { return SessionView{*db_, *host_, form_.get(), list_.get()}; }

    void Observe(const EventRecord& e) {
        if (current_) current_->events.push_back(e);
    }

    void Record(StepRecord& rec, const ActionResult& r) {
        rec.done = r.done;
        rec.cancelled = r.cancelled;
        rec.cancelledBy = r.cancelledBy;
        if (!r.note.empty()) rec.note = r.note;
        last_ = r;
        lastSet_ = true;
    }

    // ---- Forms ----
    HostBillForm& Form(const Step& s) {
        if (!form_)
            throw InvalidStep(std::string(StepKindName(s.kind)) +
                              ": no bill is open (new or load one first)");
        return *form_;
    }

    // The bill form of that kind; a new form window (and plug-in object) when the kind changes
    // or when newWindow asks for one.
    void OpenForm(const std::string& kind, bool newWindow = false) {
        if (form_ && form_->Template().kind == kind && !newWindow) return;
        if (form_ && formsOpened_ == stepForm_ && !replacedStart_)
            replacedStart_ = form_->StartTexts();
        formPlugIn_.reset();
        form_.reset();
        ++formsOpened_;
        printsNoted_ = 0;
        const BillTemplate* t = FindTemplate(kind);
        form_ = HostBillForm::Create(*t, adapter_.get());
        form_->SetUserID(userID_);
        if (!sc_.today.empty()) form_->SetToday(sc_.today);
        form_->SetObserver([this](const EventRecord& e) { Observe(e); });
        formPlugIn_ = lib_->Create(t->progId);
        if (!formPlugIn_) throw InvalidStep("the plug-in library has no class " + t->progId);
        formPlugIn_->Show(form_);
    }

    // A push tool asked for a follow-on bill: it opens in a form of its own, drawn from the
    // source bills, and the step's outcome is that of the new bill.
    void OpenFollowOn(std::optional<FollowOn> followOn, StepRecord& rec) {
        if (!followOn) return;
        const BillTemplate* t = FindTemplate(std::to_string(followOn->targetClass));
        if (!t) return;
        OpenForm(t->kind, true);
        ActionResult made = form_->NewFromSources(followOn->sourceClass, followOn->sources);
        Record(rec, made);
        rec.hostNotes.push_back(
            made.done ? "the follow-on " + t->kind + " bill is open as a new bill"
                      : "the follow-on " + t->kind + " bill has no rows: " + made.note);
    }

    // The prints the form made during the step, for the transcript and the next expect.
    void NotePrints(StepRecord& rec) {
        if (!form_) return;
        const auto& prints = form_->Prints();
        for (size_t i = printsNoted_; i < prints.size(); ++i) {
            const PrintRecord& p = prints[i];
            rec.hostNotes.push_back(std::string(p.preview ? "print preview of " : "printed ") +
                                    "bill " + p.billNo +
                                    (p.savedFirst ? ", saved first"
                                     : p.unsaved  ? ", with changes not saved"
                                                  : ""));
            printsSinceExpect_.push_back(p);
        }
        printsNoted_ = prints.size();
    }

    // User edits of the fields of one row (or of the header), in order; what was not done is
    // noted, and the first of those is the outcome of the step.
    void Edit(HostBillForm& f, int row, const std::vector<FieldValue>& values,
              ActionResult& overall, StepRecord& rec) {
        for (const auto& v : values) {
            ActionResult r = f.UserEdit(v.key, row, v.value, v.extras);
            if (r.done) continue;
            std::string cell = v.key + (row > 0 ? "@" + std::to_string(row) : "");
            if (r.cancelled)
                rec.hostNotes.push_back(cell + ": the edit was cancelled by " + r.cancelledBy);
            else
                rec.hostNotes.push_back(cell + ": not changed: " + r.note);
            if (overall.done) overall = r;
        }
    }

    void Perform(const Step& s, StepRecord& rec) {
        switch (s.kind) {
            case Step::Kind::New:
                OpenForm(s.billKind);
                Record(rec, form_->NewBill());
                break;
            case Step::Kind::Load:
                // A stored bill opens in a window of its own, as from the bill list.
                OpenForm(s.billKind, true);
                Record(rec, form_->LoadBill(s.id, s.edit));
                break;
            case Step::Kind::Copy:
                Record(rec, Form(s).CopyBill());
                break;
            case Step::Kind::Set: {
                ActionResult overall = ActionResult::Done();
                Edit(Form(s), s.row, s.values, overall, rec);
                Record(rec, overall);
                break;
            }
            case Step::Kind::Rows: {
                HostBillForm& f = Form(s);
                ActionResult overall = ActionResult::Done();
                for (const auto& [row, values] : s.rowEdits) Edit(f, row, values, overall, rec);
                Record(rec, overall);
                break;
            }
            case Step::Kind::Focus:
                Record(rec, Form(s).MoveCursor(s.key, s.row));
                break;
            case Step::Kind::Answers:
                for (const auto& a : s.answers) host_->Platform().QueueAnswer(a);
                rec.done = true;
                break;
            case Step::Kind::Menu:
                Record(rec, Form(s).ClickTool(s.tool));
                OpenFollowOn(form_->TakeFollowOn(), rec);
                break;
            case Step::Kind::Click:
                Record(rec, Form(s).ClickControl(s.tool));
                break;
            case Step::Kind::Press:
                if (!s.key.empty()) {
                    Record(rec, Form(s).PressKeys(s.key, s.text));
                } else {
                    Record(rec, Form(s).PressShortcut(s.tool));
                    OpenFollowOn(form_->TakeFollowOn(), rec);
                }
                break;
            case Step::Kind::Save:
                Record(rec, Form(s).Save());
                break;
            case Step::Kind::Check:
                Record(rec, Form(s).Check());
                break;
            case Step::Kind::Uncheck:
                Record(rec, Form(s).Uncheck());
                break;
            case Step::Kind::Delete:
                Record(rec, Form(s).DeleteBill());
                break;
            case Step::Kind::AddRow:
                Record(rec, Form(s).AddRow());
                break;
            case Step::Kind::DeleteRow:
                Record(rec, Form(s).DeleteRow(s.row));
                break;
            case Step::Kind::SelectSources:
                Record(rec, Form(s).SelectSources(s.classType, s.entries));
                break;
            case Step::Kind::List: {
                listPlugIn_.reset();
                const BillTemplate* t = FindTemplate(s.billKind);
                list_ = HostBillList::Create(*t, adapter_.get());
                list_->SetUserID(userID_);
                if (!sc_.today.empty()) list_->SetToday(sc_.today);
                list_->SetObserver([this](const EventRecord& e) { Observe(e); });
                listPlugIn_ = lib_->Create(t->progId);
                if (!listPlugIn_)
                    throw InvalidStep("the plug-in library has no class " + t->progId);
                listPlugIn_->Show(list_);
                list_->Open();
                Record(rec, list_->Select(s.ids));
                break;
            }
            case Step::Kind::ListMenu:
            case Step::Kind::ListCheck:
            case Step::Kind::ListUncheck: {
                if (!list_)
                    throw InvalidStep(std::string(StepKindName(s.kind)) +
                                      ": no list is open (use list first)");
                ActionResult r = s.kind == Step::Kind::ListCheck     ? list_->Check()
                                 : s.kind == Step::Kind::ListUncheck ? list_->Uncheck()
                                                                     : list_->ClickTool(s.tool);
                Record(rec, r);
                if (r.done) OpenFollowOn(list_->TakeFollowOn(), rec);
                if (r.done && list_->MergedCopy()) {
                    OpenForm(list_->Template().kind);
                    ActionResult opened = form_->OpenCopy(list_->MergedCopy());
                    if (!opened.done)
                        rec.hostNotes.push_back("the merged copy was not opened: " + opened.note);
                    else
                        rec.hostNotes.push_back("the merged copy is open as a new bill");
                }
                break;
            }
            case Step::Kind::Expect:
                NotePrints(rec);
                Check(s, rec);
                rec.done = rec.failures.empty();
                boxesSinceExpect_.clear();
                windowsSeen_ = host_->Services().Shown().size();
                callsSeen_ = host_->Services().Calls().size();
                invoicesSeen_ = host_->Services().InvoiceDictionaries().size();
                printsSinceExpect_.clear();
                break;
            case Step::Kind::ComponentAnswers:
                AnswerFromComponents(s.componentAnswers);
                rec.done = true;
                break;
        }
    }

    // ---- Expectations ----
    bool Matches(const FieldTemplate* f, const CollectionPtr& cell, const Value& actual,
                 const Value& expected, double tol) const {
        if (expected.IsNumber() && (actual.IsNumber() || actual.IsBlank()))
            return std::fabs(actual.ToNumber() - expected.ToNumber()) <= tol;
        std::string e = Trim(expected.ToString());
        std::string a = Trim(Show(actual));
        if (e == a) return true;
        if (f && f->type == FieldType::Date) {
            auto de = ParseDate(e), da = ParseDate(a);
            if (de && da) return *de == *da;
        }
        if (f && f->source && cell)
            return e == Trim(cell->Get("FFND").ToString()) ||
                   e == Trim(cell->Get("FDSP").ToString());
        if (expected.IsBlank()) return a.empty() || (actual.IsNumber() && actual.ToNumber() == 0);
        if (actual.IsNumber()) {
            char* end = nullptr;
            double d = std::strtod(e.c_str(), &end);
            if (!e.empty() && *end == '\0') return std::fabs(actual.ToNumber() - d) <= tol;
        }
        return false;
    }

    void CheckValues(HostBillForm& f, int row, const std::vector<FieldValue>& values, double tol,
                     StepRecord& rec) {
        for (const auto& v : values) {
            const FieldTemplate* t = f.Template().Field(v.key, row > 0 ? 2 : 1);
            std::string cell = v.key + (row > 0 ? "@" + std::to_string(row) : "");
            if (!t) {
                rec.failures.push_back(cell + ": the bill has no such field");
                continue;
            }
            if (row > f.GridMaxDataRowNum()) {
                rec.failures.push_back(cell + ": the bill has only " +
                                       std::to_string(f.GridMaxDataRowNum()) + " rows");
                continue;
            }
            Value actual = f.GetFieldValue(v.key, row);
            auto data = f.GetDataFldbyKey(v.key, row);
            if (!Matches(t, data, actual, v.value, tol)) {
                std::string shown = Show(actual);
                if (t->source && data && !data->Get("FDSP").ToString().empty())
                    shown += " (" + data->Get("FDSP").ToString() + ")";
                rec.failures.push_back(cell + " is " + shown + ", expected " + Show(v.value));
            }
        }
    }

    static std::string Flag(bool b) { return b ? "true" : "false"; }

    void CheckTools(form::MenuBar& bar, const std::map<std::string, ToolExpect>& tools,
                    const std::string& where, StepRecord& rec) {
        for (const auto& [key, t] : tools) {
            auto tool = bar.Tool(key);
            if (!tool) {
                rec.failures.push_back(where + " has no tool " + key);
                continue;
            }
            if (t.visible && tool->Visible() != *t.visible)
                rec.failures.push_back(key + " visible is " + Flag(tool->Visible()) +
                                       ", expected " + Flag(*t.visible));
            if (t.enabled && tool->Enabled() != *t.enabled)
                rec.failures.push_back(key + " enabled is " + Flag(tool->Enabled()) +
                                       ", expected " + Flag(*t.enabled));
            if (t.checked && tool->Checked() != *t.checked)
                rec.failures.push_back(key + " checked is " + Flag(tool->Checked()) +
                                       ", expected " + Flag(*t.checked));
            if (t.caption && tool->Caption() != *t.caption)
                rec.failures.push_back(key + " caption is \"" + tool->Caption() +
                                       "\", expected \"" + *t.caption + "\"");
            if (t.shortcut && !IEquals(tool->Shortcut(), *t.shortcut))
                rec.failures.push_back(key + " shortcut is \"" + tool->Shortcut() +
                                       "\", expected \"" + *t.shortcut + "\"");
        }
    }

    void CheckMessageDetail(const Expect& e, size_t index, const BoxLine& box, StepRecord& rec) {
        auto it = e.messageDetails.find(index);
        if (it == e.messageDetails.end()) return;
        const MessageDetail& d = it->second;
        if (d.caption && box.caption != *d.caption)
            rec.failures.push_back("the message \"" + box.prompt + "\" has the caption \"" +
                                   box.caption + "\", expected \"" + *d.caption + "\"");
        if (d.buttons && box.buttons != *d.buttons)
            rec.failures.push_back("the message \"" + box.prompt + "\" has the buttons " +
                                   std::to_string(box.buttons) + ", expected " +
                                   std::to_string(*d.buttons));
    }

    // Whether a window shown matches an expected one; why not.
    static bool WindowHolds(const WindowExpect& w, const ShownWindow& shown, double tol,
                            std::string& why) {
        if (w.component && !IEquals(*w.component, shown.progId)) {
            why = "it was shown by " + shown.progId;
            return false;
        }
        if (w.title && Trim(shown.title) != Trim(*w.title)) {
            why = "its title is \"" + shown.title + "\"";
            return false;
        }
        if (w.text && std::none_of(shown.lines.begin(), shown.lines.end(), [&](const auto& l) {
                return l.find(*w.text) != std::string::npos;
            })) {
            why = "no line of it holds \"" + *w.text + "\"";
            return false;
        }
        if (w.data && !ContentHolds(*w.data, Value(shown.data ? shown.data : Collection::Make()),
                                    tol, "", why))
            return false;
        if (w.rows && WindowRows(shown) != *w.rows) {
            why = "it shows " + std::to_string(WindowRows(shown)) + " records";
            return false;
        }
        return true;
    }

    static std::string WindowText(const WindowExpect& w) {
        std::string t = w.component.value_or("a window");
        if (w.title) t += " \"" + *w.title + "\"";
        if (w.text) t += " with \"" + *w.text + "\"";
        return t;
    }

    // What the host's components were asked and showed since the previous expect, the active
    // cell and the tools that must not exist.
    void CheckHostSide(const Expect& e, StepRecord& rec) {
        auto& services = host_->Services();
        if (e.activeCell && form_) {
            int want = e.activeCell->row > 0 ? e.activeCell->row : -1;
            int row = form_->ActiveRow() > 0 ? form_->ActiveRow() : -1;
            if (!IEquals(form_->ActiveKey(), e.activeCell->key) || row != want) {
                CellRef at{form_->ActiveKey(), row};
                rec.failures.push_back(
                    "the active cell is " +
                    (form_->ActiveKey().empty() ? std::string("none") : at.Text()) + ", expected " +
                    e.activeCell->Text());
            }
        }
        for (const auto& key : e.absentTools)
            if (form_ && form_->Menus().Tool(key))
                rec.failures.push_back("the form has a tool " + key + ", expected none");
        for (const auto& key : e.absentListTools)
            if (list_ && list_->Menus().Tool(key))
                rec.failures.push_back("the list has a tool " + key + ", expected none");

        const auto& shown = services.Shown();
        if (e.windows) {
            size_t since = std::min(windowsSeen_, shown.size());
            if (e.windows->empty() && since < shown.size())
                rec.failures.push_back("expected no window, but " + shown[since].progId +
                                       " showed \"" + shown[since].title + "\"");
            size_t from = since;
            for (const auto& w : *e.windows) {
                std::string why, firstWhy;
                bool found = false;
                for (size_t i = from; i < shown.size(); ++i) {
                    if (WindowHolds(w, shown[i], e.tolerance, why)) {
                        found = true;
                        from = i + 1;
                        break;
                    }
                    if (firstWhy.empty()) firstWhy = shown[i].progId + ": " + why;
                }
                if (!found)
                    rec.failures.push_back(WindowText(w) + " was not shown" +
                                           (since == shown.size()
                                                ? std::string(" (no window was shown)")
                                                : " (" + firstWhy + ")"));
            }
        }

        const auto& calls = services.Calls();
        for (const auto& c : e.calls) {
            long matched = 0;
            std::string firstWhy;
            for (size_t i = std::min(callsSeen_, calls.size()); i < calls.size(); ++i) {
                const ComponentCall& call = calls[i];
                if (!IEquals(call.progId, c.component) ||
                    (!c.method.empty() && !IEquals(call.method, c.method)))
                    continue;
                bool holds = true;
                if (c.args) {
                    auto args = CallArguments(call);
                    for (size_t a = 0; holds && a < c.args->size(); ++a) {
                        const auto& want = (*c.args)[a];
                        if (!want) continue;
                        std::string why;
                        if (a >= args.size()) {
                            why = "it had " + std::to_string(args.size()) + " arguments";
                            holds = false;
                        } else {
                            holds = ContentHolds(*want, args[a], e.tolerance,
                                                 "argument " + std::to_string(a + 1), why);
                        }
                        if (!holds && firstWhy.empty()) firstWhy = why;
                    }
                }
                if (holds) ++matched;
            }
            std::string what = c.component + (c.method.empty() ? "" : "." + c.method);
            if (c.count && matched != *c.count)
                rec.failures.push_back(what + " was called " + std::to_string(matched) +
                                       " time(s) as expected, not " + std::to_string(*c.count) +
                                       (firstWhy.empty() ? "" : " (" + firstWhy + ")"));
            else if (!c.count && matched == 0)
                rec.failures.push_back(what + " was not called" +
                                       (c.args ? " with those arguments" : "") +
                                       (firstWhy.empty() ? std::string() : " (" + firstWhy + ")"));
        }

        if (e.invoice) {
            const auto& dicts = services.InvoiceDictionaries();
            if (dicts.size() <= invoicesSeen_) {
                rec.failures.push_back(
                    "no invoice dictionary was handed to the invoicing "
                    "component");
            } else {
                std::string why;
                if (!ContentHolds(*e.invoice, Value(dicts.back()), e.tolerance, "", why))
                    rec.failures.push_back("the invoice dictionary " + why);
            }
        }
    }

    // The form window: its caption, its controls and the layout of its bands.
    void CheckForm(const Expect& e, StepRecord& rec) {
        if (e.caption && form_->Caption() != *e.caption)
            rec.failures.push_back("the form's caption is \"" + form_->Caption() +
                                   "\", expected \"" + *e.caption + "\"");
        for (const auto& [controlName, want] : e.controls) {
            const std::string& name = controlName;  // named in the checks below
            auto control = form_->Control(name);
            if (!control) {
                rec.failures.push_back("the form has no control " + name);
                continue;
            }
            auto property = [&](const char* p) -> std::optional<Value> {
                try {
                    return control->GetProperty(p);
                } catch (const std::exception&) {
                    rec.failures.push_back(name + " has no property " + p);
                    return std::nullopt;
                }
            };
            auto flag = [&](const char* p, const char* what, const std::optional<bool>& w) {
                if (!w) return;
                if (auto v = property(p); v && v->ToBool() != *w)
                    rec.failures.push_back(name + " " + what + " is " + Flag(v->ToBool()) +
                                           ", expected " + Flag(*w));
            };
            flag("Visible", "visible", want.visible);
            flag("Enabled", "enabled", want.enabled);
            if (want.caption)
                if (auto v = property("Caption"); v && v->ToString() != *want.caption)
                    rec.failures.push_back(name + " caption is \"" + v->ToString() +
                                           "\", expected \"" + *want.caption + "\"");
            if (want.text)
                if (auto v = property("Text");
                    v && v->ToString().find(*want.text) == std::string::npos)
                    rec.failures.push_back(name + " shows \"" + v->ToString() +
                                           "\", expected it to hold \"" + *want.text + "\"");
        }
        for (const auto& [key, run] : e.bands) {
            auto band = std::dynamic_pointer_cast<MenuBand>(form_->Menus().Band(key));
            if (!band) {
                rec.failures.push_back("the form has no band " + key);
                continue;
            }
            const auto& items = band->Layout();
            bool found = false;
            for (size_t i = 0; !found && i + run.size() <= items.size(); ++i) {
                found = true;
                for (size_t k = 0; found && k < run.size(); ++k)
                    found = IEquals(items[i + k], run[k]);
            }
            if (!found) {
                std::string shown;
                for (const auto& item : items) shown += (shown.empty() ? "" : " ") + item;
                std::string wanted;
                for (const auto& item : run) wanted += (wanted.empty() ? "" : " ") + item;
                rec.failures.push_back("the band " + key + " holds " + shown +
                                       ", expected the run " + wanted);
            }
        }
    }

    void CheckPrints(const PrintExpect& want, StepRecord& rec) {
        long count = static_cast<long>(printsSinceExpect_.size());
        if (want.count && count != *want.count)
            rec.failures.push_back("the bill was printed " + std::to_string(count) +
                                   " time(s), expected " + std::to_string(*want.count));
        if (!want.preview && !want.savedFirst) return;
        if (printsSinceExpect_.empty()) {
            rec.failures.push_back("the bill was not printed");
            return;
        }
        const PrintRecord& last = printsSinceExpect_.back();
        if (want.preview && last.preview != *want.preview)
            rec.failures.push_back(std::string("the bill was ") +
                                   (last.preview ? "previewed" : "printed") + ", expected " +
                                   (*want.preview ? "a preview" : "a print"));
        if (want.savedFirst && last.savedFirst != *want.savedFirst)
            rec.failures.push_back(std::string("the print was ") + (last.savedFirst ? "" : "not ") +
                                   "preceded by a save");
    }

    void Check(const Step& s, StepRecord& rec) {
        const Expect& e = s.expect;
        bool needsForm = !e.header.empty() || !e.rows.empty() || !e.locked.empty() ||
                         !e.unlocked.empty() || !e.hidden.empty() || !e.visible.empty() ||
                         !e.tools.empty() || !e.status.empty() || e.rowCount || e.billStatus ||
                         e.dataChanged || e.activeCell || !e.absentTools.empty() || e.caption ||
                         !e.controls.empty() || !e.bands.empty();
        if (needsForm && !form_) throw InvalidStep("expect: no bill is open");
        if ((!e.listTools.empty() || !e.absentListTools.empty()) && !list_)
            throw InvalidStep("expect: no list is open");
        CheckHostSide(e, rec);
        if (form_) {
            CheckValues(*form_, -1, e.header, e.tolerance, rec);
            for (const auto& [row, values] : e.rows)
                CheckValues(*form_, row, values, e.tolerance, rec);
            auto lockState = [&](const std::vector<CellRef>& cells, bool want) {
                for (const auto& c : cells) {
                    if (!form_->Template().Field(c.key, c.row > 0 ? 2 : 1)) {
                        rec.failures.push_back(c.Text() + ": the bill has no such field");
                        continue;
                    }
                    bool locked = form_->IsCellLocked(c.key, c.row);
                    if (locked != want)
                        rec.failures.push_back(c.Text() + " is " +
                                               (locked ? "locked" : "not locked") + ", expected " +
                                               (want ? "locked" : "unlocked"));
                }
            };
            lockState(e.locked, true);
            lockState(e.unlocked, false);
            auto visibility = [&](const std::vector<CellRef>& cells, bool want) {
                for (const auto& c : cells) {
                    const FieldTemplate* t = form_->Template().Field(c.key, c.row > 0 ? 2 : 0);
                    if (!t) {
                        rec.failures.push_back(c.Text() + ": the bill has no such field");
                        continue;
                    }
                    bool visible = form_->IsFieldVisible(c.key, t->page);
                    if (visible != want)
                        rec.failures.push_back(c.Text() + " is " +
                                               (visible ? "visible" : "hidden") + ", expected " +
                                               (want ? "visible" : "hidden"));
                }
            };
            visibility(e.hidden, false);
            visibility(e.visible, true);
            CheckTools(form_->Menus(), e.tools, "the form", rec);
            for (const auto& [panel, text] : e.status)
                if (form_->StatusText(panel) != text)
                    rec.failures.push_back("status panel " + std::to_string(panel) + " shows \"" +
                                           form_->StatusText(panel) + "\", expected \"" + text +
                                           "\"");
            if (e.rowCount && form_->FilledRows() != *e.rowCount)
                rec.failures.push_back("the bill has " + std::to_string(form_->FilledRows()) +
                                       " filled rows, expected " + std::to_string(*e.rowCount));
            if (e.billStatus && form_->BillStatus() != *e.billStatus)
                rec.failures.push_back(std::string("the form is in state ") +
                                       BillStatusName(form_->BillStatus()) + ", expected " +
                                       BillStatusName(*e.billStatus));
            if (e.dataChanged && form_->IsDataChanged() != *e.dataChanged)
                rec.failures.push_back(
                    std::string("the bill ") + (form_->IsDataChanged() ? "has" : "has no") +
                    " unsaved changes, expected " + (*e.dataChanged ? "some" : "none"));
        }
        if (form_) CheckForm(e, rec);
        if (e.printed) CheckPrints(*e.printed, rec);
        if (list_) CheckTools(list_->Menus(), e.listTools, "the list", rec);
        if (e.cancelled || e.done) {
            if (!lastSet_) throw InvalidStep("expect: no host action happened before");
            if (e.cancelled && last_.cancelled != *e.cancelled)
                rec.failures.push_back(
                    last_.cancelled
                        ? "the action was cancelled by " + last_.cancelledBy +
                              ", expected it to go through"
                        : "the action was not cancelled" +
                              (last_.note.empty() ? std::string() : " (" + last_.note + ")") +
                              ", expected a cancel");
            if (e.done && last_.done != *e.done)
                rec.failures.push_back(std::string("the action was ") +
                                       (last_.done ? "done" : "not done") +
                                       (last_.note.empty() ? "" : " (" + last_.note + ")") +
                                       ", expected " + (*e.done ? "done" : "not done"));
        }
        if (e.messages) {
            if (e.messages->empty() && !boxesSinceExpect_.empty())
                rec.failures.push_back("expected no message, but \"" + boxesSinceExpect_[0].prompt +
                                       "\" was shown");
            size_t from = 0;
            for (size_t k = 0; k < e.messages->size(); ++k) {
                const std::string& m = (*e.messages)[k];
                bool found = false;
                for (size_t i = from; i < boxesSinceExpect_.size(); ++i)
                    if (boxesSinceExpect_[i].prompt.find(m) != std::string::npos) {
                        found = true;
                        from = i + 1;
                        CheckMessageDetail(e, k, boxesSinceExpect_[i], rec);
                        break;
                    }
                if (!found) {
                    std::string shown;
                    for (const auto& b : boxesSinceExpect_)
                        shown += (shown.empty() ? "" : " | ") + b.prompt;
                    rec.failures.push_back("the message \"" + m + "\" was not shown" +
                                           (shown.empty() ? std::string(" (no message was shown)")
                                                          : " (shown: " + shown + ")"));
                }
            }
        }
        for (const auto& q : e.queries) {
            SqlResult r;
            try {
                r = db_->Run(q.sql);
            } catch (const std::exception& ex) {
                rec.failures.push_back("the query failed: " + std::string(ex.what()));
                continue;
            }
            if (q.count && static_cast<long>(r.rows.size()) != *q.count)
                rec.failures.push_back("the query gave " + std::to_string(r.rows.size()) +
                                       " rows, expected " + std::to_string(*q.count) + ": " +
                                       q.sql);
            if (q.rows) {
                auto rowText = [](const std::vector<Value>& row) {
                    std::string t = "[";
                    for (size_t i = 0; i < row.size(); ++i) t += (i ? ", " : "") + Show(row[i]);
                    return t + "]";
                };
                bool same = r.rows.size() == q.rows->size();
                for (size_t i = 0; same && i < r.rows.size(); ++i) {
                    const auto& want = (*q.rows)[i];
                    if (want.size() != r.rows[i].size()) {
                        same = false;
                        break;
                    }
                    for (size_t c = 0; c < want.size(); ++c)
                        if (!Matches(nullptr, nullptr, r.rows[i][c], want[c], e.tolerance))
                            same = false;
                }
                if (!same) {
                    std::string got;
                    for (const auto& row : r.rows) got += (got.empty() ? "" : ", ") + rowText(row);
                    std::string want;
                    for (const auto& row : *q.rows)
                        want += (want.empty() ? "" : ", ") + rowText(row);
                    rec.failures.push_back("the query gave " + (got.empty() ? "no rows" : got) +
                                           ", expected " + (want.empty() ? "no rows" : want) +
                                           ": " + q.sql);
                }
            }
        }
    }
};

std::string ButtonsText(int b) {
    std::string s = std::to_string(b);
    return s;
}

}  // namespace

RunRecord RunScenario(const Scenario& scenario, const RunOptions& options) {
    Runner r(scenario, options);
    return r.Run();
}

RunRecord RunScenarioFile(const std::string& path, const RunOptions& options) {
    try {
        Scenario sc = LoadScenario(path);
        return RunScenario(sc, options);
    } catch (const ScenarioError& e) {
        RunRecord run;
        run.file = path;
        run.invalid = e.what();
        return run;
    } catch (const TemplateError& e) {
        RunRecord run;
        run.file = path;
        run.invalid = e.what();
        return run;
    }
}

std::string RenderText(const RunRecord& run, bool traceSql) {
    std::ostringstream o;
    o << "== " << run.file << (run.name.empty() ? "" : ": " + run.name) << " ==\n";
    if (!run.description.empty()) o << "   " << run.description << "\n";
    for (const auto& s : run.steps) {
        o << "[" << s.index << "] " << s.label << "  (line " << s.line << ")\n";
        for (const auto& b : s.boxes) {
            if (b.dialog)
                o << "    dialog \"" << b.caption << "\" \"" << b.prompt << "\" -> "
                  << (b.confirmed ? "OK \"" + b.answer + "\""
                                  : std::string("Cancel") +
                                        (b.okDisabled ? " (OK disabled: the text is blank)" : ""));
            else if (b.input)
                o << "    input box \"" << b.prompt << "\" [" << b.caption << "] -> \"" << b.answer
                  << "\"";
            else
                o << "    message \"" << b.prompt << "\" [" << b.caption << ", buttons "
                  << ButtonsText(b.buttons) << "] -> " << b.answer;
            o << (b.defaulted ? " (no answer queued: default taken)" : "") << "\n";
        }
        for (const auto& e : s.events) {
            if (e.cancelled) o << "    " << e.name << "(" << e.args << ") set Cancel\n";
            if (!e.error.empty()) o << "    " << e.name << ": handler error: " << e.error << "\n";
        }
        if (!s.isExpect) {
            if (s.cancelled)
                o << "    cancelled by " << s.cancelledBy << "\n";
            else if (!s.done && !s.note.empty())
                o << "    not done: " << s.note << "\n";
        }
        for (const auto& w : s.windows) {
            o << "    window " << w.component << " \"" << w.title << "\"";
            for (size_t i = 0; i < w.lines.size(); ++i) o << (i ? " | " : ": ") << w.lines[i];
            o << "\n";
        }
        for (const auto& c : s.calls) {
            if (IsSettingsReader(c.component)) continue;
            o << "    call " << c.component << "." << c.method << "(";
            for (size_t i = 0; i < c.args.size(); ++i) o << (i ? ", " : "") << c.args[i];
            o << ")\n";
        }
        for (const auto& n : s.hostNotes) o << "    note: " << n << "\n";
        if (!s.changes.empty()) {
            o << "    changed:";
            size_t n = 0;
            for (const auto& c : s.changes) {
                if (n++ == 12) {
                    o << " ... (" << s.changes.size() - 12 << " more)";
                    break;
                }
                o << " " << c.cell << " " << (c.before.empty() ? "\"\"" : c.before) << "->"
                  << (c.after.empty() ? "\"\"" : c.after) << ";";
            }
            o << "\n";
        }
        if (s.isExpect) {
            if (s.failures.empty())
                o << "    ok\n";
            else
                for (const auto& f : s.failures) o << "    FAILED: " << f << "\n";
        }
        if (traceSql)
            for (const auto& q : s.sql)
                o << "    sql " << q.ms << " ms, "
                  << (q.failed
                          ? "failed: " + q.error
                          : std::to_string(q.rows) + " rows" +
                                (q.changed ? ", " + std::to_string(q.changed) + " changed" : ""))
                  << ": " << q.sql << "\n";
        if (traceSql)
            for (const auto& t : s.trapped)
                o << "    trapped in " << t.where << (t.event.empty() ? "" : " (" + t.event + ")")
                  << ": " << t.error << "\n";
    }
    if (!run.billKind.empty()) {
        o << "-- the " << run.billKind << " bill at the end --\n   header:";
        for (const auto& [k, v] : run.header) o << " " << k << "=" << v << ";";
        o << "\n";
        for (size_t i = 0; i < run.rows.size(); ++i) {
            o << "   row " << i + 1 << ":";
            for (const auto& [k, v] : run.rows[i]) o << " " << k << "=" << v << ";";
            o << "\n";
        }
    }
    if (!run.invalid.empty())
        o << "INVALID SCENARIO: " << run.invalid << "\n";
    else
        o << (run.failures
                  ? "FAILED: " + std::to_string(run.failures) + " expectation(s) did not hold"
                  : std::string("passed"))
          << "\n";
    return o.str();
}

std::string RenderJson(const std::vector<RunRecord>& runs, bool traceSql) {
    nlohmann::json all = nlohmann::json::array();
    for (const auto& run : runs) {
        nlohmann::json r;
        r["file"] = run.file;
        r["name"] = run.name;
        r["description"] = run.description;
        r["status"] = !run.invalid.empty() ? "invalid" : run.failures ? "failed" : "passed";
        if (!run.invalid.empty()) r["invalid"] = run.invalid;
        r["failures"] = run.failures;
        nlohmann::json steps = nlohmann::json::array();
        for (const auto& s : run.steps) {
            nlohmann::json j;
            j["index"] = s.index;
            j["line"] = s.line;
            j["step"] = s.label;
            j["done"] = s.done;
            j["cancelled"] = s.cancelled;
            if (s.cancelled) j["cancelledBy"] = s.cancelledBy;
            if (!s.note.empty()) j["note"] = s.note;
            nlohmann::json boxes = nlohmann::json::array();
            for (const auto& b : s.boxes) {
                nlohmann::json box{{"input", b.input},     {"prompt", b.prompt},
                                   {"caption", b.caption}, {"buttons", b.buttons},
                                   {"answer", b.answer},   {"defaulted", b.defaulted}};
                if (b.dialog) {
                    box["dialog"] = true;
                    box["confirmed"] = b.confirmed;
                    if (b.okDisabled) box["okDisabled"] = true;
                }
                boxes.push_back(box);
            }
            j["messages"] = boxes;
            nlohmann::json events = nlohmann::json::array();
            for (const auto& e : s.events) {
                nlohmann::json ev{{"event", e.name}, {"args", e.args}, {"depth", e.depth}};
                if (e.cancellable) ev["cancelled"] = e.cancelled;
                if (!e.error.empty()) ev["error"] = e.error;
                events.push_back(ev);
            }
            j["events"] = events;
            nlohmann::json changes = nlohmann::json::array();
            for (const auto& c : s.changes)
                changes.push_back({{"field", c.cell}, {"before", c.before}, {"after", c.after}});
            j["changed"] = changes;
            j["notes"] = s.hostNotes;
            nlohmann::json windows = nlohmann::json::array();
            for (const auto& w : s.windows)
                windows.push_back(
                    {{"component", w.component}, {"title", w.title}, {"lines", w.lines}});
            j["windows"] = windows;
            nlohmann::json calls = nlohmann::json::array();
            for (const auto& c : s.calls)
                calls.push_back(
                    {{"component", c.component}, {"method", c.method}, {"args", c.args}});
            j["calls"] = calls;
            if (s.isExpect) j["failures"] = s.failures;
            if (traceSql) {
                nlohmann::json sql = nlohmann::json::array();
                for (const auto& q : s.sql) {
                    nlohmann::json x{
                        {"sql", q.sql}, {"ms", q.ms}, {"rows", q.rows}, {"changed", q.changed}};
                    if (q.failed) x["error"] = q.error;
                    sql.push_back(x);
                }
                j["sql"] = sql;
                if (!s.trapped.empty()) {
                    nlohmann::json trapped = nlohmann::json::array();
                    for (const auto& t : s.trapped)
                        trapped.push_back(
                            {{"where", t.where}, {"event", t.event}, {"error", t.error}});
                    j["trapped"] = trapped;
                }
            }
            steps.push_back(j);
        }
        r["steps"] = steps;
        if (!run.billKind.empty()) {
            nlohmann::json bill;
            bill["kind"] = run.billKind;
            nlohmann::json header = nlohmann::json::object();
            for (const auto& [k, v] : run.header) header[k] = v;
            bill["header"] = header;
            nlohmann::json rows = nlohmann::json::array();
            for (const auto& row : run.rows) {
                nlohmann::json x = nlohmann::json::object();
                for (const auto& [k, v] : row) x[k] = v;
                rows.push_back(x);
            }
            bill["rows"] = rows;
            r["bill"] = bill;
        }
        all.push_back(r);
    }
    return all.dump(2);
}

}  // namespace qor::host::form

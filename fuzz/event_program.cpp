#include "fuzz/event_program.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <sstream>

namespace qor::fuzz {

using host::form::FieldValue;
using host::form::Scenario;
using host::form::SourceEntry;
using host::form::Step;

namespace {

// ---- The format's operations and tags ----------------------------------------------------------

enum Op : uint8_t {
    kSetHeader,
    kSetRow,
    kAddRow,
    kDeleteRow,
    kFocus,
    kMenu,
    kSave,
    kCheck,
    kUncheck,
    kDelete,
    kCopy,
    kNew,
    kLoad,
    kSelectSources,
    kAnswers,
    kList,
    kListMenu,
    kListCheck,
    kListUncheck,
    kClick,
    kPress,
    kShortcut,
    kComponentAnswers,
    kOption,
    kProfile,
    kDeny,
    kLogin,
    kToday,
    kOpCount
};

// How often each operation comes up among the 256 opcode bytes: edits most, the session's
// settings least.
constexpr std::array<int, kOpCount> kWeights{
    40, 56, 10, 8, 6, 24, 14, 10, 6, 5, 4, 4, 6, 8, 12, 6, 8, 4, 3, 3, 4, 3, 4, 2, 2, 1, 2, 1};
static_assert([] {
    int total = 0;
    for (int w : kWeights) total += w;
    return total == 256;
}());

const std::array<uint8_t, 256>& OpOfByte() {
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> t{};
        int b = 0;
        for (int op = 0; op < kOpCount; ++op)
            for (int i = 0; i < kWeights[op]; ++i) t[b++] = static_cast<uint8_t>(op);
        return t;
    }();
    return table;
}

uint8_t ByteOfOp(Op op) {
    const auto& t = OpOfByte();
    return static_cast<uint8_t>(std::find(t.begin(), t.end(), op) - t.begin());
}

// Argument tags: a value or name given inline rather than picked.
constexpr uint8_t kInlineText = 0xFE;
constexpr uint8_t kInlineNumber = 0xFD;
constexpr uint8_t kInlineId = 0xFC;
constexpr uint8_t kOtherKind = 0x80;  // kind selectors from here on pick another kind

const std::vector<Value> kAnswerChoices{Value(6), Value(7), Value(1), Value(2),
                                        Value("价格有误"), Value(""), Value("'; drop table t_ICItem; --")};
const std::vector<std::string> kTodays{"2026-12-10", "2026-01-01", "2025-12-31", "2027-02-28"};
constexpr int32_t kMissingId = 999999;

// ---- Reading bytes -----------------------------------------------------------------------------

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Done() const { return pos_ >= size_; }
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::string Bytes(size_t n) {
        n = std::min(n, size_ - std::min(pos_, size_));
        std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return s;
    }
    std::string Text() { return Bytes(Byte()); }
    int32_t Int32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(Byte()) << (8 * i);
        return static_cast<int32_t>(v);
    }
    template <class T>
    const T& Pick(const std::vector<T>& from) {
        return from[Byte() % from.size()];
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

Value NumberOfText(const std::string& text) {
    double d = std::strtod(text.c_str(), nullptr);
    if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9e15)
        return Value(static_cast<long long>(d));
    return Value(d);
}

}  // namespace

// ---- The dictionary ----------------------------------------------------------------------------

const std::vector<Value>& Dictionary() {
    static const std::vector<Value> values = [] {
        std::vector<Value> v{
            // numbers at the edges
            Value(0), Value(-0.0), Value(1), Value(-1), Value(0.5), Value(2.5), Value(3),
            Value(1e308), Value(-1e308), Value(2147483648LL), Value(-2147483649LL),
            Value(4294967296LL), Value(1e16), Value(1e-12), Value(1.2345678901234568e21),
            Value(100), Value(13), Value(true), Value(false),
            // numbers as typed
            Value("0"), Value("-0"), Value("NaN"), Value("nan"), Value("inf"), Value("1e400"),
            Value("2147483648"), Value("1234567890123456789012"), Value("12abc"), Value(" 7 "),
            Value("1,000"), Value("0x10"), Value("-1"), Value("99.995"),
            // dates
            Value("1900-01-01"), Value("9999-12-31"), Value("2100-02-29"), Value("2024-02-29"),
            Value("2026-12-10"), Value("2026-12-31 23:59:59"), Value("0000-00-00"),
            Value("31/12/2026"), Value(""),
            // texts
            Value("'"), Value("''"), Value("O'Brien"), Value("'; drop table t_ICItem; --"),
            Value("--"), Value("/*"), Value("*/"), Value("%"), Value("_"), Value("["), Value("]"),
            Value("\r\n"), Value("a\r\nb"), Value("中文 名称"), Value("N'x'"), Value("@p"),
            Value("#t"), Value(";"), Value("\\"), Value("\t"), Value(std::string(4096, 'x')),
            Value(std::string("\xff\xfe\xc3\x28", 4)), Value(std::string("\xe4\xb8", 2)),
            Value(std::string("a\0b", 3)), Value("01.001"), Value("1001")};
        return v;
    }();
    return values;
}

// ---- Decoding ----------------------------------------------------------------------------------

namespace {

class Decoder {
public:
    Decoder(const Vocabulary& vocab, const uint8_t* data, size_t size)
        : vocab_(vocab), in_(data, size) {}

    Program Run() {
        Program p;
        const auto& kinds = vocab_.Kinds();
        main_ = &kinds[in_.Byte() % kinds.size()];
        form_ = list_ = main_;
        p.kind = main_->bill->kind;
        sc_.file = "(fuzz)";
        sc_.name = "fuzz " + p.kind;
        sc_.today = kTodays[0];
        Push(NewStep(Step::Kind::New, *main_));
        size_t ops = 0;
        while (!in_.Done() && ops++ < kMaxOperations) Operation();
        sc_.now = sc_.today + " 09:00:00";
        p.scenario = std::move(sc_);
        return p;
    }

private:
    const Vocabulary& vocab_;
    Reader in_;
    Scenario sc_;
    const KindVocabulary* main_ = nullptr;
    const KindVocabulary* form_ = nullptr;  // the kind of the form open
    const KindVocabulary* list_ = nullptr;  // the kind of the list open
    bool listOpen_ = false;

    void Push(Step s) { sc_.steps.push_back(std::move(s)); }

    static Step NewStep(Step::Kind kind, const KindVocabulary& k) {
        Step s;
        s.kind = kind;
        s.billKind = k.bill->kind;
        s.label = std::string(host::form::StepKindName(kind)) + " " + s.billKind;
        return s;
    }

    const KindVocabulary& KindArg() {
        uint8_t b = in_.Byte();
        if (b < kOtherKind) return *main_;
        return vocab_.Kinds()[(b - kOtherKind) % vocab_.Kinds().size()];
    }

    std::string Name(const std::vector<std::string>& from, const std::string& fallback) {
        uint8_t b = in_.Byte();
        if (b == kInlineText) return in_.Text();
        if (from.empty()) return fallback;
        return from[b % from.size()];
    }

    int Row() {
        uint8_t b = in_.Byte();
        if (b == kInlineId) return std::clamp(in_.Int32(), 1, 400);
        return b % 10 + 1;
    }

    int32_t Id(const KindVocabulary& k) {
        uint8_t b = in_.Byte();
        if (b == kInlineId) return in_.Int32();
        // the stored bills, the next two a save gives, and one that does not exist
        int32_t top = k.storedIds.empty() ? 0 : *std::max_element(k.storedIds.begin(),
                                                                     k.storedIds.end());
        size_t n = k.storedIds.size() + 3;
        size_t i = b % n;
        if (i < k.storedIds.size()) return k.storedIds[i];
        i -= k.storedIds.size();
        return i == 2 ? kMissingId : top + 1 + static_cast<int32_t>(i);
    }

    Value Plain(const std::string& field) {
        uint8_t b = in_.Byte();
        switch (b) {
            case kInlineText:
                return Value(in_.Text());
            case kInlineNumber:
                return NumberOfText(in_.Text());
            case kInlineId:
                return Value(static_cast<long long>(in_.Int32()));
            default:
                break;
        }
        auto ids = form_->baseIds.find(field);
        if (ids != form_->baseIds.end() && b < 0x80) {
            // a record that exists, or one that does not
            size_t n = ids->second.size() + 2;
            size_t i = b % n;
            if (i < ids->second.size()) return Value(static_cast<long long>(ids->second[i]));
            return Value(i == ids->second.size() ? 0LL : static_cast<long long>(kMissingId));
        }
        return Dictionary()[b % Dictionary().size()];
    }

    FieldValue FieldArg(const std::vector<std::string>& fields) {
        FieldValue v;
        v.key = Name(fields, "FNote");
        if (in_.Byte() % 8 == 0) {
            // with event data: a few items the user's choice carries
            v.extras = Collection::Make();
            int n = in_.Byte() % 3 + 1;
            for (int i = 0; i < n; ++i) {
                std::string key = Name({"FCoefficient", "MultiItem", "FIsBatchNoManage"}, "X");
                v.extras->Set(key, Plain(key));
            }
        }
        v.value = Plain(v.key);
        return v;
    }

    void EnsureList() {
        if (listOpen_) return;
        Step s = NewStep(Step::Kind::List, *list_);
        if (!list_->storedIds.empty()) s.ids.push_back(list_->storedIds.front());
        listOpen_ = true;
        Push(std::move(s));
    }

    void Operation() {
        Op op = static_cast<Op>(OpOfByte()[in_.Byte()]);
        Step s;
        switch (op) {
            case kSetHeader:
            case kSetRow: {
                s.kind = Step::Kind::Set;
                s.row = op == kSetRow ? Row() : -1;
                s.values.push_back(FieldArg(op == kSetRow ? form_->entryFields : form_->headerFields));
                s.label = "set " + s.values[0].key + (s.row > 0 ? "@" + std::to_string(s.row) : "");
                break;
            }
            case kAddRow:
                s.kind = Step::Kind::AddRow;
                s.label = "addRow";
                break;
            case kDeleteRow:
                s.kind = Step::Kind::DeleteRow;
                s.row = Row();
                s.label = "deleteRow " + std::to_string(s.row);
                break;
            case kFocus: {
                s.kind = Step::Kind::Focus;
                uint8_t b = in_.Byte();
                if (b % 2 && !form_->entryFields.empty()) s.key = in_.Pick(form_->entryFields);
                s.row = Row();
                s.label = "focus " + (s.key.empty() ? "row " : s.key + "@") + std::to_string(s.row);
                break;
            }
            case kMenu:
                s.kind = Step::Kind::Menu;
                s.tool = Name(form_->tools, "mnuEditFileSave");
                s.label = "menu " + s.tool;
                break;
            case kSave:
            case kCheck:
            case kUncheck:
            case kDelete:
            case kCopy: {
                static const std::map<Op, Step::Kind> kinds{{kSave, Step::Kind::Save},
                                                            {kCheck, Step::Kind::Check},
                                                            {kUncheck, Step::Kind::Uncheck},
                                                            {kDelete, Step::Kind::Delete},
                                                            {kCopy, Step::Kind::Copy}};
                s.kind = kinds.at(op);
                s.label = host::form::StepKindName(s.kind);
                break;
            }
            case kNew:
                form_ = &KindArg();
                s = NewStep(Step::Kind::New, *form_);
                break;
            case kLoad: {
                form_ = &KindArg();
                s = NewStep(Step::Kind::Load, *form_);
                s.id = Id(*form_);
                s.edit = in_.Byte() % 2;
                s.label += " " + std::to_string(s.id) + (s.edit ? " (edit)" : "");
                break;
            }
            case kSelectSources: {
                s.kind = Step::Kind::SelectSources;
                uint8_t b = in_.Byte();
                if (b == kInlineId)
                    s.classType = in_.Int32();
                else if (!form_->sourceClasses.empty())
                    s.classType = form_->sourceClasses[b % form_->sourceClasses.size()];
                else
                    s.classType = 1030001;
                int n = in_.Byte() % 2 + 1;
                auto offered = form_->sourceIds.find(s.classType);
                for (int i = 0; i < n; ++i) {
                    SourceEntry e;
                    uint8_t c = in_.Byte();
                    if (c == kInlineId)
                        e.id = in_.Int32();
                    else if (offered != form_->sourceIds.end() && !offered->second.empty() && c < 0xF0)
                        e.id = offered->second[c % offered->second.size()];
                    else
                        e.id = kMissingId;
                    if (in_.Byte() == kInlineId) e.entryID = in_.Int32();
                    s.entries.push_back(e);
                }
                s.label = "selectSources " + std::to_string(s.classType);
                break;
            }
            case kAnswers: {
                s.kind = Step::Kind::Answers;
                int n = in_.Byte() % 3 + 1;
                for (int i = 0; i < n; ++i) {
                    uint8_t b = in_.Byte();
                    if (b == kInlineText)
                        s.answers.push_back(Value(in_.Text()));
                    else if (b == kInlineId)
                        s.answers.push_back(Value(static_cast<int>(in_.Int32())));
                    else
                        s.answers.push_back(kAnswerChoices[b % kAnswerChoices.size()]);
                }
                s.label = "answers";
                break;
            }
            case kList: {
                list_ = &KindArg();
                s = NewStep(Step::Kind::List, *list_);
                int n = in_.Byte() % 3;
                for (int i = 0; i < n; ++i) s.ids.push_back(Id(*list_));
                listOpen_ = true;
                break;
            }
            case kListMenu:
            case kListCheck:
            case kListUncheck:
                EnsureList();
                s.kind = op == kListMenu    ? Step::Kind::ListMenu
                         : op == kListCheck ? Step::Kind::ListCheck
                                            : Step::Kind::ListUncheck;
                if (op == kListMenu) s.tool = Name(list_->listTools, "mnuEditCheck");
                s.label = std::string(host::form::StepKindName(s.kind)) +
                          (s.tool.empty() ? "" : " " + s.tool);
                break;
            case kClick:
                s.kind = Step::Kind::Click;
                s.tool = Name(form_->controls, "cmdNothing");
                s.label = "click " + s.tool;
                break;
            case kPress:
                s.kind = Step::Kind::Press;
                s.key = Name(form_->headerFields, "FNote");
                s.text = Plain(s.key).ToString();
                s.label = "press \"" + s.text + "\" in " + s.key;
                break;
            case kShortcut:
                s.kind = Step::Kind::Press;
                s.tool = Name(form_->shortcuts, "F9");
                s.label = "press " + s.tool;
                break;
            case kComponentAnswers: {
                s.kind = Step::Kind::ComponentAnswers;
                auto& c = s.componentAnswers;
                switch (in_.Byte() % 8) {
                    case 0: c.stockShortage = -1; break;
                    case 1: c.stockShortage = 3; break;
                    case 2: c.creditExceeded = true; break;
                    case 3: c.creditExceeded = false; break;
                    case 4: c.overdueExceeded = true; break;
                    case 5: c.overdueExceeded = false; break;
                    case 6: c.itemSelection = std::vector<int>{}; break;
                    default: c.itemSelection = std::vector<int>{1001}; break;
                }
                s.label = "componentAnswers";
                break;
            }
            case kOption: {
                std::string category = in_.Text(), key = in_.Text(), value = in_.Text();
                sc_.options.emplace_back(category, key, value);
                return;
            }
            case kProfile: {
                std::string section = in_.Text(), key = in_.Text(), value = in_.Text();
                sc_.profile.emplace_back(section, key, value);
                return;
            }
            case kDeny: {
                int type = in_.Int32(), object = in_.Int32(), access = in_.Int32();
                sc_.denied.emplace_back(type, object, access);
                return;
            }
            case kLogin: {
                uint8_t flags = in_.Byte();
                if (flags & 1) sc_.login.industryType = (flags & 2) ? 1 : 0;
                if (flags & 4) sc_.login.initClosed = (flags & 8) != 0;
                if (flags & 16) sc_.login.appType = (flags & 32) ? 1 : 2;
                if (flags & 64) sc_.login.user = Value(static_cast<long long>(in_.Int32()));
                return;
            }
            case kToday: {
                uint8_t b = in_.Byte();
                std::string day = b == kInlineText ? in_.Text() : kTodays[b % kTodays.size()];
                if (ParseDate(day)) sc_.today = FormatDate(*ParseDate(day));
                return;
            }
            case kOpCount:
                return;
        }
        Push(std::move(s));
    }
};

}  // namespace

Program Decode(const uint8_t* data, size_t size) {
    return Decoder(Vocabulary::Get(), data, size).Run();
}

// ---- Encoding ----------------------------------------------------------------------------------

namespace {

class Encoder {
public:
    explicit Encoder(const Vocabulary& vocab) : vocab_(vocab) {}

    std::vector<uint8_t> Run(const Scenario& sc) {
        main_ = FirstKind(sc);
        form_ = list_ = main_;
        Put(static_cast<uint8_t>(Index(main_)));
        // the session's settings first: they apply before the first step anyway
        if (!sc.today.empty()) {
            PutOp(kToday);
            Put(kInlineText);
            Text(sc.today);
        }
        if (sc.login.industryType || sc.login.initClosed || sc.login.appType || sc.login.user) {
            uint8_t flags = 0;
            if (sc.login.industryType) flags |= 1 | (*sc.login.industryType == 1 ? 2 : 0);
            if (sc.login.initClosed) flags |= 4 | (*sc.login.initClosed ? 8 : 0);
            if (sc.login.appType) flags |= 16 | (*sc.login.appType == 1 ? 32 : 0);
            if (sc.login.user && sc.login.user->IsNumber()) flags |= 64;
            PutOp(kLogin);
            Put(flags);
            if (flags & 64) Int32(static_cast<int32_t>(sc.login.user->ToNumber()));
        }
        for (const auto& [c, k, v] : sc.options) Strings(kOption, {c, k, v});
        for (const auto& [s, k, v] : sc.profile) Strings(kProfile, {s, k, v});
        for (const auto& [t, o, a] : sc.denied) {
            PutOp(kDeny);
            Int32(t);
            Int32(o);
            Int32(a);
        }
        bool first = true;
        for (const auto& step : sc.steps) {
            // the session opens a new bill of its kind itself
            if (first && step.kind == Step::Kind::New && Kind(step.billKind) == main_) {
                first = false;
                continue;
            }
            first = false;
            Step_(step);
            if (ops_ >= kMaxOperations) break;  // a session reads no more
        }
        return out_;
    }

private:
    const Vocabulary& vocab_;
    std::vector<uint8_t> out_;
    const KindVocabulary* main_ = nullptr;
    const KindVocabulary* form_ = nullptr;
    const KindVocabulary* list_ = nullptr;
    size_t ops_ = 0;

    void Put(uint8_t b) { out_.push_back(b); }
    void PutOp(Op op) {
        ++ops_;
        Put(ByteOfOp(op));
    }
    void Int32(int32_t v) {
        for (int i = 0; i < 4; ++i) Put(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
    }
    void Text(const std::string& s) {
        size_t n = std::min<size_t>(s.size(), 255);
        Put(static_cast<uint8_t>(n));
        out_.insert(out_.end(), s.begin(), s.begin() + static_cast<long>(n));
    }
    void Strings(Op op, std::initializer_list<std::string> texts) {
        PutOp(op);
        for (const auto& t : texts) Text(t);
    }

    size_t Index(const KindVocabulary* k) const {
        return static_cast<size_t>(k - vocab_.Kinds().data());
    }
    const KindVocabulary* Kind(const std::string& kind) const {
        const auto* t = host::form::FindTemplate(kind);
        return t ? vocab_.Find(t->kind) : nullptr;
    }
    const KindVocabulary* FirstKind(const Scenario& sc) const {
        for (const auto& s : sc.steps)
            if (!s.billKind.empty())
                if (const auto* k = Kind(s.billKind)) return k;
        return &vocab_.Kinds().front();
    }
    void KindArg(const KindVocabulary* k) {
        if (k == main_)
            Put(0);
        else
            Put(static_cast<uint8_t>(kOtherKind + Index(k)));
    }
    void NameArg(const std::vector<std::string>& from, const std::string& name) {
        for (size_t i = 0; i < from.size() && i < kInlineText; ++i)
            if (IEquals(from[i], name)) {
                Put(static_cast<uint8_t>(i));
                return;
            }
        Put(kInlineText);
        Text(name);
    }
    void RowArg(int row) {
        if (row >= 1 && row <= 10) {
            Put(static_cast<uint8_t>(row - 1));
        } else {
            Put(kInlineId);
            Int32(row);
        }
    }
    void IdArg(int32_t id) {
        Put(kInlineId);
        Int32(id);
    }
    void ValueArg(const Value& v) {
        if (v.IsNumber() && v.ToNumber() == std::trunc(v.ToNumber()) &&
            std::fabs(v.ToNumber()) < 2147483647.0) {
            Put(kInlineId);
            Int32(static_cast<int32_t>(v.ToNumber()));
        } else if (v.IsNumber()) {
            Put(kInlineNumber);
            char buf[40];
            std::snprintf(buf, sizeof buf, "%.17g", v.ToNumber());
            Text(buf);
        } else if (v.type() == Value::Type::Bool) {
            Put(kInlineId);
            Int32(v.AsBool() ? 1 : 0);
        } else {
            Put(kInlineText);
            Text(v.ToString());
        }
    }
    void Edit(int row, const FieldValue& v) {
        if (ops_ >= kMaxOperations) return;
        PutOp(row > 0 ? kSetRow : kSetHeader);
        if (row > 0) RowArg(row);
        NameArg(row > 0 ? form_->entryFields : form_->headerFields, v.key);
        if (v.extras && v.extras->Count() > 0) {
            Put(0);  // with event data
            Put(static_cast<uint8_t>(std::min<size_t>(v.extras->Count(), 3) - 1));
            size_t n = 0;
            for (const auto& [k, x] : *v.extras) {
                if (n++ == 3) break;
                Put(kInlineText);
                Text(k);
                ValueArg(x);
            }
        } else {
            Put(1);
        }
        ValueArg(v.value);
    }

    void Step_(const Step& s) {
        switch (s.kind) {
            case Step::Kind::New:
            case Step::Kind::Load: {
                const KindVocabulary* k = Kind(s.billKind);
                if (!k) return;
                form_ = k;
                PutOp(s.kind == Step::Kind::New ? kNew : kLoad);
                KindArg(k);
                if (s.kind == Step::Kind::Load) {
                    IdArg(s.id);
                    Put(s.edit ? 1 : 0);
                }
                return;
            }
            case Step::Kind::Set:
                for (const auto& v : s.values) Edit(s.row, v);
                return;
            case Step::Kind::Rows:
                for (const auto& [row, values] : s.rowEdits)
                    for (const auto& v : values) Edit(row, v);
                return;
            case Step::Kind::AddRow:
            case Step::Kind::Save:
            case Step::Kind::Check:
            case Step::Kind::Uncheck:
            case Step::Kind::Delete:
            case Step::Kind::Copy:
            case Step::Kind::ListCheck:
            case Step::Kind::ListUncheck: {
                static const std::map<Step::Kind, Op> ops{
                    {Step::Kind::AddRow, kAddRow},       {Step::Kind::Save, kSave},
                    {Step::Kind::Check, kCheck},         {Step::Kind::Uncheck, kUncheck},
                    {Step::Kind::Delete, kDelete},       {Step::Kind::Copy, kCopy},
                    {Step::Kind::ListCheck, kListCheck}, {Step::Kind::ListUncheck, kListUncheck}};
                PutOp(ops.at(s.kind));
                return;
            }
            case Step::Kind::DeleteRow:
                PutOp(kDeleteRow);
                RowArg(s.row);
                return;
            case Step::Kind::Focus:
                PutOp(kFocus);
                if (s.key.empty()) {
                    Put(0);
                } else {
                    auto it = std::find_if(form_->entryFields.begin(), form_->entryFields.end(),
                                           [&](const std::string& f) { return IEquals(f, s.key); });
                    Put(1);
                    Put(static_cast<uint8_t>(it == form_->entryFields.end()
                                                 ? 0
                                                 : it - form_->entryFields.begin()));
                }
                RowArg(s.row);
                return;
            case Step::Kind::Menu:
                PutOp(kMenu);
                NameArg(form_->tools, s.tool);
                return;
            case Step::Kind::ListMenu:
                PutOp(kListMenu);
                NameArg(list_->listTools, s.tool);
                return;
            case Step::Kind::Click:
                PutOp(kClick);
                NameArg(form_->controls, s.tool);
                return;
            case Step::Kind::Press:
                if (s.key.empty()) {
                    PutOp(kShortcut);
                    NameArg(form_->shortcuts, s.tool);
                } else {
                    PutOp(kPress);
                    NameArg(form_->headerFields, s.key);
                    Put(kInlineText);
                    Text(s.text);
                }
                return;
            case Step::Kind::SelectSources:
                PutOp(kSelectSources);
                IdArg(s.classType);
                Put(static_cast<uint8_t>(s.entries.size() > 1 ? 1 : 0));
                for (size_t i = 0; i < std::min<size_t>(s.entries.size(), 2); ++i) {
                    IdArg(s.entries[i].id);
                    if (s.entries[i].entryID) {
                        Put(kInlineId);
                        Int32(s.entries[i].entryID);
                    } else {
                        Put(0);
                    }
                }
                return;
            case Step::Kind::Answers:
                for (size_t i = 0; i < s.answers.size(); i += 3) {
                    size_t n = std::min<size_t>(3, s.answers.size() - i);
                    PutOp(kAnswers);
                    Put(static_cast<uint8_t>(n - 1));
                    for (size_t j = i; j < i + n; ++j) {
                        const Value& a = s.answers[j];
                        if (a.IsNumber()) {
                            Put(kInlineId);
                            Int32(static_cast<int32_t>(a.ToNumber()));
                        } else {
                            Put(kInlineText);
                            Text(a.ToString());
                        }
                    }
                }
                return;
            case Step::Kind::List: {
                const KindVocabulary* k = Kind(s.billKind);
                if (!k) return;
                list_ = k;
                PutOp(kList);
                KindArg(k);
                Put(static_cast<uint8_t>(std::min<size_t>(s.ids.size(), 2)));
                for (size_t i = 0; i < std::min<size_t>(s.ids.size(), 2); ++i) IdArg(s.ids[i]);
                return;
            }
            case Step::Kind::ComponentAnswers: {
                const auto& c = s.componentAnswers;
                auto put = [&](uint8_t variant) {
                    PutOp(kComponentAnswers);
                    Put(variant);
                };
                if (c.stockShortage) put(*c.stockShortage == -1 ? 0 : 1);
                if (c.creditExceeded) put(*c.creditExceeded ? 2 : 3);
                if (c.overdueExceeded) put(*c.overdueExceeded ? 4 : 5);
                if (c.itemSelection) put(c.itemSelection->empty() ? 6 : 7);
                return;
            }
            case Step::Kind::Expect:
                return;
        }
    }
};

}  // namespace

std::vector<uint8_t> Encode(const Scenario& scenario) {
    return Encoder(Vocabulary::Get()).Run(scenario);
}

// ---- Description -------------------------------------------------------------------------------

namespace {

std::string Shown(const Value& v) {
    if (v.IsNumber()) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.17g", v.ToNumber());
        return buf;
    }
    if (v.type() == Value::Type::Bool) return v.AsBool() ? "true" : "false";
    std::string text = v.ToString(), out = "\"";
    if (text.size() > 48) text = text.substr(0, 40) + "... (" + std::to_string(text.size()) + " bytes)";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x80) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

}  // namespace

std::string Describe(const Program& program) {
    const Scenario& sc = program.scenario;
    std::ostringstream o;
    o << "kind: " << program.kind << ", today: " << sc.today << "\n";
    for (const auto& [c, k, v] : sc.options) o << "option " << c << "/" << k << " = " << Shown(Value(v)) << "\n";
    for (const auto& [s, k, v] : sc.profile) o << "profile " << s << "/" << k << " = " << Shown(Value(v)) << "\n";
    for (const auto& [t, ob, a] : sc.denied) o << "deny " << t << " " << ob << " " << a << "\n";
    if (sc.login.industryType) o << "industryType " << *sc.login.industryType << "\n";
    if (sc.login.initClosed) o << "initClosed " << *sc.login.initClosed << "\n";
    int n = 0;
    for (const auto& s : sc.steps) {
        o << "[" << ++n << "] " << host::form::StepKindName(s.kind);
        switch (s.kind) {
            case Step::Kind::Set:
                for (const auto& v : s.values) {
                    o << " " << v.key << (s.row > 0 ? "@" + std::to_string(s.row) : "") << " := "
                      << Shown(v.value);
                    if (v.extras)
                        for (const auto& [k, x] : *v.extras) o << " +" << k << "=" << Shown(x);
                }
                break;
            case Step::Kind::Answers:
                for (const auto& a : s.answers) o << " " << Shown(a);
                break;
            case Step::Kind::Press:
                o << " " << (s.key.empty() ? s.tool : s.key + " " + Shown(Value(s.text)));
                break;
            case Step::Kind::SelectSources:
                o << " " << s.classType;
                for (const auto& e : s.entries) o << " " << e.id << "/" << e.entryID;
                break;
            case Step::Kind::List:
                o << " " << s.billKind;
                for (auto id : s.ids) o << " " << id;
                break;
            case Step::Kind::ComponentAnswers: {
                const auto& c = s.componentAnswers;
                if (c.stockShortage) o << " stockShortage " << *c.stockShortage;
                if (c.creditExceeded) o << " credit " << (*c.creditExceeded ? "exceeded" : "within");
                if (c.overdueExceeded) o << " overdue " << (*c.overdueExceeded ? "exceeded" : "within");
                if (c.itemSelection) o << " itemSelection " << c.itemSelection->size();
                break;
            }
            default:
                o << (s.label.size() > std::strlen(host::form::StepKindName(s.kind))
                          ? s.label.substr(std::strlen(host::form::StepKindName(s.kind)))
                          : "");
        }
        o << "\n";
    }
    return o.str();
}

}  // namespace qor::fuzz

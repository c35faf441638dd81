#include "host/sql/sqlite_functions.h"

#include <cmath>
#include <cstring>
#include <ctime>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "frame/errors.h"
#include "host/sql/tsql.h"

namespace qor::host::sql {

namespace {

std::mutex g_nowMutex;
std::string g_fixedNow;

// ---- texts ----

char Fold(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

bool LooksLikeDate(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    if (s.size() - i < 8) return false;
    for (size_t k = 0; k < 4; ++k)
        if (!std::isdigit(static_cast<unsigned char>(s[i + k]))) return false;
    return s[i + 4] == '-' || s[i + 4] == '/';
}

int CompareDates(const Date& a, const Date& b) {
    if (a < b) return -1;
    if (b < a) return 1;
    return 0;
}

// UTF-8 character boundaries of a text.
std::vector<size_t> CharStarts(std::string_view s) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < s.size(); ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) starts.push_back(i);
    return starts;
}

size_t FindFolded(std::string_view hay, std::string_view needle, size_t from) {
    if (needle.empty() || hay.size() < needle.size()) return std::string::npos;
    for (size_t i = from; i + needle.size() <= hay.size(); ++i) {
        size_t k = 0;
        while (k < needle.size() && Fold(hay[i + k]) == Fold(needle[k])) ++k;
        if (k == needle.size()) return i;
    }
    return std::string::npos;
}

// ---- values ----

std::string TextOf(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? std::string(reinterpret_cast<const char*>(t),
                           static_cast<size_t>(sqlite3_value_bytes(v)))
             : std::string();
}

void Result(sqlite3_context* ctx, const Value& v) {
    switch (v.type()) {
        case Value::Type::Int:
            sqlite3_result_int64(ctx, v.AsInt());
            break;
        case Value::Type::Bool:
            sqlite3_result_int64(ctx, v.AsBool() ? 1 : 0);
            break;
        case Value::Type::Double:
            sqlite3_result_double(ctx, v.AsDouble());
            break;
        case Value::Type::Text:
            sqlite3_result_text(ctx, v.AsText().c_str(), static_cast<int>(v.AsText().size()),
                                SQLITE_TRANSIENT);
            break;
        default:
            sqlite3_result_null(ctx);
    }
}

void Error(sqlite3_context* ctx, const std::string& message) {
    sqlite3_result_error(ctx, message.c_str(), static_cast<int>(message.size()));
}

bool AnyNull(int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return true;
    return false;
}

const SqlType& CachedType(const std::string& spec) {
    thread_local std::unordered_map<std::string, SqlType> cache;
    auto it = cache.find(spec);
    if (it == cache.end()) it = cache.emplace(spec, ParseSqlType(spec, 30)).first;
    return it->second;
}

// A number operand of arithmetic; a text operand is read as the other operand's type, as SQL
// Server converts varchar to the numeric type of higher precedence.
struct Num {
    bool isInt = true;
    int64_t i = 0;
    double d = 0;
    double AsDouble() const { return isInt ? static_cast<double>(i) : d; }
};

// A value of arithmetic: an argument, or the result of the steps so far in a chain.
struct Operand {
    enum class Kind { Null, Int, Real, Text };
    Kind kind = Kind::Null;
    int64_t i = 0;
    double d = 0;
    std::string s;

    static Operand Of(sqlite3_value* v) {
        Operand o;
        switch (sqlite3_value_type(v)) {
            case SQLITE_INTEGER:
                o.kind = Kind::Int;
                o.i = sqlite3_value_int64(v);
                break;
            case SQLITE_FLOAT:
                o.kind = Kind::Real;
                o.d = sqlite3_value_double(v);
                break;
            case SQLITE_NULL:
                break;
            default:
                o.kind = Kind::Text;
                o.s = TextOf(v);
        }
        return o;
    }
    static Operand Int(int64_t i) {
        Operand o;
        o.kind = Kind::Int;
        o.i = i;
        return o;
    }
    static Operand Real(double d) {
        Operand o;
        o.kind = Kind::Real;
        o.d = d;
        return o;
    }
    static Operand Text(std::string s) {
        Operand o;
        o.kind = Kind::Text;
        o.s = std::move(s);
        return o;
    }
    double Number() const { return kind == Kind::Int ? static_cast<double>(i) : d; }
};

void Result(sqlite3_context* ctx, const Operand& o) {
    switch (o.kind) {
        case Operand::Kind::Int:
            return sqlite3_result_int64(ctx, o.i);
        case Operand::Kind::Real:
            return sqlite3_result_double(ctx, o.d);
        case Operand::Kind::Text:
            return sqlite3_result_text(ctx, o.s.c_str(), static_cast<int>(o.s.size()),
                                       SQLITE_TRANSIENT);
        case Operand::Kind::Null:
            break;
    }
    sqlite3_result_null(ctx);
}

Num ReadNum(const Operand& v, bool preferInt) {
    Num n;
    if (v.kind == Operand::Kind::Int) {
        n.i = v.i;
        return n;
    }
    if (v.kind == Operand::Kind::Real) {
        n.isInt = false;
        n.d = v.d;
        return n;
    }
    Value converted = ConvertTo(Value(v.s), CachedType(preferInt ? "bigint" : "decimal(38,10)"));
    if (converted.type() == Value::Type::Int) {
        n.i = converted.AsInt();
    } else {
        n.isInt = false;
        n.d = converted.AsDouble();
    }
    return n;
}

Num ReadNum(sqlite3_value* v, bool preferInt) {
    return ReadNum(Operand::Of(v), preferInt);
}

bool ReadDateText(const Operand& v, Date& d) {
    return v.kind == Operand::Kind::Text && LooksLikeDate(v.s) && ParseSqlDate(v.s, d);
}

Date AddSeconds(const Date& d, int64_t secs) {
    int64_t total = DaysFromCivil(d) * 86400 + d.hour * 3600 + d.minute * 60 + d.second + secs;
    int64_t days = total >= 0 ? total / 86400 : -((-total + 86399) / 86400);
    int64_t rest = total - days * 86400;
    Date r = DateFromDays(days);
    r.hour = static_cast<int>(rest / 3600);
    r.minute = static_cast<int>(rest / 60 % 60);
    r.second = static_cast<int>(rest % 60);
    return r;
}

// The caller checks the range of the result; months is at most int's range times 12.
Date AddMonths(const Date& d, int64_t months) {
    int64_t index = static_cast<int64_t>(d.year) * 12 + (d.month - 1) + months;
    int64_t year = index >= 0 ? index / 12 : -((-index + 11) / 12);
    Date r = d;
    r.year = static_cast<int>(year);
    r.month = static_cast<int>(index - year * 12) + 1;
    if (r.year >= 1 && r.year <= 9999) r.day = std::min(d.day, DaysInMonth(r.year, r.month));
    return r;
}

bool InDateRange(const Date& d) {
    return d.year >= 1753 && d.year <= 9999;
}

// A date moved by a number of days (with their fraction), as datetime + number does.
Date ShiftDate(const Date& d, double days) {
    Date r;
    if (std::fabs(days) > 4e6 || !InDateRange(r = AddSeconds(d, std::llround(days * 86400.0))))
        throw HostError("T-SQL",
                        "Arithmetic overflow error converting expression to data type datetime.");
    return r;
}

Date ArgDate(sqlite3_value* v) {
    Value converted = ConvertTo(FromSqlite(v), CachedType("datetime"));
    Date d;
    ParseSqlDate(converted.AsText(), d);
    return d;
}

int Weekday(const Date& d) {               // Sunday = 1 .. Saturday = 7
    int64_t days = DaysFromCivil(d);       // 1970-01-01 was a Thursday
    int64_t w = ((days % 7) + 7 + 4) % 7;  // 0 = Sunday
    return static_cast<int>(w) + 1;
}

// Wraps a function body: HostError and other failures become the statement's error.
template <class F>
void Guard(sqlite3_context* ctx, F&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        Error(ctx, e.what());
    }
}

// ---- arithmetic ----

constexpr const char* kBigintOverflow =
    "Arithmetic overflow error converting expression to data type bigint.";
constexpr const char* kIntOverflow =
    "Arithmetic overflow error converting expression to data type int.";

// One step of tsql_arith: code is + - * / % or, for a step between two int values whose result
// must stay in int's range, A S M D R. Texts join with +; a date text plus or minus a number
// moves by that many days; a text meeting a number is read as one; two integers are computed
// exactly (an overflow is an error, as in SQL Server), anything else as a double.
Operand ArithStep(char code, const Operand& a, const Operand& b) {
    static const std::string_view intCodes = "ASMDR", ops = "+-*/%";
    size_t intIndex = intCodes.find(code);
    const bool intStep = intIndex != std::string_view::npos;
    const char op = intStep ? ops[intIndex] : code;
    if (ops.find(op) == std::string_view::npos)
        throw HostError("T-SQL", std::string("unknown arithmetic step '") + code + "'");
    if (a.kind == Operand::Kind::Null || b.kind == Operand::Kind::Null) return Operand{};
    const bool ta = a.kind == Operand::Kind::Text, tb = b.kind == Operand::Kind::Text;
    Date date;
    if (op == '+' && ta && tb) return Operand::Text(a.s + b.s);
    if (op == '+' && ta != tb && ReadDateText(ta ? a : b, date))
        return Operand::Text(FormatSqlDateTime(ShiftDate(date, (ta ? b : a).Number())));
    if (op == '-' && !tb && ReadDateText(a, date))
        return Operand::Text(FormatSqlDateTime(ShiftDate(date, -b.Number())));
    if (op != '+' && ta && tb) {
        const char* name = op == '-'   ? "subtract"
                           : op == '*' ? "multiply"
                           : op == '/' ? "divide"
                                       : "modulo";
        throw HostError("T-SQL",
                        std::string("The data types varchar and varchar are incompatible in the ") +
                            name + " operator.");
    }
    // Each operand is read as an integer when the other one is.
    const Num x = ReadNum(a, b.kind == Operand::Kind::Int);
    const Num y = ReadNum(b, a.kind == Operand::Kind::Int);
    if ((op == '/' || op == '%') && y.AsDouble() == 0)
        throw HostError("T-SQL", "Divide by zero error encountered.");
    if (x.isInt && y.isInt) {
        int64_t r = 0;
        bool overflow = false;
        switch (op) {
            case '+':
                overflow = __builtin_add_overflow(x.i, y.i, &r);
                break;
            case '-':
                overflow = __builtin_sub_overflow(x.i, y.i, &r);
                break;
            case '*':
                overflow = __builtin_mul_overflow(x.i, y.i, &r);
                break;
            default:
                overflow = x.i == INT64_MIN && y.i == -1;
                if (!overflow) r = op == '/' ? x.i / y.i : x.i % y.i;
        }
        if (overflow) throw HostError("T-SQL", intStep ? kIntOverflow : kBigintOverflow);
        if (intStep && (r < INT32_MIN || r > INT32_MAX)) throw HostError("T-SQL", kIntOverflow);
        return Operand::Int(r);
    }
    const double p = x.AsDouble(), q = y.AsDouble();
    switch (op) {
        case '+':
            return Operand::Real(p + q);
        case '-':
            return Operand::Real(p - q);
        case '*':
            return Operand::Real(p * q);
        case '/':
            return Operand::Real(p / q);
        default:
            return Operand::Real(std::fmod(p, q));
    }
}

// tsql_arith('codes', a1, a2, ...): a1, then each step of codes with the next argument.
void ArithFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    Guard(ctx, [&] {
        std::string codes = TextOf(argv[0]);
        if (argc < 2 || codes.size() != static_cast<size_t>(argc - 2))
            throw HostError("T-SQL", "tsql_arith: the steps do not match the operands");
        Operand acc = Operand::Of(argv[1]);
        for (size_t k = 0; k < codes.size(); ++k)
            acc = ArithStep(codes[k], acc, Operand::Of(argv[k + 2]));
        Result(ctx, acc);
    });
}

// The two-operand forms, which table definitions stored by earlier versions may still use.
template <char Op>
void BinaryFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Guard(ctx, [&] { Result(ctx, ArithStep(Op, Operand::Of(argv[0]), Operand::Of(argv[1]))); });
}

// tsql_neg(x) and tsql_neg(x, 1), the latter for an int value.
void NegFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    Guard(ctx, [&] {
        if (AnyNull(1, argv)) return sqlite3_result_null(ctx);
        const bool intValue = argc > 1 && sqlite3_value_int(argv[1]) != 0;
        Num a = ReadNum(argv[0], false);
        if (a.isInt) {
            if (a.i == INT64_MIN) throw HostError("T-SQL", kBigintOverflow);
            if (intValue && -a.i > INT32_MAX) throw HostError("T-SQL", kIntOverflow);
            return Result(ctx, Value(static_cast<long long>(-a.i)));
        }
        Result(ctx, Value(-a.d));
    });
}

// ---- conversions and texts ----

void ConvertFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Guard(ctx, [&] {
        const SqlType& type = CachedType(TextOf(argv[0]));
        int style = sqlite3_value_type(argv[2]) == SQLITE_NULL ? -1 : sqlite3_value_int(argv[2]);
        Result(ctx, ConvertTo(FromSqlite(argv[1]), type, style));
    });
}

std::string PlainText(sqlite3_value* v) {
    return ConvertTo(FromSqlite(v), CachedType("varchar(max)")).AsText();
}

void CharIndexFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    Guard(ctx, [&] {
        if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
        std::string needle = PlainText(argv[0]), hay = PlainText(argv[1]);
        std::vector<size_t> starts = CharStarts(hay);
        int64_t start = argc > 2 ? sqlite3_value_int64(argv[2]) : 1;
        if (start < 1) start = 1;
        if (needle.empty() || start > static_cast<int64_t>(starts.size()))
            return sqlite3_result_int64(ctx, 0);
        size_t at = FindFolded(hay, needle, starts[static_cast<size_t>(start - 1)]);
        if (at == std::string::npos) return sqlite3_result_int64(ctx, 0);
        auto pos = std::lower_bound(starts.begin(), starts.end(), at) - starts.begin();
        sqlite3_result_int64(ctx, pos + 1);
    });
}

void LenFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Guard(ctx, [&] {
        if (AnyNull(1, argv)) return sqlite3_result_null(ctx);
        std::string s = PlainText(argv[0]);
        sqlite3_result_int64(ctx, static_cast<int64_t>(CharStarts(TrimRight(s)).size()));
    });
}

void LTrimFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Guard(ctx, [&] {
        if (AnyNull(1, argv)) return sqlite3_result_null(ctx);
        std::string s = PlainText(argv[0]);
        size_t b = s.find_first_not_of(' ');
        Result(ctx, Value(b == std::string::npos ? std::string() : s.substr(b)));
    });
}

void RTrimFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Guard(ctx, [&] {
        if (AnyNull(1, argv)) return sqlite3_result_null(ctx);
        Result(ctx, Value(std::string(TrimRight(PlainText(argv[0])))));
    });
}

std::string CharSlice(const std::string& s, int64_t from, int64_t count) {
    // from is 0-based and may be negative; count characters from there.
    std::vector<size_t> starts = CharStarts(s);
    int64_t n = static_cast<int64_t>(starts.size());
    int64_t b = std::max<int64_t>(from, 0), e = std::min<int64_t>(from + count, n);
    if (e <= b) return "";
    size_t bb = starts[static_cast<size_t>(b)];
    size_t ee = e >= n ? s.size() : starts[static_cast<size_t>(e)];
    return s.substr(bb, ee - bb);
}

void SubstringFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Guard(ctx, [&] {
        if (AnyNull(3, argv)) return sqlite3_result_null(ctx);
        int64_t len = sqlite3_value_int64(argv[2]);
        if (len < 0)
            throw HostError("T-SQL", "Invalid length parameter passed to the substring function.");
        Result(ctx, Value(CharSlice(PlainText(argv[0]), sqlite3_value_int64(argv[1]) - 1, len)));
    });
}

void LeftRightFn(sqlite3_context* ctx, sqlite3_value** argv, bool left) {
    Guard(ctx, [&] {
        if (AnyNull(2, argv)) return sqlite3_result_null(ctx);
        int64_t n = sqlite3_value_int64(argv[1]);
        if (n < 0)
            throw HostError("T-SQL", std::string("Invalid length parameter passed to the ") +
                                         (left ? "left" : "right") + " function.");
        std::string s = PlainText(argv[0]);
        int64_t count = static_cast<int64_t>(CharStarts(s).size());
        Result(ctx, Value(left ? CharSlice(s, 0, n) : CharSlice(s, count - n, n)));
    });
}
void LeftFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    LeftRightFn(ctx, argv, true);
}
void RightFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    LeftRightFn(ctx, argv, false);
}

void ReplaceFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Guard(ctx, [&] {
        if (AnyNull(3, argv)) return sqlite3_result_null(ctx);
        std::string s = PlainText(argv[0]), find = PlainText(argv[1]), with = PlainText(argv[2]);
        if (find.empty()) return Result(ctx, Value(s));
        std::string out;
        size_t from = 0;
        while (true) {
            size_t at = FindFolded(s, find, from);
            if (at == std::string::npos) break;
            out.append(s, from, at - from);
            out += with;
            from = at + find.size();
        }
        out.append(s, from, std::string::npos);
        Result(ctx, Value(out));
    });
}

double RoundDigits(double d, int64_t digits, bool truncate) {
    double scale = std::pow(10.0, static_cast<double>(digits));
    if (truncate) return std::trunc(d * scale) / scale;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", d);
    double exact = std::strtod(buf, nullptr);
    std::snprintf(buf, sizeof buf, "%.12f", exact * scale);
    return std::round(std::strtod(buf, nullptr)) / scale;
}

void RoundFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    Guard(ctx, [&] {
        if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
        Num x = ReadNum(argv[0], false);
        int64_t digits = sqlite3_value_int64(argv[1]);
        bool truncate = argc > 2 && sqlite3_value_int64(argv[2]) != 0;
        if (x.isInt) {
            if (digits >= 0) return Result(ctx, Value(static_cast<long long>(x.i)));
            double r = RoundDigits(static_cast<double>(x.i), digits, truncate);
            return Result(ctx, Value(static_cast<long long>(r)));
        }
        Result(ctx, Value(RoundDigits(x.d, digits, truncate)));
    });
}

void FloorCeilFn(sqlite3_context* ctx, sqlite3_value** argv, bool floor) {
    Guard(ctx, [&] {
        if (AnyNull(1, argv)) return sqlite3_result_null(ctx);
        Num x = ReadNum(argv[0], false);
        if (x.isInt) return Result(ctx, Value(static_cast<long long>(x.i)));
        Result(ctx, Value(floor ? std::floor(x.d) : std::ceil(x.d)));
    });
}
void FloorFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    FloorCeilFn(ctx, argv, true);
}
void CeilingFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    FloorCeilFn(ctx, argv, false);
}

void IsNumericFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    int t = sqlite3_value_type(argv[0]);
    if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) return sqlite3_result_int(ctx, 1);
    if (t == SQLITE_NULL) return sqlite3_result_int(ctx, 0);
    std::string s = TextOf(argv[0]);
    char* end = nullptr;
    std::string trimmed = s;
    while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
    if (trimmed.empty()) return sqlite3_result_int(ctx, 0);
    std::strtod(trimmed.c_str(), &end);
    sqlite3_result_int(ctx, end && *end == 0 ? 1 : 0);
}

// ---- dates ----

void GetDateFn(sqlite3_context* ctx, int, sqlite3_value**) {
    std::string now = Now();
    sqlite3_result_text(ctx, now.c_str(), static_cast<int>(now.size()), SQLITE_TRANSIENT);
}

void DateAddFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Guard(ctx, [&] {
        if (AnyNull(3, argv)) return sqlite3_result_null(ctx);
        std::string part = TextOf(argv[0]);
        // The number is an int in SQL Server.
        double number = std::trunc(sqlite3_value_double(argv[1]));
        if (!(number >= INT32_MIN && number <= INT32_MAX)) throw HostError("T-SQL", kIntOverflow);
        int64_t n = static_cast<int64_t>(number);
        Date d = ArgDate(argv[2]);
        Date r;
        if (part == "year")
            r = AddMonths(d, n * 12);
        else if (part == "quarter")
            r = AddMonths(d, n * 3);
        else if (part == "month")
            r = AddMonths(d, n);
        else if (part == "day" || part == "dayofyear" || part == "weekday")
            r = AddSeconds(d, n * 86400);
        else if (part == "week")
            r = AddSeconds(d, n * 7 * 86400);
        else if (part == "hour")
            r = AddSeconds(d, n * 3600);
        else if (part == "minute")
            r = AddSeconds(d, n * 60);
        else
            r = AddSeconds(d, n);
        if (!InDateRange(r))
            throw HostError("T-SQL", "Adding a value to a 'datetime' column caused an overflow.");
        Result(ctx, Value(FormatSqlDateTime(r)));
    });
}

void DateDiffFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Guard(ctx, [&] {
        if (AnyNull(3, argv)) return sqlite3_result_null(ctx);
        std::string part = TextOf(argv[0]);
        Date a = ArgDate(argv[1]), b = ArgDate(argv[2]);
        int64_t r = 0;
        int64_t da = DaysFromCivil(a), db = DaysFromCivil(b);
        if (part == "year")
            r = b.year - a.year;
        else if (part == "quarter")
            r = (b.year - a.year) * 4 + (b.month - 1) / 3 - (a.month - 1) / 3;
        else if (part == "month")
            r = (b.year - a.year) * 12 + b.month - a.month;
        else if (part == "day" || part == "dayofyear" || part == "weekday")
            r = db - da;
        else if (part == "week")
            r = ((db - (Weekday(b) - 1)) - (da - (Weekday(a) - 1))) / 7;
        else if (part == "hour")
            r = (db * 24 + b.hour) - (da * 24 + a.hour);
        else if (part == "minute")
            r = (db * 1440 + b.hour * 60 + b.minute) - (da * 1440 + a.hour * 60 + a.minute);
        else
            r = (db * 86400 + b.hour * 3600 + b.minute * 60 + b.second) -
                (da * 86400 + a.hour * 3600 + a.minute * 60 + a.second);
        if (r < INT32_MIN || r > INT32_MAX)
            throw HostError("T-SQL",
                            "The datediff function resulted in an overflow. The number of "
                            "dateparts separating two date/time instances is too large.");
        sqlite3_result_int64(ctx, r);
    });
}

void DatePartFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Guard(ctx, [&] {
        if (AnyNull(2, argv)) return sqlite3_result_null(ctx);
        std::string part = TextOf(argv[0]);
        Date d = ArgDate(argv[1]);
        int64_t r = 0;
        Date jan1{d.year, 1, 1, 0, 0, 0};
        int64_t doy = DaysFromCivil(d) - DaysFromCivil(jan1) + 1;
        if (part == "year")
            r = d.year;
        else if (part == "quarter")
            r = (d.month - 1) / 3 + 1;
        else if (part == "month")
            r = d.month;
        else if (part == "dayofyear")
            r = doy;
        else if (part == "day")
            r = d.day;
        else if (part == "week")
            r = (doy + Weekday(jan1) - 2) / 7 + 1;
        else if (part == "weekday")
            r = Weekday(d);
        else if (part == "hour")
            r = d.hour;
        else if (part == "minute")
            r = d.minute;
        else
            r = d.second;
        sqlite3_result_int64(ctx, r);
    });
}

// ---- dbo.GetComplexQty ----

void ComplexQtyFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Guard(ctx, [&] {
        if (AnyNull(2, argv)) return sqlite3_result_null(ctx);
        Num item = ReadNum(argv[0], true);
        Num qty = ReadNum(argv[1], false);
        sqlite3* db = sqlite3_context_db_handle(ctx);
        const char* sql =
            "SELECT u.FName, u.FCoefficient FROM t_ICItem i JOIN t_MeasureUnit u "
            "ON u.FUnitGroupID = i.FUnitGroupID WHERE i.FItemID = ?1 AND u.FCoefficient > 0 "
            "AND ifnull(u.FDeleted, 0) = 0 "
            "ORDER BY u.FCoefficient DESC";
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
            std::string message = std::string("dbo.GetComplexQty: ") + sqlite3_errmsg(db);
            sqlite3_finalize(stmt);
            throw HostError("T-SQL", message);
        }
        sqlite3_bind_int64(stmt, 1, item.isInt ? item.i : static_cast<int64_t>(item.d));
        std::vector<PackUnit> units;
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            PackUnit u;
            const unsigned char* name = sqlite3_column_text(stmt, 0);
            u.name = name ? reinterpret_cast<const char*>(name) : "";
            u.coefficient = sqlite3_column_double(stmt, 1);
            units.push_back(u);
        }
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE)
            throw HostError("T-SQL", std::string("dbo.GetComplexQty: ") + sqlite3_errmsg(db));
        Result(ctx, Value(ComplexQtyText(qty.AsDouble(), units)));
    });
}

// tsql_single: the value of a sub-query's only row; a second row is SQL Server's error.
struct SingleState {
    sqlite3_int64 rows;
    sqlite3_value* value;
};

void SingleStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto* st = static_cast<SingleState*>(sqlite3_aggregate_context(ctx, sizeof(SingleState)));
    if (!st) return sqlite3_result_error_nomem(ctx);
    if (++st->rows == 1) {
        st->value = sqlite3_value_dup(argv[0]);
        return;
    }
    Error(ctx,
          "Subquery returned more than 1 value. This is not permitted when the subquery follows "
          "=, !=, <, <= , >, >= or when the subquery is used as an expression.");
}

void SingleFinal(sqlite3_context* ctx) {
    auto* st = static_cast<SingleState*>(sqlite3_aggregate_context(ctx, 0));
    if (!st || !st->value) return sqlite3_result_null(ctx);
    sqlite3_result_value(ctx, st->value);
    sqlite3_value_free(st->value);
    st->value = nullptr;
}

// tsql_avg: AVG over integers is an integer truncated toward zero, as in SQL Server; over
// decimals a decimal.
struct AvgState {
    sqlite3_int64 count;
    bool real;
    double sum;
    sqlite3_int64 intSum;
};

void AvgStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    int t = sqlite3_value_type(argv[0]);
    if (t == SQLITE_NULL) return;
    auto* st = static_cast<AvgState*>(sqlite3_aggregate_context(ctx, sizeof(AvgState)));
    if (!st) return sqlite3_result_error_nomem(ctx);
    ++st->count;
    if (t == SQLITE_INTEGER) {
        if (__builtin_add_overflow(st->intSum, sqlite3_value_int64(argv[0]), &st->intSum))
            return Error(ctx, kBigintOverflow);
        st->sum += static_cast<double>(sqlite3_value_int64(argv[0]));
    } else {
        if (t != SQLITE_FLOAT)
            return Error(ctx, "Operand data type varchar is invalid for avg operator.");
        st->real = true;
        st->sum += sqlite3_value_double(argv[0]);
    }
}

void AvgFinal(sqlite3_context* ctx) {
    auto* st = static_cast<AvgState*>(sqlite3_aggregate_context(ctx, 0));
    if (!st || st->count == 0) return sqlite3_result_null(ctx);
    if (st->real) return sqlite3_result_double(ctx, st->sum / static_cast<double>(st->count));
    sqlite3_result_int64(ctx, st->intSum / st->count);
}

std::string Plain(double d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10f", d);
    std::string s = buf;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s == "-0" ? "0" : s;
}

int CollateText(void*, int na, const void* a, int nb, const void* b) {
    return CompareText(std::string_view(static_cast<const char*>(a), static_cast<size_t>(na)),
                       std::string_view(static_cast<const char*>(b), static_cast<size_t>(nb)));
}

}  // namespace

std::string ComplexQtyText(double qty, const std::vector<PackUnit>& units) {
    if (units.empty()) return Plain(qty);
    std::string sign = qty < 0 ? "-" : "";
    double rest = std::fabs(qty);
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
        const PackUnit& u = units[i];
        bool smallest = i + 1 == units.size();
        double n = rest / u.coefficient;
        if (!smallest) {
            n = std::floor(n + 1e-9);
        } else {
            n = std::round(n * 1e6) / 1e6;
        }
        if (n > 0) {
            out += Plain(n) + u.name;
            rest -= n * u.coefficient;
            if (rest < 1e-9) rest = 0;
        }
    }
    if (out.empty()) return "0" + units.back().name;
    return sign + out;
}

int CompareText(std::string_view a, std::string_view b) {
    Date da, db;
    bool pa = LooksLikeDate(a) && ParseSqlDate(a, da);
    bool pb = LooksLikeDate(b) && ParseSqlDate(b, db);
    if (pa && pb) return CompareDates(da, db);
    if (pa != pb) return pa ? -1 : 1;
    a = TrimRight(a);
    b = TrimRight(b);
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(Fold(a[i]));
        unsigned char cb = static_cast<unsigned char>(Fold(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

void SetFixedNow(const std::string& dateTime) {
    std::lock_guard<std::mutex> lock(g_nowMutex);
    g_fixedNow = dateTime;
}

std::string Now() {
    {
        std::lock_guard<std::mutex> lock(g_nowMutex);
        if (!g_fixedNow.empty()) return g_fixedNow;
    }
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

std::string TodayText() {
    return Now().substr(0, 10);
}

Value FromSqlite(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            return Value(static_cast<long long>(sqlite3_value_int64(v)));
        case SQLITE_FLOAT:
            return Value(sqlite3_value_double(v));
        case SQLITE_NULL:
            return Value::Null();
        default:
            return Value(TextOf(v));
    }
}

Value ColumnValue(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
        case SQLITE_INTEGER:
            return Value(static_cast<long long>(sqlite3_column_int64(stmt, column)));
        case SQLITE_FLOAT:
            return Value(sqlite3_column_double(stmt, column));
        case SQLITE_NULL:
            return Value::Null();
        default: {
            const unsigned char* t = sqlite3_column_text(stmt, column);
            int n = sqlite3_column_bytes(stmt, column);
            return Value(
                std::string(t ? reinterpret_cast<const char*>(t) : "", static_cast<size_t>(n)));
        }
    }
}

int BindValue(sqlite3_stmt* stmt, int index, const Value& v) {
    switch (v.type()) {
        case Value::Type::Int:
            return sqlite3_bind_int64(stmt, index, v.AsInt());
        case Value::Type::Bool:
            return sqlite3_bind_int64(stmt, index, v.AsBool() ? 1 : 0);
        case Value::Type::Double:
            return sqlite3_bind_double(stmt, index, v.AsDouble());
        case Value::Type::Text:
            return sqlite3_bind_text(stmt, index, v.AsText().c_str(),
                                     static_cast<int>(v.AsText().size()), SQLITE_TRANSIENT);
        default:
            return sqlite3_bind_null(stmt, index);
    }
}

void RegisterFunctions(sqlite3* db) {
    auto check = [&](int rc, const char* what) {
        if (rc != SQLITE_OK)
            throw HostError("SQLite",
                            std::string("cannot register ") + what + ": " + sqlite3_errmsg(db));
    };
    check(sqlite3_create_collation(db, "SQLTEXT", SQLITE_UTF8, nullptr, CollateText), "SQLTEXT");
    check(sqlite3_create_collation(db, "SQLDATE", SQLITE_UTF8, nullptr, CollateText), "SQLDATE");
    struct Fn {
        const char* name;
        int args;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
        bool deterministic;
    };
    const Fn fns[] = {
        {"tsql_arith", -1, ArithFn, true},
        {"tsql_add", 2, BinaryFn<'+'>, true},
        {"tsql_sub", 2, BinaryFn<'-'>, true},
        {"tsql_mul", 2, BinaryFn<'*'>, true},
        {"tsql_div", 2, BinaryFn<'/'>, true},
        {"tsql_mod", 2, BinaryFn<'%'>, true},
        {"tsql_neg", 1, NegFn, true},
        {"tsql_neg", 2, NegFn, true},
        {"tsql_convert", 3, ConvertFn, true},
        {"tsql_charindex", 2, CharIndexFn, true},
        {"tsql_charindex", 3, CharIndexFn, true},
        {"tsql_len", 1, LenFn, true},
        {"tsql_ltrim", 1, LTrimFn, true},
        {"tsql_rtrim", 1, RTrimFn, true},
        {"tsql_substring", 3, SubstringFn, true},
        {"tsql_left", 2, LeftFn, true},
        {"tsql_right", 2, RightFn, true},
        {"tsql_replace", 3, ReplaceFn, true},
        {"tsql_round", 2, RoundFn, true},
        {"tsql_round", 3, RoundFn, true},
        {"tsql_floor", 1, FloorFn, true},
        {"tsql_ceiling", 1, CeilingFn, true},
        {"tsql_isnumeric", 1, IsNumericFn, true},
        {"tsql_getdate", 0, GetDateFn, false},
        {"tsql_dateadd", 3, DateAddFn, true},
        {"tsql_datediff", 3, DateDiffFn, true},
        {"tsql_datepart", 2, DatePartFn, true},
        {"GetComplexQty", 2, ComplexQtyFn, false},
    };
    check(sqlite3_create_function(db, "tsql_single", 1, SQLITE_UTF8, nullptr, nullptr, SingleStep,
                                  SingleFinal),
          "tsql_single");
    check(sqlite3_create_function(db, "tsql_avg", 1, SQLITE_UTF8, nullptr, nullptr, AvgStep,
                                  AvgFinal),
          "tsql_avg");
    for (const Fn& f : fns) {
        int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
        check(sqlite3_create_function(db, f.name, f.args, flags, nullptr, f.fn, nullptr, nullptr),
              f.name);
    }
}

}  // namespace qor::host::sql

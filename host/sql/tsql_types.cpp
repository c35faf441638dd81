// Tokens, data types and value conversions of the T-SQL layer.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "frame/errors.h"
#include "host/sql/tsql.h"

namespace qor::host::sql {

namespace {

[[noreturn]] void Raise(const std::string& message) {
    throw HostError("T-SQL", message);
}

bool IsWordStart(unsigned char c) {
    return std::isalpha(c) || c == '_' || c >= 0x80;
}
bool IsWordChar(unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '@' || c == '#' || c == '$' || c >= 0x80;
}

std::string Lower(std::string_view s) {
    std::string r(s);
    for (auto& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

std::string_view TrimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n'))
        --e;
    return s.substr(b, e - b);
}

bool ParseIntText(std::string_view s, int64_t& out) {
    s = TrimBlanks(s);
    if (s.empty()) return false;
    size_t i = 0;
    bool neg = false;
    if (s[0] == '+' || s[0] == '-') neg = s[i++] == '-';
    if (i >= s.size()) return false;
    uint64_t v = 0;
    for (; i < s.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
        if (v > (static_cast<uint64_t>(INT64_MAX) - 9) / 10 + 1) return false;
        v = v * 10 + static_cast<uint64_t>(s[i] - '0');
        if (v > static_cast<uint64_t>(INT64_MAX) + (neg ? 1 : 0)) return false;
    }
    out = neg ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
    return true;
}

bool ParseNumberText(std::string_view s, double& out, bool allowExponent) {
    s = TrimBlanks(s);
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (allowExponent && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        size_t expDigits = 0;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j, ++expDigits;
        if (expDigits == 0) return false;
        i = j;
    }
    if (i != s.size()) return false;
    out = std::strtod(std::string(s).c_str(), nullptr);
    return std::isfinite(out);
}

// Half away from zero at `digits` decimals, reading the shortest decimal text of the double
// so that 2.345 rounds to 2.35.
double RoundHalfAway(double d, int digits) {
    if (!std::isfinite(d)) return d;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", d);
    double exact = std::strtod(buf, nullptr);
    double scale = std::pow(10.0, digits);
    double scaled = exact * scale;
    if (std::fabs(scaled) > 9e15) return exact;
    // Printing at 12 decimals removes binary noise such as 234.49999999999997 for 2.345 * 100;
    // std::round then goes half away from zero.
    std::snprintf(buf, sizeof buf, "%.12f", scaled);
    double r = std::round(std::strtod(buf, nullptr));
    return r / scale;
}

std::string NumberText(double d) {
    if (d == 0) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", d);
    std::string s = buf;
    if (s.find_first_of("eE") == std::string::npos) return s;
    // Plain decimal form for large or small amounts.
    std::snprintf(buf, sizeof buf, "%.15f", d);
    s = buf;
    if (s.find('.') != std::string::npos) {
        while (!s.empty() && s.back() == '0') s.pop_back();
        if (!s.empty() && s.back() == '.') s.pop_back();
    }
    return s;
}

std::string TypeNameOf(const Value& v) {
    switch (v.type()) {
        case Value::Type::Int:
        case Value::Type::Bool:
            return "int";
        case Value::Type::Double:
            return "numeric";
        default:
            return "varchar";
    }
}

std::string ValueText(const Value& v) {
    switch (v.type()) {
        case Value::Type::Int:
            return std::to_string(v.AsInt());
        case Value::Type::Double:
            return NumberText(v.AsDouble());
        case Value::Type::Bool:
            return v.AsBool() ? "1" : "0";
        case Value::Type::Text:
            return v.AsText();
        default:
            return "";
    }
}

std::string FormatDateStyle(const Date& d, int style) {
    char b[64];
    switch (style) {
        case 102:
            std::snprintf(b, sizeof b, "%04d.%02d.%02d", d.year, d.month, d.day);
            return b;
        case 23:
            std::snprintf(b, sizeof b, "%04d-%02d-%02d", d.year, d.month, d.day);
            return b;
        case 111:
            std::snprintf(b, sizeof b, "%04d/%02d/%02d", d.year, d.month, d.day);
            return b;
        case 112:
            std::snprintf(b, sizeof b, "%04d%02d%02d", d.year, d.month, d.day);
            return b;
        case 101:
            std::snprintf(b, sizeof b, "%02d/%02d/%04d", d.month, d.day, d.year);
            return b;
        case 103:
            std::snprintf(b, sizeof b, "%02d/%02d/%04d", d.day, d.month, d.year);
            return b;
        case 108:
        case 8:
            std::snprintf(b, sizeof b, "%02d:%02d:%02d", d.hour, d.minute, d.second);
            return b;
        case 120:
        case 20:
            return FormatSqlDateTime(d);
        case 121:
        case 21:
            return FormatSqlDateTime(d) + ".000";
        default:
            Raise("date style " + std::to_string(style) + " is not supported by the host database");
    }
}

// Truncates a text to a length in characters (unicode) or code-page bytes (two per
// non-ASCII character), never inside a UTF-8 sequence.
std::string FitText(const std::string& s, const SqlType& t) {
    std::string out;
    if (t.length < 0) return s;
    int used = 0;
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        int cost = (c < 0x80 || t.unicode) ? 1 : 2;
        if (used + cost > t.length) break;
        out.append(s, i, len);
        used += cost;
        i += len;
    }
    if (t.fixed)
        while (used < t.length) out.push_back(' '), ++used;
    return out;
}

}  // namespace

// ---- Tokenizer -----------------------------------------------------------------------------

std::vector<Token> Tokenize(std::string_view s) {
    std::vector<Token> out;
    size_t i = 0, n = s.size();
    int line = 1;
    size_t lineStart = 0;
    auto where = [&](size_t at) {
        return " (line " + std::to_string(line) + ", column " + std::to_string(at - lineStart + 1) +
               ")";
    };
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '\n') {
            ++line;
            lineStart = ++i;
            continue;
        }
        if (std::isspace(c)) {
            ++i;
            continue;
        }
        if (c == '-' && i + 1 < n && s[i + 1] == '-') {
            while (i < n && s[i] != '\n') ++i;
            continue;
        }
        if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            size_t start = i;
            int depth = 0;
            while (i < n) {
                if (s[i] == '/' && i + 1 < n && s[i + 1] == '*') {
                    ++depth;
                    i += 2;
                } else if (s[i] == '*' && i + 1 < n && s[i + 1] == '/') {
                    i += 2;
                    if (--depth == 0) break;
                } else {
                    if (s[i] == '\n') ++line, lineStart = i + 1;
                    ++i;
                }
            }
            if (depth != 0) Raise("Missing end comment mark '*/'" + where(start));
            continue;
        }
        Token t;
        t.line = line;
        t.column = static_cast<int>(i - lineStart + 1);
        t.offset = i;
        if ((c == 'N' || c == 'n') && i + 1 < n && s[i + 1] == '\'') {
            t.national = true;
            ++i;
            c = '\'';
        }
        if (c == '\'' || c == '[' || c == '"') {
            char close = c == '[' ? ']' : static_cast<char>(c);
            t.kind = c == '\'' ? TokenKind::String : TokenKind::QuotedName;
            size_t start = i++;
            bool closed = false;
            while (i < n) {
                if (s[i] == close) {
                    if (i + 1 < n && s[i + 1] == close) {
                        t.text.push_back(close);
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                if (s[i] == '\n') ++line, lineStart = i + 1;
                t.text.push_back(s[i++]);
            }
            if (!closed) {
                if (c == '\'')
                    Raise("Unclosed quotation mark after the character string '" + t.text + "'" +
                          " (from offset " + std::to_string(start) + ")");
                Raise("Unclosed quoted name " + std::string(1, static_cast<char>(c)) + t.text);
            }
        } else if (c == '@') {
            size_t start = i++;
            t.kind = TokenKind::Variable;
            if (i < n && s[i] == '@') {
                t.kind = TokenKind::SystemVariable;
                ++i;
            }
            while (i < n && IsWordChar(static_cast<unsigned char>(s[i]))) ++i;
            t.text = std::string(s.substr(start, i - start));
            if (t.text == "@" || t.text == "@@") Raise("Incorrect syntax near '@'" + where(start));
        } else if (c == '#') {
            size_t start = i++;
            while (i < n && IsWordChar(static_cast<unsigned char>(s[i]))) ++i;
            t.kind = TokenKind::TempName;
            t.text = std::string(s.substr(start, i - start));
            if (t.text.find_first_not_of('#') == std::string::npos)
                Raise("Incorrect syntax near '#'" + where(start));
        } else if (std::isdigit(c) ||
                   (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            size_t start = i;
            if (c == '0' && i + 1 < n && (s[i + 1] == 'x' || s[i + 1] == 'X'))
                Raise("binary literals (0x...) are not supported by the host database" +
                      where(start));
            while (i < n && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
            if (i < n && s[i] == '.') {
                ++i;
                while (i < n && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
            }
            if (i < n && (s[i] == 'e' || s[i] == 'E')) {
                size_t j = i + 1;
                if (j < n && (s[j] == '+' || s[j] == '-')) ++j;
                if (j < n && std::isdigit(static_cast<unsigned char>(s[j]))) {
                    while (j < n && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
                    i = j;
                }
            }
            t.kind = TokenKind::Number;
            t.text = std::string(s.substr(start, i - start));
        } else if (IsWordStart(c)) {
            size_t start = i;
            while (i < n && IsWordChar(static_cast<unsigned char>(s[i]))) ++i;
            t.kind = TokenKind::Word;
            t.text = std::string(s.substr(start, i - start));
        } else {
            static const char* twoChar[] = {"<=", ">=", "<>", "!=", "!<", "!>"};
            t.kind = TokenKind::Symbol;
            for (const char* op : twoChar)
                if (i + 1 < n && s[i] == op[0] && s[i + 1] == op[1]) t.text = op;
            if (t.text.empty()) {
                if (std::strchr("(),.=<>+-*/%;&|^~", c) == nullptr || c == 0)
                    Raise("Incorrect syntax near '" + std::string(1, static_cast<char>(c)) + "'" +
                          where(i));
                t.text = std::string(1, static_cast<char>(c));
            }
            i += t.text.size();
        }
        t.end = i;
        out.push_back(std::move(t));
    }
    Token end;
    end.kind = TokenKind::End;
    end.line = line;
    end.column = static_cast<int>(n - lineStart + 1);
    end.offset = end.end = n;
    out.push_back(end);
    return out;
}

// ---- Types ---------------------------------------------------------------------------------

SqlType ParseSqlType(std::string_view spec, int textDefault) {
    std::string s = Lower(TrimBlanks(spec));
    std::string name = s, argText;
    auto open = s.find('(');
    std::vector<std::string> args;
    if (open != std::string::npos) {
        auto close = s.rfind(')');
        if (close == std::string::npos || close < open) Raise("bad data type " + std::string(spec));
        name = std::string(TrimBlanks(s.substr(0, open)));
        argText = s.substr(open + 1, close - open - 1);
        size_t p = 0;
        while (true) {
            auto comma = argText.find(',', p);
            args.emplace_back(TrimBlanks(argText.substr(p, comma - p)));
            if (comma == std::string::npos) break;
            p = comma + 1;
        }
    }
    auto intArg = [&](size_t k, int def) {
        if (k >= args.size()) return def;
        int64_t v;
        if (args[k] == "max") return -1;
        if (!ParseIntText(args[k], v) || v < 0 || v > 8000)
            Raise("bad length in data type " + std::string(spec));
        return static_cast<int>(v);
    };
    SqlType t;
    if (name == "int" || name == "integer") {
        t.name = "int";
    } else if (name == "bigint") {
        t.minValue = INT64_MIN;
        t.maxValue = INT64_MAX;
        t.name = "bigint";
    } else if (name == "smallint") {
        t.minValue = -32768;
        t.maxValue = 32767;
        t.name = "smallint";
    } else if (name == "tinyint") {
        t.minValue = 0;
        t.maxValue = 255;
        t.name = "tinyint";
    } else if (name == "bit") {
        t.kind = SqlType::Kind::Bit;
        t.minValue = 0;
        t.maxValue = 1;
        t.name = "bit";
    } else if (name == "decimal" || name == "numeric" || name == "dec") {
        t.kind = SqlType::Kind::Decimal;
        t.precision = intArg(0, 18);
        t.scale = intArg(1, 0);
        if (t.precision < 1 || t.precision > 38 || t.scale > t.precision)
            Raise("bad precision in data type " + std::string(spec));
        t.name = "decimal(" + std::to_string(t.precision) + "," + std::to_string(t.scale) + ")";
    } else if (name == "money" || name == "smallmoney") {
        t.kind = SqlType::Kind::Decimal;
        t.precision = name == "money" ? 19 : 10;
        t.scale = 4;
        t.name = name;
    } else if (name == "float" || name == "real" || name == "double precision") {
        t.kind = SqlType::Kind::Float;
        t.name = name;
    } else if (name == "varchar" || name == "nvarchar" || name == "char" || name == "nchar" ||
               name == "sysname") {
        t.kind = SqlType::Kind::Text;
        t.unicode = name[0] == 'n' || name == "sysname";
        t.fixed = name == "char" || name == "nchar";
        t.length = name == "sysname" ? 128 : intArg(0, textDefault);
        if (t.length == 0) Raise("bad length in data type " + std::string(spec));
        t.name = name + "(" + (t.length < 0 ? std::string("max") : std::to_string(t.length)) + ")";
    } else if (name == "text" || name == "ntext") {
        t.kind = SqlType::Kind::Text;
        t.unicode = name == "ntext";
        t.length = -1;
        t.name = name;
    } else if (name == "datetime" || name == "smalldatetime" || name == "datetime2") {
        t.kind = SqlType::Kind::DateTime;
        t.name = name;
    } else if (name == "date") {
        t.kind = SqlType::Kind::Date;
        t.name = name;
    } else {
        Raise("data type " + std::string(TrimBlanks(spec)) +
              " is not supported by the host database");
    }
    return t;
}

// ---- Dates ---------------------------------------------------------------------------------

int64_t DaysFromCivil(const Date& d) {
    int y = d.year;
    const int m = d.month;
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + static_cast<unsigned>(d.day) - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

Date DateFromDays(int64_t days) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    Date r;
    r.year = static_cast<int>(y + (m <= 2));
    r.month = static_cast<int>(m);
    r.day = static_cast<int>(d);
    return r;
}

std::string FormatSqlDateTime(const Date& d) {
    char b[40];
    std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour,
                  d.minute, d.second);
    return b;
}

bool ParseSqlDate(std::string_view text, Date& out) {
    std::string_view s = TrimBlanks(text);
    size_t i = 0;
    auto digits = [&](int minCount, int maxCount, int& v) {
        int count = 0;
        v = 0;
        while (i < s.size() && count < maxCount && std::isdigit(static_cast<unsigned char>(s[i]))) {
            v = v * 10 + (s[i] - '0');
            ++i;
            ++count;
        }
        return count >= minCount;
    };
    Date d;
    if (s.size() >= 8 && s.find_first_not_of("0123456789") >= 8 &&
        (s.size() == 8 || s[8] == ' ' || s[8] == 'T')) {
        // yyyymmdd
        if (!digits(4, 4, d.year) || !digits(2, 2, d.month) || !digits(2, 2, d.day)) return false;
    } else {
        if (!digits(4, 4, d.year)) return false;
        if (i >= s.size() || (s[i] != '-' && s[i] != '/' && s[i] != '.')) return false;
        char sep = s[i++];
        if (!digits(1, 2, d.month)) return false;
        if (i >= s.size() || s[i] != sep) return false;
        ++i;
        if (!digits(1, 2, d.day)) return false;
    }
    if (i < s.size()) {
        if (s[i] != ' ' && s[i] != 'T') return false;
        while (i < s.size() && (s[i] == ' ' || s[i] == 'T')) ++i;
        if (!digits(1, 2, d.hour)) return false;
        if (i >= s.size() || s[i] != ':') return false;
        ++i;
        if (!digits(2, 2, d.minute)) return false;
        if (i < s.size() && s[i] == ':') {
            ++i;
            if (!digits(2, 2, d.second)) return false;
            if (i < s.size() && s[i] == '.') {
                ++i;
                int ms;
                if (!digits(1, 7, ms)) return false;
            }
        }
        if (i != s.size()) return false;
    }
    if (d.month < 1 || d.month > 12 || d.day < 1 || d.year < 1753 || d.year > 9999 ||
        d.day > DaysInMonth(d.year, d.month) || d.hour > 23 || d.minute > 59 || d.second > 59)
        return false;
    out = d;
    return true;
}

// ---- Conversions ---------------------------------------------------------------------------

Value ConvertTo(const Value& v, const SqlType& t, int style) {
    if (v.IsNull() || v.IsEmpty()) return Value::Null();
    auto conversionFailed = [&](const std::string& typeName) -> Value {
        std::string shown = ValueText(v);
        Raise("Conversion failed when converting the " + TypeNameOf(v) + " value '" + shown +
              "' to data type " + typeName + ".");
    };
    switch (t.kind) {
        case SqlType::Kind::Integer:
        case SqlType::Kind::Bit: {
            int64_t r = 0;
            if (v.type() == Value::Type::Int) {
                r = v.AsInt();
            } else if (v.type() == Value::Type::Bool) {
                r = v.AsBool() ? 1 : 0;
            } else if (v.type() == Value::Type::Double) {
                double d = std::trunc(v.AsDouble());
                if (!(d >= -9.2e18 && d <= 9.2e18))
                    Raise("Arithmetic overflow error converting expression to data type " + t.name +
                          ".");
                r = static_cast<int64_t>(d);
            } else {
                std::string whole = ValueText(v);
                std::string_view s = TrimBlanks(whole);
                if (t.kind == SqlType::Kind::Bit && (Lower(s) == "true" || Lower(s) == "false")) {
                    r = Lower(s) == "true";
                } else if (s.empty()) {
                    r = 0;
                } else if (!ParseIntText(s, r)) {
                    return conversionFailed(t.name);
                }
            }
            if (t.kind == SqlType::Kind::Bit) return Value(static_cast<long long>(r != 0));
            if (r < t.minValue || r > t.maxValue)
                Raise("Arithmetic overflow error converting expression to data type " + t.name +
                      ".");
            return Value(static_cast<long long>(r));
        }
        case SqlType::Kind::Decimal:
        case SqlType::Kind::Float: {
            double d = 0;
            if (v.type() == Value::Type::Int) {
                d = static_cast<double>(v.AsInt());
            } else if (v.type() == Value::Type::Double) {
                d = v.AsDouble();
            } else if (v.type() == Value::Type::Bool) {
                d = v.AsBool() ? 1 : 0;
            } else {
                std::string text = ValueText(v);
                bool isFloat = t.kind == SqlType::Kind::Float;
                if (TrimBlanks(text).empty() && isFloat) {
                    d = 0;
                } else if (!ParseNumberText(text, d, isFloat)) {
                    if (isFloat) return conversionFailed("float");
                    Raise("Error converting data type varchar to numeric.");
                }
            }
            if (t.kind == SqlType::Kind::Float) return Value(d);
            double r = RoundHalfAway(d, t.scale);
            if (std::fabs(r) >= std::pow(10.0, t.precision - t.scale))
                Raise("Arithmetic overflow error converting " + TypeNameOf(v) +
                      " to data type numeric.");
            return Value(r);
        }
        case SqlType::Kind::Text: {
            std::string s;
            if (v.IsText() && style >= 0) {
                Date d;
                s = ParseSqlDate(v.AsText(), d) ? FormatDateStyle(d, style) : v.AsText();
            } else {
                s = ValueText(v);
            }
            if (!v.IsText() && t.length >= 0 && static_cast<int>(s.size()) > t.length)
                return Value("*");
            return Value(FitText(s, t));
        }
        case SqlType::Kind::DateTime:
        case SqlType::Kind::Date: {
            Date d;
            if (v.IsNumber()) {
                double days =
                    v.type() == Value::Type::Int ? static_cast<double>(v.AsInt()) : v.AsDouble();
                double whole = std::floor(days);
                if (std::fabs(whole) > 3e6)
                    Raise("Arithmetic overflow error converting expression to data type datetime.");
                d = DateFromDays(DaysFromCivil(Date{1900, 1, 1}) + static_cast<int64_t>(whole));
                if (d.year < 1753 || d.year > 9999)  // datetime's range
                    Raise("Arithmetic overflow error converting expression to data type datetime.");
                long secs = std::lround((days - whole) * 86400.0);
                if (secs >= 86400) secs = 86399;
                d.hour = static_cast<int>(secs / 3600);
                d.minute = static_cast<int>(secs / 60 % 60);
                d.second = static_cast<int>(secs % 60);
            } else {
                std::string text = ValueText(v);
                if (TrimBlanks(text).empty()) {
                    d = Date{1900, 1, 1, 0, 0, 0};
                } else if (!ParseSqlDate(text, d)) {
                    Raise(
                        "Conversion failed when converting date and/or time from character "
                        "string.");
                }
            }
            if (t.kind == SqlType::Kind::Date) {
                char b[16];
                std::snprintf(b, sizeof b, "%04d-%02d-%02d", d.year, d.month, d.day);
                return Value(std::string(b));
            }
            return Value(FormatSqlDateTime(d));
        }
    }
    return v;
}

}  // namespace qor::host::sql

#include "frame/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>

namespace qor {

namespace {

bool IsBlankChar(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The leading number of a text. `end` receives how many characters it took (0 when the text
// does not start a number); `overflow` tells a number too large for a double.
double LeadingNumber(std::string_view text, size_t& end, bool& overflow) {
    end = 0;
    overflow = false;
    size_t i = 0;
    while (i < text.size() && IsBlankChar(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const size_t start = i;
    size_t mantissaDigits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++mantissaDigits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++mantissaDigits;
    }
    if (mantissaDigits == 0) return 0;
    size_t stop = i;
    // An exponent counts only when digits follow it: "1e" is 1, "1e3" is 1000.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) ++j;
            stop = j;
        }
    }
    double value = 0;
    auto [ptr, ec] =
        std::from_chars(text.data() + start, text.data() + stop, value, std::chars_format::general);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // Too small reads as 0; too large cannot be held. Tell them apart by the decimal
        // magnitude of the text: leading significant digit position plus the exponent.
        long long magnitude = 0;
        size_t k = start;
        while (k < stop && text[k] == '0') ++k;
        size_t intDigits = 0;
        while (k < stop && IsDigit(text[k])) ++k, ++intDigits;
        if (intDigits > 0) {
            magnitude = static_cast<long long>(intDigits) - 1;
        } else {
            if (k < stop && text[k] == '.') ++k;
            long long zeros = 0;
            while (k < stop && text[k] == '0') ++k, ++zeros;
            magnitude = -zeros - 1;
        }
        k = start;
        while (k < stop && text[k] != 'e' && text[k] != 'E') ++k;
        if (k < stop) {
            ++k;
            const bool negExp = text[k] == '-';
            if (text[k] == '+' || text[k] == '-') ++k;
            long long exponent = 0;
            auto r = std::from_chars(text.data() + k, text.data() + stop, exponent);
            if (r.ec != std::errc()) exponent = 1000000;  // more digits than any double needs
            magnitude += negExp ? -exponent : exponent;
        }
        overflow = magnitude > 0;
        value = 0;
    } else if (ec != std::errc()) {
        value = 0;
    }
    end = stop;
    return negative ? -value : value;
}

// Rounds to the nearest whole number, halves to the even neighbour, and checks the range.
int64_t RoundHalfEven(double x, int64_t lo, int64_t hi, const char* what) {
    if (!std::isfinite(x) || x < static_cast<double>(lo) - 1.0 || x > static_cast<double>(hi) + 1.0)
        throw ConversionError(std::string("number out of range for ") + what);
    double r = std::floor(x);
    const double diff = x - r;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
    if (r < static_cast<double>(lo) || r > static_cast<double>(hi))
        throw ConversionError(std::string("number out of range for ") + what);
    return static_cast<int64_t>(r);
}

// Numeric reading for identifiers: blank and non-numeric text read 0, like Val.
double IdReading(const Value& v) {
    if (v.type() == Value::Type::Int) {
        // Keep whole 64-bit numbers exact for the range check.
        const int64_t i = v.AsInt();
        if (i < std::numeric_limits<int32_t>::min() || i > std::numeric_limits<int32_t>::max())
            return i < 0 ? -1e300 : 1e300;
        return static_cast<double>(i);
    }
    return v.ToNumber();
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian calendar).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

// Reads 1..maxDigits digits at pos; false when there are none or more than maxDigits.
bool ReadNumber(std::string_view s, size_t& pos, size_t minDigits, size_t maxDigits, int& out) {
    size_t n = 0;
    int value = 0;
    while (pos + n < s.size() && IsDigit(s[pos + n])) {
        if (n == maxDigits) return false;
        value = value * 10 + (s[pos + n] - '0');
        ++n;
    }
    if (n < minDigits) return false;
    pos += n;
    out = value;
    return true;
}

std::string Pad(int value, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    return buf;
}

}  // namespace

// ---- Value ---------------------------------------------------------------------------------

bool Value::IsBlank() const {
    return IsEmpty() || IsNull() || (IsText() && AsText().empty());
}

std::string Value::ToString() const {
    switch (type()) {
        case Type::Empty:
        case Type::Null:
            return "";
        case Type::Bool:
            return AsBool() ? "True" : "False";
        case Type::Int:
            return std::to_string(AsInt());
        case Type::Double:
            return NumberToText(AsDouble());
        case Type::Text:
            return AsText();
        case Type::Object: {
            const auto& o = std::get<ObjectPtr>(v_);
            return o ? o->TypeName() : "";
        }
    }
    return "";
}

double Value::ToNumber() const {
    switch (type()) {
        case Type::Bool:
            return AsBool() ? 1.0 : 0.0;
        case Type::Int:
            return static_cast<double>(AsInt());
        case Type::Double:
            return AsDouble();
        case Type::Text:
            return Val(AsText());
        default:
            return 0.0;
    }
}

bool Value::ToBool() const {
    switch (type()) {
        case Type::Bool:
            return AsBool();
        case Type::Int:
            return AsInt() != 0;
        case Type::Double:
            return AsDouble() != 0.0;
        case Type::Text: {
            const std::string t = Trim(AsText());
            if (IEquals(t, "True")) return true;
            if (IEquals(t, "False")) return false;
            size_t end = 0;
            bool overflow = false;
            const double d = LeadingNumber(t, end, overflow);
            // Only a text that is wholly a number counts; "1abc" is not a Boolean.
            if (end == 0 || end != t.size()) return false;
            return overflow || d != 0.0;
        }
        default:
            return false;
    }
}

const ObjectPtr& Value::object() const {
    static const ObjectPtr none;
    return type() == Type::Object ? std::get<ObjectPtr>(v_) : none;
}

// ---- Numbers -------------------------------------------------------------------------------

double Val(std::string_view text) {
    size_t end = 0;
    bool overflow = false;
    const double d = LeadingNumber(text, end, overflow);
    return overflow ? 0.0 : d;
}

double ToDouble(const Value& v) {
    switch (v.type()) {
        case Value::Type::Empty:
        case Value::Type::Null:
            return 0.0;
        case Value::Type::Bool:
            return v.AsBool() ? 1.0 : 0.0;
        case Value::Type::Int:
            return static_cast<double>(v.AsInt());
        case Value::Type::Double:
            return v.AsDouble();
        case Value::Type::Text: {
            const std::string t = Trim(v.AsText());
            if (t.empty()) return 0.0;
            size_t end = 0;
            bool overflow = false;
            const double d = LeadingNumber(t, end, overflow);
            if (end == 0) throw ConversionError("text is not a number: " + v.AsText());
            if (overflow) throw ConversionError("number too large: " + v.AsText());
            return d;
        }
        case Value::Type::Object:
            throw ConversionError("an object is not a number");
    }
    return 0.0;
}

int32_t ToId(const Value& v) {
    return static_cast<int32_t>(RoundHalfEven(IdReading(v), std::numeric_limits<int32_t>::min(),
                                              std::numeric_limits<int32_t>::max(), "identifier"));
}

int16_t ToInt16(const Value& v) {
    return static_cast<int16_t>(RoundHalfEven(IdReading(v), std::numeric_limits<int16_t>::min(),
                                              std::numeric_limits<int16_t>::max(), "integer"));
}

std::string NumberToText(double d) {
    if (!std::isfinite(d) || d == 0.0) return "0";
    // 15 significant digits: "d.dddddddddddddde+XX".
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", d);
    std::string_view s(buf);
    const bool negative = s[0] == '-';
    if (negative) s.remove_prefix(1);
    const size_t ePos = s.find('e');
    std::string digits;
    for (size_t i = 0; i < ePos; ++i)
        if (IsDigit(s[i])) digits += s[i];
    int exponent = 0;
    {
        const char* b = s.data() + ePos + 1;
        if (*b == '+') ++b;
        std::from_chars(b, s.data() + s.size(), exponent);
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent < -10) {
        // Magnitudes no amount reaches: exponent form, which Val reads back.
        out += digits.substr(0, 1);
        if (digits.size() > 1) out += "." + digits.substr(1);
        out += "E-" + std::to_string(-exponent);
        return out;
    }
    if (exponent >= 0) {
        const size_t intLen = static_cast<size_t>(exponent) + 1;
        if (digits.size() <= intLen) {
            out += digits + std::string(intLen - digits.size(), '0');
        } else {
            out += digits.substr(0, intLen) + "." + digits.substr(intLen);
        }
    } else {
        out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    }
    return out;
}

double RoundDecimal(double d, int digits) {
    if (!std::isfinite(d) || d == 0.0) return d == 0.0 ? 0.0 : d;
    // The shortest decimal text that reads back as d: "d.ddde±x".
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific);
    std::string_view s(buf, static_cast<size_t>(res.ptr - buf));
    const bool negative = s[0] == '-';
    if (negative) s.remove_prefix(1);
    const size_t ePos = s.find('e');
    std::string mantissa;
    for (size_t i = 0; i < ePos; ++i)
        if (IsDigit(s[i])) mantissa += s[i];
    int exponent = 0;
    {
        const char* b = s.data() + ePos + 1;
        if (*b == '+') ++b;
        std::from_chars(b, s.data() + s.size(), exponent);
    }
    // Digit i of the mantissa stands for 10^(exponent - i); keep those down to 10^-digits.
    const long long keep = static_cast<long long>(exponent) + digits + 1;
    if (keep >= static_cast<long long>(mantissa.size())) return d;  // nothing to round
    const double unit = std::pow(10.0, -static_cast<double>(digits));
    if (keep < 0) return 0.0;
    if (keep == 0) {
        if (mantissa[0] < '5') return 0.0;
        return negative ? -unit : unit;
    }
    std::string kept = mantissa.substr(0, static_cast<size_t>(keep));
    if (mantissa[static_cast<size_t>(keep)] >= '5') {
        size_t i = kept.size();
        while (i > 0) {
            --i;
            if (kept[i] == '9') {
                kept[i] = '0';
                if (i == 0) kept.insert(kept.begin(), '1');
            } else {
                ++kept[i];
                break;
            }
        }
    }
    const std::string text = kept + "e" + std::to_string(-static_cast<long long>(digits));
    double r = 0;
    std::from_chars(text.data(), text.data() + text.size(), r, std::chars_format::scientific);
    if (r == 0.0) return 0.0;
    return negative ? -r : r;
}

// ---- Texts ---------------------------------------------------------------------------------

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlankChar(s[b])) ++b;
    while (e > b && IsBlankChar(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = UpperAscii(c);
    return out;
}

std::string UpperTrim(std::string_view s) {
    return Upper(Trim(s));
}

bool IEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    return true;
}

// ---- Dates ---------------------------------------------------------------------------------

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

std::optional<Date> ParseDate(std::string_view text) {
    const std::string t = Trim(text);
    const std::string_view s(t);
    Date d;
    size_t pos = 0;
    if (!ReadNumber(s, pos, 4, 4, d.year)) return std::nullopt;
    if (pos >= s.size() || (s[pos] != '-' && s[pos] != '/')) return std::nullopt;
    const char sep = s[pos++];
    if (!ReadNumber(s, pos, 1, 2, d.month)) return std::nullopt;
    if (pos >= s.size() || s[pos] != sep) return std::nullopt;
    ++pos;
    if (!ReadNumber(s, pos, 1, 2, d.day)) return std::nullopt;
    if (!IsValidDate(d.year, d.month, d.day)) return std::nullopt;
    if (pos == s.size()) return d;

    // Time of day: " hh:mm[:ss[.fff]]" or "Thh:mm[:ss[.fff]]".
    if (s[pos] != ' ' && s[pos] != 'T') return std::nullopt;
    ++pos;
    while (pos < s.size() && s[pos] == ' ') ++pos;
    if (!ReadNumber(s, pos, 1, 2, d.hour)) return std::nullopt;
    if (pos >= s.size() || s[pos] != ':') return std::nullopt;
    ++pos;
    if (!ReadNumber(s, pos, 2, 2, d.minute)) return std::nullopt;
    if (pos < s.size() && s[pos] == ':') {
        ++pos;
        if (!ReadNumber(s, pos, 2, 2, d.second)) return std::nullopt;
        if (pos < s.size() && s[pos] == '.') {
            ++pos;
            const size_t fracStart = pos;
            while (pos < s.size() && IsDigit(s[pos])) ++pos;
            if (pos == fracStart) return std::nullopt;
        }
    }
    if (pos != s.size()) return std::nullopt;
    if (d.hour > 23 || d.minute > 59 || d.second > 59) return std::nullopt;
    return d;
}

Date ToDate(const Value& v) {
    if (v.IsText()) {
        if (auto d = ParseDate(v.AsText())) return *d;
        throw ConversionError("text is not a date: " + v.AsText());
    }
    throw ConversionError("value is not a date");
}

std::string FormatDate(const Date& d) {
    return Pad(d.year, 4) + "-" + Pad(d.month, 2) + "-" + Pad(d.day, 2);
}

std::string FormatDateSlash(const Date& d) {
    return Pad(d.year, 4) + "/" + Pad(d.month, 2) + "/" + Pad(d.day, 2);
}

std::string FormatDateTime(const Date& d) {
    return FormatDate(d) + " " + Pad(d.hour, 2) + ":" + Pad(d.minute, 2) + ":" + Pad(d.second, 2);
}

Date AddDays(const Date& d, long days) {
    // No two dates of the calendar lie more than 3,652,059 days apart.
    if (days > 4000000L || days < -4000000L) throw ConversionError("date out of range");
    const long long z =
        DaysFromCivil(d.year, static_cast<unsigned>(d.month), static_cast<unsigned>(d.day)) +
        static_cast<long long>(days);
    // Keep the result inside the calendar the host stores (years 1 to 9999).
    static const long long first = DaysFromCivil(1, 1, 1);
    static const long long last = DaysFromCivil(9999, 12, 31);
    if (z < first || z > last) throw ConversionError("date out of range");
    long long y = 0;
    unsigned m = 0, day = 0;
    CivilFromDays(z, y, m, day);
    Date out = d;
    out.year = static_cast<int>(y);
    out.month = static_cast<int>(m);
    out.day = static_cast<int>(day);
    return out;
}

long DaysBetween(const Date& a, const Date& b) {
    return static_cast<long>(
        DaysFromCivil(b.year, static_cast<unsigned>(b.month), static_cast<unsigned>(b.day)) -
        DaysFromCivil(a.year, static_cast<unsigned>(a.month), static_cast<unsigned>(a.day)));
}

}  // namespace qor

// The value model of the host's fields, cells, arguments and record-set columns, and the
// conversions the plug-ins apply to them.
//
// A host value is empty, null, a Boolean, an integer, a double, a text or an object reference
// (a keyed collection, a record set, a host component). Dates travel as text.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

#include "frame/export.h"

QOR_XS_CONTRACT_BEGIN
namespace qor {

// Base of every object a value can refer to: keyed collections, record sets, host objects.
class IObject {
public:
    virtual ~IObject() = default;
    // The run-time type name the host reports for the object (for example "BillEvent").
    virtual std::string TypeName() const = 0;
};
using ObjectPtr = std::shared_ptr<IObject>;

// A conversion that cannot be made (overflow, text that is no date where one is required).
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct NullTag {};
inline bool operator==(NullTag, NullTag) {
    return true;
}

class Value {
public:
    enum class Type { Empty, Null, Bool, Int, Double, Text, Object };

    Value() = default;
    Value(NullTag) : v_(NullTag{}) {}
    Value(bool b) : v_(b) {}
    Value(int i) : v_(static_cast<int64_t>(i)) {}
    Value(long i) : v_(static_cast<int64_t>(i)) {}
    Value(long long i) : v_(static_cast<int64_t>(i)) {}
    Value(unsigned i) : v_(static_cast<int64_t>(i)) {}
    Value(double d) : v_(d) {}
    Value(const char* s) : v_(std::string(s)) {}
    Value(std::string s) : v_(std::move(s)) {}
    Value(std::string_view s) : v_(std::string(s)) {}
    Value(ObjectPtr o) : v_(std::move(o)) {}
    template <class T, class = std::enable_if_t<std::is_base_of_v<IObject, T>>>
    Value(std::shared_ptr<T> o) : v_(ObjectPtr(std::move(o))) {}

    static Value Null() { return Value(NullTag{}); }

    Type type() const { return static_cast<Type>(v_.index()); }
    bool IsEmpty() const { return type() == Type::Empty; }
    bool IsNull() const { return type() == Type::Null; }
    // Empty, null or the empty text: what a blank field or cell holds.
    bool IsBlank() const;
    bool IsNumber() const { return type() == Type::Int || type() == Type::Double; }
    bool IsText() const { return type() == Type::Text; }
    bool IsObject() const { return type() == Type::Object && std::get<ObjectPtr>(v_) != nullptr; }

    // The text a host field would show: empty and null give "", numbers their plain decimal
    // form, Booleans "True"/"False", objects their type name.
    std::string ToString() const;
    // Numeric reading: empty, null and non-numeric text read 0, a leading number is read
    // ("12abc" is 12), True reads 1.
    double ToNumber() const;
    // Boolean reading: numbers are true when not 0; texts "True"/"False" in any case, or a
    // number; anything else false.
    bool ToBool() const;

    const ObjectPtr& object() const;
    template <class T>
    std::shared_ptr<T> As() const {
        return IsObject() ? std::dynamic_pointer_cast<T>(std::get<ObjectPtr>(v_)) : nullptr;
    }
    bool AsBool() const { return std::get<bool>(v_); }
    int64_t AsInt() const { return std::get<int64_t>(v_); }
    double AsDouble() const { return std::get<double>(v_); }
    const std::string& AsText() const { return std::get<std::string>(v_); }

    // Same type and same content (objects by identity). Cross-type comparison of host values
    // is done through the conversions, never here.
    bool operator==(const Value& o) const { return v_ == o.v_; }
    bool operator!=(const Value& o) const { return !(*this == o); }

private:
    std::variant<std::monostate, NullTag, bool, int64_t, double, std::string, ObjectPtr> v_;
};

// ---- Numbers -------------------------------------------------------------------------------

// Reads the leading number of a text the way the host's numeric conversion does: leading
// blanks skipped, optional sign, digits with one decimal point, an exponent only when digits
// follow it; anything that does not start a number reads 0, and so does a number too large
// for a double ("1e400"); one too small reads 0 as well.
double Val(std::string_view text);
// Text or number to double; a text that holds no number at all is a conversion error (a text
// that starts with a number reads that number, a blank value reads 0), and so are an object
// and a number too large for a double.
double ToDouble(const Value& v);
// To a 32-bit identifier: rounds halves to the even neighbour (2.5 -> 2, 3.5 -> 4); the value
// is read like ToNumber, so blank and non-numeric text read 0 ("12abc" is 12); out of range,
// NaN and infinity raise ConversionError.
int32_t ToId(const Value& v);
// To a 16-bit integer with the same rounding; out of range raises ConversionError.
int16_t ToInt16(const Value& v);
// Number to text as the host shows plain decimals: 2.5 -> "2.5", 30 -> "30", 0.1 -> "0.1",
// no exponent for ordinary amounts, no trailing zeros, at most 15 significant digits (0.1+0.2
// gives "0.3"). Large magnitudes are written in plain digits ("100000000000000000000");
// magnitudes below 1e-10 take an exponent ("1.5E-12"), which Val reads back. -0, NaN and
// infinity give "0".
std::string NumberToText(double d);
// Decimal rounding that follows the decimal text of the number, halves away from zero:
// RoundDecimal(2.345, 2) is 2.35 although the binary double lies just below 2.345. The decimal
// text is the shortest one that reads back as the same double. Negative digits round to tens,
// hundreds...; NaN and infinity come back unchanged.
double RoundDecimal(double d, int digits);

// ---- Texts ---------------------------------------------------------------------------------

std::string Trim(std::string_view s);
// Upper-cases ASCII letters only; other bytes (Chinese text in UTF-8) pass unchanged.
std::string Upper(std::string_view s);
std::string UpperTrim(std::string_view s);
bool IEquals(std::string_view a, std::string_view b);

// ---- Dates ---------------------------------------------------------------------------------

struct Date {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
    auto operator<=>(const Date&) const = default;
};

// Parses "YYYY-MM-DD", "yyyy/mm/dd" (one- or two-digit month and day), either followed by
// " hh:mm[:ss]" or a "T" time (seconds may carry a fraction, ".000", which is dropped); blanks
// around the text are ignored; nullopt for anything else, an impossible calendar date or time,
// or a year outside 1 to 9999.
std::optional<Date> ParseDate(std::string_view text);
// Like ParseDate but raises ConversionError (also for a value that is no text).
Date ToDate(const Value& v);
std::string FormatDate(const Date& d);       // "YYYY-MM-DD"
std::string FormatDateSlash(const Date& d);  // "yyyy/mm/dd"
std::string FormatDateTime(const Date& d);   // "yyyy-MM-dd hh:mm:ss"
// Keeps the time of day; a result outside the years 1 to 9999 raises ConversionError.
Date AddDays(const Date& d, long days);
// Whole days from a to b (b - a), ignoring the time of day.
long DaysBetween(const Date& a, const Date& b);
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool IsValidDate(int year, int month, int day);

}  // namespace qor
QOR_XS_CONTRACT_END

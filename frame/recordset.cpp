#include "frame/recordset.h"

#include <memory>
#include <stdexcept>

namespace qor {

namespace {

// ---- Filter conditions ---------------------------------------------------------------------
//
// filter    := or-term
// or-term   := and-term { "Or" and-term }
// and-term  := condition { "And" condition }
// condition := "(" or-term ")" | column op literal
// op        := "=" | "<>" | "<" | ">" | "<=" | ">="
// literal   := number | 'text' (a quote inside doubled)
//
// A text literal compares with the field's text without regard to ASCII letter case; a number
// compares with the field's numeric reading. A null or empty field meets no condition.

enum class Op { Eq, Ne, Lt, Gt, Le, Ge };

struct Node {
    virtual ~Node() = default;
    virtual bool Test(const MemoryRecordset::Row& row) const = 0;
};

struct Condition : Node {
    size_t column = 0;
    Op op = Op::Eq;
    bool isText = false;
    std::string text;  // upper-cased
    double number = 0;

    bool Test(const MemoryRecordset::Row& row) const override {
        const Value& field = row[column];
        if (field.IsEmpty() || field.IsNull()) return false;
        int cmp = 0;
        if (isText) {
            const std::string value = Upper(field.ToString());
            cmp = value < text ? -1 : (value > text ? 1 : 0);
        } else {
            const double value = field.ToNumber();
            cmp = value < number ? -1 : (value > number ? 1 : 0);
        }
        switch (op) {
            case Op::Eq:
                return cmp == 0;
            case Op::Ne:
                return cmp != 0;
            case Op::Lt:
                return cmp < 0;
            case Op::Gt:
                return cmp > 0;
            case Op::Le:
                return cmp <= 0;
            case Op::Ge:
                return cmp >= 0;
        }
        return false;
    }
};

struct Junction : Node {
    bool isAnd = false;
    std::vector<std::unique_ptr<Node>> parts;
    bool Test(const MemoryRecordset::Row& row) const override {
        for (const auto& p : parts) {
            const bool r = p->Test(row);
            if (isAnd && !r) return false;
            if (!isAnd && r) return true;
        }
        return isAnd;
    }
};

class FilterParser {
public:
    FilterParser(const std::string& text, const std::vector<std::string>& columns)
        : s_(text), columns_(columns) {}

    std::unique_ptr<Node> Parse() {
        auto node = ParseOr();
        SkipBlanks();
        if (pos_ != s_.size()) Fail("unexpected text");
        return node;
    }

private:
    const std::string& s_;
    const std::vector<std::string>& columns_;
    size_t pos_ = 0;
    int depth_ = 0;

    [[noreturn]] void Fail(const std::string& what) const {
        throw std::invalid_argument("bad filter \"" + s_ + "\": " + what + " at position " +
                                    std::to_string(pos_ + 1));
    }

    void SkipBlanks() {
        while (pos_ < s_.size() &&
               (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n'))
            ++pos_;
    }

    static bool IsWordChar(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || static_cast<unsigned char>(c) >= 0x80;
    }

    // Consumes the keyword (any letter case) when it stands next as a whole word.
    bool Keyword(std::string_view word) {
        SkipBlanks();
        if (s_.size() - pos_ < word.size()) return false;
        if (!IEquals(std::string_view(s_).substr(pos_, word.size()), word)) return false;
        const size_t after = pos_ + word.size();
        if (after < s_.size() && IsWordChar(s_[after])) return false;
        pos_ = after;
        return true;
    }

    std::unique_ptr<Node> ParseOr() {
        auto first = ParseAnd();
        if (!Keyword("Or")) return first;
        auto node = std::make_unique<Junction>();
        node->parts.push_back(std::move(first));
        do node->parts.push_back(ParseAnd());
        while (Keyword("Or"));
        return node;
    }

    std::unique_ptr<Node> ParseAnd() {
        auto first = ParseCondition();
        if (!Keyword("And")) return first;
        auto node = std::make_unique<Junction>();
        node->isAnd = true;
        node->parts.push_back(std::move(first));
        do node->parts.push_back(ParseCondition());
        while (Keyword("And"));
        return node;
    }

    std::unique_ptr<Node> ParseCondition() {
        SkipBlanks();
        if (pos_ < s_.size() && s_[pos_] == '(') {
            if (++depth_ > 100) Fail("too deeply nested");
            ++pos_;
            auto inner = ParseOr();
            SkipBlanks();
            if (pos_ >= s_.size() || s_[pos_] != ')') Fail("missing )");
            ++pos_;
            --depth_;
            return inner;
        }
        auto cond = std::make_unique<Condition>();
        cond->column = ParseColumn();
        cond->op = ParseOp();
        ParseLiteral(*cond);
        return cond;
    }

    size_t ParseColumn() {
        SkipBlanks();
        std::string name;
        if (pos_ < s_.size() && s_[pos_] == '[') {
            const size_t close = s_.find(']', pos_ + 1);
            if (close == std::string::npos) Fail("missing ]");
            name = s_.substr(pos_ + 1, close - pos_ - 1);
            pos_ = close + 1;
        } else {
            const size_t start = pos_;
            while (pos_ < s_.size() && IsWordChar(s_[pos_])) ++pos_;
            name = s_.substr(start, pos_ - start);
        }
        if (name.empty()) Fail("column name expected");
        for (size_t i = 0; i < columns_.size(); ++i)
            if (IEquals(columns_[i], name)) return i;
        Fail("unknown column " + name);
    }

    Op ParseOp() {
        SkipBlanks();
        auto next = [&](size_t k) { return pos_ + k < s_.size() ? s_[pos_ + k] : '\0'; };
        const char c = next(0), d = next(1);
        if (c == '=') return ++pos_, Op::Eq;
        if (c == '<' && d == '>') return pos_ += 2, Op::Ne;
        if (c == '<' && d == '=') return pos_ += 2, Op::Le;
        if (c == '>' && d == '=') return pos_ += 2, Op::Ge;
        if (c == '<') return ++pos_, Op::Lt;
        if (c == '>') return ++pos_, Op::Gt;
        Fail("comparison expected");
    }

    void ParseLiteral(Condition& cond) {
        SkipBlanks();
        if (pos_ < s_.size() && s_[pos_] == '\'') {
            std::string text;
            ++pos_;
            for (;;) {
                if (pos_ >= s_.size()) Fail("unterminated text");
                if (s_[pos_] == '\'') {
                    if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '\'') {
                        text += '\'';
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    break;
                }
                text += s_[pos_++];
            }
            cond.isText = true;
            cond.text = Upper(text);
            return;
        }
        // A number: sign, digits with one decimal point, optional exponent.
        const size_t start = pos_;
        if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-')) ++pos_;
        size_t digits = 0;
        while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_, ++digits;
        if (pos_ < s_.size() && s_[pos_] == '.') {
            ++pos_;
            while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_, ++digits;
        }
        if (digits == 0) Fail("value expected");
        if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
            size_t j = pos_ + 1;
            if (j < s_.size() && (s_[j] == '+' || s_[j] == '-')) ++j;
            if (j < s_.size() && s_[j] >= '0' && s_[j] <= '9') {
                while (j < s_.size() && s_[j] >= '0' && s_[j] <= '9') ++j;
                pos_ = j;
            }
        }
        if (pos_ < s_.size() && IsWordChar(s_[pos_])) Fail("bad number");
        const std::string text = s_.substr(start, pos_ - start);
        cond.number = ToDouble(Value(text));  // raises for a number too large to hold
    }
};

}  // namespace

MemoryRecordset::MemoryRecordset(std::vector<std::string> columns, std::vector<Row> rows)
    : columns_(std::move(columns)), rows_(std::move(rows)) {
    // A short row reads empty in its missing columns rather than past its end.
    for (auto& row : rows_)
        if (row.size() < columns_.size()) row.resize(columns_.size());
    visible_.reserve(rows_.size());
    for (size_t i = 0; i < rows_.size(); ++i) visible_.push_back(i);
}

bool MemoryRecordset::IsEOF() const {
    return closed_ || pos_ >= visible_.size();
}

bool MemoryRecordset::IsBOF() const {
    return closed_ || visible_.empty();
}

int MemoryRecordset::ColumnIndex(const std::string& name) const {
    for (size_t i = 0; i < columns_.size(); ++i)
        if (IEquals(columns_[i], name)) return static_cast<int>(i);
    throw KeyError("no column \"" + name + "\" in the record set");
}

const MemoryRecordset::Row& MemoryRecordset::Current() const {
    if (closed_) throw std::out_of_range("the record set is closed");
    if (pos_ >= visible_.size()) throw std::out_of_range("no current row (end of record set)");
    return rows_[visible_[pos_]];
}

Value MemoryRecordset::Field(const std::string& name) const {
    const int index = ColumnIndex(name);
    return Current()[static_cast<size_t>(index)];
}

Value MemoryRecordset::Field(int index) const {
    if (index < 0 || index >= FieldCount())
        throw std::out_of_range("no column " + std::to_string(index) + " in the record set");
    return Current()[static_cast<size_t>(index)];
}

std::string MemoryRecordset::FieldName(int index) const {
    if (index < 0 || index >= FieldCount())
        throw std::out_of_range("no column " + std::to_string(index) + " in the record set");
    return columns_[static_cast<size_t>(index)];
}

void MemoryRecordset::MoveFirst() {
    pos_ = 0;
}

void MemoryRecordset::MoveNext() {
    if (pos_ < visible_.size()) ++pos_;
}

void MemoryRecordset::SetFilter(const std::string& filter) {
    std::vector<size_t> visible;
    visible.reserve(rows_.size());
    if (Trim(filter).empty()) {
        for (size_t i = 0; i < rows_.size(); ++i) visible.push_back(i);
    } else {
        std::unique_ptr<Node> condition;
        try {
            condition = FilterParser(filter, columns_).Parse();
        } catch (const ConversionError& e) {
            throw std::invalid_argument("bad filter \"" + filter + "\": " + e.what());
        }
        for (size_t i = 0; i < rows_.size(); ++i)
            if (condition->Test(rows_[i])) visible.push_back(i);
    }
    visible_ = std::move(visible);
    pos_ = 0;
}

}  // namespace qor

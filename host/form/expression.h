// The host's field-action language: the arithmetic formulas of "Calculate" actions and the
// lock conditions of "LockField" actions that the bill templates attach to fields.
//
// Formulas: one or more assignments separated by ";", each "Target=expression", for example
// "FPrice=FTaxPrice/(1+FTaxRate/100)*100/FDiscountRate". An expression is built from numbers,
// texts in single quotes, field keys (read from the row the action runs on, or from the header
// when the key is a header field), item properties "ME.Key" (the record of the base data chosen
// in the field whose action runs, for example "ME.FTrack"), the operators + - * / with the usual
// precedence, unary minus, parentheses, the comparisons = <> < > <= >= (1 true, 0 false), And,
// Or, Not, and the functions Round(x[, digits]), Abs(x), Min(a, b), Max(a, b), IIf(c, a, b).
// Values are read as numbers the way the host reads fields (blank or non-numeric text is 0);
// a comparison with a text literal compares texts without regard to letter case.
//
// A division by zero, or an overflow to infinity, makes the whole assignment fail: its target
// keeps the value it had (the host never writes "Infinity" or "NaN" into a field).
//
// Lock conditions: "condition,Field=flag[,Field=flag]", for example
// "ME.FTrack<>80,FBatchNo=1,FBatchNo=0": when the condition holds the first part applies,
// otherwise the second; a flag of 1 locks the cell of Field on the row, 0 unlocks it. Either
// part may be left empty (nothing changes then).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "frame/value.h"

namespace qor::host::form {

// A formula or condition that cannot be read.
class ExpressionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A value that cannot be computed (division by zero, overflow, unknown function arguments).
class EvaluationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ExprNode;
using ExprPtr = std::shared_ptr<const ExprNode>;

// Where names are read from while evaluating.
struct EvalContext {
    // A field key ("FQty") to its value.
    std::function<Value(const std::string& key)> field;
    // An item property ("FTrack" of "ME.FTrack") to its value.
    std::function<Value(const std::string& key)> item;
};

// A parsed expression.
class Expression {
public:
    // Raises ExpressionError for text that is no expression.
    static Expression Parse(const std::string& text);
    // The number the expression yields; EvaluationError when it cannot be computed.
    double Evaluate(const EvalContext& ctx) const;
    // True when the expression yields a number other than 0.
    bool IsTrue(const EvalContext& ctx) const { return Evaluate(ctx) != 0; }
    // The field keys and item properties the expression reads (upper-cased, no duplicates).
    std::vector<std::string> Fields() const;
    std::vector<std::string> ItemProperties() const;
    const std::string& Text() const { return text_; }

private:
    ExprPtr root_;
    std::string text_;
};

struct Assignment {
    std::string target;  // the field key written
    Expression expression;
};

// "A=expr;B=expr" into its assignments; ExpressionError when a part is no assignment.
std::vector<Assignment> ParseFormula(const std::string& text);

struct LockPart {
    std::string field;  // empty: nothing changes
    bool lock = false;
};

struct LockCondition {
    Expression condition;
    LockPart whenTrue;
    LockPart whenFalse;
};

// "condition,Field=1,Field=0"; ExpressionError when it cannot be read.
LockCondition ParseLockCondition(const std::string& text);

// The same formula or condition with every field key followed by suffix ("FQty*FPrice" with
// "01" gives "FQty01*FPrice01"); item properties, functions, And/Or/Not and texts stay.
std::string SuffixFieldKeys(const std::string& text, const std::string& suffix);

}  // namespace qor::host::form

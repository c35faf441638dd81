#include "host/form/expression.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace qor::host::form {

struct ExprNode {
    enum class Kind { Number, Text, Field, Item, Unary, Binary, Call };
    Kind kind = Kind::Number;
    double number = 0;
    std::string text;  // the literal, the key, the operator or the function name (upper-cased)
    std::vector<ExprPtr> children;
};

namespace {

enum class Tok { Number, Text, Name, Op, LParen, RParen, Comma, End };

struct Token {
    Tok kind = Tok::End;
    std::string text;
    double number = 0;
    size_t pos = 0;
};

bool IsNameStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::vector<Token> Lex(const std::string& s) {
    std::vector<Token> out;
    size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        Token t;
        t.pos = i;
        if (std::isdigit(static_cast<unsigned char>(c)) ||
            (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            size_t j = i;
            while (j < s.size() && (std::isdigit(static_cast<unsigned char>(s[j])) || s[j] == '.'))
                ++j;
            if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
                size_t k = j + 1;
                if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
                if (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) {
                    j = k;
                    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
                }
            }
            std::string num = s.substr(i, j - i);
            if (std::count(num.begin(), num.end(), '.') > 1)
                throw ExpressionError("bad number \"" + num + "\" at " + std::to_string(i + 1));
            t.kind = Tok::Number;
            t.number = std::strtod(num.c_str(), nullptr);
            t.text = num;
            i = j;
        } else if (c == '\'' || c == '"') {
            size_t j = i + 1;
            std::string text;
            for (;;) {
                if (j >= s.size())
                    throw ExpressionError("unclosed text at " + std::to_string(i + 1));
                if (s[j] == c) {
                    if (j + 1 < s.size() && s[j + 1] == c) {
                        text += c;
                        j += 2;
                        continue;
                    }
                    break;
                }
                text += s[j++];
            }
            t.kind = Tok::Text;
            t.text = text;
            i = j + 1;
        } else if (IsNameStart(c)) {
            size_t j = i;
            while (j < s.size() &&
                   (IsNameChar(s[j]) || (s[j] == '.' && j + 1 < s.size() && IsNameStart(s[j + 1]))))
                ++j;
            t.kind = Tok::Name;
            t.text = s.substr(i, j - i);
            i = j;
        } else if (c == '(') {
            t.kind = Tok::LParen;
            ++i;
        } else if (c == ')') {
            t.kind = Tok::RParen;
            ++i;
        } else if (c == ',') {
            t.kind = Tok::Comma;
            ++i;
        } else if (c == '<' || c == '>') {
            t.kind = Tok::Op;
            if (i + 1 < s.size() && (s[i + 1] == '=' || (c == '<' && s[i + 1] == '>'))) {
                t.text = s.substr(i, 2);
                i += 2;
            } else {
                t.text = std::string(1, c);
                ++i;
            }
        } else if (c == '=' || c == '+' || c == '-' || c == '*' || c == '/') {
            t.kind = Tok::Op;
            t.text = std::string(1, c);
            ++i;
        } else {
            throw ExpressionError(std::string("unexpected character '") + c + "' at " +
                                  std::to_string(i + 1));
        }
        out.push_back(std::move(t));
    }
    Token end;
    end.pos = s.size();
    out.push_back(end);
    return out;
}

ExprPtr Make(ExprNode::Kind kind, std::string text, std::vector<ExprPtr> children = {},
             double number = 0) {
    auto n = std::make_shared<ExprNode>();
    n->kind = kind;
    n->text = std::move(text);
    n->children = std::move(children);
    n->number = number;
    return n;
}

// Precedence climbing: Or < And < Not < comparison < + - < * / < unary minus.
class Parser {
public:
    explicit Parser(const std::string& text) : text_(text), toks_(Lex(text)) {}

    ExprPtr ParseAll() {
        auto e = ParseOr();
        if (Peek().kind != Tok::End)
            throw ExpressionError("unexpected \"" + Describe(Peek()) + "\" at " +
                                  std::to_string(Peek().pos + 1) + " in \"" + text_ + "\"");
        return e;
    }

private:
    const std::string& text_;
    std::vector<Token> toks_;
    size_t pos_ = 0;

    const Token& Peek() const { return toks_[pos_]; }
    Token Next() { return toks_[pos_ < toks_.size() - 1 ? pos_++ : pos_]; }
    bool IsWord(const char* w) const { return Peek().kind == Tok::Name && IEquals(Peek().text, w); }
    static std::string Describe(const Token& t) {
        switch (t.kind) {
            case Tok::End:
                return "end of text";
            case Tok::LParen:
                return "(";
            case Tok::RParen:
                return ")";
            case Tok::Comma:
                return ",";
            default:
                return t.text;
        }
    }

    ExprPtr ParseOr() {
        auto l = ParseAnd();
        while (IsWord("Or")) {
            Next();
            l = Make(ExprNode::Kind::Binary, "OR", {l, ParseAnd()});
        }
        return l;
    }
    ExprPtr ParseAnd() {
        auto l = ParseNot();
        while (IsWord("And")) {
            Next();
            l = Make(ExprNode::Kind::Binary, "AND", {l, ParseNot()});
        }
        return l;
    }
    ExprPtr ParseNot() {
        if (IsWord("Not")) {
            Next();
            return Make(ExprNode::Kind::Unary, "NOT", {ParseNot()});
        }
        return ParseCompare();
    }
    ExprPtr ParseCompare() {
        auto l = ParseAdd();
        while (Peek().kind == Tok::Op &&
               (Peek().text == "=" || Peek().text == "<>" || Peek().text == "<" ||
                Peek().text == ">" || Peek().text == "<=" || Peek().text == ">=")) {
            std::string op = Next().text;
            l = Make(ExprNode::Kind::Binary, op, {l, ParseAdd()});
        }
        return l;
    }
    ExprPtr ParseAdd() {
        auto l = ParseMul();
        while (Peek().kind == Tok::Op && (Peek().text == "+" || Peek().text == "-")) {
            std::string op = Next().text;
            l = Make(ExprNode::Kind::Binary, op, {l, ParseMul()});
        }
        return l;
    }
    ExprPtr ParseMul() {
        auto l = ParseUnary();
        while (Peek().kind == Tok::Op && (Peek().text == "*" || Peek().text == "/")) {
            std::string op = Next().text;
            l = Make(ExprNode::Kind::Binary, op, {l, ParseUnary()});
        }
        return l;
    }
    ExprPtr ParseUnary() {
        if (Peek().kind == Tok::Op && (Peek().text == "-" || Peek().text == "+")) {
            std::string op = Next().text;
            auto operand = ParseUnary();
            return op == "-" ? Make(ExprNode::Kind::Unary, "-", {operand}) : operand;
        }
        return ParsePrimary();
    }
    ExprPtr ParsePrimary() {
        Token t = Next();
        switch (t.kind) {
            case Tok::Number:
                return Make(ExprNode::Kind::Number, t.text, {}, t.number);
            case Tok::Text:
                return Make(ExprNode::Kind::Text, t.text);
            case Tok::LParen: {
                auto e = ParseOr();
                if (Next().kind != Tok::RParen)
                    throw ExpressionError("missing ) in \"" + text_ + "\"");
                return e;
            }
            case Tok::Name: {
                if (Peek().kind == Tok::LParen) {
                    Next();
                    std::vector<ExprPtr> args;
                    if (Peek().kind != Tok::RParen) {
                        for (;;) {
                            args.push_back(ParseOr());
                            if (Peek().kind == Tok::Comma) {
                                Next();
                                continue;
                            }
                            break;
                        }
                    }
                    if (Next().kind != Tok::RParen)
                        throw ExpressionError("missing ) after the arguments of " + t.text);
                    std::string name = Upper(t.text);
                    static const char* kFunctions[] = {"ROUND", "ABS", "MIN", "MAX", "IIF"};
                    if (std::none_of(std::begin(kFunctions), std::end(kFunctions),
                                     [&](const char* f) { return name == f; }))
                        throw ExpressionError("unknown function " + t.text);
                    return Make(ExprNode::Kind::Call, name, std::move(args));
                }
                std::string up = Upper(t.text);
                if (up.rfind("ME.", 0) == 0) {
                    std::string prop = t.text.substr(3);
                    if (prop.empty() || prop.find('.') != std::string::npos)
                        throw ExpressionError("bad item property " + t.text);
                    return Make(ExprNode::Kind::Item, prop);
                }
                if (t.text.find('.') != std::string::npos)
                    throw ExpressionError("unknown name " + t.text);
                return Make(ExprNode::Kind::Field, t.text);
            }
            default:
                throw ExpressionError("unexpected \"" + Describe(t) + "\" at " +
                                      std::to_string(t.pos + 1) + " in \"" + text_ + "\"");
        }
    }
};

// A computed value: a number, or a text literal (kept for text comparisons).
struct Result {
    double number = 0;
    std::string text;
    bool isText = false;   // a text literal
    bool hasText = false;  // a field value, comparable as text too
};

double Checked(double d) {
    if (!std::isfinite(d)) throw EvaluationError("the result is not a finite number");
    return d;
}

Result Eval(const ExprNode& n, const EvalContext& ctx) {
    Result r;
    switch (n.kind) {
        case ExprNode::Kind::Number:
            r.number = n.number;
            return r;
        case ExprNode::Kind::Text:
            r.text = n.text;
            r.number = Val(n.text);
            r.isText = true;
            return r;
        case ExprNode::Kind::Field:
        case ExprNode::Kind::Item: {
            const auto& source = n.kind == ExprNode::Kind::Field ? ctx.field : ctx.item;
            Value v = source ? source(n.text) : Value();
            r.number = v.ToNumber();
            if (!std::isfinite(r.number)) r.number = 0;
            r.text = v.ToString();
            r.hasText = true;
            return r;
        }
        case ExprNode::Kind::Unary: {
            Result a = Eval(*n.children[0], ctx);
            r.number = n.text == "NOT" ? (a.number == 0 ? 1 : 0) : -a.number;
            return r;
        }
        case ExprNode::Kind::Binary: {
            const std::string& op = n.text;
            if (op == "AND") {
                r.number =
                    Eval(*n.children[0], ctx).number != 0 && Eval(*n.children[1], ctx).number != 0
                        ? 1
                        : 0;
                return r;
            }
            if (op == "OR") {
                r.number =
                    Eval(*n.children[0], ctx).number != 0 || Eval(*n.children[1], ctx).number != 0
                        ? 1
                        : 0;
                return r;
            }
            Result a = Eval(*n.children[0], ctx);
            Result b = Eval(*n.children[1], ctx);
            if (op == "+") {
                r.number = Checked(a.number + b.number);
            } else if (op == "-") {
                r.number = Checked(a.number - b.number);
            } else if (op == "*") {
                r.number = Checked(a.number * b.number);
            } else if (op == "/") {
                if (b.number == 0) throw EvaluationError("division by zero");
                r.number = Checked(a.number / b.number);
            } else {
                int cmp;
                if (a.isText || b.isText) {
                    std::string x =
                        UpperTrim(a.isText || a.hasText ? a.text : NumberToText(a.number));
                    std::string y =
                        UpperTrim(b.isText || b.hasText ? b.text : NumberToText(b.number));
                    cmp = x < y ? -1 : (x > y ? 1 : 0);
                } else {
                    cmp = a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
                }
                bool v = op == "="    ? cmp == 0
                         : op == "<>" ? cmp != 0
                         : op == "<"  ? cmp < 0
                         : op == ">"  ? cmp > 0
                         : op == "<=" ? cmp <= 0
                                      : cmp >= 0;
                r.number = v ? 1 : 0;
            }
            return r;
        }
        case ExprNode::Kind::Call: {
            const std::string& f = n.text;
            auto arg = [&](size_t i) { return Eval(*n.children.at(i), ctx).number; };
            size_t argc = n.children.size();
            if (f == "ROUND") {
                if (argc < 1 || argc > 2) throw EvaluationError("Round takes 1 or 2 arguments");
                int digits = argc == 2 ? static_cast<int>(arg(1)) : 0;
                r.number = RoundDecimal(arg(0), digits);
            } else if (f == "ABS") {
                if (argc != 1) throw EvaluationError("Abs takes 1 argument");
                r.number = std::fabs(arg(0));
            } else if (f == "MIN" || f == "MAX") {
                if (argc != 2) throw EvaluationError(f + " takes 2 arguments");
                r.number = f == "MIN" ? std::min(arg(0), arg(1)) : std::max(arg(0), arg(1));
            } else {  // IIF
                if (argc != 3) throw EvaluationError("IIf takes 3 arguments");
                r.number = arg(0) != 0 ? arg(1) : arg(2);
            }
            return r;
        }
    }
    return r;
}

void Collect(const ExprNode& n, ExprNode::Kind kind, std::vector<std::string>& out) {
    if (n.kind == kind) {
        std::string up = Upper(n.text);
        if (std::find(out.begin(), out.end(), up) == out.end()) out.push_back(up);
    }
    for (const auto& c : n.children) Collect(*c, kind, out);
}

// Splits at the separator outside parentheses and quotes.
std::vector<std::string> SplitTopLevel(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::string cur;
    int depth = 0;
    char quote = 0;
    for (char c : s) {
        if (quote) {
            cur += c;
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == sep && depth == 0) {
            parts.push_back(cur);
            cur.clear();
            continue;
        }
        cur += c;
    }
    parts.push_back(cur);
    return parts;
}

bool IsFieldName(const std::string& s) {
    if (s.empty() || !IsNameStart(s[0])) return false;
    return std::all_of(s.begin(), s.end(), IsNameChar);
}

LockPart ParseLockPart(const std::string& raw, const std::string& whole) {
    LockPart part;
    std::string text = Trim(raw);
    if (text.empty()) return part;
    auto eq = text.find('=');
    if (eq == std::string::npos)
        throw ExpressionError("\"" + text + "\" is no Field=flag part in \"" + whole + "\"");
    part.field = Trim(text.substr(0, eq));
    std::string flag = Trim(text.substr(eq + 1));
    if (!IsFieldName(part.field))
        throw ExpressionError("\"" + part.field + "\" is no field key in \"" + whole + "\"");
    if (flag != "0" && flag != "1")
        throw ExpressionError("the lock flag must be 0 or 1 in \"" + whole + "\"");
    part.lock = flag == "1";
    return part;
}

}  // namespace

std::string SuffixFieldKeys(const std::string& text, const std::string& suffix) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\'' || c == '"') {
            size_t j = text.find(c, i + 1);
            j = j == std::string::npos ? text.size() : j + 1;
            out += text.substr(i, j - i);
            i = j;
            continue;
        }
        if (IsNameStart(c) && (i == 0 || !IsNameChar(text[i - 1]))) {
            size_t j = i;
            while (j < text.size() && (IsNameChar(text[j]) || text[j] == '.')) ++j;
            std::string name = text.substr(i, j - i);
            size_t k = j;
            while (k < text.size() && text[k] == ' ') ++k;
            bool isCall = k < text.size() && text[k] == '(';
            std::string up = Upper(name);
            bool keep =
                isCall || up.rfind("ME.", 0) == 0 || up == "AND" || up == "OR" || up == "NOT";
            out += name;
            if (!keep) out += suffix;
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

Expression Expression::Parse(const std::string& text) {
    if (Trim(text).empty()) throw ExpressionError("empty expression");
    Expression e;
    e.text_ = text;
    Parser p(text);
    e.root_ = p.ParseAll();
    return e;
}

double Expression::Evaluate(const EvalContext& ctx) const {
    if (!root_) throw EvaluationError("empty expression");
    return Eval(*root_, ctx).number;
}

std::vector<std::string> Expression::Fields() const {
    std::vector<std::string> out;
    if (root_) Collect(*root_, ExprNode::Kind::Field, out);
    return out;
}

std::vector<std::string> Expression::ItemProperties() const {
    std::vector<std::string> out;
    if (root_) Collect(*root_, ExprNode::Kind::Item, out);
    return out;
}

std::vector<Assignment> ParseFormula(const std::string& text) {
    std::vector<Assignment> out;
    for (const auto& raw : SplitTopLevel(text, ';')) {
        std::string part = Trim(raw);
        if (part.empty()) continue;
        auto eq = part.find('=');
        if (eq == std::string::npos)
            throw ExpressionError("\"" + part + "\" is no assignment Target=expression");
        std::string target = Trim(part.substr(0, eq));
        if (!IsFieldName(target))
            throw ExpressionError("\"" + target + "\" is no field key to assign in \"" + text +
                                  "\"");
        out.push_back({target, Expression::Parse(part.substr(eq + 1))});
    }
    if (out.empty()) throw ExpressionError("the formula \"" + text + "\" assigns nothing");
    return out;
}

LockCondition ParseLockCondition(const std::string& text) {
    auto parts = SplitTopLevel(text, ',');
    if (parts.size() < 2 || parts.size() > 3)
        throw ExpressionError("a lock condition is \"condition,Field=flag,Field=flag\": \"" + text +
                              "\"");
    LockCondition lc{Expression::Parse(parts[0]), ParseLockPart(parts[1], text),
                     parts.size() == 3 ? ParseLockPart(parts[2], text) : LockPart{}};
    return lc;
}

}  // namespace qor::host::form

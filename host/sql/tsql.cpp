// Translation of T-SQL batches into SQLite statements and layer-run control flow.
//
// The translator is a recursive-descent parser that emits SQLite text as it reads. Statement
// boundaries come from the grammar, as in SQL Server: a statement ends where the next one's
// keyword starts, so batches joined by line breaks without semicolons split correctly.
//
// SQLite's parser has a small fixed stack and its expression trees a depth limit, so the
// emitted text never nests deeper than the input needs: parentheses are written only where
// precedence asks for them, AND and OR chains stay flat (long ones are grouped in balanced
// parts), an arithmetic chain is one call, and a sub-query nested deeply inside others that
// reads nothing of the queries around it is lifted into the statement's WITH clause.
//
// Emitted SQLite relies on the functions and collations of sqlite_functions.cpp:
//   tsql_arith('ops', a, b, ...)   a chain of + - * / % from left to right: text + text
//                    concatenates, NULL gives NULL, integer division truncates, a zero divisor
//                    and an overflow are errors (at int's range for steps marked as int)
//   tsql_convert('type', x, style)   CONVERT and CAST
//   COLLATE SQLTEXT  text comparison without regard to letter case and trailing blanks, added
//                    where no column brings its own collation
#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <unordered_map>

#include "frame/errors.h"
#include "host/sql/tsql.h"

namespace qor::host::sql {

namespace {

std::string Upper(std::string_view s) {
    std::string r(s);
    for (auto& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

std::string QuoteIdent(std::string_view name) {
    std::string r = "\"";
    for (char c : name) {
        if (c == '"') r.push_back('"');
        r.push_back(c);
    }
    return r + "\"";
}

std::string QuoteText(std::string_view text) {
    std::string r = "'";
    for (char c : text) {
        if (c == '\'') r.push_back('\'');
        r.push_back(c);
    }
    return r + "'";
}

std::string Join(const std::vector<std::string>& parts, const char* separator) {
    std::string r;
    for (size_t i = 0; i < parts.size(); ++i) r += (i ? separator : "") + parts[i];
    return r;
}

// Words that end an expression, an alias or a statement: never taken as names.
bool IsReserved(std::string_view word) {
    static const char* words[] = {
        "ADD",     "ALL",      "ALTER",       "AND",       "ANY",       "AS",        "ASC",
        "BEGIN",   "BETWEEN",  "BREAK",       "BY",        "CASE",      "CLOSE",     "COLLATE",
        "COMMIT",  "COMPUTE",  "CONTINUE",    "CREATE",    "CROSS",     "CURSOR",    "DECLARE",
        "DEFAULT", "DELETE",   "DESC",        "DISTINCT",  "DROP",      "ELSE",      "END",
        "ESCAPE",  "EXCEPT",   "EXEC",        "EXECUTE",   "EXISTS",    "FETCH",     "FOR",
        "FROM",    "FULL",     "GO",          "GOTO",      "GROUP",     "HAVING",    "IF",
        "IN",      "INNER",    "INSERT",      "INTERSECT", "INTO",      "IS",        "JOIN",
        "LEFT",    "LIKE",     "NOT",         "NULL",      "ON",        "OPEN",      "OPTION",
        "OR",      "ORDER",    "OUTER",       "PRINT",     "PROCEDURE", "RAISERROR", "RETURN",
        "RIGHT",   "ROLLBACK", "SELECT",      "SET",       "SOME",      "TABLE",     "THEN",
        "TOP",     "TRAN",     "TRANSACTION", "TRUNCATE",  "UNION",     "UPDATE",    "USE",
        "VALUES",  "WAITFOR",  "WHEN",        "WHERE",     "WHILE",     "WITH",
    };
    std::string u = Upper(word);
    for (const char* w : words)
        if (u == w) return true;
    return false;
}

// T-SQL statements the layer does not run: a batch holding one is refused naming it. Any other
// word where a statement should start is a syntax error (the previous statement ended early).
bool IsUnsupportedStatement(const std::string& upper) {
    static const char* words[] = {
        "ALTER",    "BACKUP",   "BREAK",      "BULK",      "CHECKPOINT",  "CLOSE",   "COMMIT",
        "CONTINUE", "DBCC",     "DEALLOCATE", "DENY",      "DISABLE",     "ENABLE",  "EXEC",
        "EXECUTE",  "FETCH",    "GO",         "GOTO",      "GRANT",       "KILL",    "MERGE",
        "OPEN",     "PRINT",    "RAISERROR",  "READTEXT",  "RECONFIGURE", "RESTORE", "REVERT",
        "REVOKE",   "ROLLBACK", "SAVE",       "SETUSER",   "SHUTDOWN",    "THROW",   "UPDATETEXT",
        "USE",      "WAITFOR",  "WHILE",      "WRITETEXT",
    };
    for (const char* w : words)
        if (upper == w) return true;
    return false;
}

enum class ExprType { Unknown, Number, Text, Bool };

// How tightly an emitted expression holds together. A term is written bare where it binds at
// least as tightly as its place needs, in parentheses otherwise; function calls, literals,
// names, CASE and parenthesised sub-queries are atoms.
enum Prec : int { kOrPrec = 1, kAndPrec, kNotPrec, kPredicatePrec, kAtomPrec };

struct Expr {
    std::string sql;
    ExprType type = ExprType::Unknown;
    bool column = false;  // a plain column reference: its own collation applies
    std::string name;     // the column's name as written
    // Of SQL Server's int type (an integer literal in its range, an int variable, a conversion
    // to int, a count...): arithmetic between two such values overflows at int's range.
    bool isInt = false;
    int prec = kAtomPrec;
    // An AND or OR chain keeps its terms, so a chain of the same operator written inside
    // parentheses joins the enclosing one instead of nesting.
    const char* chainOp = nullptr;
    std::vector<std::string> terms;
};

Expr Make(std::string sql, ExprType type = ExprType::Unknown, int prec = kAtomPrec) {
    Expr e;
    e.sql = std::move(sql);
    e.type = type;
    e.prec = prec;
    return e;
}

// The expression's text for a place that needs at least `need`.
std::string Wrap(const Expr& e, int need) {
    return e.prec < need ? "(" + e.sql + ")" : e.sql;
}

// Terms joined by AND or OR. SQLite builds a left-deep tree of a flat chain and limits trees
// to a depth of 1000, so a long chain is written as balanced groups of at most kGroup terms;
// both operators are associative, and the terms keep their order.
std::string JoinTerms(const std::vector<std::string>& terms, const char* op) {
    constexpr size_t kGroup = 64;
    if (terms.size() <= kGroup) return Join(terms, op);
    std::vector<std::string> groups;
    for (size_t i = 0; i < terms.size(); i += kGroup) {
        std::vector<std::string> part(
            terms.begin() + static_cast<std::ptrdiff_t>(i),
            terms.begin() + static_cast<std::ptrdiff_t>(std::min(i + kGroup, terms.size())));
        groups.push_back(part.size() == 1 ? part[0] : "(" + Join(part, op) + ")");
    }
    return JoinTerms(groups, op);
}

// The step codes of tsql_arith: + - * / % as written, or one letter each (A S M D R) for a step
// between two int values, which overflows at int's range.
char ArithCode(char op, bool intStep) {
    if (!intStep) return op;
    switch (op) {
        case '+':
            return 'A';
        case '-':
            return 'S';
        case '*':
            return 'M';
        case '/':
            return 'D';
        default:
            return 'R';
    }
}

// A chain of + and - (or of * / %) read left to right, written as one tsql_arith call.
struct ArithChain {
    std::string ops;
    std::vector<std::string> operands;
    ExprType type;
    bool isInt;

    explicit ArithChain(const Expr& first)
        : operands{first.sql}, type(first.type), isInt(first.isInt) {}

    void Add(char op, const Expr& r) {
        // A text meeting an int is read as an int, as SQL Server converts it.
        bool intStep =
            (isInt && (r.isInt || r.type == ExprType::Text)) || (type == ExprType::Text && r.isInt);
        if (op == '+') {
            if (type == ExprType::Number && r.type == ExprType::Number)
                type = ExprType::Number;
            else if (type == ExprType::Text || r.type == ExprType::Text)
                type = ExprType::Text;
            else
                type = ExprType::Unknown;
        } else {
            type = ExprType::Number;
        }
        if (intStep) type = ExprType::Number;
        isInt = intStep;
        ops.push_back(ArithCode(op, intStep));
        operands.push_back(r.sql);
    }

    // SQLite takes at most 127 arguments: a longer chain goes on from the call that holds its
    // first part.
    Expr Finish() const {
        constexpr size_t kOperands = 126;
        auto call = [](const std::string& codes, std::string args) {
            return "tsql_arith(" + QuoteText(codes) + ", " + args + ")";
        };
        size_t n = operands.size(), taken = std::min(n, kOperands);
        std::vector<std::string> first(operands.begin(),
                                       operands.begin() + static_cast<std::ptrdiff_t>(taken));
        std::string sql = call(ops.substr(0, taken - 1), Join(first, ", "));
        while (taken < n) {
            size_t more = std::min(n - taken, kOperands - 1);
            std::vector<std::string> next{sql};
            next.insert(next.end(), operands.begin() + static_cast<std::ptrdiff_t>(taken),
                        operands.begin() + static_cast<std::ptrdiff_t>(taken + more));
            sql = call(ops.substr(taken - 1, more), Join(next, ", "));
            taken += more;
        }
        Expr e = Make(sql, type);
        e.isInt = isInt;
        return e;
    }
};

struct SelectTargets {
    bool assign = false, plain = false;
    std::vector<int> targets;
};

struct Core {
    std::string sql;
    std::string top;  // LIMIT expression, empty for none
    // For a plain one-column query used as a value: the same query through the tsql_single
    // aggregate, which refuses a second row as SQL Server does. Empty when not applicable.
    std::string checkedScalar;
};

// A query as read: its text, how many queries deep it nests (itself included), and whether it
// names a table of a query around it.
struct Query {
    std::string sql;
    int depth = 1;
    bool correlated = false;
};

// The names a query's FROM clause brings (aliases, or table names without one) and the
// qualifiers its column references use, upper-cased. A qualifier none of its own names
// answers belongs to a query around it.
struct Scope {
    std::set<std::string> names, used;
    int childDepth = 0;  // the deepest sub-query inside, as written in the text
};

// A sub-query nested this deep (itself included) moves into the WITH clause when it names no
// table of the queries around it. Ordinary statements never nest so deep and keep their shape;
// SQLite parses several levels more, so what is left in place still fits its parser.
constexpr int kLiftDepth = 5;

class Translator {
public:
    explicit Translator(const std::string& text) : text_(text), toks_(Tokenize(text)) {}

    std::shared_ptr<Batch> Run() {
        batch_ = std::make_shared<Batch>();
        while (true) {
            while (AcceptSymbol(";")) {
            }
            if (Peek().kind == TokenKind::End) break;
            batch_->statements.push_back(ParseStatement());
        }
        return batch_;
    }

private:
    const std::string& text_;
    std::vector<Token> toks_;
    size_t pos_ = 0;
    std::shared_ptr<Batch> batch_;
    std::map<std::string, int> varIndex_;  // upper-cased name -> index
    Statement* current_ = nullptr;         // the statement whose SQL is being read
    int noVariables_ = 0;                  // > 0 inside DEFAULT, CHECK and view definitions
    std::vector<std::string> lifted_;      // the current statement's WITH clause entries
    std::vector<Scope> scopes_;            // the queries being read, innermost last
    int depth_ = 0;
    int aggregates_ = 0;  // aggregate calls read so far

    // ---- token helpers ----
    const Token& Peek(size_t k = 0) const {
        size_t i = std::min(pos_ + k, toks_.size() - 1);
        return toks_[i];
    }
    const Token& Next() {
        const Token& t = toks_[pos_];
        if (pos_ + 1 < toks_.size()) ++pos_;
        return t;
    }
    static bool IsWord(const Token& t, const char* w) {
        return t.kind == TokenKind::Word && Upper(t.text) == w;
    }
    bool PeekWord(const char* w, size_t k = 0) const { return IsWord(Peek(k), w); }
    bool AcceptWord(const char* w) {
        if (!PeekWord(w)) return false;
        Next();
        return true;
    }
    void ExpectWord(const char* w) {
        if (!AcceptWord(w)) Fail(std::string("expected ") + w);
    }
    bool PeekSymbol(const char* s, size_t k = 0) const {
        return Peek(k).kind == TokenKind::Symbol && Peek(k).text == s;
    }
    bool AcceptSymbol(const char* s) {
        if (!PeekSymbol(s)) return false;
        Next();
        return true;
    }
    void ExpectSymbol(const char* s) {
        if (!AcceptSymbol(s)) Fail(std::string("expected '") + s + "'");
    }
    std::string Where(const Token& t) const {
        return " (line " + std::to_string(t.line) + ", column " + std::to_string(t.column) + ")";
    }
    std::string Near(const Token& t) const {
        if (t.kind == TokenKind::End) return "the end of the batch";
        return "'" + text_.substr(t.offset, t.end - t.offset) + "'";
    }
    [[noreturn]] void Fail(const std::string& detail) const {
        const Token& t = Peek();
        throw HostError("T-SQL", "Incorrect syntax near " + Near(t) + Where(t) + ": " + detail);
    }
    [[noreturn]] void Unsupported(const std::string& construct, const Token& at) const {
        throw HostError("T-SQL", "T-SQL construct not supported by the host database: " +
                                     construct + Where(at));
    }
    struct DepthGuard {
        Translator& t;
        explicit DepthGuard(Translator& tr) : t(tr) {
            if (++t.depth_ > 256) t.Fail("statement nested too deeply");
        }
        ~DepthGuard() { --t.depth_; }
    };

    std::string SourceFrom(size_t startTok) const {
        size_t lastTok = pos_ > startTok ? pos_ - 1 : startTok;
        size_t b = toks_[startTok].offset, e = toks_[lastTok].end;
        return text_.substr(b, e > b ? e - b : 0);
    }

    bool IsNameToken(const Token& t) const {
        return (t.kind == TokenKind::Word && !IsReserved(t.text)) ||
               t.kind == TokenKind::QuotedName || t.kind == TokenKind::TempName;
    }

    // ---- variables ----
    int VariableIndex(const Token& t) {
        auto it = varIndex_.find(Upper(t.text));
        if (it == varIndex_.end())
            throw HostError("T-SQL",
                            "Must declare the scalar variable \"" + t.text + "\"." + Where(t));
        return it->second;
    }
    std::string Param(int source) {
        if (!current_ || noVariables_ > 0) Fail("a variable cannot be used here");
        current_->params.push_back(source);
        return "?" + std::to_string(current_->params.size());
    }

    // Inside a DEFAULT, CHECK, index filter or view no variable may be used.
    struct NoVariables {
        Translator& t;
        explicit NoVariables(Translator& tr) : t(tr) { ++t.noVariables_; }
        ~NoVariables() { --t.noVariables_; }
    };

    // ---- statements ----
    StatementPtr ParseStatement() {
        DepthGuard guard(*this);
        const Token& t = Peek();
        size_t start = pos_;
        StatementPtr st;
        if (t.kind != TokenKind::Word) {
            if (PeekSymbol("(")) Unsupported("a statement that starts with '('", t);
            Fail("a statement was expected");
        }
        std::string w = Upper(t.text);
        if (w == "SELECT") {
            st = ParseSelectStatement();
        } else if (w == "INSERT") {
            st = ParseInsert();
        } else if (w == "UPDATE") {
            st = ParseUpdate();
        } else if (w == "DELETE") {
            st = ParseDelete();
        } else if (w == "DECLARE") {
            st = ParseDeclare();
        } else if (w == "SET") {
            st = ParseSet();
        } else if (w == "IF") {
            st = ParseIf();
        } else if (w == "BEGIN") {
            if (PeekWord("TRAN", 1) || PeekWord("TRANSACTION", 1) || PeekWord("TRY", 1))
                Unsupported("BEGIN " + Upper(Peek(1).text), t);
            st = ParseBlock();
        } else if (w == "CREATE") {
            st = ParseCreate();
        } else if (w == "DROP") {
            st = ParseDrop();
        } else if (w == "TRUNCATE") {
            st = ParseTruncate();
        } else if (w == "RETURN") {
            Next();
            st = std::make_unique<Statement>();
            st->kind = Statement::Kind::Return;
        } else if (w == "WITH") {
            Unsupported("common table expressions (WITH ... AS)", t);
        } else if (IsUnsupportedStatement(w)) {
            Unsupported("statement " + w, t);
        } else {
            // Most often the rest of an expression the layer stopped reading, as in
            // "x NOT NULL": name the word rather than call it a statement.
            Fail(
                "a statement cannot start with this word; the statement before it ended at "
                "the word before");
        }
        st->source = SourceFrom(start);
        return st;
    }

    // Starts a statement with SQL of its own: variables, temp tables and lifted sub-queries
    // are collected for it until FinishStatement.
    StatementPtr NewStatement(Statement::Kind kind) {
        auto st = std::make_unique<Statement>();
        st->kind = kind;
        current_ = st.get();
        lifted_.clear();
        scopes_.assign(1, Scope{});
        return st;
    }

    // The sub-queries lifted out of sql, as the WITH clause in front of it.
    std::string WithLifted(std::string sql) {
        if (lifted_.empty()) return sql;
        std::string with = "WITH " + Join(lifted_, ", ") + " " + sql;
        lifted_.clear();
        return with;
    }

    void FinishStatement(Statement& st) {
        st.sql = WithLifted(std::move(st.sql));
        current_ = nullptr;
        scopes_.clear();
    }

    StatementPtr ParseSelectStatement() {
        auto st = NewStatement(Statement::Kind::Query);
        SelectTargets tg;
        st->sql = ParseQuery(&tg).sql;
        if (tg.assign) {
            if (tg.plain)
                throw HostError("T-SQL",
                                "A SELECT statement that assigns a value to a variable must not "
                                "be combined with data-retrieval operations.");
            st->kind = Statement::Kind::Assign;
            st->targets = tg.targets;
        }
        FinishStatement(*st);
        return st;
    }

    StatementPtr ParseInsert() {
        auto st = NewStatement(Statement::Kind::Write);
        ExpectWord("INSERT");
        AcceptWord("INTO");
        std::string sql = "INSERT INTO " + ParseTableName();
        SkipTableHints();
        if (PeekSymbol("(") && !PeekWord("SELECT", 1)) {
            Next();
            std::vector<std::string> cols;
            do {
                cols.push_back(ParseColumnNameForWrite());
            } while (AcceptSymbol(","));
            ExpectSymbol(")");
            sql += " (" + Join(cols, ", ") + ")";
        }
        if (AcceptWord("VALUES")) {
            sql += " VALUES ";
            bool first = true;
            do {
                ExpectSymbol("(");
                std::vector<std::string> row;
                do {
                    row.push_back(ParseExpr().sql);
                } while (AcceptSymbol(","));
                ExpectSymbol(")");
                sql += (first ? "(" : ", (") + Join(row, ", ") + ")";
                first = false;
            } while (AcceptSymbol(","));
        } else if (PeekWord("SELECT") || (PeekSymbol("(") && PeekWord("SELECT", 1))) {
            bool paren = AcceptSymbol("(");
            sql += " " + ParseQuery(nullptr).sql;
            if (paren) ExpectSymbol(")");
        } else if (PeekWord("DEFAULT")) {
            Next();
            ExpectWord("VALUES");
            sql += " DEFAULT VALUES";
        } else if (PeekWord("EXEC") || PeekWord("EXECUTE")) {
            Unsupported("INSERT ... EXEC", Peek());
        } else {
            Fail("VALUES or SELECT expected");
        }
        st->sql = sql;
        FinishStatement(*st);
        return st;
    }

    std::string ParseColumnNameForWrite() {
        // [alias.]column: SQLite takes the bare column name.
        std::string last;
        do {
            const Token& t = Next();
            if (t.kind != TokenKind::Word && t.kind != TokenKind::QuotedName) {
                --pos_;
                Fail("a column name was expected");
            }
            last = t.text;
        } while (AcceptSymbol("."));
        return QuoteIdent(last);
    }

    StatementPtr ParseUpdate() {
        auto st = NewStatement(Statement::Kind::Write);
        const Token& first = Peek();
        ExpectWord("UPDATE");
        if (PeekWord("TOP")) Unsupported("UPDATE TOP", Peek());
        std::string sql = "UPDATE " + ParseTableName(true);
        SkipTableHints();
        ExpectWord("SET");
        sql += " SET ";
        bool firstItem = true;
        do {
            if (Peek().kind == TokenKind::Variable) Unsupported("UPDATE ... SET @variable", Peek());
            std::string col = ParseColumnNameForWrite();
            if (!PeekSymbol("=")) {
                if (Peek().kind == TokenKind::Symbol && PeekSymbol("=", 1))
                    Unsupported("compound assignment " + Peek().text + "=", Peek());
                Fail("'=' expected");
            }
            Next();
            sql += (firstItem ? "" : ", ") + col + " = " + ParseExpr().sql;
            firstItem = false;
        } while (AcceptSymbol(","));
        if (PeekWord("FROM")) Unsupported("UPDATE ... FROM (joined update)", first);
        if (AcceptWord("WHERE")) sql += " WHERE " + ParseExpr().sql;
        st->sql = sql;
        FinishStatement(*st);
        return st;
    }

    StatementPtr ParseDelete() {
        auto st = NewStatement(Statement::Kind::Write);
        const Token& first = Peek();
        ExpectWord("DELETE");
        if (PeekWord("TOP")) Unsupported("DELETE TOP", Peek());
        AcceptWord("FROM");
        std::string sql = "DELETE FROM " + ParseTableName(true);
        SkipTableHints();
        if (PeekWord("FROM")) Unsupported("DELETE ... FROM (joined delete)", first);
        if (AcceptWord("WHERE")) sql += " WHERE " + ParseExpr().sql;
        st->sql = sql;
        FinishStatement(*st);
        return st;
    }

    std::string ParseTypeSpec() {
        const Token& t = Next();
        if (t.kind != TokenKind::Word && t.kind != TokenKind::QuotedName) {
            --pos_;
            Fail("a data type was expected");
        }
        std::string spec = t.text;
        if (Upper(spec) == "DOUBLE" && PeekWord("PRECISION")) {
            Next();
            spec = "double precision";
        }
        if (AcceptSymbol("(")) {
            spec += "(";
            bool first = true;
            do {
                const Token& a = Next();
                if (a.kind != TokenKind::Number && !IsWord(a, "MAX")) {
                    --pos_;
                    Fail("a length was expected");
                }
                spec += (first ? "" : ",") + a.text;
                first = false;
            } while (AcceptSymbol(","));
            ExpectSymbol(")");
            spec += ")";
        }
        return spec;
    }

    StatementPtr ParseDeclare() {
        ExpectWord("DECLARE");
        auto block = std::make_unique<Statement>();
        block->kind = Statement::Kind::Block;
        auto decl = std::make_unique<Statement>();
        decl->kind = Statement::Kind::Declare;
        std::vector<StatementPtr> inits;
        do {
            const Token& v = Next();
            if (v.kind != TokenKind::Variable) {
                --pos_;
                Fail("a variable name was expected");
            }
            if (varIndex_.count(Upper(v.text)))
                throw HostError("T-SQL", "The variable name '" + v.text +
                                             "' has already been declared." + Where(v));
            AcceptWord("AS");
            if (PeekWord("TABLE")) Unsupported("table variables", Peek());
            if (PeekWord("CURSOR")) Unsupported("cursors", Peek());
            const Token& typeTok = Peek();
            std::string spec = ParseTypeSpec();
            Variable var;
            var.name = v.text;
            try {
                var.type = ParseSqlType(spec, 1);
            } catch (const HostError& e) {
                throw HostError("T-SQL", std::string(e.what()) + Where(typeTok));
            }
            int index = static_cast<int>(batch_->variables.size());
            batch_->variables.push_back(var);
            varIndex_[Upper(v.text)] = index;
            decl->declared.push_back(index);
            if (AcceptSymbol("=")) {
                auto init = NewStatement(Statement::Kind::Assign);
                init->sql = "SELECT " + ParseExpr().sql;
                init->targets = {index};
                FinishStatement(*init);
                inits.push_back(std::move(init));
            }
        } while (AcceptSymbol(","));
        block->body.push_back(std::move(decl));
        for (auto& i : inits) block->body.push_back(std::move(i));
        return block;
    }

    static StatementPtr Nothing() {
        auto st = std::make_unique<Statement>();
        st->kind = Statement::Kind::Nothing;
        return st;
    }

    StatementPtr ParseSet() {
        const Token& setTok = Peek();
        ExpectWord("SET");
        if (Peek().kind == TokenKind::Variable) {
            const Token& v = Next();
            int index = VariableIndex(v);
            if (!PeekSymbol("=")) {
                if (Peek().kind == TokenKind::Symbol && PeekSymbol("=", 1))
                    Unsupported("compound assignment " + Peek().text + "=", Peek());
                Fail("'=' expected");
            }
            Next();
            auto st = NewStatement(Statement::Kind::Assign);
            st->sql = "SELECT " + ParseExpr().sql;
            st->targets = {index};
            FinishStatement(*st);
            return st;
        }
        const Token& opt = Peek();
        std::string o = Upper(opt.text);
        if (opt.kind != TokenKind::Word) Fail("a variable or an option was expected");
        if (o == "TRANSACTION") {
            Next();
            ExpectWord("ISOLATION");
            ExpectWord("LEVEL");
            while (PeekWord("READ") || PeekWord("UNCOMMITTED") || PeekWord("COMMITTED") ||
                   PeekWord("REPEATABLE") || PeekWord("SERIALIZABLE") || PeekWord("SNAPSHOT"))
                Next();
            return Nothing();
        }
        // Options that do not change what a statement returns here.
        static const char* harmless[] = {"NOCOUNT",
                                         "ANSI_WARNINGS",
                                         "ARITHABORT",
                                         "XACT_ABORT",
                                         "ANSI_PADDING",
                                         "QUOTED_IDENTIFIER",
                                         "ANSI_NULLS",
                                         "CONCAT_NULL_YIELDS_NULL",
                                         "NUMERIC_ROUNDABORT",
                                         "IMPLICIT_TRANSACTIONS"};
        bool known = false;
        for (const char* h : harmless) known = known || o == h;
        if (!known) Unsupported("SET " + o, setTok);
        Next();
        const Token& value = Peek();
        if (!IsWord(value, "ON") && !IsWord(value, "OFF")) Fail("ON or OFF expected");
        Next();
        bool off = IsWord(value, "OFF");
        // Settings under which statements would mean something else than here.
        bool changesMeaning =
            off ? (o == "ANSI_NULLS" || o == "CONCAT_NULL_YIELDS_NULL" || o == "QUOTED_IDENTIFIER")
                : (o == "NUMERIC_ROUNDABORT" || o == "IMPLICIT_TRANSACTIONS");
        if (changesMeaning) Unsupported("SET " + o + (off ? " OFF" : " ON"), setTok);
        return Nothing();
    }

    StatementPtr ParseIf() {
        ExpectWord("IF");
        auto st = NewStatement(Statement::Kind::If);
        Expr cond = ParseExpr();
        st->sql = "SELECT CASE WHEN " + cond.sql + " THEN 1 ELSE 0 END";
        FinishStatement(*st);
        if (PeekWord("ELSE") || Peek().kind == TokenKind::End) Fail("a statement was expected");
        st->thenPart = ParseStatement();
        while (AcceptSymbol(";")) {
        }
        if (AcceptWord("ELSE")) st->elsePart = ParseStatement();
        return st;
    }

    StatementPtr ParseBlock() {
        ExpectWord("BEGIN");
        auto st = std::make_unique<Statement>();
        st->kind = Statement::Kind::Block;
        while (true) {
            while (AcceptSymbol(";")) {
            }
            if (AcceptWord("END")) break;
            if (Peek().kind == TokenKind::End) Fail("END expected");
            st->body.push_back(ParseStatement());
        }
        return st;
    }

    // ---- definitions ----

    StatementPtr ParseCreate() {
        const Token& createTok = Peek();
        ExpectWord("CREATE");
        if (AcceptWord("TABLE")) return ParseCreateTable();
        if (AcceptWord("VIEW")) return ParseCreateView(createTok);
        if (PeekWord("OR")) Unsupported("CREATE OR ALTER", createTok);
        bool unique = AcceptWord("UNIQUE");
        SkipClustering();
        if (AcceptWord("INDEX")) return ParseCreateIndex(unique);
        if (unique) Fail("INDEX expected");
        Unsupported("CREATE " + Upper(Peek().text), createTok);
    }

    struct ColumnDef {
        std::string name;  // as written
        std::string sql;   // quoted name and SQLite type
        bool identity = false, primaryKey = false, notNull = false;
        std::string keyName;  // "CONSTRAINT "n" " of a column PRIMARY KEY
        std::vector<std::string> constraints;
    };

    StatementPtr ParseCreateTable() {
        auto st = NewStatement(Statement::Kind::Write);
        const Token name = ParseObjectName();
        const bool temp = name.kind == TokenKind::TempName;
        ExpectSymbol("(");
        std::vector<ColumnDef> columns;
        std::vector<std::string> tableConstraints;
        std::vector<std::string> key;  // the table PRIMARY KEY's columns, as written
        std::string keyName;
        bool tableKey = false;
        do {
            std::string named = ParseConstraintName();
            if (PeekWord("PRIMARY") || PeekWord("UNIQUE")) {
                bool primary = PeekWord("PRIMARY");
                Next();
                if (primary) ExpectWord("KEY");
                SkipClustering();
                std::vector<std::string> cols = ParseKeyColumns();
                if (primary) {
                    if (tableKey) MultipleKeys(name);
                    tableKey = true;
                    key = cols;
                    keyName = named;
                } else {
                    tableConstraints.push_back(named + "UNIQUE (" + QuotedList(cols) + ")");
                }
                continue;
            }
            if (PeekWord("CHECK")) {
                tableConstraints.push_back(named + ParseCheck());
                continue;
            }
            if (PeekWord("FOREIGN")) Unsupported("FOREIGN KEY constraints", Peek());
            if (!named.empty()) Fail("PRIMARY KEY, UNIQUE or CHECK expected");
            columns.push_back(ParseColumnDef());
        } while (AcceptSymbol(","));
        ExpectSymbol(")");

        // The primary key: SQL Server's key columns never hold NULL. An IDENTITY column is
        // SQLite's INTEGER PRIMARY KEY AUTOINCREMENT; a key on other columns then stays as a
        // unique constraint.
        ColumnDef* identity = nullptr;
        ColumnDef* columnKey = nullptr;
        for (auto& c : columns) {
            if (c.identity) {
                if (identity)
                    throw HostError("T-SQL", "Multiple identity columns specified for table '" +
                                                 name.text +
                                                 "'. Only one identity column per table is "
                                                 "allowed." +
                                                 Where(name));
                identity = &c;
            }
            if (c.primaryKey) {
                if (columnKey || tableKey) MultipleKeys(name);
                columnKey = &c;
            }
        }
        if (columnKey) {
            key = {columnKey->name};
            keyName = columnKey->keyName;
        }
        for (auto& c : columns)
            for (const auto& k : key)
                if (Upper(k) == Upper(c.name)) c.notNull = true;
        const bool keyIsIdentity =
            identity && key.size() == 1 && Upper(key[0]) == Upper(identity->name);
        if (identity) {
            identity->sql = QuoteIdent(identity->name) + " INTEGER";
            identity->notNull = false;
            identity->constraints.insert(
                identity->constraints.begin(),
                (keyIsIdentity ? keyName : "") + "PRIMARY KEY AUTOINCREMENT");
        }
        if (!key.empty() && !keyIsIdentity) {
            if (identity)
                tableConstraints.insert(tableConstraints.begin(),
                                        keyName + "UNIQUE (" + QuotedList(key) + ")");
            else if (columnKey)
                columnKey->constraints.insert(columnKey->constraints.begin(),
                                              keyName + "PRIMARY KEY");
            else
                tableConstraints.insert(tableConstraints.begin(),
                                        keyName + "PRIMARY KEY (" + QuotedList(key) + ")");
        }

        std::vector<std::string> items;
        for (const auto& c : columns) {
            std::string item = c.sql + (c.notNull ? " NOT NULL" : "");
            for (const auto& k : c.constraints) item += " " + k;
            items.push_back(item);
        }
        items.insert(items.end(), tableConstraints.begin(), tableConstraints.end());
        st->sql = "CREATE TABLE " + (temp ? TempTableName(name.text) : QuoteIdent(name.text)) +
                  " (" + Join(items, ", ") + ")";
        if (temp) {
            st->kind = Statement::Kind::CreateTemp;
            st->temps = {name.text};
        }
        FinishStatement(*st);
        return st;
    }

    [[noreturn]] void MultipleKeys(const Token& table) const {
        throw HostError("T-SQL", "Cannot add multiple PRIMARY KEY constraints to table '" +
                                     table.text + "'." + Where(table));
    }

    ColumnDef ParseColumnDef() {
        const Token& col = ParseSimpleName("a column name");
        if (PeekWord("AS")) Unsupported("computed columns (AS ...)", col);
        ColumnDef c;
        c.name = col.text;
        const Token& typeTok = Peek();
        SqlType type;
        try {
            type = ParseSqlType(ParseTypeSpec(), 1);
        } catch (const HostError& e) {
            throw HostError("T-SQL", std::string(e.what()) + Where(typeTok));
        }
        c.sql = QuoteIdent(col.text) + " " + SqliteColumnType(type);
        while (true) {
            std::string named = ParseConstraintName();
            if (named.empty() && AcceptWord("NOT")) {
                ExpectWord("NULL");
                c.notNull = true;
            } else if (named.empty() && AcceptWord("NULL")) {
            } else if (named.empty() && PeekWord("IDENTITY")) {
                ParseIdentity();
                c.identity = true;
            } else if (AcceptWord("DEFAULT")) {
                NoVariables block(*this);
                c.constraints.push_back(named + "DEFAULT (" + ParseUnary().sql + ")");
            } else if (PeekWord("PRIMARY")) {
                Next();
                ExpectWord("KEY");
                SkipClustering();
                c.primaryKey = true;
                c.keyName = named;
            } else if (AcceptWord("UNIQUE")) {
                SkipClustering();
                c.constraints.push_back(named + "UNIQUE");
            } else if (PeekWord("CHECK")) {
                c.constraints.push_back(named + ParseCheck());
            } else if (PeekWord("REFERENCES") || PeekWord("FOREIGN")) {
                Unsupported("FOREIGN KEY constraints (REFERENCES)", Peek());
            } else if (!named.empty()) {
                Fail("PRIMARY KEY, UNIQUE, CHECK or DEFAULT expected");
            } else if (PeekWord("COLLATE") || PeekWord("ROWGUIDCOL") || PeekWord("SPARSE") ||
                       PeekWord("FILESTREAM")) {
                Unsupported("column option " + Upper(Peek().text), Peek());
            } else {
                break;
            }
        }
        return c;
    }

    static std::string SqliteColumnType(const SqlType& type) {
        switch (type.kind) {
            case SqlType::Kind::Integer:
            case SqlType::Kind::Bit:
                // Not INTEGER, which would make a key column SQLite's row number and fill
                // in a NULL instead of refusing it; only an IDENTITY column is that.
                return "INT";
            case SqlType::Kind::Decimal:
            case SqlType::Kind::Float:
                return "REAL";
            case SqlType::Kind::Text:
                return "TEXT COLLATE SQLTEXT";
            case SqlType::Kind::DateTime:
            case SqlType::Kind::Date:
                break;
        }
        return "DATETIME COLLATE SQLDATE";
    }

    // IDENTITY or IDENTITY(1, 1): SQLite numbers rows from 1 by 1, so another seed or step
    // would give other values than SQL Server and is refused.
    void ParseIdentity() {
        const Token& at = Next();
        if (!AcceptSymbol("(")) return;
        std::string seed = SignedNumber();
        ExpectSymbol(",");
        std::string step = SignedNumber();
        ExpectSymbol(")");
        if (seed != "1" || step != "1")
            Unsupported("IDENTITY with a seed or increment other than 1", at);
    }

    std::string SignedNumber() {
        std::string sign = AcceptSymbol("-") ? "-" : "";
        const Token& n = Next();
        if (n.kind != TokenKind::Number) {
            --pos_;
            Fail("a number was expected");
        }
        return sign + n.text;
    }

    // "CONSTRAINT name " in front of a constraint, or "".
    std::string ParseConstraintName() {
        if (!AcceptWord("CONSTRAINT")) return "";
        return "CONSTRAINT " + QuoteIdent(ParseSimpleName("a constraint name").text) + " ";
    }

    std::string ParseCheck() {
        ExpectWord("CHECK");
        if (PeekWord("NOT")) Unsupported("CHECK NOT FOR REPLICATION", Peek());
        ExpectSymbol("(");
        NoVariables block(*this);
        Expr e = ParseExpr();
        ExpectSymbol(")");
        return "CHECK (" + e.sql + ")";
    }

    // Clustered or not is a matter of storage; the rows and answers are the same.
    void SkipClustering() {
        if (PeekWord("CLUSTERED") || PeekWord("NONCLUSTERED")) Next();
    }

    // (column [ASC|DESC], ...) of a key: the names as written.
    std::vector<std::string> ParseKeyColumns() {
        ExpectSymbol("(");
        std::vector<std::string> cols;
        do {
            cols.push_back(ParseSimpleName("a column name").text);
            if (PeekWord("ASC") || PeekWord("DESC")) Next();
        } while (AcceptSymbol(","));
        ExpectSymbol(")");
        return cols;
    }

    static std::string QuotedList(const std::vector<std::string>& names) {
        std::vector<std::string> quoted;
        for (const auto& n : names) quoted.push_back(QuoteIdent(n));
        return Join(quoted, ", ");
    }

    // SQL Server names an index within its table, SQLite within the database: the SQLite name
    // is "table.index", in the temp tables' database for a temp table.
    static std::string IndexName(const Token& table, const Token& index) {
        std::string name = QuoteIdent(table.text + "." + index.text);
        return table.kind == TokenKind::TempName ? std::string(kTempSchema) + "." + name : name;
    }

    StatementPtr ParseCreateIndex(bool unique) {
        auto st = NewStatement(Statement::Kind::Write);
        const Token index = ParseSimpleName("an index name");
        ExpectWord("ON");
        const Token table = ParseObjectName();
        ExpectSymbol("(");
        std::vector<std::string> cols;
        do {
            std::string col = QuoteIdent(ParseSimpleName("a column name").text);
            if (AcceptWord("DESC"))
                col += " DESC";
            else
                AcceptWord("ASC");
            cols.push_back(col);
        } while (AcceptSymbol(","));
        ExpectSymbol(")");
        if (AcceptWord("INCLUDE")) {  // columns carried along to speed reads up: no meaning here
            ExpectSymbol("(");
            do {
                ParseSimpleName("a column name");
            } while (AcceptSymbol(","));
            ExpectSymbol(")");
        }
        std::string where;
        if (AcceptWord("WHERE")) {
            NoVariables block(*this);
            where = " WHERE " + ParseExpr().sql;
        }
        SkipIndexOptions();
        if (AcceptWord("ON")) ParseSimpleName("a file group");  // where it is stored
        st->sql = std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " +
                  IndexName(table, index) + " ON " + QuoteIdent(table.text) + " (" +
                  Join(cols, ", ") + ")" + where;
        if (table.kind == TokenKind::TempName) st->temps = {table.text};
        FinishStatement(*st);
        return st;
    }

    // WITH (FILLFACTOR = 80, ...): options of storage and upkeep. IGNORE_DUP_KEY = ON and
    // DROP_EXISTING = ON would change what the statement does and are refused.
    void SkipIndexOptions() {
        if (!PeekWord("WITH") || !PeekSymbol("(", 1)) return;
        Next();
        Next();
        static const char* harmless[] = {"PAD_INDEX",
                                         "FILLFACTOR",
                                         "SORT_IN_TEMPDB",
                                         "STATISTICS_NORECOMPUTE",
                                         "ONLINE",
                                         "ALLOW_ROW_LOCKS",
                                         "ALLOW_PAGE_LOCKS",
                                         "MAXDOP",
                                         "DATA_COMPRESSION",
                                         "STATISTICS_INCREMENTAL",
                                         "OPTIMIZE_FOR_SEQUENTIAL_KEY"};
        do {
            const Token& option = Next();
            std::string o = Upper(option.text), value;
            if (AcceptSymbol("=")) value = Upper(Next().text);
            bool known = (o == "IGNORE_DUP_KEY" || o == "DROP_EXISTING") && value == "OFF";
            for (const char* h : harmless) known = known || o == h;
            if (!known)
                Unsupported("index option " + o + (value.empty() ? "" : " = " + value), option);
        } while (AcceptSymbol(","));
        ExpectSymbol(")");
    }

    StatementPtr ParseCreateView(const Token& createTok) {
        auto st = NewStatement(Statement::Kind::Write);
        const Token name = ParseObjectName();
        if (name.kind == TokenKind::TempName) Unsupported("temporary views", name);
        std::string cols;
        if (AcceptSymbol("(")) {
            std::vector<std::string> names;
            do {
                names.push_back(ParseSimpleName("a column name").text);
            } while (AcceptSymbol(","));
            ExpectSymbol(")");
            cols = " (" + QuotedList(names) + ")";
        }
        if (AcceptWord("WITH")) {
            do {
                const Token& a = Next();
                if (!IsWord(a, "SCHEMABINDING") && !IsWord(a, "VIEW_METADATA") &&
                    !IsWord(a, "ENCRYPTION"))
                    Unsupported("view attribute " + a.text, a);
            } while (AcceptSymbol(","));
        }
        ExpectWord("AS");
        std::string body;
        {
            NoVariables block(*this);
            body = ParseQuery(nullptr).sql;
        }
        // Rows are never written through a view here, so the check has nothing to guard.
        if (PeekWord("WITH") && PeekWord("CHECK", 1)) {
            Next();
            Next();
            ExpectWord("OPTION");
        }
        if (!current_->temps.empty())
            throw HostError("T-SQL",
                            "Views or functions are not allowed on temporary tables. Table "
                            "names that begin with '#' denote temporary tables." +
                                Where(createTok));
        st->sql = "CREATE VIEW " + QuoteIdent(name.text) + cols + " AS " + WithLifted(body);
        FinishStatement(*st);
        return st;
    }

    StatementPtr ParseDrop() {
        const Token& dropTok = Peek();
        ExpectWord("DROP");
        std::string what;
        for (const char* w : {"TABLE", "VIEW", "INDEX"})
            if (what.empty() && AcceptWord(w)) what = w;
        if (what.empty()) Unsupported("DROP " + Upper(Peek().text), dropTok);
        bool ifExists = false;
        if (PeekWord("IF") && PeekWord("EXISTS", 1)) {
            Next();
            Next();
            ifExists = true;
        }
        auto block = std::make_unique<Statement>();
        block->kind = Statement::Kind::Block;
        do {
            block->body.push_back(what == "INDEX" ? ParseDropIndex(ifExists)
                                                  : ParseDropObject(what, ifExists));
        } while (AcceptSymbol(","));
        if (block->body.size() == 1) return std::move(block->body[0]);
        return block;
    }

    StatementPtr ParseDropObject(const std::string& what, bool ifExists) {
        auto st = NewStatement(Statement::Kind::Write);
        const Token name = ParseObjectName();
        if (name.kind == TokenKind::TempName) {
            if (what != "TABLE") Fail("a view name was expected");
            st->kind = Statement::Kind::DropTemp;
            st->temps = {name.text};
            st->ifExists = ifExists;
            st->sql = "DROP TABLE " + TempTableName(name.text);
        } else {
            st->sql = "DROP " + what + (ifExists ? " IF EXISTS " : " ") + QuoteIdent(name.text);
        }
        FinishStatement(*st);
        return st;
    }

    // DROP INDEX name ON table, or the older DROP INDEX table.name.
    StatementPtr ParseDropIndex(bool ifExists) {
        auto st = NewStatement(Statement::Kind::Write);
        std::vector<Token> parts = ParseNameParts("an index name was expected");
        Token table, index = parts.back();
        if (AcceptWord("ON")) {
            if (parts.size() > 1) Fail("ON names the table of a plain index name");
            table = ParseObjectName();
        } else {
            if (parts.size() < 2) Fail("DROP INDEX needs its table: DROP INDEX name ON table");
            table = parts[parts.size() - 2];
        }
        st->sql =
            std::string("DROP INDEX ") + (ifExists ? "IF EXISTS " : "") + IndexName(table, index);
        if (table.kind == TokenKind::TempName) st->temps = {table.text};
        FinishStatement(*st);
        return st;
    }

    StatementPtr ParseTruncate() {
        ExpectWord("TRUNCATE");
        ExpectWord("TABLE");
        auto st = NewStatement(Statement::Kind::Write);
        st->sql = "DELETE FROM " + ParseTableName();
        FinishStatement(*st);
        return st;
    }

    // ---- names ----

    const Token& ParseSimpleName(const char* what) {
        const Token& t = Next();
        if (t.kind != TokenKind::Word && t.kind != TokenKind::QuotedName) {
            --pos_;
            Fail(std::string(what) + " was expected");
        }
        return t;
    }

    // [server.][database.][schema.]name; an empty part (tempdb..#tmp) is allowed.
    std::vector<Token> ParseNameParts(const char* what = "a table name was expected") {
        std::vector<Token> parts;
        size_t count = 0;
        while (true) {
            if (PeekSymbol(".")) {
                ++count;
                Next();
                continue;
            }
            if (!IsNameToken(Peek())) Fail(what);
            parts.push_back(Next());
            ++count;
            if (!AcceptSymbol(".")) break;
        }
        if (count > 4) Fail("too many name parts");
        return parts;
    }

    Token ParseObjectName() { return ParseNameParts().back(); }

    // A table as SQLite names it; a temp table is noted as one the statement needs. target:
    // the table an UPDATE or DELETE changes, which its sub-queries may name.
    std::string ParseTableName(bool target = false) {
        const Token last = ParseObjectName();
        if (target && !scopes_.empty()) scopes_.back().names.insert(Upper(last.text));
        if (last.kind != TokenKind::TempName) return QuoteIdent(last.text);
        NoteTemp(last.text);
        return TempTableName(last.text);
    }

    void NoteTemp(const std::string& name) {
        if (!current_) return;
        auto& temps = current_->temps;
        std::string u = Upper(name);
        if (std::none_of(temps.begin(), temps.end(),
                         [&](const std::string& t) { return Upper(t) == u; }))
            temps.push_back(name);
    }

    // WITH (NOLOCK ...) or the old form (NOLOCK): locking hints mean nothing here.
    void SkipTableHints() {
        bool with = PeekWord("WITH") && PeekSymbol("(", 1);
        bool bare = PeekSymbol("(") &&
                    (PeekWord("NOLOCK", 1) || PeekWord("READUNCOMMITTED", 1) ||
                     PeekWord("ROWLOCK", 1) || PeekWord("UPDLOCK", 1) || PeekWord("HOLDLOCK", 1));
        if (!with && !bare) return;
        if (with) Next();
        ExpectSymbol("(");
        do {
            const Token& h = Peek();
            static const char* hints[] = {"NOLOCK",   "READUNCOMMITTED", "ROWLOCK", "UPDLOCK",
                                          "HOLDLOCK", "READCOMMITTED",   "PAGLOCK", "TABLOCK",
                                          "NOWAIT",   "READPAST"};
            bool known = false;
            for (const char* k : hints) known = known || IsWord(h, k);
            if (!known) Unsupported("table hint " + h.text, h);
            Next();
        } while (AcceptSymbol(","));
        ExpectSymbol(")");
    }

    // ---- queries ----

    // scalar: the query is used as a value, where a second row is an error.
    Query ParseQuery(SelectTargets* tg, bool scalar = false) {
        DepthGuard guard(*this);
        scopes_.emplace_back();
        std::vector<Core> cores;
        std::vector<std::string> ops;
        cores.push_back(ParseCore(tg));
        while (PeekWord("UNION") || PeekWord("EXCEPT") || PeekWord("INTERSECT")) {
            std::string op = Upper(Next().text);
            if (AcceptWord("ALL")) op += " ALL";
            if (tg && tg->assign) Fail("variable assignment in a UNION");
            ops.push_back(op);
            if (PeekSymbol("(")) Unsupported("parenthesised query in a UNION", Peek());
            cores.push_back(ParseCore(nullptr));
        }
        std::string orderBy;
        if (PeekWord("ORDER") && PeekWord("BY", 1)) {
            Next();
            Next();
            orderBy = " ORDER BY ";
            bool first = true;
            do {
                Expr e = ParseExpr();
                orderBy += (first ? "" : ", ") + e.sql;
                first = false;
                if (AcceptWord("DESC"))
                    orderBy += " DESC";
                else if (AcceptWord("ASC"))
                    orderBy += " ASC";
            } while (AcceptSymbol(","));
        }
        Query q;
        if (cores.size() == 1) {
            if (scalar && orderBy.empty() && !cores[0].checkedScalar.empty()) {
                q.sql = cores[0].checkedScalar;
            } else {
                q.sql = cores[0].sql + orderBy;
                if (!cores[0].top.empty()) q.sql += " LIMIT " + cores[0].top;
            }
        } else {
            for (size_t i = 0; i < cores.size(); ++i) {
                if (i) q.sql += " " + ops[i - 1] + " ";
                if (cores[i].top.empty())
                    q.sql += cores[i].sql;
                else
                    q.sql += "SELECT * FROM (" + cores[i].sql + " LIMIT " + cores[i].top + ")";
            }
            q.sql += orderBy;
        }
        // What the query names of the queries around it is theirs to answer.
        Scope scope = std::move(scopes_.back());
        scopes_.pop_back();
        q.depth = 1 + scope.childDepth;
        for (const auto& used : scope.used) {
            if (scope.names.count(used)) continue;
            q.correlated = true;
            if (!scopes_.empty()) scopes_.back().used.insert(used);
        }
        return q;
    }

    // A sub-query's text in its place. One nested kLiftDepth deep whose qualifiers name no
    // table of the queries around it moves into the statement's WITH clause and is read from
    // there (a derived table by its name), so the text SQLite parses stays shallow. SQLite
    // reads a WITH query where it is used, so a column named without its table still finds
    // the queries around that place.
    std::string PlaceSubquery(const Query& q, bool derived) {
        std::string sql = derived ? "(" + q.sql + ")" : q.sql;
        int depth = q.depth;
        if (q.depth >= kLiftDepth && !q.correlated) {
            std::string name = "tsql_q" + std::to_string(lifted_.size() + 1);
            lifted_.push_back(name + " AS (" + q.sql + ")");
            sql = derived ? name : "SELECT * FROM " + name;
            depth = derived ? 0 : 1;
        }
        if (!scopes_.empty())
            scopes_.back().childDepth = std::max(scopes_.back().childDepth, depth);
        return sql;
    }

    Core ParseCore(SelectTargets* tg) {
        Core core;
        ExpectWord("SELECT");
        std::string sql = "SELECT ";
        if (AcceptWord("DISTINCT"))
            sql += "DISTINCT ";
        else
            AcceptWord("ALL");
        if (PeekWord("TOP")) {
            const Token& topTok = Next();
            if (AcceptSymbol("(")) {
                core.top = ParseExpr().sql;
                ExpectSymbol(")");
            } else if (Peek().kind == TokenKind::Number) {
                core.top = Next().text;
            } else {
                Fail("a number was expected after TOP");
            }
            if (PeekWord("PERCENT")) Unsupported("TOP ... PERCENT", topTok);
            if (PeekWord("WITH") && PeekWord("TIES", 1)) Unsupported("TOP ... WITH TIES", topTok);
        }
        bool distinct = sql.find("DISTINCT") != std::string::npos;
        int aggregatesBefore = aggregates_;
        size_t items = 0;
        std::string firstExpr, firstItem;
        do {
            std::string expr;
            std::string item = ParseSelectItem(tg, &expr);
            sql += items ? ", " : "";
            sql += item;
            if (items++ == 0) {
                firstExpr = expr;
                firstItem = item;
            }
        } while (AcceptSymbol(","));
        size_t restStart = sql.size();
        bool plainScalar = items == 1 && !firstExpr.empty() && !distinct && core.top.empty() &&
                           aggregates_ == aggregatesBefore;
        if (PeekWord("INTO")) Unsupported("SELECT ... INTO", Peek());
        if (AcceptWord("FROM")) {
            sql += " FROM ";
            bool firstRef = true;
            do {
                sql += (firstRef ? "" : ", ") + ParseTableRef();
                firstRef = false;
            } while (AcceptSymbol(","));
        }
        if (AcceptWord("WHERE")) sql += " WHERE " + ParseExpr().sql;
        if (PeekWord("GROUP") && PeekWord("BY", 1)) {
            Next();
            Next();
            if (PeekWord("ALL")) Unsupported("GROUP BY ALL", Peek());
            sql += " GROUP BY ";
            bool firstGroup = true;
            do {
                sql += (firstGroup ? "" : ", ") + ParseExpr().sql;
                firstGroup = false;
            } while (AcceptSymbol(","));
            if (PeekWord("WITH")) Unsupported("GROUP BY ... WITH " + Upper(Peek(1).text), Peek());
        }
        if (AcceptWord("HAVING")) sql += " HAVING " + ParseExpr().sql;
        core.sql = sql;
        bool grouped = sql.find(" GROUP BY ", restStart) != std::string::npos ||
                       sql.find(" HAVING ", restStart) != std::string::npos;
        if (plainScalar && !grouped) {
            std::string alias = firstItem.substr(firstExpr.size());  // " AS \"name\""
            core.checkedScalar =
                "SELECT tsql_single(" + firstExpr + ")" + alias + sql.substr(restStart);
        }
        return core;
    }

    // One select-list item as "expr AS alias"; *expr receives the expression alone (empty for
    // * and assignments).
    std::string ParseSelectItem(SelectTargets* tg, std::string* expr) {
        expr->clear();
        if (AcceptSymbol("*")) {
            if (tg) tg->plain = true;
            return "*";
        }
        // qualifier.* (any number of qualifier parts)
        {
            size_t k = 0;
            while (IsNameToken(Peek(k)) && PeekSymbol(".", k + 1)) k += 2;
            if (k > 0 && PeekSymbol("*", k)) {
                std::string qualifier = Peek(k - 2).text;
                pos_ += k + 1;
                if (!scopes_.empty()) scopes_.back().used.insert(Upper(qualifier));
                if (tg) tg->plain = true;
                return QuoteIdent(qualifier) + ".*";
            }
        }
        if (Peek().kind == TokenKind::Variable && PeekSymbol("=", 1)) {
            const Token& v = Next();
            Next();
            if (!tg) Fail("variable assignment is not allowed here");
            int index = VariableIndex(v);
            tg->assign = true;
            tg->targets.push_back(index);
            return ParseExpr().sql;
        }
        if (Peek().kind == TokenKind::Variable && Peek(1).kind == TokenKind::Symbol &&
            PeekSymbol("=", 2) && std::string("+-*/%&|^").find(Peek(1).text) != std::string::npos)
            Unsupported("compound assignment " + Peek(1).text + "=", Peek());
        if (tg) tg->plain = true;
        std::string alias;
        bool hasAlias = false;
        // alias = expression
        if ((IsNameToken(Peek()) || Peek().kind == TokenKind::String) &&
            Peek().kind != TokenKind::TempName && PeekSymbol("=", 1)) {
            alias = Next().text;
            Next();
            Expr e = ParseExpr();
            *expr = e.sql;
            return e.sql + " AS " + QuoteIdent(alias);
        }
        Expr e = ParseExpr();
        if (AcceptWord("AS")) {
            const Token& a = Next();
            if (a.kind != TokenKind::Word && a.kind != TokenKind::QuotedName &&
                a.kind != TokenKind::String) {
                --pos_;
                Fail("an alias was expected");
            }
            alias = a.text;
            hasAlias = true;
        } else if ((Peek().kind == TokenKind::Word && !IsReserved(Peek().text)) ||
                   Peek().kind == TokenKind::QuotedName || Peek().kind == TokenKind::String) {
            alias = Next().text;
            hasAlias = true;
        }
        if (!hasAlias) alias = e.column ? e.name : "";
        *expr = e.sql;
        return e.sql + " AS " + QuoteIdent(alias);
    }

    std::string ParseTableRef() {
        DepthGuard guard(*this);
        std::string sql = ParseTablePrimary();
        while (true) {
            const Token& t = Peek();
            std::string kind;
            if (AcceptWord("JOIN")) {
                kind = "JOIN";
            } else if (PeekWord("INNER") && PeekWord("JOIN", 1)) {
                Next();
                Next();
                kind = "JOIN";
            } else if ((PeekWord("LEFT") || PeekWord("RIGHT") || PeekWord("FULL")) &&
                       (PeekWord("JOIN", 1) || (PeekWord("OUTER", 1) && PeekWord("JOIN", 2)))) {
                kind = Upper(Next().text) + " JOIN";
                AcceptWord("OUTER");
                Next();
            } else if (PeekWord("CROSS") && PeekWord("JOIN", 1)) {
                Next();
                Next();
                kind = "CROSS JOIN";
            } else if ((PeekWord("CROSS") || PeekWord("OUTER")) && PeekWord("APPLY", 1)) {
                Unsupported(Upper(t.text) + " APPLY", t);
            } else if (PeekWord("INNER") || PeekWord("LEFT") || PeekWord("RIGHT") ||
                       PeekWord("FULL")) {
                if (PeekWord("HASH", 1) || PeekWord("LOOP", 1) || PeekWord("MERGE", 1))
                    Unsupported("join hint " + Upper(Peek(1).text), Peek(1));
                Fail("JOIN expected");
            } else {
                break;
            }
            std::string right = ParseTablePrimary();
            sql += " " + kind + " " + right;
            if (kind != "CROSS JOIN") {
                ExpectWord("ON");
                sql += " ON " + ParseExpr().sql;
            }
        }
        return sql;
    }

    std::string ParseTablePrimary() {
        std::string sql;
        if (PeekSymbol("(")) {
            Next();
            if (PeekWord("SELECT")) {
                Query q = ParseQuery(nullptr);
                ExpectSymbol(")");
                AcceptWord("AS");
                const Token& a = Peek();
                if (!IsNameToken(a) || a.kind == TokenKind::TempName)
                    Fail("a derived table needs an alias");
                Next();
                if (PeekSymbol("(")) Unsupported("column aliases on a derived table", Peek());
                sql = PlaceSubquery(q, true);
                if (!scopes_.empty()) scopes_.back().names.insert(Upper(a.text));
                return sql + " AS " + QuoteIdent(a.text);
            }
            sql = "(" + ParseTableRef() + ")";
            ExpectSymbol(")");
            return sql;
        }
        if (Peek().kind == TokenKind::Word && PeekSymbol("(", 1) && !PeekWord("NOLOCK", 2))
            Unsupported("table-valued function " + Peek().text + "(...)", Peek());
        const Token table = ParseObjectName();
        std::string exposed = table.text;  // the name the query's columns use for it
        if (table.kind == TokenKind::TempName) {
            NoteTemp(table.text);
            sql = TempTableName(table.text);
        } else {
            sql = QuoteIdent(table.text);
        }
        SkipTableHints();
        if (AcceptWord("AS")) {
            const Token& a = Next();
            if (a.kind != TokenKind::Word && a.kind != TokenKind::QuotedName) {
                --pos_;
                Fail("an alias was expected");
            }
            exposed = a.text;
            sql += " AS " + QuoteIdent(a.text);
        } else if ((Peek().kind == TokenKind::Word && !IsReserved(Peek().text)) ||
                   Peek().kind == TokenKind::QuotedName) {
            exposed = Next().text;
            sql += " AS " + QuoteIdent(exposed);
        }
        SkipTableHints();
        if (!scopes_.empty()) scopes_.back().names.insert(Upper(exposed));
        return sql;
    }

    // ---- expressions ----

    static constexpr const char* kAnd = " AND ";
    static constexpr const char* kOr = " OR ";

    Expr ParseExpr() {
        DepthGuard guard(*this);
        return ParseOr();
    }

    // Terms joined by one operator; a term that is a chain of the same operator (written in
    // parentheses) gives its own terms, other terms are wrapped where precedence asks.
    static Expr Chain(const char* op, int prec, std::vector<Expr>& parts) {
        Expr e = Make("", ExprType::Bool, prec);
        e.chainOp = op;
        for (auto& p : parts) {
            if (p.chainOp == op)
                e.terms.insert(e.terms.end(), std::make_move_iterator(p.terms.begin()),
                               std::make_move_iterator(p.terms.end()));
            else
                e.terms.push_back(Wrap(p, prec + 1));
        }
        e.sql = JoinTerms(e.terms, op);
        return e;
    }

    // Terms read by next and joined by the keyword; a single term stands alone.
    Expr ParseChain(const char* keyword, const char* op, int prec, Expr (Translator::*next)()) {
        Expr first = (this->*next)();
        if (!PeekWord(keyword)) return first;
        std::vector<Expr> parts;
        parts.push_back(std::move(first));
        while (AcceptWord(keyword)) parts.push_back((this->*next)());
        return Chain(op, prec, parts);
    }

    Expr ParseOr() { return ParseChain("OR", kOr, kOrPrec, &Translator::ParseAnd); }
    Expr ParseAnd() { return ParseChain("AND", kAnd, kAndPrec, &Translator::ParseNot); }

    Expr ParseNot() {
        if (AcceptWord("NOT")) {
            DepthGuard guard(*this);
            Expr e = ParseNot();
            return Make("NOT " + Wrap(e, kNotPrec), ExprType::Bool, kNotPrec);
        }
        return ParsePredicate();
    }

    // A comparison takes the collation of a column operand; without one, SQLTEXT.
    static std::string Collated(const Expr& l, const Expr& r) {
        if (l.column || r.column || l.type == ExprType::Number || r.type == ExprType::Number)
            return "";
        return " COLLATE SQLTEXT";
    }

    Expr ParsePredicate() {
        if (PeekWord("EXISTS")) {
            Next();
            ExpectSymbol("(");
            Query q = ParseQuery(nullptr);
            ExpectSymbol(")");
            return Make("EXISTS (" + PlaceSubquery(q, false) + ")", ExprType::Bool, kPredicatePrec);
        }
        Expr l = ParseAdditive();
        const std::string left = Wrap(l, kAtomPrec);
        const Token& t = Peek();
        if (t.kind == TokenKind::Symbol) {
            static const std::pair<const char*, const char*> ops[] = {
                {"=", "="},   {"<>", "<>"}, {"!=", "<>"}, {"<", "<"},  {">", ">"},
                {"<=", "<="}, {">=", ">="}, {"!<", ">="}, {"!>", "<="}};
            for (auto& [tsql, lite] : ops) {
                if (t.text == tsql) {
                    Next();
                    if (PeekWord("ALL") || PeekWord("ANY") || PeekWord("SOME"))
                        Unsupported("comparison with " + Upper(Peek().text) + " (...)", Peek());
                    Expr r = ParseAdditive();
                    return Make(left + " " + lite + " " + Wrap(r, kAtomPrec) + Collated(l, r),
                                ExprType::Bool, kPredicatePrec);
                }
            }
            return l;
        }
        if (PeekWord("IS")) {
            Next();
            bool negate = AcceptWord("NOT");
            ExpectWord("NULL");
            return Make(left + (negate ? " IS NOT NULL" : " IS NULL"), ExprType::Bool,
                        kPredicatePrec);
        }
        if (PeekWord("NOT") && PeekWord("NULL", 1))
            Fail("'NOT NULL' after an expression is not T-SQL; the test is IS NOT NULL");
        bool negate = false;
        if (PeekWord("NOT") &&
            (PeekWord("LIKE", 1) || PeekWord("IN", 1) || PeekWord("BETWEEN", 1))) {
            Next();
            negate = true;
        }
        std::string notText = negate ? " NOT" : "";
        if (AcceptWord("LIKE")) {
            const Token& patternTok = Peek();
            Expr r = ParseAdditive();
            // SQL Server reads [...] in a pattern as a character class; SQLite would match the
            // brackets literally.
            if (patternTok.kind == TokenKind::String &&
                patternTok.text.find('[') != std::string::npos)
                Unsupported("LIKE pattern with [...] character classes", patternTok);
            std::string sql = left + notText + " LIKE " + Wrap(r, kAtomPrec);
            if (AcceptWord("ESCAPE")) sql += " ESCAPE " + Wrap(ParseAdditive(), kAtomPrec);
            return Make(sql, ExprType::Bool, kPredicatePrec);
        }
        if (AcceptWord("BETWEEN")) {
            Expr a = ParseAdditive();
            ExpectWord("AND");
            Expr b = ParseAdditive();
            std::string collated = left;
            if (!l.column && !a.column && !b.column && l.type != ExprType::Number)
                collated += " COLLATE SQLTEXT";
            // In parentheses, so its AND never reads as one of a chain's.
            return Make("(" + collated + notText + " BETWEEN " + Wrap(a, kAtomPrec) + " AND " +
                            Wrap(b, kAtomPrec) + ")",
                        ExprType::Bool);
        }
        if (AcceptWord("IN")) {
            ExpectSymbol("(");
            std::string inner;
            if (PeekWord("SELECT")) {
                inner = PlaceSubquery(ParseQuery(nullptr), false);
            } else {
                std::vector<std::string> items;
                do {
                    items.push_back(ParseExpr().sql);
                } while (AcceptSymbol(","));
                inner = Join(items, ", ");
            }
            ExpectSymbol(")");
            std::string collated = left;
            if (!l.column && l.type != ExprType::Number) collated += " COLLATE SQLTEXT";
            return Make(collated + notText + " IN (" + inner + ")", ExprType::Bool, kPredicatePrec);
        }
        return l;
    }

    void RefuseBitwise() {
        if (PeekSymbol("&") || PeekSymbol("|") || PeekSymbol("^"))
            Unsupported("bitwise operator " + Peek().text, Peek());
    }

    Expr ParseAdditive() {
        Expr first = ParseMultiplicative();
        if (!PeekSymbol("+") && !PeekSymbol("-")) {
            RefuseBitwise();
            return first;
        }
        ArithChain chain(first);
        while (PeekSymbol("+") || PeekSymbol("-")) {
            char op = Next().text[0];
            chain.Add(op, ParseMultiplicative());
        }
        RefuseBitwise();
        return chain.Finish();
    }

    Expr ParseMultiplicative() {
        Expr first = ParseUnary();
        if (!PeekSymbol("*") && !PeekSymbol("/") && !PeekSymbol("%")) return first;
        ArithChain chain(first);
        while (PeekSymbol("*") || PeekSymbol("/") || PeekSymbol("%")) {
            char op = Next().text[0];
            chain.Add(op, ParseUnary());
        }
        return chain.Finish();
    }

    Expr ParseUnary() {
        if (AcceptSymbol("-")) {
            DepthGuard guard(*this);
            Expr e = ParseUnary();
            Expr r;
            if (e.type == ExprType::Number && !e.sql.empty() && e.sql[0] != '-' &&
                e.sql.find_first_not_of("0123456789.") == std::string::npos)
                r = Make("(-" + e.sql + ")", ExprType::Number);
            else  // a second argument asks for int's range
                r = Make("tsql_neg(" + e.sql + (e.isInt ? ", 1)" : ")"), ExprType::Number);
            r.isInt = e.isInt;
            return r;
        }
        if (AcceptSymbol("+")) return ParseUnary();
        if (PeekSymbol("~")) Unsupported("bitwise operator ~", Peek());
        Expr e = ParsePrimary();
        if (PeekWord("COLLATE")) Unsupported("COLLATE " + Peek(1).text, Peek());
        return e;
    }

    static bool IsIntType(const SqlType& t) {
        return (t.kind == SqlType::Kind::Integer || t.kind == SqlType::Kind::Bit) &&
               t.maxValue <= INT32_MAX;
    }

    Expr ParsePrimary() {
        DepthGuard guard(*this);
        const Token& t = Peek();
        switch (t.kind) {
            case TokenKind::Number: {
                Next();
                std::string n = t.text;
                if (n.back() == '.') n += "0";
                if (n.front() == '.') n = "0" + n;
                Expr e = Make(n, ExprType::Number);
                // SQL Server types a whole number up to 2147483647 as int, a larger one as
                // decimal.
                e.isInt = n.find_first_not_of("0123456789") == std::string::npos &&
                          (n.size() < 10 || (n.size() == 10 && n <= "2147483647"));
                return e;
            }
            case TokenKind::String:
                Next();
                return Make(QuoteText(t.text), ExprType::Text);
            case TokenKind::Variable: {
                Next();
                int index = VariableIndex(t);
                const SqlType& type = batch_->variables[static_cast<size_t>(index)].type;
                ExprType et =
                    type.kind == SqlType::Kind::Text ? ExprType::Text
                    : (type.kind == SqlType::Kind::DateTime || type.kind == SqlType::Kind::Date)
                        ? ExprType::Unknown
                        : ExprType::Number;
                Expr e = Make(Param(index), et);
                e.isInt = IsIntType(type);
                return e;
            }
            case TokenKind::SystemVariable: {
                Next();
                std::string u = Upper(t.text);
                Expr e;
                if (u == "@@ROWCOUNT")
                    e = Make(Param(kParamRowCount), ExprType::Number);
                else if (u == "@@IDENTITY")
                    e = Make(Param(kParamIdentity), ExprType::Number);
                else if (u == "@@ERROR")
                    e = Make(Param(kParamError), ExprType::Number);
                else
                    Unsupported("system variable " + t.text, t);
                e.isInt = u != "@@IDENTITY";
                return e;
            }
            case TokenKind::Symbol:
                if (t.text == "(") {
                    Next();
                    if (PeekWord("SELECT")) {
                        Query q = ParseQuery(nullptr, true);
                        ExpectSymbol(")");
                        return Make("(" + PlaceSubquery(q, false) + ")");
                    }
                    // The parentheses are written again only where the place needs them.
                    Expr inner = ParseExpr();
                    ExpectSymbol(")");
                    return inner;
                }
                Fail("an expression was expected");
            case TokenKind::End:
                Fail("an expression was expected");
            case TokenKind::TempName:
            case TokenKind::QuotedName:
                return ParseNameExpr();
            case TokenKind::Word:
                break;
        }
        std::string u = Upper(t.text);
        if (u == "NULL") {
            Next();
            Expr e = Make("NULL");
            e.isInt = true;  // SQL Server types a bare NULL as int
            return e;
        }
        if (u == "CASE") return ParseCase();
        if (u == "CURRENT_TIMESTAMP") {
            Next();
            return Make("tsql_getdate()");
        }
        if (PeekSymbol("(", 1) && (!IsReserved(t.text) || u == "LEFT" || u == "RIGHT"))
            return ParseFunction();
        if (IsReserved(t.text)) Fail("an expression was expected");
        return ParseNameExpr();
    }

    Expr ParseNameExpr() {
        std::vector<Token> parts;
        while (true) {
            const Token& t = Peek();
            if (!IsNameToken(t)) Fail("a column name was expected");
            parts.push_back(Next());
            if (!PeekSymbol(".")) break;
            Next();
        }
        if (PeekSymbol("(")) {
            // schema.function(...)
            if (parts.size() == 2 && Upper(parts[0].text) == "DBO") {
                return ParseDatabaseFunction(parts[1]);
            }
            Unsupported("function " + parts.back().text, parts.front());
        }
        Expr e;
        e.column = true;
        e.name = parts.back().text;
        if (parts.size() == 1) {
            e.sql = QuoteIdent(parts[0].text);
        } else {
            const std::string& qualifier = parts[parts.size() - 2].text;
            if (!scopes_.empty()) scopes_.back().used.insert(Upper(qualifier));
            e.sql = QuoteIdent(qualifier) + "." + QuoteIdent(parts.back().text);
        }
        return e;
    }

    Expr ParseDatabaseFunction(const Token& name) {
        if (!IsDatabaseFunction(name.text)) Unsupported("database function dbo." + name.text, name);
        ExpectSymbol("(");
        std::vector<Expr> args = ParseArgs();
        std::string sql = name.text + "(";
        for (size_t i = 0; i < args.size(); ++i) sql += (i ? ", " : "") + args[i].sql;
        return Make(sql + ")", ExprType::Text);
    }

    // After '(' : arguments up to and including ')'.
    std::vector<Expr> ParseArgs() {
        std::vector<Expr> args;
        if (AcceptSymbol(")")) return args;
        do {
            args.push_back(ParseExpr());
        } while (AcceptSymbol(","));
        ExpectSymbol(")");
        return args;
    }

    Expr ParseCase() {
        ExpectWord("CASE");
        std::string sql = "CASE";
        ExprType type = ExprType::Unknown;
        bool firstThen = true, allInt = true;
        if (!PeekWord("WHEN")) {
            Expr base = ParseExpr();
            sql += " " + Wrap(base, kAtomPrec);
            if (!base.column && base.type != ExprType::Number) sql += " COLLATE SQLTEXT";
        }
        if (!PeekWord("WHEN")) Fail("WHEN expected");
        while (AcceptWord("WHEN")) {
            sql += " WHEN " + ParseExpr().sql;
            ExpectWord("THEN");
            Expr v = ParseExpr();
            if (firstThen) type = v.type;
            firstThen = false;
            allInt = allInt && v.isInt;
            sql += " THEN " + v.sql;
        }
        if (AcceptWord("ELSE")) {
            Expr v = ParseExpr();
            allInt = allInt && v.isInt;
            sql += " ELSE " + v.sql;
        }
        ExpectWord("END");
        Expr e = Make(sql + " END", type);
        e.isInt = allInt;
        return e;
    }

    std::string DatePart(const Token& t) {
        static const std::pair<const char*, const char*> parts[] = {
            {"YEAR", "year"},       {"YY", "year"},
            {"YYYY", "year"},       {"QUARTER", "quarter"},
            {"QQ", "quarter"},      {"Q", "quarter"},
            {"MONTH", "month"},     {"MM", "month"},
            {"M", "month"},         {"DAYOFYEAR", "dayofyear"},
            {"DY", "dayofyear"},    {"Y", "dayofyear"},
            {"DAY", "day"},         {"DD", "day"},
            {"D", "day"},           {"WEEK", "week"},
            {"WK", "week"},         {"WW", "week"},
            {"WEEKDAY", "weekday"}, {"DW", "weekday"},
            {"HOUR", "hour"},       {"HH", "hour"},
            {"MINUTE", "minute"},   {"MI", "minute"},
            {"N", "minute"},        {"SECOND", "second"},
            {"SS", "second"},       {"S", "second"}};
        std::string u = Upper(t.text);
        if (t.kind == TokenKind::Word)
            for (auto& [k, v] : parts)
                if (u == k) return QuoteText(v);
        Unsupported("date part " + t.text, t);
    }

    Expr Call(const std::string& fn, const std::vector<Expr>& args, ExprType type) {
        std::string sql = fn + "(";
        for (size_t i = 0; i < args.size(); ++i) sql += (i ? ", " : "") + args[i].sql;
        return Make(sql + ")", type);
    }

    void ArgCount(const Token& name, const std::vector<Expr>& args, size_t lo, size_t hi) {
        if (args.size() < lo || args.size() > hi)
            throw HostError("T-SQL", "The " + Upper(name.text) + " function requires " +
                                         std::to_string(lo) +
                                         (hi != lo ? " to " + std::to_string(hi) : "") +
                                         " arguments." + Where(name));
    }

    std::string ObjectName(const Token& literal) {
        // 'Tempdb.dbo.#tmp', N'[dbo].[T]', 'T' -> the last part without brackets.
        std::string s = literal.text, part, last;
        for (size_t i = 0; i <= s.size(); ++i) {
            if (i == s.size() || s[i] == '.') {
                if (!part.empty()) last = part;
                part.clear();
            } else if (s[i] != '[' && s[i] != ']') {
                part.push_back(s[i]);
            }
        }
        return last;
    }

    static Expr IntValued(Expr e) {
        e.isInt = true;
        return e;
    }

    static Expr IntIfAll(Expr e, const std::vector<Expr>& args) {
        e.isInt = std::all_of(args.begin(), args.end(), [](const Expr& a) { return a.isInt; });
        return e;
    }

    Expr Converted(const std::string& spec, const Expr& x, const std::string& style) {
        Expr e = Make("tsql_convert(" + QuoteText(spec) + ", " + x.sql + ", " + style + ")",
                      TypeOfSpec(spec));
        e.isInt = IsIntType(ParseSqlType(spec, 30));
        return e;
    }

    Expr ParseFunction() {
        const Token& name = Next();
        std::string u = Upper(name.text);
        ExpectSymbol("(");
        if (u == "CONVERT" || u == "TRY_CONVERT") {
            if (u == "TRY_CONVERT") Unsupported("TRY_CONVERT", name);
            std::string spec = ParseTypeSpec();
            ValidateType(spec, name);
            ExpectSymbol(",");
            Expr x = ParseExpr();
            std::string style = "-1";
            if (AcceptSymbol(",")) style = ParseExpr().sql;
            ExpectSymbol(")");
            return Converted(spec, x, style);
        }
        if (u == "CAST") {
            Expr x = ParseExpr();
            ExpectWord("AS");
            std::string spec = ParseTypeSpec();
            ValidateType(spec, name);
            ExpectSymbol(")");
            return Converted(spec, x, "-1");
        }
        if (u == "COUNT" || u == "SUM" || u == "AVG" || u == "MIN" || u == "MAX") {
            std::string sql = (u == "COUNT" ? "count"
                               : u == "SUM" ? "sum"
                               : u == "AVG" ? "tsql_avg"
                               : u == "MIN" ? "min"
                                            : "max");
            sql += "(";
            ++aggregates_;
            if (u == "COUNT" && AcceptSymbol("*")) {
                ExpectSymbol(")");
                if (PeekWord("OVER")) Unsupported("window functions (OVER)", Peek());
                return IntValued(Make("count(*)", ExprType::Number));
            }
            // SQLite takes DISTINCT in any one-argument aggregate, tsql_avg included.
            if (AcceptWord("DISTINCT"))
                sql += "DISTINCT ";
            else
                AcceptWord("ALL");
            Expr x = ParseExpr();
            ExpectSymbol(")");
            if (PeekWord("OVER")) Unsupported("window functions (OVER)", Peek());
            ExprType type = (u == "MIN" || u == "MAX") ? x.type : ExprType::Number;
            Expr e = Make(sql + x.sql + ")", type);
            e.isInt = u == "COUNT" || ((u == "MIN" || u == "MAX") && x.isInt);
            return e;
        }
        if (u == "DATEADD" || u == "DATEDIFF" || u == "DATEPART" || u == "DATENAME") {
            if (u == "DATENAME") Unsupported("DATENAME", name);
            std::string part = DatePart(Next());
            std::vector<Expr> rest;
            while (AcceptSymbol(",")) rest.push_back(ParseExpr());
            ExpectSymbol(")");
            size_t want = u == "DATEPART" ? 1 : 2;
            if (rest.size() != want) ArgCount(name, rest, want + 1, want + 1);
            std::string fn = u == "DATEADD"    ? "tsql_dateadd"
                             : u == "DATEDIFF" ? "tsql_datediff"
                                               : "tsql_datepart";
            std::string sql = fn + "(" + part;
            for (auto& r : rest) sql += ", " + r.sql;
            if (u == "DATEADD") return Make(sql + ")");
            return IntValued(Make(sql + ")", ExprType::Number));
        }
        if (u == "OBJECT_ID") {
            const Token& lit = Peek();
            if (lit.kind != TokenKind::String) Unsupported("OBJECT_ID of a computed name", lit);
            Next();
            std::string typeFilter;
            if (AcceptSymbol(",")) {
                const Token& kind = Next();
                if (kind.kind != TokenKind::String) Fail("an object type literal was expected");
                std::string k = Upper(kind.text);
                if (k == "U")
                    typeFilter = " AND o.tsql_otype = 'table'";
                else if (k == "V")
                    typeFilter = " AND o.tsql_otype = 'view'";
                else
                    Unsupported("OBJECT_ID type '" + kind.text + "'", kind);
            }
            ExpectSymbol(")");
            std::string object = ObjectName(lit);
            bool temp = !object.empty() && object[0] == '#';
            return IntValued(Make("(SELECT o.tsql_oid FROM tsql_objects o WHERE o.tsql_otemp = " +
                                      std::string(temp ? "1" : "0") + " AND o.tsql_oname = " +
                                      QuoteText(object) + " COLLATE NOCASE" + typeFilter + ")",
                                  ExprType::Number));
        }
        if (u == "OBJECTPROPERTY") {
            Expr id = ParseExpr();
            ExpectSymbol(",");
            const Token& prop = Next();
            if (prop.kind != TokenKind::String) Fail("a property name literal was expected");
            ExpectSymbol(")");
            std::string p = Upper(prop.text);
            std::string test;
            if (p == "ISTABLE" || p == "ISUSERTABLE")
                test = "'table'";
            else if (p == "ISVIEW")
                test = "'view'";
            else
                Unsupported("OBJECTPROPERTY '" + prop.text + "'", prop);
            return IntValued(Make(
                "(SELECT CASE WHEN o.tsql_otype = " + test +
                    " THEN 1 ELSE 0 END FROM tsql_objects o WHERE o.tsql_oid = " + id.sql + ")",
                ExprType::Number));
        }
        std::vector<Expr> args = ParseArgs();
        if (PeekWord("OVER")) Unsupported("window functions (OVER)", Peek());
        if (u == "ISNULL") {
            ArgCount(name, args, 2, 2);
            ExprType t = args[0].type != ExprType::Unknown ? args[0].type : args[1].type;
            return IntIfAll(Call("coalesce", args, t), args);
        }
        if (u == "COALESCE") {
            ArgCount(name, args, 2, 64);
            return IntIfAll(Call("coalesce", args, args[0].type), args);
        }
        if (u == "NULLIF") {
            ArgCount(name, args, 2, 2);
            return IntIfAll(Call("nullif", args, args[0].type), {args[0]});
        }
        if (u == "CHARINDEX") {
            ArgCount(name, args, 2, 3);
            return IntValued(Call("tsql_charindex", args, ExprType::Number));
        }
        if (u == "LEN") {
            ArgCount(name, args, 1, 1);
            return IntValued(Call("tsql_len", args, ExprType::Number));
        }
        if (u == "LTRIM" || u == "RTRIM" || u == "UPPER" || u == "LOWER") {
            ArgCount(name, args, 1, 1);
            std::string fn = u == "LTRIM"   ? "tsql_ltrim"
                             : u == "RTRIM" ? "tsql_rtrim"
                             : u == "UPPER" ? "upper"
                                            : "lower";
            return Call(fn, args, ExprType::Text);
        }
        if (u == "SUBSTRING") {
            ArgCount(name, args, 3, 3);
            return Call("tsql_substring", args, ExprType::Text);
        }
        if (u == "LEFT" || u == "RIGHT") {
            ArgCount(name, args, 2, 2);
            return Call(u == "LEFT" ? "tsql_left" : "tsql_right", args, ExprType::Text);
        }
        if (u == "REPLACE") {
            ArgCount(name, args, 3, 3);
            return Call("tsql_replace", args, ExprType::Text);
        }
        if (u == "ABS") {
            ArgCount(name, args, 1, 1);
            return IntIfAll(Call("abs", args, ExprType::Number), args);
        }
        if (u == "ROUND") {
            ArgCount(name, args, 2, 3);
            return Call("tsql_round", args, ExprType::Number);
        }
        if (u == "FLOOR" || u == "CEILING") {
            ArgCount(name, args, 1, 1);
            return IntIfAll(
                Call(u == "FLOOR" ? "tsql_floor" : "tsql_ceiling", args, ExprType::Number), args);
        }
        if (u == "GETDATE") {
            ArgCount(name, args, 0, 0);
            return Make("tsql_getdate()");
        }
        if (u == "YEAR" || u == "MONTH" || u == "DAY") {
            ArgCount(name, args, 1, 1);
            std::string part = u == "YEAR" ? "'year'" : u == "MONTH" ? "'month'" : "'day'";
            return IntValued(
                Make("tsql_datepart(" + part + ", " + args[0].sql + ")", ExprType::Number));
        }
        if (u == "ISNUMERIC") {
            ArgCount(name, args, 1, 1);
            return IntValued(Call("tsql_isnumeric", args, ExprType::Number));
        }
        Unsupported("function " + name.text, name);
    }

    void ValidateType(const std::string& spec, const Token& at) {
        try {
            ParseSqlType(spec, 30);
        } catch (const HostError& e) {
            throw HostError("T-SQL", std::string(e.what()) + Where(at));
        }
    }

    static ExprType TypeOfSpec(const std::string& spec) {
        SqlType t = ParseSqlType(spec, 30);
        if (t.kind == SqlType::Kind::Text) return ExprType::Text;
        if (t.kind == SqlType::Kind::DateTime || t.kind == SqlType::Kind::Date)
            return ExprType::Unknown;
        return ExprType::Number;
    }
};

struct Cache {
    std::mutex mutex;
    std::unordered_map<std::string, BatchPtr> map;
    TranslationStats stats;
};

Cache& TheCache() {
    static Cache cache;
    return cache;
}

constexpr size_t kCacheLimit = 4096;

}  // namespace

std::string TempTableName(std::string_view name) {
    return std::string(kTempSchema) + "." + QuoteIdent(name);
}

bool IsDatabaseFunction(std::string_view name) {
    return Upper(name) == "GETCOMPLEXQTY";
}

BatchPtr TranslateBatch(const std::string& tsql) {
    Translator t(tsql);
    return t.Run();
}

BatchPtr Translate(const std::string& tsql) {
    Cache& c = TheCache();
    {
        std::lock_guard<std::mutex> lock(c.mutex);
        auto it = c.map.find(tsql);
        if (it != c.map.end()) {
            ++c.stats.reuses;
            return it->second;
        }
    }
    BatchPtr batch = TranslateBatch(tsql);
    std::lock_guard<std::mutex> lock(c.mutex);
    if (c.map.size() >= kCacheLimit) c.map.clear();
    c.map.emplace(tsql, batch);
    ++c.stats.translations;
    return batch;
}

TranslationStats GetTranslationStats() {
    std::lock_guard<std::mutex> lock(TheCache().mutex);
    return TheCache().stats;
}

void ClearTranslationCache() {
    std::lock_guard<std::mutex> lock(TheCache().mutex);
    TheCache().map.clear();
    TheCache().stats = {};
}

}  // namespace qor::host::sql

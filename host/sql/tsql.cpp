// Translation of T-SQL batches into SQLite statements and layer-run control flow.
//
// The translator is a recursive-descent parser that emits SQLite text as it reads. Statement
// boundaries come from the grammar, as in SQL Server: a statement ends where the next one's
// keyword starts, so batches joined by line breaks without semicolons split correctly.
//
// Emitted SQLite relies on the functions and collations of sqlite_functions.cpp:
//   tsql_add(a, b)   '+': text + text concatenates, NULL + anything is NULL, numbers add
//   tsql_div/mod     '/' and '%': integer division truncates, a zero divisor is an error
//   tsql_convert('type', x, style)   CONVERT and CAST
//   COLLATE SQLTEXT  text comparison without regard to letter case and trailing blanks, added
//                    where no column brings its own collation
#include <algorithm>
#include <map>
#include <mutex>
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

enum class ExprType { Unknown, Number, Text, Bool };

struct Expr {
    std::string sql;
    ExprType type = ExprType::Unknown;
    bool column = false;  // a plain column reference: its own collation applies
    std::string name;     // the column's name as written
};

Expr Make(std::string sql, ExprType type = ExprType::Unknown) {
    Expr e;
    e.sql = std::move(sql);
    e.type = type;
    return e;
}

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
    std::vector<int>* params_ = nullptr;
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
            if (++t.depth_ > 150) t.Fail("statement nested too deeply");
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
        if (!params_) Fail("a variable cannot be used here");
        params_->push_back(source);
        return "?" + std::to_string(params_->size());
    }

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
        } else {
            Unsupported("statement " + w, t);
        }
        st->source = SourceFrom(start);
        return st;
    }

    StatementPtr NewStatement(Statement::Kind kind) {
        auto st = std::make_unique<Statement>();
        st->kind = kind;
        params_ = &st->params;
        return st;
    }

    StatementPtr ParseSelectStatement() {
        auto st = NewStatement(Statement::Kind::Query);
        SelectTargets tg;
        st->sql = ParseQuery(&tg);
        if (tg.assign) {
            if (tg.plain)
                throw HostError("T-SQL",
                                "A SELECT statement that assigns a value to a variable must not "
                                "be combined with data-retrieval operations.");
            st->kind = Statement::Kind::Assign;
            st->targets = tg.targets;
        }
        params_ = nullptr;
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
            sql += " (";
            for (size_t i = 0; i < cols.size(); ++i) sql += (i ? ", " : "") + cols[i];
            sql += ")";
        }
        if (AcceptWord("VALUES")) {
            sql += " VALUES ";
            bool first = true;
            do {
                ExpectSymbol("(");
                std::string row = "(";
                bool firstValue = true;
                do {
                    row += (firstValue ? "" : ", ") + ParseExpr().sql;
                    firstValue = false;
                } while (AcceptSymbol(","));
                ExpectSymbol(")");
                sql += (first ? "" : ", ") + row + ")";
                first = false;
            } while (AcceptSymbol(","));
        } else if (PeekWord("SELECT") || (PeekSymbol("(") && PeekWord("SELECT", 1))) {
            bool paren = AcceptSymbol("(");
            sql += " " + ParseQuery(nullptr);
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
        params_ = nullptr;
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
        std::string sql = "UPDATE " + ParseTableName();
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
        params_ = nullptr;
        return st;
    }

    StatementPtr ParseDelete() {
        auto st = NewStatement(Statement::Kind::Write);
        const Token& first = Peek();
        ExpectWord("DELETE");
        if (PeekWord("TOP")) Unsupported("DELETE TOP", Peek());
        AcceptWord("FROM");
        std::string sql = "DELETE FROM " + ParseTableName();
        SkipTableHints();
        if (PeekWord("FROM")) Unsupported("DELETE ... FROM (joined delete)", first);
        if (AcceptWord("WHERE")) sql += " WHERE " + ParseExpr().sql;
        st->sql = sql;
        params_ = nullptr;
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
                params_ = nullptr;
                inits.push_back(std::move(init));
            }
        } while (AcceptSymbol(","));
        block->body.push_back(std::move(decl));
        for (auto& i : inits) block->body.push_back(std::move(i));
        return block;
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
            params_ = nullptr;
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
            return NewStatement(Statement::Kind::Nothing);
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
        return NewStatement(Statement::Kind::Nothing);
    }

    StatementPtr ParseIf() {
        ExpectWord("IF");
        auto st = NewStatement(Statement::Kind::If);
        Expr cond = ParseExpr();
        st->sql = "SELECT CASE WHEN " + cond.sql + " THEN 1 ELSE 0 END";
        params_ = nullptr;
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

    StatementPtr ParseCreate() {
        const Token& createTok = Peek();
        ExpectWord("CREATE");
        if (!PeekWord("TABLE")) Unsupported("CREATE " + Upper(Peek().text), createTok);
        Next();
        auto st = NewStatement(Statement::Kind::Write);
        bool temp = false;
        std::string name = ParseTableName(&temp);
        ExpectSymbol("(");
        std::string sql = std::string("CREATE ") + (temp ? "TEMP " : "") + "TABLE " + name + " (";
        bool first = true;
        do {
            sql += first ? "" : ", ";
            first = false;
            if (PeekWord("PRIMARY") || PeekWord("UNIQUE")) {
                sql += Upper(Next().text);
                if (AcceptWord("KEY")) sql += " KEY";
                if (PeekWord("CLUSTERED") || PeekWord("NONCLUSTERED")) Next();
                ExpectSymbol("(");
                sql += " (";
                bool firstCol = true;
                do {
                    sql += (firstCol ? "" : ", ") + ParseColumnNameForWrite();
                    firstCol = false;
                    if (PeekWord("ASC") || PeekWord("DESC")) Next();
                } while (AcceptSymbol(","));
                ExpectSymbol(")");
                sql += ")";
                continue;
            }
            if (PeekWord("CONSTRAINT")) Unsupported("named constraints", Peek());
            const Token& col = Next();
            if (col.kind != TokenKind::Word && col.kind != TokenKind::QuotedName) {
                --pos_;
                Fail("a column name was expected");
            }
            const Token& typeTok = Peek();
            SqlType type;
            try {
                type = ParseSqlType(ParseTypeSpec(), 1);
            } catch (const HostError& e) {
                throw HostError("T-SQL", std::string(e.what()) + Where(typeTok));
            }
            sql += QuoteIdent(col.text) + " ";
            switch (type.kind) {
                case SqlType::Kind::Integer:
                case SqlType::Kind::Bit:
                    sql += "INTEGER";
                    break;
                case SqlType::Kind::Decimal:
                case SqlType::Kind::Float:
                    sql += "REAL";
                    break;
                case SqlType::Kind::Text:
                    sql += "TEXT COLLATE SQLTEXT";
                    break;
                case SqlType::Kind::DateTime:
                case SqlType::Kind::Date:
                    sql += "DATETIME COLLATE SQLDATE";
                    break;
            }
            while (true) {
                if (AcceptWord("NOT")) {
                    ExpectWord("NULL");
                    sql += " NOT NULL";
                } else if (AcceptWord("NULL")) {
                } else if (AcceptWord("IDENTITY")) {
                    if (AcceptSymbol("(")) {
                        while (!AcceptSymbol(")")) {
                            if (Peek().kind == TokenKind::End) Fail("')' expected");
                            Next();
                        }
                    }
                    sql += " PRIMARY KEY AUTOINCREMENT";
                } else if (AcceptWord("DEFAULT")) {
                    auto* saved = params_;
                    params_ = nullptr;
                    sql += " DEFAULT (" + ParseUnary().sql + ")";
                    params_ = saved;
                } else if (PeekWord("PRIMARY")) {
                    Next();
                    ExpectWord("KEY");
                    sql += " PRIMARY KEY";
                } else if (PeekWord("COLLATE") || PeekWord("CONSTRAINT") ||
                           PeekWord("REFERENCES") || PeekWord("CHECK")) {
                    Unsupported("column option " + Upper(Peek().text), Peek());
                } else {
                    break;
                }
            }
        } while (AcceptSymbol(","));
        ExpectSymbol(")");
        st->sql = sql + ")";
        params_ = nullptr;
        return st;
    }

    StatementPtr ParseDrop() {
        const Token& dropTok = Peek();
        ExpectWord("DROP");
        if (!PeekWord("TABLE")) Unsupported("DROP " + Upper(Peek().text), dropTok);
        Next();
        std::string ifExists;
        if (PeekWord("IF") && PeekWord("EXISTS", 1)) {
            Next();
            Next();
            ifExists = "IF EXISTS ";
        }
        auto block = std::make_unique<Statement>();
        block->kind = Statement::Kind::Block;
        do {
            auto st = NewStatement(Statement::Kind::Write);
            st->sql = "DROP TABLE " + ifExists + ParseTableName();
            params_ = nullptr;
            block->body.push_back(std::move(st));
        } while (AcceptSymbol(","));
        if (block->body.size() == 1) return std::move(block->body[0]);
        return block;
    }

    StatementPtr ParseTruncate() {
        ExpectWord("TRUNCATE");
        ExpectWord("TABLE");
        auto st = NewStatement(Statement::Kind::Write);
        st->sql = "DELETE FROM " + ParseTableName();
        params_ = nullptr;
        return st;
    }

    // ---- names ----

    // [server.][database.][schema.]table or #temp; returns the SQLite name.
    std::string ParseTableName(bool* isTemp = nullptr) {
        std::vector<Token> parts;
        while (true) {
            if (PeekSymbol(".")) {  // empty part, as in tempdb..#tmp
                parts.push_back(Token{});
                Next();
                continue;
            }
            const Token& t = Peek();
            if (!(IsNameToken(t))) Fail("a table name was expected");
            parts.push_back(Next());
            if (!AcceptSymbol(".")) break;
        }
        const Token& last = parts.back();
        if (parts.size() > 4) Fail("too many name parts");
        if (isTemp) *isTemp = last.kind == TokenKind::TempName;
        return QuoteIdent(last.text);
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
    std::string ParseQuery(SelectTargets* tg, bool scalar = false) {
        DepthGuard guard(*this);
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
        if (cores.size() == 1) {
            if (scalar && orderBy.empty() && !cores[0].checkedScalar.empty())
                return cores[0].checkedScalar;
            std::string sql = cores[0].sql + orderBy;
            if (!cores[0].top.empty()) sql += " LIMIT " + cores[0].top;
            return sql;
        }
        std::string sql;
        for (size_t i = 0; i < cores.size(); ++i) {
            if (i) sql += " " + ops[i - 1] + " ";
            if (cores[i].top.empty())
                sql += cores[i].sql;
            else
                sql += "SELECT * FROM (" + cores[i].sql + " LIMIT " + cores[i].top + ")";
        }
        return sql + orderBy;
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
                sql = "(" + ParseQuery(nullptr) + ")";
                ExpectSymbol(")");
                AcceptWord("AS");
                const Token& a = Peek();
                if (!IsNameToken(a) || a.kind == TokenKind::TempName)
                    Fail("a derived table needs an alias");
                Next();
                if (PeekSymbol("(")) Unsupported("column aliases on a derived table", Peek());
                return sql + " AS " + QuoteIdent(a.text);
            }
            sql = "(" + ParseTableRef() + ")";
            ExpectSymbol(")");
            return sql;
        }
        if (Peek().kind == TokenKind::Word && PeekSymbol("(", 1) && !PeekWord("NOLOCK", 2))
            Unsupported("table-valued function " + Peek().text + "(...)", Peek());
        sql = ParseTableName();
        SkipTableHints();
        if (AcceptWord("AS")) {
            const Token& a = Next();
            if (a.kind != TokenKind::Word && a.kind != TokenKind::QuotedName) {
                --pos_;
                Fail("an alias was expected");
            }
            sql += " AS " + QuoteIdent(a.text);
        } else if ((Peek().kind == TokenKind::Word && !IsReserved(Peek().text)) ||
                   Peek().kind == TokenKind::QuotedName) {
            sql += " AS " + QuoteIdent(Next().text);
        }
        SkipTableHints();
        return sql;
    }

    // ---- expressions ----

    Expr ParseExpr() {
        DepthGuard guard(*this);
        return ParseOr();
    }

    Expr ParseOr() {
        Expr l = ParseAnd();
        while (AcceptWord("OR")) {
            Expr r = ParseAnd();
            l = Make("(" + l.sql + " OR " + r.sql + ")", ExprType::Bool);
        }
        return l;
    }

    Expr ParseAnd() {
        Expr l = ParseNot();
        while (AcceptWord("AND")) {
            Expr r = ParseNot();
            l = Make("(" + l.sql + " AND " + r.sql + ")", ExprType::Bool);
        }
        return l;
    }

    Expr ParseNot() {
        if (AcceptWord("NOT")) {
            DepthGuard guard(*this);
            Expr e = ParseNot();
            return Make("(NOT " + e.sql + ")", ExprType::Bool);
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
            std::string q = ParseQuery(nullptr);
            ExpectSymbol(")");
            return Make("(EXISTS (" + q + "))", ExprType::Bool);
        }
        Expr l = ParseAdditive();
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
                    return Make("(" + l.sql + " " + lite + " " + r.sql + Collated(l, r) + ")",
                                ExprType::Bool);
                }
            }
            return l;
        }
        if (PeekWord("IS")) {
            Next();
            bool negate = AcceptWord("NOT");
            ExpectWord("NULL");
            return Make("(" + l.sql + (negate ? " IS NOT NULL)" : " IS NULL)"), ExprType::Bool);
        }
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
            std::string sql = "(" + l.sql + notText + " LIKE " + r.sql;
            if (AcceptWord("ESCAPE")) sql += " ESCAPE " + ParseAdditive().sql;
            return Make(sql + ")", ExprType::Bool);
        }
        if (AcceptWord("BETWEEN")) {
            Expr a = ParseAdditive();
            ExpectWord("AND");
            Expr b = ParseAdditive();
            std::string left = l.sql;
            if (!l.column && !a.column && !b.column && l.type != ExprType::Number)
                left = "(" + l.sql + " COLLATE SQLTEXT)";
            return Make("(" + left + notText + " BETWEEN " + a.sql + " AND " + b.sql + ")",
                        ExprType::Bool);
        }
        if (AcceptWord("IN")) {
            ExpectSymbol("(");
            std::string inner;
            if (PeekWord("SELECT")) {
                inner = ParseQuery(nullptr);
            } else {
                bool first = true;
                do {
                    inner += (first ? "" : ", ") + ParseExpr().sql;
                    first = false;
                } while (AcceptSymbol(","));
            }
            ExpectSymbol(")");
            std::string left = l.sql;
            if (!l.column && l.type != ExprType::Number) left = "(" + l.sql + " COLLATE SQLTEXT)";
            return Make("(" + left + notText + " IN (" + inner + "))", ExprType::Bool);
        }
        return l;
    }

    static bool BothNumbers(const Expr& l, const Expr& r) {
        return l.type == ExprType::Number && r.type == ExprType::Number;
    }

    Expr ParseAdditive() {
        Expr l = ParseMultiplicative();
        while (true) {
            if (PeekSymbol("+")) {
                Next();
                Expr r = ParseMultiplicative();
                if (BothNumbers(l, r)) {
                    l = Make("(" + l.sql + " + " + r.sql + ")", ExprType::Number);
                } else {
                    ExprType t = (l.type == ExprType::Text || r.type == ExprType::Text)
                                     ? ExprType::Text
                                     : ExprType::Unknown;
                    l = Make("tsql_add(" + l.sql + ", " + r.sql + ")", t);
                }
            } else if (PeekSymbol("-")) {
                Next();
                Expr r = ParseMultiplicative();
                l = Make("tsql_sub(" + l.sql + ", " + r.sql + ")", ExprType::Number);
            } else if (PeekSymbol("&") || PeekSymbol("|") || PeekSymbol("^")) {
                Unsupported("bitwise operator " + Peek().text, Peek());
            } else {
                return l;
            }
        }
    }

    Expr ParseMultiplicative() {
        Expr l = ParseUnary();
        while (true) {
            if (AcceptSymbol("*")) {
                Expr r = ParseUnary();
                l = Make("tsql_mul(" + l.sql + ", " + r.sql + ")", ExprType::Number);
            } else if (AcceptSymbol("/")) {
                Expr r = ParseUnary();
                l = Make("tsql_div(" + l.sql + ", " + r.sql + ")", ExprType::Number);
            } else if (AcceptSymbol("%")) {
                Expr r = ParseUnary();
                l = Make("tsql_mod(" + l.sql + ", " + r.sql + ")", ExprType::Number);
            } else {
                return l;
            }
        }
    }

    Expr ParseUnary() {
        if (AcceptSymbol("-")) {
            DepthGuard guard(*this);
            Expr e = ParseUnary();
            if (e.type == ExprType::Number && !e.sql.empty() && e.sql[0] != '-' &&
                e.sql.find_first_not_of("0123456789.") == std::string::npos)
                return Make("(-" + e.sql + ")", ExprType::Number);
            return Make("tsql_neg(" + e.sql + ")", ExprType::Number);
        }
        if (AcceptSymbol("+")) return ParseUnary();
        if (PeekSymbol("~")) Unsupported("bitwise operator ~", Peek());
        Expr e = ParsePrimary();
        if (PeekWord("COLLATE")) Unsupported("COLLATE " + Peek(1).text, Peek());
        return e;
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
                return Make(n, ExprType::Number);
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
                return Make(Param(index), et);
            }
            case TokenKind::SystemVariable: {
                Next();
                std::string u = Upper(t.text);
                if (u == "@@ROWCOUNT") return Make(Param(kParamRowCount), ExprType::Number);
                if (u == "@@IDENTITY") return Make(Param(kParamIdentity), ExprType::Number);
                if (u == "@@ERROR") return Make(Param(kParamError), ExprType::Number);
                Unsupported("system variable " + t.text, t);
            }
            case TokenKind::Symbol:
                if (t.text == "(") {
                    Next();
                    if (PeekWord("SELECT")) {
                        std::string q = ParseQuery(nullptr, true);
                        ExpectSymbol(")");
                        return Make("(" + q + ")");
                    }
                    Expr inner = ParseExpr();
                    ExpectSymbol(")");
                    Expr e = Make("(" + inner.sql + ")", inner.type);
                    return e;
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
            return Make("NULL");
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
        if (parts.size() == 1)
            e.sql = QuoteIdent(parts[0].text);
        else
            e.sql = QuoteIdent(parts[parts.size() - 2].text) + "." + QuoteIdent(parts.back().text);
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
        std::string sql = "(CASE";
        ExprType type = ExprType::Unknown;
        bool firstThen = true;
        if (!PeekWord("WHEN")) {
            Expr base = ParseExpr();
            sql += " " + base.sql;
            if (!base.column && base.type != ExprType::Number) sql += " COLLATE SQLTEXT";
        }
        if (!PeekWord("WHEN")) Fail("WHEN expected");
        while (AcceptWord("WHEN")) {
            sql += " WHEN " + ParseExpr().sql;
            ExpectWord("THEN");
            Expr v = ParseExpr();
            if (firstThen) type = v.type;
            firstThen = false;
            sql += " THEN " + v.sql;
        }
        if (AcceptWord("ELSE")) sql += " ELSE " + ParseExpr().sql;
        ExpectWord("END");
        return Make(sql + " END)", type);
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
            return Make("tsql_convert(" + QuoteText(spec) + ", " + x.sql + ", " + style + ")",
                        TypeOfSpec(spec));
        }
        if (u == "CAST") {
            Expr x = ParseExpr();
            ExpectWord("AS");
            std::string spec = ParseTypeSpec();
            ValidateType(spec, name);
            ExpectSymbol(")");
            return Make("tsql_convert(" + QuoteText(spec) + ", " + x.sql + ", -1)",
                        TypeOfSpec(spec));
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
                return Make("count(*)", ExprType::Number);
            }
            if (AcceptWord("DISTINCT")) {
                if (u == "AVG") Unsupported("AVG(DISTINCT ...)", name);
                sql += "DISTINCT ";
            } else
                AcceptWord("ALL");
            Expr x = ParseExpr();
            ExpectSymbol(")");
            if (PeekWord("OVER")) Unsupported("window functions (OVER)", Peek());
            ExprType type = (u == "MIN" || u == "MAX") ? x.type : ExprType::Number;
            return Make(sql + x.sql + ")", type);
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
            return Make(sql + ")", u == "DATEADD" ? ExprType::Unknown : ExprType::Number);
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
            return Make("(SELECT o.tsql_oid FROM tsql_objects o WHERE o.tsql_otemp = " +
                            std::string(temp ? "1" : "0") + " AND o.tsql_oname = " +
                            QuoteText(object) + " COLLATE NOCASE" + typeFilter + ")",
                        ExprType::Number);
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
            return Make("(SELECT CASE WHEN o.tsql_otype = " + test +
                            " THEN 1 ELSE 0 END FROM tsql_objects o WHERE o.tsql_oid = " + id.sql +
                            ")",
                        ExprType::Number);
        }
        std::vector<Expr> args = ParseArgs();
        if (PeekWord("OVER")) Unsupported("window functions (OVER)", Peek());
        if (u == "ISNULL") {
            ArgCount(name, args, 2, 2);
            ExprType t = args[0].type != ExprType::Unknown ? args[0].type : args[1].type;
            return Call("coalesce", args, t);
        }
        if (u == "COALESCE") {
            ArgCount(name, args, 2, 64);
            return Call("coalesce", args, args[0].type);
        }
        if (u == "NULLIF") {
            ArgCount(name, args, 2, 2);
            return Call("nullif", args, args[0].type);
        }
        if (u == "CHARINDEX") {
            ArgCount(name, args, 2, 3);
            return Call("tsql_charindex", args, ExprType::Number);
        }
        if (u == "LEN") {
            ArgCount(name, args, 1, 1);
            return Call("tsql_len", args, ExprType::Number);
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
            return Call("abs", args, ExprType::Number);
        }
        if (u == "ROUND") {
            ArgCount(name, args, 2, 3);
            return Call("tsql_round", args, ExprType::Number);
        }
        if (u == "FLOOR" || u == "CEILING") {
            ArgCount(name, args, 1, 1);
            return Call(u == "FLOOR" ? "tsql_floor" : "tsql_ceiling", args, ExprType::Number);
        }
        if (u == "GETDATE") {
            ArgCount(name, args, 0, 0);
            return Make("tsql_getdate()");
        }
        if (u == "YEAR" || u == "MONTH" || u == "DAY") {
            ArgCount(name, args, 1, 1);
            std::string part = u == "YEAR" ? "'year'" : u == "MONTH" ? "'month'" : "'day'";
            return Make("tsql_datepart(" + part + ", " + args[0].sql + ")", ExprType::Number);
        }
        if (u == "ISNUMERIC") {
            ArgCount(name, args, 1, 1);
            return Call("tsql_isnumeric", args, ExprType::Number);
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

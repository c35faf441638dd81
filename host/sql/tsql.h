// The T-SQL compatibility layer of the reference host: reads the SQL Server dialect the plug-ins
// send and turns each batch into a small program of SQLite statements plus the control flow
// (IF/ELSE, BEGIN/END, variables, SET options) that the layer runs itself.
//
// Every construct is translated explicitly; anything the layer does not know is refused with an
// error naming it, so a statement never runs with a silently different meaning. Literals are
// re-quoted from their tokens, so a text holding quotes, semicolons or comment markers reaches
// SQLite as one literal. Variables become numbered parameters bound by the runner. Temp tables
// #x live in a private in-memory database attached to the connection as "tsql_temp" (the
// runner creates and drops them, see Statement::Kind::CreateTemp), so creating one does not
// expire the connection's other prepared statements as SQLite's own TEMP schema would.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frame/value.h"

namespace qor::host::sql {

// ---- Tokens --------------------------------------------------------------------------------

enum class TokenKind {
    Word,            // keyword or plain identifier
    QuotedName,      // [name] or "name"
    String,          // 'text' or N'text' (text holds the value, quotes undoubled)
    Number,          // 12, 1.5, .5, 1e3
    Variable,        // @name (text holds "@name")
    SystemVariable,  // @@name
    TempName,        // #name or ##name
    Symbol,          // operators and punctuation
    End,
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;
    bool national = false;  // N'...'
    int line = 1;
    int column = 1;
    size_t offset = 0;  // byte offset in the batch text
    size_t end = 0;     // byte offset just past the token
};

// Splits a batch into tokens; comments (-- to the end of the line, nested /* */) and white
// space, line breaks included, are dropped. An unclosed quote or comment raises HostError.
std::vector<Token> Tokenize(std::string_view text);

// ---- Data types ----------------------------------------------------------------------------

struct SqlType {
    enum class Kind { Integer, Bit, Decimal, Float, Text, DateTime, Date };
    Kind kind = Kind::Integer;
    int64_t minValue = INT32_MIN, maxValue = INT32_MAX;  // Integer kinds
    int precision = 18, scale = 0;                       // Decimal
    int length = 30;  // Text: characters (unicode) or bytes; -1 for max
    bool unicode = false;
    bool fixed = false;  // char/nchar: padded with blanks
    std::string name;    // canonical spelling, such as "decimal(18,2)"
};

// Reads a type name with its optional arguments ("int", "decimal(18,2)", "varchar(50)",
// "nvarchar(max)"). textDefault is the length a text type without one gets (1 in DECLARE,
// 30 in CONVERT and CAST). Unknown types raise HostError.
SqlType ParseSqlType(std::string_view spec, int textDefault = 30);

// Converts a value as SQL Server's CONVERT does: texts to numbers strictly (a text that is no
// number raises HostError, "" reads 0 for integers), numbers to integers by truncation,
// decimals rounded half away from zero with an overflow check, texts truncated to the length
// (varchar counts bytes as the Chinese code page does: two per non-ASCII character), dates
// normalised to "YYYY-MM-DD HH:MM:SS". style applies to date-to-text conversions (102 gives
// "yyyy.mm.dd", 120 "yyyy-mm-dd hh:mi:ss", 23 "yyyy-mm-dd", 111 "yyyy/mm/dd", 112
// "yyyymmdd", 108 "hh:mi:ss"); -1 means none. Null stays null.
Value ConvertTo(const Value& v, const SqlType& type, int style = -1);

// Date-time text as the layer stores and returns it.
std::string FormatSqlDateTime(const Date& d);
// Reads the date texts SQL Server accepts in literals: "YYYY-MM-DD", "YYYY/M/D", "YYYYMMDD",
// each optionally followed by " hh:mm[:ss[.fff]]" or "Thh:mm...".
bool ParseSqlDate(std::string_view text, Date& out);
// Days since 1970-01-01 of the date's calendar day (proleptic Gregorian calendar, the time of
// day ignored), and the calendar day of such a count (midnight).
int64_t DaysFromCivil(const Date& d);
Date DateFromDays(int64_t days);

// ---- Translated batches --------------------------------------------------------------------

// Parameter sources besides declared variables (the variable's index otherwise).
enum ParamSource : int { kParamRowCount = -1, kParamIdentity = -2, kParamError = -3 };

struct Statement;
using StatementPtr = std::unique_ptr<Statement>;

struct Statement {
    enum class Kind {
        Query,    // SELECT returning rows to the caller
        Write,    // INSERT, UPDATE, DELETE, CREATE, DROP: rows affected counted
        Assign,   // SELECT @a=..., SET @a=...: the last row's columns go to targets
        If,       // sql gives 1 or 0; thenPart or elsePart runs
        Block,    // BEGIN ... END
        Declare,  // declared variables start null
        Nothing,  // SET NOCOUNT ON and other session options
        Return,   // ends the batch
        // CREATE TABLE #x (sql creates it in tsql_temp) and DROP TABLE [IF EXISTS] #x: the
        // runner keeps the table of a dropped #x, emptied, and takes it again when the same
        // definition is created, so a batch that drops and re-creates its work table on every
        // call changes no schema (a table given indexes is dropped for good).
        CreateTemp,
        DropTemp,
    };
    Kind kind = Kind::Nothing;
    std::string source;        // the T-SQL text of the statement
    std::string sql;           // the SQLite text (Query, Write, Assign, If)
    std::vector<int> params;   // ?1..?n: variable index or a ParamSource
    std::vector<int> targets;  // Assign: variable per result column
    std::vector<int> declared;
    // Temp tables the statement reads or writes ("#x" as first written); each must exist when
    // the statement runs. For CreateTemp and DropTemp: the one created or dropped.
    std::vector<std::string> temps;
    bool ifExists = false;  // DropTemp: DROP TABLE IF EXISTS
    std::vector<StatementPtr> body;
    StatementPtr thenPart, elsePart;
};

struct Variable {
    std::string name;  // as declared, with "@"
    SqlType type;
};

struct Batch {
    std::vector<Variable> variables;
    std::vector<StatementPtr> statements;
};
using BatchPtr = std::shared_ptr<const Batch>;

// Translates a batch; HostError names the construct the layer does not know.
BatchPtr TranslateBatch(const std::string& tsql);
// The same through the translation cache: a text is translated once and reused.
BatchPtr Translate(const std::string& tsql);

struct TranslationStats {
    long translations = 0;  // texts translated
    long reuses = 0;        // answers from the cache
};
TranslationStats GetTranslationStats();
void ClearTranslationCache();

// The SQLite name of temp table #x: tsql_temp."#x".
std::string TempTableName(std::string_view name);
// The attached database holding temp tables, and its catalog of the live ones (name, and an
// identifier OBJECT_ID answers negated).
inline constexpr const char* kTempSchema = "tsql_temp";
inline constexpr const char* kTempCatalog = "tsql_temp.tsql_live";

// Functions of the host database reached as dbo.<name>(...): the name SQLite knows them by.
// dbo.GetComplexQty is the one the schema provides.
bool IsDatabaseFunction(std::string_view name);

}  // namespace qor::host::sql

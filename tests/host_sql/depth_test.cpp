// Deep and long expressions, built by generators: the layer must run what SQL Server runs
// without adding nesting of its own, so SQLite's parser stack and expression depth limit are
// reached only by statements that really nest so deeply.
#include <gmock/gmock.h>

#include <functional>

#include "host/sql/tsql.h"
#include "tests/host_sql/sql_fixture.h"

namespace qor::host::testing {
namespace {

using ::testing::HasSubstr;

// n copies of a text made from its index, joined.
std::string Repeat(int n, const std::function<std::string(int)>& part, const std::string& glue) {
    std::string s;
    for (int i = 0; i < n; ++i) s += (i ? glue : "") + part(i);
    return s;
}
std::string Same(int n, const std::string& part, const std::string& glue) {
    return Repeat(
        n, [&](int) { return part; }, glue);
}
std::string Numbered(int n, const std::string& head, const std::string& glue) {
    return Repeat(
        n, [&](int i) { return head + std::to_string(100 + i); }, glue);
}

// Wraps a text n times, innermost first: wrap(inner, level) for level 1..n.
using Wrap = std::function<std::string(const std::string&, int)>;
std::string Nest(int n, std::string inner, const Wrap& wrap) {
    for (int level = 1; level <= n; ++level) inner = wrap(inner, level);
    return inner;
}
// Wraps a text n times as prefix + inner + suffix.
std::string Around(int n, const std::string& inner, const std::string& prefix,
                   const std::string& suffix) {
    return Nest(n, inner, [&](const std::string& in, int) { return prefix + in + suffix; });
}

// The deepest parenthesis nesting of a SQL text, quoted texts and names skipped.
int ParenDepth(const std::string& sql) {
    int depth = 0, deepest = 0;
    char quote = 0;
    for (char c : sql) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '(') {
            deepest = std::max(deepest, ++depth);
        } else if (c == ')') {
            --depth;
        }
    }
    return deepest;
}

int DeepestTranslation(const std::string& tsql) {
    int deepest = 0;
    const sql::BatchPtr batch = sql::TranslateBatch(tsql);
    for (const auto& st : batch->statements) deepest = std::max(deepest, ParenDepth(st->sql));
    return deepest;
}

struct DeepCase {
    const char* name;
    std::string tsql;
    Value answer;
};

// t_ICItem holds items 1, 2 and 3; FQtyDecimal of item 1 is 2.
std::vector<DeepCase> DeepCases() {
    const std::string count = "select count(*) from t_ICItem where ";
    const std::string item2 = "select FItemID from t_ICItem where FItemID = 2";
    const std::string of = "select FItemID from t_ICItem where FItemID ";
    const Wrap andOr = [](const std::string& inner, int level) {
        return level % 2 ? "(1 = 1 AND " + inner + ")" : "(1 = 0 OR " + inner + ")";
    };
    // Each level names the tables of the levels around it.
    const Wrap outerColumn = [](const std::string& inner, int level) {
        return "select 1 from t_Entry e" + std::to_string(level) + " where exists (" + inner + ")";
    };
    const Wrap readsAround = [](const std::string& inner, int level) {
        std::string me = "i" + std::to_string(level), up = "i" + std::to_string(level + 1);
        return "select " + me + ".FItemID from t_ICItem " + me + " where " + me + ".FItemID = (" +
               inner + ")" + (level < 4 ? " and " + me + ".FItemID = " + up + ".FItemID" : "") +
               (level == 4 ? " and " + me + ".FItemID = 2" : "");
    };
    return {
        {"1000 flat ANDs", count + Numbered(1000, "FItemID <> ", " AND "), Value(3)},
        {"1000 flat ORs", count + Numbered(999, "FItemID = ", " OR ") + " OR FItemID = 2",
         Value(1)},
        {"1000 ANDs and ORs in turn",
         count + Repeat(
                     500,
                     [](int i) {
                         auto n = std::to_string(i);
                         return "FItemID = 3 AND " + n + " = " + n;
                     },
                     " OR "),
         Value(1)},
        {"200-term sum of a column",
         "select " + Same(200, "FQtyDecimal", " + ") + " from t_ICItem where FItemID = 1",
         Value(400)},
        {"200-term sum of int literals", "select " + Same(200, "7", " + "), Value(1400)},
        {"200 terms added and taken away", "select 1000" + Same(100, " - 2 + 3", ""), Value(1100)},
        {"200 factors", "select 1" + Same(100, " * 2 / 2", ""), Value(1)},
        {"200 texts joined", "select len(" + Same(200, "'ab'", " + ") + ")", Value(400)},
        {"30 levels of AND and OR in parentheses", count + Nest(30, "FItemID = 2", andOr),
         Value(1)},
        {"100 levels of one operator in parentheses",
         count + Around(100, "FItemID = 2", "(1 = 1 AND ", ")"), Value(1)},
        {"32 nested value sub-queries", Around(32, item2, of + "= (", ")"), Value(2)},
        {"32 nested IN sub-queries", Around(32, item2, of + "in (", ")"), Value(2)},
        {"32 nested EXISTS", Around(32, item2, of + "= 2 and exists (", ")"), Value(2)},
        {"32 nested derived tables",
         Nest(32, item2,
              [](const std::string& inner, int level) {
                  return "select FItemID from (" + inner + ") as d" + std::to_string(level);
              }),
         Value(2)},
        {"32 nested sub-queries in select lists", Around(32, "select 2", "select (", ")"),
         Value(2)},
        {"a column of the outer query named without its table, five sub-queries down",
         of + "= 1 and exists (" +
             Nest(4, "select 1 from t_Entry e0 where e0.FID = 1 and FNumber = 'A01'", outerColumn) +
             ")",
         Value(1)},
        {"sub-queries reading the query around them, four deep",
         Nest(4, "select i0.FItemID from t_ICItem i0 where i0.FItemID = i1.FItemID", readsAround),
         Value(2)},
    };
}

using DeepStatements = SqlLayerTest;

TEST_F(DeepStatements, RunAndAnswer) {
    for (const DeepCase& c : DeepCases()) {
        SCOPED_TRACE(c.name);
        SqlResult r;
        EXPECT_NO_THROW(r = Run(c.tsql));
        EXPECT_THAT(Rows(r), ::testing::ElementsAre(Show(c.answer)));
    }
}

TEST(DeepTranslation, AddsNoNesting) {
    // Each input nests n levels; the translation may add a constant, never a level per term.
    for (int n : {10, 40}) {
        SCOPED_TRACE(n);
        EXPECT_LE(DeepestTranslation(
                      "select 1 from t where " +
                      Repeat(
                          n * 10, [](int i) { return "a = " + std::to_string(i); }, " and ")),
                  2);
        EXPECT_LE(DeepestTranslation("select " + Same(n, "a", " + ") + " from t"), 1);
        EXPECT_LE(DeepestTranslation("select 1 from t where " +
                                     Nest(n, "a = 1",
                                          [](const std::string& inner, int level) {
                                              return level % 2 ? "(b = 1 and " + inner + ")"
                                                               : "(c = 1 or " + inner + ")";
                                          })),
                  n);
    }
}

TEST_F(DeepStatements, NestingSQLiteCannotParseIsRefusedClearly) {
    // Sub-queries that each read the query around them cannot be lifted out.
    std::string correlated =
        Nest(40, "select i0.FItemID from t_ICItem i0 where i0.FItemID = i1.FItemID",
             [](const std::string& inner, int level) {
                 std::string me = "i" + std::to_string(level);
                 std::string up = "i" + std::to_string(level + 1);
                 return "select " + me + ".FItemID from t_ICItem " + me + " where exists (" +
                        inner + ") and " + me + ".FItemID = " + up + ".FItemID";
             });
    correlated = "select count(*) from t_ICItem i41 where exists (" + correlated + ")";
    EXPECT_THAT(ErrorOf(correlated), HasSubstr("nests too deeply for the host database"));
    // The translator's own limit, far beyond what SQL Server scripts use.
    EXPECT_THAT(ErrorOf("select " + std::string(300, '(') + "1" + std::string(300, ')')),
                HasSubstr("nested too deeply"));
}

}  // namespace
}  // namespace qor::host::testing

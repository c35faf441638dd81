// xsbill sql "<T-SQL>" [--db FILE]: runs one T-SQL text on a host database through the
// compatibility layer and prints every result set as JSON, so a person can try the host's SQL
// by hand. Without --db the text runs on a fresh demo database that is removed afterwards; a
// --db file that does not exist is created from the demo data and kept, as xsbill run --db
// does.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <iterator>
#include <memory>
#include <set>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "host/database.h"
#include "host/demo_db.h"

namespace qor::cli {
namespace {

nlohmann::ordered_json ToJson(const Value& v) {
    switch (v.type()) {
        case Value::Type::Int:
            return v.AsInt();
        case Value::Type::Double:
            return v.AsDouble();
        case Value::Type::Bool:
            return v.AsBool();
        case Value::Type::Text:
            return v.AsText();
        default:
            return nullptr;
    }
}

// Row objects need distinct keys: an unnamed column is "column<N>", a repeated name gets
// "#<n>" appended (as "Select a,* From T" repeats a).
std::vector<std::string> JsonKeys(const std::vector<std::string>& columns) {
    std::vector<std::string> keys;
    std::set<std::string> used;
    for (size_t i = 0; i < columns.size(); ++i) {
        std::string key = columns[i].empty() ? "column" + std::to_string(i + 1) : columns[i];
        std::string candidate = key;
        for (int n = 2; used.count(candidate); ++n) candidate = key + "#" + std::to_string(n);
        used.insert(candidate);
        keys.push_back(candidate);
    }
    return keys;
}

nlohmann::ordered_json ResultSetJson(const host::SqlResult& r) {
    nlohmann::ordered_json out;
    out["columns"] = r.columns;
    std::vector<std::string> keys = JsonKeys(r.columns);
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const auto& row : r.rows) {
        nlohmann::ordered_json obj = nlohmann::ordered_json::object();
        for (size_t i = 0; i < row.size() && i < keys.size(); ++i) obj[keys[i]] = ToJson(row[i]);
        rows.push_back(std::move(obj));
    }
    out["rows"] = std::move(rows);
    return out;
}

// {"resultSets": [{"columns": [...], "rows": [{...}, ...]}, ...], "rowsAffected": n}, the
// result sets in the order the batch's SELECTs returned them.
nlohmann::ordered_json ResultJson(const host::SqlResultSets& r) {
    nlohmann::ordered_json out;
    nlohmann::ordered_json sets = nlohmann::ordered_json::array();
    for (const auto& set : r.sets) sets.push_back(ResultSetJson(set));
    out["resultSets"] = std::move(sets);
    out["rowsAffected"] = r.rowsAffected;
    return out;
}

// Removes the fresh demo database when the command ends.
struct TempDatabase {
    std::string path;
    ~TempDatabase() {
        if (path.empty()) return;
        std::error_code ec;
        for (const char* suffix : {"", "-journal", "-wal", "-shm"})
            std::filesystem::remove(path + suffix, ec);
    }
};

int RunSql(std::string text, const std::string& dbFile) {
    try {
        if (text == "-")
            text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        TempDatabase temp;
        std::string file = dbFile;
        if (file.empty()) {
            temp.path = (std::filesystem::temp_directory_path() /
                         ("xsbill-sql-" + std::to_string(::getpid()) + ".db"))
                            .string();
            file = host::CreateDemoDatabase(temp.path);
        } else if (!std::filesystem::exists(file)) {
            host::CreateDemoDatabase(file);
            std::cerr << "xsbill sql: " << file
                      << " did not exist; created it with the demo data (delete it to start "
                         "again)\n";
        }
        host::SqlResultSets result;
        {
            host::Database db(file);
            result = db.RunEach(text);
        }
        std::cout << ResultJson(result).dump(2) << "\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "xsbill sql: " << e.what() << "\n";
        return 1;
    }
}

struct SqlOptions {
    std::string text;
    std::string db;
};

CommandRegistrar registrar{Command{
    "sql", [](CLI::App& app, int& exitCode) {
        auto options = std::make_shared<SqlOptions>();
        CLI::App* cmd = app.add_subcommand(
            "sql", "Run one T-SQL text on a host database and print every result set as JSON");
        cmd->add_option("tsql", options->text,
                        "the T-SQL text (\"-\" reads it from standard input)")
            ->required();
        cmd->add_option("--db", options->db,
                        "the database file, created from the demo data when missing and kept "
                        "(default: a fresh demo database, removed afterwards)");
        cmd->callback([options, &exitCode] { exitCode = RunSql(options->text, options->db); });
    }}};

}  // namespace
}  // namespace qor::cli

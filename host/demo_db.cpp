#include "host/demo_db.h"

#include "host/data_components.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "frame/errors.h"
#include "host/database.h"

#ifndef QOR_SOURCE_DIR
#define QOR_SOURCE_DIR "."
#endif

namespace qor::host {

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw HostError("Demo database", "cannot read " + file.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Removes the database file and the journal files SQLite may have left beside it.
void RemoveDatabaseFiles(const std::string& path) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
        std::error_code ec;
        fs::remove(path + suffix, ec);
        if (ec) throw HostError("Demo database", "cannot replace " + path + ": " + ec.message());
    }
}

}  // namespace

std::string HostSourceDir() {
    const char* env = std::getenv("QOR_SOURCE_DIR");
    if (env && *env) return env;
    return QOR_SOURCE_DIR;
}

std::vector<std::string> DemoScriptPaths() {
    fs::path root = HostSourceDir();
    std::vector<std::string> paths{(root / "host" / "schema.sql").string()};
    std::vector<std::string> seeds;
    std::error_code ec;
    for (fs::directory_iterator it(root / "host" / "demo", ec), end; !ec && it != end;
         it.increment(ec)) {
        if (it->is_regular_file() && it->path().extension() == ".sql")
            seeds.push_back(it->path().string());
    }
    if (ec || seeds.empty())
        throw HostError("Demo database", "no demo data in " + (root / "host" / "demo").string());
    std::sort(seeds.begin(), seeds.end());
    paths.insert(paths.end(), seeds.begin(), seeds.end());
    return paths;
}

std::string CreateDemoDatabase(const std::string& path) {
    std::vector<std::string> scripts = DemoScriptPaths();
    // Read everything first, so a missing file leaves an existing database untouched.
    std::vector<std::string> texts;
    for (const std::string& script : scripts) texts.push_back(ReadFile(script));
    // A connection the data components still hold would keep reading the replaced file.
    CloseDatabase(path);
    RemoveDatabaseFiles(path);
    Database db(path);
    db.ExecScript("BEGIN;");
    for (size_t i = 0; i < texts.size(); ++i) {
        try {
            db.ExecScript(texts[i]);
        } catch (const std::exception& e) {
            try {
                db.ExecScript("ROLLBACK;");
            } catch (...) {
            }
            throw HostError("Demo database", scripts[i] + ": " + e.what());
        }
    }
    db.ExecScript("COMMIT;");
    return path;
}

std::string CopyDemoDatabase(const std::string& path) {
    static const std::string image = [&] {
        std::string made = path + ".image";
        CreateDemoDatabase(made);
        std::string bytes = ReadFile(made);
        RemoveDatabaseFiles(made);
        return bytes;
    }();
    CloseDatabase(path);
    RemoveDatabaseFiles(path);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(image.data(), static_cast<std::streamsize>(image.size()));
    if (!out) throw HostError("Demo database", "cannot write " + path);
    return path;
}

}  // namespace qor::host

// The demo database of the reference host: the host schema (host/schema.sql) with the demo
// company's data (host/demo/*.sql), created afresh in a file.
#pragma once

#include <string>
#include <vector>

namespace qor::host {

// The source tree the schema and demo data are read from: the environment variable
// QOR_SOURCE_DIR when set, else the directory the host was built from.
std::string HostSourceDir();

// The seed scripts in the order they run: host/schema.sql, then host/demo/*.sql by name.
std::vector<std::string> DemoScriptPaths();

// Creates a fresh demo database file at path (an existing file there is replaced) and
// returns path. Raises HostError when a script is missing or fails.
std::string CreateDemoDatabase(const std::string& path);

// The same database written from an image of it made once per process (on the first call):
// for tools that need a fresh demo database many times (the event fuzzer, the fault tests).
std::string CopyDemoDatabase(const std::string& path);

}  // namespace qor::host

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

}  // namespace qor::host

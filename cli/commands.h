// The commands of the scenario runner. Each command's file registers itself with a static
// CommandRegistrar; main() sets them all up on one CLI11 application.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace qor::cli {

struct Command {
    std::string name;
    // Adds the sub-command to the application; its callback sets the exit code.
    std::function<void(CLI::App& app, int& exitCode)> setup;
};

std::vector<Command>& Commands();

struct CommandRegistrar {
    explicit CommandRegistrar(Command c) { Commands().push_back(std::move(c)); }
};

// The plug-in library the runner loads (built next to it).
std::string PlugInLibraryPath();

}  // namespace qor::cli

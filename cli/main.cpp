// xsbill: the reference host's command-line tool. It replays scripted editing sessions on the
// bills (run) and runs T-SQL on a database (sql).
#include <cstdlib>
#include <iostream>

#include "cli/commands.h"

namespace qor::cli {

std::vector<Command>& Commands() {
    static std::vector<Command> commands;
    return commands;
}

std::string PlugInLibraryPath() {
    if (const char* env = std::getenv("QOR_PLUGIN_PATH")) return env;
#ifdef QOR_PLUGIN_PATH
    return QOR_PLUGIN_PATH;
#else
    return "libQOR_XS_PlugIns.so";
#endif
}

}  // namespace qor::cli

int main(int argc, char** argv) {
    CLI::App app{"xsbill: replays bill editing sessions and runs T-SQL on the reference host"};
    app.require_subcommand(1);
    int exitCode = 0;
    for (auto& command : qor::cli::Commands()) command.setup(app, exitCode);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    return exitCode;
}

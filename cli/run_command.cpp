// xsbill run: replays scenario files on the reference host and prints what happened.
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "host/form/scenario_runner.h"

namespace qor::cli {

namespace {

struct RunArgs {
    std::vector<std::string> files;
    std::string db;
    bool json = false;
    bool traceSql = false;
};

// 0 every scenario passed, 1 an expectation failed, 2 a scenario is invalid.
int RunFiles(const RunArgs& args) {
    host::form::RunOptions options;
    options.databasePath = args.db;
    options.pluginPath = PlugInLibraryPath();
    options.traceSql = args.traceSql;
    options.keepDatabase = !args.db.empty();
    std::vector<host::form::RunRecord> runs;
    int status = 0;
    for (const auto& file : args.files) {
        host::form::RunRecord run = host::form::RunScenarioFile(file, options);
        if (!run.invalid.empty()) {
            status = 2;
            std::cerr << run.invalid << "\n";
        } else if (run.failures && status == 0) {
            status = 1;
        }
        if (!args.json) std::cout << host::form::RenderText(run, args.traceSql) << "\n";
        runs.push_back(std::move(run));
    }
    if (args.json) std::cout << host::form::RenderJson(runs, args.traceSql) << "\n";
    return status;
}

const CommandRegistrar kRun{Command{
    "run", [](CLI::App& app, int& exitCode) {
        auto args = std::make_shared<RunArgs>();
        CLI::App* cmd = app.add_subcommand("run", "replay scenario files on the demo database");
        cmd->add_option("files", args->files, "scenario files (YAML)")->required();
        cmd->add_option(
            "--db", args->db,
            "use this database file and keep it (created from the demo data when missing)");
        cmd->add_flag("--json", args->json, "print the transcripts as JSON");
        cmd->add_flag("--trace-sql", args->traceSql,
                      "add every SQL statement with its time and rows");
        cmd->callback([args, &exitCode] { exitCode = RunFiles(*args); });
    }}};

}  // namespace

}  // namespace qor::cli

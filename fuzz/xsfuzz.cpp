// The event fuzzer's plain driver: replays fuzzer inputs (the seed corpus, the regression inputs
// of findings, a crash file) with the invariant checks, writes scenario files as seed inputs,
// and shows what an input does.
//
//   xsfuzz replay PATH...             files or folders of inputs; exit 1 on a finding
//   xsfuzz show FILE...               the session an input decodes to, and what it finds
//   xsfuzz seeds FOLDER SCENARIO...   writes each scenario as an input into FOLDER
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/event_program.h"
#include "fuzz/session.h"
#include "host/form/scenario.h"

namespace fs = std::filesystem;
using namespace qor;

namespace {

std::vector<uint8_t> ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

std::vector<fs::path> Inputs(const std::vector<std::string>& args) {
    std::vector<fs::path> out;
    for (const auto& a : args) {
        if (fs::is_directory(a)) {
            std::vector<fs::path> in;
            for (const auto& e : fs::directory_iterator(a))
                if (e.is_regular_file() && e.path().filename().string()[0] != '.')
                    in.push_back(e.path());
            std::sort(in.begin(), in.end());
            out.insert(out.end(), in.begin(), in.end());
        } else {
            out.emplace_back(a);
        }
    }
    return out;
}

int Replay(const std::vector<std::string>& args, bool show) {
    int bad = 0;
    for (const auto& p : Inputs(args)) {
        auto bytes = ReadFile(p);
        fuzz::Program program = fuzz::Decode(bytes.data(), bytes.size());
        if (show) std::cout << "== " << p.string() << "\n" << fuzz::Describe(program);
        fuzz::SessionResult r = fuzz::RunSession(program);
        if (!r.invalid.empty()) {
            ++bad;
            std::cout << "INVALID " << p.string() << ": " << r.invalid << "\n";
        } else if (!r.findings.empty()) {
            ++bad;
            std::cout << "FINDING " << p.string() << " (" << r.kind << "):\n"
                      << (show ? "" : fuzz::Describe(program)) << fuzz::FindingsText(r);
        } else {
            std::cout << "ok " << p.string() << ": " << r.kind << ", " << r.steps << " steps, "
                      << r.events << " events\n";
        }
    }
    std::cout << "totals:\n" << fuzz::TotalsText();
    return bad ? 1 : 0;
}

int Seeds(const std::string& folder, const std::vector<std::string>& scenarios) {
    fs::create_directories(folder);
    for (const auto& s : scenarios) {
        host::form::Scenario sc = host::form::LoadScenario(s);
        auto bytes = fuzz::Encode(sc);
        fs::path from(s);
        std::string name = from.parent_path().filename().string() + "-" + from.stem().string();
        std::ofstream out(fs::path(folder) / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        std::cout << name << ": " << bytes.size() << " bytes\n";
    }
    return 0;
}

int Usage() {
    std::cerr << "usage: xsfuzz replay PATH... | show FILE... | seeds FOLDER SCENARIO...\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    try {
        if (command == "replay") return Replay(args, false);
        if (command == "show") return Replay(args, true);
        if (command == "seeds" && args.size() >= 2)
            return Seeds(args[0], std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const std::exception& e) {
        std::cerr << "xsfuzz: " << e.what() << "\n";
        return 2;
    }
    return Usage();
}

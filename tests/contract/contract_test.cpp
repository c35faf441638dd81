// The library as a host receives it: what its shared library exports, the contract version the
// host checks before it creates anything, and the diagnostics the host can listen to.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "frame/contract.h"
#include "host/form/plugin_library.h"
#include "host/form/scenario.h"
#include "host/form/scenario_runner.h"

namespace qor::host::form {
namespace {

std::vector<std::string> ExportedSymbols(const std::string& library) {
    std::vector<std::string> out;
    std::string command = "nm -D --defined-only -C '" + library + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return out;
    char line[8192];
    while (fgets(line, sizeof line, pipe.get())) {
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        // "address type name"
        size_t first = s.find(' '), second = first == std::string::npos ? first : s.find(' ', first + 1);
        if (second != std::string::npos) out.push_back(s.substr(second + 1));
    }
    return out;
}

// The names the contract headers declare in namespace qor.
const std::set<std::string>& ContractNames() {
    static const std::set<std::string> names{
        // value.h
        "IObject", "ConversionError", "NullTag", "Value", "Val", "ToDouble", "ToId", "ToInt16",
        "NumberToText", "RoundDecimal", "Trim", "Upper", "UpperTrim", "IEquals", "Date",
        "ParseDate", "ToDate", "FormatDate", "FormatDateSlash", "FormatDateTime", "AddDays",
        "DaysBetween", "IsLeapYear", "DaysInMonth", "IsValidDate",
        // collection.h, recordset.h, errors.h
        "Collection", "CollectionPtr", "CollectionWatcher", "KeyError", "IRecordset",
        "MemoryRecordset", "HostError",
        // host.h
        "IMenuTool", "IMenuBand", "IMenuBar", "IGridController", "IFormObject", "IControl",
        "IBillFormEvents", "IBillListEvents", "IBillForm", "IBillList",
        // host_platform.h, contract.h
        "IComponent", "IClassInfo", "IClassUpdate", "IAppConnection", "TextDialog", "IPlatform",
        "DefaultButton", "IPlugIn", "kContractVersion"};
    return names;
}

TEST(SharedLibrary, ExportsOnlyTheCEntryAndTheContract) {
    auto symbols = ExportedSymbols(QOR_PLUGIN_PATH);
    ASSERT_FALSE(symbols.empty()) << "nm found no symbols in " << QOR_PLUGIN_PATH;
    std::set<std::string> entry;
    for (const auto& s : symbols) {
        if (s.rfind("QOR_XS_", 0) == 0) {
            entry.insert(s);
            continue;
        }
        // Every name of namespace qor the symbol mentions is one the contract declares.
        size_t at = s.find("qor::");
        EXPECT_NE(at, std::string::npos) << "exported but not the contract's: " << s;
        for (; at != std::string::npos; at = s.find("qor::", at + 5)) {
            size_t end = at + 5;
            while (end < s.size() && (isalnum(static_cast<unsigned char>(s[end])) || s[end] == '_'))
                ++end;
            std::string name = s.substr(at + 5, end - at - 5);
            EXPECT_TRUE(ContractNames().count(name)) << name << " is exported: " << s;
        }
    }
    EXPECT_EQ(entry, (std::set<std::string>{"QOR_XS_AttachPlatform", "QOR_XS_ContractVersion",
                                            "QOR_XS_CreateObject", "QOR_XS_ReleaseObject",
                                            "QOR_XS_SetTraceSink", "QOR_XS_Version"}));
}

TEST(ContractVersion, TheHostRefusesALibraryOfAnotherContractBeforeCreatingAnything) {
    PlugInLibrary ours(QOR_PLUGIN_PATH);
    EXPECT_EQ(ours.ContractVersion(), kContractVersion);

    auto refusal = [](const std::string& path) {
        try {
            PlugInLibrary other(path);
        } catch (const HostError& e) {
            return std::string(e.what());
        }
        return std::string("(loaded)");
    };
    std::string other = refusal(QOR_OTHER_CONTRACT_PATH);
    EXPECT_NE(other.find("was built against host contract 99"), std::string::npos) << other;
    EXPECT_NE(other.find("this host speaks version " + std::to_string(kContractVersion)),
              std::string::npos)
        << other;
    std::string none = refusal(QOR_NO_CONTRACT_PATH);
    EXPECT_NE(none.find("states no host contract version"), std::string::npos) << none;

    // A library linked into the program is checked the same way.
    PlugInLibrary::Entries entries;
    entries.contractVersion = [] { return kContractVersion + 1; };
    EXPECT_THROW(PlugInLibrary("linked", entries), HostError);
}

// A scenario whose database lacks the system options: the plug-ins' option reads fail and the
// functions asking for them answer their defaults.
Scenario WithoutOptions() {
    Scenario s = ParseScenario(R"(
name: options missing
today: 2026-12-10
database:
  - "Drop Table t_SystemProfile;"
steps:
  - new: xscx
  - set: {row: 1, FItemID: 1001}
)",
                               "options_missing.yaml");
    return s;
}

TEST(TraceSql, ShowsTheErrorsTheLibraryTrappedAndNothingMoreWhenNoneWas) {
    PlugInLibrary library(QOR_PLUGIN_PATH);
    RunOptions options;
    options.library = &library;
    options.traceSql = true;

    RunRecord trapped = RunScenario(WithoutOptions(), options);
    ASSERT_TRUE(trapped.invalid.empty()) << trapped.invalid;
    size_t lines = 0;
    for (const auto& step : trapped.steps) lines += step.trapped.size();
    EXPECT_GT(lines, 0u);
    std::string text = RenderText(trapped, true);
    EXPECT_NE(text.find("    trapped in "), std::string::npos) << text;
    EXPECT_NE(text.find("t_SystemProfile"), std::string::npos) << text;
    EXPECT_EQ(RenderText(trapped, false).find("trapped in"), std::string::npos)
        << "without --trace-sql the transcript shows no trapped errors";
    EXPECT_NE(RenderJson({trapped}, true).find("\"trapped\""), std::string::npos);

    Scenario plain = WithoutOptions();
    plain.databaseSql.clear();
    RunRecord clean = RunScenario(plain, options);
    for (const auto& step : clean.steps) EXPECT_TRUE(step.trapped.empty()) << step.label;
    EXPECT_EQ(RenderText(clean, true).find("trapped in"), std::string::npos);
    EXPECT_EQ(RenderJson({clean}, true).find("\"trapped\""), std::string::npos);
}

TEST(TraceSink, TheHostHearsEventsAndStatementsUntilItStopsListening) {
    PlugInLibrary library(QOR_PLUGIN_PATH);
    std::vector<QOR_XS_TraceKind> kinds;
    std::vector<std::string> events, statements;
    library.SetTraceListener([&](const QOR_XS_TraceRecord& r) {
        kinds.push_back(static_cast<QOR_XS_TraceKind>(r.kind));
        if (r.kind == QOR_XS_TRACE_EVENT) events.push_back(r.event);
        if (r.kind == QOR_XS_TRACE_STATEMENT) statements.push_back(r.sql);
    });
    RunOptions options;
    options.library = &library;
    Scenario s = WithoutOptions();
    s.databaseSql.clear();
    RunScenario(s, options);
    EXPECT_NE(std::find(events.begin(), events.end(), "m_BillInterface_AfterNewBill"),
              events.end());
    EXPECT_NE(std::find(events.begin(), events.end(), "m_BillInterface_Change"), events.end());
    EXPECT_FALSE(statements.empty());

    library.SetTraceListener(nullptr);
    size_t heard = kinds.size();
    RunScenario(s, options);
    EXPECT_EQ(kinds.size(), heard);
}

}  // namespace
}  // namespace qor::host::form

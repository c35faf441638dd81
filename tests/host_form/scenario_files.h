// Shared by the scenario tests: the scenario files beside them, the two plug-in libraries a
// run can load, and a parse error with its place.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "host/form/scenario.h"
#include "host/form/scenario_runner.h"

namespace qor::host::form {

// tests/host_form/<name>.yaml ("scenarios/rows", "cycles/sale").
inline std::string ScenarioFile(const std::string& name) {
    return std::string(QOR_SOURCE_DIR) + "/tests/host_form/" + name + ".yaml";
}

inline RunOptions WithLibrary(const char* path) {
    RunOptions o;
    o.pluginPath = path;
    return o;
}
// The library itself, or the stand-in plug-ins of the tests (tests/support/plugin_double).
inline RunOptions Options() {
    return WithLibrary(QOR_PLUGIN_PATH);
}
inline RunOptions StandIn() {
    return WithLibrary(QOR_TEST_PLUGIN_PATH);
}

// The text must be refused with an error naming where ("s.yaml:4") and what.
inline void ExpectParseError(const std::string& text, const std::string& where,
                             const std::string& what) {
    try {
        ParseScenario(text, "s.yaml");
        ADD_FAILURE() << "no error for:\n" << text;
    } catch (const ScenarioError& e) {
        std::string m = e.what();
        EXPECT_NE(m.find(where), std::string::npos) << m;
        EXPECT_NE(m.find(what), std::string::npos) << m;
    }
}

}  // namespace qor::host::form

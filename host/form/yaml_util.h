// Small helpers for the host's YAML files (bill templates and scenarios): every error names the
// file and the line (and column) of the node that is wrong.
#pragma once

#include <yaml-cpp/yaml.h>

#include <string>
#include <vector>

#include "frame/value.h"

namespace qor::host::form::yaml {

// "file:line:column: message" (line and column 1-based); without a mark only "file: message".
std::string Where(const std::string& file, const YAML::Node& node);

// Raised with a message that already names the place.
class YamlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& file, const YAML::Node& node, const std::string& msg);

// Parses a file; a syntax error becomes a YamlError naming the file and line.
YAML::Node LoadFile(const std::string& path);
YAML::Node LoadText(const std::string& text, const std::string& name);

// Scalar readers that fail with the node's place.
std::string Text(const std::string& file, const YAML::Node& n, const std::string& what);
double Number(const std::string& file, const YAML::Node& n, const std::string& what);
long long Integer(const std::string& file, const YAML::Node& n, const std::string& what);
bool Bool(const std::string& file, const YAML::Node& n, const std::string& what);
// A scalar as a host value: a YAML number becomes a number, true/false a Boolean, anything
// else (quoted or not) text; null becomes empty.
Value ToValue(const YAML::Node& n);

// The keys of a map node that are not in the allowed list fail with their place.
void CheckKeys(const std::string& file, const YAML::Node& map,
               const std::vector<std::string>& allowed, const std::string& what);

}  // namespace qor::host::form::yaml

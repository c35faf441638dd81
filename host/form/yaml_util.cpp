#include "host/form/yaml_util.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace qor::host::form::yaml {

std::string Where(const std::string& file, const YAML::Node& node) {
    if (!node.IsDefined() || node.Mark().is_null()) return file;
    return file + ":" + std::to_string(node.Mark().line + 1) + ":" +
           std::to_string(node.Mark().column + 1);
}

void Fail(const std::string& file, const YAML::Node& node, const std::string& msg) {
    throw YamlError(Where(file, node) + ": " + msg);
}

YAML::Node LoadText(const std::string& text, const std::string& name) {
    try {
        return YAML::Load(text);
    } catch (const YAML::Exception& e) {
        std::string where = name;
        if (!e.mark.is_null())
            where +=
                ":" + std::to_string(e.mark.line + 1) + ":" + std::to_string(e.mark.column + 1);
        throw YamlError(where + ": " + e.msg);
    }
}

YAML::Node LoadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw YamlError(path + ": cannot be read");
    std::stringstream ss;
    ss << in.rdbuf();
    return LoadText(ss.str(), path);
}

std::string Text(const std::string& file, const YAML::Node& n, const std::string& what) {
    if (!n.IsDefined() || n.IsNull()) return "";
    if (!n.IsScalar()) Fail(file, n, what + " must be a single value");
    return n.Scalar();
}

double Number(const std::string& file, const YAML::Node& n, const std::string& what) {
    std::string s = Text(file, n, what);
    std::string t = Trim(s);
    char* end = nullptr;
    double d = std::strtod(t.c_str(), &end);
    if (t.empty() || end != t.c_str() + t.size() || !std::isfinite(d))
        Fail(file, n, what + " must be a number, not \"" + s + "\"");
    return d;
}

long long Integer(const std::string& file, const YAML::Node& n, const std::string& what) {
    double d = Number(file, n, what);
    if (d != std::floor(d) || std::fabs(d) > 9.0e15)
        Fail(file, n, what + " must be a whole number");
    return static_cast<long long>(d);
}

bool Bool(const std::string& file, const YAML::Node& n, const std::string& what) {
    std::string s = Upper(Trim(Text(file, n, what)));
    if (s == "TRUE" || s == "YES" || s == "1") return true;
    if (s == "FALSE" || s == "NO" || s == "0") return false;
    Fail(file, n, what + " must be true or false");
}

Value ToValue(const YAML::Node& n) {
    if (!n.IsDefined() || n.IsNull()) return Value();
    if (!n.IsScalar()) return Value(n.Scalar());
    const std::string& s = n.Scalar();
    if (n.Tag() == "!") return Value(s);  // quoted: always text
    std::string t = Trim(s);
    if (t == "true" || t == "True") return Value(true);
    if (t == "false" || t == "False") return Value(false);
    if (!t.empty()) {
        char* end = nullptr;
        double d = std::strtod(t.c_str(), &end);
        bool plainDigits = std::all_of(t.begin(), t.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' ||
                   c == '+' || c == 'e' || c == 'E';
        });
        if (plainDigits && end == t.c_str() + t.size() && std::isfinite(d)) {
            bool leadingZero = t.size() > 1 && t[0] == '0' && t[1] != '.';
            if (!leadingZero) {
                if (d == std::floor(d) && std::fabs(d) < 9.0e15 &&
                    t.find_first_of(".eE") == std::string::npos)
                    return Value(static_cast<long long>(d));
                return Value(d);
            }
        }
    }
    return Value(s);
}

void CheckKeys(const std::string& file, const YAML::Node& map,
               const std::vector<std::string>& allowed, const std::string& what) {
    if (!map.IsMap()) Fail(file, map, what + " must be a map");
    for (auto it = map.begin(); it != map.end(); ++it) {
        std::string key = it->first.Scalar();
        if (std::find(allowed.begin(), allowed.end(), key) == allowed.end()) {
            std::string list;
            for (const auto& a : allowed) list += (list.empty() ? "" : ", ") + a;
            Fail(file, it->first,
                 "unknown key \"" + key + "\" in " + what + " (known: " + list + ")");
        }
    }
}

}  // namespace qor::host::form::yaml

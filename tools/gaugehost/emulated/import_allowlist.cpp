#include <sstream>
#include <string>
#include <strings.h>
#include <utility>
#include <vector>

#include "tools/gaugehost/emulated/emulated_module.h"

namespace {

// The allowlist's lines: "dll function ..." (more columns are notes); '#' starts a comment line.
std::vector<std::pair<std::string, std::string>> parse_allowlist(const char* allowlist)
{
    std::vector<std::pair<std::string, std::string>> entries;
    std::istringstream text(allowlist);
    for (std::string line; std::getline(text, line);) {
        std::istringstream words(line);
        std::string dll, function;
        if (!(words >> dll >> function) || dll[0] == '#') continue;
        entries.emplace_back(dll, function);
    }
    return entries;
}

}  // namespace

bool import_allowed(const char* allowlist, const std::string& dll, const std::string& function)
{
    const auto entries = parse_allowlist(allowlist);
    for (const auto& [allowed_dll, allowed_function] : entries)
        if (strcasecmp(allowed_dll.c_str(), dll.c_str()) == 0 && allowed_function == function) return true;
    return false;
}

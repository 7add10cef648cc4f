#include <sstream>
#include <string>
#include <strings.h>
#include <utility>
#include <vector>

#include "tools/gaugehost/emulated/emulated_module.h"

const char* import_allowlist_text();

namespace {

// The allowlist's lines: "dll function ..." (more columns are notes); '#' starts a comment line.
std::vector<std::pair<std::string, std::string>> parse_allowlist()
{
    std::vector<std::pair<std::string, std::string>> entries;
    std::istringstream text(import_allowlist_text());
    for (std::string line; std::getline(text, line);) {
        std::istringstream words(line);
        std::string dll, function;
        if (!(words >> dll >> function) || dll[0] == '#') continue;
        entries.emplace_back(dll, function);
    }
    return entries;
}

}  // namespace

bool import_allowed(const std::string& dll, const std::string& function)
{
    static const auto entries = parse_allowlist();
    for (const auto& [allowed_dll, allowed_function] : entries)
        if (strcasecmp(allowed_dll.c_str(), dll.c_str()) == 0 && allowed_function == function) return true;
    return false;
}

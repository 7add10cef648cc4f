#include "tools/flightsim/loops/config_file_writer.h"

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "platform/platform.h"

namespace {

constexpr const char* defaults_claim = "Every value below is the built-in default";
constexpr const char* tuned_values_lines[] = {
    "; The gains below are tuned, not the built-in defaults (each key's comment gives its default);",
    "; every other value is as the file had it. A missing key takes its default."};

}  // namespace

bool write_tuned_configuration(const std::string& path, const std::string& original, const gain_values& gains,
                               const std::vector<std::string>& comment)
{
    const bool crlf = original.find("\r\n") != std::string::npos || original.empty();
    const std::string end = crlf ? "\r\n" : "\n";
    // The earlier tune's comment lines at the top go; everything else stays byte for byte.
    size_t start = 0;
    const auto starts_with = [&](const char* prefix) {
        return original.compare(start, std::char_traits<char>::length(prefix), prefix) == 0;
    };
    while (starts_with(tuned_comment_prefix) || starts_with(earlier_tuned_comment_prefix)) {
        const size_t line_end = original.find('\n', start);
        start = line_end == std::string::npos ? original.size() : line_end + 1;
    }
    std::string text;
    for (const std::string& line : comment) text += tuned_comment_prefix + line + end;
    text += original.substr(start);
    // The sample's claim that its values are the defaults is no longer true.
    if (const size_t claim = text.find(defaults_claim); claim != std::string::npos) {
        const size_t line_start = text.rfind('\n', claim) + 1, line_end = text.find('\n', claim);
        const size_t stop = line_end == std::string::npos ? text.size() : line_end - (text[line_end - 1] == '\r' ? 1 : 0);
        text.replace(line_start, stop - line_start, std::string(tuned_values_lines[0]) + end + tuned_values_lines[1]);
    }

    // Written whole beside the file, then put in its place: an interrupted write leaves the old file.
    const std::string temporary = path + ".tmp-" + std::to_string(getpid());
    bool written = false;
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << text;
        written = static_cast<bool>(file);
    }
    for (int i = 0; written && i < gain_count; ++i)
        written = platform_write_profile_string("a_pilot", gain_keys[i].key, gain_text(gains[i]).c_str(), temporary.c_str());
    std::error_code error;
    if (written) std::filesystem::rename(temporary, path, error);
    if (!written || error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

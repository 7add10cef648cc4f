#include "tools/flightsim/config_file_writer.h"

#include <fstream>

#include "platform/platform.h"

bool write_tuned_configuration(const std::string& path, const std::string& original, const gain_values& gains,
                               const std::vector<std::string>& comment)
{
    const bool crlf = original.find("\r\n") != std::string::npos || original.empty();
    const std::string end = crlf ? "\r\n" : "\n";
    // The earlier tune's comment lines at the top go; everything else stays byte for byte.
    size_t start = 0;
    while (original.compare(start, std::char_traits<char>::length(tuned_comment_prefix), tuned_comment_prefix) == 0) {
        const size_t line_end = original.find('\n', start);
        start = line_end == std::string::npos ? original.size() : line_end + 1;
    }
    std::string text;
    for (const std::string& line : comment) text += tuned_comment_prefix + line + end;
    text += original.substr(start);
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << text;
        if (!file) return false;
    }
    for (int i = 0; i < gain_count; ++i)
        if (!platform_write_profile_string("a_pilot", gain_keys[i].key, gain_text(gains[i]).c_str(), path.c_str()))
            return false;
    return true;
}

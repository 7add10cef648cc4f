#include "tools/pe/startup_code.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

namespace {

std::string hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", value);
    return text;
}

uint32_t word_at(const std::vector<uint8_t>& code, uint32_t offset)
{
    uint32_t value;
    std::memcpy(&value, &code[offset], 4);
    return value;
}

bool startup_section(const std::string& name)
{
    for (const char* kept : {".ctors", ".dtors", ".init_array", ".fini_array", ".tls"})
        if (name == kept || name.rfind(std::string(kept) + ".", 0) == 0) return true;
    return name.rfind(".CRT", 0) == 0;
}

}  // namespace

std::vector<std::string> startup_code(const pe_file& file)
{
    std::vector<std::string> found;
    for (const pe_section& s : file.sections)
        if (startup_section(s.name)) found.push_back("section " + s.name + " at " + hex(file.image_base + s.rva));
    if (file.tls_rva != 0) found.push_back("a TLS directory at " + hex(file.image_base + file.tls_rva) + " (TLS callbacks)");

    // In code: a relocated word (an address) right after a -1 opening a list, or after another
    // such entry, is a constructor or destructor the list would have run.
    const std::set<uint32_t> relocated(file.relocations.begin(), file.relocations.end());
    for (const pe_section& s : file.sections) {
        if (!s.executes) continue;
        const std::vector<uint8_t> code = file.image.bytes(s.rva, std::min(s.raw_size, s.virtual_size));
        const uint32_t end = static_cast<uint32_t>(code.size());
        for (uint32_t at = (4 - s.rva % 4) % 4; at + 8 <= end; at += 4) {
            if (word_at(code, at) != 0xFFFFFFFFu) continue;
            for (uint32_t entry = at + 4; entry + 4 <= end && relocated.count(s.rva + entry); entry += 4)
                found.push_back("a static constructor or destructor at " + hex(word_at(code, entry)) + ", listed at " +
                                hex(file.image_base + s.rva + entry));
        }
    }
    return found;
}

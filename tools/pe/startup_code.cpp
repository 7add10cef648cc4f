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

uint32_t word_at(const pe_file& file, uint32_t rva)
{
    uint32_t value = 0;
    if (uint64_t{rva} + 4 <= file.image.size()) std::memcpy(&value, &file.image[rva], 4);
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
        const uint32_t end = s.rva + std::min(s.raw_size, s.virtual_size);
        for (uint32_t rva = (s.rva + 3) & ~3u; rva + 8 <= end; rva += 4) {
            if (word_at(file, rva) != 0xFFFFFFFFu) continue;
            for (uint32_t entry = rva + 4; entry + 4 <= end && relocated.count(entry); entry += 4)
                found.push_back("a static constructor or destructor at " + hex(word_at(file, entry)) + ", listed at " +
                                hex(file.image_base + entry));
        }
    }
    return found;
}

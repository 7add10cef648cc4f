#include "tools/pe/code_entries.h"

#include "tools/pe/pe_image.h"

namespace {

bool in_code(const pe_file& file, uint32_t rva)
{
    for (const pe_section& section : file.sections)
        if (section.executes && rva >= section.rva && rva - section.rva < section.virtual_size) return true;
    return false;
}

}  // namespace

std::vector<uint32_t> code_entries(const pe_file& file)
{
    std::vector<uint32_t> entries;
    if (file.entry_rva != 0) entries.push_back(file.entry_rva);
    for (uint32_t at : file.relocations) {
        if (uint64_t{at} + 4 > file.image.size()) continue;
        const std::vector<uint8_t> word = file.image.bytes(at, 4);
        const uint32_t address = word[0] | word[1] << 8 | word[2] << 16 | static_cast<uint32_t>(word[3]) << 24;
        const uint32_t rva = address - file.image_base;
        if (in_code(file, rva)) entries.push_back(rva);
    }
    return entries;
}

// The PE reader on damaged module files (the seeds: the real module file without its bitmaps, and
// a small file with a static constructor): each input is refused with the reader's error naming
// what is wrong, or read whole: relocated at another base, its start-up code looked for as the
// module-file tests look for it, the code of its code sections inside the image it maps. Nothing crashes or hangs.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "tools/pe/pe_file.h"
#include "tools/pe/startup_code.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size);
    try {
        const pe_file pe = parse_pe_file(bytes);
        relocated_image(pe, 0x20000000);
        startup_code(pe);
        for (const pe_section& section : pe.sections) {
            if (!section.executes) continue;
            const uint32_t length = std::min(section.raw_size, section.virtual_size);
            if (length != 0 && uint64_t{section.rva} + length > pe.image.size()) __builtin_trap();  // the reader promised it maps
            pe.image.bytes(section.rva, length);
        }
        pe_export(pe, "Linkage");
    } catch (const module_error&) {
    }
    return 0;
}

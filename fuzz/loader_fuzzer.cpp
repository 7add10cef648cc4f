// The PE reader and the emulated host's loader on damaged module files (seeded with the real
// module file without its bitmaps): each input is refused with the reader's or the loader's error,
// or is loaded whole: relocated, its imports bound to the host's functions or to errors, mapped
// page by page with its sections' protections, and its records (Linkage, the import table, every
// gauge header and element list) read from the mapped image. No code of it runs here (the
// emulated_run target runs it). Nothing crashes or hangs.
#include <cstdint>
#include <vector>

#include "tools/gaugehost/emulated/emulated_module.h"
#include "tools/gaugehost/emulated/x86_machine.h"
#include "tools/pe/pe_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size);
    emulated_options options;
    options.load_only = true;
    try {
        emulated_module module("fuzz.gau", bytes, options);
        GaugeHost host(module.records());
    } catch (const module_error&) {
    } catch (const module_fault&) {
    }
    return 0;
}

// The module's first calls on damaged module files (the loader target's seeds): each input is
// refused with the reader's or the loader's error, or loads and runs (entry point, open, two
// frames, every gauge shown) within a small budget of blocks a call, or stops at a fault of its
// code with the emulator's error. Nothing crashes, hangs or ends any other way. Slow by nature:
// each input starts an emulator of its own and translates the code it runs anew.
#include <cstdint>
#include <vector>

#include "tools/gaugehost/emulated/emulated_module.h"
#include "tools/gaugehost/emulated/x86_machine.h"
#include "tools/pe/pe_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size);
    emulated_options options;
    options.budget = 50000;  // blocks (runs of instructions that end at a jump, a call or a return)
    try {
        emulated_module module("fuzz.gau", bytes, options);
        GaugeHost host(module.records());
        host.open();
        host.frame(2);
        for (GAUGEHDR* gauge : host.gauges()) host.show(gauge);
    } catch (const module_error&) {
    } catch (const module_fault&) {
    }
    return 0;
}

// The update cycle through the real module file in the emulated host: the instructions of one
// cycle (A_Pilot's pre-update, the host's lookups answered outside the emulator) and its time.
//
//     emulated_cycle MODULE.gau [24|53]
//
// Engaged in level flight with every hold, as the linked module's benchmarks fly; 20000 cycles
// timed, then 2000 counted with a hook on every instruction.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>

#include "bench/flight_setup.h"
#include "tools/gaugehost/emulated/emulated_module.h"
#include "tools/gaugehost/emulated/x86_machine.h"

namespace {

struct run {
    double seconds_per_cycle = 0.0;
    double instructions_per_cycle = 0.0;
};

run fly(const std::string& path, uint16_t host_word, int cycles, bool counting)
{
    emulated_options options;
    options.host_control_word = host_word;
    options.count_instructions = counting;
    emulated_module module(path, options);
    GaugeHost host(module.records());
    level_flight_values(host);
    host.open();
    host.frame(2);
    for (auto [gauge, x, y] : {std::tuple{"AP_Panel_1", 150, 50}, {"AP_Panel_1", 40, 50}, {"AP_Panel_1", 260, 50},
                               {"V_Contrl_key", 8, 17}})
        host.click(host.find_gauge(gauge), x, y);
    GAUGEHDR* const a_pilot = host.find_gauge("A_Pilot");
    for (int frame = 1; frame <= 100; ++frame) {
        next_sample(host, frame);
        host.service(a_pilot, PANEL_SERVICE_PRE_UPDATE);
    }
    host.clear_events();
    const uint64_t before = module.machine().instructions_counted();
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 101; frame <= 100 + cycles; ++frame) {
        next_sample(host, frame);
        host.service(a_pilot, PANEL_SERVICE_PRE_UPDATE);
        if (host.events().size() > 60000) host.clear_events();
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return {took.count() / cycles, static_cast<double>(module.machine().instructions_counted() - before) / cycles};
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: emulated_cycle MODULE.gau [24|53]\n");
        return 2;
    }
    const bool d3d = argc > 2 && std::string(argv[2]) == "24";
    const uint16_t word = d3d ? x86_machine::direct3d_control_word : x86_machine::windows_control_word;
    try {
        const run timed = fly(argv[1], word, 20000, false);
        const run counted = fly(argv[1], word, 2000, true);
        std::printf("%s, host at %s-bit precision: %.0f instructions per update cycle, %.2f us per cycle\n", argv[1],
                    d3d ? "24" : "53", counted.instructions_per_cycle, timed.seconds_per_cycle * 1e6);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "emulated_cycle: %s\n", error.what());
        return 1;
    }
    return 0;
}

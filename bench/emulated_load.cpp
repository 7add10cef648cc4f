// What one input of the emulated_run fuzz target costs, step by step, through the real module
// file: loading it into a new emulated machine (its entry point run), the open, two frames, every
// gauge shown, and closing the machine.
//
//     emulated_load MODULE.gau [TIMES]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/gaugehost/emulated/emulated_module.h"
#include "tools/gaugehost/emulated/x86_machine.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: emulated_load MODULE.gau [TIMES]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int times = argc > 2 ? std::atoi(argv[2]) : 200;
    using clock = std::chrono::steady_clock;
    double load = 0, open = 0, frames = 0, show = 0, close = 0;
    auto since = [](clock::time_point& t) {
        const auto now = clock::now();
        const double seconds = std::chrono::duration<double>(now - t).count();
        t = now;
        return seconds;
    };
    for (int i = 0; i < times; ++i) {
        auto t = clock::now();
        {
            emulated_options options;
            options.budget = 200000;
            emulated_module module("fuzz.gau", bytes, options);
            load += since(t);
            GaugeHost host(module.records());
            host.open();
            open += since(t);
            host.frame(2);
            frames += since(t);
            for (GAUGEHDR* gauge : host.gauges()) host.show(gauge);
            show += since(t);
        }
        close += since(t);
    }
    std::printf("per input, ms: load %.3f, open %.3f, two frames %.3f, every gauge shown %.3f, closing %.3f\n",
                1e3 * load / times, 1e3 * open / times, 1e3 * frames / times, 1e3 * show / times, 1e3 * close / times);
    return 0;
}

// The recorder's cost per frame, through its real module file in the emulated host: the
// instructions of each frame (the Recorder gauge's pre-update, update and draw; the host's lookups
// and the file functions answered outside the emulator), the mean and the worst over a whole
// flight-test card, and the frame that writes a block.
//
//     recorder_frame RECORDER.gau [FOLDER]
//
// The recording goes to FOLDER/gauges (default: a folder under /tmp), and is left there.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/flight_setup.h"
#include "recorder/flight_card.h"
#include "tools/gaugehost/emulated/emulated_module.h"
#include "tools/gaugehost/emulated/x86_machine.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: recorder_frame RECORDER.gau [FOLDER]\n");
        return 2;
    }
    const std::string folder = argc > 2 ? argv[2] : "/tmp/recorder_frame";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder + "/gauges");
    virtual_devices.executable_path = folder + "/fs9.exe";
    try {
        emulated_options options;
        options.count_instructions = true;
        options.import_allowlist = recorder_import_allowlist();
        emulated_module module(argv[1], options);
        GaugeHost host(module.records());
        level_flight_values(host);
        host.open();
        host.frame(2);
        host.click(host.find_gauge("Recorder"), 20, 100);
        const auto frames = static_cast<int>(card_seconds() * 18.0) + 18;
        uint64_t worst = 0, total = 0;
        int worst_frame = 0;
        for (int frame = 1; frame <= frames; ++frame) {
            next_sample(host, frame);
            const uint64_t before = module.machine().instructions_counted();
            host.frame();
            const uint64_t spent = module.machine().instructions_counted() - before;
            total += spent;
            if (spent > worst) worst = spent, worst_frame = frame;
        }
        host.close();
        const double mean = static_cast<double>(total) / frames;
        // A Pentium III at 800 MHz, taken as one instruction a clock (the P6 core retires up to three
        // simple ones, an x87 division takes 30 or more): microseconds = instructions / 800.
        std::printf("recorder: %d frames (the whole card at 18 frames a second), %.0f instructions a frame on average, "
                    "the worst %llu (frame %d); on an 800 MHz Pentium III about %.1f us and %.1f us\n",
                    frames, mean, static_cast<unsigned long long>(worst), worst_frame, mean / 800.0,
                    static_cast<double>(worst) / 800.0);
        std::printf("recording: %s/gauges/BRASK_REC_001.csv, %ju bytes\n", folder.c_str(),
                    static_cast<uintmax_t>(std::filesystem::file_size(folder + "/gauges/BRASK_REC_001.csv")));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "recorder_frame: %s\n", error.what());
        return 1;
    }
    return 0;
}

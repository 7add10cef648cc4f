// The recording reader and its checks on arbitrary text: a file is read, every column as long as
// the frames, and found to hang together, or refused naming a line the file has (or none); one
// that hangs together has each sweep of the card that it holds measured as identification
// measures it, and its control's stops counted. Nothing crashes.
#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "recorder/flight_card.h"
#include "tools/flightsim/identify/recording.h"
#include "tools/flightsim/identify/sweep_measurement.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream in(text);
    recording r;
    try {
        r = read_recording(in);
        for (const auto& column : r.columns)
            if (column.second.size() != r.frames()) __builtin_trap();
        check_recording(r);
    } catch (const recording_error& error) {
        const auto lines = std::count(text.begin(), text.end(), '\n') + (!text.empty() && text.back() != '\n' ? 1 : 0);
        if (error.line < 0 || error.line > lines) __builtin_trap();
        return 0;
    }
    if (!r.has("step")) return 0;
    const std::vector<double>& t = r["time_s"];
    const double dt = (t.back() - t.front()) / static_cast<double>(r.frames() - 1);
    for (int step = 1; step <= flight_card_steps; ++step) {
        const card_step& card = flight_card[step - 1];
        if (card.signal != card_signal::sweep) continue;
        std::vector<size_t> frames;
        for (size_t i = 0; i < r.frames(); ++i)
            if (whole_number(r["step"][i]) == step) frames.push_back(i);
        const response_pair pair = pair_of(card.axis);
        share_at_a_stop(r, pair.input, frames);
        measure_sweep(r, frames, pair, dt, card);
    }
    return 0;
}

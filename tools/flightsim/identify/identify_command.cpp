#include "tools/flightsim/identify/identify_command.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

#include "recorder/flight_card.h"
#include "tools/flightsim/identify/frequency_sweep.h"
#include "tools/flightsim/identify/recording.h"

namespace {
constexpr double coherence_counted = 0.6;   // where a response is good enough to fit
constexpr double least_octaves = 1.0;       // of coherent band, for a sweep to count
constexpr int points_per_sweep = 40;

// What a card axis moves (its input) and what answers first (its output), and in what units.
struct response_pair {
    const char* name;
    const char* input;
    const char* output;  // a column, or an attitude column whose rate is taken
    bool rate_of_output;
};

response_pair pair_of(card_axis axis)
{
    switch (axis) {
    case card_axis::roll: return {"aileron to roll rate, deg/s per axis unit", "aileron", "bank_deg", true};
    case card_axis::pitch: return {"elevator to pitch rate, deg/s per axis unit", "elevator", "pitch_deg", true};
    case card_axis::pedals: return {"rudder to turn rate, deg/s per axis unit", "rudder", "turn_rate_dps", false};
    default: return {"collective to vertical speed, m/s per axis unit", "collective", "vertical_speed_ms", false};
    }
}

// The frames of one take of a step, from its input's start to the step's end.
std::vector<double> segment(const recording& r, const std::string& column, const std::vector<size_t>& frames, bool rate)
{
    const std::vector<double>& x = r[column];
    const std::vector<double>& t = r["time_s"];
    std::vector<double> out;
    for (size_t i : frames) {
        if (!rate) out.push_back(x[i]);
        else if (i > 0 && i + 1 < x.size()) out.push_back((x[i + 1] - x[i - 1]) / (t[i + 1] - t[i - 1]));
        else out.push_back(0.0);
    }
    return out;
}

void write_plot(const std::string& folder, const std::string& name, const std::vector<sweep_point>& points)
{
    std::filesystem::create_directories(folder);
    std::ofstream data(folder + "/" + name + ".dat");
    data << "# omega_rad_s magnitude_db phase_deg coherence\n";
    for (const sweep_point& p : points)
        if (p.coherence > 0.0)  // a frequency no window could measure is left out
            data << p.omega << " " << 20.0 * std::log10(std::abs(p.response) + 1e-300) << " "
             << std::arg(p.response) * 57.29577951308232 << " " << p.coherence << "\n";
    std::ofstream script(folder + "/" + name + ".gp");
    script << "set terminal pngcairo size 800,900\nset output '" << name << ".png'\nset multiplot layout 3,1\n"
           << "set logscale x\nset grid\nset xlabel 'rad/s'\n"
           << "set ylabel 'dB'\nplot '" << name << ".dat' using 1:2 with linespoints title 'measured'\n"
           << "set ylabel 'degrees'\nplot '" << name << ".dat' using 1:3 with linespoints title 'measured'\n"
           << "set ylabel 'coherence'\nset yrange [0:1]\nplot '" << name << ".dat' using 1:4 with linespoints title 'gamma^2', "
           << coherence_counted << " title 'counted from'\nunset multiplot\n";
}

int identify(const command_args& args)
{
    const std::string path = args.words()[0];
    recording r;
    try {
        r = read_recording(path);
        check_recording(r);
        if (!r.has("step")) throw recording_error(0, "no step column: a recording of the recorder's flight-test card is needed");
    } catch (const recording_error& error) {
        std::cerr << "flightsim identify: " << path << (error.line > 0 ? ":" + std::to_string(error.line) : "") << ": "
                  << error.what() << "\n";
        return 2;
    }
    const std::vector<double>& t = r["time_s"];
    const double dt = (t.back() - t.front()) / static_cast<double>(r.frames() - 1);
    // Each step's last take, from its input's start.
    std::map<int, std::vector<size_t>> takes;
    std::map<int, int> last_take;
    for (size_t i = 0; i < r.frames(); ++i) {
        const int step = static_cast<int>(r["step"][i]);
        const int take = r.has("take") ? static_cast<int>(r["take"][i]) : 1;
        if (step < 1 || step > flight_card_steps) continue;
        if (take != last_take[step]) takes[step].clear(), last_take[step] = take;
        takes[step].push_back(i);
    }
    std::printf("%s: %zu frames, %.1f s, %.1f frames a second\n\n", path.c_str(), r.frames(), t.back() - t.front(), 1.0 / dt);
    std::printf("%-4s %-26s %-45s %s\n", "step", "", "response", "coherent band (gamma^2 >= 0.6)");
    std::string fly_again;
    for (const auto& [step, frames_of_take] : takes) {
        const card_step& card = flight_card[step - 1];
        if (card.signal != card_signal::sweep) continue;
        std::vector<size_t> frames;
        for (size_t i : frames_of_take)
            if (t[i] - t[frames_of_take.front()] >= card.lead_in_s) frames.push_back(i);
        const response_pair pair = pair_of(card.axis);
        const std::vector<sweep_point> points =
            sweep_response(segment(r, pair.input, frames, false), segment(r, pair.output, frames, pair.rate_of_output), dt,
                           card.low_rad_s, card.high_rad_s, points_per_sweep);
        double low = 0.0, high = 0.0;
        const double octaves = coherent_octaves(points, coherence_counted, low, high);
        std::printf("%-4d %-26s %-45s ", step, card.title, pair.name);
        if (octaves > 0.0) std::printf("%.1f octaves, %.2f to %.2f rad/s\n", octaves, low, high);
        else std::printf("none\n");
        if (octaves < least_octaves) fly_again += (fly_again.empty() ? "" : ", ") + std::to_string(step);
        if (args.has("--plots")) write_plot(args.text("--plots"), "step_" + std::to_string(step), points);
    }
    if (!fly_again.empty()) {
        std::printf("\nless than an octave of coherent response: fly step%s %s again\n",
                    fly_again.find(',') == std::string::npos ? "" : "s", fly_again.c_str());
        return 3;
    }
    return 0;
}
}  // namespace

tool_command identify_command()
{
    tool_command c;
    c.name = "identify";
    c.summary = "a flight-test recording checked, and each sweep's frequency response measured";
    c.words = "RECORDING.csv";
    c.least_words = c.most_words = 1;
    c.description =
        "Reads a recording of the recorder's flight-test card (BRASK_REC_NNN.csv), checks that its frames\n"
        "hang together (a steady frame rate; heights that the vertical speed explains, a heading that the\n"
        "turn rate explains), and measures each sweep's frequency response from its control to the\n"
        "aircraft's first answer (roll and pitch rate, turn rate, vertical speed), with its coherence:\n"
        "spectra over overlapping windows of several lengths, the most coherent at each frequency.\n"
        "Prints each sweep's coherent band.\n";
    c.options = {{"--plots", "DIR", "each sweep's measured response as DIR/step_N.dat and a gnuplot script\nDIR/step_N.gp"}};
    c.exit_status = "Exit status: 0 when every sweep has at least an octave of coherent response; 2 for a file\n"
                    "that is not a recording or whose frames do not hang together (its line named); 3 when a\n"
                    "sweep has less (the steps to fly again named).\n";
    c.run = identify;
    return c;
}

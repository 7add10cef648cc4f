#include "tools/flightsim/loops/margins.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <numbers>
#include <sstream>

#include "tools/flightsim/aircraft/aircraft_file.h"
#include "tools/flightsim/loops/flight_options.h"
#include "tools/flightsim/loops/flyable.h"
#include "tools/flightsim/loops/parallel_flights.h"
#include "tools/flightsim/model/sim_math.h"
#include "tools/flightsim/session/flight_plot.h"

namespace {

// The injected signal's RMS: axis units for the four axes, degrees of pitch reference for the
// speed hold. Small beside the axes' travel, large beside the commands' whole-unit steps.
double injection_rms(broken_loop loop)
{
    switch (loop) {
    case broken_loop::collective: return 300.0;
    case broken_loop::speed: return 0.5;
    default: return 600.0;
    }
}

// A measurement that leaves a loop's output at a limit for more than this share of its frames is
// flown again with that loop's stabilising factor halved, up to a number of times.
constexpr double limited_share = 0.01;
constexpr int measurement_attempts = 6;

constexpr int speed_kd = 13;  // the gain that makes the speed hold's rate term a relay
constexpr double relay_sizes[] = {0.5, 2.0};  // injection factors beside the usual one

limit_cycle limit_cycle_of(const std::vector<double>& output, double frame_seconds)
{
    limit_cycle cycle;
    if (output.size() < 2) return cycle;
    double mean = 0.0;
    for (double v : output) mean += v;
    mean /= static_cast<double>(output.size());
    double square = 0.0;
    int crossings = 0;
    for (size_t i = 0; i < output.size(); ++i) {
        square += (output[i] - mean) * (output[i] - mean);
        if (i > 0 && (output[i - 1] - mean) * (output[i] - mean) < 0.0) ++crossings;
    }
    cycle.rms = std::sqrt(square / static_cast<double>(output.size()));
    // Two crossings a cycle.
    cycle.frequency = std::numbers::pi * crossings / (frame_seconds * static_cast<double>(output.size()));
    return cycle;
}

std::string record_text(const loop_record& record, const loop_test& test)
{
    std::ostringstream text;
    text.precision(17);
    for (int i = 0; i < broken_loop_count; ++i)
        text << "k " << i << " " << test.stabilising[i] << " limited " << record.limited_frames[i] << " of "
             << record.command.size() << "\n";
    for (const response_point& p : broken_loop_response(record.command, record.applied, test.signal, record.frame_seconds,
                                                                    test.periods - 1))
        text << "p " << p.omega << " " << p.value.real() << " " << p.value.imag() << "\n";
    return text.str();
}

std::string margin_or_none(double value, int precision, const char* unit)
{
    if (std::isinf(value)) return value > 0 ? "none" : "-inf";
    if (std::isnan(value)) return "-";
    char text[40];
    std::snprintf(text, sizeof text, "%.*f%s", precision, value, unit);
    return text;
}

// The crossover; "< W" when the gain stays below 1 down to the lowest frequency measured, W.
std::string crossover_text(const loop_measurement& m)
{
    if (std::isnan(m.margins.crossover) && !m.response.empty() && sim::magnitude(m.response.front().value) < 1.0)
        return "< " + margin_or_none(m.response.front().omega, 2, "");
    return margin_or_none(m.margins.crossover, 2, "");
}

// One flight measuring a loop's response (flown again with a loop's output scaled down while it
// sits at its limits), the injection at factor times its usual size; the result as text.
std::string measure_loop(const aircraft_parameters& aircraft, const gain_values& gains, const margin_settings& settings,
                         const loop_case& which, double injection_factor)
{
    loop_test test;
    test.aircraft = aircraft;
    test.gains = gains;
    test.condition = which.condition;
    test.loop = which.loop;
    test.signal = design_multisine(settings.period_frames, settings.harmonics, injection_factor * injection_rms(which.loop));
    test.periods = 1 + settings.measured_periods;
    std::string text;
    for (int attempt = 0; attempt < measurement_attempts; ++attempt) {
        const std::vector<flight_result> flown = run_flights({[&test]() { return record_text(fly_loop_test(test), test); }}, 1);
        if (!flown[0].ok) throw std::runtime_error(flown[0].text);
        text = flown[0].text;
        bool again = false;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            int loop = 0, limited = 0;
            long frames = 1;
            if (std::sscanf(line.c_str(), "k %d %*f limited %d of %ld", &loop, &limited, &frames) != 3) continue;
            if (limited > limited_share * static_cast<double>(frames)) {
                test.stabilising[loop] *= 0.5;
                again = true;
            }
        }
        if (!again) break;
    }
    return text;
}

}  // namespace

std::vector<loop_case> measured_loops(const aircraft_parameters& aircraft)
{
    std::vector<loop_case> cases;
    for (flight_condition c : {flight_condition::hover, flight_condition::cruise}) {
        if (c == flight_condition::cruise && hover_only(aircraft)) continue;
        for (broken_loop l : {broken_loop::roll, broken_loop::pitch, broken_loop::pedals, broken_loop::collective,
                              broken_loop::speed})
            if (!(c == flight_condition::hover && l == broken_loop::speed)) cases.push_back({c, l});
    }
    return cases;
}

bool relay_loop(const loop_case& which, const gain_values& gains)
{
    return which.condition == flight_condition::cruise && (which.loop == broken_loop::speed || which.loop == broken_loop::pitch) &&
           gains[speed_kd] != 0.0;
}

std::vector<std::function<std::string()>> margin_tasks(const aircraft_parameters& aircraft, const gain_values& gains,
                                                       const margin_settings& settings)
{
    std::vector<std::function<std::string()>> tasks;
    for (const loop_case& which : measured_loops(aircraft)) {
        tasks.push_back([aircraft, gains, settings, which]() -> std::string {
            const std::string measured = measure_loop(aircraft, gains, settings, which, 1.0);
            if (!relay_loop(which, gains)) return measured;
            // A relay loop: its output at rest (one period without injection, after one to settle),
            // then the margins with the injection halved and doubled.
            std::ostringstream text;
            text.precision(17);
            text << measured;
            loop_test rest;
            rest.aircraft = aircraft;
            rest.gains = gains;
            rest.condition = which.condition;
            rest.loop = which.loop;
            rest.signal = design_multisine(settings.period_frames, settings.harmonics, 0.0);
            rest.periods = 2;
            const std::vector<flight_result> flown = run_flights({[&rest]() {
                const loop_record record = fly_loop_test(rest);
                const std::vector<double> last(record.command.end() - rest.signal.period_frames, record.command.end());
                const limit_cycle cycle = limit_cycle_of(last, record.frame_seconds);
                std::ostringstream line;
                line.precision(17);
                line << "rest " << cycle.rms << " " << cycle.frequency << "\n";
                return line.str();
            }}, 1);
            if (!flown[0].ok) throw std::runtime_error(flown[0].text);
            text << flown[0].text;
            if (settings.relay_sizes) {
                for (double size : relay_sizes) {
                    const loop_measurement m = read_margin_result(which, true, measure_loop(aircraft, gains, settings, which, size));
                    text << "size " << size << " " << m.margins.gain_margin_db << " " << m.margins.phase_margin_deg << "\n";
                }
            }
            return text.str();
        });
    }
    return tasks;
}


loop_measurement read_margin_result(const loop_case& which, bool ok, const std::string& text)
{
    loop_measurement m;
    m.condition = which.condition;
    m.loop = which.loop;
    m.ok = ok;
    if (!ok) {
        m.failure = text;
        m.margins = {-std::numeric_limits<double>::infinity(), std::nan(""), -std::numeric_limits<double>::infinity(),
                     std::nan("")};
        return m;
    }
    for_each_tagged_line(text, [&m](const std::string& tag, std::istream& words) {
        if (tag == "k") {
            int loop = 0;
            double k = 1.0;
            words >> loop >> k;
            if (loop >= 0 && loop < broken_loop_count) m.stabilising[loop] = k;
        } else if (tag == "p") {
            double omega = 0.0, re = 0.0, im = 0.0;
            words >> omega >> re >> im;
            m.response.push_back({omega, {re, im}});
        } else if (tag == "rest") {
            m.relay = true;
            words >> m.at_rest.rms >> m.at_rest.frequency;
        } else if (tag == "size") {
            double size = 0.0;
            loop_margins at{};
            words >> size >> at.gain_margin_db >> at.phase_margin_deg;
            m.by_size.push_back({size, at});
        }
    });
    m.margins = margins_of(m.response);
    m.rejection_bandwidth = disturbance_rejection_bandwidth(m.response);
    if (m.relay) {
        m.by_size.push_back({1.0, m.margins});
        std::sort(m.by_size.begin(), m.by_size.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    return m;
}

std::string gain_margin_text(const loop_measurement& m)
{
    return m.relay ? "relay" : margin_or_none(m.margins.gain_margin_db, 1, " dB");
}

std::string rejection_text(const loop_measurement& m)
{
    if (std::isnan(m.rejection_bandwidth)) return "none";
    if (std::isinf(m.rejection_bandwidth)) return "above";
    return margin_or_none(m.rejection_bandwidth, 2, "");
}

// The relay loop's line under the table: its limit cycle and how its margin moves with the
// injection's size.
std::string relay_text(const loop_measurement& m)
{
    const char* unit = m.loop == broken_loop::speed ? " degrees of pitch reference" : " axis units";
    char text[400];
    std::snprintf(text, sizeof text, "      relay (speed_kd): at rest it limit-cycles %.3g%s RMS at %.2f rad/s", m.at_rest.rms,
                  unit, m.at_rest.frequency);
    std::string line = text;
    if (m.by_size.size() > 1) {
        line += "; gain margin with the injection";
        for (const auto& [size, at] : m.by_size) {
            std::snprintf(text, sizeof text, " x%g %s", size, margin_or_none(at.gain_margin_db, 1, " dB").c_str());
            line += text;
        }
        line += ": it moves with the signal's size and marks no edge; judge the loop by its limit cycle";
    }
    return line + "\n";
}

void print_margins(std::ostream& out, const std::vector<loop_measurement>& measurements)
{
    char line[200];
    std::snprintf(line, sizeof line, "  %-16s %-11s %12s %10s %13s %10s %10s\n", "condition", "loop", "gain margin", "at rad/s",
                  "phase margin", "crossover", "rejects to");
    out << line;
    for (const loop_measurement& m : measurements) {
        if (!m.ok) {
            std::snprintf(line, sizeof line, "  %-16s %-11s not measured: %s\n", flight_condition_name(m.condition),
                          broken_loop_name(m.loop), m.failure.c_str());
            out << line;
            continue;
        }
        std::snprintf(line, sizeof line, "  %-16s %-11s %12s %10s %13s %10s %10s\n", flight_condition_name(m.condition),
                      broken_loop_name(m.loop), gain_margin_text(m).c_str(),
                      margin_or_none(m.margins.phase_crossover, 2, "").c_str(),
                      margin_or_none(m.margins.phase_margin_deg, 1, " deg").c_str(), crossover_text(m).c_str(),
                      rejection_text(m).c_str());
        out << line;
        if (m.relay) out << relay_text(m);
        std::string scaled;
        for (int i = 0; i < broken_loop_count; ++i) {
            if (m.stabilising[i] >= 1.0) continue;
            char part[80];
            std::snprintf(part, sizeof part, "%s%s x %g", scaled.empty() ? "" : ", ",
                          broken_loop_name(static_cast<broken_loop>(i)), m.stabilising[i]);
            scaled += part;
        }
        if (!scaled.empty()) out << "      (limit-cycling at rest: measured with outputs scaled, " << scaled << ")\n";
    }
}

std::vector<std::string> plot_bode(const std::string& folder, const std::string& name,
                                   const std::vector<loop_measurement>& measurements)
{
    namespace fs = std::filesystem;
    std::vector<std::string> pictures;
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    for (flight_condition condition : {flight_condition::hover, flight_condition::cruise}) {
        const std::string stem = name + (condition == flight_condition::hover ? "_hover" : "_cruise");
        std::ofstream data(fs::path(folder) / (stem + ".dat"));
        std::ostringstream plots_gain, plots_phase;
        int block = 0;
        for (const loop_measurement& m : measurements) {
            if (m.condition != condition || !m.ok || m.response.empty()) continue;
            data << "# " << broken_loop_name(m.loop) << "\n";
            double previous = 0.0, unwrapped = 0.0;
            for (size_t i = 0; i < m.response.size(); ++i) {
                const double phase = sim::arg(m.response[i].value) * sim::degrees_per_radian;
                if (i == 0) unwrapped = phase > 90.0 ? phase - 360.0 : phase;  // starting in (-270, 90]
                else unwrapped += std::remainder(phase - previous, 360.0);
                previous = phase;
                data << m.response[i].omega << " " << sim::decibels(sim::magnitude(m.response[i].value)) << " "
                     << unwrapped << "\n";
            }
            data << "\n\n";
            std::ostringstream title_text;
            title_text << broken_loop_name(m.loop) << " (GM " << margin_or_none(m.margins.gain_margin_db, 1, " dB")
                       << ", PM " << margin_or_none(m.margins.phase_margin_deg, 0, " deg") << ")";
            const std::string title = title_text.str();
            plots_gain << (block ? ", " : "") << "'" << stem << ".dat' index " << block
                       << " using 1:2 with linespoints title '" << title << "'";
            plots_phase << (block ? ", " : "") << "'" << stem << ".dat' index " << block
                        << " using 1:3 with linespoints title '" << broken_loop_name(m.loop) << "'";
            ++block;
        }
        if (block == 0) continue;
        std::ofstream gp(fs::path(folder) / (stem + ".gp"));
        gp << "set terminal pngcairo size 1100,900 font \",10\" noenhanced\n"
           << "set output '" << stem << ".png'\n"
           << "set logscale x\nset grid\nset key outside right\n"
           << "set multiplot layout 2,1 title 'Broken-loop response, " << name << ", "
           << flight_condition_name(condition) << "'\n"
           << "set ylabel 'gain, dB'\nset xlabel 'rad/s'\n"
           << "plot " << plots_gain.str() << ", 0 with lines lc 'black' dt 2 title '0 dB'\n"
           << "set ylabel 'phase, degrees'\n"
           << "plot " << plots_phase.str() << ", -180 with lines lc 'black' dt 2 title '-180 deg'\n"
           << "unset multiplot\n";
        gp.close();
        data.close();
        pictures.push_back(draw_plot(folder, stem));
    }
    return pictures;
}

namespace {

int run_margins(const command_args& args)
{
    const std::string aircraft_path = args.text("--aircraft"), config_path = args.text("--config");
    std::string plots = args.text("--plots");
    const int jobs = static_cast<int>(args.whole("--jobs", 2));
    margin_settings settings;
    if (args.has("--period")) settings.period_frames = 2 * (static_cast<int>(args.whole("--period", 0)) * 9);
    aircraft_file aircraft;
    if (!read_flyable_aircraft(aircraft_path, "margins", aircraft)) return 2;
    if (!config_path.empty() && !std::filesystem::is_regular_file(config_path)) {
        std::cerr << "flightsim margins: " << config_path << ": cannot be read\n";
        return 2;
    }
    const gain_values gains = config_path.empty() ? default_gains() : read_gains(config_path);
    if (plots.empty()) {
        const char* directory = std::getenv("GAUGEHOST_FLIGHT_DIR");
        plots = directory != nullptr && *directory != '\0' ? directory : ".";
    }

    std::cout << hover_only_note(aircraft);
    const std::vector<loop_case> cases = measured_loops(aircraft.parameters);
    const std::vector<flight_result> results = run_flights(margin_tasks(aircraft.parameters, gains, settings), jobs);
    std::vector<loop_measurement> measurements;
    for (size_t i = 0; i < cases.size(); ++i) measurements.push_back(read_margin_result(cases[i], results[i].ok, results[i].text));

    std::cout << "Stability margins, " << aircraft.name << ", gains from "
              << (config_path.empty() ? std::string("the module's defaults") : config_path) << "\n"
              << "(each loop broken at its axis event, the speed hold at the pitch reference, the others closed;\n"
              << " a multisine of " << settings.period_frames / 18 << " s, 18 frames a second; 'none': the phase never reaches -180 degrees above\n"
              << " crossover, or the gain never falls through 1; 'rejects to': the disturbance-rejection bandwidth, rad/s,\n"
              << " where |1/(1+L)| rises through -3 dB; 'relay': a loop through the speed hold's rate relay)\n";
    print_margins(std::cout, measurements);
    std::string name = "margins_" + aircraft.name;
    if (!config_path.empty()) {
        name += '_';
        name += std::filesystem::path(config_path).stem().string();
    }
    for (const std::string& picture : plot_bode(plots, name, measurements))
        std::cout << (picture.ends_with(".png") ? "Bode plot: " : "Bode plot's gnuplot script (gnuplot did not draw it): ")
                  << picture << "\n";
    return 0;
}

}  // namespace

tool_command margins_command()
{
    tool_command c;
    c.name = "margins";
    c.summary = "the autopilot's loops' stability margins, in hover and at 150 km/h";
    c.description =
        "Breaks each of the autopilot's loops in turn (roll, pitch, pedals, collective at their axis\n"
        "events; the speed hold at the pitch reference) with the others closed, in a trimmed hover and\n"
        "in level flight at 150 km/h, measures the broken-loop frequency response through the module\n"
        "and the model, and prints each loop's gain margin, phase margin and crossover frequency.\n";
    c.options = {aircraft_option(), gains_config_option(),
                 {"--plots", "DIR", "Bode plots NAME_hover.png and NAME_cruise.png in DIR (default: the folder\n"
                                    "$GAUGEHOST_FLIGHT_DIR, else the current one)"},
                 {"--period", "S", "the multisine's period, whole seconds from 18 (default 64; its lowest\n"
                                   "frequency is 2 pi / S rad/s); one period of warm-up, then two measured", 18, 3600},
                 jobs_option()};
    c.exit_status =
        "Exit status: 0; 2 for bad input (an aircraft file with a missing or non-physical parameter, or\n"
        "one that does not trim both in a hover and at 150 km/h, found before any flight).\n";
    c.run = run_margins;
    return c;
}

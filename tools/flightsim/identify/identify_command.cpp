#include "tools/flightsim/identify/identify_command.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

#include "recorder/flight_card.h"
#include "tools/flightsim/aircraft/aircraft_file.h"
#include "tools/flightsim/identify/doublet_check.h"
#include "tools/flightsim/identify/fitted_file.h"
#include "tools/flightsim/identify/frequency_sweep.h"
#include "tools/flightsim/identify/linear_response.h"
#include "tools/flightsim/identify/model_fit.h"
#include "tools/flightsim/identify/recording.h"
#include "tools/flightsim/identify/sweep_measurement.h"
#include "tools/flightsim/model/sim_math.h"

namespace {
constexpr double coherence_counted = 0.6;   // where a response is good enough to fit
constexpr double least_octaves = 1.0;       // of coherent band, for a sweep to count
// of a sweep's frames with its control at a stop: a sweep too weak to count is then said to be the
// helicopter's want of travel, which flying it again the same way does not mend
constexpr double stop_share_named = 0.2;
constexpr double most_pair_cost = 100.0;    // about 2 dB or 17 degrees of misfit
constexpr int fit_starts = 4;
constexpr double good_match = 0.3;          // Theil's inequality coefficient of a doublet
constexpr double settle_after_doublet_s = 3.0;

// The delay the fit held: the recording's timing (seconds).
double fitted_delay(const fit_result& fit)
{
    for (const fitted_parameter& p : fit.parameters)
        if (p.name == "delay") return p.value;
    return 0.0;
}

// A sweep's Bode plot: the measured response with its coherence, and the fitted model's where
// there is one (fitted empty: the measurement alone).
void write_plot(const std::string& folder, const std::string& name, const std::vector<sweep_point>& points,
                const std::vector<std::complex<double>>& fitted)
{
    std::filesystem::create_directories(folder);
    std::ofstream data(folder + "/" + name + ".dat");
    data << "# omega_rad_s magnitude_db phase_deg coherence" << (fitted.empty() ? "" : " fitted_db fitted_phase_deg") << "\n";
    const auto db = [](std::complex<double> h) { return sim::decibels(sim::magnitude(h) + 1e-300); };
    const auto degrees = [](std::complex<double> h) { return sim::arg(h) * sim::degrees_per_radian; };
    for (size_t i = 0; i < points.size(); ++i) {
        const sweep_point& p = points[i];
        if (p.coherence <= 0.0) continue;  // a frequency no window could measure is left out
        data << p.omega << " " << db(p.response) << " " << degrees(p.response) << " " << p.coherence;
        if (!fitted.empty()) {
            // The fitted phase taken within half a turn of the measured one, as the cost compares them.
            double phase = degrees(fitted[i]);
            while (phase - degrees(p.response) > 180.0) phase -= 360.0;
            while (phase - degrees(p.response) < -180.0) phase += 360.0;
            data << " " << db(fitted[i]) << " " << phase;
        }
        data << "\n";
    }
    const std::string fitted_gain = fitted.empty() ? "" : ", '" + name + ".dat' using 1:5 with lines lw 2 title 'fitted'";
    const std::string fitted_phase = fitted.empty() ? "" : ", '" + name + ".dat' using 1:6 with lines lw 2 title 'fitted'";
    std::ofstream script(folder + "/" + name + ".gp");
    script << "set terminal pngcairo size 800,900\nset output '" << name << ".png'\nset multiplot layout 3,1\n"
           << "set logscale x\nset grid\nset xlabel 'rad/s'\n"
           << "set ylabel 'dB'\nplot '" << name << ".dat' using 1:2 with linespoints title 'measured'" << fitted_gain << "\n"
           << "set ylabel 'degrees'\nplot '" << name << ".dat' using 1:3 with linespoints title 'measured'" << fitted_phase << "\n"
           << "set ylabel 'coherence'\nset yrange [0:1]\nplot '" << name << ".dat' using 1:4 with linespoints title 'gamma^2', "
           << coherence_counted << " title 'counted from'\nunset multiplot\n";
}

// Each sweep's plot with the fitted model's response beside the measured one.
void write_fitted_plots(const std::string& folder, const std::vector<measured_pair>& measured, const fit_result& fit)
{
    const double delay_s = fitted_delay(fit);
    const rotorcraft_model model(fit.fitted);
    for (const measured_pair& pair : measured) {
        const linear_model m = linearise(model, pair.speed_kmh);
        std::vector<std::complex<double>> fitted;
        for (size_t i = 0; i < pair.points.size(); ++i) fitted.push_back(predicted_response(m, pair, i, delay_s));
        write_plot(folder, "step_" + std::to_string(pair.step), pair.points, fitted);
    }
}

// For a recording flown on a known aircraft (a synthetic one): each pair's response of the fitted
// model against the truth's, both undelayed, and their largest differences over the band where a
// fit's responses are judged.
constexpr double truth_band_low_rad_s = 0.5, truth_band_high_rad_s = 10.0;
constexpr int truth_band_points = 60;

void compare_with_truth(const aircraft_parameters& truth, const std::vector<measured_pair>& measured, const fit_result& fit)
{
    const rotorcraft_model fitted_model(fit.fitted), true_model(truth);
    std::printf("\n%-4s %-26s %22s %22s   (the fitted model against the truth, %.1f to %.0f rad/s)\n", "step", "",
                "largest dB (at rad/s)", "degrees (at rad/s)", truth_band_low_rad_s, truth_band_high_rad_s);
    double worst_db = 0.0, worst_degrees = 0.0;
    for (const measured_pair& pair : measured) {
        const linear_model f = linearise(fitted_model, pair.speed_kmh), t = linearise(true_model, pair.speed_kmh);
        if (!t.trimmed) {
            std::printf("%-4d %-26s %14s   the truth does not trim at %.0f km/h\n", pair.step,
                        flight_card[pair.step - 1].title, "-", pair.speed_kmh);
            continue;
        }
        double most_db = 0.0, most_degrees = 0.0, db_at = 0.0, degrees_at = 0.0;
        for (int k = 0; k < truth_band_points; ++k) {
            const double omega = truth_band_low_rad_s * sim::pow(truth_band_high_rad_s / truth_band_low_rad_s,
                                                                 static_cast<double>(k) / (truth_band_points - 1));
            const std::complex<double> ratio = model_response(f, pair.axis, omega, 0.0) / model_response(t, pair.axis, omega, 0.0);
            const double db = std::fabs(sim::decibels(sim::magnitude(ratio)));
            const double degrees = std::fabs(sim::arg(ratio)) * sim::degrees_per_radian;
            if (db > most_db) most_db = db, db_at = omega;
            if (degrees > most_degrees) most_degrees = degrees, degrees_at = omega;
        }
        std::printf("%-4d %-26s %14.2f (%5.2f) %14.1f (%5.2f)\n", pair.step, flight_card[pair.step - 1].title, most_db,
                    db_at, most_degrees, degrees_at);
        worst_db = std::max(worst_db, most_db);
        worst_degrees = std::max(worst_degrees, most_degrees);
    }
    std::printf("against the truth: at most %.2f dB and %.1f degrees\n", worst_db, worst_degrees);
}

// The frames a step was flown in, its last take, by step.
using step_takes = std::map<int, std::vector<size_t>>;

// The mean of a column over the frames of a take before its input started: the trim.
double trim_of(const recording& r, const std::string& column, const std::vector<size_t>& take, double lead_in_s)
{
    const std::vector<double>& t = r["time_s"];
    double sum = 0.0;
    int count = 0;
    for (size_t i : take)
        if (t[i] - t[take.front()] < lead_in_s) sum += r[column][i], ++count;
    return count > 0 ? sum / count : 0.0;
}

// Each doublet, which the fit never saw, flown by the fitted model on the recorded controls.
void check_doublets(const recording& r, const step_takes& takes, double dt, const fit_result& fit)
{
    const double delay_s = fitted_delay(fit);
    const rotorcraft_model model(fit.fitted);
    std::printf("\n%-4s %-26s %12s %12s %12s  %s\n", "step", "doublet (kept out of the fit)", "Theil", "RMS error",
                "RMS measured", "");
    const std::vector<double>& t = r["time_s"];
    for (const auto& [step, take] : takes) {
        const card_step& card = flight_card[step - 1];
        if (card.signal != card_signal::doublet) continue;
        const response_pair pair = pair_of(card.axis);
        std::vector<size_t> frames;
        for (size_t i : take) {
            const double since = t[i] - t[take.front()];
            if (since >= card.lead_in_s && since < card.lead_in_s + card.input_s + settle_after_doublet_s) frames.push_back(i);
        }
        doublet_signals s;
        s.dt_s = dt;
        for (int k = 0; k < 4; ++k) {
            const double trim = trim_of(r, axis_columns[k], take, card.lead_in_s);
            for (double v : segment(r, axis_columns[k], frames, false)) s.axes[k].push_back(v - trim);
        }
        std::vector<size_t> before;
        for (size_t i : take)
            if (t[i] - t[take.front()] < card.lead_in_s) before.push_back(i);
        const std::vector<double> lead_in = segment(r, pair.output, before, pair.rate_of_output);
        double level = 0.0;
        for (double v : lead_in) level += v / static_cast<double>(std::max<size_t>(lead_in.size(), 1));
        for (double v : segment(r, pair.output, frames, pair.rate_of_output)) s.measured.push_back(v - level);
        const std::vector<double> answer =
            model_answer(linearise(model, card.speed_kmh > 0.0 ? r["airspeed_kmh"][take.front()] : 0.0), card.axis, s, delay_s);
        double error = 0.0, measured = 0.0;
        for (size_t i = 0; i < answer.size(); ++i) {
            error += (answer[i] - s.measured[i]) * (answer[i] - s.measured[i]);
            measured += s.measured[i] * s.measured[i];
        }
        const double n = static_cast<double>(std::max<size_t>(answer.size(), 1));
        const double theil = theil_inequality(answer, s.measured);
        std::printf("%-4d %-26s %12.2f %12.3g %12.3g  %s\n", step, card.title, theil, std::sqrt(error / n),
                    std::sqrt(measured / n), theil <= good_match ? "" : "a poor match");
    }
}

int fit_and_write(const command_args& args, const std::vector<measured_pair>& measured, const recording& r,
                  const step_takes& takes, double dt)
{
    aircraft_file start;
    try {
        start = read_aircraft_file(args.text("--aircraft"));
    } catch (const aircraft_file_error& error) {
        std::cerr << "flightsim identify: " << error.what() << "\n";
        return 2;
    }
    if (start.parameters.table.given) {
        std::cerr << "flightsim identify: " << start.path << " is a derivative-table aircraft; a fit starts from a "
                  << "helicopter of the flight model (bo105.aircraft, ab206.aircraft, uh60a.aircraft)\n";
        return 2;
    }
    aircraft_parameters truth{};
    try {
        if (args.has("--truth")) truth = read_aircraft_file(args.text("--truth")).parameters;
    } catch (const aircraft_file_error& error) {
        std::cerr << "flightsim identify: " << error.what() << "\n";
        return 2;
    }
    const std::string out = args.text("--out");
    std::error_code same_error;
    if (!out.empty() && !start.path.empty() && std::filesystem::exists(out) &&
        std::filesystem::equivalent(out, start.path, same_error)) {
        std::cerr << "flightsim identify: --out names the start file " << start.path << ": the fit never writes over it\n";
        return 2;
    }
    const bool hover_alone = args.has("--hover");
    std::printf("\nFitting %s (%s) to %zu responses, from %d starts; held: %s%s.\n", start.name.c_str(), start.title.c_str(),
                measured.size(), fit_starts, held_parameters,
                hover_alone ? "; and, the hover's steps alone fitted, what acts in cruise only" : "");
    const fit_result fit = fit_model(start.parameters, measured, fit_starts, 1, recording_timing_s(dt), hover_alone);
    std::printf("\n%-20s %12s %12s %9s  %s\n", "parameter", "start", "fitted", "bound %", "most correlated with");
    for (const fitted_parameter& p : fit.parameters) {
        if (p.held)
            std::printf("%-20s %12.5g %12.5g %9s  held: %s\n", p.name.c_str(), p.start, p.value, "-", p.why_held.c_str());
        else if (p.at_bound)
            std::printf("%-20s %12.5g %12.5g %9s  none found: the controls act at once\n", p.name.c_str(), p.start, p.value, "-");
        else if (p.drawn)
            std::printf("%-20s %12.5g %12.5g %9.1f  %s %.2f; %s\n", p.name.c_str(), p.start, p.value, p.bound_percent,
                        p.correlated_with.c_str(), p.correlation, p.why_held.c_str());
        else if (!std::isfinite(p.bound_percent))
            std::printf("%-20s %12.5g %12.5g %9s  not identified: no bound\n", p.name.c_str(), p.start, p.value, "-");
        else
            std::printf("%-20s %12.5g %12.5g %9.1f  %s %.2f\n", p.name.c_str(), p.start, p.value, p.bound_percent,
                        p.correlated_with.c_str(), p.correlation);
    }
    std::printf("\n%-4s %-26s %10s\n", "step", "", "cost J");
    std::string poor;
    for (size_t i = 0; i < measured.size(); ++i) {
        std::printf("%-4d %-26s %10.1f\n", measured[i].step, flight_card[measured[i].step - 1].title, fit.pair_costs[i]);
        if (fit.pair_costs[i] > most_pair_cost) poor += (poor.empty() ? "" : ", ") + std::to_string(measured[i].step);
    }
    std::printf("mean cost %.1f over %zu responses, %d evaluations\n", fit.mean_cost, measured.size(), fit.evaluations);
    check_doublets(r, takes, dt, fit);
    if (args.has("--truth")) compare_with_truth(truth, measured, fit);
    if (args.has("--plots")) write_fitted_plots(args.text("--plots"), measured, fit);
    if (!out.empty()) {
        if (!write_fitted_file(fitted_file_text(start, fit, args.words()[0], hover_alone), out)) {
            std::cerr << "flightsim identify: cannot write " << out << "\n";
            return 1;
        }
        std::printf("written: %s\n", out.c_str());
    }
    if (!poor.empty()) {
        std::printf("a response's cost above %.0f: fly step%s %s again\n", most_pair_cost,
                    poor.find(',') == std::string::npos ? "" : "s", poor.c_str());
        return 3;
    }
    return 0;
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
        std::cerr << "flightsim identify: " << path;
        if (error.line > 0) std::cerr << ":" << error.line;
        std::cerr << ": " << error.what() << "\n";
        return 2;
    }
    const std::vector<double>& t = r["time_s"];
    const double dt = (t.back() - t.front()) / static_cast<double>(r.frames() - 1);
    // Each step's last take, from its input's start; with --hover, of the hover's steps alone.
    const bool hover_alone = args.has("--hover");
    step_takes takes;
    std::map<int, int> last_take;
    for (size_t i = 0; i < r.frames(); ++i) {
        const int step = whole_number(r["step"][i]);
        const int take = r.has("take") ? whole_number(r["take"][i]) : 1;
        if (step < 1 || step > flight_card_steps) continue;
        if (hover_alone && flight_card[step - 1].speed_kmh > 0.0) continue;
        if (take != last_take[step]) takes[step].clear(), last_take[step] = take;
        takes[step].push_back(i);
    }
    std::printf("%s: %zu frames, %.1f s, %.1f frames a second\n\n", path.c_str(), r.frames(), t.back() - t.front(), 1.0 / dt);
    std::printf("%-4s %-26s %-45s %s\n", "step", "", "response", "coherent band (gamma^2 >= 0.6)");
    std::string fly_again, at_stops;
    bool hover_to_fly_again = false;  // a hover step, which a fit of the hover alone needs too
    std::vector<measured_pair> measured;
    for (const auto& [step, frames_of_take] : takes) {
        const card_step& card = flight_card[step - 1];
        if (card.signal != card_signal::sweep) continue;
        std::vector<size_t> frames;
        for (size_t i : frames_of_take)
            if (t[i] - t[frames_of_take.front()] >= card.lead_in_s) frames.push_back(i);
        const response_pair pair = pair_of(card.axis);
        sweep_measurement sweep = measure_sweep(r, frames, pair, dt, card);
        const std::vector<sweep_point>& points = sweep.points;
        double low = 0.0, high = 0.0;
        const double octaves = coherent_octaves(points, coherence_counted, low, high);
        std::printf("%-4d %-26s %-45s ", step, card.title, pair.name);
        if (octaves > 0.0) std::printf("%.1f octaves, %.2f to %.2f rad/s\n", octaves, low, high);
        else std::printf("none\n");
        if (octaves < least_octaves) {
            fly_again += (fly_again.empty() ? "" : ", ") + std::to_string(step);
            const double at_a_stop = share_at_a_stop(r, pair.input, frames);
            if (at_a_stop >= stop_share_named) {
                char why[200];
                std::snprintf(why, sizeof why,
                              "step %d: the %s stood at its stop for %.0f %% of the sweep, which could hardly move it\n",
                              step, pair.input, 100.0 * at_a_stop);
                at_stops += why;
            }
            hover_to_fly_again = hover_to_fly_again || card.speed_kmh <= 0.0;
        }
        if (args.has("--plots")) write_plot(args.text("--plots"), "step_" + std::to_string(step), points, {});
        // Linearised at the speed the sweep was flown at, not the card's round number.
        double speed = 0.0;
        for (size_t i : frames) speed += r["airspeed_kmh"][i] / static_cast<double>(frames.size());
        measured.push_back({step, card.axis, card.speed_kmh > 0.0 ? speed : 0.0, points, std::move(sweep.moved)});
    }
    if (!fly_again.empty()) {
        std::printf("\nless than an octave of coherent response: fly step%s %s again\n",
                    fly_again.find(',') == std::string::npos ? "" : "s", fly_again.c_str());
        if (!at_stops.empty())
            std::printf("%sTrimmed there, the helicopter had no travel left: flown again, such a step needs a trim that\n"
                        "leaves travel (another load or fuel)%s.\n",
                        at_stops.c_str(), !hover_to_fly_again ? ", or the hover's steps can be fitted alone (--hover)" : "");
        return 3;
    }
    return fit_and_write(args, measured, r, takes, dt);
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
        "turn rate explains, a helicopter never rolled or pitched past 90 degrees, no step flown with\n"
        "the autopilot engaged where the recording has an engaged column), and measures each\n"
        "sweep's frequency response from its control to the aircraft's first answer (roll and pitch\n"
        "rate, turn rate, vertical speed), with its coherence: spectra over overlapping windows of\n"
        "several lengths, combined at each frequency by how sure each is.\n"
        "Then fits the free parameters of the START aircraft file to the responses (a weighted\n"
        "magnitude and phase cost per response, a bounded search from several starts) and prints\n"
        "each parameter with its bound and strongest correlation, and each response's cost. The model\n"
        "is compared with how the pilot moved every control during each sweep, not only the swept\n"
        "one. Last, the fitted model flies each doublet of the card, which the fit never saw, on the\n"
        "recorded controls, and its answer is set against the recorded one (Theil's inequality\n"
        "coefficient; 0.3 and below is a good match).\n";
    c.options = {
        {"--aircraft", "START", "the aircraft file the fit starts from (default: the built-in bo105)"},
        {"--out", "FITTED", "the fitted aircraft file, written whole or not at all, never over START"},
        {"--hover", "", "the card's hover steps alone, for a helicopter that cannot fly its cruise: what\nacts in cruise only is held, and the fitted file holds in the hover alone\n(speed_limit), where the tools then fly it"},
        {"--truth", "FILE", "the aircraft file a synthetic recording was flown on: after the fit, each\nresponse of the fitted model against this truth's, their largest differences"},
        {"--plots", "DIR", "each sweep's measured response, and the fitted model's once fitted, as\nDIR/step_N.dat and a gnuplot script DIR/step_N.gp"},
    };
    c.exit_status = "Exit status: 0 for a fit within its bars; 2 for a file that is not a recording or whose frames\n"
                    "do not hang together (its line named), or a bad START; 3 when a sweep has less than an octave\n"
                    "of coherent response or a response's cost is above 100 (the steps to fly again named).\n";
    c.run = identify;
    return c;
}

#include "tools/flightsim/loops/tuner.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <random>
#include <sstream>
#include <string_view>

#include <nlopt.hpp>
#include <unistd.h>

#include "tools/flightsim/aircraft/aircraft_file.h"
#include "tools/flightsim/loops/flight_options.h"
#include "tools/flightsim/loops/flyable.h"
#include "tools/flightsim/loops/parallel_flights.h"
#include "tools/flightsim/loops/config_file_writer.h"
#include "tools/flightsim/loops/margins.h"
#include "tools/flightsim/loops/scenario_flights.h"
#include "tools/flightsim/loops/tuning_scenarios.h"
#include "tools/flightsim/model/sim_math.h"

namespace {

constexpr double gain_margin_wanted = 6.0;    // dB
constexpr double phase_margin_wanted = 45.0;  // degrees

// How the search flies (the relay loops without their extra injection sizes) and how the report
// flies (everything); the scenarios are flown in full by both.
struct flight_settings {
    margin_settings margins;
};
const flight_settings search_flights = {{.relay_sizes = false}};
const flight_settings report_flights = {{}};

// The search's budget, in evaluations: the starting points (the pilot's gains and seeded random
// ones), a first BOBYQA run from the best of them, then restarts from the second and third best
// and from the best point found, moved at random.
constexpr int starting_points = 24;
constexpr int first_run = 130;
constexpr int restart_runs = 3;
constexpr int restart_run = 45;

// Each gain searched between 0 and this (three times the default, or a stated bound for the gains
// whose default is 0).
gain_values upper_bounds()
{
    gain_values upper = default_gains();
    for (int i = 0; i < gain_count; ++i) upper[i] = upper[i] > 0.0 ? 3.0 * upper[i] : 0.0;
    upper[8] = 6.0;    // tang_ki: about three times the roll's
    upper[10] = 20.0;  // vys_kd
    return upper;
}

struct evaluation {
    gain_values gains{};
    std::vector<scenario_result> scenarios;
    std::vector<scenario_result> held_out;  // flown for the report only
    std::vector<loop_measurement> loops;
    double chatter = 0.0;        // sum over scenarios and channels, axis units a frame
    double cost = std::numeric_limits<double>::infinity();
    std::vector<std::string> misses;
};

// One task per scenario, each flown in full.
std::vector<std::function<std::string()>> scenario_tasks(const std::vector<tuning_scenario>& scenarios,
                                                         const aircraft_file& aircraft, const gain_values& gains)
{
    std::vector<std::function<std::string()>> tasks;
    for (const tuning_scenario& s : scenarios) {
        const std::string script = s.script, text = aircraft.text;
        tasks.push_back([script, text, gains]() { return fly_scenario(script, text, gains, 0.0); });
    }
    return tasks;
}

// The scenarios of a list the aircraft flies: all, or for a hover-only aircraft those that start
// in a hover.
std::vector<tuning_scenario> flown_by(const std::vector<tuning_scenario>& scenarios, const aircraft_file& aircraft)
{
    if (!hover_only(aircraft.parameters)) return scenarios;
    std::vector<tuning_scenario> hover;
    for (const tuning_scenario& s : scenarios)
        if (std::string(s.script).find("\nstart hover ") != std::string::npos) hover.push_back(s);
    return hover;
}

evaluation fly(const aircraft_file& aircraft, const gain_values& gains, const flight_settings& settings, int jobs)
{
    const std::vector<tuning_scenario> scenarios = flown_by(tuning_scenarios(), aircraft);
    std::vector<std::function<std::string()>> tasks = scenario_tasks(scenarios, aircraft, gains);
    for (auto& task : margin_tasks(aircraft.parameters, gains, settings.margins)) tasks.push_back(task);
    const std::vector<flight_result> results = run_flights(tasks, jobs);
    evaluation e;
    e.gains = gains;
    size_t next = 0;
    for (const tuning_scenario& s : scenarios) {
        e.scenarios.push_back(read_scenario_result(s.name, results[next].ok, results[next].text));
        ++next;
    }
    for (const loop_case& which : measured_loops(aircraft.parameters)) {
        e.loops.push_back(read_margin_result(which, results[next].ok, results[next].text));
        ++next;
    }
    for (const scenario_result& s : e.scenarios)
        for (double c : s.chatter) e.chatter += c;
    return e;
}

// The held-out flights, in full.
std::vector<scenario_result> fly_held_out(const aircraft_file& aircraft, const gain_values& gains, int jobs)
{
    const std::vector<tuning_scenario> scenarios = flown_by(held_out_scenarios(), aircraft);
    const std::vector<flight_result> results = run_flights(scenario_tasks(scenarios, aircraft, gains), jobs);
    std::vector<scenario_result> flown;
    for (size_t i = 0; i < results.size(); ++i)
        flown.push_back(read_scenario_result(scenarios[i].name, results[i].ok, results[i].text));
    return flown;
}

std::string number(double value, int precision)
{
    if (std::isinf(value)) return value > 0 ? "none" : "-inf";
    char text[40];
    std::snprintf(text, sizeof text, "%.*f", precision, value);
    return text;
}

// What the cost asks for: the bars, margins and allowances themselves, or in the search a little
// more (the margins and rejection bandwidths, measured the same way, only just), and no worse
// than the default gains on the flights searched, so that the gains found also do well on
// flights they were not searched on.
struct aims {
    double bar_share;     // of each bar
    double gain_margin;   // dB
    double phase_margin;  // degrees
    double rejection_share;  // of the default gains' disturbance-rejection bandwidth
    double default_share;    // of the default gains' RMS on the searched scenarios (0: not asked)
};
constexpr aims report_aims = {1.0, gain_margin_wanted, phase_margin_wanted, 0.8, 0.0};
constexpr aims search_aims = {0.95, gain_margin_wanted + 0.2, phase_margin_wanted + 1.0, 0.82, 1.0};

// A held-out quantity may be this much worse than with the default gains (or reach its bar). One
// held only a few seconds (the pitch while the pilot moves the stick) shows a transient, not a
// hold, and is not judged.
constexpr double held_out_share = 1.1;
constexpr double shortest_hold_judged = 30.0;  // s
// A relay loop's limit cycle at rest may grow to this share of the default gains' (or to a floor:
// degrees of pitch reference for the speed hold, axis units for the pitch axis).
constexpr double limit_cycle_share = 1.1;
constexpr double speed_limit_cycle_floor = 0.1, pitch_limit_cycle_floor = 100.0;
// A loop's shortfall (margin, rejection bandwidth, limit cycle) weighs this per whole margin's or
// allowance's worth: more than a bar's, as the scenarios cannot show a loop near its edge.
constexpr double loop_weight = 30.0;

// Whether the default gains' loop had the margins wanted: only such a loop's disturbance
// rejection is kept (a loop that lacked them may give some up for them).
bool had_margins(const loop_measurement& m)
{
    return m.ok && !m.relay && m.margins.gain_margin_db >= gain_margin_wanted && m.margins.phase_margin_deg >= phase_margin_wanted;
}

// The cost of an evaluation against the default gains' (flown the same way): each bar's RMS
// beyond its aim weighs 10 per bar's worth; each margin short of its aim, a loop's
// disturbance-rejection bandwidth below its share of the default's and a relay loop's limit cycle
// beyond its allowance loop_weight per margin's or allowance's worth; an unsettled change 5; a
// held-out quantity beyond its allowance 10 per the allowance's worth; then a little for every bar's RMS (so that meeting a bar better
// is better) and for the chatter, measured against the default gains'. The misses listed are
// against the bars, margins and allowances themselves.
// Each part of the judgement adds to the cost, in the order the whole has always added, and
// names each miss.
void judge_scenarios(evaluation& e, const evaluation& defaults, const aims& aim, double& cost)
{
    char text[300];
    for (size_t i = 0; i < e.scenarios.size(); ++i) {
        const scenario_result& s = e.scenarios[i];
        if (!s.ok) {
            cost += 100.0;
            e.misses.push_back(s.name + ": the flight failed: " + s.failure);
            continue;
        }
        for (size_t j = 0; j < s.bars.size(); ++j) {
            const bar_result& b = s.bars[j];
            const double ratio = b.rms / b.bar;
            cost += 10.0 * std::fmax(0.0, ratio - aim.bar_share) + 0.2 * ratio + (b.settled ? 0.0 : 5.0);
            // In the search, as the held-out flights will judge: not much worse than the defaults.
            if (aim.default_share > 0.0 && i < defaults.scenarios.size() && j < defaults.scenarios[i].bars.size()) {
                const double allowed = aim.default_share * defaults.scenarios[i].bars[j].rms;
                if (allowed > 0.0) cost += 10.0 * std::fmax(0.0, b.rms / allowed - 1.0);
            }
            if (b.rms > b.bar) {
                std::snprintf(text, sizeof text, "%s: %s RMS %.2f above its bar %.2f (by %.2f)", s.name.c_str(),
                              b.quantity.c_str(), b.rms, b.bar, b.rms - b.bar);
                e.misses.push_back(text);
            }
            if (!b.settled) e.misses.push_back(s.name + ": " + b.quantity + " never settles after a change");
        }
    }
}

// A loop through a relay: no edge to keep a margin from; the limit cycle it keeps at rest counts.
void judge_relay_loop(evaluation& e, const loop_measurement& m, const loop_measurement* before, const std::string& where,
                      double& cost)
{
    char text[300];
    const double floor = m.loop == broken_loop::speed ? speed_limit_cycle_floor : pitch_limit_cycle_floor;
    const double allowed = std::fmax(floor, before != nullptr && before->relay ? limit_cycle_share * before->at_rest.rms : 0.0);
    cost += loop_weight * std::fmax(0.0, m.at_rest.rms / allowed - 1.0);
    if (m.at_rest.rms > allowed) {
        std::snprintf(text, sizeof text, "%s loop (a relay): limit cycle %.3g RMS at rest, above the %.3g allowed", where.c_str(),
                      m.at_rest.rms, allowed);
        e.misses.push_back(text);
    }
}

// A loop's margins, and its disturbance rejection against the default gains'.
void judge_margins(evaluation& e, const loop_measurement& m, const loop_measurement* before, const std::string& where,
                   const aims& aim, double& cost)
{
    char text[300];
    const double gm = std::fmax(m.margins.gain_margin_db, -30.0);
    const double pm = std::fmax(m.margins.phase_margin_deg, -180.0);
    cost += loop_weight * std::fmax(0.0, (aim.gain_margin - gm) / gain_margin_wanted);
    cost += loop_weight * std::fmax(0.0, (aim.phase_margin - pm) / phase_margin_wanted);
    if (gm < gain_margin_wanted) {
        std::snprintf(text, sizeof text, "%s loop: gain margin %s dB, short of %.0f dB (by %.1f dB)", where.c_str(),
                      number(m.margins.gain_margin_db, 1).c_str(), gain_margin_wanted, gain_margin_wanted - gm);
        e.misses.push_back(text);
    }
    if (pm < phase_margin_wanted) {
        std::snprintf(text, sizeof text, "%s loop: phase margin %s degrees, short of %.0f (by %.1f)", where.c_str(),
                      number(m.margins.phase_margin_deg, 1).c_str(), phase_margin_wanted, phase_margin_wanted - pm);
        e.misses.push_back(text);
    }
    if (before == nullptr || !had_margins(*before) || std::isnan(before->rejection_bandwidth)) return;
    // NaN (rejects nothing measured) counts as none; +infinity (above the band) as the top.
    const double top = m.response.empty() ? 0.0 : m.response.back().omega;
    auto bandwidth = [top](double b) { return std::isnan(b) ? 0.0 : std::isinf(b) ? top : b; };
    const double wanted = aim.rejection_share * bandwidth(before->rejection_bandwidth);
    const double have = bandwidth(m.rejection_bandwidth);
    cost += loop_weight * std::fmax(0.0, (wanted - have) / wanted);
    if (have < report_aims.rejection_share * bandwidth(before->rejection_bandwidth)) {
        std::snprintf(text, sizeof text, "%s loop: rejects disturbances up to %s rad/s, below 0.8 x the default's %s",
                      where.c_str(), rejection_text(m).c_str(), rejection_text(*before).c_str());
        e.misses.push_back(text);
    }
}

void judge_loops(evaluation& e, const evaluation& defaults, const aims& aim, double& cost)
{
    for (size_t i = 0; i < e.loops.size(); ++i) {
        const loop_measurement& m = e.loops[i];
        const loop_measurement* before = i < defaults.loops.size() ? &defaults.loops[i] : nullptr;
        const std::string where = std::string(flight_condition_name(m.condition)) + " " + broken_loop_name(m.loop);
        if (!m.ok) {
            cost += 100.0;
            e.misses.push_back(where + ": not measured: " + m.failure);
        } else if (m.relay) {
            judge_relay_loop(e, m, before, where, cost);
        } else {
            judge_margins(e, m, before, where, aim, cost);
        }
    }
}

void judge_held_out(evaluation& e, const evaluation& defaults, double& cost)
{
    char text[300];
    for (size_t i = 0; i < e.held_out.size() && i < defaults.held_out.size(); ++i) {
        const scenario_result& s = e.held_out[i];
        if (!s.ok) {
            cost += 100.0;
            e.misses.push_back("held out " + s.name + ": the flight failed: " + s.failure);
            continue;
        }
        for (const held_result& h : s.held) {
            for (const held_result& d : defaults.held_out[i].held) {
                if (d.quantity != h.quantity || d.seconds < shortest_hold_judged) continue;
                const double allowed = std::fmax(held_out_share * d.rms, std::isnan(d.bar) ? 0.0 : d.bar);
                cost += 10.0 * std::fmax(0.0, h.rms / allowed - 1.0);
                if (h.rms > allowed) {
                    std::snprintf(text, sizeof text, "held out %s: %s RMS %.2f, more than 10 %% worse than the default gains' %.2f",
                                  s.name.c_str(), h.quantity.c_str(), h.rms, d.rms);
                    e.misses.push_back(text);
                }
            }
        }
    }
}

void judge(evaluation& e, const evaluation& defaults, const aims& aim)
{
    double cost = 0.0;
    e.misses.clear();
    double default_chatter = 0.0;
    for (const scenario_result& s : defaults.scenarios)
        for (double c : s.chatter) default_chatter += c;
    judge_scenarios(e, defaults, aim, cost);
    judge_loops(e, defaults, aim, cost);
    judge_held_out(e, defaults, cost);
    cost += 0.5 * e.chatter / std::fmax(default_chatter, 1.0);
    e.cost = cost;
}

// The search's state, seen by the objective.
struct search {
    const aircraft_file* aircraft = nullptr;
    int jobs = 2;
    gain_values upper{};
    evaluation defaults;  // the default gains, flown as the search flies
    int evaluations = 0, budget = 0;
    evaluation best;
    std::vector<evaluation> leaders;  // the best few points, each more than a step from the others
    bool progress = false;
    std::chrono::steady_clock::time_point began;
    // A hover-only aircraft never flies the speed hold: its gains stay the starting ones.
    bool hover_only = false;
    gain_values start{};
};

// Keeps the few best evaluations that lie apart from each other (a better one near a kept one
// takes its place), for flying again in full.
constexpr size_t leaders_kept = 8;
void remember(std::vector<evaluation>& leaders, const evaluation& e, const gain_values& upper)
{
    auto distance = [&upper](const gain_values& a, const gain_values& b) {
        double d = 0.0;
        for (int i = 0; i < gain_count; ++i) d = std::fmax(d, std::fabs(a[i] - b[i]) / upper[i]);
        return d;
    };
    for (evaluation& kept : leaders) {
        if (distance(kept.gains, e.gains) < 0.02) {
            if (e.cost < kept.cost) kept = e;
            std::sort(leaders.begin(), leaders.end(), [](const evaluation& a, const evaluation& b) { return a.cost < b.cost; });
            return;
        }
    }
    leaders.push_back(e);
    std::sort(leaders.begin(), leaders.end(), [](const evaluation& a, const evaluation& b) { return a.cost < b.cost; });
    if (leaders.size() > leaders_kept) leaders.pop_back();
}

// The search's coordinates: gain = upper bound x y^2, y from 0 to 1, finer towards small gains
// (the rate dampings a strongly geared helicopter needs are a few per cent of their bound).
gain_values gains_at(const std::vector<double>& y, const gain_values& upper)
{
    gain_values g{};
    for (int i = 0; i < gain_count; ++i) {
        const double v = std::fmin(std::fmax(y[i], 0.0), 1.0);
        g[i] = four_digits(upper[i] * v * v);
    }
    return g;
}

std::vector<double> coordinates_of(const gain_values& gains, const gain_values& upper)
{
    std::vector<double> y(gain_count);
    for (int i = 0; i < gain_count; ++i) y[i] = upper[i] > 0.0 ? std::sqrt(std::fmin(std::fmax(gains[i] / upper[i], 0.0), 1.0)) : 0.0;
    return y;
}

double objective(const std::vector<double>& y, std::vector<double>&, void* data)
{
    search& s = *static_cast<search*>(data);
    gain_values gains = gains_at(y, s.upper);
    if (s.hover_only)
        for (int i = 0; i < gain_count; ++i)
            if (std::string_view(gain_keys[i].key).starts_with("speed_")) gains[i] = s.start[i];
    evaluation e = fly(*s.aircraft, gains, search_flights, s.jobs);
    judge(e, s.defaults, search_aims);
    ++s.evaluations;
    if (e.cost < s.best.cost) s.best = e;
    remember(s.leaders, e, s.upper);
    if (s.progress) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - s.began).count();
        std::fprintf(stderr, "\rtune %s: evaluation %d of %d, best cost %.3f (%zu misses), %.0f s ", s.aircraft->name.c_str(),
                     s.evaluations, s.budget, s.best.cost, s.best.misses.size(), seconds);
        std::fflush(stderr);
    }
    return e.cost;
}

void run_bobyqa(search& s, std::vector<double>& y, int evaluations, double step)
{
    nlopt::opt opt(nlopt::LN_BOBYQA, gain_count);
    opt.set_lower_bounds(std::vector<double>(gain_count, 0.0));
    opt.set_upper_bounds(std::vector<double>(gain_count, 1.0));
    opt.set_min_objective(objective, &s);
    opt.set_maxeval(evaluations);
    opt.set_xtol_abs(1e-4);
    opt.set_initial_step(step);
    double value = 0.0;
    try {
        opt.optimize(y, value);
    } catch (const std::exception&) {
        // A stop for round-off or the like: the best point found so far is kept by the objective.
    }
}

std::string today()
{
    const std::time_t now = std::time(nullptr);
    char text[20];
    std::strftime(text, sizeof text, "%Y-%m-%d", std::gmtime(&now));
    return text;
}

void print_bars(std::ostream& out, const evaluation& before, const evaluation& after)
{
    char line[240];
    out << "Scenario bars: RMS deviation from 10 s after each change (bar), default gains and tuned\n";
    std::snprintf(line, sizeof line, "  %-18s %-8s %6s %16s %16s\n", "scenario", "held", "bar", "default", "tuned");
    out << line;
    for (size_t i = 0; i < before.scenarios.size() && i < after.scenarios.size(); ++i) {
        const scenario_result& a = before.scenarios[i];
        const scenario_result& b = after.scenarios[i];
        for (size_t j = 0; j < std::max(a.bars.size(), b.bars.size()); ++j) {
            const bar_result* x = j < a.bars.size() ? &a.bars[j] : nullptr;
            const bar_result* y = j < b.bars.size() ? &b.bars[j] : nullptr;
            auto cell = [](const bar_result* r) {
                if (r == nullptr) return std::string("failed");
                std::string text = number(r->rms, 2) + (r->rms <= r->bar && r->settled ? " meets" : " MISSES");
                return text;
            };
            const bar_result* any = x ? x : y;
            std::snprintf(line, sizeof line, "  %-18s %-8s %6s %16s %16s\n", j == 0 ? a.name.c_str() : "",
                          any->quantity.c_str(), number(any->bar, 1).c_str(), cell(x).c_str(), cell(y).c_str());
            out << line;
        }
    }
}

void print_held_out(std::ostream& out, const evaluation& before, const evaluation& after)
{
    char line[240];
    out << "Held-out flights (never flown in the search): RMS deviation (largest), default gains and tuned\n";
    std::snprintf(line, sizeof line, "  %-26s %-8s %6s %18s %18s\n", "scenario", "held", "bar", "default", "tuned");
    out << line;
    for (size_t i = 0; i < before.held_out.size() && i < after.held_out.size(); ++i) {
        const scenario_result& a = before.held_out[i];
        const scenario_result& b = after.held_out[i];
        for (size_t j = 0; j < a.held.size(); ++j) {
            const held_result& x = a.held[j];
            const held_result* y = j < b.held.size() ? &b.held[j] : nullptr;
            auto cell = [](const held_result* h) {
                return h == nullptr ? std::string("failed") : number(h->rms, 2) + " (" + number(h->largest, 1) + ")";
            };
            std::snprintf(line, sizeof line, "  %-26s %-8s %6s %18s %18s\n", j == 0 ? a.name.c_str() : "", x.quantity.c_str(),
                          std::isnan(x.bar) ? "-" : number(x.bar, 1).c_str(), cell(&x).c_str(), cell(y).c_str());
            out << line;
        }
    }
}

void print_loops(std::ostream& out, const evaluation& before, const evaluation& after)
{
    char line[240];
    out << "Stability margins (wanted: at least 6 dB and 45 degrees) and disturbance rejection (rad/s: where\n"
           "|1/(1+L)| rises through -3 dB; tuned at least 0.8 x the default where the default had its margins),\n"
           "default gains and tuned; a relay loop by its limit cycle at rest\n";
    std::snprintf(line, sizeof line, "  %-16s %-11s %12s %12s %13s %13s %9s %9s\n", "condition", "loop", "gain default",
                  "gain tuned", "phase default", "phase tuned", "rej. def.", "rej. tuned");
    out << line;
    for (size_t i = 0; i < before.loops.size() && i < after.loops.size(); ++i) {
        const loop_measurement& a = before.loops[i];
        const loop_measurement& b = after.loops[i];
        auto gain = [](const loop_measurement& m) {
            if (!m.ok) return std::string("failed");
            if (m.relay) return std::string("relay");
            return std::isinf(m.margins.gain_margin_db) ? number(m.margins.gain_margin_db, 1)
                                                         : number(m.margins.gain_margin_db, 1) + " dB";
        };
        auto phase = [](const loop_measurement& m) {
            if (!m.ok) return std::string("failed");
            return std::isinf(m.margins.phase_margin_deg) ? number(m.margins.phase_margin_deg, 1)
                                                           : number(m.margins.phase_margin_deg, 1) + " deg";
        };
        auto rejection = [](const loop_measurement& m) { return m.ok ? rejection_text(m) : std::string("failed"); };
        std::snprintf(line, sizeof line, "  %-16s %-11s %12s %12s %13s %13s %9s %9s\n", flight_condition_name(a.condition),
                      broken_loop_name(a.loop), gain(a).c_str(), gain(b).c_str(), phase(a).c_str(), phase(b).c_str(),
                      rejection(a).c_str(), rejection(b).c_str());
        out << line;
        for (const loop_measurement* m : {&a, &b}) {
            if (!m->relay) continue;
            std::snprintf(line, sizeof line, "      %s: a relay loop, limit cycle at rest %.3g RMS at %.2f rad/s\n",
                          m == &a ? "default" : "tuned", m->at_rest.rms, m->at_rest.frequency);
            out << line;
        }
    }
}

void print_comparison(std::ostream& out, const evaluation& before, const evaluation& after)
{
    char line[240];
    print_bars(out, before, after);
    print_held_out(out, before, after);
    print_loops(out, before, after);
    std::snprintf(line, sizeof line, "Chatter (the commands' mean change from frame to frame, summed over the channels and scenarios): %.0f default, %.0f tuned\n",
                  before.chatter, after.chatter);
    out << line;
    out << "Gains:\n";
    for (int i = 0; i < gain_count; ++i) {
        std::snprintf(line, sizeof line, "  %-9s %10s %10s\n", gain_keys[i].key, gain_text(before.gains[i]).c_str(),
                      gain_text(after.gains[i]).c_str());
        out << line;
    }
}

// Why the tuned file could not be written where asked, found before any flight; empty if it can.
std::string unwritable(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::is_directory(path, error)) return "is a folder; --out names the file to write";
    const fs::path folder = fs::path(path).has_parent_path() ? fs::path(path).parent_path() : fs::path(".");
    if (!fs::is_directory(folder, error)) return "its folder " + folder.string() + " does not exist";
    if (access(folder.string().c_str(), W_OK) != 0) return "its folder " + folder.string() + " is not writable";
    if (fs::exists(path, error) && access(path.c_str(), W_OK) != 0) return "is not writable";
    return {};
}

// What a tune starts from: the aircraft, the pilot's file (the sample when none) and its gains,
// and where the result goes.
struct tune_request {
    aircraft_file aircraft;
    std::string config_path, out_path, original;
    gain_values starting{};
    unsigned long seed = 1;
    int jobs = 2, rounds = 1;
};

// Reads and checks everything before any flight; 0, or the exit status (2) after saying why.
int read_tune_request(const command_args& args, tune_request& t)
{
    t.config_path = args.text("--config");
    t.out_path = args.text("--out");
    t.seed = static_cast<unsigned long>(args.whole("--seed", 1));
    t.jobs = static_cast<int>(args.whole("--jobs", 2));
    t.rounds = static_cast<int>(args.whole("--rounds", 1));
    if (!read_flyable_aircraft(args.text("--aircraft"), "tune", t.aircraft)) return 2;
    t.original = sample_configuration_text();
    if (!t.config_path.empty()) {
        std::ifstream file(t.config_path, std::ios::binary);
        if (!file || !std::filesystem::is_regular_file(t.config_path)) {
            std::cerr << "flightsim tune: " << t.config_path << ": cannot be read\n";
            return 2;
        }
        std::stringstream text;
        text << file.rdbuf();
        t.original = text.str();
    }
    if (t.out_path.empty()) t.out_path = "tuned_" + t.aircraft.name + ".cfg";
    if (const std::string why = unwritable(t.out_path); !why.empty()) {
        std::cerr << "flightsim tune: " << t.out_path << ": " << why << "\n";
        return 2;
    }
    t.starting = t.config_path.empty() ? default_gains() : read_gains(t.config_path);
    return 0;
}

// Each round: starting points (the round's starting gains, and each gain of the others those
// times a factor drawn between 1/20 and 2 on a logarithmic scale, a gain left at 0 drawn up to a
// tenth of its bound), a first BOBYQA run from the best of them, then restarts. The first round
// starts from the pilot's gains, each further one from the best found so far.
void search_rounds(search& s, const tune_request& t)
{
    std::mt19937_64 random(t.seed);
    for (int round = 0; round < t.rounds; ++round) {
        const gain_values round_start = round == 0 ? t.starting : s.best.gains;
        std::vector<std::pair<double, std::vector<double>>> starts;
        for (int p = 0; p < starting_points; ++p) {
            gain_values g = round_start;
            if (p > 0) {
                std::uniform_real_distribution<double> factor(sim::log(0.05), sim::log(2.0)), share(0.0, 0.1);
                for (int i = 0; i < gain_count; ++i)
                    g[i] = round_start[i] > 0.0 ? std::fmin(round_start[i] * sim::exp(factor(random)), s.upper[i])
                                                : share(random) * s.upper[i];
            }
            std::vector<double> y = coordinates_of(g, s.upper), unused;
            starts.push_back({objective(y, unused, &s), y});
        }
        std::stable_sort(starts.begin(), starts.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<double> y = starts[0].second;
        run_bobyqa(s, y, first_run, 0.1);
        for (int r = 0; r < restart_runs; ++r) {
            if (r + 1 < restart_runs) {
                y = starts[static_cast<size_t>(r) + 1].second;
            } else {
                std::normal_distribution<double> move(0.0, 0.05);
                y = coordinates_of(s.best.gains, s.upper);
                for (double& v : y) v = std::fmin(std::fmax(v + move(random), 0.0), 1.0);
            }
            run_bobyqa(s, y, restart_run, 0.08);
        }
    }
}

// The starting gains and the search's few best points flown again in full, each with the
// held-out flights, which the search never flew; the default gains' (before) are the measure of
// every other's. The one with the fewest misses, then the lowest cost, is the result (the
// pilot's own gains if none does better).
// Gains flown in full with the held-out flights and judged against the defaults' (before); the
// defaults themselves are before.
evaluation in_full(const aircraft_file& aircraft, const gain_values& gains, const evaluation& before, int jobs)
{
    if (gains == default_gains()) return before;
    evaluation full = fly(aircraft, gains, report_flights, jobs);
    full.held_out = fly_held_out(aircraft, gains, jobs);
    judge(full, before, report_aims);
    return full;
}

// The default gains flown in full, the measure of every other's.
evaluation defaults_in_full(const aircraft_file& aircraft, int jobs)
{
    evaluation before = fly(aircraft, default_gains(), report_flights, jobs);
    before.held_out = fly_held_out(aircraft, default_gains(), jobs);
    judge(before, before, report_aims);
    return before;
}

evaluation chosen_result(const search& s, const tune_request& t, evaluation& before)
{
    before = defaults_in_full(t.aircraft, t.jobs);
    std::vector<gain_values> candidates = {t.starting};
    for (const evaluation& leader : s.leaders) candidates.push_back(leader.gains);
    evaluation after;
    bool chosen = false;
    for (const gain_values& gains : candidates) {
        const evaluation full = in_full(t.aircraft, gains, before, t.jobs);
        std::cout << "Flown in full: " << (gains == default_gains() ? "the default gains" : gains == t.starting ? "the pilot's gains" : "a point of the search")
                  << ", cost " << number(full.cost, 2) << ", " << full.misses.size() << " misses";
        for (size_t i = 0; i < full.misses.size() && i < 3; ++i) std::cout << (i == 0 ? ": " : "; ") << full.misses[i];
        std::cout << (full.misses.size() > 3 ? "; ...\n" : "\n");
        if (!chosen || full.misses.size() < after.misses.size() ||
            (full.misses.size() == after.misses.size() && full.cost < after.cost))
            after = full;
        chosen = true;
    }
    return after;
}

// The tuned file's first lines, in a pilot's words.
std::vector<std::string> tuned_file_comment(const tune_request& t, const evaluation& after)
{
    const aircraft_file& aircraft = t.aircraft;
    std::vector<std::string> comment = {"gains tuned for " + aircraft.name + ".aircraft, a model helicopter of brask_torvik's test flight simulator" +
                                            (aircraft.title.empty() ? "" : ": " + aircraft.title),
                                        "tuned on " + today() + " (flightsim tune --seed " + std::to_string(t.seed) +
                                            (t.rounds > 1 ? " --rounds " + std::to_string(t.rounds) : "") +
                                            "); a starting point for a helicopter like it, not gains made for yours"};
    if (hover_only(aircraft.parameters))
        comment.push_back("tuned in the hover only, where its file holds (speed_limit): the speed hold's gains are the starting file's");
    if (after.gains == default_gains()) comment.push_back("the search found nothing better than the built-in defaults: these are they");
    if (after.misses.empty()) {
        comment.push_back("recommended: on the model it held attitude, heading, height and speed within our limits in every test flight,");
        comment.push_back("with room to spare in every control loop, and no flight more than 10 % worse than with the built-in gains");
    } else {
        comment.push_back("NOT recommended: the best gains found miss " + std::to_string(after.misses.size()) + " of our tests:");
    }
    for (const std::string& miss : after.misses) comment.push_back("misses " + miss);
    comment.push_back("to use it: copy it into the simulator's Gauges folder as brask_torvik.cfg (keep the [joy_kanal] lines of");
    comment.push_back("your own file, your joystick channels), then load the helicopter again");
    return comment;
}

// What the gains miss, a line each after the count, or that they miss nothing; the exit status,
// 3 or 0.
int said_misses(const std::vector<std::string>& misses, const char* missing, const char* met)
{
    if (misses.empty()) {
        std::cout << met << "\n";
        return 0;
    }
    std::cout << missing << misses.size() << ":\n";
    for (const std::string& miss : misses) std::cout << "  " << miss << "\n";
    return 3;
}

// Writes the tuned file (the pilot's kept as CFG.bak when it is the one written); the exit status.
int write_result(const tune_request& t, const evaluation& after)
{
    std::error_code same_error;
    if (!t.config_path.empty() && std::filesystem::exists(t.out_path) &&
        std::filesystem::equivalent(t.config_path, t.out_path, same_error)) {
        std::error_code copy_error;
        std::filesystem::copy_file(t.config_path, t.config_path + ".bak", std::filesystem::copy_options::overwrite_existing, copy_error);
        if (copy_error) {
            std::cerr << "flightsim tune: cannot keep a backup of " << t.config_path << " (" << copy_error.message() << "); nothing written\n";
            return 1;
        }
        std::cout << "The pilot's file kept as " << t.config_path << ".bak\n";
    }
    if (!write_tuned_configuration(t.out_path, t.original, after.gains, tuned_file_comment(t, after))) {
        std::cerr << "flightsim tune: cannot write " << t.out_path << "\n";
        return 1;
    }
    std::cout << "Written: " << t.out_path << "\n";
    return said_misses(after.misses, "Not recommended: the best gains found miss ",
                       "Every bar, margin and allowance met, the held-out flights no worse: recommended.");
}

// No search: the pilot's gains flown in full with the held-out flights and judged against the
// default gains, as a tuned result is; nothing written.
int judge_only(const tune_request& t)
{
    std::cout << hover_only_note(t.aircraft);
    const evaluation before = defaults_in_full(t.aircraft, t.jobs);
    const evaluation after = in_full(t.aircraft, t.starting, before, t.jobs);
    std::cout << "Judged: the gains of " << (t.config_path.empty() ? "the sample file" : t.config_path) << " (\"tuned\" below) on "
              << t.aircraft.name << (t.aircraft.title.empty() ? "" : " (" + t.aircraft.title + ")")
              << ", against the default gains; nothing written\n";
    print_comparison(std::cout, before, after);
    return said_misses(after.misses, "They miss ", "Every bar, margin and allowance met, the held-out flights no worse.");
}

int run_tune(const command_args& args)
{
    tune_request t;
    if (const int status = read_tune_request(args, t); status != 0) return status;
    if (args.has("--judge")) return judge_only(t);

    search s;
    s.aircraft = &t.aircraft;
    s.jobs = t.jobs;
    s.upper = upper_bounds();
    s.budget = t.rounds * (starting_points + first_run + restart_runs * restart_run);
    s.progress = isatty(2) != 0;
    s.began = std::chrono::steady_clock::now();
    s.hover_only = hover_only(t.aircraft.parameters);
    s.start = t.starting;
    nlopt::srand(t.seed);
    std::cout << hover_only_note(t.aircraft);

    // The default gains as the search flies them: what each evaluation is measured against.
    s.defaults = fly(t.aircraft, default_gains(), search_flights, t.jobs);
    judge(s.defaults, s.defaults, search_aims);
    search_rounds(s, t);
    if (s.progress) std::fprintf(stderr, "\r%100s\r", "");

    evaluation before;
    const evaluation after = chosen_result(s, t, before);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - s.began).count();
    std::cout << "Tuned gains for " << t.aircraft.name << (t.aircraft.title.empty() ? "" : " (" + t.aircraft.title + ")")
              << ": " << s.evaluations << " evaluations, seed " << t.seed << ", " << t.rounds
              << (t.rounds > 1 ? " rounds, " : " round, ") << t.jobs << " jobs, " << number(seconds, 1) << " s\n";
    print_comparison(std::cout, before, after);
    return write_result(t, after);
}

}  // namespace

tool_command tune_command()
{
    tool_command c;
    c.name = "tune";
    c.summary = "gains tuned for an aircraft, written as a configuration file";
    c.description =
        "Searches the fifteen gains of the configuration file for the aircraft so that every bar of\n"
        "the scenarios 01 to 05, 09 (cruise in moderate turbulence) and 10 (a speed change) is met,\n"
        "every loop keeps 6 dB and 45 degrees of margin in hover and at 150 km/h and at least 0.8 x\n"
        "the default gains' disturbance-rejection bandwidth (a loop through the speed hold's relay:\n"
        "a limit cycle at rest at most 10 % above the default's), with little chatter of the\n"
        "commands. The best gains are then flown on held-out flights the search never saw (the\n"
        "benchmark hour, 06, 07, 11 to 13): they are recommended only if no hold there is more than\n"
        "10 % worse than with the default gains (or beyond its bar, whichever is looser). Prints the\n"
        "defaults and the tuned gains side by side and writes a complete configuration file.\n"
        "\n"
        "Before any flight the aircraft must trim in a hover and at 150 km/h, and --out's folder must\n"
        "be writable. The file is written only when the search is over, whole (under a temporary\n"
        "name, then renamed); when --out is the --config file, the pilot's file is kept as CFG.bak.\n"
        "Ctrl-C ends every flight, removes their temporary folders and writes nothing.\n"
        "\n"
        "With --judge there is no search: the --config file's gains (gains tuned on a fitted aircraft\n"
        "file, say) are flown on the aircraft and judged as a result would be; exit 0 or 3 as below.\n";
    c.options = {aircraft_option(),
                 {"--config", "CFG", "the pilot's configuration: the search starts from its gains, and every\n"
                                     "other line of it is kept in the file written (default: the sample file)"},
                 {"--out", "CFG", "the file written (default: tuned_NAME.cfg, NAME the aircraft file's)"},
                 {"--seed", "N", "the restarts' random moves (default 1); the same seed gives the same gains", 0, 4294967295LL},
                 {"--judge", "", "no search: the --config's gains flown and judged as a result would be (every\n"
                                 "flight, margin and held-out flight against the default gains); nothing written"},
                 {"--rounds", "N", "searches one after another, each from the best gains found before (default\n"
                                   "1, at most 9): a search that ended just short of an aim may reach it", 1, 9},
                 jobs_option()};
    c.exit_status =
        "Exit status:\n"
        "  0    every bar, margin and allowance met, the held-out flights no worse: recommended\n"
        "  1    the file could not be written (or the pilot's file not backed up)\n"
        "  2    bad input, found before any search: a bad argument; an aircraft file with a missing or\n"
        "       non-physical parameter, or one that does not trim both in a hover and at 150 km/h; a\n"
        "       configuration file that cannot be read; an --out whose folder is missing or not writable\n"
        "  3    the best gains found still miss a bar, a margin or an allowance, or are worse on a\n"
        "       held-out flight: not recommended (the file is written, the misses listed in it and on\n"
        "       the screen)\n"
        "  130  interrupted (Ctrl-C): nothing written, nothing left behind\n";
    c.run = run_tune;
    return c;
}

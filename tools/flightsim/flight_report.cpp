// The flight's reports: the CSV row of every frame, the summary table and its JSON lines, and
// the gnuplot script of the plots.
#include "tools/flightsim/flight_report.h"

#include <charconv>
#include <cmath>
#include <iostream>
#include <sstream>

#include "tools/flightsim/flight_session.h"
#include "tools/flightsim/host_link.h"
#include "tools/flightsim/sim_math.h"
#include "tools/gaugehost/json_output.h"

namespace flight_report {

std::string fixed(double value, int precision)
{
    if (!std::isfinite(value)) return "";
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, precision);
    return std::string(text, result.ptr);
}

std::string padded(const std::string& text, size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

}  // namespace flight_report

using flight_report::fixed;
using flight_report::kmh_per_knot;
using flight_report::padded;
using flight_report::settled_for;
using flight_report::settling_period;

namespace {
const char* const held_units[held_count] = {"deg", "deg", "deg", "m", "km/h"};
}  // namespace

void flight_session::write_row(const expectation& e, const host_readings& r, const panel_state& panel,
                               const std::array<double, 4>& commands, bool paused)
{
    if (frames_ == 0) heading_unwrapped_ = r.heading;
    else heading_unwrapped_ += sim::wrap(r.heading - last_heading_ + 180.0, 360.0) - 180.0;
    last_heading_ = r.heading;
    for (int i = 0; i < held_count; ++i) ever_held_[i] = ever_held_[i] || e.held[i];
    if (!csv_.is_open()) return;
    auto target = [&](held_quantity q, int precision) { return e.held[q] ? fixed(e.target[q], precision) : std::string(); };
    const wind_vector w = wind_.at(sim_time_);
    std::string row;
    row.reserve(400);
    const std::string fields[] = {
        fixed(sim_time_, 3), fixed(host_time_, 3), paused ? "1" : "0", r.on_ground != 0.0 ? "1" : "0",
        panel.master ? "1" : "0", panel.master && panel.heading_active ? "1" : "0",
        panel.master && panel.height_on ? "1" : "0", panel.source_radio ? "1" : "0",
        panel.master && panel.speed_active ? "1" : "0",
        fixed(r.bank, 3), target(held_bank, 3), fixed(r.pitch, 3), target(held_pitch, 3),
        fixed(r.heading, 3), target(held_heading, 3), fixed(heading_unwrapped_, 3),
        e.held[held_heading]
            ? fixed(heading_unwrapped_ - (sim::wrap(r.heading - e.target[held_heading] + 180.0, 360.0) - 180.0), 3)
            : std::string(),
        fixed(r.altitude, 3), fixed(r.radio_height, 3),
        target(held_height, 3), fixed(ground_.elevation(state_[s_north], state_[s_east]), 3),
        fixed(r.airspeed * kmh_per_knot, 3), target(held_speed, 3), fixed(r.vertical_speed / 256.0, 3),
        fixed(r.turn_rate / turn_rate_units_per_degree, 3),
        fixed(commands[0], 0), fixed(commands[1], 0), fixed(commands[2], 0), fixed(commands[3], 0),
        fixed(axes_.aileron, 0), fixed(axes_.elevator, 0), fixed(axes_.rudder, 0), fixed(axes_.collective, 0),
        fixed(state_[s_north], 2), fixed(state_[s_east], 2), fixed(w.north, 3), fixed(w.east, 3), fixed(w.down, 3)};
    for (size_t i = 0; i < std::size(fields); ++i) {
        if (i > 0) row += ',';
        row += fields[i];
    }
    row += '\n';
    csv_ << row;
}

void flight_session::summary(std::ostream& out)
{
    for (int i = 0; i < held_count; ++i)
        if (was_held_[i] && !settled_[i] && sim_time_ - change_time_[i] >= settling_period + settled_for)
            stats_[i].unsettled = true;

    std::ostringstream table;
    const std::string title = name_.empty() ? "flight" : name_;
    table << title << ": " << fixed(flown_seconds_, 1) << " s flown, wind " << fixed(wind_from_, 0) << " deg "
          << fixed(wind_kmh_, 0) << " km/h, turbulence " << turbulence_name_ << "\n";
    table << "  held     unit   time s  settle s  RMS dev  max dev     bar  result   largest command\n";
    for (int i = 0; i < held_count; ++i) {
        const hold_statistics& s = stats_[i];
        if (s.held_seconds <= 0.0 && !s.bar) continue;
        const char* channel = i == held_bank ? "roll" : i == held_heading ? "pedal" : i == held_height ? "collective +-" : "pitch";
        std::string verdict = "";
        if (s.bar) verdict = s.held_seconds > 0.0 && s.rms() <= *s.bar ? "meets" : "MISSES";
        table << "  " << std::string(held_name(static_cast<held_quantity>(i))) + std::string(9 - std::string(held_name(static_cast<held_quantity>(i))).size(), ' ')
              << std::string(held_units[i]) + std::string(5 - std::string(held_units[i]).size(), ' ')
              << padded(fixed(s.held_seconds, 0), 8) << padded(s.unsettled ? "never" : fixed(s.settling, 1), 10)
              << padded(fixed(s.rms(), 2), 9) << padded(fixed(s.largest_deviation, 2), 9)
              << padded(s.bar ? fixed(*s.bar, 1) : "-", 8) << padded(verdict, 8) << "   " << channel << " "
              << fixed(s.largest_command, 0) << "\n";
        out << "{\"summary\":" << json_string(title) << ",\"held\":\"" << held_name(static_cast<held_quantity>(i))
            << "\",\"seconds\":" << json_number(s.held_seconds) << ",\"rms\":" << json_number(s.rms())
            << ",\"max\":" << json_number(s.largest_deviation) << ",\"settling\":"
            << (s.unsettled ? std::string("null") : json_number(s.settling))
            << ",\"largest_command\":" << json_number(s.largest_command);
        if (s.bar) out << ",\"bar\":" << json_number(*s.bar) << ",\"meets\":" << (verdict == "meets" ? "true" : "false");
        out << "}\n";
    }
    for (const auto& [time, jump] : handbacks_) {
        table << "  hand-back at " << fixed(time, 1) << " s: axes moved by aileron " << fixed(jump[0], 0) << ", elevator "
              << fixed(jump[1], 0) << ", rudder " << fixed(jump[2], 0) << ", collective " << fixed(jump[3], 0)
              << " (of 16384)\n";
        out << "{\"summary\":" << json_string(title) << ",\"handback\":" << json_number(time) << ",\"aileron\":"
            << json_number(jump[0]) << ",\"elevator\":" << json_number(jump[1]) << ",\"rudder\":" << json_number(jump[2])
            << ",\"collective\":" << json_number(jump[3]) << "}\n";
    }
    std::cerr << table.str();
    if (!name_.empty()) {
        csv_.flush();
        std::ofstream(output_path(".summary.txt"), std::ios::binary) << table.str();
        write_plot_script();
    }
}

void flight_session::write_plot_script() const
{
    auto held_line = [this](held_quantity q, const char* column, const char* colour) {
        if (!ever_held_[q]) return std::string();
        return std::string(", '' using 'time_s':(held('") + column + "')) with lines dt 2 lw 1.5 lc rgb '" + colour +
               "' notitle";
    };
    std::ofstream gp(output_path(".gp"), std::ios::binary);
    const std::string csv = name_ + ".csv";
    gp << "# gnuplot script: " << name_ << ".png from " << csv << " (run it in the CSV's folder)\n"
       << "set terminal pngcairo size 1400,1700 font \",10\" noenhanced\n"
       << "set output '" << name_ << ".png'\n"
       << "set datafile separator comma\n"
       << "set key top right horizontal font \",9\"\n"
       << "set grid\n"
       << "set xlabel 'time, s'\n"
       << "held(c) = strlen(strcol(c)) == 0 ? NaN : column(c)  # an empty field: not held, the line breaks\n";
    int object = 1;
    for (const auto& [from, to] : engaged_periods_)
        gp << "set object " << object++ << " rect from " << fixed(from, 3) << ", graph 0 to " << fixed(to, 3)
           << ", graph 1 behind fillcolor rgb '#dde8f7' fillstyle solid noborder\n";
    gp << "set multiplot layout 6,1 title '" << name_ << " (shaded: autopilot engaged)'\n"
       << "set ylabel 'degrees'\n"
       << "set title 'attitude: bank (+ left wing down), pitch (+ nose down); dashed: held'\n"
       << "plot '" << csv << "' using 'time_s':'bank_deg' with lines lw 1.5 lc rgb '#1f77b4' title 'bank'"
       << held_line(held_bank, "bank_target", "#1f77b4")
       << ", '' using 'time_s':'pitch_deg' with lines lw 1.5 lc rgb '#d62728' title 'pitch'"
       << held_line(held_pitch, "pitch_target", "#d62728") << "\n"
       << "set title 'magnetic heading; dashed: held'\n"
       << "plot '" << csv << "' using 'time_s':'heading_unwrapped_deg' with lines lw 1.5 lc rgb '#2ca02c' title 'heading'"
       << held_line(held_heading, "heading_target_unwrapped", "#2ca02c") << "\n"
       << "set ylabel 'metres'\n"
       << "set title 'height: barometric altitude and radio height of the skids, ground elevation; dashed: held'\n"
       << "plot '" << csv << "' using 'time_s':'altitude_m' with lines lw 1.5 lc rgb '#9467bd' title 'altitude', \\\n"
       << "     '' using 'time_s':'radio_height_m' with lines lw 1.5 lc rgb '#ff7f0e' title 'radio height', \\\n"
       << "     '' using 'time_s':'ground_m' with filledcurves y1=0 fs transparent solid 0.3 lc rgb '#8c564b' title 'ground'"
       << held_line(held_height, "height_target", "#000000") << "\n"
       << "set ylabel 'km/h'\n"
       << "set title 'indicated airspeed; dashed: held'\n"
       << "plot '" << csv << "' using 'time_s':'airspeed_kmh' with lines lw 1.5 lc rgb '#17becf' title 'airspeed'"
       << held_line(held_speed, "speed_target", "#17becf") << "\n"
       << "set ylabel 'axis units'\n"
       << "set title 'roll, pitch and pedal commands sent by the module (full deflection 16384)'\n"
       << "plot '" << csv << "' using 'time_s':'roll_cmd' with lines lc rgb '#1f77b4' title 'roll 65695', \\\n"
       << "     '' using 'time_s':'pitch_cmd' with lines lc rgb '#d62728' title 'pitch 65694', \\\n"
       << "     '' using 'time_s':'pedal_cmd' with lines lc rgb '#2ca02c' title 'pedals 65696'\n"
       << "set title 'collective command sent by the module (0 lever down, 16384 up)'\n"
       << "plot '" << csv << "' using 'time_s':'collective_cmd' with lines lc rgb '#9467bd' title 'collective 65697'\n"
       << "unset multiplot\n";
}

#include "tools/flightsim/identify/recording.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "recorder/flight_card.h"
#include "tools/flightsim/session/host_link.h"

const char* const required_columns[] = {"time_s",       "bank_deg",        "pitch_deg",         "heading_deg",
                                        "turn_rate_dps", "altitude_m",     "vertical_speed_ms", "airspeed_kmh",
                                        "aileron",      "elevator",        "rudder",            "collective",
                                        nullptr};

namespace {
constexpr double steady_frame_ratio = 2.5;     // an interval this many times the usual (or 1/this) is not steady
constexpr double check_window_s = 5.0;         // heights and heading compared over windows this long
constexpr double height_allowance_m = 1.0;     // plus 10 % of the change
constexpr double heading_allowance_deg = 3.0;  // plus 10 % of the change
constexpr double largest_attitude_deg = 90.0;  // bank or pitch beyond it: the helicopter was lost

std::vector<std::string> split(const std::string& line)
{
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, ',')) fields.push_back(field);
    if (!line.empty() && line.back() == ',') fields.emplace_back();
    return fields;
}

bool number(const std::string& text, double& value)
{
    if (text == "nan") return value = std::nan(""), true;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

double wrapped(double degrees)
{
    return degrees - 360.0 * std::floor((degrees + 180.0) / 360.0);
}

std::string seconds(double t)
{
    std::ostringstream out;
    out.precision(1);
    out << std::fixed << t << " s";
    return out.str();
}
}  // namespace

int whole_number(double value)
{
    constexpr double int_range = 2147483648.0;  // 2^31
    return value > -int_range && value < int_range ? static_cast<int>(value) : 0;
}

recording read_recording(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) throw recording_error(0, "cannot be read");
    return read_recording(file);
}

recording read_recording(std::istream& file)
{
    recording r;
    std::vector<std::string> names;
    std::string line;
    int number_of_line = 0;
    while (std::getline(file, line)) {
        ++number_of_line;
        // The last line without its line end: a write the disk could not finish, its last number
        // perhaps cut to fewer digits; left out whole.
        const bool cut_short = file.eof();
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::vector<std::string> fields = split(line);
        if (names.empty()) {
            names = fields;
            for (const char* const* c = required_columns; *c != nullptr; ++c)
                if (std::find(names.begin(), names.end(), *c) == names.end())
                    throw recording_error(number_of_line, std::string("no column ") + *c + ": not a recording");
            for (const std::string& name : names)
                if (!r.columns.emplace(name, std::vector<double>()).second)
                    throw recording_error(number_of_line, "column " + name.substr(0, 40) + " named twice");
            continue;
        }
        if (cut_short) break;
        if (fields.size() != names.size()) {
            throw recording_error(number_of_line, std::to_string(fields.size()) + " fields where the header names " +
                                                      std::to_string(names.size()));
        }
        for (size_t i = 0; i < fields.size(); ++i) {
            double value = 0.0;
            if (!number(fields[i], value)) {
                throw recording_error(number_of_line, names[i] + " is not a number: '" + fields[i].substr(0, 40) + "'");
            }
            r.columns[names[i]].push_back(value);
        }
        r.lines.push_back(number_of_line);
    }
    if (names.empty()) throw recording_error(0, "empty: not a recording");
    if (r.frames() < 2) throw recording_error(0, "fewer than two frames");
    return r;
}

namespace {
// A step flown with the autopilot engaged measures its loops, not the helicopter. Where the
// recording says whether it was engaged (the flight simulator's log does), each step's last take,
// the one identification uses, must have been flown with it off.
void check_autopilot_off(const recording& r)
{
    if (!r.has("engaged") || !r.has("step")) return;
    const std::vector<double>& step = r["step"];
    const std::vector<double>& engaged = r["engaged"];
    auto take = [&r](size_t i) { return r.has("take") ? r["take"][i] : 1.0; };
    std::map<int, double> last_take;
    for (size_t i = 0; i < r.frames(); ++i) last_take[whole_number(step[i])] = take(i);
    for (size_t i = 0; i < r.frames(); ++i) {
        const int n = whole_number(step[i]);
        if (n < 1 || n > flight_card_steps || take(i) != last_take[n] || engaged[i] == 0.0) continue;
        throw recording_error(r.lines[i], "the autopilot was engaged at " + seconds(r["time_s"][i]) + ", in step " +
                                              std::to_string(n) + " (" + flight_card[n - 1].title +
                                              "), which is flown with it off: fly step " + std::to_string(n) +
                                              " again with the autopilot off");
    }
}
}  // namespace

void check_recording(const recording& r)
{
    const std::vector<double>& t = r["time_s"];
    std::vector<double> intervals;
    for (size_t i = 1; i < t.size(); ++i) intervals.push_back(t[i] - t[i - 1]);
    std::vector<double> sorted = intervals;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double usual = sorted[sorted.size() / 2];
    if (!(usual > 0.0)) throw recording_error(0, "the time does not advance");
    for (size_t i = 0; i < intervals.size(); ++i)
        if (!(intervals[i] > usual / steady_frame_ratio && intervals[i] < usual * steady_frame_ratio))
            throw recording_error(r.lines[i + 1], "an unsteady frame rate: " + std::to_string(intervals[i]) +
                                                      " s since the frame before, where frames are " + std::to_string(usual) +
                                                      " s apart");

    // A helicopter rolled or pitched past 90 degrees was lost, not flown through the card, and the
    // frames after say nothing of how it answers its controls.
    const std::vector<double>& bank = r["bank_deg"];
    const std::vector<double>& pitch = r["pitch_deg"];
    for (size_t i = 0; i < t.size(); ++i)
        if (std::fabs(bank[i]) > largest_attitude_deg || std::fabs(pitch[i]) > largest_attitude_deg)
        {
            char attitude[80];
            std::snprintf(attitude, sizeof attitude, "bank %.1f and pitch %.1f degrees", bank[i], pitch[i]);
            throw recording_error(r.lines[i], "the helicopter was lost at " + seconds(t[i]) + ": " + attitude +
                                                  "; no step can be fitted from such a flight");
        }

    check_autopilot_off(r);

    // Over each window: the change of height against the vertical speed's integral, the change of
    // heading against the turn rate's.
    const std::vector<double>& height = r["altitude_m"];
    const std::vector<double>& climb = r["vertical_speed_ms"];
    const std::vector<double>& heading = r["heading_deg"];
    const std::vector<double>& turn = r["turn_rate_dps"];
    size_t start = 0;
    double climbed = 0.0, turned = 0.0, heading_change = 0.0;
    for (size_t i = 1; i < t.size(); ++i) {
        const double dt = t[i] - t[i - 1];
        climbed += 0.5 * (climb[i] + climb[i - 1]) * dt;
        turned += 0.5 * (turn[i] + turn[i - 1]) * dt;
        heading_change += wrapped(heading[i] - heading[i - 1]);
        if (t[i] - t[start] < check_window_s) continue;
        const double height_change = height[i] - height[start];
        if (std::fabs(height_change - climbed) > height_allowance_m + 0.1 * std::fabs(height_change))
            throw recording_error(r.lines[i], "heights and vertical speed do not integrate into each other from " +
                                                  seconds(t[start]) + " to " + seconds(t[i]) + ": the height changed " +
                                                  std::to_string(height_change) + " m, the vertical speed says " +
                                                  std::to_string(climbed) + " m");
        if (std::fabs(heading_change - turned) > heading_allowance_deg + 0.1 * std::fabs(heading_change))
            throw recording_error(r.lines[i], "heading and turn rate do not integrate into each other from " +
                                                  seconds(t[start]) + " to " + seconds(t[i]) + ": the heading turned " +
                                                  std::to_string(heading_change) + " degrees, the turn rate says " +
                                                  std::to_string(turned));
        start = i;
        climbed = turned = heading_change = 0.0;
    }
}

double share_at_a_stop(const recording& r, const std::string& axis_column, const std::vector<size_t>& frames)
{
    constexpr double within_a_unit = 0.5;  // axis units: the recorded value is a whole one
    const double lowest = axis_column == "collective" ? 0.0 : -full_axis;
    const std::vector<double>& axis = r[axis_column];
    size_t at_highest = 0, at_lowest = 0;
    for (size_t i : frames) {
        const double value = axis[i];
        if (value >= full_axis - within_a_unit) ++at_highest;
        else if (value <= lowest + within_a_unit) ++at_lowest;
    }
    return frames.empty() ? 0.0 : static_cast<double>(std::max(at_highest, at_lowest)) / static_cast<double>(frames.size());
}

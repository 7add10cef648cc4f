#include "tools/flightsim/commands/flight_commands.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "tools/flightsim/aircraft/aircraft_file.h"
#include "tools/flightsim/session/flight_session.h"
#include "tools/flightsim/session/per_flight_thread.h"
#include "tools/gaugehost/script/script_commands.h"

namespace {

// The one flight of this thread (gaugehost runs one host at a time on a thread).
flight_session& current_flight()
{
    return per_flight_thread_object<flight_session>();
}

struct bad_command : std::runtime_error {
    using std::runtime_error::runtime_error;
};

double number(const std::vector<std::string>& words, size_t index, const char* what)
{
    if (index >= words.size()) throw bad_command(std::string("'") + words[0] + "' needs " + what);
    const std::string& word = words[index];
    double value = 0.0;
    const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
    if (result.ec != std::errc() || result.ptr != word.data() + word.size() || !std::isfinite(value))
        throw bad_command("bad " + std::string(what) + " " + quoted_word(word));
    return value;
}

double positive(const std::vector<std::string>& words, size_t index, const char* what)
{
    const double value = number(words, index, what);
    if (value < 0.0) throw bad_command(std::string(what) + " must not be negative");
    return value;
}

void expect_count(const std::vector<std::string>& words, size_t least, size_t most)
{
    if (words.size() < least || words.size() > most)
        throw bad_command("'" + words[0] + "' takes " + std::to_string(least - 1) +
                          (least == most ? "" : " to " + std::to_string(most - 1)) + " arguments");
}

// [heading DEG] from index on; returns the heading, 0 by default.
double heading_option(const std::vector<std::string>& words, size_t index)
{
    if (words.size() == index) return 0.0;
    if (words.size() != index + 2 || words[index] != "heading")
        throw bad_command("'start' takes 'heading DEG' after its numbers");
    return number(words, index + 1, "heading");
}

double turbulence_w20(const std::string& word, std::string& name)
{
    name = word;
    if (word == "off") return 0.0;
    if (word == "light") return 15.0 * 1.852;
    if (word == "moderate") return 30.0 * 1.852;
    if (word == "severe") return 45.0 * 1.852;
    double value = 0.0;
    const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
    if (result.ec != std::errc() || result.ptr != word.data() + word.size() || !(value >= 0.0))
        throw bad_command("turbulence is light, moderate, severe, off or a wind speed at 20 ft in km/h");
    name = "W20 " + word + " km/h";
    return value;
}

held_quantity quantity(const std::string& command, const std::string& word)
{
    for (int i = 0; i < held_count; ++i)
        if (word == held_name(static_cast<held_quantity>(i))) return static_cast<held_quantity>(i);
    throw bad_command("'" + command + "' knows bank, pitch, heading, height and speed, not " + quoted_word(word));
}

// A number, or "captured" with an optional signed offset: captured, captured+2, captured-3.
wanted_value wanted(held_quantity q, const std::string& word)
{
    wanted_value w;
    const std::string prefix = "captured";
    std::string number_text = word;
    if (word.rfind(prefix, 0) == 0) {
        if (q == held_bank) throw bad_command("the bank held is never captured: state it in degrees");
        w.captured = true;
        number_text = word.substr(prefix.size());
        if (number_text.empty()) return w;
        if (number_text[0] != '+' && number_text[0] != '-')
            throw bad_command("'captured' takes a signed offset, as captured+2 or captured-3, not " + quoted_word(word));
        if (number_text[0] == '+') number_text.erase(0, 1);
    }
    const auto result = std::from_chars(number_text.data(), number_text.data() + number_text.size(), w.value);
    if (number_text.empty() || result.ec != std::errc() || result.ptr != number_text.data() + number_text.size() ||
        !std::isfinite(w.value))
        throw bad_command("bad value " + quoted_word(word) + " for the " + held_name(q) + " wanted");
    return w;
}

// Parses and, with a host, runs. Throws bad_command for a bad line.
// Each word's step: checks its words (session null: only check) and acts on the thread's flight.
using words_t = std::vector<std::string>;

void aircraft_step(const words_t& words, flight_session* session, GaugeHost*, std::ostream*)
{
    expect_count(words, 2, 2);
    if (!session) return;
    std::ifstream file(words[1]);
    if (!file) throw std::runtime_error("cannot read aircraft file " + quoted_word(words[1]));
    std::stringstream text;
    text << file.rdbuf();
    // Checked as the tools check it: a file that cannot fly (a mass or a lag that cannot be) is refused.
    session->set_aircraft(read_aircraft_text(text.str(), words[1]).parameters);
}

void options_step(const words_t& words, flight_session* session, GaugeHost*, std::ostream*)
{
    if (words.size() < 2) throw bad_command("'options' takes KEY=VALUE pairs");
    std::vector<std::pair<std::string, std::string>> options;
    for (size_t i = 1; i < words.size(); ++i) {
        const size_t equals = words[i].find('=');
        if (equals == std::string::npos || equals == 0) throw bad_command("bad option " + quoted_word(words[i]));
        options.emplace_back(words[i].substr(0, equals), words[i].substr(equals + 1));
    }
    if (session) session->set_options(options);
}

void ground_step(const words_t& words, flight_session* session, GaugeHost*, std::ostream*)
{
    if (words.size() == 2) {
        const double elevation = number(words, 1, "elevation");
        if (session) session->set_ground(terrain(elevation));
        return;
    }
    if (words.size() < 5 || words[1] != "profile" || words.size() % 2 != 1)
        throw bad_command("'ground' takes ELEVATION, or 'profile' HEADING and pairs of DISTANCE ELEVATION");
    const double heading = number(words, 2, "heading");
    std::vector<std::pair<double, double>> profile;
    for (size_t i = 3; i + 1 < words.size(); i += 2) {
        profile.emplace_back(number(words, i, "distance"), number(words, i + 1, "elevation"));
        if (profile.size() > 1 && profile.back().first < profile[profile.size() - 2].first)
            throw bad_command("the profile's distances must increase");
    }
    if (session) session->set_ground(terrain(heading, profile));
}

void wind_step(const words_t& words, flight_session* session, GaugeHost*, std::ostream*)
{
    expect_count(words, 3, 3);
    const double from = number(words, 1, "direction");
    const double speed = positive(words, 2, "speed");
    if (session) session->set_wind(from, speed);
}

void turbulence_step(const words_t& words, flight_session* session, GaugeHost*, std::ostream*)
{
    if (words.size() != 2 && !(words.size() == 4 && words[2] == "seed"))
        throw bad_command("'turbulence' takes a level and optionally 'seed N'");
    std::string level;
    const double w20 = turbulence_w20(words[1], level);
    uint64_t seed = 1;
    if (words.size() == 4) {
        const std::string& word = words[3];
        const auto result = std::from_chars(word.data(), word.data() + word.size(), seed);
        if (result.ec != std::errc() || result.ptr != word.data() + word.size()) throw bad_command("bad seed " + quoted_word(word));
    }
    if (session) session->set_turbulence(w20, seed, level);
}

// sensors noise LEVEL [seed N] [quantised] | sensors quantised
void sensors_step(const words_t& words, flight_session* session, GaugeHost*, std::ostream*)
{
    double level = 0.0;
    uint64_t seed = 1;
    bool quantised = false;
    for (size_t i = 1; i < words.size(); ++i) {
        if (words[i] == "noise" && i + 1 < words.size()) {
            level = positive(words, ++i, "noise level");
        } else if (words[i] == "seed" && i + 1 < words.size()) {
            const std::string& word = words[++i];
            const auto result = std::from_chars(word.data(), word.data() + word.size(), seed);
            if (result.ec != std::errc() || result.ptr != word.data() + word.size()) throw bad_command("bad seed " + quoted_word(word));
        } else if (words[i] == "quantised") {
            quantised = true;
        } else {
            throw bad_command("'sensors' takes 'noise LEVEL', 'seed N' and 'quantised', not " + quoted_word(words[i]));
        }
    }
    if (words.size() == 1) throw bad_command("'sensors' takes 'noise LEVEL', 'seed N' and 'quantised'");
    if (session) session->set_sensors(level, seed, quantised);
}

void gust_step(const words_t& words, flight_session* session, GaugeHost*, std::ostream*)
{
    expect_count(words, 5, 5);
    const double after = positive(words, 1, "start");
    const double from = number(words, 2, "direction");
    const double speed = number(words, 3, "speed");
    const double duration = positive(words, 4, "duration");
    if (duration <= 0.0) throw bad_command("a gust lasts longer than 0 s");
    if (session) session->add_gust(after, from, speed, duration);
}

void start_step(const words_t& words, flight_session* session, GaugeHost*, std::ostream*)
{
    if (words.size() < 2) throw bad_command("'start' takes hover, level or ground");
    if (words[1] == "hover") {
        const double height = positive(words, 2, "height");
        const double heading = heading_option(words, 3);
        if (session) session->start_hover(height, heading);
    } else if (words[1] == "level") {
        const double speed = positive(words, 2, "speed");
        const double height = positive(words, 3, "height");
        const double heading = heading_option(words, 4);
        if (session) session->start_level(speed, height, heading);
    } else if (words[1] == "ground") {
        const double heading = heading_option(words, 2);
        if (session) session->start_ground(heading);
    } else {
        throw bad_command("'start' takes hover, level or ground, not " + quoted_word(words[1]));
    }
}

void fly_step(const words_t& words, flight_session* session, GaugeHost* host, std::ostream* out)
{
    expect_count(words, 2, 2);
    const double seconds = positive(words, 1, "seconds");
    if (session) session->fly(*host, seconds, words[0] == "pause", *out);
}

void record_step(const words_t& words, flight_session* session, GaugeHost*, std::ostream*)
{
    expect_count(words, 2, 2);
    if (words[1].find_first_of("/\\") != std::string::npos) throw bad_command("a record name is not a path");
    for (const char c : words[1])
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            throw bad_command("a record name is a file name, without control bytes: " + quoted_word(words[1]));
    if (session) session->record(words[1]);
}

void expect_step(const words_t& words, flight_session* session, GaugeHost*, std::ostream*)
{
    if (words.size() < 3 || words.size() % 2 == 0) throw bad_command("'expect' takes pairs of QUANTITY RMS");
    for (size_t i = 1; i < words.size(); i += 2) {
        const held_quantity q = quantity(words[0], words[i]);
        const double limit = positive(words, i + 1, "RMS limit");
        if (session) session->expect(q, limit);
    }
}

void want_step(const words_t& words, flight_session* session, GaugeHost*, std::ostream*)
{
    if (words.size() < 3 || words.size() % 2 == 0) throw bad_command("'want' takes pairs of QUANTITY VALUE");
    for (size_t i = 1; i < words.size(); i += 2) {
        const held_quantity q = quantity(words[0], words[i]);
        const wanted_value w = wanted(q, words[i + 1]);
        if (session) session->want(q, w);
    }
}

void sticks_step(const words_t& words, flight_session* session, GaugeHost*, std::ostream*)
{
    if (words.size() != 2 || words[1] != "follow") throw bad_command("'sticks' takes 'follow'");
    if (session) session->sticks_follow();
}

void pilot_step(const words_t& words, flight_session* session, GaugeHost* host, std::ostream*)
{
    if (words.size() != 2 || words[1] != "card") throw bad_command("'pilot' takes 'card'");
    if (session) session->fly_card(*host);
}

void summary_step(const words_t& words, flight_session* session, GaugeHost*, std::ostream* out)
{
    expect_count(words, 1, 1);
    if (session) session->summary(*out);
}

// Each command word with its usage line for gaugehost --help, and its step.
const std::string setting_usage = "aircraft FILE | options KEY=VALUE ... | ground ELEVATION | ground profile HEADING D E ...";
const std::string air_usage = "wind FROM KMH | turbulence LEVEL [seed N] | gust AFTER FROM KMH SECONDS";
const std::string sensors_usage = "sensors [noise LEVEL] [seed N] [quantised]";
const std::string flying_usage = "fly SECONDS | pause SECONDS | sticks follow | pilot card | record NAME | summary";
const std::string holds_usage = "want QUANTITY VALUE|captured[+-D] ... | expect QUANTITY RMS ...   (flight simulator)";

const struct {
    const char* word;
    const std::string& usage;
    void (*step)(const words_t&, flight_session*, GaugeHost*, std::ostream*);
} flight_words[] = {
    {"aircraft", setting_usage, aircraft_step},
    {"options", setting_usage, options_step},
    {"ground", setting_usage, ground_step},
    {"wind", air_usage, wind_step},
    {"turbulence", air_usage, turbulence_step},
    {"gust", air_usage, gust_step},
    {"sensors", sensors_usage, sensors_step},
    {"start", "start hover HEIGHT | start level KMH HEIGHT | start ground   [heading DEG]", start_step},
    {"fly", flying_usage, fly_step},
    {"pause", flying_usage, fly_step},
    {"sticks", flying_usage, sticks_step},
    {"pilot", flying_usage, pilot_step},
    {"record", flying_usage, record_step},
    {"summary", flying_usage, summary_step},
    {"want", holds_usage, want_step},
    {"expect", holds_usage, expect_step},
};

void execute(const words_t& words, GaugeHost* host, std::ostream* out)
{
    flight_session* session = host != nullptr ? &current_flight() : nullptr;
    for (const auto& w : flight_words)
        if (words[0] == w.word) return w.step(words, session, host, out);
}

}  // namespace

std::string check_flight_command(const std::vector<std::string>& words)
{
    try {
        execute(words, nullptr, nullptr);
    } catch (const bad_command& error) {
        return error.what();
    }
    return {};
}

void run_flight_command(const std::vector<std::string>& words, GaugeHost& host, std::ostream& out)
{
    execute(words, &host, &out);
}

void register_flight_commands()
{
    for (const auto& w : flight_words) add_script_command(w.word, {w.usage, check_flight_command, run_flight_command});
}

namespace {
const script_command_registration registered(register_flight_commands);
}  // namespace

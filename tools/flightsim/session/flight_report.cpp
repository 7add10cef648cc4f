// The flight's summary: the table and its JSON lines.
#include "tools/flightsim/session/flight_report.h"

#include <charconv>
#include <cmath>
#include <sstream>

#include "tools/flightsim/session/hold_statistics.h"
#include "tools/gaugehost/host/json_output.h"

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

std::string summary(const flight_conditions& flight, const holding_record& record,
                    const std::vector<handback>& handbacks, std::ostream& out)
{
    std::ostringstream table;
    const std::string& title = flight.title;
    table << title << ": " << fixed(flight.flown_seconds, 1) << " s flown, wind " << fixed(flight.wind_from, 0) << " deg "
          << fixed(flight.wind_kmh, 0) << " km/h, turbulence " << flight.turbulence << "\n";
    table << "  held     unit   time s  settle s  RMS dev  max dev     bar  result   largest command\n";
    for (int i = 0; i < held_count; ++i) {
        const held_quantity q = static_cast<held_quantity>(i);
        const hold_statistics& s = record.of(q);
        if (s.held_seconds <= 0.0 && !s.bar) continue;
        const char* channel = i == held_bank ? "roll" : i == held_heading ? "pedal" : i == held_height ? "collective +-" : "pitch";
        std::string verdict = "";
        if (s.bar) verdict = s.held_seconds > 0.0 && s.rms() <= *s.bar ? "meets" : "MISSES";
        table << "  " << std::string(held_name(q)) + std::string(9 - std::string(held_name(q)).size(), ' ')
              << std::string(held_unit(q)) + std::string(5 - std::string(held_unit(q)).size(), ' ')
              << padded(fixed(s.held_seconds, 0), 8) << padded(s.unsettled ? "never" : fixed(s.settling, 1), 10)
              << padded(fixed(s.rms(), 2), 9) << padded(fixed(s.largest_deviation, 2), 9)
              << padded(s.bar ? fixed(*s.bar, 1) : "-", 8) << padded(verdict, 8) << "   " << channel << " "
              << fixed(s.largest_command, 0) << "\n";
        out << "{\"summary\":" << json_string(title) << ",\"held\":\"" << held_name(q)
            << "\",\"seconds\":" << json_number(s.held_seconds) << ",\"rms\":" << json_number(s.rms())
            << ",\"max\":" << json_number(s.largest_deviation) << ",\"settling\":"
            << (s.unsettled ? std::string("null") : json_number(s.settling))
            << ",\"largest_command\":" << json_number(s.largest_command);
        if (s.bar) out << ",\"bar\":" << json_number(*s.bar) << ",\"meets\":" << (verdict == "meets" ? "true" : "false");
        out << "}\n";
    }
    for (const auto& [time, jump] : handbacks) {
        table << "  hand-back at " << fixed(time, 1) << " s: axes moved by aileron " << fixed(jump[0], 0) << ", elevator "
              << fixed(jump[1], 0) << ", rudder " << fixed(jump[2], 0) << ", collective " << fixed(jump[3], 0)
              << " (of 16384)\n";
        out << "{\"summary\":" << json_string(title) << ",\"handback\":" << json_number(time) << ",\"aileron\":"
            << json_number(jump[0]) << ",\"elevator\":" << json_number(jump[1]) << ",\"rudder\":" << json_number(jump[2])
            << ",\"collective\":" << json_number(jump[3]) << "}\n";
    }
    return table.str();
}

}  // namespace flight_report

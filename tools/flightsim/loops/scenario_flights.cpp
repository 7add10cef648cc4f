#include "tools/flightsim/loops/scenario_flights.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "tools/flightsim/loops/parallel_flights.h"
#include "tools/gaugehost/host/gauge_host.h"
#include "tools/gaugehost/host/linked_module.h"
#include "tools/gaugehost/script/script.h"
#include "tools/gaugehost/script/script_runner.h"

namespace {

// The number after "key": in a JSON line; NaN when absent or null.
double json_field(const std::string& line, const std::string& key)
{
    const size_t at = line.find("\"" + key + "\":");
    if (at == std::string::npos) return std::nan("");
    const char* start = line.c_str() + at + key.size() + 3;
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    return end == start ? std::nan("") : value;
}

std::string json_text(const std::string& line, const std::string& key)
{
    const size_t at = line.find("\"" + key + "\":\"");
    if (at == std::string::npos) return {};
    const size_t start = at + key.size() + 4;
    return line.substr(start, line.find('"', start) - start);
}

std::string prepared_script(const std::string& script, const std::string& aircraft_path, double longest_fly)
{
    std::ostringstream out;
    out << "aircraft " << aircraft_path << "\n";
    std::istringstream lines(script);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "record") continue;
        double seconds = 0.0;
        if (first == "fly" && longest_fly > 0.0 && words >> seconds && seconds > longest_fly) {
            out << "fly " << longest_fly << "\n";
            continue;
        }
        out << line << "\n";
    }
    return out.str();
}

}  // namespace

std::string fly_scenario(const std::string& script, const std::string& aircraft_text, const gain_values& gains,
                         double longest_fly)
{
    const flight_folder folder("scenario", gains);
    const std::filesystem::path aircraft_file = folder.path / "aircraft.txt";
    std::ofstream(aircraft_file, std::ios::binary) << aircraft_text;
    std::ostringstream out;
    {
        GaugeHost host(linked_module());
        const std::vector<script_command> commands =
            parse_script(prepared_script(script, aircraft_file.string(), longest_fly),
                         [&host](const std::string& name) { return host.find_gauge(name) != nullptr; });
        run_script(commands, host, out);
    }

    // The events and the summary's lines.
    std::ostringstream result;
    result.precision(17);
    std::map<uint32_t, double> previous;
    std::array<double, 4> change{};
    std::array<long, 4> count{};
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("{\"frame\":", 0) == 0) {
            const uint32_t id = static_cast<uint32_t>(json_field(line, "event"));
            const double value = json_field(line, "value");
            const int channel = id == 65695 ? 0 : id == 65694 ? 1 : id == 65696 ? 2 : id == 65697 ? 3 : -1;
            if (channel < 0) continue;
            if (const auto it = previous.find(id); it != previous.end()) {
                change[channel] += std::fabs(value - it->second);
                ++count[channel];
            }
            previous[id] = value;
        } else if (line.rfind("{\"summary\":", 0) == 0 && line.find("\"held\":") != std::string::npos) {
            const double settling = json_field(line, "settling");
            const bool has_bar = line.find("\"bar\":") != std::string::npos;
            if (has_bar)
                result << "bar " << json_text(line, "held") << " " << json_field(line, "rms") << " "
                       << json_field(line, "bar") << " " << (std::isnan(settling) ? 0 : 1) << "\n";
            result << "held " << json_text(line, "held") << " " << json_field(line, "rms") << " " << json_field(line, "max")
                   << " " << (has_bar ? json_field(line, "bar") : -1.0) << " " << json_field(line, "seconds") << "\n";
        }
    }
    result << "chatter";
    for (int i = 0; i < 4; ++i) result << " " << (count[i] > 0 ? change[i] / static_cast<double>(count[i]) : 0.0);
    result << "\n";
    return result.str();
}

scenario_result read_scenario_result(const std::string& name, bool ok, const std::string& text)
{
    scenario_result r;
    r.name = name;
    r.ok = ok;
    if (!ok) {
        r.failure = text;
        return r;
    }
    for_each_tagged_line(text, [&r](const std::string& tag, std::istream& words) {
        if (tag == "bar") {
            bar_result b;
            int settled = 1;
            words >> b.quantity >> b.rms >> b.bar >> settled;
            b.settled = settled != 0;
            r.bars.push_back(b);
        } else if (tag == "held") {
            held_result h;
            words >> h.quantity >> h.rms >> h.largest >> h.bar >> h.seconds;
            if (h.bar < 0.0) h.bar = std::nan("");
            r.held.push_back(h);
        } else if (tag == "chatter") {
            for (double& c : r.chatter) words >> c;
        }
    });
    return r;
}

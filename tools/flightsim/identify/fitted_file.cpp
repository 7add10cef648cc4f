#include "tools/flightsim/identify/fitted_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

std::string fitted_file_text(const aircraft_file& start, const fit_result& fit, const std::string& recording_path,
                             bool hover_alone)
{
    std::istringstream in(start.text);
    std::ostringstream text;
    text << "# Fitted by flightsim identify to " << recording_path << " from " << (start.path.empty() ? "bo105" : start.path)
         << ": mean cost " << fit.mean_cost << ".\n";
    for (const fitted_parameter& p : fit.parameters)
        if (p.name == "delay")
            text << "# The responses compared " << p.value << " s behind the controls: the recording's own timing, which the file does not carry.\n";
    bool lag_written = false;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string name;
        words >> name;
        if (name == "speed_limit") continue;  // the fit's own, below, or none: it holds where it was fitted
        lag_written = lag_written || name == "actuator_lag";
        for (const fitted_parameter& p : fit.parameters)
            if (p.name == name && !p.held) {  // a held one keeps its line as the start file has it
                const size_t comment = line.find('#');
                std::ostringstream value;
                value.precision(6);
                value << p.value;
                line = name + std::string(std::max<size_t>(26 - name.size(), 1), ' ') + value.str() +
                       (comment != std::string::npos ? "    " + line.substr(comment) + " [fitted]" : "    # [fitted]");
            }
        text << line << "\n";
    }
    if (!lag_written && fit.fitted.actuator_lag_s > 0.0)
        text << "\n# The controls act through actuators that lag.\n"
             << "actuator_lag              " << fit.fitted.actuator_lag_s << "    # s, each control's, first order [fitted]\n";
    if (hover_alone)
        text << "\n# Fitted to the hover alone: the file holds in the hover, and the tools fly it there only.\n"
             << "speed_limit               " << hover_fit_speed_limit_ms << "        # m/s through the air [fitted]\n";
    return text.str();
}

bool write_fitted_file(const std::string& text, const std::string& out)
{
    const std::string temporary = out + ".partial";
    {
        std::ofstream file(temporary, std::ios::binary);
        file << text;
        if (!file.flush()) return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, out, error);
    return !error;
}

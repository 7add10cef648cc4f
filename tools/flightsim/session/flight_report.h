// What a flight reports: the summary table and its JSON lines, and the text forms the reports
// share.
#pragma once

#include <array>
#include <cstddef>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

class holding_record;

namespace flight_report {

// The value with a fixed number of decimals; empty text when it is not finite.
std::string fixed(double value, int precision);

// The text right-aligned in a field of the given width.
std::string padded(const std::string& text, size_t width);

// A hand-back to the pilot: when, and how far the four axes (aileron, elevator, rudder,
// collective) moved from the frame before.
struct handback {
    double time = 0.0;
    std::array<double, 4> jump{};
};

struct flight_conditions {
    std::string title;
    double flown_seconds = 0.0, wind_from = 0.0, wind_kmh = 0.0;
    std::string turbulence;
};

// The summary table (returned), and one JSON line per held quantity and hand-back on json.
std::string summary(const flight_conditions& flight, const holding_record& record,
                    const std::vector<handback>& handbacks, std::ostream& json);

}  // namespace flight_report

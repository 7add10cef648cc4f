// What a flight reports and the text forms its reports share: the summary's settling rules,
// the CSV row of every frame, the gnuplot script of the plots.
#pragma once

#include <cstddef>
#include <string>

namespace flight_report {

constexpr double settling_period = 10.0;  // s after a change before deviations count
constexpr double settled_for = 3.0;       // s inside the band that count as settled
constexpr double kmh_per_knot = 1.852;

// The value with a fixed number of decimals; empty text when it is not finite.
std::string fixed(double value, int precision);

// The text right-aligned in a field of the given width.
std::string padded(const std::string& text, size_t width);

}  // namespace flight_report

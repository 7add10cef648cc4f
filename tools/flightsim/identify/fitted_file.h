// The fitted aircraft file: the start file's text with each fitted parameter's value put in its
// line (a held one keeps the start's line), the actuator lag added where the start had none, and
// a header saying what was fitted to what; written beside the file asked for and renamed into place.
#pragma once

#include <string>

#include "tools/flightsim/aircraft/aircraft_file.h"
#include "tools/flightsim/identify/model_fit.h"

// What a fit of the hover alone holds to: the hover's steps and its scenarios' winds, some 20 knots.
constexpr double hover_fit_speed_limit_ms = 10.0;

// hover_alone: fitted to the hover's steps alone, so the file says it holds in the hover only.
std::string fitted_file_text(const aircraft_file& start, const fit_result& fit, const std::string& recording_path,
                             bool hover_alone);

// The text written whole to out or not at all; false when it could not be.
bool write_fitted_file(const std::string& text, const std::string& out);

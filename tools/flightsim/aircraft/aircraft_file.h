// An aircraft file as the loop tools read it: parsed, and refused with the line and the reason
// when a parameter is missing or cannot be physical (a mass, an inertia, a radius, a chord, a
// rotor speed or the air's density that is not positive, ...).
#pragma once

#include <stdexcept>
#include <string>

#include "tools/flightsim/model/aircraft.h"

struct aircraft_file_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct aircraft_file {
    std::string path;     // as given; empty for the built-in default aircraft
    std::string name;     // the file's name without its folder and extension ("bo105")
    std::string title;    // its first comment line
    std::string text;
    aircraft_parameters parameters;
};

// Reads and checks the file; the built-in default aircraft when path is empty. Throws
// aircraft_file_error: "FILE:LINE: NAME VALUE: REASON", or "FILE: NAME missing".
aircraft_file read_aircraft_file(const std::string& path);

// The same for a file's text already read; shown names it in the messages.
aircraft_file read_aircraft_text(const std::string& text, const std::string& shown);

// The check alone, on a parsed file's text (the line numbers come from it).
void check_physical(const std::string& text, const aircraft_parameters& parameters, const std::string& file_name);

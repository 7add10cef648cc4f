// Whether an aircraft file describes a helicopter the tools can fly: it must trim in a hover and
// in level flight at 150 km/h, the two conditions the margins and the tuner fly. A file that
// parses but trims in neither usually holds a unit slip (a tilt in degrees, a mass in grams) or
// a typing mistake; the reason names the likely one.
#pragma once

#include <string>

#include "tools/flightsim/model/aircraft.h"
#include "tools/flightsim/aircraft/aircraft_file.h"

// Empty when both trims are found (a hover-only aircraft's hover trim alone); otherwise why not,
// with the likely cause.
std::string why_not_flyable(const aircraft_parameters& aircraft);

// An aircraft that flies the hover only: a file (a derivative table, a fit of the hover alone) that
// holds up to a speed below the 150 km/h of the cruise. The margins and the tuner fly it in the hover alone (the hover loops,
// the scenarios that start in a hover).
bool hover_only(const aircraft_parameters& aircraft);
// What the tools say of such an aircraft before they fly it ("" for any other).
std::string hover_only_note(const aircraft_file& aircraft);

// Reads the aircraft file (the built-in one when path is empty) for a command and checks that it
// flies; on failure prints "flightsim COMMAND: REASON" to standard error and returns false (the
// command then exits 2).
bool read_flyable_aircraft(const std::string& path, const char* command, aircraft_file& aircraft);

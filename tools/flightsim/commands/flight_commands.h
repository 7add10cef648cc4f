// The flight commands that the flight simulator adds to gaugehost's script language (registered
// with the host's command registry when the program starts).
//
//   aircraft FILE                               parameters from FILE instead of the built-in Bo-105
//   options KEY=VALUE ...                       configuration keys for the module (before open)
//   ground ELEVATION                            flat ground, metres above sea level (default 0)
//   ground profile HEADING D E [D E ...]        elevation E at distance D (m) along HEADING (deg)
//   wind FROM SPEED                             steady wind from FROM degrees at SPEED km/h
//   turbulence light|moderate|severe|off|W20 [seed N]   MIL-F-8785C turbulence (W20 in km/h)
//   gust AFTER FROM SPEED DURATION              a (1 - cos) gust AFTER s from now, DURATION s long
//   start hover HEIGHT [heading DEG]            trimmed hover, skids HEIGHT m above the ground
//   start level SPEED HEIGHT [heading DEG]      trimmed level flight at SPEED km/h indicated
//   start ground [heading DEG]                  standing on the skids, lever down
//   fly SECONDS                                 fly: frames with the simulation running
//   pause SECONDS                               frames with the simulation paused
//   record NAME                                 write NAME.csv now, NAME.gp and NAME.summary.txt
//                                               at the summary (in $GAUGEHOST_FLIGHT_DIR or .)
//   want bank|pitch|heading|height|speed VALUE ...   what the pilot wants held from now on: a
//                                               number (degrees, m, km/h), or captured, captured+D,
//                                               captured-D: the value when the hold began, plus D
//   expect bank|pitch|heading|height|speed RMS ...   the scenario's bar on the RMS deviation
//   sticks follow                               the pilot's sticks to where the roll, pitch and pedal
//                                               commands stand (hand-back without a jump)
//   summary                                     print the flight's summary table
//
// The sticks are gaugehost's joystick 0 (joystick commands); start centres X, Y and R and sets
// Z for the trimmed collective, with the host's own trim holding the trimmed cyclic and pedals.
#pragma once

#include <ostream>
#include <string>
#include <vector>

class GaugeHost;

// Checks a flight command's words; returns an empty string, or what is wrong.
std::string check_flight_command(const std::vector<std::string>& words);

// Runs a checked flight command; a flight that cannot go on throws std::runtime_error saying why.
void run_flight_command(const std::vector<std::string>& words, GaugeHost& host, std::ostream& out);

// Adds the flight commands to gaugehost's script language (done once, as the program starts).
void register_flight_commands();

// flightsim tune: the fifteen gains of the configuration file searched for one aircraft, so that
// every bar of the scenarios 01 to 05, 09 and 10 is met, every loop keeps 6 dB of gain margin and
// 45 degrees of phase margin in hover and at 150 km/h (margins.h) and at least 0.8 x the default
// gains' disturbance-rejection bandwidth (a relay loop: its limit cycle at rest within 10 % of
// the default's), with as little frame-to-frame chatter of the commands as that allows; then
// checked on held-out flights it never searched on, none of whose holds may be more than 10 %
// worse than with the default gains.
//
// The search: NLopt's BOBYQA (a derivative-free local optimiser on a quadratic model, bounds on
// every gain) from the best of the pilot's gains and seeded random variations of them, then
// restarts from the next best of those and from the best point found, moved at random. Each
// point is one evaluation: the seven scenarios and the nine loops' margins, flown as sixteen
// flights on threads of their own, jobs at a time. The search aims a little beyond the bars and
// margins (95 % of each bar, 6.2 dB, 46 degrees); the starting gains and the eight best points
// found are then flown again with the held-out flights, and the one that misses least is the
// result. The same seed gives the same gains, whatever the jobs.
#pragma once

#include "tools/common/command_line.h"

// flightsim tune: 0 when the gains are recommended, 1 when the file cannot be written, 2 for bad
// input, 3 when the best gains found still miss something (the file is written all the same).
tool_command tune_command();

// flightsim tune: the fifteen gains of the configuration file searched for one aircraft, so that
// every bar of the tour's scenarios 01 to 05 is met, every loop keeps 6 dB of gain margin and 45
// degrees of phase margin in hover and at 150 km/h (margins.h), with as little frame-to-frame
// chatter of the commands as that allows.
//
// The search: NLopt's BOBYQA (a derivative-free local optimiser on a quadratic model, bounds on
// every gain) from the best of the pilot's gains and seeded random variations of them, then
// restarts from the next best of those and from the best point found, moved at random. Each
// point is one evaluation: the five scenarios (their long holds cut to 150 s) and the nine loops'
// margins, flown as fourteen flights in child processes, jobs at a time. The search aims a little
// beyond the bars and margins (90 % of each bar, 7.5 dB, 50 degrees), its scenarios being
// shorter; the starting gains and the four best points found are then flown again in full, and
// the one that misses least is the result. The same seed gives the same gains, whatever the jobs.
#pragma once

// flightsim tune ARGS: 0 when every bar and margin is met, 2 for bad input, 3 when the best
// gains found still miss something (the file is written all the same).
int tune_command(int argc, char** argv);

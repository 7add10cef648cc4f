// flightsim tune: the fifteen gains searched for one aircraft.
#pragma once

// flightsim tune ARGS: 0 when every bar and margin is met, 2 for bad input, 3 when the best
// gains found still miss something (the file is written all the same).
int tune_command(int argc, char** argv);

// The host variables the update cycle samples, one slot per token. The module only ever
// passes a slot to lookup_var and reads its value back.
#pragma once

#include "module/host_abi.h"
#include "state/host_variable_table.h"

extern ONE_PER_HOST MODULE_VAR var_on_ground;            // 60, truncated
extern ONE_PER_HOST MODULE_VAR var_airspeed;             // 61, knots
extern ONE_PER_HOST MODULE_VAR var_control_317;          // 317
extern ONE_PER_HOST MODULE_VAR var_control_313;          // 313
extern ONE_PER_HOST MODULE_VAR var_control_316;          // 316
extern ONE_PER_HOST MODULE_VAR var_collective_position;  // 128, axis units
extern ONE_PER_HOST MODULE_VAR var_bank;                 // 79, degrees, may exceed 180
extern ONE_PER_HOST MODULE_VAR var_pitch;                // 77, degrees
extern ONE_PER_HOST MODULE_VAR var_heading;              // 81, degrees
extern ONE_PER_HOST MODULE_VAR var_yaw_rate;             // 70, used times 0.1
extern ONE_PER_HOST MODULE_VAR var_height_a;             // 74
extern ONE_PER_HOST MODULE_VAR var_height_b;             // 614
extern ONE_PER_HOST MODULE_VAR var_vertical_speed;       // 65, used times 1/256
extern ONE_PER_HOST MODULE_VAR var_tick18;               // 1, TICK18
extern ONE_PER_HOST MODULE_VAR var_run_probe;            // 557, advances while the simulation runs

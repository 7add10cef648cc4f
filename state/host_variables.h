// The host variables the update cycle samples, one slot per token. The module only ever
// passes a slot to lookup_var and reads its value back.
#pragma once

#include "module/host_abi.h"

extern MODULE_VAR var_on_ground;            // 60, truncated
extern MODULE_VAR var_airspeed;             // 61, knots
extern MODULE_VAR var_control_317;          // 317
extern MODULE_VAR var_control_313;          // 313
extern MODULE_VAR var_control_316;          // 316
extern MODULE_VAR var_collective_position;  // 128, axis units
extern MODULE_VAR var_bank;                 // 79, degrees, may exceed 180
extern MODULE_VAR var_pitch;                // 77, degrees
extern MODULE_VAR var_heading;              // 81, degrees
extern MODULE_VAR var_yaw_rate;             // 70, used times 0.1
extern MODULE_VAR var_height_a;             // 74
extern MODULE_VAR var_height_b;             // 614
extern MODULE_VAR var_vertical_speed;       // 65, used times 1/256
extern MODULE_VAR var_tick18;               // 1, TICK18
extern MODULE_VAR var_run_probe;            // 557, advances while the simulation runs

#include "state/host_variables.h"

ONE_PER_HOST MODULE_VAR var_on_ground = {60, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_airspeed = {61, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_control_317 = {317, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_control_313 = {313, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_control_316 = {316, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_collective_position = {128, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_bank = {79, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_pitch = {77, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_heading = {81, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_yaw_rate = {70, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_height_a = {74, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_height_b = {614, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_vertical_speed = {65, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_tick18 = {1, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_run_probe = {557, 0, 0, 0.0, {}};

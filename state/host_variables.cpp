#include "state/host_variables.h"

ONE_PER_HOST MODULE_VAR var_on_ground = {host_token::on_ground, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_airspeed = {host_token::airspeed, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_control_317 = {host_token::control_317, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_control_313 = {host_token::control_313, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_control_316 = {host_token::control_316, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_collective_position = {host_token::collective, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_bank = {host_token::bank, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_pitch = {host_token::pitch, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_heading = {host_token::heading, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_yaw_rate = {host_token::yaw_rate, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_height_a = {host_token::height_a, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_height_b = {host_token::height_b, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_vertical_speed = {host_token::vertical_speed, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_tick18 = {host_token::tick18, 0, 0, 0.0, {}};
ONE_PER_HOST MODULE_VAR var_run_probe = {host_token::run_probe, 0, 0, 0.0, {}};

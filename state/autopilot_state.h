// The autopilot's state, grouped by what owns each part: the switches and latches (changed only
// through the mode operations), the settings the configuration file yields, the pilot's input,
// this cycle's samples of the host's variables, one record per channel, the cycle's timing, and
// which A_Pilot instance runs the cycle. Angles in degrees, speeds in km/h, commands and joystick
// references in host axis units (full deflection 16384). Switches hold 0 or 1 and enter the laws
// as factors.
#pragma once

#include <cstdint>

struct GAUGEHDR;

// Switches, modes and flags.
struct autopilot_modes {
    int32_t ap_master_on = 0;
    int32_t roll_channel_on = 1;   // nothing changes it
    int32_t pitch_channel_on = 1;  // nothing changes it
    int32_t heading_channel_on = 0;
    int32_t heading_channel_active = 0;
    int32_t heading_channel_active_prev = 0;
    int32_t height_channel_on = 0;
    int32_t height_source_select = 0;  // 0: token 74, 1: token 614
    int32_t speed_hold_on = 0;
    int32_t speed_hold_active = 0;
    int32_t speed_hold_active_prev = 0;
    int32_t ap_engaged_latch = 0;
    int32_t pitch_trim_mode = 0;
    int32_t heading_trim_mode = 0;
    int32_t heading_disengage_request = 0;
    int32_t sim_running = 1;
};

// What the configuration file yields (gains, options, channel assignments) and the compiled-in
// limits. The gains' initial values are those before the first connect.
struct autopilot_settings {
    // Options, on only when exactly 1.
    int32_t ap_trim_tang_on = 0;
    int32_t ap_trim_kurs_on = 0;
    int32_t ap_kurs_otkl_on = 0;

    // Channel assignments: axis-table slot 1 to 8, 0 for none.
    int8_t ap_kren_kanal = 1;
    int8_t ap_tang_kanal = 2;
    int8_t ap_schag_kanal = 3;
    int8_t ap_kurs_kanal = 4;

    // Gains and limits: the values the module starts with, before its first connect reads the
    // file. They stay here rather than come from the key table (config/configuration_keys.h),
    // because they are not its defaults: the table's are what a connect without the file gives
    // (tang_kp 1001.0 against 1000.0 here), and the state layer sits below the configuration.
    double kren_kp = 800.0, kren_kd = 25.0, kren_ki = 2.0;
    double tang_kp = 1000.0, tang_kd = 55.0, tang_ki = 0.0;
    double kurs_kp = 250.0, kurs_kd = 20.0, kurs_ki = 10.0;
    double vys_kp = 40.0, vys_kd = 0.0, vys_ki = 20.0;
    double speed_kp = 10.0, speed_kd = 10.0, speed_ki = 45.0;
    double yaw_damper_factor = 2.0;
    double roll_output_limit = 16000.0;
    double pitch_output_limit = 16000.0;
    double heading_output_limit = 16000.0;
};

// The pilot's buttons, trims, joystick references and stick-trim offsets (axis units).
struct pilot_input {
    int32_t joy_button0 = 0;
    int32_t joy_button1 = 0;
    double roll_trim = 0.0;
    double pitch_trim = 0.0;
    double heading_trim = 0.0;
    double roll_joy_reference = 0.0;
    double pitch_joy_reference = 0.0;
    double pitch_stick_trim = 0.0;
    double pedal_joy_reference = 0.0;
    double pedal_stick_trim = 0.0;
    double collective_joy_reference = 0.0;
};

// This cycle's samples for everyone.
struct host_samples {
    int32_t on_ground = 0;
    double airspeed_kmh = 0.0;
    double roll_rate_factor = 0.0;
    double pitch_rate_factor = 0.0;
    double collective_position = 0.0;
    double control_317 = 0.0;
    double control_313 = 0.0;
    double control_316 = 0.0;
};

struct roll_channel_state {
    double bank_reference = 0.0;
    double bank_angle = 0.0;
    double bank_angle_prev = 0.0;
    double roll_rate = 0.0;
    double roll_error = 0.0;
    double roll_integrator = 0.0;
    double roll_command = 0.0;
};

struct pitch_channel_state {
    double pitch_reference = 0.0;
    double pitch_reference_base = 0.0;
    double pitch_angle = 0.0;
    double pitch_angle_prev = 0.0;
    double pitch_rate = 0.0;
    double pitch_error = 0.0;
    double pitch_integrator = 0.0;
    double pitch_command = 0.0;
};

struct heading_channel_state {
    double heading_reference = 180.0;
    double heading_angle = 0.0;
    double yaw_rate = 0.0;
    double heading_error = 0.0;
    double heading_integrator = 0.0;
    double heading_command = 0.0;
};

// Height and collective channel, with the collective base and its stepping rule.
struct collective_channel_state {
    double height_reference = 0.0;
    double collective_base = 0.0;
    double height_a = 0.0;
    double height_b = 0.0;
    double height_selected = 0.0;
    double vertical_speed = 0.0;
    double collective_rate = 0.0;
    double collective_rate_last = 0.0;
    double collective_rate_prev_sample = 0.0;
    double climb_command = 0.0;
    double climb_error = 0.0;
    double height_integrator = 0.0;
    double collective_command = 0.0;
    int32_t collective_below_max = 0;
    int32_t collective_above_min = 0;
    int32_t tick_parity_offset = 0;
    int32_t tick_parity_armed = 0;
};

struct speed_hold_state {
    double speed_reference = 0.0;  // km/h
    double airspeed_prev = 0.0;
    double speed_error = 0.0;
    double speed_rate = 0.0;
    double speed_rate_last = 0.0;
    double speed_integrator = 0.0;
    double speed_command = 0.0;
};

// Timing and run detector.
struct cycle_timing {
    int64_t counter_frequency = 0;
    int64_t counter_now = 0;
    int64_t counter_prev = 0;
    int32_t run_check_offset = 0;
    int32_t run_check_armed = 0;
    int32_t run_probe_prev = 0;
};

// The A_Pilot instance that runs the cycle, when the host serves several (one for every panel
// line that names the gauge), and the first other one passed over since it last ran.
struct cycle_instances {
    bool cycle_instance_chosen = false;
    const GAUGEHDR* cycle_instance = nullptr;
    bool instance_passed_over = false;
    const GAUGEHDR* first_passed_over = nullptr;
};

struct autopilot_state {
    autopilot_modes modes;
    autopilot_settings settings;
    pilot_input pilot;
    host_samples samples;
    roll_channel_state roll;
    pitch_channel_state pitch;
    heading_channel_state heading;
    collective_channel_state collective;
    speed_hold_state speed;
    cycle_timing timing;
    cycle_instances instances;
};

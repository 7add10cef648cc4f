// The steps of the update cycle. Each channel step takes what it reads by const reference and
// its own channel record by reference.
#pragma once

#include "autopilot/autopilot_values.h"

// What every channel reads during its step and none writes.
struct channel_inputs {
    const autopilot_modes& modes;
    const autopilot_settings& settings;
    const pilot_input& pilot;
    const host_samples& samples;
    const cycle_timing& timing;
    const joystick_state& joysticks;
};

inline channel_inputs inputs_of(const autopilot_values& a)
{
    const autopilot_state& s = a.state;
    return {s.modes, s.settings, s.pilot, s.samples, s.timing, a.joysticks};
}

void update_cycle(autopilot_values& a);

// Each channel's step samples the host, runs the law and sends its command; the laws alone take
// the samples as values and touch nothing but their record.
void roll_step(const channel_inputs& in, roll_channel_state& roll);
void roll_law(const channel_inputs& in, double bank_sample, roll_channel_state& roll);
int32_t roll_engaged(const autopilot_modes& modes);
void pitch_step(const channel_inputs& in, pitch_channel_state& pitch);
void pitch_law(const channel_inputs& in, double pitch_sample, pitch_channel_state& pitch);
int32_t pitch_engaged(const autopilot_modes& modes);
void heading_step(const channel_inputs& in, heading_channel_state& heading);
void heading_law(const channel_inputs& in, double heading_sample, double yaw_rate_sample, heading_channel_state& heading);
void collective_step(const channel_inputs& in, collective_channel_state& collective);
void collective_law(const channel_inputs& in, double height_a_sample, double height_b_sample, double vertical_speed_sample,
                    collective_channel_state& collective);
int32_t collective_engaged(const autopilot_modes& modes);
// The speed hold moves the pitch reference the pitch channel holds in the next cycle.
void speed_step(const channel_inputs& in, speed_hold_state& speed, pitch_channel_state& pitch);
// The roll stick moves the bank reference the roll channel holds in the next cycle.
void bank_reference_step(const channel_inputs& in, roll_channel_state& roll);
// The base-stepping rule, on the 18 Hz tick counter's sample.
void collective_base_step(const autopilot_modes& modes, double tick18_sample, collective_channel_state& collective);
void heading_activation_step(autopilot_state& s);

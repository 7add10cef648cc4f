// A helicopter in level flight with the autopilot engaged and every channel working, for the
// benchmarks: the host's values change every frame so that no branch is always taken.
#pragma once

#include "gauges/autopilot_instance.h"
#include "state/autopilot_state.h"
#include "platform/virtual_devices.h"
#include "tools/gaugehost/host/gauge_host.h"

// The sticks centred, the lever part up, the host's values of level flight at 80 knots.
inline void level_flight_values(GaugeHost& host)
{
    virtual_joystick& stick = virtual_devices.joysticks[0];
    stick.present = stick.has_z = stick.has_r = true;
    stick.x = stick.y = stick.r = 32768;
    stick.z = 20000;
    host.set_var(61, 80.0);
    host.set_var(74, 300.0);
    host.set_var(614, 300.0);
    host.set_var(81, 90.0);
    host.set_var(128, 9000.0);
    for (uint32_t token : {1u, 60u, 65u, 70u, 77u, 79u, 313u, 316u, 317u, 557u}) host.set_var(token, 0.0);
}

inline void engaged_level_flight(GaugeHost& host)
{
    level_flight_values(host);
    host.connect();
    the_autopilot.state.modes.ap_master_on = 1;
    the_autopilot.state.modes.heading_channel_on = 1;
    the_autopilot.state.modes.height_channel_on = 1;
    the_autopilot.state.modes.speed_hold_on = 1;
}

// Moves the aircraft a little, as a real frame would.
inline void next_sample(GaugeHost& host, int frame)
{
    const double wobble = (frame % 37) * 0.01;
    host.set_var(79, 1.0 + wobble);
    host.set_var(77, -2.0 + wobble);
    host.set_var(65, 10.0 * wobble);
    host.set_var(1, frame / 3);
    host.set_var(557, frame / 50);
    virtual_clock_advance();
}

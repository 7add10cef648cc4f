// The virtual host with the module freshly loaded: the state record, the joystick state and the
// virtual devices back at their initial values, host variables all 0.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

#include "state/autopilot_state.h"
#include "state/host_variable_table.h"
#include "module_state.h"
#include "autopilot/channel_steps.h"
#include "input/joystick.h"
#include "module/host_abi.h"
#include "platform/virtual_devices.h"
#include "tools/gaugehost/host/linked_module.h"

namespace token = host_token;

// A law flown on values of its own: no host, nothing to reset.
class LawTest : public ::testing::Test {
protected:
    autopilot_values a{};
    autopilot_state& s = a.state;
};

class FlightTest : public ::testing::Test {
protected:
    FlightTest()
    {
        ap = autopilot_state{};
        joy = joystick_state{};
        virtual_devices = virtual_device_state{};
    }

    void set(uint32_t token, double value) { host.set_var(token, value); }

    // The value of the last event with this id sent in the last frame, if any.
    bool sent(uint32_t event_id, int32_t* value = nullptr) const
    {
        bool found = false;
        for (const recorded_event& event : host.last_frame_events())
            if (event.id == event_id) {
                found = true;
                if (value) *value = event.value;
            }
        return found;
    }

    int32_t sent_value(uint32_t event_id) const
    {
        int32_t value = 0;
        EXPECT_TRUE(sent(event_id, &value)) << "no event " << event_id << " in frame " << host.frames_run();
        return value;
    }

    // Joystick 0 plugged in with Z and R, all axes at the given raw position.
    void plug_joystick0(uint32_t x, uint32_t y, uint32_t z, uint32_t r, uint32_t buttons = 0)
    {
        virtual_joystick& stick = virtual_devices.joysticks[0];
        stick.present = stick.has_z = stick.has_r = true;
        stick.x = x;
        stick.y = y;
        stick.z = z;
        stick.r = r;
        stick.buttons = buttons;
        host.connect();
    }

    // Both joysticks as the last connect found them and a poll since read every axis, the axes
    // untouched: for a channel's step run on its own with references set by hand, whose
    // pass-through needs a joystick there.
    void joysticks_found()
    {
        joy.joy0_present = joy.joy1_present = 1;
        for (int32_t& reported : joy.axis_reported) reported = 1;
    }

    GaugeHost host{linked_module()};
};

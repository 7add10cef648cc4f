// A minute after a change, flown from a trimmed hover in calm air with the pilot's sticks still,
// through the flights of flightsim transients.
#include <gtest/gtest.h>

#include <string>

#include "state/autopilot_state.h"
#include "input/joystick.h"
#include "platform/virtual_devices.h"
#include "tools/flightsim/model/aircraft.h"
#include "tools/flightsim/loops/transients.h"
#include "module_state.h"

namespace {

TEST(Transients, AMinuteAfterTheChangeNothingMovesThatThePilotDidNotAskFor)
{
    struct Case {
        const char* change;
        double bank, pitch, height;  // largest excursions allowed, deg, deg, m
        bool controls_still;
    } cases[] = {
        // Engaged without height hold, the collective goes on from where it stood.
        {"engage: no holds", 2.0, 2.0, 2.0, false},
        // No joystick, the default assignments: disengaged the module moves no control ...
        {"no joystick: panel opens", 180.0, 180.0, 1e9, true},
        // ... and engaged it holds a wings-level attitude with centred sticks.
        {"no joystick: engage, every hold", 2.0, 2.0, 2.0, false},
        // A stick without a throttle or twist grip: the lever and pedals stay the host's, and the
        // stick, held where the hover is trimmed, moves nothing either.
        {"two-axis joystick: panel opens", 2.0, 2.0, 2.0, false},
        {"two-axis joystick: engage, every hold", 2.0, 2.0, 2.0, false},
        // Found at connect, never read: as no joystick.
        {"joystick found, never read: panel opens", 180.0, 180.0, 1e9, true},
    };
    // Each flight runs in a child of this process: the module as loaded, whatever ran here before.
    ap = autopilot_state{};
    joy = joystick_state{};
    virtual_devices = virtual_device_state{};
    transient_flight flight;
    flight.aircraft = default_aircraft();
    flight.condition = flight_condition::hover;
    flight.seconds = 60.0;
    std::vector<transient_case> chosen;
    for (const Case& c : cases)
        for (const transient_case& t : transient_cases(flight_condition::hover))
            if (t.name == c.change) chosen.push_back(t);
    ASSERT_EQ(chosen.size(), std::size(cases));

    const std::vector<transient_result> results = fly_transients(flight, chosen, 2);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const transient_result& r = results[i];
        SCOPED_TRACE(c.change);
        ASSERT_TRUE(r.ok) << r.failure;
        EXPECT_GE(r.trace.size(), 1079u) << "a minute of frames at 18 a second";
        EXPECT_LT(r.excursion[held_bank], c.bank);
        EXPECT_LT(r.excursion[held_pitch], c.pitch);
        EXPECT_LT(r.excursion[held_height], c.height);
        for (int k = 0; k < control_count && c.controls_still; ++k) EXPECT_EQ(r.step[k], 0.0) << control_name(k);
    }
}

}  // namespace

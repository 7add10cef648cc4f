// Speed hold and bank reference: the outer loops that move the pitch reference (to hold a
// captured airspeed, or with the pitch stick) and turn the roll stick into a bank reference.
#include <gtest/gtest.h>

#include "autopilot/channel_steps.h"

namespace {

// The outer loops take no host sample: they fly on values of their own.
class SpeedHold : public testing::Test {
protected:
    // One counter unit per second read a million units apart: the raw speed rate is simply the
    // change of airspeed between two cycles.
    SpeedHold() { fresh_state(); }

    void fresh_state()
    {
        ap = autopilot_state{};
        ap.timing.counter_frequency = 1;
        ap.timing.counter_prev = 0;
        ap.timing.counter_now = 1000000;
        ap.speed.speed_reference = 100.0;
        ap.pitch.pitch_reference_base = 2.5;
    }

    void holding_speed()
    {
        ap.modes.ap_master_on = 1;
        ap.modes.speed_hold_active = 1;
    }

    void fly(double airspeed_kmh, double previous_airspeed_kmh)
    {
        ap.samples.airspeed_kmh = airspeed_kmh;
        ap.speed.airspeed_prev = previous_airspeed_kmh;
        speed_step(inputs_of(a), ap.speed, ap.pitch);
    }

    autopilot_values a{};
    autopilot_state& ap = a.state;
};

TEST_F(SpeedHold, TooFastOrAcceleratingLowersThePitchReference)
{
    struct Case {
        const char* situation;
        double airspeed, previous_airspeed, last_rate;  // holding 100 km/h
        double error, rate, command;
    } cases[] = {
        {"5 km/h fast", 105.0, 105.0, 0.0, 5.0, 0.0, -1.0},
        {"9.5 km/h fast", 109.5, 109.5, 0.0, 9.5, 0.0, -1.9},
        {"12 km/h fast counts as 10", 112.0, 112.0, 0.0, 10.0, 0.0, -2.0},
        {"12 km/h slow counts as 10", 88.0, 88.0, 0.0, -10.0, 0.0, 2.0},
        {"on speed, accelerating by 30", 100.0, 70.0, 0.0, 0.0, 30.0, -0.6},
        {"on speed, accelerating by 45 counts as 30", 100.0, 55.0, 0.0, 0.0, 30.0, -0.6},
        {"on speed, 30 more than last cycle", 100.0, 60.0, 10.0, 0.0, 40.0, -0.8},
        {"on speed, acceleration stopped at once", 100.0, 100.0, 50.0, 0.0, -30.0, 0.6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        fresh_state();
        holding_speed();
        ap.settings.speed_ki = 0.0;
        ap.speed.speed_rate_last = c.last_rate;
        fly(c.airspeed, c.previous_airspeed);
        EXPECT_EQ(ap.speed.speed_error, c.error);
        EXPECT_EQ(ap.speed.speed_rate, c.rate);
        EXPECT_EQ(ap.speed.speed_rate_last, c.rate);
        EXPECT_EQ(ap.speed.airspeed_prev, c.airspeed);
        EXPECT_DOUBLE_EQ(ap.speed.speed_command, c.command);
        EXPECT_DOUBLE_EQ(ap.pitch.pitch_reference, 2.5 + c.command);
    }
}

TEST_F(SpeedHold, IntegratorGrowsOnlyInFlightWhileHoldingAndHasNoLimit)
{
    struct Case {
        const char* situation;
        int32_t master, holding, on_ground, sim_running;
        double before;
        int cycles;
        double after;
    } cases[] = {
        {"in flight", 1, 1, 0, 1, 0.0, 3, 0.135},
        {"in flight, far past any limit", 1, 1, 0, 1, 100.0, 1, 100.045},
        {"on the ground", 1, 1, 1, 1, 1.0, 3, 1.0},
        {"simulation stopped", 1, 1, 0, 0, 1.0, 3, 1.0},
        {"speed hold off", 1, 0, 0, 1, 1.0, 1, 0.0},
        {"master off", 0, 0, 0, 1, 1.0, 1, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        fresh_state();
        ap.modes.ap_master_on = c.master;
        ap.modes.speed_hold_active = c.holding;
        ap.samples.on_ground = c.on_ground;
        ap.modes.sim_running = c.sim_running;
        ap.speed.speed_integrator = c.before;
        for (int i = 0; i < c.cycles; ++i) fly(110.0, 110.0);  // 10 km/h fast, steady
        EXPECT_DOUBLE_EQ(ap.speed.speed_integrator, c.after);
        if (c.master * c.holding == 0) {
            EXPECT_EQ(ap.speed.speed_command, 0.0);
        }
    }
}

TEST_F(SpeedHold, WithoutSpeedHoldThePitchStickMovesTheReferenceAroundTheCapturedAttitude)
{
    struct Case {
        const char* situation;
        int32_t master, holding;
        double stick, pitch_reference;  // captured attitude 2.5, reference left at 7.25
    } cases[] = {
        {"master on, stick 2000", 1, 0, 2000.0, 4.5},
        {"master on, stick full back", 1, 0, -16384.0, 2.5 - 16.384},
        {"speed hold ignores the stick", 1, 1, 2000.0, 2.5},
        {"master off leaves the reference", 0, 0, 2000.0, 7.25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        fresh_state();
        ap.modes.ap_master_on = c.master;
        ap.modes.speed_hold_active = c.holding;
        ap.pilot.pitch_joy_reference = c.stick;
        ap.pitch.pitch_reference = 7.25;
        fly(100.0, 100.0);  // on speed
        EXPECT_DOUBLE_EQ(ap.pitch.pitch_reference, c.pitch_reference);
    }
}

TEST_F(SpeedHold, RollStickSquaredWithItsSignGivesTheBankReferenceOnlyWithTheMasterOn)
{
    struct Case {
        int32_t master;
        double stick, bank_reference;  // reference left at 3.0
    } cases[] = {
        {1, 16384.0, 32.768},    {1, -16384.0, -32.768},   {1, 8192.0, 8.192},
        {1, -16383.5, -16383.5 * 16383.0 / 8192000.0},    {1, 0.9, 0.0},
        {1, -0.9, 0.0},          {1, 100.7, 0.001229248046875},
        {0, 16384.0, 3.0},       {0, -8192.0, 3.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "master " << c.master << " stick " << c.stick);
        ap.modes.ap_master_on = c.master;
        ap.roll.bank_reference = 3.0;
        ap.pilot.roll_joy_reference = c.stick;
        bank_reference_step(inputs_of(a), ap.roll);
        EXPECT_DOUBLE_EQ(ap.roll.bank_reference, c.bank_reference);
    }
}

}  // namespace

// The update cycle as a whole: engagement, the mode flags, the speed-hold edge, the run detector
// and the rate estimate's clock, flown through the test host one frame at a time.
#include <cmath>

#include "flight_fixture.h"

namespace {

class UpdateCycle : public FlightTest {
protected:
    // An odd tick that never changes: neither the collective base steps nor the run detector samples.
    UpdateCycle() { set(token::tick18, 1); }
};

TEST_F(UpdateCycle, EngagingCapturesThePreviousFramesAttitudeAndThisFramesCollective)
{
    set(token::pitch, 3.0);
    set(token::heading, 45.0);
    set(token::height_a, 200.0);
    set(token::collective, 5000.0);
    host.frame();

    set(token::pitch, 4.0);
    set(token::heading, 50.0);
    set(token::height_a, 210.0);
    set(token::collective, 6000.0);
    ap.modes.ap_master_on = 1;
    ap.modes.height_channel_on = 1;  // held: the base is the collective itself
    ap.roll.bank_reference = 7.0;  // whatever was left; the capture zeroes it
    host.frame();

    EXPECT_EQ(ap.modes.ap_engaged_latch, 1);
    EXPECT_EQ(ap.pitch.pitch_reference_base, 3.0);
    EXPECT_EQ(ap.heading.heading_reference, 45.0);
    EXPECT_EQ(ap.collective.height_reference, 200.0);
    EXPECT_EQ(ap.collective.collective_base, 6000.0);
    // The roll channel of the engage frame works against a bank reference of 0 ...
    EXPECT_EQ(ap.roll.roll_error, 0.0);
    // ... and from the end of that frame the stick sets it: no joystick, a centred stick, wings level.
    EXPECT_EQ(ap.roll.bank_reference, 0.0);
    // With the master on and no speed hold, the (centred) stick moves the pitch reference about the capture.
    EXPECT_EQ(ap.pitch.pitch_reference, 3.0);
}

TEST_F(UpdateCycle, DisengagingHandsTheCollectiveBackWhereTheLeverIs)
{
    plug_joystick0(32768, 32768, 33536, 32768);  // lever at 16384 - 33536 / 4 = 8000
    ap.modes.ap_master_on = 1;
    ap.modes.heading_channel_on = 1;
    ap.modes.height_channel_on = 1;
    host.frame();
    ap.pilot.roll_trim = 1.5;
    ap.pilot.pitch_trim = -2.0;
    ap.pilot.heading_trim = 0.4;
    set(token::collective, 9000.0);
    ap.modes.ap_master_on = 0;
    host.frame();

    EXPECT_EQ(ap.modes.ap_engaged_latch, 0);
    EXPECT_EQ(ap.modes.heading_channel_on, 0);
    EXPECT_EQ(ap.modes.height_channel_on, 0);
    EXPECT_EQ(ap.pilot.roll_trim, 0.0);
    EXPECT_EQ(ap.pilot.pitch_trim, 0.0);
    EXPECT_EQ(ap.pilot.heading_trim, 0.0);
    EXPECT_EQ(ap.pitch.pitch_reference_base, 0.0);
    // Base + lever = the collective position.
    EXPECT_EQ(ap.collective.collective_base, 1000.0);
    EXPECT_EQ(sent_value(KEY_AXIS_COLLECTIVE_SET), 9000);
}

TEST_F(UpdateCycle, MasterClickedOnAndOffBetweenFramesNeitherCapturesNorResets)
{
    set(token::pitch, 5.0);
    set(token::collective, 7000.0);
    host.frame();
    ap.modes.height_channel_on = 1;
    ap.modes.ap_master_on = 1;
    ap.modes.ap_master_on = 0;
    host.frame();
    EXPECT_EQ(ap.modes.ap_engaged_latch, 0);
    EXPECT_EQ(ap.modes.height_channel_on, 1);
    EXPECT_EQ(ap.pitch.pitch_reference_base, 0.0);
    EXPECT_EQ(ap.collective.collective_base, 0.0);
}

TEST_F(UpdateCycle, HeadingTrimSetWithTheHeadingSwitchOffIsGoneAfterTheNextFrame)
{
    ap.pilot.heading_trim = 3.0;
    host.frame();
    EXPECT_EQ(ap.pilot.heading_trim, 0.0);

    ap.modes.heading_channel_on = 1;
    ap.pilot.heading_trim = 3.0;
    host.frame();
    EXPECT_EQ(ap.pilot.heading_trim, 3.0);
}

TEST_F(UpdateCycle, LowSpeedFactorsSwitchAtFortyKilometresPerHourEitherWay)
{
    struct Case {
        double kmh;
        double roll_factor, pitch_factor;
    } cases[] = {{40.0, 1.0, 1.0}, {-40.0, 1.0, 1.0}, {39.9, 5.0, 4.0}, {-39.9, 5.0, 4.0}, {0.0, 5.0, 4.0}, {200.0, 1.0, 1.0}};
    for (const Case& c : cases) {
        set(token::airspeed, c.kmh / 1.852);
        host.frame();
        // The conversion from knots may land a hair off; use the same value the module saw.
        const bool slow = ap.samples.airspeed_kmh * ap.samples.airspeed_kmh < 1600.0;
        EXPECT_EQ(slow, c.roll_factor == 5.0) << c.kmh;
        EXPECT_EQ(ap.samples.roll_rate_factor, c.roll_factor) << c.kmh;
        EXPECT_EQ(ap.samples.pitch_rate_factor, c.pitch_factor) << c.kmh;
    }
}

TEST_F(UpdateCycle, AnOptionCountsOnlyWhenItIsExactlyOne)
{
    plug_joystick0(32768, 32768, 32768, 32768, /*buttons*/ 0b11);
    struct Case {
        int32_t trim_tang, trim_kurs, kurs_otkl;
        int32_t pitch_mode, heading_mode, release;
    } cases[] = {
        {1, 0, 0, 1, 0, 0}, {2, 0, 0, 0, 0, 0}, {-1, 0, 0, 0, 0, 0}, {1, 1, 0, 1, 1, 0},
        {0, 1, 1, 0, 1, 1}, {0, 0, 2, 0, 0, 0},
    };
    for (const Case& c : cases) {
        ap.settings.ap_trim_tang_on = c.trim_tang;
        ap.settings.ap_trim_kurs_on = c.trim_kurs;
        ap.settings.ap_kurs_otkl_on = c.kurs_otkl;
        host.frame();
        EXPECT_EQ(ap.modes.pitch_trim_mode, c.pitch_mode) << c.trim_tang;
        EXPECT_EQ(ap.modes.heading_trim_mode, c.heading_mode) << c.trim_kurs;
        EXPECT_EQ(ap.modes.heading_disengage_request, c.release) << c.kurs_otkl;
    }
}

TEST_F(UpdateCycle, OnTheGroundTheHeadingReleaseButtonDoesNothing)
{
    plug_joystick0(32768, 32768, 32768, 32768, /*buttons*/ 0b01);
    ap.settings.ap_kurs_otkl_on = 1;
    set(token::on_ground, 1.0);
    host.frame();
    EXPECT_EQ(ap.modes.heading_disengage_request, 0);
    set(token::on_ground, 0.0);
    host.frame();
    EXPECT_EQ(ap.modes.heading_disengage_request, 1);
}

TEST_F(UpdateCycle, TheTrimButtonActsFromTheNextFrame)
{
    plug_joystick0(32768, 40000, 32768, 32768);
    ap.settings.ap_trim_tang_on = 1;
    host.frame();
    const double reference = ap.pilot.pitch_joy_reference;

    virtual_devices.joysticks[0].buttons = 0b10;  // trim button pressed, stick moved in the same frame
    virtual_devices.joysticks[0].y = 20000;
    host.frame();
    EXPECT_EQ(ap.modes.pitch_trim_mode, 1);
    EXPECT_NE(ap.pilot.pitch_joy_reference, reference) << "the stick still moves the reference in the press frame";

    const double held = ap.pilot.pitch_joy_reference;
    virtual_devices.joysticks[0].y = 50000;
    host.frame();
    EXPECT_EQ(ap.pilot.pitch_joy_reference, held) << "from the next frame the reference stays put";
}

TEST_F(UpdateCycle, SpeedHoldSelectedWithTheMasterOffCapturesWhenTheMasterComesOn)
{
    set(token::airspeed, 80.0);
    set(token::pitch, -2.0);
    ap.modes.speed_hold_on = 1;
    host.frame();
    EXPECT_EQ(ap.modes.speed_hold_active, 0);
    EXPECT_EQ(ap.speed.speed_reference, 0.0);

    set(token::airspeed, 90.0);
    set(token::pitch, -3.0);
    ap.modes.ap_master_on = 1;
    host.frame();
    EXPECT_EQ(ap.modes.speed_hold_active, 1);
    EXPECT_EQ(ap.speed.speed_reference, 90.0 * 1.852);
    EXPECT_EQ(ap.pitch.pitch_reference_base, -2.0) << "the previous frame's pitch";
}

// The run detector samples token 557 once per 20 ticks, arming 10 ticks before.
class RunDetector : public FlightTest {
protected:
    int lookups_at_tick(double tick, double probe)
    {
        set(token::tick18, tick);
        set(token::run_probe, probe);
        host.frame();
        return host.calls_in_last_frame(host_operation::lookup_var);
    }
};

TEST_F(RunDetector, SamplesOncePerTickValueHoweverManyFramesFallWithinIt)
{
    EXPECT_EQ(lookups_at_tick(0, 1), 15);   // arms
    EXPECT_EQ(lookups_at_tick(10, 1), 15);
    EXPECT_EQ(lookups_at_tick(20, 2), 16);  // samples
    EXPECT_EQ(lookups_at_tick(20, 3), 15);
    EXPECT_EQ(lookups_at_tick(20, 4), 15);
    EXPECT_EQ(lookups_at_tick(30, 4), 15);  // arms again
    EXPECT_EQ(lookups_at_tick(40, 5), 16);
    EXPECT_EQ(ap.modes.sim_running, 1);
}

TEST_F(RunDetector, AClockThatStandsStillFreezesTheIntegratorsUntilItMovesAgain)
{
    ap.modes.ap_master_on = 1;
    set(token::bank, 5.0);  // a steady error for the roll integrator
    lookups_at_tick(0, 7);
    lookups_at_tick(20, 7);  // the first sample: 7 is not the 0 seen at load
    EXPECT_EQ(ap.modes.sim_running, 1);
    lookups_at_tick(30, 7);
    lookups_at_tick(40, 7);  // unchanged: paused
    EXPECT_EQ(ap.modes.sim_running, 0);

    const double frozen = ap.roll.roll_integrator;
    lookups_at_tick(41, 7);
    lookups_at_tick(42, 7);
    EXPECT_EQ(ap.roll.roll_integrator, frozen);

    lookups_at_tick(50, 7);
    lookups_at_tick(60, 8);
    EXPECT_EQ(ap.modes.sim_running, 1);
    lookups_at_tick(61, 8);
    EXPECT_NE(ap.roll.roll_integrator, frozen);
}

class RateClock : public FlightTest {};

TEST_F(RateClock, TheFirstFrameMeasuresAgainstTheWholeCounterAndGivesAlmostNoRate)
{
    virtual_devices.counter = 1000000000;  // the machine has been up a while
    set(token::bank, 10.0);
    host.frame();
    EXPECT_LT(std::fabs(ap.roll.roll_rate), 1000.0);
    host.frame();
    EXPECT_EQ(ap.roll.roll_rate, 0.0);
}

TEST_F(RateClock, ACounterThatStandsStillOrRunsBackwardsKeepsThePreviousRate)
{
    host.frame();
    set(token::bank, 1.0);
    host.frame();
    const double rate = ap.roll.roll_rate;  // one degree in 55556 ticks of a 1 MHz counter
    EXPECT_DOUBLE_EQ(rate, 10000.0 / 55556.0 * 1000000.0);

    for (int64_t step : {int64_t{0}, int64_t{-55556}}) {
        virtual_devices.step = step;
        set(token::bank, 3.0);
        host.frame();
        EXPECT_EQ(ap.roll.roll_rate, rate) << "step " << step;
        EXPECT_TRUE(std::isfinite(ap.roll.roll_command));
    }
}

TEST_F(UpdateCycle, NonFiniteHostValuesDoNotBreakAChannelForGood)
{
    ap.modes.ap_master_on = 1;
    ap.modes.height_channel_on = 1;
    ap.modes.heading_channel_on = 1;
    ap.modes.speed_hold_on = 1;
    set(token::airspeed, 60.0);
    host.frame(3);

    const uint32_t all_tokens[] = {token::on_ground, token::airspeed, token::vertical_speed, token::yaw_rate,
                                   token::height_a, token::height_b, token::pitch, token::bank,
                                   token::heading, token::collective, token::tick18, token::run_probe};
    for (double bad : {double{NAN}, double{INFINITY}, -double{INFINITY}, 1e308}) {
        for (uint32_t t : all_tokens) set(t, bad);
        host.frame(3);
        for (uint32_t t : all_tokens) set(t, 0.0);
        set(token::airspeed, 60.0);
        host.frame(3);
        ap.modes.ap_master_on = 0;
        host.frame();
        ap.modes.ap_master_on = 1;
        ap.modes.height_channel_on = 1;
        ap.modes.heading_channel_on = 1;
        host.frame(3);

        EXPECT_TRUE(std::isfinite(ap.roll.roll_command)) << bad;
        EXPECT_TRUE(std::isfinite(ap.pitch.pitch_command)) << bad;
        EXPECT_TRUE(std::isfinite(ap.heading.heading_command)) << bad;
        EXPECT_TRUE(std::isfinite(ap.collective.collective_command)) << bad;
        EXPECT_TRUE(std::isfinite(ap.speed.speed_command)) << bad;
        EXPECT_EQ(ap.roll.roll_integrator, ap.roll.roll_integrator) << bad;
        EXPECT_EQ(ap.collective.height_integrator, ap.collective.height_integrator) << bad;
    }
}

}  // namespace

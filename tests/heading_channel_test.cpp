// Heading channel: heading hold, yaw damping and pass-through on the pedals, and the end-of-cycle
// step that decides whether heading hold is in force and which heading it holds.
#include "flight_fixture.h"

namespace {

constexpr uint32_t heading_event = 65696;

class HeadingLaw : public LawTest {
protected:
    void fly(double heading, double yaw_token = 0.0) { heading_law(inputs_of(a), heading, yaw_token, s.heading); }
};

TEST_F(HeadingLaw, ErrorWrapsIntoTheHalfCircleAndAnOppositeHeadingIsCorrectedPositive)
{
    // The integrator (gain 10) sees the whole wrapped error, the proportional term at most 5:
    // the command is (wrapped / 100 + limited) x 250.
    struct Case {
        double heading, reference, trim, wrapped, command;
    } cases[] = {
        {359.0, 1.0, 0.0, -2.0, -505.0},    {1.0, 359.0, 0.0, 2.0, 505.0},      {270.0, 90.0, 0.0, 180.0, 1700.0},
        {90.0, 270.0, 0.0, 180.0, 1700.0},  {0.0, 181.0, 0.0, 179.0, 1697.5},   {181.0, 0.0, 0.0, -179.0, -1697.5},
        {360.0, 0.0, 1.0, 1.0, 252.5},      {10.0, 5.0, -0.1, 4.9, 1237.25},    {0.0, 539.0, 0.0, -179.0, -1697.5},
        {720.0, 0.0, 0.0, 0.0, 0.0},        {0.0, 600.0, 0.0, 120.0, 1550.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "heading " << c.heading << " reference " << c.reference);
        s.modes.ap_master_on = 1;
        s.modes.heading_channel_active = 1;
        s.heading.heading_integrator = 0.0;
        s.heading.heading_reference = c.reference;
        s.pilot.heading_trim = c.trim;
        fly(c.heading);
        EXPECT_DOUBLE_EQ(s.heading.heading_integrator, c.wrapped * 0.01);
        EXPECT_DOUBLE_EQ(s.heading.heading_error, c.wrapped > 5.0 ? 5.0 : c.wrapped < -5.0 ? -5.0 : c.wrapped);
        EXPECT_NEAR(s.heading.heading_command, c.command, 1e-9);
    }
}

TEST_F(HeadingLaw, HoldingTheIntegratorTakesTheWholeErrorStopsAtFifteenAndFreezesOnTheGround)
{
    struct Case {
        double before, heading;  // reference 0
        int32_t on_ground, sim_running;
        double after, command;  // (integral + error limited to 5) x 250
    } cases[] = {
        {0.9, 90.0, 0, 1, 1.8, 1700.0},     {14.9, 50.0, 0, 1, 15.0, 5000.0}, {-14.9, 310.0, 0, 1, -15.0, -5000.0},
        {15.0, 350.0, 0, 1, 14.9, 2475.0},  {3.0, 90.0, 1, 1, 3.0, 2000.0},   {3.0, 90.0, 0, 0, 3.0, 2000.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before << " at heading " << c.heading);
        s.modes.ap_master_on = 1;
        s.modes.heading_channel_active = 1;
        s.heading.heading_reference = 0.0;
        s.samples.on_ground = c.on_ground;
        s.modes.sim_running = c.sim_running;
        s.heading.heading_integrator = c.before;
        fly(c.heading);
        EXPECT_DOUBLE_EQ(s.heading.heading_integrator, c.after);
        EXPECT_NEAR(s.heading.heading_command, c.command, 1e-9);
    }
}

TEST_F(HeadingLaw, MasterAndActivitySelectHoldDampingOrPassThrough)
{
    struct Case {
        const char* situation;
        int32_t master, active;
        double yaw_token, pedals, command;
    } cases[] = {
        // Holding 180 at 180 with an integral of 7: (7 + 0) x 250 + 1.5 x 20; the pedals are ignored.
        {"hold", 1, 1, 15.0, 100.0, 1780.0},
        {"damping", 1, 0, 15.0, 100.0, 160.0},
        {"damping, yawing the other way", 1, 0, -15.0, 100.0, 40.0},
        {"damping at the limit", 1, 0, 4000.0, 100.0, 16000.0},
        {"pass-through, switch on", 0, 1, 15.0, 100.0, 100.0},
        {"pass-through, switch off", 0, 0, 15.0, 100.0, 100.0},
        {"pass-through above the limit", 0, 0, 0.0, 16000.7, 16000.0},
        {"pass-through below the limit", 0, 0, 0.0, -16001.0, -16000.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        s.modes.ap_master_on = c.master;
        s.modes.heading_channel_active = c.active;
        s.heading.heading_reference = 180.0;
        s.heading.heading_integrator = 7.0;
        s.pilot.pedal_joy_reference = c.pedals;
        fly(180.0, c.yaw_token);
        EXPECT_DOUBLE_EQ(s.heading.heading_command, c.command);
        EXPECT_EQ(s.heading.heading_integrator, c.master * c.active == 1 ? 7.0 : 0.0);
    }
}

class HeadingChannel : public FlightTest {
protected:
    // Joystick 0 centred (pedals at 0) and an odd tick that nothing acts on.
    void fly_frames_with_centred_pedals()
    {
        plug_joystick0(32768, 32768, 32768, 32768);
        set(token::tick18, 5);
    }

    void frame_at(double heading)
    {
        set(token::heading, heading);
        host.frame();
    }
};

TEST_F(HeadingChannel, WithoutAPedalAxisTheHoldIntegratesJustTheSameButNothingIsSent)
{
    ap.settings.ap_kurs_kanal = 0;
    ap.modes.ap_master_on = 1;
    ap.modes.heading_channel_active = 1;
    ap.modes.sim_running = 1;
    ap.heading.heading_reference = 0.0;
    set(token::heading, 2.0);
    heading_step(module_inputs(), ap.heading);
    EXPECT_FALSE(sent(heading_event));
    EXPECT_DOUBLE_EQ(ap.heading.heading_integrator, 0.02);
    EXPECT_DOUBLE_EQ(ap.heading.heading_command, (0.02 + 2.0) * 250.0);
}

TEST_F(HeadingChannel, SwitchedOnInFlightTheHoldStartsNextCycleOnThatCyclesHeading)
{
    fly_frames_with_centred_pedals();
    ap.modes.ap_master_on = 1;
    frame_at(100.0);
    EXPECT_EQ(sent_value(heading_event), 0);  // damping, no yaw

    ap.modes.heading_channel_on = 1;
    frame_at(200.0);
    EXPECT_EQ(sent_value(heading_event), 0);  // still damping in the cycle that sees the switch
    EXPECT_EQ(ap.modes.heading_channel_active, 1);
    EXPECT_EQ(ap.heading.heading_reference, 200.0);

    frame_at(203.0);  // (0.03 + 3) x 250
    EXPECT_EQ(sent_value(heading_event), 757);
    EXPECT_EQ(ap.heading.heading_reference, 200.0);
}

TEST_F(HeadingChannel, ButtonZeroReleasesTheHoldInFlightAndReleasingItHoldsTheNewHeading)
{
    struct Case {
        int32_t on_ground, option;
        bool releases;
    } cases[] = {{0, 1, true}, {1, 1, false}, {0, 2, false}, {0, 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "on_ground " << c.on_ground << " option " << c.option);
        ap = autopilot_state{};
        fly_frames_with_centred_pedals();
        ap.settings.ap_kurs_otkl_on = c.option;
        set(token::on_ground, c.on_ground);
        ap.modes.ap_master_on = 1;
        ap.modes.heading_channel_on = 1;
        frame_at(100.0);
        frame_at(100.0);
        ASSERT_EQ(ap.modes.heading_channel_active, 1);

        virtual_devices.joysticks[0].buttons = 1;
        frame_at(110.0);
        frame_at(120.0);  // button held
        EXPECT_EQ(ap.modes.heading_channel_active, c.releases ? 0 : 1);
        if (c.releases) {
            EXPECT_EQ(sent_value(heading_event), 0);  // yaw damping with the pedals centred
            EXPECT_EQ(ap.heading.heading_integrator, 0.0);
        }

        virtual_devices.joysticks[0].buttons = 0;
        frame_at(130.0);  // first cycle seeing the button released
        EXPECT_EQ(ap.modes.heading_channel_active, 1);
        EXPECT_EQ(ap.heading.heading_reference, c.releases ? 130.0 : 100.0);
        if (c.releases) {
            EXPECT_EQ(sent_value(heading_event), 0);
            frame_at(131.0);  // (0.01 + 1) x 250
            EXPECT_EQ(sent_value(heading_event), 252);
        }
    }
}

}  // namespace

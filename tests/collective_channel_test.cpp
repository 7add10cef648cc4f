// Collective and height channel: height error to a commanded climb, climb error to a collective
// command around a captured base, the lever passed through while the height hold is off, and the
// slow stepping of the base into its band.
#include <limits>
#include <vector>

#include "flight_fixture.h"

namespace {

constexpr uint32_t collective_event = 65697;

// One counter unit per second read a million units apart: a rate estimate is simply the change
// of the vertical speed between two cycles.
constexpr cycle_timing a_million_units_apart = {.counter_frequency = 1, .counter_now = 1000000};

class CollectiveLaw : public LawTest {
protected:
    CollectiveLaw() { s.timing = a_million_units_apart; }
    void fly(double height_a, double height_b, double vs) { collective_law(inputs_of(a), height_a, height_b, vs, s.collective); }
};

TEST_F(CollectiveLaw, ClimbCommandFollowsTheSelectedHeightWithinMinusFiveToTen)
{
    struct Case {
        int32_t source;
        double height_a, height_b, vertical_speed_token;  // reference 500
        double climb, climb_error;
    } cases[] = {
        {0, 480.0, 0.0, 0.0, 3.0, -300.0},       {1, 0.0, 480.0, 0.0, 7.0, -700.0},
        {0, 600.0, 480.0, 256.0, -5.0, 600.0},   {0, 420.0, 999.0, 0.0, 10.0, -1000.0},
        {1, 480.0, 600.0, 0.0, -5.0, 500.0},     {0, 480.0, 999.0, -512.0, 3.0, -500.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "source " << c.source << " heights " << c.height_a << " " << c.height_b);
        s.modes.height_source_select = c.source;
        s.collective.height_reference = 500.0;
        fly(c.height_a, c.height_b, c.vertical_speed_token);
        EXPECT_EQ(s.collective.height_selected, c.source == 0 ? c.height_a : c.height_b);
        EXPECT_EQ(s.collective.vertical_speed, c.vertical_speed_token / 256.0);
        EXPECT_DOUBLE_EQ(s.collective.climb_command, c.climb);
        EXPECT_DOUBLE_EQ(s.collective.climb_error, c.climb_error);
    }
}

TEST_F(CollectiveLaw, CollectiveRateStepsAtMostOneHundredFiftyFromTheLastEstimate)
{
    struct Case {
        double last, raw;
        int64_t counter_prev;  // read now at 1000000
        double rate;
    } cases[] = {
        {380.0, 600.0, 0, -150.0}, {0.0, 600.0, 0, 150.0},   {500.0, 600.0, 0, 600.0},
        {100.0, 250.0, 0, 250.0},  {100.0, -50.0, 0, -50.0}, {0.0, -600.0, 0, -150.0},
        {380.0, 600.0, 1000000, 380.0},  // the counter did not advance: the last estimate stays
        {380.0, 600.0, 2000000, 380.0},  // nor when it steps back
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "last " << c.last << " raw " << c.raw << " from " << c.counter_prev);
        s.timing.counter_prev = c.counter_prev;
        s.collective.collective_rate_last = c.last;
        s.collective.collective_rate_prev_sample = 0.0;
        fly(0.0, 0.0, c.raw * 256.0);
        EXPECT_EQ(s.collective.collective_rate, c.rate);
        EXPECT_EQ(s.collective.collective_rate_last, c.rate);
        EXPECT_EQ(s.collective.collective_rate_prev_sample, c.raw);
    }
}

class CollectiveChannel : public FlightTest {
protected:
    CollectiveChannel() { fresh_state(); }

    void fresh_state()
    {
        ap = autopilot_state{};
        ap.timing = a_million_units_apart;
    }

    void step_base_at(int tick)
    {
        collective_base_step(ap.modes, tick, ap.collective);
    }
};

TEST_F(CollectiveChannel, AfterACommandOutsideOneHundredToSixteenThousandTheIntegratorHolds)
{
    // First cycle: no climb error, the command is base - 1000 x 40. Second cycle: climbing at 1
    // where 0 is wanted, a climb error of 100 adds 2 to the integrator unless a gate is shut.
    struct Case {
        double first_command;
        int32_t first_sent, on_ground, sim_running;
        bool integrates;
    } cases[] = {
        {20000.0, 20000, 0, 1, false}, {16000.5, 16000, 0, 1, false}, {16000.0, 16000, 0, 1, true},
        {100.0, 100, 0, 1, true},      {99.99, 99, 0, 1, false},      {-500.0, -500, 0, 1, false},
        {16000.0, 16000, 1, 1, true},  // the ground does not stop the height hold
        {16000.0, 16000, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "first command " << c.first_command);
        fresh_state();
        ap.modes.ap_master_on = 1;
        ap.modes.height_channel_on = 1;
        ap.collective.collective_above_min = ap.collective.collective_below_max = 1;
        ap.collective.height_integrator = 1000.0;
        ap.collective.collective_base = c.first_command + 40000.0;
        ap.collective.height_reference = 300.0;
        set(token::height_a, 300.0);
        set(token::vertical_speed, 0.0);
        collective_step(module_inputs(), ap.collective);
        EXPECT_EQ(sent_value(collective_event), c.first_sent);
        EXPECT_EQ(ap.collective.collective_below_max, c.first_command <= 16000.0 ? 1 : 0);
        EXPECT_EQ(ap.collective.collective_above_min, c.first_command >= 100.0 ? 1 : 0);

        ap.samples.on_ground = c.on_ground;
        ap.modes.sim_running = c.sim_running;
        set(token::vertical_speed, 256.0);
        collective_step(module_inputs(), ap.collective);
        EXPECT_EQ(ap.collective.height_integrator, c.integrates ? 1002.0 : 1000.0);
        EXPECT_NEAR(ap.collective.collective_command, c.first_command - (c.integrates ? 4080.0 : 4000.0), 1e-9);
    }
}

TEST_F(CollectiveChannel, HoldOffTheLeverPassesThroughWithTheBaseUnlimitedAndSaturatedOnlyAtTheHost)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double base, lever;
        int32_t sent;
    } cases[] = {
        {163.0, 8000.0, 8163}, {163.0, 19837.0, 20000},   {-100.0, 50.0, -50},      {0.0, -12.7, -12},
        {0.0, 3e9, 2147483647}, {0.0, -3e9, -2147483647 - 1}, {0.0, nan, 0},
    };
    joysticks_found();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lever);
        ap.modes.height_channel_on = 1;  // the master is off: not engaged
        ap.collective.height_integrator = 5.0;
        ap.collective.collective_base = c.base;
        ap.pilot.collective_joy_reference = c.lever;
        collective_step(module_inputs(), ap.collective);
        EXPECT_EQ(sent_value(collective_event), c.sent);
        EXPECT_EQ(ap.collective.height_integrator, 0.0);
    }

    host.clear_events();
    ap.settings.ap_schag_kanal = 0;
    ap.collective.collective_base = 163.0;
    ap.pilot.collective_joy_reference = 8000.0;
    collective_step(module_inputs(), ap.collective);
    EXPECT_FALSE(sent(collective_event));
    EXPECT_EQ(ap.collective.collective_command, 8163.0);
}

TEST_F(CollectiveChannel, EachBaseStepWalksTheBaseIntoNinetyToTwoHundredFiftyThree)
{
    struct Case {
        double start;
        std::vector<double> after_each_step;
    } cases[] = {
        {0.0, {163.0, 163.0}},    {90.0, {90.0}},   {252.5, {252.5}},          {253.0, {90.0}},
        {89.5, {252.5}},          {400.0, {237.0, 237.0}},                     {-100.0, {63.0, 226.0, 226.0}},
        {1000.0, {837.0, 674.0, 511.0, 348.0, 185.0, 185.0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        ap.collective.collective_base = c.start;
        for (double expected : c.after_each_step) {
            ap.collective.tick_parity_armed = 1;
            ap.collective.tick_parity_offset = 0;
            step_base_at(2);
            EXPECT_EQ(ap.collective.collective_base, expected);
        }
    }
}

TEST_F(CollectiveChannel, TheBaseStepsOnceEveryTwoTicksHoweverManyCyclesFallInATick)
{
    struct Case {
        const char* situation;
        std::vector<int> ticks, ticks_with_a_step;
    } cases[] = {
        {"one cycle per tick", {0, 1, 2, 3, 4, 5, 6, 7, 8}, {2, 4, 6, 8}},
        {"two cycles per tick", {0, 0, 1, 1, 2, 2, 3, 3, 4, 4}, {0, 2, 4}},
        {"a cycle every third tick", {0, 3, 6, 9, 12}, {6, 12}},
        {"only even ticks after a step", {0, 0, 2, 4, 6, 8}, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        fresh_state();
        ap.collective.collective_base = 1000.0;
        std::vector<int> stepped;
        for (int tick : c.ticks) {
            const double before = ap.collective.collective_base;
            step_base_at(tick);
            if (ap.collective.collective_base != before) stepped.push_back(tick);
        }
        EXPECT_EQ(stepped, c.ticks_with_a_step);
    }
}

TEST_F(CollectiveChannel, EngagedWithTheHeightSwitchOffTheLeverContinuesFromItsPositionThenTheBaseWalksBack)
{
    struct Case {
        int32_t height_switch;
        std::vector<int32_t> sends;  // ticks 5 to 11
    } cases[] = {
        // Base 5000 - 8000 = -3000: the collective stays at 5000 until the base steps up by 163
        // at ticks 8 and 10 (armed at 6), seen by the next frame's command.
        {0, {5000, 5000, 5000, 5000, 5163, 5163, 5326}},
        {1, {5000, 5000, 5000, 5000, 5000, 5000, 5000}},  // holding height around the captured lever
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.height_switch);
        ap = autopilot_state{};
        plug_joystick0(32768, 32768, 33536, 32768);  // lever at 8000
        set(token::collective, 5000.0);
        ap.modes.ap_master_on = 1;
        ap.modes.height_channel_on = c.height_switch;
        std::vector<int32_t> sends;
        for (int tick = 5; tick <= 11; ++tick) {
            set(token::tick18, tick);
            host.frame();
            sends.push_back(sent_value(collective_event));
        }
        EXPECT_EQ(sends, c.sends);
    }
}

}  // namespace

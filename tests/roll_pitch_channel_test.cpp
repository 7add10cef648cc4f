// Roll and pitch channels: attitude hold with rate damping, and the pilot's stick passed through
// while the autopilot is off. Exact tables drive one step at a time; the low-speed damping is
// flown through whole frames.
#include <cmath>
#include <limits>

#include "flight_fixture.h"

namespace {

constexpr uint32_t roll_event = 65695;
constexpr uint32_t pitch_event = 65694;

// A counter of 2^20 per second read 1/16 s apart: a change of 1 degree between two samples is a
// rate estimate of exactly 160000.
void rate_of_160000_per_degree(autopilot_state& st)
{
    st.timing = {.counter_frequency = 1 << 20, .counter_now = 1 << 16};
    st.samples.roll_rate_factor = st.samples.pitch_rate_factor = 1.0;
}

class RollPitchChannel : public FlightTest {
protected:
    RollPitchChannel() { rate_of_160000_per_degree(ap); }

    void fly_roll(double bank)
    {
        set(token::bank, bank);
        roll_step(module_inputs(), ap.roll);
    }

    void fly_pitch(double pitch)
    {
        set(token::pitch, pitch);
        pitch_step(module_inputs(), ap.pitch);
    }
};

class AttitudeLaw : public LawTest {
protected:
    AttitudeLaw() { rate_of_160000_per_degree(s); }

    void fly_roll(double bank) { roll_law(inputs_of(a), bank, s.roll); }
    void fly_pitch(double pitch) { pitch_law(inputs_of(a), pitch, s.pitch); }
};

TEST_F(AttitudeLaw, BankBeyondHalfCircleWrapsOnceWhilePitchIsUsedAsItComes)
{
    struct Case {
        double host_value, bank;
    } cases[] = {{190.0, -170.0}, {180.0, 180.0},  {180.5, -179.5}, {540.0, 180.0},
                 {-190.0, -190.0}, {350.0, -10.0}, {0.0, 0.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host_value);
        fly_roll(c.host_value);
        fly_pitch(c.host_value);
        EXPECT_EQ(s.roll.bank_angle, c.bank);
        EXPECT_EQ(s.pitch.pitch_angle, c.host_value);
    }
}

TEST_F(AttitudeLaw, RollingThroughInvertedGivesAOneCycleRateSpikeBoundOnlyByTheOutputLimit)
{
    s.modes.ap_master_on = 1;
    s.roll.bank_reference = -179.0;
    s.roll.bank_angle_prev = 179.0;

    fly_roll(181.0);  // seen as -179: a jump of -358 degrees in 1/16 s
    EXPECT_EQ(s.roll.bank_angle, -179.0);
    EXPECT_EQ(s.roll.roll_rate, -358.0 * 160000.0);
    EXPECT_EQ(s.roll.roll_command, 16000.0);

    fly_roll(181.0);  // the rate is back to 0 at once
    EXPECT_EQ(s.roll.roll_rate, 0.0);
    EXPECT_EQ(s.roll.roll_command, 0.0);
}

TEST_F(AttitudeLaw, EngagedOnTheGroundOrStoppedTheIntegratorHoldsWhileTheOtherTermsAct)
{
    struct Case {
        int32_t on_ground, sim_running;
        bool integrates;
    } cases[] = {{0, 1, true}, {1, 1, false}, {2, 1, false}, {0, 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "on_ground " << c.on_ground << " sim_running " << c.sim_running);
        s.modes.ap_master_on = 1;
        s.samples.on_ground = c.on_ground;
        s.modes.sim_running = c.sim_running;
        s.settings.tang_ki = 1.0;
        s.roll.roll_integrator = s.pitch.pitch_integrator = 3.0;
        s.roll.bank_angle_prev = s.pitch.pitch_angle_prev = 1.5;
        // 2 degrees off the reference of 0, moving at 0.5 degree per 1/16 s (rate 80000).
        fly_roll(2.0);
        fly_pitch(2.0);
        EXPECT_DOUBLE_EQ(s.roll.roll_integrator, c.integrates ? 3.004 : 3.0);
        EXPECT_DOUBLE_EQ(s.pitch.pitch_integrator, c.integrates ? 3.002 : 3.0);
        // roll: -(I + 2) x 800 - 80000 x 25 / 1000; pitch: -(I + 2) x 1000 - 80000 x 55 / 1000
        EXPECT_DOUBLE_EQ(s.roll.roll_command, c.integrates ? -6003.2 : -6000.0);
        EXPECT_DOUBLE_EQ(s.pitch.pitch_command, c.integrates ? -9402.0 : -9400.0);
    }
}

TEST_F(AttitudeLaw, IntegratorsStopAtTheirLimitsAndComeBackAtOnce)
{
    enum Channel { roll, pitch };
    struct Case {
        Channel channel;
        double tang_ki, before, error, after;
    } cases[] = {
        {roll, 0.0, 9.999, 2.0, 10.0},    {roll, 0.0, 10.0, 1.0, 10.0},     {roll, 0.0, 10.0, -2.0, 9.996},
        {roll, 0.0, -9.999, -2.0, -10.0}, {roll, 0.0, -10.0, 2.0, -9.996},  {pitch, 1.0, 24.999, 2.0, 25.0},
        {pitch, 1.0, 25.0, 5.0, 25.0},    {pitch, 1.0, 25.0, -1.0, 24.999}, {pitch, 1.0, -24.999, -2.0, -25.0},
        {pitch, 0.0, 0.0, 50.0, 0.0},  // the default pitch gain never integrates
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.channel == roll ? "roll " : "pitch ") << c.before << " " << c.error);
        s.modes.ap_master_on = 1;
        s.settings.tang_ki = c.tang_ki;
        s.roll.bank_angle_prev = s.pitch.pitch_angle_prev = c.error;  // steady, 0 rate
        s.roll.roll_integrator = s.pitch.pitch_integrator = c.before;
        if (c.channel == roll) fly_roll(c.error);
        if (c.channel == pitch) fly_pitch(c.error);
        EXPECT_DOUBLE_EQ(c.channel == roll ? s.roll.roll_integrator : s.pitch.pitch_integrator, c.after);
    }
}

TEST_F(AttitudeLaw, RollTrimIsSubtractedWherePitchTrimIsAdded)
{
    struct Case {
        double trim;
        double roll_command, pitch_command;
    } cases[] = {{1.0, 800.0, -1000.0}, {-1.0, -800.0, 1000.0}, {0.5, 400.0, -500.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.trim);
        s.modes.ap_master_on = 1;
        s.settings.kren_ki = 0.0;
        s.pilot.roll_trim = s.pilot.pitch_trim = c.trim;
        s.roll.bank_reference = s.pitch.pitch_reference = 4.0;
        s.roll.bank_angle_prev = s.pitch.pitch_angle_prev = 4.0;
        fly_roll(4.0);  // exactly at the reference, steady
        fly_pitch(4.0);
        EXPECT_EQ(s.roll.roll_error, -c.trim);
        EXPECT_EQ(s.pitch.pitch_error, c.trim);
        EXPECT_EQ(s.roll.roll_command, c.roll_command);
        EXPECT_EQ(s.pitch.pitch_command, c.pitch_command);
    }
}

TEST_F(RollPitchChannel, MasterOffPassesTheStickThroughLimitedAndTruncatedTowardZero)
{
    set(token::tick18, 5);
    host.frame();  // no joystick: nothing is passed through, the host's own controls stay put
    EXPECT_FALSE(sent(roll_event));
    EXPECT_FALSE(sent(pitch_event));

    joysticks_found();

    struct Case {
        double stick;
        int32_t sent;
    } cases[] = {{16384.0, 16000}, {-16384.0, -16000}, {16000.7, 16000}, {-16000.5, -16000},
                 {-12.7, -12},     {12.7, 12},         {0.9, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stick);
        ap.pilot.roll_joy_reference = ap.pilot.pitch_joy_reference = c.stick;
        ap.roll.roll_integrator = ap.pitch.pitch_integrator = 3.0;
        fly_roll(12.0);
        fly_pitch(-7.0);
        EXPECT_EQ(sent_value(roll_event), c.sent);
        EXPECT_EQ(sent_value(pitch_event), c.sent);
        EXPECT_EQ(ap.roll.roll_integrator, 0.0);
        EXPECT_EQ(ap.pitch.pitch_integrator, 0.0);
    }

    // Without an assigned axis the command is formed but nothing is sent.
    host.clear_events();
    ap.settings.ap_kren_kanal = ap.settings.ap_tang_kanal = 0;
    ap.pilot.roll_joy_reference = 1234.5;
    ap.pilot.pitch_joy_reference = -321.0;
    fly_roll(3.0);
    fly_pitch(3.0);
    EXPECT_TRUE(host.events().empty());
    EXPECT_EQ(ap.roll.roll_command, 1234.5);
    EXPECT_EQ(ap.pitch.pitch_command, -321.0);
}

TEST_F(RollPitchChannel, BelowFortyKmhRollDampsFiveTimesAndPitchFourTimesHarder)
{
    struct Case {
        double airspeed_kmh;
        int32_t roll_sent, pitch_sent;
    } cases[] = {{41.0, -1200, -2450}, {39.0, -5200, -9050}, {-39.0, -5200, -9050}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.airspeed_kmh);
        ap = autopilot_state{};
        plug_joystick0(32768, 32768, 32768, 32768);  // sticks centred: joystick references 0
        ap.settings.tang_kp = 1000.0;                         // a connect without the key would read 1001
        virtual_devices.frequency = 1 << 20;
        virtual_devices.step = 1 << 16;
        set(token::tick18, 5);
        set(token::airspeed, c.airspeed_kmh / 1.852);
        set(token::bank, 0.0);
        set(token::pitch, 0.0);
        ap.modes.ap_master_on = 1;
        host.frame();  // engages: references 0
        set(token::bank, 0.25);
        set(token::pitch, 0.25);
        host.frame();  // a quarter degree off, moving at 4 degrees per second
        EXPECT_EQ(sent_value(roll_event), c.roll_sent);
        EXPECT_EQ(sent_value(pitch_event), c.pitch_sent);
    }
}

TEST_F(RollPitchChannel, ANanBankNeverReachesThePassThroughAndClearsAfterReengaging)
{
    joysticks_found();
    ap.pilot.roll_joy_reference = 500.0;
    ap.roll.roll_integrator = 2.0;
    fly_roll(std::numeric_limits<double>::quiet_NaN());  // autopilot off
    EXPECT_EQ(ap.roll.roll_integrator, 0.0);
    EXPECT_EQ(sent_value(roll_event), 500);

    ap.modes.ap_master_on = 1;
    fly_roll(std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(std::isnan(ap.roll.roll_command));
    EXPECT_EQ(sent_value(roll_event), 0);

    ap.modes.ap_master_on = 0;
    fly_roll(1.0);  // finite again, autopilot off
    EXPECT_EQ(ap.roll.roll_integrator, 0.0);
    EXPECT_EQ(sent_value(roll_event), 500);

    ap.modes.ap_master_on = 1;
    fly_roll(1.0);  // 1 degree off the reference: -(0.002 + 1) x 800
    EXPECT_DOUBLE_EQ(ap.roll.roll_integrator, 0.002);
    EXPECT_EQ(sent_value(roll_event), -801);
}

}  // namespace

// Joystick input: discovery at connect, polling every frame, and the axes that become the
// pilot's references.
#include "flight_fixture.h"

namespace {

class Joystick : public FlightTest {};

// An axis not reported since the connect (its joystick not found, a device without Z or R, a
// joystick whose every poll fails) stands centred (raw 32768): sticks and pedals at 0, the lever at
// 16384 - 32768 / 4 = 8192. Disengaged, nothing is sent for it, so the host's own controls stay
// put; engaged, each channel flies its law. A stick off centre at raw 1000 reads 16384 - 500 and,
// on the lever, 16384 - 250. The default assignments 1 to 4 are all on joystick 0; 5 to 8 on
// joystick 1.
TEST_F(Joystick, AnAxisNeverReportedStandsCentredAndPassesNothingThrough)
{
    enum class device { missing, full, two_axes, never_read };
    struct Case {
        const char* situation;
        device joystick0, joystick1;
        int8_t first_slot;  // roll; pitch, collective, pedals on the next three
        double roll, pitch, collective, pedals;
        int disengaged_events, engaged_events;
    } cases[] = {
        {"no joystick, default assignments", device::missing, device::missing, 1, 0, 0, 8192, 0, 0, 3},  // collective not held
        {"joystick 1 missing, its axes assigned", device::full, device::missing, 5, 0, 0, 8192, 0, 0, 3},
        {"joystick 0 missing, joystick 1 assigned", device::missing, device::full, 5, 15884, 15884, 16134, 15884, 4, 4},
        {"joystick 1 missing, joystick 0 assigned", device::full, device::missing, 1, 15884, 15884, 16134, 15884, 4, 4},
        {"a two-axis joystick, default assignments", device::two_axes, device::missing, 1, 15884, 15884, 8192, 0, 2, 3},
        {"joystick found, every poll failing", device::never_read, device::missing, 1, 0, 0, 8192, 0, 0, 3},
        {"joystick 1 with X and Y only, its axes assigned", device::full, device::two_axes, 5, 15884, 15884, 8192, 0, 2, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        ap = autopilot_state{};
        joy = joystick_state{};
        virtual_devices = virtual_device_state{};
        for (int id : {0, 1}) {
            const device kind = id == 0 ? c.joystick0 : c.joystick1;
            virtual_joystick& stick = virtual_devices.joysticks[id];
            stick.present = kind != device::missing;
            stick.has_z = stick.has_r = kind == device::full || kind == device::never_read;
            stick.failing = kind == device::never_read;
            stick.x = stick.y = stick.z = stick.r = 1000;  // well off centre
        }
        set(token::tick18, 1);
        host.connect();  // reads the default assignments from the missing file
        ap.settings.ap_kren_kanal = c.first_slot;
        ap.settings.ap_tang_kanal = static_cast<int8_t>(c.first_slot + 1);
        ap.settings.ap_schag_kanal = static_cast<int8_t>(c.first_slot + 2);
        ap.settings.ap_kurs_kanal = static_cast<int8_t>(c.first_slot + 3);
        host.frame();
        EXPECT_EQ(ap.pilot.roll_joy_reference, c.roll);
        EXPECT_EQ(ap.pilot.pitch_joy_reference, c.pitch);
        EXPECT_EQ(ap.pilot.collective_joy_reference, c.collective);
        EXPECT_EQ(ap.pilot.pedal_joy_reference, c.pedals);
        EXPECT_EQ(host.calls_in_last_frame(host_operation::trigger_key_event), c.disengaged_events);

        ap.modes.ap_master_on = 1;
        host.frame();
        EXPECT_EQ(host.calls_in_last_frame(host_operation::trigger_key_event), c.engaged_events);
        if (c.roll == 0) {
            EXPECT_EQ(ap.roll.bank_reference, 0.0) << "a centred stick asks for wings level";
        }
    }
}

// A joystick whose polls fail from the connect on: once one succeeds, its axes count and pass
// through from that frame.
TEST_F(Joystick, AJoystickFoundButNotYetReadPassesThroughFromItsFirstGoodPoll)
{
    virtual_joystick& stick = virtual_devices.joysticks[0];
    stick.present = stick.has_z = stick.has_r = true;
    stick.failing = true;
    stick.x = 1000;
    host.connect();
    host.frame(3);
    EXPECT_FALSE(sent(KEY_AXIS_ROLL_SET));
    stick.failing = false;
    host.frame();
    EXPECT_EQ(sent_value(KEY_AXIS_ROLL_SET), 15884);
}

TEST_F(Joystick, RawPositionsBecomeAxisUnits)
{
    struct Case {
        uint32_t raw;
        double stick, lever;  // roll, pitch and pedal references; collective reference
    } cases[] = {{32768, 0.0, 8192.0}, {0, 16384.0, 16384.0}, {65535, -16383.5, 0.25}, {4294967295u, 16384.0 - 2147483647.5, 16384.0 - 1073741823.75}};
    plug_joystick0(0, 0, 0, 0);
    for (const Case& c : cases) {
        virtual_joystick& stick = virtual_devices.joysticks[0];
        stick.x = stick.y = stick.z = stick.r = c.raw;
        host.frame();
        EXPECT_EQ(ap.pilot.roll_joy_reference, c.stick) << c.raw;
        EXPECT_EQ(ap.pilot.pitch_joy_reference, c.stick) << c.raw;
        EXPECT_EQ(ap.pilot.pedal_joy_reference, c.stick) << c.raw;
        EXPECT_EQ(ap.pilot.collective_joy_reference, c.lever) << c.raw;
    }
}

TEST_F(Joystick, EachSlotIsRefreshedOnlyWhenItsFlagAndCapabilityAllowIt)
{
    virtual_joystick& stick = virtual_devices.joysticks[0];
    stick.present = true;
    stick.has_r = true;  // no Z axis
    stick.x = 11, stick.y = 12, stick.z = 13, stick.r = 14, stick.buttons = 0b11;
    host.connect();
    host.frame();
    EXPECT_EQ(joy.axis_table[1], 11.0);
    EXPECT_EQ(joy.axis_table[2], 12.0);
    EXPECT_EQ(joy.axis_table[3], 0.0) << "Z requested but the device has none";
    EXPECT_EQ(joy.axis_table[4], 14.0);
    EXPECT_EQ(joy.joy0_buttons, 0b11);

    stick.x = 21, stick.y = 22, stick.r = 24, stick.buttons = 0;
    stick.flags = 0x01 | 0x08;  // X and R only, no buttons
    host.frame();
    EXPECT_EQ(joy.axis_table[1], 21.0);
    EXPECT_EQ(joy.axis_table[2], 12.0);
    EXPECT_EQ(joy.axis_table[4], 24.0);
    EXPECT_EQ(joy.joy0_buttons, 0b11) << "the button word keeps its value without flag 0x80";
}

TEST_F(Joystick, TheSecondJoystickFillsSlotsFiveToEightAndItsButtonsAreIgnored)
{
    virtual_joystick& second = virtual_devices.joysticks[1];
    second.present = second.has_z = second.has_r = true;
    second.x = 1, second.y = 2, second.z = 3, second.r = 4, second.buttons = 0xFF;
    host.connect();
    ap.settings.ap_kren_kanal = 8;
    host.frame();
    EXPECT_EQ(joy.axis_table[5], 1.0);
    EXPECT_EQ(joy.axis_table[8], 4.0);
    EXPECT_EQ(joy.joy0_buttons, 0);
    EXPECT_EQ(ap.pilot.roll_joy_reference, 16384.0 - 2.0);
}

TEST_F(Joystick, AFailedPollOrAnUnpluggedStickKeepsTheLastPositionsAndButtons)
{
    plug_joystick0(1000, 2000, 3000, 4000, 0b10);
    host.frame();
    virtual_joystick& stick = virtual_devices.joysticks[0];
    stick.x = 9, stick.buttons = 0;
    for (bool unplug : {false, true}) {
        stick.failing = !unplug;
        stick.present = !unplug;
        host.frame();
        EXPECT_EQ(joy.axis_table[1], 1000.0);
        EXPECT_EQ(joy.joy0_buttons, 0b10);
        EXPECT_EQ(sent_value(KEY_AXIS_ROLL_SET), 15884) << "16384 - 1000 / 2, passed through as it was";
    }
    host.connect();  // the next connect finds it gone: centred, and no longer passed through
    host.frame();
    EXPECT_EQ(ap.pilot.roll_joy_reference, 0.0);
    EXPECT_FALSE(sent(KEY_AXIS_ROLL_SET));
}

TEST_F(Joystick, AStickPluggedInAfterConnectIsNotPolledUntilTheNextConnect)
{
    host.connect();
    virtual_joystick& stick = virtual_devices.joysticks[0];
    stick.present = true;
    stick.x = 500;
    host.frame();
    EXPECT_EQ(joy.axis_table[1], 0.0);
    host.connect();
    host.frame();
    EXPECT_EQ(joy.axis_table[1], 500.0);
}

TEST_F(Joystick, PitchTrimButtonRecentresTheStickWithoutMovingTheReference)
{
    plug_joystick0(32768, 40000, 32768, 32768);
    ap.settings.ap_trim_tang_on = 1;
    ap.pilot.pitch_joy_reference = 1000.0;
    ap.modes.pitch_trim_mode = 1;  // set by the previous frame's button
    apply_joystick_overrides(joy, ap.settings, ap.modes, ap.pilot);
    poll_joysticks(joy);
    apply_joystick_overrides(joy, ap.settings, ap.modes, ap.pilot);
    EXPECT_EQ(ap.pilot.pitch_stick_trim, 4616.0);
    EXPECT_EQ(ap.pilot.pitch_joy_reference, 1000.0);

    ap.modes.pitch_trim_mode = 0;
    apply_joystick_overrides(joy, ap.settings, ap.modes, ap.pilot);
    EXPECT_EQ(ap.pilot.pitch_joy_reference, 1000.0) << "released at the same stick position: no jump";
}

TEST_F(Joystick, PedalTrimHoldsThePedalReferenceWhileTheButtonIsDown)
{
    plug_joystick0(32768, 32768, 32768, 30000);
    ap.settings.ap_trim_kurs_on = 1;
    host.frame();
    const double reference = ap.pilot.pedal_joy_reference;
    virtual_devices.joysticks[0].buttons = 0b10;
    host.frame();  // the press is seen
    virtual_devices.joysticks[0].r = 10000;
    host.frame();
    EXPECT_EQ(ap.pilot.pedal_joy_reference, reference);
    virtual_devices.joysticks[0].buttons = 0;
    host.frame();  // release seen; trim mode still on for this frame's override
    virtual_devices.joysticks[0].r = 12000;
    host.frame();
    EXPECT_EQ(ap.pilot.pedal_joy_reference, reference - (12000 - 10000) * 0.5);
}

// A hand-edited assignment outside 1 to 8 is an axis that is not there: disengaged nothing is
// sent, engaged the channel flies its law.
TEST_F(Joystick, AnAssignmentOutsideTheTableSelectsNoAxisAndPassesNothingThrough)
{
    plug_joystick0(0, 0, 0, 0);
    for (int8_t assignment : {int8_t{9}, int8_t{-1}, int8_t{127}, int8_t{-128}}) {
        ap.modes.ap_master_on = 0;
        ap.settings.ap_kren_kanal = assignment;
        ap.pilot.roll_joy_reference = 123.0;
        host.frame();
        EXPECT_EQ(ap.pilot.roll_joy_reference, 123.0) << int{assignment};
        EXPECT_FALSE(sent(KEY_AXIS_ROLL_SET)) << int{assignment};
        ap.modes.ap_master_on = 1;
        host.frame();
        EXPECT_TRUE(sent(KEY_AXIS_ROLL_SET)) << int{assignment};
    }
}

}  // namespace

// The cockpit gauges as the pilot works them: clicks through the gauges' mouse rectangles,
// values read back through their element callbacks, as the host would.
#include <cmath>

#include "config/configuration.h"
#include "flight_fixture.h"

namespace {

class Cockpit : public FlightTest {
protected:
    Cockpit() { set(token::tick18, 1); }  // quiet: no base steps, no run-detector samples

    int click(const char* gauge, int x, int y, int times = 1)
    {
        click_result hit{};
        for (int i = 0; i < times; ++i) hit = host.click(host.find_gauge(gauge), x, y);
        return hit.rect;
    }

    element_values element(const char* gauge, int place)
    {
        for (const element_values& shown : host.show(host.find_gauge(gauge)))
            if (shown.place == place) return shown;
        ADD_FAILURE() << gauge << " has no element " << place;
        return {};
    }

    double value(const char* gauge, int place) { return element(gauge, place).value.value_or(NAN); }
};

// Points inside each area of the autopilot panel.
struct Point {
    int x, y;
};
constexpr Point heading_button{40, 50}, master_button{150, 50}, height_button{260, 50}, source_button{370, 50};
constexpr Point heading_increase{20, 180}, heading_reset{70, 180}, heading_decrease{100, 180};
constexpr Point roll_increase{160, 180}, roll_reset{210, 180}, roll_decrease{240, 180};
constexpr Point pitch_increase{300, 180}, pitch_reset{350, 180}, pitch_decrease{380, 180};

TEST_F(Cockpit, EachPanelAreaReachesItsOwnRectangle)
{
    const Point areas[] = {heading_button, master_button, height_button, source_button, heading_decrease,
                           heading_increase, heading_reset, roll_decrease, roll_increase, roll_reset,
                           pitch_decrease, pitch_increase, pitch_reset};
    for (int i = 0; i < 13; ++i) EXPECT_EQ(click("AP_Panel_1", areas[i].x, areas[i].y), i + 1);
    EXPECT_EQ(click("AP_Panel_1", 5, 5), 0) << "the caption is not a button";
    EXPECT_EQ(click("AP_Panel_1", 64, 50), 0) << "right edge of the heading lamp is outside";
}

TEST_F(Cockpit, EveryMasterClickZeroesTheBankReference)
{
    for (int expected_master : {1, 0, 1}) {
        ap.roll.bank_reference = 12.5;
        click("AP_Panel_1", master_button.x, master_button.y);
        EXPECT_EQ(ap.modes.ap_master_on, expected_master);
        EXPECT_EQ(ap.roll.bank_reference, 0.0);
        EXPECT_EQ(value("AP_Panel_1", 4), expected_master == 1 ? 0.0 : 1.0) << "engage lamp";
    }
}

TEST_F(Cockpit, HeightSourceButtonIsIgnoredWithTheMasterOff)
{
    ap.collective.height_a = 300.0;
    ap.collective.height_b = 120.0;
    ap.collective.height_reference = 55.0;
    click("AP_Panel_1", source_button.x, source_button.y);
    EXPECT_EQ(ap.modes.height_source_select, 0);
    EXPECT_EQ(ap.collective.height_reference, 55.0);
    EXPECT_EQ(value("AP_Panel_1", 6), 1.0);

    ap.modes.ap_master_on = 1;
    click("AP_Panel_1", source_button.x, source_button.y);
    EXPECT_EQ(ap.modes.height_source_select, 1);
    EXPECT_EQ(ap.collective.height_reference, 120.0) << "the present height as the radio source sees it";
    EXPECT_EQ(value("AP_Panel_1", 6), 0.0);
    click("AP_Panel_1", source_button.x, source_button.y);
    EXPECT_EQ(ap.collective.height_reference, 300.0);
}

// Collective at 9000, lever at 1000. Held, the law works around the collective (base 9000);
// passed through, base + lever stays 9000 (base 8000), so the collective does not move.
TEST_F(Cockpit, HeightSwitchCapturesTheHeightAndTheCollective)
{
    struct Case {
        int32_t master;
        double base_on, base_off;
    } cases[] = {{1, 9000.0, 8000.0}, {0, 8000.0, 8000.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.master);
        ap.modes.ap_master_on = c.master;
        ap.collective.height_selected = 250.0;
        ap.samples.collective_position = 9000.0;
        ap.pilot.collective_joy_reference = 1000.0;
        click("AP_Panel_1", height_button.x, height_button.y);
        EXPECT_EQ(ap.modes.height_channel_on, 1);
        EXPECT_EQ(ap.collective.height_reference, 250.0);
        EXPECT_EQ(ap.collective.collective_base, c.base_on);
        EXPECT_EQ(value("AP_Panel_1", 5), 0.0);

        ap.collective.height_selected = 260.0;
        click("AP_Panel_1", height_button.x, height_button.y);
        EXPECT_EQ(ap.modes.height_channel_on, 0);
        EXPECT_EQ(ap.collective.height_reference, 250.0) << "switching off leaves the reference";
        EXPECT_EQ(ap.collective.collective_base, c.base_off);
    }
}

TEST_F(Cockpit, TheHeadingLampFollowsTheChannelOneFrameLater)
{
    click("AP_Panel_1", heading_button.x, heading_button.y);
    EXPECT_EQ(ap.modes.heading_channel_on, 1);
    EXPECT_EQ(value("AP_Panel_1", 3), 1.0);
    host.frame();
    EXPECT_EQ(value("AP_Panel_1", 3), 0.0);
}

TEST_F(Cockpit, TrimDialsStopJustPastFiveEitherWayAndResetToZero)
{
    ap.modes.ap_master_on = 1;
    ap.modes.heading_channel_on = 1;
    struct Dial {
        Point increase, reset, decrease;
        double pilot_input::*trim;
        int element;
    };
    const Dial dials[] = {{heading_increase, heading_reset, heading_decrease, &pilot_input::heading_trim, 7},
                          {roll_increase, roll_reset, roll_decrease, &pilot_input::roll_trim, 8},
                          {pitch_increase, pitch_reset, pitch_decrease, &pilot_input::pitch_trim, 9}};
    for (const Dial& dial : dials) {
        click("AP_Panel_1", dial.increase.x, dial.increase.y, 50);
        EXPECT_EQ(ap.pilot.*dial.trim, 4.999999999999998);
        click("AP_Panel_1", dial.increase.x, dial.increase.y, 5);
        EXPECT_EQ(ap.pilot.*dial.trim, 5.099999999999998) << "the 51st step is still taken";
        EXPECT_EQ(element("AP_Panel_1", dial.element).rotation, 5.099999999999998 * 15);
        click("AP_Panel_1", dial.reset.x, dial.reset.y);
        EXPECT_EQ(ap.pilot.*dial.trim, 0.0);
        click("AP_Panel_1", dial.decrease.x, dial.decrease.y, 60);
        EXPECT_EQ(ap.pilot.*dial.trim, -5.099999999999998);
    }
    ap.pilot.roll_trim = 5.0;
    click("AP_Panel_1", roll_increase.x, roll_increase.y);
    EXPECT_EQ(ap.pilot.roll_trim, 5.0) << "exactly 5 is not increased";
    ap.pilot.roll_trim = -5.0;
    click("AP_Panel_1", roll_decrease.x, roll_decrease.y);
    EXPECT_EQ(ap.pilot.roll_trim, -5.0) << "exactly -5 is not decreased";
}

// The assignment panel: up and down areas per row, and the digits.
struct Row {
    int y;
    int8_t autopilot_settings::*assignment;
    int digit_element;
};
const Row rows[] = {{85, &autopilot_settings::ap_kren_kanal, 13},
                    {105, &autopilot_settings::ap_tang_kanal, 14},
                    {125, &autopilot_settings::ap_schag_kanal, 15},
                    {145, &autopilot_settings::ap_kurs_kanal, 16}};
constexpr int up_x = 145, down_x = 115;

TEST_F(Cockpit, AssignmentsStepBetweenZeroAndEightAndComeBackFromOutside)
{
    for (const Row& row : rows) {
        ap.settings.*row.assignment = 0;
        click("AP_YoySet", down_x, row.y);
        EXPECT_EQ(ap.settings.*row.assignment, 0);
        EXPECT_EQ(element("AP_YoySet", row.digit_element).text, "0");
        click("AP_YoySet", up_x, row.y, 12);
        EXPECT_EQ(ap.settings.*row.assignment, 8);
        EXPECT_EQ(element("AP_YoySet", row.digit_element).text, "8");
        EXPECT_EQ(value("AP_YoySet", row.digit_element), 8.0);

        ap.settings.*row.assignment = 44;  // from a hand-edited file
        const element_values wide = element("AP_YoySet", row.digit_element);
        EXPECT_EQ(wide.value, 44.0);
        EXPECT_EQ(wide.text, "?");
        EXPECT_FALSE(wide.overrun);
        click("AP_YoySet", up_x, row.y);
        EXPECT_EQ(ap.settings.*row.assignment, 44) << "no increase above 8";
        click("AP_YoySet", down_x, row.y);
        EXPECT_EQ(ap.settings.*row.assignment, 43);

        ap.settings.*row.assignment = -3;
        EXPECT_EQ(element("AP_YoySet", row.digit_element).text, "?");
        click("AP_YoySet", down_x, row.y);
        EXPECT_EQ(ap.settings.*row.assignment, -3);
        click("AP_YoySet", up_x, row.y);
        EXPECT_EQ(ap.settings.*row.assignment, -2);
    }
}

TEST_F(Cockpit, LoadAndSaveButtonsOnlyRaiseRequestsServedAtTheNextFrame)
{
    EXPECT_EQ(click("AP_YoySet", 15, 140), 9);
    EXPECT_EQ(click("AP_YoySet", 45, 140), 10);
    EXPECT_EQ(cfg.joy_kanal_load_request, 1);
    EXPECT_EQ(cfg.joy_kanal_save_request, 1);
    host.frame();
    EXPECT_EQ(cfg.joy_kanal_load_request, 0);
    EXPECT_EQ(cfg.joy_kanal_save_request, 0);
}

TEST_F(Cockpit, MarkersFollowTheAxesAndControls)
{
    plug_joystick0(0, 65535, 32768, 0);
    set(token::collective, 8000.0);
    set(token::control_313, 100.0);
    set(token::control_316, -200.0);
    set(token::control_317, 300.0);
    host.frame();
    const element_values stick = element("AP_YoySet", 2);
    EXPECT_EQ(stick.x, 100.0);
    EXPECT_EQ(stick.y, 300.0);
    EXPECT_EQ(element("AP_YoySet", 3).x, -200.0);
    EXPECT_EQ(element("AP_YoySet", 4).y, -8000.0) << "negative, so that the marker rises";
    EXPECT_EQ(element("AP_YoySet", 5).y, 0.0);
    EXPECT_EQ(element("AP_YoySet", 6).y, 65535.0);
    EXPECT_FALSE(element("AP_YoySet", 6).x.has_value()) << "axis markers never move sideways";
}

TEST_F(Cockpit, SpeedSwitchFlipsBothIconsAndTheLampNeedsTheMaster)
{
    click("V_Contrl_key", 8, 17);
    EXPECT_EQ(value("V_Contrl_key", 2), 2.0);
    EXPECT_EQ(value("V_Contrl_key", 3), 2.0);
    host.frame();
    EXPECT_EQ(value("V_Lamp", 2), -1.0) << "switched on with the master off: dark";
    ap.modes.ap_master_on = 1;
    host.frame();
    EXPECT_EQ(value("V_Lamp", 2), 0.0);
    click("V_Contrl_key", 8, 17);
    EXPECT_EQ(value("V_Contrl_key", 2), 0.0);
    EXPECT_EQ(value("V_Contrl_key", 3), 0.0);
}

TEST_F(Cockpit, DeflectionIndicatorRestsAtZeroWithTheMasterOffAndStopsAtItsLimits)
{
    ap.roll.roll_command = 10000.0;
    ap.samples.control_316 = 5000.0;
    ap.pitch.pitch_command = 9000.0;
    ap.collective.collective_command = -9000.0;
    for (int place = 3; place <= 6; ++place) {
        const element_values shown = element("IN_4", place);
        EXPECT_EQ(shown.value.value_or(0) + shown.x.value_or(0) + shown.y.value_or(0), 0.0) << place;
    }

    ap.modes.ap_master_on = 1;
    struct Case {
        double roll, heading, pitch, pitch_trim, collective, lever;
        double roll_bar, heading_bar, pitch_bar, collective_bar;
    } cases[] = {
        {10000, 3875, 7750, 0, -7750, 0, -33, 3875, 7750, -7750},
        {-5000, 3875.5, 9000, 1000, 9000, 1000, 20, 3875, 7750, 7750},
        {-8250, -3875.5, -9000, 0, 100, 200, 33, -3875, -7750, -100},
        {-8251, 0, 0, -7751, 0, 7751, 33, 0, 7750, -7750},
    };
    for (const Case& c : cases) {
        ap.roll.roll_command = c.roll;
        ap.samples.control_316 = c.heading;
        ap.pitch.pitch_command = c.pitch;
        ap.pilot.pitch_stick_trim = c.pitch_trim;
        ap.collective.collective_command = c.collective;
        ap.pilot.collective_joy_reference = c.lever;
        EXPECT_EQ(value("IN_4", 3), c.roll_bar) << c.roll;
        EXPECT_EQ(element("IN_4", 4).x, c.heading_bar) << c.heading;
        EXPECT_EQ(element("IN_4", 5).y, c.pitch_bar) << c.pitch;
        EXPECT_EQ(element("IN_4", 6).y, c.collective_bar) << c.collective;
    }
}

}  // namespace

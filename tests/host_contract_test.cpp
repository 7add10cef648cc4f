// What the module asks of its host in a frame: how many variable lookups and axis events, no
// heap allocation, the services it answers, and what it sends for commands out of range.
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <new>
#include <sstream>
#include <string>

#include "flight_fixture.h"
#include "gauges/a_pilot.h"

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size)
{
    ++allocations;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}

// The library's nothrow form (std::stable_sort's buffer) too, so that every new is freed as it
// was allocated (AddressSanitizer checks that).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    ++allocations;
    return std::malloc(size == 0 ? 1 : size);
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, const std::nothrow_t&) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}

namespace {

class HostContract : public FlightTest {
protected:
    // An odd tick that never changes: neither the collective base steps nor the run detector samples.
    HostContract() { set(token::tick18, 1); }
};

TEST_F(HostContract, AFrameLooksUpFifteenVariablesAndSendsOneEventPerAssignedChannel)
{
    plug_joystick0(32768, 32768, 32768, 32768);
    struct Case {
        int8_t roll, pitch, collective, pedals;
        int events;
    } cases[] = {{1, 2, 3, 4, 4}, {0, 0, 0, 0, 0}, {0, 2, 0, 4, 2}, {4, 4, 4, 4, 4}};
    for (const Case& c : cases) {
        ap.settings.ap_kren_kanal = c.roll;
        ap.settings.ap_tang_kanal = c.pitch;
        ap.settings.ap_schag_kanal = c.collective;
        ap.settings.ap_kurs_kanal = c.pedals;
        ap.modes.ap_master_on = 1 - ap.modes.ap_master_on;
        host.frame();
        EXPECT_EQ(host.calls_in_last_frame(host_operation::lookup_var), 15);
        EXPECT_EQ(host.calls_in_last_frame(host_operation::trigger_key_event), c.events);
        EXPECT_EQ(sent(KEY_AXIS_ROLL_SET), c.roll != 0);
        EXPECT_EQ(sent(KEY_AXIS_PITCH_SET), c.pitch != 0);
        EXPECT_EQ(sent(KEY_AXIS_COLLECTIVE_SET), c.collective != 0);
        EXPECT_EQ(sent(KEY_AXIS_HEADING_SET), c.pedals != 0);
    }
}

TEST_F(HostContract, FlyingAndConnectingAllocateNothing)
{
    plug_joystick0(20000, 40000, 30000, 35000, 0b11);
    ap.settings.ap_trim_tang_on = 1;
    host.frame();
    const long before = allocations.load();
    ap.modes.ap_master_on = 1;
    ap.modes.height_channel_on = 1;
    ap.modes.speed_hold_on = 1;
    for (int tick = 0; tick < 60; ++tick) {
        set(token::tick18, tick);
        host.frame();
    }
    host.connect();
    EXPECT_EQ(allocations.load(), before);
}

TEST_F(HostContract, OnlyPreUpdateAndConnectDoAnything)
{
    plug_joystick0(1000, 1000, 1000, 1000);
    for (int32_t service = 0; service <= 20; ++service) {
        if (service == PANEL_SERVICE_PRE_UPDATE || service == PANEL_SERVICE_CONNECT_TO_WINDOW) continue;
        a_pilot_gauge_callback(nullptr, service, 0xFFFFFFFF);
    }
    EXPECT_TRUE(host.events().empty());
    EXPECT_EQ(joy.axis_table[1], 0.0) << "no service but pre-update polls";
    EXPECT_EQ(ap.pilot.roll_joy_reference, 0.0);
    EXPECT_EQ(ap.timing.counter_now, 0);
}

TEST_F(HostContract, CommandsAreTruncatedTowardZeroAndSaturateAtTheInt32Range)
{
    struct Case {
        double base;  // the held collective's base, with no height error: the command, unlimited
        int32_t sent;
    } cases[] = {
        {-12.7, -12},      {12.7, 12},
        {3e9, INT32_MAX},  {-3e9, INT32_MIN}, {NAN, 0}, {INFINITY, INT32_MAX}, {-INFINITY, INT32_MIN},
    };
    for (const Case& c : cases) {
        ap = autopilot_state{};
        ap.settings.ap_kren_kanal = ap.settings.ap_tang_kanal = ap.settings.ap_kurs_kanal = 0;
        ap.modes.ap_master_on = ap.modes.height_channel_on = ap.modes.ap_engaged_latch = 1;  // held, no capture
        ap.collective.collective_base = c.base;
        host.frame();
        EXPECT_EQ(sent_value(KEY_AXIS_COLLECTIVE_SET), c.sent) << c.base;
    }
}



// A_Pilot on more than one panel (the 2D panel and the virtual cockpit, say): the host serves each
// instance every frame, in an order of its own; the autopilot still runs one cycle a frame.
struct several_panels {
    const char* situation;
    serve_order order;
    bool closed_windows_updated;
    const char* window_closed;  // in flight, then opened again
};

void PrintTo(const several_panels& c, std::ostream* out)
{
    *out << c.situation;
}

class APilotOnSeveralPanels : public HostContract, public testing::WithParamInterface<several_panels> {};

TEST_P(APilotOnSeveralPanels, RunsOneCycleAFrame)
{
    const several_panels& c = GetParam();
    GAUGEHDR* const a_pilot = host.find_gauge("A_Pilot");
    host.place({{a_pilot, "Window00"}, {host.find_gauge("AP_Panel_1"), "Window01"}, {a_pilot, "VCockpit01"}});
    host.set_serve_order(c.order);
    host.serve_closed_windows(c.closed_windows_updated);
    host.open();
    const auto one_cycle_a_frame = [this](const char* when) {
        for (int frame = 0; frame < 3; ++frame) {
            host.frame();
            EXPECT_EQ(host.calls_in_last_frame(host_operation::lookup_var), 15) << when;
        }
    };
    one_cycle_a_frame("both open");
    ASSERT_TRUE(host.close_window(c.window_closed));
    one_cycle_a_frame("one closed");
    ASSERT_TRUE(host.open_window(c.window_closed));
    one_cycle_a_frame("reopened");
    host.reload();
    one_cycle_a_frame("reloaded");
    host.close();
}

INSTANTIATE_TEST_SUITE_P(
    Panels, APilotOnSeveralPanels,
    testing::Values(several_panels{"2D first, the cockpit closed", serve_order::listed, false, "VCockpit01"},
                    several_panels{"2D first, the 2D panel closed", serve_order::listed, false, "Window00"},
                    several_panels{"cockpit first, the cockpit closed", serve_order::reversed, false, "VCockpit01"},
                    several_panels{"window by window, closed ones updated", serve_order::by_window, true, "Window00"}),
    [](const testing::TestParamInfo<several_panels>& param_info) {
        std::string name;
        for (const char* c = param_info.param.situation; *c != '\0'; ++c)
            if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
        return name;
    });

// Pre-updates of instances a, b, c in turn ("a-": a disconnected, "a!": a killed), and whether each
// pre-update ran the cycle.
TEST_F(HostContract, TheInstanceThatRunsTheCycleHandsOverWhenItLeaves)
{
    struct sequence {
        const char* services;
        const char* runs;
    } sequences[] = {
        {"a a a", "111"},
        {"a b a b", "1010"},
        {"b a b a", "1010"},
        {"a b c a b c", "100100"},
        {"a b a- b a", "1010"},    // disconnected: b takes over at once
        {"a b a! b a", "1010"},    // killed: likewise
        {"a b a b b b", "101011"}, // a dropped without a word: b waits one frame, then takes over
    };
    for (const sequence& s : sequences) {
        ap = autopilot_state{};
        GAUGEHDR instance[3] = {*host.find_gauge("A_Pilot"), *host.find_gauge("A_Pilot"), *host.find_gauge("A_Pilot")};
        std::string ran;
        std::istringstream words(s.services);
        for (std::string word; words >> word;) {
            GAUGEHDR* const which = &instance[word[0] - 'a'];
            if (word.size() == 2) {
                host.service(which, word[1] == '-' ? PANEL_SERVICE_DISCONNECT : PANEL_SERVICE_PRE_KILL);
                continue;
            }
            virtual_devices.counter += 1000;
            host.service(which, PANEL_SERVICE_PRE_UPDATE);
            ran += ap.timing.counter_now == virtual_devices.counter ? '1' : '0';
        }
        EXPECT_EQ(ran, s.runs) << s.services;
    }
}

}  // namespace

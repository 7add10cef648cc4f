// What the module asks of its host in a frame: how many variable lookups and axis events, no
// heap allocation, the services it answers, and what it sends for commands out of range.
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

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
        ap.ap_kren_kanal = c.roll;
        ap.ap_tang_kanal = c.pitch;
        ap.ap_schag_kanal = c.collective;
        ap.ap_kurs_kanal = c.pedals;
        ap.ap_master_on = 1 - ap.ap_master_on;
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
    ap.ap_trim_tang_on = 1;
    host.frame();
    const long before = allocations.load();
    ap.ap_master_on = 1;
    ap.height_channel_on = 1;
    ap.speed_hold_on = 1;
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
    EXPECT_EQ(ap.roll_joy_reference, 0.0);
    EXPECT_EQ(ap.counter_now, 0);
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
        ap.ap_kren_kanal = ap.ap_tang_kanal = ap.ap_kurs_kanal = 0;
        ap.ap_master_on = ap.height_channel_on = ap.ap_engaged_latch = 1;  // held, no capture
        ap.collective_base = c.base;
        host.frame();
        EXPECT_EQ(sent_value(KEY_AXIS_COLLECTIVE_SET), c.sent) << c.base;
    }
}

}  // namespace

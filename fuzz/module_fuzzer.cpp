// The module as the host sees it, fed arbitrary host values (NaN, infinities and huge numbers
// among them), joystick reports, clocks, clicks and service ids. After every frame the roll,
// pitch and pedal commands sent must lie within ±16000; nothing may crash; and once the host's
// values are sane again, a disengage and engage must leave every command finite.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "gauges/autopilot_instance.h"
#include "state/autopilot_state.h"
#include "config/configuration.h"
#include "input/joystick.h"
#include "module/host_abi.h"
#include "platform/virtual_devices.h"
#include "tools/gaugehost/host/linked_module.h"

namespace {
constexpr uint32_t tokens[] = {1, 60, 61, 65, 70, 74, 77, 79, 81, 128, 313, 316, 317, 557, 614};
constexpr double command_limit = 16000.0;

double host_value(FuzzedDataProvider& input)
{
    switch (input.ConsumeIntegralInRange<int>(0, 7)) {
    case 0: return std::numeric_limits<double>::quiet_NaN();
    case 1: return std::numeric_limits<double>::infinity();
    case 2: return -std::numeric_limits<double>::infinity();
    case 3: return input.ConsumeBool() ? 1e308 : -1e308;
    case 4: return input.ConsumeIntegral<int32_t>();
    case 5: return input.ConsumeFloatingPointInRange<double>(-400.0, 400.0);
    default: return input.ConsumeFloatingPoint<double>();
    }
}

void check_sent_commands(const GaugeHost& host)
{
    for (const recorded_event& event : host.last_frame_events()) {
        const bool limited = event.id == KEY_AXIS_ROLL_SET || event.id == KEY_AXIS_PITCH_SET ||
                             event.id == KEY_AXIS_HEADING_SET;
        if (limited && (event.value > command_limit || event.value < -command_limit)) __builtin_trap();
    }
}

void run_frames(GaugeHost& host, int count)
{
    for (int i = 0; i < count; ++i) {
        host.frame();
        check_sent_commands(host);
        host.clear_events();
    }
}

bool finite_commands()
{
    return std::isfinite(the_autopilot.state.roll.roll_command) && std::isfinite(the_autopilot.state.pitch.pitch_command) && std::isfinite(the_autopilot.state.heading.heading_command) &&
           std::isfinite(the_autopilot.state.collective.collective_command) && std::isfinite(the_autopilot.state.speed.speed_command) &&
           std::isfinite(the_autopilot.state.roll.roll_integrator) && std::isfinite(the_autopilot.state.pitch.pitch_integrator) &&
           std::isfinite(the_autopilot.state.heading.heading_integrator) && std::isfinite(the_autopilot.state.collective.height_integrator) &&
           std::isfinite(the_autopilot.state.speed.speed_integrator);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    the_autopilot.state = autopilot_state{};
    the_autopilot.joysticks = joystick_state{};
    the_autopilot.configuration = configuration_state{};
    virtual_devices = virtual_device_state{};  // no executable path: the configuration is never touched
    // One host for every input (its event store is a megabyte, too dear to allocate each time),
    // back at a fresh host's variables.
    static GaugeHost host(linked_module());
    host.clear_events();
    for (uint32_t token : tokens) host.set_var(token, 0.0);
    FuzzedDataProvider input(data, size);

    int operations = 0;
    while (input.remaining_bytes() > 0 && ++operations < 200) {
        const auto& gauges = host.gauges();
        GAUGEHDR* gauge = gauges[input.ConsumeIntegralInRange<size_t>(0, gauges.size() - 1)];
        switch (input.ConsumeIntegralInRange<int>(0, 7)) {
        case 0:
            host.set_var(input.PickValueInArray(tokens), host_value(input));
            break;
        case 1: {
            virtual_joystick& stick = virtual_devices.joysticks[input.ConsumeIntegralInRange<int>(0, 1)];
            stick.present = input.ConsumeBool();
            stick.failing = input.ConsumeBool();
            stick.has_z = input.ConsumeBool();
            stick.has_r = input.ConsumeBool();
            stick.x = input.ConsumeIntegral<uint32_t>();
            stick.y = input.ConsumeIntegral<uint32_t>();
            stick.z = input.ConsumeIntegral<uint32_t>();
            stick.r = input.ConsumeIntegral<uint32_t>();
            stick.buttons = input.ConsumeIntegral<uint32_t>();
            stick.flags = input.ConsumeIntegral<uint32_t>();
            break;
        }
        case 2:
            host.click(gauge, input.ConsumeIntegralInRange<int32_t>(-10, 430), input.ConsumeIntegralInRange<int32_t>(-10, 260));
            break;
        case 3:
            host.service(gauge, input.ConsumeIntegral<int32_t>());
            break;
        case 4:
            virtual_devices.frequency = input.ConsumeIntegral<int64_t>();
            virtual_devices.step = input.ConsumeIntegral<int64_t>();
            break;
        case 5:
            // What only a hand-edited configuration file can hold.
            the_autopilot.state.settings.ap_kren_kanal = input.ConsumeIntegral<int8_t>();
            the_autopilot.state.settings.ap_tang_kanal = input.ConsumeIntegral<int8_t>();
            the_autopilot.state.settings.ap_schag_kanal = input.ConsumeIntegral<int8_t>();
            the_autopilot.state.settings.ap_kurs_kanal = input.ConsumeIntegral<int8_t>();
            the_autopilot.state.settings.ap_trim_tang_on = input.ConsumeIntegral<int32_t>();
            the_autopilot.state.settings.ap_trim_kurs_on = input.ConsumeIntegral<int32_t>();
            the_autopilot.state.settings.ap_kurs_otkl_on = input.ConsumeIntegral<int32_t>();
            break;
        case 6:
            host.show(gauge);
            break;
        default:
            run_frames(host, input.ConsumeIntegralInRange<int>(1, 3));
            break;
        }
    }

    // The host comes back to its senses: finite values, a running clock, a sane stick.
    for (uint32_t token : tokens) host.set_var(token, 1.0);
    virtual_devices = virtual_device_state{};
    run_frames(host, 2);
    the_autopilot.state.modes.ap_master_on = 0;
    run_frames(host, 2);
    the_autopilot.state.modes.ap_master_on = 1;
    run_frames(host, 3);
    if (!finite_commands()) __builtin_trap();
    return 0;
}

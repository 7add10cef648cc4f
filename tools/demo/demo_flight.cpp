// A short scripted flight through the test host: a helicopter in level cruise with the pilot's
// sticks centred, the autopilot engaged after a few frames, then a gust that rolls and pitches
// it. Prints the four axis commands the module sends in each frame.
#include <cstdio>
#include <map>

#include "autopilot/autopilot_state.h"
#include "module/host_abi.h"
#include "platform/virtual_devices.h"
#include "tools/gaugehost/linked_module.h"

namespace {
constexpr uint32_t token_tick18 = 1, token_airspeed = 61, token_vertical_speed = 65, token_yaw_rate = 70,
                   token_height = 74, token_pitch = 77, token_bank = 79, token_heading = 81,
                   token_collective = 128, token_clock_seconds = 557, token_radio_height = 614;

void print_frame(const GaugeHost& host, const char* note)
{
    std::map<uint32_t, int32_t> sent;
    for (const recorded_event& event : host.last_frame_events()) sent[event.id] = event.value;
    auto column = [&](uint32_t id) { return sent.count(id) ? sent[id] : 0; };
    std::printf("%5d  %6d  %6d  %6d  %6d  %6d   %s\n", host.frames_run(), ap.ap_master_on,
                column(KEY_AXIS_ROLL_SET), column(KEY_AXIS_PITCH_SET), column(KEY_AXIS_HEADING_SET),
                column(KEY_AXIS_COLLECTIVE_SET), note);
}
}  // namespace

int main()
{
    GaugeHost host{linked_module()};
    virtual_joystick& stick = virtual_devices.joysticks[0];
    stick.present = stick.has_z = stick.has_r = true;
    stick.x = stick.y = stick.r = 32768;  // centred
    stick.z = 24000;                      // lever a little below mid-travel

    // Level cruise at 60 knots, 300 m, heading 90.
    host.set_var(token_airspeed, 60.0);
    host.set_var(token_height, 300.0);
    host.set_var(token_radio_height, 300.0);
    host.set_var(token_heading, 90.0);
    host.set_var(token_collective, 10000.0);
    host.connect();

    std::printf("frame  master    roll   pitch   pedal  collect   note\n");
    double tick = 0.0, seconds = 0.0;
    for (int frame = 1; frame <= 16; ++frame) {
        tick += 1.0;
        seconds += 0.055;
        host.set_var(token_tick18, tick);
        host.set_var(token_clock_seconds, seconds);
        const char* note = "";
        if (frame == 5) {
            ap.ap_master_on = 1;  // the pilot clicks the engage lamp
            ap.bank_reference = 0.0;
            note = "engage";
        }
        if (frame >= 9 && frame <= 12) {
            host.set_var(token_bank, 2.0 * (frame - 8));    // a gust rolls it left
            host.set_var(token_pitch, -0.5 * (frame - 8));  // and lifts the nose
            host.set_var(token_vertical_speed, 256.0 * 0.5 * (frame - 8));
            host.set_var(token_yaw_rate, 10.0);
            note = "gust";
        }
        host.frame();
        print_frame(host, note);
    }
    return 0;
}

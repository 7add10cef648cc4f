#include "tools/flightsim/session/test_pilot.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "platform/virtual_devices.h"
#include "recorder/flight_card.h"
#include "tools/flightsim/model/sim_math.h"
#include "tools/flightsim/session/host_link.h"
#include "tools/gaugehost/host/gauge_host.h"

namespace {
constexpr int delay_frames = 3;                  // about 0.17 s from eye to hand at 18 frames a second
constexpr double resting_collective_base = 163.0;  // the autopilot's pass-through base at rest
constexpr double degrees_per_radian = 57.29577951308232;

// His loops, in axis units per degree and per degree a second, as firm as the autopilot's own.
constexpr double roll_per_degree = 800.0, roll_per_degree_second = 250.0;
constexpr double pitch_per_degree = 1000.0, pitch_per_degree_second = 550.0;
constexpr double pedals_per_degree = 250.0, pedals_per_degree_second = 360.0, pedals_per_degree_time = 60.0;
constexpr double climb_per_metre = 0.15, largest_climb = 2.0;        // m/s
constexpr double lever_per_climb = 1500.0, lever_per_climb_second = 300.0;
constexpr double pitch_per_kmh = 0.25, pitch_per_kmh_second = 0.03, largest_pitch = 12.0;  // degrees
constexpr double bank_per_kmh = 0.25, bank_per_kmh_second = 0.03, largest_bank = 10.0;
constexpr double firmest_lateral_gearing = 0.06;  // rad of disc tilt at full stick
constexpr double firmest_longitudinal_gearing = 0.09;
// The hardest answers he flies with his loops whole, a full control's acceleration where he
// starts: a little above our three helicopters' own (the whole-travel Bo-105's cyclic answers
// harder, and its gearing already has him gentle).
constexpr double firmest_roll_answer = 7.5;   // rad/s^2
constexpr double firmest_pitch_answer = 4.2;  // rad/s^2
constexpr double firmest_yaw_answer = 6.5;    // rad/s^2
constexpr double firmest_climb_answer = 34.0;  // m/s^2
constexpr double loose = 0.2;  // how much of his loop he keeps on the control that follows the cue

// The Recorder gauge's places: the title (3) and the cue's marker (6); START at (20, 100).
constexpr int title_place = 3, cue_place = 6;
constexpr int32_t start_x = 20, start_y = 100;

double clamp(double value, double limit)
{
    return std::max(-limit, std::min(limit, value));
}

double wrapped(double degrees)
{
    return degrees - 360.0 * std::floor((degrees + 180.0) / 360.0);
}

const card_step* step_titled(const std::string& title)
{
    for (int32_t i = 0; i < flight_card_steps; ++i)
        if (title == flight_card[i].title) return &flight_card[i];
    return nullptr;
}

double& hand_of(pilot_hands& hands, card_axis axis)
{
    switch (axis) {
    case card_axis::roll: return hands.roll;
    case card_axis::pitch: return hands.pitch;
    case card_axis::pedals: return hands.pedals;
    default: return hands.collective;
    }
}

// The joystick's raw positions that give these commands through the autopilot's pass-through.
void put_on_joystick(const pilot_hands& hands)
{
    virtual_joystick& stick = virtual_devices.joysticks[0];
    auto raw = [](double value) { return static_cast<uint32_t>(std::clamp(std::round(value), 0.0, 65535.0)); };
    stick.x = raw((full_axis - hands.roll) * 2.0);
    stick.y = raw((full_axis - hands.pitch) * 2.0);
    stick.r = raw((full_axis - hands.pedals) * 2.0);
    stick.z = raw((full_axis + resting_collective_base - hands.collective) * 4.0);
}
}  // namespace

pilot_view view_of(const state_vector& x)
{
    const double c = std::cos(x[s_psi]), s = std::sin(x[s_psi]);
    const double north = x[s_u] * std::cos(x[s_theta]) * c - x[s_v] * s;  // level components, close enough
    const double east = x[s_u] * std::cos(x[s_theta]) * s + x[s_v] * c;
    pilot_view v;
    v.bank = -x[s_phi] * degrees_per_radian;
    v.pitch = -x[s_theta] * degrees_per_radian;
    v.heading = x[s_psi] * degrees_per_radian;
    v.bank_rate = -x[s_p] * degrees_per_radian;
    v.pitch_rate = -x[s_q] * degrees_per_radian;
    v.yaw_rate = x[s_r] * degrees_per_radian;
    v.height = -x[s_down];
    v.climb = -(x[s_w] * std::cos(x[s_theta]) - x[s_u] * std::sin(x[s_theta]));
    v.forward_kmh = (north * c + east * s) * 3.6;
    v.right_kmh = (-north * s + east * c) * 3.6;
    return v;
}

control_answer control_answer_of(const rotorcraft_model& model, const state_vector& x, const control_inputs& controls,
                                 const air_state& air, const terrain& ground)
{
    // The rates' accelerations with the disc where the controls lead it, by central differences.
    auto accelerations = [&](const control_inputs& c) {
        state_vector settled = x, dx{};
        settle_actuators(settled, c);  // first: the disc's steady tilt follows the actuators
        model_outputs out;
        model.derivatives(settled, c, air, ground, dx, &out);
        settled[s_flap_lon] = out.flap_lon_steady;
        settled[s_flap_lat] = out.flap_lat_steady;
        model.derivatives(settled, c, air, ground, dx);
        return dx;
    };
    constexpr double nudge = 0.01;
    auto answer = [&](double control_inputs::*which, int rate) {
        control_inputs up = controls, down = controls;
        up.*which += nudge;
        down.*which -= nudge;
        return std::fabs(accelerations(up)[rate] - accelerations(down)[rate]) / (2.0 * nudge);
    };
    control_answer a;
    a.roll = answer(&control_inputs::lateral, s_p);
    a.pitch = answer(&control_inputs::longitudinal, s_q);
    a.yaw = answer(&control_inputs::pedal, s_r);
    a.climb = answer(&control_inputs::collective, s_w);
    return a;
}

void test_pilot::begin(GaugeHost& host, const pilot_view& now, double collective, double lateral_gearing,
                       double longitudinal_gearing, const control_answer& answer)
{
    // His loops hold a helicopter whose full stick tilts the disc at most so far, and that answers
    // a full control at most so hard; one geared more steeply, or answering harder, he flies more
    // gently, in proportion.
    roll_scale_ = std::min({1.0, firmest_lateral_gearing / lateral_gearing, firmest_roll_answer / answer.roll});
    pitch_scale_ = std::min({1.0, firmest_longitudinal_gearing / longitudinal_gearing, firmest_pitch_answer / answer.pitch});
    pedals_scale_ = std::min(1.0, firmest_yaw_answer / answer.yaw);
    lever_scale_ = std::min(1.0, firmest_climb_answer / answer.climb);
    heading_ = now.heading;
    height_ = now.height;
    collective_ = collective;
    pitch_trim_ = now.pitch;
    bank_trim_ = now.bank;
    GAUGEHDR* recorder = host.find_gauge("Recorder");
    if (recorder == nullptr) throw std::runtime_error("the test pilot needs the Recorder gauge: gaugehost --recorder");
    host.click(recorder, start_x, start_y);
    flying_ = true;
}

pilot_hands test_pilot::hold(const pilot_view& now, double speed_kmh, double dt)
{
    const double speed_error = speed_kmh - now.forward_kmh;
    pitch_trim_ = clamp(pitch_trim_ + pitch_per_kmh_second * speed_error * dt, largest_pitch);
    const double pitch_wanted = clamp(pitch_trim_ + pitch_per_kmh * speed_error, largest_pitch);
    bank_trim_ = clamp(bank_trim_ + bank_per_kmh_second * now.right_kmh * dt, largest_bank);
    const double bank_wanted = clamp(bank_trim_ + bank_per_kmh * now.right_kmh, largest_bank);

    const double climb_wanted = clamp(climb_per_metre * (height_ - now.height), largest_climb);
    collective_ += lever_scale_ * lever_per_climb_second * (climb_wanted - now.climb) * dt;
    collective_ = std::clamp(collective_, 0.0, full_axis);

    const double heading_error = wrapped(now.heading - heading_);
    pedal_trim_ = std::clamp(pedal_trim_ + pedals_scale_ * pedals_per_degree_time * heading_error * dt, -full_axis, full_axis);

    pilot_hands hands;
    hands.roll = -roll_scale_ * (roll_per_degree * (now.bank - bank_wanted) + roll_per_degree_second * now.bank_rate);
    hands.pitch = -pitch_scale_ * (pitch_per_degree * (now.pitch - pitch_wanted) + pitch_per_degree_second * now.pitch_rate);
    hands.pedals = pedal_trim_ + pedals_scale_ * (pedals_per_degree * heading_error + pedals_per_degree_second * now.yaw_rate);
    hands.collective = std::clamp(collective_ + lever_scale_ * lever_per_climb * (climb_wanted - now.climb), 0.0, full_axis);
    return hands;
}

void test_pilot::fly(GaugeHost& host, const pilot_view& now, double dt)
{
    GAUGEHDR* recorder = host.find_gauge("Recorder");
    std::string title;
    double cue = 0.0;
    for (const element_values& element : host.show(recorder)) {
        if (element.place == title_place && element.text) title = *element.text;
        if (element.place == cue_place && element.x) cue = *element.x;
    }
    const card_step* step = step_titled(title);
    if (title != step_) input_running_ = false;
    step_ = title;

    pilot_hands hands = hold(now, step != nullptr ? step->speed_kmh : 0.0, dt);
    if (step != nullptr && step->axis != card_axis::none) {
        // On the step's control: the cue from where his hand stood as the input began, and a
        // little of his loop, so that the aircraft does not wander off.
        const double loop = hand_of(hands, step->axis);
        if (cue != 0.0 && !input_running_) {
            input_running_ = true;
            input_start_ = hands;
        }
        if (input_running_)
            hand_of(hands, step->axis) =
                hand_of(input_start_, step->axis) + cue * full_axis + loose * (loop - hand_of(input_start_, step->axis));
    }
    delayed_.push_back(hands);
    if (delayed_.size() > delay_frames) delayed_.pop_front();
    put_on_joystick(delayed_.front());
}

#include "recorder/flight_card.h"

namespace {
constexpr double hover_kmh = 0.0;
constexpr double cruise_kmh = 150.0;
constexpr double trim_hold_s = 30.0;
constexpr double lead_in_s = 10.0;

// Sweeps: two long periods at the lowest frequency, then a chirp whose frequency rises
// exponentially to the highest, over 100 s; about 10 % of full deflection at hover. In cruise the
// turbulence moves the helicopter most, so the sweeps are larger there: 14 %, and a quarter in
// pitch, whose answer is the stiffest (the stabiliser and the speed hold the nose). At 7 % light
// turbulence drowned the light helicopters' cruise pitch answer, and left the yaw's and the
// collective's so uncertain that they pulled the fit's inertias off.
constexpr double sweep_s = 120.0;
constexpr double sweep_low_rad_s = 0.3;
constexpr double sweep_high_rad_s = 12.0;
constexpr double sweep_hover_amplitude = 0.10;
constexpr double sweep_cruise_amplitude = 0.14;
constexpr double sweep_cruise_pitch_amplitude = 0.25;
constexpr double sweep_long_periods = 2.0;
// The collective moves the whole aircraft up and down: half as much in the hover.
constexpr double collective_hover_amplitude = 0.05;
constexpr double collective_cruise_amplitude = 0.08;
constexpr double sweep_log_ratio = 3.6888794541139363;  // ln(12 / 0.3): the chirp ends at the highest

// 3-2-1-1 doublets: pulses of 3, 2, 1 and 1 units, alternating in sign, with a 0.7 s unit.
constexpr double doublet_unit_s = 0.7;
constexpr double doublet_units = 7.0;
constexpr double doublet_amplitude = 0.08;

constexpr double two_pi = 6.283185307179586;

constexpr card_step hold(const char* title, double speed_kmh)
{
    return {title, "hold the speed and height, stick still", card_axis::none, card_signal::hold, speed_kmh,
            trim_hold_s, 0.0, 0.0, 0.0, 0.0, 0.0};
}

constexpr card_step sweep(const char* title, const char* instruction, card_axis axis, double speed_kmh, double amplitude)
{
    return {title, instruction, axis, card_signal::sweep, speed_kmh, lead_in_s, sweep_s, amplitude,
            sweep_low_rad_s, sweep_high_rad_s, 0.0};
}

constexpr card_step doublet(const char* title, const char* instruction, card_axis axis, double speed_kmh)
{
    return {title, instruction, axis, card_signal::doublet, speed_kmh, lead_in_s, doublet_units * doublet_unit_s,
            doublet_amplitude, 0.0, 0.0, doublet_unit_s};
}

// e^x for the chirp, by squaring a short series: the module file calls no exp of the C library.
double exponential(double x)
{
    int32_t halvings = 0;
    while (x > 0.5 || x < -0.5) {
        x *= 0.5;
        ++halvings;
    }
    double term = 1.0, sum = 1.0;
    for (int32_t n = 1; n < 14; ++n) {
        term *= x / n;
        sum += term;
    }
    while (halvings-- > 0) sum *= sum;
    return sum;
}

// sin(x) by reducing to [-pi, pi] and a series.
double sine(double x)
{
    const int64_t turns = static_cast<int64_t>(x / two_pi);
    x -= static_cast<double>(turns) * two_pi;
    if (x > two_pi / 2) x -= two_pi;
    if (x < -two_pi / 2) x += two_pi;
    const double x2 = x * x;
    double term = x, sum = x;
    for (int32_t n = 1; n < 12; ++n) {
        term *= -x2 / ((2.0 * n) * (2.0 * n + 1.0));
        sum += term;
    }
    return sum;
}

// The sweep's phase at t: two periods at the lowest frequency, then ω rising as
// ω_low · (ω_high/ω_low)^(τ/T) over the rest, whose phase integrates in closed form.
double sweep_cue(const card_step& s, double t)
{
    const double long_part_s = sweep_long_periods * two_pi / s.low_rad_s;
    if (t < long_part_s) return s.amplitude * sine(s.low_rad_s * t);
    const double chirp_s = s.input_s - long_part_s;
    const double tau = t - long_part_s;
    const double k = sweep_log_ratio / chirp_s;
    const double phase = s.low_rad_s * (exponential(k * tau) - 1.0) / k;
    return s.amplitude * sine(phase);
}

double doublet_cue(const card_step& s, double t)
{
    const double unit = t / s.pulse_s;
    if (unit < 3.0) return s.amplitude;
    if (unit < 5.0) return -s.amplitude;
    if (unit < 6.0) return s.amplitude;
    if (unit < 7.0) return -s.amplitude;
    return 0.0;
}
}  // namespace

// Hover first: its trim, then each axis swept and pulsed; then the trims on the way to cruise,
// and each axis in cruise.
const card_step flight_card[] = {
    hold("TRIM  HOVER", hover_kmh),
    sweep("HOVER  ROLL SWEEP", "cyclic left and right on the cue", card_axis::roll, hover_kmh, sweep_hover_amplitude),
    doublet("HOVER  ROLL 3211", "cyclic left and right on the cue", card_axis::roll, hover_kmh),
    sweep("HOVER  PITCH SWEEP", "cyclic fore and aft on the cue", card_axis::pitch, hover_kmh, sweep_hover_amplitude),
    doublet("HOVER  PITCH 3211", "cyclic fore and aft on the cue", card_axis::pitch, hover_kmh),
    sweep("HOVER  YAW SWEEP", "pedals on the cue", card_axis::pedals, hover_kmh, sweep_hover_amplitude),
    doublet("HOVER  YAW 3211", "pedals on the cue", card_axis::pedals, hover_kmh),
    sweep("HOVER  COLLECTIVE SWEEP", "collective up and down on the cue", card_axis::collective, hover_kmh,
          collective_hover_amplitude),
    doublet("HOVER  COLLECTIVE 3211", "collective up and down on the cue", card_axis::collective, hover_kmh),
    hold("TRIM  40 KM/H", 40.0),
    hold("TRIM  80 KM/H", 80.0),
    hold("TRIM  120 KM/H", 120.0),
    hold("TRIM  CRUISE", cruise_kmh),
    sweep("CRUISE  ROLL SWEEP", "cyclic left and right on the cue", card_axis::roll, cruise_kmh, sweep_cruise_amplitude),
    doublet("CRUISE  ROLL 3211", "cyclic left and right on the cue", card_axis::roll, cruise_kmh),
    sweep("CRUISE  PITCH SWEEP", "cyclic fore and aft on the cue", card_axis::pitch, cruise_kmh,
          sweep_cruise_pitch_amplitude),
    doublet("CRUISE  PITCH 3211", "cyclic fore and aft on the cue", card_axis::pitch, cruise_kmh),
    sweep("CRUISE  YAW SWEEP", "pedals on the cue", card_axis::pedals, cruise_kmh, sweep_cruise_amplitude),
    doublet("CRUISE  YAW 3211", "pedals on the cue", card_axis::pedals, cruise_kmh),
    sweep("CRUISE  COLLECTIVE SWEEP", "collective up and down on the cue", card_axis::collective, cruise_kmh,
          collective_cruise_amplitude),
    doublet("CRUISE  COLLECTIVE 3211", "collective up and down on the cue", card_axis::collective, cruise_kmh),
};

const int32_t flight_card_steps = sizeof flight_card / sizeof flight_card[0];

double step_seconds(const card_step& step)
{
    return step.signal == card_signal::hold ? step.lead_in_s : 2.0 * step.lead_in_s + step.input_s;
}

double card_cue(const card_step& step, double t)
{
    const double input_t = t - step.lead_in_s;
    if (step.signal == card_signal::hold || input_t < 0.0 || input_t >= step.input_s) return 0.0;
    return step.signal == card_signal::sweep ? sweep_cue(step, input_t) : doublet_cue(step, input_t);
}

double card_seconds()
{
    double total = 0.0;
    for (int32_t i = 0; i < flight_card_steps; ++i) total += step_seconds(flight_card[i]);
    return total;
}

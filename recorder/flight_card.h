// The flight-test card: the steps the pilot flies with the autopilot off, and the cue each step's
// stick should follow. One table, read by the recorder's gauge and by the flight simulator's test
// pilot. Cues are fractions of full deflection from where the pilot trimmed the control.
#pragma once

#include <cstdint>

enum class card_axis : int32_t { none, roll, pitch, pedals, collective };
enum class card_signal : int32_t { hold, sweep, doublet };

struct card_step {
    const char* title;       // what the gauge shows: "HOVER  ROLL SWEEP"
    const char* instruction; // what to do: "follow the cue with the cyclic, left and right"
    card_axis axis;
    card_signal signal;
    double speed_kmh;        // the speed to fly it at (0: hover)
    double lead_in_s;        // trimmed and still before the input starts
    double input_s;          // the input's length (sweep or doublet), 0 for a hold
    double amplitude;        // the cue's peak, fraction of full deflection
    double low_rad_s;        // a sweep's lowest frequency
    double high_rad_s;       // a sweep's highest frequency
    double pulse_s;          // a doublet's unit: 3, 2, 1, 1 of these
};

extern const card_step flight_card[];
extern const int32_t flight_card_steps;

// The whole step's length: lead-in, input, and as long again as the lead-in to let the response
// die away.
double step_seconds(const card_step& step);

// The cue at t seconds into the step (0 outside the input).
double card_cue(const card_step& step, double t);

// The card's whole length, every step once.
double card_seconds();

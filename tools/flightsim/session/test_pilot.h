// A test pilot who flies the recorder's flight-test card with the autopilot off. He reads the
// Recorder gauge as a pilot would (the step's title, the cue's marker), flies each step at its
// speed (the card's own table), follows the cue on the step's control and holds the others with
// loops of his own: attitude with rate damping, heading, height through the collective, speed and
// drift through the attitude he holds. What he sees reaches his hands a human delay later. His
// hands are the joystick's axes, which the autopilot passes to the host while disengaged.
#pragma once

#include <array>
#include <deque>
#include <string>

#include "tools/flightsim/model/rotorcraft.h"

class GaugeHost;

// What the pilot sees of the flight, in the host's signs: degrees, degrees a second (bank left
// wing down, pitch nose down, heading right, each rate the same way), metres, m/s, km/h.
struct pilot_view {
    double bank = 0.0, pitch = 0.0, heading = 0.0;
    double bank_rate = 0.0, pitch_rate = 0.0, yaw_rate = 0.0;
    double height = 0.0, climb = 0.0;
    double forward_kmh = 0.0, right_kmh = 0.0;
};

pilot_view view_of(const state_vector& x);

// The pilot's hands: roll, pitch and pedal commands around the host's trim and the collective
// lever, host axis units, as the autopilot passes them on.
struct pilot_hands {
    double roll = 0.0, pitch = 0.0, pedals = 0.0, collective = 0.0;
};

// How hard a helicopter answers its controls where it flies: the roll, pitch and yaw accelerations
// (rad/s^2) of a full stick or pedal, its rotor's disc settled, and the vertical acceleration (m/s^2)
// of the whole lever.
struct control_answer {
    double roll = 0.0, pitch = 0.0, yaw = 0.0, climb = 0.0;
};

control_answer control_answer_of(const rotorcraft_model& model, const state_vector& x, const control_inputs& controls,
                                 const air_state& air, const terrain& ground);

class test_pilot {
public:
    // Clicks START on the Recorder gauge; heading and height now are the ones he holds, the lever
    // where it stands his first. He knows his helicopter: how far full stick tilts its rotor's disc
    // (rad, lateral and longitudinal) and how hard it answers each control, and fits how hard he
    // works each control to them.
    void begin(GaugeHost& host, const pilot_view& now, double collective, double lateral_gearing,
               double longitudinal_gearing, const control_answer& answer);
    // One frame: reads the gauge, works out his hands, and puts them on the joystick after the delay.
    void fly(GaugeHost& host, const pilot_view& now, double dt);
    bool flying() const { return flying_; }

private:
    pilot_hands hold(const pilot_view& now, double speed_kmh, double dt);

    bool flying_ = false;
    double heading_ = 0.0, height_ = 0.0;
    double collective_ = 0.0;                // the lever his height loop has found
    double pitch_trim_ = 0.0, bank_trim_ = 0.0;  // the attitudes his speed and drift loops have found
    double pedal_trim_ = 0.0;                // the pedal his heading loop has found
    // his loops against the firmest he flies
    double roll_scale_ = 1.0, pitch_scale_ = 1.0, pedals_scale_ = 1.0, lever_scale_ = 1.0;
    std::string step_;                       // the title the gauge showed last
    pilot_hands input_start_{};              // his hands as the step's input began
    bool input_running_ = false;
    std::deque<pilot_hands> delayed_;
};

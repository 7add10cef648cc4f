// Identification's reading of a recording and its frequency-response estimate.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tools/flightsim/identify/doublet_check.h"
#include "tools/flightsim/identify/fitted_file.h"
#include "tools/flightsim/identify/frequency_sweep.h"
#include "tools/flightsim/identify/linear_response.h"
#include "tools/flightsim/identify/model_fit.h"
#include "tools/flightsim/identify/recording.h"
#include "tools/flightsim/identify/sweep_measurement.h"

namespace {

// A first-order lag of 0.5 s driven by a chirp: its response is 1 / (1 + 0.5 j omega), here
// 0.894 at -26.6 degrees at 1 rad/s and 0.371 at -68.2 degrees at 5 rad/s, coherent throughout.
TEST(FrequencySweep, ALagDrivenByAChirpShowsItsKnownResponse)
{
    const double dt = 1.0 / 18.0, tau = 0.5;
    std::vector<double> u, y;
    double state = 0.0, phase = 0.0;
    for (int i = 0; i < 120 * 18; ++i) {
        const double t = i * dt;
        const double omega = 0.3 * std::exp(std::log(40.0) * t / 120.0);
        phase += omega * dt;
        u.push_back(std::sin(phase));
        y.push_back(state);
        state += (u.back() - state) * (1.0 - std::exp(-dt / tau));
    }
    const struct {
        double omega, magnitude, phase_deg;
    } expected[] = {{1.0, 0.894, -26.6}, {5.0, 0.371, -68.2}};
    for (const auto& e : expected) {
        const std::vector<sweep_point> p = sweep_response(u, y, dt, e.omega, e.omega, 1);
        // The sampled lag runs half a frame behind its continuous form: 1.6 degrees at 1 rad/s, 8 at 5.
        EXPECT_NEAR(std::abs(p[0].response), e.magnitude, 0.03) << e.omega;
        EXPECT_NEAR(std::arg(p[0].response) * 57.2958 + e.omega * dt / 2 * 57.2958, e.phase_deg, 3.0) << e.omega;
        EXPECT_GT(p[0].coherence, 0.95) << e.omega;
    }
}

// Noise that the input did not cause takes the coherence away.
TEST(FrequencySweep, AnOutputTheInputDidNotCauseIsNotCoherent)
{
    std::vector<double> u, y;
    unsigned state = 12345;
    for (int i = 0; i < 2000; ++i) {
        u.push_back(std::sin(0.05 * i));
        state = state * 1103515245u + 12345u;
        y.push_back(static_cast<double>(state >> 16) / 65536.0 - 0.5);
    }
    double low = 0.0, high = 0.0;
    EXPECT_LT(coherent_octaves(sweep_response(u, y, 1.0 / 18.0, 0.5, 10.0, 20), 0.6, low, high), 1.0);
}

// The pilot's holding input (a stick that follows the sweep late, and his own noise) and an answer
// made of the swept input once and the holding input twice: the answer's response is 1 plus twice
// the holding input's, at every frequency, when both are summed over the same windows alike.
TEST(FrequencySweep, AHoldingInputIsMeasuredOverTheAnswersOwnWindows)
{
    std::vector<double> u, v, y;
    unsigned state = 12345;
    for (int i = 0; i < 120 * 18; ++i) {
        u.push_back(std::sin(0.3 * i / 18.0 * std::exp(i / 1200.0)));
        state = state * 1103515245u + 12345u;
        v.push_back((i >= 5 ? 0.5 * u[i - 5] : 0.0) + static_cast<double>(state >> 16) / 65536.0 - 0.5);
        y.push_back(u.back() + 2.0 * v.back());
    }
    const std::vector<std::vector<sweep_point>> p = sweep_responses(u, y, {v}, 1.0 / 18.0, 0.5, 10.0, 20);
    for (size_t i = 0; i < p[0].size(); ++i)
        EXPECT_LT(std::abs(p[0][i].response - (1.0 + 2.0 * p[1][i].response)), 1e-9) << p[0][i].omega;
}

// A roll rate that lags the aileron by 0.4 s (p' = -p / 0.4 + 0.002 u, and the bank its integral),
// the aileron stepped on at the tenth frame: the roll rate the doublet check computes follows
// 0.002 * 0.4 * (1 - exp(-t' / 0.4)) rad/s, shown as degrees a second with the host's sign, where t'
// counts from the step's middle plus the delay.
TEST(DoubletCheck, TheModelsAnswerToAStepFollowsItsLag)
{
    linear_model m;
    m.a[s_p][s_p] = -1.0 / 0.4;
    m.b[s_p][0] = 0.002;
    m.a[s_phi][s_p] = 1.0;
    doublet_signals s;
    s.dt_s = 1.0 / 18.0;
    for (int i = 0; i < 72; ++i) {
        for (int k = 0; k < 4; ++k) s.axes[k].push_back(k == 0 && i >= 10 ? 1.0 : 0.0);
        s.measured.push_back(0.0);
    }
    for (double delay : {0.0, 0.15}) {
        const std::vector<double> answer = model_answer(m, card_axis::roll, s, delay);
        ASSERT_EQ(answer.size(), 72u);
        EXPECT_EQ(answer[9], 0.0);
        for (int i : {30, 50, 71}) {
            const double since = i * s.dt_s - 9.5 * s.dt_s - delay;
            EXPECT_NEAR(answer[i], -57.29578 * 0.002 * 0.4 * (1.0 - std::exp(-since / 0.4)), 2e-4) << i << " " << delay;
        }
    }
    EXPECT_EQ(theil_inequality({1.0, -2.0, 3.0}, {1.0, -2.0, 3.0}), 0.0);
    EXPECT_DOUBLE_EQ(theil_inequality({1.0, -2.0, 3.0}, {-1.0, 2.0, -3.0}), 1.0);
    EXPECT_DOUBLE_EQ(theil_inequality({1.0, -2.0, 3.0}, {0.0, 0.0, 0.0}), 1.0);
}

// A roll sweep during which the pilot moved the elevator with half the aileron's amplitude, in
// phase: the roll rate answers both, so what the recording measures is the aileron's path plus
// half the elevator's, here -57.3 (0.002 + 0.5 * 0.001) / (j omega + 2.5) degrees a second.
TEST(ModelFit, ThePilotsHoldingInputsAddTheirOwnPathsToTheMeasuredResponse)
{
    linear_model m;
    m.a[s_p][s_p] = -2.5;
    m.b[s_p][0] = 0.002;
    m.b[s_p][1] = 0.001;
    m.a[s_phi][s_p] = 1.0;
    measured_pair pair;
    pair.axis = card_axis::roll;
    pair.points = {{1.0, {}, 1.0}, {4.0, {}, 1.0}};
    for (size_t i = 0; i < pair.points.size(); ++i) {
        const std::complex<double> expected = -57.29578 * 0.0025 / std::complex<double>(2.5, pair.points[i].omega);
        pair.axes_moved = {};
        EXPECT_NEAR(std::abs(predicted_response(m, pair, i, 0.0) - expected * 0.8), 0.0, 1e-6);  // the aileron alone
        pair.axes_moved.assign(2, {1.0, 0.5, 0.0, 0.0});
        EXPECT_NEAR(std::abs(predicted_response(m, pair, i, 0.0) - expected), 0.0, 1e-6);
    }
}

// The four hover sweeps' responses of a helicopter as the model gives them (the Bo-105, its
// controls behind actuators of lag_s), half a frame of 1/18 s ahead as a recording has them, and
// outside the band that counts in the hover, among its slow modes and at the sweep's top, a point
// twice as large: noise there.
std::vector<measured_pair> hover_sweeps(double lag_s)
{
    aircraft_parameters truth = default_aircraft();
    truth.actuator_lag_s = lag_s;
    const linear_model hover = linearise(rotorcraft_model(truth), 0.0);
    std::vector<measured_pair> pairs;
    for (card_axis axis : {card_axis::roll, card_axis::pitch, card_axis::pedals, card_axis::collective}) {
        measured_pair pair;
        pair.axis = axis;
        for (double omega : {0.7, 1.5, 3.0, 6.0, 10.0, 12.0}) {
            const double noise = omega < 1.0 || omega > 10.0 ? 2.0 : 1.0;
            pair.points.push_back({omega, noise * model_response(hover, axis, omega, -0.5 / 18.0), 1.0});
        }
        pairs.push_back(pair);
    }
    return pairs;
}

// Fitted from the Bo-105's own file with the hover alone: what acts only in cruise (the surfaces'
// areas, the forward drag) stays as the start has it, whether the fit is told so or finds that
// the responses do not move with it; the delay stays the recording's timing, and every parameter
// fitted has a finite bound. An actuator lag the file lacks is found as a lag, not traded for the
// timing; none is found where there is none, and then has no bound.
TEST(ModelFit, AFitOfTheHoverAloneHoldsWhatActsInCruiseOnlyAndFindsTheActuatorsLag)
{
    const std::pair<double, bool> lag_s_and_told[] = {{0.0, true}, {0.08, true}, {0.08, false}};
    for (const auto& [lag_s, told] : lag_s_and_told) {
        const fit_result fit = fit_model(default_aircraft(), hover_sweeps(lag_s), 1, 1, -0.5 / 18.0, told);
        for (const fitted_parameter& p : fit.parameters) {
            const bool cruise_only = p.name == "stabiliser_area" || p.name == "fin_area" || p.name == "drag_area_forward";
            EXPECT_EQ(p.held, cruise_only || p.name == "delay") << p.name;
            EXPECT_EQ(p.at_bound, p.name == "actuator_lag" && lag_s == 0.0) << p.name;
            if (cruise_only) { EXPECT_EQ(p.value, p.start) << p.name; }
            if (!p.held) { EXPECT_EQ(std::isfinite(p.bound_percent), !p.at_bound) << p.name; }
        }
        EXPECT_NEAR(fit.fitted.actuator_lag_s, lag_s, 0.004);
        EXPECT_LT(fit.mean_cost, 1.0) << lag_s;
    }
}

// The four cruise sweeps of the Bo-105 at 150 km/h as the model gives them, the roll's at 0.7 rad/s
// twice as large. In cruise the band from 0.5 rad/s counts: that point costs the fit. The forward
// drag barely moves these answers: its bound is wider than half its value, and it is held at the
// start's, with why. The fin's alone is as wide, but it trades with the yaw inertia: it is drawn
// toward the start's value, with a bound no wider than a factor of two allows. Every factor fitted
// alone has a bound within half its value.
TEST(ModelFit, ACruiseFitCountsItsLowBandAndHoldsWhatItDoesNotIdentify)
{
    const linear_model cruise = linearise(rotorcraft_model(default_aircraft()), 150.0);
    std::vector<measured_pair> pairs;
    for (card_axis axis : {card_axis::roll, card_axis::pitch, card_axis::pedals, card_axis::collective}) {
        measured_pair pair;
        pair.axis = axis;
        pair.speed_kmh = 150.0;
        for (double omega : {0.7, 1.5, 3.0, 6.0, 10.0}) {
            const double spoilt = axis == card_axis::roll && omega < 1.0 ? 2.0 : 1.0;
            pair.points.push_back({omega, spoilt * model_response(cruise, axis, omega, -0.5 / 18.0), 1.0});
        }
        pairs.push_back(pair);
    }
    const fit_result fit = fit_model(default_aircraft(), pairs, 1, 1, -0.5 / 18.0);
    EXPECT_GT(fit.mean_cost, 1.0);
    for (const fitted_parameter& p : fit.parameters) {
        if (p.name == "drag_area_forward") {
            EXPECT_TRUE(p.held);
            EXPECT_EQ(p.value, p.start);
            EXPECT_NE(p.why_held.find("not identified (bound "), std::string::npos) << p.why_held;
        } else if (p.name == "fin_area") {
            EXPECT_TRUE(p.drawn && !p.held && p.bound_percent < 70.0);
            EXPECT_NE(p.why_held.find("drawn toward the start's value (alone, bound "), std::string::npos) << p.why_held;
        } else if (!p.held && !p.at_bound) {
            EXPECT_LE(p.bound_percent, 50.0) << p.name;
        }
    }
}

// A Bo-105 whose fin is half as large again as its file's, its hover and cruise sweeps as the model
// gives them. The fin alone is not identified by them, and it trades with the yaw inertia: held at
// the file's value, it pulls the yaw inertia and the pedal gearing 16 % low, their bounds 2 %.
// Drawn toward that value instead, it moves as far as the cruise's yaw tells, and the two come
// within 10 % of the truth, inside their bounds.
TEST(ModelFit, AFinTheSweepsDoNotIdentifyDoesNotPullTheYawInertiaOff)
{
    aircraft_parameters truth = default_aircraft();
    truth.fin_area *= 1.5;
    std::vector<measured_pair> pairs;
    for (double speed_kmh : {0.0, 150.0}) {
        const linear_model m = linearise(rotorcraft_model(truth), speed_kmh);
        for (card_axis axis : {card_axis::roll, card_axis::pitch, card_axis::pedals, card_axis::collective}) {
            measured_pair pair;
            pair.axis = axis;
            pair.speed_kmh = speed_kmh;
            for (double omega : {0.7, 1.5, 3.0, 6.0, 10.0})
                pair.points.push_back({omega, model_response(m, axis, omega, -0.5 / 18.0), 1.0});
            pairs.push_back(pair);
        }
    }
    const fit_result fit = fit_model(default_aircraft(), pairs, 1, 1, -0.5 / 18.0);
    for (const fitted_parameter& p : fit.parameters) {
        if (p.name != "inertia_yaw" && p.name != "tail_pitch_travel") continue;
        const double error_percent =
            100.0 * std::fabs(p.value / (p.name == "inertia_yaw" ? truth.inertia_yaw : truth.tail_pitch_travel) - 1.0);
        EXPECT_LT(error_percent, std::min(10.0, p.bound_percent)) << p.name << ": within 10 % and its bound";
    }
}

std::string recording_file(const std::string& name, const std::string& text)
{
    const std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// A recording of n frames 1/18 s apart, level and still; change() edits frame i's line.
std::string still_recording(int n, const std::function<std::string(int, std::string)>& change = nullptr)
{
    std::string text = "time_s,bank_deg,pitch_deg,heading_deg,turn_rate_dps,altitude_m,vertical_speed_ms,airspeed_kmh,"
                       "aileron,elevator,rudder,collective,step\n";
    for (int i = 0; i < n; ++i) {
        char line[200];
        std::snprintf(line, sizeof line, "%.4f,0,0,90,0,30,0,0,0,0,0,8000,1\n", (i + 1) / 18.0);
        text += change ? change(i, line) : line;
    }
    return text;
}

// The still recording flown in two takes of a step (the second from frame 100), with the
// autopilot engaged over the frames engaged() names.
std::string retaken_recording(bool (*engaged)(int), const std::string& step = "1")
{
    std::string text = still_recording(200, [engaged, step](int i, std::string l) {
        return l.substr(0, l.size() - 2) + step + (i < 100 ? ",1," : ",2,") + (engaged(i) ? "1\n" : "0\n");
    });
    return text.replace(text.find("step\n"), 5, "step,take,engaged\n");
}

std::string refusal(const std::string& text)
{
    try {
        check_recording(read_recording(recording_file("recording.csv", text)));
    } catch (const recording_error& error) {
        return std::to_string(error.line) + ": " + error.what();
    }
    return "";
}

TEST(Recording, WhatIsNotARecordingOrDoesNotHangTogetherIsRefusedWithItsLine)
{
    const struct {
        std::string text;
        const char* refusal;  // the line and the start of the message; empty: accepted
    } cases[] = {
        {still_recording(200), ""},
        {"time_s,bank_deg\n0.1,0\n", "1: no column pitch_deg"},
        {[] { std::string t = still_recording(200); return t.replace(t.find("step\n"), 5, "aileron\n"); }(),
         "1: column aileron named twice"},
        {still_recording(200, [](int i, std::string l) { return i == 50 ? l.substr(0, l.size() - 3) + "\n" : l; }),
         "52: 12 fields"},
        // Three frames missing: the frame after them comes four frames' time late.
        {still_recording(200, [](int i, std::string l) { return i >= 60 && i < 63 ? "# lost\n" : l; }),
         "65: an unsteady frame rate"},
        {still_recording(200, [](int i, std::string l) { return i >= 100 ? l.replace(l.find(",30,"), 4, ",35,") : l; }),
         "182: heights and vertical speed"},  // the end of the 5 s window that holds the jump
        {still_recording(200, [](int i, std::string l) { return i >= 100 ? l.replace(l.find(",90,"), 4, ",99,") : l; }),
         "182: heading and turn rate"},
        // Rolled past 90 degrees: lost, not flown.
        {still_recording(200, [](int i, std::string l) { return i >= 100 ? l.replace(l.find(",0,0,90,"), 8, ",-120,0,90,") : l; }),
         "102: the helicopter was lost"},
        // A step flown with the autopilot engaged: refused in the take that counts, the last.
        {retaken_recording([](int i) { return i >= 20 && i < 30; }), ""},
        {retaken_recording([](int i) { return i >= 150; }), "152: the autopilot was engaged at 8.4 s, in step 1"},
        // Engaged where the step column names no step of the card, or is not even a number.
        {retaken_recording([](int) { return true; }, "0"), ""},
        {retaken_recording([](int) { return true; }, "nan"), ""},
        {retaken_recording([](int) { return true; }, "1e300"), ""},
        // A last line cut short by a full disk is left out.
        {still_recording(200) + "11.2,0,0,9", ""},
    };
    for (const auto& c : cases) {
        const std::string said = refusal(c.text);
        if (*c.refusal == '\0') EXPECT_EQ(said, "");
        else EXPECT_EQ(said.rfind(c.refusal, 0), 0u) << said;
    }
    // Cut short after its last comma, the last line is left out whole: every column as long as the rest.
    const recording cut = read_recording(recording_file("cut.csv", still_recording(200) + "11.2,0,0,90,0,30,0,0,0,0,0,8000,"));
    for (const auto& [name, values] : cut.columns) EXPECT_EQ(values.size(), 200u) << name;
}

}  // namespace

namespace {

// A roll sweep whose pilot holds with the elevator at half and the pedals at minus twice his
// aileron, the lever still: each holding input is found on its own axis.
TEST(FrequencySweep, EachHoldingInputIsFoundOnItsOwnAxis)
{
    double bank = 0.0;
    const std::string text = still_recording(120 * 18, [&bank](int i, const std::string&) {
        const double aileron = 2.0 * std::round(1000.0 * std::sin(0.3 * i / 18.0 * std::exp(i / 1200.0)));
        bank += 0.01 * aileron / 18.0;
        char line[200];
        std::snprintf(line, sizeof line, "%.4f,%.6f,0,90,0,30,0,0,%.0f,%.0f,%.0f,8000,1\n", (i + 1) / 18.0, bank, aileron,
                      0.5 * aileron, -2.0 * aileron);
        return std::string(line);
    });
    std::vector<size_t> frames(120 * 18);
    for (size_t i = 0; i < frames.size(); ++i) frames[i] = i;
    const sweep_measurement m = measure_sweep(read_recording(recording_file("roll_sweep.csv", text)), frames,
                                              pair_of(card_axis::roll), 1.0 / 18.0, flight_card[1]);
    int measured = 0;
    for (size_t i = 0; i < m.points.size(); ++i) {
        if (m.points[i].coherence == 0.0) continue;  // no window measured it
        ++measured;
        EXPECT_LT(std::abs(m.moved[i][1] - 0.5), 1e-9);
        EXPECT_LT(std::abs(m.moved[i][2] + 2.0), 1e-9);
        EXPECT_LT(std::abs(m.moved[i][3]), 1e-9);
    }
    EXPECT_GT(measured, 30);
}

// Each axis at its stops: the cyclic either way of full deflection, the lever down or up.
TEST(Recording, AControlAtItsStopIsCountedOverTheFramesAsked)
{
    const auto with_axes = [](const char* axes, int first, int last) {
        return read_recording(recording_file("stops.csv", still_recording(200, [=](int i, std::string l) {
            return i >= first && i < last ? l.replace(l.find(",0,0,0,8000,"), 12, axes) : l;
        })));
    };
    std::vector<size_t> all(200);
    for (size_t i = 0; i < all.size(); ++i) all[i] = i;
    const std::vector<size_t> first_half(all.begin(), all.begin() + 100);
    EXPECT_DOUBLE_EQ(share_at_a_stop(with_axes(",0,16384,0,8000,", 0, 50), "elevator", all), 0.25);
    EXPECT_DOUBLE_EQ(share_at_a_stop(with_axes(",0,16384,0,8000,", 0, 50), "elevator", first_half), 0.5);
    EXPECT_DOUBLE_EQ(share_at_a_stop(with_axes(",-16384,0,0,8000,", 150, 170), "aileron", all), 0.1);
    EXPECT_DOUBLE_EQ(share_at_a_stop(with_axes(",0,16000,0,8000,", 0, 200), "elevator", all), 0.0);  // near, not at
    EXPECT_DOUBLE_EQ(share_at_a_stop(with_axes(",0,0,0,0,", 0, 100), "collective", all), 0.5);
    EXPECT_DOUBLE_EQ(share_at_a_stop(with_axes(",0,0,0,16384,", 0, 10), "collective", all), 0.05);
}

}  // namespace

namespace {

// The fitted file reads back as the fit: a fitted value in its line, a held one as the start had
// it (not the value the search left), the lag added, the hover's limit once; and it is written
// whole or not at all.
TEST(FittedFile, ReadsBackAsTheFitWithWhatWasHeldAsTheStartHadIt)
{
    const aircraft_file start = read_aircraft_file(BRASK_SOURCE_DIR "/tools/flightsim/bo105.aircraft");
    fit_result fit;
    fit.fitted = start.parameters;
    fit.fitted.actuator_lag_s = 0.07;
    for (const auto& [name, value, held] : {std::tuple{"inertia_roll", 1900.0, false}, {"drag_area_forward", 0.13, true},
                                            {"delay", -0.0278, true}}) {
        fitted_parameter p;
        p.name = name, p.value = value, p.held = held;
        fit.parameters.push_back(p);
    }
    const std::string text = fitted_file_text(start, fit, "BRASK_REC_001.csv", true);
    const aircraft_parameters read = read_aircraft_text(text, "fitted").parameters;
    EXPECT_EQ(read.inertia_roll, 1900.0);
    EXPECT_EQ(read.drag_area_forward, 1.3);
    EXPECT_EQ(read.actuator_lag_s, 0.07);
    EXPECT_EQ(read.speed_limit, 10.0);
    EXPECT_NE(text.find("drag_area_forward         1.3       # m^2, equivalent flat plate"), std::string::npos);
    EXPECT_EQ(text.find("speed_limit"), text.rfind("speed_limit"));

    const std::string out = testing::TempDir() + "fitted.aircraft";
    ASSERT_TRUE(write_fitted_file(text, out));
    std::ifstream written(out, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), text);
    EXPECT_FALSE(std::ifstream(out + ".partial").good());
    EXPECT_FALSE(write_fitted_file(text, testing::TempDir() + "no such folder/fitted.aircraft"));
}

}  // namespace

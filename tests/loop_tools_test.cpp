// The tools that judge and tune the autopilot's gains: stability margins read from a frequency
// response, the tuned configuration file, and the aircraft files they refuse.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <complex>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "tools/flightsim/aircraft/aircraft_file.h"
#include "tools/flightsim/loops/config_file_writer.h"
#include "tools/flightsim/loops/frequency_response.h"
#include "tools/flightsim/loops/gain_set.h"
#include "tools/flightsim/loops/parallel_flights.h"
#include "tools/flightsim/loops/scenario_flights.h"
#include "tools/flightsim/loops/tuning_scenarios.h"
#include "tools/flightsim/session/per_flight_thread.h"

namespace {

std::string read_file(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// A classic loop by hand: L(s) = 2 / (s (s + 1) (s + 2)).
// Phase -180 degrees where atan(w) + atan(w/2) = 90 degrees, that is w^2 = 2: w = 1.414 rad/s,
// |L| = 2 / (1.414 x 1.732 x 2.449) = 1/3, a gain margin of 20 log10 3 = 9.54 dB.
// |L| = 1 where w^2 (w^2 + 1) (w^2 + 4) = 4: w^2 = 0.5616 (0.5616 x 1.5616 x 4.5616 = 4.000),
// w = 0.7494 rad/s; phase -90 - 36.84 - 20.54 = -147.38 degrees, a phase margin of 32.6 degrees.
TEST(StabilityMargins, AClassicThirdOrderLoopHasTheMarginsWorkedOutByHand)
{
    std::vector<response_point> response;
    for (int i = 0; i <= 60; ++i) {
        const double w = 0.05 * std::pow(10.0, i / 20.0);  // 0.05 to 50 rad/s, 20 points a decade
        const std::complex<double> s(0.0, w);
        response.push_back({w, 2.0 / (s * (s + 1.0) * (s + 2.0))});
    }
    const loop_margins m = margins_of(response);
    EXPECT_NEAR(m.gain_margin_db, 9.54, 0.1);
    EXPECT_NEAR(m.phase_crossover, 1.414, 0.02);
    EXPECT_NEAR(m.phase_margin_deg, 32.6, 0.5);
    EXPECT_NEAR(m.crossover, 0.749, 0.01);
}

// An integrator, L = 1/s: |1/(1+L)| = w / sqrt(w^2 + 1) reaches 10^(-3/20) = 0.70795 where
// w^2 = 0.50119 / (1 - 0.50119), w = 1.0024 rad/s. Halved, L = 0.5/s, it rejects up to 0.5012.
// Measured only from 5 rad/s up, the loop rejects nothing there; L = 100/s up to 1 rad/s rejects
// over the whole band.
TEST(StabilityMargins, DisturbanceRejectionBandwidthOfAnIntegratorWorkedOutByHand)
{
    auto integrator = [](double gain, double from, double to) {
        std::vector<response_point> response;
        for (double w = from; w <= to * 1.0001; w *= std::pow(10.0, 1.0 / 40.0)) response.push_back({w, gain / std::complex<double>(0.0, w)});
        return response;
    };
    EXPECT_NEAR(disturbance_rejection_bandwidth(integrator(1.0, 0.05, 50.0)), 1.0024, 0.005);
    EXPECT_NEAR(disturbance_rejection_bandwidth(integrator(0.5, 0.05, 50.0)), 0.5012, 0.003);
    EXPECT_TRUE(std::isnan(disturbance_rejection_bandwidth(integrator(1.0, 5.0, 50.0))));
    EXPECT_TRUE(std::isinf(disturbance_rejection_bandwidth(integrator(100.0, 0.05, 1.0))));
}

// A sampled loop measured the way a flight measures it: the plant answers the frame after with
// -g times what it was given (c[n] = -g u[n-1], so L = g e^(-j w T)), the loop closed through
// u = k c + d with a multisine d. At half the frame rate the delay turns the phase by 180 degrees:
// with g = 2 the loop would limit-cycle frame to frame, its gain margin 20 log10(1/2) = -6.02 dB
// (measured with k = 1/4 to keep it at rest); with g = 1/2 it has 6.02 dB and never reaches 1.
TEST(StabilityMargins, AOneFrameDelayLoopShowsANegativeMarginWhenItWouldLimitCycle)
{
    struct case_ {
        double g, k, gain_margin;
        bool crossover;
    };
    for (const case_& c : {case_{2.0, 0.25, -6.02, false}, case_{0.5, 1.0, 6.02, false}}) {
        const multisine d = design_multisine(576, 20, 100.0);
        std::vector<double> command, applied;
        double u = 0.0;
        for (long n = 0; n < 3L * d.period_frames; ++n) {
            const double cn = -c.g * u;
            u = c.k * cn + d.value(n);
            command.push_back(cn);
            applied.push_back(u);
        }
        const std::vector<response_point> response = broken_loop_response(command, applied, d, 1.0 / 18.0, 2);
        ASSERT_FALSE(response.empty());
        EXPECT_NEAR(std::abs(response.front().value), c.g, 0.01);  // the trend removed takes a little of the lowest
        EXPECT_NEAR(response.back().omega, std::numbers::pi * 18.0, 1e-9);  // the Nyquist frequency
        const loop_margins m = margins_of(response);
        EXPECT_NEAR(m.gain_margin_db, c.gain_margin, 0.01) << "g " << c.g;
        EXPECT_NEAR(m.phase_crossover, std::numbers::pi * 18.0, 0.01);
        EXPECT_EQ(!std::isnan(m.crossover), c.crossover);
    }
}

class TunedConfiguration : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = std::filesystem::temp_directory_path() / ("loop_tools_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::filesystem::path folder_;
};

// The pilot's own file, begun from the sample: assignments, an option, comments, a key in capitals
// with blanks around the '=', CRLF line ends, and no speed_ki at all.
TEST_F(TunedConfiguration, KeepsEveryOtherLineAndReadsBackAsTheGainsTuned)
{
    const std::string pilot =
        "; my Bell, second stick on the pedals\r\n"
        "; Every value below is the built-in default; a missing key takes that default.\r\n"
        "[a_pilot]\r\n"
        "KREN_KP = 640\r\n"
        "; softer heading\r\n"
        "kurs_kp=200\r\n"
        "ap_kurs_otkl_on=1\r\n"
        "[joy_kanal]\r\n"
        "ap_kren_kanal=1\r\n"
        "ap_kurs_kanal=8\r\n";
    gain_values tuned = default_gains();
    tuned[0] = 427.3;   // kurs_kp
    tuned[3] = 1081.0;  // kren_kp
    tuned[14] = 54.18;  // speed_ki, not in the pilot's file
    const std::filesystem::path path = folder_ / "tuned.cfg";
    ASSERT_TRUE(write_tuned_configuration(path.string(), pilot, tuned, {"recommended gains for bell", "tuned on 2026-12-08"}));

    const std::string written = read_file(path);
    EXPECT_EQ(written.rfind("; brask_torvik: recommended gains for bell\r\n; brask_torvik: tuned on 2026-12-08\r\n", 0), 0u);
    for (const char* kept : {"; my Bell, second stick on the pedals\r\n", "; softer heading\r\n", "ap_kurs_otkl_on=1\r\n",
                             "[joy_kanal]\r\nap_kren_kanal=1\r\nap_kurs_kanal=8\r\n"})
        EXPECT_NE(written.find(kept), std::string::npos) << kept;
    EXPECT_EQ(written.find("640"), std::string::npos);
    EXPECT_EQ(written.find("=200"), std::string::npos);
    EXPECT_EQ(read_gains(path.string()), tuned);
    EXPECT_EQ(written.find("Every value below is the built-in default"), std::string::npos);
    EXPECT_NE(written.find("\r\n; The gains below are tuned, not the built-in defaults"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 1);  // nothing left beside it

    // Tuned again: the earlier comment goes, the new one takes its place; so do the comment lines
    // of a file tuned before the comment took its present prefix.
    ASSERT_TRUE(write_tuned_configuration(path.string(), "; flightsim tune: tuned on 2026-12-07\r\n" + written, tuned,
                                          {"tuned on 2026-12-09"}));
    const std::string again = read_file(path);
    EXPECT_EQ(again.rfind("; brask_torvik: tuned on 2026-12-09\r\n; my Bell", 0), 0u);
    EXPECT_EQ(again.find("2026-12-07"), std::string::npos);
    EXPECT_EQ(again.find("2026-12-08"), std::string::npos);
}

TEST(TunedGains, AreWrittenAsTextThatReadsBackAsTheSameNumber)
{
    for (double value : {250.0, 0.0, 9.73, 1081.0, 0.6684, 54.18})
        EXPECT_EQ(std::stod(gain_text(value)), value) << gain_text(value);
    EXPECT_EQ(gain_text(250.0), "250.0");
    EXPECT_EQ(four_digits(1081.4), 1081.0);
    EXPECT_EQ(four_digits(0.668449), 0.6684);
}

// Aircraft files that cannot fly: the line and the reason.
TEST(AircraftFile, AMissingOrNonPhysicalParameterIsRefusedWithItsLine)
{
    struct case_ {
        const char* from;
        const char* to;
        const char* message;
    };
    const std::string text = default_aircraft_text();
    const case_ cases[] = {
        {"mass                      2096", "mass                      -5", "heli.aircraft:15: mass -5: a mass must be positive"},
        {"inertia_pitch             4892", "inertia_pitch             0", "heli.aircraft:17: inertia_pitch 0: an inertia must be positive"},
        {"inertia_yaw               4428      # Izz, kg m^2 [H]", "", "heli.aircraft: 'inertia_yaw' missing"},
        {"mass                      2096", "actuator_lag 0.01\nmass 2096",
         "heli.aircraft:15: actuator_lag 0.01: an actuator lag must be 0 (none) or at least 0.02 s, which the simulation's steps resolve"},
    };
    for (const case_& c : cases) {
        std::string changed = text;
        const size_t at = changed.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        changed.replace(at, std::string(c.from).size(), c.to);
        const std::filesystem::path path = std::filesystem::temp_directory_path() / "heli.aircraft";
        std::ofstream(path, std::ios::binary) << changed;
        try {
            read_aircraft_file(path.string());
            ADD_FAILURE() << "accepted: " << c.to;
        } catch (const aircraft_file_error& error) {
            EXPECT_EQ(std::string(error.what()), path.parent_path().string() + "/" + c.message);
        }
        std::filesystem::remove(path);
    }
    // A rotor of radius zero, checked on its own.
    aircraft_parameters p = default_aircraft();
    p.rotor_radius = 0.0;
    EXPECT_THROW(check_physical(text, p, "x"), aircraft_file_error);
}

// Two aircraft hovering in gusts with different roll gains, two of each, all four at once: each
// flies as it flew alone, one after another, since every flight's thread has its own autopilot.
TEST(FlightsSideBySide, EachFliesAsItFlewAlone)
{
    gain_values stiffer_roll = default_gains();
    stiffer_roll[3] = 1600.0;  // kren_kp
    std::vector<std::function<std::string()>> flights;
    for (const gain_values& gains : {default_gains(), stiffer_roll, default_gains(), stiffer_roll})
        flights.push_back([gains]() { return fly_scenario(tuning_scenarios()[0].script, default_aircraft_text(), gains, 20.0); });
    const std::vector<flight_result> alone = run_flights(flights, 1);
    const std::vector<flight_result> together = run_flights(flights, 4);
    for (size_t i = 0; i < flights.size(); ++i) {
        ASSERT_TRUE(alone[i].ok) << alone[i].text;
        EXPECT_EQ(together[i].text, alone[i].text) << "flight " << i;
    }
    EXPECT_NE(alone[1].text, alone[0].text);
}

// A flight's own objects end with its flight's scope, on its own thread while the thread goes on
// (where mingw-w64's run-time frees a thread's thread_local storage before their destructors run,
// they must not wait for the thread's end), and the next flight starts with new ones.
std::atomic<int> flight_objects_alive{0};
struct flight_object {
    flight_object() { ++flight_objects_alive; }
    ~flight_object() { --flight_objects_alive; }
    int uses = 0;
};

TEST(FlightsSideBySide, EachFlightsOwnObjectsEndWithItsFlight)
{
    for (int flight = 0; flight < 2; ++flight) {
        {
            flight_thread_scope scope;
            EXPECT_EQ(++per_flight_thread_object<flight_object>().uses, 1) << "flight " << flight;
            EXPECT_EQ(++per_flight_thread_object<flight_object>().uses, 2);
        }
        EXPECT_EQ(flight_objects_alive, 0) << "flight " << flight;
    }
    const auto flight = []() { return std::to_string(++per_flight_thread_object<flight_object>().uses); };
    for (const flight_result& r : run_flights({flight, flight, flight}, 2)) EXPECT_EQ(r.text, "1");
    EXPECT_EQ(flight_objects_alive, 0);
}

}  // namespace

// The recorder's own arithmetic: its fixed-point text and the flight-test card's signals.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "recorder/csv_text.h"
#include "recorder/flight_card.h"

namespace {

std::string fixed(double value, int32_t decimals)
{
    char text[40];
    text_writer out{text, sizeof text - 1, 0, 0};
    append_fixed(out, value, decimals);
    return std::string(text, out.length);
}

TEST(RecorderText, FixedPointRoundsHalfAwayFromZeroAndNamesWhatItCannotWrite)
{
    const struct {
        double value;
        int32_t decimals;
        const char* text;
    } cases[] = {
        {0.0, 3, "0.000"},          {-0.0004, 3, "0.000"},     {-0.0006, 3, "-0.001"},
        {1.23456, 4, "1.2346"},     {2.5, 0, "3"},             {-2.5, 0, "-3"},
        {16384.0, 0, "16384"},      {12.3456789, 6, "12.345679"}, {-179.9996, 3, "-180.000"},
        {111.12, 3, "111.120"},     {std::numeric_limits<double>::quiet_NaN(), 3, "nan"},
        {1.0e18, 3, "inf"},         {-1.0e18, 0, "-inf"},
    };
    for (const auto& c : cases) EXPECT_EQ(fixed(c.value, c.decimals), c.text) << c.value;
}

TEST(RecorderText, AWriterKeepsToItsCapacityAndSaysItOverflowed)
{
    char text[8] = "xxxxxxx";
    text_writer out{text, 3, 0, 0};
    append_text(out, "12345");
    EXPECT_EQ(std::string(text, 4), "123x");
    EXPECT_EQ(out.length, 3u);
    EXPECT_EQ(out.overflowed, 1);
}

const card_step& first_step(card_signal signal, card_axis axis, double speed_kmh)
{
    for (int32_t i = 0; i < flight_card_steps; ++i)
        if (flight_card[i].signal == signal && flight_card[i].axis == axis && flight_card[i].speed_kmh == speed_kmh)
            return flight_card[i];
    ADD_FAILURE() << "no such step";
    return flight_card[0];
}

// 5 trims of 30 s; 8 sweeps of 10 + 120 + 10 s; 8 doublets of 10 + 4.9 + 10 s.
TEST(FlightCard, TakesAboutTwentyFiveMinutesAndNoCueLeavesItsAmplitude)
{
    EXPECT_NEAR(card_seconds(), 1469.2, 1e-9);
    for (int32_t i = 0; i < flight_card_steps; ++i) {
        const card_step& step = flight_card[i];
        double largest = 0.0;
        for (double t = 0.0; t < step_seconds(step); t += 0.01) largest = std::fmax(largest, std::fabs(card_cue(step, t)));
        EXPECT_LE(largest, step.amplitude + 1e-12) << step.title;
        if (step.signal != card_signal::hold) {
            EXPECT_GT(largest, 0.99 * step.amplitude) << step.title;
        }
        EXPECT_EQ(card_cue(step, step.lead_in_s - 0.01), 0.0) << step.title << ": the lead-in is still";
    }
}

// Pulses of 2.1, 1.4, 0.7 and 0.7 s, alternating, then nothing.
TEST(FlightCard, ADoubletIsThreeTwoOneOne)
{
    const card_step& d = first_step(card_signal::doublet, card_axis::roll, 0.0);
    const double a = d.amplitude, lead = d.lead_in_s;
    const struct {
        double t;
        double cue;
    } samples[] = {{1.0, a}, {2.0, a}, {2.2, -a}, {3.4, -a}, {3.6, a}, {4.1, a}, {4.3, -a}, {4.8, -a}, {5.0, 0.0}};
    for (const auto& s : samples) EXPECT_DOUBLE_EQ(card_cue(d, lead + s.t), s.cue) << s.t;
}

// The sweep's first quarter period at 0.3 rad/s peaks at 5.236 s; near its end it crosses zero
// about every 0.26 s (12 rad/s).
TEST(FlightCard, ASweepRisesFromItsLowestToItsHighestFrequency)
{
    const card_step& s = first_step(card_signal::sweep, card_axis::pitch, 0.0);
    EXPECT_NEAR(card_cue(s, s.lead_in_s + 5.235987755982989), s.amplitude, 1e-12);
    int crossings = 0;
    const double end = s.lead_in_s + s.input_s;
    for (double t = end - 2.0; t < end - 0.001; t += 0.001)
        crossings += (card_cue(s, t) > 0.0) != (card_cue(s, t + 0.001) > 0.0) ? 1 : 0;
    EXPECT_GE(crossings, 7);  // 2 s at a little under 12 rad/s: 7.3 crossings on average
    EXPECT_LE(crossings, 8);
}

}  // namespace

// Decimal text to double on the Windows build: the configuration's numbers must convert to the
// same correctly rounded doubles as on the native build, in the module's x87 code. Expected values
// are bit patterns.
#include "config/number_text.h"
#include "platform/platform.h"

#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

namespace {

// The module's code runs at the precision its entry guard sets (53 bits); this program's start-up
// code leaves the x87 unit at 64 bits, so the tests call it as the module's entry points do.
class ModulePrecision : public testing::Environment {
public:
    void SetUp() override { host_word_ = platform_enter_module_precision(); }
    void TearDown() override { platform_leave_module_precision(host_word_); }

private:
    uint16_t host_word_ = 0;
};
const testing::Environment* const module_precision = testing::AddGlobalTestEnvironment(new ModulePrecision);

uint64_t bits(double value)
{
    uint64_t pattern;
    std::memcpy(&pattern, &value, sizeof pattern);
    return pattern;
}

TEST(NumberText, ConvertsToTheCorrectlyRoundedDouble)
{
    struct Case {
        const char* text;
        uint64_t expected;
    } cases[] = {
        {"0.1", 0x3FB999999999999AULL},
        {"250.0", 0x406F400000000000ULL},
        {"1001.0", 0x408F480000000000ULL},
        {"-0.5", 0xBFE0000000000000ULL},
        {"1e3", 0x408F400000000000ULL},
        {"  +2.9x", 0x4007333333333333ULL},
        {"0.30000000000000004", 0x3FD3333333333334ULL},
        {"9007199254740993", 0x4340000000000000ULL},        // halfway: to even, 2^53
        {"9007199254740995", 0x4340000000000002ULL},        // halfway: to even, up
        {"2.2250738585072011e-308", 0x000FFFFFFFFFFFFFULL},  // largest subnormal
        {"2.2250738585072012e-308", 0x0010000000000000ULL},  // smallest normal
        {"4.9e-324", 0x0000000000000001ULL},
        {"1.7976931348623157e308", 0x7FEFFFFFFFFFFFFFULL},
        {"1e400", 0x7FF0000000000000ULL},
        {"-1e400", 0xFFF0000000000000ULL},
        {"1e-400", 0x0000000000000000ULL},
        {"", 0x0000000000000000ULL},
        {"word", 0x0000000000000000ULL},
        {".5", 0x3FE0000000000000ULL},
        {"5.", 0x4014000000000000ULL},
        {"1e", 0x3FF0000000000000ULL},
        {"0x10", 0x0000000000000000ULL},
    };
    for (const Case& c : cases) EXPECT_EQ(bits(text_to_double(c.text)), c.expected) << '"' << c.text << '"';
}

TEST(NumberText, WritesWholeNumbersPlainly)
{
    struct Case {
        int32_t value;
        const char* text;
    } cases[] = {{0, "0"}, {8, "8"}, {-1, "-1"}, {127, "127"}, {-128, "-128"}};
    for (const Case& c : cases) {
        char buffer[20];
        integer_to_text(c.value, buffer, sizeof buffer);
        EXPECT_STREQ(buffer, c.text);
    }
}

}  // namespace

// Small arithmetic shared by the channels: 0/1 switch factors, strict clamps, and the
// conversions from doubles to the integers the module stores or sends.
#pragma once

#include <cmath>
#include <cstdint>

// value × factor for a 0/1 switch factor. A factor of 0 gives exactly 0 even when the value is
// not finite, so a NaN from the host cannot stay trapped in a term that is switched off.
inline double times_switch(int32_t factor, double value)
{
    return factor == 0 ? 0.0 : factor * value;
}

// A condition as a 0/1 factor.
inline int32_t factor_of(bool condition)
{
    return condition ? 1 : 0;
}

// First above the upper bound, then below the lower; a value beyond a bound becomes the bound.
inline double clamp_strict(double value, double lower, double upper)
{
    if (value > upper) value = upper;
    if (value < lower) value = lower;
    return value;
}

// Truncation toward zero to a signed 32-bit integer. Values beyond the range saturate and NaN
// gives 0, so no host value can make the conversion undefined.
inline int32_t truncate_to_int32(double value)
{
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0) return INT32_MAX;
    if (value <= -2147483649.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

#include "tools/flightsim/model/sim_math.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace sim {
namespace {

// pi/2 in three parts (Cody and Waite): the first two have trailing zero bits, so k times them
// is exact for the multiples k the model meets.
constexpr double half_pi_1 = 1.57079632673412561417e+00;
constexpr double half_pi_2 = 6.07710050650619224932e-11;
constexpr double half_pi_3 = 2.02226624879595063154e-21;
constexpr double two_over_pi = 6.36619772367581382433e-01;

constexpr double ln2_high = 6.93147180369123816490e-01;
constexpr double ln2_low = 1.90821492927058770002e-10;
constexpr double log2_e = 1.44269504088896338700e+00;
constexpr double sqrt_half = 0.70710678118654752440;

// 2^k for -1022 <= k <= 1023, built from its bits: multiplying by it is ldexp where the result
// stays a normal number.
double power_of_two(int k)
{
    const uint64_t bits = static_cast<uint64_t>(k + 1023) << 52;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Rounds to the nearest integer, halves away from zero; exact for |x| < 2^52.
double nearest(double x)
{
    return x >= 0.0 ? std::floor(x + 0.5) : -std::floor(-x + 0.5);
}

// sin and cos of r, |r| <= pi/4, by their Taylor series.
double sin_kernel(double r)
{
    const double r2 = r * r;
    double s = -1.0 / 1307674368000.0;       // -1/15!
    s = s * r2 + 1.0 / 6227020800.0;          // 1/13!
    s = s * r2 - 1.0 / 39916800.0;            // -1/11!
    s = s * r2 + 1.0 / 362880.0;              // 1/9!
    s = s * r2 - 1.0 / 5040.0;                // -1/7!
    s = s * r2 + 1.0 / 120.0;                 // 1/5!
    s = s * r2 - 1.0 / 6.0;                   // -1/3!
    return r + r * r2 * s;
}

double cos_kernel(double r)
{
    const double r2 = r * r;
    double c = 1.0 / 20922789888000.0;        // 1/16!
    c = c * r2 - 1.0 / 87178291200.0;         // -1/14!
    c = c * r2 + 1.0 / 479001600.0;           // 1/12!
    c = c * r2 - 1.0 / 3628800.0;             // -1/10!
    c = c * r2 + 1.0 / 40320.0;               // 1/8!
    c = c * r2 - 1.0 / 720.0;                 // -1/6!
    c = c * r2 + 1.0 / 24.0;                  // 1/4!
    return 1.0 - 0.5 * r2 + r2 * r2 * c;
}

// tan(atan(x) / 2)
double halve(double x)
{
    return x / (1.0 + std::sqrt(1.0 + x * x));
}

// atan of |x| <= 1: the angle halved twice (to at most pi/16), then its Taylor series.
double atan_kernel(double x)
{
    const double quarter = halve(halve(x));
    const double h2 = quarter * quarter;
    double s = 0.0;
    for (int n = 27; n >= 3; n -= 2) s = s * h2 + ((n / 2) % 2 == 0 ? 1.0 : -1.0) / n;
    return 4.0 * (quarter + quarter * h2 * s);
}

}  // namespace

namespace {

// The range reduction: x = k pi/2 + r, |r| <= pi/4, k's quadrant 0 to 3.
void reduce(double x, double& r, long long& quadrant)
{
    const double scaled = x * two_over_pi;
    double k;
    if (std::fabs(scaled) < 4503599627370496.0) {
        // nearest() by the integer conversion, which truncates: the floor of a positive number.
        const long long whole = static_cast<long long>(scaled >= 0.0 ? scaled + 0.5 : -scaled + 0.5);
        k = scaled >= 0.0 ? static_cast<double>(whole) : -static_cast<double>(whole);
        quadrant = (scaled >= 0.0 ? whole : -whole) & 3;
    } else {
        k = nearest(scaled);
        quadrant = static_cast<long long>(std::fmod(k, 4.0)) & 3;
    }
    r = ((x - k * half_pi_1) - k * half_pi_2) - k * half_pi_3;
}

void place(long long quadrant, double s, double c, double& sine, double& cosine)
{
    switch (quadrant) {
    case 0: sine = s; cosine = c; break;
    case 1: sine = c; cosine = -s; break;
    case 2: sine = -s; cosine = -c; break;
    default: sine = -c; cosine = s; break;
    }
}

}  // namespace

void sincos(double x, double& sine, double& cosine)
{
    if (!std::isfinite(x)) {
        sine = cosine = x - x;
        return;
    }
    double r;
    long long quadrant;
    reduce(x, r, quadrant);
    place(quadrant, sin_kernel(r), cos_kernel(r), sine, cosine);
}

void sincos3(const double (&x)[3], double (&sine)[3], double (&cosine)[3])
{
    if (!(std::isfinite(x[0]) && std::isfinite(x[1]) && std::isfinite(x[2]))) {
        for (int i = 0; i < 3; ++i) sincos(x[i], sine[i], cosine[i]);
        return;
    }
    double r[3], s[3], c[3];
    long long quadrant[3];
    for (int i = 0; i < 3; ++i) reduce(x[i], r[i], quadrant[i]);
    for (int i = 0; i < 3; ++i) {
        s[i] = sin_kernel(r[i]);
        c[i] = cos_kernel(r[i]);
    }
    for (int i = 0; i < 3; ++i) place(quadrant[i], s[i], c[i], sine[i], cosine[i]);
}

double sin(double x)
{
    double s, c;
    sincos(x, s, c);
    return s;
}

double cos(double x)
{
    double s, c;
    sincos(x, s, c);
    return c;
}

double atan(double x)
{
    if (std::isnan(x)) return x;
    const bool negative = x < 0.0;
    double a = negative ? -x : x;
    double offset = 0.0;
    if (a > 1.0) {
        offset = pi / 2.0;
        a = -1.0 / a;  // atan(a) = pi/2 + atan(-1/a)
    }
    double result = offset + atan_kernel(a);
    return negative ? -result : result;
}

double atan2(double y, double x)
{
    if (x == 0.0 && y == 0.0) return std::signbit(x) ? (std::signbit(y) ? -pi : pi) : y;
    if (std::fabs(x) >= std::fabs(y)) {
        const double a = atan(y / x);
        if (x > 0.0) return a;
        return y >= 0.0 ? a + pi : a - pi;
    }
    const double a = atan(x / y);
    return y > 0.0 ? pi / 2.0 - a : -pi / 2.0 - a;
}

double asin(double x)
{
    if (x >= 1.0) return pi / 2.0;
    if (x <= -1.0) return -pi / 2.0;
    return atan2(x, std::sqrt((1.0 - x) * (1.0 + x)));
}

double exp(double x)
{
    if (std::isnan(x)) return x;
    if (x > 709.0) return HUGE_VAL;
    if (x < -745.0) return 0.0;
    const double k = nearest(x * log2_e);
    const double r = (x - k * ln2_high) - k * ln2_low;
    // 1 + r (1 + r/2 (1 + r/3 (... (1 + r/13)))), built from the innermost term outwards.
    double s = 1.0;
    for (double n = 13.0; n >= 1.0; n -= 1.0) s = 1.0 + s * r / n;
    // Within +-700 the result is a normal number: ldexp is an exact multiplication.
    return std::fabs(x) <= 700.0 ? s * power_of_two(static_cast<int>(k)) : std::ldexp(s, static_cast<int>(k));
}

void exp_pair(double x0, double x1, double& e0, double& e1)
{
    if (!(std::fabs(x0) <= 700.0 && std::fabs(x1) <= 700.0)) {
        e0 = exp(x0);
        e1 = exp(x1);
        return;
    }
    const double k0 = nearest(x0 * log2_e), k1 = nearest(x1 * log2_e);
    const double r0 = (x0 - k0 * ln2_high) - k0 * ln2_low, r1 = (x1 - k1 * ln2_high) - k1 * ln2_low;
    double s0 = 1.0, s1 = 1.0;
    for (double n = 13.0; n >= 1.0; n -= 1.0) {
        s0 = 1.0 + s0 * r0 / n;
        s1 = 1.0 + s1 * r1 / n;
    }
    e0 = s0 * power_of_two(static_cast<int>(k0));
    e1 = s1 * power_of_two(static_cast<int>(k1));
}

double log(double x)
{
    if (!(x > 0.0)) return x == 0.0 ? -HUGE_VAL : (x - x) / (x - x);
    if (std::isinf(x)) return x;
    // x = m * 2^e, m in [0.5, 1): frexp, from the bits where x is a normal number.
    int e = 0;
    double m;
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    if ((bits >> 52) != 0) {
        e = static_cast<int>(bits >> 52) - 1022;
        bits = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1022} << 52);
        std::memcpy(&m, &bits, sizeof m);
    } else {
        m = std::frexp(x, &e);
    }
    if (m < sqrt_half) {
        m *= 2.0;
        e -= 1;
    }
    const double s = (m - 1.0) / (m + 1.0);
    const double s2 = s * s;
    double t = 0.0;
    for (int n = 23; n >= 3; n -= 2) t = t * s2 + 1.0 / n;
    const double log_m = 2.0 * (s + s * s2 * t);
    return (e * ln2_high + log_m) + e * ln2_low;
}

double pow(double base, double exponent)
{
    return exp(exponent * log(base));
}

double tanh(double x)
{
    if (x > 20.0) return 1.0;
    if (x < -20.0) return -1.0;
    const double e = exp(2.0 * x);
    return (e - 1.0) / (e + 1.0);
}

double wrap(double x, double period)
{
    // Within a period either side fmod is x itself; from one period to two it is x - period,
    // which is exact there (Sterbenz).
    double r = std::fabs(x) < period ? x : x >= period && x <= 2.0 * period ? x - period : std::fmod(x, period);
    if (r < 0.0) r += period;
    if (r >= period) r -= period;
    return r;
}

double decibels(double magnitude)
{
    constexpr double decibels_per_neper = 8.685889638065035;  // 20 / ln 10
    return decibels_per_neper * log(std::fabs(magnitude));
}

std::complex<double> polar(double magnitude, double angle)
{
    double sine, cosine;
    sincos(angle, sine, cosine);
    return {magnitude * cosine, magnitude * sine};
}

double magnitude(std::complex<double> z)
{
    return std::sqrt(std::norm(z));
}

double arg(std::complex<double> z)
{
    return atan2(z.imag(), z.real());
}

}  // namespace sim

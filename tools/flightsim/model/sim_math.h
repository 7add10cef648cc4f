// Elementary functions for the flight model, built from IEEE-754 additions, multiplications,
// divisions and square roots only. The C libraries of the two builds (glibc natively, msvcrt
// for the Windows module host) may round sin, cos, atan2, exp and log differently in the last
// bit; these do not depend on either library, so a flight computes the same numbers on both.
// Accuracy is a few units in the last place over the ranges the model uses.
#pragma once

#include <complex>

namespace sim {

constexpr double pi = 3.14159265358979323846;
constexpr double degrees_per_radian = 180.0 / pi;

double sin(double x);
double cos(double x);
// Both at once, sharing the range reduction.
void sincos(double x, double& sine, double& cosine);
// Three at once, the same values: one call, the three polynomials side by side.
void sincos3(const double (&x)[3], double (&sine)[3], double (&cosine)[3]);
double atan(double x);
double atan2(double y, double x);
double asin(double x);  // argument clamped to [-1, 1]
double exp(double x);
// exp of two numbers at once: the same values, their two chains of divisions side by side.
void exp_pair(double x0, double x1, double& e0, double& e1);
double log(double x);   // x > 0
double pow(double base, double exponent);  // base > 0
double tanh(double x);

// x wrapped into [0, period).
double wrap(double x, double period);

// A magnitude in decibels, 20 log10 |x|.
double decibels(double magnitude);

// Complex numbers as frequency responses use them, through the functions above.
std::complex<double> polar(double magnitude, double angle);
double magnitude(std::complex<double> z);  // |z|, from the sum of squares
double arg(std::complex<double> z);        // the angle of z, in (-pi, pi]

}  // namespace sim

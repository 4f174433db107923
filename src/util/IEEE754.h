// The NaN test and NaN constant of IEEE 754 doubles.
#pragma once

namespace veltra {

/// True when x is an IEEE 754 NaN: exponent bits all ones and a fraction that
/// is not zero. Infinities and ordinary numbers give false.
bool IsNaNValue(double x);
/// The NaN with the bit pattern 7FFFFFFFFFFFFFFF: sign clear, exponent all
/// ones, every fraction bit set.
double NaNValue();

} // namespace veltra

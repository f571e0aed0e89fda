#pragma once
// The smoothing of the fuel minute levels: a second-order Butterworth
// low-pass filter with its cut-off at 0.05 of the Nyquist frequency (one
// sample a minute, so swings shorter than about 40 minutes are damped). Run
// forwards it lags behind a change of level, run backwards it anticipates it;
// the load and drain search works on the difference of the two.

namespace vedograf {

inline constexpr double kFuelB0 = 0.00554271721028;
inline constexpr double kFuelB1 = 0.01108543442056;
inline constexpr double kFuelB2 = 0.00554271721028;
inline constexpr double kFuelA1 = -1.77863177782458;
inline constexpr double kFuelA2 = 0.80080264666571;

// Filters `count` levels of `x` into `y`:
//   y[i] = b0 x[i] + b1 x[i-1] + b2 x[i-2] - a1 y[i-1] - a2 y[i-2],
// in double, each result stored as float. The first index of the pass takes
// y = x; the second takes the missing history as x[-1] = x[0], y[-1] = y[0].
// A non-positive x[i] after the first index is a missing level: it takes the
// filtered level before it, in `y` and in `x` alike.
// Forwards (backward false) a negative x[0] is first replaced by the first
// non-negative level after it, or 0 when there is none. Backwards the pass
// runs from index count-1 down to 0 with "before" meaning the higher indices,
// and has no such replacement. count <= 0 touches nothing.
void FilterSamples(float* x, float* y, bool backward, int count);

}  // namespace vedograf

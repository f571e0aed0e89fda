#include "calc/fuel_filter.h"

namespace vedograf {

void FilterSamples(float* x, float* y, bool backward, int count) {
  if (count <= 0) return;
  // Position p of the pass maps to one array index, so both directions share
  // the recurrence.
  auto at = [backward, count](int p) { return backward ? count - 1 - p : p; };

  if (!backward && x[0] < 0) {
    float first = 0.0f;
    for (int i = 1; i < count; ++i) {
      if (x[i] >= 0) {
        first = x[i];
        break;
      }
    }
    x[0] = first;
  }

  const int j0 = at(0);
  // The first level starts the pass as it is, even a non-positive one, so
  // that nothing after it reads a value this pass did not write.
  y[j0] = x[j0];
  for (int p = 1; p < count; ++p) {
    const int j = at(p), j1 = at(p - 1);
    if (x[j] > 0) {
      if (p == 1) {
        y[j] = static_cast<float>(kFuelB0 * x[j] + (kFuelB1 + kFuelB2) * x[j1] - (kFuelA1 + kFuelA2) * y[j1]);
      } else {
        const int j2 = at(p - 2);
        y[j] = static_cast<float>(kFuelB0 * x[j] + kFuelB1 * x[j1] + kFuelB2 * x[j2] - kFuelA1 * y[j1] -
                                  kFuelA2 * y[j2]);
      }
    } else {
      y[j] = y[j1];
      x[j] = y[j1];
    }
  }
}

}  // namespace vedograf

#pragma once

#include <cstdint>
#include <vector>

namespace vedograf {

// An object number and its UTC interval; a row belongs to it when
// Begin <= Time <= End (both bounds inclusive).
struct TReportParams {
  std::int32_t ObjNum = 0;  // 0 in the request's own parameters
  double Begin = 0.0;
  double End = 0.0;
};

// Per-object intervals of a job file, in file order.
using TPersonalParams = std::vector<TReportParams>;

// Copies the first entry of `list` whose ObjNum is `objNum` into `out` and
// returns true; returns false and leaves `out` untouched when there is none.
bool GetPersonalParams(const TPersonalParams& list, std::int32_t objNum, TReportParams& out);

}  // namespace vedograf

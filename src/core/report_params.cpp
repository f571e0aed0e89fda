#include "core/report_params.h"

namespace vedograf {

bool GetPersonalParams(const TPersonalParams& list, std::int32_t objNum, TReportParams& out) {
  for (const TReportParams& p : list) {
    if (p.ObjNum == objNum) {
      out = p;
      return true;
    }
  }
  return false;
}

}  // namespace vedograf

// The .obj reader on arbitrary bytes: never a question, never a message for a
// readable file, always an arranged list.

#include <cstdint>

#include "area_check.h"
#include "areas/area_files.h"
#include "areas/control_point.h"
#include "fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vedograf;
  const fuzz::TMemFile file(data, size);
  fuzz::TCountingServices services;
  TControlPointList list;
  list.AddPoint(1.0, 2.0, "before");
  const int status = OpenZNTCPoints(file.Path(), services, list);
  FUZZ_CHECK(status == 0);
  FUZZ_CHECK(services.errors == 0 && services.questions == 0);
  fuzz::CheckArrangedAreas(list, data, size, kObjLineChars);
  for (std::size_t i = 0; i < list.Count(); ++i) {
    const TControlPoint* a = list.Items(i);
    // A circle has no vertices; a polygon has 2..999 after its reference point.
    if (a->Radius > 0) {
      FUZZ_CHECK(a->Points.empty());
    } else {
      FUZZ_CHECK(a->Points.size() >= 2 && a->Points.size() <= 999);
    }
  }
  return 0;
}

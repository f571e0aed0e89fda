#pragma once
// What every area file must give, whatever its bytes: an arranged list (no
// empty slot, sizes ascending), names within a line, and a lookup that agrees
// with the plain walk.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "areas/area_lookup.h"
#include "areas/control_point.h"
#include "core/text_encoding.h"
#include "core/units.h"
#include "fuzz_util.h"

namespace vedograf::fuzz {

// Characters of a UTF-8 text.
inline std::size_t CharCount(const std::string& s) {
  std::size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

// `lineChars` is the reader's line limit: a name is part of one piece of a
// line, never longer, and valid UTF-8 whatever the file's bytes.
inline void CheckArrangedAreas(TControlPointList& list, const std::uint8_t* probe, std::size_t probeSize,
                               std::size_t lineChars) {
  double last = -INFINITY;
  bool sawNaN = false;
  for (std::size_t i = 0; i < list.Count(); ++i) {
    TControlPoint* area = list.Items(i);
    FUZZ_CHECK(area != nullptr);
    FUZZ_CHECK(CharCount(area->Name) < lineChars && IsValidUtf8(area->Name));
    for (const auto& v : area->Points) FUZZ_CHECK(v.has_value());
    if (std::isnan(area->AreaSize)) {
      sawNaN = true;
    } else {
      FUZZ_CHECK(!sawNaN);  // a NaN size sorts last
      FUZZ_CHECK(area->AreaSize >= last);
      last = area->AreaSize;
    }
    area->Selected = (i % 3) != 1;
  }
  const TAreaLookup lookup(list);
  auto walk = [&](double lon, double lat) {
    for (std::size_t i = 0; i < list.Count(); ++i) {
      const TControlPoint* a = list.Items(i);
      if (a->Selected && a->Contains(lon, lat)) return static_cast<int>(i);
    }
    return -1;
  };
  // Probe at every reference point and vertex, and at positions the input's
  // tail spells, so the grid's cell edges are crossed.
  for (std::size_t i = 0; i < list.Count() && i < 64; ++i) {
    const TControlPoint* a = list.Items(i);
    const double lat = a->Latitude / kDegToRad, lon = a->Longitude / kDegToRad;
    FUZZ_CHECK(lookup.Find(lon, lat) == walk(lon, lat));
    FUZZ_CHECK(lookup.Find(lon + 1e-3, lat - 1e-3) == walk(lon + 1e-3, lat - 1e-3));
  }
  for (std::size_t off = 0; off + 16 <= probeSize && off < 16 * 32; off += 16) {
    double lon, lat;
    std::memcpy(&lon, probe + off, 8);
    std::memcpy(&lat, probe + off + 8, 8);
    FUZZ_CHECK(lookup.Find(lon, lat) == walk(lon, lat));
  }
}

}  // namespace vedograf::fuzz

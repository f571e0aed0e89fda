#include "areas/area_lookup.h"

#include "areas/control_point.h"

namespace vedograf {

TAreaLookup::TAreaLookup(const TControlPointList& list) {
  for (std::size_t i = 0; i < list.Count(); ++i) {
    const TControlPoint* area = list.Items(i);
    if (area == nullptr || !area->Selected) continue;
    chosen_.push_back({static_cast<int>(i), area, 0, 0, 0, 0});
  }
}

int TAreaLookup::Find(double lon, double lat) const {
  for (const TChosen& c : chosen_) {
    if (c.Area->Contains(lon, lat)) return c.Index;
  }
  return -1;
}

}  // namespace vedograf

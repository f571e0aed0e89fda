#pragma once

#include <cstddef>
#include <vector>

namespace vedograf {

class TControlPoint;
class TControlPointList;

// The calculators' lookup: the first area of the list, in list order, whose
// Selected flag is set and whose Contains accepts the position; -1 when none.
// Built once per run from the list as it then stands (the Selected flags are
// read at construction), so the per-fix walk skips unchosen areas and rejects
// most areas with a cheap bounding test before the exact one.
class TAreaLookup {
 public:
  TAreaLookup() = default;  // no chosen area: Find always gives -1
  explicit TAreaLookup(const TControlPointList& list);

  int Find(double lon, double lat) const;
  bool Empty() const { return chosen_.empty(); }

 private:
  struct TChosen {
    int Index;                    // position in the list
    const TControlPoint* Area;
    double LatLo, LatHi;          // radians, conservative
    double LonLo, LonHi;          // radians, conservative
  };
  std::vector<TChosen> chosen_;
};

}  // namespace vedograf

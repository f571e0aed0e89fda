#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vedograf {

class TControlPoint;
class TControlPointList;

// The calculators' lookup: the first area of the list, in list order, whose
// Selected flag is set and whose Contains accepts the position; -1 when none.
// Built once per run from the list as it then stands (the Selected flags are
// read at construction; the list must outlive the lookup and stay unchanged),
// so the per-fix walk skips unchosen areas and rejects most areas with a
// cheap bounding test before the exact one. The bounding test only ever
// rejects positions that Contains rejects too, so Find gives exactly what the
// plain walk gives.
class TAreaLookup {
 public:
  TAreaLookup() = default;  // no chosen area: Find always gives -1
  explicit TAreaLookup(const TControlPointList& list);

  // Index in the list of the first chosen area containing (lon, lat) in
  // degrees, or -1. NaN or infinite positions are never inside.
  int Find(double lon, double lat) const;
  bool Empty() const { return chosen_.empty(); }

 private:
  struct TChosen {
    int Index;  // position in the list
    const TControlPoint* Area;
    double Latitude, Longitude;  // reference point, radians (copied from Area)
    bool Bounded;                // false: always ask Contains
    double YLo, YHi;             // metres, local plane, as Contains computes Y
    bool LonBounded;             // false near the poles
    double DLonLo, DLonHi;       // radians, longitude minus the reference's
  };
  std::vector<TChosen> chosen_;

  // A grid over latitude and longitude: each cell lists, in list order, the
  // chosen areas whose bounds may reach it, so a fix looks only at its own
  // cell. Areas without bounds on an axis are in every cell along it, and
  // those without any bounds are in outside_ too.
  void BuildGrid();
  std::size_t rows_ = 1, cols_ = 1;
  double phiLo_ = 0, phiHi_ = 0, phiPerRad_ = 0, lamLo_ = 0, lamPerRad_ = 0;
  std::vector<std::uint32_t> cellStart_{0, 0};  // rows * cols + 1 offsets into cellItems_
  std::vector<std::uint32_t> cellItems_;        // indexes into chosen_
  std::vector<std::uint32_t> outside_;          // for a fix beyond every band
};

}  // namespace vedograf

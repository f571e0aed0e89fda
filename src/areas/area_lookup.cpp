#include "areas/area_lookup.h"

#include <algorithm>
#include <cmath>

#include "areas/control_point.h"
#include "core/units.h"

namespace vedograf {

namespace {

// Slack on the polygon box: the edge test's rounding can accept a point a
// few ulps beyond a vertex, and products of tiny differences can underflow;
// both stay far inside a micrometre plus a billionth of the polygon's size.
double BoxMargin(double extent_m) { return 1e-6 + 1e-9 * extent_m; }

// The cosine factor of X = cos(mid) * dLon * R never drops below this within
// the area's band; longitude bounds are skipped when the band comes this
// close to a pole (half a degree), where the factor tends to zero.
constexpr double kPoleGuard_rad = 0.01;

void SetBounds(const TControlPoint& area, double yLo, double yHi, double xLo, double xHi,
               bool& lonBounded, double& dLonLo, double& dLonHi) {
  lonBounded = false;
  if (!(xLo < 0 && xHi > 0)) return;
  // Band of latitudes whose Y passes the box test, widened for the rounding
  // of (phi - phi0) * R, and the band of mid-latitudes (phi + phi0) / 2.
  const double widen = 1e-9;
  const double midLo = area.Latitude + (yLo / kPlaneRadius_m - widen) / 2 - widen;
  const double midHi = area.Latitude + (yHi / kPlaneRadius_m + widen) / 2 + widen;
  const double limit = kPi / 2 - kPoleGuard_rad;
  if (!(midLo > -limit && midHi < limit)) return;
  // cos is concave on (-pi/2, pi/2): its least value on the band is at an end.
  const double cosMin = std::min(std::cos(midLo), std::cos(midHi)) * (1 - 1e-9);
  dLonLo = xLo / (cosMin * kPlaneRadius_m) * (1 + 1e-9);
  dLonHi = xHi / (cosMin * kPlaneRadius_m) * (1 + 1e-9);
  lonBounded = std::isfinite(dLonLo) && std::isfinite(dLonHi);
}

}  // namespace

TAreaLookup::TAreaLookup(const TControlPointList& list) {
  for (std::size_t i = 0; i < list.Count(); ++i) {
    const TControlPoint* area = list.Items(i);
    if (area == nullptr || !area->Selected) continue;
    TChosen c{static_cast<int>(i), area, area->Latitude, area->Longitude, false, 0, 0, false, 0, 0};
    bool finite = std::isfinite(area->Latitude) && std::isfinite(area->Longitude) && std::isfinite(area->Radius);
    if (area->Radius != 0.0) {
      if (finite) {
        // Exactly the first test of Contains: |dy| > Radius.
        c.Bounded = true;
        c.YLo = -area->Radius;
        c.YHi = area->Radius;
        const double m = BoxMargin(area->Radius);
        SetBounds(*area, c.YLo, c.YHi, -area->Radius - m, area->Radius + m, c.LonBounded, c.DLonLo,
                  c.DLonHi);
      }
    } else if (!area->Points.empty()) {
      double minX = 0, maxX = 0, minY = 0, maxY = 0;  // the origin is a corner
      for (const auto& slot : area->Points) {
        const TVertex v = slot.value_or(TVertex{});
        finite = finite && std::isfinite(v.X) && std::isfinite(v.Y);
        minX = std::min(minX, v.X), maxX = std::max(maxX, v.X);
        minY = std::min(minY, v.Y), maxY = std::max(maxY, v.Y);
      }
      if (finite) {
        const double m = BoxMargin((maxX - minX) + (maxY - minY));
        c.Bounded = true;
        c.YLo = minY - m;
        c.YHi = maxY + m;
        SetBounds(*area, c.YLo, c.YHi, minX - m, maxX + m, c.LonBounded, c.DLonLo, c.DLonHi);
      }
    }
    chosen_.push_back(c);
  }
  BuildGrid();
}

void TAreaLookup::BuildGrid() {
  // Latitude and longitude bands of each bounded area in radians. Dividing
  // by the plane radius is not the exact inverse of the products Find
  // compares, so each band is widened by far more than that rounding (a
  // micro-radian is about 6 m).
  constexpr double kWiden = 1e-6;
  struct TBand {
    double PhiLo, PhiHi, LamLo, LamHi;
    bool Phi, Lam;
  };
  std::vector<TBand> bands(chosen_.size(), TBand{0, 0, 0, 0, false, false});
  double phiLo = 0, phiHi = 0, lamLo = 0, lamHi = 0;
  bool anyPhi = false, anyLam = false;
  for (std::size_t i = 0; i < chosen_.size(); ++i) {
    const TChosen& c = chosen_[i];
    if (!c.Bounded) continue;
    TBand& b = bands[i];
    b.Phi = true;
    b.PhiLo = c.Latitude + c.YLo / kPlaneRadius_m - kWiden;
    b.PhiHi = c.Latitude + c.YHi / kPlaneRadius_m + kWiden;
    phiLo = anyPhi ? std::min(phiLo, b.PhiLo) : b.PhiLo;
    phiHi = anyPhi ? std::max(phiHi, b.PhiHi) : b.PhiHi;
    anyPhi = true;
    if (c.LonBounded) {
      b.Lam = true;
      b.LamLo = c.Longitude + c.DLonLo - kWiden;
      b.LamHi = c.Longitude + c.DLonHi + kWiden;
      lamLo = anyLam ? std::min(lamLo, b.LamLo) : b.LamLo;
      lamHi = anyLam ? std::max(lamHi, b.LamHi) : b.LamHi;
      anyLam = true;
    }
  }
  for (std::size_t i = 0; i < chosen_.size(); ++i) {
    if (!bands[i].Phi) outside_.push_back(static_cast<std::uint32_t>(i));
  }
  if (!anyPhi || !(phiHi > phiLo)) phiLo = 0, phiHi = 1, anyPhi = false;
  if (!anyLam || !(lamHi > lamLo)) lamLo = 0, lamHi = 1, anyLam = false;
  // Some four cells per area each way, fewer when wide areas would make the
  // table big; the grid only ever costs memory, never a wrong answer.
  const double side = std::ceil(std::sqrt(16.0 * static_cast<double>(chosen_.size())));
  std::size_t rows = anyPhi ? std::clamp<std::size_t>(static_cast<std::size_t>(side), 1, 512) : 1;
  std::size_t cols = anyLam ? rows : 1;
  auto cellRange = [](double lo, double hi, double origin, double perRad, std::size_t n, bool bounded) {
    if (!bounded) return std::pair<std::size_t, std::size_t>{0, n - 1};
    // Clamped before the conversion: a far-off band (a latitude of 1e95 read
    // from a damaged file) gives a k no integer type holds.
    auto at = [&](double v) {
      const double k = (v - origin) * perRad;
      if (!(k > 0)) return std::size_t{0};
      if (k >= static_cast<double>(n - 1)) return n - 1;
      return static_cast<std::size_t>(k);
    };
    return std::pair<std::size_t, std::size_t>{at(lo), at(hi)};
  };
  constexpr std::size_t kMaxItems = std::size_t{1} << 22;
  for (;;) {
    std::size_t items = 0;
    for (const TBand& b : bands) {
      const auto r = cellRange(b.PhiLo, b.PhiHi, phiLo, rows / (phiHi - phiLo), rows, b.Phi);
      const auto c = cellRange(b.LamLo, b.LamHi, lamLo, cols / (lamHi - lamLo), cols, b.Lam);
      items += (r.second - r.first + 1) * (c.second - c.first + 1);
    }
    if (items <= kMaxItems || (rows == 1 && cols == 1)) break;
    rows = std::max<std::size_t>(rows / 2, 1);
    cols = std::max<std::size_t>(cols / 2, 1);
  }
  rows_ = rows, cols_ = cols;
  phiLo_ = phiLo, phiHi_ = phiHi, phiPerRad_ = anyPhi ? rows / (phiHi - phiLo) : 0;
  lamLo_ = lamLo, lamPerRad_ = anyLam ? cols / (lamHi - lamLo) : 0;
  std::vector<std::uint32_t> start(rows * cols + 1, 0);
  auto forCells = [&](std::size_t i, auto&& f) {
    const TBand& b = bands[i];
    const auto r = cellRange(b.PhiLo, b.PhiHi, phiLo_, phiPerRad_, rows, b.Phi && anyPhi);
    const auto c = cellRange(b.LamLo, b.LamHi, lamLo_, lamPerRad_, cols, b.Lam && anyLam);
    for (std::size_t y = r.first; y <= r.second; ++y) {
      for (std::size_t x = c.first; x <= c.second; ++x) f(y * cols + x);
    }
  };
  for (std::size_t i = 0; i < chosen_.size(); ++i) forCells(i, [&](std::size_t cell) { ++start[cell + 1]; });
  for (std::size_t k = 0; k < rows * cols; ++k) start[k + 1] += start[k];
  cellItems_.assign(start.back(), 0);
  cellStart_ = start;
  // Filling in list order keeps every cell in list order.
  for (std::size_t i = 0; i < chosen_.size(); ++i) {
    forCells(i, [&](std::size_t cell) { cellItems_[start[cell]++] = static_cast<std::uint32_t>(i); });
  }
}

int TAreaLookup::Find(double lon, double lat) const {
  // The same products as in Contains, so the Y test sees the very same value.
  const double phi = lat * kDegToRad;
  const double lambda = lon * kDegToRad;
  // The cell of the fix. A latitude beyond every band (or NaN) leaves only
  // the areas without bounds. A longitude beyond every band goes to the edge
  // column, which holds every area without longitude bounds of its row.
  // The grid's top edge is tested on the latitude itself: at latitudes far
  // beyond any real one (a damaged file) the bands' widening is lost in
  // rounding, and a fix on the very edge would compute to row `rows_`.
  const double kx = std::clamp((lambda - lamLo_) * lamPerRad_, 0.0, static_cast<double>(cols_ - 1));
  const std::uint32_t* first = outside_.data();
  const std::uint32_t* last = first + outside_.size();
  // Without latitude bands (phiPerRad_ 0) the one row holds every area.
  if ((phiPerRad_ == 0 || (phi >= phiLo_ && phi <= phiHi_)) && kx == kx) {
    const double k = (phi - phiLo_) * phiPerRad_;
    const double ky = k > 0 ? std::min(k, static_cast<double>(rows_ - 1)) : 0.0;
    const std::size_t cell = static_cast<std::size_t>(ky) * cols_ + static_cast<std::size_t>(kx);
    first = cellItems_.data() + cellStart_[cell];
    last = cellItems_.data() + cellStart_[cell + 1];
  }
  for (; first != last; ++first) {
    const TChosen& c = chosen_[*first];
    if (c.Bounded) {
      // Written so that NaN falls through to Contains, which rejects it.
      const double y = (phi - c.Latitude) * kPlaneRadius_m;
      if (y < c.YLo || y > c.YHi) continue;
      if (c.LonBounded) {
        const double dLon = lambda - c.Longitude;
        if (dLon < c.DLonLo || dLon > c.DLonHi) continue;
      }
    }
    if (c.Area->Contains(lon, lat)) return c.Index;
  }
  return -1;
}

}  // namespace vedograf

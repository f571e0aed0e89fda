#include "areas/control_point.h"

#include <algorithm>
#include <cmath>

#include "core/units.h"

namespace vedograf {

TVertex TControlPoint::ToLocal(double latRad, double lonRad) const {
  return {std::cos((latRad + Latitude) / 2) * (lonRad - Longitude) * kPlaneRadius_m,
          (latRad - Latitude) * kPlaneRadius_m};
}

bool TControlPoint::Contains(double lon, double lat) const {
  const double phi = lat * kDegToRad;
  const double lambda = lon * kDegToRad;
  if (Radius != 0.0) {
    const double dy = (phi - Latitude) * kPlaneRadius_m;
    if (std::fabs(dy) > Radius) return false;
    const double dx = std::cos((phi + Latitude) / 2) * (lambda - Longitude) * kPlaneRadius_m;
    return Radius * Radius >= dx * dx + dy * dy;
  }
  const std::size_t n = Points.size();
  if (n == 0) return false;
  const TVertex p = ToLocal(phi, lambda);
  bool inside = false;
  const TVertex origin{};
  // Edges in the order v[n-1]->O, O->v[0], v[0]->v[1], ..., v[n-2]->v[n-1].
  for (std::size_t e = 0; e <= n; ++e) {
    const TVertex a = e == 0 ? Points[n - 1].value_or(origin) : (e == 1 ? origin : Points[e - 2].value_or(origin));
    const TVertex b = e == 0 ? origin : Points[e - 1].value_or(origin);
    const double c = (b.X - a.X) * (p.Y - a.Y) - (p.X - a.X) * (b.Y - a.Y);
    if (c > 0) {
      if (a.Y < p.Y && p.Y <= b.Y) inside = !inside;
    } else if (c < 0) {
      if (b.Y < p.Y && p.Y <= a.Y) inside = !inside;
    } else if ((b.X - a.X) * (p.X - a.X) >= 0 && (b.Y - a.Y) * (p.Y - a.Y) >= 0 &&
               (p.X - a.X) * (p.X - a.X) + (p.Y - a.Y) * (p.Y - a.Y) <=
                   (b.X - a.X) * (b.X - a.X) + (b.Y - a.Y) * (b.Y - a.Y)) {
      return true;
    }
  }
  return inside;
}

double TControlPoint::ComputeAreaSize() const {
  if (Radius != 0.0) return kPi * Radius * Radius;
  double sum = 0.0;
  TVertex prev{};
  for (const auto& slot : Points) {
    const TVertex v = slot.value_or(TVertex{});
    sum += (prev.X + v.X) * (prev.Y - v.Y);
    prev = v;
  }
  sum += prev.X * prev.Y;
  return std::fabs(sum) / 2;
}

TControlPoint* TControlPointList::AddPoint(double latDeg, double lonDeg, std::string name) {
  auto area = std::make_unique<TControlPoint>();
  area->Latitude = latDeg * kDegToRad;
  area->Longitude = lonDeg * kDegToRad;
  area->Name = std::move(name);
  items_.push_back(std::move(area));
  return items_.back().get();
}

TControlPoint* TControlPointList::Items(std::size_t index) {
  return index < items_.size() ? items_[index].get() : nullptr;
}

const TControlPoint* TControlPointList::Items(std::size_t index) const {
  return index < items_.size() ? items_[index].get() : nullptr;
}

void TControlPointList::Delete(std::size_t index) {
  if (index < items_.size()) items_[index].reset();
}

void TControlPointList::Arrange() {
  std::erase_if(items_, [](const auto& p) { return p == nullptr; });
  for (auto& p : items_) p->AreaSize = p->ComputeAreaSize();
  std::stable_sort(items_.begin(), items_.end(),
                   [](const auto& a, const auto& b) { return a->AreaSize < b->AreaSize; });
}

}  // namespace vedograf

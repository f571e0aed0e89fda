#include "areas/control_point.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "core/units.h"
#include "core/user_services.h"

namespace vedograf {

namespace {

constexpr double kDefaultRadius_m = 300.0;
constexpr long long kMaxCorner = 1000;
constexpr long long kMaxRadius_m = 1000000;

constexpr int kStatusNoMemory = 2;
constexpr int kStatusDuplicate = 3;
constexpr int kStatusMissing = 4;
constexpr int kStatusBadCorner = 5;
constexpr int kStatusBadRadius = 6;

constexpr const char* kAskTail = "\r\nПропустить ошибку?";
constexpr const char* kDuplicateText = "Дублируется точка района: ";
constexpr const char* kMissingText = "Отсутствует точка района: ";
constexpr const char* kBadCornerText = "Недопустимое значение номера точки: ";
constexpr const char* kBadRadiusText = "Недопустимое значение радиуса района: ";

// Code points of a name with Latin and Cyrillic capitals folded to small
// letters, so that "Двор(N1)" and "двор(n2)" sort together. Bytes that are
// not UTF-8 stand for themselves.
std::u32string FoldedName(const std::string& name) {
  std::u32string out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    const auto b = static_cast<unsigned char>(name[i]);
    char32_t cp = b;
    std::size_t len = 1;
    if (b >= 0xC2 && b <= 0xDF && i + 1 < name.size()) {
      cp = ((b & 0x1Fu) << 6) | (static_cast<unsigned char>(name[i + 1]) & 0x3Fu), len = 2;
    } else if (b >= 0xE0 && b <= 0xEF && i + 2 < name.size()) {
      cp = ((b & 0x0Fu) << 12) | ((static_cast<unsigned char>(name[i + 1]) & 0x3Fu) << 6) |
           (static_cast<unsigned char>(name[i + 2]) & 0x3Fu);
      len = 3;
    } else if (b >= 0xF0 && b <= 0xF4 && i + 3 < name.size()) {
      cp = ((b & 0x07u) << 18) | ((static_cast<unsigned char>(name[i + 1]) & 0x3Fu) << 12) |
           ((static_cast<unsigned char>(name[i + 2]) & 0x3Fu) << 6) | (static_cast<unsigned char>(name[i + 3]) & 0x3Fu);
      len = 4;
    }
    if (cp >= U'A' && cp <= U'Z') {
      cp += 0x20;
    } else if (cp >= 0x0410 && cp <= 0x042F) {
      cp += 0x20;
    } else if (cp >= 0x0400 && cp <= 0x040F) {
      cp += 0x50;
    } else if (cp == 0x0490) {
      cp = 0x0491;
    }
    out.push_back(cp);
    i += len;
  }
  return out;
}

// The end of a .mrk point name: "(N<k>)" / "(n<k>)" a polygon corner,
// "(R<r>)" / "(r<r>)" a circle radius. The number is an optionally signed
// run of decimal digits filling the brackets; a huge one is held as a value
// out of every range so that it is reported, not taken for a plain name.
struct TSuffix {
  enum Kind { None, Corner, Radius } Kind = None;
  long long Value = 0;
  std::size_t BaseLength = 0;
};

TSuffix ParseSuffix(const std::string& name) {
  TSuffix s;
  const std::size_t open = name.rfind('(');
  if (open == std::string::npos || name.size() < open + 4 || name.back() != ')') return s;
  const char letter = name[open + 1];
  std::size_t i = open + 2;
  const std::size_t close = name.size() - 1;
  bool negative = false;
  if (name[i] == '+' || name[i] == '-') {
    negative = name[i] == '-';
    ++i;
  }
  if (i >= close) return s;
  long long value = 0;
  for (; i < close; ++i) {
    const char c = name[i];
    if (c < '0' || c > '9') return s;
    if (value < 10'000'000'000LL) value = value * 10 + (c - '0');
  }
  if (letter == 'N' || letter == 'n') {
    s.Kind = TSuffix::Corner;
  } else if (letter == 'R' || letter == 'r') {
    s.Kind = TSuffix::Radius;
  } else {
    return s;
  }
  s.Value = negative ? -value : value;
  s.BaseLength = open;
  return s;
}

}  // namespace

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
  if (!std::isfinite(p.X) || !std::isfinite(p.Y)) return false;
  const TVertex origin{};
  auto vertex = [&](std::size_t i) { return Points[i].value_or(origin); };
  // A vertex read as NaN or infinity makes the crossing count meaningless;
  // such an area holds nothing rather than everything.
  double minX = 0, maxX = 0, minY = 0, maxY = 0;  // the origin is a corner
  for (std::size_t i = 0; i < n; ++i) {
    const TVertex v = vertex(i);
    if (!std::isfinite(v.X) || !std::isfinite(v.Y)) return false;
    minX = std::min(minX, v.X), maxX = std::max(maxX, v.X);
    minY = std::min(minY, v.Y), maxY = std::max(maxY, v.Y);
  }
  // Nothing beyond the corners is inside. Without this, vertices and a fix
  // far beyond any real coordinate (a damaged file) overflow the products
  // below to infinities whose difference is NaN, and the edge test then
  // accepts a fix nowhere near the polygon.
  if (p.X < minX || p.X > maxX || p.Y < minY || p.Y > maxY) return false;
  bool inside = false;
  // Edges in the order v[n-1]->O, O->v[0], v[0]->v[1], ..., v[n-2]->v[n-1].
  for (std::size_t e = 0; e <= n; ++e) {
    const TVertex a = e == 0 ? vertex(n - 1) : (e == 1 ? origin : vertex(e - 2));
    const TVertex b = e == 0 ? origin : vertex(e - 1);
    const double c = (b.X - a.X) * (p.Y - a.Y) - (p.X - a.X) * (b.Y - a.Y);
    if (c > 0) {
      if (a.Y < p.Y && p.Y <= b.Y) inside = !inside;
    } else if (c < 0) {
      if (b.Y < p.Y && p.Y <= a.Y) inside = !inside;
    } else if ((b.X - a.X) * (p.X - a.X) >= 0 && (b.Y - a.Y) * (p.Y - a.Y) >= 0 &&
               (p.X - a.X) * (p.X - a.X) + (p.Y - a.Y) * (p.Y - a.Y) <=
                   (b.X - a.X) * (b.X - a.X) + (b.Y - a.Y) * (b.Y - a.Y)) {
      return true;  // on the edge
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
  // A NaN size (an area with a NaN coordinate) would break the ordering the
  // sort relies on; such areas go last, after infinite sizes too (taking NaN
  // as infinity let the two mix in file order).
  std::stable_sort(items_.begin(), items_.end(), [](const auto& a, const auto& b) {
    const bool nanA = std::isnan(a->AreaSize), nanB = std::isnan(b->AreaSize);
    if (nanA || nanB) return !nanA && nanB;
    return a->AreaSize < b->AreaSize;
  });
}

int TControlPointList::BuildAreas(IUserServices& services, std::string& errorName) {
  errorName.clear();
  std::string current;  // whole name of the entry being handled
  try {
    // Sorting by name brings each polygon's corners together behind its corner 1.
    {
      std::erase_if(items_, [](const auto& p) { return p == nullptr; });
      std::vector<std::pair<std::u32string, std::unique_ptr<TControlPoint>>> keyed;
      keyed.reserve(items_.size());
      for (auto& p : items_) {
        std::u32string key = FoldedName(p->Name);
        keyed.emplace_back(std::move(key), std::move(p));
      }
      std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
      for (std::size_t i = 0; i < keyed.size(); ++i) items_[i] = std::move(keyed[i].second);
    }

    bool skipAll = false;
    // True: drop and go on; false: the user said No (errorName is set).
    auto skip = [&](const std::string& subject, const char* prefix) {
      if (skipAll) return true;
      const TAnswer answer = services.AskYesNoAll(prefix + subject + kAskTail);
      if (answer == TAnswer::No) {
        errorName = subject;
        return false;
      }
      if (answer == TAnswer::YesToAll) skipAll = true;
      return true;
    };

    TControlPoint* head = nullptr;
    bool missingReported = false;
    std::string missingBase;  // the Base last reported as lacking corner 1

    for (std::size_t i = 0; i < items_.size(); ++i) {
      TControlPoint* entry = items_[i].get();
      current = entry->Name;
      const TSuffix suffix = ParseSuffix(current);
      if (suffix.Kind == TSuffix::None) {
        entry->Radius = kDefaultRadius_m;
        continue;
      }
      entry->Name.resize(suffix.BaseLength);
      const std::string& base = entry->Name;

      if (suffix.Kind == TSuffix::Radius) {
        if (suffix.Value < 1 || suffix.Value > kMaxRadius_m) {
          if (!skip(current, kBadRadiusText)) return kStatusBadRadius;
          Delete(i);
          continue;
        }
        entry->Radius = static_cast<double>(suffix.Value);
        continue;
      }

      const long long k = suffix.Value;
      if (k < 1 || k > kMaxCorner) {
        if (!skip(current, kBadCornerText)) return kStatusBadCorner;
        Delete(i);
        continue;
      }
      if (k == 1) {
        if (head != nullptr && head->Name == base) {
          if (!skip(current, kDuplicateText)) return kStatusDuplicate;
          Delete(i);
          continue;
        }
        head = entry;
        head->Points.assign(2, std::nullopt);
        continue;
      }
      if (head == nullptr || head->Name != base) {
        // One question per run of corners without their corner 1.
        if (!(missingReported && missingBase == base)) {
          missingReported = true;
          missingBase = base;
          if (!skip(base + "(N1)", kMissingText)) return kStatusMissing;
        }
        Delete(i);
        continue;
      }
      const std::size_t slot = static_cast<std::size_t>(k - 2);
      if (slot < head->Points.size() && head->Points[slot].has_value()) {
        if (!skip(current, kDuplicateText)) return kStatusDuplicate;
        Delete(i);
        continue;
      }
      if (head->Points.size() <= slot) head->Points.resize(slot + 1);
      head->Points[slot] = head->ToLocal(entry->Latitude, entry->Longitude);
      Delete(i);
    }

    std::erase_if(items_, [](const auto& p) { return p == nullptr; });
    for (std::size_t i = 0; i < items_.size(); ++i) {
      TControlPoint* area = items_[i].get();
      if (area->Radius != 0.0) continue;
      const auto gap = std::find_if(area->Points.begin(), area->Points.end(),
                                    [](const auto& v) { return !v.has_value(); });
      if (gap == area->Points.end()) continue;
      current = area->Name;
      const std::size_t corner = static_cast<std::size_t>(gap - area->Points.begin()) + 2;
      if (!skip(area->Name + "(N" + std::to_string(corner) + ")", kMissingText)) return kStatusMissing;
      Delete(i);
    }
    Arrange();
    return 0;
  } catch (const std::bad_alloc&) {
    errorName.swap(current);
    return kStatusNoMemory;
  }
}

}  // namespace vedograf

#pragma once
// Control areas: circles and polygons on the map, held in a local plane
// around each area's reference point.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vedograf {

class IUserServices;

// A polygon vertex in the area's local plane, metres.
struct TVertex {
  double X = 0.0;
  double Y = 0.0;
};

class TControlPoint {
 public:
  virtual ~TControlPoint() = default;

  double Latitude = 0.0;   // reference point, radians
  double Longitude = 0.0;  // reference point, radians
  double Radius = 0.0;     // metres; 0 for a polygon
  double AreaSize = 0.0;   // square metres, set by Arrange
  std::string Name;
  // Polygon vertices after the reference point, in order. A slot may be empty
  // while the .mrk corners are still being gathered; an arranged list has none.
  std::vector<std::optional<TVertex>> Points;
  bool Selected = false;

  // Position (degrees, longitude first) inside the area; the boundary counts
  // as inside. A polygon without vertices contains nothing; NaN anywhere gives
  // false.
  bool Contains(double lon, double lat) const;

  // Local-plane coordinates (metres) of a position given in radians.
  TVertex ToLocal(double latRad, double lonRad) const;

  // pi r^2 for a circle, the shoelace area of the polygon otherwise (empty
  // slots count as the origin).
  double ComputeAreaSize() const;
};

class TControlPointList {
 public:
  TControlPointList() = default;
  TControlPointList(TControlPointList&&) noexcept = default;
  TControlPointList& operator=(TControlPointList&&) noexcept = default;
  virtual ~TControlPointList() = default;

  // Appends an area with its reference point (degrees), Radius 0, no vertex
  // list, not selected; returns it. Throws std::bad_alloc when memory runs out.
  TControlPoint* AddPoint(double latDeg, double lonDeg, std::string name);
  // The entry at `index`, or nullptr for an empty slot or an index at or
  // beyond Count().
  TControlPoint* Items(std::size_t index);
  const TControlPoint* Items(std::size_t index) const;
  // Number of slots, empty ones included until Arrange.
  std::size_t Count() const { return items_.size(); }
  // Destroys the entry and leaves its slot empty; an index out of range does nothing.
  void Delete(std::size_t index);
  // Destroys every entry; Count() becomes 0.
  void Clear() noexcept { items_.clear(); }
  // Drops empty slots (keeping order), computes every AreaSize, sorts by
  // AreaSize ascending (stable; a NaN size sorts last) so nested areas
  // resolve to the smallest.
  void Arrange();

  // Turns the named points of a .mrk file (one entry per point, as AddPoint
  // made them) into areas: "Base(Nk)" corners into polygons, "Base(Rr)" into
  // circles of r metres, any other name into a 300 m circle; then Arrange.
  // Each fault is put to `services.AskYesNoAll`: Yes drops the entry (or the
  // area) and goes on, Yes to All also drops every later fault unasked, No
  // stops. Returns 0 when done; on No 3 (duplicate corner), 4 (missing
  // corner), 5 (corner number out of 1..1000) or 6 (radius out of
  // 1..1000000); 2 when memory ran out (nothing asked about it). After a
  // non-zero status the list is half-built and only fit to be cleared.
  // `errorName` is the name the refused question was about (the point's
  // whole name, or "Base(Nk)" for a missing corner); for 2 the whole name of
  // the point being handled (empty if none); empty for 0.
  int BuildAreas(IUserServices& services, std::string& errorName);

  // Direct slot access for the file readers.
  std::vector<std::unique_ptr<TControlPoint>>& Slots() { return items_; }

 private:
  std::vector<std::unique_ptr<TControlPoint>> items_;
};

}  // namespace vedograf

#pragma once
// Control areas: circles and polygons on the map, held in a local plane
// around each area's reference point.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vedograf {

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
  // as inside.
  bool Contains(double lon, double lat) const;

  // Local-plane coordinates of a position given in radians.
  TVertex ToLocal(double latRad, double lonRad) const;

  // pi r^2 for a circle, the shoelace area of the polygon otherwise.
  double ComputeAreaSize() const;
};

class TControlPointList {
 public:
  virtual ~TControlPointList() = default;

  // Appends an area with its reference point (degrees), Radius 0, no vertex
  // list, not selected; returns it.
  TControlPoint* AddPoint(double latDeg, double lonDeg, std::string name);
  // The entry at `index`, or nullptr for an empty slot or an index at or
  // beyond Count().
  TControlPoint* Items(std::size_t index);
  const TControlPoint* Items(std::size_t index) const;
  // Number of slots, empty ones included until Arrange.
  std::size_t Count() const { return items_.size(); }
  // Destroys the entry and leaves its slot empty; an index out of range does nothing.
  void Delete(std::size_t index);
  // Drops empty slots (keeping order), computes every AreaSize, sorts by
  // AreaSize ascending so nested areas resolve to the smallest.
  void Arrange();

  // Direct slot access for the file readers.
  std::vector<std::unique_ptr<TControlPoint>>& Slots() { return items_; }

 private:
  std::vector<std::unique_ptr<TControlPoint>> items_;
};

}  // namespace vedograf

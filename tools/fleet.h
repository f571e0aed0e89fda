#pragma once
// A deterministic sample fleet: vehicles of a delivery firm driving between
// their depots and customers around one city, as the dispatch software logs
// them. Everything the reports look at occurs: trips at plausible speeds along
// winding paths, stops and parking, overnight power-off with the power-up
// rows of both kinds, navigation drop-outs, 2D and 3D fixes, equal time stamps
// and rows that arrive late, input rows with the ignition, a door, the
// on-board voltage and fuel levels that fall with distance, fills at the
// depot, a few drains, sensor noise; objects named in ADDRESS without rows,
// rows of an object without a name, and the MOBILE <= 0 rows of the dispatch
// software itself. The same options and seed always give the same rows.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "log_file.h"

namespace vedograf::jet {

struct TFleetOptions {
  int Objects = 8;
  int Days = 3;
  int Year = 2024, Month = 3, Day = 4;  // the first day, local time
  int IntervalSeconds = 30;             // report interval while driving
  double TimeBiasHours = 3.0;           // local time minus UTC of the fleet's city
  std::uint32_t Seed = 1;
  std::uint64_t MaxRows = 0;            // 0: no limit; else stop after this many rows
  bool Oddities = true;                 // the unnamed, row-less and MOBILE <= 0 objects
  // The database file.
  bool MemoText = false;
  std::string Password;
  std::uint32_t DbKey = 0;
};

// Object numbers the generator uses: vehicles are 101, 102, ...; with
// Oddities the last vehicle has no ADDRESS row, and these two are named in
// ADDRESS but never send anything.
inline constexpr std::int32_t kFirstVehicle = 101;
inline constexpr std::int32_t kSilentObjects[2] = {900, 901};

struct TFleetStats {
  std::uint64_t Rows = 0;
  std::uint64_t NavigationRows = 0;
  std::uint64_t InputRows = 0;
  // Events of the days made; with MaxRows the rows of the last day's later
  // events may be cut.
  std::uint64_t PowerUps = 0;
  std::uint64_t Fills = 0;
  std::uint64_t Drains = 0;
  std::uint64_t LateRows = 0;  // arrived after a row with a later DATE
  double FirstTime = 0.0, LastTime = 0.0;  // UTC
};

// Receives the fleet in arrival order (the order of the log table).
class IFleetSink {
 public:
  virtual ~IFleetSink() = default;
  virtual void Address(std::int32_t number, std::string_view name) = 0;
  virtual void Row(const TLogRow& row) = 0;
};

TFleetStats GenerateFleet(const TFleetOptions& options, IFleetSink& sink);

// The fleet as a log database. Throws TJetError.
TFleetStats WriteFleetDatabase(const std::filesystem::path& path, const TFleetOptions& options);

// The fleet's control areas (depots, customers, a district and the city, some
// nested, Cyrillic names) in both area file formats, Windows-1251 encoded.
// Throws TJetError when a file cannot be written.
void WriteFleetAreas(const std::filesystem::path& mrkPath, const std::filesystem::path& objPath,
                     const TFleetOptions& options);

}  // namespace vedograf::jet

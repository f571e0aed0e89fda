#pragma once

#include <cstdint>
#include <string>

namespace vedograf {

class IRowSource;

// Column positions of the log table that the program reads.
inline constexpr int kColRecNo = 0;
inline constexpr int kColText = 2;
inline constexpr int kColTime = 4;
inline constexpr int kColFlags = 5;
inline constexpr int kColLon = 7;
inline constexpr int kColLat = 8;
inline constexpr int kColSpeed = 10;

// One decoded log row. The run driver owns one for the whole run and refills
// it for every row; steps read it by reference and keep nothing pointing into it.
struct TRecord {
  double Lat = 0.0;   // degrees; 0 on input rows
  double Lon = 0.0;   // degrees; 0 on input rows
  double Time = 0.0;  // UTC date-time
  double Speed = 0.0; // as stored
  std::string Text;
  std::int32_t RecNo = 0;
  bool PowerUp = false;
  bool Fix3D = false;
  bool Fresh = false;
};

// Position usable by the position reports: not the point 0,0 and within
// |lat| <= 90, |lon| <= 180 (the limits themselves included).
bool IsUsablePosition(double lat, double lon);

// Marker tests on a row text with the row's FLAGS.
bool HasPowerUpMarker(const std::string& text, std::int32_t flags);
bool HasFix3DMarker(const std::string& text);
bool HasFreshMarker(const std::string& text);

// Fills `rec` from the current row of `rows`. Returns true for a navigation
// row: always when `inputFlag` (the run has an input report) is false,
// otherwise when FLAGS AND 12 is not 0. An input row gets Lat = Lon = 0 and
// keeps the Speed and markers of the previous navigation row.
bool DecodeRow(const IRowSource& rows, bool inputFlag, TRecord& rec);

}  // namespace vedograf

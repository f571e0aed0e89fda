#pragma once
// Conversion constants shared by every calculator and sheet writer. Each is
// applied by multiplication; the literal values are the ones the reports have
// always used, so results agree to the last bit with earlier output.

namespace vedograf {

inline constexpr double kDegToRad = 0.017453292519943295;       // pi / 180
inline constexpr double kEarthRadius_m = 6371006.84;            // fix distances
inline constexpr double kPlaneRadius_m = 6371000.0;             // area local plane
inline constexpr double kPi = 3.141592653589793;

inline constexpr double kSecondToDays = 0.000011574074074074073;   // 1/86400
inline constexpr double kMinuteToDays = 0.0006944444444444445;     // 1/1440
inline constexpr double kQuarterHourToDays = 0.010416666666666666; // 1/96
inline constexpr double kHalfMinuteDays = 0.00034722222222222224;  // 1/2880
inline constexpr double kKmhToMpd = 24000.0;                       // km/h -> m/day
inline constexpr double kDaysToMinutes = 1440.0;

inline constexpr double kTenSecondsDays = 0.00011574074074074073;
inline constexpr double kFifteenSecondsDays = 0.0001736111111111111;

}  // namespace vedograf

#pragma once
// The report mask: one bit per report check box and per "shorter than"
// filter of the main window.

#include <cstdint>

namespace vedograf {

using TReportMask = std::uint32_t;

inline constexpr TReportMask kMaskWay = 1;
inline constexpr TReportMask kMaskDays = 2;             // only with kMaskWay
inline constexpr TReportMask kMaskPowerUp = 4;
inline constexpr TReportMask kMaskNavLack = 8;
inline constexpr TReportMask kMaskNavFilter = 16;       // only with kMaskNavLack
inline constexpr TReportMask kMaskPoints = 32;
inline constexpr TReportMask kMaskPointFilter = 64;     // only with kMaskPoints
inline constexpr TReportMask kMaskStops = 128;
inline constexpr TReportMask kMaskStopFilter = 256;     // only with kMaskStops
inline constexpr TReportMask kMaskSensors = 512;
inline constexpr TReportMask kMaskSpeedExcess = 1024;
inline constexpr TReportMask kMaskAnalogInputs = 2048;
inline constexpr TReportMask kMaskSpeedFilter = 4096;   // only with kMaskSpeedExcess
inline constexpr TReportMask kMaskSensorFilter = 8192;  // only with kMaskSensors
inline constexpr TReportMask kMaskFuel = 16384;
inline constexpr TReportMask kMaskLoad = 32768;
inline constexpr TReportMask kMaskGraph = 65536;
inline constexpr TReportMask kMaskDeleteSheets = 131072;

inline constexpr TReportMask kMaskFuelReports = 0x1C000;
inline constexpr TReportMask kMaskInputReports = 0x1CA00;

// True when the mask asks for any report (the sheet-deletion bit is no report).
constexpr bool AnyReportChosen(TReportMask mask) { return (mask & ~kMaskDeleteSheets) != 0; }
constexpr bool HasInputReport(TReportMask mask) { return (mask & kMaskInputReports) != 0; }
constexpr bool HasFuelReport(TReportMask mask) { return (mask & kMaskFuelReports) != 0; }

}  // namespace vedograf

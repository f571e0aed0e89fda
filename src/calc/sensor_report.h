#pragma once
// Activity of the discrete inputs ("Активность дискретных входов"), one
// calculator per input IN1..IN5 (index 0..4). Input rows give the states,
// navigation rows the positions: each activity gets the area where it began
// (or the first one found during it) and the distance travelled.

#include <cstdint>

namespace vedograf {

struct TCalcContext;
struct TObjReport;
struct TRecord;

struct TSensorState {
  double ActiveSince = 0;  // start of the open activity; 0 = not active
  double NavLat = 0, NavLon = 0;
  double NavTime = 0;      // latest navigation row, or an input row waiting for its position
  double RunDistance = 0;  // metres since the activity began
  bool NavUnusable = true;  // latest navigation row had no usable fresh position
  bool AreaPending = false;
  bool JustStarted = false;  // distance count starts at the next navigation row
  bool JustEnded = false;    // distance is written at the next navigation row
  bool EndedCounted = false;  // the activity that just ended was long enough to be kept
  bool NavAdjacent = false;  // latest input row shares the time of the navigation row before it
  std::int32_t Budget = 2;   // rows still allowed once the buffer is full
  std::int32_t LastRecNo = 0;
};

// Resets input `index`: state, InputCount, InputActiveTime and the old
// activity list. Always 0.
int InitSensorReport(TCalcContext& ctx, TObjReport& obj, int index);

// An input row. Reads the state character of the input; a row without the
// marker or without '0'/'1' there only moves LastRecNo. An activity begins when
// the input turns active (SensorStates 1: '1', 2: '0') and is kept when it
// lasted at least MinSensorTime. 0, or 1 once the 10000 activities are stored
// and the one extra row has been let through.
int SensorReportInStep(TCalcContext& ctx, TObjReport& obj, int index, const TRecord& row);

// A navigation row (fresh or not, usable or not). Sums the distance between
// usable fresh fixes, gives a pending activity its area, writes the distance
// of an activity that just ended. 0, or 1 as for the input step.
int SensorReportNavStep(TCalcContext& ctx, TObjReport& obj, int index, const TRecord& row);

// Closes an activity still open at the period end (kept whatever its length,
// Distance 0, while fewer than 10000 are stored), then copies the activities
// into InputActivity[index]. 1 only when that copy cannot get its memory
// (count 0, empty list).
int CloseSensorReport(TCalcContext& ctx, TObjReport& obj, int index);

}  // namespace vedograf

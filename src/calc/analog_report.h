#pragma once
// Changes of the analog inputs ("Изменения аналоговых входов"), one
// calculator per input AN_IN1..AN_IN3 (index 0..2): the first reading of the
// period and every reading that differs from the one before it by more than
// the input's threshold, each with the area taken from a navigation row
// adjacent to its input row.

#include <cstdint>

namespace vedograf {

struct TCalcContext;
struct TObjReport;
struct TRecord;

struct TAnalogState {
  double NavLat = 0, NavLon = 0;
  double NavTime = 0;    // latest navigation row, or the input row of a change waiting for its position
  double LastValue = 0;  // previous valid reading
  bool NavUnusable = true;
  bool AreaPending = false;
  bool First = true;     // no valid reading yet
  std::int32_t Budget = 2;
  std::int32_t LastRecNo = 0;
};

// Resets input `index`: state, AnalogCount and the old change list. Always 0.
int InitAnalogInputReport(TCalcContext& ctx, TObjReport& obj, int index);

// An input row. Reads the input's field ("." or "," as decimal mark); a row
// without the marker or with an empty, blank or non-numeric field only moves
// LastRecNo. The reference moves with every valid reading, so a slow drift is
// never reported. 0, or 1 once 10000 changes are stored and the one extra row
// has been let through.
int AnalogInputReportInStep(TCalcContext& ctx, TObjReport& obj, int index, const TRecord& row);

// A navigation row: keeps its position for the next input row and gives the
// latest change its area when this row is adjacent to that change's input
// row; a change with no adjacent usable fix keeps Area -2. 0, or 1 as above.
int AnalogInputReportNavStep(TCalcContext& ctx, TObjReport& obj, int index, const TRecord& row);

// Copies the changes into AnalogChanges[index]; 1 only when that copy cannot
// get its memory (count 0, empty list).
int CloseAnalogInputReport(TCalcContext& ctx, TObjReport& obj, int index);

}  // namespace vedograf

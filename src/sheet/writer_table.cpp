// The real writers behind the dispatch table; kept apart so that a test
// giving its own table does not need them.

#include "sheet/workbook_output.h"

namespace vedograf {

TSheetWriters DefaultSheetWriters() {
  TSheetWriters w;
  w.Way = MakeWayReport;
  w.PowerUp = MakePowerUpReport;
  w.NavLack = MakeNavLackReport;
  w.Point = MakePointReport;
  w.Stop = MakeStopReport;
  w.SpeedEx = MakeSpeedExReport;
  w.Sensor = MakeSensorReport;
  w.AnalogIn = MakeAnalogInReport;
  w.Fuel = MakeFuelReport;
  w.Load = MakeLoadReport;
  w.Graph = MakeGraphReport;
  return w;
}

}  // namespace vedograf

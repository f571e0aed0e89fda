#pragma once
// Every setting of the main window, held without any widget. The settings
// file reads and writes it, the report request reads it, the Qt window binds
// its widgets to it and the headless command uses it with no window at all.
//
// Members carry the names of the window's controls. The default values are
// the window's designed initial state (what the controls show before the
// settings file is applied); the settings file's own defaults are applied by
// the settings reader. Enabled states are not held here: they follow from the
// check states by the window's enabling rules.
//
// Repeated controls are arrays indexed from 0: InCheckBox[0] is In1CheckBox,
// AnInEdit[2] is AnIn3Edit, SensorCheckBox[1] is Sensor2CheckBox.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/datetime.h"
#include "core/time_zone.h"

namespace vedograf {

// Entries of the lists with fixed contents.
inline constexpr std::array<std::string_view, 2> kInStateItems{"Замкнут", "Разомкнут"};
inline constexpr std::array<std::string_view, 2> kUseLLSItems{"аналоговые входы", "датчики LLS"};
inline constexpr std::array<std::string_view, 4> kMinutesItems{"00", "15", "30", "45"};
inline constexpr std::array<std::string_view, 3> kTimeRadioItems{"Локальное", "Как в Windows", "Всемирное"};
inline constexpr int kPageCount = 4;  // pages of ReportsPageControl
inline constexpr int kMaxHours = 12;  // maximum of HoursCSpinEdit
inline constexpr std::size_t kInputNameMaxChars = 20;  // the in-place name editor's maximum length

// The two file-open dialogs' filters; FilterIndex counts from 1 as the
// dialogs do.
inline constexpr std::string_view kBaseDialogFilter =
    "Все файлы (*.*)|*.*|База данных Access (*.mdb)|*.mdb";
inline constexpr std::string_view kPointsDialogFilter =
    "Все файлы (*.*)|*.*|Контрольные районы Kelvadis (*.mrk)|*.mrk|Контрольные районы ZNT (*.obj)|*.obj";

struct TOpenDialogState {
  std::string FileName;  // the current file name: the path the program opens and stores
  int FilterIndex = 1;   // 1-based
};

// Outer bounds of the main window and the two splitter positions, pixels.
struct TWindowGeometry {
  int Left = 0;
  int Top = 0;
  int Width = 685;   // outer
  int Height = 523;  // outer
  int LWidth = 248;   // width of GridPanel (left of Splitter1)
  int THeight = 201;  // height of ObjectsGroupBox (above Splitter2)
};

// A multi-selection list box: its item texts and one selection flag each.
struct TListState {
  std::vector<std::string> Items;
  std::vector<bool> Selected;  // same length as Items

  // Replaces the items and clears the selection.
  void SetItems(std::vector<std::string> items) {
    Items = std::move(items);
    Selected.assign(Items.size(), false);
  }
  bool IsSelected(std::size_t i) const { return i < Selected.size() && Selected[i]; }
  std::size_t SelectedCount() const {
    std::size_t n = 0;
    for (bool s : Selected) n += s ? 1 : 0;
    return n;
  }
};

struct TFormState {
  // "Временной интервал": date pickers hold a date, time pickers a time of
  // day; each keeps whatever whole value it was given and only its own part
  // is used.
  double STDateTimePicker = EncodeDate(2001, 1, 1);
  double SDDateTimePicker = EncodeDate(2001, 1, 1);
  double FTDateTimePicker = EncodeDate(2001, 1, 1);
  double FDDateTimePicker = EncodeDate(2001, 1, 1);

  // Page "Отчеты по маршруту".
  bool WayCheckBox = true;
  bool DaysCheckBox = true;
  double ShiftDateTimePicker = EncodeDate(2001, 1, 1);
  bool PowerupCheckBox = true;
  bool NavLackCheckBox = true;
  bool NavFilterCheckBox = true;
  std::string MinNavTimeEdit = "30";
  bool PointsCheckBox = true;
  bool FilterCheckBox = true;
  std::string MinTimeEdit = "30";
  bool StopsCheckBox = true;
  std::string MaxSpeedEdit = "3";
  bool TimeFilterCheckBox = true;
  std::string MinStopTimeEdit = "60";
  bool SpeedExcessCheckBox = true;
  std::string SpeedThresholdEdit = "80";
  bool SpeedFilterCheckBox = true;
  std::string MinSpeedTimeEdit = "30";

  // Page "Отчеты по входам".
  bool SensorsCheckBox = true;
  bool SensorFilterCheckBox = true;
  std::string MinSensorTimeEdit = "30";
  std::array<bool, 5> InCheckBox{true, true, true, true, true};
  // Item index of In<n>ComboBox: 0 "Замкнут", 1 "Разомкнут", anything else
  // (-1 included) no entry selected.
  std::array<int, 5> InComboBox{1, 0, 0, 0, 0};
  std::array<std::string, 5> InLabel{"IN1", "IN1", "IN1", "IN1", "IN1"};  // input names
  bool AnalogInputsCheckBox = true;
  std::array<bool, 3> AnInCheckBox{true, true, true};
  std::array<std::string, 3> AnInEdit{"1000", "1000", "1000"};
  std::array<std::string, 3> AnInLabel{"AN_IN1", "AN_IN1", "AN_IN1"};  // analog input names

  // Page "Отчеты по топливу".
  bool FuelCheckBox = true;
  bool LoadCheckBox = true;
  bool GraphCheckBox = true;
  int UseLLSComboBox = 0;  // 0 "аналоговые входы", 1 "датчики LLS"
  std::array<bool, 3> SensorCheckBox{true, true, true};
  std::array<std::string, 3> SensThresEdit{"99", "99", "99"};
  std::string MinLoadEdit = "99";
  std::string MinUnloadEdit = "99";
  std::string FuelFilterDeltaEdit = "99";

  // Page "Параметры".
  int TimeRadioGroup = 1;         // 0 "Локальное", 1 "Как в Windows", 2 "Всемирное"
  std::string SignButton = "+";   // caption, "+" or "-"
  int HoursCSpinEdit = 0;         // 0..12
  int MinutesComboBox = 0;        // index into kMinutesItems
  bool BaseOpenCheckBox = true;
  bool CPointsOpenCheckBox = true;
  bool DeleteSheetsCheckBox = true;

  int ReportsPageControl = 2;  // visible page, 0..3 ("Отчеты по топливу" as designed)

  TOpenDialogState OpenDialog1{"", 2};  // the log database
  TOpenDialogState OpenDialog2{"", 3};  // the control areas

  TWindowGeometry Geometry;

  // Where the workbooks are saved; empty: the engine's own choice.
  std::string ReportsFolder;

  TListState ObjectsListBox;  // one item per element of ObjReports, same order
  TListState PointsListBox;   // one item per control area, in list order

  // The selections saved at the last close: area texts and object numbers,
  // in key order. Consumed by the restore steps; empty when nothing was saved.
  std::vector<std::string> SavedPointsText;
  std::vector<std::string> SavedObjectsText;

  // The time-zone row as ReadTimes takes it.
  TTimeZoneControls TimeZoneControls() const {
    return TTimeZoneControls{TimeRadioGroup, SignButton != "-", HoursCSpinEdit, MinutesComboBox};
  }
  // The interval controls as ReadTimes takes them.
  TIntervalInputs IntervalInputs() const {
    return TIntervalInputs{SDDateTimePicker, STDateTimePicker, FDDateTimePicker, FTDateTimePicker,
                           TimeZoneControls()};
  }
};

// Captions of Sensor1CheckBox..Sensor3CheckBox for a UseLLSComboBox index:
// "LLS1".."LLS3" for the second entry, "AN1".."AN3" otherwise.
inline std::array<std::string, 3> SensorCaptions(int useLLSIndex) {
  const char* stem = useLLSIndex == 1 ? "LLS" : "AN";
  return {std::string(stem) + "1", std::string(stem) + "2", std::string(stem) + "3"};
}

// The object-list item's leading part that names the object: the text up
// to, not including, its first blank; the whole text when it has none.
inline std::string_view ItemNumberText(std::string_view item) {
  const std::size_t blank = item.find(' ');
  return blank == std::string_view::npos ? item : item.substr(0, blank);
}

}  // namespace vedograf

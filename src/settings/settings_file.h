#pragma once
// The settings file: every setting of the main window between two runs of
// the program. Read once while the window is being created, written once
// when it closes; the headless command only reads it.
//
// Sections "Settings" (the scalar keys), "SelectedPoints" (P0, P1, …: texts
// of the selected control areas) and "SelectedObjects" (O0, O1, …: numbers of
// the selected objects).

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "run/form_state.h"
#include "settings/profile_file.h"

namespace vedograf {

class IUserServices;

inline constexpr const char* kMsgSettingsWrite = "Невозможно записать файл с настройками!";

// The window's enabling handlers, run by the reader right after it set the
// values they look at, so enabled states agree with what was read. The
// headless command has no window and passes none.
class ISettingsHandlers {
 public:
  virtual ~ISettingsHandlers() = default;
  virtual void DaysCheckBoxClick() {}
  virtual void NavFilterCheckBoxClick() {}
  virtual void NavLackCheckBoxClick() {}
  virtual void FilterCheckBoxClick() {}
  virtual void PointsCheckBoxClick() {}
  virtual void TimeFilterCheckBoxClick() {}
  virtual void StopsCheckBoxClick() {}
  virtual void InCheckBoxClick(int /*n, 1..5*/) {}
  virtual void SensorFilterCheckBoxClick() {}
  virtual void SensorsCheckBoxClick() {}
  virtual void UseLLSComboBoxChange() {}
  virtual void SensorCheckBoxClick(int /*n, 1..3*/) {}
  virtual void FuelCheckBoxClick() {}
  virtual void TimeRadioGroupClick() {}
  virtual void SpeedFilterCheckBoxClick() {}
  virtual void SpeedExcessCheckBoxClick() {}
  virtual void AnInCheckBoxClick(int /*n, 1..3*/) {}
  virtual void AnalogInputsCheckBoxClick() {}
};

// What the geometry keys are checked against, pixels.
struct TWindowMetrics {
  int ScreenWidth = 1920;
  int ScreenHeight = 1080;
  int PanelMinHeight = 465;  // GetPanelMinHeight
  int PanelMinWidth = 397;   // GetPanelMinWidth
  int FrameWidth = 0;        // outer width minus client width
  int FrameHeight = 0;       // outer height minus client height (title, menu, borders)
  int SplitterWidth = 6;
  int SplitterMinSize = 30;
};

// The file's place for a program file: the program's path with ".ini" when
// its folder is writable (a copy unpacked in a folder of its own); otherwise
// (an installed program) the same file name in $XDG_CONFIG_HOME/vedograf, or
// ~/.config/vedograf when that variable is unset or not absolute.
std::filesystem::path SettingsFilePath(const std::filesystem::path& programFile);

// The running program's own file (/proc/self/exe); `fallback` when unknown.
std::filesystem::path ProgramFilePath(const std::filesystem::path& fallback = "vedograf");

// ReadIniData: applies `profile` to `form` in the fixed order, running the
// handlers on the way. A missing key gives its default. Returns false when a
// handler threw: the reading stops there and the controls not reached keep
// what they held.
bool ReadIniData(const TProfile& profile, TFormState& form, ISettingsHandlers* handlers = nullptr,
                 const TWindowMetrics& metrics = {});
// Loads the file first; a file that exists but cannot be read applies nothing
// and returns false. A missing file applies every default.
bool ReadIniData(const std::filesystem::path& file, TFormState& form, ISettingsHandlers* handlers = nullptr,
                 const TWindowMetrics& metrics = {});

// WriteData: every key from the form in the fixed order, then the two
// selection sections rewritten from the lists' selections. Keys and sections
// the program does not know are kept. The file is replaced whole or not at
// all; on failure shows kMsgSettingsWrite and returns false, the previous
// file intact.
bool WriteData(const std::filesystem::path& file, const TFormState& form, IUserServices& services);
// The profile WriteData would save over `previous`.
void WriteSettings(TProfile& profile, const TFormState& form);

// Restores the saved area selection: for each saved text in order, selects
// the first not yet selected item whose text, without blanks at its ends,
// equals it.
void RestorePointsSelection(TListState& list, const std::vector<std::string>& saved);
// Restores the saved object selection: for each saved number text in order,
// selects the first not yet selected item whose text begins with it. An empty
// entry selects nothing.
void RestoreObjectsSelection(TListState& list, const std::vector<std::string>& saved);

// The flag and integer reading of the file: decimal, or hexadecimal after
// "0x"/"0X" (an optional "-" before either); `fallback` for anything else.
int ParseProfileInt(std::string_view text, int fallback);

}  // namespace vedograf

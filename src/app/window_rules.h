#pragma once
// The main window's own arithmetic, kept apart from the widgets so it can be
// read and tested without a display: what the numeric edits let through and
// what they turn their text into, the duration echo beside them, the sizing
// rules of the right-hand panel, the name editor's rectangle and the
// centring of the small windows.

#include <string>
#include <string_view>

namespace vedograf::app {

// What a numeric edit accepts while typing.
enum class TEditKeys {
  Digits,          // digits and Backspace
  DigitsAndPoint,  // digits, Backspace, "," and "."
};

// True when `ch` may reach the edit: a key outside the set is swallowed.
// Backspace (8) always passes; control keys other than it do not.
bool EditAcceptsKey(TEditKeys keys, char32_t ch);

// A decimal integer with an optional sign and blanks around it; false for
// anything else, the empty text and values beyond 32 bits.
bool ParseIntegerText(std::string_view text, int& value);

// The edit's text read as an integer, or `fallback` when it is no integer.
int IntegerOrDefault(std::string_view text, int fallback);

// The text an integer edit takes when it loses the focus: the value in plain
// decimal without leading zeros, or the fallback when the text is no number.
std::string NormaliseIntegerText(std::string_view text, int fallback);

// Reads a float the way the float edits do: every "." and "," counts as the
// decimal separator. False when the text is no number.
bool ParseFloatText(std::string_view text, double& value);

// General float formatting: up to 15 significant digits, trailing zeros
// dropped, `decimalSeparator` between the whole and the fraction, an exponent
// ("1E20", "1E-7") only where plain digits would not do.
std::string FormatFloatText(double value, char decimalSeparator);

// The text a float edit takes when it loses the focus.
std::string NormaliseFloatText(std::string_view text, double fallback, char decimalSeparator);

// The label beside a duration edit: "с", then the hours, minutes and seconds
// in brackets once the duration reaches a minute (120 -> "с  (2 мин)").
std::string WriteTimePeriod(int seconds);

struct TRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  int Right() const { return Left + Width; }
  int Bottom() const { return Top + Height; }
  bool operator==(const TRect&) const = default;
};

// The in-place name editor over a name label: one pixel wider on each side,
// two pixels taller on each side.
TRect PinNameEditRect(const TRect& label);

// Top-left corner that centres a window of `ownWidth` x `ownHeight` over
// `main` (outer bounds), fractions dropped toward zero; it may leave the
// screen when the main window does.
void CentreOver(const TRect& main, int ownWidth, int ownHeight, int& left, int& top);

// The fixed measures of the right-hand panel that its sizing rules use.
struct TPanelMetrics {
  int Margin = 8;
  int GroupTop = 8;          // ReportsGroupBox
  int GroupHeight = 49;
  int PageTop = 65;          // ReportsPageControl, placed below the group
  int PageExtraHeight = 0;   // page control height minus page height (tab row and frame)
  int PageExtraWidth = 0;    // page control width minus page width
  int LowestBottom = 323;    // bottom of the route page's lowest control (MinSpeedTimeEdit)
  int Button1Right = 397;    // right edge of the hidden Button1
  int ButtonWidth = 87;
  int ButtonHeight = 25;
};

// Panel height at which the route page's lowest control still shows with a
// margin below it, followed by a margin, the button row and a margin.
int GetPanelMinHeight(const TPanelMetrics& m);
// Panel width below which the page control stops shrinking.
int GetPanelMinWidth(const TPanelMetrics& m);

// Where ObjectPanelResize puts the right-hand panel's controls.
struct TPanelLayout {
  TRect Group;  // ReportsGroupBox
  TRect Pages;  // ReportsPageControl
  TRect Calc;   // CalcButton
  TRect Exit;   // ExitButton
};

// The layout for a panel of `width` x `height` whose page control is
// currently `currentPagesHeight` high: below the minimum height the page
// control keeps what its contents need and the buttons go below it (they may
// be cut off); below the minimum width everything keeps the minimum width.
TPanelLayout ObjectPanelLayout(const TPanelMetrics& m, int width, int height, int currentPagesHeight);

// " (версия программы 1.8.3)" from the about box's caption "Версия 1.8.3":
// the caption from its 8th character on, in brackets after the words.
std::string ProgramVersionText(std::string_view versionCaption);

inline constexpr std::string_view kProgramName = "Ведограф";
inline constexpr std::string_view kVersionCaption = "Версия 1.8.3";

}  // namespace vedograf::app

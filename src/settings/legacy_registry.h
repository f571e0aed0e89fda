#pragma once
// The one-time takeover of settings an older installation kept in the
// system registry. At every start the key is read (when every value reads,
// it wins over the settings file for this start and reaches the file at the
// next close) and then deleted. The registry is reached through a small
// interface: this platform has none, and tests use one held in memory.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/form_state.h"
#include "settings/settings_file.h"

namespace vedograf::settings {

inline constexpr std::string_view kLegacyKey = "\\Software\\Ordavin\\Tabulon\\1.0";  // under HKEY_LOCAL_MACHINE

enum class TRegType { String, ExpandString, DWord, Binary, MultiString, QWord };

struct TRegValue {
  TRegType Type = TRegType::String;
  std::string Text;                 // String, ExpandString (UTF-8)
  std::uint32_t Number = 0;         // DWord
  std::vector<std::uint8_t> Bytes;  // Binary (and anything else)

  static TRegValue Str(std::string text) { return {TRegType::String, std::move(text), 0, {}}; }
  static TRegValue Dword(std::uint32_t v) { return {TRegType::DWord, {}, v, {}}; }
  static TRegValue Bin(std::vector<std::uint8_t> bytes) { return {TRegType::Binary, {}, 0, std::move(bytes)}; }
  // An 8-byte binary holding a date-time as a little-endian IEEE double.
  static TRegValue DateTime(double value);
};

// The registry operations the takeover needs, all under HKEY_LOCAL_MACHINE.
class IRegistry {
 public:
  virtual ~IRegistry() = default;
  // Opens `key` for reading; false when it is missing or cannot be opened.
  virtual bool OpenKeyReadOnly(std::string_view key) = 0;
  // A value of the open key; nullopt when it is not there.
  virtual std::optional<TRegValue> ReadValue(std::string_view name) const = 0;
  virtual void CloseKey() = 0;
  // Deletes `key` with its subkeys, leaving the parents; false when it was
  // missing or could not be deleted.
  virtual bool DeleteKey(std::string_view key) = 0;
};

// A registry held in memory: keys by full path, each with its values.
class TMemoryRegistry : public IRegistry {
 public:
  bool OpenKeyReadOnly(std::string_view key) override;
  std::optional<TRegValue> ReadValue(std::string_view name) const override;
  void CloseKey() override { open_.reset(); }
  bool DeleteKey(std::string_view key) override;

  std::map<std::string, std::map<std::string, TRegValue>, std::less<>> Keys;
  bool DeleteRefused = false;  // as without the rights to delete
  int Opens = 0;

 private:
  std::optional<std::string> open_;
};

// The platform's registry. This platform has none: no key opens and nothing
// is deleted.
std::unique_ptr<IRegistry> PlatformRegistry();

// The registry's comma text: items separated by commas, or by blanks and
// control characters outside quotes; an item beginning with a double quote
// runs to the next double quote that is not doubled (a doubled one stands
// for one); a comma at the very end adds an empty item.
std::vector<std::string> ParseCommaText(std::string_view text);

// What the geometry values are checked against: the settings file's
// measures, plus the client sizes a zero-sized window gets instead.
struct TRegistryMetrics : TWindowMetrics {
  int FallbackClientHeight = 420;  // top of CalcButton + its height + top of ReportsGroupBox
  int FallbackClientWidth = 679;   // left of ObjectPanel + 2 x left of ReportsGroupBox + its width
};

// ReadRegistryData: opens the key and applies its values to `form` in the
// fixed order, running the handlers on the way. True when the key opened and
// every value read; false at the first value that is missing or of the wrong
// kind (the values before it stay applied; the settings file read next sets
// every one of them again) or when there is no key.
bool ReadRegistryData(IRegistry& registry, TFormState& form, ISettingsHandlers* handlers = nullptr,
                      const TRegistryMetrics& metrics = {});

// DeleteRegistryData: deletes the key and its subkeys; a missing key or one
// that cannot be deleted is left alone silently.
void DeleteRegistryData(IRegistry& registry);

}  // namespace vedograf::settings

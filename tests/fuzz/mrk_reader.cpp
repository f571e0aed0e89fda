// The .mrk reader on arbitrary bytes. The first byte picks how the questions
// about faulty points are answered, so refusals are fuzzed as well as drops.

#include <cstdint>

#include "area_check.h"
#include "areas/area_files.h"
#include "areas/control_point.h"
#include "fuzz_util.h"

namespace {

class TScriptedServices : public vedograf::fuzz::TCountingServices {
 public:
  explicit TScriptedServices(std::uint8_t script) : script_(script) {}
  vedograf::TAnswer AskYesNoAll(std::string_view) override {
    ++questions;
    switch ((script_ >> (2 * (questions % 4))) & 3) {
      case 0: return vedograf::TAnswer::No;
      case 1: return vedograf::TAnswer::YesToAll;
      default: return vedograf::TAnswer::Yes;
    }
  }

 private:
  std::uint8_t script_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vedograf;
  const std::uint8_t script = size > 0 ? data[0] : 0xFF;
  const fuzz::TMemFile file(data + (size > 0), size - (size > 0));
  TScriptedServices services(script);
  TControlPointList list;
  list.AddPoint(1.0, 2.0, "before");
  const int status = OpenKLVCPoints(file.Path(), services, list);
  FUZZ_CHECK(status == 0 || (status >= 3 && status <= 6));
  FUZZ_CHECK(services.errors == 0);  // a readable file is never an open error
  if (status != 0) {
    FUZZ_CHECK(list.Count() == 0);
    FUZZ_CHECK(services.questions > 0);  // only a refused question stops the reader
    return 0;
  }
  fuzz::CheckArrangedAreas(list, data, size, kMrkLineChars);
  FUZZ_CHECK(AreaNames(list).size() == list.Count());
  return 0;
}

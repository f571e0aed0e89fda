#include "support/test_services.h"

namespace vedograf::test {

bool TTestServices::AskYesNo(std::string_view text) {
  shown.push_back({TShown::YesNo, std::string(text)});
  if (answers.empty()) return true;
  const TAnswer a = answers.front();
  answers.pop_front();
  return a != TAnswer::No;
}

TAnswer TTestServices::AskYesNoAll(std::string_view text) {
  shown.push_back({TShown::YesNoAll, std::string(text)});
  if (answers.empty()) return TAnswer::Yes;
  const TAnswer a = answers.front();
  answers.pop_front();
  return a;
}

std::optional<std::string> TTestServices::AskPassword() {
  if (passwords.empty()) return std::nullopt;
  auto p = passwords.front();
  passwords.pop_front();
  return p;
}

void TTestServices::ShowWait(TWaitMode mode, std::string_view) {
  waitOpen = true;
  waitMode = mode;
}

void TTestServices::PumpMessages() {
  ++pumps;
  if (onPump) onPump();
}

std::vector<std::string> TTestServices::Texts(TShown::Kind kind) const {
  std::vector<std::string> out;
  for (const TShown& s : shown) {
    if (s.kind == kind) out.push_back(s.text);
  }
  return out;
}

}  // namespace vedograf::test

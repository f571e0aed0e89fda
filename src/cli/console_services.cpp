#include "cli/console_services.h"

namespace vedograf::cli {

void TConsoleServices::Line(const char* kind, std::string_view text, std::string_view tail) {
  std::string line = kind;
  line += ": ";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      // Texts such as "...\r\n не является..." already carry a blank.
      if (!line.empty() && line.back() != ' ' && !(i + 1 < text.size() && text[i + 1] == ' ')) line += ' ';
      continue;
    }
    line += c;
  }
  line += tail;
  line += '\n';
  std::fputs(line.c_str(), err_);
  std::fflush(err_);
  ++messages_;
}

}  // namespace vedograf::cli

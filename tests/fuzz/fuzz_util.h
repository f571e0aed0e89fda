#pragma once
// Shared pieces of the fuzz targets: the input as a file of its own (the
// readers under test take file names) and user services that only count.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "core/user_services.h"

namespace vedograf::fuzz {

// The input bytes as an anonymous in-memory file, reachable by name through
// /proc/self/fd: no disk, no clean-up, a regular file as far as stat goes.
class TMemFile {
 public:
  TMemFile(const std::uint8_t* data, std::size_t size) {
    fd_ = ::memfd_create("fuzz-input", MFD_CLOEXEC);
    if (fd_ < 0) std::abort();
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = ::write(fd_, data + done, size - done);
      if (n <= 0) std::abort();
      done += static_cast<std::size_t>(n);
    }
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  TMemFile(const TMemFile&) = delete;
  TMemFile& operator=(const TMemFile&) = delete;
  ~TMemFile() { ::close(fd_); }
  const std::string& Path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

// Answers every question with its default and keeps only counts: a target
// may check which messages came, not what they said.
class TCountingServices : public IUserServices {
 public:
  void ShowError(std::string_view text) override { ++errors; last = text; }
  void ShowWarning(std::string_view text) override { ++warnings; last = text; }
  bool AskYesNo(std::string_view) override { ++questions; return true; }
  TAnswer AskYesNoAll(std::string_view) override { ++questions; return TAnswer::Yes; }
  std::optional<std::string> AskPassword() override { ++questions; return std::nullopt; }
  void ShowWait(TWaitMode, std::string_view) override {}
  void SetWaitProgress(int, int) override {}
  void CloseWait() override {}
  void PumpMessages() override {}

  int errors = 0, warnings = 0, questions = 0;
  std::string last;
};

// A broken invariant: printed, then aborted so that libFuzzer keeps the input
// and the replay test fails.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

}  // namespace vedograf::fuzz

#define FUZZ_CHECK(cond) \
  do {                   \
    if (!(cond)) ::vedograf::fuzz::Fail(#cond); \
  } while (0)

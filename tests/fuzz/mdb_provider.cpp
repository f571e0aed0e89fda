// A log database from arbitrary bytes through the database provider, opened
// and read in full. Whatever the bytes, the program side ends in a result or
// one message, with the wait window closed and the file untouched; a worker
// that crashes or hangs on them is the provider client's to contain.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "db_scan.h"
#include "fuzz_util.h"

namespace {

std::filesystem::path gDir;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/vedograf-fuzz-db-XXXXXX";
  if (::mkdtemp(tmpl) == nullptr) std::abort();
  gDir = tmpl;
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(gDir, ec);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vedograf;
  // The worker opens the file by name, so it has to be a real one.
  const std::string path = (gDir / "log.mdb").string();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::abort();
  }
  db::TProviderOptions options;
  options.StallTimeout = std::chrono::milliseconds(3000);
  options.MemoryLimit = 512ull << 20;
  const fuzz::TScanOutcome r = fuzz::OpenAndScan(path, options);
  FUZZ_CHECK(r.Status == 0 || r.Status == 1);
  FUZZ_CHECK(!r.WaitLeftOpen);
  // A failure is told (the password dialog here never cancels first).
  if (r.Status == 1) FUZZ_CHECK(r.Errors == 1);
  FUZZ_CHECK(fuzz::ReadBytes(path) == bytes);
  return 0;
}

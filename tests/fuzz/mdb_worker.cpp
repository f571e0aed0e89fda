// A log database from arbitrary bytes through the database provider's own
// reading, in this process: libmdb over the file and our decoding of every
// row. Whatever the bytes, the reading ends in the Done frame or one Error
// frame, every frame reads back in full by the client's rules, and libmdb's
// handles are all released.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "db/provider/provider_run.h"
#include "db/provider_protocol.h"
#include "fuzz_util.h"

namespace {

using vedograf::db::TFrame;
using vedograf::db::TFrameReader;

int gOut = -1;

std::string TakeOutput() {
  const off_t size = ::lseek(gOut, 0, SEEK_CUR);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pread(gOut, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n <= 0) std::abort();
    done += static_cast<std::size_t>(n);
  }
  if (::ftruncate(gOut, 0) != 0 || ::lseek(gOut, 0, SEEK_SET) != 0) std::abort();
  return bytes;
}

bool Utf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || s.size() - i < n) return false;
    for (std::size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

// The stream as the client reads it: a schema first, address and row batches,
// and exactly one closing frame; with `failed`, an Error frame closes it.
void CheckFrames(std::string_view out, bool failed) {
  std::size_t at = 0;
  bool schema = false, closed = false;
  std::uint32_t layout = 0;
  std::uint64_t rows = 0;
  while (at < out.size()) {
    FUZZ_CHECK(!closed);
    FUZZ_CHECK(out.size() - at >= 5);
    const char kind = out[at];
    std::uint32_t len;
    std::memcpy(&len, out.data() + at + 1, 4);
    FUZZ_CHECK(len <= vedograf::db::kMaxFramePayload * 64);
    FUZZ_CHECK(out.size() - at - 5 >= len);
    TFrameReader r(out.substr(at + 5, len));
    at += 5 + len;
    switch (static_cast<TFrame>(kind)) {
      case TFrame::Schema:
        FUZZ_CHECK(!schema);
        schema = true;
        r.U64();
        r.U64();
        layout = r.U32();
        FUZZ_CHECK((layout & ~3u) == 0);
        break;
      case TFrame::Address:
        FUZZ_CHECK(schema && len > 0);
        while (!r.AtEnd() && !r.Failed()) {
          r.I32();
          FUZZ_CHECK(Utf8(r.Text()));
        }
        break;
      case TFrame::Rows:
        FUZZ_CHECK(schema && len > 0);
        while (!r.AtEnd() && !r.Failed()) {
          r.I32();
          r.I32();
          r.I32();
          for (int k = 0; k < 4; ++k) r.F64();
          FUZZ_CHECK(Utf8(r.Text()));
          if (layout & vedograf::db::kLayoutNamedDate) r.F64();
          if (layout & vedograf::db::kLayoutNamedFlags) r.I32();
          ++rows;
        }
        break;
      case TFrame::Error: {
        const std::uint32_t failure = r.U32();
        FUZZ_CHECK(failure >= 1 && failure <= 3);
        FUZZ_CHECK(!r.Text().empty());
        closed = true;
        FUZZ_CHECK(failed);
        break;
      }
      case TFrame::Done:
        FUZZ_CHECK(schema);
        FUZZ_CHECK(r.U64() == rows);
        for (int k = 0; k < 3; ++k) r.U64();
        closed = true;
        FUZZ_CHECK(!failed);
        break;
      default: FUZZ_CHECK(!"a frame of no known kind");
    }
    FUZZ_CHECK(!r.Failed() && r.AtEnd());
  }
  FUZZ_CHECK(closed);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // As the program starts the worker: no search path, no conversion options.
  ::unsetenv("MDBPATH");
  ::unsetenv("MDBICONV");
  ::unsetenv("MDBOPTS");
  gOut = ::memfd_create("worker-frames", MFD_CLOEXEC);
  if (gOut < 0) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const vedograf::fuzz::TMemFile file(data, size);
  bool failed = false;
  try {
    vedograf::db::worker::RunProvider(file.Path(), gOut);
  } catch (const vedograf::db::worker::TProviderExit& e) {
    FUZZ_CHECK(e.Status == 0);  // a memory file never breaks like a pipe
    failed = true;
  }
  CheckFrames(TakeOutput(), failed);
  return 0;
}

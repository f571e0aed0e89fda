#pragma once
// The program's side of the database provider: starts the worker process on
// one file, reads what it streams, and guards against it. A worker that makes
// no progress for a few seconds is killed; one that crashes or aborts (libmdb
// on a damaged file, GLib out of memory) ends as a TOleError with a code of
// ours and a Russian message, and the next opening starts a fresh worker.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vedograf::db {

// Error codes of our own (customer bit set, so they never collide with Jet's).
inline constexpr std::uint32_t kErrProviderHung = 0xA0DB0001;
inline constexpr std::uint32_t kErrProviderCrashed = 0xA0DB0002;
inline constexpr std::uint32_t kErrProviderStart = 0xA0DB0003;
inline constexpr std::uint32_t kErrProviderGarbled = 0xA0DB0004;
// The Jet provider's codes the opening maps its failures onto.
inline constexpr std::uint32_t kErrNotDatabase = 0x80004005;
inline constexpr std::uint32_t kErrTablesMissing = 0x80040E37;
inline constexpr std::uint32_t kErrAuthentication = 0x80040E4D;

struct TProviderOptions {
  std::string ProviderPath;  // empty: beside the program, else the build's copy
  std::chrono::milliseconds StallTimeout{5000};
  std::uint64_t MemoryLimit = 1ull << 30;  // address space of the worker
  std::vector<std::string> ExtraArgs;      // tests: make the worker misbehave
};

// One log row as the worker sends it.
struct TProviderRow {
  std::int32_t RecNo = 0;   // column 0
  std::int32_t Mobile = 0;  // MOBILE
  std::int32_t Flags = 0;   // column 5
  double Date = 0.0;        // column 4
  double Lon = 0.0, Lat = 0.0, Speed = 0.0;  // columns 7, 8, 10
  std::string_view Text;    // column 2, UTF-8
  // The columns named DATE and FLAGS, which order and filter the rows; the
  // same as Date and Flags in the dispatch software's own table.
  double OrderDate = 0.0;
  std::int32_t FilterFlags = 0;
};

// What the worker sends, as the sink of the client receives it.
class IProviderSink {
 public:
  virtual ~IProviderSink() = default;
  virtual void OnSchema(std::uint64_t logRows, std::uint64_t addressRows) = 0;
  virtual void OnAddress(std::int32_t number, std::string_view name) = 0;
  virtual void OnRow(const TProviderRow& row) = 0;
  virtual void OnDone(std::uint64_t rowsRead, std::uint64_t cut, std::uint64_t replaced,
                      std::uint64_t unreadable) = 0;
};

// What the worker prints to stderr is drained and dropped, so a library that
// prints millions of lines neither blocks it nor fills anything.
// Runs the worker on `absolutePath` and feeds `sink` until the worker is done.
// `pump` runs between reads so the window stays responsive. Throws TOleError:
// kErrNotDatabase / kErrTablesMissing as the worker reports them, our own
// codes for a hang, a crash, a start failure or a garbled stream. The worker
// is always ended and reaped before this returns or throws.
void RunProvider(const std::string& absolutePath, IProviderSink& sink, const TProviderOptions& options,
                 const std::function<void()>& pump);

// The worker executable chosen by `options`.
std::string ProviderExecutable(const TProviderOptions& options);

}  // namespace vedograf::db

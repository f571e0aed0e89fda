// A log database is only ever read. Every database provider this test program
// starts is watched: the file it is given is hashed in the child just before
// the worker starts and again when the program reaps it, and a change fails
// the running test. Both ends are interposed (execve, waitpid) so that no test
// has to remember it; the cost is two reads of each small file.

#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "db/provider_client.h"
#include "db_test_util.h"

namespace {

using ExecveFn = int (*)(const char*, char* const[], char* const[]);
using WaitpidFn = pid_t (*)(pid_t, int*, int);

// One worker start, sent from the child to the program through a pipe; small
// enough for the write to be atomic.
struct TStart {
  pid_t Pid = 0;
  bool Exists = false;
  std::uint64_t Hash = 0;
  char Path[1024] = {};
};
static_assert(sizeof(TStart) <= PIPE_BUF);

struct TWatch {
  ExecveFn RealExecve = nullptr;
  WaitpidFn RealWaitpid = nullptr;
  int Read = -1, Write = -1;
  TWatch() {
    // Resolved now: after fork only plain system calls are safe.
    RealExecve = reinterpret_cast<ExecveFn>(::dlsym(RTLD_NEXT, "execve"));
    RealWaitpid = reinterpret_cast<WaitpidFn>(::dlsym(RTLD_NEXT, "waitpid"));
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
      Read = fds[0];
      Write = fds[1];
    }
  }
};
TWatch& Watch() {
  static TWatch w;
  return w;
}
// Made before main, long before any test forks.
const TWatch& gWatchReady = Watch();

// FNV-1a over the whole file with plain reads: usable between fork and exec.
bool HashFile(const char* path, std::uint64_t& hash) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  hash = 1469598103934665603ull;
  unsigned char buf[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    for (ssize_t i = 0; i < n; ++i) hash = (hash ^ buf[i]) * 1099511628211ull;
  }
  ::close(fd);
  return true;
}

bool IsWorker(const char* exe) {
  const char* base = std::strrchr(exe, '/');
  return std::strcmp(base ? base + 1 : exe, "vedograf-db-provider") == 0;
}

// The starts not yet matched with their reaping, by pid.
std::vector<TStart>& Pending() {
  static std::vector<TStart> starts;
  return starts;
}

void Reaped(pid_t pid) {
  TWatch& w = Watch();
  TStart s;
  while (::read(w.Read, &s, sizeof s) == static_cast<ssize_t>(sizeof s)) Pending().push_back(s);
  auto& pending = Pending();
  for (auto it = pending.begin(); it != pending.end(); ++it) {
    if (it->Pid != pid) continue;
    std::uint64_t after = 0;
    const bool exists = HashFile(it->Path, after);
    if (exists != it->Exists || after != it->Hash)
      ADD_FAILURE() << it->Path << " was changed while the database provider had it open";
    pending.erase(it);
    return;
  }
}

}  // namespace

extern "C" int execve(const char* path, char* const argv[], char* const envp[]) {
  const TWatch& w = Watch();
  if (w.Write >= 0 && argv && argv[0] && argv[1] && IsWorker(path)) {
    TStart s;
    s.Pid = ::getpid();
    int last = 1;
    while (argv[last + 1]) ++last;
    const std::size_t n = std::strlen(argv[last]);
    if (n < sizeof s.Path) {
      std::memcpy(s.Path, argv[last], n);
      s.Exists = HashFile(s.Path, s.Hash);
      (void)!::write(w.Write, &s, sizeof s);
    }
  }
  return w.RealExecve(path, argv, envp);
}

extern "C" pid_t waitpid(pid_t pid, int* status, int options) {
  const pid_t r = Watch().RealWaitpid(pid, status, options);
  if (r > 0 && status && (WIFEXITED(*status) || WIFSIGNALED(*status))) Reaped(r);
  return r;
}

namespace {

using vedograf::test::TTempDir;

struct TNoSink : vedograf::db::IProviderSink {
  void OnSchema(std::uint64_t, std::uint64_t) override {}
  void OnAddress(std::int32_t, std::string_view) override {}
  void OnRow(const vedograf::db::TProviderRow&) override {}
  void OnDone(std::uint64_t, std::uint64_t, std::uint64_t, std::uint64_t) override {}
};

// Runs `exe` as the worker on `file`; the client's verdict is not what these
// tests look at.
void Provide(const std::string& exe, const std::filesystem::path& file) {
  vedograf::db::TProviderOptions o;
  o.ProviderPath = exe;
  o.StallTimeout = std::chrono::milliseconds(1500);
  TNoSink sink;
  try {
    vedograf::db::RunProvider(std::filesystem::absolute(file).string(), sink, o, {});
  } catch (const std::exception&) {
  }
}

// A stand-in worker that appends to the file it is given, as a worker writing
// to the log would, and speaks no protocol at all.
std::string WritingWorker(const std::filesystem::path& dir) {
  const auto exe = dir / "vedograf-db-provider";
  {
    std::ofstream s(exe);
    s << "#!/bin/sh\nfor last; do :; done\nprintf x >> \"$last\"\n";
  }
  std::filesystem::permissions(exe, std::filesystem::perms::owner_all);
  return exe.string();
}

std::filesystem::path gDir;

TEST(UntouchedCheck, CatchesAWorkerThatWritesTheFile) {
  TTempDir dir;
  gDir = dir.Path();
  vedograf::test::WriteBytes(dir / "log.mdb", std::vector<std::uint8_t>{1, 2, 3});
  EXPECT_NONFATAL_FAILURE(Provide(WritingWorker(gDir), gDir / "log.mdb"), "was changed");
  EXPECT_EQ(vedograf::test::ReadBytes(dir / "log.mdb").size(), 4u);
  EXPECT_TRUE(Pending().empty());
}

TEST(UntouchedCheck, QuietWhenTheFileIsOnlyRead) {
  TTempDir dir;
  vedograf::test::WriteBytes(dir / "log.mdb", std::vector<std::uint8_t>{1, 2, 3});
  // The real worker refuses three bytes without touching them.
  Provide(vedograf::db::ProviderExecutable({}), dir / "log.mdb");
  EXPECT_TRUE(Pending().empty());
}

}  // namespace

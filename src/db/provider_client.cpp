#include "db/provider_client.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>

#include "core/errors.h"
#include "db/provider_protocol.h"

extern char** environ;

namespace vedograf::db {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

constexpr std::size_t kReadBytes = 1u << 20;

[[noreturn]] void Throw(std::uint32_t code, const char* message) { throw TOleError(code, message); }

// Ends and reaps the worker whatever happens to the reading.
class TWorker {
 public:
  pid_t Pid = -1;
  int Out = -1;
  int Err = -1;

  ~TWorker() {
    if (Out >= 0) ::close(Out);
    if (Err >= 0) ::close(Err);
    if (Pid > 0) {
      ::kill(Pid, SIGKILL);
      int status = 0;
      while (::waitpid(Pid, &status, 0) < 0 && errno == EINTR) {
      }
    }
  }

  // Waits for the exit after the stream ended; true when it exited normally.
  bool Reap(std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (true) {
      const pid_t r = ::waitpid(Pid, &status, WNOHANG);
      if (r == Pid) break;
      if (r < 0 && errno != EINTR) return false;
      if (std::chrono::steady_clock::now() > until) return false;
      ::usleep(2000);
    }
    Pid = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
};

void Start(TWorker& w, const std::string& exe, const std::string& path, const TProviderOptions& options) {
  // Everything the child needs is prepared before fork: between fork and exec
  // only plain system calls are safe in a program that may have threads.
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    const std::string_view v(*e);
    if (v.starts_with("MDBPATH=") || v.starts_with("MDBICONV=") || v.starts_with("MDBOPTS=")) continue;
    env.emplace_back(v);
  }
  std::vector<char*> envp;
  for (std::string& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> args{exe};
  args.insert(args.end(), options.ExtraArgs.begin(), options.ExtraArgs.end());
  args.push_back(path);
  std::vector<char*> argv;
  for (std::string& s : args) argv.push_back(s.data());
  argv.push_back(nullptr);

  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0) Throw(kErrProviderStart, "Не удалось запустить процесс чтения базы данных");
  if (::pipe2(err, O_CLOEXEC) != 0) {
    ::close(out[0]);
    ::close(out[1]);
    Throw(kErrProviderStart, "Не удалось запустить процесс чтения базы данных");
  }
  const int devnull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const rlim_t memory = static_cast<rlim_t>(options.MemoryLimit);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (devnull >= 0) ::dup2(devnull, 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    rlimit core{0, 0};
    ::setrlimit(RLIMIT_CORE, &core);
    if (!kSanitized && memory > 0) {
      rlimit as{memory, memory};
      ::setrlimit(RLIMIT_AS, &as);
    }
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  if (devnull >= 0) ::close(devnull);
  ::close(out[1]);
  ::close(err[1]);
  if (pid < 0) {
    ::close(out[0]);
    ::close(err[0]);
    Throw(kErrProviderStart, "Не удалось запустить процесс чтения базы данных");
  }
  // A deep pipe lets the worker run ahead while the program takes a batch.
  ::fcntl(out[0], F_SETPIPE_SZ, static_cast<int>(kReadBytes));
  w.Pid = pid;
  w.Out = out[0];
  w.Err = err[0];
}

void Dispatch(char kind, std::string_view payload, IProviderSink& sink, bool& done, std::uint32_t& layout) {
  TFrameReader r(payload);
  switch (static_cast<TFrame>(kind)) {
    case TFrame::Schema: {
      const std::uint64_t logRows = r.U64();
      const std::uint64_t addressRows = r.U64();
      layout = r.U32();
      if (r.Failed()) break;
      sink.OnSchema(logRows, addressRows);
      return;
    }
    case TFrame::Address:
      while (!r.AtEnd() && !r.Failed()) {
        const std::int32_t n = r.I32();
        const std::string_view name = r.Text();
        if (r.Failed()) break;
        sink.OnAddress(n, name);
      }
      if (!r.Failed()) return;
      break;
    case TFrame::Rows:
      while (!r.AtEnd() && !r.Failed()) {
        TProviderRow row;
        row.RecNo = r.I32();
        row.Mobile = r.I32();
        row.Flags = r.I32();
        row.Date = r.F64();
        row.Lon = r.F64();
        row.Lat = r.F64();
        row.Speed = r.F64();
        row.Text = r.Text();
        row.OrderDate = layout & kLayoutNamedDate ? r.F64() : row.Date;
        row.FilterFlags = layout & kLayoutNamedFlags ? r.I32() : row.Flags;
        if (r.Failed()) break;
        sink.OnRow(row);
      }
      if (!r.Failed()) return;
      break;
    case TFrame::Error: {
      const auto failure = static_cast<TProviderFailure>(r.U32());
      if (r.Failed()) break;
      if (failure == TProviderFailure::TablesMissing)
        Throw(kErrTablesMissing, "Таблицы журнала не найдены");
      if (failure == TProviderFailure::NotDatabase) Throw(kErrNotDatabase, "Нераспознаваемый формат базы данных");
      Throw(kErrProviderCrashed, "Процесс чтения базы данных сообщил об ошибке");
    }
    case TFrame::Done: {
      const std::uint64_t read = r.U64(), cut = r.U64(), replaced = r.U64(), unreadable = r.U64();
      if (r.Failed()) break;
      sink.OnDone(read, cut, replaced, unreadable);
      done = true;
      return;
    }
  }
  Throw(kErrProviderGarbled, "Процесс чтения базы данных передал поврежденные данные");
}

}  // namespace

std::string ProviderExecutable(const TProviderOptions& options) {
  if (!options.ProviderPath.empty()) return options.ProviderPath;
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const auto beside = self.parent_path() / "vedograf-db-provider";
    if (std::filesystem::exists(beside, ec)) return beside.string();
  }
#ifdef VEDOGRAF_DB_PROVIDER_BUILD_PATH
  return VEDOGRAF_DB_PROVIDER_BUILD_PATH;
#else
  return "vedograf-db-provider";
#endif
}

void RunProvider(const std::string& absolutePath, IProviderSink& sink, const TProviderOptions& options,
                 const std::function<void()>& pump) {
  TWorker w;
  Start(w, ProviderExecutable(options), absolutePath, options);

  // The stream: unread bytes are in [from, to) of `in`, read straight into it.
  std::size_t cap = 2 * kReadBytes;
  auto in = std::make_unique_for_overwrite<char[]>(cap);
  std::size_t from = 0, to = 0;
  char buf[1 << 16];
  bool done = false;
  std::uint32_t layout = 0;
  bool outOpen = true;
  auto lastProgress = std::chrono::steady_clock::now();
  while (outOpen) {
    pollfd fds[2] = {{w.Out, POLLIN, 0}, {w.Err, POLLIN, 0}};
    const nfds_t n = w.Err >= 0 ? 2 : 1;
    const int ready = ::poll(fds, n, 20);  // short: the window is pumped between polls
    if (ready < 0 && errno != EINTR) Throw(kErrProviderCrashed, "Процесс чтения базы данных завершился аварийно");
    if (n == 2 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
      // Whatever the library prints is drained and dropped: printing is not
      // progress, and a full pipe must not block the worker.
      const ssize_t got = ::read(w.Err, buf, sizeof buf);
      if (got <= 0) {
        ::close(w.Err);
        w.Err = -1;
      }
    }
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      if (cap - to < kReadBytes) {
        // Move the unread tail to the front; grow when one frame needs it.
        std::memmove(in.get(), in.get() + from, to - from);
        to -= from;
        from = 0;
        if (cap - to < kReadBytes) {
          auto bigger = std::make_unique_for_overwrite<char[]>(cap * 2);
          std::memcpy(bigger.get(), in.get(), to);
          in = std::move(bigger);
          cap *= 2;
        }
      }
      const ssize_t got = ::read(w.Out, in.get() + to, kReadBytes);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        outOpen = false;
      } else {
        lastProgress = std::chrono::steady_clock::now();
        to += static_cast<std::size_t>(got);
        while (to - from >= 5) {
          std::uint32_t len;
          std::memcpy(&len, in.get() + from + 1, 4);
          if (len > kMaxFramePayload * 64)
            Throw(kErrProviderGarbled, "Процесс чтения базы данных передал поврежденные данные");
          if (to - from - 5 < len) break;
          Dispatch(in[from], std::string_view(in.get() + from + 5, len), sink, done, layout);
          from += 5 + len;
        }
        if (from == to) from = to = 0;
      }
    }
    if (pump) pump();
    if (outOpen && std::chrono::steady_clock::now() - lastProgress > options.StallTimeout)
      Throw(kErrProviderHung, "Процесс чтения базы данных не отвечает");
  }
  const bool clean = w.Reap(options.StallTimeout);
  if (!done || !clean || from != to)
    Throw(kErrProviderCrashed, "Процесс чтения базы данных завершился аварийно");
}

}  // namespace vedograf::db

#include "fs_faults.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <new>
#include <set>

namespace vedograf::test::faults {
namespace {

struct TState {
  bool armed = false;
  TPlan plan;
  int calls = 0;
  std::set<int>* fds = nullptr;  // descriptors of files under the folder
} g;

bool Under(const char* path) {
  // No allocation here: operator new may be the call under test.
  if (!g.armed || path == nullptr) return false;
  return std::strncmp(path, g.plan.Folder.c_str(), g.plan.Folder.size()) == 0;
}

bool Tracked(int fd) { return g.armed && g.fds != nullptr && g.fds->count(fd) != 0; }

// True when this call of `kind` is to fail (errno set).
bool Fails(TCall kind) {
  if (!g.armed || g.plan.Call != kind) return false;
  ++g.calls;
  if (g.plan.FailAt > 0 && (g.calls == g.plan.FailAt || (g.plan.FailRest && g.calls > g.plan.FailAt))) {
    errno = g.plan.Errno;
    return true;
  }
  return false;
}

template <typename F>
F Real(const char* name) {
  static_assert(sizeof(F) == sizeof(void*));
  void* p = ::dlsym(RTLD_NEXT, name);
  if (p == nullptr) std::abort();
  F f;
  __builtin_memcpy(&f, &p, sizeof f);
  return f;
}

void Track(int fd) {
  if (fd < 0 || g.fds == nullptr) return;
  // The set's node must not be the allocation that fails.
  const bool wasArmed = g.armed;
  g.armed = false;
  g.fds->insert(fd);
  g.armed = wasArmed;
}

int OpenCommon(const char* name, const char* path, int flags, mode_t mode) {
  using F = int (*)(const char*, int, ...);
  static const F real = Real<F>(name);
  const bool under = Under(path);
  if (under && g.plan.NoTmpFile && (flags & O_TMPFILE) == O_TMPFILE) {
    errno = EOPNOTSUPP;
    return -1;
  }
  if (under && Fails(TCall::Open)) return -1;
  const int fd = real(path, flags, mode);
  if (under) Track(fd);
  return fd;
}

int MkstempCommon(const char* name, char* tmpl) {
  using F = int (*)(char*);
  static const F real = Real<F>(name);
  const bool under = Under(tmpl);
  if (under && Fails(TCall::Open)) return -1;
  const int fd = real(tmpl);
  if (under) Track(fd);
  return fd;
}

}  // namespace

const char* Name(TCall call) {
  switch (call) {
    case TCall::Open: return "open";
    case TCall::Write: return "write";
    case TCall::Sync: return "sync";
    case TCall::Rename: return "rename";
    case TCall::Close: return "close";
    case TCall::Alloc: return "alloc";
  }
  return "?";
}

void Arm(const TPlan& plan) {
  Disarm();
  g.fds = new std::set<int>;  // before arming: this allocation must not count
  g.plan = plan;
  g.calls = 0;
  g.armed = true;
}

void Disarm() {
  g.armed = false;
  delete g.fds;
  g.fds = nullptr;
}

int Calls() { return g.calls; }

}  // namespace vedograf::test::faults

using vedograf::test::faults::TCall;
namespace f = vedograf::test::faults;

extern "C" {

int open(const char* path, int flags, ...) {
  mode_t mode = 0;
  if (flags & (O_CREAT | O_TMPFILE)) {
    va_list ap;
    va_start(ap, flags);
    mode = static_cast<mode_t>(va_arg(ap, int));
    va_end(ap);
  }
  return f::OpenCommon("open", path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  mode_t mode = 0;
  if (flags & (O_CREAT | O_TMPFILE)) {
    va_list ap;
    va_start(ap, flags);
    mode = static_cast<mode_t>(va_arg(ap, int));
    va_end(ap);
  }
  return f::OpenCommon("open64", path, flags, mode);
}

int mkstemp(char* tmpl) { return f::MkstempCommon("mkstemp", tmpl); }
int mkstemp64(char* tmpl) { return f::MkstempCommon("mkstemp64", tmpl); }

ssize_t write(int fd, const void* buf, size_t n) {
  using F = ssize_t (*)(int, const void*, size_t);
  static const F real = f::Real<F>("write");
  if (f::Tracked(fd)) {
    if (f::Fails(TCall::Write)) return -1;
    if (f::g.plan.WriteChunk > 0 && n > f::g.plan.WriteChunk) n = f::g.plan.WriteChunk;
  }
  return real(fd, buf, n);
}

int fsync(int fd) {
  using F = int (*)(int);
  static const F real = f::Real<F>("fsync");
  if (f::Tracked(fd) && f::Fails(TCall::Sync)) return -1;
  return real(fd);
}

int fdatasync(int fd) {
  using F = int (*)(int);
  static const F real = f::Real<F>("fdatasync");
  if (f::Tracked(fd) && f::Fails(TCall::Sync)) return -1;
  return real(fd);
}

int close(int fd) {
  using F = int (*)(int);
  static const F real = f::Real<F>("close");
  if (f::Tracked(fd)) {
    f::g.fds->erase(fd);
    // As on Linux: the descriptor is gone even when close reports an error.
    if (f::Fails(TCall::Close)) {
      const int e = errno;
      real(fd);
      errno = e;
      return -1;
    }
  }
  return real(fd);
}

int rename(const char* from, const char* to) {
  using F = int (*)(const char*, const char*);
  static const F real = f::Real<F>("rename");
  if ((f::Under(from) || f::Under(to)) && f::Fails(TCall::Rename)) return -1;
  return real(from, to);
}

// Naming a finished file counts as a rename, whichever call does it.
int renameat(int fromDir, const char* from, int toDir, const char* to) {
  using F = int (*)(int, const char*, int, const char*);
  static const F real = f::Real<F>("renameat");
  if ((f::Under(from) || f::Under(to)) && f::Fails(TCall::Rename)) return -1;
  return real(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags) {
  using F = int (*)(int, const char*, int, const char*, unsigned int);
  static const F real = f::Real<F>("renameat2");
  if ((f::Under(from) || f::Under(to)) && f::g.plan.NoRenameFlags && flags != 0) {
    errno = EINVAL;
    return -1;
  }
  if ((f::Under(from) || f::Under(to)) && f::Fails(TCall::Rename)) return -1;
  return real(fromDir, from, toDir, to, flags);
}

int link(const char* from, const char* to) {
  using F = int (*)(const char*, const char*);
  static const F real = f::Real<F>("link");
  if ((f::Under(from) || f::Under(to)) && f::Fails(TCall::Rename)) return -1;
  return real(from, to);
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
  using F = int (*)(int, const char*, int, const char*, int);
  static const F real = f::Real<F>("linkat");
  if (f::Under(to) && f::Fails(TCall::Rename)) return -1;
  return real(fromDir, from, toDir, to, flags);
}

}  // extern "C"

// Allocation failures, counted only while an Alloc plan is armed.
void* operator new(std::size_t n) {
  if (f::g.armed && f::g.plan.Call == TCall::Alloc && f::Fails(TCall::Alloc)) throw std::bad_alloc();
  if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
  throw std::bad_alloc();
}
// The nothrow forms too (std::stable_sort asks for its buffer with them), so
// every allocation and release goes through the same malloc and free.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return ::operator new(n);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }

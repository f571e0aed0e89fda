#include "core/new_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>
#include <utility>

namespace vedograf {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Throw(int err, const std::string& what) {
  throw std::system_error(err, std::generic_category(), what);
}

// Filesystems and kernels without nameless files answer these.
bool NoTmpFile(int err) { return err == EOPNOTSUPP || err == EISDIR || err == EINVAL || err == ENOENT; }

void SyncFolder(const fs::path& folder) noexcept {
  // Best effort: the file itself is complete and synced already, and a failure
  // here must not turn a saved report into a reported failure.
  const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return;
  ::fsync(dfd);
  ::close(dfd);
}

}  // namespace

TNewFile::TNewFile(const fs::path& folder, std::string tempPrefix)
    : folder_(folder.empty() ? fs::path(".") : folder), prefix_(std::move(tempPrefix)) {
  fd_ = ::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
  if (fd_ >= 0) return;
  const int err = errno;
  if (!NoTmpFile(err) || !fs::is_directory(folder_)) Throw(err, "open");
  std::string tmpl = (folder_ / (prefix_ + "XXXXXX")).string();
  fd_ = ::mkstemp(tmpl.data());
  if (fd_ < 0) Throw(errno, "mkstemp");
  tempName_ = tmpl;
  // mkstemp makes the file private; a report is as readable as any file.
  ::fchmod(fd_, 0644);
}

TNewFile::~TNewFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!tempName_.empty() && !named_) ::unlink(tempName_.c_str());
}

void TNewFile::SyncBeforeNaming() {
  if (synced_) return;
  if (::fsync(fd_) != 0) Throw(errno, "fsync");
  if (!tempName_.empty()) {
    // A named file can be closed before it is renamed, and close is where
    // some filesystems report a failed write.
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Throw(errno, "close");
  }
  synced_ = true;
}

void TNewFile::Finish() noexcept {
  // Nothing here may fail or allocate: the file has its name already.
  named_ = true;
  if (fd_ >= 0) {
    // The bytes are synced and named: a late close error loses nothing.
    ::close(fd_);
    fd_ = -1;
  }
  SyncFolder(folder_);
}

bool TNewFile::LinkNameless(const fs::path& path) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  int rc = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW);
  if (rc != 0 && errno == ENOENT && ::access("/proc/self/fd", F_OK) != 0) {
    // No /proc: the descriptor itself (needs CAP_DAC_READ_SEARCH).
    rc = ::linkat(fd_, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH);
  }
  if (rc == 0) return true;
  if (errno == EEXIST) return false;
  Throw(errno, "linkat");
}

bool TNewFile::Publish(const fs::path& path) {
  if (named_) Throw(EALREADY, "publish");
  SyncBeforeNaming();
  if (tempName_.empty()) {
    if (!LinkNameless(path)) return false;
    Finish();
    return true;
  }
  if (::renameat2(AT_FDCWD, tempName_.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) {
    Finish();
    return true;
  }
  if (errno == EEXIST) return false;
  if (errno != EINVAL && errno != ENOSYS) Throw(errno, "renameat2");
  // No RENAME_NOREPLACE here: a hard link fails on an existing name as well.
  if (::link(tempName_.c_str(), path.c_str()) != 0) {
    if (errno == EEXIST) return false;
    Throw(errno, "link");
  }
  ::unlink(tempName_.c_str());
  Finish();
  return true;
}

void TNewFile::Replace(const fs::path& path) {
  if (named_) Throw(EALREADY, "replace");
  SyncBeforeNaming();
  if (tempName_.empty()) {
    // A nameless file cannot be linked over a name: link it under a fresh
    // hidden one first, then rename that over the target.
    for (int attempt = 0;; ++attempt) {
      fs::path temp = folder_ / (prefix_ + std::to_string(::getpid()) + "-" + std::to_string(attempt));
      if (LinkNameless(temp)) {
        // Without allocating: from here the hidden name must be removed on
        // any failure. No folder sync yet, so the hidden name lives for an
        // instant only.
        tempName_.swap(temp);
        break;
      }
      if (attempt > 1000) Throw(EEXIST, "linkat");
    }
  }
  if (::rename(tempName_.c_str(), path.c_str()) != 0) Throw(errno, "rename");
  Finish();
}

}  // namespace vedograf

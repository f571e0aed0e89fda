#pragma once
// A file that gets its name only once it is complete. Its bytes go to a
// nameless file in the target folder (O_TMPFILE), synced, then linked in
// under a name that must not exist yet, so an existing report is never
// replaced and a run killed half-way leaves nothing behind. Where the
// filesystem has no nameless files, a hidden temporary name is used and
// renamed with RENAME_NOREPLACE (or linked and unlinked where that is
// missing too); the temporary name is removed on every failure.

#include <filesystem>
#include <string>

namespace vedograf {

class TNewFile {
 public:
  // Throws std::system_error when no file can be made in `folder`.
  // Temporary names, where needed, begin with `tempPrefix` (hidden: a dot).
  explicit TNewFile(const std::filesystem::path& folder, std::string tempPrefix = ".~vedograf-");
  ~TNewFile();
  TNewFile(const TNewFile&) = delete;
  TNewFile& operator=(const TNewFile&) = delete;

  int Fd() const { return fd_; }

  // Syncs the bytes, then names the file `path` (in the folder given; the
  // folder is what gets synced) without
  // replacing anything: false when that name is taken (try another; the file
  // stays unnamed). Throws std::system_error on any other failure.
  bool Publish(const std::filesystem::path& path);
  // The same, but an existing `path` is replaced whole.
  void Replace(const std::filesystem::path& path);

 private:
  void SyncBeforeNaming();
  void Finish() noexcept;
  bool LinkNameless(const std::filesystem::path& path);

  std::filesystem::path folder_;
  std::string prefix_;
  std::filesystem::path tempName_;  // empty for a nameless file
  int fd_ = -1;
  bool synced_ = false;
  bool named_ = false;
};

}  // namespace vedograf

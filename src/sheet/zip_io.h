#pragma once
// The zip container of a workbook, over libzip: read every entry at once,
// write entries from memory or from a generator that produces the bytes
// while the archive is written.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vedograf {

// What an archive may hold before it is taken for a zip bomb or worse. A
// workbook of the largest report has a few dozen parts; its sheet data may
// run to hundreds of megabytes.
struct TZipLimits {
  std::uint64_t MaxEntries = 10000;
  std::uint64_t MaxEntrySize = std::uint64_t{512} << 20;
  std::uint64_t MaxTotalSize = std::uint64_t{1} << 30;
  // Inflated size over stored size, for entries larger than RatioFrom.
  std::uint64_t MaxRatio = 1000;
  std::uint64_t RatioFrom = std::uint64_t{1} << 20;
};

// Every entry of the archive by name. Throws TOleError(kErrFileOpen) when the
// file is missing, unreadable or no zip, when it breaks `limits`, or when an
// entry name is no plain relative path ("../", absolute, backslashes) or
// repeats another ignoring case.
std::map<std::string, std::string> ReadZip(const std::filesystem::path& path, const TZipLimits& limits = {});

// Produces an entry's bytes piece by piece; Read returns 0 at the end.
class IZipStream {
 public:
  virtual ~IZipStream() = default;
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
};

class TZipWriter {
 public:
  // Deflate level 1..9 (libzip's default when 0).
  void Add(std::string name, std::string data, int level = 6);
  void Add(std::string name, std::unique_ptr<IZipStream> stream, int level = 1);
  // Writes the archive to `path` (through a temporary file in the same folder,
  // so an existing file is replaced whole or not at all). Throws
  // TOleError(kErrFileSave) with libzip's reason.
  void Write(const std::filesystem::path& path);
  // Writes the archive to the open file `fd`; `shownAs` names it in messages.
  void WriteTo(int fd, const std::filesystem::path& shownAs);

 private:
  struct TEntry {
    std::string name;
    std::string data;
    std::unique_ptr<IZipStream> stream;
    int level;
  };
  std::vector<TEntry> entries_;
};

}  // namespace vedograf

#pragma once
// Helpers of the database tests: temporary folders, running the peer readers
// (mdb-export, mdb-reader) and a deterministic log to write and read back.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "log_file.h"

namespace vedograf::test {

// A fresh folder removed at destruction.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Runs a shell command; returns its standard output, nullopt when it fails.
std::optional<std::string> RunCommand(const std::string& command);

// Tab-separated lines into fields.
std::vector<std::vector<std::string>> SplitTsv(const std::string& text);

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// The real Access files beside the checkout.
std::string SamplesDir();

// `table` of `file` through mdb-reader (see peer_dump.mjs); nullopt when the
// peer is not installed or fails.
std::optional<std::string> PeerDump(const std::filesystem::path& file, const std::string& table,
                                    const std::string& password = "");

bool HaveMdbExport();
// The node_modules folder holding mdb-reader, or empty when the peer is absent.
std::string MdbReaderModules();

std::string ShellQuote(const std::string& s);

// A varied, reproducible log: several objects, Cyrillic and ASCII texts,
// NULLs, equal time stamps, out-of-order rows and, with `longTexts`, memo-size
// texts. Texts stay within 255 characters unless `longTexts`.
std::vector<jet::TLogRow> SampleLog(int rows, bool longTexts, std::uint32_t seed = 1);

// Writes `rows` and the names into a log file.
void WriteLog(const std::filesystem::path& path, const std::vector<jet::TLogRow>& rows,
              const std::vector<std::pair<std::int32_t, std::string>>& names, const jet::TLogFileOptions& options);

}  // namespace vedograf::test

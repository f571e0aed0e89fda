#include "db_test_util.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace vedograf::test {

TTempDir::TTempDir() {
  std::string tmpl = (std::filesystem::path(::testing::TempDir()) / "vedograf-db-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TTempDir::~TTempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::optional<std::string> RunCommand(const std::string& command) {
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return std::nullopt;
  std::string out;
  std::array<char, 65536> buf;
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  const int rc = ::pclose(p);
  if (rc != 0) return std::nullopt;
  return out;
}

std::vector<std::vector<std::string>> SplitTsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t nl = text.find('\n', from);
    if (nl == std::string::npos) nl = text.size();
    std::vector<std::string> fields;
    std::size_t f = from;
    while (true) {
      const std::size_t tab = text.find('\t', f);
      if (tab == std::string::npos || tab > nl) {
        fields.push_back(text.substr(f, nl - f));
        break;
      }
      fields.push_back(text.substr(f, tab - f));
      f = tab + 1;
    }
    rows.push_back(std::move(fields));
    from = nl + 1;
  }
  return rows;
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw std::runtime_error("cannot read " + path.string());
  std::vector<std::uint8_t> out;
  std::array<std::uint8_t, 65536> buf;
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0) out.insert(out.end(), buf.begin(), buf.begin() + n);
  std::fclose(f);
  return out;
}

void WriteBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path.string());
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::string SamplesDir() { return std::string(VEDOGRAF_SHARED_DIR) + "/samples/access"; }

std::optional<std::string> PeerDump(const std::filesystem::path& file, const std::string& table,
                                    const std::string& password) {
  const std::string modules = MdbReaderModules();
  if (modules.empty()) return std::nullopt;
  return RunCommand("node " + ShellQuote(std::string(VEDOGRAF_DB_TESTS_DIR) + "/peer_dump.mjs") + " " +
                    ShellQuote(modules) + " " + ShellQuote(file.string()) + " " + ShellQuote(table) + " " +
                    ShellQuote(password) + " 2>/dev/null");
}

bool HaveMdbExport() { return RunCommand("command -v mdb-export >/dev/null 2>&1").has_value(); }

std::string MdbReaderModules() {
  const std::string dir = std::string(VEDOGRAF_PEERS_DIR) + "/node_modules";
  if (!std::filesystem::exists(dir + "/mdb-reader/package.json")) return {};
  if (!RunCommand("command -v node >/dev/null 2>&1")) return {};
  return dir;
}

std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

std::vector<jet::TLogRow> SampleLog(int count, bool longTexts, std::uint32_t seed) {
  std::mt19937 rng(seed);
  static const char* const kTexts[] = {
      "$GPRMC Свежее 3D",      "Свежее 2D",  " PU Включение",      "(FLASH) архив",
      "Входы: 10101 12.5 3.25 0.75 LLS 1234 2345 3456", "нет навигации",
      "ascii only text",        "Ёлки-палки «кавычки» №5", "",
  };
  std::vector<jet::TLogRow> rows;
  rows.reserve(static_cast<std::size_t>(count));
  double t = 45000.25;
  for (int i = 0; i < count; ++i) {
    jet::TLogRow r;
    r.RecNo = i + 1;
    r.Mobile = static_cast<std::int32_t>(rng() % 7) - 1;  // -1..5, including 0
    r.Text = kTexts[rng() % (sizeof kTexts / sizeof kTexts[0])];
    if (rng() % 5 == 0) r.Text += " #" + std::to_string(rng() % 100000);
    if (longTexts && i % 97 == 3) {
      const std::size_t n = 200 + rng() % 7000;
      std::string s;
      while (s.size() < n) s += (i % 2) ? "Длинный текст " : "long text ";
      r.Text = s;
    }
    // Equal stamps now and then, and a few rows out of order.
    if (rng() % 4 != 0) t += (1 + rng() % 60) / 86400.0;
    r.Time = (rng() % 50 == 0) ? t - 0.01 : t;
    r.Flags = (rng() % 3 == 0) ? static_cast<std::int32_t>(rng() % 16) : 12;
    r.Lon = 37.0 + (rng() % 1000000) / 1e6;
    r.Lat = 55.0 + (rng() % 1000000) / 1e6;
    r.Speed = (rng() % 1300) / 10.0;
    r.Course = rng() % 360;
    if (rng() % 40 == 0) r.NullMask |= 1u << jet::kLogSpeed;
    if (rng() % 40 == 0) r.NullMask |= 1u << jet::kLogText;
    if (rng() % 60 == 0) r.NullMask |= 1u << jet::kLogLon | 1u << jet::kLogFlags;
    rows.push_back(std::move(r));
  }
  return rows;
}

void WriteLog(const std::filesystem::path& path, const std::vector<jet::TLogRow>& rows,
              const std::vector<std::pair<std::int32_t, std::string>>& names, const jet::TLogFileOptions& options) {
  jet::TLogFileWriter w(path, options);
  for (const auto& r : rows) w.AddLog(r);
  for (const auto& [n, name] : names) w.AddAddress(n, name);
  w.Finish();
}

}  // namespace vedograf::test

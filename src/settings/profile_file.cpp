#include "settings/profile_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "core/new_file.h"
#include "core/text_encoding.h"

namespace vedograf {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// The section name of a header line, or nullopt for any other line.
std::optional<std::string_view> HeaderName(std::string_view line) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() != '[') return std::nullopt;
  const std::size_t close = t.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

bool IsKeyLine(std::string_view line) {
  const std::string_view t = Trim(line);
  return !t.empty() && t.front() != ';' && t.front() != '#';
}

std::string_view KeyOf(std::string_view line) {
  const std::size_t eq = line.find('=');
  return Trim(eq == std::string_view::npos ? line : line.substr(0, eq));
}

// What Read looks up: a key line with a value.
bool HasValue(std::string_view line) { return IsKeyLine(line) && line.find('=') != std::string_view::npos; }

std::string ValueOf(std::string_view line) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return {};
  std::string_view v = Trim(line.substr(eq + 1));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  return std::string(v);
}

// `key=value` with the value encoded as Write describes.
std::string KeyLine(std::string_view key, std::string_view value) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  const bool edgeBlank = !value.empty() && (blank(value.front()) || blank(value.back()));
  const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
  const bool enclose = edgeBlank || quoted;
  std::string line;
  line.reserve(key.size() + 1 + value.size() + (enclose ? 2 : 0));
  line.append(key);
  line += '=';
  if (enclose) line += '"';
  const std::size_t from = line.size();
  line.append(value);
  for (std::size_t i = from; i < line.size(); ++i) {
    if (line[i] == '\r' || line[i] == '\n') line[i] = ' ';
  }
  if (enclose) line += '"';
  return line;
}

bool Fail(std::string* error, const std::string& what) {
  if (error != nullptr) *error = what + ": " + std::strerror(errno);
  return false;
}

bool WriteAll(int fd, const std::string& text) {
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// The file a chain of symbolic links ends at (the path itself when it is no
// link), so that a save replaces that file and the links stay links. A
// missing final target is fine: the save makes it.
std::filesystem::path FollowLinks(std::filesystem::path p) {
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(p, ec))) return p;
    const std::filesystem::path target = std::filesystem::read_symlink(p, ec);
    if (ec) return p;
    p = target.is_absolute() ? target : p.parent_path() / target;
  }
  return p;
}

}  // namespace

std::size_t TProfile::TNameHash::operator()(std::string_view name) const noexcept {
  std::size_t h = 14695981039346656037ull;  // FNV-1a over the folded bytes
  for (char c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  }
  return h;
}

bool TProfile::TNameEqual::operator()(std::string_view a, std::string_view b) const noexcept { return SameName(a, b); }

bool TProfile::Load(const std::filesystem::path& file) {
  sections_.clear();
  sections_.push_back({});
  found_ = 0;
  std::error_code ec;
  const auto status = std::filesystem::status(file, ec);
  if (status.type() == std::filesystem::file_type::not_found) return true;
  if (ec || !std::filesystem::is_regular_file(status)) return false;
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  // Read in pieces up to one byte past the bound, which tells a file that is
  // too large, also one that grows while it is read.
  std::string raw;
  char piece[65536];
  while (raw.size() <= kMaxFileBytes && in.read(piece, sizeof piece).gcount() > 0) {
    raw.append(piece, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad() || raw.size() > kMaxFileBytes) return false;
  const std::size_t breaks = static_cast<std::size_t>(std::count(raw.begin(), raw.end(), '\n'));
  if (breaks + (!raw.empty() && raw.back() != '\n') > kMaxFileLines) return false;
  if (raw.size() >= 3 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) raw.erase(0, 3);
  Parse(ToUtf8FromWindows(raw));
  return true;
}

void TProfile::Parse(std::string_view text) {
  sections_.clear();
  sections_.push_back({});
  found_ = 0;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find('\n', from);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(from, end - from);
    // Every CR before the LF: a CR LF file that went through one more LF to
    // CR LF conversion ends its lines in CR CR LF, and a CR kept in a value
    // would make every number of the file unreadable.
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (const auto name = HeaderName(line)) {
      sections_.push_back({std::string(*name), {}, {}, false});
    } else {
      sections_.back().Lines.emplace_back(line);
    }
    from = end + 1;
  }
}

TProfile::TSection* TProfile::Find(std::string_view section) {
  if (found_ > 0 && found_ < sections_.size() && SameName(sections_[found_].Name, section)) return &sections_[found_];
  for (std::size_t i = 1; i < sections_.size(); ++i) {
    if (SameName(sections_[i].Name, section)) {
      found_ = i;
      return &sections_[i];
    }
  }
  return nullptr;
}

const TProfile::TSection* TProfile::Find(std::string_view section) const {
  return const_cast<TProfile*>(this)->Find(section);
}

std::optional<std::size_t> TProfile::FindKey(const TSection& s, std::string_view key) {
  if (!s.Indexed) {
    s.Keys.clear();
    for (std::size_t i = 0; i < s.Lines.size(); ++i) {
      if (HasValue(s.Lines[i])) s.Keys.emplace(KeyOf(s.Lines[i]), i);  // the first one stays
    }
    s.Indexed = true;
  }
  const auto it = s.Keys.find(key);
  if (it == s.Keys.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> TProfile::Read(std::string_view section, std::string_view key) const {
  const TSection* s = Find(section);
  if (s == nullptr) return std::nullopt;
  const auto at = FindKey(*s, key);
  if (!at) return std::nullopt;
  return ValueOf(s->Lines[*at]);
}

std::vector<TProfile::TEntry> TProfile::SectionEntries(std::string_view section) const {
  std::vector<TEntry> out;
  const TSection* s = Find(section);
  if (s == nullptr) return out;
  for (const std::string& line : s->Lines) {
    if (IsKeyLine(line)) out.push_back({std::string(KeyOf(line)), ValueOf(line)});
  }
  return out;
}

void TProfile::Write(std::string_view section, std::string_view key, std::string_view value) {
  Put(section, key, value, true);
}

void TProfile::Append(std::string_view section, std::string_view key, std::string_view value) {
  Put(section, key, value, false);
}

void TProfile::Put(std::string_view section, std::string_view key, std::string_view value, bool replace) {
  if (sections_.empty()) sections_.push_back({});
  std::string line = KeyLine(key, value);
  TSection* s = Find(section);
  if (s == nullptr) {
    // A blank line before a new section, as the profile functions leave it.
    TSection& last = sections_.back();
    if (!(sections_.size() == 1 && last.Lines.empty()) && (last.Lines.empty() || !Trim(last.Lines.back()).empty())) {
      last.Lines.emplace_back();
    }
    sections_.push_back({std::string(section), {std::move(line)}, {}, false});
    return;
  }
  if (replace) {
    if (const auto i = FindKey(*s, key)) {
      // A key with blanks at its ends or an '=' of its own reads back as
      // another key: the index no longer holds.
      if (!HasValue(line) || !SameName(KeyOf(line), key)) s->Indexed = false;
      s->Lines[*i] = std::move(line);
      return;
    }
  }
  // After the section's last key line, so blank lines between sections stay
  // between them; only blank lines move, and those are in no index.
  std::size_t at = s->Lines.size();
  while (at > 0 && Trim(s->Lines[at - 1]).empty()) --at;
  // Unindexed until both the line and its key are in: running out of memory
  // half-way leaves an index that is rebuilt, never a stale one.
  const bool indexed = s->Indexed;
  s->Indexed = false;
  s->Lines.insert(s->Lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
  if (indexed && HasValue(s->Lines[at])) s->Keys.emplace(KeyOf(s->Lines[at]), at);
  s->Indexed = indexed;
}

void TProfile::EraseSection(std::string_view section) {
  found_ = 0;
  for (std::size_t i = 1; i < sections_.size();) {
    if (SameName(sections_[i].Name, section)) {
      sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
}

std::string TProfile::Text() const {
  std::string out;
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    if (i > 0) out += "[" + sections_[i].Name + "]\n";
    for (const std::string& l : sections_[i].Lines) {
      out += l;
      out += '\n';
    }
  }
  return out;
}

bool TProfile::Save(const std::filesystem::path& path, std::string* error) const {
  const std::string text = Text();
  const std::filesystem::path file = FollowLinks(path);
  const std::filesystem::path dir = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");

  // A read-only settings file stays as it is, as the profile functions of
  // the original platform would leave it (rename alone would replace it).
  mode_t mode = 0644;
  struct stat st {};
  if (::stat(file.c_str(), &st) == 0) {
    if (::access(file.c_str(), W_OK) != 0) return Fail(error, file.string());
    mode = st.st_mode & 07777;
  }

  // Written in full to a nameless file, then given a hidden name and renamed
  // over the old one. A run killed between those two steps leaves the
  // hidden name, which the next save clears away.
  const std::string prefix = "." + file.filename().string() + ".~";
  // (POSIX calls: the error-code forms of std::filesystem are noexcept and
  // end the program when they run out of memory.)
  if (DIR* d = ::opendir(dir.c_str())) {
    while (const dirent* e = ::readdir(d)) {
      if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0) ::unlinkat(::dirfd(d), e->d_name, 0);
    }
    ::closedir(d);
  }
  try {
    TNewFile out(dir, prefix);
    if (!WriteAll(out.Fd(), text) || ::fchmod(out.Fd(), mode) != 0) return Fail(error, file.string());
    out.Replace(file);
  } catch (const std::system_error& e) {
    errno = e.code().value();
    return Fail(error, file.string());
  }
  return true;
}

}  // namespace vedograf

#pragma once
// A profile (INI) file held in memory: sections in square brackets, "key=value"
// lines. Section and key names match without regard to ASCII case, values
// lose the blanks around them (and one pair of enclosing quotes), and lines
// the program does not know - comments, foreign keys and sections - are kept
// as they were, so a rewrite changes only what was written.
//
// Saving never leaves a half-written file: the text goes to a temporary file
// beside the target, is flushed to the disk and renamed over it.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vedograf {

class TProfile {
 public:
  // One line of a section as the section listing gives it.
  struct TEntry {
    std::string Key;    // the text before the first '=', trimmed; the whole line when it has none
    std::string Value;  // unquoted as Read gives it
  };

  // Replaces the contents by the file's. The text is taken as UTF-8 when it
  // is valid UTF-8 (a byte-order mark is dropped), else as Windows-1251. A
  // missing file gives an empty profile and true; a file that exists but
  // cannot be read, or is beyond kMaxFileBytes or kMaxFileLines, gives false
  // and leaves the profile empty.
  bool Load(const std::filesystem::path& file);
  // Far beyond a settings file with every area and object of an installation
  // selected. Each line is held on its own, so a file of short lines takes
  // many times its size in memory: the lines are bounded as well.
  static constexpr std::size_t kMaxFileBytes = std::size_t{16} << 20;
  static constexpr std::size_t kMaxFileLines = 1000000;
  // Replaces the contents by `text` (already UTF-8). Lines end at LF, and
  // CRs before the LF belong to the line end.
  void Parse(std::string_view text);

  // The value of the first line of `section` whose key is `key`; nullopt when
  // the section or the key is missing.
  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
  // The key lines of `section` in file order (blank and comment lines left
  // out); empty when there is no such section.
  std::vector<TEntry> SectionEntries(std::string_view section) const;

  // Sets the key's value in place; a new key is appended at the end of its
  // section, a new section at the end of the file. Line breaks inside the
  // value become blanks (they would split the line); a value that would lose
  // blanks or quotes at its ends is written in quotes.
  void Write(std::string_view section, std::string_view key, std::string_view value);
  // Write for a key the section does not hold (a section just erased being
  // refilled): no walk over its lines, so refilling stays linear.
  void Append(std::string_view section, std::string_view key, std::string_view value);
  // Removes the section with all its lines; nothing when there is none.
  void EraseSection(std::string_view section);

  // The file text, UTF-8, LF line ends.
  std::string Text() const;

  // Writes Text() to `file` through a temporary file in the same folder,
  // fsync and rename, so the previous file stays whole when anything fails.
  // An existing file keeps its permission bits; a symbolic link stays one,
  // the file it names is replaced. Returns false (with a reason
  // in `error` when given) on any failure, the old file untouched.
  bool Save(const std::filesystem::path& file, std::string* error = nullptr) const;

 private:
  // Names compared without regard to ASCII case, looked up as they are
  // given: a lookup makes no folded copy of its key.
  struct TNameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const noexcept;
  };
  struct TNameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept;
  };
  struct TSection {
    std::string Name;                // as written, without brackets; empty for the lines before the first
    std::vector<std::string> Lines;  // the lines after the header
    // The first key line of each key: saving writes hundreds of keys, and a
    // walk over the lines for each made that quadratic. Built on the first
    // lookup, dropped when a line changes key.
    mutable std::unordered_map<std::string, std::size_t, TNameHash, TNameEqual> Keys;
    mutable bool Indexed = false;
  };
  // Index in s.Lines of the first key line of `key`, or nullopt.
  static std::optional<std::size_t> FindKey(const TSection& s, std::string_view key);
  void Put(std::string_view section, std::string_view key, std::string_view value, bool replace);
  TSection* Find(std::string_view section);
  const TSection* Find(std::string_view section) const;

  std::vector<TSection> sections_;  // sections_[0] holds the lines before the first header
  // The section the last lookup found, tried first: a save or a read names
  // the same section for nearly every key. Sections are only ever appended
  // between a Parse and an erase, so it stays the first of its name.
  mutable std::size_t found_ = 0;
};

}  // namespace vedograf

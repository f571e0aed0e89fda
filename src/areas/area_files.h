#pragma once
// Readers of the two control-area file formats: ".mrk" of the dispatch
// software (named points, grouped into areas by the end of the name) and
// ".obj" of the map monitor (one area per TAB-separated line).
//
// Both are 8-bit text files from Windows installations. A file is taken as
// UTF-8 when the whole of it is valid UTF-8 (a leading byte-order mark is
// skipped), else as Windows-1251; names arrive as UTF-8 either way. Lines end
// at LF or CR LF. The line limits count characters of the file: bytes of a
// Windows-1251 file, characters (not bytes) of a UTF-8 file, so a piece never
// splits a character. A longer line is read in pieces, each taken as a line
// of its own, and a line's text ends at a NUL byte. Only regular files are
// read, so a directory or a device gives the open error rather than a hang.

#include <cstddef>
#include <string>
#include <vector>

namespace vedograf {

class IUserServices;
class TControlPointList;

inline constexpr std::size_t kMrkLineChars = 511;    // line feed included
inline constexpr std::size_t kObjLineChars = 29999;  // line feed included

// How much of a file the readers take in before they give up with the memory
// message: list slots (points of a .mrk, lines that made an area of an .obj,
// dropped ones included) and the bytes of names and polygon vertices. Real
// files hold hundreds or thousands of areas; these bounds keep a list that
// every report position is matched against to about 150 MB, and refuse a
// runaway file while it is read rather than after it filled the memory.
inline constexpr std::size_t kAreaFileSlots = 500000;
inline constexpr std::size_t kAreaFileBytes = std::size_t{64} << 20;

// The ".mrk" reader. A file that cannot be opened or read shows "Ошибка
// открытия файла" and returns 1 with `list` unchanged. Otherwise the list is
// replaced by the file's points, built into areas by BuildAreas (its
// questions go to `services`); returns 0, or BuildAreas's non-zero status
// with `list` left empty (2, out of memory or a file beyond the bounds above,
// also shows "Недостаточно памяти для открытия\r\nфайла с контрольными
// районами"; nothing is asked about such a file).
int OpenKLVCPoints(const std::string& fileName, IUserServices& services, TControlPointList& list);

// The ".obj" reader: open failure as above (1, list unchanged); else the list
// is replaced by the file's well-formed lines, arranged, and 0 is returned.
// Malformed lines are skipped silently. Out of memory, or a file beyond the
// bounds above, shows the memory message and returns 2 with `list` empty.
int OpenZNTCPoints(const std::string& fileName, IUserServices& services, TControlPointList& list);

// Reads `fileName` with the reader its extension names: exactly ".mrk" or
// ".obj" (case matters; the extension runs from the last '.' of the last path
// component). Returns true when a reader ran, whatever it made of the file;
// the caller then refills its list box from `list` (AreaNames). Any other
// extension returns false with `list` unchanged, after showing "Файл " +
// fileName + "\r\n не является файлом с контрольными районами" when
// `showError` is set.
bool OpenCPoints(const std::string& fileName, bool showError, IUserServices& services, TControlPointList& list);

// The names of the list's areas in list order (empty slots skipped; an
// arranged list has none), i.e. the lines of the area list box.
std::vector<std::string> AreaNames(const TControlPointList& list);

}  // namespace vedograf

#include "areas/area_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <string_view>

#include "areas/control_point.h"
#include "areas/number_scan.h"
#include "core/text_encoding.h"
#include "core/units.h"
#include "core/user_services.h"

namespace vedograf {

namespace {

constexpr const char* kOpenErrorText = "Ошибка открытия файла";
constexpr const char* kNoMemoryText = "Недостаточно памяти для открытия\r\nфайла с контрольными районами";
constexpr int kStatusNotOpened = 1;
constexpr int kStatusNoMemory = 2;

// An area file read line by line with a line limit, as the Windows programs
// that write these files read them back (text mode: CR LF is one line feed).
class TAreaTextFile {
 public:
  TAreaTextFile() = default;
  TAreaTextFile(const TAreaTextFile&) = delete;
  TAreaTextFile& operator=(const TAreaTextFile&) = delete;
  ~TAreaTextFile() {
    if (fd_ >= 0) ::close(fd_);
  }

  // Opens a regular file and settles its encoding; false when it cannot be
  // opened or read. Nothing is decided about the caller's list before this.
  bool Open(const std::string& fileName, std::size_t lineChars) {
    lineChars_ = lineChars;
    // Non-blocking so that a FIFO cannot hang the open; it is refused below.
    do {
      fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);

    // The encoding is one for the whole file: a Windows-1251 line that happens
    // to look like UTF-8 must not be read differently from its neighbours.
    TUtf8Validator validator;
    bool first = true;
    bool bom = false;
    for (;;) {
      if (!Fill()) return false;
      if (end_ == 0) break;
      const std::string_view chunk(buffer_, end_);
      if (first && chunk.size() >= 3 && chunk.substr(0, 3) == "\xEF\xBB\xBF") bom = true;
      first = false;
      if (!validator.Feed(chunk)) break;
    }
    utf8_ = validator.Finish();
    if (::lseek(fd_, 0, SEEK_SET) != 0) return false;
    begin_ = end_ = 0;
    eof_ = false;
    if (utf8_ && bom) {
      for (int i = 0; i < 3; ++i) Get();
    }
    return true;
  }

  // The next piece of at most lineChars characters, ending after its line
  // feed if one fits, as UTF-8 and cut at a NUL; false at the end of the file.
  bool Next(std::string& text) {
    raw_.clear();
    std::size_t chars = 0;
    for (;;) {
      const int c = Peek();
      if (c < 0) break;
      const auto b = static_cast<unsigned char>(c);
      // A continuation byte is the rest of the character just taken. Only a
      // file that changed since it was validated has more than three in a
      // row; the piece then ends rather than grow without bound.
      if (utf8_ && b >= 0x80 && b <= 0xBF && raw_.size() < 4 * lineChars_) {
        raw_.push_back(static_cast<char>(b));
        Get();
        continue;
      }
      if (chars == lineChars_) break;
      Get();
      char ch = static_cast<char>(b);
      if (ch == '\r' && Peek() == '\n') {
        Get();
        ch = '\n';
      }
      raw_.push_back(ch);
      ++chars;
      if (ch == '\n') break;
    }
    if (raw_.empty()) return false;
    std::string_view piece(raw_);
    if (const std::size_t nul = piece.find('\0'); nul != std::string_view::npos) piece = piece.substr(0, nul);
    // A valid file stays valid piece by piece; the check covers a file that
    // changed since it was opened.
    text = utf8_ ? ToUtf8FromWindows(piece) : Cp1251ToUtf8(piece);
    return true;
  }

 private:
  // Refills the buffer; false on a read error. end_ == 0 at the end of file.
  bool Fill() {
    begin_ = 0;
    end_ = 0;
    for (;;) {
      const ssize_t n = ::read(fd_, buffer_, sizeof buffer_);
      if (n >= 0) {
        end_ = static_cast<std::size_t>(n);
        return true;
      }
      if (errno != EINTR) return false;
    }
  }

  int Peek() {
    if (begin_ == end_) {
      if (eof_) return -1;
      // A read error half-way is taken as the end of the file.
      if (!Fill() || end_ == 0) {
        eof_ = true;
        return -1;
      }
    }
    return static_cast<unsigned char>(buffer_[begin_]);
  }

  void Get() {
    if (Peek() >= 0) ++begin_;
  }

  int fd_ = -1;
  std::size_t lineChars_ = 0;
  bool utf8_ = false;
  bool eof_ = false;
  char buffer_[65536];
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  std::string raw_;
};

// What the areas read so far hold, against kAreaFileSlots and kAreaFileBytes.
class TAreaBudget {
 public:
  // False once the list or the bytes taken are beyond the bounds.
  bool Take(const TControlPointList& list, std::size_t bytes) {
    bytes_ += bytes;
    return list.Count() <= kAreaFileSlots && bytes_ <= kAreaFileBytes;
  }

 private:
  std::size_t bytes_ = 0;
};

// "%lf%*c%lf": a longitude, exactly one character of any kind, a latitude.
bool ScanLonLat(std::string_view text, std::size_t pos, double& lon, double& lat) {
  if (!ScanDouble(text, pos, lon)) return false;
  if (pos >= text.size()) return false;
  ++pos;
  return ScanDouble(text, pos, lat);
}

// One line of a .mrk file: "%*d%lf%lf" from its start, the name after the
// first ':'. False for a line that names no point.
bool ParseMrkLine(std::string_view line, double& lat, double& lon, std::string_view& name) {
  std::size_t pos = 0;
  int skipped = 0;
  if (!ScanInt(line, pos, skipped) || !ScanDouble(line, pos, lat) || !ScanDouble(line, pos, lon)) return false;
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return false;
  name = line.substr(colon + 1);
  if (!name.empty() && name.back() == '\n') name.remove_suffix(1);
  return true;
}

// One line of an .obj file appended to `list` as an area, if well formed.
// Returns the bytes of name and vertices the list gained.
std::size_t AddObjLine(std::string& line, TControlPointList& list) {
  std::size_t tabs[4];
  std::size_t from = 0;
  for (std::size_t& t : tabs) {
    t = line.find('\t', from);
    if (t == std::string::npos) return 0;
    from = t + 1;
  }
  const std::string_view text(line);
  const std::string_view tag = text.substr(tabs[1] + 1, tabs[2] - tabs[1] - 1);
  const std::string_view kind = text.substr(tabs[2] + 1, tabs[3] - tabs[2] - 1);
  int number = 0;
  std::size_t pos = 1;
  if (tag.empty() || !ScanInt(tag, pos, number)) return 0;
  pos = 1;
  if (kind.empty() || !ScanInt(kind, pos, number)) return 0;
  const bool polygon = kind[0] == 'P' || kind[0] == 'p';
  const bool circle = kind[0] == 'R' || kind[0] == 'r';
  if (polygon ? (number < 3 || number > 1000) : circle ? (number < 1 || number > 1000000) : true) return 0;

  // Both decimal marks are accepted in the coordinates.
  for (std::size_t i = tabs[3] + 1; i < line.size(); ++i) {
    if (line[i] == ',') line[i] = '.';
  }
  const std::string_view coords = text.substr(tabs[3] + 1);
  double lon = 0.0, lat = 0.0;
  // Without a readable reference point there is nothing to place the area by.
  if (!ScanLonLat(coords, 0, lon, lat)) return 0;
  std::string name(text.substr(0, tabs[0]));
  TControlPoint* area = list.AddPoint(lat, lon, std::move(name));
  const std::size_t nameBytes = area->Name.size();
  if (circle) {
    area->Radius = number;
    return nameBytes;
  }
  area->Points.reserve(2);
  for (std::size_t semi = coords.find(';'); semi != std::string_view::npos; semi = coords.find(';', semi + 1)) {
    if (!ScanLonLat(coords, semi + 1, lon, lat)) continue;
    area->Points.push_back(area->ToLocal(lat * kDegToRad, lon * kDegToRad));
    if (area->Points.size() >= static_cast<std::size_t>(number)) break;  // already one too many
  }
  if (1 + area->Points.size() != static_cast<std::size_t>(number)) {
    list.Delete(list.Count() - 1);
    return 0;
  }
  return nameBytes + area->Points.capacity() * sizeof(area->Points[0]);
}

std::string_view Extension(const std::string& fileName) {
  const std::size_t slash = fileName.rfind('/');
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return std::string_view(fileName).substr(dot);
}

}  // namespace

int OpenKLVCPoints(const std::string& fileName, IUserServices& services, TControlPointList& list) {
  int status = 0;
  try {
    TAreaTextFile file;
    if (!file.Open(fileName, kMrkLineChars)) {
      services.ShowError(kOpenErrorText);
      return kStatusNotOpened;
    }
    list.Clear();
    std::string line;
    TAreaBudget budget;
    while (status == 0 && file.Next(line)) {
      double lat = 0.0, lon = 0.0;
      std::string_view name;
      if (!ParseMrkLine(line, lat, lon, name)) continue;
      list.AddPoint(lat, lon, std::string(name));
      if (!budget.Take(list, name.size())) status = kStatusNoMemory;
    }
    std::string errorName;
    if (status == 0) status = list.BuildAreas(services, errorName);
  } catch (const std::bad_alloc&) {
    status = kStatusNoMemory;
  }
  if (status != 0) list.Clear();
  if (status == kStatusNoMemory) services.ShowError(kNoMemoryText);
  return status;
}

int OpenZNTCPoints(const std::string& fileName, IUserServices& services, TControlPointList& list) {
  try {
    TAreaTextFile file;
    if (!file.Open(fileName, kObjLineChars)) {
      services.ShowError(kOpenErrorText);
      return kStatusNotOpened;
    }
    list.Clear();
    std::string line;
    TAreaBudget budget;
    while (file.Next(line)) {
      // Beyond the bounds is the memory running out, only earlier.
      if (!budget.Take(list, AddObjLine(line, list))) throw std::bad_alloc();
    }
    list.Arrange();
    return 0;
  } catch (const std::bad_alloc&) {
    list.Clear();
    services.ShowError(kNoMemoryText);
    return kStatusNoMemory;
  }
}

bool OpenCPoints(const std::string& fileName, bool showError, IUserServices& services, TControlPointList& list) {
  const std::string_view ext = Extension(fileName);
  if (ext == ".mrk") {
    OpenKLVCPoints(fileName, services, list);
    return true;
  }
  if (ext == ".obj") {
    OpenZNTCPoints(fileName, services, list);
    return true;
  }
  if (showError) services.ShowError("Файл " + fileName + "\r\n не является файлом с контрольными районами");
  return false;
}

std::vector<std::string> AreaNames(const TControlPointList& list) {
  std::vector<std::string> names;
  names.reserve(list.Count());
  for (std::size_t i = 0; i < list.Count(); ++i) {
    if (const TControlPoint* area = list.Items(i)) names.push_back(area->Name);
  }
  return names;
}

}  // namespace vedograf

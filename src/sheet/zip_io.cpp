#include "sheet/zip_io.h"

#include <zip.h>

#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/errors.h"
#include "core/new_file.h"
#include "sheet/workbook.h"
#include "sheet/xml_util.h"

namespace vedograf {

namespace {

struct TZipCloser {
  void operator()(zip_t* z) const {
    if (z != nullptr) zip_discard(z);
  }
};
using TZipPtr = std::unique_ptr<zip_t, TZipCloser>;

std::string ZipErrorText(int code) {
  zip_error_t err;
  zip_error_init_with_code(&err, code);
  std::string text = zip_error_strerror(&err);
  zip_error_fini(&err);
  return text;
}

// State of one generated entry while libzip pulls it.
struct TStreamSource {
  IZipStream* stream;
  zip_error_t error;
};

zip_int64_t StreamCallback(void* user, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
  auto* src = static_cast<TStreamSource*>(user);
  switch (cmd) {
    case ZIP_SOURCE_OPEN:
    case ZIP_SOURCE_CLOSE:
      return 0;
    case ZIP_SOURCE_READ:
      try {
        return static_cast<zip_int64_t>(src->stream->Read(static_cast<char*>(data), static_cast<std::size_t>(len)));
      } catch (...) {
        zip_error_set(&src->error, ZIP_ER_INTERNAL, 0);
        return -1;
      }
    case ZIP_SOURCE_STAT: {
      auto* st = static_cast<zip_stat_t*>(data);
      zip_stat_init(st);
      st->mtime = time(nullptr);
      st->valid |= ZIP_STAT_MTIME;
      return sizeof(*st);
    }
    case ZIP_SOURCE_ERROR:
      return zip_error_to_data(&src->error, data, len);
    case ZIP_SOURCE_FREE:
      zip_error_fini(&src->error);
      delete src;
      return 0;
    case ZIP_SOURCE_SUPPORTS:
      return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                            ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
      zip_error_set(&src->error, ZIP_ER_OPNOTSUPP, 0);
      return -1;
  }
}

}  // namespace

namespace {

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace

std::map<std::string, std::string> ReadZip(const std::filesystem::path& path, const TZipLimits& limits) {
  int code = 0;
  TZipPtr z(zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
  if (!z) throw TOleError(kErrFileOpen, "Не удается открыть файл " + path.string() + ": " + ZipErrorText(code));
  const std::string damaged = "Поврежден файл " + path.string();
  std::map<std::string, std::string> out;
  std::set<std::string> folded;  // part names compare without regard to case
  const zip_int64_t n = zip_get_num_entries(z.get(), 0);
  if (n < 0 || static_cast<std::uint64_t>(n) > limits.MaxEntries) {
    throw TOleError(kErrFileOpen, damaged + ": слишком много элементов (" + std::to_string(n) + ")");
  }
  std::uint64_t total = 0;
  for (zip_int64_t i = 0; i < n; ++i) {
    zip_stat_t st;
    if (zip_stat_index(z.get(), static_cast<zip_uint64_t>(i), 0, &st) != 0 || (st.valid & ZIP_STAT_NAME) == 0) {
      throw TOleError(kErrFileOpen, damaged);
    }
    std::string name = st.name;
    if (!name.empty() && name.back() == '/') {  // a folder entry
      if (!xml::IsPartName(std::string_view(name).substr(0, name.size() - 1))) {
        throw TOleError(kErrFileOpen, damaged + ": недопустимое имя элемента " + name);
      }
      continue;
    }
    if (!xml::IsPartName(name)) throw TOleError(kErrFileOpen, damaged + ": недопустимое имя элемента " + name);
    if (!folded.insert(AsciiLower(name)).second) {
      throw TOleError(kErrFileOpen, damaged + ": элемент " + name + " повторяется");
    }
    // The sizes the archive states are checked first and the bytes actually
    // inflated again while reading: neither is trusted alone.
    const bool sized = (st.valid & ZIP_STAT_SIZE) != 0;
    const std::uint64_t stated = sized ? st.size : limits.MaxEntrySize;
    const std::uint64_t packed = (st.valid & ZIP_STAT_COMP_SIZE) != 0 ? st.comp_size : 0;
    auto tooBig = [&](std::uint64_t size) {
      return size > limits.MaxEntrySize || total + size > limits.MaxTotalSize ||
             (size > limits.RatioFrom && size / std::max<std::uint64_t>(packed, 1) > limits.MaxRatio);
    };
    if (sized && tooBig(stated)) throw TOleError(kErrFileOpen, damaged + ": слишком большой элемент " + name);
    zip_file_t* f = zip_fopen_index(z.get(), static_cast<zip_uint64_t>(i), 0);
    if (f == nullptr) throw TOleError(kErrFileOpen, damaged + ": " + name);
    std::string data;
    data.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(stated, 1u << 24)));
    char buf[65536];
    for (;;) {
      const zip_int64_t got = zip_fread(f, buf, sizeof buf);
      if (got < 0) {
        zip_fclose(f);
        throw TOleError(kErrFileOpen, damaged + ": " + name);
      }
      if (got == 0) break;
      data.append(buf, static_cast<std::size_t>(got));
      if (data.size() > stated || tooBig(data.size())) {
        zip_fclose(f);
        throw TOleError(kErrFileOpen, damaged + ": слишком большой элемент " + name);
      }
    }
    zip_fclose(f);
    total += data.size();
    out[name] = std::move(data);
  }
  return out;
}

void TZipWriter::Add(std::string name, std::string data, int level) {
  entries_.push_back({std::move(name), std::move(data), nullptr, level});
}

void TZipWriter::Add(std::string name, std::unique_ptr<IZipStream> stream, int level) {
  entries_.push_back({std::move(name), {}, std::move(stream), level});
}

void TZipWriter::Write(const std::filesystem::path& path) {
  auto fail = [&](const std::string& why) {
    throw TOleError(kErrFileSave, "Не удается сохранить файл " + path.string() + ": " + why);
  };
  try {
    TNewFile file(path.parent_path());
    WriteTo(file.Fd(), path);
    file.Replace(path);
  } catch (const std::system_error& e) {
    fail(e.code().message());
  }
}

void TZipWriter::WriteTo(int fd, const std::filesystem::path& shownAs) {
  auto fail = [&](const std::string& why) {
    throw TOleError(kErrFileSave, "Не удается сохранить файл " + shownAs.string() + ": " + why);
  };
  // libzip writes a named file through a temporary name of its own; the
  // archive is made in memory instead and the caller decides where it goes.
  zip_error_t err;
  zip_error_init(&err);
  zip_source_t* archive = zip_source_buffer_create(nullptr, 0, 0, &err);
  if (archive == nullptr) {
    zip_error_fini(&err);
    fail("zip_source_buffer_create");
  }
  TZipPtr z(zip_open_from_source(archive, ZIP_TRUNCATE, &err));
  if (!z) {
    zip_source_free(archive);
    const std::string why = zip_error_strerror(&err);
    zip_error_fini(&err);
    fail(why);
  }
  zip_error_fini(&err);
  struct TSourceRelease {
    zip_source_t* s;
    ~TSourceRelease() { zip_source_free(s); }
  } keep{archive};
  zip_source_keep(archive);  // outlives the archive, which writes into it
  for (TEntry& e : entries_) {
    zip_source_t* src = nullptr;
    if (e.stream) {
      auto* state = new TStreamSource{e.stream.get(), {}};
      zip_error_init(&state->error);
      zip_error_t err;
      zip_error_init(&err);
      src = zip_source_function_create(StreamCallback, state, &err);
      if (src == nullptr) {
        zip_error_fini(&state->error);
        delete state;
        zip_error_fini(&err);
        fail("zip_source_function");
      }
      zip_error_fini(&err);
    } else {
      src = zip_source_buffer(z.get(), e.data.data(), e.data.size(), 0);
      if (src == nullptr) fail(zip_strerror(z.get()));
    }
    const zip_int64_t idx = zip_file_add(z.get(), e.name.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (idx < 0) {
      zip_source_free(src);
      fail(zip_strerror(z.get()));
    }
    zip_set_file_compression(z.get(), static_cast<zip_uint64_t>(idx), ZIP_CM_DEFLATE,
                             static_cast<zip_uint32_t>(e.level));
    zip_file_set_mtime(z.get(), static_cast<zip_uint64_t>(idx), time(nullptr), 0);
  }
  if (zip_close(z.get()) != 0) fail(zip_strerror(z.get()));
  z.release();  // zip_close freed it
  entries_.clear();

  if (zip_source_open(archive) != 0) fail(zip_error_strerror(zip_source_error(archive)));
  std::vector<char> buf(1 << 20);
  for (;;) {
    const zip_int64_t got = zip_source_read(archive, buf.data(), buf.size());
    if (got < 0) {
      const std::string why = zip_error_strerror(zip_source_error(archive));
      zip_source_close(archive);
      fail(why);
    }
    if (got == 0) break;
    const char* p = buf.data();
    std::size_t left = static_cast<std::size_t>(got);
    while (left > 0) {
      const ssize_t w = ::write(fd, p, left);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        const int e = w < 0 ? errno : ENOSPC;
        zip_source_close(archive);
        fail(std::strerror(e));
      }
      p += w;
      left -= static_cast<std::size_t>(w);
    }
  }
  zip_source_close(archive);
}

}  // namespace vedograf

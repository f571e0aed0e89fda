// Zips the report template's XML parts into the .xltx the program opens.
//   zip_template <parts folder> <output file>
// "[Content_Types].xml" goes first, as spreadsheet applications write it;
// the other parts follow in name order so that the file is reproducible.

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zip_template <parts folder> <output file>\n");
    return 2;
  }
  const fs::path source = argv[1];
  const fs::path output = argv[2];
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file()) names.push_back(fs::relative(it->path(), source).generic_string());
  }
  if (ec || names.empty()) {
    std::fprintf(stderr, "zip_template: cannot read %s\n", source.c_str());
    return 1;
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const bool ta = a == "[Content_Types].xml", tb = b == "[Content_Types].xml";
    return ta != tb ? ta : a < b;
  });
  fs::create_directories(output.parent_path(), ec);
  int code = 0;
  zip_t* z = zip_open(output.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (z == nullptr) {
    std::fprintf(stderr, "zip_template: cannot create %s (libzip error %d)\n", output.c_str(), code);
    return 1;
  }
  std::vector<std::string> data;  // libzip reads the buffers at close
  data.reserve(names.size());
  for (const std::string& name : names) {
    std::ifstream in(source / name, std::ios::binary);
    data.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    zip_source_t* src = zip_source_buffer(z, data.back().data(), data.back().size(), 0);
    const zip_int64_t idx = src == nullptr ? -1 : zip_file_add(z, name.c_str(), src, ZIP_FL_ENC_UTF_8);
    if (idx < 0) {
      std::fprintf(stderr, "zip_template: %s: %s\n", name.c_str(), zip_strerror(z));
      if (src != nullptr) zip_source_free(src);
      zip_discard(z);
      return 1;
    }
    zip_set_file_compression(z, static_cast<zip_uint64_t>(idx), ZIP_CM_DEFLATE, 9);
    // A fixed time stamp keeps the template byte for byte the same build to build.
    zip_file_set_dostime(z, static_cast<zip_uint64_t>(idx), 0, (44 << 9) | (1 << 5) | 1, 0);
  }
  if (zip_close(z) != 0) {
    std::fprintf(stderr, "zip_template: %s: %s\n", output.c_str(), zip_strerror(z));
    zip_discard(z);
    return 1;
  }
  return 0;
}

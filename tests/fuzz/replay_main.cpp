// The fuzz targets' entry without libFuzzer: runs every file named on the
// command line, or found under a named folder, through the target once. A
// crash or a broken invariant aborts, which fails the test that runs it.
// Missing paths are skipped: a target may have no crash files yet.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

void Collect(const std::filesystem::path& p, std::vector<std::filesystem::path>& out) {
  std::error_code ec;
  if (std::filesystem::is_directory(p, ec)) {
    for (const auto& e : std::filesystem::recursive_directory_iterator(p, ec)) {
      if (e.is_regular_file(ec) && e.path().filename().string().front() != '.') out.push_back(e.path());
    }
  } else if (std::filesystem::is_regular_file(p, ec)) {
    out.push_back(p);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) Collect(argv[i], files);
  std::sort(files.begin(), files.end());
  for (const auto& f : files) {
    std::ifstream in(f, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
      std::fprintf(stderr, "cannot read %s\n", f.c_str());
      return 1;
    }
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("%zu inputs replayed\n", files.size());
  return files.empty() ? 1 : 0;
}

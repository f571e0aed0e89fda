// Allocation failure at every allocation a reader makes: the list ends up
// either complete or empty with the memory message, never half-built.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>

#include "areas/area_files.h"
#include "areas/control_point.h"
#include "support/test_services.h"

namespace {

long gFailAt = 0;  // the allocation number to fail (once); 0: never
long gCount = 0;

}  // namespace

#pragma GCC diagnostic ignored "-Wmismatched-new-delete"  // malloc and free are paired
void* operator new(std::size_t size) {
  if (gFailAt != 0 && ++gCount == gFailAt) {
    gFailAt = 0;
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return ::operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace vedograf {
namespace {

using test::TTestServices;

std::string WriteTemp(const std::string& name, const std::string& body) {
  const std::string path = (std::filesystem::path(::testing::TempDir()) / name).string();
  std::ofstream(path, std::ios::binary) << body;
  return path;
}

template <class Reader>
void FailEachAllocation(const std::string& path, Reader read, std::size_t fullCount) {
  bool sawFailure = false;
  for (long n = 1; n < 100000; ++n) {
    TTestServices ui;
    TControlPointList list;
    list.AddPoint(1, 2, "Прежний");
    gCount = 0;
    gFailAt = n;
    const int status = read(path, ui, list);
    const bool failed = gFailAt == 0;
    gFailAt = 0;
    if (!failed) {
      EXPECT_EQ(status, 0);
      EXPECT_EQ(list.Count(), fullCount);
      EXPECT_TRUE(sawFailure);
      return;
    }
    sawFailure = true;
    SCOPED_TRACE(n);
    if (status == 0) {
      EXPECT_EQ(list.Count(), fullCount);  // the failure was absorbed, e.g. by the sort's scratch memory
    } else {
      ASSERT_EQ(status, 2);
      EXPECT_EQ(list.Count(), 0u);
      EXPECT_EQ(ui.Errors(), std::vector<std::string>{"Недостаточно памяти для открытия\r\nфайла с контрольными районами"});
    }
  }
  FAIL() << "never got through";
}

TEST(AreaFilesMemory, MrkReaderFailsCleanly) {
  const std::string path = WriteTemp("mem.mrk",
                                     "1 55.75 37.61 :Склад(N1)\n1 55.76 37.61 :Склад(N2)\n"
                                     "1 55.76 37.62 :Склад(N3)\n1 55.70 37.60 :Причал с длинным именем\n");
  FailEachAllocation(path, OpenKLVCPoints, 2);
}

TEST(AreaFilesMemory, ObjReaderFailsCleanly) {
  const std::string path = WriteTemp("mem.obj",
                                     "Stop1\tx\t#12\tR250\t37,61 55,75\n"
                                     "Square\t\t#1\tP4\t37.60 55.70;37.62 55.70;37.62 55.72;37.60 55.72\n");
  FailEachAllocation(path, OpenZNTCPoints, 2);
}

}  // namespace
}  // namespace vedograf

#include "areas/area_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "areas/area_lookup.h"
#include "areas/control_point.h"
#include "core/units.h"
#include "support/test_services.h"

namespace vedograf {
namespace {

using test::TShown;
using test::TTestServices;

constexpr const char* kOpenError = "Ошибка открытия файла";
constexpr const char* kNoMemory = "Недостаточно памяти для открытия\r\nфайла с контрольными районами";

class AreaFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::path(::testing::TempDir()) / "areasXXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(dir_, ec);
  }

  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // A list with one area in it, to see whether a reader left it alone.
  static void Prefill(TControlPointList& list) {
    list.Clear();
    list.AddPoint(1, 2, "Прежний")->Radius = 10;
  }

  std::filesystem::path dir_;
  TTestServices ui;
  TControlPointList list;
};

double Deg(double rad) { return rad / kDegToRad; }

// ---- .mrk ----------------------------------------------------------------

TEST_F(AreaFiles, MrkPointsBecomeCirclesAndPolygons) {
  const std::string path = Write("a.mrk",
                                 "1 55.75 37.61 :Depot\r\n"
                                 "2 55.7600 37.6200 :Yard(N2)\r\n"
                                 "  3\t55.76 37.63:Yard(N3)\n"
                                 "4 55.75 37.62 :Yard(N1)\r\n"
                                 "5 55.80 37.70 :Gate (R50)\r\n"
                                 "no numbers :Skipped\r\n"
                                 "6 55.80 :Skipped\r\n"
                                 "7 55.80 37.70 no colon\r\n"
                                 "8 55,80 37,70 :Comma\r\n"
                                 "12.5 3 :Glued\r\n"
                                 "\r\n");
  ASSERT_EQ(OpenKLVCPoints(path, ui, list), 0);
  EXPECT_TRUE(ui.shown.empty());
  // "12.5 3": the skipped integer is 12, so the point is at .5, 3.
  EXPECT_EQ(AreaNames(list), (std::vector<std::string>{"Gate ", "Depot", "Glued", "Yard"}));
  const TControlPoint& depot = *list.Items(1);
  EXPECT_EQ(depot.Radius, 300.0);
  EXPECT_DOUBLE_EQ(Deg(depot.Latitude), 55.75);
  EXPECT_DOUBLE_EQ(Deg(depot.Longitude), 37.61);
  EXPECT_DOUBLE_EQ(Deg(list.Items(2)->Latitude), 0.5);
  EXPECT_DOUBLE_EQ(Deg(list.Items(2)->Longitude), 3.0);
  EXPECT_EQ(list.Items(0)->Radius, 50.0);
  const TControlPoint& yard = *list.Items(3);
  EXPECT_DOUBLE_EQ(Deg(yard.Latitude), 55.75);
  EXPECT_DOUBLE_EQ(Deg(yard.Longitude), 37.62);
  ASSERT_EQ(yard.Points.size(), 2u);
  EXPECT_NEAR(yard.Points[0]->Y, 0.01 * kDegToRad * kPlaneRadius_m, 1e-6);
  EXPECT_TRUE(yard.Contains(37.62, 55.755));
}

TEST_F(AreaFiles, MrkBuildFaultsAskAndNoLeavesTheListEmpty) {
  const std::string path = Write("f.mrk",
                                 "1 55.75 37.61 :Yard(N1)\n"
                                 "1 55.76 37.61 :Yard(N3)\n"
                                 "1 55.77 37.61 :Depot\n");
  ui.answers = {TAnswer::No};
  Prefill(list);
  EXPECT_EQ(OpenKLVCPoints(path, ui, list), 4);
  EXPECT_EQ(ui.Texts(TShown::YesNoAll),
            std::vector<std::string>{"Отсутствует точка района: Yard(N2)\r\nПропустить ошибку?"});
  EXPECT_TRUE(ui.Errors().empty());
  EXPECT_EQ(list.Count(), 0u);
  // Through OpenCPoints the same file still counts as read.
  ui.shown.clear();
  ui.answers = {TAnswer::No};
  Prefill(list);
  EXPECT_TRUE(OpenCPoints(path, true, ui, list));
  EXPECT_TRUE(AreaNames(list).empty());
  // Yes keeps the rest.
  ui.shown.clear();
  EXPECT_TRUE(OpenCPoints(path, true, ui, list));
  EXPECT_EQ(AreaNames(list), std::vector<std::string>{"Depot"});
}

TEST_F(AreaFiles, MrkLongLinesAreReadInPieces) {
  // 511 characters a piece, line feed included; the rest of a line is a line.
  const std::string head = "1 55.75 37.61 :";
  const std::string first = head + std::string(511 - head.size(), 'A');
  const std::string second = "2 55.76 37.62 :Tail";
  const std::string exact = "3 55.77 37.63 :" + std::string(510 - head.size(), 'B');  // + LF = 511
  const std::string path = Write("long.mrk", first + second + "\r\n" + exact + "\r\n" + "4 55.78 37.64 :Last");
  ASSERT_EQ(OpenKLVCPoints(path, ui, list), 0);
  std::vector<std::string> names = AreaNames(list);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{std::string(511 - head.size(), 'A'), std::string(510 - head.size(), 'B'),
                                             "Last", "Tail"}));
}

TEST_F(AreaFiles, CyrillicNamesArriveAsUtf8FromEitherEncoding) {
  // "Склад(N1)", "Склад(n2)", "Склад(N3)", "Причал №1" and a long name.
  const std::string longUtf8 = [] {
    std::string s;
    for (int i = 0; i < 600; ++i) s += "Ж";
    return s;
  }();
  const std::string utf8 = "\xEF\xBB\xBF"
                           "1 55.75 37.61 :Склад(N1)\r\n"
                           "1 55.76 37.61 :Склад(n2)\r\n"
                           "1 55.76 37.62 :Склад(N3)\r\n"
                           "1 55.70 37.60 :Причал №1\r\n"
                           "1 55.90 37.90 :" + longUtf8 + "\r\n";
  const std::string cp1251 = "1 55.75 37.61 :\xD1\xEA\xEB\xE0\xE4(N1)\r\n"
                             "1 55.76 37.61 :\xD1\xEA\xEB\xE0\xE4(n2)\r\n"
                             "1 55.76 37.62 :\xD1\xEA\xEB\xE0\xE4(N3)\r\n"
                             "1 55.70 37.60 :\xCF\xF0\xE8\xF7\xE0\xEB \xB9\x31\r\n"
                             "1 55.90 37.90 :" + std::string(600, '\xC6') + "\r\n";
  const std::string a = Write("u.mrk", utf8), b = Write("w.mrk", cp1251);
  ASSERT_EQ(OpenKLVCPoints(a, ui, list), 0);
  const std::vector<std::string> fromUtf8 = AreaNames(list);
  ASSERT_EQ(OpenKLVCPoints(b, ui, list), 0);
  EXPECT_EQ(AreaNames(list), fromUtf8);
  EXPECT_TRUE(ui.shown.empty());
  std::vector<std::string> sorted = fromUtf8;
  std::sort(sorted.begin(), sorted.end());
  std::string cut;
  for (std::size_t i = 0; i < 511 - 15; ++i) cut += "Ж";  // the line limit counts characters
  EXPECT_EQ(sorted, (std::vector<std::string>{cut, "Причал №1", "Склад"}));
}

// ---- .obj ----------------------------------------------------------------

TEST_F(AreaFiles, ObjLinesBecomeCirclesAndPolygons) {
  const std::string path = Write("a.obj",
                                 "Stop1\tx\t#12\tR250\t37,61 55,75\r\n"
                                 "Square\t\t#1\tP4\t37.60 55.70;37.62 55.70;37.62 55.72;37.60 55.72\n"
                                 "Commas\tq\t# 7\tp3\t37,60,55,70;37,61,55,70;  37,61 55,71\n"
                                 "Skipper\tq\t#7\tP3\t37.70 55.70;junk;37.705 55.70;37.705 55.71;\n"
                                 "Five\tx\t#1\tP5\t37.60 55.70;37.62 55.70;37.62 55.72;37.60 55.72\n"
                                 "Three\tx\t#1\tP3\t37.60 55.70;37.62 55.70;37.62 55.72;37.60 55.72\n"
                                 "NoTab\tx\t#1\tR250 37.61 55.75\n"
                                 "BadTag\tx\t\tR250\t37.61 55.75\n"
                                 "BadTag2\tx\t#\tR250\t37.61 55.75\n"
                                 "BadTag3\tx\t#x\tR250\t37.61 55.75\n"
                                 "BadKind\tx\t#1\tQ250\t37.61 55.75\n"
                                 "NoNumber\tx\t#1\tR\t37.61 55.75\n"
                                 "R0\tx\t#1\tR0\t37.61 55.75\n"
                                 "R1000001\tx\t#1\tR1000001\t37.61 55.75\n"
                                 "P2\tx\t#1\tP2\t37.61 55.75;37.62 55.75\n"
                                 "P1001\tx\t#1\tP1001\t37.61 55.75;37.62 55.75\n"
                                 "NoPoint\tx\t#1\tR5\t37.61\n"
                                 "Big\tx\t#1\tr1000000\t37.61\t55.75\n");
  ASSERT_EQ(OpenZNTCPoints(path, ui, list), 0);
  EXPECT_TRUE(ui.shown.empty());
  // Smallest first.
  EXPECT_EQ(AreaNames(list), (std::vector<std::string>{"Skipper", "Stop1", "Commas", "Square", "Big"}));
  const TControlPoint& stop = *list.Items(1);
  EXPECT_EQ(stop.Radius, 250.0);
  EXPECT_DOUBLE_EQ(Deg(stop.Latitude), 55.75);
  EXPECT_DOUBLE_EQ(Deg(stop.Longitude), 37.61);
  const TControlPoint& square = *list.Items(3);
  ASSERT_EQ(square.Points.size(), 3u);
  const TVertex v = square.ToLocal(55.72 * kDegToRad, 37.62 * kDegToRad);
  EXPECT_EQ(square.Points[1]->X, v.X);
  EXPECT_EQ(square.Points[1]->Y, v.Y);
  EXPECT_TRUE(square.Contains(37.61, 55.71));
  const TControlPoint& commas = *list.Items(2);
  ASSERT_EQ(commas.Points.size(), 2u);
  const TVertex c2 = commas.ToLocal(55.71 * kDegToRad, 37.61 * kDegToRad);
  EXPECT_EQ(commas.Points[1]->Y, c2.Y);
  EXPECT_EQ(list.Items(4)->Radius, 1000000.0);  // TAB counts as the one separator
}

TEST_F(AreaFiles, ObjCyrillicNamesFromEitherEncoding) {
  const std::string a = Write("u.obj", "Причал №1\tx\t#1\tR50\t37.61 55.75\n");
  const std::string b = Write("w.obj", "\xCF\xF0\xE8\xF7\xE0\xEB \xB9\x31\tx\t#1\tR50\t37.61 55.75\n");
  ASSERT_EQ(OpenZNTCPoints(a, ui, list), 0);
  EXPECT_EQ(AreaNames(list), std::vector<std::string>{"Причал №1"});
  ASSERT_EQ(OpenZNTCPoints(b, ui, list), 0);
  EXPECT_EQ(AreaNames(list), std::vector<std::string>{"Причал №1"});
}

// ---- OpenCPoints and failures ------------------------------------------------

TEST_F(AreaFiles, OpenCPointsChoosesTheReaderByTheExactExtension) {
  const std::string body = "1 55.75 37.61 :Depot\n";
  const std::string upper = Write("areas.MRK", body);
  Prefill(list);
  EXPECT_FALSE(OpenCPoints(upper, true, ui, list));
  EXPECT_EQ(ui.Errors(), std::vector<std::string>{"Файл " + upper + "\r\n не является файлом с контрольными районами"});
  EXPECT_EQ(AreaNames(list), std::vector<std::string>{"Прежний"});
  ui.shown.clear();
  EXPECT_FALSE(OpenCPoints(Write("areas.txt", body), false, ui, list));
  EXPECT_FALSE(OpenCPoints((dir_ / "x.mrk" / "plain").string(), false, ui, list));  // dot in a folder name
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(AreaNames(list), std::vector<std::string>{"Прежний"});

  EXPECT_TRUE(OpenCPoints(Write("areas.mrk", body), true, ui, list));
  EXPECT_EQ(AreaNames(list), std::vector<std::string>{"Depot"});
  EXPECT_TRUE(OpenCPoints(Write(".obj", "Stop1\tx\t#12\tR250\t37,61 55,75\n"), true, ui, list));
  EXPECT_EQ(AreaNames(list), std::vector<std::string>{"Stop1"});
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(AreaFiles, UnopenableFilesKeepTheCurrentList) {
  std::filesystem::create_directory(dir_ / "folder.mrk");
  std::filesystem::create_directory(dir_ / "folder.obj");
  ASSERT_EQ(::mkfifo((dir_ / "pipe.mrk").c_str(), 0600), 0);
  std::vector<std::string> paths = {(dir_ / "missing.mrk").string(), (dir_ / "missing.obj").string(),
                                    (dir_ / "folder.mrk").string(), (dir_ / "folder.obj").string(),
                                    (dir_ / "pipe.mrk").string(),   "/dev/zero",
                                    ""};
  if (::geteuid() != 0) {
    const std::string locked = Write("locked.mrk", "1 55.75 37.61 :Depot\n");
    ::chmod(locked.c_str(), 0);
    paths.push_back(locked);
  }
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    ui.shown.clear();
    Prefill(list);
    const bool obj = path.ends_with(".obj");
    EXPECT_EQ(obj ? OpenZNTCPoints(path, ui, list) : OpenKLVCPoints(path, ui, list), 1);
    EXPECT_EQ(ui.Errors(), std::vector<std::string>{kOpenError});
    EXPECT_EQ(AreaNames(list), std::vector<std::string>{"Прежний"});
  }
  // Through OpenCPoints a reader ran, so it is true, and the list box shows the old list.
  ui.shown.clear();
  Prefill(list);
  EXPECT_TRUE(OpenCPoints((dir_ / "missing.obj").string(), true, ui, list));
  EXPECT_EQ(AreaNames(list), std::vector<std::string>{"Прежний"});
}

TEST_F(AreaFiles, BinaryAndHugeFilesAreReadWithoutHarm) {
  std::mt19937 rng(99);
  std::string noise(1 << 20, '\0');
  for (char& c : noise) c = static_cast<char>(rng());
  // Sprinkle text that looks half like records.
  for (int i = 0; i < 2000; ++i) {
    const std::string bit = i % 2 ? "\n1 55.75 37.61 :" : "\tx\t#1\tP3\t1 2;3";
    noise.replace(rng() % (noise.size() - 20), bit.size(), bit);
  }
  ui.answers.assign(1, TAnswer::YesToAll);
  const std::string a = Write("noise.mrk", noise), b = Write("noise.obj", noise);
  EXPECT_EQ(OpenKLVCPoints(a, ui, list), 0);
  for (std::size_t i = 0; i < list.Count(); ++i) EXPECT_NE(list.Items(i), nullptr);
  EXPECT_EQ(OpenZNTCPoints(b, ui, list), 0);

  // 64 MB without a single line feed, and as many NUL bytes.
  const auto start = std::chrono::steady_clock::now();
  const std::string big = Write("big.obj", std::string(32 << 20, 'A') + std::string(32 << 20, '\0'));
  EXPECT_EQ(OpenZNTCPoints(big, ui, list), 0);
  EXPECT_EQ(list.Count(), 0u);
  const std::string big2 = Write("big.mrk", std::string(32 << 20, '7'));
  EXPECT_EQ(OpenKLVCPoints(big2, ui, list), 0);
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST_F(AreaFiles, NonFiniteCoordinatesDoNoHarm) {
  const std::string a = Write("nan.mrk",
                              "1 nan 37.61 :NaN\n"
                              "1 inf -inf :Inf\n"
                              "1 1e999 0x1p3 :Huge(N1)\n"
                              "1 55.75 nan :Huge(N2)\n"
                              "1 55.75 37.61 :Huge(N3)\n"
                              "1 55.75 37.61 :Depot\n");
  ASSERT_EQ(OpenKLVCPoints(a, ui, list), 0);
  EXPECT_EQ(list.Count(), 4u);
  for (std::size_t i = 0; i < list.Count(); ++i) list.Items(i)->Selected = true;
  const TAreaLookup lookup(list);
  EXPECT_GE(lookup.Find(37.61, 55.75), 0);
  EXPECT_EQ(list.Items(lookup.Find(37.61, 55.75))->Name, "Depot");
  EXPECT_EQ(lookup.Find(std::numeric_limits<double>::quiet_NaN(), 55.75), -1);

  const std::string b = Write("nan.obj",
                              "NaN\tx\t#1\tP3\tnan 1;2 inf;3 3\n"
                              "Inf\tx\t#1\tR10\tinf -inf\n"
                              "Ok\tx\t#1\tR10\t37.61 55.75\n");
  ASSERT_EQ(OpenZNTCPoints(b, ui, list), 0);
  EXPECT_EQ(list.Count(), 3u);
  EXPECT_EQ(list.Items(2)->Name, "NaN");  // its NaN size sorts last
  for (std::size_t i = 0; i < list.Count(); ++i) list.Items(i)->Selected = true;
  EXPECT_EQ(list.Items(TAreaLookup(list).Find(37.61, 55.75))->Name, "Ok");
}

// ---- bounds ---------------------------------------------------------------

TEST_F(AreaFiles, MrkBeyondTheSlotBoundStopsWithTheMemoryMessage) {
  std::string text;
  for (std::size_t i = 0; i <= kAreaFileSlots; ++i) text += "1 55.75 37.61 :Depot\n";
  const std::string path = Write("many.mrk", text);
  const auto start = std::chrono::steady_clock::now();
  // Stopped while reading: BuildAreas would ask about every duplicate.
  EXPECT_EQ(OpenKLVCPoints(path, ui, list), 2);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(ui.shown, (std::vector<TShown>{{TShown::Error, kNoMemory}}));
  EXPECT_EQ(list.Count(), 0u);
}

TEST_F(AreaFiles, ObjSlotBoundCountsDroppedLinesAndIsExact) {
  // Circles up to the bound are all kept.
  std::string text;
  for (std::size_t i = 0; i < kAreaFileSlots; ++i) text += "C\tx\t#1\tR5\t37.61 55.75\n";
  ASSERT_EQ(OpenZNTCPoints(Write("full.obj", text), ui, list), 0);
  EXPECT_EQ(list.Count(), kAreaFileSlots);
  EXPECT_TRUE(ui.shown.empty());

  // Dropped polygons leave slots until the end: one more line is too many.
  text.clear();
  for (std::size_t i = 0; i < kAreaFileSlots; ++i) text += "Bad\tx\t#1\tP4\t1 2;3 4;5 6\n";
  text += "C\tx\t#1\tR5\t37.61 55.75\n";
  EXPECT_EQ(OpenZNTCPoints(Write("over.obj", text), ui, list), 2);
  EXPECT_EQ(ui.Errors(), std::vector<std::string>{kNoMemory});
  EXPECT_EQ(list.Count(), 0u);
}

TEST_F(AreaFiles, ObjVertexBytesAreBounded) {
  // The largest polygons: each holds 999 vertices.
  std::string line = "Big\tx\t#1\tP1000\t";
  for (int i = 0; i < 1000; ++i) line += "1 2;";
  line += "\n";
  const std::size_t lineBytes = 999 * sizeof(std::optional<TVertex>);
  const std::size_t over = kAreaFileBytes / lineBytes + 1;
  std::string text;
  for (std::size_t i = 0; i < over / 2; ++i) text += line;
  ASSERT_EQ(OpenZNTCPoints(Write("half.obj", text), ui, list), 0);
  EXPECT_EQ(list.Count(), over / 2);
  for (std::size_t i = over / 2; i < over; ++i) text += line;
  EXPECT_EQ(OpenZNTCPoints(Write("over.obj", text), ui, list), 2);
  EXPECT_EQ(ui.Errors(), std::vector<std::string>{kNoMemory});
  EXPECT_EQ(list.Count(), 0u);
}

TEST_F(AreaFiles, MillionCharacterNamesArePiecesOfTheLineLimit) {
  const std::string name(1000000, 'N');
  ASSERT_EQ(OpenKLVCPoints(Write("name.mrk", "1 55.75 37.61 :" + name + "\n2 55.7 37.6 :Next\n"), ui, list), 0);
  std::vector<std::string> names = AreaNames(list);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{std::string(kMrkLineChars - 15, 'N'), "Next"}));

  // The TABs only come in the last piece: its start is the name.
  ASSERT_EQ(OpenZNTCPoints(Write("name.obj", name + "\tx\t#1\tR5\t37.61 55.75\n"), ui, list), 0);
  ASSERT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.Items(0)->Name, std::string(name.size() % (kObjLineChars), 'N'));
}

}  // namespace
}  // namespace vedograf

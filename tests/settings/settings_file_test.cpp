// The settings file: defaults, range fixes, round trips, encodings, the
// selection sections and a write that cannot half-succeed.

#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/datetime.h"
#include "settings/date_text.h"
#include "support/test_services.h"

namespace vedograf {
namespace {

namespace fs = std::filesystem;
using test::TTestServices;

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() {
    dir = fs::temp_directory_path() / ("vedograf_settings_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    file = dir / "vedograf.ini";
  }
  ~SettingsTest() override { fs::remove_all(dir); }

  TFormState ReadText(const std::string& text, const TWindowMetrics& m = {}) {
    TProfile p;
    p.Parse(text);
    TFormState f;
    EXPECT_TRUE(ReadIniData(p, f, nullptr, m));
    return f;
  }
  std::string FileText() const {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path dir, file;
};

TEST_F(SettingsTest, MissingFileGivesTheListedDefaults) {
  TFormState f;
  TWindowMetrics m;
  m.ScreenWidth = 1000;
  m.ScreenHeight = 800;
  m.PanelMinHeight = 450;
  m.FrameHeight = 50;
  m.FrameWidth = 10;
  ASSERT_TRUE(ReadIniData(file, f, nullptr, m));
  EXPECT_EQ(f.MinNavTimeEdit, "300");
  EXPECT_EQ(f.MinTimeEdit, "120");
  EXPECT_EQ(f.MinStopTimeEdit, "120");
  EXPECT_EQ(f.MaxSpeedEdit, "3");
  EXPECT_FALSE(f.NavFilterCheckBox || f.FilterCheckBox || f.TimeFilterCheckBox);
  EXPECT_EQ(f.SensorCheckBox, (std::array<bool, 3>{true, false, false}));
  EXPECT_EQ(f.TimeRadioGroup, 1);
  EXPECT_DOUBLE_EQ(std::floor(f.SDDateTimePicker), EncodeDate(2008, 1, 1));
  EXPECT_DOUBLE_EQ(std::floor(f.FDDateTimePicker), EncodeDate(2008, 1, 2));
  EXPECT_DOUBLE_EQ(f.STDateTimePicker - std::floor(f.STDateTimePicker), 0.0);
  EXPECT_EQ(f.ReportsPageControl, 0);
  EXPECT_EQ(f.InComboBox, (std::array<int, 5>{0, 0, 0, 0, 0}));
  EXPECT_EQ(f.InLabel[4], "IN5");
  EXPECT_EQ(f.AnInLabel[2], "AN_IN3");
  EXPECT_EQ(f.AnInEdit[0], "1");
  EXPECT_EQ(f.MinUnloadEdit, "15");
  EXPECT_EQ(f.OpenDialog1.FileName, "C:\\Program Files\\Ordavin\\Zentaro\\ZNT.mdb");
  EXPECT_EQ(f.OpenDialog2.FilterIndex, 3);
  // Centred at the minimal size.
  EXPECT_EQ(f.Geometry.Height, 500);
  EXPECT_EQ(f.Geometry.Width, 397 + 248 + 6 + 10);
  EXPECT_EQ(f.Geometry.Left, (1000 - f.Geometry.Width) / 2);
  EXPECT_EQ(f.Geometry.Top, 150);
  EXPECT_TRUE(f.SavedObjectsText.empty());
  EXPECT_EQ(f.ReportsFolder, "");
}

TEST_F(SettingsTest, RangeFixesAndValueReading) {
  auto zone = [&](const char* v) { return ReadText(std::string("[Settings]\nTimeZone=") + v + "\n"); };
  TFormState f = zone("-23");
  EXPECT_EQ(f.SignButton, "-");
  EXPECT_EQ(f.HoursCSpinEdit, 5);
  EXPECT_EQ(f.MinutesComboBox, 3);
  f = zone("48");
  EXPECT_EQ(f.SignButton, "+");
  EXPECT_EQ(f.HoursCSpinEdit, 12);
  EXPECT_EQ(f.MinutesComboBox, 0);
  f = zone("49");
  EXPECT_EQ(f.HoursCSpinEdit, 0);
  EXPECT_EQ(f.MinutesComboBox, 0);

  f = ReadText(
      "[settings]\nTimeType=3\nPageNum=4\nGenerateWayReport = 0x10\nGenerateStopReport=yes\nFilterStops=2\n"
      "OpenBase=0X0\nIn1Name=abcdefghijklmnopqrstuvwxy\nAnIn2Name=АБВГДЕЁЖЗИЙКЛМНОПРСТУФ\nIn2State=5\n"
      "PointsFileName=C:\\areas.MRK\nSDate=garbage\nFDate=05.06.2011 10:11:12\nSTime=01.01.1999 07:45:00\n");
  EXPECT_EQ(f.TimeRadioGroup, 1);
  EXPECT_EQ(f.ReportsPageControl, 0);
  EXPECT_TRUE(f.WayCheckBox);
  EXPECT_TRUE(f.StopsCheckBox) << "a word gives the default";
  EXPECT_TRUE(f.TimeFilterCheckBox);
  EXPECT_FALSE(f.BaseOpenCheckBox);
  EXPECT_EQ(f.InLabel[0], "abcdefghijklmnopqrst");
  EXPECT_EQ(f.AnInLabel[1], "АБВГДЕЁЖЗИЙКЛМНОПРСТ");
  EXPECT_EQ(f.InComboBox[1], 5);
  EXPECT_EQ(f.OpenDialog2.FilterIndex, 1);
  EXPECT_DOUBLE_EQ(std::floor(f.SDDateTimePicker), EncodeDate(2008, 1, 1));
  EXPECT_DOUBLE_EQ(std::floor(f.FDDateTimePicker), EncodeDate(2011, 6, 5));
  EXPECT_NEAR(f.STDateTimePicker - std::floor(f.STDateTimePicker), EncodeTime(7, 45), 1e-9);
  EXPECT_EQ(ReadText("[Settings]\nPageNum=-1\n").ReportsPageControl, 0);
  EXPECT_EQ(ParseProfileInt("-0x10", 7), -16);
  EXPECT_EQ(ParseProfileInt("0xFFFFFFFF", 7), -1);
  EXPECT_EQ(ParseProfileInt("1 2", 7), 7);
  EXPECT_EQ(ParseProfileInt("99999999999", 7), 7);
}

TEST_F(SettingsTest, GeometryIsBroughtBackOnScreen) {
  TWindowMetrics m;
  m.ScreenWidth = 1000;
  m.ScreenHeight = 700;
  TFormState f = ReadText("[Settings]\nHeight=900\nWidth=600\nLeft=-50\nTop=10\nLWidth=10\nTHeight=5000\n", m);
  EXPECT_EQ(f.Geometry.Height, 700);
  EXPECT_EQ(f.Geometry.Left, 0);
  EXPECT_EQ(f.Geometry.Top, 0);
  EXPECT_EQ(f.Geometry.LWidth, 30);
  EXPECT_EQ(f.Geometry.THeight, 700 - 36);
  f = ReadText("[Settings]\nWidth=600\nLeft=800\nLWidth=5000\n", m);
  EXPECT_EQ(f.Geometry.Left, 400);
  EXPECT_EQ(f.Geometry.LWidth, 600 - 36);
}

TEST_F(SettingsTest, SelectionSectionsAndTheirRestore) {
  TFormState f = ReadText("[SelectedPoints]\nP1=Клиент\nP0=Склад\n[SelectedObjects]\nO0=12\nO1=17\n");
  EXPECT_EQ(f.SavedPointsText, (std::vector<std::string>{"Склад", ""}));
  f.PointsListBox.SetItems({"Клиент", "  Склад  "});
  RestorePointsSelection(f.PointsListBox, f.SavedPointsText);
  EXPECT_EQ(f.PointsListBox.Selected, (std::vector<bool>{false, true}));

  // Object 12 is gone: its number selects 123.
  f.ObjectsListBox.SetItems({"5", "17  -  Газель", "123  -  КамАЗ"});
  RestoreObjectsSelection(f.ObjectsListBox, f.SavedObjectsText);
  EXPECT_EQ(f.ObjectsListBox.Selected, (std::vector<bool>{false, true, true}));
}

TEST_F(SettingsTest, RoundTripKeepsForeignKeysAndRewritesSelections) {
  {
    std::ofstream(file) << "; written by hand\n[Settings]\nMinTime=5\nColour=blue\n\n[SelectedPoints]\nP0=old\n"
                           "[Other]\nx=1\n";
  }
  TFormState f;
  ASSERT_TRUE(ReadIniData(file, f));
  f.MinTimeEdit = "0450";  // edits are stored as they stand
  f.SDDateTimePicker = EncodeDateTime(2012, 2, 29, 0, 0);
  f.FTDateTimePicker = EncodeDateTime(2001, 1, 1, 23, 59, 58);
  f.InLabel[0] = " Зажигание ";
  f.InComboBox[2] = 4;
  f.SignButton = "-";
  f.TimeRadioGroup = 0;
  f.HoursCSpinEdit = 3;
  f.MinutesComboBox = 2;
  f.ReportsFolder = "/srv/reports";
  f.PointsListBox.SetItems({"a", "b", "c"});
  f.PointsListBox.Selected = {false, true, true};
  f.ObjectsListBox.SetItems({"5", "17  -  Газель"});
  f.ObjectsListBox.Selected = {false, true};
  TTestServices services;
  ASSERT_TRUE(WriteData(file, f, services));
  EXPECT_TRUE(services.shown.empty());

  const std::string text = FileText();
  EXPECT_EQ(text.rfind("; written by hand\n[Settings]\n", 0), 0u);
  EXPECT_NE(text.find("MinTime=0450\n"), std::string::npos);
  EXPECT_NE(text.find("Colour=blue\n"), std::string::npos);
  EXPECT_NE(text.find("[Other]\nx=1\n"), std::string::npos);
  EXPECT_NE(text.find("SDate=29.02.2012\n"), std::string::npos);
  EXPECT_NE(text.find("FTime=01.01.2001 23:59:58\n"), std::string::npos);
  EXPECT_NE(text.find("TimeZone=-14\n"), std::string::npos);
  EXPECT_NE(text.find("In3State=-1\n"), std::string::npos);
  EXPECT_NE(text.find("[SelectedPoints]\nP0=b\nP1=c\n"), std::string::npos);
  EXPECT_NE(text.find("[SelectedObjects]\nO0=17\n"), std::string::npos);
  EXPECT_EQ(text.find("P0=old"), std::string::npos);
  // The writing order: BaseFileName first, FuelFilterDelta among the last.
  EXPECT_LT(text.find("BaseFileName="), text.find("PointsFileName="));
  EXPECT_LT(text.find("DeleteSheets="), text.find("FuelFilterDelta="));
  EXPECT_LT(text.find("SensorFilterPoints="), text.find("TimeType="));

  TFormState back;
  ASSERT_TRUE(ReadIniData(file, back));
  EXPECT_EQ(back.MinTimeEdit, "0450");
  EXPECT_EQ(back.InLabel[0], " Зажигание ");
  EXPECT_DOUBLE_EQ(std::floor(back.SDDateTimePicker), EncodeDate(2012, 2, 29));
  EXPECT_NEAR(back.FTDateTimePicker - std::floor(back.FTDateTimePicker), EncodeTime(23, 59, 58), 1e-9);
  EXPECT_EQ(back.SignButton, "-");
  EXPECT_EQ(back.HoursCSpinEdit, 3);
  EXPECT_EQ(back.MinutesComboBox, 2);
  EXPECT_EQ(back.TimeRadioGroup, 0);
  EXPECT_EQ(back.InComboBox[2], -1);
  EXPECT_EQ(back.ReportsFolder, "/srv/reports");
  EXPECT_EQ(back.SavedPointsText, (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(back.SavedObjectsText, (std::vector<std::string>{"17"}));
}

TEST_F(SettingsTest, WindowsFileIsReadAsCp1251AndRewrittenAsUtf8) {
  { std::ofstream(file, std::ios::binary) << "[Settings]\r\nIn1Name=\xC7\xE0\xE6\xE8\xE3\xE0\xED\xE8\xE5\r\n"; }
  TFormState f;
  ASSERT_TRUE(ReadIniData(file, f));
  EXPECT_EQ(f.InLabel[0], "Зажигание");
  TTestServices services;
  ASSERT_TRUE(WriteData(file, f, services));
  EXPECT_NE(FileText().find("In1Name=Зажигание\n"), std::string::npos);
}

TEST_F(SettingsTest, FailedWriteLeavesThePreviousFileWhole) {
  { std::ofstream(file) << "[Settings]\nMinTime=77\n"; }
  const std::string before = FileText();
  TFormState f;
  f.MinTimeEdit = "1";
  // A disk that fills up after 64 bytes: works for root too, unlike chmod.
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit tiny = old;
  tiny.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
  TTestServices services;
  const bool ok = WriteData(file, f, services);
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(ok);
  EXPECT_EQ(services.Errors(), (std::vector<std::string>{kMsgSettingsWrite}));
  EXPECT_EQ(FileText(), before);
  std::size_t leftovers = 0;
  for (const auto& e : fs::directory_iterator(dir)) leftovers += e.path() != file ? 1 : 0;
  EXPECT_EQ(leftovers, 0u) << "no temporary file is left behind";
}

TEST_F(SettingsTest, ReadOnlyPlacesShowTheMessage) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  { std::ofstream(file) << "[Settings]\nMinTime=77\n"; }
  fs::permissions(file, fs::perms::owner_read);
  TTestServices services;
  EXPECT_FALSE(WriteData(file, TFormState{}, services));
  EXPECT_EQ(services.Errors(), (std::vector<std::string>{kMsgSettingsWrite}));
  fs::permissions(file, fs::perms::owner_all);
}

TEST_F(SettingsTest, PlaceBesideAWritableProgramElseInTheConfigFolder) {
  EXPECT_EQ(SettingsFilePath(dir / "vedograf"), dir / "vedograf.ini");
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = oldXdg ? oldXdg : "";
  ::setenv("XDG_CONFIG_HOME", (dir / "cfg").c_str(), 1);
  EXPECT_EQ(SettingsFilePath("/proc/vedograf"), dir / "cfg" / "vedograf" / "vedograf.ini");
  ::setenv("XDG_CONFIG_HOME", "relative", 1);
  EXPECT_EQ(SettingsFilePath("/proc/vedograf").parent_path().filename(), "vedograf");
  EXPECT_EQ(SettingsFilePath("/proc/vedograf").parent_path().parent_path().filename(), ".config");
  if (oldXdg) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else ::unsetenv("XDG_CONFIG_HOME");

  // WriteData makes the folder when it is not there yet.
  TTestServices services;
  ASSERT_TRUE(WriteData(dir / "cfg" / "vedograf" / "vedograf.ini", TFormState{}, services));
}

TEST_F(SettingsTest, HandlersRunInReadingOrderAndAThrowStopsTheReading) {
  struct TRecorder : ISettingsHandlers {
    std::vector<std::string> calls;
    const TFormState* form = nullptr;
    void DaysCheckBoxClick() override { calls.push_back("Days"); }
    void NavLackCheckBoxClick() override { calls.push_back("NavLack"); }
    void InCheckBoxClick(int n) override { calls.push_back("In" + std::to_string(n)); }
    void UseLLSComboBoxChange() override {
      calls.push_back("LLS" + std::to_string(form->UseLLSComboBox));
      throw std::runtime_error("the window cannot take it");
    }
  } h;
  TProfile p;
  p.Parse("[Settings]\nUseLLS=1\nTimeType=2\n");
  TFormState f;
  h.form = &f;
  EXPECT_FALSE(ReadIniData(p, f, &h));
  EXPECT_EQ(h.calls, (std::vector<std::string>{"Days", "NavLack", "In1", "In2", "In3", "In4", "In5", "LLS1"}));
  EXPECT_EQ(f.TimeRadioGroup, 1) << "keys after the failure keep the designed state";
}

TEST_F(SettingsTest, OversizedFileIsNotReadAndNotOverwritten) {
  // The largest file is read; a sparse 100 MB one is refused after its first
  // piece beyond the bound, and the close keeps it rather than lose it.
  const std::string head = "[Settings]\nMinTime=7\n";
  { std::ofstream(file, std::ios::binary) << head << std::string(TProfile::kMaxFileBytes - head.size(), ';'); }
  TProfile p;
  EXPECT_TRUE(p.Load(file));
  EXPECT_EQ(p.Read("Settings", "MinTime"), "7");
  fs::resize_file(file, std::uintmax_t{100} << 20);
  EXPECT_FALSE(p.Load(file));
  EXPECT_FALSE(p.Read("Settings", "MinTime"));
  TFormState f;
  EXPECT_FALSE(ReadIniData(file, f));
  TTestServices services;
  EXPECT_FALSE(WriteData(file, f, services));
  EXPECT_EQ(services.Errors(), std::vector<std::string>{kMsgSettingsWrite});
  EXPECT_EQ(fs::file_size(file), std::uintmax_t{100} << 20);

  // Lines are bounded too, the last one counted without its line feed.
  { std::ofstream(file, std::ios::binary) << head << std::string(TProfile::kMaxFileLines - 2, '\n'); }
  EXPECT_TRUE(p.Load(file));
  EXPECT_EQ(p.Read("Settings", "MinTime"), "7");
  { std::ofstream(file, std::ios::app | std::ios::binary) << "x"; }
  EXPECT_FALSE(p.Load(file));
}

TEST_F(SettingsTest, SelectionBeyondTheReadableBoundIsNotWritten) {
  // What the next start could not read would never be replaced again.
  { std::ofstream(file) << "[Settings]\nMinTime=7\n"; }
  TFormState f;
  std::vector<std::string> names(TProfile::kMaxFileLines, "a");
  f.PointsListBox.SetItems(names);
  f.PointsListBox.Selected.assign(names.size(), true);
  TTestServices services;
  EXPECT_FALSE(WriteData(file, f, services));
  EXPECT_EQ(services.Errors(), std::vector<std::string>{kMsgSettingsWrite});
  EXPECT_EQ(FileText(), "[Settings]\nMinTime=7\n");

  // Far fewer are written at once, in order, and read back whole.
  names.resize(100000);
  for (std::size_t i = 0; i < names.size(); ++i) names[i] = "Район " + std::to_string(i);
  f.PointsListBox.SetItems(names);
  f.PointsListBox.Selected.assign(names.size(), true);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(WriteData(file, f, services));
  TFormState back;
  ASSERT_TRUE(ReadIniData(file, back));
  EXPECT_EQ(back.SavedPointsText, names);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(SettingsTest, LargeSelectionsAreReadAndRestoredInOnePass) {
  // Keys in reverse order: entry k stands at line n-1-k, at or after its own
  // line only for the first half. Numbers written otherwise (P007, P+2) do
  // not count; a key beyond the last entry's line still makes an entry.
  constexpr std::size_t n = 200000;
  std::string text = "[SelectedPoints]\n";
  for (std::size_t k = n; k-- > 0;) text += "p" + std::to_string(k) + "=A" + std::to_string(k % 1000) + "\n";
  text += "P007=x\nP-1=x\nP+2=x\nP" + std::to_string(n) + "=x\n[SelectedObjects]\n";
  for (std::size_t k = 0; k < n; ++k) text += "O" + std::to_string(k) + "=" + std::to_string(k % 3 + 1) + "\n";
  const auto start = std::chrono::steady_clock::now();
  TFormState f = ReadText(text);
  ASSERT_EQ(f.SavedPointsText.size(), n + 4);
  for (std::size_t k = 0; k < n + 4; ++k) {
    const std::string want = k < n / 2 ? "A" + std::to_string(k % 1000) : k == n ? "x" : "";
    ASSERT_EQ(f.SavedPointsText[k], want) << k;
  }

  std::vector<std::string> items;
  for (int i = 0; i < 50000; ++i) items.push_back(" A" + std::to_string(i % 2000) + " ");
  f.PointsListBox.SetItems(items);
  RestorePointsSelection(f.PointsListBox, f.SavedPointsText);
  // Each of A0..A999 was saved 100 times and has 25 items: all of them taken.
  for (int i = 0; i < 50000; ++i) ASSERT_EQ(f.PointsListBox.Selected[i], i % 2000 < 1000) << i;

  items.clear();
  for (int i = 0; i < 50000; ++i) items.push_back(std::to_string(i) + "  -  Car");
  f.ObjectsListBox.SetItems(items);
  RestoreObjectsSelection(f.ObjectsListBox, f.SavedObjectsText);
  // "1", "2" and "3", saved over 60000 times each, take every item beginning
  // with them: 11111 each below 50000.
  EXPECT_EQ(f.ObjectsListBox.SelectedCount(), 3u * 11111);
  EXPECT_FALSE(f.ObjectsListBox.Selected[0]);
  EXPECT_TRUE(f.ObjectsListBox.Selected[19999]);
  EXPECT_FALSE(f.ObjectsListBox.Selected[40000]);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

// Keys are looked up through an index: it must give what a walk over the
// lines gives, whatever the writes in between did to the lines.
TEST(ProfileKeys, LookupsAgreeWithTheFirstMatchingLineAfterEveryChange) {
  TProfile p;
  p.Parse("[S]\nKey=1\n;key=comment\nkey=2\nnovalue\n  Other = x \n\n[T]\nkey=t\n");
  EXPECT_EQ(p.Read("s", "KEY"), "1");  // the first line of the key, in any case
  EXPECT_EQ(p.Read("S", "other"), "x");
  EXPECT_EQ(p.Read("S", "novalue"), std::nullopt);
  p.Write("S", "kEy", "3");  // replaces the first, the second stays
  EXPECT_EQ(p.Read("S", "key"), "3");
  EXPECT_EQ(p.Text(), "[S]\nkEy=3\n;key=comment\nkey=2\nnovalue\n  Other = x \n\n[T]\nkey=t\n");
  // A key that reads back as another: its line no longer answers for it.
  p.Write("S", "other", "a=b");
  p.Write("S", "KEY", "4");
  p.Write("S", "Key=Sub", "5");  // a new line whose key reads back as "Key"
  EXPECT_EQ(p.Read("S", "key"), "4");
  p.Write("S", "other", "y");
  EXPECT_EQ(p.Read("S", "OTHER"), "y");
  p.Write("S", "new", "n");  // before the blank line that ends the section
  EXPECT_EQ(p.Read("S", "new"), "n");
  EXPECT_EQ(p.Text(), "[S]\nKEY=4\n;key=comment\nkey=2\nnovalue\nother=y\nKey=Sub=5\nnew=n\n\n[T]\nkey=t\n");
  // Refilled after erasing, and appended twice: the first stays.
  p.EraseSection("t");
  p.Append("T", "k", "1");
  p.Append("T", "K", "2");
  EXPECT_EQ(p.Read("T", "k"), "1");
  p.Parse("[S]\nkey=fresh\n");
  EXPECT_EQ(p.Read("S", "key"), "fresh");
  EXPECT_EQ(p.Read("S", "new"), std::nullopt);
  // A section given twice answers from its first; once that is erased, from
  // whichever of its name comes first, also one made after the erasure.
  p.Parse("[B]\nk=b\n[A]\nk=a1\n[a]\nk=a2\n");
  EXPECT_EQ(p.Read("b", "k"), "b");
  EXPECT_EQ(p.Read("A", "k"), "a1");
  p.EraseSection("B");  // the second of the name now stands where the first was
  EXPECT_EQ(p.Read("A", "k"), "a1");
  p.EraseSection("A");  // both of the name go
  EXPECT_EQ(p.Read("a", "k"), std::nullopt);
  p.Write("B", "k", "new");
  p.Write("A", "k", "again");
  EXPECT_EQ(p.Read("b", "k"), "new");
  EXPECT_EQ(p.Read("a", "k"), "again");
  EXPECT_EQ(p.Text(), "[B]\nk=new\n\n[A]\nk=again\n");
}

TEST(DateTextTest, WriterAndReaderAgree) {
  EXPECT_EQ(FormatSettingsDateTime(EncodeDate(2008, 1, 1)), "01.01.2008");
  EXPECT_EQ(FormatSettingsDateTime(EncodeDateTime(2008, 1, 1, 0, 0, 1)), "01.01.2008 00:00:01");
  double v = 0;
  EXPECT_TRUE(TryParseDateTime("1.3.10 8:05", v));
  EXPECT_DOUBLE_EQ(v, EncodeDateTime(2010, 3, 1, 8, 5));
  for (const char* bad : {"", "32.01.2010", "01.13.2010", "01.01.2010 24:00", "01.01.2010x", "2010-01-01"}) {
    EXPECT_FALSE(TryParseDateTime(bad, v)) << bad;
  }
}

}  // namespace
}  // namespace vedograf

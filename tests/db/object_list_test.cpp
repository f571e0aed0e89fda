#include <gtest/gtest.h>

#include "db/object_list.h"

namespace vedograf::db {
namespace {

TEST(ObjectList, NumbersFromBothTablesSortedWithoutZeroOrNegatives) {
  const std::vector<TAddressRow> addresses = {{5, "Пятый"}, {0, "zero"}, {-2, "neg"}, {12, "a"}, {5, "again"}};
  EXPECT_EQ(CalcObjects({3, 12, -1, 0, 1}, addresses), (std::vector<std::int32_t>{1, 3, 5, 12}));
  EXPECT_TRUE(CalcObjects({}, {}).empty());
  EXPECT_EQ(CalcObjects({}, {{7, ""}}), (std::vector<std::int32_t>{7}));
}

TEST(ObjectList, LastAddressRowNamesTheObject) {
  const std::vector<TAddressRow> addresses = {{3, "Старое"}, {3, "Новое"}, {99, "не объект"}, {1, ""}};
  const TObjReports objects = FillObjectsGrid({1, 3, 4}, addresses);
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[1].Name, "Новое");
  EXPECT_EQ(ObjectItemText(objects[0]), "1");
  EXPECT_EQ(ObjectItemText(objects[1]), "3  -  Новое");
  EXPECT_EQ(ObjectItemText(objects[2]), "4");
  for (const TObjReport& o : objects) EXPECT_FALSE(o.Chosen);
}

TEST(ObjectList, RestoreSelectsFirstUnselectedItemWithThePrefix) {
  const std::vector<std::string> items = {"1  -  Один", "12", "13  -  x", "21"};
  std::vector<bool> sel;
  RestoreObjectSelection(items, "1,1,1", sel);
  EXPECT_EQ(sel, (std::vector<bool>{true, true, true, false}));
  RestoreObjectSelection(items, "", sel = {});
  EXPECT_EQ(sel, (std::vector<bool>{false, false, false, false}));
  const std::vector<std::string> without1 = {"12", "13", "21"};
  RestoreObjectSelection(without1, "1,,21,5", sel = {});
  EXPECT_EQ(sel, (std::vector<bool>{true, false, true}));
}

}  // namespace
}  // namespace vedograf::db

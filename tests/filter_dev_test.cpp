// Range filter, main menu choice 6: the three ranges, the count line, print or save.
#include <gtest/gtest.h>

#include "console/globals.h"
#include "support/records.h"
#include "support/transcript.h"

namespace {

const std::string kFilterMenu =
    "\n" + SubMenu({"*  1-按设备数量筛选 *\n", "*  2-按购买时间筛选 *\n", "*  3-按价格筛选    *\n"});
const char* const kPrompts[] = {"请输入筛选范围(例:666 2333):",
                                "请输入筛选范围(例:2042.1.1 2077.12.31):",
                                "请输入筛选范围(例:6666 23333):"};

const char* const kRecords[] = {
    "a n h d 666 2042.1.1 8000",    "b n h d 1000 2050.6.15 10000", "c n h d 2333 2077.12.31 666",
    "d n h d 665 2041.12.31 23334", "e n h d 2334 2078.1.1 100000", "f n h d 10000 2042-1-1 12.5",
    "g n h d 0666 2060.1.1 50",     "h n h d 5 2042.5.5 23333",
};

class FilterDevTest : public OperationTest {
 protected:
  void SetUp() override {
    OperationTest::SetUp();
    DevList::Records records;
    for (const char* line : kRecords) {
      records.push_back(RecordOf(line, static_cast<int>(records.size() + 1)));
    }
    dev = DevList(records);
  }

  // The transcript up to the output choice prompt of a filter that keeps count records.
  static std::string Kept(int mode, int count) {
    return MainMenu() + kFilterMenu + Gbk(kPrompts[mode - 1]) + Gbk("筛选到 ") +
           std::to_string(count) + Gbk(" 条记录, 耗时 0 毫秒\n") + OutputMenu();
  }

  static std::string Rows(std::initializer_list<int> serials) {
    std::string rows = Header();
    for (int serial : serials) rows += Row(serial, kRecords[serial - 1]);
    return rows;
  }
};

TEST_F(FilterDevTest, QuantityRangePrintsWithTheSerialsInTheDataSet) {
  SessionResult r = Run("6\n1\n666 2333\n1\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(Kept(1, 4) + Rows({1, 2, 3, 7}) + BackToMenu()));
  EXPECT_EQ(File("filter.out"), "<missing>");
}

TEST_F(FilterDevTest, SavedResultsAreNumberedOneToK) {
  SessionResult r = Run("6\n3\n6666\n23333\n2\n0\n");  // bounds on two lines
  EXPECT_EQ(Utf8(r.output), Utf8(Kept(3, 3) + Saved("filter.out", 3) + BackToMenu()));
  EXPECT_EQ(File("filter.out"), std::string("1 ") + kRecords[0] + "\n2 " + kRecords[1] +
                                    "\n3 " + kRecords[7] + "\n");
  EXPECT_EQ(dev.size(), 8u);
  EXPECT_EQ(dev[7].serial, 8) << "the data set keeps its serials";
  EXPECT_EQ(backup.size(), 0u);
  EXPECT_EQ(File("dev.out"), "<missing>");
}

TEST_F(FilterDevTest, RangesAreInclusiveTextRangesNeverSwapped) {
  const struct {
    const char* input;
    int mode;
    std::initializer_list<int> kept;
  } cases[] = {
      {"1\n2333 666", 1, {1, 3}},                 // reversed: only the bounds themselves
      {"1\n5 5", 1, {8}},
      {"3\n10 99", 3, {7}},                       // 12.5 is longer than 99
      {"2\n2042.1.1 2077.12.31", 2, {1, 2, 3, 6, 7, 8}},
  };
  for (const auto& c : cases) {
    SessionResult r = Run(std::string("6\n") + c.input + "\n1\n0\n");
    EXPECT_EQ(Utf8(r.output), Utf8(Kept(c.mode, static_cast<int>(c.kept.size())) +
                                   Rows(c.kept) + BackToMenu()))
        << c.input;
  }
}

TEST_F(FilterDevTest, NothingKeptSkipsTheOutputChoice) {
  SessionResult r = Run("6\n3\n23335 99999\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(MainMenu() + kFilterMenu + Gbk(kPrompts[2]) +
                                 Gbk("无法筛选到此设备.\n") + BackToMenu()));
  dev.clear();
  SessionResult empty = Run("6\n2\n2042.1.1 2077.12.31\n0\n");
  EXPECT_EQ(Utf8(empty.output), Utf8(MainMenu() + kFilterMenu + Gbk(kPrompts[1]) +
                                     Gbk("无法筛选到此设备.\n") + BackToMenu()));
  EXPECT_EQ(File("filter.out"), "<missing>");
}

TEST_F(FilterDevTest, ModeAndOutputTokensAreValidatedAsTokens) {
  SessionResult r = Run("6\n0 4 01 +3 3a\n1\n5 5\n0 3 01 +1 1a\n1\n0\n");
  std::string expected = MainMenu() + kFilterMenu;
  for (int i = 0; i < 5; ++i) expected += BadChoice();
  expected += Gbk(kPrompts[0]) + Gbk("筛选到 1 条记录, 耗时 0 毫秒\n") + OutputMenu();
  for (int i = 0; i < 5; ++i) expected += BadChoice();
  EXPECT_EQ(Utf8(r.output), Utf8(expected + Rows({8}) + BackToMenu()));
}

TEST_F(FilterDevTest, WaitsForTheSecondBound) {
  SessionResult r = Run("6\n1\n666\n");
  EXPECT_EQ(Utf8(r.output), Utf8(MainMenu() + kFilterMenu + Gbk(kPrompts[0]) + "\n"));
  EXPECT_EQ(r.status, 0);
}

TEST(FilterDevBinary, EmptyDataSetKeepsNothing) {
  TempDir dir;
  SessionResult r = RunBinary(dir.path(), "6\n1\n666 2333\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(MainMenu() + kFilterMenu + Gbk(kPrompts[0]) +
                                 Gbk("无法筛选到此设备.\n") + BackToMenu()));
}

}  // namespace

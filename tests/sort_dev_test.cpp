// Sorting, main menu choice 5: the eight orders, saving as a change, the browse question.
#include <gtest/gtest.h>

#include "console/globals.h"
#include "support/records.h"
#include "support/transcript.h"

namespace {

const std::string kSortMenu =
    "\n" + SubMenu({"*  1-按设备编号升序 *\n", "*  2-按设备数量升序 *\n",
                    "*  3-按购买时间升序 *\n", "*  4-按设备价格升序 *\n",
                    "*  5-按设备编号降序 *\n", "*  6-按设备数量降序 *\n",
                    "*  7-按购买时间降序 *\n", "*  8-按设备价格降序 *\n"});
const std::string kAsk = Gbk("是否浏览数据?(y/n)\n");
const std::string kBadBrowse = Gbk("非法输入，请重新输入:");

// Names a to d tell the records apart; codes, quantities, times and prices are the keys.
const Lines kRecords = {"9 a U1 ops 5 2042.10.1 9.99", "10 b U2 ops 3 2042.9.1 12.5",
                        "007 c U3 ops 5 2041.12.31 100", "A7 d U4 ops 5 2042.9.1 8"};

class SortDevTest : public OperationTest {
 protected:
  void SetUp() override {
    OperationTest::SetUp();
    dev = ListOf(kRecords);
    backup.Add(dev);  // as the change that built the data set left it
  }

  // Everything a sort of n records prints up to and including the browse question.
  static std::string Sorted(std::size_t n) {
    return MainMenu() + kSortMenu + Gbk("排序完成, 耗时 0 毫秒\n") +
           Saved("dev.out", static_cast<int>(n)) + kAsk;
  }
};

TEST_F(SortDevTest, EachOrderSortsSavesAndRenumbers) {
  const struct {
    const char* order;
    const char* names;
  } cases[] = {
      {"1", "1:a 2:b 3:d 4:c"}, {"5", "1:c 2:d 3:b 4:a"},  // 9, 10, A7, 007
      {"2", "1:b 2:a 3:c 4:d"}, {"6", "1:a 2:c 3:d 4:b"},  // ties keep their order
      {"3", "1:c 2:b 3:d 4:a"}, {"7", "1:a 2:b 3:d 4:c"},  // by date, not by text
      {"4", "1:d 2:c 3:b 4:a"}, {"8", "1:a 2:b 3:c 4:d"},  // 8, 100, 12.5, 9.99
  };
  for (const auto& c : cases) {
    SetUp();
    SessionResult r = Run(std::string("5\n") + c.order + "\nn\n0\n");
    EXPECT_EQ(Utf8(r.output), Utf8(Sorted(4) + BackToMenu())) << c.order;
    EXPECT_EQ(Render(dev, &device::name), c.names) << c.order;
    std::string file;
    for (const device& d : dev) {
      file += std::to_string(d.serial) + " " + std::string(d.code.view()) + " " +
              std::string(d.name.view()) + " " + std::string(d.holder.view()) + " ops " +
              std::string(d.quantity.view()) + " " + std::string(d.purchaseTime.view()) + " " +
              std::string(d.price.view()) + "\n";
    }
    EXPECT_EQ(File("dev.out"), file) << c.order;
    // The sorted state is the last snapshot; the one before it is what undo brings back.
    ASSERT_EQ(backup.size(), 2u);
    EXPECT_EQ(Render(backup.at(1), &device::name), c.names);
    EXPECT_EQ(Render(backup.at(0), &device::name), "1:a 2:b 3:c 4:d");
  }
}

TEST_F(SortDevTest, OrderTokensOutsideOneToEightAreIllegal) {
  SessionResult r = Run("5\n0 9 10 08 +1 a\n8\nn\n0\n");
  std::string expected = MainMenu() + kSortMenu;
  for (int i = 0; i < 6; ++i) expected += Gbk("非法输入!\n->请选择操作:");
  expected += Gbk("排序完成, 耗时 0 毫秒\n") + Saved("dev.out", 4) + kAsk + BackToMenu();
  EXPECT_EQ(Utf8(r.output), Utf8(expected));
}

TEST_F(SortDevTest, BrowseAnswerIsOneLowerCaseByte) {
  // Y, N, each byte of ab and both GBK bytes of 否 are rejected one by one.
  SessionResult r = Run("5\n1\nY N ab " + Gbk("否") + "\nn\n0\n");
  std::string expected = Sorted(4);
  for (int i = 0; i < 6; ++i) expected += kBadBrowse;
  EXPECT_EQ(Utf8(r.output), Utf8(expected + BackToMenu()));
  EXPECT_EQ(r.pauses, 1);
  // ab then waits for more input: at its end the session ends.
  SetUp();
  SessionResult waits = Run("5\n1\nab\n");
  EXPECT_EQ(Utf8(waits.output), Utf8(Sorted(4) + kBadBrowse + kBadBrowse + "\n"));
}

TEST_F(SortDevTest, TypedAheadAnswersArePickedUp) {
  SessionResult r = Run("5\n1 n\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(Sorted(4) + BackToMenu()));
  EXPECT_EQ(Render(dev, &device::name), "1:a 2:b 3:d 4:c");
}

// y hands over to browsing, whose epilogue ends the sort too: exactly one epilogue. The
// es of yes is left for the main menu, which rejects it.
TEST_F(SortDevTest, YesBrowsesAndLeavesEsForTheMenu) {
  SessionResult r = Run("5\n2\nyes\n0\n");
  const std::string head = Sorted(4);
  ASSERT_EQ(Utf8(r.output.substr(0, head.size())), Utf8(head));
  const std::string tail = BackToMenu() + BadChoice();
  ASSERT_GE(r.output.size(), head.size() + tail.size());
  EXPECT_EQ(Utf8(r.output.substr(r.output.size() - tail.size())), Utf8(tail));
  const std::string epilogue = Gbk("操作完成, 1 秒后返回初始界面.\n");
  EXPECT_EQ(r.output.find(epilogue), r.output.rfind(epilogue)) << "one epilogue";
  EXPECT_EQ(r.pauses, 1);
  EXPECT_EQ(Render(dev, &device::name), "1:b 2:a 3:c 4:d");
  EXPECT_EQ(r.status, 0);
}

TEST_F(SortDevTest, EmptyDataSetIsStillAChange) {
  dev.clear();
  backup.clear();
  WriteFile(dir_.File("dev.out"), "stale\n");
  SessionResult r = Run("5\n3\nn\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(Sorted(0) + BackToMenu()));
  EXPECT_EQ(File("dev.out"), "");
  ASSERT_EQ(backup.size(), 1u);
  EXPECT_TRUE(backup.at(0).empty());
}

TEST_F(SortDevTest, EndOfInputAtTheBrowseQuestion) {
  SessionResult r = Run("5\n1\n  \n");
  EXPECT_EQ(Utf8(r.output), Utf8(Sorted(4) + "\n"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(File("dev.out").substr(0, 2), "1 ") << "saved before the question";
}

TEST(SortDevBinary, TypedAheadOnAnEmptyDataSet) {
  TempDir dir;
  SessionResult r = RunBinary(dir.path(), "5\n1 n\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(MainMenu() + kSortMenu + Gbk("排序完成, 耗时 0 毫秒\n") +
                                 Saved("dev.out", 0) + kAsk + BackToMenu()));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadFile(dir.File("dev.out")), "");
}

}  // namespace

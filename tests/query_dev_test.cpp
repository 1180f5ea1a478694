// Query, main menu choice 3: the three modes, the count line and the numeric output choice.
#include <gtest/gtest.h>

#include <cstdio>

#include "console/globals.h"
#include "support/records.h"
#include "support/transcript.h"

namespace {

const std::string kQueryMenu =
    "\n" + SubMenu({"*  1-按设备名称查找 *\n", "*  2-按所属部门查找 *\n", "*  3-全域查找      *\n"});

const char* const kRecords[] = {
    "D1 printer U07 ops 3 2042.1.1 2500",  "D2 scanner U08 lab 03 2043.5.6 100",
    "D3 printer U09 ops 1 2044.1.1 70",    "D4 Printer U10 lab 3 2045.1.1 80",
    "D5 laserprinter U11 ops 5 2046.1.1 3x",
};

class QueryDevTest : public OperationTest {
 protected:
  void SetUp() override {
    OperationTest::SetUp();
    dev = ListOf({kRecords[0], kRecords[1], kRecords[2], kRecords[3], kRecords[4]});
  }

  // The transcript up to the output choice prompt of a query that finds count records.
  static std::string Found(const char* prompt, int count) {
    return MainMenu() + kQueryMenu + Gbk(prompt) + Gbk("查询到 ") + std::to_string(count) +
           Gbk(" 条记录, 耗时 0 毫秒\n") + OutputMenu();
  }
};

TEST_F(QueryDevTest, ByNamePrintsTheMatchesWithTheirSerials) {
  SessionResult r = Run("3\n1\nprinter\n1\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(Found("请输入设备名称:", 2) + Header() + Row(1, kRecords[0]) +
                                 Row(3, kRecords[2]) + BackToMenu()));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.pauses, 1);
  EXPECT_EQ(File("query.out"), "<missing>");
}

TEST_F(QueryDevTest, ByDepartmentSavesNumberedOneToK) {
  SessionResult r = Run("3\n2\nlab\n2\n0\n");
  EXPECT_EQ(Utf8(r.output),
            Utf8(Found("请输入所属部门名称:", 2) + Saved("query.out", 2) + BackToMenu()));
  EXPECT_EQ(File("query.out"), std::string("1 ") + kRecords[1] + "\n2 " + kRecords[3] + "\n");
  EXPECT_EQ(Render(dev), "1:D1 2:D2 3:D3 4:D4 5:D5") << "the data set is only read";
  EXPECT_EQ(backup.size(), 0u);
  EXPECT_EQ(File("dev.out"), "<missing>");
}

// The keyword number matches serials; texts match whole, byte for byte.
TEST_F(QueryDevTest, GlobalSearchKeywords) {
  const struct {
    const char* keyword;
    const char* found;  // "" for none
  } cases[] = {
      {"3", "1:D1 3:D3 4:D4"}, {"03", "2:D2 3:D3"}, {"3x", "3:D3 5:D5"},
      {"abc", ""},             {"0", ""},           {"-2", ""},
      {"printer", "1:D1 3:D3"}, {"Printer", "4:D4"}, {"2042.1.1", "1:D1"},
  };
  for (const auto& c : cases) {
    const bool none = *c.found == '\0';
    SessionResult r = Run(std::string("3\n3\n") + c.keyword + (none ? "\n0\n" : "\n1\n0\n"));
    const std::string head = MainMenu() + kQueryMenu + Gbk("请输入关键字:");
    ASSERT_EQ(r.output.compare(0, head.size(), head), 0) << c.keyword;
    std::string shown;
    for (const device& d : dev) {
      if (r.output.find(Row(d.serial, kRecords[d.serial - 1])) == std::string::npos) continue;
      shown += (shown.empty() ? "" : " ") + std::to_string(d.serial) + ":" +
               std::string(d.code.view());
    }
    EXPECT_EQ(shown, c.found) << c.keyword;
    if (none) {
      EXPECT_EQ(Utf8(r.output), Utf8(head + Gbk("无法查询到此设备.\n") + BackToMenu()))
          << c.keyword;
    }
  }
}

TEST_F(QueryDevTest, OutputChoiceIsReadAsANumber) {
  // 0, 3, -1, an unreadable token and one too large for 32 bits are rejected; after
  // 2x the results are saved and the x is left for the main menu, which rejects it.
  SessionResult r = Run("3\n1\nprinter\n0\n3\n-1\nabc\n99999999999\n2x\n0\n");
  const std::string again = Gbk("输入有误!\n->请选择操作:");
  EXPECT_EQ(Utf8(r.output), Utf8(Found("请输入设备名称:", 2) + again + again + again + again +
                                 again + Saved("query.out", 2) + BackToMenu() + BadChoice()));
  EXPECT_EQ(r.status, 0);
  for (const char* save : {"2", "02", "+2", " \t2"}) {
    std::remove(dir_.File("query.out").c_str());
    SessionResult s = Run(std::string("3\n1\nprinter\n") + save + "\n0\n");
    EXPECT_EQ(Utf8(s.output),
              Utf8(Found("请输入设备名称:", 2) + Saved("query.out", 2) + BackToMenu()))
        << save;
    EXPECT_EQ(File("query.out"), std::string("1 ") + kRecords[0] + "\n2 " + kRecords[2] + "\n");
  }
}

TEST_F(QueryDevTest, ModeTokensOtherThanOneToThreeAreRejected) {
  SessionResult r = Run("3\n0 4 01 +3 3a 1.0\n1\nnothing\n0\n");
  std::string expected = MainMenu() + kQueryMenu;
  for (int i = 0; i < 6; ++i) expected += BadChoice();
  expected += Gbk("请输入设备名称:无法查询到此设备.\n") + BackToMenu();
  EXPECT_EQ(Utf8(r.output), Utf8(expected));
}

TEST_F(QueryDevTest, EmptyDataSetStillAsksThenFindsNothing) {
  dev.clear();
  SessionResult r = Run("3\n3\n1\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(MainMenu() + kQueryMenu + Gbk("请输入关键字:") +
                                 Gbk("无法查询到此设备.\n") + BackToMenu()));
  EXPECT_EQ(File("query.out"), "<missing>");
}

TEST_F(QueryDevTest, EndOfInputAtTheOutputChoiceEndsTheSession) {
  SessionResult r = Run("3\n1\nprinter\n");
  EXPECT_EQ(Utf8(r.output), Utf8(Found("请输入设备名称:", 2) + "\n"));
  EXPECT_EQ(r.status, 0);
  SessionResult bad = Run("3\n1\nprinter\nabc");
  EXPECT_EQ(Utf8(bad.output), Utf8(Found("请输入设备名称:", 2) + BadChoice() + "\n"));
}

TEST(QueryDevBinary, EmptyDataSetFindsNothing) {
  TempDir dir;
  SessionResult r = RunBinary(dir.path(), "3\n3\nabc\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(MainMenu() + kQueryMenu + Gbk("请输入关键字:") +
                                 Gbk("无法查询到此设备.\n") + BackToMenu()));
  EXPECT_EQ(r.status, 0);
}

}  // namespace

// Quantity statistics, main menu choice 8: totals per name, the table and stat.out.
#include <gtest/gtest.h>

#include <filesystem>

#include "console/globals.h"
#include "support/records.h"
#include "support/transcript.h"

namespace {

const std::string kTook = Gbk("统计完成, 耗时 0 毫秒\n");
const std::string kTableHead = Gbk("设备名称\t设备数量\n");

class StatDevTest : public OperationTest {
 protected:
  // A data set of (name, quantity) pairs; the other fields do not count.
  void Fill(std::initializer_list<std::pair<std::string, std::string>> pairs) {
    DevList::Records records;
    for (auto [name, quantity] : pairs) {
      records.push_back(RecordOf(std::string("c ") + name + " h d " + quantity + " t 1",
                                 static_cast<int>(records.size() + 1)));
    }
    dev = DevList(records);
  }

  // What choice 8 prints up to its output choice prompt; no empty line comes first.
  static std::string Asked() { return MainMenu() + kTook + OutputMenu(); }
};

TEST_F(StatDevTest, TotalsPerNamePrintedAsATable) {
  Fill({{"printer", "3"}, {"scanner", "5"}, {"printer", "2"}});
  SessionResult r = Run("8\n1\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(Asked() + kTableHead + "printer\t\t5\nscanner\t\t5\n" +
                                 BackToMenu()));
  EXPECT_EQ(File("stat.out"), "<missing>");
  EXPECT_EQ(dev.size(), 3u);
  EXPECT_EQ(backup.size(), 0u);
  EXPECT_EQ(File("dev.out"), "<missing>");
}

TEST_F(StatDevTest, SavedTotalsCountNamesNotRecords) {
  Fill({{"printer", "3"}, {"scanner", "5"}, {"printer", "2"}});
  SessionResult r = Run("8 2\n0\n");  // typed ahead
  EXPECT_EQ(Utf8(r.output), Utf8(Asked() + Saved("stat.out", 2) + BackToMenu()));
  EXPECT_EQ(File("stat.out"), "printer 5\nscanner 5\n");
}

TEST_F(StatDevTest, NamesInByteOrderQuantitiesByPrefixValue) {
  const std::string da = Gbk("打");
  Fill({{"9", "1"}, {"10", "abc"}, {"pc2", "12abc"}, {"pc", "-3"}, {"Printer", "+4"},
        {"printer", "007"}, {da, "1"}, {"big", "2000000000"}, {"big", "1000000000"},
        {"pc", "-1"}});
  SessionResult r = Run("8\n1\n8\n2\n0\n");
  const std::string rows =
      "10\t\t0\n9\t\t1\nPrinter\t\t4\nbig\t\t3000000000\npc\t\t-4\npc2\t\t12\nprinter\t\t7\n"
      + da + "\t\t1\n";
  EXPECT_EQ(Utf8(r.output), Utf8(Asked() + kTableHead + rows + BackToMenu() + kTook +
                                 OutputMenu() + Saved("stat.out", 8) + BackToMenu()));
  // The second run rebuilt the totals: the file shows the same ones, nothing doubled.
  EXPECT_EQ(File("stat.out"),
            "10 0\n9 1\nPrinter 4\nbig 3000000000\npc -4\npc2 12\nprinter 7\n" + da + " 1\n");
  EXPECT_EQ(state::stat.size(), 8u) << "one entry per name";
  EXPECT_EQ(state::stat.find("big")->second, 3000000000);
}

TEST_F(StatDevTest, EmptyDataSet) {
  SessionResult r = Run("8\n1\n8\n2\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(Asked() + kTableHead + BackToMenu() + kTook + OutputMenu() +
                                 Saved("stat.out", 0) + BackToMenu()));
  EXPECT_EQ(File("stat.out"), "");
}

TEST_F(StatDevTest, OutputChoiceTokensAreValidated) {
  SessionResult r = Run("8\n0 3 01 +1 2a\n1\n0\n");
  std::string expected = Asked();
  for (int i = 0; i < 5; ++i) expected += BadChoice();
  EXPECT_EQ(Utf8(r.output), Utf8(expected + kTableHead + BackToMenu()));
}

TEST_F(StatDevTest, UnwritableFileIsReportedAndTheProgramGoesOn) {
  Fill({{"printer", "3"}});
  std::filesystem::create_directory(dir_.File("stat.out"));
  SessionResult r = Run("8\n2\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(Asked() + Gbk("写入文件打开失败！\n") + BackToMenu()));
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir_.File("stat.out")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1)
      << "no temporary file is left behind";
}

TEST_F(StatDevTest, EndOfInputAtTheOutputChoice) {
  SessionResult r = Run("8\n");
  EXPECT_EQ(Utf8(r.output), Utf8(Asked() + "\n"));
  EXPECT_EQ(r.status, 0);
}

TEST(StatDevBinary, TypedAheadSaveOfNoTotals) {
  TempDir dir;
  SessionResult r = RunBinary(dir.path(), "8 2\n0\n");
  EXPECT_EQ(Utf8(r.output),
            Utf8(MainMenu() + kTook + OutputMenu() + Saved("stat.out", 0) + BackToMenu()));
  EXPECT_EQ(ReadFile(dir.File("stat.out")), "");
}

}  // namespace

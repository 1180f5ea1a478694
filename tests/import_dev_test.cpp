// Record entry through the menu: imports of every layout, a file that cannot be opened,
// one record typed in, and a large generated file; dev.out is checked after each.
#include <gtest/gtest.h>

#include "support/session.h"
#include "support/dialogue.h"

namespace {

using namespace transcript;

const std::string kAskFile = Gbk("请输入文件名:");
const std::string kReadDone = Gbk("读取完成, 耗时 0 毫秒\n");
const std::string kOpenFailed = Gbk("读取文件打开失败\n");

// The transcript of one successful import through the menu that leaves n records.
std::string Imported(std::size_t n) { return kImportMenu + kAskFile + kReadDone + Saved(n); }

TEST(ImportDev, FileLayoutsThroughTheMenu) {
  struct Case {
    const char* name;
    std::string file;
    std::string dev_out;
    std::size_t count;
  } cases[] = {
      {"15 tokens", Fields("A") + "\n" + Fields("B") + " X\n", RecordFile({"A", "B"}), 2},
      {"one record over two lines", "A nA hA\r\ndA 1 2042.1.1 1A\r\n", RecordFile({"A"}), 1},
      {"two records on one line", Fields("A") + " " + Fields("B"), RecordFile({"A", "B"}), 2},
      {"empty file", "", "", 0},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteFile(dir.File("in.txt"), c.file);
    SessionResult r = RunInProcess(dir.path(), "1\n1\nin.txt\n0\n");
    EXPECT_EQ(Utf8(r.output), Utf8(kMainMenu + Imported(c.count) + kBackToMenu)) << c.name;
    EXPECT_EQ(ReadFile(dir.File("dev.out")), c.dev_out) << c.name;
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.pauses, 1);
  }
}

TEST(ImportDev, SameFileTwiceAppendsItTwiceBehindTheOldRecords) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), ImportFile({"A", "B"}));
  SessionResult r = RunInProcess(dir.path(), "1 1 in.txt 1 1 in.txt 2 0");
  EXPECT_EQ(Utf8(r.output), Utf8(kMainMenu + Imported(2) + kBackToMenu + Imported(4) +
                                 kBackToMenu + "\n" + Listing({"A", "B", "A", "B"}) +
                                 kBackToMenu));
  EXPECT_EQ(ReadFile(dir.File("dev.out")), RecordFile({"A", "B", "A", "B"}));
}

TEST(ImportDev, RecordFileGivesItsRecordsWithTheSameDialogue) {
  TempDir dir;
  WriteFile(dir.File("dev.out"), RecordFile({"A", "B"}));
  testing::internal::CaptureStderr();
  SessionResult r = RunInProcess(dir.path(), "1\n1\ndev.out\n0\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "devmgr: dev.out: read as a record file (a serial and seven fields a line), "
            "serials dropped; records added: 2\n");
  EXPECT_EQ(Utf8(r.output), Utf8(kMainMenu + Imported(2) + kBackToMenu));
  EXPECT_EQ(ReadFile(dir.File("dev.out")), RecordFile({"A", "B"}));
}

TEST(ImportDev, FileThatCannotBeOpenedCostsNoData) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), ImportFile({"A", "B"}));
  // The failed imports take no snapshot: the undo after them empties the data set, as
  // after the first change, instead of restoring A and B.
  SessionResult r = RunBinary(dir.path(), "1\n1\nin.txt\n1\n1\nnope.txt\n1\n1\n.\n2\n7\n0\n");
  const std::string failed = kImportMenu + kAskFile + kOpenFailed + kBackToMenu;
  EXPECT_EQ(Utf8(r.output),
            Utf8(kMainMenu + Imported(2) + kBackToMenu + failed + failed + "\n" +
                 Listing({"A", "B"}) + kBackToMenu + "\n" + Gbk("已撤销上次操作\n") + Saved(0) +
                 kBackToMenu));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadFile(dir.File("dev.out")), "");
}

TEST(ImportDev, FailedImportLeavesDevOutAlone) {
  TempDir dir;
  WriteFile(dir.File("dev.out"), "left by an earlier run\n");
  SessionResult r = RunInProcess(dir.path(), "1\n1\nnope.txt\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(kMainMenu + kImportMenu + kAskFile + kOpenFailed + kBackToMenu));
  EXPECT_EQ(ReadFile(dir.File("dev.out")), "left by an earlier run\n");
}

// A name copied from Explorer comes in quotes and may hold a blank: the whole of it opens,
// and the answers typed after it on the line stay answers (here 2, browsing).
TEST(ImportDev, QuotedNameWithABlankIsOneName) {
  TempDir dir;
  WriteFile(dir.File("records 4.txt"), ImportFile({"A"}));
  SessionResult r = RunInProcess(dir.path(), "1 1 \"records 4.txt\" 2 0");
  EXPECT_EQ(Utf8(r.output),
            Utf8(kMainMenu + Imported(1) + kBackToMenu + "\n" + Listing({"A"}) + kBackToMenu));
  EXPECT_EQ(ReadFile(dir.File("dev.out")), RecordFile({"A"}));
}

TEST(ImportDev, TypedRecordTakesTokensTypedAhead) {
  TempDir dir;
  SessionResult r = RunInProcess(dir.path(), "1\n3 x 2\nC N H D many 2042.1.1 cheap\n2\n0\n");
  const std::string prompts = Gbk(
      "请输入设备编号:请输入设备名称:请输入领用人  :请输入所属部门:请输入数量:请输入购买时间:"
      "请输入价格:");
  const std::string listing =
      Gbk("已存储信息如下:\n序列号\t 设备编号\t 设备名称\t 领用人  \t 所属部门\t 数量\t "
          "购买时间\t 价格\t\n") +
      "1\t C\t N\t H\t D\t many\t 2042.1.1\t cheap\t\n";
  const std::string bad = Gbk("输入有误!\n->请选择操作:");
  EXPECT_EQ(Utf8(r.output), Utf8(kMainMenu + kImportMenu + bad + bad + prompts + Saved(1) +
                                 kBackToMenu + "\n" + listing + kBackToMenu));
  EXPECT_EQ(ReadFile(dir.File("dev.out")), "1 C N H D many 2042.1.1 cheap\n");
}

TEST(ImportDev, TypedRecordFollowsTheImportedOnes) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), ImportFile({"A", "B", "C", "D", "E"}));
  SessionResult r = RunInProcess(dir.path(), "1 1 in.txt 1 2 F\nnF\nhF dF 1 2042.1.1 1F 0");
  EXPECT_EQ(ReadFile(dir.File("dev.out")), RecordFile({"A", "B", "C", "D", "E", "F"}));
  EXPECT_EQ(r.output.substr(r.output.size() - Saved(6).size() - kBackToMenu.size()),
            Saved(6) + kBackToMenu);
}

TEST(ImportDev, EndOfInputAtAPromptEndsTheSession) {
  TempDir dir;
  for (const char* input : {"1\n", "1\n1\n", "1\n2\nC N H\n"}) {
    SessionResult r = RunInProcess(dir.path(), input);
    EXPECT_EQ(r.status, 0) << input;
    EXPECT_EQ(r.output.back(), '\n') << input;
    EXPECT_EQ(ReadFile(dir.File("dev.out")), "<missing>") << input;
  }
}

TEST(ImportDev, GeneratedFileArrivesWholeAndInOrder) {
  TempDir dir;
  std::string file;
  std::string dev_out;
  const char* gaps[] = {" ", "\t", "\r\n", "\n\n", "  \v"};
  for (int i = 1; i <= 4000; ++i) {
    const std::string n = std::to_string(i);
    const std::string fields[7] = {"D" + n, "dev" + std::to_string(i % 37), "U" + n, "ops",
                                   std::to_string(i % 9), "2042.1." + std::to_string(i % 28 + 1),
                                   std::to_string(i * 3)};
    dev_out += n;
    for (int f = 0; f < 7; ++f) {
      file += fields[f] + gaps[(i + f) % 5];
      dev_out += " " + fields[f];
    }
    dev_out += "\n";
  }
  WriteFile(dir.File("big.txt"), file);
  SessionResult r = RunBinary(dir.path(), "1\n1\nbig.txt\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(kMainMenu + Imported(4000) + kBackToMenu));
  EXPECT_TRUE(ReadFile(dir.File("dev.out")) == dev_out) << "dev.out holds the file's records";
}

// query.out and filter.out joined: nothing appended, the dialogue of an import that
// appended nothing, and standard error names the line at fault; the records before stay.
TEST(ImportDev, JoinedRecordFilesAppendNothingAndNameTheLine) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), ImportFile({"A", "B"}));
  WriteFile(dir.File("both.out"), RecordFile({"C", "D", "E"}) + RecordFile({"F", "G", "H", "I"}));
  testing::internal::CaptureStderr();
  SessionResult r = RunInProcess(dir.path(), "1 1 in.txt 1 1 both.out 0");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "devmgr: both.out:4: the first field is not the serial 4\n"
            "devmgr: both.out: most lines are records (a serial and seven fields) but not all; "
            "nothing imported. Mend the file and import it again.\n");
  EXPECT_EQ(Utf8(r.output), Utf8(kMainMenu + Imported(2) + kBackToMenu + Imported(2) + kBackToMenu));
  EXPECT_EQ(ReadFile(dir.File("dev.out")), RecordFile({"A", "B"}));
}

// A record file into a data set that holds records: its serials are counted from the file.
TEST(ImportDev, RecordFileJoinsADataSetThatHoldsRecords) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), ImportFile({"A", "B"}));
  WriteFile(dir.File("query.out"), RecordFile({"C", "D", "E"}));
  SessionResult r = RunInProcess(dir.path(), "1 1 in.txt 1 1 query.out 0");
  EXPECT_EQ(Utf8(r.output), Utf8(kMainMenu + Imported(2) + kBackToMenu + Imported(5) + kBackToMenu));
  EXPECT_EQ(ReadFile(dir.File("dev.out")), RecordFile({"A", "B", "C", "D", "E"}));
}

// The sheet as Excel saves it: the dialogue of any import, one note on how it was read.
TEST(ImportDev, TableImportsWithTheSameDialogueAndOneNote) {
  TempDir dir;
  WriteFile(dir.File("sheet.txt"),
            Gbk("设备编号\t设备名称\t领用人\t所属部门\t数量\t购买时间\t价格\r\n"
                "D001\t笔记本电脑\t王芳\t研发部\t2\t2021.3.15\t6499\r\n"
                "D002\tThinkPad\t李强\t行政部\t1\t2020.11.2\t2380\r\n"));
  testing::internal::CaptureStderr();
  SessionResult r = RunInProcess(dir.path(), "1 1 sheet.txt 0");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "devmgr: sheet.txt: a table, tab-separated, with a header row; records added: 2\n");
  EXPECT_EQ(Utf8(r.output), Utf8(kMainMenu + Imported(2) + kBackToMenu));
  EXPECT_EQ(ReadFile(dir.File("dev.out")),
            Gbk("1 D001 笔记本电脑 王芳 研发部 2 2021.3.15 6499\n"
                "2 D002 ThinkPad 李强 行政部 1 2020.11.2 2380\n"));
}

// Typed, then a table whose changed cells are kept apart from the file, then typed again:
// every field of every record stays whole.
TEST(ImportDev, TypedImportedTypedRecordsStayWhole) {
  TempDir dir;
  WriteFile(dir.File("t.csv"), "D2,\"two words\",h,d,2,2021/3/4,22\nD3,x,\"a  b\",d,3,t,33\n");
  SessionResult r = RunInProcess(dir.path(), "1 2 D1 n1 h1 d1 1 t1 11 1 1 t.csv 1 2 D4 n4 h4 d4 4 t4 44 0");
  EXPECT_EQ(ReadFile(dir.File("dev.out")),
            "1 D1 n1 h1 d1 1 t1 11\n2 D2 two_words h d 2 2021.3.4 22\n3 D3 x a_b d 3 t 33\n"
            "4 D4 n4 h4 d4 4 t4 44\n");
  EXPECT_EQ(r.status, 0);
}

}  // namespace

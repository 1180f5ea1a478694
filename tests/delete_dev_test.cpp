// Browsing and deletion through the menu: serials as positions, the tokens the serial
// prompt refuses, deleting all, and the empty data set.
#include <gtest/gtest.h>

#include "support/session.h"
#include "support/dialogue.h"

namespace {

using namespace transcript;

const std::string kAskSerial = Gbk("请输入待删除数据的序列号:");
const std::string kBadSerial = Gbk("非法序列号，请重新输入:");
const std::string kCleared = Gbk("已清空数据\n");

// Input that imports in.txt, as the start of a session.
const std::string kImport = "1\n1\nin.txt\n";

// The transcript of an import of in.txt that leaves n records.
std::string Imported(std::size_t n) {
  return kImportMenu + Gbk("请输入文件名:读取完成, 耗时 0 毫秒\n") + Saved(n);
}

// A deletion by serial: the prompt, refusals answers refused tokens, n records remain.
std::string DeletedBySerial(int refusals, std::size_t n) {
  std::string out = kDeleteMenu + kAskSerial;
  for (int i = 0; i < refusals; ++i) out += kBadSerial;
  return out + Saved(n) + kBackToMenu;
}

TEST(ViewDev, RightAfterStartShowsNoRecordEvenWithAnOldDevOut) {
  TempDir dir;
  WriteFile(dir.File("dev.out"), RecordFile({"A", "B"}));
  SessionResult r = RunBinary(dir.path(), "2\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(kMainMenu + "\n" + Listing({}) + kBackToMenu));
  EXPECT_EQ(ReadFile(dir.File("dev.out")), RecordFile({"A", "B"}));
}

TEST(DeletDev, ThreeRecordsRefuseEveryTokenButOneToThree) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), ImportFile({"A", "B", "C"}));
  SessionResult r = RunInProcess(dir.path(), kImport + "4\n1\n0 4 03 1a a -1 3\n2\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(kMainMenu + Imported(3) + kBackToMenu + DeletedBySerial(6, 2) +
                                 "\n" + Listing({"A", "B"}) + kBackToMenu));
  EXPECT_EQ(ReadFile(dir.File("dev.out")), RecordFile({"A", "B"}));
}

TEST(DeletDev, SerialIsThePositionAndTheRestMoveUp) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), ImportFile({"A", "B", "C"}));
  SessionResult r = RunInProcess(dir.path(), kImport + "4 1 2 2 0");
  EXPECT_EQ(Utf8(r.output), Utf8(kMainMenu + Imported(3) + kBackToMenu + DeletedBySerial(0, 2) +
                                 "\n" + Listing({"A", "C"}) + kBackToMenu));
  EXPECT_EQ(ReadFile(dir.File("dev.out")), RecordFile({"A", "C"}));
}

TEST(DeletDev, TwelveRecordsTakeTextsThatAreNoNumbers) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), ImportFile({"R01", "R02", "R03", "R04", "R05", "R06", "R07",
                                            "R08", "R09", "R10", "R11", "R12"}));
  // 13, 100, 0 and 1a fail the range test; a, 00 and -1 pass it but name no record.
  // Then 9 removes R09, 05 the fifth (R05), 03 the third (R03), 4 the fourth (now R06).
  SessionResult r = RunInProcess(
      dir.path(), kImport + "4 1 13 100 0 1a a 00 -1 9  4 1 05  4 1 03  4 1 4  2 0");
  EXPECT_EQ(Utf8(r.output),
            Utf8(kMainMenu + Imported(12) + kBackToMenu + DeletedBySerial(7, 11) +
                 DeletedBySerial(0, 10) + DeletedBySerial(0, 9) + DeletedBySerial(0, 8) + "\n" +
                 Listing({"R01", "R02", "R04", "R07", "R08", "R10", "R11", "R12"}) +
                 kBackToMenu));
  EXPECT_EQ(ReadFile(dir.File("dev.out")),
            RecordFile({"R01", "R02", "R04", "R07", "R08", "R10", "R11", "R12"}));
}

TEST(DeletDev, DeleteAllTwice) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), ImportFile({"A", "B"}));
  SessionResult r = RunInProcess(dir.path(), kImport + "4\nx\n2\n4\n2\n2\n0\n");
  const std::string cleared = kDeleteMenu + kCleared + Saved(0) + kBackToMenu;
  EXPECT_EQ(Utf8(r.output),
            Utf8(kMainMenu + Imported(2) + kBackToMenu + kDeleteMenu +
                 Gbk("输入有误!\n->请选择操作:") + kCleared + Saved(0) + kBackToMenu + cleared +
                 "\n" + Listing({}) + kBackToMenu));
  EXPECT_EQ(ReadFile(dir.File("dev.out")), "");
}

TEST(DeletDev, BySerialFromAnEmptyDataSetAsksForNoSerial) {
  TempDir dir;
  WriteFile(dir.File("dev.out"), "left by an earlier run\n");
  // The 2 after the choice goes to the main menu: no serial prompt waits for it.
  SessionResult r = RunInProcess(dir.path(), "4\n1\n2\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(kMainMenu + kDeleteMenu + Gbk("暂无可删除的设备.\n") + Saved(0) +
                                 kBackToMenu + "\n" + Listing({}) + kBackToMenu));
  EXPECT_EQ(ReadFile(dir.File("dev.out")), "");
}

TEST(DeletDev, EndOfInputAtTheSerialPromptEndsTheSession) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), ImportFile({"A", "B"}));
  SessionResult r = RunInProcess(dir.path(), kImport + "4\n1\n7 x");
  EXPECT_EQ(Utf8(r.output), Utf8(kMainMenu + Imported(2) + kBackToMenu + kDeleteMenu + kAskSerial +
                                 kBadSerial + kBadSerial + "\n"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadFile(dir.File("dev.out")), RecordFile({"A", "B"}));
}

}  // namespace

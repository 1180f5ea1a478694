// Undo through the menu: the exchange with the older snapshot, step by step from start,
// with dev.out checked after every step.
#include <gtest/gtest.h>

#include <vector>

#include "support/session.h"
#include "support/dialogue.h"

namespace {

using namespace transcript;

const std::string kUndone = "\n" + Gbk("已撤销上次操作\n");

// The transcript of an import of one file that leaves n records.
std::string Imported(std::size_t n) {
  return kImportMenu + Gbk("请输入文件名:读取完成, 耗时 0 毫秒\n") + Saved(n) + kBackToMenu;
}

// One step of a dialogue: what is typed, and what dev.out and the transcript then hold.
struct Step {
  const char* name;
  std::string input;
  std::string dev_out;
  std::string output;
};

TEST(UndoDev, WorkedSequenceFromStart) {
  TempDir dir;
  WriteFile(dir.File("ab.txt"), ImportFile({"a", "b"}));
  WriteFile(dir.File("c.txt"), ImportFile({"c"}));
  const std::string undo_to_ab = kUndone + Saved(2) + kBackToMenu;
  const std::string undo_to_b = kUndone + Saved(1) + kBackToMenu;
  const std::string undo_to_bc = undo_to_ab;
  const std::vector<Step> steps = {
      {"1 entry of a and b", "1 1 ab.txt\n", RecordFile({"a", "b"}), Imported(2)},
      {"2 undo", "7\n", "", kUndone + Saved(0) + kBackToMenu},
      {"3 undo", "7\n", RecordFile({"a", "b"}), undo_to_ab},
      {"4 delete serial 1", "4 1 1\n", RecordFile({"b"}),
       kDeleteMenu + Gbk("请输入待删除数据的序列号:") + Saved(1) + kBackToMenu},
      {"5 undo", "7\n", RecordFile({"a", "b"}), undo_to_ab},
      {"6 undo", "7\n", RecordFile({"b"}), undo_to_b},
      {"7 entry of c", "1 1 c.txt\n", RecordFile({"b", "c"}), Imported(2)},
      {"8 undo", "7\n", RecordFile({"b"}), undo_to_b},
      {"9 undo", "7\n", RecordFile({"b", "c"}), undo_to_bc},
      {"10 undo", "7\n", RecordFile({"b"}), undo_to_b},
  };
  // Each session replays the steps so far, so dev.out is seen after every one of them.
  std::string input;
  std::string output = kMainMenu;
  for (const Step& step : steps) {
    input += step.input;
    output += step.output;
    SessionResult r = RunInProcess(dir.path(), input + "0\n");
    EXPECT_EQ(Utf8(r.output), Utf8(output)) << step.name;
    EXPECT_EQ(ReadFile(dir.File("dev.out")), step.dev_out) << step.name;
  }
  SessionResult r = RunInProcess(dir.path(), input + "2\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(output + "\n" + Listing({"b"}) + kBackToMenu));
}

TEST(UndoDev, RightAfterStartWritesAnEmptyDevOut) {
  TempDir dir;
  WriteFile(dir.File("dev.out"), "left by an earlier run\n");
  WriteFile(dir.File("a.txt"), ImportFile({"a"}));
  // Undo right after start takes an empty snapshot, so the next undo after an entry
  // goes back to empty.
  SessionResult r = RunInProcess(dir.path(), "7\n1 1 a.txt\n7\n0\n");
  EXPECT_EQ(Utf8(r.output), Utf8(kMainMenu + kUndone + Saved(0) + kBackToMenu + Imported(1) +
                                 kUndone + Saved(0) + kBackToMenu));
  EXPECT_EQ(ReadFile(dir.File("dev.out")), "");
}

TEST(UndoDev, TakesBackDeleteAllAndAnEmptyImport) {
  TempDir dir;
  WriteFile(dir.File("abc.txt"), ImportFile({"a", "b", "c"}));
  WriteFile(dir.File("empty.txt"), "\n");
  const std::string session = "1 1 abc.txt  4 2  7 ";
  SessionResult r = RunInProcess(dir.path(), session + "0");
  EXPECT_EQ(ReadFile(dir.File("dev.out")), RecordFile({"a", "b", "c"})) << "after delete all";
  r = RunInProcess(dir.path(), session + "1 1 empty.txt 7 0");
  EXPECT_EQ(ReadFile(dir.File("dev.out")), RecordFile({"a", "b", "c"})) << "after empty import";
  EXPECT_EQ(r.output.substr(r.output.size() - kBackToMenu.size() - Saved(3).size()),
            Saved(3) + kBackToMenu);
}

TEST(UndoDev, RepeatedUndosAlternateBetweenTheLastTwoStates) {
  TempDir dir;
  WriteFile(dir.File("a.txt"), ImportFile({"a"}));
  std::string input = "1 1 a.txt 1 1 a.txt 1 1 a.txt ";  // S1 = a, S2 = a a, S3 = a a a
  for (int undos = 1; undos <= 4; ++undos) {
    input += "7 ";
    RunInProcess(dir.path(), input + "0");
    EXPECT_EQ(ReadFile(dir.File("dev.out")),
              undos % 2 ? RecordFile({"a", "a"}) : RecordFile({"a", "a", "a"}))
        << undos << " undos";
  }
}

}  // namespace

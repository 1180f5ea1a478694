// The main menu loop: its bytes, validation, exit, the epilogue and the end of input.
#include <gtest/gtest.h>

#include "support/session.h"
#include "support/transcript.h"

namespace {

const std::string kMenu = MainMenu();
const std::string kBad = Gbk("输入有误!\n->请选择操作:");

TEST(Menu, ChoiceZeroEndsWithStatusZeroAndTouchesNoFile) {
  TempDir dir;
  WriteFile(dir.File("dev.out"), "left by an earlier run\n");
  SessionResult r = RunInProcess(dir.path(), "0\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Utf8(r.output), Utf8(kMenu));
  EXPECT_EQ(ReadFile(dir.File("dev.out")), "left by an earlier run\n");
}

TEST(Menu, RejectsEveryTokenButTheNineDigits) {
  TempDir dir;
  SessionResult r = RunInProcess(dir.path(), "9 10 -1 08 a 1a +5 0");
  std::string expected = kMenu;
  for (int i = 0; i < 7; ++i) expected += kBad;
  EXPECT_EQ(Utf8(r.output), Utf8(expected));
  EXPECT_EQ(r.status, 0);
}

TEST(Menu, EndOfInputPrintsOneLineFeedAndExitsZero) {
  TempDir dir;
  for (const char* input : {"", "   \n", "9", "9\n\n"}) {
    SessionResult r = RunInProcess(dir.path(), input);
    std::string expected = kMenu + (std::string(input).find('9') != std::string::npos ? kBad : "");
    EXPECT_EQ(Utf8(r.output), Utf8(expected + "\n")) << '"' << input << '"';
    EXPECT_EQ(r.status, 0) << input;
  }
}

TEST(Menu, EveryOperationEndsWithOneEpilogueAndOnePause) {
  TempDir dir;
  // Browsing an empty data set is the simplest operation that returns to the menu.
  SessionResult r = RunInProcess(dir.path(), "2\n2\n0\n");
  EXPECT_EQ(r.pauses, 2);
  const std::string epilogue = Gbk("操作完成, 1 秒后返回初始界面.\n");
  std::size_t count = 0;
  for (std::size_t at = r.output.find(epilogue); at != std::string::npos;
       at = r.output.find(epilogue, at + 1)) {
    ++count;
    EXPECT_EQ(r.output.compare(at + epilogue.size(), kMenu.size(), kMenu), 0)
        << "the main menu follows the epilogue";
  }
  EXPECT_EQ(count, 2u);
}

TEST(Menu, TheRealBinaryPrintsTheSameBytes) {
  TempDir dir;
  SessionResult r = RunBinary(dir.path(), "x\n0\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Utf8(r.output), Utf8(kMenu + kBad));
  SessionResult ended = RunBinary(dir.path(), "");
  EXPECT_EQ(ended.status, 0);
  EXPECT_EQ(Utf8(ended.output), Utf8(kMenu + "\n"));
}

}  // namespace

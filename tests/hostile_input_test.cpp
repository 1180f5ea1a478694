// Hostile typed input to the real binary: tokens of a megabyte at every prompt, GBK and
// invalid multi-byte sequences, numbers far outside 64 bits. The session treats each as
// it treats an ordinary token of its kind and ends normally.
#include <gtest/gtest.h>

#include <map>

#include "support/session.h"

namespace {

constexpr std::size_t kMegabyte = 1 << 20;

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

// Replaces every run of a megabyte of one byte by that byte alone.
std::string Shrink(std::string text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t end = text.find_first_not_of(text[i], i);
    if (end == std::string::npos) end = text.size();
    out.append(end - i == kMegabyte ? 1 : end - i, text[i]);
    i = end;
  }
  return out;
}

// A dialogue that answers every prompt once with a token that must be refused, or with
// a field, a keyword or a bound, before going on. The tokens r (refused), a..g (the seven
// fields) and 9 (a number that is no choice) are the ones made a megabyte long.
constexpr std::string_view kDialogue =
    "r 1 r 2 a b c d e f g "   // main menu, entry menu, the seven fields
    "3 r 1 b r 9 1 "           // query: menu, keyword, output choice (word, number)
    "3 3 g 1 "                 // global search for the price
    "5 r 2 n "                 // sort menu, then no browsing
    "6 r 1 e e r 2 "           // filter: menu, both bounds, output choice
    "8 r 1 "                   // statistics output choice
    "4 r 1 r 1 7 2 0";         // deletion: menu, serial; undo, browse, exit

// The same dialogue with the tokens r, a..g and 9 made a megabyte long.
std::string Enlarged(std::string_view dialogue) {
  std::string out;
  for (char c : dialogue) {
    out.append(std::string_view("rabcdefg9").find(c) != std::string_view::npos ? kMegabyte : 1, c);
  }
  return out;
}

TEST(HostileInput, MegabyteTokensAtEveryPromptActLikeShortOnes) {
  TempDir small_dir, big_dir;
  SessionResult small = RunBinary(small_dir.path(), kDialogue);
  SessionResult big = RunBinary(big_dir.path(), Enlarged(kDialogue));
  ASSERT_EQ(small.status, 0);
  EXPECT_EQ(big.status, 0);
  EXPECT_EQ(Count(small.output, Gbk("输入有误!\n")), 9u) << Utf8(small.output);
  EXPECT_EQ(Count(small.output, Gbk("非法输入!\n")), 1u);
  EXPECT_EQ(Count(small.output, Gbk("非法序列号，请重新输入:")), 1u);
  // Compared shrunk, so a failure shows a readable transcript.
  EXPECT_EQ(Utf8(Shrink(big.output)), Utf8(small.output));
  EXPECT_EQ(Shrink(ReadFile(big_dir.File("dev.out"))), ReadFile(small_dir.File("dev.out")));
  EXPECT_EQ(Shrink(ReadFile(big_dir.File("filter.out"))),
            ReadFile(small_dir.File("filter.out")));
}

TEST(HostileInput, MegabyteAnswerToTheBrowseQuestionIsRefusedByteByByte) {
  TempDir dir;
  SessionResult r = RunBinary(dir.path(), "5 1 " + std::string(kMegabyte, 'q') + " n 0");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Count(r.output, Gbk("非法输入，请重新输入:")), kMegabyte);
  EXPECT_EQ(Count(r.output, Gbk("操作完成, 1 秒后返回初始界面.\n")), 1u);
}

// Bytes that are no valid GBK, and GBK look-alikes of the menu digits.
TEST(HostileInput, InvalidMultiByteSequencesAreStoredAndMatchedByteForByte) {
  const std::string fields = "\x81 \xff\xfe \x80 " + Gbk("打印机") + " \xa1 \xa3\xb1 \x81\x30";
  const std::string fullwidth_one = "\xa3\xb1";  // GBK for the full-width digit one
  TempDir dir;
  SessionResult r = RunBinary(dir.path(), fullwidth_one + " 1 2 " + fields + " 3 1 \xff\xfe 2 0");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Count(r.output, Gbk("输入有误!\n")), 1u) << "the full-width one is no choice";
  const std::string line = "1 " + fields + "\n";
  EXPECT_EQ(ReadFile(dir.File("dev.out")), line);
  EXPECT_EQ(ReadFile(dir.File("query.out")), line) << "found by its name \\xff\\xfe";
}

TEST(HostileInput, NumbersFarOutsideSixtyFourBits) {
  const std::string huge = "340282366920938463463374607431768211457";
  std::string records;
  for (int i = 1; i <= 12; ++i) records += "c" + std::to_string(i) + " pc h d " + huge + " t 1\n";
  TempDir dir;
  WriteFile(dir.File("in.txt"), records + "x big h d -" + huge + " t 1\n");
  const std::string input = huge + " 1 1 in.txt " +                   // refused choice
                            "4 1 " + huge + " -" + huge + " 12 " +  // two refused serials
                            "3 3 " + huge + " 1 " +                 // no serial, 11 fields
                            "8 2 " +                                // totals saturate
                            "3 3 t " + huge + " 2 0";               // refused output choice
  SessionResult r = RunBinary(dir.path(), input);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Count(r.output, Gbk("非法序列号，请重新输入:")), 2u);
  EXPECT_EQ(Count(r.output, Gbk("输入有误!\n")), 2u) << Utf8(r.output);
  EXPECT_NE(r.output.find(Gbk("查询到 11 条记录")), std::string::npos) << Utf8(r.output);
  EXPECT_EQ(ReadFile(dir.File("stat.out")),
            "big -9223372036854775808\npc 9223372036854775807\n");
  EXPECT_EQ(Count(ReadFile(dir.File("query.out")), "\n"), 12u);
}

}  // namespace

// Sorting through the whole program: browsing the sorted data, and undoing a sort.
#include <gtest/gtest.h>

#include "support/session.h"
#include "support/transcript.h"

namespace {

const std::string kImport =
    "D3 scanner U1 ops 30 2042.10.1 900\n"
    "D1 printer U2 lab 5 2041.12.31 12.5\n"
    "D2 laptop U3 ops 100 2042.9.1 9.99\n";

TEST(SortFlow, BrowsingAfterTheSortListsTheNewOrderOnce) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), kImport);
  SessionResult r = RunBinary(dir.path(), "1 1 in.txt 5 3 y 0\n");
  EXPECT_EQ(r.status, 0);
  const std::string sorted_listing =
      Gbk("\n已存储信息如下:\n") + Header() + Row(1, "D1 printer U2 lab 5 2041.12.31 12.5") +
      Row(2, "D2 laptop U3 ops 100 2042.9.1 9.99") + Row(3, "D3 scanner U1 ops 30 2042.10.1 900");
  const std::string tail = Gbk("是否浏览数据?(y/n)\n") + sorted_listing + BackToMenu();
  ASSERT_GE(r.output.size(), tail.size());
  EXPECT_EQ(Utf8(r.output.substr(r.output.size() - tail.size())), Utf8(tail));
  EXPECT_EQ(ReadFile(dir.File("dev.out")),
            "1 D1 printer U2 lab 5 2041.12.31 12.5\n"
            "2 D2 laptop U3 ops 100 2042.9.1 9.99\n"
            "3 D3 scanner U1 ops 30 2042.10.1 900\n");
}

TEST(SortFlow, UndoRestoresTheOrderAndSerialsFromBeforeTheSort) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), kImport);
  // Sort by quantity descending (100, 30, 5), then undo.
  SessionResult r = RunBinary(dir.path(), "1 1 in.txt 5 6 n 7 2 0\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadFile(dir.File("dev.out")),
            "1 D3 scanner U1 ops 30 2042.10.1 900\n"
            "2 D1 printer U2 lab 5 2041.12.31 12.5\n"
            "3 D2 laptop U3 ops 100 2042.9.1 9.99\n");
  const std::string listing = Gbk("\n已存储信息如下:\n") + Header() +
                              Row(1, "D3 scanner U1 ops 30 2042.10.1 900") +
                              Row(2, "D1 printer U2 lab 5 2041.12.31 12.5") +
                              Row(3, "D2 laptop U3 ops 100 2042.9.1 9.99");
  EXPECT_NE(r.output.find(listing), std::string::npos) << Utf8(r.output);
}

}  // namespace

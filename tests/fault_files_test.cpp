// Files that are not what the program expects, met by the real binary: the import file
// missing or a directory, the files it writes taken by directories. Each is reported
// with a clear message, the session goes on with its data set whole, and nothing is
// written that should not be.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/session.h"

namespace {

const std::string kRecords =
    "P1 printer alice sales 3 2042.1.1 100\nS2 scanner bob lab 5 2042.2.2 200\n";
const std::string kListing = Gbk(
    "已存储信息如下:\n序列号\t 设备编号\t 设备名称\t 领用人  \t 所属部门\t 数量\t 购买时间\t 价格\t\n"
    "1\t P1\t printer\t alice\t sales\t 3\t 2042.1.1\t 100\t\n"
    "2\t S2\t scanner\t bob\t lab\t 5\t 2042.2.2\t 200\t\n");
const std::string kCannotRead =
    Gbk("请输入文件名:读取文件打开失败\n操作完成, 1 秒后返回初始界面.\n");
const std::string kCannotWrite = Gbk("写入文件打开失败！\n");

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

// The names in a directory, sorted, blank-separated.
std::string Listing(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::string out;
  for (const std::string& name : names) out += name + " ";
  return out;
}

// A device never ends (/dev/zero) or is no file of records (/dev/null is refused too).
TEST(FaultFiles, ImportFileMissingADirectoryOrADeviceCostsNothing) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), kRecords);
  std::filesystem::create_directory(dir.File("sub"));
  SessionResult r = RunBinary(
      dir.path(), "1 1 in.txt 1 1 missing.txt 1 1 sub 1 1 . 1 1 /dev/zero 1 1 /dev/null 2 0");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Count(r.output, kCannotRead), 5u) << Utf8(r.output);
  EXPECT_NE(r.output.find(kListing), std::string::npos) << "the data set is whole";
  const std::size_t second = kRecords.find('\n') + 1;
  EXPECT_EQ(ReadFile(dir.File("dev.out")),
            "1 " + kRecords.substr(0, second) + "2 " + kRecords.substr(second));
  EXPECT_EQ(Listing(dir), "dev.csv dev.out in.txt sub ");
}

TEST(FaultFiles, DevOutTakenByADirectory) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), kRecords);
  std::filesystem::create_directory(dir.File("dev.out"));
  SessionResult r = RunBinary(dir.path(), "1 1 in.txt 2 5 1 n 2 4 2 7 2 0");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Count(r.output, kCannotWrite), 4u) << "import, sort, delete, undo";
  EXPECT_EQ(Count(r.output, kListing), 3u) << "after the import, the sort and the undo";
  EXPECT_TRUE(std::filesystem::is_empty(dir.File("dev.out")));
  EXPECT_EQ(Listing(dir), "dev.out in.txt ");
}

TEST(FaultFiles, ResultFilesTakenByDirectories) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), kRecords);
  for (const char* name : {"query.out", "filter.out", "stat.out"}) {
    std::filesystem::create_directory(dir.File(name));
  }
  SessionResult r = RunBinary(dir.path(), "1 1 in.txt 3 1 printer 2 6 1 0 9 2 8 2 2 0");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Count(r.output, kCannotWrite), 3u) << Utf8(r.output);
  EXPECT_NE(r.output.find(kListing), std::string::npos) << "the session went on";
  EXPECT_EQ(Listing(dir), "dev.csv dev.out filter.out in.txt query.out stat.out ");
}

}  // namespace

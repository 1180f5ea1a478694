// Saving record lists: the file layout, renumbering, the history of two, failures, and
// the backups the first save of a session keeps.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#endif

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <vector>

#include "console/globals.h"
#include "console/io.h"
#include "console/rows.h"
#include "files/backup.h"
#include "files/file_writer.h"
#include "support/session.h"

namespace {

device Record(int serial, std::string_view code) {
  device d;
  d.serial = serial;
  d.code = Texts().Keep(code);
  d.name = Texts().Keep("printer");
  d.holder = Texts().Keep("U07");
  d.department = Texts().Keep("ops");
  d.quantity = Texts().Keep("3");
  d.purchaseTime = Texts().Keep("2042.1.1");
  d.price = Texts().Keep("2500");
  return d;
}

DevList List(std::initializer_list<std::pair<int, const char*>> records) {
  DevList list;
  for (auto [serial, code] : records) list.push_back(Record(serial, code));
  return list;
}

// "1:A 2:B": the serials and codes of a list, for comparing whole states at once.
std::string Render(const DevList& list) {
  std::string out;
  for (const device& d : list) {
    if (!out.empty()) out += ' ';
    out += std::to_string(d.serial) + ":" + std::string(d.code.view());
  }
  return out;
}

// Runs body with the console wired to a string and the clock standing still.
class SaveDevTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    con::Wiring w = con::ProcessWiring();
    w.write = [this](std::string_view bytes) { out_.append(bytes); };
    w.now_ms = [] { return int64_t{0}; };
    con::Wire(std::move(w));
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
  }
  void TearDown() override {
    std::filesystem::current_path(old_);
    con::Wire(con::ProcessWiring());
    ResetGlobals();
  }
  std::string Output() {
    con::Flush();
    std::string out = out_;
    out_.clear();
    return out;
  }

  TempDir dir_;
  std::filesystem::path old_;
  std::string out_;
};

TEST_F(SaveDevTest, DataSetIsRenumberedWrittenAndKeptInTheHistory) {
  dev = List({{1, "A"}, {3, "B"}, {7, "C"}});
  SaveDev("dev.out", dev, "dev");
  EXPECT_EQ(Render(dev), "1:A 2:B 3:C");
  EXPECT_EQ(ReadFile("dev.out"),
            "1 A printer U07 ops 3 2042.1.1 2500\n"
            "2 B printer U07 ops 3 2042.1.1 2500\n"
            "3 C printer U07 ops 3 2042.1.1 2500\n");
  EXPECT_EQ(Output(), Gbk("dev.out 已保存更改, 耗时 0 毫秒\ndev.out 内目前有 3 条记录\n"));
  ASSERT_EQ(backup.size(), 1u);
  EXPECT_EQ(Render(backup.at(0)), "1:A 2:B 3:C");
}

TEST_F(SaveDevTest, HistoryKeepsTheLastTwoStates) {
  for (const char* code : {"S1", "S2", "S3"}) {
    DevList next = dev;
    next.push_back(Record(0, code));
    dev = next;
    SaveDev("dev.out", dev, "dev");
  }
  ASSERT_EQ(backup.size(), 2u);
  EXPECT_EQ(Render(backup.at(0)), "1:S1 2:S2");
  EXPECT_EQ(Render(backup.at(1)), "1:S1 2:S2 3:S3");
  EXPECT_TRUE(backup.at(1).SharesWith(dev)) << "a snapshot of an unchanged list is no copy";
}

TEST_F(SaveDevTest, EmptyListTruncatesTheFile) {
  WriteFile("dev.out", "old content\n");
  SaveDev("dev.out", dev, "dev");
  EXPECT_EQ(ReadFile("dev.out"), "");
  EXPECT_EQ(Output(), Gbk("dev.out 已保存更改, 耗时 0 毫秒\ndev.out 内目前有 0 条记录\n"));
  ASSERT_EQ(backup.size(), 1u);
  EXPECT_TRUE(backup.at(0).empty());
}

TEST_F(SaveDevTest, ResultListsAreNumberedInTheFileOnly) {
  dev = List({{1, "A"}, {2, "B"}});
  DevList results = List({{2, "B"}, {5, "E"}, {9, "I"}});
  SaveDev("query.out", results, "res");
  EXPECT_EQ(ReadFile("query.out"),
            "1 B printer U07 ops 3 2042.1.1 2500\n"
            "2 E printer U07 ops 3 2042.1.1 2500\n"
            "3 I printer U07 ops 3 2042.1.1 2500\n");
  EXPECT_EQ(Render(results), "2:B 5:E 9:I");
  EXPECT_EQ(Render(dev), "1:A 2:B");
  EXPECT_EQ(backup.size(), 0u);
}

TEST_F(SaveDevTest, UnopenableTargetKeepsTheChangeInMemory) {
  std::filesystem::create_directory("dev.out");
  dev = List({{4, "A"}});
  SaveDev("dev.out", dev, "dev");
  EXPECT_EQ(Output(), Gbk("写入文件打开失败！\n"));
  EXPECT_EQ(Render(dev), "1:A");
  EXPECT_EQ(backup.size(), 1u);
  EXPECT_TRUE(std::filesystem::is_directory("dev.out"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1)
      << "no temporary file is left behind";
}

#ifndef _WIN32  // a file size limit and a read-only directory, as POSIX sets them
TEST_F(SaveDevTest, FailedWriteKeepsThePreviousFileWhole) {
  WriteFile("dev.out", "previous\n");
  DevList big;
  for (int i = 0; i < 5000; ++i) big.push_back(Record(0, "CODE" + std::to_string(i)));
  dev = big;
  struct rlimit old_limit;
  ::getrlimit(RLIMIT_FSIZE, &old_limit);
  struct rlimit small = old_limit;
  small.rlim_cur = 4096;
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &small);
  SaveDev("dev.out", dev, "dev");
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(Output(), Gbk("写入文件失败！\n"));
  EXPECT_EQ(ReadFile("dev.out"), "previous\n");
  EXPECT_EQ(dev.size(), 5000u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1)
      << "no temporary file is left behind";
  // The next save that can write writes the whole data set.
  SaveDev("dev.out", dev, "dev");
  std::string whole;
  for (int i = 0; i < 5000; ++i) {
    whole += std::to_string(i + 1) + " CODE" + std::to_string(i) + " printer U07 ops 3 2042.1.1 2500\n";
  }
  EXPECT_TRUE(ReadFile("dev.out") == whole);
}

TEST_F(SaveDevTest, ReadOnlyDirectoryReportsOpenFailure) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
  namespace fs = std::filesystem;
  fs::permissions(".", fs::perms::owner_write, fs::perm_options::remove);
  SaveDev("dev.out", dev, "dev");
  fs::permissions(".", fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(Output(), Gbk("写入文件打开失败！\n"));
}
#endif

TEST_F(SaveDevTest, RowsPrintEveryByteInTheHeaderLayout) {
  device d = Record(12, "D001");
  PutHeader();
  PutDev(d);
  d.name = Texts().Keep(std::string_view("a\0b", 3));
  PutDev(d);
  EXPECT_EQ(Output(), Gbk("序列号\t 设备编号\t 设备名称\t 领用人  \t 所属部门\t 数量\t 购买时间\t 价格\t\n") +
                          "12\t D001\t printer\t U07\t ops\t 3\t 2042.1.1\t 2500\t\n" +
                          std::string("12\t D001\t a\0b\t U07\t ops\t 3\t 2042.1.1\t 2500\t\n", 44));
}

// What a backup case finds beside dev.out besides plain files.
enum class Beside {
  kFiles,    // only the files named
  kLink,     // dev.out~ is a hard link to dev.out: a save cut short after its backup
  kPlanted,  // dev.out~ belongs to another user, in a sticky directory of a third
  kHeld,     // dev.out~ is held open by another program, without delete sharing
};

// Creates the files of a state written as Render gives it ("name=bytes", "name/").
void Plant(const TempDir& dir, std::string_view state) {
  std::istringstream words{std::string(state)};
  for (std::string word; words >> word;) {
    const std::size_t equals = word.find('=');
    if (equals == std::string::npos) {
      std::filesystem::create_directory(dir.File(word.substr(0, word.size() - 1)));
    } else {
      WriteFile(dir.File(word.substr(0, equals)), word.substr(equals + 1));
    }
  }
}

// Every name in dir, sorted, with its bytes ("name=bytes") or as a directory ("name/").
std::string Render(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::string out;
  for (const std::string& name : names) {
    out += (out.empty() ? "" : " ") + name;
    out += std::filesystem::is_directory(dir.File(name)) ? "/" : "=" + ReadFile(dir.File(name));
  }
  return out;
}

// Arranges what beside says; false when this platform or user cannot have it.
bool Arrange(const TempDir& dir, Beside beside, void** held) {
  namespace fs = std::filesystem;
#ifdef _WIN32
  if (beside == Beside::kHeld) {
    *held = CreateFileW(fs::path(dir.File("dev.out~")).c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    return *held != INVALID_HANDLE_VALUE;
  }
  return beside == Beside::kFiles;
#else
  (void)held;
  if (beside == Beside::kLink) fs::create_hard_link(dir.File("dev.out"), dir.File("dev.out~"));
  if (beside == Beside::kPlanted) {
    if (::geteuid() != 0) return false;
    fs::permissions(dir.path(), fs::perms::all | fs::perms::sticky_bit);
    if (::chown(dir.path().c_str(), 65534, 65534) != 0) return false;
    if (::chown(dir.File("dev.out~").c_str(), 1, 1) != 0) return false;
  }
  return beside != Beside::kHeld;
#endif
}

// The first save of a session keeps the dev.out found as dev.out~, and the dev.out~ it
// replaces under the next numbered name when that held other bytes; when dev.out~ cannot
// be replaced, the dev.out found goes to a numbered name, with a note saying so.
TEST(Backups, NoBackupWithRecordsIsLost) {
  const struct {
    const char* what;
    const char* before;
    Beside beside;
    const char* after;
    const char* note;  // a part of the note, or "" when there is none
  } kCases[] = {
      {"differs", "dev.out=found dev.out~=older", Beside::kFiles,
       "dev.out=new dev.out.~1~=older dev.out~=found", ""},
      {"identical", "dev.out=found dev.out~=found", Beside::kFiles,
       "dev.out=new dev.out~=found", ""},
      {"empty", "dev.out=found dev.out~=", Beside::kFiles, "dev.out=new dev.out~=found", ""},
      {"after the highest",
       "dev.out=found dev.out~=older dev.out.~1~=a dev.out.~3~=c dev.out.~x~=x", Beside::kFiles,
       "dev.out=new dev.out.~1~=a dev.out.~3~=c dev.out.~4~=older dev.out.~x~=x dev.out~=found",
       ""},
      {"directory", "dev.out=found dev.out~/", Beside::kFiles,
       "dev.out=new dev.out.~1~=found dev.out~/", "is kept as "},
      {"directory, nothing found", "dev.out= dev.out~/", Beside::kFiles, "dev.out=new dev.out~/",
       ""},
      {"cut short", "dev.out=found", Beside::kLink, "dev.out=new dev.out~=found", ""},
      {"planted", "dev.out=found dev.out~=theirs", Beside::kPlanted,
       "dev.out=new dev.out.~1~=found dev.out~=theirs", "another user's file"},
      {"held", "dev.out=found dev.out~=older", Beside::kHeld,
       "dev.out=new dev.out.~1~=found dev.out~=older", "dev.out.~1~ instead"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    Plant(dir, c.before);
    void* held = nullptr;
    if (!Arrange(dir, c.beside, &held)) continue;
    std::string reason;
    const WriteOptions options{.keep_backup = true, .reason = &reason};
    EXPECT_EQ(WriteFileAtomically(dir.File("dev.out"), "new", options), WriteResult::kOk);
#ifdef _WIN32
    if (held != nullptr) CloseHandle(held);
#endif
    EXPECT_EQ(Render(dir), c.after);
    EXPECT_EQ(reason.empty(), *c.note == '\0') << reason;
    EXPECT_NE(reason.find(c.note), std::string::npos) << reason;
  }
}

// The next number follows the user's own backups, and others' only as far as they continue
// the sequence: a far-off planted number neither ends the numbering nor leaps it.
TEST(Backups, NextNumberIgnoresFarOffNumbersOfOthers) {
  const struct {
    const char* what;
    std::vector<NumberedBackup> found;
    int next;
  } kCases[] = {
      {"none", {}, 1},
      {"own, with gaps", {{1, true}, {3, true}, {7, true}}, 8},
      {"others continuing", {{2, false}, {1, false}, {90, false}}, 91},
      {"others' planted far-off", {{1, true}, {999999999, false}}, 2},
      {"others past own", {{150, true}, {240, false}, {400, false}}, 241},
      {"own highest possible", {{999999999, true}}, 1000000000},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(NextBackupNumber(c.found), c.next);
  }
}

}  // namespace

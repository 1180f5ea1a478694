// The CSV twins of the saved files: the cells as a spreadsheet must see them, the whole files
// a session writes, byte for byte on every platform, and the twins devmgr did not write or
// cannot write: kept as a numbered backup, or left as they were with one note and a dialogue
// as without twins.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "console/start_note.h"
#include "locale/charset.h"
#include "store/csv_rows.h"
#include "support/session.h"
#ifdef _WIN32
#include "support/holder_win.h"
#endif

namespace {

namespace fs = std::filesystem;

// The bytes of a file exactly as on disk; "<missing>" when it cannot be read.
std::string Raw(const std::string& path) {
  std::ifstream in(fs::path(path), std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The row CsvRows writes for one cell of GB18030 bytes, without its line end.
std::string Cell(std::string_view gb) {
  CsvRows rows;
  std::string out(CsvRows::Bound(&gb, 1), '\0');
  out.resize(static_cast<std::size_t>(rows.Put(&gb, 1, out.data()) - out.data()));
  return out.substr(0, out.size() - 2);
}

constexpr char kFffd[] = "\xEF\xBF\xBD";  // U+FFFD

TEST(CsvTwin, CellsKeepTheirTextInASpreadsheet) {
  const struct {
    std::string gb;
    std::string cell;
  } kCases[] = {
      {"a,b", "\"a,b\""},
      {"say\"hi\"", "\"say\"\"hi\"\"\""},
      {"=1+1", "'=1+1"},
      {"=a,\"b\"", "\"'=a,\"\"b\"\"\""},  // guarded and quoted
      {"-5", "-5"},
      {"-x", "'-x"},
      {"@a", "'@a"},
      {"+3", "\"=\"\"+3\"\"\""},  // a number, but not as a spreadsheet shows it back
      {"007", "\"=\"\"007\"\"\""},
      {"4,200", "\"=\"\"4,200\"\"\""},
      {"1.10", "\"=\"\"1.10\"\"\""},
      {"1e5", "\"=\"\"1e5\"\"\""},
      {"-0", "\"=\"\"-0\"\"\""},
      {"50%", "\"=\"\"50%\"\"\""},
      {"true", "\"=\"\"true\"\"\""},
      {"'x", "\"=\"\"'x\"\"\""},  // a leading "'" of the text's own
      {"'a\"b", "\"=\"\"'a\"\"\"\"b\"\"\""},  // a quote in a formula: doubled there and in the file
      {"1234567890123456", "\"=\"\"1234567890123456\"\"\""},
      {"123456789012", "\"=\"\"123456789012\"\"\""},  // Excel shows it 1.23457E+11
      {"12345678901", "12345678901"},
      {"2021.3.15", "\"=\"\"2021.3.15\"\"\""},  // a date to Calc in a Chinese locale
      {Gbk("2021年3月15日"), "\"=\"\"2021年3月15日\"\"\""},
      {"Mar-15", "\"=\"\"Mar-15\"\"\""},
      {"6499", "6499"},
      {"0.25", "0.25"},
      {"0", "0"},
      {"TRUE", "TRUE"},
      {"D001", "D001"},
      {"", ""},
      {Gbk("笔记本电脑"), "笔记本电脑"},
      {"A\xFF" "B", std::string("A") + kFffd + "B"},     // no GB18030 byte
      {Gbk("张") + "\x81", "张" + std::string(kFffd)},  // a character cut short
      {"\x81\x30" "1", kFffd + std::string("01")},      // a four-byte form cut short
      {"\xA1\x7F", kFffd + std::string("\x7F")},        // a lead byte before no trail byte
  };
  for (const auto& c : kCases) EXPECT_EQ(Cell(c.gb), c.cell) << Utf8(c.gb);
  // Codes that GB18030 maps beyond the BMP (four bytes of UTF-8), as the platform's converter
  // has them: the same as a whole text converted at once.
  for (const char* gb : {"vv\xFE\x76vvv", "\xFE\x51"}) {
    charset::GbToUtf8 stream;
    std::string utf8;
    stream.Convert(gb, utf8);
    stream.Finish(utf8);
    EXPECT_EQ(Cell(gb), utf8) << gb;
  }
}

// The awkward records: a code with a leading zero, formulas, a comma, a quote, a 16-digit
// price, a quantity 04, a byte that is no GB18030.
std::string AwkwardImport() {
  return Gbk("007 笔记本电脑 王芳 研发部 2 2021.3.15 6499\n") +
         "=1+1 4,200 @a -x -5 2020.11.2 1234567890123456\n" +
         Gbk("D003 say\"hi\" 张") + "\xFF" + Gbk(" 财务部 04 2019.7.20 4200\n");
}

constexpr char kHead[] = "\xEF\xBB\xBF序列号,设备编号,设备名称,领用人,所属部门,数量,购买时间,价格\r\n";
const std::string kRow1 = ",\"=\"\"007\"\"\",笔记本电脑,王芳,研发部,2,\"=\"\"2021.3.15\"\"\",6499\r\n";
const std::string kRows = "1" + kRow1 +
    "2,'=1+1,\"=\"\"4,200\"\"\",'@a,'-x,-5,\"=\"\"2020.11.2\"\"\",\"=\"\"1234567890123456\"\"\"\r\n"
    "3,D003,\"say\"\"hi\"\"\",张" + std::string(kFffd) + ",财务部,\"=\"\"04\"\"\","
    "\"=\"\"2019.7.20\"\"\",4200\r\n";

// Import, query by name and save, statistics saved: each twin byte for byte, on every platform.
TEST(CsvTwin, SessionWritesEachTwin) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), AwkwardImport());
  const SessionResult r = RunBinary(dir.path(), "1 1 in.txt 3 1 " + Gbk("笔记本电脑") + " 2 8 2 0");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Raw(dir.File("dev.csv")), kHead + kRows);
  EXPECT_EQ(Raw(dir.File("query.csv")), kHead + ("1" + kRow1));
  EXPECT_EQ(Raw(dir.File("stat.csv")), "\xEF\xBB\xBF设备名称,设备数量\r\n\"=\"\"4,200\"\"\",-5\r\n"
                                       "\"say\"\"hi\"\"\",4\r\n笔记本电脑,2\r\n");
  EXPECT_FALSE(fs::exists(dir.File("filter.csv")));
}

// Whether dev.csv in dir is no copy devmgr wrote of the dev.out beside it.
bool ChangedIn(const TempDir& dir) {
  const fs::path old = fs::current_path();
  fs::current_path(dir.path());
  const bool changed = con::DevCsvChanged();
  fs::current_path(old);
  return changed;
}

// A twin from an earlier session is devmgr's own and simply replaced; one edited since, or a
// sheet saved there before devmgr wrote any, is kept as dev.csv.~1~ first; the start note
// tells of it.
TEST(CsvTwin, TwinChangedSinceIsKeptAsANumberedBackup) {
  const std::string edited = kHead + kRows + "4,D4,n,h,d,1,2042.1.1,1\r\n";
  std::string same_size = kHead + kRows;
  same_size.replace(same_size.find("D003"), 4, "D004");
  const struct {
    const char* what;
    bool first_session;
    std::string changed_to;  // empty: left as devmgr wrote it
  } kCases[] = {
      {"as written", true, ""},
      {"edited in a spreadsheet", true, edited},
      {"edited, its size kept", true, same_size},
      {"a sheet there before", false, "\xEF\xBB\xBF" "a,b\r\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteFile(dir.File("in.txt"), AwkwardImport());
    if (c.first_session) RunInProcess(dir.path(), "1 1 in.txt 0");
    if (!c.changed_to.empty()) {
      // A spreadsheet saves it later than devmgr did (file times may count whole seconds).
      const auto written = c.first_session ? fs::last_write_time(dir.File("dev.csv"))
                                           : fs::file_time_type::clock::now();
      WriteFile(dir.File("dev.csv"), c.changed_to);
      fs::last_write_time(dir.File("dev.csv"), written + std::chrono::seconds(2));
    }
    EXPECT_EQ(ChangedIn(dir), !c.changed_to.empty());
    RunInProcess(dir.path(), "1 1 in.txt 0");
    EXPECT_EQ(Raw(dir.File("dev.csv.~1~")), c.changed_to.empty() ? "<missing>" : c.changed_to);
    EXPECT_FALSE(fs::exists(dir.File("dev.csv.~2~")));
    EXPECT_FALSE(ChangedIn(dir)) << "the new twin is devmgr's own";
  }
}

// A twin that cannot be written (a folder took its name) fails nothing: dev.out is saved,
// the dialogue is that of a session without it, and one note tells of it.
TEST(CsvTwin, TwinThatCannotBeWrittenIsToldOnce) {
  TempDir clean, blocked;
  for (const TempDir* dir : {&clean, &blocked}) WriteFile(dir->File("in.txt"), AwkwardImport());
  fs::create_directory(blocked.File("dev.csv"));
  const std::string session = "1 1 in.txt 1 1 in.txt 0";
  const SessionResult expected = RunInProcess(clean.path(), session);
  testing::internal::CaptureStderr();
  const SessionResult r = RunInProcess(blocked.path(), session);
  const std::string notes = testing::internal::GetCapturedStderr();
  EXPECT_EQ(r.output, expected.output);
  EXPECT_EQ(Raw(blocked.File("dev.out")), Raw(clean.File("dev.out")));
  EXPECT_TRUE(fs::is_directory(blocked.File("dev.csv")));
  const std::string note = "dev.csv is left as it was (dev.out is saved)";
  EXPECT_NE(notes.find(note), std::string::npos) << notes;
  EXPECT_EQ(notes.find(note), notes.rfind(note)) << "once a session: " << notes;
}

#ifdef _WIN32
// A spreadsheet holding dev.csv does not hold up the saves: a writer that waited for it would
// find it let go after three seconds and replace it; devmgr leaves it at once, as it was, and
// tells so once. Left behind by dev.out, it is still devmgr's own: no backup is made of it.
TEST(CsvTwin, HeldTwinDoesNotHoldUpTheSave) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), AwkwardImport());
  RunInProcess(dir.path(), "1 1 in.txt 0");
  const std::string before = Raw(dir.File("dev.csv"));
  // Shares reading and writing but not its deletion, as an editor does.
  Holder holder(WindowsPath(dir.File("dev.csv")), L"rw", 3000);
  ASSERT_TRUE(holder.held());
  testing::internal::CaptureStderr();
  RunInProcess(dir.path(), "1 1 in.txt 1 1 in.txt 1 1 in.txt 0");
  const std::string notes = testing::internal::GetCapturedStderr();
  EXPECT_EQ(Raw(dir.File("dev.csv")), before);
  EXPECT_FALSE(fs::exists(dir.File("dev.csv.~1~"))) << "left behind, still devmgr's own";
  const std::string note = "dev.csv is left as it was";
  EXPECT_NE(notes.find(note), std::string::npos) << notes;
  EXPECT_EQ(notes.find(note), notes.rfind(note)) << "once a session: " << notes;
  const std::string dev_out = Raw(dir.File("dev.out"));
  EXPECT_EQ(std::count(dev_out.begin(), dev_out.end(), '\n'), 9) << "dev.out is saved";
  holder.WaitUntilDone();
}
#endif

}  // namespace

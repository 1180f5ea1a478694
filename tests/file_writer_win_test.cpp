// Saving and importing on Windows: lines end in CRLF on disk, GBK names reach the wide file
// API, refused targets keep every byte, stale temporaries go, the backup keeps the old
// content; import files open by GBK names and UTF-8 ones are converted.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "model/text.h"
#include "store/file_writer.h"
#include "store/import_file.h"
#include "support/session.h"

namespace {

namespace fs = std::filesystem;

// A fresh directory that is the working directory while a case runs.
class InFreshDir {
 public:
  InFreshDir() : old_(fs::current_path()) { fs::current_path(dir_.path()); }
  ~InFreshDir() {
    for (const auto& entry : fs::directory_iterator(".")) {
      SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);  // read-only goes too
    }
    fs::current_path(old_);
  }

 private:
  TempDir dir_;
  fs::path old_;
};

// The file name of UTF-8 text, whatever the ANSI code page.
fs::path Name(std::string_view utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

// The bytes of a file, exactly as on disk; "<missing>" when it cannot be read.
std::string Raw(std::string_view name) {
  std::ifstream in(Name(name), std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void Put(std::string_view name, std::string_view bytes, DWORD attributes = 0) {
  std::ofstream(Name(name), std::ios::binary) << bytes;
  if (attributes != 0) SetFileAttributesW(Name(name).c_str(), attributes);
}

bool NoTemporaries() {
  for (const auto& entry : fs::directory_iterator(".")) {
    if (entry.path().filename().string().find(".tmp-") != std::string::npos) return false;
  }
  return true;
}

void NoSetup() {}
void ReadOnlyTarget() { Put("dev.out", "old\r\n", FILE_ATTRIBUTE_READONLY); }
void DirectoryInTheWay() { fs::create_directory("dev.out"); }
void StaleTemporaries() { Put(".dev.out.tmp-99999-0", "half"), Put(".dev.out~.tmp-99998-1", "h"); }
void OldFileAndBackup() { Put("dev.out", "old\r\n"), Put("dev.out~", "older\r\n"); }

TEST(FileWriterWin, WritesTextFilesByWideNamesAndKeepsWhatItMayNotReplace) {
  std::string many, many_crlf;  // past the 1 MiB buffer
  for (int i = 0; i < 400000; ++i) many += "abc\n", many_crlf += "abc\r\n";
  const struct {
    const char* what;
    void (*setup)();
    const char* name;  // UTF-8
    std::string bytes, on_disk;
    WriteResult result;
    const char* reason;  // a part of the reason, for a refusal
    const char* backup;  // dev.out~ after
  } kCases[] = {
      {"CRLF", NoSetup, "dev.out", "1 D001\n\n2 D002\n", "1 D001\r\n\r\n2 D002\r\n",
       WriteResult::kOk, "", "<missing>"},
      {"past the buffer", NoSetup, "dev.out", many, many_crlf, WriteResult::kOk, "", "<missing>"},
      {"GBK name", NoSetup, "设备清单.out", "x\n", "x\r\n", WriteResult::kOk, "", "<missing>"},
      {"read-only", ReadOnlyTarget, "dev.out", "new\n", "old\r\n", WriteResult::kOpenFailed,
       "read-only", "<missing>"},
      {"directory", DirectoryInTheWay, "dev.out", "new\n", "<missing>",
       WriteResult::kOpenFailed, "is a directory", "<missing>"},
      {"stale", StaleTemporaries, "dev.out", "new\n", "new\r\n", WriteResult::kOk, "", "<missing>"},
      {"backup", OldFileAndBackup, "dev.out", "new\n", "new\r\n", WriteResult::kOk, "",
       "old\r\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    InFreshDir dir;
    c.setup();
    std::string reason;
    EXPECT_EQ(WriteFileAtomically(Gbk(c.name), c.bytes, {.keep_backup = true, .reason = &reason}),
              c.result);
    EXPECT_TRUE(Raw(c.name) == c.on_disk);  // no dump of a 2 MB file on failure
    EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    EXPECT_EQ(Raw("dev.out~"), c.backup);
    EXPECT_TRUE(NoTemporaries());
  }
}

// Notepad's UTF-8, with or without its byte-order mark, is converted; GBK is taken as it is.
TEST(ImportWin, ChineseNamesAndUtf8Files) {
  const struct {
    const char* name;  // UTF-8
    std::string bytes;
    bool from_utf8;
  } kCases[] = {
      {"设备.txt", Gbk("D1 打印机 h d 1 t 9\r\n"), false},
      {"a.txt", "\xEF\xBB\xBF" "D1 打印机 h d 1 t 9\r\n", true},
      {"b.txt", "D1 打印机 h d 1 t 9\n", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    InFreshDir dir;
    Put(c.name, c.bytes);
    DevList list;
    ImportNotes notes;
    ASSERT_EQ(AppendImportFile(Gbk(c.name), list, &notes), ImportResult::kOk);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name.view(), Gbk("打印机"));
    EXPECT_EQ(list[0].price.view(), "9");
    EXPECT_EQ(notes.encoding == charset::FileEncoding::kUtf8, c.from_utf8);
  }
  Texts().Reset();
}

}  // namespace

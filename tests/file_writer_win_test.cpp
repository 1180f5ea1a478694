// Saving on Windows: lines end in CRLF on disk, GB18030 names reach the wide file API,
// refused targets keep every byte, stale temporaries go, the backup keeps the old content.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "model/text.h"
#include "store/file_writer.h"
#include "store/import_file.h"

namespace {

namespace fs = std::filesystem;

// A fresh directory that is the working directory while the test runs; removed after,
// read-only files included.
class WorkDir {
 public:
  WorkDir() : old_(fs::current_path()) {
    path_ = fs::temp_directory_path() / ("devmgr-test-" + std::to_string(GetCurrentProcessId()));
    fs::create_directory(path_);
    fs::current_path(path_);
  }
  ~WorkDir() {
    fs::current_path(old_);
    for (const auto& entry : fs::recursive_directory_iterator(path_)) {
      SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(path_);
  }
  WorkDir(const WorkDir&) = delete;
  WorkDir& operator=(const WorkDir&) = delete;

 private:
  fs::path old_;
  fs::path path_;
};

// The GBK bytes of a UTF-16 name, as the program holds its texts.
std::string Gbk(const std::wstring& text) {
  char bytes[256];
  const int n = WideCharToMultiByte(936, 0, text.c_str(), static_cast<int>(text.size()), bytes,
                                    sizeof bytes, nullptr, nullptr);
  return std::string(bytes, static_cast<std::size_t>(n));
}

// The bytes of the file name in the working directory; "<missing>" when it cannot be read.
std::string ReadWide(const std::wstring& name) {
  const HANDLE h = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes(GetFileSize(h, nullptr), '\0');
  DWORD n = 0;
  ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(h);
  return bytes.substr(0, n);
}

// Creates the file name with bytes and the given attributes.
void WriteWide(const std::wstring& name, const std::string& bytes, DWORD attributes = 0) {
  std::FILE* file = _wfopen(name.c_str(), L"wb");
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  if (attributes != 0) SetFileAttributesW(name.c_str(), attributes);
}

// The names in the working directory that look like temporaries of a save.
std::vector<std::wstring> Temporaries() {
  std::vector<std::wstring> names;
  for (const auto& entry : fs::directory_iterator(".")) {
    const std::wstring name = entry.path().filename().wstring();
    if (name.find(L".tmp-") != std::wstring::npos) names.push_back(name);
  }
  return names;
}

void NoSetup() {}
void ReadOnlyTarget() { WriteWide(L"dev.out", "old\r\n", FILE_ATTRIBUTE_READONLY); }
void DirectoryInTheWay() { CreateDirectoryW(L"dev.out", nullptr); }
void StaleTemporaries() {
  WriteWide(L".dev.out.tmp-99999-0", "half");
  WriteWide(L".dev.out~.tmp-99998-1", "half");
}
void OldFileAndBackup() {
  WriteWide(L"dev.out", "old\r\n");
  WriteWide(L"dev.out~", "older\r\n");
}

TEST(FileWriterWin, WritesTextFilesByWideNamesAndKeepsWhatItMayNotReplace) {
  const struct {
    const char* what;
    void (*setup)();
    std::wstring name;
    std::string line;      // written repeat times
    std::string on_disk;   // expected repeat times, or the whole refused file
    int repeat;
    bool keep_backup;
    WriteResult result;
    const char* reason;    // a part of the reason, for a refusal
    const char* backup;    // dev.out~ after, when checked
  } kCases[] = {
      {"CRLF", NoSetup, L"dev.out", "1 D001\n\n2 D002\n", "1 D001\r\n\r\n2 D002\r\n", 1, false,
       WriteResult::kOk, "", nullptr},
      {"past the buffer", NoSetup, L"dev.out", "abc\n", "abc\r\n", 400000, false,
       WriteResult::kOk, "", nullptr},
      {"GBK name", NoSetup, L"设备清单.out", "x\n", "x\r\n", 1, false,
       WriteResult::kOk, "", nullptr},
      {"read-only", ReadOnlyTarget, L"dev.out", "new\n", "old\r\n", 1, true,
       WriteResult::kOpenFailed, "read-only", nullptr},
      {"directory", DirectoryInTheWay, L"dev.out", "new\n", "<missing>", 1, false,
       WriteResult::kOpenFailed, "is a directory", nullptr},
      {"stale", StaleTemporaries, L"dev.out", "new\n", "new\r\n", 1, false, WriteResult::kOk, "",
       nullptr},
      {"backup", OldFileAndBackup, L"dev.out", "new\n", "new\r\n", 1, true, WriteResult::kOk, "",
       "old\r\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    WorkDir dir;
    c.setup();
    std::string bytes, expected, reason;
    for (int i = 0; i < c.repeat; ++i) bytes += c.line;
    const bool refused = c.result != WriteResult::kOk;
    for (int i = 0; i < (refused ? 1 : c.repeat); ++i) expected += c.on_disk;
    const WriteResult result = WriteFileAtomically(
        Gbk(c.name), bytes, {.keep_backup = c.keep_backup, .reason = &reason});
    EXPECT_EQ(result, c.result);
    EXPECT_TRUE(ReadWide(c.name) == expected);  // no dump of a 2 MB file on failure
    EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    if (c.backup != nullptr) {
      EXPECT_EQ(ReadWide(L"dev.out~"), c.backup);
    }
    EXPECT_TRUE(Temporaries().empty());
  }
}

// Import files on Windows: opened by a GBK name through the wide API, UTF-8 (Notepad's
// default, with or without its byte-order mark) converted, GBK taken as it is, CRLF or LF.
TEST(ImportWin, ChineseNamesAndUtf8Files) {
  const std::string printer = Gbk(L"打印机");
  const struct {
    const char* what;
    std::wstring name;
    std::string bytes;
    bool from_utf8;
  } kCases[] = {
      {"GBK name, GBK text", L"设备.txt", "D1 " + printer + " h d 1 t 9\r\n", false},
      {"UTF-8 with its mark", L"a.txt", "\xEF\xBB\xBF" "D1 打印机 h d 1 t 9\r\n", true},
      {"UTF-8 without", L"b.txt", "D1 打印机 h d 1 t 9\n", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    WorkDir dir;
    WriteWide(c.name, c.bytes);
    DevList list;
    ImportNotes notes;
    ASSERT_EQ(AppendImportFile(Gbk(c.name), list, &notes), ImportResult::kOk);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name.view(), printer);
    EXPECT_EQ(list[0].price.view(), "9");
    EXPECT_EQ(notes.from_utf8, c.from_utf8);
  }
  Texts().Reset();
}

}  // namespace

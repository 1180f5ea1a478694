// Saving and importing on Windows: lines end in CRLF on disk, GBK names reach the wide file
// API, refused targets keep every byte, this machine's stale temporaries go and another's
// stay, the backup keeps the old content; saves while another program holds the file; the
// file's descriptor and attributes kept, by backups too; names by their full paths, machines
// by their DNS names; Ctrl+C's removal ordered with the rename; import files open by GBK names
// and UTF-8 ones are converted.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "model/text.h"
#include "files/file_identity_win.h"
#include "files/file_writer.h"
#include "files/temp_cleanup.h"
#include "store/import_file.h"
#include "support/holder_win.h"
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

// The names of the temporary files in the working directory, each followed by a blank.
std::string Temporaries() {
  std::string names;
  for (const auto& entry : fs::directory_iterator(".")) {
    const std::string name = entry.path().filename().string();
    if (name.find(".tmp-") != std::string::npos) names += name + " ";
  }
  return names;
}

// A temporary that devmgr on another PC using the same folder may be writing right now.
constexpr char kOtherPcs[] = ".dev.out.tmp-OTHER-PC-4242-0";

void NoSetup() {}
void ReadOnlyTarget() { Put("dev.out", "old\r\n", FILE_ATTRIBUTE_READONLY); }
void DirectoryInTheWay() { fs::create_directory("dev.out"); }
void StaleTemporaries() {
  Put(TemporaryPrefix("dev.out") + "99999-0", "half");
  Put(TemporaryPrefix("dev.out~") + "99998-1", "h");
  Put(kOtherPcs, "live");
}
// Three directories of 100 characters: dev.out in the last one is past MAX_PATH.
const std::string kLongDir = std::string(100, 'a') + "/" + std::string(100, 'b') + "/" +
                             std::string(100, 'c');
const std::string kLongName = kLongDir + "/dev.out";
void LongDirectories() { fs::create_directories(kLongDir); }
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
    std::string left = "";  // the temporaries left
  } kCases[] = {
      {"CRLF", NoSetup, "dev.out", "1 D001\n\n2 D002\n", "1 D001\r\n\r\n2 D002\r\n",
       WriteResult::kOk, "", "<missing>"},
      {"past the buffer", NoSetup, "dev.out", many, many_crlf, WriteResult::kOk, "", "<missing>"},
      {"GBK name", NoSetup, "设备清单.out", "x\n", "x\r\n", WriteResult::kOk, "", "<missing>"},
      {"past MAX_PATH", LongDirectories, kLongName.c_str(), "x\n", "x\r\n", WriteResult::kOk, "",
       "<missing>"},
      {"read-only", ReadOnlyTarget, "dev.out", "new\n", "old\r\n", WriteResult::kOpenFailed,
       "read-only", "<missing>"},
      {"directory", DirectoryInTheWay, "dev.out", "new\n", "<missing>",
       WriteResult::kOpenFailed, "is a directory", "<missing>"},
      {"stale", StaleTemporaries, "dev.out", "new\n", "new\r\n", WriteResult::kOk, "", "<missing>",
       std::string(kOtherPcs) + " "},
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
    EXPECT_EQ(Temporaries(), c.left);
  }
}

// Whether this system renames with POSIX semantics (Windows 10 1709 on NTFS; not Wine).
bool PosixRenames() {
  Put("probe", "");
  const HANDLE h = CreateFileW(L"probe", DELETE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const std::wstring to = fs::absolute("probed").wstring();
  std::string buffer(sizeof(FILE_RENAME_INFO) + to.size() * sizeof(wchar_t), '\0');
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
  info->FileNameLength = static_cast<DWORD>(to.size() * sizeof(wchar_t));
  to.copy(info->FileName, to.size());
  const bool renamed = SetFileInformationByHandle(h, static_cast<FILE_INFO_BY_HANDLE_CLASS>(22),
                                                  info, static_cast<DWORD>(buffer.size()));
  CloseHandle(h);
  fs::remove("probe"), fs::remove("probed");
  return renamed;
}

// Share modes as indexers (rwd), editors (rw), readers (r, rd) and spreadsheets (none) take
// them. A holder without delete sharing makes the save wait about five seconds before it gives
// up, whatever else it shares; one that lets go meanwhile lets it through.
TEST(FileWriterWin, SavesWhileAnotherProgramHoldsTheFile) {
  InFreshDir dir;
  const bool posix = PosixRenames();
  constexpr char kHeld[] = "dev.out: cannot put the new file in its place: In use by another program";
  const struct {
    const wchar_t* share;
    DWORD ms;
    WriteResult result;
    const char* on_disk;
    const char* reason;  // empty for a save that got through
    bool keep_backup = false;
  } kCases[] = {
      {L"rwd", 60000, posix ? WriteResult::kOk : WriteResult::kWriteFailed,
       posix ? "new\r\n" : "old\r\n", posix ? "" : kHeld},
      {L"rw", 60000, WriteResult::kWriteFailed, "old\r\n", kHeld},
      {L"none", 60000, WriteResult::kWriteFailed, "old\r\n", kHeld},
      {L"rw", 1000, WriteResult::kOk, "new\r\n", ""},
      // Readers that share reading only (.NET's File.OpenRead), or reading and deleting: the
      // same wait, not a refusal at once; the backup's copy waits too.
      {L"r", 1000, WriteResult::kOk, "new\r\n", ""},
      {L"rd", 60000, posix ? WriteResult::kOk : WriteResult::kWriteFailed,
       posix ? "new\r\n" : "old\r\n", posix ? "" : kHeld},
      {L"none", 1000, WriteResult::kOk, "new\r\n", "", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << fs::path(c.share).string() << " " << c.ms);
    Put("dev.out", "old\r\n");
    fs::remove("dev.out~");
    std::string reason;
    {
      Holder holder(L"dev.out", c.share, c.ms);
      ASSERT_TRUE(holder.held());
      EXPECT_EQ(WriteFileAtomically("dev.out", "new\n",
                                    {.keep_backup = c.keep_backup, .reason = &reason}),
                c.result);
    }
    EXPECT_EQ(Raw("dev.out"), c.on_disk);
    EXPECT_EQ(reason, c.reason);
    EXPECT_EQ(Raw("dev.out~"), c.keep_backup ? "old\r\n" : "<missing>");
    EXPECT_EQ(Temporaries(), "");
  }
}

// The descriptor in SDDL: owner, group and DACL.
std::wstring Sddl(const wchar_t* name) {
  constexpr SECURITY_INFORMATION kWhat =
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  unsigned char descriptor[4096];
  DWORD needed = 0;
  wchar_t* text = nullptr;
  if (!GetFileSecurityW(name, kWhat, descriptor, sizeof descriptor, &needed) ||
      !ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, kWhat,
                                                            &text, nullptr)) {
    return L"<unreadable>";
  }
  std::wstring sddl = text;
  LocalFree(text);
  return sddl;
}

// Only the owner may read dev.out, which is hidden and kept out of the index: a save keeps all
// of it, where a new file would get the folder's defaults (Wine keeps the DACL as far as the
// Unix mode bits can say it).
TEST(FileWriterWin, KeepsTheFilesDescriptorAndAttributes) {
  InFreshDir dir;
  constexpr DWORD kAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  Put("fresh", ""), Put("dev.out", "old\r\n", kAttributes);
  const std::wstring owner = Sddl(L"dev.out").substr(0, Sddl(L"dev.out").find(L"G:"));
  const std::wstring owner_only = L"D:P(A;;FA;;;" + owner.substr(2) + L")";
  PSECURITY_DESCRIPTOR planted = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
      owner_only.c_str(), SDDL_REVISION_1, &planted, nullptr));
  ASSERT_TRUE(SetFileSecurityW(L"dev.out", DACL_SECURITY_INFORMATION, planted));
  LocalFree(planted);
  const std::wstring before = Sddl(L"dev.out");
  const DWORD attributes = GetFileAttributesW(L"dev.out") & kAttributes;  // as far as kept here
  ASSERT_NE(before, Sddl(L"fresh"));  // what the save would give without keeping it
  ASSERT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0u);
  ASSERT_EQ(WriteFileAtomically("dev.out", "new\n"), WriteResult::kOk);
  EXPECT_EQ(Raw("dev.out"), "new\r\n");
  EXPECT_EQ(Sddl(L"dev.out"), before);
  EXPECT_EQ(GetFileAttributesW(L"dev.out") & kAttributes, attributes);
  // The backups of the next save: dev.out~ a copy of dev.out, with all of its protection
  // where a copy would get the folder's defaults; the older dev.out~ kept as dev.out.~1~
  // with its own.
  Put("dev.out~", "older\r\n");
  const std::wstring older = Sddl(L"dev.out~");
  ASSERT_NE(older, before);
  ASSERT_EQ(WriteFileAtomically("dev.out", "newer\n", {.keep_backup = true}), WriteResult::kOk);
  EXPECT_EQ(Raw("dev.out~"), "new\r\n");
  EXPECT_EQ(Sddl(L"dev.out~"), before);
  EXPECT_EQ(GetFileAttributesW(L"dev.out~") & kAttributes, attributes);
  EXPECT_EQ(Raw("dev.out.~1~"), "older\r\n");
  EXPECT_EQ(Sddl(L"dev.out.~1~"), older);
}

// The name the file API gets is judged by its full form: the classic one up to the limit of a
// directory's full name (MAX_PATH - 12), the "\\?\" form past it, whatever the name as written.
TEST(FileNamesWin, LongFormByTheFullName) {
  const std::wstring dir = L"C:\\" + std::wstring(200, L'd');
  const std::wstring at_limit = dir + L"\\" + std::wstring(247 - dir.size() - 1, L'x');
  const std::wstring past = at_limit + L"y";
  const std::wstring unc = L"\\\\server\\share\\" + std::wstring(250, L'u');
  const struct {
    std::wstring name, full, api;
  } kCases[] = {
      {L"dev.out", dir + L"\\dev.out", L"dev.out"},
      {L"x", at_limit, L"x"},
      {L"xy", past, L"\\\\?\\" + past},
      {L".dev.out.tmp-PC-1-0", past, L"\\\\?\\" + past},
      {L"s", unc, L"\\\\?\\UNC\\server\\share\\" + std::wstring(250, L'u')},
      {L"\\\\?\\" + past, L"\\\\?\\" + past, L"\\\\?\\" + past},
      {L"COM1", L"\\\\.\\COM1", L"COM1"},
      {L"bad", L"", L"bad"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(LongFormFor(c.name, c.full), c.api) << fs::path(c.name).string();
  }
}

// In a working directory where dev.out still takes the classic form but its temporaries and
// backups do not (a folder of 236 characters), every name of a save that is past the limit
// goes to the file API in the long form, and the save with its backups gets through.
TEST(FileNamesWin, SavesInADeepWorkingDirectory) {
  InFreshDir fresh;
  std::wstring dir = fs::current_path().wstring();
  ASSERT_LT(dir.size(), 200u);
  fs::path deep = std::wstring(236 - dir.size() - 1, L'd');
  fs::create_directory(deep);
  fs::current_path(deep);
  dir = fs::current_path().wstring();
  ASSERT_EQ(dir.size(), 236u);
  for (const std::string& name :
       {std::string("dev.out"), TemporaryName("dev.out", 0), TemporaryName("dev.out~", 99),
        std::string("dev.out~"), std::string("dev.out.~12~")}) {
    const std::wstring api = WideName(name);
    const std::wstring full = dir + L"\\" + fs::path(name).wstring();
    EXPECT_EQ(api, full.size() < MAX_PATH - 12 ? fs::path(name).wstring() : L"\\\\?\\" + full)
        << name;
  }
  Put("dev.out", "old\r\n"), Put("dev.out~", "older\r\n");
  std::string reason;
  EXPECT_EQ(WriteFileAtomically("dev.out", "new\n", {.keep_backup = true, .reason = &reason}),
            WriteResult::kOk)
      << reason;
  EXPECT_EQ(Raw("dev.out"), "new\r\n");
  EXPECT_EQ(Raw("dev.out~"), "old\r\n");
  EXPECT_EQ(Raw("dev.out.~1~"), "older\r\n");
  EXPECT_EQ(Temporaries(), "");
  fs::current_path("..");
}

// Temporaries carry the machine's whole DNS name: two PCs whose NetBIOS names agree in their
// 15 characters write apart, and so do names that agree in what a long name keeps of them.
// Every name is within its room and valid in a file name.
TEST(FileNamesWin, MachinePartsKeepMachinesApart) {
  const std::wstring fqdn = std::wstring(240, L'h') + L".corp";
  const struct {
    std::wstring a, b;
  } kCases[] = {
      {L"FINANCE-LAPTOP-01", L"FINANCE-LAPTOP-02"},
      {L"finance-laptop-01.corp.example.com", L"finance-laptop-01.lab.example.com"},
      {fqdn + L"1", fqdn + L"2"},
      {L"财务电脑一", L"财务电脑二"},
      {L"PC:a", L"PC*a"},
      {L"", L"PC"},
  };
  for (const auto& c : kCases) {
    const std::string a = MachinePart(c.a), b = MachinePart(c.b);
    SCOPED_TRACE(a + " " + b);
    EXPECT_NE(TemporaryNameFor("dev.out", a, 4242, 0), TemporaryNameFor("dev.out", b, 4242, 0));
    for (const std::string& part : {a, b}) {
      EXPECT_LE(part.size(), 64u);
      EXPECT_EQ(part.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                       "0123456789-_.~"),
                std::string::npos);
    }
  }
  EXPECT_EQ(MachinePart(L"FINANCE-LAPTOP-01"), "FINANCE-LAPTOP-01");
  EXPECT_EQ(TemporaryNameFor("sub\\dev.out", "M", 7, 3), "sub\\.dev.out.tmp-M-7-3");
}

// Ctrl+C or the window closing during a save: the control handler's removal, on a thread of
// its own as the system runs it, waits while a rename of the temporary is under way, and then
// finds the temporary's name gone; the renamed dev.out stays.
TEST(TempCleanupWin, RemovalWaitsForARenameUnderWay) {
  InFreshDir dir;
  Put("dev.out", "old\r\n");
  const std::string temp = TemporaryName("dev.out", 0);
  Put(temp, "new\r\n");
  const int slot = ArmTempCleanup(temp.c_str());
  ASSERT_GE(slot, 0);
  const auto remove = [](void*) -> DWORD {
    RemoveArmedTemporaries();
    return 0;
  };
  HANDLE handler = nullptr;
  {
    const TempCleanupHeldOff renaming;
    handler = CreateThread(nullptr, 0, remove, nullptr, 0, nullptr);
    ASSERT_NE(handler, nullptr);
    EXPECT_EQ(WaitForSingleObject(handler, 300), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(Raw(temp), "new\r\n");
    EXPECT_TRUE(MoveFileExW(WideName(temp).c_str(), L"dev.out", MOVEFILE_REPLACE_EXISTING));
  }
  EXPECT_EQ(WaitForSingleObject(handler, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(handler);
  DisarmTempCleanup(slot);
  EXPECT_EQ(Raw("dev.out"), "new\r\n");
  EXPECT_EQ(Temporaries(), "");
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

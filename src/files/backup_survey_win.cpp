// What lies beside a file that a save replaces, on Windows, for the rule of backups
// (backup.cpp): what its backup is, whether it holds the same bytes, the numbers taken.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "files/backup.h"
#include "files/file_identity_win.h"
#include "locale/messages.h"

namespace {

// Where the name of the file begins in the wide path: just past its last separator.
std::size_t NameStart(const std::wstring& wide) {
  const std::size_t separator = wide.find_last_of(L"\\/:");
  return separator == std::wstring::npos ? 0 : separator + 1;
}

// Whether the open files a and b hold the same bytes; false when either cannot be read.
bool SameContent(HANDLE a, HANDLE b) {
  char block_a[1 << 15];
  char block_b[1 << 15];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(a, block_a, sizeof block_a, &n, nullptr)) return false;
    DWORD got = 0;
    while (got < n) {
      DWORD m = 0;
      if (!ReadFile(b, block_b + got, n - got, &m, nullptr) || m == 0) return false;
      got += m;
    }
    if (n == 0) return ReadFile(b, block_b, 1, &got, nullptr) && got == 0;
    if (std::memcmp(block_a, block_b, n) != 0) return false;
  }
}

// Opens the file at path for reading, whatever others hold it for.
HANDLE OpenToRead(const std::string& path) {
  return CreateFileW(WideName(path).c_str(), GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

}  // namespace

FileLook LookAtFile(const std::string& path) {
  FileLook look;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(WideName(path).c_str(), GetFileExInfoStandard, &data)) return look;
  look.exists = true;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    look.fixed = msg::Say("%s: is a directory", {path});
    return look;
  }
  look.holds_bytes = data.nFileSizeHigh != 0 || data.nFileSizeLow != 0;
  return look;
}

bool SameBytes(const std::string& path, const std::string& backup) {
  const HANDLE a = OpenToRead(path);
  const HANDLE b = OpenToRead(backup);
  LARGE_INTEGER size_a;
  LARGE_INTEGER size_b;
  const bool same = a != INVALID_HANDLE_VALUE && b != INVALID_HANDLE_VALUE &&
                    GetFileSizeEx(a, &size_a) && GetFileSizeEx(b, &size_b) &&
                    size_a.QuadPart == size_b.QuadPart && SameContent(a, b);
  if (a != INVALID_HANDLE_VALUE) CloseHandle(a);
  if (b != INVALID_HANDLE_VALUE) CloseHandle(b);
  return same;
}

// Every regular file counts as the user's own here: a far-off number then leaves no number
// free, and the rule keeps the file under a name of its own.
std::vector<NumberedBackup> ListNumberedBackups(const std::string& path) {
  std::vector<NumberedBackup> found;
  const std::wstring wide = WideName(path);
  const std::size_t start = NameStart(wide);
  const std::wstring name = wide.substr(start);
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW((wide.substr(0, start) + L"*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    const std::wstring_view entry_name = entry.cFileName;
    if (!entry_name.starts_with(name)) continue;
    std::string suffix;
    for (const wchar_t c : entry_name.substr(name.size()))
      suffix.push_back(c < 0x80 ? char(c) : '?');
    const int number = BackupNumber(suffix);
    const DWORD other = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    if (number != 0) found.push_back({number, (entry.dwFileAttributes & other) == 0});
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return found;
}

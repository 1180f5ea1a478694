#include "store/dir_lock.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace {

// The full name of the working directory, links and short names resolved where the
// system can; empty when it is not known.
std::wstring WorkingDirectory() {
  std::wstring name(MAX_PATH, L'\0');
  const HANDLE dir = CreateFileW(L".", FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  DWORD n = 0;
  for (int tries = 0; tries < 2; ++tries) {
    n = dir != INVALID_HANDLE_VALUE
            ? GetFinalPathNameByHandleW(dir, name.data(), static_cast<DWORD>(name.size()),
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS)
            : GetCurrentDirectoryW(static_cast<DWORD>(name.size()), name.data());
    if (n < name.size()) break;
    name.resize(n);
  }
  if (dir != INVALID_HANDLE_VALUE) CloseHandle(dir);
  name.resize(n < name.size() ? n : 0);
  return name;
}

// name in upper case, as the file system compares names, so that "C:\Data" and "c:\data"
// give the same lock.
std::wstring CaseFolded(const std::wstring& name) {
  std::wstring folded(name);
  const int size = static_cast<int>(name.size());
  LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name.c_str(), size, folded.data(), size,
                nullptr, nullptr, 0);
  return folded;
}

// The 64-bit FNV-1a hash of the UTF-16 units of text, in hexadecimal.
std::wstring Hash(const std::wstring& text) {
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (const wchar_t unit : text) {
    hash = (hash ^ static_cast<std::uint16_t>(unit)) * 0x100000001b3u;
  }
  wchar_t digits[17];
  for (int i = 15; i >= 0; --i, hash >>= 4) digits[i] = L"0123456789abcdef"[hash & 0xF];
  digits[16] = L'\0';
  return digits;
}

}  // namespace

// The lock is a named mutex of the session, named after the directory: no file is left
// behind, and the system drops it when the process ends, also by a crash.
DirLock LockWorkingDirectory() {
  const std::wstring dir = WorkingDirectory();
  if (dir.empty()) return DirLock::kUnavailable;
  const std::wstring name = L"Local\\devmgr-" + Hash(CaseFolded(dir));
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) return DirLock::kUnavailable;
  if (GetLastError() != ERROR_ALREADY_EXISTS) return DirLock::kTaken;  // the handle stays open
  CloseHandle(mutex);
  return DirLock::kHeldElsewhere;
}

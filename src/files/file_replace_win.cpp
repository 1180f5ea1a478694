// Replacing a file by renaming another over it, on Windows: with POSIX semantics where the
// system has them, else the classic way, tried again for a while as long as another program
// holds the file.
#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "files/file_identity_win.h"

namespace {

// FileRenameInfoEx, which MinGW's headers declare only for later targets than Windows 10's
// first release, which the program is built for.
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

// How long the pauses between tries add up to at most, and the longest one, in milliseconds.
constexpr DWORD kPatienceMs = 5000;
constexpr DWORD kLongestPauseMs = 1000;

// Whether error says that the system or the file system does not know the call or its flags
// (Windows 10 before 1709, FAT, network shares, Wine).
bool Unsupported(DWORD error) {
  return error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
         error == ERROR_INVALID_FUNCTION || error == ERROR_CALL_NOT_IMPLEMENTED;
}

// Renames h to the full name to, replacing the file there; posix asks for POSIX semantics.
bool Rename(HANDLE h, const std::wstring& to, bool posix) {
  const std::size_t bytes = to.size() * sizeof(wchar_t);
  // FileName[1] leaves room for the terminating null, which the system's conversion of the
  // name to an NT name reads, though FileNameLength does not count it.
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + bytes);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  if (posix) {
    info->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
  } else {
    info->ReplaceIfExists = TRUE;
  }
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(bytes);
  std::memcpy(info->FileName, to.c_str(), bytes + sizeof(wchar_t));
  return SetFileInformationByHandle(h, posix ? kFileRenameInfoEx : FileRenameInfo, info,
                                    static_cast<DWORD>(buffer.size()));
}

// Whether another program has the file at name open: an open that shares nothing is then
// refused. (A classic replace refuses a file held open with ERROR_ACCESS_DENIED, the error
// it gives for a file the user may not replace too.)
bool HeldOpen(const std::wstring& name) {
  const HANDLE h = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) return CloseHandle(h), false;
  return GetLastError() == ERROR_SHARING_VIOLATION;
}

// Whether the rename failed with error because a program holds the file to, which may let
// go of it soon.
bool Held(DWORD error, const std::wstring& to) {
  if (HeldError(error)) return true;
  return error == ERROR_ACCESS_DENIED && HeldOpen(to);
}

}  // namespace

bool Patiently(const std::function<bool()>& attempt, const std::function<bool(DWORD)>& held) {
  DWORD slept = 0;
  for (DWORD pause = 20;; pause = std::min(2 * pause, kLongestPauseMs)) {
    if (attempt()) return true;
    const DWORD error = GetLastError();
    if (!held(error)) return SetLastError(error), false;
    if (slept >= kPatienceMs) return SetLastError(ERROR_SHARING_VIOLATION), false;
    Sleep(pause);
    slept += pause;
  }
}

bool HeldError(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Each try renames with the console handler held off the temporaries, between the pauses.
bool ReplaceByHandle(HANDLE h, const std::wstring& to, bool wait) {
  const std::wstring full = FullName(to);
  if (full.empty()) return false;
  bool posix = true;
  const auto rename = [&] {
    const TempCleanupHeldOff held_off;
    if (Rename(h, full, posix)) return true;
    if (!posix || !Unsupported(GetLastError())) return false;
    posix = false;  // and at once the classic way
    return Rename(h, full, false);
  };
  const auto held = [&](DWORD error) { return Held(error, to); };
  if (wait) return Patiently(rename, held);
  if (rename()) return true;
  const DWORD error = GetLastError();
  return SetLastError(held(error) ? ERROR_SHARING_VIOLATION : error), false;
}

bool MoveReplacing(const std::wstring& from, const std::wstring& to) {
  const HANDLE h = CreateFileW(from.c_str(), DELETE | SYNCHRONIZE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool moved = ReplaceByHandle(h, to);
  const DWORD error = GetLastError();
  CloseHandle(h);
  SetLastError(error);
  return moved;
}

bool RenameToFreeName(const std::wstring& from, const std::wstring& to) {
  const TempCleanupHeldOff held_off;
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH);
}

bool DeleteByHandle(HANDLE h) {
  FILE_DISPOSITION_INFO disposition{TRUE};
  return SetFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition);
}

#include "files/file_identity_win.h"

#include <cstdint>

#include "locale/code_page_win.h"
#include "files/backup.h"
#include "locale/messages.h"
#include "files/temp_cleanup.h"

namespace {

// The final name of the open file h, without the "\\?\" the system puts in front.
bool FinalName(HANDLE h, std::wstring* name) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (int tries = 0; tries < 2; ++tries) {
    const DWORD n = GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return false;
    if (n < buffer.size()) {
      buffer.resize(n);
      if (buffer.starts_with(L"\\\\?\\UNC\\")) {
        buffer.replace(0, 8, L"\\\\");
      } else if (buffer.starts_with(L"\\\\?\\")) {
        buffer.erase(0, 4);
      }
      *name = buffer;
      return true;
    }
    buffer.resize(n);
  }
  return false;
}

// Opens the file at wide for reading its status only, following links; directories too.
HANDLE OpenForStatus(const std::wstring& wide) {
  return CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Fills target's status fields from the file at its path; false when there is none.
bool ReadStatus(const std::wstring& wide, SaveTarget* target) {
  BY_HANDLE_FILE_INFORMATION info = {};
  const HANDLE h = OpenForStatus(wide);
  const bool known = h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  if (!known) {
    info.dwFileAttributes = GetFileAttributesW(wide.c_str());
    if (info.dwFileAttributes == INVALID_FILE_ATTRIBUTES) return false;
    info.nNumberOfLinks = 1;
  }
  target->attributes = info.dwFileAttributes;
  target->directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  target->read_only = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  target->links = info.nNumberOfLinks;
  return true;
}

// Where the symbolic link at wide ends, in the program's bytes; false with a reason when
// that name has no form in the program's code page. A link whose target is missing is
// replaced itself.
bool FollowLink(const std::string& path, const std::wstring& wide, std::string* resolved,
                std::string* reason) {
  *resolved = path;
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return true;
  }
  const HANDLE h = OpenForStatus(wide);
  if (h == INVALID_HANDLE_VALUE) return true;
  std::wstring final_name;
  const bool found = FinalName(h, &final_name);
  CloseHandle(h);
  if (found && !FromWide(final_name, resolved)) {
    *reason = msg::Say("%s: the link's target has a name outside code page %s",
                       {path, std::to_string(charset::ProgramCodePage())});
    return false;
  }
  if (!found) *resolved = path;
  return true;
}

// Whether the process pid is still running. A process this one may not look at is taken
// for a live one.
bool ProcessAlive(DWORD pid) {
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
  DWORD code = 0;
  const bool alive = !GetExitCodeProcess(process, &code) || code == STILL_ACTIVE;
  CloseHandle(process);
  return alive;
}

// The pid in "<pid>-<n>", the rest of a temporary's name after its prefix; 0 if none.
DWORD TemporaryPid(std::wstring_view rest) {
  std::uint64_t pid = 0;
  std::size_t i = 0;
  for (; i < rest.size() && i < 10 && rest[i] >= L'0' && rest[i] <= L'9'; ++i) {
    pid = pid * 10 + static_cast<std::uint64_t>(rest[i] - L'0');
  }
  if (i == 0 || i == rest.size() || rest[i] != L'-' || pid > UINT32_MAX) return 0;
  return static_cast<DWORD>(pid);
}

// Removes the temporary files with the prefix of path whose process is gone.
void SweepTemporariesOf(const std::string& path) {
  const std::wstring prefix = WideName(TemporaryPrefix(path));
  if (prefix.empty()) return;
  const std::size_t cut = prefix.find_last_of(L"/\\:") + 1;  // npos + 1 == 0
  const std::wstring dir = prefix.substr(0, cut);
  const std::wstring_view name_prefix = std::wstring_view(prefix).substr(cut);
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW((prefix + L"*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  const DWORD self = GetCurrentProcessId();
  do {
    const std::wstring_view name = entry.cFileName;
    if (!name.starts_with(name_prefix)) continue;
    const DWORD pid = TemporaryPid(name.substr(name_prefix.size()));
    if (pid == 0 || pid == self || ProcessAlive(pid)) continue;
    DeleteFileW(ApiName(dir + entry.cFileName).c_str());
  } while (FindNextFileW(find, &entry));
  FindClose(find);
}

}  // namespace

std::string SystemReason(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return std::string(msg::Tr("No such file or directory"));
    case ERROR_ACCESS_DENIED:
      return std::string(msg::Tr("Permission denied"));
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return std::string(msg::Tr("In use by another program"));
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return std::string(msg::Tr("No space left on device"));
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return std::string(msg::Tr("File exists"));
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return std::string(msg::Tr("Invalid file name"));
    case ERROR_FILENAME_EXCED_RANGE:
      return std::string(msg::Tr("File name too long"));
    case ERROR_WRITE_PROTECT:
      return std::string(msg::Tr("Read-only file system"));
    case ERROR_NOT_READY:
      return std::string(msg::Tr("No medium in the drive"));
    case ERROR_TOO_MANY_OPEN_FILES:
      return std::string(msg::Tr("Too many open files"));
    case ERROR_CANT_RESOLVE_FILENAME:
      return std::string(msg::Tr("Too many levels of symbolic links"));
    default:
      return msg::Say("Windows error %s", {std::to_string(error)});
  }
}

bool ResolveTarget(const std::string& path, SaveTarget* target, std::string* reason) {
  std::wstring wide;
  if (!ToWide(path, &wide) || wide.empty()) {
    *reason = msg::Say("%s: not a valid file name in code page %s",
                       {path, std::to_string(charset::ProgramCodePage())});
    return false;
  }
  if (!FollowLink(path, ApiName(wide), &target->path, reason)) return false;
  target->exists = ReadStatus(WideName(target->path), target);
  return true;
}

std::string RefusalReason(const SaveTarget& target) {
  if (!target.exists) return "";
  if (target.directory) return msg::Say("%s: is a directory", {target.path});
  if (target.read_only) {
    return msg::Say("%s: may not be written: the file is read-only", {target.path});
  }
  if (target.links > 1) {
    return msg::Say("%s: has %s hard links; replacing it would break them",
                    {target.path, std::to_string(target.links)});
  }
  // A file the user may not change, or on a medium that takes no writing: the rename would
  // fail too, after all the writing. A file that another program holds is not refused here,
  // whatever it shares: the rename waits for it to let go.
  const HANDLE h = CreateFileW(WideName(target.path).c_str(), GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return "";
  }
  const DWORD error = GetLastError();
  if (error != ERROR_ACCESS_DENIED && error != ERROR_WRITE_PROTECT) return "";
  return msg::Say("%s: may not be written: %s", {target.path, SystemReason(error)});
}

void SweepStaleTemporaries(const std::string& path) {
  SweepTemporariesOf(path);
  SweepTemporariesOf(BackupPath(path));
}

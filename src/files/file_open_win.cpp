#include "files/file_open.h"

#include <fcntl.h>
#include <io.h>

#include "files/file_identity_win.h"
#include "locale/messages.h"

namespace {

// Whether the open file h is of a kind that may be read: a file on disk that is not a
// directory, or a pipe where kind allows one. Consoles and other devices are not.
bool Fits(HANDLE h, InputKind kind) {
  switch (GetFileType(h)) {
    case FILE_TYPE_DISK: {
      BY_HANDLE_FILE_INFORMATION info;
      return GetFileInformationByHandle(h, &info) &&
             (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }
    case FILE_TYPE_PIPE:
      return kind == InputKind::kRegularOrPipe;
    default:
      return false;
  }
}

}  // namespace

// Opens by the UTF-16 form of the name, directories included (so that they are refused as
// "not a regular file", as on POSIX systems), and hands the handle to the C runtime, whose
// read() and fstat() the readers use.
int OpenInputFile(const std::string& path, InputKind kind, std::string* reason) {
  std::wstring wide;
  if (!ToWide(path, &wide)) {
    *reason = msg::Say("cannot open: %s", {SystemReason(ERROR_INVALID_NAME)});
    return -1;
  }
  const HANDLE h = CreateFileW(ApiName(wide).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    *reason = msg::Say("cannot open: %s", {SystemReason(GetLastError())});
    return -1;
  }
  if (!Fits(h, kind)) {
    CloseHandle(h);
    *reason = msg::Tr("not a regular file");
    return -1;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    *reason = msg::Tr("cannot open: too many open files");
  }
  return fd;
}

void CloseInputFile(int fd) { _close(fd); }

// The protection a new file takes over from the one it replaces, on Windows: the security
// descriptor, the attributes that stay with a file, compression and named streams; and copies
// that take all of it over from the file they copy (the backups).
#include "files/file_identity_win.h"

#include <winioctl.h>

namespace {

// The attributes the new file takes over; a read-only file is refused before.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                                  FILE_ATTRIBUTE_ENCRYPTED;

// The parts of the security descriptor of the file at name that what asks for, self-relative;
// empty when the user may not read them.
std::vector<unsigned char> Descriptor(const std::wstring& name, SECURITY_INFORMATION what) {
  std::vector<unsigned char> descriptor(512);
  for (int tries = 0; tries < 2; ++tries) {
    DWORD needed = 0;
    if (GetFileSecurityW(name.c_str(), what, descriptor.data(),
                         static_cast<DWORD>(descriptor.size()), &needed)) {
      return descriptor;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    descriptor.resize(needed);
  }
  return {};
}

// Creates name with descriptor, or with the folder's defaults when descriptor is empty.
HANDLE CreateWith(const std::wstring& name, const std::vector<unsigned char>& descriptor,
                  DWORD attributes) {
  SECURITY_ATTRIBUTES security{sizeof security, const_cast<unsigned char*>(descriptor.data()),
                               FALSE};
  return CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_DELETE,
                     descriptor.empty() ? nullptr : &security, CREATE_NEW, attributes, nullptr);
}

// Copies the bytes of the open file from to the open file to; false with GetLastError()
// telling why when a read or a write fails.
bool CopyBytes(HANDLE from, HANDLE to) {
  char block[1 << 16];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(from, block, sizeof block, &n, nullptr)) return false;
    if (n == 0) return true;
    DWORD written = 0;
    if (!WriteFile(to, block, n, &written, nullptr)) return false;
    if (written != n) return SetLastError(ERROR_HANDLE_DISK_FULL), false;
  }
}

// Copies the named stream ":<name>:$DATA" of the file from to the file to.
void CopyStream(const std::wstring& from, const std::wstring& to, const std::wstring& stream) {
  const HANDLE in = CreateFileW(ApiName(from + stream).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (in == INVALID_HANDLE_VALUE) return;
  const HANDLE out = CreateFileW(ApiName(to + stream).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out != INVALID_HANDLE_VALUE) {
    CopyBytes(in, out);
    CloseHandle(out);
  }
  CloseHandle(in);
}

// The protection of the file at name, whose attributes are attributes.
Protection ProtectionOf(const std::wstring& name, DWORD attributes) {
  Protection protection;
  protection.from = name;
  constexpr SECURITY_INFORMATION kDacl = DACL_SECURITY_INFORMATION;
  protection.descriptor =
      Descriptor(name, OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | kDacl);
  protection.no_owner = Descriptor(name, GROUP_SECURITY_INFORMATION | kDacl);
  protection.attributes = (attributes & kKeptAttributes) | FILE_ATTRIBUTE_NORMAL;
  protection.compressed = (attributes & FILE_ATTRIBUTE_COMPRESSED) != 0;
  return protection;
}

// Opens the file at name for reading, whatever others hold it for, waiting while another
// program holds it without sharing reading; INVALID_HANDLE_VALUE when it cannot be opened.
HANDLE OpenToCopy(const std::wstring& name) {
  HANDLE h = INVALID_HANDLE_VALUE;
  const auto open = [&] {
    h = CreateFileW(name.c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return h != INVALID_HANDLE_VALUE;
  };
  Patiently(open, HeldError);
  return h;
}

}  // namespace

Protection ReadProtection(const SaveTarget& target) {
  if (!target.exists) return {};
  return ProtectionOf(WideName(target.path), target.attributes);
}

// The owner of another user can be given only by a backup operator or an administrator, and
// only a file system that keeps descriptors takes any (a FAT card does not).
HANDLE CreateProtected(const std::wstring& name, const Protection& protection) {
  const std::vector<unsigned char> defaults;
  HANDLE h = INVALID_HANDLE_VALUE;
  for (const auto* descriptor : {&protection.descriptor, &protection.no_owner, &defaults}) {
    h = CreateWith(name, *descriptor, protection.attributes);
    const DWORD error = GetLastError();
    if (h != INVALID_HANDLE_VALUE || error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
        descriptor->empty()) {
      break;
    }
  }
  return h;
}

void CopyCompressionAndStreams(HANDLE h, const std::wstring& name, const Protection& protection) {
  if (protection.from.empty()) return;
  if (protection.compressed) {
    USHORT format = COMPRESSION_FORMAT_DEFAULT;
    DWORD returned = 0;
    DeviceIoControl(h, FSCTL_SET_COMPRESSION, &format, sizeof format, nullptr, 0, &returned,
                    nullptr);
  }
  WIN32_FIND_STREAM_DATA stream;
  const HANDLE find = FindFirstStreamW(protection.from.c_str(), FindStreamInfoStandard, &stream, 0);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring_view stream_name = stream.cStreamName;
    if (stream_name != L"::$DATA") CopyStream(protection.from, name, stream.cStreamName);
  } while (FindNextStreamW(find, &stream));
  FindClose(find);
}

bool CopyProtected(const std::wstring& from, const std::wstring& to) {
  const HANDLE in = OpenToCopy(from);
  if (in == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info = {};
  GetFileInformationByHandle(in, &info);
  const Protection protection = ProtectionOf(from, info.dwFileAttributes);
  const HANDLE out = CreateProtected(to, protection);
  DWORD error = GetLastError();
  bool copied = out != INVALID_HANDLE_VALUE;
  if (copied) {
    CopyCompressionAndStreams(out, to, protection);
    copied = CopyBytes(in, out) && FlushFileBuffers(out);  // by the handle that may write
    error = GetLastError();
    if (!copied) DeleteByHandle(out);
    CloseHandle(out);
  }
  CloseHandle(in);
  SetLastError(copied ? ERROR_SUCCESS : error);
  return copied;
}

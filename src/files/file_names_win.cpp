// Names on Windows: the program's GB18030 bytes and the UTF-16 of the file API, names past
// the classic length limit, and the names of temporary files.
#include <cstdio>

#include "locale/code_page_win.h"
#include "files/file_identity_win.h"

namespace {

// Whether c separates the parts of a file name: a slash, a backslash, or a drive's colon.
bool IsSeparator(unsigned char c) { return c == '/' || c == '\\' || c == ':'; }

// The index just past the last separator in path, or 0. A GB18030 character's second byte
// may be a backslash (0x5C), so the bytes are walked character by character: a byte from
// 0x81 on starts a pair (a four-byte character is two such pairs).
std::size_t NameStart(std::string_view path) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (c >= 0x81 && c <= 0xFE) {
      ++i;
    } else if (IsSeparator(c)) {
      start = i + 1;
    }
  }
  return start;
}

// This computer's name as a part of a file name: ASCII letters, digits, '-' and '_' as they
// are, any other character as "~" and its four hexadecimal digits; "PC" when unknown.
std::string MachinePart() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size) || size == 0) return "PC";
  std::string part;
  for (DWORD i = 0; i < size; ++i) {
    const wchar_t c = name[i];
    if ((c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ||
        c == L'-' || c == L'_') {
      part.push_back(static_cast<char>(c));
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "~%04X", static_cast<unsigned>(c));
      part.append(escaped);
    }
  }
  return part;
}

}  // namespace

bool ToWide(std::string_view bytes, std::wstring* wide) {
  wide->clear();
  if (bytes.empty()) return true;
  const int size = static_cast<int>(bytes.size());
  const UINT cp = charset::ProgramCodePage();
  const int n = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (n <= 0) return false;
  wide->resize(static_cast<std::size_t>(n));
  return MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), size, wide->data(), n) == n;
}

bool FromWide(std::wstring_view wide, std::string* bytes) {
  bytes->clear();
  if (wide.empty()) return true;
  const int size = static_cast<int>(wide.size());
  const UINT cp = charset::ProgramCodePage();
  // GB18030 holds every character, so only a lone surrogate fails there; GBK falls back to
  // '?' for what it lacks, which is reported.
  BOOL lossy = FALSE;
  const DWORD flags = cp == 54936 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL* used_default = cp == 54936 ? nullptr : &lossy;
  int n = WideCharToMultiByte(cp, flags, wide.data(), size, nullptr, 0, nullptr, used_default);
  if (n <= 0) return false;
  bytes->resize(static_cast<std::size_t>(n));
  n = WideCharToMultiByte(cp, flags, wide.data(), size, bytes->data(), n, nullptr, used_default);
  return n > 0 && !lossy;
}

std::wstring WideName(std::string_view bytes) {
  std::wstring wide;
  if (!ToWide(bytes, &wide)) wide.clear();
  return ApiName(wide);
}

std::wstring FullName(const std::wstring& name) {
  std::wstring full(MAX_PATH, L'\0');
  for (int tries = 0; tries < 2; ++tries) {
    const DWORD n =
        GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return L"";
    if (n < full.size()) return full.substr(0, n);
    full.resize(n);
  }
  return L"";
}

std::wstring ApiName(const std::wstring& name) {
  // Room for the longest name devmgr adds to a directory's name: a temporary's.
  constexpr std::size_t kClassicRoom = MAX_PATH - 60;
  if (name.size() < kClassicRoom || name.starts_with(L"\\\\?\\")) return name;
  const std::wstring full = FullName(name);
  if (full.empty()) return name;
  if (full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\")) return full;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string TemporaryPrefix(const std::string& path) {
  static const std::string machine = MachinePart();
  const std::size_t start = NameStart(path);
  return path.substr(0, start) + "." + path.substr(start) + ".tmp-" + machine + "-";
}

std::string TemporaryName(const std::string& path, int attempt) {
  return TemporaryPrefix(path) + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(attempt);
}

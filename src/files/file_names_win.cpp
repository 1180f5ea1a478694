// Names on Windows: the program's GB18030 bytes and the UTF-16 of the file API, and names
// whose full form is past the classic length limit.
#include "locale/code_page_win.h"
#include "files/file_identity_win.h"

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

std::wstring LongFormFor(const std::wstring& name, const std::wstring& full) {
  // The limit on a directory's full name, the lowest of the classic limits: a name under it
  // resolves the same with or without the long form.
  constexpr std::size_t kClassicRoom = MAX_PATH - 12;
  if (full.empty() || full.size() < kClassicRoom) return name;
  if (full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\")) return full;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::wstring ApiName(const std::wstring& name) {
  if (name.empty() || name.starts_with(L"\\\\?\\")) return name;
  return LongFormFor(name, FullName(name));
}

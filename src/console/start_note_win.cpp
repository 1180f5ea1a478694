// The start note's facts on Windows: a console on standard input, the working directory,
// and whether it lies inside the user's temporary folder, where Explorer runs a program
// opened inside a zip and which Windows empties later.
#include <windows.h>

#include <string>

#include "console/start_note.h"
#include "files/file_identity_win.h"

namespace con {
namespace {

// path made full and long (no 8.3 short names, as GetTempPathW may give), without a
// trailing backslash, so that two names of one folder compare equal.
std::wstring LongFullPath(const std::wstring& path) {
  std::wstring full(MAX_PATH, L'\0');
  DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (n == 0 || n >= full.size()) return path;
  full.resize(n);
  std::wstring long_form(MAX_PATH, L'\0');
  n = GetLongPathNameW(full.c_str(), long_form.data(), static_cast<DWORD>(long_form.size()));
  if (n > 0 && n < long_form.size()) full.assign(long_form.c_str(), n);
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return full;
}

// True when directory is folder or lies inside it, letters compared without case.
bool Inside(const std::wstring& directory, const std::wstring& folder) {
  if (folder.empty() || directory.size() < folder.size()) return false;
  if (CompareStringOrdinal(directory.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                           static_cast<int>(folder.size()), TRUE) != CSTR_EQUAL) {
    return false;
  }
  return directory.size() == folder.size() || directory[folder.size()] == L'\\' ||
         folder.back() == L'\\';
}

}  // namespace

StartFacts ReadStartFacts() {
  StartFacts facts;
  DWORD mode = 0;
  facts.interactive = GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
  std::wstring directory(MAX_PATH, L'\0');
  const DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data());
  directory.resize(n < directory.size() ? n : 0);
  std::wstring temporary(MAX_PATH + 1, L'\0');
  const DWORD t = GetTempPathW(static_cast<DWORD>(temporary.size()), temporary.data());
  temporary.resize(t < temporary.size() ? t : 0);
  facts.temporary = !directory.empty() && !temporary.empty() &&
                    Inside(LongFullPath(directory), LongFullPath(temporary));
  // A name the code page cannot hold all of is shown with '?' where GBK lacks a character.
  FromWide(directory, &facts.directory);
  return facts;
}

}  // namespace con

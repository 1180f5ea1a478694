// The start note's facts on Windows: a console on standard input, the working directory,
// whether it lies inside the user's temporary folder, where Explorer runs a program opened
// inside a zip and which Windows empties later, and whether it is too deep for any save.
#include <windows.h>

#include <string>

#include "console/start_note.h"
#include "files/backup.h"
#include "files/file_identity_win.h"
#include "locale/messages.h"

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

// The working directory's full name; empty when it cannot be read.
std::wstring WorkingDirectory() {
  std::wstring directory(MAX_PATH, L'\0');
  for (int tries = 0; tries < 2; ++tries) {
    const DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data());
    if (n < directory.size()) return directory.substr(0, n);  // 0: unreadable
    directory.resize(n);
  }
  return L"";
}

// Whether the working directory is too deep for the names devmgr writes there even in their
// long form: the longest, a backup's temporary, has no full name or one past the 32,767
// characters the file API takes.
bool TooDeep() {
  std::wstring longest;
  if (!ToWide(TemporaryName(BackupPath("dev.out"), 99), &longest)) return false;
  const std::wstring full = FullName(longest);
  return full.empty() || LongFormFor(longest, full).size() >= 32767;
}

}  // namespace

StartFacts ReadStartFacts() {
  StartFacts facts;
  DWORD mode = 0;
  facts.interactive = GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
  const std::wstring directory = WorkingDirectory();
  std::wstring temporary(MAX_PATH + 1, L'\0');
  const DWORD t = GetTempPathW(static_cast<DWORD>(temporary.size()), temporary.data());
  temporary.resize(t < temporary.size() ? t : 0);
  facts.temporary = !directory.empty() && !temporary.empty() &&
                    Inside(LongFullPath(directory), LongFullPath(temporary));
  // A name the code page cannot hold all of is shown with '?' where GBK lacks a character.
  FromWide(directory, &facts.directory);
  if (TooDeep()) {
    facts.platform_lines.push_back(
        msg::Say("%s is too deep a folder: Windows takes no file names that long, so no change "
                 "can be saved there.",
                 {facts.directory}));
    facts.platform_lines.push_back(msg::Say("Start devmgr in a folder nearer the drive's root."));
  }
  return facts;
}

}  // namespace con

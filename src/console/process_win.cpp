#include "console/process.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "files/file_identity_win.h"

namespace {

// The converted words and the pointers getopt_long walks, kept for the process's life.
std::vector<std::string> words;
std::vector<char*> pointers;

// The program's bytes for a word of the command line. A character the code page lacks
// (only where GBK stands in for GB18030) becomes '?': the name then opens nothing.
std::string ProgramBytes(const wchar_t* word) {
  std::string bytes;
  FromWide(word, &bytes);
  return bytes;
}

}  // namespace

Arguments ProgramArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return {argc, argv};
  words.clear();
  for (int i = 0; i < count; ++i) words.push_back(ProgramBytes(wide[i]));
  LocalFree(wide);
  pointers.clear();
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return {count, pointers.data()};
}

void PrepareProcess() {
  // A drive without its medium fails the open, which the save reports, instead of asking.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

// Fuzz target: the command line. Any list of words must be parsed without reading outside
// argv (the messages name the offending word or letter), the same words must always give
// the same answer, no words start a session, and a first word that is not an option is
// refused.
//
// An input is cut at its NUL bytes into the words after the program name.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// The parser lives beside main() in the program's entry file; take it from there.
#define main DevmgrMain
#include "main.cpp"
#undef main

namespace {

// Parses words as argv[1..] with getopt's state reset, as at a fresh start.
Action Parse(std::vector<std::string> words) {
  std::vector<char*> argv;
  std::string program = "devmgr";
  argv.push_back(program.data());
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  optind = 0;  // glibc: 0 also forgets a half-read cluster such as -hx
  return ParseOptions(static_cast<int>(argv.size()) - 1, argv.data()).action;
}

// Stops the run with a message naming the broken rule.
void Check(bool ok, const char* rule) {
  if (ok) return;
  std::fprintf(stderr, "broken: %s\n", rule);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> words;
  const std::string input(reinterpret_cast<const char*>(data), size);
  for (size_t start = 0; start < size;) {
    size_t end = input.find('\0', start);
    if (end == std::string::npos) end = size;
    words.push_back(input.substr(start, end - start));
    start = end + 1;
  }
  const Action action = Parse(words);
  Check(Parse(words) == action, "the same words give the same answer");
  Check(!words.empty() || action == Action::kRun, "no words start a session");
  if (!words.empty() && (words[0].size() < 2 || words[0][0] != '-')) {
    Check(action == Action::kUsageError, "a first word that is not an option is refused");
  }
  return 0;
}

// devmgr: keeps an inventory of devices at the console.
#include <getopt.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "console/globals.h"
#include "console/io.h"
#include "console/operations.h"
#include "console/process.h"
#include "console/terminal.h"
#include "store/dir_lock.h"
#include "store/load_records.h"

namespace {

// What the command line asks for. Only kRun starts a session; the others print and end
// before anything is read or written.
enum class Action { kRun, kHelp, kVersion, kUsageError };

// The options value that starts the session, parsed once from argv.
struct Options {
  Action action = Action::kRun;
  std::optional<std::string> load;  // -l FILE, --load=FILE: start with the records of FILE
};

constexpr char kUsageLine[] = "usage: devmgr [-h] [-V] [-l FILE]\n";

constexpr char kHelp[] =
    "Keeps an inventory of devices, worked through numbered Chinese menus (GBK).\n"
    "\n"
    "  -h, --help         print this help and exit\n"
    "  -V, --version      print the name and version and exit\n"
    "  -l, --load=FILE    start with the records of a record file such as dev.out\n"
    "\n"
    "Without options the session starts with no records. After every change the\n"
    "whole data set is written to dev.out in the working directory.\n"
    "Environment: DEVMGR_ENCODING=UTF-8 or GBK forces or turns off the conversion\n"
    "of the dialogue to UTF-8 (default: automatic, for a UTF-8 terminal).\n"
    "See devmgr(1) for the menus, the file formats and the exit status.\n";

// Says what was wrong with the command line, and the usage line, on standard error.
Options UsageError(const char* what, const char* word) {
  std::fprintf(stderr, "devmgr: %s '%s'\ndevmgr: %s", what, word, kUsageLine);
  Options refused;
  refused.action = Action::kUsageError;
  return refused;
}

// The same for an option getopt_long refused in the word argv[at]: a short option is
// named by its letter (it may sit inside a cluster such as -hx), a long one by its word.
Options OptionError(int c, char* argv[], int at) {
  const char* what = c == ':' ? "option needs an argument" : "unknown option";
  const std::string_view word = argv[at];
  if (word.starts_with("--")) return UsageError(what, argv[at]);
  const char letter[] = {'-', static_cast<char>(optopt), '\0'};
  return UsageError(what, letter);
}

// Parses argv with getopt_long. An unknown option or any argument left after the
// options is a usage error; getopt's own messages are off so that ours carry our prefix.
Options ParseOptions(int argc, char* argv[]) {
  static const option kLongOptions[] = {{"help", no_argument, nullptr, 'h'},
                                        {"version", no_argument, nullptr, 'V'},
                                        {"load", required_argument, nullptr, 'l'},
                                        {nullptr, 0, nullptr, 0}};
  Options options;
  opterr = 0;
  // getopt_long moves optind past a word only when the word is done (optind 0 asks for a
  // fresh start at word 1).
  for (int at = optind > 0 ? optind : 1, c;
       (c = getopt_long(argc, argv, "+:hVl:", kLongOptions, nullptr)) != -1; at = optind) {
    if (c == 'h') {
      options.action = Action::kHelp;
    } else if (c == 'V') {
      if (options.action != Action::kHelp) options.action = Action::kVersion;
    } else if (c == 'l') {
      options.load = optarg;
    } else {
      return OptionError(c, argv, at);
    }
  }
  if (optind < argc) return UsageError("unexpected argument", argv[optind]);
  return options;
}

// Makes the records of the record file at path the data set and the start that undo
// returns to, as if the session had begun with them.
// A file that cannot be read or holds a line that is no record ends the process with
// status 2 before the menu, saying where and why.
void LoadDataSet(const std::string& path) {
  LoadError error;
  bool from_utf8 = false;
  const std::string name = con::Printable(path);
  if (!LoadRecordFile(path, dev, &error, &from_utf8)) {
    const std::string where = error.line > 0 ? ":" + std::to_string(error.line) : "";
    con::Warn(name + where + ": " + error.reason);
    std::exit(2);
  }
  if (from_utf8) con::Warn(name + ": UTF-8 text, converted to GB18030");
  backup.Start(dev);
}

}  // namespace

int main(int argc, char* argv[]) {
  const Arguments arguments = ProgramArguments(argc, argv);
  const Options options = ParseOptions(arguments.count, arguments.words);
  switch (options.action) {
    case Action::kHelp:
      std::printf("%s\n%s", kUsageLine, kHelp);
      return 0;
    case Action::kVersion:
      std::printf("devmgr %s\n", DEVMGR_VERSION);
      return 0;
    case Action::kUsageError:
      return 2;
    case Action::kRun:
      break;
  }
  if (options.load) LoadDataSet(*options.load);
  if (LockWorkingDirectory() == DirLock::kHeldElsewhere) {
    std::fputs("devmgr: another devmgr works in this directory; the last save wins\n", stderr);
  }
  PrepareProcess();
  // A UTF-8 terminal gets the dialogue in UTF-8; pipes and files keep their GBK bytes.
  con::WireTerminal();
  RunMenuLoop();
}

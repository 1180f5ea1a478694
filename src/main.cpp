// devmgr: keeps an inventory of devices at the console.
#include <getopt.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "console/globals.h"
#include "console/operations.h"
#include "store/dir_lock.h"
#include "store/load_records.h"

namespace {

// What the command line asks for.
struct Options {
  std::optional<std::string> load;  // -l FILE, --load=FILE: start with the records of FILE
};

// Reads the options; an unknown one or a stray argument ends the process with status 2
// before anything is read or written.
Options ParseOptions(int argc, char** argv) {
  static const option kLongOptions[] = {
      {"load", required_argument, nullptr, 'l'},
      {nullptr, 0, nullptr, 0},
  };
  Options options;
  for (int c; (c = getopt_long(argc, argv, "l:", kLongOptions, nullptr)) != -1;) {
    if (c == 'l') {
      options.load = optarg;
    } else {
      std::fputs("usage: devmgr [-l FILE]\n", stderr);
      std::exit(2);
    }
  }
  if (optind < argc) {
    std::fputs("usage: devmgr [-l FILE]\n", stderr);
    std::exit(2);
  }
  return options;
}

// Makes the records of the record file at path the data set; the history stays empty.
// A file that cannot be read or holds a line that is no record ends the process with
// status 2 before the menu, saying where and why.
void LoadDataSet(const std::string& path) {
  LoadError error;
  if (!LoadRecordFile(path, dev, &error)) {
    const std::string where = error.line > 0 ? ":" + std::to_string(error.line) : "";
    std::fprintf(stderr, "devmgr: %s%s: %s\n", path.c_str(), where.c_str(), error.reason.c_str());
    std::exit(2);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  if (options.load) LoadDataSet(*options.load);
  if (LockWorkingDirectory() == DirLock::kHeldElsewhere) {
    std::fputs("devmgr: another devmgr works in this directory; the last save wins\n", stderr);
  }
  // A file size limit must fail the write, which the save reports, not kill the process.
  std::signal(SIGXFSZ, SIG_IGN);
  // A closed output pipe ends the output, not the process in the middle of a save.
  std::signal(SIGPIPE, SIG_IGN);
  RunMenuLoop();
}

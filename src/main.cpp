// devmgr: keeps an inventory of devices at the console.
#include <getopt.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "console/globals.h"
#include "console/help.h"
#include "console/import_notes.h"
#include "console/io.h"
#include "locale/language.h"
#include "console/operations.h"
#include "console/process.h"
#include "console/start_note.h"
#include "console/terminal.h"
#include "files/dir_lock.h"
#include "store/file_text.h"
#include "store/load_records.h"
#include "locale/messages.h"

namespace {

// What the command line asks for. Only kRun starts a session; the others print and end
// before anything is read or written.
enum class Action { kRun, kHelp, kVersion, kUsageError };

// The options value that starts the session, parsed once from argv.
struct Options {
  Action action = Action::kRun;
  std::optional<std::string> load;  // -l FILE, --load=FILE: start with the records of FILE
  // --input-encoding=gbk|utf-8|utf-16: every file read in it
  std::optional<charset::FileEncoding> input_encoding;
};

// The usage line, without its line end.
std::string_view UsageLine() { return msg::Tr("usage: devmgr [-h] [-V] [-l FILE]"); }

// The encoding an --input-encoding argument names (any letter case), or nullopt.
std::optional<charset::FileEncoding> EncodingNamed(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  if (lower == "gbk" || lower == "gb18030") return charset::FileEncoding::kGb18030;
  if (lower == "utf-8" || lower == "utf8") return charset::FileEncoding::kUtf8;
  if (lower == "utf-16" || lower == "utf16") return charset::FileEncoding::kUtf16Le;
  return std::nullopt;
}

// Says what was wrong with the command line, and the usage line, on standard error.
Options UsageError(std::string_view what, const char* word) {
  con::Warn(msg::Say("%s '%s'", {what, word}));
  con::Warn(UsageLine());
  Options refused;
  refused.action = Action::kUsageError;
  return refused;
}

// The same for an option getopt_long refused in the word argv[at]: a short option is
// named by its letter (it may sit inside a cluster such as -hx), a long one by its word.
Options OptionError(int c, char* argv[], int at) {
  const std::string_view what =
      c == ':' ? msg::Tr("option needs an argument") : msg::Tr("unknown option");
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
                                        {"input-encoding", required_argument, nullptr, 'e'},
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
    } else if (c == 'e') {
      options.input_encoding = EncodingNamed(optarg);
      if (!options.input_encoding) {
        return UsageError(msg::Tr("--input-encoding takes gbk, utf-8 or utf-16, not"), optarg);
      }
    } else {
      return OptionError(c, argv, at);
    }
  }
  if (optind < argc) return UsageError(msg::Tr("unexpected argument"), argv[optind]);
  return options;
}

// Makes the records of the record file at path the data set and the start that undo
// returns to, as if the session had begun with them.
// A file that cannot be read or holds a line that is no record ends the process with
// status 2 before the menu, saying where and why.
void LoadDataSet(const std::string& path) {
  LoadError error;
  DecodedText decoded;
  TableNotes table;
  const std::string name = con::Printable(path);
  if (!LoadRecordFile(path, dev, &error, &decoded, &table)) {
    const std::string where = error.line > 0 ? ":" + std::to_string(error.line) : "";
    con::Warn(msg::Say("%s: %s", {name + where, error.reason}));
    std::exit(2);
  }
  for (const std::string& line : DecodedNote(name, decoded)) con::Warn(line);
  con::TellTableNotes(name, table, dev.size());
  backup.Start(dev);
}

}  // namespace

int main(int argc, char* argv[]) {
  ChooseMessageLanguage();
  const Arguments arguments = ProgramArguments(argc, argv);
  // A UTF-8 terminal gets the dialogue and the messages in UTF-8; pipes and files keep
  // their GBK bytes.
  con::WireTerminal();
  const Options options = ParseOptions(arguments.count, arguments.words);
  switch (options.action) {
    case Action::kHelp:
      con::Out(UsageLine());
      con::Out("\n\n");
      con::Out(HelpText());
      con::Flush();
      return 0;
    case Action::kVersion:
      con::Out("devmgr " DEVMGR_VERSION "\n");
      con::Flush();
      return 0;
    case Action::kUsageError:
      return 2;
    case Action::kRun:
      break;
  }
  PrepareProcess();  // before any file is touched: no system dialog for a missing disk
  SetInputEncoding(options.input_encoding);
  if (options.load) LoadDataSet(*options.load);
  if (LockWorkingDirectory() == DirLock::kHeldElsewhere) {
    con::Warn(msg::Tr("another devmgr works in this directory; the last save wins"));
  }
  if (!options.load) con::TellStartNote();
  RunMenuLoop();
}

// The start note's facts on POSIX systems: a terminal on standard input, the working
// directory as getcwd gives it. No folder is emptied behind the user's back here.
#include <unistd.h>

#include <climits>
#include <string>
#include <string_view>

#include "console/io.h"
#include "console/start_note.h"
#include "locale/charset.h"

namespace con {
namespace {

// The directory's name as the program's text: a name in UTF-8, as most systems write
// them, converted to GB18030 like every other text shown; other bytes as they are, but
// control bytes escaped.
std::string DirectoryText(std::string_view path) {
  const std::string text = charset::IsUtf8Text(path) ? charset::Utf8ToGb(path) : std::string(path);
  std::string shown;
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    shown += b < 0x20 || b == 0x7F ? Printable({&c, 1}) : std::string(1, c);
  }
  return shown;
}

}  // namespace

StartFacts ReadStartFacts() {
  StartFacts facts;
  facts.interactive = ::isatty(0) == 1;
  char buffer[PATH_MAX];
  facts.directory = ::getcwd(buffer, sizeof buffer) != nullptr ? DirectoryText(buffer) : ".";
  return facts;
}

}  // namespace con

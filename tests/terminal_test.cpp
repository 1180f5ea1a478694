// The console's transport: the encoding chosen from the environment and the terminals,
// and what the wrapped wiring shows and reads.
#include "console/terminal.h"

#include <gtest/gtest.h>

#include "support/session.h"

namespace {

TEST(ChooseEncoding, EnvironmentAndTerminals) {
  struct Case {
    const char *forced, *lc_all, *lc_ctype, *lang;
    bool in_tty, out_tty;
    const char* chosen;  // decode input, encode output and standard error, fresh line; W: warned
  } cases[] = {
      {nullptr, nullptr, nullptr, "C.UTF-8", true, true, "ierL"},
      {nullptr, nullptr, nullptr, "zh_CN.utf8@x", true, true, "ierL"},  // not generated here
      {nullptr, "C", nullptr, "C.UTF-8", true, true, "L"},             // LC_ALL first
      {nullptr, "", "en_US.UTF-8", "C", true, true, "ierL"},            // empty: skipped
      {nullptr, nullptr, nullptr, "zh_CN.GBK", true, true, "L"},
      {nullptr, nullptr, nullptr, nullptr, true, true, "L"},
      {nullptr, nullptr, nullptr, "C.UTF-8", true, false, "i"},
      {nullptr, nullptr, nullptr, "C.UTF-8", false, true, "erL"},
      {"Utf8", nullptr, nullptr, "C", false, false, "ier"},
      {"gb18030", nullptr, nullptr, "C.UTF-8", true, true, "L"},
      {"", nullptr, nullptr, "C.UTF-8", true, true, "ierL"},
      {"latin1", nullptr, nullptr, "C.UTF-8", true, false, "iW"},
  };
  for (const Case& c : cases) {
    std::string warning;
    const con::ConsoleEncoding e = con::ChooseEncoding(
        {c.forced, c.lc_all, c.lc_ctype, c.lang, c.in_tty, c.out_tty, c.out_tty}, &warning);
    const std::string chosen = std::string(e.decode_input ? "i" : "") +
                               (e.encode_output ? "e" : "") + (e.encode_error ? "r" : "") +
                               (e.fresh_line_at_end ? "L" : "") +
                               (warning.empty() ? "" : "W");
    EXPECT_EQ(chosen, c.chosen) << (c.forced ? c.forced : "-") << " " << (c.lang ? c.lang : "-");
  }
}

// Thrown by the fake exit.
struct Ended {};

// A terminal that gives typed as the user's input and collects what is shown on it.
con::Wiring FakeTerminal(std::string& typed, std::string& shown) {
  con::Wiring w;
  w.read = [&typed](char* buf, std::size_t cap) {
    const std::size_t n = typed.copy(buf, cap);
    typed.erase(0, n);
    return n;
  };
  w.write = [&shown](std::string_view bytes) { shown.append(bytes); };
  w.exit = [](int) { throw Ended{}; };
  return w;
}

TEST(TerminalWiring, Utf8TerminalSeesUtf8AndTypesGb) {
  std::string typed = "数码相机 设备.txt", shown, warned;
  con::Wiring terminal = FakeTerminal(typed, shown);
  terminal.error = [&warned](std::string_view bytes) { warned.append(bytes); };
  con::Wire(con::TerminalWiring(terminal, {true, true, true, true}));
  const std::string prompt = Gbk("->请选择:");
  con::Out(prompt.substr(0, 3));  // a character cut between two writes
  con::Flush();
  con::Out(prompt.substr(3));
  EXPECT_EQ(con::ReadToken(), Gbk("数码相机"));
  EXPECT_EQ(con::ReadFileName(), "设备.txt");  // opened as typed
  con::Warn(Gbk("设备"));
  EXPECT_EQ(warned, "devmgr: 设备\n");
  con::Out(Gbk("设").substr(0, 1));            // still cut when the session ends
  EXPECT_THROW(con::EndSession(0), Ended);
  con::Wire(con::ProcessWiring());
  EXPECT_EQ(shown, "->请选择:\uFFFD\n");  // and a fresh line for the shell's prompt
}

// The session ends on a fresh line only when the cursor is mid-line: after output that
// did not end with a line feed and no echoed line end since.
TEST(TerminalWiring, FreshLineOnlyWhenTheCursorIsMidLine) {
  const struct {
    const char* printed;
    const char* typed;  // read after the output; nullptr: nothing read
    const char* shown;
  } kCases[] = {
      {"->", "0\n", "->"},          // the terminal echoed 0 and the line end
      {"done\n", nullptr, "done\n"},  // output that ended its line
      {"->", nullptr, "->\n"},
      {"->", "0", "->\n"},          // the typed line never ended
  };
  for (const auto& c : kCases) {
    std::string shown, typed = c.typed ? c.typed : "";
    con::Wire(con::TerminalWiring(FakeTerminal(typed, shown), {false, false, false, true}));
    con::Out(c.printed);
    if (c.typed) {
      EXPECT_EQ(con::ReadToken(), "0");
    }
    EXPECT_THROW(con::EndSession(0), Ended);
    con::Wire(con::ProcessWiring());
    EXPECT_EQ(shown, c.shown) << c.printed << " then " << (c.typed ? c.typed : "nothing");
  }
}

}  // namespace

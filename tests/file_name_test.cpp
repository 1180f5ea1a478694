// The file-name prompt's reader: a name in double quotes holds blanks, a quote left open
// on its line begins a word as any other, and a UTF-8 wiring turns the name into GB18030.
#include <gtest/gtest.h>

#include "console/io.h"
#include "console/terminal.h"
#include "support/session.h"

namespace {

// Thrown by the fake exit.
struct Ended {};

// Typed text given three bytes a read, so that names straddle refills of the buffer.
con::Wiring Typed(std::string& typed) {
  con::Wiring w;
  w.read = [&typed](char* buf, std::size_t cap) {
    const std::size_t n = typed.copy(buf, std::min<std::size_t>(cap, 3));
    typed.erase(0, n);
    return n;
  };
  w.write = [](std::string_view) {};
  w.exit = [](int) { throw Ended{}; };
  return w;
}

TEST(ReadFileName, QuotedNamesAndWhatFollowsThem) {
  const struct {
    const char* typed;  // UTF-8
    bool utf8;          // read through a wiring that decodes UTF-8 file names
    const char* name;   // UTF-8 when utf8, else the bytes typed
    const char* next;   // the token read after the name
  } kCases[] = {
      {"\"新建 文本文档.txt\"\n0", false, "新建 文本文档.txt", "0"},
      {"  \"C:\\Users\\li\\x y.txt\" 2", false, "C:\\Users\\li\\x y.txt", "2"},
      {"\"a\tb\"c d", false, "a\tb", "c"},
      {"\"\"x", false, "", "x"},
      {"\"a b.txt\n4", false, "\"a", "b.txt"},     // no closing quote on the line
      {"\"a b.txt\r\n\"4", false, "\"a", "b.txt"},  // nor before CR LF
      {"\"a b", false, "\"a", "b"},                 // nor before the input ends
      {"a\"b c\"", false, "a\"b", "c\""},           // a quote inside a word is a byte
      {"plain.txt 1", false, "plain.txt", "1"},
      {"\"新建 文本文档.txt\" 数码", true, "新建 文本文档.txt", "数码"},
      {"设备.txt 1", true, "设备.txt", "1"},
  };
  for (const auto& c : kCases) {
    std::string typed = c.typed;
    con::ConsoleEncoding names;
    names.decode_file_names = c.utf8;
    con::Wire(con::TerminalWiring(Typed(typed), names));
    const std::string name = con::ReadFileName();
    EXPECT_EQ(c.utf8 ? Utf8(name) : name, c.name) << c.typed;
    EXPECT_EQ(con::ReadToken(), c.next) << c.typed;
    con::Wire(con::ProcessWiring());
  }
}

}  // namespace

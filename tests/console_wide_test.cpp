// The Windows console's transport, with a fake console: what devmgr prints (GB18030)
// shown in UTF-16 with CR LF line ends, what is typed in UTF-16 read as GB18030.
#include "console/console_wide.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "locale/charset.h"

namespace {

// Thrown by the fake exit.
struct Ended {};

// The program's bytes for UTF-8 text (GBK where the platform lacks GB18030).
std::string Gb(std::string_view utf8) { return charset::Utf8ToGb(utf8); }

TEST(WideConsoleWiring, ShowsWritesInUtf16WithCrlf) {
  const std::string device = Gb("设备");
  struct Case {
    const char* name;
    std::vector<std::string> writes;
    std::u16string shown;
  } cases[] = {
      {"cut inside a character",
       {device.substr(0, 1), device.substr(1, 2), device.substr(3)},
       u"设备"},
      {"line ends", {"a\n" + device + "\n\n"}, u"a\r\n设备\r\n\r\n"},
      {"invalid bytes", {"a\x80z\xFF\n"}, u"a\uFFFDz\uFFFD\r\n"},
      {"cut character never completed", {"x" + device.substr(0, 1)}, u"x\uFFFD"},
  };
  for (const Case& c : cases) {
    std::u16string shown, warned;
    std::string piped;
    con::Wiring inner;
    inner.write = [&](std::string_view bytes) { piped.append(bytes); };
    inner.exit = [](int) { throw Ended{}; };
    con::Wire(con::WideConsoleWiring(
        inner, {[&](std::u16string_view text) { shown.append(text); }, nullptr,
                [&](std::u16string_view text) { warned.append(text); }}));
    for (const std::string& piece : c.writes) {
      con::Out(piece);
      con::Flush();
    }
    con::Warn(c.writes.back());  // standard error: the same conversion, each message whole
    EXPECT_THROW(con::EndSession(0), Ended);
    EXPECT_EQ(shown, c.shown) << c.name;
    EXPECT_TRUE(warned.starts_with(u"devmgr: ") && warned.ends_with(u"\r\n")) << c.name;
    EXPECT_EQ(piped, "") << c.name;
  }
}

TEST(WideConsoleWiring, ReadsTypedUtf16AsGb) {
  struct Case {
    const char* name;
    std::vector<std::u16string> reads;
    std::vector<std::string> tokens;
  } cases[] = {
      {"Chinese and CR LF", {u"设备 12\r\n", u"x\r\n"}, {Gb("设备"), "12", "x"}},
      // U+20000: GB18030's four bytes, or its UTF-8 where only GBK is at hand.
      {"surrogate pair read in two parts", {u"a\xD840", u"\xDC00 b\r\n"}, {Gb("a𠀀"), "b"}},
      {"surrogate without its pair", {u"x\xDC00y\n"}, {"x?y"}},
  };
  for (const Case& c : cases) {
    std::size_t next = 0;
    con::Wiring inner;
    inner.read = [](char*, std::size_t) -> std::size_t {
      ADD_FAILURE() << "pipe read";
      return 0;
    };
    inner.write = [](std::string_view) {};
    const auto typed = [&](char16_t* buf, std::size_t cap) -> std::size_t {
      return next == c.reads.size() ? 0 : c.reads[next++].copy(buf, cap);
    };
    con::Wire(con::WideConsoleWiring(inner, {nullptr, typed, nullptr}));
    for (const std::string& token : c.tokens) EXPECT_EQ(con::ReadToken(), token) << c.name;
  }
}

}  // namespace

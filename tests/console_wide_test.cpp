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

// A long listing goes to the console in pieces of at most 8,192 units; a surrogate pair that
// a piece would cut in two (CJK Extension B, U+20000) goes whole with the next piece, one
// that ends a piece stays in it.
TEST(WideConsoleWiring, NeverEndsAPieceInsideASurrogatePair) {
  // The cut itself, also where the code page has no four-byte forms to print a pair from.
  const std::u16string straddling = std::u16string(con::kConsolePiece - 1, u'a') + u"\xD840\xDC00";
  EXPECT_EQ(con::ConsolePiece(straddling), con::kConsolePiece - 1);
  EXPECT_EQ(con::ConsolePiece(std::u16string_view(straddling).substr(1)), con::kConsolePiece);
  std::u16string pair;
  charset::GbToUtf16 probe;
  probe.Convert(Gb("𠀀"), pair);
  if (pair != u"\xD840\xDC00") GTEST_SKIP() << "no GB18030 four-byte forms here";
  const struct {
    std::size_t before;  // units ahead of the pair
    std::vector<std::size_t> pieces;
  } kCases[] = {
      {con::kConsolePiece - 1, {con::kConsolePiece - 1, 4}},  // straddles the first cut
      {con::kConsolePiece - 2, {con::kConsolePiece, 2}},      // ends the first piece
      {2 * con::kConsolePiece - 1, {con::kConsolePiece, con::kConsolePiece - 1, 4}},
  };
  for (const auto& c : kCases) {
    std::u16string shown;
    std::vector<std::size_t> pieces;
    con::Wiring inner;
    inner.write = [](std::string_view) { ADD_FAILURE() << "pipe write"; };
    const auto show = [&](std::u16string_view text) {
      pieces.push_back(text.size());
      EXPECT_FALSE(text.back() >= 0xD800 && text.back() <= 0xDBFF) << c.before;
      shown.append(text);
    };
    con::Wire(con::WideConsoleWiring(inner, {show, nullptr, nullptr}));
    con::Out(std::string(c.before, 'a') + Gb("𠀀") + "\n");
    con::Flush();
    EXPECT_EQ(pieces, c.pieces) << c.before;
    EXPECT_EQ(shown, std::u16string(c.before, u'a') + pair + u"\r\n") << c.before;
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

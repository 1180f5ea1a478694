// The converters between the program's GB18030 and the UTF-8 of terminals: writes cut
// anywhere, bytes that are not text, characters GBK lacks.
#include "locale/charset.h"

#include <gtest/gtest.h>

#include <vector>

#include "convert_text.h"
#include "console/io.h"
#include "support/session.h"

namespace {

// GB18030 bytes of UTF-8 text, for the characters that GBK lacks.
std::string Gb18030(std::string_view utf8) {
  std::string out;
  EXPECT_TRUE(ConvertText(utf8, "GB18030", "UTF-8", &out)) << utf8;
  return out;
}

const std::string kFffd = "\uFFFD";

TEST(GbToUtf8, PiecesCutAnywhereAndInvalidBytes) {
  const std::string menu = Gbk("请选择:"), rare = Gb18030("𠀀");  // 𠀀: four bytes
  struct Case {
    const char* name;
    std::vector<std::string> pieces;
    std::string utf8;
  } cases[] = {
      {"cut inside a character", {menu.substr(0, 3), "", menu.substr(3)}, "请选择:"},
      {"four bytes cut after 1", {"a" + rare.substr(0, 1), rare.substr(1)}, "a𠀀"},
      {"four bytes cut after 3", {rare.substr(0, 3), rare.substr(3) + "b"}, "𠀀b"},
      {"0x80 and 0xFF", {"a\x80z\xFF"}, "a" + kFffd + "z" + kFffd},
      {"stray lead byte keeps the line feed", {"\x81\n"}, kFffd + "\n"},
      {"four-byte form out of range", {"\xFE\x39\xFE\x39"}, kFffd},
      {"cut character never completed", {"x" + menu.substr(0, 1)}, "x" + kFffd},
      {"cut tail, then an invalid byte", {rare.substr(0, 2), "\xFF"}, kFffd + "2" + kFffd},
  };
  for (const Case& c : cases) {
    charset::GbToUtf8 converter;
    std::string out;
    for (const std::string& piece : c.pieces) converter.Convert(piece, out);
    converter.Finish(out);
    EXPECT_EQ(out, c.utf8) << c.name;
  }
}

// The length of the UTF-8 sequence at the start, 0 for one that is not valid UTF-8; the
// edges of each range that is left out.
TEST(Utf8Length, ValidSequencesAndTheEdgesOfInvalidOnes) {
  const struct {
    const char* bytes;
    std::size_t length;
  } kCases[] = {
      {"a", 1},         {"\xC2\x80", 2},     {"\xC1\xBF", 0},          // overlong 2
      {"\xE0\xA0\x80", 3}, {"\xE0\x9F\xBF", 0}, {"\xED\x9F\xBF", 3},     // U+D7FF
      {"\xED\xA0\x80", 0}, {"\xED\xBF\xBF", 0}, {"\xEE\x80\x80", 3},     // surrogates
      {"\xF4\x8F\xBF\xBF", 4}, {"\xF4\x90\x80\x80", 0}, {"\xE4\xB8", 0},  // cut short
  };
  for (const auto& c : kCases) {
    const std::string_view bytes = c.bytes;
    EXPECT_EQ(charset::Utf8Length(reinterpret_cast<const unsigned char*>(bytes.data()),
                                  bytes.size()),
              c.length)
        << con::Printable(bytes);
  }
}

TEST(Utf8ToGb, TypedTokens) {
  struct Case {
    const char* name;
    std::string typed;
    std::string gb;
  } cases[] = {
      {"ASCII", "D001", "D001"},
      {"Chinese and ASCII", "A4纸x", Gbk("A4纸x")},
      {"what GBK lacks takes four bytes", "𠀀设备", Gb18030("𠀀") + Gbk("设备")},
      {"stray continuation byte", "a\x80", "a\x80"},
      {"cut sequence at the end", "设\xE5\xA4", Gbk("设") + "\xE5\xA4"},
      {"overlong, surrogate, past U+10FFFF", "\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80",
       "\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80"},
      {"0xFF among Chinese", "中\xFF文", Gbk("中") + "\xFF" + Gbk("文")},
      {"private-use character without a GB18030 form", "\uE81E", "\uE81E"},
  };
  for (const Case& c : cases) EXPECT_EQ(charset::Utf8ToGb(c.typed), c.gb) << c.name;
}

}  // namespace

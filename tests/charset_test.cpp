// The converters between the program's GB18030 and the UTF-8 of terminals and editors:
// pieces cut anywhere, bytes that are not text, characters GBK lacks.
#include "model/charset.h"

#include <gtest/gtest.h>

#include <vector>

#include "convert_text.h"
#include "support/session.h"

namespace {

// GB18030 bytes of UTF-8 text, for the characters that GBK lacks.
std::string Gb18030(std::string_view utf8) {
  std::string out;
  EXPECT_TRUE(ConvertText(utf8, "GB18030", "UTF-8", &out)) << utf8;
  return out;
}

const std::string kFffd = "\xEF\xBF\xBD";

// Converts pieces one after the other, then finishes.
std::string Show(const std::vector<std::string>& pieces) {
  charset::GbToUtf8 converter;
  std::string out;
  for (const std::string& piece : pieces) converter.Convert(piece, out);
  converter.Finish(out);
  return out;
}

TEST(GbToUtf8, PiecesCutAnywhereAndInvalidBytes) {
  const std::string menu = Gbk("请选择操作:");
  const std::string rare = Gb18030("𠀀");  // four bytes in GB18030
  struct Case {
    const char* name;
    std::vector<std::string> pieces;
    std::string utf8;
  } cases[] = {
      {"whole", {menu}, "请选择操作:"},
      {"cut inside a two-byte character", {menu.substr(0, 3), menu.substr(3)}, "请选择操作:"},
      {"one byte at a time",
       {menu.substr(0, 1), menu.substr(1, 1), menu.substr(2, 1), menu.substr(3)},
       "请选择操作:"},
      {"four-byte character cut after 1", {"a" + rare.substr(0, 1), rare.substr(1)}, "a𠀀"},
      {"four-byte character cut after 3", {rare.substr(0, 3), rare.substr(3) + "b"}, "𠀀b"},
      {"empty pieces between", {menu.substr(0, 1), "", menu.substr(1)}, "请选择操作:"},
      {"0x80 and 0xFF are no characters", {"a\x80z\xFF"}, "a" + kFffd + "z" + kFffd},
      {"lead byte before a line feed keeps the line feed", {"\x81\n"}, kFffd + "\n"},
      {"lead byte before a blank", {"\xB0 x"}, kFffd + " x"},
      {"four-byte form out of range",
       {"\xFE\x39\xFE\x39"
        "c"},
       kFffd + "c"},
      {"cut character never completed", {"x" + menu.substr(0, 1)}, "x" + kFffd},
      {"cut four-byte character at the end", {rare.substr(0, 2)}, kFffd},
      {"a cut tail then an invalid byte", {menu.substr(0, 1), "\xFF"}, kFffd + kFffd},
  };
  for (const Case& c : cases) EXPECT_EQ(Show(c.pieces), c.utf8) << c.name;
}

TEST(GbToUtf8, ALongOutputIsConvertedWhole) {
  std::string gbk, utf8;
  for (int i = 0; i < 5000; ++i) {
    gbk += Gbk("设备a");
    utf8 += "设备a";
  }
  EXPECT_EQ(Show({gbk.substr(0, 4097), gbk.substr(4097)}), utf8);
}

TEST(Utf8ToGb, TypedTokens) {
  struct Case {
    const char* name;
    std::string typed;
    std::string gb;
  } cases[] = {
      {"ASCII", "D001", "D001"},
      {"Chinese", "数码相机", Gbk("数码相机")},
      {"mixed", "A4纸x", Gbk("A4纸x")},
      {"a character GBK lacks takes four bytes", "𠀀设备", Gb18030("𠀀") + Gbk("设备")},
      {"euro sign", "€", Gb18030("€")},
      {"stray continuation byte",
       "a\x80"
       "b",
       "a\x80"
       "b"},
      {"cut sequence, then ASCII", "\xE6\x95x", "\xE6\x95x"},
      {"cut sequence at the end", "设\xE5\xA4", Gbk("设") + "\xE5\xA4"},
      {"overlong slash", "\xC0\xAF", "\xC0\xAF"},
      {"surrogate", "\xED\xA0\x80", "\xED\xA0\x80"},
      {"past U+10FFFF", "\xF4\x90\x80\x80", "\xF4\x90\x80\x80"},
      {"private-use character without a GB18030 form", "\uE81E", "\uE81E"},
      {"0xFF among Chinese", "中\xFF文", Gbk("中") + "\xFF" + Gbk("文")},
  };
  for (const Case& c : cases) EXPECT_EQ(charset::Utf8ToGb(c.typed), c.gb) << c.name;
}

TEST(IsUtf8Text, OnlyValidUtf8WithANonAsciiByte) {
  const std::string ascii(100, 'a');
  struct Case {
    const char* name;
    std::string bytes;
    bool utf8;
  } cases[] = {
      {"empty", "", false},
      {"ASCII only", ascii, false},
      {"Chinese", "D001 笔记本电脑 王芳", true},
      {"byte-order mark only", "\xEF\xBB\xBF", true},
      {"GBK Chinese", Gbk("D001 笔记本电脑 王芳 研发部"), false},
      {"Chinese after 100 ASCII bytes", ascii + "设备", true},
      {"invalid after 100 ASCII bytes", ascii + "\xC3(", false},
      {"valid, then a cut sequence at the end", "设备\xE8\xAE", false},
      {"overlong", "ab\xE0\x80\xAF", false},
      {"four-byte character", "x𠀀", true},
  };
  for (const Case& c : cases) EXPECT_EQ(charset::IsUtf8Text(c.bytes), c.utf8) << c.name;
  // Every offset of the fast path's eight-byte words.
  for (std::size_t at = 0; at < 17; ++at) {
    EXPECT_TRUE(charset::IsUtf8Text(std::string(at, 'a') + "é" + std::string(9, 'b'))) << at;
    EXPECT_FALSE(charset::IsUtf8Text(std::string(at, 'a') + "\xE9" + std::string(9, 'b'))) << at;
  }
}

}  // namespace

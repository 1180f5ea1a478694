// Which files are read as UTF-8: GBK text that happens to be valid UTF-8 must stay GBK, an
// editor's UTF-8 must still be found.
#include "locale/file_charset.h"
#include "store/file_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "convert_text.h"
#include "support/session.h"

namespace {

using charset::FileEncoding;

const std::string kBom = "\xEF\xBB\xBF";

// The UTF-16 bytes of text, little- or big-endian, after the byte-order mark.
std::string Utf16(std::u16string_view text, bool big) {
  std::string bytes = big ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    bytes += big ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}
std::string Le(std::u16string_view text) { return Utf16(text, false); }
std::string Be(std::u16string_view text) { return Utf16(text, true); }

// True when the file rule converts bytes from UTF-8.
bool TakenForUtf8(std::string_view bytes) {
  return charset::FileEncodingOf(bytes) == FileEncoding::kUtf8;
}

TEST(FileEncodingOf, ChosenFiles) {
  using enum FileEncoding;
  struct Case {
    const char* name;
    std::string bytes;
    FileEncoding encoding;
  } cases[] = {
      {"empty", "", kGb18030},
      {"ASCII", "1 A1 pc IT 3 2020.1.1 100\n", kGb18030},
      {"GBK that is valid UTF-8", "1 A1 " + Gbk("目录 卢平") + " IT 3 2020.1.1 100\n", kGb18030},
      {"GBK that is not UTF-8", Gbk("笔记本电脑 王芳"), kGb18030},
      {"UTF-8 Chinese", "1 A1 目录 卢平 IT 3 2020.1.1 100\n", kUtf8},
      {"UTF-8 Korean, valid GB18030 too", "1 A1 전화 이준 총무 3 2020.1.1 100\n", kUtf8},
      {"UTF-8 kana and kanji", "1 A1 プリンタ 山田さん 3 2020.1.1 100\n", kUtf8},
      {"UTF-8 Hangul jamo", "ㄱㄴ", kUtf8},
      {"GBK of a rare hanzi, two CJK in UTF-8", "1 A1 " + Gbk("濮存保") + " IT\n", kGb18030},
      {"GBK 旮洪弧, UTF-8 Hangul beside a rare hanzi", Gbk("旮洪弧"), kGb18030},
      {"GBK 瓯颁涪, UTF-8 Hangul beside a common hanzi", Gbk("瓯颁涪"), kGb18030},
      {"GBK 寤卞慨, UTF-8 a rare and a GB2312 hanzi", Gbk("寤卞慨"), kGb18030},
      {"GBK 氚戈讣 is the bytes of the Hangul 밸긼", Gbk("氚戈讣"), kUtf8},
      {"UTF-8 Chinese and Latin accents", "设备 café", kUtf8},
      {"fullwidth forms", "１２ＡＢ", kUtf8},
      {"no GB18030: a lone lead at the end", "café naïve 设", kUtf8},
      {"no GB18030: a three-byte sign", "caf\xC3\xA9 \xE2\x82\xAC", kUtf8},
      {"Latin accents alone are GB18030 too", "café Zoë", kGb18030},
      {"half CJK, valid GB18030", "café naïve 设备", kGb18030},
      {"0x80 after an accent is no UTF-8", "caf\xC3\xA9\x80", kGb18030},
      {"surrogate", "a\xED\xA0\x80", kGb18030},
      {"surrogate among Chinese", "设备\xED\xA0\x80", kGb18030},
      {"BOM alone", kBom, kUtf8},
      {"BOM and ASCII", kBom + "D001 pc", kUtf8},
      {"BOM and GBK that is valid UTF-8", kBom + Gbk("目录"), kUtf8},
      {"BOM and invalid UTF-8: converted, never GBK", kBom + Gbk("设备"), kUtf8},
      {"BOM and a surrogate", kBom + "\xED\xA0\x80", kUtf8},
      {"UTF-16LE mark alone", Le(u""), kUtf16Le},
      {"UTF-16LE, a surrogate pair", Le(u"\U0001F600"), kUtf16Le},
      {"UTF-16LE cut in a unit", Le(u"ab").substr(0, 5), kUtf16Le},
      {"UTF-16LE, a lone high surrogate", Le(std::u16string{u'a', char16_t{0xD800}}), kUtf16Le},
      {"UTF-16BE, a lone low surrogate", Be(std::u16string{u'a', char16_t{0xDC00}, u'a'}),
       kUtf16Be},
      {"UTF-16 without a mark", Le(u"ab").substr(2), kGb18030},
  };
  for (const Case& c : cases) EXPECT_EQ(charset::FileEncodingOf(c.bytes), c.encoding) << c.name;
}

// What a file becomes: Excel's "Unicode text" (tabs), Notepad's "UTF-16 LE" and
// PowerShell's `>` (CR LF) are UTF-16LE with a mark; every converted file is the GBK of
// its text, the mark dropped; a file taken as it is keeps its bytes.
TEST(DecodeFileText, EveryEncoding) {
  using enum FileEncoding;
  // Each text in UTF-16 and in UTF-8, written twice so that neither is derived.
  const std::u16string excel = u"D1\t打印机\t王芳\t信息部\t1\t2024.1.1\t9\r\n";
  const std::string excel8 = "D1\t打印机\t王芳\t信息部\t1\t2024.1.1\t9\r\n";
  const std::u16string notepad = u"1 D1 打印机 王芳 信息部 1 2024.1.1 9\r\n\r\n";
  const std::string notepad8 = "1 D1 打印机 王芳 信息部 1 2024.1.1 9\r\n\r\n";
  // U+FFFD as the program keeps it: GB18030's form, UTF-8's where the platform has only GBK.
  std::string fffd;
  if (!ConvertText("\xEF\xBF\xBD", "GB18030", "UTF-8", &fffd)) fffd = "\xEF\xBF\xBD";
  const std::u16string high_then_letter = {u'a', char16_t{0xD800}, u'b'};
  const struct {
    const char* name;
    std::string bytes;
    FileEncoding encoding;
    std::string text;
    std::size_t replaced;  // characters that became U+FFFD
  } cases[] = {
      {"Excel, Unicode text", Le(excel), kUtf16Le, Gbk(excel8), 0},
      {"Notepad, UTF-16 LE", Le(notepad), kUtf16Le, Gbk(notepad8), 0},
      {"UTF-16 BE", Be(notepad), kUtf16Be, Gbk(notepad8), 0},
      {"UTF-8 with its mark", kBom + "D1 打印机\r\n", kUtf8, Gbk("D1 打印机\r\n"), 0},
      {"UTF-8 mark, ASCII only: the mark is no text", kBom + "D1 pc\n", kUtf8, "D1 pc\n", 0},
      {"GBK", Gbk("D1 打印机\r\n"), kGb18030, Gbk("D1 打印机\r\n"), 0},
      // A mark decides, whole text or not: what is no text becomes U+FFFD.
      {"UTF-16 LE and the line feed of echo >>", Le(notepad) + "\n", kUtf16Le,
       Gbk(notepad8) + "\n", 0},
      {"UTF-16 LE and an odd letter", Le(u"ab") + "x", kUtf16Le, "ab" + fffd, 1},
      {"UTF-16 LE, a high surrogate before a letter", Le(high_then_letter), kUtf16Le,
       "a" + fffd + "b", 1},
      {"UTF-16 BE, a lone low surrogate", Be(std::u16string{u'a', char16_t{0xDC00}, u'a'}),
       kUtf16Be, "a" + fffd + "a", 1},
      {"UTF-8 mark and a GBK name", kBom + "D1 " + Gbk("王芳") + "\n", kUtf8,
       "D1 " + fffd + fffd + fffd + fffd + "\n", 4},
  };
  for (const auto& c : cases) {
    constexpr std::size_t kRoom = 64;
    FileBytes file{std::make_unique<char[]>(c.bytes.size() + kRoom), c.bytes.size()};
    std::memcpy(file.data.get(), c.bytes.data(), c.bytes.size());
    const DecodedText decoded = DecodeFileText(file, kRoom);
    EXPECT_EQ(decoded.encoding, c.encoding) << c.name;
    EXPECT_EQ(std::string(file.data.get(), file.size), c.text) << c.name;
    EXPECT_EQ(decoded.replaced, c.replaced) << c.name;
    // One line says the file was converted, one more what could not be read.
    EXPECT_EQ(DecodedNote("f", decoded).size(),
              (c.encoding != kGb18030) + (c.replaced > 0) + decoded.odd_end) << c.name;
    std::memset(file.data.get() + file.size, ' ', kRoom);  // the room is there
  }
}

TEST(IsGb18030Text, Structure) {
  struct Case {
    std::string bytes;
    bool valid;
  } cases[] = {
      {"", true},         {"\x81\x40", true},       {"\xFE\xFE", true},
      {"\x81\x7F", false}, {"a\x80", false},         {"\xFF\x40", false},
      {"x\xB0", false},    {"\x81\x30\x81\x30", true}, {"\x81\x30\x81", false},
      {"\x81\x30\x20\x30", false},
  };
  for (const Case& c : cases) EXPECT_EQ(charset::IsGb18030Text(c.bytes), c.valid) << c.bytes;
}

// Every GBK character alone stays GBK; its UTF-8 twin is converted, but for a two-byte
// UTF-8 one (Latin-1 signs, Greek, Cyrillic), which is just as well a GBK character.
TEST(FileEncodingOf, EveryGbkCharacterAlone) {
  int characters = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      const std::string gbk{static_cast<char>(lead), static_cast<char>(trail)};
      std::string utf8;
      if (trail == 0x7F || !ConvertText(gbk, "UTF-8", "GBK", &utf8)) continue;
      ++characters;
      EXPECT_FALSE(TakenForUtf8(gbk)) << lead << " " << trail;
      EXPECT_EQ(TakenForUtf8(utf8), utf8.size() != 2) << utf8;
    }
  }
  EXPECT_GT(characters, 21000);
}

// The GB2312 hanzi (rows B0-F7) as GBK and as UTF-8; level1 holds rows B0-D7 alone.
struct Hanzi {
  std::vector<std::string> gbk, utf8;
};

Hanzi GbHanzi(int last_row) {
  Hanzi h;
  for (int row = 0xB0; row <= last_row; ++row) {
    for (int cell = 0xA1; cell <= 0xFE; ++cell) {
      const std::string gbk{static_cast<char>(row), static_cast<char>(cell)};
      std::string utf8;
      if (!ConvertText(gbk, "UTF-8", "GBK", &utf8)) continue;
      h.gbk.push_back(gbk);
      h.utf8.push_back(utf8);
    }
  }
  return h;
}

// The bytes of a one-record file that holds word as its name.
std::string OneRecordFile(const std::string& word) {
  return "1 D1 " + word + " IT 3 2020.1.1 100\n";
}

// The UTF-8 form of a code point of the BMP.
std::string Utf8Of(char32_t c) {
  if (c < 0x800) return {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
  return {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
          static_cast<char>(0x80 | (c & 0x3F))};
}

// True when bytes, read as UTF-8, are two or more characters of one script that must be
// taken for UTF-8 wherever they stand: GB2312 hanzi alone, or Hangul syllables alone.
bool IsUtf8WordOfOneScript(const std::string& bytes, const std::set<std::string>& hanzi) {
  std::size_t hangul = 0, han = 0, n = 0;
  for (std::size_t i = 0; i + 3 <= bytes.size(); i += 3, ++n) {
    const std::string c = bytes.substr(i, 3);  // UTF-8 keeps the order of code points
    han += hanzi.count(c);
    hangul += c >= Utf8Of(0xAC00) && c <= Utf8Of(0xD7A3);
  }
  return n >= 2 && n * 3 == bytes.size() && (han == n || hangul == n);
}

// How many of n words of the given length drawn from h (seeded), each alone in a
// one-record file, are taken for UTF-8; every word's UTF-8 twin must be, and a GBK word
// taken must be a UTF-8 word of one script too, byte for byte (then no rule can tell it).
int WordsTaken(const Hanzi& h, int length, int n) {
  const std::set<std::string> hanzi(h.utf8.begin(), h.utf8.end());
  std::mt19937 random(20240520);
  int taken = 0;
  for (int i = 0; i < n; ++i) {
    std::string gbk, utf8;
    for (int k = 0; k < length; ++k) {
      const std::size_t pick = random() % h.gbk.size();
      gbk += h.gbk[pick];
      utf8 += h.utf8[pick];
    }
    if (TakenForUtf8(OneRecordFile(gbk))) {
      ++taken;
      EXPECT_TRUE(IsUtf8WordOfOneScript(gbk, hanzi)) << Utf8(gbk) << " taken for " << gbk;
      std::cout << "taken for UTF-8: " << Utf8(gbk) << " (" << gbk << ")\n";
    }
    EXPECT_TRUE(TakenForUtf8(OneRecordFile(utf8))) << utf8;
  }
  std::cout << length << " characters: " << taken << " of " << n << " taken for UTF-8\n";
  return taken;
}

// A two-character word is never taken: as UTF-8 it is Latin, Greek or Cyrillic and valid
// GB18030. Three characters make two CJK ones only when the first lies in rows E2-EF
// (level 2); those that make two GB2312 hanzi or two Hangul syllables are the very bytes
// of a UTF-8 word that must be taken, about one word in 120,000. Four characters (eight
// bytes) never make UTF-8 of three-byte characters alone. With common characters, never.
TEST(FileEncodingOf, GbkWords) {
  const Hanzi all = GbHanzi(0xF7), level1 = GbHanzi(0xD7);
  ASSERT_EQ(all.gbk.size(), 6763u);
  EXPECT_EQ(WordsTaken(all, 2, 300000), 0);
  EXPECT_EQ(WordsTaken(level1, 3, 300000), 0);
  EXPECT_LE(WordsTaken(all, 3, 300000), 3);  // at most 1 in 100,000
  EXPECT_EQ(WordsTaken(all, 4, 100000), 0);
}

// Every Hangul and kana word of one to four syllables in UTF-8 is taken: words of one
// syllable all of them, longer ones a seeded sample (all two-kana words).
TEST(FileEncodingOf, HangulAndKanaWords) {
  std::vector<std::string> hangul, kana;
  for (char32_t c = 0xAC00; c <= 0xD7A3; ++c) hangul.push_back(Utf8Of(c));
  for (char32_t c = 0x3041; c <= 0x30FF; ++c) {
    if (c != 0x3097 && c != 0x3098 && c != 0x30A0) kana.push_back(Utf8Of(c));
  }
  for (const auto* script : {&hangul, &kana}) {
    const std::vector<std::string>& letters = *script;
    for (const std::string& a : letters) {
      EXPECT_TRUE(TakenForUtf8(OneRecordFile(a))) << a;
      if (script == &kana) {
        for (const std::string& b : letters) EXPECT_TRUE(TakenForUtf8(OneRecordFile(a + b)));
      }
    }
    std::mt19937 random(20240521);
    for (int length = 2; length <= 4; ++length) {
      for (int i = 0; i < 200000; ++i) {
        std::string word;
        for (int k = 0; k < length; ++k) word += letters[random() % letters.size()];
        EXPECT_TRUE(TakenForUtf8(OneRecordFile(word))) << word;
      }
    }
  }
}

}  // namespace

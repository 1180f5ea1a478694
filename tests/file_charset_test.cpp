// Which files are read as UTF-8: GBK text that happens to be valid UTF-8 must stay GBK, an
// editor's UTF-8 must still be found.
#include "model/file_charset.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "convert_text.h"
#include "support/session.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";

TEST(IsUtf8File, ChosenFiles) {
  struct Case {
    const char* name;
    std::string bytes;
    bool utf8;
  } cases[] = {
      {"empty", "", false},
      {"ASCII", "1 A1 pc IT 3 2020.1.1 100\n", false},
      {"GBK that is valid UTF-8", "1 A1 " + Gbk("目录 卢平") + " IT 3 2020.1.1 100\n", false},
      {"GBK that is not UTF-8", Gbk("笔记本电脑 王芳"), false},
      {"UTF-8 Chinese", "1 A1 目录 卢平 IT 3 2020.1.1 100\n", true},
      {"UTF-8 Chinese and Latin accents", "设备 café", true},
      {"fullwidth forms", "１２ＡＢ", true},
      {"no GB18030: a lone lead at the end", "café naïve 设", true},
      {"no GB18030: a three-byte sign", "caf\xC3\xA9 \xE2\x82\xAC", true},
      {"Latin accents alone are GB18030 too", "café Zoë", false},
      {"half CJK, valid GB18030", "café naïve 设备", false},
      {"0x80 after an accent is no UTF-8", "caf\xC3\xA9\x80", false},
      {"surrogate", "a\xED\xA0\x80", false},
      {"surrogate among Chinese", "设备\xED\xA0\x80", false},
      {"BOM alone", kBom, true},
      {"BOM and ASCII", kBom + "D001 pc", true},
      {"BOM and GBK that is valid UTF-8", kBom + Gbk("目录"), true},
      {"BOM and invalid UTF-8", kBom + Gbk("设备"), false},
      {"BOM and a surrogate", kBom + "\xED\xA0\x80", false},
  };
  for (const Case& c : cases) EXPECT_EQ(charset::IsUtf8File(c.bytes), c.utf8) << c.name;
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
TEST(IsUtf8File, EveryGbkCharacterAlone) {
  int characters = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      const std::string gbk{static_cast<char>(lead), static_cast<char>(trail)};
      std::string utf8;
      if (trail == 0x7F || !ConvertText(gbk, "UTF-8", "GBK", &utf8)) continue;
      ++characters;
      EXPECT_FALSE(charset::IsUtf8File(gbk)) << lead << " " << trail;
      EXPECT_EQ(charset::IsUtf8File(utf8), utf8.size() != 2) << utf8;
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

// How many of n words of the given length drawn from h are taken for UTF-8; every
// word's UTF-8 twin must be.
int WordsTaken(const Hanzi& h, int length, int n) {
  std::mt19937 random(20240520);
  int taken = 0;
  for (int i = 0; i < n; ++i) {
    std::string gbk, utf8;
    for (int k = 0; k < length; ++k) {
      const std::size_t pick = random() % h.gbk.size();
      gbk += h.gbk[pick];
      utf8 += h.utf8[pick];
    }
    taken += charset::IsUtf8File(gbk);
    EXPECT_TRUE(charset::IsUtf8File(utf8)) << utf8;
  }
  return taken;
}

// A two-character word is never taken: as UTF-8 it is Latin, Greek or Cyrillic and valid
// GB18030. Three characters make two CJK ones only when the first lies in rows E2-EF
// (level 2), about one word in 22,000; with common characters, never.
TEST(IsUtf8File, GbkWords) {
  const Hanzi all = GbHanzi(0xF7), level1 = GbHanzi(0xD7);
  ASSERT_EQ(all.gbk.size(), 6763u);
  EXPECT_EQ(WordsTaken(all, 2, 300000), 0);
  EXPECT_EQ(WordsTaken(level1, 3, 300000), 0);
  EXPECT_LT(WordsTaken(all, 3, 300000), 30);  // a rate below 1 in 10,000
}

}  // namespace

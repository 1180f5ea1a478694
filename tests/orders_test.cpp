// The numeric-text order, the date order, their range tests and the prefix value.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "model/orders.h"

namespace {

struct Case {
  const char* a;
  const char* b;
  bool before;
};

TEST(CmpStr, OrdersShorterFirstThenBytes) {
  const Case cases[] = {
      {"9", "10", true},      {"10", "9", false},     {"7", "7", false},
      {"08", "8", false},     {"8", "08", true},      {"12.5", "9.99", true},
      {"-1", "8", false},     {"", "0", true},        {"", "", false},
      {"A7", "10", false},    {"10", "A7", true},     {"z", "\xB0", true},
      {"\xFF\x80", "zz", false}, {"D0000001", "D0000002", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CmpStr(c.a, c.b), c.before) << c.a << " before " << c.b;
  }
}

TEST(CmpStr, RangeTest) {
  struct Range {
    const char* low;
    const char* value;
    const char* high;
    bool inside;
  };
  const Range cases[] = {
      {"0", "8", "8", true},     {"0", "0", "8", true},    {"0", "5", "8", true},
      {"0", "-1", "8", false},   {"0", "9", "8", false},   {"0", "08", "8", false},
      {"0", "+5", "8", false},   {"0", "5a", "8", false},  {"0", "", "8", false},
      {"100", "50", "20", false}, {"100", "100", "20", true}, {"100", "20", "20", true},
      {"1", "1", "0", true},     {"1", "0", "0", true},    {"1", "a", "12", true},
      {"666", "0666", "2333", true}, {"666", "665", "2333", false},
      {"666", "10000", "2333", false}, {"10", "12.5", "99", false},
  };
  for (const Range& r : cases) {
    EXPECT_EQ(CmpStr(r.low, r.value, r.high), r.inside)
        << r.value << " in " << r.low << ".." << r.high;
  }
}

TEST(SplitDate, WellFormedAndMalformed) {
  struct Split {
    const char* text;
    const char* year;
    const char* month;
    const char* day;
  };
  const Split cases[] = {
      {"2042.1.1", "2042", "1", "1"},      {"2077.12.31", "2077", "12", "31"},
      {"2042..5", "2042", "", "5"},        {"2042.12.5", "2042", "12", "5"},
      {"2042.123.1", "2042", "123.1", ""}, {"2042-1-1", "2042", "1-1", ""},
      {"2042.1", "2042", "1", ""},         {"2042", "2042", "", ""},
      {"20", "20", "", ""},                {"", "", "", ""},
      {"2042.", "2042", "", ""},           {"2042.1.", "2042", "1", ""},
  };
  for (const Split& s : cases) {
    DateParts p = SplitDate(s.text);
    EXPECT_EQ(p.year, s.year) << s.text;
    EXPECT_EQ(p.month, s.month) << s.text;
    EXPECT_EQ(p.day, s.day) << s.text;
  }
}

TEST(CmpTme, OrdersByYearMonthDay) {
  const Case cases[] = {
      {"2041.12.31", "2042.1.1", true}, {"2042.2.1", "2042.11.1", true},
      {"2042.11.1", "2042.2.1", false}, {"2042.3.9", "2042.3.10", true},
      {"2042.3.5", "2042.3.5", false},  {"2042.9.1", "2042.10.1", true},
      {"2042.1.1", "2042.01.01", true}, {"2042.01.01", "2042.1.1", false},
      {"2042-1-1", "2043.1.1", true},   {"2042.1", "2042.1.1", true},
      {"999", "2042.1.1", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CmpTme(c.a, c.b), c.before) << c.a << " before " << c.b;
  }
}

TEST(CmpTme, RangeTest) {
  EXPECT_TRUE(CmpTme("2042.3.5", "2042.3.5", "2042.3.5"));
  for (const char* inside : {"2042.1.1", "2050.6.15", "2077.12.31"}) {
    EXPECT_TRUE(CmpTme("2042.1.1", inside, "2077.12.31")) << inside;
  }
  for (const char* outside : {"2078.1.1", "2041.12.31"}) {
    EXPECT_FALSE(CmpTme("2042.1.1", outside, "2077.12.31")) << outside;
  }
  // Reversed bounds: only the bounds themselves pass.
  EXPECT_TRUE(CmpTme("2077.12.31", "2077.12.31", "2042.1.1"));
  EXPECT_FALSE(CmpTme("2077.12.31", "2050.6.15", "2042.1.1"));
}

TEST(PrefixValue, ParsesLikeAStreamAndSaturates) {
  struct Value {
    const char* text;
    int32_t value;
  };
  const Value cases[] = {
      {"0", 0},          {"5", 5},           {"05", 5},
      {"+4", 4},         {"-3", -3},         {"12abc", 12},
      {"abc", 0},        {"", 0},            {"-", 0},
      {" \t7", 7},       {"1a", 1},          {"007", 7},
      {"2147483647", 2147483647},            {"2147483648", 2147483647},
      {"-2147483648", -2147483647 - 1},      {"-2147483649", -2147483647 - 1},
      {"99999999999999999999999", 2147483647},
  };
  for (const Value& v : cases) EXPECT_EQ(PrefixValue(v.text), v.value) << v.text;
  EXPECT_EQ(PrefixValue64("3000000000"), 3000000000LL);
  EXPECT_EQ(PrefixValue64("99999999999999999999999"), INT64_MAX);
  EXPECT_EQ(PrefixValue64("-99999999999999999999999"), INT64_MIN);
}

// Random texts drawn to hit the corners: digits, dots, GBK bytes, empty, malformed dates.
std::vector<std::string> RandomTexts(std::mt19937& rng, int count) {
  const std::string alphabet = std::string("0123456789..-a") + "\xB0\xA1\x80\xFF";
  std::vector<std::string> texts;
  std::uniform_int_distribution<int> len(0, 11);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  for (int i = 0; i < count; ++i) {
    std::string t;
    for (int n = len(rng); n > 0; --n) t.push_back(alphabet[pick(rng)]);
    texts.push_back(t);
  }
  return texts;
}

template <typename Less>
void ExpectStrictWeakOrder(const std::vector<std::string>& texts, Less less, const char* name) {
  auto equiv = [&](const std::string& a, const std::string& b) {
    return !less(a, b) && !less(b, a);
  };
  for (const std::string& a : texts) {
    ASSERT_FALSE(less(a, a)) << name << " irreflexive: " << a;
    for (const std::string& b : texts) {
      if (less(a, b)) {
        ASSERT_FALSE(less(b, a)) << name << " asymmetric: " << a << " " << b;
      }
      for (const std::string& c : texts) {
        if (less(a, b) && less(b, c)) {
          ASSERT_TRUE(less(a, c)) << name << " transitive: " << a << " " << b << " " << c;
        }
        if (equiv(a, b) && equiv(b, c)) {
          ASSERT_TRUE(equiv(a, c)) << name << " ties: " << a << " " << b << " " << c;
        }
      }
    }
  }
}

TEST(Orders, AreStrictWeakOrdersOverRandomTexts) {
  std::mt19937 rng(20261207);
  std::vector<std::string> texts = RandomTexts(rng, 70);
  for (const char* date : {"2042.1.1", "2042.01.1", "2042.1", "2042", "2042..", "204", ""}) {
    texts.push_back(date);
  }
  ExpectStrictWeakOrder(texts, [](const std::string& a, const std::string& b) {
    return CmpStr(a, b);
  }, "CmpStr");
  ExpectStrictWeakOrder(texts, [](const std::string& a, const std::string& b) {
    return CmpTme(a, b);
  }, "CmpTme");
}

TEST(Orders, RangeTestsAgreeWithTheirDefinition) {
  std::mt19937 rng(7);
  std::vector<std::string> texts = RandomTexts(rng, 40);
  for (const auto& low : texts) {
    for (const auto& value : texts) {
      for (const auto& high : texts) {
        bool str = value == low || value == high || (CmpStr(low, value) && CmpStr(value, high));
        ASSERT_EQ(CmpStr(low, value, high), str) << low << " " << value << " " << high;
        bool tme = value == low || value == high || (CmpTme(low, value) && CmpTme(value, high));
        ASSERT_EQ(CmpTme(low, value, high), tme) << low << " " << value << " " << high;
      }
    }
  }
}

}  // namespace

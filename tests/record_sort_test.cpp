// The eight record orders and the stable sort behind the sort menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "console/globals.h"
#include "model/orders.h"
#include "model/record_sort.h"
#include "support/records.h"

namespace {

class RecordSort : public ::testing::Test {
 protected:
  void TearDown() override { ResetGlobals(); }

  // The records of lines sorted by order, rendered by field as "serial:text".
  static std::string Sorted(Lines lines, int order,
                            Text device::* field) {
    DevList list = ListOf(lines);
    DevList::Records& records = list.Mutable();
    sort(records.data(), records.data() + records.size(), order);
    return Render(list, field);
  }
};

TEST_F(RecordSort, CodesInNumericTextOrder) {
  const Lines lines = {"9 a b c 1 2042.1.1 1", "10 a b c 1 2042.1.1 1", "007 a b c 1 2042.1.1 1"};
  EXPECT_EQ(Sorted(lines, 1, &device::code), "1:9 2:10 3:007");
  EXPECT_EQ(Sorted(lines, 5, &device::code), "3:007 2:10 1:9");
  EXPECT_EQ(Sorted({"A7 a b c 1 2042.1.1 1", "10 a b c 1 2042.1.1 1"}, 1, &device::code),
            "2:10 1:A7");
}

TEST_F(RecordSort, PricesAndDates) {
  const Lines prices = {"A a b c 1 2042.1.1 9.99", "B a b c 1 2042.1.1 12.5"};
  EXPECT_EQ(Sorted(prices, 4, &device::price), "2:12.5 1:9.99");
  EXPECT_EQ(Sorted(prices, 8, &device::price), "1:9.99 2:12.5");
  const Lines dates = {"A a b c 1 2042.10.1 1", "B a b c 1 2042.9.1 1", "C a b c 1 2041.12.31 1"};
  EXPECT_EQ(Sorted(dates, 3, &device::purchaseTime), "3:2041.12.31 2:2042.9.1 1:2042.10.1");
  EXPECT_EQ(Sorted(dates, 7, &device::purchaseTime), "1:2042.10.1 2:2042.9.1 3:2041.12.31");
}

TEST_F(RecordSort, TiesKeepTheirOrderInBothDirections) {
  const Lines lines = {"A a b c 5 2042.1.1 1", "B a b c 3 2042.1.1 1", "C a b c 5 2042.1.1 1",
                      "D a b c 5 2042.1.1 1"};
  EXPECT_EQ(Sorted(lines, 2, &device::code), "2:B 1:A 3:C 4:D");
  EXPECT_EQ(Sorted(lines, 6, &device::code), "1:A 3:C 4:D 2:B");
  // Only the key decides: equal quantities with other codes, times and prices stay put.
  const Lines same = {"Z a b c 7 2050.1.1 9", "A a b c 7 2042.1.1 1", "M a b c 7 2077.1.1 5"};
  EXPECT_EQ(Sorted(same, 2, &device::code), "1:Z 2:A 3:M");
  EXPECT_EQ(Sorted(same, 6, &device::code), "1:Z 2:A 3:M");
  // Dates with equal parts are ties even when their texts differ (position 4 is not read).
  const Lines dates = {"A a b c 1 2042-1.1 1", "B a b c 1 2041.1.1 1", "C a b c 1 2042.1.1 1",
                      "D a b c 1 2042x1.1 1"};
  EXPECT_EQ(Sorted(dates, 3, &device::code), "2:B 1:A 3:C 4:D");
  EXPECT_EQ(Sorted(dates, 7, &device::code), "1:A 3:C 4:D 2:B");
}

TEST_F(RecordSort, OtherOrderNumbersLeaveTheRangeAlone) {
  const Lines lines = {"9 a b c 5 2042.1.1 3", "10 a b c 3 2041.1.1 2", "007 a b c 4 2043.1.1 1"};
  for (int order : {0, 9, -1, 100, INT_MIN, INT_MAX}) {
    EXPECT_EQ(Sorted(lines, order, &device::code), "1:9 2:10 3:007") << order;
  }
  device none;
  sort(&none, &none, 1);  // an empty range is fine
}

// Keys of 16 bytes and more that share their first 15: the sort's 128-bit prefixes of
// such keys are equal or hold only their lengths, so the keys themselves decide, tied
// keys keeping their order. Every key is the letter's record's code, date or price.
TEST_F(RecordSort, KeysSharingTheirFirstFifteenBytes) {
  const std::string p = "123456789012345";
  const std::string keys[] = {p + "9",  p + "1",  p + "12", p + "5",
                              p + "1",  p + "09", p + std::string(285, '7'),
                              p + std::string(284, '7') + "3"};
  const std::string d = "2042.11.1234567";  // the day has more bytes than the prefix holds
  const std::string dates[] = {d + "9", d + "1", d + "11", d + "1", d};
  std::vector<std::string> code_lines, date_lines;
  for (std::size_t i = 0; i < std::size(keys); ++i) {
    code_lines.push_back(keys[i] + " n " + char('a' + i) + " d 1 2042.1.1 " + keys[i]);
  }
  for (std::size_t i = 0; i < std::size(dates); ++i) {
    date_lines.push_back("c n " + std::string(1, char('p' + i)) + " d 1 " + dates[i] + " 1");
  }
  const struct Case {
    const std::vector<std::string>* lines;
    int order;
    const char* holders;
  } cases[] = {
      {&code_lines, 1, "2:b 5:e 4:d 1:a 6:f 3:c 8:h 7:g"},
      {&code_lines, 5, "7:g 8:h 3:c 6:f 1:a 4:d 2:b 5:e"},
      {&code_lines, 4, "2:b 5:e 4:d 1:a 6:f 3:c 8:h 7:g"},
      {&code_lines, 8, "7:g 8:h 3:c 6:f 1:a 4:d 2:b 5:e"},
      {&date_lines, 3, "5:t 2:q 4:s 1:p 3:r"},
      {&date_lines, 7, "3:r 1:p 2:q 4:s 5:t"},
  };
  for (const Case& c : cases) {
    DevList::Records records;
    for (const std::string& line : *c.lines) {
      records.push_back(RecordOf(line, static_cast<int>(records.size() + 1)));
    }
    const DevList list(records);
    EXPECT_EQ(Render(SortedCopy(list, c.order), &device::holder), c.holders) << c.order;
    sort(records.data(), records.data() + records.size(), c.order);
    EXPECT_EQ(Render(DevList(records), &device::holder), c.holders) << c.order;
  }
}

// Random keys from a small pool, so that many are tied: well-formed and malformed dates,
// long texts that share long beginnings, GBK bytes. Every order must sort them into a
// sequence without inversions, lose no record, and keep tied records in their old order.
TEST_F(RecordSort, RandomKeysSortSoundlyAndStably) {
  std::mt19937 rng(42);
  const std::string alphabet = std::string("20419.-x") + "\xB0\xFF";
  std::vector<std::string> pool;
  for (int i = 0; i < 400; ++i) {
    const std::size_t length = rng() % 4 == 0 ? 20 + rng() % 30 : 1 + rng() % 12;
    std::string text = rng() % 2 ? "2042.11.1234567" : "";  // shared beginnings
    while (text.size() < length) text += alphabet[rng() % alphabet.size()];
    text.resize(length);
    pool.push_back(text);
  }
  DevList::Records records;
  for (int i = 0; i < 4000; ++i) {
    const std::string& key = pool[rng() % pool.size()];
    records.push_back(RecordOf(key + " a b c " + key + " " + key + " " + key, i));
  }
  for (int order = 1; order <= 8; ++order) {
    RecordOrder before;
    ASSERT_TRUE(FindRecordOrder(order, &before));
    std::vector<device> sorted = records;
    sort(sorted.data(), sorted.data() + sorted.size(), order);
    std::vector<int> serials;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
      serials.push_back(sorted[i].serial);
      if (i == 0) continue;
      const device& a = sorted[i - 1];
      const device& b = sorted[i];
      ASSERT_FALSE(before(b, a)) << order << ": " << (a.*before.key).view() << " then "
                                 << (b.*before.key).view();
      if (!before(a, b)) {
        ASSERT_LT(a.serial, b.serial) << order << ": tie moved";
      }
    }
    std::sort(serials.begin(), serials.end());
    for (int i = 0; i < 4000; ++i) ASSERT_EQ(serials[static_cast<std::size_t>(i)], i);
    // The sorted copy the sort menu uses gives the very same sequence.
    const DevList copy = SortedCopy(DevList(records), order);
    ASSERT_EQ(copy.size(), sorted.size());
    for (std::size_t i = 0; i < sorted.size(); ++i) {
      ASSERT_EQ(copy[i].serial, sorted[i].serial) << order << " at " << i;
    }
  }
}

}  // namespace

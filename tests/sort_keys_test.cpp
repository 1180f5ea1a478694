// The packed-key sort must give exactly what a stable sort with the plain comparison gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "console/globals.h"
#include "model/orders.h"
#include "model/sort_keys.h"

namespace {

std::vector<device> RandomRecords(std::mt19937& rng, std::size_t n,
                                  const std::vector<std::string>& pool) {
  std::vector<device> records(n);
  std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1);
  for (std::size_t i = 0; i < n; ++i) {
    records[i].serial = static_cast<int>(i + 1);
    for (Text device::* field : kDeviceFields) records[i].*field = Texts().Keep(pool[pick(rng)]);
  }
  return records;
}

std::vector<std::string> TextPool(std::mt19937& rng) {
  std::vector<std::string> pool = {
      "",          "9",          "10",         "007",        "08",        "8",
      "12.5",      "9.99",       "A7",         "2042.1.1",   "2042.01.1", "2042.10.1",
      "2042.9.1",  "2041.12.31", "2042.1",     "2042",       "204",       "2042.123.1",
      "2042-1-1",  "2042..5",    "2042.1.100", "2042.1.10",  "D0000001",  "D0000010",
      "12345678901", "12345678902", "123456789012", std::string(300, '7'),
      std::string(300, '6'),       "\xB0\xA1",   "\xFF\x80"};
  const std::string alphabet = "0129.-\xB0";
  std::uniform_int_distribution<int> len(0, 14);
  std::uniform_int_distribution<std::size_t> ch(0, alphabet.size() - 1);
  for (int i = 0; i < 60; ++i) {
    std::string t;
    for (int k = len(rng); k > 0; --k) t.push_back(alphabet[ch(rng)]);
    pool.push_back(t);
  }
  return pool;
}

TEST(SortPermutation, AgreesWithAStableSortUnderEveryOrder) {
  std::mt19937 rng(99);
  const std::vector<std::string> pool = TextPool(rng);
  const std::vector<device> records = RandomRecords(rng, 3000, pool);
  for (int order = 1; order <= 8; ++order) {
    RecordOrder o;
    ASSERT_TRUE(RecordOrderOf(order, &o));
    std::vector<uint32_t> expected(records.size());
    for (uint32_t i = 0; i < expected.size(); ++i) expected[i] = i;
    std::stable_sort(expected.begin(), expected.end(), [&](uint32_t a, uint32_t b) {
      std::string_view x = (records[a].*o.field).view();
      std::string_view y = (records[b].*o.field).view();
      if (o.descending) std::swap(x, y);
      return o.by_date ? CmpTme(x, y) : CmpStr(x, y);
    });
    EXPECT_EQ(SortPermutation(records.data(), records.data() + records.size(), o), expected)
        << "order " << order;
  }
  ResetGlobals();
}

TEST(RecordOrderOf, KnowsExactlyTheEightOrders) {
  RecordOrder o;
  for (int bad : {0, 9, -1, 100}) EXPECT_FALSE(RecordOrderOf(bad, &o)) << bad;
  ASSERT_TRUE(RecordOrderOf(3, &o));
  EXPECT_TRUE(o.field == &device::purchaseTime && o.by_date && !o.descending);
  ASSERT_TRUE(RecordOrderOf(8, &o));
  EXPECT_TRUE(o.field == &device::price && !o.by_date && o.descending);
}

}  // namespace

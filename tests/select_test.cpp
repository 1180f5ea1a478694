// Query matching, the range filter and the quantity totals, without the console.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "console/globals.h"
#include "model/quantity_totals.h"
#include "model/select.h"
#include "support/records.h"
#include "support/session.h"

namespace {

class Select : public ::testing::Test {
 protected:
  void TearDown() override { ResetGlobals(); }
};

TEST_F(Select, QueryByNameAndDepartmentMatchesWholeBytes) {
  const std::string da = Gbk("打");  // two bytes; its first alone must not match
  const DevList list =
      ListOf({"A printer U1 ops 1 2042.1.1 1", "B laserprinter U2 ops 1 2042.1.1 1",
              "C Printer U3 lab 1 2042.1.1 1", "D printer U4 lab 1 2042.1.1 1",
              "E " + da + " U5 " + Gbk("部") + " 1 2042.1.1 1"});
  EXPECT_EQ(Render(Query(list, QueryMode::kName, "printer")), "1:A 4:D");
  EXPECT_EQ(Render(Query(list, QueryMode::kDepartment, "lab")), "3:C 4:D");
  EXPECT_EQ(Render(Query(list, QueryMode::kDepartment, "printer")), "");
  EXPECT_EQ(Render(Query(list, QueryMode::kName, da)), "5:E");
  EXPECT_EQ(Render(Query(list, QueryMode::kName, da.substr(0, 1))), "") << "no prefix match";
  EXPECT_EQ(list.size(), 5u);
}

TEST_F(Select, GlobalSearchTriesTheSerialThenEveryField) {
  const DevList list = ListOf({"A n h d 3 2042.1.1 1", "B n h d 03 2042.1.1 1",
                               "C n h d 1 2042.1.1 3", "3x n h d 1 2042.1.1 1",
                               "E n h d 1 2042.1.1 1", "F 0 h d -2 2042.1.1 abc"});
  const struct {
    const char* keyword;
    const char* found;
  } cases[] = {
      {"3", "1:A 3:C"},  // serial 3 and the quantity 3, record 3 once
      {"03", "2:B 3:C"}, {"3x", "3:C 4:3x"}, {"abc", "6:F"}, {"0", "6:F"},
      {"-2", "6:F"},     {"5", "5:E"},       {"7", ""},
      {"2042.1.1", "1:A 2:B 3:C 4:3x 5:E 6:F"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Render(Query(list, QueryMode::kGlobal, c.keyword)), c.found) << c.keyword;
  }
}

TEST_F(Select, QueryResultsKeepTheirSerials) {
  DevList::Records records;
  for (int serial : {2, 5, 9}) records.push_back(RecordOf("A n h d 1 2042.1.1 1", serial));
  EXPECT_EQ(Render(Query(DevList(records), QueryMode::kName, "n")), "2:A 5:A 9:A");
}

TEST_F(Select, FilterRangesAreInclusiveAndNeverSwapped) {
  const DevList quantities = ListOf({"a n h d 666 t 1", "b n h d 1000 t 1", "c n h d 2333 t 1",
                                     "d n h d 665 t 1", "e n h d 2334 t 1", "f n h d 10000 t 1",
                                     "g n h d 0666 t 1", "h n h d 5 t 1"});
  auto kept = [&](const char* low, const char* high) {
    return Render(Filter(quantities, FilterMode::kQuantity, low, high));
  };
  EXPECT_EQ(kept("666", "2333"), "1:a 2:b 3:c 7:g");
  EXPECT_EQ(kept("2333", "666"), "1:a 3:c");
  EXPECT_EQ(kept("5", "5"), "8:h");
  const DevList prices = ListOf({"a n h d 1 t 8000", "b n h d 1 t 10000", "c n h d 1 t 666",
                                 "d n h d 1 t 23334", "e n h d 1 t 100000", "f n h d 1 t 12.5",
                                 "g n h d 1 t 50"});
  EXPECT_EQ(Render(Filter(prices, FilterMode::kPrice, "6666", "23333")), "1:a 2:b");
  EXPECT_EQ(Render(Filter(prices, FilterMode::kPrice, "10", "99")), "7:g");
  const DevList times = ListOf({"a n h d 1 2042.1.1 1", "b n h d 1 2050.6.15 1",
                                "c n h d 1 2077.12.31 1", "d n h d 1 2041.12.31 1",
                                "e n h d 1 2078.1.1 1", "f n h d 1 2042-1-1 1"});
  EXPECT_EQ(Render(Filter(times, FilterMode::kPurchaseTime, "2042.1.1", "2077.12.31")),
            "1:a 2:b 3:c 6:f");
  EXPECT_EQ(Render(Filter(times, FilterMode::kPurchaseTime, "2042", "2042")), "");
}

// "name=total ..." in the map's order.
std::string Totals(const QuantityTotals& totals) {
  std::string out;
  for (const auto& [name, total] : totals) {
    if (!out.empty()) out += ' ';
    out += name + "=" + std::to_string(total);
  }
  return out;
}

TEST_F(Select, QuantitiesAddUpPerNameInByteOrder) {
  const std::string a = Gbk("啊");  // GBK bytes come after every ASCII byte
  const DevList list = ListOf({"a 9 h d 1 t 1", "a 10 h d 1 t 1", "a pc2 h d 1 t 1",
                               "a pc h d 1 t 1", "a Printer h d 1 t 1", "a printer h d 3 t 1",
                               "a printer h d 2 t 1", "a " + a + " h d 1 t 1"});
  QuantityTotals totals;
  AddQuantities(list, totals);
  EXPECT_EQ(Totals(totals), "10=1 9=1 Printer=1 pc=1 pc2=1 printer=5 " + a + "=1");
}

TEST_F(Select, QuantitiesCountByTheirPrefixValueAndSaturate) {
  QuantityTotals totals;
  AddQuantities(ListOf({"a x h d abc t 1", "a y h d 12abc t 1", "a y h d -3 t 1", "a y h d +4 t 1",
                        "a y h d 007 t 1", "a z h d -5 t 1", "a big h d 2000000000 t 1",
                        "a big h d 1000000000 t 1"}),
                totals);
  EXPECT_EQ(Totals(totals), "big=3000000000 x=0 y=20 z=-5");
  AddQuantities(ListOf({"a m h d 9223372036854775807 t 1", "a m h d 1 t 1",
                        "a n h d -9223372036854775808 t 1", "a n h d -99999999999999999999 t 1"}),
                totals);
  EXPECT_EQ(totals["m"], INT64_MAX);
  EXPECT_EQ(totals["n"], INT64_MIN);
  EXPECT_EQ(SaturatingAdd(INT64_MAX, INT64_MIN), -1);
  EXPECT_EQ(SaturatingAdd(INT64_MIN, -1), INT64_MIN);
}

}  // namespace

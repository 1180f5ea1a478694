// Fuzz target: the two orders on field texts. Sorting relies on each being a strict weak
// order for every text, well-formed or not, and the filters rely on each range test
// meaning exactly "equal to a bound, or strictly between the bounds".
//
// An input is cut at its first two line feeds into three texts (field texts never hold
// a line feed); a missing piece is the empty text.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "model/orders.h"

namespace {

using Less = bool (*)(std::string_view, std::string_view);
using Within = bool (*)(std::string_view, std::string_view, std::string_view);

// One order and its range test, named for the report.
struct Order {
  const char* name;
  Less less;
  Within within;
};

bool StrLess(std::string_view a, std::string_view b) { return CmpStr(a, b); }
bool StrWithin(std::string_view l, std::string_view v, std::string_view h) {
  return CmpStr(l, v, h);
}
bool TmeLess(std::string_view a, std::string_view b) { return CmpTme(a, b); }
bool TmeWithin(std::string_view l, std::string_view v, std::string_view h) {
  return CmpTme(l, v, h);
}

constexpr std::array<Order, 2> kOrders = {{{"CmpStr", StrLess, StrWithin},
                                           {"CmpTme", TmeLess, TmeWithin}}};

void Check(bool holds, const char* order, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "orders_fuzz: %s is not %s\n", order, property);
  std::abort();
}

// Every property that involves one ordered triple (x, y, z) of the three texts.
void CheckTriple(const Order& o, std::string_view x, std::string_view y, std::string_view z) {
  const bool xy = o.less(x, y), yx = o.less(y, x), yz = o.less(y, z), zy = o.less(z, y);
  const bool xz = o.less(x, z), zx = o.less(z, x);
  Check(!o.less(x, x), o.name, "irreflexive");
  Check(!(xy && yx), o.name, "asymmetric");
  Check(!(xy && yz) || xz, o.name, "transitive");
  const bool tie_xy = !xy && !yx, tie_yz = !yz && !zy, tie_xz = !xz && !zx;
  Check(!(tie_xy && tie_yz) || tie_xz, o.name, "transitive in its ties");
  Check(o.within(x, y, z) == (y == x || y == z || (xy && yz)), o.name,
        "a range test that agrees with the order");
}

// The numeric-text order has no ties but equal texts, and the date order compares two
// dates with different years by their years alone.
void CheckDefinitions(std::string_view a, std::string_view b) {
  Check((CmpStr(a, b) || CmpStr(b, a)) == (a != b), "CmpStr", "tied on equal texts alone");
  if (a.size() >= 4 && b.size() >= 4 && a.substr(0, 4) != b.substr(0, 4)) {
    Check(CmpTme(a, b) == CmpStr(a.substr(0, 4), b.substr(0, 4)), "CmpTme",
          "decided by the years when they differ");
  }
}

// The 32-bit decimal prefix value is the 64-bit one, saturated.
void CheckPrefixValue(std::string_view text) {
  const int64_t wide = PrefixValue64(text);
  const int64_t clamped = std::clamp<int64_t>(wide, std::numeric_limits<int32_t>::min(),
                                              std::numeric_limits<int32_t>::max());
  Check(PrefixValue(text) == clamped, "PrefixValue", "the saturated 64-bit value");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::array<std::string_view, 3> t;
  for (std::string_view& piece : t) {
    const std::size_t end = std::min(input.find('\n'), input.size());
    piece = input.substr(0, end);
    input.remove_prefix(std::min(end + 1, input.size()));
  }
  std::array<int, 3> p = {0, 1, 2};
  do {
    for (const Order& o : kOrders) CheckTriple(o, t[p[0]], t[p[1]], t[p[2]]);
    CheckDefinitions(t[p[0]], t[p[1]]);
  } while (std::next_permutation(p.begin(), p.end()));
  for (std::string_view text : t) CheckPrefixValue(text);
  return 0;
}

#include "model/quantity_totals.h"

#include <limits>
#include <string_view>

#include "model/orders.h"

int64_t SaturatingAdd(int64_t a, int64_t b) {
  int64_t sum;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

void AddQuantities(const DevList& list, QuantityTotals& totals) {
  for (const device& record : list) {
    const std::string_view name = record.name.view();
    auto at = totals.lower_bound(name);
    if (at == totals.end() || at->first != name) at = totals.emplace_hint(at, name, 0);
    at->second = SaturatingAdd(at->second, PrefixValue64(record.quantity));
  }
}

#include "model/quantity_totals.h"

#include <limits>
#include <string_view>
#include <unordered_map>

#include "model/orders.h"

int64_t SaturatingAdd(int64_t a, int64_t b) {
  int64_t sum;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

void AddQuantities(const DevList& list, QuantityTotals& totals) {
  // Totals gather in a hash table keyed by the names' own bytes (they live as long as the
  // records do) and enter the ordered map once per name, not once per record.
  std::unordered_map<std::string_view, int64_t> by_name;
  for (const device& record : list) {
    int64_t& total = by_name[record.name.view()];
    total = SaturatingAdd(total, PrefixValue64(record.quantity));
  }
  for (const auto& [name, sum] : by_name) {
    auto at = totals.lower_bound(name);
    if (at == totals.end() || at->first != name) at = totals.emplace_hint(at, name, 0);
    at->second = SaturatingAdd(at->second, sum);
  }
}

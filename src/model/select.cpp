#include "model/select.h"

#include <utility>

#include "model/orders.h"

namespace {

// Copies every record of list for which keep(record) holds, in list order.
template <typename Keep>
DevList Select(const DevList& list, Keep keep) {
  DevList::Records chosen;
  for (const device& record : list) {
    if (keep(record)) chosen.push_back(record);
  }
  return DevList(std::move(chosen));
}

bool AnyFieldEquals(const device& record, std::string_view keyword) {
  for (Text device::* field : kDeviceFields) {
    if ((record.*field).view() == keyword) return true;
  }
  return false;
}

}  // namespace

DevList Query(const DevList& list, QueryMode mode, std::string_view keyword) {
  switch (mode) {
    case QueryMode::kName:
      return Select(list, [&](const device& d) { return d.name.view() == keyword; });
    case QueryMode::kDepartment:
      return Select(list, [&](const device& d) { return d.department.view() == keyword; });
    case QueryMode::kGlobal:
      break;
  }
  const int number = PrefixValue(keyword);
  return Select(list, [&](const device& d) {
    return d.serial == number || AnyFieldEquals(d, keyword);
  });
}

DevList Filter(const DevList& list, FilterMode mode, std::string_view low,
               std::string_view high) {
  switch (mode) {
    case FilterMode::kQuantity:
      return Select(list, [&](const device& d) { return CmpStr(low, d.quantity, high); });
    case FilterMode::kPurchaseTime:
      return Select(list, [&](const device& d) { return CmpTme(low, d.purchaseTime, high); });
    case FilterMode::kPrice:
      break;
  }
  return Select(list, [&](const device& d) { return CmpStr(low, d.price, high); });
}

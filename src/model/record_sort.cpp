#include "model/record_sort.h"

#include <algorithm>
#include <array>

#include "model/orders.h"

namespace {

constexpr std::array<RecordOrder, 8> kOrders = {{
    {&device::code, false, false},
    {&device::quantity, false, false},
    {&device::purchaseTime, true, false},
    {&device::price, false, false},
    {&device::code, false, true},
    {&device::quantity, false, true},
    {&device::purchaseTime, true, true},
    {&device::price, false, true},
}};

}  // namespace

bool RecordOrder::operator()(const device& a, const device& b) const {
  // Descending is the ascending comparison with the records swapped, so ties stay ties.
  const std::string_view x = descending ? (b.*key).view() : (a.*key).view();
  const std::string_view y = descending ? (a.*key).view() : (b.*key).view();
  return by_date ? CmpTme(x, y) : CmpStr(x, y);
}

bool FindRecordOrder(int order, RecordOrder* found) {
  if (order < 1 || order > static_cast<int>(kOrders.size())) return false;
  *found = kOrders[static_cast<std::size_t>(order - 1)];
  return true;
}

void sort(device* first, device* last, int order) {
  RecordOrder before;
  if (!FindRecordOrder(order, &before)) return;
  std::stable_sort(first, last, before);
}

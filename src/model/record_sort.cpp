#include "model/record_sort.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

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

// The first 128 bits of a key's place in its ascending order, so that most comparisons
// are two integer comparisons instead of reads of scattered text bytes. The key is
// written as a sequence of parts, each a length and then bytes: numeric-text order
// compares the length first, then the bytes, and the date order does so for year, month
// and day. A part that does not fit ends the sequence with zeros. Hence a smaller prefix
// means an earlier key, and equal prefixes of complete keys mean tied keys; equal
// prefixes of incomplete keys leave the decision to the key comparison itself.
class Prefix {
 public:
  // Appends a part: its length in len_bits (all ones standing for "this long or more")
  // and up to max_bytes of its bytes, zero-padded. False when the part did not fit whole;
  // nothing may be appended after that.
  bool Part(std::string_view text, int len_bits, std::size_t max_bytes) {
    const std::size_t cap = (std::size_t{1} << len_bits) - 1;
    Put(std::min(text.size(), cap), len_bits);
    if (text.size() >= cap) return false;
    for (std::size_t i = 0; i < max_bytes; ++i) {
      Put(i < text.size() ? static_cast<unsigned char>(text[i]) : 0, 8);
    }
    return text.size() <= max_bytes;
  }

  // The 128 bits, what was appended first in the highest bits, zeros after it.
  std::pair<uint64_t, uint64_t> Bits() {
    while (used_ < 128) Put(0, std::min(8, 128 - used_));
    return {hi_, lo_};
  }

 private:
  // Appends the low width bits of value; 0 < width <= 8.
  void Put(uint64_t value, int width) {
    hi_ = (hi_ << width) | (lo_ >> (64 - width));
    lo_ = (lo_ << width) | value;
    used_ += width;
  }

  uint64_t hi_ = 0;
  uint64_t lo_ = 0;
  int used_ = 0;
};

// A record's key prefix and its position in the range before sorting. Entries are
// small, so the sort moves far fewer bytes than it would moving whole records; the
// position breaks ties, which makes the sort stable.
struct Entry {
  std::pair<uint64_t, uint64_t> prefix;
  uint32_t position;
  bool complete;  // the prefix holds the whole key: equal prefixes are tied keys
};

// The entry of key: 8 bits of length and 15 bytes in numeric-text order; 3 + 32 bits of
// year, 5 + 32 of month and 5 + 48 of day in date order.
Entry MakeEntry(std::string_view key, uint32_t position, bool by_date) {
  Prefix p;
  bool complete;
  if (by_date) {
    const DateParts parts = SplitDate(key);
    complete = p.Part(parts.year, 3, 4) && p.Part(parts.month, 5, 4) && p.Part(parts.day, 5, 6);
  } else {
    complete = p.Part(key, 8, 15);
  }
  return {p.Bits(), position, complete};
}

}  // namespace

bool RecordOrder::operator()(const device& a, const device& b) const {
  return KeyBefore((a.*key).view(), (b.*key).view());
}

bool RecordOrder::KeyBefore(std::string_view a, std::string_view b) const {
  // Descending is the ascending comparison with the keys swapped, so ties stay ties.
  if (descending) std::swap(a, b);
  return by_date ? CmpTme(a, b) : CmpStr(a, b);
}

bool FindRecordOrder(int order, RecordOrder* found) {
  if (order < 1 || order > static_cast<int>(kOrders.size())) return false;
  *found = kOrders[static_cast<std::size_t>(order - 1)];
  return true;
}

namespace {

// The byte of a prefix at column c, 0 the least significant of the 128 bits.
unsigned PrefixByte(const Entry& e, int c) {
  const uint64_t word = c < 8 ? e.prefix.second : e.prefix.first;
  return static_cast<unsigned>(word >> (8 * (c % 8))) & 0xFF;
}

// Sorts entries by prefix, least significant byte first; each pass is stable, so entries
// with equal prefixes keep their order (their positions, ascending). Columns in which all
// entries share one byte are skipped: short keys vary in a few bytes only.
void RadixSortByPrefix(std::vector<Entry>& entries) {
  std::vector<std::array<uint32_t, 256>> counts(16);
  for (const Entry& e : entries) {
    for (int c = 0; c < 16; ++c) ++counts[static_cast<std::size_t>(c)][PrefixByte(e, c)];
  }
  std::vector<Entry> other(entries.size());
  for (int c = 0; c < 16; ++c) {
    std::array<uint32_t, 256>& count = counts[static_cast<std::size_t>(c)];
    if (std::find(count.begin(), count.end(), entries.size()) != count.end()) continue;
    uint32_t offset = 0;
    for (uint32_t& bucket : count) offset += std::exchange(bucket, offset);
    for (const Entry& e : entries) other[count[PrefixByte(e, c)]++] = e;
    entries.swap(other);
  }
}

// Entries whose equal prefixes do not hold their whole keys stand next to each other
// after the radix sort, by position; this puts each such run in key order, stably.
template <typename KeyBefore>
void OrderIncompleteRuns(std::vector<Entry>& entries, KeyBefore key_before) {
  for (std::size_t begin = 0; begin < entries.size();) {
    std::size_t end = begin + 1;
    while (end < entries.size() && entries[end].prefix == entries[begin].prefix) ++end;
    if (!entries[begin].complete && end - begin > 1) {
      std::stable_sort(entries.begin() + static_cast<std::ptrdiff_t>(begin),
                       entries.begin() + static_cast<std::ptrdiff_t>(end), key_before);
    }
    begin = end;
  }
}

// The entries of [first, last) sorted by the record order: entry k names the record that
// goes to place k.
std::vector<Entry> SortedEntries(const device* first, const device* last,
                                 const RecordOrder& before) {
  const std::size_t n = static_cast<std::size_t>(last - first);
  std::vector<Entry> entries;
  entries.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    entries.push_back(MakeEntry((first[i].*before.key).view(), static_cast<uint32_t>(i),
                                before.by_date));
  }
  if (before.descending) {
    // Complemented prefixes sort ascending into descending key order, ties still by
    // position.
    for (Entry& e : entries) e.prefix = {~e.prefix.first, ~e.prefix.second};
  }
  RadixSortByPrefix(entries);
  OrderIncompleteRuns(entries, [&](const Entry& a, const Entry& b) {
    return before.KeyBefore((first[a.position].*before.key).view(),
                            (first[b.position].*before.key).view());
  });
  return entries;
}

// The records of [first, ...) in the order the entries give. Gathering into a new array
// lets the memory system overlap the reads, where walking the permutation's cycles in
// place could not.
std::vector<device> Gather(const device* first, const std::vector<Entry>& entries) {
  std::vector<device> sorted;
  sorted.reserve(entries.size());
  constexpr std::size_t kAhead = 8;  // records fetched early: the reads are scattered
  for (std::size_t k = 0; k < entries.size(); ++k) {
    if (k + kAhead < entries.size()) __builtin_prefetch(first + entries[k + kAhead].position);
    sorted.push_back(first[entries[k].position]);
  }
  return sorted;
}

}  // namespace

void sort(device* first, device* last, int order) {
  RecordOrder before;
  if (!FindRecordOrder(order, &before)) return;
  const std::vector<device> sorted = Gather(first, SortedEntries(first, last, before));
  std::copy(sorted.begin(), sorted.end(), first);
}

DevList SortedCopy(const DevList& list, int order) {
  RecordOrder before;
  if (!FindRecordOrder(order, &before)) return list;
  return DevList(Gather(list.begin(), SortedEntries(list.begin(), list.end(), before)));
}

#include "model/sort_keys.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "model/orders.h"

namespace {

// A record's place in the sort: the packed key (hi, then lo) and its position. Equal
// keys are either equal texts (exact) or need the full comparison; which of the two
// depends on the key alone, so it is kept in the lowest bit of lo.
struct Entry {
  uint64_t hi;
  uint32_t lo;
  uint32_t pos;
};

constexpr uint32_t kExact = 1;

// Packs up to count bytes of text, from offset on, big-endian into an integer of width bits,
// left-aligned so that byte-wise order is integer order.
uint64_t PackBytes(std::string_view text, std::size_t offset, std::size_t count, int width) {
  uint64_t v = 0;
  for (std::size_t i = 0; i < count; ++i) {
    unsigned char c = offset + i < text.size() ? static_cast<unsigned char>(text[offset + i]) : 0;
    v = (v << 8) | c;
  }
  return v << (width - 8 * static_cast<int>(count));
}

// Numeric-text order: shorter first, then bytes. hi holds the length (capped) and
// bytes 0..6, lo bytes 7..9; texts of up to 10 bytes are keyed exactly. Longer texts
// of equal length agree on the key only when their first ten bytes agree.
Entry NumericKey(std::string_view text, uint32_t pos) {
  const std::size_t len = text.size();
  Entry e{0, 0, pos};
  e.hi = (uint64_t{std::min<std::size_t>(len, 255)} << 56);
  if (len < 255) {
    e.hi |= PackBytes(text, 0, 7, 56);
    e.lo = static_cast<uint32_t>(PackBytes(text, 7, 3, 24) << 8);
  }
  if (len <= 10) e.lo |= kExact;
  return e;
}

// One date part for the key: a length code (0..2 exact, 3 for longer) and two bytes.
// Returns false when the part is too long to key exactly.
bool DatePart(std::string_view part, uint64_t* code, uint64_t* bytes) {
  if (part.size() > 2) {
    *code = 3;
    *bytes = 0;
    return false;
  }
  *code = part.size();
  *bytes = PackBytes(part, 0, 2, 16);
  return true;
}

// Date order: year (0..4 bytes, always exact), then month, then day. A part that cannot
// be keyed exactly ends the key: the parts after it are left zero, so equal keys still
// mean "not yet decided" and the full comparison takes over.
Entry DateKey(std::string_view text, uint32_t pos) {
  const DateParts parts = SplitDate(text);
  Entry e{0, 0, pos};
  e.hi = (uint64_t{parts.year.size()} << 61) | (PackBytes(parts.year, 0, 4, 32) << 29);
  uint64_t code, bytes;
  bool exact = DatePart(parts.month, &code, &bytes);
  e.hi |= (code << 27) | (bytes << 11);
  if (exact) {
    exact = DatePart(parts.day, &code, &bytes);
    e.lo = static_cast<uint32_t>((code << 30) | (bytes << 14));
  }
  if (exact) e.lo |= kExact;
  return e;
}

}  // namespace

bool RecordOrderOf(int order, RecordOrder* out) {
  static constexpr Text device::* kKeys[4] = {&device::code, &device::quantity,
                                              &device::purchaseTime, &device::price};
  if (order < 1 || order > 8) return false;
  const int key = (order - 1) % 4;
  *out = RecordOrder{kKeys[key], key == 2, order > 4};
  return true;
}

std::vector<uint32_t> SortPermutation(const device* first, const device* last,
                                      const RecordOrder& order) {
  const std::size_t n = static_cast<std::size_t>(last - first);
  std::vector<Entry> entries(n);
  for (std::size_t i = 0; i < n; ++i) {
    std::string_view text = (first[i].*order.field).view();
    uint32_t pos = static_cast<uint32_t>(i);
    entries[i] = order.by_date ? DateKey(text, pos) : NumericKey(text, pos);
  }
  // Strictly before in the record order, ties broken by position (which keeps it stable).
  auto key_before = [&](const Entry& a, const Entry& b) {
    if (a.hi != b.hi) return a.hi < b.hi;
    if (a.lo != b.lo) return a.lo < b.lo;
    if (a.lo & kExact) return false;
    std::string_view x = (first[a.pos].*order.field).view();
    std::string_view y = (first[b.pos].*order.field).view();
    return order.by_date ? CmpTme(x, y) : CmpStr(x, y);
  };
  auto before = [&](const Entry& a, const Entry& b) {
    if (order.descending ? key_before(b, a) : key_before(a, b)) return true;
    if (order.descending ? key_before(a, b) : key_before(b, a)) return false;
    return a.pos < b.pos;
  };
  std::sort(entries.begin(), entries.end(), before);
  std::vector<uint32_t> permutation(n);
  for (std::size_t i = 0; i < n; ++i) permutation[i] = entries[i].pos;
  return permutation;
}

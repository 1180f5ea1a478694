#include "model/orders.h"

#include <cstring>
#include <limits>

bool CmpStr(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return a.size() < b.size();
  // string_view compares through char_traits<char>, which orders bytes as unsigned.
  return a.compare(b) < 0;
}

bool CmpStr(std::string_view low, std::string_view value, std::string_view high) {
  if (value == low || value == high) return true;
  if (!CmpStr(low, value)) return false;
  return CmpStr(value, high);
}

DateParts SplitDate(std::string_view text) {
  DateParts parts;
  parts.year = text.substr(0, 4);
  if (text.size() <= 5) return parts;
  for (std::size_t end = 5; end <= 7 && end < text.size(); ++end) {
    if (text[end] == '.') {
      parts.month = text.substr(5, end - 5);
      parts.day = text.substr(end + 1);
      return parts;
    }
  }
  parts.month = text.substr(5);
  return parts;
}

bool CmpTme(std::string_view a, std::string_view b) {
  DateParts x = SplitDate(a);
  DateParts y = SplitDate(b);
  if (x.year != y.year) return CmpStr(x.year, y.year);
  if (x.month != y.month) return CmpStr(x.month, y.month);
  return CmpStr(x.day, y.day);
}

bool CmpTme(std::string_view low, std::string_view value, std::string_view high) {
  if (value == low || value == high) return true;
  if (!CmpTme(low, value)) return false;
  return CmpTme(value, high);
}

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

template <typename Int>
Int Prefix(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulate toward the sign so that the most negative value is reachable.
  const Int limit = negative ? std::numeric_limits<Int>::min() : std::numeric_limits<Int>::max();
  Int value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    Int digit = text[i] - '0';
    if (negative) {
      if (value < (limit + digit) / 10) return limit;
      value = value * 10 - digit;
    } else {
      if (value > (limit - digit) / 10) return limit;
      value = value * 10 + digit;
    }
  }
  return value;
}

}  // namespace

int32_t PrefixValue(std::string_view text) { return Prefix<int32_t>(text); }
int64_t PrefixValue64(std::string_view text) { return Prefix<int64_t>(text); }

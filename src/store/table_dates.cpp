#include "store/table_cells.h"

#include "locale/charset.h"

namespace {

// The GB18030 form of the three signs of a Chinese date.
struct DateSigns {
  std::string year = charset::Utf8ToGb("年"), month = charset::Utf8ToGb("月"),
              day = charset::Utf8ToGb("日");
};

// Reads 1 to max digits at text[i...] into number, advancing i; false when none.
bool ReadNumber(std::string_view text, std::size_t& i, std::size_t max, unsigned& number) {
  const std::size_t start = i;
  number = 0;
  while (i < text.size() && i - start < max && text[i] >= '0' && text[i] <= '9') {
    number = number * 10 + static_cast<unsigned>(text[i++] - '0');
  }
  return i > start && (i == text.size() || text[i] < '0' || text[i] > '9');
}

// True when text[i...] begins with sign, which is then passed.
bool Pass(std::string_view text, std::size_t& i, std::string_view sign) {
  if (text.substr(i).substr(0, sign.size()) != sign) return false;
  i += sign.size();
  return true;
}

}  // namespace

std::string ProgramDate(std::string_view text) {
  if (!MayBeDate(text)) return {};
  static const DateSigns kSigns;
  std::size_t i = 0;
  unsigned year = 0, month = 0, day = 0;
  if (!ReadNumber(text, i, 4, year) || i < 4) return {};
  std::string_view sep, sep2, end;
  if (i < text.size() && (text[i] == '/' || text[i] == '-')) {
    sep = sep2 = text.substr(i, 1);
  } else {
    sep = kSigns.year;
    sep2 = kSigns.month;
    end = kSigns.day;
  }
  if (!Pass(text, i, sep) || !ReadNumber(text, i, 2, month) || !Pass(text, i, sep2) ||
      !ReadNumber(text, i, 2, day) || !Pass(text, i, end) || i != text.size()) {
    return {};
  }
  if (month < 1 || month > 12 || day < 1 || day > 31) return {};
  return std::to_string(year) + "." + std::to_string(month) + "." + std::to_string(day);
}

#include "store/csv_cells.h"

#include <cstring>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The length of the run of digits at the start of s.
std::size_t Digits(std::string_view s) {
  std::size_t n = 0;
  while (n < s.size() && IsDigit(s[n])) ++n;
  return n;
}

// An optional sign, digits, an optional point followed by digits: a number, not a formula.
bool IsDecimal(std::string_view s) {
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) s.remove_prefix(1);
  const std::size_t whole = Digits(s);
  if (whole == 0) return false;
  s.remove_prefix(whole);
  if (s.empty()) return true;
  return s[0] == '.' && s.size() > 1 && Digits(s.substr(1)) == s.size() - 1;
}

// A number as a spreadsheet shows it back: no "+", no leading or trailing zeros, at most
// eleven characters (Excel's general format shows longer ones in exponent form).
bool IsPlainNumber(std::string_view s) {
  if (s.size() > 11 || !IsDecimal(s) || s[0] == '+') return false;
  const bool negative = s[0] == '-';
  if (negative) s.remove_prefix(1);
  const std::size_t whole = Digits(s);
  if (whole > 1 && s[0] == '0') return false;
  if (s == "0") return !negative;  // "-0" shows as 0
  return whole == s.size() || s.back() != '0';
}

// Whether word equals known, ASCII letters compared without case. REQUIRES: known lower case.
bool SameWord(std::string_view word, std::string_view known) {
  if (word.size() != known.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if ((word[i] | 0x20) != known[i]) return false;
  }
  return true;
}

// Letters a spreadsheet reads in a number, a date or a time: the exponent, the months'
// English names and their abbreviations, AM and PM.
bool IsNumberWord(std::string_view word) {
  if (word.size() == 1) return (word[0] | 0x20) == 'e';  // the most frequent: a code's letter
  static constexpr std::string_view kWords[] = {
      "e",   "am",  "pm",  "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep",
      "sept", "oct", "nov", "dec", "january", "february", "march", "april", "june", "july",
      "august", "september", "october", "november", "december"};
  for (std::string_view known : kWords) {
    if (SameWord(word, known)) return true;
  }
  return false;
}

// The length of the character beyond ASCII at the start of s that a spreadsheet reads in a
// number, a date or a time; 0 for any other.
std::size_t NumberMark(std::string_view s) {
  static constexpr std::string_view kMarks[] = {"年", "月", "日", "时", "分", "秒",
                                                "¥",  "￥", "€",  "£",  "上午", "下午"};
  for (std::string_view mark : kMarks) {
    if (s.starts_with(mark)) return mark.size();
  }
  return 0;
}

// Whether a spreadsheet may read s, made of digits, marks, letters and other characters
// (seen: their classes), as a number, a date, a time or a truth value: digits with nothing
// but the signs, marks and words of numbers around them.
bool MayBeNumber(std::string_view s, unsigned seen) {
  if (seen == kLetter) {
    return (SameWord(s, "true") || SameWord(s, "false")) && s != "TRUE" && s != "FALSE";
  }
  if ((seen & kDigit) == 0 || (seen & kOther) != 0) return false;
  if ((seen & (kLetter | kHigh)) == 0) return true;  // digits and marks alone: 2021.3.15
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = kCellClasses[static_cast<unsigned char>(s[i])];
    std::size_t j = i + 1;
    if (c == kLetter) {
      while (j < s.size() && kCellClasses[static_cast<unsigned char>(s[j])] == kLetter) ++j;
      if (!IsNumberWord(s.substr(i, j - i))) return false;
    } else if (c == kHigh) {
      j = i + NumberMark(s.substr(i));
      if (j == i) return false;
    }
    i = j;
  }
  return true;
}

// Writes s with every double quote written times times.
char* PutDoubled(std::string_view s, char* out, int times = 2) {
  for (char c : s) {
    *out++ = c;
    for (int i = 1; i < times && c == '"'; ++i) *out++ = '"';
  }
  return out;
}

}  // namespace

unsigned ClassesOf(std::string_view text) {
  unsigned seen = 0;
  for (char c : text) seen |= kCellClasses[static_cast<unsigned char>(c)];
  return seen;
}

CellGuard GuardOf(std::string_view text, unsigned seen) {
  if (text.empty()) return CellGuard::kNone;
  const char first = text[0];
  if ((first == '=' || first == '+' || first == '-' || first == '@') && !IsDecimal(text)) {
    return CellGuard::kApostrophe;
  }
  // A leading "'" of the text's own is kept apart from the guard's.
  if (first == '\'') return CellGuard::kFormula;
  if (seen == kDigit) {  // digits alone: a number, plain unless too long or with leading zeros
    return text.size() > 11 || (first == '0' && text.size() > 1) ? CellGuard::kFormula
                                                                 : CellGuard::kNone;
  }
  return MayBeNumber(text, seen) && !IsPlainNumber(text) ? CellGuard::kFormula : CellGuard::kNone;
}

namespace {

// PutCell for a text of the classes seen that needs guard.
char* PutGuarded(std::string_view text, unsigned seen, CellGuard guard, char* out) {
  const bool quoted = (seen & kQuoted) != 0;
  switch (guard) {
    case CellGuard::kNone:
      if (!quoted) {
        std::memcpy(out, text.data(), text.size());
        return out + text.size();
      }
      *out++ = '"';
      break;
    case CellGuard::kApostrophe:
      if (!quoted) {
        *out++ = '\'';
        std::memcpy(out, text.data(), text.size());
        return out + text.size();
      }
      *out++ = '"';
      *out++ = '\'';
      break;
    case CellGuard::kFormula:
      std::memcpy(out, "\"=\"\"", 4);
      out = PutDoubled(text, out + 4, 4);  // doubled in the formula, and again in the file
      std::memcpy(out, "\"\"\"", 3);
      return out + 3;
  }
  out = PutDoubled(text, out);
  *out++ = '"';
  return out;
}

}  // namespace

char* PutCell(std::string_view text, char* out) {
  const unsigned seen = ClassesOf(text);
  return PutGuarded(text, seen, GuardOf(text, seen), out);
}

char* GuardInPlace(char* start, std::size_t n, unsigned seen) {
  const std::string_view text(start, n);
  const CellGuard guard = GuardOf(text, seen);
  if (guard == CellGuard::kNone && (seen & kQuoted) == 0) return start + n;
  if (guard == CellGuard::kFormula && (seen & kQuoted) == 0) {  // a date, mostly: no copy
    std::memmove(start + 4, start, n);
    std::memcpy(start, "\"=\"\"", 4);
    std::memcpy(start + 4 + n, "\"\"\"", 3);
    return start + n + 7;
  }
  std::string copy(text);
  return PutGuarded(copy, seen, guard, start);
}

void AppendCell(std::string_view text, std::string& out) {
  const std::size_t used = out.size();
  out.resize(used + CellBound(text.size()));
  out.resize(static_cast<std::size_t>(PutCell(text, out.data() + used) - out.data()));
}

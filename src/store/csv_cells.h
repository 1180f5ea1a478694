// The cells of the CSV files devmgr writes beside its record files, for a spreadsheet to open
// with every text as it stands. Two dangers are kept off:
// - A text beginning with "=", "+", "-" or "@" that is not a decimal number (an optional sign,
//   digits, an optional point and digits) would run as a formula: it gets a leading "'", the
//   rule for CSV injection, which Excel and Calc both show as text.
// - A text a spreadsheet would read as a number, a date, a time, a percentage or a truth
//   value, where it would not show it back the same ("007", "+3", "4,200", "1.10", "1e5", a
//   code of more than eleven digits, which Excel shows in exponent form, "true", "12:30") is
//   written as the formula ="text", which gives the text itself. Dates in devmgr's own form
//   (2021.3.15) are among them: Calc reads them as dates in a Chinese or Hungarian locale.
// Only numbers in their plain form (6499, -5, 0.25; eleven characters at most) stay numbers.
// A cell holding a comma, a double quote or a line end is then put in double quotes, the
// quotes inside doubled (RFC 4180); so is every ="text", whose own quotes are doubled in the
// formula first.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// How a text is written so that a spreadsheet shows it as it is.
enum class CellGuard {
  kNone,        // as it is
  kApostrophe,  // "'" before it
  kFormula,     // ="text"
};

// Classes of bytes, or-ed over a cell's bytes so that most cells are judged in one look.
enum CellClass : unsigned char {
  kDigit = 1,
  kMark = 2,     // a sign or mark of numbers, dates and times in ASCII
  kLetter = 4,   // an ASCII letter
  kHigh = 8,     // a byte of a character beyond ASCII
  kQuoted = 16,  // a byte that puts the cell in double quotes
  kOther = 32,
};

// The class of every byte.
inline constexpr std::array<unsigned char, 256> kCellClasses = [] {
  std::array<unsigned char, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    classes[c] = c >= 0x80 ? kHigh : kOther;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) classes[c] = kLetter;
  }
  for (int c = '0'; c <= '9'; ++c) classes[c] = kDigit;
  for (char c : std::string_view("+-./:%$()")) classes[static_cast<unsigned char>(c)] = kMark;
  classes[','] = kMark | kQuoted;
  classes['"'] = classes['\r'] = classes['\n'] = kOther | kQuoted;
  return classes;
}();

// The classes of the bytes of text, or-ed.
unsigned ClassesOf(std::string_view text);

// The guard the UTF-8 text needs (see above); seen: ClassesOf(text).
CellGuard GuardOf(std::string_view text, unsigned seen);
inline CellGuard GuardOf(std::string_view text) { return GuardOf(text, ClassesOf(text)); }


// The most bytes the cell of a text of n bytes takes.
constexpr std::size_t CellBound(std::size_t n) { return 4 * n + 8; }

// Writes the cell of the UTF-8 text at out and returns its end.
// REQUIRES: room for CellBound(text.size()) bytes at out.
char* PutCell(std::string_view text, char* out);

// Whether a text of n bytes that starts with first and whose bytes' classes are seen stands
// as it is, for the frequent cells that this alone decides: text beyond ASCII without a
// digit (a name), or up to eleven digits without a leading zero (a quantity, a price).
inline bool IsSurelyBare(unsigned seen, char first, std::size_t n) {
  return seen == kHigh || (seen == kDigit && n <= 11 && (first != '0' || n == 1));
}

// Guards and quotes the UTF-8 text of n bytes already at start, seen: ClassesOf(text), in
// place; returns the cell's end. REQUIRES: room for CellBound(n) bytes at start.
char* GuardInPlace(char* start, std::size_t n, unsigned seen);

// Appends the cell of the UTF-8 text to out.
void AppendCell(std::string_view text, std::string& out);

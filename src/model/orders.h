// The two orders on field texts, their inclusive range tests, and the decimal prefix
// value that turns a text into a number where the program needs one.
#pragma once

#include <cstdint>
#include <string_view>

// Numeric-text order: true when a comes strictly before b. A shorter text comes first;
// texts of equal length compare byte by byte as unsigned values. For decimal numbers
// without leading zeros this is numeric order (9 before 10); 08 comes after 8.
// Equivalent texts are exactly the equal ones, so this is a strict weak order.
bool CmpStr(std::string_view a, std::string_view b);

// Inclusive range test: true when value equals low or high, or lies strictly between
// them in numeric-text order. Equality is tested first, so with low after high only
// the two bounds themselves pass.
bool CmpStr(std::string_view low, std::string_view value, std::string_view high);

// A purchase time split into year, month and day (views into the text).
struct DateParts {
  std::string_view year;
  std::string_view month;
  std::string_view day;
};

// Splits year.month.day: the year is the first four characters (the whole text when
// shorter); the month runs from position 5 to the first '.' at position 5, 6 or 7 and the
// day follows that '.'. Position 4 is skipped unseen. When none of positions 5 to 7 holds
// a '.', the month is everything from position 5 on (maybe empty) and the day is empty.
DateParts SplitDate(std::string_view text);

// Date order: true when a comes strictly before b, comparing year, then month, then day,
// each in numeric-text order. So 2042.9.1 comes before 2042.10.1, and 2042.1.1 before
// 2042.01.01. Ties are texts with equal parts, which makes it a strict weak order for
// any texts, malformed ones included.
bool CmpTme(std::string_view a, std::string_view b);

// Inclusive date range test, shaped like the numeric-text one: equality with a bound
// (as whole texts) first, then low before value before high in date order.
bool CmpTme(std::string_view low, std::string_view value, std::string_view high);

// Decimal prefix value: optional leading white space, an optional sign, then decimal
// digits up to the first non-digit; 0 without leading digits. Saturates at the bounds
// of the result type instead of wrapping.
int32_t PrefixValue(std::string_view text);
int64_t PrefixValue64(std::string_view text);

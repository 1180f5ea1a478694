// The lines of a record file, as load_records.h describes them: split into tokens, the
// serial checked, and why a line is no record line. Shared by the loader and the tests of
// a file's shape (record_lines.cpp).
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include "locale/messages.h"
#include "store/load_records.h"

// What SplitLine found on a line besides its tokens.
constexpr std::size_t kTooMany = 9;        // more than eight tokens
constexpr std::size_t kWhiteInToken = 10;  // a VT, FF or CR, which no token holds

// Splits the line [p, end), without its line end, at blanks and tabs into its tokens;
// returns their number, kTooMany or kWhiteInToken.
inline std::size_t SplitLine(const char* p, const char* end, std::string_view (&tokens)[8]) {
  std::size_t n = 0;
  for (;;) {
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    if (p == end) return n;
    const char* start = p;
    while (p < end && *p != ' ' && *p != '\t') {
      if (*p >= '\v' && *p <= '\r') return kWhiteInToken;
      ++p;
    }
    if (n == 8) return kTooMany;
    tokens[n++] = {start, static_cast<std::size_t>(p - start)};
  }
}

// True when token is serial in decimal, without sign or leading zeros.
inline bool IsSerial(std::string_view token, std::size_t serial) {
  if (token.empty() || token.size() > 19 || token[0] == '0') return false;
  std::size_t value = 0;
  for (char c : token) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  return value == serial;
}

// Fills error, when given, with line and reason; returns false for the caller to return.
inline bool Fail(LoadError* error, std::size_t line, std::string reason) {
  if (error == nullptr) return false;
  error->line = line;
  error->reason = std::move(reason);
  return false;
}

// Why a line that SplitLine gave n for is not a record.
std::string LineReason(std::size_t n);

// Walks the record lines of bytes[0, size), calling on_record(serial, tokens) for each; false
// at the first line that breaks the rule, error (when given) saying which and why.
template <typename OnRecord>
bool WalkRecordLines(const char* bytes, std::size_t size, LoadError* error, OnRecord on_record) {
  const char* const end = bytes + size;
  std::size_t line = 0, serial = 0;
  for (const char* p = bytes; p < end;) {
    ++line;
    const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    const char* eol = found ? static_cast<const char*>(found) : end;
    const char* next = found ? eol + 1 : end;
    if (found && eol > p && eol[-1] == '\r') --eol;
    std::string_view tokens[8];
    const std::size_t n = SplitLine(p, eol, tokens);
    p = next;
    if (n == 0) continue;
    if (n != 8) return Fail(error, line, LineReason(n));
    if (!IsSerial(tokens[0], ++serial)) {
      return Fail(error, line,
                  msg::Say("the first field is not the serial %s", {std::to_string(serial)}));
    }
    on_record(serial, tokens);
  }
  return true;
}

// The escapes of the generators' quoted texts (texts.def, the PO catalogues).
#pragma once

#include <string>
#include <string_view>

// Appends body with its escapes \n, \t, \\ and \" replaced by the bytes they stand for;
// false at any other escape or a backslash at the end.
inline bool Unescape(std::string_view body, std::string* out) {
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] != '\\') {
      out->push_back(body[i]);
      continue;
    }
    if (++i == body.size()) return false;
    switch (body[i]) {
      case 'n': out->push_back('\n'); break;
      case 't': out->push_back('\t'); break;
      case '\\': out->push_back('\\'); break;
      case '"': out->push_back('"'); break;
      default: return false;
    }
  }
  return true;
}

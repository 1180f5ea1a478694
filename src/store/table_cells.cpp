#include "store/table_cells.h"

#include <algorithm>

#include "locale/charset.h"

namespace {

bool IsSpaceByte(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The ideographic space U+3000 in GB18030.
const std::string& IdeographicSpace() {
  static const std::string space = charset::Utf8ToGb("　");
  return space;
}

// The length of the GB18030 character at s[0, n): 1 for ASCII or a malformed byte.
std::size_t GbCharLength(std::string_view s) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  if (b(0) < 0x81 || b(0) == 0xFF || s.size() < 2) return 1;
  if (b(1) >= 0x40 && b(1) != 0x7F && b(1) != 0xFF) return 2;
  return s.size() >= 4 && b(1) >= 0x30 && b(1) <= 0x39 ? 4 : 1;
}

// text without blanks, line ends and ideographic spaces at either end.
std::string_view Trim(std::string_view text) {
  for (;;) {
    if (!text.empty() && IsSpaceByte(text.front())) {
      text.remove_prefix(1);
    } else if (text.starts_with(IdeographicSpace())) {
      text.remove_prefix(2);
    } else {
      break;
    }
  }
  while (!text.empty() && IsSpaceByte(text.back())) text.remove_suffix(1);
  const std::string_view space = IdeographicSpace();
  if (!text.ends_with(space)) return text;
  // Trailing A1 A1 is an ideographic space only where a character starts: walk to it.
  std::size_t last = 0;
  for (std::size_t i = 0; i < text.size(); i += GbCharLength(text.substr(i))) last = i;
  if (last + space.size() != text.size() || text.substr(last) != space) return text;
  return Trim(text.substr(0, last));
}

// The text of a quoted cell: the part in quotes, doubled quotes made one, and whatever
// stands between the closing quote and the separator.
void Unquote(std::string_view cell, std::string& out) {
  out.clear();
  std::size_t i = 1;
  for (; i < cell.size(); ++i) {
    if (cell[i] != '"') {
      out.push_back(cell[i]);
    } else if (i + 1 < cell.size() && cell[i + 1] == '"') {
      out.push_back('"');
      ++i;
    } else {
      ++i;
      break;
    }
  }
  out.append(cell.substr(std::min(i, cell.size())));
}

// text without the guard devmgr's CSV puts on it, or text itself.
std::string_view Unguard(std::string_view text, std::string& scratch) {
  if (text.size() >= 2 && text[0] == '\'' && std::string_view("=+-@").find(text[1]) != std::string_view::npos) {
    return text.substr(1);
  }
  if (text.size() < 3 || !text.starts_with("=\"") || !text.ends_with('"')) return text;
  std::string inner;
  Unquote(text.substr(1), inner);
  scratch = std::move(inner);
  return scratch;
}

// Appends text to out with every run of white space made one `_`.
void JoinWords(std::string_view text, std::string& out) {
  out.clear();
  bool in_space = false;
  for (char c : text) {
    if (!IsSpaceByte(c)) {
      out.push_back(c);
    } else if (!in_space) {
      out.push_back('_');
    }
    in_space = IsSpaceByte(c);
  }
}

}  // namespace

std::string_view CleanCell(const RawCell& cell, std::string& scratch, CellFixes& fixes) {
  std::string_view text = cell.text;
  if (IsPlainCell(cell)) return text;
  std::string unquoted;
  if (cell.quoted) {
    Unquote(text, unquoted);
    text = unquoted;
  }
  text = Unguard(Trim(text), scratch);
  const bool spaced = std::any_of(text.begin(), text.end(), IsSpaceByte);
  if (!spaced) {
    if (!cell.quoted || text.empty() || text.data() == scratch.data()) return text;
    scratch.assign(text);  // the unquoted text lives no longer than this call
    return scratch;
  }
  std::string joined;
  JoinWords(text, joined);
  scratch = std::move(joined);
  if (fixes.joined++ == 0) fixes.first_joined = scratch;
  return scratch;
}

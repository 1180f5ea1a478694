#include "store/table_cells.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "locale/charset.h"

namespace {

bool IsSpaceByte(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The ideographic space U+3000 in GB18030.
constexpr std::string_view kIdeographicSpace = "\xA1\xA1";

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
    } else if (text.starts_with(kIdeographicSpace)) {
      text.remove_prefix(2);
    } else {
      break;
    }
  }
  while (!text.empty() && IsSpaceByte(text.back())) text.remove_suffix(1);
  if (!text.ends_with(kIdeographicSpace)) return text;
  // Trailing A1 A1 is an ideographic space only where a character starts: walk to it.
  std::size_t last = 0;
  for (std::size_t i = 0; i < text.size(); i += GbCharLength(text.substr(i))) last = i;
  if (last + 2 != text.size() || text.substr(last) != kIdeographicSpace) return text;
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
  if (text.size() >= 2 && text[0] == '\'' && std::strchr("=+-@", text[1]) != nullptr) {
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

// The masks of the 64 bytes at p for a table split at separator.
// REQUIRES: p[0, 64) is readable.
BlockMasks Masks64(const char* p, char separator) {
  BlockMasks m;
#if defined(__SSE2__)
  const __m128i sep = _mm_set1_epi8(separator);
  const __m128i feed = _mm_set1_epi8('\n');
  const __m128i space = _mm_set1_epi8(' ');
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i four = _mm_set1_epi8(4);
  for (int i = 0; i < 4; ++i) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
    const __m128i off = _mm_sub_epi8(c, tab);  // 0..4 exactly for tab to CR
    const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(off, four), off);
    const __m128i blank = _mm_or_si128(control, _mm_cmpeq_epi8(c, space));
    const __m128i end = _mm_or_si128(_mm_cmpeq_epi8(c, sep), _mm_cmpeq_epi8(c, feed));
    const int shift = 16 * i;
    m.ends |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(end))) << shift;
    m.spaces |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(blank))) << shift;
  }
#else
  for (int i = 0; i < 64; ++i) {
    m.ends |= static_cast<uint64_t>(p[i] == separator || p[i] == '\n') << i;
    m.spaces |= static_cast<uint64_t>(IsSpaceByte(p[i])) << i;
  }
#endif
  m.spaces &= ~m.ends;
  return m;
}

}  // namespace

const BlockMasks& RowReader::MasksAt(const char* base) {
  if (base == block_) return masks_;
  block_ = base;
  if (end_ - base >= 64) {
    masks_ = Masks64(base, separator_);
  } else {  // the last block: its tail copied beside plain bytes
    char tail[64];
    std::memset(tail, 'x', sizeof tail);
    std::memcpy(tail, base, static_cast<std::size_t>(end_ - base));
    masks_ = Masks64(tail, separator_);
  }
  return masks_;
}

const char* RowReader::CellEnd(const char* from, bool& spaced) {
  spaced = false;
  const auto offset = static_cast<std::size_t>(from - begin_);
  for (const char* base = from - offset % 64; base < end_; base += 64) {
    const BlockMasks& m = MasksAt(base);
    const uint64_t after = from > base ? ~uint64_t{0} << (from - base) : ~uint64_t{0};
    const uint64_t ends = m.ends & after;
    if (ends != 0) {
      const int at = std::countr_zero(ends);
      spaced |= (m.spaces & after & ((uint64_t{1} << at) - 1)) != 0;
      return base + at;
    }
    spaced |= (m.spaces & after) != 0;
  }
  return end_;
}

const char* RowReader::QuotedEnd(const char* p) {
  for (++p; p < end_; ++p) {
    if (*p == '\n') ++line_;
    if (*p != '"') continue;
    if (p + 1 < end_ && p[1] == '"') {
      ++p;
    } else {
      return p + 1;
    }
  }
  return end_;
}

bool RowReader::Next(std::vector<RawCell>& cells, std::size_t& line) {
  cells.clear();
  if (p_ >= end_) return false;
  line = line_;
  for (const char* start = p_;;) {
    const bool quoted = *start == '"';
    bool spaced = false;
    const char* p = CellEnd(quoted ? QuotedEnd(start) : start, spaced);
    const char* cell_end = p;
    const bool row_ends = p == end_ || *p == '\n';
    if (row_ends && cell_end > start && cell_end[-1] == '\r') {
      --cell_end;  // a CR LF line end; a CR inside still counts
      spaced = spaced && std::find_if(start, cell_end, IsSpaceByte) != cell_end;
    }
    cells.push_back({{start, static_cast<std::size_t>(cell_end - start)}, quoted, spaced});
    p_ = p == end_ ? end_ : p + 1;
    if (row_ends) {
      line_ += p == end_ ? 0 : 1;
      return true;
    }
    if (p_ == end_) {  // a separator ends the file: one more empty cell
      cells.push_back({});
      return true;
    }
    start = p_;
  }
}

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

// Fuzz target: the converters between GB18030 and UTF-8.
//
// The first byte of an input says where to cut the rest in two; the rest is taken both as
// console output (GB18030 bytes) and as a typed token (UTF-8). Checked: the output shown
// is valid UTF-8, keeps every byte below '0' and does not depend on where the writes
// were cut; a valid UTF-8 token converts to GB18030 and back to itself (but for a few
// private-use characters) and keeps its bytes below '0'; the fast UTF-8
// check of import files agrees with a byte-by-byte one; a file taken for UTF-8 without a
// byte-order mark is UTF-8 text, one that is UTF-8 text but no GB18030 is taken, and with
// a byte-order mark put before it a file is taken exactly when it is valid UTF-8; with a
// UTF-16 mark put before it, exactly when it is whole UTF-16. A file converted from UTF-8
// or UTF-16 shows as its text again, and the room asked for after it is there. The fast
// converter of the CSV copies' cells gives what the streaming one gives for each cut piece,
// and the cell written for it reads back, by RFC 4180, as the text with at most its guard.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "locale/charset.h"
#include "locale/file_charset.h"
#include "locale/gb_cells.h"
#include "store/csv_cells.h"
#include "store/file_text.h"

namespace {

// Fails the run: a finding, not a bad input.
[[noreturn]] void Finding(const char* what) {
  std::fprintf(stderr, "charset_fuzz: %s\n", what);
  std::abort();
}

// The UTF-8 check without the eight-byte fast path: -1 invalid, 0 ASCII, 1 UTF-8 text.
int SlowUtf8(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  int non_ascii = 0;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = charset::Utf8Length(p + i, s.size() - i);
    if (n == 0) return -1;
    if (n > 1) non_ascii = 1;
    i += n;
  }
  return non_ascii;
}

// True when s holds a private-use character (U+E000..U+F8FF): glibc gives a few of them
// no GB18030 form, and those pass a typed token unchanged instead of converting back.
bool HasPrivateUse(std::string_view s) {
  for (std::size_t i = 0; i + 1 < s.size(); ++i) {
    const auto a = static_cast<unsigned char>(s[i]), b = static_cast<unsigned char>(s[i + 1]);
    if (a == 0xEE || (a == 0xEF && b >= 0x80 && b <= 0xA3)) return true;
  }
  return false;
}

// The same for UTF-16LE units.
bool HasPrivateUse16(std::string_view s) {
  for (std::size_t i = 1; i < s.size(); i += 2) {
    const auto high = static_cast<unsigned char>(s[i]);
    if (high >= 0xE0 && high <= 0xF8) return true;
  }
  return false;
}

// Bytes below '0': never part of a GB18030 or UTF-8 character, so each passes as itself.
std::size_t Controls(std::string_view s) {
  std::size_t n = 0;
  for (char c : s) n += static_cast<unsigned char>(c) < 0x30;
  return n;
}

std::string Show(std::string_view a, std::string_view b) {
  charset::GbToUtf8 converter;
  std::string out;
  converter.Convert(a, out);
  converter.Convert(b, out);
  converter.Finish(out);
  return out;
}

// The whole-file rule against the plain UTF-8 check; slow is SlowUtf8(text).
void CheckFileRule(std::string_view text, int slow) {
  const bool taken = charset::FileEncodingOf(text) == charset::FileEncoding::kUtf8;
  if (taken && !text.starts_with("\xEF\xBB\xBF") && slow != 1)
    Finding("a file without a byte-order mark was taken but is no UTF-8 text");
  if (slow == 1 && !charset::IsGb18030Text(text) && !taken)
    Finding("UTF-8 text that is no GB18030 was not taken");
  const std::string marked = "\xEF\xBB\xBF" + std::string(text);
  if (charset::FileEncodingOf(marked) != charset::FileEncoding::kUtf8)
    Finding("a byte-order mark did not decide for UTF-8");
}

// The UTF-16 check without its loop: -1 no whole UTF-16LE, else the number of units.
long SlowUtf16(std::string_view s) {
  if (s.size() % 2 != 0) return -1;
  const auto unit = [s](std::size_t i) { return (s[2 * i + 1] & 0xFF) << 8 | (s[2 * i] & 0xFF); };
  const std::size_t n = s.size() / 2;
  for (std::size_t i = 0; i < n; ++i) {
    const bool high = unit(i) >= 0xD800 && unit(i) < 0xDC00;
    if (unit(i) >= 0xDC00 && unit(i) < 0xE000) return -1;
    if (high && (i + 1 == n || unit(i + 1) < 0xDC00 || unit(i + 1) >= 0xE000)) return -1;
    i += high;
  }
  return static_cast<long>(n);
}

// What DecodeFileText makes of bytes, shown in charset (UTF-8 or UTF-16LE) again; the
// room after it is written to, so that a sanitizer sees a room too small.
std::string DecodedAndShown(std::string_view bytes, const char* shown_in,
                            std::string_view replacement, charset::FileEncoding* encoding) {
  FileBytes file{std::make_unique<char[]>(bytes.size() + 16), bytes.size()};
  std::memcpy(file.data.get(), bytes.data(), bytes.size());
  *encoding = DecodeFileText(file, 16).encoding;
  std::memset(file.data.get() + file.size, ' ', 16);
  charset::GbDecoder decoder(shown_in, replacement);
  std::string out;
  decoder.Convert({file.data.get(), file.size}, out);
  decoder.Finish(out);
  return out;
}

// The files' encodings: text as UTF-8 and after a UTF-16 mark; slow is SlowUtf8(text).
void CheckDecoding(std::string_view text, int slow) {
  charset::FileEncoding encoding;
  const std::string utf8 = DecodedAndShown(text, "UTF-8", "\xEF\xBF\xBD", &encoding);
  if (encoding == charset::FileEncoding::kUtf8 && slow >= 0 && !HasPrivateUse(text) &&
      utf8 != (text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text))
    Finding("a UTF-8 file did not convert back");
  if (slow < 0 && encoding == charset::FileEncoding::kUtf8 && !text.starts_with("\xEF\xBB\xBF"))
    Finding("invalid UTF-8 without a mark converted");
  const std::string marked = "\xFF\xFE" + std::string(text);
  const std::string utf16 = DecodedAndShown(marked, "UTF-16LE", "\xFD\xFF", &encoding);
  if (encoding != charset::FileEncoding::kUtf16Le) Finding("a UTF-16 mark did not decide");
  if (SlowUtf16(text) >= 0 && !HasPrivateUse16(text) && utf16 != text)
    Finding("a UTF-16 file did not convert back");
}

// The console of Windows: GB18030 shown as UTF-16 must not depend on where the writes
// were cut; UTF-16 read in two pieces must give what it gives read whole.
void CheckWideConsole(std::string_view text, std::size_t cut) {
  std::u16string whole, split;
  charset::GbToUtf16 a, b;
  a.Convert(text, whole);
  a.Finish(whole);
  b.Convert(text.substr(0, cut), split);
  b.Convert(text.substr(cut), split);
  b.Finish(split);
  if (whole != split) Finding("UTF-16 output depends on where the writes were cut");
  std::u16string units(text.size() / 2, u'\0');
  std::memcpy(units.data(), text.data(), units.size() * 2);
  const std::size_t unit_cut = std::min(cut / 2, units.size());
  std::string read_whole, read_split;
  charset::Utf16ToGb r1, r2;
  r1.Convert(units, read_whole);
  r2.Convert(std::u16string_view(units).substr(0, unit_cut), read_split);
  r2.Convert(std::u16string_view(units).substr(unit_cut), read_split);
  if (read_whole != read_split) Finding("UTF-16 input depends on where the reads were cut");
}

// The cells of the CSV copies: the fast conversion of each piece against Show, and the cell
// read back by RFC 4180 against the text: unquoted, "'" + text, or ="text".
void CheckCells(std::string_view a, std::string_view b) {
  static charset::GbCellDecoder decoder;
  for (std::string_view piece : {a, b}) {
    std::string utf8(charset::GbCellDecoder::kGrowth * piece.size(), '\0');
    utf8.resize(static_cast<std::size_t>(decoder.Convert(piece, utf8.data()) - utf8.data()));
    if (utf8 != Show(piece, {})) Finding("the cells' converter differs from the stream's");
    std::string cell;
    AppendCell(utf8, cell);
    std::string read;
    if (cell.starts_with('"')) {
      if (!cell.ends_with('"') || cell.size() < 2) Finding("a quoted cell is not closed");
      for (std::size_t i = 1; i + 1 < cell.size(); ++i) {
        if (cell[i] == '"' && cell[++i] != '"') Finding("a lone double quote in a quoted cell");
        read += cell[i];
      }
    } else {
      if (cell.find_first_of(",\"\r\n") != std::string::npos) Finding("an unquoted comma");
      read = cell;
    }
    std::string doubled;
    for (char c : utf8) doubled += c == '"' ? std::string("\"\"") : std::string(1, c);
    if (read != utf8 && read != "'" + utf8 && read != "=\"" + doubled + "\"")
      Finding("a cell does not read back as its text");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t cut = data[0] % (text.size() + 1);
  const std::string shown = Show(text.substr(0, cut), text.substr(cut));
  if (shown != Show(text, {})) Finding("output depends on where the writes were cut");
  if (SlowUtf8(shown) < 0) Finding("output is not valid UTF-8");
  if (Controls(shown) != Controls(text)) Finding("a blank, line feed or control byte was lost");

  const int slow = SlowUtf8(text);
  if (charset::IsUtf8Text(text) != (slow == 1)) Finding("fast and slow UTF-8 checks differ");
  const std::string typed = charset::Utf8ToGb(text);
  if (slow >= 0 && !HasPrivateUse(text) && Show(typed, {}) != text)
    Finding("a UTF-8 token did not convert back");
  if (Controls(typed) != Controls(text)) Finding("typing lost or gained a control byte");
  CheckFileRule(text, slow);
  CheckDecoding(text, slow);
  CheckWideConsole(text, cut);
  CheckCells(text.substr(0, cut), text.substr(cut));
  return 0;
}

#include "store/file_text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "locale/charset.h"
#include "locale/messages.h"
#include "store/load_records.h"

namespace {

using charset::FileEncoding;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// The encoding every file of the session is read in, when the user chose one.
std::optional<FileEncoding>& SessionEncoding() {
  static std::optional<FileEncoding> encoding;
  return encoding;
}

// U+FFFD as the program keeps it: its GB18030 form, or its UTF-8 form where the
// platform's GB18030 is GBK, which lacks it.
const std::string& Replacement() {
  static const std::string kept = [] {
    charset::Converter cd("GB18030", "UTF-8");
    const char* in = "\xEF\xBF\xBD";
    std::size_t in_left = 3, out_left = 8;
    char out[8];
    char* dst = out;
    return cd.Run(&in, &in_left, &dst, &out_left) == 0 ? std::string(out, dst)
                                                      : std::string("\xEF\xBF\xBD");
  }();
  return kept;
}

// Appends the UTF-8 form of the code point c to out.
void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x800) {
    out += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
  } else if (c < 0x10000) {
    out += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
            static_cast<char>(0x80 | (c & 0x3F))};
  } else {
    out += {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
            static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
  }
}

// What stands in the text for the source character at which the converter stopped.
struct Stop {
  std::size_t length;  // its bytes in the source
  bool replaced;       // it could not be read: U+FFFD stands for it
};

// The character of UTF-8 at in[0, left) that has no GB18030 form (kept as it is) or is
// no UTF-8 (one byte replaced); its text goes to kept.
Stop StopInUtf8(const char* in, std::size_t left, std::string& kept) {
  const std::size_t n = charset::Utf8Length(reinterpret_cast<const unsigned char*>(in), left);
  if (n == 0) {
    kept = Replacement();
    return {1, true};
  }
  kept.assign(in, n);
  return {n, false};
}

// The same for UTF-16LE: a surrogate without its pair is replaced, a lone last byte is
// taken as the blank or line end it is (`echo >>` after a UTF-16 file) or replaced.
Stop StopInUtf16(const char* in, std::size_t left, std::string& kept, bool& odd_end) {
  const auto byte = [in](std::size_t i) { return static_cast<unsigned char>(in[i]); };
  kept.clear();
  if (left == 1) {
    odd_end = byte(0) == '\n' || byte(0) == '\r' || byte(0) == ' ' || byte(0) == '\t';
    kept = odd_end ? std::string(1, in[0]) : Replacement();
    return {1, !odd_end};
  }
  const char32_t unit = byte(0) | byte(1) << 8;
  const bool high = unit >= 0xD800 && unit <= 0xDBFF;
  const char32_t next = left >= 4 ? byte(2) | byte(3) << 8 : 0;
  if (high && next >= 0xDC00 && next <= 0xDFFF) {
    AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00), kept);
    return {4, false};
  }
  if (unit >= 0xD800 && unit <= 0xDFFF) {
    kept = Replacement();
    return {2, true};
  }
  AppendUtf8(unit, kept);
  return {2, false};
}

// Makes sure file's buffer of capacity bytes has need bytes free after file.size.
void Reserve(FileBytes& file, std::size_t& capacity, std::size_t need) {
  if (capacity - file.size >= need) return;
  const std::size_t bigger =
      std::max(SizeSum(capacity, capacity / 2), SizeSum(file.size, need));
  auto data = std::make_unique_for_overwrite<char[]>(bigger);
  std::copy(file.data.get(), file.data.get() + file.size, data.get());
  file.data = std::move(data);
  capacity = bigger;
}

// Converts in[0, in_left) from the charset from (UTF-8 or UTF-16LE) to GB18030, into a new
// buffer with room bytes free after the content; counts what could not be read in decoded.
FileBytes ToGb18030(FileEncoding from, const char* in, std::size_t in_left, std::size_t room,
                    DecodedText& decoded) {
  // Chinese takes three bytes in UTF-8 and two in GB18030 or UTF-16; Latin may take more.
  std::size_t capacity = SizeSum(SizeSum(in_left, in_left / 8), SizeSum(room, 4));
  FileBytes gb{std::make_unique_for_overwrite<char[]>(capacity), 0};
  charset::Converter cd("GB18030", charset::EncodingName(from));
  std::string kept;
  while (in_left > 0) {
    Reserve(gb, capacity, room + 4);
    char* out = gb.data.get() + gb.size;
    std::size_t out_left = capacity - room - gb.size;
    const int error = cd.Run(&in, &in_left, &out, &out_left);
    gb.size = capacity - room - out_left;
    if (error == 0 || error == E2BIG) continue;
    const Stop stop = from == FileEncoding::kUtf8
                          ? StopInUtf8(in, in_left, kept)
                          : StopInUtf16(in, in_left, kept, decoded.odd_end);
    decoded.replaced += stop.replaced ? 1 : 0;
    Reserve(gb, capacity, room + kept.size());
    std::memcpy(gb.data.get() + gb.size, kept.data(), kept.size());
    gb.size += kept.size();
    in += stop.length;
    in_left -= stop.length;
  }
  return gb;
}

// The encoding bytes are read in by rule, unless the session chose one.
FileEncoding ChooseEncoding(std::string_view bytes, FileRule rule) {
  if (const std::optional<FileEncoding>& chosen = SessionEncoding()) {
    if (*chosen == FileEncoding::kUtf16Le && bytes.starts_with("\xFE\xFF")) {
      return FileEncoding::kUtf16Be;
    }
    return *chosen;
  }
  const FileEncoding weighed = charset::FileEncodingOf(bytes);
  if (rule == FileRule::kRecordShape && weighed == FileEncoding::kUtf8 && !bytes.starts_with(kBom) &&
      charset::FileEncodingOf(bytes, true) == FileEncoding::kGb18030 &&
      LooksLikeRecordFile(bytes)) {
    return FileEncoding::kGb18030;
  }
  return weighed;
}

// The length of the byte-order mark of encoding that bytes begin with, or 0.
std::size_t MarkLength(std::string_view bytes, FileEncoding encoding) {
  switch (encoding) {
    case FileEncoding::kUtf8:
      return bytes.starts_with(kBom) ? 3 : 0;
    case FileEncoding::kUtf16Le:
      return bytes.starts_with("\xFF\xFE") ? 2 : 0;
    case FileEncoding::kUtf16Be:
      return bytes.starts_with("\xFE\xFF") ? 2 : 0;
    case FileEncoding::kGb18030:
      break;
  }
  return 0;
}

}  // namespace

void SetInputEncoding(std::optional<FileEncoding> encoding) { SessionEncoding() = encoding; }

DecodedText DecodeFileText(FileBytes& file, std::size_t room, FileRule rule) {
  DecodedText decoded;
  const std::string_view bytes(file.data.get(), file.size);
  decoded.encoding = ChooseEncoding(bytes, rule);
  decoded.forced = SessionEncoding().has_value();
  if (decoded.encoding == FileEncoding::kGb18030) return decoded;
  char* const begin = file.data.get();
  const std::size_t mark = MarkLength(bytes, decoded.encoding);
  FileEncoding from = decoded.encoding;
  if (from == FileEncoding::kUtf16Be) {
    // Turned little-endian in place, so that one converter reads both.
    for (std::size_t i = mark; i + 1 < file.size; i += 2) std::swap(begin[i], begin[i + 1]);
    from = FileEncoding::kUtf16Le;
  }
  file = ToGb18030(from, begin + mark, file.size - mark, room, decoded);
  return decoded;
}

std::vector<std::string> DecodedNote(std::string_view name, const DecodedText& decoded) {
  std::vector<std::string> lines;
  if (decoded.encoding == FileEncoding::kGb18030) return lines;
  const std::string_view encoding = charset::EncodingName(decoded.encoding);
  lines.push_back(decoded.forced ? msg::Say("%s: read as %s text (--input-encoding), "
                                            "converted to GB18030", {name, encoding})
                                 : msg::Say("%s: %s text, converted to GB18030", {name, encoding}));
  if (decoded.replaced > 0) {
    lines.push_back(msg::Say("%1$s: %2$s character(s) could not be read as %3$s and became U+FFFD",
                             {name, std::to_string(decoded.replaced), encoding}));
  }
  if (decoded.odd_end) {
    lines.push_back(msg::Say("%s: its odd last byte was read as the blank or line end it is",
                             {name}));
  }
  return lines;
}

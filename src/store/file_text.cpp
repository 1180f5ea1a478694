#include "store/file_text.h"

#include <utility>
#include <vector>

#include "locale/charset.h"
#include "locale/messages.h"
#include "store/load_records.h"
#include "store/text_conversion.h"

namespace {

using charset::FileEncoding;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// The encoding every file of the session is read in, when the user chose one.
std::optional<FileEncoding>& SessionEncoding() {
  static std::optional<FileEncoding> encoding;
  return encoding;
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
  Unreadable unreadable;
  file = ToGb18030(from, begin + mark, file.size - mark, room, unreadable);
  decoded.replaced = unreadable.replaced;
  decoded.odd_end = unreadable.odd_end;
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

#include "store/file_text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "locale/charset.h"
#include "locale/messages.h"

namespace {

using charset::FileEncoding;

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

// Appends the UTF-8 form of the character that starts in[0, left) in the source charset
// (UTF-8 or UTF-16LE) to kept; returns its length in the source.
std::size_t KeepCharacter(FileEncoding from, const char* in, std::size_t left,
                          std::string& kept) {
  if (from == FileEncoding::kUtf8) {
    const std::size_t n = charset::Utf8Length(reinterpret_cast<const unsigned char*>(in), left);
    kept.assign(in, std::max<std::size_t>(n, 1));
    return kept.size();
  }
  const auto high = static_cast<unsigned char>(in[1]);
  std::size_t n = left >= 4 && high >= 0xD8 && high <= 0xDB ? 4 : std::min<std::size_t>(left, 2);
  static charset::Converter to_utf8("UTF-8", "UTF-16LE");
  char out[8];
  char* dst = out;
  std::size_t dst_left = sizeof out, src_left = n;
  kept = to_utf8.Run(&in, &src_left, &dst, &dst_left) == 0
             ? std::string(out, sizeof out - dst_left) : std::string("?");
  return n;
}

// Converts in[0, in_left) from the charset from (UTF-8 or UTF-16LE) to GB18030, into a new
// buffer with room bytes free after the content.
FileBytes ToGb18030(FileEncoding from, const char* in, std::size_t in_left, std::size_t room) {
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
    // No GB18030 form: the character goes through in UTF-8, as typed text does.
    const std::size_t n = KeepCharacter(from, in, in_left, kept);
    Reserve(gb, capacity, room + kept.size());
    std::memcpy(gb.data.get() + gb.size, kept.data(), kept.size());
    gb.size += kept.size();
    in += n;
    in_left -= n;
  }
  return gb;
}

}  // namespace

FileEncoding DecodeFileText(FileBytes& file, std::size_t room) {
  const FileEncoding encoding = charset::FileEncodingOf({file.data.get(), file.size});
  char* const begin = file.data.get();
  switch (encoding) {
    case FileEncoding::kGb18030:
      return encoding;
    case FileEncoding::kUtf8: {
      const bool marked = std::string_view(begin, file.size).starts_with("\xEF\xBB\xBF");
      const std::size_t bom = marked ? 3 : 0;
      file = ToGb18030(encoding, begin + bom, file.size - bom, room);
      return encoding;
    }
    case FileEncoding::kUtf16Be:
      // Turned little-endian in place, so that one converter reads both.
      for (std::size_t i = 2; i + 1 < file.size; i += 2) std::swap(begin[i], begin[i + 1]);
      break;
    case FileEncoding::kUtf16Le:
      break;
  }
  file = ToGb18030(FileEncoding::kUtf16Le, begin + 2, file.size - 2, room);
  return encoding;
}

std::string DecodedNote(std::string_view name, FileEncoding encoding) {
  if (encoding == FileEncoding::kGb18030) return {};
  return msg::Say("%s: %s text, converted to GB18030", {name, charset::EncodingName(encoding)});
}

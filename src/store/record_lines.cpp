#include "store/record_lines.h"

#include <algorithm>

#include "locale/messages.h"

namespace {

// A guess at the number of lines, from those of the first part, so that the records are
// reserved once without a pass over the whole file.
std::size_t EstimateLines(const char* bytes, std::size_t size) {
  const std::size_t sample = std::min<std::size_t>(size, 1 << 16);
  const auto feeds = static_cast<std::size_t>(std::count(bytes, bytes + sample, '\n'));
  if (sample == size || feeds == 0) return feeds + 1;
  return static_cast<std::size_t>(static_cast<double>(feeds) * static_cast<double>(size) /
                                  static_cast<double>(sample) * 1.05) +
         1;
}

// True when token is a decimal number, as the serial of a mistyped record line may be.
bool IsDecimal(std::string_view token) {
  return !token.empty() && token.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

// Why a line that SplitLine gave n for is not a record.
std::string LineReason(std::size_t n) {
  if (n == kWhiteInToken) return msg::Say("a field holds a control character (VT, FF or CR)");
  if (n == kTooMany) return msg::Say("more than eight fields, expected a serial and seven");
  return msg::Say("only %s fields, expected a serial and seven", {std::to_string(n)});
}

bool ParseRecordLines(const char* bytes, std::size_t size, DevList::Records& records,
                      LoadError* error) {
  const std::size_t first = records.size();
  TextStore& store = Texts();
  return WalkRecordLines(bytes, size, error, [&](std::size_t serial, std::string_view* tokens) {
    // Reserved once the file looks like a record file, not for an import file it is not.
    if (serial == 1) records.reserve(first + EstimateLines(bytes, size));
    device record;
    record.serial = static_cast<int>(records.size() + 1);
    for (std::size_t i = 0; i < 7; ++i) {
      record.*kDeviceFields[i] = store.Slice(tokens[i + 1].data(), tokens[i + 1].size());
    }
    records.push_back(record);
  });
}

bool LooksLikeRecordFile(std::string_view bytes) {
  std::size_t records = 0;
  const bool whole = WalkRecordLines(bytes.data(), bytes.size(), nullptr,
                                     [&](std::size_t, std::string_view*) { ++records; });
  return whole && records > 0;
}

LoadError NearRecordFault(std::string_view bytes) {
  const char* const end = bytes.data() + bytes.size();
  std::size_t records = 0, others = 0;
  for (const char* p = bytes.data(); p < end;) {
    const char* eol = p;
    while (eol < end && *eol != '\n' && *eol != '\r') ++eol;
    std::string_view tokens[8];
    const std::size_t n = SplitLine(p, eol, tokens);
    p = eol + 1;
    if (n == 0) continue;
    ++(n == 8 && IsDecimal(tokens[0]) ? records : others);
    if (others >= 16 && others > 4 * records) return {};  // plainly no record file
  }
  LoadError fault;
  if (records > others) WalkRecordLines(bytes.data(), bytes.size(), &fault, [](auto, auto) {});
  return fault;
}

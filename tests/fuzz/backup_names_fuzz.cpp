// Fuzz target: the names found beside dev.out, as the choice of the next numbered backup
// meets them. Each line of the input is the rest of a name after "dev.out", its first byte
// saying whether the file is the user's own (odd) or another's. Checks: a suffix that is a
// number gives back the name devmgr would make for it; the next number is past every own
// number and past its predecessor's reach, never 0, and one more than a number found (or 1).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "files/backup.h"

namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "broken: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<NumberedBackup> found;
  while (!input.empty()) {
    const std::size_t end = input.find('\n');
    std::string_view line = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    if (line.empty()) continue;
    const bool own = (static_cast<unsigned char>(line[0]) & 1) != 0;
    line.remove_prefix(1);
    const int number = BackupNumber(line);
    Check(number >= 0 && number <= 999999999, "a number out of range");
    if (number == 0) continue;
    Check(NumberedBackupPath("dev.out", number) == "dev.out" + std::string(line),
          "a number that is not the name devmgr makes");
    found.push_back({number, own});
  }
  const long long next = NextBackupNumber(found);
  bool follows = next == 1;
  for (const NumberedBackup& backup : found) {
    Check(!backup.own || backup.number < next, "an own number at or past the next");
    follows = follows || backup.number == next - 1;
  }
  Check(follows, "the next number follows none found");
  return 0;
}

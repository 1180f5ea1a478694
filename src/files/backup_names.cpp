// The names of backups and the choice of the next number, the same on every platform (see
// backup.h).
#include <algorithm>

#include "files/backup.h"

namespace {

// The most digits a backup number may have.
constexpr std::size_t kMaxDigits = 9;

// How far past the highest number counted so far another user's backup may lie and still
// continue the sequence: gaps that deleting old backups leaves, but not a planted far-off
// number.
constexpr int kReach = 100;

}  // namespace

std::string BackupPath(const std::string& path) { return path + "~"; }

std::string NumberedBackupPath(const std::string& path, int number) {
  return path + ".~" + std::to_string(number) + "~";
}

int BackupNumber(std::string_view suffix) {
  if (suffix.size() < 4 || !suffix.starts_with(".~") || !suffix.ends_with("~")) return 0;
  const std::string_view digits = suffix.substr(2, suffix.size() - 3);
  if (digits.size() > kMaxDigits || digits[0] == '0') return 0;
  int number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return 0;
    number = number * 10 + (c - '0');
  }
  return number;
}

int NextBackupNumber(std::vector<NumberedBackup> found) {
  std::sort(found.begin(), found.end(),
            [](const NumberedBackup& a, const NumberedBackup& b) { return a.number < b.number; });
  int highest = 0;
  for (const NumberedBackup& backup : found) {
    if (backup.own) highest = std::max(highest, backup.number);
  }
  for (const NumberedBackup& backup : found) {
    if (backup.number > highest && backup.number - highest <= kReach) highest = backup.number;
  }
  return highest + 1;
}

// The rule of keeping backups, written once for every platform (see backup.h); the
// platform files give it links, copies and directory listings.
#include "files/backup.h"

#include "locale/messages.h"

namespace {

// The most digits a backup number may have, and so the largest number a backup takes.
constexpr std::size_t kMaxDigits = 9;
constexpr int kMaxNumber = 999999999;

// How many numbers are tried after the highest present, when others take them meanwhile.
constexpr int kTries = 100;

// Keeps the file at from under the next free numbered name of path (see KeepUnder for
// link); *kept_as gets the name. False with a reason.
bool KeepNumbered(const std::string& path, const std::string& from, bool link, std::string* kept_as,
                  std::string* reason) {
  int number = HighestBackupNumber(path);
  for (int tries = 0; tries < kTries && number < kMaxNumber; ++tries) {
    *kept_as = NumberedBackupPath(path, ++number);
    const Kept kept = KeepUnder(from, link, *kept_as, BackupPath(path), reason);
    if (kept != Kept::kTaken) return kept == Kept::kDone;
  }
  *reason = msg::Say("%s: no free number for a numbered backup", {path});
  return false;
}

// Why the backup of the file at path must be left as it is, or empty when it may be
// replaced; an old backup worth keeping is first kept under a numbered name.
std::string KeepOldBackup(const std::string& path, const std::string& backup) {
  const FileLook old = LookAtFile(backup);
  if (!old.fixed.empty() || !old.holds_bytes || SameBytes(path, backup)) return old.fixed;
  std::string kept_as;
  std::string why;
  if (KeepNumbered(path, backup, true, &kept_as, &why)) return "";
  return msg::Say("%1$s is not replaced, since it could not be kept under a numbered name (%2$s)",
                  {backup, why});
}

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

bool KeepBackup(const std::string& path, std::string* reason) {
  const std::string backup = BackupPath(path);
  std::string fixed = KeepOldBackup(path, backup);
  if (fixed.empty()) {
    const Kept kept = ReplaceBackup(path, backup, &fixed);
    if (kept == Kept::kDone) return true;
    if (kept != Kept::kNotReplaced) return *reason = fixed, false;
  }
  if (!LookAtFile(path).holds_bytes) return true;
  std::string kept_as;
  std::string why;
  if (!KeepNumbered(path, path, false, &kept_as, &why)) {
    *reason = msg::Say("%1$s; nor could a numbered backup be made: %2$s", {fixed, why});
    return false;
  }
  *reason = msg::Say("%1$s; the previous %2$s is kept as %3$s instead", {fixed, path, kept_as});
  return true;
}

bool KeepNumberedBackup(const std::string& path, std::string* kept_as, std::string* reason) {
  return KeepNumbered(path, path, false, kept_as, reason);
}

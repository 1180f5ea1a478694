#include "store/file_writer.h"

#include <fcntl.h>
#include <io.h>

#include <cstring>

#include "store/backup.h"
#include "store/file_identity_win.h"
#include "store/temp_cleanup.h"
#include "store/messages.h"

namespace {

// Attributes the new file takes over from the old one; read-only files are refused.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Bytes of text-mode output written at a time.
constexpr std::size_t kStage = 1 << 16;

// Copies the front of *text into out[0, room) with every "\n" as "\r\n", until the text
// ends or out is full, and drops what was copied from *text; returns the bytes produced.
// A line end that finds only one byte of room waits for the next call. REQUIRES: room >= 2.
std::size_t TranslateLineEnds(std::string_view* text, char* out, std::size_t room) {
  std::size_t made = 0;
  while (!text->empty() && made < room) {
    const std::string_view window = text->substr(0, room - made);
    const std::size_t end = window.find('\n');
    const std::size_t take = end == std::string_view::npos ? window.size() : end;
    std::memcpy(out + made, window.data(), take);
    made += take;
    text->remove_prefix(take);
    if (end == std::string_view::npos) continue;
    if (room - made < 2) break;
    out[made++] = '\r';
    out[made++] = '\n';
    text->remove_prefix(1);
  }
  return made;
}

// Writes all of bytes to the CRT descriptor fd; false when a write fails or stalls.
bool WriteAll(int fd, const char* bytes, std::size_t size) {
  while (size > 0) {
    const int n = _write(fd, bytes, static_cast<unsigned>(size));
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter() : target_(std::make_unique<SaveTarget>()) {}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

WriteResult AtomicFileWriter::Open(const std::string& target, const WriteOptions& options) {
  options_ = options;
  *target_ = SaveTarget();
  std::string why;
  if (!ResolveTarget(target, target_.get(), &why)) {
    Refuse(why);
    return WriteResult::kOpenFailed;
  }
  SweepStaleTemporaries(target_->path);
  if (!(why = RefusalReason(*target_)).empty()) {
    Refuse(why);
    return WriteResult::kOpenFailed;
  }
  if (!CreateTemporary()) return WriteResult::kOpenFailed;
  capacity_ = kBlock;
  buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);
  used_ = 0;
  failed_ = false;
  written_ = synced_ = 0;
  return WriteResult::kOk;
}

// Creates the temporary exclusively, with the old file's attributes, shared for deletion
// only: the console control handler may delete it while it is open.
bool AtomicFileWriter::CreateTemporary() {
  const std::string prefix = TemporaryPrefix(target_->path);
  const DWORD attributes =
      target_->exists ? (target_->attributes & kKeptAttributes) | FILE_ATTRIBUTE_NORMAL
                      : FILE_ATTRIBUTE_NORMAL;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_ = prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
    slot_ = ArmTempCleanup(temp_.c_str());
    const HANDLE h = CreateFileW(WideName(temp_).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE,
                                 nullptr, CREATE_NEW, attributes, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
      if (fd_ >= 0) return true;
      CloseHandle(h);
      DeleteFileW(WideName(temp_).c_str());
      Refuse(temp_ + ": cannot create the temporary file: too many open files");
      Disarm();
      break;
    }
    const DWORD error = GetLastError();
    Disarm();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      Refuse(temp_ + ": cannot create the temporary file: " + SystemReason(error));
      break;
    }
  }
  temp_.clear();
  return false;
}

// Writes the buffer out as a text file: each line ends in "\r\n" on disk.
void AtomicFileWriter::FlushBuffer() {
  std::string_view text(buffer_.get(), used_);
  char staged[kStage];
  while (!text.empty() && !failed_) {
    const std::size_t n = TranslateLineEnds(&text, staged, sizeof staged);
    if (!WriteAll(fd_, staged, n)) failed_ = true;
    written_ += n;
  }
  used_ = 0;
}

WriteResult AtomicFileWriter::Commit() {
  if (fd_ < 0) return WriteResult::kOpenFailed;
  FlushBuffer();
  if (!FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(fd_)))) failed_ = true;
  if (_close(fd_) != 0) failed_ = true;
  fd_ = -1;
  std::string why;
  if (!failed_ && options_.keep_backup && target_->exists) {
    failed_ = !KeepBackup(target_->path, &why);
    if (!why.empty()) Refuse(why);  // the refusal, or the note on where the backup went
  }
  if (!failed_ && !MoveReplacing(WideName(temp_), WideName(target_->path))) {
    failed_ = true;
    const std::string reason =
        msg::Say("%s: cannot replace: %s", {target_->path, SystemReason(GetLastError())});
    const DWORD now = GetFileAttributesW(WideName(target_->path).c_str());
    if (now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      Refuse(reason);
      Discard();
      return WriteResult::kOpenFailed;  // a directory took the file's place meanwhile
    }
  }
  if (failed_) {
    Discard();
    return WriteResult::kWriteFailed;
  }
  temp_.clear();
  Disarm();
  return WriteResult::kOk;
}

void AtomicFileWriter::Discard() {
  if (fd_ >= 0) {
    _close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    DeleteFileW(WideName(temp_).c_str());
    temp_.clear();
    Disarm();
  }
}

#include "files/file_writer.h"

#include <fcntl.h>
#include <io.h>

#include <cstring>

#include "files/backup.h"
#include "files/file_identity_win.h"
#include "locale/messages.h"
#include "files/temp_cleanup.h"

namespace {

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

// Writes all of bytes to h; false with GetLastError() telling why when a write fails or stalls.
bool WriteAll(HANDLE h, const char* bytes, std::size_t size) {
  while (size > 0) {
    DWORD n = 0;
    if (!WriteFile(h, bytes, static_cast<DWORD>(size), &n, nullptr)) return false;
    if (n == 0) return SetLastError(ERROR_HANDLE_DISK_FULL), false;
    bytes += n;
    size -= n;
  }
  return true;
}

// Whether error says that a name to create is taken.
bool Taken(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

// Whether a directory has the name path now.
bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WideName(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The Win32 handle under the C runtime's descriptor fd.
HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

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

// Creates the temporary exclusively, with the old file's protection, shared for deletion
// only: the console control handler may delete it while it is open.
bool AtomicFileWriter::CreateTemporary() {
  const Protection protection = ReadProtection(*target_);
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < 100 && Taken(error); ++attempt) {
    temp_ = TemporaryName(target_->path, attempt);
    const std::wstring wide = WideName(temp_);
    slot_ = ArmTempCleanup(temp_.c_str());
    const HANDLE h = CreateProtected(wide, protection);
    error = h == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_TOO_MANY_OPEN_FILES;
    if (h != INVALID_HANDLE_VALUE) {
      CopyCompressionAndStreams(h, wide, protection);
      fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
      if (fd_ >= 0) return true;
      DeleteByHandle(h);  // no descriptor left for it
      CloseHandle(h);
    }
    Disarm();
  }
  Refuse(Taken(error) ? msg::Say("%s: no free name for a temporary file beside it", {target_->path})
                      : msg::Say("%s: cannot create a temporary file beside it: %s",
                                 {target_->path, SystemReason(error)}));
  temp_.clear();
  return false;
}

// Writes the buffer out as a text file: each line ends in "\r\n" on disk (raw: as given).
void AtomicFileWriter::FlushBuffer() {
  std::string_view text(buffer_.get(), used_);
  char staged[kStage];
  while (!text.empty() && !failed_) {
    const std::size_t n =
        options_.raw ? text.size() : TranslateLineEnds(&text, staged, sizeof staged);
    if (!WriteAll(HandleOf(fd_), options_.raw ? text.data() : staged, n)) {
      failed_ = true;
      Refuse(msg::Say("%s: cannot write: %s", {target_->path, SystemReason(GetLastError())}));
    }
    if (options_.raw) text = {};
    written_ += n;
  }
  used_ = 0;
}

// Flushes the content to the disk, keeps the backup if asked, and renames the temporary over
// the target by its handle; the handle is closed last, so that no other program can take the
// temporary's name in between.
WriteResult AtomicFileWriter::Commit() {
  if (fd_ < 0) return WriteResult::kOpenFailed;
  FlushBuffer();
  const HANDLE h = HandleOf(fd_);
  if (!failed_ && options_.durable && !FlushFileBuffers(h)) {
    failed_ = true;
    Refuse(msg::Say("%s: cannot write: %s", {target_->path, SystemReason(GetLastError())}));
  }
  std::string why;
  if (!failed_ && options_.keep_backup && target_->exists) {
    failed_ = !KeepBackup(target_->path, &why);
    if (!why.empty()) Refuse(why);  // the refusal, or the note on where the backup went
  }
  if (!failed_ && !ReplaceByHandle(h, WideName(target_->path), options_.wait_if_held)) {
    Refuse(msg::Say("%s: cannot put the new file in its place: %s",
                    {target_->path, SystemReason(GetLastError())}));
    Discard();
    // A directory that took the file's place meanwhile is refused as at the open.
    return IsDirectory(target_->path) ? WriteResult::kOpenFailed : WriteResult::kWriteFailed;
  }
  if (failed_) {
    Discard();
    return WriteResult::kWriteFailed;
  }
  _close(fd_);
  fd_ = -1;
  temp_.clear();
  Disarm();
  return WriteResult::kOk;
}

// Deletes the temporary through its own handle where it can (its descriptor, the old file's,
// may not grant this user the deletion by name), else by name.
void AtomicFileWriter::Discard() {
  bool deleted = false;
  if (fd_ >= 0) {
    deleted = DeleteByHandle(HandleOf(fd_));
    _close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    if (!deleted) DeleteFileW(WideName(temp_).c_str());
    temp_.clear();
    Disarm();
  }
}

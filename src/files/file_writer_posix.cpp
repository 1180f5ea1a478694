#include "files/file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "files/backup.h"
#include "files/file_identity.h"
#include "locale/messages.h"
#include "files/temp_cleanup.h"

namespace {

// Makes the rename itself durable. Failure here is not worth failing the save for:
// the file's content is already on disk.
void SyncDirectory(const std::string& dir) {
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
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
  if (!target_->in_place) {
    // A killed save may have left a temporary that is a second link of the file: its
    // links are counted once that is gone.
    SweepStaleTemporaries(target_->path);
    target_->exists = ReadTargetStatus(target_.get());
  }
  if (!(why = RefusalReason(*target_)).empty()) {
    Refuse(why);
    return WriteResult::kOpenFailed;
  }
  if (target_->in_place) {
    if (!OpenInPlace()) return WriteResult::kOpenFailed;
  } else {
    if (!CreateTemporary()) return WriteResult::kOpenFailed;
    const std::string note = CopyIdentity(fd_, *target_);
    if (!note.empty()) Refuse(note);  // not a refusal: the save goes on, the note is shown
  }
  capacity_ = kBlock;
  buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);
  used_ = 0;
  failed_ = false;
  written_ = synced_ = 0;
  return WriteResult::kOk;
}

// A FIFO or a character device is written as any program writes text to it: opened for
// writing, no temporary, no rename, no backup. The open does not wait for a FIFO's reader:
// with none, the save is refused at once rather than hang the session. The file opened
// must still be the one checked, and not planted by another user meanwhile.
bool AtomicFileWriter::OpenInPlace() {
  const std::string& path = target_->path;
  fd_ = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
  if (fd_ < 0) {
    Refuse(errno == ENXIO
               ? msg::Say("%s: a FIFO that no process reads; not written", {path})
               : msg::Say("%s: cannot open for writing: %s", {path, msg::SystemError(errno)}));
    return false;
  }
  struct stat st;
  if (::fstat(fd_, &st) != 0 || st.st_ino != target_->inode || st.st_dev != target_->device ||
      IsPlanted(path, st.st_uid)) {
    Refuse(msg::Say("%s: replaced by another file while it was opened; not written", {path}));
    Discard();
    return false;
  }
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);  // the reader sets the pace
  return true;
}

// The temporary is never more open than the file it becomes, not even before CopyIdentity:
// in place of an old file it is created with no more than the old owner's read and write
// bits (CopyIdentity then gives it what it may have), a new file with 0666; both less the
// umask.
bool AtomicFileWriter::CreateTemporary() {
  const std::string prefix = TemporaryPrefix(target_->path);
  const mode_t mode = target_->exists ? target_->mode & 0600 : 0666;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_ = prefix + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    slot_ = ArmTempCleanup(temp_.c_str());
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd_ >= 0) return true;
    const int error = errno;
    Disarm();
    if (error != EEXIST) {
      Refuse(msg::Say("%s: cannot create a temporary file beside it: %s",
                      {target_->path, msg::SystemError(error)}));
      temp_.clear();
      return false;
    }
  }
  Refuse(msg::Say("%s: no free name for a temporary file beside it", {target_->path}));
  temp_.clear();
  return false;
}

void AtomicFileWriter::FlushBuffer() {
  const char* p = buffer_.get();
  std::size_t left = used_;
  while (left > 0 && !failed_) {
    ssize_t n = ::write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : ENOSPC;  // no progress and no reason: the disk is full
      Refuse(msg::Say("%s: cannot write: %s", {target_->path, msg::SystemError(error)}));
      failed_ = true;
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
    written_ += static_cast<std::size_t>(n);
  }
  used_ = 0;
  StartWriteback();
}

// Starts writing back what is written so far, so that the final fsync of a large file
// waits for the last stretch only. Only where the system has sync_file_range.
void AtomicFileWriter::StartWriteback() {
#ifdef SYNC_FILE_RANGE_WRITE
  if (!failed_ && !target_->in_place && options_.durable &&
      written_ - synced_ >= kWritebackChunk) {
    ::sync_file_range(fd_, static_cast<off_t>(synced_), static_cast<off_t>(written_ - synced_),
                      SYNC_FILE_RANGE_WRITE);
    synced_ = written_;
  }
#endif
}

WriteResult AtomicFileWriter::Commit() {
  if (fd_ < 0) return WriteResult::kOpenFailed;
  FlushBuffer();
  const std::string& path = target_->path;
  // The first failure is the one whose reason is shown.
  const auto fail = [this](const std::string& why) {
    if (!failed_) Refuse(why);
    failed_ = true;
  };
  const bool synced = target_->in_place || !options_.durable || ::fsync(fd_) == 0;
  if (!synced) fail(msg::Say("%s: cannot write: %s", {path, msg::SystemError(errno)}));
  if (::close(fd_) != 0) fail(msg::Say("%s: cannot write: %s", {path, msg::SystemError(errno)}));
  fd_ = -1;
  if (target_->in_place) return failed_ ? WriteResult::kWriteFailed : WriteResult::kOk;
  std::string why;
  if (!failed_ && options_.keep_backup && target_->exists && target_->regular) {
    if (!KeepBackup(path, &why)) {
      fail(why);
    } else if (!why.empty()) {
      Refuse(why);  // the note on where the backup went
    }
  }
  if (!failed_ && ::rename(temp_.c_str(), path.c_str()) != 0) {
    const int error = errno;
    fail(msg::Say("%s: cannot put the new file in its place: %s", {path, msg::SystemError(error)}));
    if (error == EISDIR) {
      Discard();
      return WriteResult::kOpenFailed;
    }
  }
  if (failed_) {
    Discard();
    return WriteResult::kWriteFailed;
  }
  temp_.clear();
  Disarm();
  if (options_.durable) SyncDirectory(DirectoryOf(path));
  return WriteResult::kOk;
}

void AtomicFileWriter::Discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
    Disarm();
  }
}

#include "store/file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Makes the rename itself durable. Failure here is not worth failing the save for:
// the file's content is already on disk.
void SyncDirectory(const std::string& dir) {
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

WriteResult AtomicFileWriter::Open(const std::string& target) {
  struct stat st;
  if (::lstat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return WriteResult::kOpenFailed;
  target_ = target;
  const std::size_t slash = target.rfind('/');
  const std::string prefix = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_ = prefix + "." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
            std::to_string(attempt);
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd_ >= 0) break;
    if (errno != EEXIST) break;
  }
  if (fd_ < 0) {
    temp_.clear();
    return WriteResult::kOpenFailed;
  }
  capacity_ = kBlock;
  buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);
  used_ = 0;
  failed_ = false;
  written_ = synced_ = 0;
  return WriteResult::kOk;
}

void AtomicFileWriter::Append(std::string_view bytes) {
  char* at = Reserve(bytes.size());
  std::memcpy(at, bytes.data(), bytes.size());
  Advance(at + bytes.size());
}

void AtomicFileWriter::MakeRoom(std::size_t n) {
  FlushBuffer();
  if (n > capacity_) {
    capacity_ = n;
    buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);
  }
}

void AtomicFileWriter::FlushBuffer() {
  const char* p = buffer_.get();
  std::size_t left = used_;
  while (left > 0 && !failed_) {
    ssize_t n = ::write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed_ = true;
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
    written_ += static_cast<std::size_t>(n);
  }
  used_ = 0;
  // Start writing back what is written so far, so that the final fsync of a large file
  // waits for the last stretch only.
  if (!failed_ && written_ - synced_ >= kWritebackChunk) {
    ::sync_file_range(fd_, static_cast<off_t>(synced_), static_cast<off_t>(written_ - synced_),
                      SYNC_FILE_RANGE_WRITE);
    synced_ = written_;
  }
}

WriteResult AtomicFileWriter::Commit() {
  if (fd_ < 0) return WriteResult::kOpenFailed;
  FlushBuffer();
  if (::fsync(fd_) != 0) failed_ = true;
  if (::close(fd_) != 0) failed_ = true;
  fd_ = -1;
  if (!failed_ && ::rename(temp_.c_str(), target_.c_str()) != 0) {
    failed_ = true;
    if (errno == EISDIR) {
      Discard();
      return WriteResult::kOpenFailed;
    }
  }
  if (failed_) {
    Discard();
    return WriteResult::kWriteFailed;
  }
  temp_.clear();
  SyncDirectory(DirectoryOf(target_));
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
  }
}

WriteResult WriteFileAtomically(const std::string& target, std::string_view bytes) {
  AtomicFileWriter writer;
  WriteResult opened = writer.Open(target);
  if (opened != WriteResult::kOk) return opened;
  writer.Append(bytes);
  return writer.Commit();
}

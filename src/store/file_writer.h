// Replacing a file whole and safely: write a temporary file beside it, flush it to
// stable storage, rename it over the target. A crash or a full disk never leaves a
// truncated target; the target keeps its old content until the rename.
#pragma once

#include <memory>
#include <string>
#include <string_view>

// How a write ended; the console maps each outcome to its message.
enum class WriteResult {
  kOk,
  kOpenFailed,   // the temporary file could not be created, or the target is no file
  kWriteFailed,  // a write, the flush, the close or the rename failed
};

// Writes one file through a temporary. Usage: Open, Append as often as needed, Commit.
// A writer destroyed without a successful Commit removes its temporary file.
class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
  ~AtomicFileWriter();

  // Creates the temporary file for target (exclusively, never following a link).
  WriteResult Open(const std::string& target);

  // Buffers bytes, writing them out in large blocks. Errors surface at Commit.
  void Append(std::string_view bytes);

  // Room for n more bytes at the end of the buffer, to format into directly; Advance then
  // says how far the formatting got. Full blocks are written out on the way.
  char* Reserve(std::size_t n) {
    if (capacity_ - used_ < n) MakeRoom(n);
    return buffer_.get() + used_;
  }
  void Advance(char* end) { used_ = static_cast<std::size_t>(end - buffer_.get()); }

  // Writes what is buffered, syncs, closes and renames over the target.
  WriteResult Commit();

 private:
  static constexpr std::size_t kBlock = 1 << 20;
  static constexpr std::size_t kWritebackChunk = 8 << 20;

  void FlushBuffer();
  void MakeRoom(std::size_t n);
  void Discard();

  std::string target_;
  std::string temp_;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
  int fd_ = -1;
  bool failed_ = false;
  std::size_t written_ = 0;  // bytes written to the temporary file
  std::size_t synced_ = 0;   // bytes whose write-back has been started
};

// Writes bytes as the whole new content of target.
WriteResult WriteFileAtomically(const std::string& target, std::string_view bytes);

// Replacing a file whole and safely: write a temporary file beside it, flush it to
// stable storage, rename it over the target. A crash or a full disk never leaves a
// truncated target; the target keeps its old content until the rename.
//
// The file keeps its identity: a symbolic link is followed and stays a link (the file it
// points to is replaced; a link another user planted in a shared sticky directory is not
// followed, nor one of another user in a folder others may write that points to a file its
// owner may not write), the old file's protection carries over to the temporary before a
// byte is written (on POSIX systems the permission bits, the group, the ACL and, where
// permitted, the owner; when the owner cannot be kept the new file is the user's with never
// more access than the old one gave, and a note says so; on Windows the DACL, the owner
// where permitted, the attributes, encryption, compression and named streams), and a file
// with other hard links or one the user may not write is not replaced at all. The temporary
// is created no more open than the file it becomes. A FIFO or a character device is written in place, as to any program's output.
// Another program reading the file does not stop a save where the system can replace a file
// that is open; where it cannot (Windows without POSIX-semantics renames, or a program that
// holds the file without delete sharing) the save waits about five seconds for it to let go.
// Every refusal and every failure gives its reason. Temporary files of this machine's killed
// runs beside the target are swept away (another PC's on a shared folder are left alone), and
// SIGINT, SIGTERM or SIGHUP (on Windows, Ctrl+C and the closing of the console) during a save
// remove its temporary file before they end the process.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// The file a save replaces, as the platform knows it (see the platform's file identity code).
struct SaveTarget;

// How a write ended; the console maps each outcome to its message.
enum class WriteResult {
  kOk,
  kOpenFailed,   // the temporary file could not be created, or the target is refused:
                 // a directory, a socket or block device, a file with several hard links,
                 // not writable for the user, a link that may not be followed
  kWriteFailed,  // a write, the flush, the close or the rename failed
};

// How to write: whether to keep the old content as a backup, and where to put the reason
// for a refusal or a failure (one line, from the message catalogue), if anywhere. A file that
// is only a view of another (a spreadsheet's copy) is written raw and does not wait.
struct WriteOptions {
  bool keep_backup = false;  // keep an existing target as "<target>~" before replacing it,
                             // by the rule of backup.h
  std::string* reason = nullptr;
  bool raw = false;           // the bytes as given: on Windows "\n" is not written as "\r\n"
  bool wait_if_held = true;   // wait about five seconds for a program that holds the target
  bool durable = true;        // on the disk before the rename, not only in the system's cache
};

// Writes one file through a temporary. Usage: Open, Append as often as needed, Commit.
// A writer destroyed without a successful Commit removes its temporary file.
class AtomicFileWriter {
 public:
  AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
  ~AtomicFileWriter();

  // Resolves target's links, checks that it may be replaced, and creates the temporary
  // file beside the resolved file (exclusively, never following a link), with the old
  // file's mode and owner before any byte is written.
  WriteResult Open(const std::string& target, const WriteOptions& options = {});

  // Buffers bytes, writing them out in large blocks. Errors surface at Commit.
  void Append(std::string_view bytes);

  // Room for n more bytes at the end of the buffer, to format into directly; Advance then
  // says how far the formatting got. Full blocks are written out on the way.
  char* Reserve(std::size_t n) {
    if (capacity_ - used_ < n) MakeRoom(n);
    return buffer_.get() + used_;
  }
  void Advance(char* end) { used_ = static_cast<std::size_t>(end - buffer_.get()); }

  // Writes what is buffered, syncs, closes, keeps the backup if asked, and renames over
  // the target.
  WriteResult Commit();

 private:
  static constexpr std::size_t kBlock = 1 << 20;
  static constexpr std::size_t kWritebackChunk = 8 << 20;

  bool OpenInPlace();
  bool CreateTemporary();
  void Refuse(const std::string& why);
  void Disarm();
  void FlushBuffer();
  void StartWriteback();
  void MakeRoom(std::size_t n);
  void Discard();

  std::unique_ptr<SaveTarget> target_;
  WriteOptions options_;
  std::string temp_;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
  int fd_ = -1;
  bool failed_ = false;
  int slot_ = -1;            // the signal handlers' slot for temp_, if any
  std::size_t written_ = 0;  // bytes written to the temporary file
  std::size_t synced_ = 0;   // bytes whose write-back has been started
};

// Writes bytes as the whole new content of target.
WriteResult WriteFileAtomically(const std::string& target, std::string_view bytes,
                                const WriteOptions& options = {});

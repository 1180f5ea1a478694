// The parts of the file writer that every platform shares: buffering and the outcome.
#include "files/file_writer.h"

#include <cstring>

#include "files/temp_cleanup.h"

void AtomicFileWriter::Disarm() {
  DisarmTempCleanup(slot_);
  slot_ = -1;
}

void AtomicFileWriter::Refuse(const std::string& why) {
  if (options_.reason != nullptr) *options_.reason = why;
}

void AtomicFileWriter::Append(std::string_view bytes) {
  if (bytes.empty()) return;  // an empty view may hold no pointer at all
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

WriteResult WriteFileAtomically(const std::string& target, std::string_view bytes,
                                const WriteOptions& options) {
  AtomicFileWriter writer;
  WriteResult opened = writer.Open(target, options);
  if (opened != WriteResult::kOk) return opened;
  writer.Append(bytes);
  return writer.Commit();
}

#include "model/text.h"

#include <cassert>

Text TextStore::Keep(std::string_view bytes) {
  if (bytes.empty()) return Text();
  if (bytes.size() >= Text::kLong) return KeepLong(bytes);
  if (kBlockSize - block_used_ < bytes.size()) {
    blocks_.push_back(std::make_unique<char[]>(kBlockSize));
    block_used_ = 0;
    held_ += kBlockSize;
  }
  char* dst = blocks_.back().get() + block_used_;
  std::memcpy(dst, bytes.data(), bytes.size());
  block_used_ += bytes.size();
  return Text(dst, bytes.size());
}

Text TextStore::KeepLong(std::string_view bytes) {
  const uint64_t size = bytes.size();
  auto own = std::make_unique<char[]>(sizeof size + bytes.size());
  std::memcpy(own.get(), &size, sizeof size);
  std::memcpy(own.get() + sizeof size, bytes.data(), bytes.size());
  const char* kept = Adopt(std::move(own), sizeof size + bytes.size());
  return Text(kept + sizeof size, Text::kLong);
}

const char* TextStore::Adopt(std::unique_ptr<char[]> buffer, std::size_t size) {
  const char* kept = buffer.get();
  // User-space addresses fit 47 bits on every platform this runs on.
  assert((reinterpret_cast<uintptr_t>(kept) + size) >> Text::kLengthShift == 0);
  // Adopted buffers go in front of the current block so that Keep keeps filling it.
  blocks_.insert(blocks_.empty() ? blocks_.end() : blocks_.end() - 1, std::move(buffer));
  held_ += size;
  return kept;
}

void TextStore::Reset() {
  blocks_.clear();
  block_used_ = kBlockSize;
  held_ = 0;
}

TextStore& Texts() {
  static TextStore store;
  return store;
}

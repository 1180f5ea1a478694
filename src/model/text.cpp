#include "model/text.h"

#include <algorithm>
#include <cassert>
#include <new>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// A Text holds an address in 48 bits. User-space addresses fit them on x86-64 and on
// AArch64 as usually configured, but a system may hand out higher ones (five-level page
// tables, pointer tags); memory there is refused like memory that ran out, never cut.
void RequireAddressFits(const char* bytes, std::size_t size) {
  const uintptr_t end = reinterpret_cast<uintptr_t>(bytes) + size;
  if (end >> Text::kAddressBits != 0) throw std::bad_alloc();
}

}  // namespace

Text TextStore::Keep(std::string_view bytes) {
  if (bytes.empty()) return Text();
  if (bytes.size() >= Text::kLong) return KeepLong(bytes);
  if (open_ == nullptr || kBlockSize - open_used_ < bytes.size()) {
    Charge(kBlockSize);
    auto block = std::make_unique<char[]>(kBlockSize);
    RequireAddressFits(block.get(), kBlockSize);
    chunks_.push_back({std::move(block), kBlockSize, next_seq_++});
    open_ = chunks_.back().bytes.get();
    open_used_ = 0;
    held_ += kBlockSize;
  }
  char* dst = open_ + open_used_;
  std::memcpy(dst, bytes.data(), bytes.size());
  open_used_ += bytes.size();
  return Text(dst, bytes.size());
}

Text TextStore::KeepLong(std::string_view bytes) {
  const uint64_t size = bytes.size();
  Charge(sizeof size + bytes.size());
  auto own = std::make_unique<char[]>(sizeof size + bytes.size());
  std::memcpy(own.get(), &size, sizeof size);
  std::memcpy(own.get() + sizeof size, bytes.data(), bytes.size());
  const char* kept = Adopt(std::move(own), sizeof size + bytes.size());
  return Text(kept + sizeof size, Text::kLong);
}

// Keep writes into open_ only, a block it allocated itself, so an adopted buffer can sit
// anywhere in chunks_ without new typed bytes ever landing in it.
const char* TextStore::Adopt(std::unique_ptr<char[]> buffer, std::size_t size) {
  Charge(size);
  const char* kept = buffer.get();
  RequireAddressFits(kept, size);
  chunks_.push_back({std::move(buffer), size, next_seq_++});
  held_ += size;
  return kept;
}

// Throws std::bad_alloc when holding size more bytes would pass the limit.
void TextStore::Charge(std::size_t size) const {
  if (size > limit_ || held_ > limit_ - size) throw std::bad_alloc();
}

// Frees chunks_[index]; the open typing block is never passed here.
void TextStore::Drop(std::size_t index) {
  assert(chunks_[index].bytes.get() != open_);
  held_ -= chunks_[index].size;
  chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(index));
}

void TextStore::ReleaseSince(Point point) {
  for (std::size_t i = chunks_.size(); i-- > 0 && chunks_[i].seq >= point;) {
    if (chunks_[i].bytes.get() != open_) Drop(i);
  }
}

std::size_t TextStore::FreeUnmarked(const TextMarks& marks) {
  std::vector<Point> dead;
  for (const TextMarks::Range& range : marks.ranges_) {
    if (!range.live) dead.push_back(range.seq);
  }
  if (dead.empty()) return 0;
  std::sort(dead.begin(), dead.end());
  const std::size_t before = held_;
  std::erase_if(chunks_, [&](const Chunk& chunk) {
    if (chunk.bytes.get() == open_ || !std::binary_search(dead.begin(), dead.end(), chunk.seq)) {
      return false;
    }
    held_ -= chunk.size;
    return true;
  });
#if defined(__GLIBC__)
  // Large buffers went back to the system at once; this returns the smaller ones too.
  ::malloc_trim(0);
#endif
  return before - held_;
}

void TextStore::Reset() {
  chunks_.clear();
  open_ = nullptr;
  open_used_ = kBlockSize;
  held_ = 0;
  limit_ = SIZE_MAX;
}

TextMarks::TextMarks(const TextStore& store) {
  ranges_.reserve(store.chunks_.size());
  for (const TextStore::Chunk& chunk : store.chunks_) {
    const auto begin = reinterpret_cast<uintptr_t>(chunk.bytes.get());
    // The open typing block counts as live: it is never freed.
    const bool live = chunk.bytes.get() == store.open_;
    ranges_.push_back({begin, begin + chunk.size, chunk.seq, live});
    if (!live) ++unmarked_;
  }
  std::sort(ranges_.begin(), ranges_.end(),
            [](const Range& a, const Range& b) { return a.begin < b.begin; });
}

bool TextMarks::Mark(Text text) {
  const uintptr_t at = text.bits_ & Text::kAddressMask;
  if (at == 0 || unmarked_ == 0) return unmarked_ == 0;
  if (last_ >= ranges_.size() || at < ranges_[last_].begin || at >= ranges_[last_].end) {
    auto after = std::upper_bound(ranges_.begin(), ranges_.end(), at,
                                  [](uintptr_t a, const Range& r) { return a < r.begin; });
    if (after == ranges_.begin() || at >= std::prev(after)->end) return false;
    last_ = static_cast<std::size_t>(after - ranges_.begin()) - 1;
  }
  Range& range = ranges_[last_];
  if (!range.live) {
    range.live = true;
    --unmarked_;
  }
  return unmarked_ == 0;
}

TextStore& Texts() {
  static TextStore store;
  return store;
}

// Field texts: immutable byte strings that records share instead of owning copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

// One field of a record: a byte string, compared byte by byte and never converted.
// A Text is a view into the text store below, whose bytes never move or change, so a
// Text copies like an integer and stays valid wherever the record that holds it goes.
//
// It is one word: the address in the low 48 bits and the length in the high 16. A text
// of 0xFFFF bytes or more is stored behind an 8-byte length header, and its length field
// says kLong. Keeping records small is what keeps a million of them fast to copy and sort.
class Text {
 public:
  constexpr Text() = default;

  std::string_view view() const {
    const char* p = reinterpret_cast<const char*>(bits_ & kAddressMask);
    std::size_t n = static_cast<std::size_t>(bits_ >> kLengthShift);
    if (n == kLong) std::memcpy(&n, p - sizeof(uint64_t), sizeof(uint64_t));
    return {p, n};
  }
  operator std::string_view() const { return view(); }
  const char* data() const { return view().data(); }
  std::size_t size() const { return view().size(); }
  bool empty() const { return bits_ == 0; }

  friend bool operator==(const Text& a, const Text& b) { return a.view() == b.view(); }

 private:
  friend class TextStore;
  static constexpr int kLengthShift = 48;
  static constexpr uint64_t kAddressMask = (uint64_t{1} << kLengthShift) - 1;
  static constexpr std::size_t kLong = 0xFFFF;

  // REQUIRES: size < kLong, or a length header stands before data and size == kLong.
  Text(const char* data, std::size_t size)
      : bits_(reinterpret_cast<uintptr_t>(data) | (uint64_t{size} << kLengthShift)) {}

  uint64_t bits_ = 0;
};

// The store that holds the bytes of every Text for the rest of the process. It only
// grows: imported files are adopted whole, typed fields are copied into small blocks.
// Nothing is freed before Reset(), which harnesses call between sessions.
class TextStore {
 public:
  // Copies bytes into the store.
  Text Keep(std::string_view bytes);

  // Takes ownership of a buffer of size bytes; texts are then cut from it with Slice.
  const char* Adopt(std::unique_ptr<char[]> buffer, std::size_t size);

  // A Text for bytes that lie inside a buffer handed to Adopt. Only a text too long for
  // a Text's length field is copied (behind its length header).
  Text Slice(const char* data, std::size_t size) {
    if (size == 0) return Text();
    return size < Text::kLong ? Text(data, size) : Keep({data, size});
  }

  // Frees every byte. REQUIRES: no Text cut from this store is used afterwards.
  void Reset();

  // Bytes held, for tests and the benchmarks' memory accounting.
  std::size_t bytes_held() const { return held_; }

 private:
  static constexpr std::size_t kBlockSize = 64 * 1024;

  Text KeepLong(std::string_view bytes);

  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t block_used_ = kBlockSize;
  std::size_t held_ = 0;
};

// The process's one text store.
TextStore& Texts();

// Field texts: immutable byte strings that records share instead of owning copies.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

// One field of a record: a byte string, compared byte by byte and never converted.
// A Text is a view into the text store below, whose bytes never move or change, so a
// Text copies like an integer and stays valid wherever the record that holds it goes.
class Text {
 public:
  constexpr Text() = default;

  std::string_view view() const { return bytes_; }
  operator std::string_view() const { return bytes_; }
  const char* data() const { return bytes_.data(); }
  std::size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }

  friend bool operator==(const Text& a, const Text& b) { return a.bytes_ == b.bytes_; }

 private:
  friend class TextStore;
  explicit constexpr Text(std::string_view kept) : bytes_(kept) {}

  std::string_view bytes_;
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

  // A Text for bytes that lie inside a buffer handed to Adopt.
  // REQUIRES: [data, data + size) lies inside an adopted buffer.
  static Text Slice(const char* data, std::size_t size) { return Text({data, size}); }

  // Frees every byte. REQUIRES: no Text cut from this store is used afterwards.
  void Reset();

  // Bytes held, for tests and the benchmarks' memory accounting.
  std::size_t bytes_held() const { return held_; }

 private:
  static constexpr std::size_t kBlockSize = 64 * 1024;

  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t block_used_ = kBlockSize;
  std::size_t held_ = 0;
};

// The process's one text store.
TextStore& Texts();

// Field texts: immutable byte strings that records share instead of owning copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

// One field of a record: a byte string, compared byte by byte and never converted.
// A Text is a view into the text store below, whose bytes never move or change while a
// live record refers to them, so a Text copies like an integer and stays valid wherever
// the record that holds it goes.
//
// It is one word: the address in the low 48 bits and the length in the high 16. A text
// of 0xFFFF bytes or more is stored behind an 8-byte length header, and its length field
// says kLong. Keeping records small is what keeps a million of them fast to copy and sort.
// The store refuses memory whose addresses need more than 48 bits (see TextStore).
class Text {
  static_assert(sizeof(void*) == 8 && sizeof(uintptr_t) == 8,
                "a Text packs a 64-bit address and a length into one word: this layout needs "
                "64-bit pointers");

 public:
  static constexpr int kAddressBits = 48;

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
  friend class TextMarks;
  static constexpr int kLengthShift = kAddressBits;
  static constexpr uint64_t kAddressMask = (uint64_t{1} << kLengthShift) - 1;
  static constexpr std::size_t kLong = 0xFFFF;

  // REQUIRES: size < kLong, or a length header stands before data and size == kLong.
  Text(const char* data, std::size_t size)
      : bits_(reinterpret_cast<uintptr_t>(data) | (uint64_t{size} << kLengthShift)) {}

  uint64_t bits_ = 0;
};

class TextMarks;

// The store that holds the bytes of every Text. Imported files are adopted whole and
// typed fields are copied into 64 KiB blocks; both are chunks of the store. A chunk is
// given back once no live text points into it: the history finds out which chunks live
// records still use (TextMarks) when a change may have let go of some.
class TextStore {
 public:
  // Where the store stands, for giving back what an operation added: see ReleaseSince.
  using Point = uint64_t;

  // Copies bytes into the open typing block; the first text too large for it opens a new one.
  Text Keep(std::string_view bytes);

  // Takes ownership of a buffer of size bytes; texts are then cut from it with Slice.
  const char* Adopt(std::unique_ptr<char[]> buffer, std::size_t size);

  // A Text for bytes that lie inside a buffer handed to Adopt. Only a text too long for
  // a Text's length field is copied (behind its length header).
  Text Slice(const char* data, std::size_t size) {
    if (size == 0) return Text();
    return size < Text::kLong ? Text(data, size) : Keep({data, size});
  }

  // The point that the chunks added from now on come after.
  Point Now() const { return next_seq_; }

  // Gives back every chunk added since point, except the open typing block.
  // REQUIRES: no Text made since point is used afterwards.
  void ReleaseSince(Point point);

  // Gives back every chunk that marks did not see a live text in, except the open typing
  // block (at most 64 KiB; keeping it keeps typing cheap). Returns the bytes given back.
  // REQUIRES: marks were built on this store with no chunk added since, and saw every text in use.
  std::size_t FreeUnmarked(const TextMarks& marks);

  // Frees every byte. REQUIRES: no Text cut from this store is used afterwards.
  void Reset();

  // From now on Keep and Adopt throw std::bad_alloc rather than hold more than limit
  // bytes, as if memory ran out there; Reset lifts the limit. Lets tests run out of memory
  // at a chosen point.
  void set_limit(std::size_t limit) { limit_ = limit; }

  // Bytes held, for tests and the benchmarks' memory accounting.
  std::size_t bytes_held() const { return held_; }

 private:
  friend class TextMarks;
  static constexpr std::size_t kBlockSize = 64 * 1024;

  // One allocation: an adopted buffer, a typing block or a long text with its header.
  struct Chunk {
    std::unique_ptr<char[]> bytes;
    std::size_t size;
    Point seq;  // order of arrival
  };

  Text KeepLong(std::string_view bytes);
  void Charge(std::size_t size) const;
  void Drop(std::size_t index);

  std::vector<Chunk> chunks_;  // in order of arrival
  char* open_ = nullptr;       // the typing block that Keep fills; never an adopted buffer
  std::size_t open_used_ = kBlockSize;
  std::size_t held_ = 0;
  std::size_t limit_ = SIZE_MAX;
  Point next_seq_ = 0;
};

// Which chunks of a store live texts point into. Built on a store, fed every
// text in use, then handed to FreeUnmarked. Cheap to feed: the chunk of the last text
// is tried first, since the texts of one record list mostly come from one file.
class TextMarks {
 public:
  explicit TextMarks(const TextStore& store);

  // Notes the chunk that text lies in. True once every chunk is noted, when the
  // remaining texts can be skipped: nothing can be freed.
  bool Mark(Text text);

  bool all_marked() const { return unmarked_ == 0; }

 private:
  friend class TextStore;

  // A chunk's address range and whether a live text lies in it.
  struct Range {
    uintptr_t begin;
    uintptr_t end;
    TextStore::Point seq;
    bool live;
  };

  std::vector<Range> ranges_;  // by address
  std::size_t unmarked_ = 0;
  std::size_t last_ = 0;  // the range that the last text lay in
};

// The process's one text store.
TextStore& Texts();

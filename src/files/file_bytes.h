// Reading a whole file into one buffer, as the import and the record file loader do: the
// buffer is then handed to the text store, and fields are slices of it.
#pragma once

#include <cstddef>
#include <memory>

// A file's whole content, read to its end.
struct FileBytes {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;
};

// Reads fd to its end into out, growing the buffer when the file turns out longer than
// its size said (it may change while it is read). At least room bytes stay free after
// the content, for the caller's padding. False on a read error, errno telling which;
// std::bad_alloc when memory runs out (a pipe fed without end ends there).
// REQUIRES: room >= 1.
bool ReadToEnd(int fd, FileBytes& out, std::size_t room);

// a + b, or std::bad_alloc where the sum does not fit a size: no buffer that large can be.
std::size_t SizeSum(std::size_t a, std::size_t b);

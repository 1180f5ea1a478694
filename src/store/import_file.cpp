#include "store/import_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <memory>

namespace {

// The bytes that separate tokens: blank, tab, LF, CR, VT and FF.
constexpr std::array<bool, 256> kIsBlank = [] {
  std::array<bool, 256> table{};
  for (unsigned char c : {' ', '\t', '\n', '\r', '\v', '\f'}) table[c] = true;
  return table;
}();

bool IsBlank(char c) { return kIsBlank[static_cast<unsigned char>(c)]; }

// A file's whole content, read to its end.
struct FileBytes {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;
};

// Opens path for reading; -1 when it is missing, unreadable or a directory. Opening
// without blocking keeps a FIFO without a writer from hanging the session.
int OpenForReading(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

// Reads fd to its end into one buffer, growing it when the file turns out longer than
// its size said (it may change while it is read). False on a read error.
bool ReadToEnd(int fd, FileBytes& out) {
  struct stat st;
  std::size_t capacity = ::fstat(fd, &st) == 0 && st.st_size > 0
                             ? static_cast<std::size_t>(st.st_size) + 1
                             : std::size_t{1} << 16;
  out.data = std::make_unique_for_overwrite<char[]>(capacity);
  for (;;) {
    if (out.size == capacity) {
      auto bigger = std::make_unique_for_overwrite<char[]>(capacity * 2);
      std::copy(out.data.get(), out.data.get() + out.size, bigger.get());
      out.data = std::move(bigger);
      capacity *= 2;
    }
    ssize_t n = ::read(fd, out.data.get() + out.size, capacity - out.size);
    if (n == 0) return true;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    out.size += static_cast<std::size_t>(n);
  }
}

// A guess at the number of records in the bytes, from the tokens of their first part,
// so that the record vector is reserved once instead of growing a dozen times.
std::size_t EstimateRecords(const char* bytes, std::size_t size) {
  const std::size_t sample = std::min<std::size_t>(size, 1 << 16);
  std::size_t tokens = 0;
  for (std::size_t i = 0; i < sample; ++i) {
    if (!IsBlank(bytes[i]) && (i == 0 || IsBlank(bytes[i - 1]))) ++tokens;
  }
  if (tokens == 0) return 0;
  const double per_byte = static_cast<double>(tokens) / static_cast<double>(sample);
  return static_cast<std::size_t>(per_byte * static_cast<double>(size) / 7 * 1.05) + 1;
}

}  // namespace

std::size_t AppendRecordsFromBytes(const char* bytes, std::size_t size,
                                   DevList::Records& records) {
  records.reserve(records.size() + EstimateRecords(bytes, size));
  const char* const end = bytes + size;
  const char* at = bytes;
  std::size_t appended = 0;
  device record;
  int field = 0;
  for (;;) {
    while (at != end && IsBlank(*at)) ++at;
    if (at == end) return appended;
    const char* token = at;
    while (at != end && !IsBlank(*at)) ++at;
    record.*kDeviceFields[field] = TextStore::Slice(token, static_cast<std::size_t>(at - token));
    if (++field == 7) {
      records.push_back(record);
      ++appended;
      field = 0;
    }
  }
}

ImportResult AppendImportFile(const std::string& path, DevList& list) {
  const int fd = OpenForReading(path);
  if (fd < 0) return ImportResult::kOpenFailed;
  FileBytes file;
  const bool read = ReadToEnd(fd, file);
  ::close(fd);
  if (!read) return ImportResult::kOpenFailed;
  if (file.size == 0) return ImportResult::kOk;
  const char* bytes = Texts().Adopt(std::move(file.data), file.size);
  AppendRecordsFromBytes(bytes, file.size, list.Mutable());
  return ImportResult::kOk;
}

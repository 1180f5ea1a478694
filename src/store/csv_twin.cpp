#include "store/csv_twin.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <functional>
#include <map>
#include <new>

#include "files/backup.h"
#include "files/file_bytes.h"
#include "files/file_open.h"
#include "locale/messages.h"
#include "store/csv_rows.h"
#include "store/record_file.h"

namespace {

// Whether path is something else than a regular file that opens (a FIFO, a device).
bool IsStream(const std::string& path) {
  std::string why;
  const int fd = OpenInputFile(path, InputKind::kRegular, &why);
  if (fd >= 0) CloseInputFile(fd);
  return fd < 0 && why == msg::Tr("not a regular file");
}

// The whole content of the file at path; false when it cannot be opened or read.
bool ReadWhole(const std::string& path, FileBytes* bytes) {
  std::string why;
  const int fd = OpenInputFile(path, InputKind::kRegular, &why);
  if (fd < 0) return false;
  const bool read = ReadToEnd(fd, *bytes, 1);
  CloseInputFile(fd);
  return read;
}

// Splits line at blanks into at most n cells; the number found, n + 1 for more.
std::size_t SplitAtBlanks(std::string_view line, std::string_view* cells, std::size_t n) {
  std::size_t found = 0;
  while (!line.empty()) {
    const std::size_t blank = line.find(' ');
    if (found == n) return n + 1;
    cells[found++] = line.substr(0, blank);
    line.remove_prefix(blank == std::string_view::npos ? line.size() : blank + 1);
  }
  return found;
}

// Whether twin is the rendering of out: the head, then each line of out as a row.
bool RendersTo(std::string_view out, std::string_view twin, TwinKind kind) {
  const std::string_view head = kind == TwinKind::kRecords ? kRecordsHead : kTotalsHead;
  const std::size_t columns = kind == TwinKind::kRecords ? 8 : 2;
  if (!twin.starts_with(head)) return false;
  twin.remove_prefix(head.size());
  CsvRows rows;
  std::string row;
  std::string_view cells[8];
  while (!out.empty()) {
    const std::size_t end = out.find('\n');
    std::string_view line = out.substr(0, end);
    out.remove_prefix(end == std::string_view::npos ? out.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);  // written on Windows
    if (SplitAtBlanks(line, cells, columns) != columns) return false;
    row.resize(CsvRows::Bound(cells, columns));
    const std::string_view made(row.data(), rows.Put(cells, columns, row.data()) - row.data());
    if (!twin.starts_with(made)) return false;
    twin.remove_prefix(made.size());
  }
  return twin.empty();
}

// The copies this process wrote that could not be replaced since (a program held them), by
// name, with a hash of their bytes: while those stay, the copy is still devmgr's own, though
// the file beside it has moved on.
std::map<std::string, std::size_t>& StaleTwins() {
  static std::map<std::string, std::size_t> stale;
  return stale;
}

std::size_t HashOf(const FileBytes& bytes) {
  return std::hash<std::string_view>()({bytes.data.get(), bytes.size});
}

// Remembers the copy at twin, devmgr's own, as left behind by its file.
void RememberStale(const std::string& twin) {
  FileBytes bytes;
  if (ReadWhole(twin, &bytes)) StaleTwins()[twin] = HashOf(bytes);
}

// Whether the copy at twin with these bytes is one this process left behind.
bool IsStale(const std::string& twin, const FileBytes& bytes) {
  const auto found = StaleTwins().find(twin);
  return found != StaleTwins().end() && found->second == HashOf(bytes);
}

// What a file looked like when this process wrote it: its size and time of change.
struct Stamp {
  std::uintmax_t size = 0;
  std::filesystem::file_time_type time;
  bool operator==(const Stamp&) const = default;
};

// The stamp of the file at path; false when it has none (missing, or not to be read).
// Twins have ASCII names, which the standard library takes alike on every platform.
bool StampOf(const std::string& path, Stamp* stamp) {
  std::error_code error;
  stamp->size = std::filesystem::file_size(path, error);
  if (!error) stamp->time = std::filesystem::last_write_time(path, error);
  return !error;
}

// The copies this process wrote, by name, as they were then: a copy that still looks so is
// still the one written, and need not be read again at the next save.
std::map<std::string, Stamp>& Written() {
  static std::map<std::string, Stamp> written;
  return written;
}

// The key of the copy at twin among those written: its full name (harnesses run sessions in
// several folders in one process).
std::string KeyOf(const std::string& twin) {
  std::error_code error;
  return std::filesystem::absolute(twin, error).string();
}

// Whether the copy at twin is, by its stamp, the one this process wrote last.
bool IsAsWritten(const std::string& twin) {
  const auto found = Written().find(KeyOf(twin));
  Stamp now;
  return found != Written().end() && StampOf(twin, &now) && now == found->second;
}

// The size of the blocks a copy is rendered in.
constexpr std::size_t kBlockBytes = 1 << 20;

// How many records ahead the copy asks for the bytes of their fields, as the record file does.
constexpr std::size_t kPrefetchAhead = 8;

void Prefetch(const device& record) {
  for (Text device::*field : kDeviceFields) __builtin_prefetch((record.*field).data());
}

// Keeps a foreign file at twin under a numbered name, unless the newest one holds its bytes.
bool KeepForeign(const std::string& twin, std::string* reason) {
  std::string kept_as;
  std::string why;
  if (KeepNumberedBackup(twin, &kept_as, &why)) return true;
  *reason = msg::Say("%1$s could not be kept as a backup: %2$s", {twin, why});
  return false;
}

// Writes a copy through head and write(writer), after keeping a foreign file; write returns
// false when the rows could not all be had.
template <typename Rows>
WriteResult WriteTwin(const std::string& twin, TwinState before, std::string_view head,
                      Rows write, std::string* reason) {
  if (before == TwinState::kStream) return WriteResult::kOk;
  if (before == TwinState::kForeign && !KeepForeign(twin, reason)) return WriteResult::kOpenFailed;
  WriteResult result;
  {
    AtomicFileWriter writer;
    const WriteOptions options{
        .reason = reason, .raw = true, .wait_if_held = false, .durable = false};
    result = writer.Open(twin, options);
    if (result == WriteResult::kOk) {
      writer.Append(head);
      // A copy cut short is never put in place: the writer removes its temporary.
      result = write(writer) ? writer.Commit() : WriteResult::kWriteFailed;
    }
  }
  Stamp stamp;
  if (result == WriteResult::kOk && StampOf(twin, &stamp)) {
    Written()[KeyOf(twin)] = stamp;
  } else {
    Written().erase(KeyOf(twin));
  }
  if (result == WriteResult::kOk) {
    StaleTwins().erase(twin);
  } else if (before == TwinState::kOwn) {
    RememberStale(twin);
  }
  return result;
}

}  // namespace

std::string TwinPath(std::string_view path) {
  if (path.ends_with(".out")) path.remove_suffix(4);
  return std::string(path) + ".csv";
}

TwinState LookAtTwin(const std::string& path, TwinKind kind) {
  try {
    if (IsStream(path)) return TwinState::kStream;
    if (IsAsWritten(TwinPath(path))) return TwinState::kOwn;
    FileBytes twin;
    if (!ReadWhole(TwinPath(path), &twin) || twin.size == 0) return TwinState::kNone;
    FileBytes out;
    const bool own = ReadWhole(path, &out) &&
                     RendersTo({out.data.get(), out.size}, {twin.data.get(), twin.size}, kind);
    return own || IsStale(TwinPath(path), twin) ? TwinState::kOwn : TwinState::kForeign;
  } catch (const std::bad_alloc&) {
    return TwinState::kForeign;  // kept, then: nothing is lost for want of memory
  }
}

TwinRender::TwinRender(const device* records, std::size_t n) {
  const std::size_t half = n / 2;
  lanes_[0].thread = std::thread([this, records, half] { Render(lanes_[0], records, 0, half); });
  lanes_[1].thread = std::thread([this, records, half, n] { Render(lanes_[1], records, half, n); });
}

TwinRender::~TwinRender() { Stop(); }

void TwinRender::Stop() {
  stop_ = true;
  Wait();
}

void TwinRender::Wait() {
  for (Lane& lane : lanes_) {
    if (lane.thread.joinable()) lane.thread.join();
  }
}

// Hands a rendered block to the writer, the last one saying so; returns an empty block to
// render into next, one the writer is done with when there is one (its pages are in memory).
std::string TwinRender::Hand(Lane& lane, std::string block, bool last) {
  const std::lock_guard<std::mutex> lock(lane.mutex);
  lane.ready.push_back(std::move(block));
  lane.done = last;
  lane.handed.notify_one();
  std::string next;
  if (!lane.spent.empty()) {
    next.swap(lane.spent.back());
    lane.spent.pop_back();
  }
  next.clear();
  return next;
}

void TwinRender::Render(Lane& lane, const device* records, std::size_t first, std::size_t end) {
  try {
    CsvRows rows;
    std::string_view cells[8];
    char serial[24];
    std::string block(&lane == &lanes_[0] ? kRecordsHead : "");
    block.reserve(kBlockBytes);
    for (std::size_t i = first; i < end && !stop_; ++i) {
      if (i + kPrefetchAhead < end) Prefetch(records[i + kPrefetchAhead]);
      const char* stop = std::to_chars(serial, serial + sizeof serial, i + 1).ptr;
      cells[0] = {serial, static_cast<std::size_t>(stop - serial)};
      for (std::size_t f = 0; f < 7; ++f) cells[f + 1] = (records[i].*kDeviceFields[f]).view();
      const std::size_t bound = CsvRows::Bound(cells, 8);
      if (block.size() + bound > kBlockBytes) {
        block = Hand(lane, std::move(block), false);
        block.reserve(std::max(kBlockBytes, bound));
      }
      const std::size_t used = block.size();
      block.resize(used + bound);  // within the capacity: no copy
      block.resize(static_cast<std::size_t>(rows.Put(cells, 8, block.data() + used) -
                                            block.data()));
    }
    Hand(lane, std::move(block), true);
  } catch (const std::bad_alloc&) {
    const std::lock_guard<std::mutex> lock(lane.mutex);
    lane.out_of_memory = lane.done = true;
    lane.handed.notify_one();
  }
}

bool TwinRender::Drain(Lane& lane, AtomicFileWriter& writer) {
  for (bool last = false; !last;) {
    std::vector<std::string> blocks;
    {
      std::unique_lock<std::mutex> lock(lane.mutex);
      lane.handed.wait(lock, [&lane] { return !lane.ready.empty() || lane.done; });
      blocks.swap(lane.ready);
      last = lane.done;
      if (lane.out_of_memory) return false;
    }
    for (const std::string& block : blocks) writer.Append(block);
    const std::lock_guard<std::mutex> lock(lane.mutex);
    for (std::string& block : blocks) lane.spent.push_back(std::move(block));
  }
  return true;
}

WriteResult TwinRender::Write(const std::string& twin, TwinState before, std::string* reason) {
  bool out_of_memory = false;
  const WriteResult result = WriteTwin(twin, before, {}, [&](AtomicFileWriter& writer) {
    out_of_memory = !Drain(lanes_[0], writer) || !Drain(lanes_[1], writer);
    return !out_of_memory;
  }, reason);
  Stop();  // no rows are wanted when the copy was refused
  if (!out_of_memory) return result;
  *reason = msg::Say("%s: memory full", {twin});
  return WriteResult::kWriteFailed;
}

WriteResult WriteRecordsTwin(const std::string& twin, TwinState before, const DevList& list,
                             std::string* reason) {
  TwinRender render(list.begin(), list.size());
  return render.Write(twin, before, reason);
}

WriteResult WriteTotalsTwin(const std::string& twin, TwinState before,
                            const QuantityTotals& totals, std::string* reason) {
  return WriteTwin(twin, before, kTotalsHead, [&totals](AtomicFileWriter& writer) {
    CsvRows rows;
    std::string total;
    for (const auto& [name, sum] : totals) {
      total.clear();
      AppendDecimal(total, sum);
      const std::string_view cells[2] = {name, total};
      writer.Advance(rows.Put(cells, 2, writer.Reserve(CsvRows::Bound(cells, 2))));
    }
    return true;
  }, reason);
}

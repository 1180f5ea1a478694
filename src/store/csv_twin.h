// The CSV copy that every save of a record file or of the statistics file leaves beside it
// (dev.csv beside dev.out, stat.csv beside stat.out), for a spreadsheet to open by a
// double-click. The copy is a view, never the record: it is written only after its file was
// saved, a failure to write it fails nothing else, and it never waits for a program that
// holds it open (a spreadsheet that shows it). A file of the copy's name that devmgr did not
// write, or that was changed since, is kept first under a numbered backup name.
//
// devmgr knows its own copy by its bytes: they are exactly what the file beside it renders to.
// That needs no record of its own and holds across sessions, machines and copies of the
// folder; it costs one reading of both files, at about the speed of writing them, at the first
// save of a session: later saves know the copy they wrote by its size and time of change.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "files/file_writer.h"
#include "model/device.h"
#include "model/quantity_totals.h"

// What a copy shows: a record list (serial and seven fields a row) or the totals (name and
// total a row).
enum class TwinKind { kRecords, kTotals };

// The copy's name for the file at path: ".out" at its end replaced by ".csv", else ".csv"
// appended.
std::string TwinPath(std::string_view path);

// What lies at a copy's name before its file is saved again.
enum class TwinState {
  kStream,   // the file itself is a FIFO or a device, written in place: it has no copy
  kNone,     // nothing, or an empty file: nothing to keep
  kOwn,      // the rendering of the file beside it as that file is now
  kForeign,  // anything else (a sheet saved there, a copy edited since devmgr wrote it)
};

// Looks at the copy of the file at path, which holds kind.
TwinState LookAtTwin(const std::string& path, TwinKind kind);

// Replaces the copy at twin by the rendering of list, numbered 1..n by position, or of totals;
// nothing for kStream.
// A kForeign file there is first kept as "<twin>.~N~" (unless the newest numbered backup holds
// its bytes already); when it cannot be kept, the copy is not written. Never waits for a
// program that holds the copy. *reason gets why it was not written.
// The rows of a record list's copy, numbered 1..n by position, rendered on two threads of
// their own while the list's file is written, and written as they come: the first half of
// the rows on one thread, the second half on the other, so that both cores render once the
// list's file is saved. The threads read only the records' fields, never their serials: the
// file's writer may renumber the records meanwhile. REQUIRES: records[0, n) stay where they
// are, their fields unchanged, until Write, Wait or Stop returns.
class TwinRender {
 public:
  TwinRender(const device* records, std::size_t n);
  TwinRender(const TwinRender&) = delete;
  TwinRender& operator=(const TwinRender&) = delete;
  ~TwinRender();

  // Waits until the rows are rendered; Stop first asks for no more.
  void Wait();
  void Stop();

  // Writes the rows as the copy at twin, as they come, as WriteRecordsTwin does.
  WriteResult Write(const std::string& twin, TwinState before, std::string* reason);

 private:
  // The rows of one thread, handed over in blocks of about a megabyte.
  struct Lane {
    std::mutex mutex;  // guards the four below
    std::condition_variable handed;
    std::vector<std::string> ready;  // rendered blocks, in order
    std::vector<std::string> spent;  // blocks written, to render into again
    bool done = false;
    bool out_of_memory = false;
    std::thread thread;
  };

  void Render(Lane& lane, const device* records, std::size_t first, std::size_t end);
  static std::string Hand(Lane& lane, std::string block, bool last);
  // Writes lane's blocks through writer as they come; false when the lane ran out of memory.
  static bool Drain(Lane& lane, AtomicFileWriter& writer);

  std::atomic<bool> stop_ = false;  // the file was not saved: no more rows are wanted
  Lane lanes_[2];  // last: their threads start once the members above are built
};

WriteResult WriteRecordsTwin(const std::string& twin, TwinState before, const DevList& list,
                             std::string* reason);
WriteResult WriteTotalsTwin(const std::string& twin, TwinState before,
                            const QuantityTotals& totals, std::string* reason);

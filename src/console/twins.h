// The CSV copies of the files the operations save (store/csv_twin.h), as the console sees
// them: looked at before a save, written after a save that succeeded, and a copy that could
// not be written told once a session on standard error. The dialogue never changes.
#pragma once

#include <string>
#include <string_view>

#include "model/device.h"
#include "model/quantity_totals.h"
#include "store/csv_twin.h"

// What lies at the copy's name of file, before file is saved.
TwinState LookAtTwinOf(std::string_view file, TwinKind kind);

// The copy of a record file in the making: looked at when made, before the file is written,
// then rendered on a thread of its own while the file is written, and saved after it.
class RecordsTwin {
 public:
  // REQUIRES: list's records stay where they are, their fields unchanged, until Save returns.
  RecordsTwin(std::string_view file, const DevList& list);

  // Writes the copy when the file was saved; a copy that cannot be written is left as it
  // was, with one note on standard error the first time in the session.
  void Save(bool saved);

 private:
  std::string file_;
  TwinState before_;
  TwinRender render_;
};

// Writes the copy of file, just saved with totals, as RecordsTwin::Save does.
void SaveTwin(std::string_view file, TwinState before, const QuantityTotals& totals);

// Forgets which copies this session has told of (a new session, for the harnesses that run
// several in one process).
void ForgetTwinNotes();

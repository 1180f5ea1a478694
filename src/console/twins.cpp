#include "console/twins.h"

#include <set>
#include <string>

#include "console/io.h"
#include "locale/messages.h"

namespace {

// The copies whose failure this session has told of.
std::set<std::string>& Told() {
  static std::set<std::string> told;
  return told;
}

// Tells, once a session for each copy, why twin was left as it was beside the saved file.
void NoteLeft(std::string_view file, const std::string& twin, const std::string& reason) {
  if (!Told().insert(twin).second) return;
  con::Warn(msg::Say("%1$s; %2$s is left as it was (%3$s is saved)",
                     {reason.empty() ? msg::Say("%s: cannot be written", {twin}) : reason, twin,
                      std::string(file)}));
}

}  // namespace

TwinState LookAtTwinOf(std::string_view file, TwinKind kind) {
  return LookAtTwin(std::string(file), kind);
}

RecordsTwin::RecordsTwin(std::string_view file, const DevList& list)
    : file_(file),
      before_(LookAtTwinOf(file, TwinKind::kRecords)),
      render_(list.begin(), before_ == TwinState::kStream ? 0 : list.size()) {}

void RecordsTwin::Save(bool saved) {
  if (!saved) return render_.Stop();
  const std::string twin = TwinPath(file_);
  std::string reason;
  if (render_.Write(twin, before_, &reason) != WriteResult::kOk) NoteLeft(file_, twin, reason);
}

void SaveTwin(std::string_view file, TwinState before, const QuantityTotals& totals) {
  const std::string twin = TwinPath(file);
  std::string reason;
  if (WriteTotalsTwin(twin, before, totals, &reason) != WriteResult::kOk) {
    NoteLeft(file, twin, reason);
  }
}

void ForgetTwinNotes() { Told().clear(); }

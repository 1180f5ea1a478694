// Fuzz target: a whole console session, run in-process.
//
// An input is what the user types, optionally followed by the separator line
// "\n--in.txt--\n" and the content of the import file in.txt, which the target writes
// before the session starts (the dialogues import it by typing in.txt). The session runs
// in a private working directory with the clock standing still and the pause counted,
// until input ends or the user chooses 0. Afterwards the files the session wrote are
// checked against the data set in memory, and removed before the next input.
// Since the process works in that directory, give libFuzzer absolute paths.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "console/globals.h"
#include "console/io.h"
#include "console/operations.h"
#include "locale/charset.h"
#include "session_checks.h"

namespace {

constexpr std::string_view kSeparator = "\n--in.txt--\n";
constexpr const char* kImportFile = "in.txt";

// Thrown by the wiring's exit; unwinds the session back to the target.
struct SessionEnded {
  int status;
};

// Fails the run: a finding, not a bad input.
[[noreturn]] void Finding(const std::string& what) {
  std::fprintf(stderr, "session_fuzz: %s\n", what.c_str());
  std::abort();
}

std::string& PrivateDirectory() {
  static std::string dir;
  return dir;
}

void RemovePrivateDirectory() {
  std::error_code ec;
  std::filesystem::remove_all(PrivateDirectory(), ec);
}

// Made once per process and left as the working directory for good; removed at exit.
// Every save syncs its file, which costs nothing in memory (/dev/shm) and much on disk.
void EnterPrivateDirectory() {
  std::string& dir = PrivateDirectory();
  if (!dir.empty()) return;
  for (std::filesystem::path base : {std::filesystem::path("/dev/shm"),
                                     std::filesystem::temp_directory_path()}) {
    dir = (base / "devmgr-fuzz-XXXXXX").string();
    if (::mkdtemp(dir.data()) != nullptr) break;
  }
  if (::chdir(dir.c_str()) != 0) Finding("no working directory");
  std::atexit(RemovePrivateDirectory);
}

// Removes every file that the last run left in the working directory.
void EmptyDirectory() {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(".", ec)) {
    std::filesystem::remove_all(entry.path(), ec);
  }
}

// True when a typed token could reach outside the private directory (an absolute path
// or a way up), or name a device that never ends, like /dev/zero.
bool LeavesDirectory(std::string_view typed) {
  std::size_t i = 0;
  while (i < typed.size()) {
    while (i < typed.size() && IsBlankByte(typed[i])) ++i;
    std::size_t end = i;
    while (end < typed.size() && !IsBlankByte(typed[end])) ++end;
    std::string_view token = typed.substr(i, end - i);
    if (token.starts_with('"')) token.remove_prefix(1);  // a quoted file name
    if (!token.empty() && (token[0] == '/' || token.find("..") != std::string_view::npos)) {
      return true;
    }
    i = end;
  }
  return false;
}

// A data set this large ends the session: importing dev.out into itself again and again
// grows it by more than half each time, which a few bytes of input can ask for.
constexpr std::size_t kMaxRecords = 20000;

// Wires the console to the typed bytes. Input comes in small pieces, so tokens that
// straddle two reads are exercised; the number of reads is bounded by the input.
void WireSession(std::string_view typed, std::size_t& pauses) {
  con::Wiring w;
  auto left = std::make_shared<std::string_view>(typed);
  w.read = [left](char* buf, std::size_t cap) {
    if (dev.size() > kMaxRecords) return std::size_t{0};
    std::size_t n = std::min({cap, left->size(), std::size_t{61}});
    left->copy(buf, n);
    left->remove_prefix(n);
    return n;
  };
  w.write = [](std::string_view) {};
  // File names as a UTF-8 pipe on Windows gives them: converted before they are opened.
  w.decode_name = [](std::string_view name) { return charset::Utf8ToGb(name); };
  w.pause = [&pauses](int ms) {
    if (ms != 1000) Finding("a pause that is not one second");
    ++pauses;
  };
  w.now_ms = [] { return int64_t{0}; };
  w.exit = [](int status) { throw SessionEnded{status}; };
  con::Wire(std::move(w));
}

// Runs the menu loop until the session ends and returns its exit status.
int RunSession(std::string_view typed) {
  std::size_t pauses = 0;
  WireSession(typed, pauses);
  int status = -1;
  try {
    RunMenuLoop();
  } catch (const SessionEnded& end) {
    status = end.status;
  }
  // Every operation is chosen by at least one typed byte and ends with one pause.
  if (pauses > typed.size()) Finding("more operations than typed bytes");
  return status;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find(kSeparator);
  std::string_view typed = input.substr(0, cut);
  if (LeavesDirectory(typed)) return -1;
  EnterPrivateDirectory();
  EmptyDirectory();
  if (cut != std::string_view::npos) {
    std::ofstream(kImportFile, std::ios::binary) << input.substr(cut + kSeparator.size());
  }
  ResetGlobals();
  const int status = RunSession(typed);
  con::Wire(con::ProcessWiring());
  if (status != 0) Finding("the session ended with status " + std::to_string(status));
  const std::string broken = CheckSessionFiles();
  if (!broken.empty()) Finding(broken);
  ResetGlobals();
  EmptyDirectory();
  return 0;
}

// RunBinary on Windows: devmgr.exe started with CreateProcessW, standard input and output
// on pipes. There is no pause shim: each operation's one-second pause really passes.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "support/session.h"

namespace {

// DEVMGR_BIN as a Windows path. A cross build names it by its Unix path, which Wine
// reaches through the drive Z: (the Unix root); a native build's path is used as it is.
std::wstring ProgramPath() {
  std::wstring path = std::filesystem::path(DEVMGR_BIN).wstring();
  if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

// A handle closed with its owner.
class Handle {
 public:
  Handle() = default;
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE* out() { return &h_; }
  HANDLE get() const { return h_; }
  // Closes the handle now (a pipe's end, so that the other end sees the end of data).
  void Close() {
    if (h_ != nullptr && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    h_ = nullptr;
  }

 private:
  HANDLE h_ = nullptr;
};

// A pipe whose one end the child inherits; the test's end is not inheritable, so the
// child cannot keep it open (input would never end, output never reach its end).
void MakePipe(Handle* read, Handle* write, bool child_reads) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  if (!CreatePipe(read->out(), write->out(), &inherit, 0)) throw std::runtime_error("CreatePipe");
  HANDLE ours = child_reads ? write->get() : read->get();
  if (!SetHandleInformation(ours, HANDLE_FLAG_INHERIT, 0)) {
    throw std::runtime_error("SetHandleInformation");
  }
}

// Fails the test at every LF of output that does not follow a CR: the Windows console
// ends every line with CR LF, in pipes too.
void ExpectCrLfOnly(const std::string& output) {
  for (std::size_t at = output.find('\n'); at != std::string::npos;
       at = output.find('\n', at + 1)) {
    if (at == 0 || output[at - 1] != '\r') {
      ADD_FAILURE() << "a line feed without CR at byte " << at << " of devmgr's output";
      return;
    }
  }
}

}  // namespace

SessionResult RunBinary(const std::string& dir, std::string_view input) {
  Handle in_read, in_write, out_read, out_write, err;
  MakePipe(&in_read, &in_write, true);
  MakePipe(&out_read, &out_write, false);
  // The child's standard error is the test's (warnings land in the test log).
  if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_ERROR_HANDLE), GetCurrentProcess(),
                       err.out(), 0, TRUE, DUPLICATE_SAME_ACCESS)) {
    err.Close();
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in_read.get();
  startup.hStdOutput = out_write.get();
  startup.hStdError = err.get();
  const std::wstring program = ProgramPath();
  std::wstring command_line = L"\"" + program + L"\"";
  const std::wstring work_dir = std::filesystem::path(dir).wstring();
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      work_dir.c_str(), &startup, &process)) {
    throw std::runtime_error("CreateProcessW: error " + std::to_string(GetLastError()));
  }
  Handle process_handle, thread_handle;
  *process_handle.out() = process.hProcess;
  *thread_handle.out() = process.hThread;
  in_read.Close();
  out_write.Close();
  err.Close();
  // The child may end before it has read all input: the feeder then stops at the error.
  std::thread feeder([&in_write, in = std::string(input)] {
    std::size_t off = 0;
    while (off < in.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(in.size() - off, 1 << 16));
      DWORD n = 0;
      if (!WriteFile(in_write.get(), in.data() + off, chunk, &n, nullptr) || n == 0) break;
      off += n;
    }
    in_write.Close();
  });
  SessionResult result;
  char buf[65536];
  DWORD n = 0;
  while (ReadFile(out_read.get(), buf, sizeof buf, &n, nullptr) && n > 0) {
    result.output.append(buf, n);
  }
  feeder.join();
  WaitForSingleObject(process_handle.get(), INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(process_handle.get(), &status);
  result.status = static_cast<int>(status);
  ExpectCrLfOnly(result.output);
  result.output = NormaliseTimes(CrLfToLf(std::move(result.output)));
  return result;
}

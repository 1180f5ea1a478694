// Another program that holds a file open with a share mode, for a time or until the case
// ends: hold_file.exe (hold_file_win.cpp), started by the tests of the Windows build.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <string_view>

// A path built for the host as a Windows path: a cross build's Unix paths through Z:.
inline std::wstring WindowsPath(const std::filesystem::path& path) {
  std::wstring wide = path.wstring();
  if (!wide.empty() && wide[0] == L'/') wide = L"Z:" + wide;
  for (wchar_t& c : wide) c = c == L'/' ? L'\\' : c;
  return wide;
}

// Starts hold_file.exe on file with share ("r", "rw", "rd", "rwd", "none") for ms
// milliseconds, and waits until it says the file is open. The destructor ends it.
class Holder {
 public:
  Holder(const std::wstring& file, const wchar_t* share, DWORD ms) {
    const std::wstring program = WindowsPath(DEVMGR_HOLD_FILE);
    std::wstring line = L"\"" + program + L"\" \"" + file + L"\" " + share + L" " +
                        std::to_wstring(ms);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    CreatePipe(&read, &write, &inherit, 0);
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    PROCESS_INFORMATION started{};
    CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                   &startup, &started);
    CloseHandle(write);
    char said[5] = {};
    DWORD n = 0;
    for (DWORD got = 0; got < 4 && ReadFile(read, said + got, 4 - got, &n, nullptr) && n > 0;) {
      got += n;
    }
    held_ = std::string_view(said) == "held";  // the file is open
    CloseHandle(read);
    CloseHandle(started.hThread);
    process_ = started.hProcess;
  }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;
  ~Holder() {
    TerminateProcess(process_, 0);
    WaitForSingleObject(process_, INFINITE);
    CloseHandle(process_);
  }

  bool held() const { return held_; }
  // Waits until the holder lets go by itself, its time over.
  void WaitUntilDone() const { WaitForSingleObject(process_, INFINITE); }

 private:
  HANDLE process_ = nullptr;
  bool held_ = false;
};

// Test harnesses: a whole console dialogue in-process, or the real binary in a pipe,
// each in a fresh temporary working directory; and GBK from UTF-8 for expectations.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Converts UTF-8 text to GBK bytes, so expected transcripts can be written readable.
std::string Gbk(std::string_view utf8);

// Converts GBK bytes to UTF-8 (for readable failure messages).
std::string Utf8(std::string_view gbk);

// The UTF-16LE bytes of valid UTF-8 text, without a byte-order mark.
std::string Utf16Le(std::string_view utf8);

// A fresh temporary directory that the test works in; removed with its content after.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

// What a session printed and how it ended.
struct SessionResult {
  std::string output;  // every byte written to standard output
  int status = -1;     // exit status
  int pauses = 0;      // number of pauses, each of which must be 1000 ms
};

// Runs ShowMenu until the session ends, in-process, with the globals reset first, input
// given as a string, the clock standing still (every elapsed time is 0) and the pause
// counted instead of slept. Works in dir (the process's working directory changes for
// the duration).
SessionResult RunInProcess(const std::string& dir, std::string_view input);

// RunInProcess without the resets: the session starts from the globals as the test set
// them up, and the test can inspect them after. The caller resets them.
SessionResult RunInProcessKeepingState(const std::string& dir, std::string_view input);

// Starts the built devmgr in dir, feeds input through a pipe and collects standard output.
// Elapsed times in the output are replaced by 0. On POSIX systems the pause shim is
// preloaded (session_posix.cpp); on Windows the program really pauses, and its CR LF line
// ends are read as LF, a line feed without its CR counting as a test failure
// (session_win.cpp).
SessionResult RunBinary(const std::string& dir, std::string_view input);

// Replaces the number before every " 毫秒" (GBK) by 0.
std::string NormaliseTimes(std::string output);

// Replaces every CR LF by LF.
std::string CrLfToLf(std::string text);

// Reads a whole file; "<missing>" when it cannot be read. On Windows, where the program
// writes its files with CR LF line ends, CR LF is read as LF.
std::string ReadFile(const std::string& path);

// Writes bytes to a file, unchanged, replacing what it held.
void WriteFile(const std::string& path, std::string_view bytes);

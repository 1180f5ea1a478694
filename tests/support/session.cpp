#include "support/session.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "console/globals.h"
#include "console/io.h"
#include "console/operations.h"
#include "convert_text.h"

extern char** environ;

namespace {

std::string Convert(std::string_view in, const char* to, const char* from) {
  std::string out;
  if (!ConvertText(in, to, from, &out)) throw std::runtime_error("iconv: bad input");
  return out;
}

// Thrown by the test wiring's exit; unwinds the session back to the harness.
struct SessionEnded {
  int status;
};

}  // namespace

std::string Gbk(std::string_view utf8) { return Convert(utf8, "GBK", "UTF-8"); }

std::string Utf8(std::string_view gbk) {
  try {
    return Convert(gbk, "UTF-8", "GBK");
  } catch (const std::exception&) {
    return std::string(gbk);
  }
}

TempDir::TempDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "devmgr-test-XXXXXX").string();
  if (::mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp");
  path_ = templ;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

namespace {

SessionResult RunSession(const std::string& dir, std::string_view input, bool reset) {
  SessionResult result;
  std::string in(input);
  std::size_t pos = 0;
  con::Wiring w;
  w.read = [&](char* buf, std::size_t cap) {
    std::size_t n = std::min(cap, in.size() - pos);
    in.copy(buf, n, pos);
    pos += n;
    return n;
  };
  w.write = [&](std::string_view bytes) { result.output.append(bytes); };
  w.pause = [&](int ms) {
    if (ms == 1000) ++result.pauses;
  };
  w.now_ms = [] { return int64_t{0}; };
  w.exit = [](int status) { throw SessionEnded{status}; };
  if (reset) ResetGlobals();
  con::Wire(std::move(w));
  const auto old_dir = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  try {
    RunMenuLoop();
  } catch (const SessionEnded& end) {
    result.status = end.status;
  }
  std::filesystem::current_path(old_dir);
  con::Wire(con::ProcessWiring());
  if (reset) ResetGlobals();
  return result;
}

}  // namespace

SessionResult RunInProcess(const std::string& dir, std::string_view input) {
  return RunSession(dir, input, true);
}

SessionResult RunInProcessKeepingState(const std::string& dir, std::string_view input) {
  return RunSession(dir, input, false);
}

std::string NormaliseTimes(std::string output) {
  const std::string unit = Gbk(" 毫秒");
  std::size_t at = 0;
  while ((at = output.find(unit, at)) != std::string::npos) {
    std::size_t begin = at;
    while (begin > 0 && output[begin - 1] >= '0' && output[begin - 1] <= '9') --begin;
    if (begin < at) {
      output.replace(begin, at - begin, "0");
      at = begin + 1;
    }
    at += unit.size();
  }
  return output;
}

SessionResult RunBinary(const std::string& dir, std::string_view input) {
  ::signal(SIGPIPE, SIG_IGN);  // the child may end before it has read all input
  int to_child[2], from_child[2];
  if (::pipe(to_child) != 0 || ::pipe(from_child) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, to_child[0], 0);
  posix_spawn_file_actions_adddup2(&actions, from_child[1], 1);
  posix_spawn_file_actions_addclose(&actions, to_child[1]);
  posix_spawn_file_actions_addclose(&actions, from_child[0]);
  posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  std::vector<std::string> env_strings;
  std::string asan_options = "ASAN_OPTIONS=verify_asan_link_order=0";
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string_view var(*e);
    if (var.rfind("ASAN_OPTIONS=", 0) == 0) {
      asan_options += ":" + std::string(var.substr(13));
    } else if (var.rfind("LD_PRELOAD=", 0) != 0) {
      env_strings.emplace_back(var);
    }
  }
  env_strings.push_back(std::string("LD_PRELOAD=") + NOPAUSE_LIB);
  // A sanitized binary wants its runtime first; the shim only replaces the sleeps.
  env_strings.push_back(asan_options);
  std::vector<char*> envp;
  for (std::string& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);
  char* argv[] = {const_cast<char*>(DEVMGR_BIN), nullptr};
  pid_t pid;
  if (posix_spawn(&pid, DEVMGR_BIN, &actions, nullptr, argv, envp.data()) != 0) {
    throw std::runtime_error("posix_spawn");
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(to_child[0]);
  ::close(from_child[1]);
  std::string in(input);
  std::thread feeder([fd = to_child[1], in] {
    std::size_t off = 0;
    while (off < in.size()) {
      ssize_t n = ::write(fd, in.data() + off, in.size() - off);
      if (n <= 0) break;
      off += static_cast<std::size_t>(n);
    }
    ::close(fd);
  });
  SessionResult result;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(from_child[0], buf, sizeof buf);
    if (n <= 0) break;
    result.output.append(buf, static_cast<std::size_t>(n));
  }
  ::close(from_child[0]);
  feeder.join();
  int wstatus = 0;
  ::waitpid(pid, &wstatus, 0);
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  result.output = NormaliseTimes(result.output);
  return result;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// RunBinary on POSIX systems: devmgr started with posix_spawn, the pause shim preloaded.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/session.h"

extern char** environ;

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

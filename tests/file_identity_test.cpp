// What a save respects besides the content: where links lead, which files it refuses,
// and which leftover temporary files it sweeps.
#include "store/file_identity.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/session.h"

namespace {

namespace fs = std::filesystem;

// The resolved path relative to dir, "exists" or "new", or "refused: <reason>".
std::string Resolve(const TempDir& dir, const std::string& name) {
  SaveTarget target;
  std::string reason;
  if (!ResolveTarget(dir.File(name), &target, &reason)) return "refused";
  const std::string refusal = RefusalReason(target);
  if (!refusal.empty()) return "refused: " + refusal.substr(dir.path().size() + 1);
  return target.path.substr(dir.path().size() + 1) + (target.exists ? " exists" : " new");
}

TEST(FileIdentity, FollowsLinksAndRefusesDirectoriesAndSharedInodes) {
  TempDir dir;
  fs::create_directory(dir.File("sub"));
  WriteFile(dir.File("sub/real"), "x");
  fs::create_symlink("sub/real", dir.File("rel"));    // relative to the link's directory
  fs::create_symlink("real", dir.File("sub/inner"));  // relative inside sub
  fs::create_symlink("sub/inner", dir.File("chain"));
  fs::create_symlink(dir.File("sub/real"), dir.File("abs"));
  fs::create_symlink("../gone", dir.File("sub/dangling"));
  fs::create_symlink("loop2", dir.File("loop1"));
  fs::create_symlink("loop1", dir.File("loop2"));
  fs::create_symlink("sub", dir.File("dirlink"));
  WriteFile(dir.File("linked"), "y");
  fs::create_hard_link(dir.File("linked"), dir.File("other"));
  WriteFile(dir.File("kept"), "z");
  fs::create_hard_link(dir.File("kept"), dir.File("kept~"));
  const struct {
    const char* name;
    const char* expected;
  } kCases[] = {
      {"plain", "plain new"},
      {"rel", "sub/real exists"},
      {"chain", "sub/real exists"},
      {"abs", "sub/real exists"},
      {"sub/dangling", "sub/../gone new"},
      {"loop1", "refused"},
      {"dirlink", "refused: sub: is a directory"},
      {"linked", "refused: linked: has 2 hard links; replacing it would break them"},
      {"kept", "kept exists"},  // the second link is its own backup
  };
  for (const auto& c : kCases) EXPECT_EQ(Resolve(dir, c.name), c.expected) << c.name;
}

// A process that has ended: its pid is free (until reused, which takes a while).
pid_t EndedProcess() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

TEST(FileIdentity, SweepsTemporariesOfEndedProcessesOnly) {
  TempDir dir;
  const std::string dead = std::to_string(EndedProcess());
  const std::string kept[] = {
      ".dev.out.tmp-" + std::to_string(::getpid()) + "-0",   // this process
      ".dev.out.tmp-" + std::to_string(::getppid()) + "-1",  // a live one
      ".query.out.tmp-" + dead + "-0",                       // another file's
      ".dev.out.tmp-x" + dead + "-0",
      "dev.out",
  };
  for (const std::string& name : kept) WriteFile(dir.File(name), "t");
  WriteFile(dir.File(".dev.out.tmp-" + dead + "-0"), "t");
  WriteFile(dir.File(".dev.out.tmp-" + dead + "-7"), "t");
  SweepStaleTemporaries(dir.File("dev.out"));
  std::size_t left = 0;
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    EXPECT_EQ(entry.path().filename().string().find(".dev.out.tmp-" + dead), std::string::npos);
    ++left;
  }
  EXPECT_EQ(left, std::size(kept));
}

}  // namespace

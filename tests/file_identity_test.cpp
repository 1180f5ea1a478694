// Where a save goes and what it refuses: links followed to the file they end at,
// directories and files with other hard links refused.
#include "files/file_identity.h"

#include <gtest/gtest.h>

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

}  // namespace

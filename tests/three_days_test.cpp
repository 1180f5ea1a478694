// Days of work without --load, as a new user goes about them, through the real program:
// one day imports a file, the next two add one record each. No day's records are lost:
// after each session dev.out, dev.out~ and the numbered backups hold what they must, the
// first day's dev.out is a numbered backup byte for byte, and importing that backup
// through the menu brings its records back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/session.h"

namespace {

// The bytes of a file exactly as on disk (CR LF on Windows); "<missing>" when there is none.
std::string Raw(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The numbered backups in dir, dev.out.~1~ first, up to the first number missing.
std::vector<std::string> NumberedBackups(const TempDir& dir) {
  std::vector<std::string> found;
  while (std::filesystem::exists(dir.File("dev.out.~" + std::to_string(found.size() + 1) + "~"))) {
    found.push_back(ReadFile(dir.File("dev.out.~" + std::to_string(found.size() + 1) + "~")));
  }
  return found;
}

TEST(ThreeDays, EveryDaysRecordsStayOnDiskAndComeBackThroughTheMenu) {
  TempDir dir;
  WriteFile(dir.File("devices.txt"), "D1 PC Li IT 2 2021.3.15 6499\nD2 Pad Wu HR 1 2022.1.9 1999\n");
  const std::string day1 = "1 D1 PC Li IT 2 2021.3.15 6499\n2 D2 Pad Wu HR 1 2022.1.9 1999\n";
  const std::string day2 = "1 X1 PC Bob IT 1 2024.1.1 10\n";
  const std::string day3 = "1 X2 PC Ann IT 1 2024.1.1 10\n";
  const struct {
    const char* session;
    std::string dev_out, backup;
    std::vector<std::string> numbered;
  } kDays[] = {
      {"1\n1\ndevices.txt\n0\n", day1, "<missing>", {}},
      {"1\n2\nX1 PC Bob IT 1 2024.1.1 10\n0\n", day2, day1, {}},
      {"1\n2\nX2 PC Ann IT 1 2024.1.1 10\n0\n", day3, day2, {day1}},
      // The first day's records, back from their numbered backup.
      {"1\n1\ndev.out.~1~\n0\n", day1, day3, {day1, day2}},
      // dev.out imported into an empty session is dev.out again: the next session finds
      // dev.out~ the same as dev.out and adds no numbered backup.
      {"1\n1\ndev.out\n0\n", day1, day1, {day1, day2, day3}},
      {"1\n1\ndev.out\n0\n", day1, day1, {day1, day2, day3}},
  };
  std::string first_day_bytes;
  for (const auto& day : kDays) {
    SCOPED_TRACE(day.session);
    const SessionResult r = RunBinary(dir.path(), day.session);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ReadFile(dir.File("dev.out")), day.dev_out);
    EXPECT_EQ(ReadFile(dir.File("dev.out~")), day.backup);
    EXPECT_EQ(NumberedBackups(dir), day.numbered);
    if (first_day_bytes.empty()) first_day_bytes = Raw(dir.File("dev.out"));
  }
  EXPECT_EQ(Raw(dir.File("dev.out.~1~")), first_day_bytes) << "byte for byte";
}

}  // namespace

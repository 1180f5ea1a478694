// Memory follows the data: the text store gives back what no live record refers to, and
// never what one still does.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

#include "console/globals.h"
#include "model/text.h"
#include "store/import_file.h"
#include "support/records.h"
#include "support/session.h"

namespace {

// Every field of every record of list, records separated by " | ".
std::string AllFields(const DevList& list) {
  std::string out;
  for (const device& record : list) {
    if (!out.empty()) out += " | ";
    for (Text device::* field : kDeviceFields) (out += ' ') += (record.*field).view();
  }
  return out;
}

constexpr std::size_t kPadding = 64;  // blank bytes the import keeps behind a file

class TextReclaim : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    files_ = {{"a", "A1 nA hA dA 1 2042.1.1 1\nA2 nA hA dA 2 2042.1.2 2\n"},
              {"b", "B1 nB hB dB 3 2042.1.3 3\n"},
              {"blank", std::string(5000, ' ') + "\n\t\n"}};
    for (const auto& [name, bytes] : files_) WriteFile(dir_.File(name), bytes);
  }
  void TearDown() override { ResetGlobals(); }

  // The bytes the store holds for the imported files named.
  std::size_t Held(std::initializer_list<const char*> names) {
    std::size_t sum = 0;
    for (const char* name : names) sum += files_[name].size() + kPadding;
    return sum;
  }

  TempDir dir_;
  std::map<std::string, std::string> files_;
};

// After each dialogue the store holds exactly the files that dev or a snapshot uses.
TEST_F(TextReclaim, StoreHoldsTheFilesThatLiveRecordsUse) {
  const struct Case {
    const char* input;
    std::size_t held;
    const char* codes;
  } cases[] = {
      {"1 1 a 7 1 1 b 0", Held({"b"}), "1:B1"},
      {"1 1 a 1 1 b 0", Held({"a", "b"}), "1:A1 2:A2 3:B1"},
      {"1 1 a 4 2 0", Held({"a"}), ""},  // the snapshot before the deletion uses a
      {"1 1 a 4 2 1 1 b 0", Held({"b"}), "1:B1"},
      {"1 1 a 4 2 7 0", Held({"a"}), "1:A1 2:A2"},
      {"1 1 a 7 7 1 1 b 0", Held({"a", "b"}), "1:A1 2:A2 3:B1"},
      {"1 1 a 5 2 n 7 1 1 b 0", Held({"a", "b"}), "1:A1 2:A2 3:B1"},
      {"1 1 blank 1 1 blank 1 1 blank 1 1 blank 1 1 blank 0", 0, ""},
      {"1 1 a 1 1 blank 4 2 4 2 1 1 b 0", Held({"b"}), "1:B1"},
  };
  for (const Case& c : cases) {
    RunInProcessKeepingState(dir_.path(), c.input);
    EXPECT_EQ(Texts().bytes_held(), c.held) << c.input;
    EXPECT_EQ(Render(dev), c.codes) << c.input;
    ResetGlobals();
  }
}

// Typed fields go into blocks of the store, an imported file is adopted beside them:
// neither may overwrite the other. A block whose records are gone is given back, and the
// texts typed into the next one stay.
TEST_F(TextReclaim, TypedAndImportedFieldsStayIntact) {
  const std::string t1 = "1 2 " + std::string(65000, 'x') + " nT hT dT 4 2042.2.1 9 ";
  const std::string t2 = "1 2 " + std::string(600, 'z') + " nU hU dU 5 2042.2.2 8 ";
  RunInProcessKeepingState(dir_.path(), t1 + "1 1 a " + t2 + "0");
  const std::string a = " A1 nA hA dA 1 2042.1.1 1 |  A2 nA hA dA 2 2042.1.2 2 | ";
  const std::string typed2 = " " + std::string(600, 'z') + " nU hU dU 5 2042.2.2 8";
  EXPECT_EQ(AllFields(dev), " " + std::string(65000, 'x') + " nT hT dT 4 2042.2.1 9 | " + a +
                                typed2);
  // Delete the first typed record, then sort: the snapshot that held it is dropped.
  RunInProcessKeepingState(dir_.path(), "4 1 1 5 2 n 0");
  EXPECT_EQ(AllFields(dev), a + typed2);
  EXPECT_EQ(Texts().bytes_held(), Held({"a"}) + 64 * 1024) << "the first block is freed";
}

// Memory running out in the middle of a file leaves the list as it was and the store
// as before the import.
TEST_F(TextReclaim, MemoryRunningOutMidFileLeavesTheListAlone) {
  const std::string file = files_["a"] + "L1 " + std::string(70000, 'y') + " h d 1 2 3\n" +
                           files_["b"];
  WriteFile(dir_.File("long"), file);
  DevList list = ListOf({"K1 n h d 1 2042.1.1 1"});
  const DevList before = list;
  const std::size_t held = Texts().bytes_held();
  // Room for the file, not for the copy of the long field behind the first two records.
  Texts().set_limit(held + file.size() + kPadding + 1000);
  EXPECT_EQ(AppendImportFile(dir_.File("long"), list), ImportResult::kOpenFailed);
  EXPECT_EQ(AllFields(list), AllFields(before));
  EXPECT_EQ(Texts().bytes_held(), held);
  Texts().set_limit(SIZE_MAX);
  EXPECT_EQ(AppendImportFile(dir_.File("long"), list), ImportResult::kOk);
  EXPECT_EQ(Render(list), "1:K1 0:A1 0:A2 0:L1 0:B1");
}

}  // namespace

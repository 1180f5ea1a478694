// Import files written in UTF-8: converted to GB18030 before they are cut into records,
// with or without a byte-order mark; every other file is read byte for byte.
#include <gtest/gtest.h>

#include "console/globals.h"
#include "store/import_file.h"
#include "support/session.h"

namespace {

// "serial-less fields, blank-separated; records by |", and what the import noted.
struct Imported {
  std::string records;
  ImportNotes notes;
};

Imported Import(const std::string& path) {
  Imported out;
  DevList list;
  EXPECT_EQ(AppendImportFile(path, list, &out.notes), ImportResult::kOk) << path;
  for (const device& d : list) {
    for (Text device::*field : kDeviceFields) out.records += std::string((d.*field).view()) + " ";
    out.records += "|";
  }
  return out;
}

class ImportUtf8Test : public ::testing::Test {
 protected:
  void TearDown() override { ResetGlobals(); }
  TempDir dir_;
};

TEST_F(ImportUtf8Test, Utf8FileGivesTheRecordsOfItsGbkTwin) {
  const std::string gbk = ReadFile(EXAMPLES_DIR "/devices.txt");
  const std::string utf8 = ReadFile(EXAMPLES_DIR "/devices.utf8.txt");
  ASSERT_NE(gbk, utf8);
  const Imported twin = Import(EXAMPLES_DIR "/devices.txt");
  EXPECT_FALSE(twin.notes.from_utf8);
  EXPECT_EQ(twin.notes.words, 84u);
  EXPECT_NE(twin.records.find(Gbk("笔记本电脑")), std::string::npos);
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"UTF-8", utf8},
      {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + utf8},
      {"CR LF line ends",
       [&] {
         std::string crlf;
         for (char c : utf8) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
         return crlf;
       }()},
  };
  for (const Case& c : cases) {
    WriteFile(dir_.File("in.txt"), c.bytes);
    const Imported got = Import(dir_.File("in.txt"));
    EXPECT_EQ(got.records, twin.records) << c.name << ": " << Utf8(got.records);
    EXPECT_TRUE(got.notes.from_utf8) << c.name;
    EXPECT_EQ(got.notes.words, 84u) << c.name;
  }
}

TEST_F(ImportUtf8Test, OtherFilesAreTakenByteForByte) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string records;
    std::size_t words;
  } cases[] = {
      {"ASCII", "a b c d e f g", "a b c d e f g |", 7},
      {"byte-order mark alone on ASCII is dropped",
       "\xEF\xBB\xBF"
       "a b c d e f g h",
       "a b c d e f g |", 8},
      {"GBK Chinese", Gbk("设备 甲 乙 丙 1 2020.1.1 9"), Gbk("设备 甲 乙 丙 1 2020.1.1 9 |"), 7},
      {"UTF-8 with one invalid byte", "设备 \xFF b c d e f", "设备 \xFF b c d e f |", 7},
      {"nine words", "a b c d e f g h i", "a b c d e f g |", 9},
  };
  for (const Case& c : cases) {
    WriteFile(dir_.File("in.txt"), c.bytes);
    const Imported got = Import(dir_.File("in.txt"));
    EXPECT_EQ(got.records, c.records) << c.name;
    EXPECT_EQ(got.notes.words, c.words) << c.name;
  }
}

}  // namespace

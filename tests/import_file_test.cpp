// Reading import files: tokens across any line layout, seven to a record, kept byte for
// byte; files that cannot be read leave the list alone.
#include "store/import_file.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>

#include "console/globals.h"
#include "store/blank_mask.h"
#include "support/session.h"

namespace {

// "code,name,holder,department,quantity,purchaseTime,price|..." for a whole list.
std::string Render(const DevList& list) {
  std::string out;
  for (const device& d : list) {
    if (!out.empty()) out += '|';
    for (Text device::*field : kDeviceFields) {
      if (field != kDeviceFields[0]) out += ',';
      out += (d.*field).view();
    }
  }
  return out;
}

class ImportFileTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetGlobals(); }

  // Imports bytes written to a file into a fresh list and renders the result.
  std::string Import(std::string_view bytes) {
    WriteFile(dir_.File("in.txt"), bytes);
    DevList list;
    EXPECT_EQ(AppendImportFile(dir_.File("in.txt"), list), ImportResult::kOk);
    return Render(list);
  }

  TempDir dir_;
};

TEST_F(ImportFileTest, TokensAreGroupedBySevensWhateverTheLineLayout) {
  const std::string ab = "a1,a2,a3,a4,a5,a6,a7|b1,b2,b3,b4,b5,b6,b7";
  struct Case {
    const char* name;
    std::string bytes;
    std::string records;
  } cases[] = {
      {"one record a line, LF", "a1 a2 a3 a4 a5 a6 a7\nb1 b2 b3 b4 b5 b6 b7\n", ab},
      {"CR LF", "a1 a2 a3 a4 a5 a6 a7\r\nb1 b2 b3 b4 b5 b6 b7\r\n", ab},
      {"lone CR", "a1 a2 a3 a4 a5 a6 a7\rb1 b2 b3 b4 b5 b6 b7\r", ab},
      {"no final line end", "a1 a2 a3 a4 a5 a6 a7\nb1 b2 b3 b4 b5 b6 b7", ab},
      {"spanning lines", "a1 a2 a3\na4 a5 a6 a7 b1\n\n  b2\tb3 b4 b5 b6 b7", ab},
      {"both on one line", "a1 a2 a3 a4 a5 a6 a7 b1 b2 b3 b4 b5 b6 b7", ab},
      {"VT, FF and runs of blanks", "\v\fa1\t\ta2  a3\fa4\va5 \r\n a6 a7 \f", ab.substr(0, 20)},
      {"15 tokens", "a1 a2 a3 a4 a5 a6 a7 b1 b2 b3 b4 b5 b6 b7 c1", ab},
      {"6 tokens", "a1 a2 a3 a4 a5 a6\n", ""},
      {"empty", "", ""},
      {"whitespace only", " \t\r\n\v\f\r\n", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Import(c.bytes), c.records) << c.name;
}

TEST(BlankMask, MarksExactlyTheSixSeparatorsAmongAllByteValues) {
  char bytes[256];
  for (int i = 0; i < 256; ++i) bytes[i] = static_cast<char>(i);
  for (int block = 0; block < 4; ++block) {
    const uint64_t mask = BlankMask64(bytes + 64 * block);
    for (int i = 0; i < 64; ++i) {
      const int c = 64 * block + i;
      const bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
      EXPECT_EQ((mask >> i) & 1, blank ? 1u : 0u) << "byte " << c;
    }
  }
}

TEST_F(ImportFileTest, TokensAcrossAndAtTheEndsOfBlocks) {
  // Tokens of every length from 1 to 69 put their ends at many offsets of a 64-byte block;
  // the seventieth token ends the file without a blank, once at a multiple of 64 bytes.
  for (std::size_t tail : {std::size_t{0}, std::size_t{1}, std::size_t{5}}) {
    std::string file;
    std::vector<std::string> tokens;
    for (int len = 1; len <= 69; ++len) {
      tokens.push_back(
          std::string(static_cast<std::size_t>(len), static_cast<char>('a' + len % 26)));
      file += tokens.back() + (len % 2 ? " " : "\r\n");
    }
    const std::size_t pad = (64 - (file.size() + 6) % 64) % 64 + tail;
    file += std::string(pad, ' ') + "last42";
    tokens.push_back("last42");
    if (tail == 0) {
      ASSERT_EQ(file.size() % 64, 0u);
    }
    std::string expected;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      expected += (i == 0 ? "" : i % 7 ? "," : "|") + tokens[i];
    }
    const std::string records = Import(file);
    EXPECT_EQ(records, expected) << "tail " << tail;
  }
}

TEST_F(ImportFileTest, BytesAreKeptUnchanged) {
  const std::string gbk = Gbk("打印机");
  const std::string bytes = std::string("x\0y", 3) + " " + gbk + " \x01\x7f a,b 0003 2042..5 -1\n";
  EXPECT_EQ(Import(bytes), std::string("x\0y", 3) + "," + gbk + ",\x01\x7f,a,b,0003,2042..5,-1");
}

// Nine record lines "k Ck Nk Hk Dk k 2042.1.k Pk", then after.
std::string NineRecordLines(std::string_view after = "", std::string_view eol = "\n") {
  std::string file;
  for (int i = 1; i <= 9; ++i) {
    const std::string n = std::to_string(i);
    file += n + " C" + n + " N" + n + " H" + n + " D" + n + " " + n + " 2042.1." + n + " P" + n;
    file += eol;
  }
  return file + std::string(after);
}

TEST_F(ImportFileTest, RecordFilesGiveTheirRecordsOtherFilesGoBySevens) {
  const std::string kA = "1 A n h d 1 t 9\n";
  const std::string kAb = "A,n,h,d,1,t,9|B,n,h,d,2,t,8";
  const std::string kGbk = Gbk("打印机");
  // Regrouped by sevens, record k starts k - 1 tokens before line k.
  const std::string kSevens = "1,C1,N1,H1,D1,1,2042.1.1|P1,2,C2,N2,H2,D2,2|2042.1.2,P2,3,C3,N3,H3,D3";
  const struct {
    const char* name;
    std::string bytes;
    std::string records;  // the rendering, or the start of it
    bool record_file;
  } kCases[] = {
      {"LF", kA + "2 B n h d 2 t 8\n", kAb, true},
      {"CR LF", "1 A n h d 1 t 9\r\n2\tB  n h d 2 t 8 \r\n", kAb, true},
      {"blank lines", "\n\r\n" + kA + " \t\n\n2 B n h d 2 t 8\n\n", kAb, true},
      {"no final line end", kA + "2 B n h d 2 t 8", kAb, true},
      {"UTF-8", "\xEF\xBB\xBF" "1 A 打印机 h d 1 t 9\n", "A," + kGbk + ",h,d,1,t,9", true},
      {"nine lines", NineRecordLines(), "C1,N1,H1,D1,1,2042.1.1,P1|C2,N2,H2,D2,2,2042.1.2,P2", true},
      {"a wrong serial", NineRecordLines("11 C N H D 1 t P\n"), kSevens, false},
      {"a serial with a leading zero", "01 A n h d 1 t 9\n2 B n h d 2 t 8\n",
       "01,A,n,h,d,1,t|9,2,B,n,h,d,2", false},
      {"seven tokens on a line", kA + "2 B n h d 2 t\n", "1,A,n,h,d,1,t|9,2,B,n,h,d,2", false},
      {"nine tokens on a line", kA + "2 B n h d 2 t 8 x\n", "1,A,n,h,d,1,t|9,2,B,n,h,d,2", false},
      {"first word 1", "1 n h d 1 t 9 2 m h d 2 t 8\n", "1,n,h,d,1,t,9|2,m,h,d,2,t,8", false},
      {"first word 1, eight a line", "1 n h d 1 t 9 X\nn h d 2 t 8 Y\n",
       "1,n,h,d,1,t,9|X,n,h,d,2,t,8", false},
      {"a VT in a line", "1 A n h d 1\vt 9\n", "1,A,n,h,d,1,t", false},
  };
  for (const auto& c : kCases) {
    WriteFile(dir_.File("in.txt"), c.bytes);
    DevList list;
    ImportNotes notes;
    ASSERT_EQ(AppendImportFile(dir_.File("in.txt"), list, &notes), ImportResult::kOk) << c.name;
    EXPECT_EQ(Render(list).substr(0, c.records.size()), c.records) << c.name;
    EXPECT_EQ(notes.record_file, c.record_file) << c.name;
    EXPECT_EQ(notes.records, list.size()) << c.name;
    EXPECT_EQ(notes.words == 0, c.record_file) << c.name;
  }
  // Ten lines of eight tokens by sevens: eleven records, the last three tokens dropped.
  const std::string sevens = Import(NineRecordLines("11 C N H D 1 t P\n"));
  EXPECT_EQ(std::count(sevens.begin(), sevens.end(), '|') + 1, 11);
  EXPECT_EQ(sevens.substr(sevens.rfind('|') + 1), "2042.1.9,P9,11,C,N,H,D");
}

TEST_F(ImportFileTest, RecordsAreAppendedBehindTheListsOwn) {
  WriteFile(dir_.File("in.txt"), "b1 b2 b3 b4 b5 b6 b7");
  WriteFile(dir_.File("in2.txt"), "a1 a2 a3 a4 a5 a6 a7 x");
  DevList list;
  ASSERT_EQ(AppendImportFile(dir_.File("in2.txt"), list), ImportResult::kOk);
  const DevList before = list;
  ASSERT_EQ(AppendImportFile(dir_.File("in.txt"), list), ImportResult::kOk);
  EXPECT_EQ(Render(list), "a1,a2,a3,a4,a5,a6,a7|b1,b2,b3,b4,b5,b6,b7");
  EXPECT_EQ(Render(before), "a1,a2,a3,a4,a5,a6,a7") << "a list sharing the records keeps its own";
  EXPECT_EQ(list[1].serial, 0);
}

#ifndef _WIN32  // a file without permissions and a FIFO, as POSIX makes them
TEST_F(ImportFileTest, FilesThatCannotBeReadLeaveTheListAlone) {
  WriteFile(dir_.File("secret.txt"), "s1 s2 s3 s4 s5 s6 s7");
  ::chmod(dir_.File("secret.txt").c_str(), 0);
  const bool root_reads_anything = ::geteuid() == 0;
  std::filesystem::create_directory(dir_.File("sub"));
  for (const std::string& path : {dir_.File("missing.txt"), dir_.File("sub"), dir_.path(),
                                  dir_.File("secret.txt"), std::string()}) {
    if (root_reads_anything && path == dir_.File("secret.txt")) continue;
    WriteFile(dir_.File("in.txt"), "a1 a2 a3 a4 a5 a6 a7");
    DevList list;
    ASSERT_EQ(AppendImportFile(dir_.File("in.txt"), list), ImportResult::kOk);
    EXPECT_EQ(AppendImportFile(path, list), ImportResult::kOpenFailed) << path;
    EXPECT_EQ(Render(list), "a1,a2,a3,a4,a5,a6,a7") << path;
  }
}

TEST_F(ImportFileTest, FifoWithoutWriterReadsAsEmpty) {
  ASSERT_EQ(::mkfifo(dir_.File("fifo").c_str(), 0600), 0);
  DevList list;
  EXPECT_EQ(AppendImportFile(dir_.File("fifo"), list), ImportResult::kOk);
  EXPECT_TRUE(list.empty());
}
#endif

TEST_F(ImportFileTest, LargeFileKeepsEveryRecordInOrder) {
  std::string file;
  std::string expected;
  // Short records first, then long ones: the size estimate from the start is far too low.
  for (int i = 0; i < 20000; ++i) {
    const std::string n = std::to_string(i);
    const std::string pad(i < 10000 ? 1 : 40, 'x');
    file += n + " " + pad + " h d 1 2042.1.1 " + n + (i % 3 ? "\n" : "\r\n");
    if (i == 19999) expected = n + "," + pad + ",h,d,1,2042.1.1," + n;
  }
  WriteFile(dir_.File("in.txt"), file);
  DevList list;
  ASSERT_EQ(AppendImportFile(dir_.File("in.txt"), list), ImportResult::kOk);
  ASSERT_EQ(list.size(), 20000u);
  for (std::size_t i = 0; i < list.size(); ++i) {
    ASSERT_EQ(list[i].code.view(), std::to_string(i)) << i;
    ASSERT_EQ(list[i].price.view(), std::to_string(i)) << i;
  }
  EXPECT_EQ(Render(DevList({list[19999]})), expected);
}

}  // namespace

// Reading import files: tokens across any line layout, seven to a record, kept byte for
// byte; files that cannot be read leave the list alone.
#include "store/import_file.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <filesystem>
#include <vector>

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

// How a file was read, from its notes: "record file", "table", "table refused at N",
// "near record file at N" or "sevens".
std::string Shape(const ImportNotes& notes) {
  if (notes.record_file) return "record file";
  if (notes.near_fault.line > 0) return "near record file at " + std::to_string(notes.near_fault.line);
  if (notes.table.rows_at_fault > 0) {
    return "table refused at " + std::to_string(notes.table.faults.at(0).line);
  }
  return notes.table.separator != 0 ? "table" : "sevens";
}

// The sheet of six devices as a spreadsheet saves it, in UTF-8, separated by sep.
std::string Sheet(char sep) {
  std::string sheet =
      "设备编号\t设备名称\t领用人\t所属部门\t数量\t购买时间\t价格\r\n"
      "D001\t笔记本电脑\t王芳\t研发部\t2\t2021.3.15\t6499\r\n"
      "D002\tThinkPad X1 Carbon\t李强\t行政部\t1\t2020.11.2\t2380\r\n"
      "D003\t台式电脑\t张伟\t财务部\t4\t2019.7.20\t4200\r\n"
      "D004\t投影仪\t刘洋\t市场部\t1\t2022.1.8\t3599\r\n"
      "D005\tHP LaserJet Pro\t陈静\t市场部\t3\t2022.6.30\t5899\r\n"
      "D006\t交换机\t赵磊\t信息中心\t2\t2018.9.12\t12800\r\n";
  std::replace(sheet.begin(), sheet.end(), '\t', sep);
  return sheet;
}

// Its six records, rendered, in GBK.
const std::string kSheetRecords = Gbk(
    "D001,笔记本电脑,王芳,研发部,2,2021.3.15,6499|D002,ThinkPad_X1_Carbon,李强,行政部,1,"
    "2020.11.2,2380|D003,台式电脑,张伟,财务部,4,2019.7.20,4200|D004,投影仪,刘洋,市场部,1,"
    "2022.1.8,3599|D005,HP_LaserJet_Pro,陈静,市场部,3,2022.6.30,5899|D006,交换机,赵磊,"
    "信息中心,2,2018.9.12,12800");

std::string Utf16LeWithMark(std::string_view utf8) { return "\xFF\xFE" + Utf16Le(utf8); }

// One table over the recognition of a file's shape: the spreadsheet's three formats, other
// tables, record files, record files gone wrong, and files read by sevens.
TEST_F(ImportFileTest, EachShapeOfFileIsReadAsItself) {
  const std::string kA = "1 A n h d 1 t 9\n";
  const std::string kAb = "A,n,h,d,1,t,9|B,n,h,d,2,t,8";
  const std::string kGbk = Gbk("打印机");
  const std::string kHeader = "code\tname\tholder\tdepartment\tquantity\tpurchase time\tprice\n";
  const std::string kQuery = "1 A n h d 1 t 9\n2 B n h d 2 t 8\n3 C n h d 3 t 7\n";
  const struct {
    const char* name;
    std::string bytes;
    std::string records;  // the rendering, or the start of it
    std::string shape;
  } kCases[] = {
      {"sheet, GBK tabs", Gbk(Sheet('\t')), kSheetRecords, "table"},
      {"sheet, UTF-16 LE tabs", Utf16LeWithMark(Sheet('\t')), kSheetRecords, "table"},
      {"sheet, GBK CSV", Gbk(Sheet(',')), kSheetRecords, "table"},
      {"columns reordered, serial and extra columns",
       Gbk("序列号\t价格\t设备名称\t备注\t设备编号\t领用人\t所属部门\t数量\t购买时间\n"
           "1\t9\tpc\tnew\tD1\t王芳\tit\t1\t2021-03-05\n"),
       "D1,pc," + Gbk("王芳") + ",it,1,2021.3.5,9", "table"},
      {"English header in any case, dates",
       "CODE,Name,holder,Dept,QTY,Purchase_Date,Price\nD1,a,b,c,1,2021/3/15,9\n"
       "D2,a,b,c,1," + Gbk("2021年12月1日") + ",9\n",
       "D1,a,b,c,1,2021.3.15,9|D2,a,b,c,1,2021.12.1,9", "table"},
      {"no header, trailing empty cells", "D1\tpc\tw\tit\t1\t2021.1.1\t9\t\t\r\n\t\t\n",
       "D1,pc,w,it,1,2021.1.1,9", "table"},
      {"quoted cells: comma, line end, quotes, guards",
       "D1,\"pc, big\",\" w \",\"i\r\nt\",1,'=1+1,=\"007\"\nD2,\"a \"\"b\"\"\",'-x,@a,-5,\"=\"\"4,200\"\"\",9\n",
       "D1,pc,_big,w,i_t,1,=1+1,007|D2,a_\"b\",-x,@a,-5,4,200,9", "table"},
      {"devmgr's own CSV, its guards and quotes",
       "\xEF\xBB\xBF序列号,设备编号,设备名称,领用人,所属部门,数量,购买时间,价格\r\n"
       "1,D001,笔记本电脑,王芳,研发部,2,2021.3.15,6499\r\n"
       "2,=\"007\",'=1+1,\"a,b\",\"say\"\"hi\"\"\",-5,'-x,'@a\r\n"
       "3,=\"1234567890123456\",\"=\"\"4,200\"\"\",=\"+3\",h,=\"1.10\",t,=\"1e5\"\r\n",
       Gbk("D001,笔记本电脑,王芳,研发部,2,2021.3.15,6499|007,=1+1,a,b,say\"hi\",-5,-x,@a|"
           "1234567890123456,4,200,+3,h,1.10,t,1e5"),
       "table"},
      {"an empty cell", kHeader + "D1\tpc\t\tit\t1\tt\t9\nD2\tpc\tw\tit\t1\tt\t9\n", "",
       "table refused at 2"},
      {"an ideographic space alone", Gbk("D1,pc,　,it,1,t,9\n"), "", "table refused at 1"},
      {"a row longer than the header", kHeader + "D1\tpc\tw\tit\t1\tt\t9\tx\n", "",
       "table refused at 2"},
      {"no header, a row of six", "D1\tpc\tw\tit\t1\tt\t9\nD2\tpc\tw\tit\t1\t9\n", "",
       "table refused at 2"},
      {"a header without price", "code\tname\tholder\tdepartment\tquantity\tdate\nD\tn\th\td\t1\tt\n",
       "", "table refused at 1"},
      {"seven words a line, tabs", "a1\ta2\ta3\ta4\ta5\ta6\ta7\nb1\tb2\tb3\tb4\tb5\tb6\tb7\n",
       "a1,a2,a3,a4,a5,a6,a7|b1,b2,b3,b4,b5,b6,b7", "table"},
      // Record files, as devmgr writes them.
      {"LF", kA + "2 B n h d 2 t 8\n", kAb, "record file"},
      {"CR LF", "1 A n h d 1 t 9\r\n2\tB  n h d 2 t 8 \r\n", kAb, "record file"},
      {"blank lines", "\n\r\n" + kA + " \t\n\n2 B n h d 2 t 8\n\n", kAb, "record file"},
      {"no final line end", kA + "2 B n h d 2 t 8", kAb, "record file"},
      {"UTF-8", "\xEF\xBB\xBF" "1 A 打印机 h d 1 t 9\n", "A," + kGbk + ",h,d,1,t,9", "record file"},
      {"UTF-8 mark, ASCII only", "\xEF\xBB\xBF" + kA, "A,n,h,d,1,t,9", "record file"},
      {"nine lines", NineRecordLines(), "C1,N1,H1,D1,1,2042.1.1,P1|C2,N2,H2,D2,2,2042.1.2,P2",
       "record file"},
      // Record files gone wrong: nothing, rather than their words by sevens.
      {"query.out and filter.out joined", kQuery + kQuery + "4 D n h d 4 t 6\n", "",
       "near record file at 4"},
      {"a wrong serial", NineRecordLines("11 C N H D 1 t P\n"), "", "near record file at 10"},
      {"a serial with a leading zero", "01 A n h d 1 t 9\n2 B n h d 2 t 8\n", "",
       "near record file at 1"},
      {"a mistyped serial", kQuery + "l4 D n h d 4 t 6\n5 E n h d 5 t 5\n", "",
       "near record file at 4"},
      {"CR line ends", "1 A n h d 1 t 9\r2 B n h d 2 t 8\r3 C n h d 3 t 7\r", "",
       "near record file at 1"},
      {"a cut last line", kQuery + "4 D n h", "", "near record file at 4"},
      // Any other file goes by sevens.
      {"seven tokens on a line", kA + "2 B n h d 2 t\n", "1,A,n,h,d,1,t|9,2,B,n,h,d,2", "sevens"},
      {"nine tokens on a line", kA + "2 B n h d 2 t 8 x\n", "1,A,n,h,d,1,t|9,2,B,n,h,d,2",
       "sevens"},
      {"first word 1", "1 n h d 1 t 9 2 m h d 2 t 8\n", "1,n,h,d,1,t,9|2,m,h,d,2,t,8", "sevens"},
      {"first word 1, eight a line", "1 n h d 1 t 9 X\nn h d 2 t 8 Y\n",
       "1,n,h,d,1,t,9|X,n,h,d,2,t,8", "sevens"},
      {"a VT in a line", "1 A n h d 1\vt 9\n", "1,A,n,h,d,1,t", "sevens"},
      {"comma in a word", "a1 a,2 a3 a4 a5 a6 a7\n", "a1,a,2,a3,a4,a5,a6,a7", "sevens"},
  };
  for (const auto& c : kCases) {
    WriteFile(dir_.File("in.txt"), c.bytes);
    DevList list;
    ImportNotes notes;
    ASSERT_EQ(AppendImportFile(dir_.File("in.txt"), list, &notes), ImportResult::kOk) << c.name;
    const std::string records = Render(list);
    EXPECT_EQ(c.records.empty() ? records : records.substr(0, c.records.size()), c.records)
        << c.name;
    EXPECT_EQ(Shape(notes), c.shape) << c.name;
    EXPECT_EQ(notes.records, list.size()) << c.name;
    EXPECT_EQ(notes.words == 0, c.shape != "sevens") << c.name;
  }
}

TEST_F(ImportFileTest, TableCellsAcrossAndAtTheEndsOfBlocks) {
  // Cells of every length from 1 to 70 end at many offsets of a 64-byte block, a blank
  // inside every fifth; lines end in LF or CR LF, the last one in the file's end.
  std::string file, expected;
  for (int row = 0; row < 60; ++row) {
    for (int f = 0; f < 7; ++f) {
      const auto length = static_cast<std::size_t>((row * 7 + f) % 70 + 1);
      std::string cell(length, static_cast<char>('a' + f));
      if ((row + f) % 5 == 0 && length > 2) cell[length / 2] = ' ';
      file += cell + (f < 6 ? "\t" : row % 2 ? "\r\n" : "\n");
      std::replace(cell.begin(), cell.end(), ' ', '_');
      expected += (f > 0 ? "," : row > 0 ? "|" : "") + cell;
    }
  }
  file.resize(file.size() - 1);  // no line end after the last row
  EXPECT_EQ(Import(file), expected);
}

// What a table's notes tell: the columns ignored, cells joined, dates rewritten, and the
// first rows at fault by line and column.
TEST_F(ImportFileTest, TableNotesNameWhatChangedAndWhatIsAtFault) {
  WriteFile(dir_.File("in.txt"),
            Gbk("序列号\t设备编号\t设备名称\t领用人\t备注\t所属部门\t数量\t购买时间\t价格\t位置\n"
                "1\tD1\tThinkPad X1\tw\tx\tit\t1\t2021/3/5\t9\t\n"
                "2\tD2\tpc\tw\tx\tit\t1\t2021-03-06\t9\tA\n"));
  DevList list;
  ImportNotes notes;
  ASSERT_EQ(AppendImportFile(dir_.File("in.txt"), list, &notes), ImportResult::kOk);
  EXPECT_TRUE(notes.table.header);
  EXPECT_EQ(notes.table.separator, '\t');
  EXPECT_EQ(notes.table.ignored, (std::vector<std::string>{Gbk("备注"), Gbk("位置")}));
  EXPECT_EQ(notes.table.joined, 1u);
  EXPECT_EQ(notes.table.first_joined, "ThinkPad_X1");
  EXPECT_EQ(notes.table.dates, 2u);
  EXPECT_EQ(notes.table.first_date + ">" + notes.table.first_date_now, "2021/3/5>2021.3.5");

  WriteFile(dir_.File("in.txt"), Gbk("设备编号,设备名称,领用人,所属部门,数量,购买时间,价格\n"
                                     "D1,pc,,it,1,t,9\n\nD2,pc,w,it,1,t,9,x\n"
                                     "D3,pc,w,it,1,t,9\nD4,\"a\nb\",w,it,1,t,9\nD5,pc,w,it,1,,9\n"));
  list = DevList();
  ASSERT_EQ(AppendImportFile(dir_.File("in.txt"), list, &notes), ImportResult::kOk);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(notes.table.rows_at_fault, 3u);
  ASSERT_EQ(notes.table.faults.size(), 3u);
  EXPECT_EQ(notes.table.faults[0].line, 2u);
  EXPECT_EQ(notes.table.faults[0].reason, Gbk("the cell in column 领用人 is empty"));
  EXPECT_EQ(notes.table.faults[1].line, 4u);
  EXPECT_EQ(notes.table.faults[1].reason, "8 cells, the header has 7");
  EXPECT_EQ(notes.table.faults[2].line, 8u) << "a quoted line end counts";
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

// Reading a record file to start a session from: what is a record line and what is not,
// and that a refused file leaves the list alone.
#include "store/load_records.h"

#include <gtest/gtest.h>

#include "console/globals.h"
#include "convert_text.h"
#include "store/file_text.h"
#include "support/session.h"

namespace {

// "serial:code,...,price|..." for a whole list.
std::string Render(const DevList& list) {
  std::string out;
  for (const device& d : list) {
    if (!out.empty()) out += '|';
    out += std::to_string(d.serial) + ":";
    for (Text device::*field : kDeviceFields) {
      if (field != kDeviceFields[0]) out += ',';
      out += (d.*field).view();
    }
  }
  return out;
}

// Loads bytes from a file; the rendered list, or "line N: reason" when refused.
std::string Load(const TempDir& dir, std::string_view bytes) {
  WriteFile(dir.File("dev.out"), bytes);
  DevList list;
  LoadError error;
  if (!LoadRecordFile(dir.File("dev.out"), list, &error)) {
    EXPECT_TRUE(list.empty());
    return "line " + std::to_string(error.line) + ": " + error.reason;
  }
  return Render(list);
}

TEST(LoadRecords, AcceptsRecordLinesAndRefusesOthersNamingTheLine) {
  const std::string kA = "1 A n h d 1 2042.1.1 9\n";
  const struct {
    std::string bytes;
    std::string expected;
  } kCases[] = {
      {"", ""},
      {kA, "1:A,n,h,d,1,2042.1.1,9"},
      {"1 A n h d 1 t 9\n2 B n h d 2 t 8", "1:A,n,h,d,1,t,9|2:B,n,h,d,2,t,8"},
      {"1 A n h d 1 t 9\r\n2\tB  n h d 2 t 8 \r\n", "1:A,n,h,d,1,t,9|2:B,n,h,d,2,t,8"},
      {std::string("1 A\0x n h d 1 t 9\n", 18), std::string("1:A\0x,n,h,d,1,t,9", 17)},
      // Blank lines anywhere, an editor's trailing one too, are skipped but counted.
      {"\n \t\r\n" + kA + "\n\n2 B n h d 2 t 8\n\n", "1:A,n,h,d,1,2042.1.1,9|2:B,n,h,d,2,t,8"},
      {kA + "\n3 A n h d 1 t 9\n", "line 3: the first field is not the serial 2"},
      {kA + "2 A n h d 1 t\n", "line 2: only 7 fields, expected a serial and seven"},
      {"1 A n h d 1 t 9 x\n", "line 1: more than eight fields, expected a serial and seven"},
      {"1 A n h d 1\vt 9\n", "line 1: a field holds a control character (VT, FF or CR)"},
      {"1 A n h d 1 t 9\r2 B n h d 2 t 8\n",
       "line 1: a field holds a control character (VT, FF or CR)"},
      {kA + kA, "line 2: the first field is not the serial 2"},
      {"0 A n h d 1 t 9\n", "line 1: the first field is not the serial 1"},
      {"01 A n h d 1 t 9\n", "line 1: the first field is not the serial 1"},
      {"+1 A n h d 1 t 9\n", "line 1: the first field is not the serial 1"},
      {"1x A n h d 1 t 9\n", "line 1: the first field is not the serial 1"},
      {"18446744073709551617 A n h d 1 t 9\n", "line 1: the first field is not the serial 1"},
      {"A n h d 1 t 9\n", "line 1: only 7 fields, expected a serial and seven"},
      // Saved again by a UTF-8 editor: converted, with or without a byte-order mark; GBK
      // text stays as it is.
      {"\xEF\xBB\xBF" "1 A 打印机 h d 1 t 9\n", "1:A," + Gbk("打印机") + ",h,d,1,t,9"},
      {Gbk("1 A 打印机 h d 1 t 9\n"), "1:A," + Gbk("打印机") + ",h,d,1,t,9"},
      // devmgr's own GBK that is valid UTF-8 too, and would weigh as UTF-8: read back
      // byte for byte, as a record file is GBK first.
      {Gbk("1 A n 宓翠华 d 1 t 9\n2 B n 骞崇华 d 1 t 9\n3 C n 宓存东 d 1 t 9\n"),
       Gbk("1:A,n,宓翠华,d,1,t,9|2:B,n,骞崇华,d,1,t,9|3:C,n,宓存东,d,1,t,9")},
      // A table gives its rows, numbered; one at fault is refused like a record file.
      {"code\tname\tholder\tdepartment\tquantity\tpurchase time\tprice\nD\tn\th\td\t1\tt\t9\n",
       "1:D,n,h,d,1,t,9"},
      {"D,n,h,d,1,t,9\nE,n,,d,1,t,9\n", "line 2: the cell in column 3 (holder) is empty"},
#ifndef _WIN32
      // A private-use character GB18030 has no form for stays; the rest is converted.
      // (Windows' code pages still map this one, U+E81E, to FE 59 as GB18030-2000 did.)
      {"\xEF\xBB\xBF" "1 A \uE81E打印机 h d 1 t 9\n", "1:A,\uE81E" + Gbk("打印机") + ",h,d,1,t,9"},
#endif
  };
  TempDir dir;
  for (const auto& c : kCases) EXPECT_EQ(Load(dir, c.bytes), c.expected) << c.bytes;
  ResetGlobals();
}

// --input-encoding: every file in the encoding chosen, whatever its bytes look like.
TEST(LoadRecords, TheSessionsEncodingOverridesTheRule) {
  using enum charset::FileEncoding;
  const std::string kGbk = Gbk("1 A n 宓翠华 d 1 t 9\n");
  std::string holder;  // the GBK bytes of 宓翠华 read as UTF-8, in GBK
  ASSERT_TRUE(ConvertText(Gbk("宓翠华"), "GBK", "UTF-8", &holder));
  const std::string utf16 = Utf16Le("1 A n h d 1 t 9\n");
  const struct {
    charset::FileEncoding encoding;
    std::string bytes;
    std::string expected;
  } kCases[] = {
      {kUtf8, kGbk, "1:A,n," + holder + ",d,1,t,9"},
      {kUtf16Le, utf16, "1:A,n,h,d,1,t,9"},
      {kGb18030, "\xEF\xBB\xBF" "1 A n h d 1 t 9\n", "line 1: the first field is not the serial 1"},
  };
  TempDir dir;
  for (const auto& c : kCases) {
    SetInputEncoding(c.encoding);
    EXPECT_EQ(Load(dir, c.bytes), c.expected) << c.bytes;
  }
  SetInputEncoding(std::nullopt);
  EXPECT_EQ(Load(dir, kGbk), Gbk("1:A,n,宓翠华,d,1,t,9")) << "the rule again";
  ResetGlobals();
}

TEST(LoadRecords, RefusesWhatIsNoReadableRegularFile) {
  TempDir dir;
  DevList list;
  LoadError error;
  EXPECT_FALSE(LoadRecordFile(dir.File("missing"), list, &error));
  EXPECT_EQ(error.line, 0u);
  EXPECT_EQ(error.reason, "cannot open: No such file or directory");
  EXPECT_FALSE(LoadRecordFile(dir.path(), list, &error));
  EXPECT_EQ(error.reason, "not a regular file");
  EXPECT_FALSE(LoadRecordFile("/dev/null", list, &error));
  EXPECT_TRUE(list.empty());
}

}  // namespace

// The console's transport: which encoding the environment and the terminals choose, and
// what the wrapped wiring shows and reads.
#include "console/terminal.h"

#include <gtest/gtest.h>

#include "convert_text.h"
#include "support/session.h"

namespace {

using con::ConsoleEncoding;
using con::TerminalFacts;

TEST(ChooseEncoding, EnvironmentAndTerminals) {
  const ConsoleEncoding none{false, false, false}, both{true, true, true};
  struct Case {
    const char* name;
    TerminalFacts facts;
    ConsoleEncoding encoding;
    bool warns = false;
  } cases[] = {
      {"UTF-8 locale, both terminals", {nullptr, nullptr, nullptr, "C.UTF-8", true, true}, both},
      {"utf8 spelling with modifier",
       {nullptr, nullptr, nullptr, "de_DE.utf8@euro", true, true},
       both},
      {"zh_CN.UTF-8 not generated here counts",
       {nullptr, nullptr, nullptr, "zh_CN.UTF-8", true, true},
       both},
      {"LC_ALL before LANG", {nullptr, "C", nullptr, "C.UTF-8", true, true}, {false, false, true}},
      {"LC_CTYPE before LANG", {nullptr, nullptr, "en_US.UTF-8", "C", true, true}, both},
      {"empty LC_ALL is skipped", {nullptr, "", nullptr, "C.UTF-8", true, true}, both},
      {"GBK locale", {nullptr, nullptr, nullptr, "zh_CN.GBK", true, true}, {false, false, true}},
      {"GB18030 locale",
       {nullptr, nullptr, nullptr, "zh_CN.GB18030", true, true},
       {false, false, true}},
      {"no locale at all", {nullptr, nullptr, nullptr, nullptr, true, true}, {false, false, true}},
      {"output piped", {nullptr, nullptr, nullptr, "C.UTF-8", true, false}, {true, false, false}},
      {"input piped", {nullptr, nullptr, nullptr, "C.UTF-8", false, true}, {false, true, true}},
      {"both piped", {nullptr, nullptr, nullptr, "C.UTF-8", false, false}, none},
      {"forced UTF-8 into pipes",
       {"UTF-8", nullptr, nullptr, "C", false, false},
       {true, true, false}},
      {"forced utf8, any case",
       {"Utf8", nullptr, nullptr, nullptr, false, false},
       {true, true, false}},
      {"forced GBK on a UTF-8 terminal",
       {"gbk", nullptr, nullptr, "C.UTF-8", true, true},
       {false, false, true}},
      {"forced GB18030",
       {"GB18030", "C.UTF-8", nullptr, nullptr, true, true},
       {false, false, true}},
      {"forced but empty: automatic", {"", nullptr, nullptr, "C.UTF-8", true, true}, both},
      {"unknown value warns, then automatic",
       {"latin1", nullptr, nullptr, "C.UTF-8", true, true},
       both,
       true},
  };
  for (const Case& c : cases) {
    std::string warning;
    EXPECT_TRUE(con::ChooseEncoding(c.facts, &warning) == c.encoding) << c.name;
    EXPECT_EQ(!warning.empty(), c.warns) << c.name << ": " << warning;
  }
}

TEST(ChooseEncoding, WarningIsOneAsciiLine) {
  std::string warning;
  con::ChooseEncoding({"中\n", nullptr, nullptr, nullptr, false, false}, &warning);
  EXPECT_EQ(warning.find('\n'), std::string::npos) << warning;
  for (char c : warning) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << warning;
}

// Thrown by the fake exit.
struct Ended {};

// A session over a fake terminal: typed is what the user types, output what it shows.
class TerminalWiringTest : public ::testing::Test {
 protected:
  void Wire(const ConsoleEncoding& encoding) {
    con::Wiring w;
    w.read = [this](char* buf, std::size_t cap) {
      const std::size_t n = typed_.copy(buf, cap);
      typed_.erase(0, n);
      return n;
    };
    w.write = [this](std::string_view bytes) { shown_.append(bytes); };
    w.pause = [](int) {};
    w.now_ms = [] { return int64_t{0}; };
    w.exit = [](int) { throw Ended{}; };
    con::Wire(con::TerminalWiring(std::move(w), encoding));
  }
  void TearDown() override { con::Wire(con::ProcessWiring()); }

  // Ends the session; what was shown.
  std::string End() {
    EXPECT_THROW(con::EndSession(0), Ended);
    return shown_;
  }

  std::string typed_, shown_;
};

TEST_F(TerminalWiringTest, UtfTerminalSeesUtf8AndTypesIntoGbk) {
  Wire({true, true, true});
  typed_ = "数码相机 设备.txt 𠀀";
  const std::string prompt = Gbk("->请选择操作:");
  con::Out(prompt.substr(0, 3));  // a character cut between two writes
  con::Flush();
  con::Out(prompt.substr(3));
  EXPECT_EQ(con::ReadToken(), Gbk("数码相机"));
  EXPECT_EQ(con::ReadFileName(), "设备.txt");  // opened as typed
  std::string rare;
  ASSERT_TRUE(ConvertText("𠀀", "GB18030", "UTF-8", &rare));
  EXPECT_EQ(con::ReadToken(), rare);  // GBK lacks it: GB18030's four bytes
  con::Out(Gbk("设").substr(0, 1));   // left cut when the session ends
  EXPECT_EQ(End(), "->请选择操作:\xEF\xBF\xBD\n");
}

TEST_F(TerminalWiringTest, GbkTerminalKeepsBytesAndEndsOnAFreshLine) {
  Wire({false, false, true});
  typed_ = Gbk("数码相机") + " \xE6\x95\xB0";
  con::Out(Gbk("->请选择操作:"));
  EXPECT_EQ(con::ReadToken(), Gbk("数码相机"));
  EXPECT_EQ(con::ReadToken(), "\xE6\x95\xB0");
  EXPECT_EQ(End(), Gbk("->请选择操作:") + "\n");
}

TEST_F(TerminalWiringTest, PipeKeepsEveryByte) {
  Wire({false, false, false});
  con::Out(Gbk("->请选择操作:") + "\xFF");
  EXPECT_EQ(End(), Gbk("->请选择操作:") + "\xFF");
}

TEST_F(TerminalWiringTest, NoExtraLineAfterALineEnd) {
  Wire({true, true, true});
  con::Out(Gbk("再见\n"));
  EXPECT_EQ(End(), "再见\n");
}

}  // namespace

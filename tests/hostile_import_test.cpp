// Hostile import files fed to the real binary: binary bytes, a huge token, a million
// tokens on a line, only white space, CR line ends, a file rewritten while it is read.
// None may crash or hang the session, and the records are exactly the whole runs of
// seven tokens, in file order.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "support/session.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::vector<std::string> Tokens(std::string_view bytes) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (IsBlank(bytes[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < bytes.size() && !IsBlank(bytes[end])) ++end;
    tokens.emplace_back(bytes.substr(i, end - i));
    i = end;
  }
  return tokens;
}

// The dev.out that importing content into an empty data set must write: every whole run
// of seven tokens, numbered from 1; the one to six tokens after the last run dropped.
std::string RecordFileOf(std::string_view content) {
  const std::vector<std::string> tokens = Tokens(content);
  std::string out;
  for (std::size_t r = 0; r + 7 <= tokens.size(); r += 7) {
    out += std::to_string(r / 7 + 1);
    for (std::size_t f = r; f < r + 7; ++f) (out += ' ') += tokens[f];
    out += '\n';
  }
  return out;
}

std::string CountLine(std::size_t records) {
  return Gbk("dev.out 内目前有 ") + std::to_string(records) + Gbk(" 条记录\n");
}

// Imports content as in.txt into a fresh session and checks dev.out and the count.
void ExpectImported(std::string_view content, std::size_t records, const std::string& what) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), content);
  SessionResult r = RunBinary(dir.path(), "1 1 in.txt 0\n");
  EXPECT_EQ(r.status, 0) << what;
  EXPECT_NE(r.output.find(CountLine(records)), std::string::npos) << what;
  const std::string written = ReadFile(dir.File("dev.out"));
  EXPECT_TRUE(written == RecordFileOf(content))
      << what << ": dev.out of " << written.size() << " bytes is not the whole runs of seven";
}

TEST(HostileImport, BinaryBytesWithNulsAreTokensLikeAnyOther) {
  std::mt19937 random(20421);
  std::string content(1 << 16, '\0');
  for (char& c : content) {
    // One byte in eight a blank of some kind, the rest anything, NUL included.
    c = random() % 8 == 0 ? " \t\n\r\v\f"[random() % 6] : static_cast<char>(random() % 256);
  }
  const std::size_t records = Tokens(content).size() / 7;
  ASSERT_GT(records, 100u);
  ExpectImported(content, records, "random bytes");
}

TEST(HostileImport, WhiteSpaceOnlyAndLineEndsOfEveryKind) {
  ExpectImported(std::string(100000, ' ') + "\t\n\r\v\f\r\n", 0, "only white space");
  ExpectImported("a b c\r\nd e\r\nf g\r\nh i j k l m n\rz", 2, "CR LF and lone CR");
  ExpectImported("a\rb\rc\rd\re\rf\rg", 1, "lone CR only, no line end at the end");
}

TEST(HostileImport, MillionTokensOnOneLine) {
  std::string content;
  for (int i = 0; i < 1000003; ++i) (content += 't') += std::to_string(i) + ' ';
  ExpectImported(content, 142857, "a million tokens on one line");
}

TEST(HostileImport, TokenOfOneHundredMegabytes) {
  std::string content(100 << 20, 'x');
  content += " b c d e f g\nh i j k l m n";
  TempDir dir;
  WriteFile(dir.File("in.txt"), content);
  content.clear();
  SessionResult r = RunBinary(dir.path(), "1 1 in.txt 0\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.output.find(CountLine(2)), std::string::npos);
  const std::string written = ReadFile(dir.File("dev.out"));
  const std::string tail = " b c d e f g\n2 h i j k l m n\n";
  ASSERT_EQ(written.size(), 2 + (100u << 20) + tail.size());
  EXPECT_EQ(written.compare(0, 2, "1 "), 0);
  EXPECT_EQ(written.find_first_not_of('x', 2), 2 + (100u << 20));
  EXPECT_EQ(written.substr(written.size() - tail.size()), tail);
}

// A writer rewrites in.txt over and over, cut at ever other lengths, while a session
// imports it twenty times. Every state of the file is a prefix of the same content, so
// each import must yield whole records of that content, in order; only the token where
// a read met the end of the file may be cut short.
TEST(HostileImport, FileRewrittenWhileItIsRead) {
  const std::string line = "code name holder dept 5 2042.1.1 99\n";
  const std::vector<std::string> fields = Tokens(line);
  std::string content;
  for (int i = 0; i < 20000; ++i) content += line;
  TempDir dir;
  WriteFile(dir.File("in.txt"), content);
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (std::size_t cut = 0; !done; cut = (cut + 7919) % content.size()) {
      WriteFile(dir.File("in.txt"), std::string_view(content).substr(0, cut));
    }
  });
  std::string input;
  for (int i = 0; i < 20; ++i) input += "1 1 in.txt\n";
  SessionResult r = RunBinary(dir.path(), input + "0\n");
  done = true;
  writer.join();
  EXPECT_EQ(r.status, 0);
  const std::vector<std::string> tokens = Tokens(ReadFile(dir.File("dev.out")));
  ASSERT_EQ(tokens.size() % 8, 0u);
  for (std::size_t i = 0; i < tokens.size(); i += 8) {
    ASSERT_EQ(tokens[i], std::to_string(i / 8 + 1));
    for (std::size_t f = 0; f < 7; ++f) {
      const std::string& token = tokens[i + 1 + f];
      ASSERT_TRUE(token == fields[f] || (f == 6 && fields[f].starts_with(token)))
          << "record " << i / 8 + 1 << " field " << f << ": " << token;
    }
  }
}

}  // namespace

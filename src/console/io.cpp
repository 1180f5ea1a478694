#include "console/io.h"

#include <cstdlib>
#include <limits>
#include <new>
#include <stdexcept>

#include "locale/messages.h"
#include "store/record_file.h"

namespace con {
namespace {

// Input bytes read ahead of the reader, and the output not yet written.
struct State {
  Wiring wiring = ProcessWiring();
  std::string in;
  std::size_t in_pos = 0;
  bool in_ended = false;
  std::string out;
};

State& S() {
  static State state;
  return state;
}

constexpr std::size_t kOutBlock = 1 << 16;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Makes at least one unread byte available; false at end of input.
bool Fill() {
  State& s = S();
  if (s.in_pos < s.in.size()) return true;
  if (s.in_ended) return false;
  s.in.resize(1 << 16);
  s.in_pos = 0;
  std::size_t n = s.wiring.read(s.in.data(), s.in.size());
  s.in.resize(n);
  if (n == 0) s.in_ended = true;
  return n > 0;
}

// The next byte without consuming it; -1 at end of input.
int Peek() { return Fill() ? static_cast<unsigned char>(S().in[S().in_pos]) : -1; }

void Skip() { ++S().in_pos; }

[[noreturn]] void InputEnded() {
  Out("\n");
  EndSession(0);
}

// Skips white space; ends the session when input ends first.
void SkipBlanks() {
  for (;;) {
    int c = Peek();
    if (c < 0) InputEnded();
    if (!IsBlank(static_cast<char>(c))) return;
    Skip();
  }
}

void DropToken() {
  for (int c = Peek(); c >= 0 && !IsBlank(static_cast<char>(c)); c = Peek()) Skip();
}

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

}  // namespace

void Wire(Wiring wiring) {
  State& s = S();
  s.wiring = std::move(wiring);
  s.in.clear();
  s.in_pos = 0;
  s.in_ended = false;
  s.out.clear();
}

void Out(std::string_view bytes) {
  State& s = S();
  s.out.append(bytes);
  if (s.out.size() >= kOutBlock) Flush();
}

void OutNumber(long long value) {
  std::string digits;
  AppendDecimal(digits, value);
  Out(digits);
}

void Flush() {
  State& s = S();
  if (s.out.empty()) return;
  std::string pending;
  pending.swap(s.out);
  s.wiring.write(pending);
}

namespace {

// Ends the session as the end of input does, when memory ran out holding what the user
// typed (a token of hundreds of megabytes): every change is already saved.
[[noreturn]] void MemoryFull() {
  Warn(msg::Tr("standard input: memory full; the session ends as at the end of input"));
  InputEnded();
}

// The next token, bytes as read.
std::string ReadRawToken() {
  Flush();
  SkipBlanks();
  try {
    std::string token;
    for (int c = Peek(); c >= 0 && !IsBlank(static_cast<char>(c)); c = Peek()) {
      State& s = S();
      std::size_t end = s.in_pos;
      while (end < s.in.size() && !IsBlank(s.in[end])) ++end;
      token.append(s.in, s.in_pos, end - s.in_pos);
      s.in_pos = end;
    }
    return token;
  } catch (const std::bad_alloc&) {
  }
  MemoryFull();  // outside the handler, the token's memory given back
}

}  // namespace

std::string ReadToken() {
  std::string token = ReadRawToken();
  const Wiring& w = S().wiring;
  if (!w.decode) return token;
  try {
    return w.decode(token);
  } catch (const std::bad_alloc&) {
  }
  token = std::string();
  MemoryFull();
}

namespace {

// Puts bytes back in front of the unread input.
void Unread(std::string_view bytes) {
  State& s = S();
  s.in.insert(s.in_pos, bytes);
}

// The name after an opening double quote, which is consumed: the text up to the closing
// quote on this line. Without one, the token that the quote began; what was read beyond
// it goes back to the input.
std::string ReadQuotedName() {
  Skip();
  std::string text;
  for (int c = Peek(); c >= 0 && c != '\n' && c != '\r'; c = Peek()) {
    Skip();
    if (c == '"') return text;
    text.push_back(static_cast<char>(c));
  }
  const std::size_t blank = text.find_first_of(" \t\v\f");
  if (blank != std::string::npos) {
    Unread(std::string_view(text).substr(blank));
    text.resize(blank);
  }
  return '"' + text;
}

}  // namespace

std::string ReadFileName() {
  Flush();
  SkipBlanks();
  try {
    std::string name = Peek() == '"' ? ReadQuotedName() : ReadRawToken();
    const Wiring& w = S().wiring;
    return w.decode_name ? w.decode_name(name) : name;
  } catch (const std::bad_alloc&) {
  }
  MemoryFull();  // outside the handler, the name's memory given back
}

char ReadNonBlankByte() {
  Flush();
  SkipBlanks();
  char c = static_cast<char>(Peek());
  Skip();
  return c;
}

std::optional<int32_t> ReadInt() {
  Flush();
  SkipBlanks();
  bool negative = false;
  int c = Peek();
  if (c == '+' || c == '-') {
    negative = c == '-';
    Skip();
    c = Peek();
  }
  if (!IsDigit(c)) {
    DropToken();
    return std::nullopt;
  }
  int64_t value = 0;
  bool overflow = false;
  for (; IsDigit(c); c = Peek()) {
    if (value <= std::numeric_limits<int32_t>::max() + int64_t{1}) value = value * 10 + (c - '0');
    Skip();
  }
  if (negative) value = -value;
  overflow =
      value > std::numeric_limits<int32_t>::max() || value < std::numeric_limits<int32_t>::min();
  if (overflow) {
    DropToken();
    return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

void Pause(int ms) {
  Flush();
  S().wiring.pause(ms);
}

int64_t NowMs() { return S().wiring.now_ms(); }

std::string Printable(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7F) {
      out.push_back(c);
    } else {
      out += {'\\', 'x', kHex[b >> 4], kHex[b & 15]};
    }
  }
  return out;
}

void Warn(std::string_view message) {
  Flush();
  std::string line = "devmgr: ";
  line.append(message);
  line.push_back('\n');
  const Wiring& w = S().wiring;
  if (w.error) {
    w.error(line);
  } else {
    WriteStandardError(line);
  }
}

void EndSession(int status) {
  Flush();
  S().wiring.exit(status);
  std::abort();  // a wiring's exit must not return
}

}  // namespace con

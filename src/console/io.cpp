#include "console/io.h"

#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <limits>
#include <stdexcept>

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

Wiring ProcessWiring() {
  Wiring w;
  w.read = [](char* buf, std::size_t cap) -> std::size_t {
    for (;;) {
      ssize_t n = ::read(0, buf, cap);
      if (n < 0 && errno == EINTR) continue;
      return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
  };
  w.write = [](std::string_view bytes) {
    while (!bytes.empty()) {
      ssize_t n = ::write(1, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;  // a closed terminal: nothing more can be shown
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
  };
  w.pause = [](int ms) {
    struct timespec left = {ms / 1000, (ms % 1000) * 1000000L};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
  };
  w.now_ms = [] {
    using namespace std::chrono;
    return static_cast<int64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  };
  w.exit = [](int status) { ::_exit(status); };
  return w;
}

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

// The next token, bytes as read.
std::string ReadRawToken() {
  Flush();
  SkipBlanks();
  std::string token;
  for (int c = Peek(); c >= 0 && !IsBlank(static_cast<char>(c)); c = Peek()) {
    State& s = S();
    std::size_t end = s.in_pos;
    while (end < s.in.size() && !IsBlank(s.in[end])) ++end;
    token.append(s.in, s.in_pos, end - s.in_pos);
    s.in_pos = end;
  }
  return token;
}

}  // namespace

std::string ReadToken() {
  std::string token = ReadRawToken();
  const Wiring& w = S().wiring;
  return w.decode ? w.decode(token) : token;
}

std::string ReadFileName() { return ReadRawToken(); }

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
  std::string_view rest = line;
  while (!rest.empty()) {
    const ssize_t n = ::write(2, rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
}

void EndSession(int status) {
  Flush();
  S().wiring.exit(status);
  std::abort();  // a wiring's exit must not return
}

}  // namespace con

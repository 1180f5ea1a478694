#include "support/session.h"

#include <unistd.h>  // getpid, which MinGW-w64 has too

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "console/globals.h"
#include "console/io.h"
#include "console/operations.h"
#include "convert_text.h"

namespace {

std::string Convert(std::string_view in, const char* to, const char* from) {
  std::string out;
  if (!ConvertText(in, to, from, &out)) throw std::runtime_error(std::string("no ") + to + " form");
  return out;
}

// Thrown by the test wiring's exit; unwinds the session back to the harness.
struct SessionEnded {
  int status;
};

}  // namespace

std::string Gbk(std::string_view utf8) { return Convert(utf8, "GBK", "UTF-8"); }

std::string Utf8(std::string_view gbk) {
  try {
    return Convert(gbk, "UTF-8", "GBK");
  } catch (const std::exception&) {
    return std::string(gbk);
  }
}

std::string Utf16Le(std::string_view utf8) {
  std::string out;
  const auto unit = [&out](uint32_t u) {
    out += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
  };
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const std::size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    uint32_t c = n == 1 ? b : b & (0x7F >> n);
    for (std::size_t k = 1; k < n && i + k < utf8.size(); ++k) {
      c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    if (c >= 0x10000) {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      unit(c);
    }
    i += n;
  }
  return out;
}

TempDir::TempDir() {
  namespace fs = std::filesystem;
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937_64 random(std::random_device{}());
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path dir = base / ("devmgr-test-" + std::to_string(::getpid()) + "-" +
                                 std::to_string(counter++) + "-" + std::to_string(random()));
    // create_directory is false when the name is taken: then another name is tried.
    if (fs::create_directory(dir)) {
      fs::permissions(dir, fs::perms::owner_all);  // private, as mkdtemp(3) makes it
      path_ = dir.string();
      return;
    }
  }
  throw std::runtime_error("no fresh temporary directory");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

namespace {

SessionResult RunSession(const std::string& dir, std::string_view input, bool reset) {
  SessionResult result;
  std::string in(input);
  std::size_t pos = 0;
  con::Wiring w;
  w.read = [&](char* buf, std::size_t cap) {
    std::size_t n = std::min(cap, in.size() - pos);
    in.copy(buf, n, pos);
    pos += n;
    return n;
  };
  w.write = [&](std::string_view bytes) { result.output.append(bytes); };
  w.pause = [&](int ms) {
    if (ms == 1000) ++result.pauses;
  };
  w.now_ms = [] { return int64_t{0}; };
  w.exit = [](int status) { throw SessionEnded{status}; };
  if (reset) ResetGlobals();
  con::Wire(std::move(w));
  const auto old_dir = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  try {
    RunMenuLoop();
  } catch (const SessionEnded& end) {
    result.status = end.status;
  }
  std::filesystem::current_path(old_dir);
  con::Wire(con::ProcessWiring());
  if (reset) ResetGlobals();
  return result;
}

}  // namespace

SessionResult RunInProcess(const std::string& dir, std::string_view input) {
  return RunSession(dir, input, true);
}

SessionResult RunInProcessKeepingState(const std::string& dir, std::string_view input) {
  return RunSession(dir, input, false);
}

std::string NormaliseTimes(std::string output) {
  const std::string unit = Gbk(" 毫秒");
  std::size_t at = 0;
  while ((at = output.find(unit, at)) != std::string::npos) {
    std::size_t begin = at;
    while (begin > 0 && output[begin - 1] >= '0' && output[begin - 1] <= '9') --begin;
    if (begin < at) {
      output.replace(begin, at - begin, "0");
      at = begin + 1;
    }
    at += unit.size();
  }
  return output;
}

std::string CrLfToLf(std::string text) {
  std::size_t out = 0;
  for (std::size_t in = 0; in < text.size(); ++in) {
    if (text[in] == '\r' && in + 1 < text.size() && text[in + 1] == '\n') continue;
    text[out++] = text[in];
  }
  text.resize(out);
  return text;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream s;
  s << in.rdbuf();
#ifdef _WIN32
  return CrLfToLf(s.str());
#else
  return s.str();
#endif
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

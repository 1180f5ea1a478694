#include "console/console_wide.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "locale/charset.h"

namespace con {
namespace {

// What the console's wrapped reader and writer remember between calls.
struct WideState {
  WideConsole console;
  charset::GbToUtf16 to_utf16;
  charset::Utf16ToGb to_gb;
  std::string typed;  // typed text converted to GB18030, not yet read
  std::size_t typed_pos = 0;
};

// Shows UTF-16 text through show with each line feed as CR LF, in pieces of ConsolePiece.
void ShowWithCrlf(const std::function<void(std::u16string_view)>& show,
                  std::u16string_view text) {
  std::u16string shown;
  shown.reserve(text.size() + text.size() / 16);
  for (char16_t unit : text) {
    if (unit == u'\n') shown.push_back(u'\r');
    shown.push_back(unit);
  }
  for (std::u16string_view rest = shown; !rest.empty();) {
    const std::size_t n = ConsolePiece(rest);
    show(rest.substr(0, n));
    rest.remove_prefix(n);
  }
}

// Reads from the console until some GB18030 bytes are at hand; false at end of input.
bool ReadTyped(WideState& state) {
  char16_t units[4096];
  while (state.typed_pos == state.typed.size()) {
    const std::size_t n = state.console.read(units, sizeof units / sizeof units[0]);
    if (n == 0) return false;
    state.typed.clear();
    state.typed_pos = 0;
    state.to_gb.Convert(std::u16string_view(units, n), state.typed);
  }
  return true;
}

}  // namespace

std::size_t ConsolePiece(std::u16string_view text) {
  if (text.size() <= kConsolePiece) return text.size();
  const char16_t last = text[kConsolePiece - 1];
  return last >= 0xD800 && last <= 0xDBFF ? kConsolePiece - 1 : kConsolePiece;
}

Wiring CrlfWiring(Wiring inner) {
  Wiring w = inner;
  w.write = [inner](std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 16);
    for (std::size_t at = 0; at < bytes.size();) {
      const std::size_t lf = bytes.find('\n', at);
      if (lf == std::string_view::npos) {
        out.append(bytes, at);
        break;
      }
      out.append(bytes, at, lf - at).append("\r\n");
      at = lf + 1;
    }
    inner.write(out);
  };
  return w;
}

Wiring WideConsoleWiring(Wiring inner, WideConsole console) {
  auto state = std::make_shared<WideState>();
  state->console = std::move(console);
  Wiring w = inner;
  if (state->console.write) {
    w.write = [state](std::string_view bytes) {
      std::u16string text;
      state->to_utf16.Convert(bytes, text);
      ShowWithCrlf(state->console.write, text);
    };
    w.exit = [inner, state](int status) {
      std::u16string rest;
      state->to_utf16.Finish(rest);
      ShowWithCrlf(state->console.write, rest);
      inner.exit(status);
    };
  }
  if (state->console.error) {
    w.error = [state](std::string_view bytes) {
      charset::GbToUtf16 to_utf16;
      std::u16string text;
      to_utf16.Convert(bytes, text);
      to_utf16.Finish(text);
      ShowWithCrlf(state->console.error, text);
    };
  }
  if (state->console.read) {
    w.read = [state](char* buf, std::size_t cap) -> std::size_t {
      if (!ReadTyped(*state)) return 0;
      const std::size_t n = std::min(cap, state->typed.size() - state->typed_pos);
      std::memcpy(buf, state->typed.data() + state->typed_pos, n);
      state->typed_pos += n;
      return n;
    };
  }
  return w;
}

}  // namespace con

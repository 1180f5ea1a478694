// The Windows side of the console's transport, kept free of the system's API so that it
// runs and is tested everywhere: Windows writes its line ends as CR LF, and a Windows
// console speaks UTF-16 (WriteConsoleW, ReadConsoleW) whatever its code page, while devmgr
// prints and reads GB18030. terminal_win.cpp plugs in the real console.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "console/io.h"

namespace con {

// The most UTF-16 units handed to the console in one call.
inline constexpr std::size_t kConsolePiece = 8192;

// How many units of the front of text go to the console in one call: all of it up to
// kConsolePiece, one less where the last would be the first half of a surrogate pair, which
// then goes whole with the next call (a console draws each half of a split pair as U+FFFD).
std::size_t ConsolePiece(std::u16string_view text);

// A console that takes and gives UTF-16. An unset member means that end is no console.
struct WideConsole {
  // Shows text: at most kConsolePiece units, never ending inside a surrogate pair.
  std::function<void(std::u16string_view text)> write;
  // Reads up to cap units of what was typed into buf; returns 0 at end of input.
  std::function<std::size_t(char16_t* buf, std::size_t cap)> read;
  // Shows a message of standard error, when standard error is a console; in pieces as write.
  std::function<void(std::u16string_view text)> error;
};

// Wraps inner's writer so that every line feed goes out as CR LF.
Wiring CrlfWiring(Wiring inner);

// Wraps inner so that output goes to console.write, when set, converted from GB18030 to
// UTF-16 with CR LF line ends, in pieces of ConsolePiece: bytes that form no character show
// as U+FFFD, a character cut between two writes is kept back and shown whole. Input comes from console.read, when
// set, converted to GB18030; a surrogate pair cut between two reads is kept whole. The
// session's exit shows what was kept back first. Messages of standard error go to
// console.error, when set, converted the same way, each whole.
Wiring WideConsoleWiring(Wiring inner, WideConsole console);

}  // namespace con

// The console: one token reader over standard input, one buffered writer to standard
// output, the pause and the clock. Tests swap each of them for a fake.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace con {

// What the console is wired to. The defaults are the real standard input and output,
// a real sleep, a real monotonic clock, and process exit.
struct Wiring {
  // Reads up to cap bytes into buf; returns 0 at end of input or on a lasting error.
  std::function<std::size_t(char* buf, std::size_t cap)> read;
  std::function<void(std::string_view bytes)> write;
  // Writes a whole message to standard error. Unset: WriteStandardError, bytes unchanged.
  std::function<void(std::string_view bytes)> error;
  // Turns a token as the user typed it into the program's text (GB18030). Unset: tokens
  // are taken as typed, byte for byte.
  std::function<std::string(std::string_view typed)> decode;
  // Turns a file name as the user typed it into the bytes the file API takes. Unset: the
  // name is opened as typed (POSIX, where names are the bytes typed).
  std::function<std::string(std::string_view typed)> decode_name;
  std::function<void(int ms)> pause;
  std::function<int64_t()> now_ms;
  // Ends the session with a status. Must not return (the real one exits the process,
  // test harnesses throw).
  std::function<void(int status)> exit;
};

// The wiring to the real process's standard input and output (io_posix.cpp, io_win.cpp).
// On Windows both are binary and every line feed written goes out as CR LF.
Wiring ProcessWiring();

// Writes bytes to the process's standard error, unbuffered (io_posix.cpp, io_win.cpp).
void WriteStandardError(std::string_view bytes);

// Installs a wiring and forgets any buffered input or output.
void Wire(Wiring wiring);

// Writing. Output is buffered and flushed before every read, every pause and at exit.
void Out(std::string_view bytes);
void OutNumber(long long value);
void Flush();

// Reading. Every read flushes output first. When input has ended, each of these prints
// one line feed and ends the session with status 0; none of them returns then.

// The next whitespace-delimited token (blank, tab, LF, CR, VT, FF separate tokens).
std::string ReadToken();

// A file name: the next token, or, when it begins with a double quote, the text up to the
// closing quote on the same line, blanks included, the quotes dropped (what Explorer
// copies as a file's address). With no closing quote before the line ends it is a token
// as any other. Passed through the wiring's decode_name, when set.
std::string ReadFileName();

// The next byte that is not white space; only that byte is consumed.
char ReadNonBlankByte();

// A decimal integer as a formatted stream read takes it: white space skipped, an optional
// sign, digits; what follows the digits stays in the input. When no number starts here,
// or it does not fit 32 bits, the whole token is dropped and nullopt returned.
std::optional<int32_t> ReadInt();

// Pause and clock through the wiring.
void Pause(int ms);
int64_t NowMs();

// Flushes the console's output, then writes "devmgr: ", message and a line feed to
// standard error, so that the line follows what the console showed before it. Standard
// error is written as standard output is: converted for a UTF-8 terminal, in UTF-16 to a
// Windows console, the program's bytes to pipes and files.
void Warn(std::string_view message);

// The bytes, fit for a message on standard error: printable ASCII as it is, any other byte
// as \xHH (a file name typed in Chinese, a stray control byte).
std::string Printable(std::string_view bytes);

// Flushes output and ends the session with status.
[[noreturn]] void EndSession(int status);

}  // namespace con

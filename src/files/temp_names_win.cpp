// The names of temporary files on Windows: beside the file they become, with the machine and
// the process that write them, so that the sweep of dead runs' temporaries on a shared network
// folder takes only this machine's.
#include <cstdint>
#include <cstdio>

#include "files/file_identity_win.h"

namespace {

// The most characters a machine takes in a temporary's name: a DNS host name's 63 and one.
constexpr std::size_t kMachineRoom = 64;

// Whether c separates the parts of a file name: a slash, a backslash, or a drive's colon.
bool IsSeparator(unsigned char c) { return c == '/' || c == '\\' || c == ':'; }

// The index just past the last separator in path, or 0. A GB18030 character's second byte
// may be a backslash (0x5C), so the bytes are walked character by character: a byte from
// 0x81 on starts a pair (a four-byte character is two such pairs).
std::size_t NameStart(std::string_view path) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (c >= 0x81 && c <= 0xFE) {
      ++i;
    } else if (IsSeparator(c)) {
      start = i + 1;
    }
  }
  return start;
}

// Whether c stands for itself in a machine's part of a name: it is valid in every file name
// on every file system, and means the same in any case.
bool Plain(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ||
         c == L'-' || c == L'_' || c == L'.';
}

// The 64-bit FNV-1a hash of the UTF-16 units of name, upper-cased as Windows compares names.
std::uint64_t Fingerprint(std::wstring_view name) {
  std::uint64_t hash = 14695981039346656037ull;
  for (wchar_t c : name) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    hash = (hash ^ static_cast<std::uint64_t>(c)) * 1099511628211ull;
  }
  return hash;
}

// This machine's name on the network: its full DNS name (two PCs of one network never share
// it), else its DNS host name, else its NetBIOS name (cut to 15 characters); empty if none.
std::wstring ThisMachine() {
  for (const auto format :
       {ComputerNameDnsFullyQualified, ComputerNameDnsHostname, ComputerNameNetBIOS}) {
    DWORD size = 0;
    GetComputerNameExW(format, nullptr, &size);  // the size it needs, with the terminator
    if (size == 0) continue;
    std::wstring name(size, L'\0');
    if (GetComputerNameExW(format, name.data(), &size) && size > 0) {
      name.resize(size);
      return name;
    }
  }
  return L"";
}

// This machine's part of the names of its temporaries.
const std::string& ThisMachinePart() {
  static const std::string part = MachinePart(ThisMachine());
  return part;
}

}  // namespace

std::string MachinePart(std::wstring_view name) {
  if (name.empty()) return "~none";  // which no name gives
  std::string part;
  for (const wchar_t c : name) {
    if (Plain(c)) {
      part.push_back(static_cast<char>(c));
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "~%04X", static_cast<unsigned>(c));
      part.append(escaped);
    }
  }
  if (part.size() <= kMachineRoom) return part;
  char tail[24];  // "~h" and 16 digits, which no escape makes: cut names stay apart
  std::snprintf(tail, sizeof tail, "~h%016llX",
                static_cast<unsigned long long>(Fingerprint(name)));
  return part.substr(0, kMachineRoom - 18) + tail;
}

std::string TemporaryPrefixFor(const std::string& path, const std::string& machine) {
  const std::size_t start = NameStart(path);
  return path.substr(0, start) + "." + path.substr(start) + ".tmp-" + machine + "-";
}

std::string TemporaryNameFor(const std::string& path, const std::string& machine, DWORD pid,
                             int attempt) {
  return TemporaryPrefixFor(path, machine) + std::to_string(pid) + "-" + std::to_string(attempt);
}

std::string TemporaryPrefix(const std::string& path) {
  return TemporaryPrefixFor(path, ThisMachinePart());
}

std::string TemporaryName(const std::string& path, int attempt) {
  return TemporaryNameFor(path, ThisMachinePart(), GetCurrentProcessId(), attempt);
}

#include "session_checks.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <vector>

#include "console/globals.h"

namespace {

// Reads a whole file into content; false when it cannot be read.
bool Slurp(const char* path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  content = s.str();
  return true;
}

// The lines of a file that must end with a line feed; false when it does not.
bool SplitLines(std::string_view text, std::vector<std::string_view>& lines) {
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    if (end == std::string_view::npos) return false;
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end + 1);
  }
  return true;
}

// Splits a line at single blanks; every field must be non-empty and blank-free.
bool SplitFields(std::string_view line, std::vector<std::string_view>& fields) {
  for (;;) {
    std::size_t end = line.find(' ');
    std::string_view field = line.substr(0, end);
    if (field.empty()) return false;
    for (char c : field) {
      if (IsBlankByte(c)) return false;
    }
    fields.push_back(field);
    if (end == std::string_view::npos) return true;
    line.remove_prefix(end + 1);
  }
}

// The record file that a list must produce: serial i, the seven fields, a line feed.
std::string Render(const DevList& list) {
  std::string out;
  int serial = 0;
  for (const device& record : list) {
    out += std::to_string(++serial);
    for (Text device::* field : kDeviceFields) (out += ' ') += (record.*field).view();
    out += '\n';
  }
  return out;
}

bool SameRecords(const DevList& a, const DevList& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].serial != b[i].serial) return false;
    for (Text device::* field : kDeviceFields) {
      if (!(a[i].*field == b[i].*field)) return false;
    }
  }
  return true;
}

std::string CheckDataSet() {
  std::string written;
  if (!Slurp("dev.out", written)) {
    return dev.empty() && backup.size() == 0 ? "" : "changes made but no dev.out";
  }
  for (std::size_t i = 0; i < dev.size(); ++i) {
    if (dev[i].serial != static_cast<int>(i + 1)) return "dev not numbered by position";
  }
  if (written != Render(dev)) return "dev.out differs from dev";
  if (backup.size() == 0 || !SameRecords(backup.at(backup.size() - 1), dev)) {
    return "the last snapshot is not the data set";
  }
  return "";
}

// query.out and filter.out: eight fields a line, numbered 1..k.
std::string CheckResultFile(const char* path) {
  std::string written;
  if (!Slurp(path, written)) return "";
  std::vector<std::string_view> lines;
  if (!SplitLines(written, lines)) return std::string(path) + ": no line end at the end";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::vector<std::string_view> fields;
    if (!SplitFields(lines[i], fields) || fields.size() != 8 ||
        fields[0] != std::to_string(i + 1)) {
      return std::string(path) + ": malformed line " + std::to_string(i + 1);
    }
  }
  return "";
}

// stat.out: a name and a decimal total a line, names strictly ascending byte by byte.
std::string CheckStatFile() {
  std::string written;
  if (!Slurp("stat.out", written)) return "";
  std::vector<std::string_view> lines;
  if (!SplitLines(written, lines)) return "stat.out: no line end at the end";
  std::string_view previous;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::vector<std::string_view> fields;
    if (!SplitFields(lines[i], fields) || fields.size() != 2 ||
        fields[1].find_first_not_of("-0123456789") != std::string_view::npos) {
      return "stat.out: malformed line " + std::to_string(i + 1);
    }
    if (i > 0 && !(previous < fields[0])) return "stat.out: names out of order";
    previous = fields[0];
  }
  return "";
}

std::string CheckNoTemporaries() {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(".", ec)) {
    if (entry.path().filename().string().find(".tmp-") != std::string::npos) {
      return "temporary file left: " + entry.path().filename().string();
    }
  }
  return "";
}

}  // namespace

std::string CheckSessionFiles() {
  for (std::string broken : {CheckDataSet(), CheckResultFile("query.out"),
                             CheckResultFile("filter.out"), CheckStatFile(),
                             CheckNoTemporaries()}) {
    if (!broken.empty()) return broken;
  }
  return "";
}

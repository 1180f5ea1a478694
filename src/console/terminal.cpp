#include "console/terminal.h"

#include <memory>
#include <string_view>

#include "locale/charset.h"
#include "locale/messages.h"

namespace con {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    if (x != b[i]) return false;
  }
  return true;
}

bool NamesUtf8(std::string_view charset) {
  return EqualsIgnoringCase(charset, "utf-8") || EqualsIgnoringCase(charset, "utf8");
}

bool NamesGb(std::string_view charset) {
  return EqualsIgnoringCase(charset, "gbk") || EqualsIgnoringCase(charset, "gb18030");
}

// What the wrapped writer remembers between writes.
struct Transport {
  charset::GbToUtf8 to_utf8;
  // The terminal's cursor is not at the start of a line: the last byte written was not a
  // line feed, or the last line read (which the terminal echoed) did not end with one.
  bool line_open = false;
};

}  // namespace

bool LocaleIsUtf8(const TerminalFacts& facts) {
  std::string_view name;
  for (const char* value : {facts.lc_all, facts.lc_ctype, facts.lang}) {
    if (value != nullptr && *value != '\0') {
      name = value;
      break;
    }
  }
  name = name.substr(0, name.find('@'));
  const std::size_t dot = name.find('.');
  return NamesUtf8(dot == std::string_view::npos ? name : name.substr(dot + 1));
}

ConsoleEncoding ChooseEncoding(const TerminalFacts& facts, std::string* warning) {
  const std::string_view forced = facts.forced == nullptr ? "" : facts.forced;
  if (NamesUtf8(forced)) return {true, true, true, facts.output_is_terminal};
  if (NamesGb(forced)) return {false, false, false, facts.output_is_terminal};
  if (!forced.empty() && warning != nullptr) {
    *warning = msg::Say(
        "DEVMGR_ENCODING=%s is neither UTF-8 nor GBK; choosing from the terminal and the locale",
        {Printable(forced)});
  }
  const bool utf8 = LocaleIsUtf8(facts);
  return {utf8 && facts.input_is_terminal, utf8 && facts.output_is_terminal,
          utf8 && facts.error_is_terminal, facts.output_is_terminal};
}

Wiring TerminalWiring(Wiring inner, const ConsoleEncoding& encoding) {
  auto transport = std::make_shared<Transport>();
  Wiring w = inner;
  if (encoding.decode_input)
    w.decode = [](std::string_view typed) { return charset::Utf8ToGb(typed); };
  if (encoding.decode_file_names)
    w.decode_name = [](std::string_view typed) { return charset::Utf8ToGb(typed); };
  w.read = [inner, transport](char* buf, std::size_t cap) {
    const std::size_t n = inner.read(buf, cap);
    if (n > 0) transport->line_open = buf[n - 1] != '\n';
    return n;
  };
  w.write = [inner, transport, encode = encoding.encode_output](std::string_view bytes) {
    if (bytes.empty()) return;
    transport->line_open = bytes.back() != '\n';
    if (!encode) return inner.write(bytes);
    std::string utf8;
    transport->to_utf8.Convert(bytes, utf8);
    if (!utf8.empty()) inner.write(utf8);
  };
  if (encoding.encode_error) {
    w.error = [inner](std::string_view bytes) {
      charset::GbToUtf8 to_utf8;
      std::string utf8;
      to_utf8.Convert(bytes, utf8);
      to_utf8.Finish(utf8);
      if (inner.error) return inner.error(utf8);
      WriteStandardError(utf8);
    };
  }
  w.exit = [inner, transport, fresh_line = encoding.fresh_line_at_end](int status) {
    std::string rest;
    transport->to_utf8.Finish(rest);
    if (fresh_line && transport->line_open) rest.push_back('\n');
    if (!rest.empty()) inner.write(rest);
    inner.exit(status);
  };
  return w;
}

}  // namespace con

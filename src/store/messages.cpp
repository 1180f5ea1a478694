#include "store/messages.h"

#include <cstring>

namespace msg {
namespace {

std::string& Chosen() {
  static std::string language = "en";
  return language;
}

}  // namespace

void SetLanguage(std::string_view locale) {
  Chosen() = locale.starts_with("zh") ? "zh_CN" : "en";
}

std::string_view Language() { return Chosen(); }

std::string_view Tr(std::string_view msgid) { return msgid; }

std::string Say(std::string_view msgid, std::initializer_list<std::string_view> args) {
  const std::string_view text = Tr(msgid);
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%' || i + 1 == text.size()) {
      out.push_back(text[i]);
      continue;
    }
    std::size_t j = i + 1;
    std::size_t which = next;
    std::size_t n = 0;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9') n = n * 10 + (text[j++] - '0');
    if (n > 0 && j + 1 < text.size() && text[j] == '$' && text[j + 1] == 's') {
      which = n - 1;
      j += 1;
    } else if (text[i + 1] == 's') {
      j = i + 1;
      ++next;
    } else if (text[i + 1] == '%') {
      out.push_back('%');
      ++i;
      continue;
    } else {
      out.push_back('%');
      continue;
    }
    if (which < args.size()) out.append(args.begin()[which]);
    i = j;
  }
  return out;
}

std::string SystemError(int error) { return std::string(Tr(std::strerror(error))); }

}  // namespace msg

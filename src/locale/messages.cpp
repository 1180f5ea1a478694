#include "locale/messages.h"

#include <algorithm>
#include <cstring>

#include "locale/messages_table.h"

namespace msg {
namespace {

using catalogue::Entry;
using Catalogue = catalogue::Language;

// The catalogue chosen; nullptr for English.
const Catalogue*& Chosen() {
  static const Catalogue* language = nullptr;
  return language;
}

// The catalogue named exactly name ("zh_CN"), else the first of name's language ("zh").
const Catalogue* Find(std::string_view name) {
  const std::string_view language = name.substr(0, name.find('_'));
  const Catalogue* same_language = nullptr;
  for (const Catalogue* l = catalogue::kLanguages; l->entries != nullptr; ++l) {
    if (l->name == name) return l;
    if (same_language == nullptr && l->name.substr(0, l->name.find('_')) == language) {
      same_language = l;
    }
  }
  return same_language;
}

// Appends the argument a "%" at text[i] stands for and returns the index of the
// directive's last character: "%s" takes the next argument, "%N$s" the N-th, "%%" is a
// percent sign. Anything else is copied as it stands.
std::size_t AppendDirective(std::string_view text, std::size_t i,
                            std::initializer_list<std::string_view> args, std::size_t& next,
                            std::string& out) {
  std::size_t j = i + 1;
  std::size_t n = 0;
  while (j < text.size() && text[j] >= '0' && text[j] <= '9') n = n * 10 + (text[j++] - '0');
  std::size_t which = 0;
  if (n > 0 && text.substr(j, 2) == "$s") {
    which = n - 1;
    j += 1;
  } else if (j == i + 1 && text.substr(j, 1) == "s") {
    which = next++;
  } else if (j == i + 1 && text.substr(j, 1) == "%") {
    out.push_back('%');
    return j;
  } else {
    out.push_back('%');
    return i;
  }
  if (which < args.size()) out.append(args.begin()[which]);
  return j;
}

}  // namespace

void SetLanguage(std::string_view locale) {
  std::string name(locale.substr(0, locale.find_first_of(".@")));
  std::replace(name.begin(), name.end(), '-', '_');
  Chosen() = Find(name);
}

std::string_view Language() { return Chosen() == nullptr ? "en" : Chosen()->name; }

std::string_view Tr(std::string_view msgid) {
  const Catalogue* language = Chosen();
  if (language == nullptr) return msgid;
  const Entry* end = language->entries + language->size;
  const Entry* at = std::lower_bound(language->entries, end, msgid,
                                     [](const Entry& e, std::string_view id) { return e.id < id; });
  return at != end && at->id == msgid ? at->text : msgid;
}

std::string Say(std::string_view msgid, std::initializer_list<std::string_view> args) {
  const std::string_view text = Tr(msgid);
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%') {
      i = AppendDirective(text, i, args, next, out);
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::string SystemError(int error) { return std::string(Tr(std::strerror(error))); }

}  // namespace msg

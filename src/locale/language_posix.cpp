#include <cstdlib>

#include "locale/language.h"
#include "locale/messages.h"

void ChooseMessageLanguage() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return msg::SetLanguage(value);
  }
  msg::SetLanguage("C");
}

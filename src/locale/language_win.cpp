#include <windows.h>

#include <string>

#include "locale/language.h"
#include "locale/messages.h"

void ChooseMessageLanguage() {
  const LCID lcid = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  const int n = LCIDToLocaleName(lcid, name, LOCALE_NAME_MAX_LENGTH, 0);
  std::string ascii;
  for (int i = 0; i + 1 < n && name[i] < 0x80; ++i) ascii.push_back(static_cast<char>(name[i]));
  msg::SetLanguage(ascii);  // "zh-CN", "en-US"; empty when unknown: English
}

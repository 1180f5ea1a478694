// The catalogue's lookup and the arguments put into its messages.
#include "store/messages.h"

#include <gtest/gtest.h>

#include "support/session.h"

namespace {

TEST(Messages, ArgumentsGoWhereTheMessageSays) {
  msg::SetLanguage("C");
  struct Case {
    const char* text;
    const char* said;
  } cases[] = {
      {"%s: %s", "a: b"},
      {"%2$s before %1$s", "b before a"},
      {"100%% of %s", "100% of a"},
      {"%d stays, %s", "%d stays, a"},
      {"%s %s %s", "a b "},  // a missing argument is empty
      {"ends in %", "ends in %"},
  };
  for (const Case& c : cases) EXPECT_EQ(msg::Say(c.text, {"a", "b"}), c.said) << c.text;
}

TEST(Messages, LanguageChosenByItsLanguagePart) {
  struct Case {
    const char* locale;
    const char* chosen;
  } cases[] = {{"zh_CN.UTF-8", "zh_CN"}, {"zh-TW", "zh_CN"}, {"zh_SG.GBK@x", "zh_CN"},
               {"C", "en"},          {"en_US", "en"},    {"", "en"}};
  for (const Case& c : cases) {
    msg::SetLanguage(c.locale);
    EXPECT_EQ(msg::Language(), c.chosen) << c.locale;
  }
  msg::SetLanguage("zh_CN");
  EXPECT_EQ(msg::Say("%s: is a directory", {"dev.out"}), "dev.out: " + Gbk("是一个目录"));
  EXPECT_EQ(msg::Tr("no such message"), "no such message");  // untranslated: English
  msg::SetLanguage("C");
  EXPECT_EQ(msg::Say("%s: is a directory", {"dev.out"}), "dev.out: is a directory");
}

}  // namespace

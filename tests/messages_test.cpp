// The catalogue's lookup and the arguments put into its messages.
#include "locale/messages.h"

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

// Which locale names choose which catalogue is the catalogue script's table; here the
// lookup itself, which the Windows build shares.
TEST(Messages, LookedUpInTheLanguageChosen) {
  msg::SetLanguage("zh_CN");
  EXPECT_EQ(msg::Say("%s: is a directory", {"dev.out"}), "dev.out: " + Gbk("是一个目录"));
  EXPECT_EQ(msg::Tr("no such message"), "no such message");  // untranslated: English
  msg::SetLanguage("C");
  EXPECT_EQ(msg::Say("%s: is a directory", {"dev.out"}), "dev.out: is a directory");
}

}  // namespace

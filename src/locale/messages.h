// The messages devmgr writes outside the dialogue (notes, warnings, the reasons of
// refused saves, usage, help), in the user's language. The dialogue's own texts are
// console/texts.def; these are po/*.po, one catalogue a language, English msgids. The build
// turns the catalogues into tables compiled into the program: nothing is looked up on disk.
//
// A msgid is always a string literal written as the first argument of msg::Tr or msg::Say,
// so the catalogue's check can find every one in the sources. Arguments (file names,
// numbers, the system's reason) go in through "%s" or "%N$s", never by joining pieces of
// sentences, so that a translation may put them where its language wants them.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace msg {

// Chooses the language of the messages from a locale name as the environment gives it
// ("zh_CN.UTF-8", "zh-TW", "en_US", "C"): the catalogue of the language, else English.
void SetLanguage(std::string_view locale);

// The language chosen, as its catalogue's name ("zh_CN"), or "en" for English.
std::string_view Language();

// msgid in the language chosen, in the program's bytes (GB18030); msgid itself when the
// catalogue has no translation of it.
std::string_view Tr(std::string_view msgid);

// Tr(msgid) with each "%s" replaced by the next argument and each "%N$s" by the N-th
// (counted from 1); "%%" is a percent sign.
std::string Say(std::string_view msgid, std::initializer_list<std::string_view> args = {});

// The system's reason for an errno value, translated where the catalogue has it.
std::string SystemError(int error);

}  // namespace msg

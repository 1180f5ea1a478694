// Pieces of expected console transcripts (GBK), and a fixture that runs a dialogue over a
// data set the test filled in directly.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "support/session.h"

// The main menu as printed, from its empty line to the choice prompt.
std::string MainMenu();

// "输入有误!\n" and the choice prompt: the answer to a rejected choice.
std::string BadChoice();

// The operation epilogue and the main menu that follows it.
std::string BackToMenu();

// A sub-menu from its entry lines (UTF-8): frame, entries, frame, choice prompt.
std::string SubMenu(std::initializer_list<std::string_view> entries);

// The empty line and the print-or-save menu, with its prompt.
std::string OutputMenu();

// The two lines of a successful save of count entries to file.
std::string Saved(std::string_view file, int count);

// The header row.
std::string Header();

// The record row of serial and the seven blank-separated fields (bytes as given).
std::string Row(int serial, std::string_view fields);

// Runs dialogues from the globals as the test set them up, in a fresh directory, and
// resets the globals before and after.
class OperationTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  SessionResult Run(std::string_view input) {
    return RunInProcessKeepingState(dir_.path(), input);
  }
  std::string File(std::string_view name) const { return ReadFile(dir_.File(name)); }

  TempDir dir_;
};

#include <array>
#include <string>

#include "console/io.h"
#include "console/operations.h"
#include "console/texts_gbk.h"
#include "model/orders.h"

namespace {

// One line of the main menu and the operation it runs; choice 0 has none.
struct MenuEntry {
  std::string_view line;
  void (*run)();
};

constexpr std::array<MenuEntry, 9> kMainMenu = {{
    {txt::kMain0, nullptr},
    {txt::kMain1, ImportDev},
    {txt::kMain2, ViewDev},
    {txt::kMain3, QueryDev},
    {txt::kMain4, DeletDev},
    {txt::kMain5, SortDev},
    {txt::kMain6, FilterDev},
    {txt::kMain7, UndoDev},
    {txt::kMain8, StatDev},
}};

// The pause of the epilogue.
constexpr int kReturnPauseMs = 1000;

}  // namespace

std::string ReadChoice(std::string_view low, std::string_view high, std::string_view complaint) {
  std::string token = con::ReadToken();
  while (!CmpStr(low, token, high)) {
    con::Out(complaint);
    con::Out(txt::kChoicePrompt);
    token = con::ReadToken();
  }
  return token;
}

void ShowMenu() {
  con::Out("\n");
  con::Out(txt::kMainFrame);
  con::Out(txt::kMainTitle);
  for (const MenuEntry& entry : kMainMenu) con::Out(entry.line);
  con::Out(txt::kMainFrame);
  con::Out(txt::kChoicePrompt);
  const std::string token = ReadChoice("0", "8", txt::kBadChoice);
  const MenuEntry& chosen = kMainMenu[static_cast<std::size_t>(PrefixValue(token))];
  if (chosen.run == nullptr) con::EndSession(0);
  chosen.run();
}

void ReturnMenu() {
  con::Out(txt::kEpilogue);
  con::Pause(kReturnPauseMs);
}

void RunMenuLoop() {
  for (;;) ShowMenu();
}

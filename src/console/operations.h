// The main menu and the eight operations behind it. Each operation reads the user's
// answers, prints, and ends with exactly one ReturnMenu.
#pragma once

#include <string_view>

// Runs the main menu until the user chooses 0 or input ends; never returns.
[[noreturn]] void RunMenuLoop();

// One pass of the main menu: print it, read a valid choice, run the operation.
void ShowMenu();

// The operation epilogue: the message and the one-second pause. The loop then shows
// the main menu again.
void ReturnMenu();

// Reads tokens until one lies in the range low..high by the numeric-text range test,
// answering each other token with complaint and the choice prompt.
std::string ReadChoice(std::string_view low, std::string_view high, std::string_view complaint);

void ImportDev();  // 1: records from a file or typed in
void ViewDev();    // 2: list the data set
void QueryDev();   // 3: find records by name, department or any field
void DeletDev();   // 4: delete one record by serial, or all
void SortDev();    // 5: sort by one of eight orders
void FilterDev();  // 6: keep records within a range
void UndoDev();    // 7: take back the last change
void StatDev();    // 8: total the quantities per device name

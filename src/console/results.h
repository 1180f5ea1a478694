// Pieces shared by the operations that end in a choice between printing and saving:
// query, filter and statistics. Also the sub-menu layout they and the sort print.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string_view>

#include "model/device.h"

// Prints a sub-menu: the short frame line, the entry lines, the frame again and the
// choice prompt.
void PutSubMenu(std::initializer_list<std::string_view> entries);

// Prints an empty line and the output choice menu (print or save), without the prompt.
void PutOutputMenu();

// Prints the count line: found, the count, " 条记录, 耗时 " and the elapsed time.
void PutFound(std::string_view found, std::size_t count, long long start_ms);

// Choice 1 prints results with their own serials; choice 2 saves them to file,
// numbered 1..k, leaving dev and the history alone.
void DeliverResults(int choice, const DevList& results, std::string_view file);

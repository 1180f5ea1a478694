// Showing records on the console and saving record lists.
#pragma once

#include <string_view>

#include "model/device.h"
#include "files/file_writer.h"

// Prints the header row: the eight labels, each followed by a tab and a blank, the last
// by a tab and a line feed.
void PutHeader();

// Prints one record row in the header's layout: the serial, then the seven fields,
// every byte of them.
void PutDev(device record);

// Prints the header row and every record of list with its own serial.
void PutList(const DevList& list);

// Writes list to the record file, numbered 1..n, and reports it on the console. With
// tag "dev" the list is the data set: it enters the history and, renumbered, becomes
// dev, also when the file could not be written. The first such save of a session that
// succeeds keeps the file it replaces as "<file>~"; later ones leave that backup alone.
void SaveDev(std::string_view file, DevList list, std::string_view tag);

// Forgets that this session has saved the data set, so the next save keeps a backup
// again (a new session, for the harnesses that run several in one process).
void ForgetDataSetSaved();

// Prints the elapsed-time tail: the milliseconds since start and " 毫秒\n".
void PutElapsed(long long start_ms);

// Reports how saving count entries to file went: on success the file name with the time
// taken since start_ms and the file name with the count; otherwise the failure's message.
// A reason the writer gave (a refusal, a failed backup) goes to standard error.
void ReportSave(std::string_view file, WriteResult result, long long start_ms, std::size_t count,
                std::string_view reason = {});

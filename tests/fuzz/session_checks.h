// What must hold after any console session, whatever was typed: the files the session
// left in the working directory agree with the data set in memory and with their formats.
#pragma once

#include <string>

// True for the bytes that separate tokens, in typed input and in import files.
inline bool IsBlankByte(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Checks the working directory after a session against the globals dev and backup.
// Returns what is broken, or an empty text when everything holds.
std::string CheckSessionFiles();

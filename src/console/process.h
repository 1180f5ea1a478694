// What the process needs from its platform before the dialogue starts: how the system
// treats failing writes, and the command line's words in the program's bytes.
#pragma once

// The words of the command line, as getopt_long takes them.
struct Arguments {
  int count = 0;
  char** words = nullptr;  // count words and a null pointer, alive until the process ends
};

// The command line in the program's bytes (GB18030): on POSIX systems argv as it is; on
// Windows the UTF-16 command line converted, so that a file name reaches the file API
// whole whatever the ANSI code page.
Arguments ProgramArguments(int argc, char** argv);

// Makes failing writes fail the save that reports them instead of ending the process or
// stopping it with a dialog box.
void PrepareProcess();

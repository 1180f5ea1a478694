// A helper of the Windows tests: holds a file open for reading as another program would (an
// indexer, a virus scanner, a sync agent, a spreadsheet), with the share mode given.
//   hold_file.exe FILE SHARE MILLISECONDS
// SHARE holds the letters r, w and d (FILE_SHARE_READ, _WRITE, _DELETE), or "none". Prints
// "held" once the file is open, keeps it open for MILLISECONDS, and exits 0; exits 1, saying
// the error, when the file cannot be opened.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  DWORD share = 0;
  for (const char* c = argv[2]; *c != '\0'; ++c) {
    if (*c == 'r') share |= FILE_SHARE_READ;
    if (*c == 'w') share |= FILE_SHARE_WRITE;
    if (*c == 'd') share |= FILE_SHARE_DELETE;
  }
  const HANDLE h = CreateFileA(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    std::printf("error %lu\n", GetLastError());
    return 1;
  }
  std::printf("held\n");
  std::fflush(stdout);
  Sleep(std::strtoul(argv[3], nullptr, 10));
  CloseHandle(h);
  return 0;
}

// close_console TITLE [PATTERN]: closes the console window whose title holds TITLE, as a
// click on its close box does (WM_SYSCOMMAND SC_CLOSE, what Wine's X11 driver posts when
// the window manager asks a window to close). With PATTERN (a file name with wildcards,
// such as ".dev.out.tmp-*"), first waits until a file of that name exists, so that the
// window closes while devmgr writes it. Exits 0 once the message is posted, 1 when the
// window or the file did not appear within a minute. Used by the console window test.
#include <windows.h>

#include <cwchar>

namespace {

// The window found by FindByTitle.
struct Search {
  const wchar_t* title;
  HWND found = nullptr;
};

BOOL CALLBACK FindByTitle(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  wchar_t title[512];
  if (GetWindowTextW(window, title, 512) > 0 && std::wcsstr(title, search->title)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// True when a file matching pattern exists.
bool Exists(const wchar_t* pattern) {
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW(pattern, &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const ULONGLONG deadline = GetTickCount64() + 60000;
  Search search{argv[1]};
  while (EnumWindows(FindByTitle, reinterpret_cast<LPARAM>(&search)), search.found == nullptr) {
    if (GetTickCount64() > deadline) return 1;
    Sleep(50);
  }
  while (argc > 2 && !Exists(argv[2])) {
    if (GetTickCount64() > deadline) return 1;
    Sleep(1);
  }
  return PostMessageW(search.found, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
}

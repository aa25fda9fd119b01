// win32-window-probe list TEXT | minimize TEXT: what a test on another machine's side of wine needs
// to know of the session's windows, asked with the system's own calls. "list" prints a line for
// each shown top-level window whose title holds TEXT: "iconic foreground", each 0 or 1. "minimize"
// minimises those windows, as the task bar would, and prints how many there were.

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Utf8(const wchar_t* Text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, Text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1)
    return {};
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, Text, -1, out.data(), size, nullptr, nullptr);
  out.pop_back();
  return out;
}

struct TSearch {
  std::string Text;
  std::vector<HWND> Found;
};

BOOL CALLBACK Visit(HWND Wnd, LPARAM Data) {
  auto& search = *reinterpret_cast<TSearch*>(Data);
  wchar_t title[512] = {};
  GetWindowTextW(Wnd, title, 512);
  if (IsWindowVisible(Wnd) && Utf8(title).find(search.Text) != std::string::npos)
    search.Found.push_back(Wnd);
  return TRUE;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[1], "list") != 0 && std::strcmp(argv[1], "minimize") != 0)) {
    std::fprintf(stderr, "usage: win32-window-probe list|minimize TEXT\n");
    return 2;
  }
  // Lines end in "\n" alone, as the test reading them on the other side expects.
  _setmode(_fileno(stdout), _O_BINARY);
  TSearch search{argv[2], {}};
  EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
  if (std::strcmp(argv[1], "minimize") == 0) {
    for (HWND w : search.Found)
      ShowWindow(w, SW_MINIMIZE);
    std::printf("%zu\n", search.Found.size());
    return 0;
  }
  const HWND foreground = GetForegroundWindow();
  for (HWND w : search.Found)
    std::printf("%d %d\n", IsIconic(w) ? 1 : 0, w == foreground ? 1 : 0);
  return 0;
}

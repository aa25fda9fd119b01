// A small form on the real desktop, for measuring by hand or by bench_x11: a 320 x 200 form with a
// panel that paints a caption and a label. It reports when its first frame was handed to the server
// (from entering main), and with --idle SECONDS the processor time its loop used while it sat idle.
//
// With --menus it shows a form with a menu bar and a popup menu on a right click instead, and
// prints the items chosen.
//
//   x11-demo [--exit-after-first-frame] [--idle SECONDS] [--message-box TEXT] [--menus]

#include "platform/backends/x11/X11Desktop.h"
#include "platform/controls/Application.h"
#include "platform/controls/Menus.h"
#include "platform/windows/Gdi.h"
#include "platform/windows/User.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace {

LRESULT FormProcedure(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
  case WM_PAINT: {
    PAINTSTRUCT ps;
    TCanvas& c = *CanvasFromDC(BeginPaint(Wnd, &ps));
    c.Brush().SetColor(0x00804020);
    c.FillRect(Rect(0, 0, 320, 200));
    c.Brush().SetColor(0x00E0B060);
    c.FillRect(Rect(0, 0, 320, 24));
    c.Brush().SetStyle(bsClear);
    c.Font().SetColor(clWhite);
    c.TextOut(8, 5, "\xE8\xBC\x9D\xE5\xBA\xA6 Brightness");
    EndPaint(Wnd, &ps);
    return 0;
  }
  case WM_NCHITTEST: {
    TRect r;
    GetWindowRect(Wnd, &r);
    return GET_Y_LPARAM(LParam) < r.Top + 24 ? HTCAPTION : HTCLIENT;
  }
  case WM_DESTROY:
    PostQuitMessage(0);
    return 0;
  default:
    return DefWindowProc(Wnd, Msg, WParam, LParam);
  }
}

LRESULT PanelProcedure(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_PAINT) {
    PAINTSTRUCT ps;
    TCanvas& c = *CanvasFromDC(BeginPaint(Wnd, &ps));
    c.Brush().SetColor(0x0020C040);
    c.FillRect(Rect(0, 0, 200, 60));
    c.Brush().SetStyle(bsClear);
    c.Font().SetColor(clBlack);
    c.TextOut(10, 20, "A panel of the message layer");
    EndPaint(Wnd, &ps);
    return 0;
  }
  if (Msg == WM_LBUTTONUP) {
    std::printf("panel clicked at %d,%d\n", GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam));
    std::fflush(stdout);
  }
  return DefWindowProc(Wnd, Msg, WParam, LParam);
}

TMenuItem* AddItem(TMenuItem* Parent, const std::string& Caption, TShortCut Key = 0) {
  auto* item = new TMenuItem(Parent->Owner());
  item->SetCaption(Caption);
  item->SetShortCut(Key);
  if (Caption != "-")
    item->OnClick = [](TObject* Sender) {
      std::printf("chose %s\n", static_cast<TMenuItem*>(Sender)->Caption().c_str());
      std::fflush(stdout);
    };
  Parent->Add(item);
  return item;
}

// A form with a main menu (File, View with a sub-menu, Help) and a popup menu of its own.
int RunMenus() {
  Application->Initialize();
  TForm* form = nullptr;
  Application->CreateForm(form);
  form->SetBounds(120, 120, 360, 220);
  form->SetCaption("x11-demo menus");
  auto* main = new TMainMenu(form);
  TMenuItem* file = AddItem(main->Items(), "&File");
  AddItem(file, "&Open...", ShortCut('O', {ssCtrl}));
  AddItem(file, "-");
  AddItem(file, "E&xit")->OnClick = [](TObject*) { Application->Terminate(); };
  TMenuItem* view = AddItem(main->Items(), "&View");
  AddItem(view, "&Toolbar")->SetChecked(true);
  TMenuItem* zoom = AddItem(view, "&Zoom");
  for (const char* z : {"&50%", "&100%", "&200%"})
    AddItem(zoom, z)->SetRadioItem(true);
  zoom->Items(1)->SetChecked(true);
  AddItem(view, "&Disabled")->SetEnabled(false);
  AddItem(AddItem(main->Items(), "&Help"), "&About");
  form->SetMenu(main);
  auto* popup = new TPopupMenu(form);
  AddItem(popup->Items(), "&Copy", ShortCut('C', {ssCtrl}));
  AddItem(popup->Items(), "&Paste", ShortCut('V', {ssCtrl}));
  AddItem(popup->Items(), "-");
  AddItem(AddItem(popup->Items(), "&More"), "&Nothing");
  form->SetPopupMenu(popup);
  Application->Run();
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  const auto entered = std::chrono::steady_clock::now();
  bool exitAfterFirstFrame = false;
  bool menus = false;
  int idleSeconds = 0;
  const char* messageBox = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--exit-after-first-frame"))
      exitAfterFirstFrame = true;
    else if (!std::strcmp(argv[i], "--idle") && i + 1 < argc)
      idleSeconds = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--message-box") && i + 1 < argc)
      messageBox = argv[++i];
    else if (!std::strcmp(argv[i], "--menus"))
      menus = true;
  }
  std::string why;
  auto desktop = TX11Desktop::Open(nullptr, why);
  if (!desktop) {
    std::fprintf(stderr, "x11-demo: %s\n", why.c_str());
    return 2;
  }
  if (menus)
    return RunMenus();
  HWND form = CreateWindowEx(0, "x11-demo", WS_POPUP, 100, 100, 320, 200, nullptr, WndProcFromFunction(FormProcedure));
  CreateWindowEx(0, "", WS_CHILD | WS_VISIBLE, 20, 60, 200, 60, form, WndProcFromFunction(PanelProcedure));
  ShowWindow(form, SW_SHOWNORMAL);

  // A short timer looks for the first frame: timers fall due after the paint cycle has run.
  SetTimer(form, 2, 10);
  const long long enteredMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(entered.time_since_epoch()).count();
  std::clock_t idleStart = 0;
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0)) {
    if (m.message == WM_TIMER && m.hwnd == form && m.wParam == 2 && desktop->FirstPresentTime() >= 0) {
      KillTimer(form, 2);
      desktop->Sync();
      // steady_clock and the desktop's clock are both the monotonic clock.
      std::printf("first frame presented %lld ms after start\n", desktop->FirstPresentTime() - enteredMs);
      std::fflush(stdout);
      if (messageBox)
        MessageBox(form, messageBox, "x11-demo", MB_OK);
      if (exitAfterFirstFrame)
        break;
      if (idleSeconds > 0) {
        SetTimer(form, 1, static_cast<UINT>(idleSeconds) * 1000);
        idleStart = std::clock();
      }
      continue;
    }
    if (m.message == WM_TIMER && m.hwnd == form && m.wParam == 1) {
      const double cpu = 1000.0 * static_cast<double>(std::clock() - idleStart) / CLOCKS_PER_SEC;
      std::printf("idle for %d s used %.1f ms of processor time\n", idleSeconds, cpu);
      std::fflush(stdout);
      break;
    }
    DispatchMessage(&m);
  }
  if (IsWindow(form))
    DestroyWindow(form);
  return desktop->ConnectionLost() ? 1 : 0;
}

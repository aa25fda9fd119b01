#include "platform/windows/WindowManager.h"

#include <cstring>
#include <stdexcept>

namespace {

struct TBackendSlots {
  TDesktopBackend* Desktop = nullptr;
  TEventSource* Events = nullptr;
  TMessageBoxService* MessageBoxes = nullptr;
  TAddressOpener* Opener = nullptr;
};

TBackendSlots& Slots() {
  static TBackendSlots slots;
  return slots;
}

template <class T>
T& Installed(T* Object, const char* What) {
  if (!Object)
    throw std::logic_error(std::string("no ") + What + " is installed");
  return *Object;
}

} // namespace

void InstallDesktopBackend(TDesktopBackend* Backend) { Slots().Desktop = Backend; }
void InstallEventSource(TEventSource* Source) { Slots().Events = Source; }
void InstallMessageBoxService(TMessageBoxService* Service) { Slots().MessageBoxes = Service; }
void InstallAddressOpener(TAddressOpener* Opener) { Slots().Opener = Opener; }

void InstallDesktopServices(TDesktopBackend& Desktop, TEventSource& Events, TMessageBoxService& MessageBoxes,
                            TAddressOpener& Opener) {
  ResetMessageLayer();
  Slots() = {&Desktop, &Events, &MessageBoxes, &Opener};
}

void RemoveDesktopServices() {
  ResetMessageLayer();
  Slots() = {};
}

TDesktopBackend& CurrentDesktopBackend() { return Installed(Slots().Desktop, "desktop backend"); }
TEventSource& CurrentEventSource() { return Installed(Slots().Events, "event source"); }
TMessageBoxService& CurrentMessageBoxService() { return Installed(Slots().MessageBoxes, "message box service"); }
TAddressOpener& CurrentAddressOpener() { return Installed(Slots().Opener, "address opener"); }
bool HasDesktopBackend() { return Slots().Desktop != nullptr; }

BOOL SystemParametersInfo(UINT Action, UINT, void* Param, UINT) {
  if (!Param || !HasDesktopBackend())
    return 0;
  switch (Action) {
  case SPI_GETWORKAREA: {
    const std::vector<TMonitor> monitors = UnitMonitors();
    if (monitors.empty())
      return 0;
    *static_cast<TRect*>(Param) = monitors.front().WorkArea;
    return 1;
  }
  case SPI_GETNONCLIENTMETRICS: {
    auto* metrics = static_cast<NONCLIENTMETRICS*>(Param);
    if (metrics->cbSize != sizeof(NONCLIENTMETRICS))
      return 0;
    const LOGFONT menu = CurrentDesktopBackend().MenuFont();
    NONCLIENTMETRICS m;
    m.cbSize = sizeof m;
    m.iBorderWidth = 1;
    m.iScrollWidth = m.iScrollHeight = 16;
    m.iCaptionWidth = m.iCaptionHeight = 18;
    m.iSmCaptionWidth = m.iSmCaptionHeight = 15;
    m.iMenuWidth = m.iMenuHeight = 18;
    m.lfCaptionFont = m.lfSmCaptionFont = m.lfMenuFont = m.lfStatusFont = m.lfMessageFont = menu;
    *metrics = m;
    return 1;
  }
  default:
    return 0;
  }
}

int MessageBox(HWND Owner, std::string_view Text, std::string_view Caption, UINT Type) {
  TMessageBoxService& service = CurrentMessageBoxService();
  // The owner takes no input while the box is up, as a modal box requires.
  const bool disable = LiveWnd(Owner) && IsWindowEnabled(Owner);
  if (disable)
    EnableWindow(Owner, 0);
  const int answer = service.Show(Owner, std::string(Text), std::string(Caption), Type);
  if (disable && LiveWnd(Owner))
    EnableWindow(Owner, 1);
  return answer;
}

HINSTANCE ShellExecute(HWND, const char* Operation, const char* File, const char*, const char*, int) {
  auto code = [](std::intptr_t c) { return reinterpret_cast<HINSTANCE>(c); };
  if (Operation && std::strcmp(Operation, "open") != 0)
    return code(SE_ERR_NOASSOC);
  if (!File || !*File)
    return code(2); // the platform's "file not found"
  std::string why;
  if (!CurrentAddressOpener().Open(File, why))
    return code(SE_ERR_NOASSOC);
  return code(42);
}

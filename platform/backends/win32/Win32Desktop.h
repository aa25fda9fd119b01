#pragma once

#include "platform/windows/Backend.h"

#include <memory>
#include <string>

// The desktop of a Windows session: every top-level window of the message layer is a native
// top-level window, frames are shown with SetDIBitsToDevice, the native messages are the layer's
// input, and timers and input share one wait (MsgWaitForMultipleObjectsEx). Opening one installs it
// (desktop, event source, message box, address opener) for the process; destroying it destroys the
// windows left and uninstalls it.
class TWin32Desktop final : public TDesktopBackend, public TEventSource {
public:
  // Null with Why when the session gives the program no windows (a service without a desktop,
  // wine with no display for its graphics driver).
  static std::unique_ptr<TWin32Desktop> Open(std::string& Why);
  ~TWin32Desktop() override;
  TWin32Desktop(const TWin32Desktop&) = delete;
  TWin32Desktop& operator=(const TWin32Desktop&) = delete;

  // TDesktopBackend
  std::unique_ptr<TWindowHost> CreateHost(HWND Window, TWindowKind Kind, const TRect& Bounds) override;
  void Restack(const std::vector<TWindowHost*>& TopToBottom) override;
  std::vector<TMonitor> Monitors() const override;
  TPoint CursorPos() const override;
  void SetCursorShape(int CursorId) override;
  LOGFONT MenuFont() const override;
  // A named mutex of the session (see TNativeDesktop::ClaimInstance).
  TInstanceClaim ClaimInstance(const std::string& Program) override;

  // TEventSource
  long long Now() const override;
  void WaitForEvents(long long Until) override;

  // The system's window (an HWND) of a top-level window of the layer; nullptr for none.
  void* NativeWindow(HWND Window) const;
  // The desktop's hidden window, which hears of display changes (an HWND).
  void* HiddenWindow() const;
  // When (on Now's clock) the first frame was shown; -1 before.
  long long FirstPresentTime() const;

  TMessageBoxService& MessageBoxes();
  TAddressOpener& AddressOpener();

  struct TImpl;

private:
  explicit TWin32Desktop(std::unique_ptr<TImpl> Impl);
  std::unique_ptr<TImpl> F;
};

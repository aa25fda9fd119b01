#pragma once

#include "platform/backends/DescriptorWatch.h"
#include "platform/windows/Backend.h"

#include <memory>
#include <string>

class TX11MessageBox;
class TX11AddressOpener;

struct TX11Options {
  // Present through MIT-SHM when the server offers it; false sends every frame with plain images.
  bool UseShm = true;
  // Frames of fewer pixels go as plain images even so: a small window's frame crosses the
  // connection as quickly, and keeps no shared segment of its size (nor waits for the server to
  // attach one before its first frame).
  int ShmMinPixels = 512 * 512;
};

// The real desktop of an X server: every top-level window of the message layer is an X window,
// frames are presented into it, its input is reported to the layer, and timers and input share one
// wait on the connection. Opening one installs it (desktop, event source, message box, address
// opener) for the process; destroying it destroys the windows left and uninstalls it.
class TX11Desktop final : public TDesktopBackend, public TEventSource {
public:
  // Opens DisplayName (nullptr: the DISPLAY variable); on failure returns nullptr and says why.
  static std::unique_ptr<TX11Desktop> Open(const char* DisplayName, std::string& Why, TX11Options Options = {});
  ~TX11Desktop() override;
  TX11Desktop(const TX11Desktop&) = delete;
  TX11Desktop& operator=(const TX11Desktop&) = delete;

  // TDesktopBackend
  std::unique_ptr<TWindowHost> CreateHost(HWND Window, TWindowKind Kind, const TRect& Bounds) override;
  void Restack(const std::vector<TWindowHost*>& TopToBottom) override;
  std::vector<TMonitor> Monitors() const override;
  TPoint CursorPos() const override;
  void SetCursorShape(int CursorId) override;
  LOGFONT MenuFont() const override;
  // The selection _PROGRAM_Sn of the screen, the way X programs have long found a running copy of
  // themselves; the server lets go of it when the connection ends. A later start finds its owner
  // and sends it a request to come to the front.
  TInstanceClaim ClaimInstance(const std::string& Program) override;

  // TEventSource
  long long Now() const override;
  // Waits on the connection (and the watched descriptors) until the server sends something that
  // concerns the layer or Until passes; an idle program sleeps here.
  void WaitForEvents(long long Until) override;

  // Wakes the wait for W's descriptor too, for as long as W lives.
  void Watch(std::weak_ptr<TDescriptorWatch> W);

  // The next host created is a message box owned by Owner (the message box service says so).
  void ExpectDialog(HWND Owner);

  bool UsesShm() const;
  // Whether the input method is open: it is opened when the first key is pressed.
  bool InputMethodOpen() const;
  bool WindowManagerRunning() const;
  // Whether the connection to the server broke; the program was told to quit then.
  bool ConnectionLost() const;
  bool MoveSizeActive() const;
  // Whether the server granted the pointer and keyboard grab an open menu asked for.
  bool InputGrabHeld() const;
  // The X window of a top-level window of the layer (0 for none).
  unsigned long NativeWindow(HWND Window) const;
  // The whole screen as the server shows it.
  TPixelBuffer Screenshot() const;
  // Waits until the server has handled every request sent so far.
  void Sync();
  // When (on Now's clock) the first frame was handed to the server; -1 before.
  long long FirstPresentTime() const;

  TX11MessageBox& MessageBoxes();
  TX11AddressOpener& AddressOpener();

  struct TImpl;

private:
  explicit TX11Desktop(std::unique_ptr<TImpl> Impl);
  std::unique_ptr<TImpl> F;
};

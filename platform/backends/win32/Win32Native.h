#pragma once

// The native half of the Win32 desktop in plain C++ types: <windows.h> clashes with the platform
// layer's own names, so it stays inside Win32Native.cpp. The layer's half (Win32Desktop.cpp) turns
// what the native windows report into the layer's input and host calls.

#include "platform/backends/win32/Win32Translate.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class TNativeKind { Normal, Menu, Dialog };
enum class TNativeMouse { Move, Down, Up };

// What WM_GETMINMAXINFO is answered with.
struct TNativeMinMax {
  int MinTrackWidth = 1, MinTrackHeight = 1;
  int MaxTrackWidth = 32767, MaxTrackHeight = 32767;
  int MaxWidth = 0, MaxHeight = 0;
  int MaxLeft = 0, MaxTop = 0;
};

// Dots per inch of a desktop at its plain size: the system's unit of a window's sizes.
constexpr int kNativeBaseDpi = 96;

struct TNativeMonitor {
  TNativeRect Screen;
  TNativeRect WorkArea;
  // Its effective dots per inch (192 for a monitor set to 200 %).
  int Dpi = kNativeBaseDpi;
};

struct TNativeFont {
  std::string Face; // UTF-8
  int Height = 0;   // as in a LOGFONT
  int Weight = 0;
  bool Italic = false;
  int CharSet = 0;
};

// An image for the window's icon: Width x Height pixels 0xAARRGGBB, top row first.
struct TNativeImage {
  int Width = 0;
  int Height = 0;
  const std::uint32_t* Pixels = nullptr;
};

// What the native windows report. Tag is what the window was created with (the layer's handle).
class TNativeSink {
public:
  virtual ~TNativeSink() = default;
  // Pointer input for the top-level window under the pointer (or the one the system sent it to
  // when no window of ours is under it), at (X, Y) in that window. Button: 0 left, 1 right,
  // 2 middle. Tag 0: a button went up where no window heard it (the end of a move/size loop).
  virtual void Mouse(std::uintptr_t Tag, TNativeMouse What, int Button, int X, int Y) = 0;
  // A wheel turn (multiples of 120, away from the user positive), MK_ key state, screen position.
  virtual void Wheel(std::uintptr_t Tag, int Delta, unsigned Keys, int ScreenX, int ScreenY) = 0;
  virtual void Key(bool Down, unsigned VirtualKey) = 0;
  virtual void Char(char32_t C) = 0;
  virtual void BoundsChanged(std::uintptr_t Tag, const TNativeRect& Screen) = 0;
  // The user minimised the window (through the task bar) or brought it back.
  virtual void Minimized(std::uintptr_t Tag, bool Minimized) = 0;
  virtual void MoveSizeEnded(std::uintptr_t Tag) = 0;
  virtual void CloseRequested(std::uintptr_t Tag) = 0;
  virtual void Activated(std::uintptr_t Tag) = 0;
  virtual void AppDeactivated() = 0;
  // Once per burst of display, resume or unlock notices.
  virtual void DisplayChanged() = 0;
  // Another start of the program asked this one, which holds the instance claim, for the front.
  virtual void FrontRequested() = 0;
  virtual TNativeMinMax MinMax(std::uintptr_t Tag) = 0;
  // The window shows at Dpi: it moved to a monitor of another density (Suggested: the rectangle
  // the system proposes for it there, which it has taken), or it was just made (Suggested:
  // nullptr), on a monitor whose density may not be the one the layer chose for it.
  virtual void DpiChanged(std::uintptr_t Tag, int Dpi, const TNativeRect* Suggested) = 0;
  // The size the window will have at Dpi (asked before the system suggests a rectangle there);
  // false to leave it to the system.
  virtual bool SizeAtDpi(std::uintptr_t Tag, int Dpi, int& Width, int& Height) = 0;
};

class TNativeDesktop;

// One native top-level window (client = window: the layer draws the frame).
class TNativeWindow {
public:
  ~TNativeWindow();
  TNativeWindow(const TNativeWindow&) = delete;
  TNativeWindow& operator=(const TNativeWindow&) = delete;

  // The system's window handle (an HWND).
  void* Handle() const;
  std::uintptr_t Tag() const;
  // Where the window is on the screen, as last set or reported.
  TNativeRect Bounds() const;
  void SetBounds(const TNativeRect& Screen);
  // SW_HIDE, SW_SHOWNORMAL, SW_SHOWMINIMIZED or SW_SHOWMAXIMIZED.
  void SetShowState(int ShowCmd);
  // nullptr: rectangular again.
  void SetShape(const std::vector<TNativeRect>* Rects);
  void SetTitle(const std::string& Utf8);
  void SetIcon(const std::vector<TNativeImage>& Images);
  // Shows Rects of the frame (Width x Height pixels 0x00RRGGBB, top row first) and keeps them
  // for repainting.
  void Present(const std::uint32_t* Pixels, int Width, int Height, const std::vector<TNativeRect>& Rects);
  // Runs the system's move/size loop when the left button is down; reports the end either way.
  void BeginMoveSize(int HitCode);
  bool GrabInput(bool Grab);
  // Restores the window when it is an icon and makes it the foreground window.
  void BringToFront();

  struct TState;

private:
  friend class TNativeDesktop;
  explicit TNativeWindow(std::unique_ptr<TState> State);
  std::unique_ptr<TState> F;
};

class TNativeDesktop {
public:
  // Registers the window class and makes the desktop's hidden window (which hears of display
  // changes); nullptr with Why when the system makes no window.
  static std::unique_ptr<TNativeDesktop> Open(TNativeSink& Sink, std::string& Why);
  ~TNativeDesktop();
  TNativeDesktop(const TNativeDesktop&) = delete;
  TNativeDesktop& operator=(const TNativeDesktop&) = delete;

  // Owner: the window a dialog belongs to (nullptr: none).
  std::unique_ptr<TNativeWindow> MakeWindow(TNativeKind Kind, const TNativeRect& Screen, std::uintptr_t Tag,
                                              TNativeWindow* Owner);
  void Restack(const std::vector<TNativeWindow*>& TopToBottom);
  // The primary monitor first.
  std::vector<TNativeMonitor> Monitors() const;
  bool CursorPos(int& X, int& Y) const;
  void SetCursorShape(int CursorId);
  // The menu font as at kNativeBaseDpi, whatever the desktop's density.
  bool MenuFont(TNativeFont& Font) const;
  // Milliseconds on a clock that never goes back.
  long long Now() const;
  // Handles native messages until one of them reported something or the clock reaches Until (-1:
  // no deadline); sleeps in the system's wait meanwhile.
  void Wait(long long Until);
  // The window the layer's capture is in (nullptr: none): it takes the pointer natively too.
  void FollowCapture(TNativeWindow* Window);
  int ShowMessageBox(TNativeWindow* Owner, const std::string& Text, const std::string& Caption, unsigned Type);
  bool OpenAddress(const std::string& Address, std::string& Why);
  // Claims the one instance of Name in this session with a named mutex, which the system frees
  // with the process however it ends: true when this desktop holds it now (until it goes). False
  // when another process holds it: its desktop's hidden window, which carries Name as its title,
  // was asked for the front (and allowed to take the foreground).
  bool ClaimInstance(const std::string& Name);
  // On Now's clock; -1 before the first frame.
  long long FirstPresentTime() const;
  // The hidden window of the desktop (an HWND).
  void* HiddenWindow() const;

  struct TState;

private:
  explicit TNativeDesktop(std::unique_ptr<TState> State);
  std::unique_ptr<TState> F;
};

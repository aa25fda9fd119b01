#include "platform/backends/win32/Win32Desktop.h"

#include "platform/backends/win32/Win32Native.h"
#include "platform/graphics/Scale.h"
#include "platform/windows/Gdi.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace {

// Window shapes are kept within the largest window the layer allows.
constexpr int kShapeLimit = 32767;

HWND LayerWindow(std::uintptr_t Tag) { return reinterpret_cast<HWND>(Tag); }
TRect FromNative(const TNativeRect& R) { return Rect(R.Left, R.Top, R.Right, R.Bottom); }
TNativeRect ToNative(const TRect& R) { return {R.Left, R.Top, R.Right, R.Bottom}; }

TInputButton ButtonOf(int Button) {
  if (Button == 1)
    return TInputButton::Right;
  if (Button == 2)
    return TInputButton::Middle;
  return TInputButton::Left;
}

class TWin32Window;

class TWin32MessageBox final : public TMessageBoxService {
public:
  explicit TWin32MessageBox(TWin32Desktop::TImpl& Desktop) : FDesktop(Desktop) {}
  int Show(HWND Owner, const std::string& Text, const std::string& Caption, UINT Type) override;

private:
  TWin32Desktop::TImpl& FDesktop;
};

class TWin32AddressOpener final : public TAddressOpener {
public:
  explicit TWin32AddressOpener(TNativeDesktop& Native) : FNative(Native) {}
  bool Open(const std::string& Address, std::string& Why) override { return FNative.OpenAddress(Address, Why); }

private:
  TNativeDesktop& FNative;
};

} // namespace

struct TWin32Desktop::TImpl final : TNativeSink {
  std::unique_ptr<TNativeDesktop> Native;
  std::vector<TWin32Window*> Windows;
  std::unique_ptr<TWin32MessageBox> MessageBox;
  std::unique_ptr<TWin32AddressOpener> Opener;

  TWin32Window* Find(HWND Window) const;
  TNativeWindow* NativeOf(HWND Window) const;

  // TNativeSink: what the native windows told, in the layer's terms.
  void Mouse(std::uintptr_t Tag, TNativeMouse What, int Button, int X, int Y) override {
    const TInputKind kind = What == TNativeMouse::Down ? TInputKind::MouseDown
                            : What == TNativeMouse::Up ? TInputKind::MouseUp
                                                       : TInputKind::MouseMove;
    PostInputEvent({kind, LayerWindow(Tag), {X, Y}, ButtonOf(Button), 0, 0});
  }
  void Wheel(std::uintptr_t Tag, int Delta, unsigned Keys, int ScreenX, int ScreenY) override {
    // The layer takes wheel turns as WM_MOUSEWHEEL to the focused window, as the platform sends it.
    const HWND target = GetFocus() ? GetFocus() : LayerWindow(Tag);
    const auto wparam =
        static_cast<WPARAM>(static_cast<std::uint32_t>(MAKELPARAM(static_cast<int>(Keys & 0xFFFF), Delta)));
    const TPoint at = ScreenPointInUnits({ScreenX, ScreenY});
    PostMessage(target, WM_MOUSEWHEEL, wparam, MAKELPARAM(at.X, at.Y));
  }
  void Key(bool Down, unsigned VirtualKey) override {
    PostInputEvent({Down ? TInputKind::KeyDown : TInputKind::KeyUp, nullptr, {}, TInputButton::Left,
                    static_cast<WORD>(VirtualKey), 0});
  }
  void Char(char32_t C) override { PostInputEvent({TInputKind::Char, nullptr, {}, TInputButton::Left, 0, C}); }
  void BoundsChanged(std::uintptr_t Tag, const TNativeRect& Screen) override {
    HostBoundsChanged(LayerWindow(Tag), FromNative(Screen));
  }
  void DpiChanged(std::uintptr_t Tag, int Dpi, const TNativeRect* Suggested) override {
    const HWND w = LayerWindow(Tag);
    if (Suggested) {
      HostScaleChanged(w, WindowScaleForDpi(Dpi), FromNative(*Suggested));
      return;
    }
    // Made on a monitor of another density than the layer meant it for: it keeps its place and
    // its size in units, in the pixels of the density it has. At the layer's own scale that is
    // where the window is already, and nothing happens.
    TNativeWindow* native = NativeOf(w);
    int width = 0, height = 0;
    if (!native || !SizeAtDpi(Tag, Dpi, width, height))
      return;
    const TNativeRect now = native->Bounds();
    HostScaleChanged(w, WindowScaleForDpi(Dpi), Bounds(now.Left, now.Top, width, height));
  }
  bool SizeAtDpi(std::uintptr_t Tag, int Dpi, int& Width, int& Height) override {
    TRect units;
    if (!GetWindowRect(LayerWindow(Tag), &units))
      return false;
    Width = ScaleEdge(units.Width(), WindowScaleForDpi(Dpi));
    Height = ScaleEdge(units.Height(), WindowScaleForDpi(Dpi));
    return true;
  }
  void Minimized(std::uintptr_t Tag, bool Now) override {
    // Minimised or brought back through the task bar, not by the layer: it hears it as a show.
    const HWND w = LayerWindow(Tag);
    if (!IsWindow(w))
      return;
    if (Now && !IsIconic(w))
      ShowWindow(w, SW_SHOWMINNOACTIVE);
    else if (!Now && IsIconic(w))
      ShowWindow(w, SW_RESTORE);
  }
  void MoveSizeEnded(std::uintptr_t Tag) override { HostMoveSizeEnded(LayerWindow(Tag)); }
  void CloseRequested(std::uintptr_t Tag) override { HostCloseRequested(LayerWindow(Tag)); }
  void Activated(std::uintptr_t Tag) override {
    if (GetActiveWindow() != LayerWindow(Tag))
      HostActivated(LayerWindow(Tag));
  }
  void AppDeactivated() override { HostAppDeactivated(); }
  void DisplayChanged() override { HostDisplayChanged(); }
  void FrontRequested() override { HostFrontRequested(); }
  TNativeMinMax MinMax(std::uintptr_t Tag) override {
    const MINMAXINFO info = QueryMinMaxInfo(LayerWindow(Tag));
    TNativeMinMax m;
    m.MinTrackWidth = info.ptMinTrackSize.X;
    m.MinTrackHeight = info.ptMinTrackSize.Y;
    m.MaxTrackWidth = info.ptMaxTrackSize.X;
    m.MaxTrackHeight = info.ptMaxTrackSize.Y;
    m.MaxWidth = info.ptMaxSize.X;
    m.MaxHeight = info.ptMaxSize.Y;
    m.MaxLeft = info.ptMaxPosition.X;
    m.MaxTop = info.ptMaxPosition.Y;
    return m;
  }
};

namespace {

class TWin32Window final : public TWindowHost {
public:
  TWin32Window(TWin32Desktop::TImpl& Desktop, HWND Handle, std::unique_ptr<TNativeWindow> Native)
      : FDesktop(Desktop), FHandle(Handle), FNative(std::move(Native)) {
    FDesktop.Windows.push_back(this);
  }
  ~TWin32Window() override { std::erase(FDesktop.Windows, this); }

  void SetBounds(const TRect& ScreenRect) override { FNative->SetBounds(ToNative(ScreenRect)); }
  void SetShowState(int ShowCmd) override { FNative->SetShowState(ShowCmd); }
  void SetShape(const TRegion* Shape) override {
    if (!Shape) {
      FNative->SetShape(nullptr);
      return;
    }
    const std::vector<TNativeRect> rects = ShapeRects(*Shape, kShapeLimit, kShapeLimit);
    FNative->SetShape(&rects);
  }
  void SetTitle(const std::string& Title) override { FNative->SetTitle(Title); }
  void SetIcon(const std::vector<TPixelBuffer>& Images) override {
    std::vector<TNativeImage> images;
    for (const TPixelBuffer& i : Images)
      if (!i.Empty())
        images.push_back({i.Width(), i.Height(), i.Pixels().data()});
    FNative->SetIcon(images);
  }
  void Present(const TPixelBuffer& Frame, const TRegion& Damage) override {
    if (Frame.Empty())
      return;
    std::vector<TNativeRect> rects;
    for (const TRect& r : Damage.RectsIn(Rect(0, 0, Frame.Width(), Frame.Height())))
      rects.push_back(ToNative(r));
    FNative->Present(Frame.Pixels().data(), Frame.Width(), Frame.Height(), rects);
  }
  void BeginMoveSize(int HitCode) override { FNative->BeginMoveSize(HitCode); }
  bool GrabInput(bool Grab) override { return FNative->GrabInput(Grab); }
  void BringToFront() override { FNative->BringToFront(); }

  HWND Handle() const { return FHandle; }
  TNativeWindow& Native() { return *FNative; }

private:
  TWin32Desktop::TImpl& FDesktop;
  HWND FHandle;
  std::unique_ptr<TNativeWindow> FNative;
};

int TWin32MessageBox::Show(HWND Owner, const std::string& Text, const std::string& Caption, UINT Type) {
  TNativeWindow* owner = FDesktop.NativeOf(Owner ? GetAncestor(Owner, GA_ROOT) : nullptr);
  return FDesktop.Native->ShowMessageBox(owner, Text, Caption, Type);
}

} // namespace

TWin32Window* TWin32Desktop::TImpl::Find(HWND Window) const {
  for (TWin32Window* w : Windows)
    if (w->Handle() == Window)
      return w;
  return nullptr;
}

TNativeWindow* TWin32Desktop::TImpl::NativeOf(HWND Window) const {
  TWin32Window* w = Window ? Find(Window) : nullptr;
  return w ? &w->Native() : nullptr;
}

std::unique_ptr<TWin32Desktop> TWin32Desktop::Open(std::string& Why) {
  auto impl = std::make_unique<TImpl>();
  impl->Native = TNativeDesktop::Open(*impl, Why);
  if (!impl->Native)
    return nullptr;
  std::unique_ptr<TWin32Desktop> desktop(new TWin32Desktop(std::move(impl)));
  TImpl& d = *desktop->F;
  d.MessageBox = std::make_unique<TWin32MessageBox>(d);
  d.Opener = std::make_unique<TWin32AddressOpener>(*d.Native);
  InstallDesktopServices(*desktop, *desktop, *d.MessageBox, *d.Opener);
  return desktop;
}

TWin32Desktop::TWin32Desktop(std::unique_ptr<TImpl> Impl) : F(std::move(Impl)) {}

TWin32Desktop::~TWin32Desktop() {
  while (!F->Windows.empty()) {
    const HWND w = F->Windows.front()->Handle();
    DestroyWindow(w);
    if (!F->Windows.empty() && F->Windows.front()->Handle() == w)
      break; // not the layer's window any more; nothing else can free it
  }
  RemoveDesktopServices();
}

std::unique_ptr<TWindowHost> TWin32Desktop::CreateHost(HWND Window, TWindowKind Kind, const TRect& Bounds) {
  const TNativeKind kind = Kind == TWindowKind::Menu     ? TNativeKind::Menu
                           : Kind == TWindowKind::Dialog ? TNativeKind::Dialog
                                                         : TNativeKind::Normal;
  // A dialog belongs to the active window.
  TNativeWindow* owner = kind == TNativeKind::Dialog ? F->NativeOf(GetActiveWindow()) : nullptr;
  std::unique_ptr<TNativeWindow> native =
      F->Native->MakeWindow(kind, ToNative(Bounds), reinterpret_cast<std::uintptr_t>(Window), owner);
  if (!native)
    throw std::runtime_error("the system refused to make a window");
  return std::make_unique<TWin32Window>(*F, Window, std::move(native));
}

void TWin32Desktop::Restack(const std::vector<TWindowHost*>& TopToBottom) {
  std::vector<TNativeWindow*> order;
  for (TWindowHost* h : TopToBottom)
    if (auto it = std::find(F->Windows.begin(), F->Windows.end(), h); it != F->Windows.end())
      order.push_back(&(*it)->Native());
  F->Native->Restack(order);
}

std::vector<TMonitor> TWin32Desktop::Monitors() const {
  std::vector<TMonitor> out;
  for (const TNativeMonitor& m : F->Native->Monitors())
    out.push_back({FromNative(m.Screen), FromNative(m.WorkArea), WindowScaleForDpi(m.Dpi)});
  return out;
}

TPoint TWin32Desktop::CursorPos() const {
  TPoint p;
  F->Native->CursorPos(p.X, p.Y);
  return p;
}

void TWin32Desktop::SetCursorShape(int CursorId) { F->Native->SetCursorShape(CursorId); }

LOGFONT TWin32Desktop::MenuFont() const {
  LOGFONT font;
  TNativeFont native;
  if (F->Native->MenuFont(native)) {
    font.lfHeight = native.Height;
    font.lfWeight = native.Weight;
    font.lfItalic = native.Italic ? 1 : 0;
    font.lfCharSet = static_cast<BYTE>(native.CharSet);
    SetFaceName(font, native.Face);
    return font;
  }
  // The platform's own menu font, which the text engine substitutes like any other.
  font.lfHeight = -12;
  font.lfWeight = 400;
  font.lfCharSet = 136; // the Traditional Chinese character set
  SetFaceName(font, "\xE6\x96\xB0\xE7\xB4\xB0\xE6\x98\x8E\xE9\xAB\x94");
  return font;
}

TInstanceClaim TWin32Desktop::ClaimInstance(const std::string& Program) {
  return F->Native->ClaimInstance(Program) ? TInstanceClaim::Claimed : TInstanceClaim::Running;
}

long long TWin32Desktop::Now() const { return F->Native->Now(); }

void TWin32Desktop::WaitForEvents(long long Until) {
  // The layer's capture holds the pointer natively too, so that a press outside every window of
  // ours still reaches the capturing window.
  const HWND capture = GetCapture();
  F->Native->FollowCapture(F->NativeOf(capture ? GetAncestor(capture, GA_ROOT) : nullptr));
  F->Native->Wait(Until);
}

void* TWin32Desktop::NativeWindow(HWND Window) const {
  TNativeWindow* w = F->NativeOf(Window);
  return w ? w->Handle() : nullptr;
}

void* TWin32Desktop::HiddenWindow() const { return F->Native->HiddenWindow(); }
long long TWin32Desktop::FirstPresentTime() const { return F->Native->FirstPresentTime(); }
TMessageBoxService& TWin32Desktop::MessageBoxes() { return *F->MessageBox; }
TAddressOpener& TWin32Desktop::AddressOpener() { return *F->Opener; }

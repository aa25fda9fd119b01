#include "platform/windows/WindowManager.h"

#include "platform/core/StartupTrace.h"
#include "platform/graphics/Scale.h"
#include "platform/graphics/TextEngine.h"

namespace {

TRect ClientRectInFrame(const TWnd& W) {
  if (W.IsTopLevel())
    return W.ClientArea;
  const TPoint o = FrameOrigin(W);
  return Bounds(o.X, o.Y, W.Bounds.Width(), W.Bounds.Height());
}

// Damage given in the window's client coordinates, as frame coordinates cut to what it can show.
bool DamageOf(HWND Wnd, const TRegion* ClientArea, TWnd*& Top, TRegion& Area) {
  TWnd* w = LiveWnd(Wnd);
  if (!w || w->IsMessageOnly())
    return false;
  Top = TopLevelOf(*w);
  if (!Top)
    return false;
  const TPoint o = FrameOrigin(*w);
  if (ClientArea) {
    Area = *ClientArea;
    Area.Offset(o.X, o.Y);
    Area = Area.Intersect(ClientVisibleArea(*w));
  } else {
    Area = ClientVisibleArea(*w);
  }
  return true;
}

// Paints one window and then its children bottom to top, each clipped to what its ancestors show.
// A subtree outside the damage is skipped: children lie inside their parent.
void PaintTree(HWND Wnd, const TRegion& ParentClip, const TRegion& Damage, const TRegion& EraseDamage) {
  TWnd* w = LiveWnd(Wnd);
  if (!w || !w->Visible())
    return;
  TRegion visible = ParentClip.Intersect(TRegion(ClientRectInFrame(*w)));
  if (w->Shape) {
    TRegion shape = *w->Shape;
    const TPoint o = w->IsTopLevel() ? TPoint{} : FrameOrigin(*w);
    shape.Offset(o.X, o.Y);
    visible = visible.Intersect(shape);
  }
  TRegion update = visible.Intersect(Damage);
  if (update.IsEmpty())
    return;
  w->ErasePending = !update.Intersect(EraseDamage).IsEmpty();
  w->PaintUpdate = std::move(update);
  SendMessage(Wnd, WM_PAINT, 0, 0);
  if (!(w = LiveWnd(Wnd)))
    return;
  w->PaintUpdate.reset();
  w->ErasePending = false;
  const std::vector<HWND> children = w->Children;
  for (auto it = children.rbegin(); it != children.rend(); ++it)
    PaintTree(*it, visible, Damage, EraseDamage);
}

// The window's procedure paints its non-client area on a context over the whole window.
void PaintNonClient(TWnd& Top, const TRegion& Damage) {
  TRegion area = TRegion(Rect(0, 0, Top.Bounds.Width(), Top.Bounds.Height())).Subtract(TRegion(Top.ClientArea));
  if (Top.Shape)
    area = area.Intersect(*Top.Shape);
  area = area.Intersect(Damage);
  if (area.IsEmpty())
    return;
  const HWND h = Top.Handle;
  auto canvas = std::make_unique<TCanvas>(&FrameOf(Top));
  canvas->IntersectClipRegion(area);
  HDC dc = RegisterWindowDC(std::move(canvas), h);
  SendMessage(h, WM_NCPAINT, reinterpret_cast<WPARAM>(dc), 0);
  UnregisterWindowDC(dc, h);
}

} // namespace

void AddDamage(TWnd& Top, const TRegion& FrameArea, bool Erase) {
  const TRegion area = FrameArea.Intersect(TRegion(Rect(0, 0, Top.Bounds.Width(), Top.Bounds.Height())));
  if (area.IsEmpty())
    return;
  Top.Damage = Top.Damage.Union(area);
  if (Erase)
    Top.EraseDamage = Top.EraseDamage.Union(area);
}

bool HasDamage() {
  for (HWND h : WM().TopLevels)
    if (TWnd* w = LiveWnd(h); w && !w->Damage.IsEmpty() && IsShowing(*w))
      return true;
  return false;
}

void PaintTopLevel(HWND TopLevel) {
  TWnd* top = LiveWnd(TopLevel);
  if (!top || top->Damage.IsEmpty() || !IsShowing(*top))
    return;
  // Damage made while painting belongs to the next cycle.
  const TRegion damage = std::move(top->Damage);
  const TRegion erase = std::move(top->EraseDamage);
  top->Damage = TRegion();
  top->EraseDamage = TRegion();
  // What a window draws on a context of its own while the cycle runs (a border drawn as the
  // background is erased) goes out with the cycle's frame: the display never shows half a frame.
  const bool outermost = !top->CycleDrawn;
  if (outermost)
    top->CycleDrawn = TRegion();
  // A window procedure that throws ends the cycle too.
  struct TCycleEnd {
    HWND Top;
    bool Outermost;
    ~TCycleEnd() {
      if (TWnd* t = Outermost ? LiveWnd(Top) : nullptr)
        t->CycleDrawn.reset();
    }
  } cycleEnd{TopLevel, outermost};
  // Off-screen bitmaps the window's controls paint into follow the window's scale.
  const TPaintScaleScope scale(top->Scale, TPaintScaleScope::Exactly);
  PaintNonClient(*top, damage);
  if (!(top = LiveWnd(TopLevel)))
    return;
  PaintTree(TopLevel, TRegion(Rect(0, 0, top->Bounds.Width(), top->Bounds.Height())), damage, erase);
  StartupMark("first paint");
  if (!(top = LiveWnd(TopLevel)))
    return;
  TRegion presented = damage;
  if (outermost)
    presented = presented.Union(*top->CycleDrawn);
  PresentUnits(*top, presented);
  StartupFirstFrame();
  SaveKeptFonts();
}

bool RunPaintCycles() {
  bool painted = false;
  const std::vector<HWND> tops = WM().TopLevels;
  for (HWND h : tops) {
    TWnd* w = LiveWnd(h);
    if (w && !w->Damage.IsEmpty() && IsShowing(*w)) {
      PaintTopLevel(h);
      painted = true;
    }
  }
  return painted;
}

namespace {

// A hidden top-level window is damaged whole when it is shown, so what is invalidated in it
// meanwhile (a form being read invalidates its controls again and again) only has to leave it
// damaged; working out each piece would cost the start its time.
bool DamageHiddenTopLevel(HWND Wnd, bool Erase) {
  TWnd* w = LiveWnd(Wnd);
  TWnd* top = w && !w->IsMessageOnly() ? TopLevelOf(*w) : nullptr;
  if (!top || top->Visible())
    return false;
  // Set, not added to: damage left from a larger size lies outside the frame, and a union with it
  // would never come out as the whole frame again.
  const TRect whole = Rect(0, 0, top->Bounds.Width(), top->Bounds.Height());
  auto covers = [&](const TRegion& R) { return R.IsRectangle() && R.BoundsRect() == whole; };
  if (!covers(top->Damage))
    top->Damage = TRegion(whole);
  if (Erase && !covers(top->EraseDamage))
    top->EraseDamage = TRegion(whole);
  return true;
}

} // namespace

BOOL InvalidateRect(HWND Wnd, const TRect* R, BOOL Erase) {
  if (!Wnd) {
    for (HWND h : WM().TopLevels)
      InvalidateRect(h, nullptr, Erase);
    return 1;
  }
  if (DamageHiddenTopLevel(Wnd, Erase != 0))
    return 1;
  TWnd* top = nullptr;
  TRegion area;
  const TRegion client = R ? TRegion(*R) : TRegion();
  if (!DamageOf(Wnd, R ? &client : nullptr, top, area))
    return 0;
  AddDamage(*top, area, Erase != 0);
  return 1;
}

BOOL InvalidateRgn(HWND Wnd, HRGN Rgn, BOOL Erase) {
  const TRegion* rgn = Rgn ? RegionOfHandle(Rgn) : nullptr;
  if (Rgn && !rgn)
    return 0;
  if (DamageHiddenTopLevel(Wnd, Erase != 0))
    return 1;
  TWnd* top = nullptr;
  TRegion area;
  if (!DamageOf(Wnd, rgn, top, area))
    return 0;
  AddDamage(*top, area, Erase != 0);
  return 1;
}

// Removes the area from the pending damage; windows overlapping it are not painted there either
// (damage is kept per top-level window, by area).
BOOL ValidateRect(HWND Wnd, const TRect* R) {
  TWnd* top = nullptr;
  TRegion area;
  const TRegion client = R ? TRegion(*R) : TRegion();
  if (!DamageOf(Wnd, R ? &client : nullptr, top, area))
    return 0;
  top->Damage = top->Damage.Subtract(area);
  top->EraseDamage = top->EraseDamage.Subtract(area);
  return 1;
}

BOOL UpdateWindow(HWND Wnd) {
  TWnd* w = LiveWnd(Wnd);
  if (!w)
    return 0;
  if (TWnd* top = TopLevelOf(*w))
    PaintTopLevel(top->Handle);
  return 1;
}

BOOL GetUpdateRect(HWND Wnd, TRect* R, BOOL) {
  TWnd* top = nullptr;
  TRegion area;
  if (!DamageOf(Wnd, nullptr, top, area))
    return 0;
  const TRegion pending = area.Intersect(top->Damage);
  if (R) {
    TWnd* w = LiveWnd(Wnd);
    const TPoint o = w->IsTopLevel() ? TPoint{} : FrameOrigin(*w);
    *R = pending.IsEmpty() ? TRect{} : OffsetRect(pending.BoundsRect(), -o.X, -o.Y);
  }
  return pending.IsEmpty() ? 0 : 1;
}

HDC BeginPaint(HWND Wnd, PAINTSTRUCT* Paint) {
  TWnd* w = LiveWnd(Wnd);
  if (!w || !Paint || w->IsMessageOnly())
    return nullptr;
  TWnd* top = TopLevelOf(*w);
  TRegion update;
  if (w->PaintUpdate) {
    update = *w->PaintUpdate;
  } else {
    // Painting outside the cycle takes (and validates) the damage over this window.
    update = ClientVisibleArea(*w).Intersect(top->Damage);
    w->ErasePending = !update.Intersect(top->EraseDamage).IsEmpty();
    top->Damage = top->Damage.Subtract(update);
    top->EraseDamage = top->EraseDamage.Subtract(update);
  }
  const TRect client = ClientRectInFrame(*w);
  auto canvas = std::make_unique<TCanvas>(&FrameOf(*top));
  canvas->IntersectClipRegion(update);
  canvas->SetViewportOrigin(client.TopLeft());
  HDC dc = RegisterWindowDC(std::move(canvas), Wnd);
  Paint->hdc = dc;
  Paint->fErase = 0;
  Paint->rcPaint = update.IsEmpty() ? TRect{} : OffsetRect(update.BoundsRect(), -client.Left, -client.Top);
  if (w->ErasePending) {
    w->ErasePending = false;
    Paint->fErase = SendMessage(Wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? 0 : 1;
  }
  return dc;
}

BOOL EndPaint(HWND Wnd, const PAINTSTRUCT* Paint) {
  if (!Paint)
    return 0;
  return UnregisterWindowDC(Paint->hdc, Wnd) ? 1 : 0;
}

// A context of a window outside the paint cycle draws straight into the frame; what it drew is
// shown when it is released.
HDC GetWindowDCFor(HWND Wnd) {
  TWnd* w = LiveWnd(Wnd);
  if (!w || w->IsMessageOnly())
    return nullptr;
  TWnd* top = TopLevelOf(*w);
  TRegion area = ClientVisibleArea(*w);
  // A window that clips its children cannot draw over them outside its paint either.
  if (w->Style & WS_CLIPCHILDREN)
    for (HWND child : w->Children)
      if (const TWnd* c = LiveWnd(child); c && c->Visible())
        area = area.Subtract(VisibleArea(*c));
  auto canvas = std::make_unique<TCanvas>(&FrameOf(*top));
  canvas->IntersectClipRegion(area);
  canvas->SetViewportOrigin(ClientRectInFrame(*w).TopLeft());
  return RegisterWindowDC(std::move(canvas), Wnd);
}

int ReleaseWindowDC(HWND Wnd, HDC DC) {
  if (!UnregisterWindowDC(DC, Wnd))
    return 0;
  TWnd* w = LiveWnd(Wnd);
  if (w && IsShowing(*w))
    if (TWnd* top = TopLevelOf(*w)) {
      if (top->CycleDrawn)
        top->CycleDrawn = top->CycleDrawn->Union(VisibleArea(*w));
      else
        PresentUnits(*top, VisibleArea(*w));
    }
  return 1;
}

BOOL DrawMenuBar(HWND Wnd) {
  TWnd* w = LiveWnd(Wnd);
  if (!w || !w->IsTopLevel())
    return 0;
  AddDamage(*w, TRegion(Rect(0, 0, w->Bounds.Width(), w->Bounds.Height())).Subtract(TRegion(w->ClientArea)), true);
  return 1;
}

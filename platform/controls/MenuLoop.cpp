#include "platform/controls/MenuLoop.h"

#include "platform/controls/Panel.h"
#include "platform/windows/Gdi.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

namespace {

constexpr int Border = 3;         // the menu window's frame
constexpr int CheckColumn = 22;   // room for a check mark or image left of the caption
constexpr int ArrowColumn = 16;   // room for the sub-menu arrow
constexpr int ShortCutGap = 20;   // between the caption and the shortcut text
constexpr int SeparatorHeight = 8;
constexpr int BarPadding = 6;     // left and right of a bar item's caption
constexpr UINT_PTR SubMenuTimer = 1;

bool IsMouse(UINT M) {
  return (M >= WM_MOUSEMOVE && M <= WM_MBUTTONDBLCLK) || (M >= WM_NCMOUSEMOVE && M <= WM_NCRBUTTONDBLCLK) ||
         M == WM_MOUSEWHEEL;
}
bool IsKey(UINT M) { return M >= WM_KEYDOWN && M <= WM_SYSCHAR; }
bool IsPress(UINT M) {
  return M == WM_LBUTTONDOWN || M == WM_RBUTTONDOWN || M == WM_MBUTTONDOWN || M == WM_LBUTTONDBLCLK ||
         M == WM_RBUTTONDBLCLK || M == WM_MBUTTONDBLCLK || M == WM_NCLBUTTONDOWN || M == WM_NCRBUTTONDOWN ||
         M == WM_NCLBUTTONDBLCLK || M == WM_NCRBUTTONDBLCLK;
}
bool IsRelease(UINT M) {
  return M == WM_LBUTTONUP || M == WM_RBUTTONUP || M == WM_NCLBUTTONUP || M == WM_NCRBUTTONUP;
}
bool IsRightRelease(UINT M) { return M == WM_RBUTTONUP || M == WM_NCRBUTTONUP; }

void UseMenuFont(TCanvas& C) {
  TFont f;
  GetMenuFont(f);
  C.SetFont(f);
}

bool HasSubItems(const TMenuItem& Item) {
  for (int i = 0; i < Item.Count(); ++i)
    if (Item.Items(i)->Visible())
      return true;
  return false;
}

// One open level: a menu window showing the visible sub-items of Parent.
struct TLevel {
  struct TEntry {
    UINT Command = 0;
    TRect Rect;          // client coordinates
    char32_t Key = 0;    // access key
  };
  UINT Parent = 0;
  HWND Wnd = nullptr;
  WNDPROC Proc = nullptr;
  TRect Bounds;          // screen
  std::vector<TEntry> Entries;
  int Selected = -1;

  TMenuItem* Item(int I) const {
    return I >= 0 && I < static_cast<int>(Entries.size()) ? FindMenuItemByCommand(Entries[static_cast<std::size_t>(I)].Command)
                                                           : nullptr;
  }
};

class TLoop {
public:
  explicit TLoop(const TMenuTrack& Track)
      : FTrack(Track), FMenuRoot(Track.Menu ? Track.Menu->Items()->Command() : 0),
        FRoot(Track.Root ? Track.Root->Command() : 0) {}
  ~TLoop() { CloseAll(); }

  UINT Run();

  std::vector<std::unique_ptr<TLevel>> Levels;

private:
  void OpenLevel(TMenuItem& Parent, TRect Anchor, bool Beside, bool SelectFirst);
  void CloseFrom(std::size_t Depth);
  void CloseAll();
  void Select(TLevel& L, int Index);
  void Paint(TLevel& L);
  void Measure(TLevel& L, TMenuItem& Parent, const TRect& Work);
  TLevel* LevelAt(TPoint P, int& Index);
  int BarAt(TPoint P) const;
  void OpenBar(int Index, bool SelectFirst);
  void MoveBar(int Step);
  void OpenSubMenu(std::size_t Depth, bool SelectFirst);
  void Choose(TMenuItem& Item);
  void Cancel() { FDone = true; }
  void Mouse(const MSG& M);
  void Key(const MSG& M);
  void Char(char32_t C);
  void Step(TLevel& L, int Direction);
  void Timer();
  // The menu while it lives: a timer or a posted message may free it while it is open.
  const TMenu* Menu() const { return FMenuRoot && FindMenuItemByCommand(FMenuRoot) ? FTrack.Menu : nullptr; }
  bool UsesOwnerDraw() const { return Menu() && Menu()->OwnerDraw(); }
  const TImageList* Images() const { return Menu() ? Menu()->Images() : nullptr; }
  bool MenuGone() const {
    return (FMenuRoot && !FindMenuItemByCommand(FMenuRoot)) || (FRoot && !FindMenuItemByCommand(FRoot));
  }
  void DropTypedCharacter();

  TMenuTrack FTrack;
  UINT FMenuRoot = 0;
  UINT FRoot = 0;
  UINT FChosen = 0;
  bool FDone = false;
  int FBarIndex = -1;
  bool FBarDropped = false;
  // The sub-menu waiting for the pointer to rest: level depth and entry.
  int FPendingDepth = -1;
  int FPendingEntry = -1;
  HWND FCaptureWindow = nullptr;

public:
  void HandleWindowMessage(TLevel& L, TMessage& M);
};

TLoop* gLoop = nullptr;

// Access keys: the caption's own "&" letter; with automatic hot keys an item without one takes the
// first letter of its caption that no sibling uses yet.
std::vector<char32_t> AccessKeys(const std::vector<TMenuItem*>& Items, const TMenu* Menu) {
  std::vector<char32_t> keys(Items.size(), 0);
  for (std::size_t i = 0; i < Items.size(); ++i)
    keys[i] = AccessKeyOf(Items[i]->Caption());
  if (Menu && Menu->AutoHotkeys() == maAutomatic)
    for (std::size_t i = 0; i < Items.size(); ++i) {
      if (keys[i] || Items[i]->IsLine())
        continue;
      for (char c : Items[i]->Caption()) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 128 || !std::isalnum(u))
          continue;
        const char32_t k = static_cast<char32_t>(std::tolower(u));
        if (std::find(keys.begin(), keys.end(), k) == keys.end()) {
          keys[i] = k;
          break;
        }
      }
    }
  return keys;
}

TRect WorkAreaAt(TPoint P) {
  MONITORINFO info;
  if (GetMonitorInfo(MonitorFromRect(Rect(P.X, P.Y, P.X + 1, P.Y + 1), MONITOR_DEFAULTTONEAREST), &info))
    return info.rcWork;
  return Rect(P.X, P.Y, P.X + 1, P.Y + 1);
}

} // namespace

std::vector<TMenuItem*> ShownMenuItems(const TMenuItem& Parent, const TMenu* Menu) {
  std::vector<TMenuItem*> items;
  for (int i = 0; i < Parent.Count(); ++i)
    if (Parent.Items(i)->Visible())
      items.push_back(Parent.Items(i));
  if (Menu && Menu->AutoLineReduction() == maAutomatic) {
    std::vector<TMenuItem*> kept;
    for (TMenuItem* i : items)
      if (!i->IsLine() || (!kept.empty() && !kept.back()->IsLine()))
        kept.push_back(i);
    while (!kept.empty() && kept.back()->IsLine())
      kept.pop_back();
    items = std::move(kept);
  }
  return items;
}

// ---- Drawing

void GetMenuFont(TFont& Font) {
  NONCLIENTMETRICS m;
  m.cbSize = sizeof m;
  if (SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 0, &m, 0)) {
    const LOGFONT& lf = m.lfMenuFont;
    Font.SetName(std::string(lf.lfFaceName, strnlen(lf.lfFaceName, sizeof lf.lfFaceName)));
    Font.SetHeight(lf.lfHeight != 0 ? lf.lfHeight : -12);
    TFontStyles style;
    if (lf.lfWeight >= 700)
      style.Include(fsBold);
    if (lf.lfItalic)
      style.Include(fsItalic);
    Font.SetStyle(style);
    Font.SetCharset(lf.lfCharSet);
  }
  Font.SetColor(clMenuText);
}

TSize MeasureMenuItemDefault(TCanvas& Canvas, const TMenuItem& Item, const TImageList* Images, bool InBar) {
  if (Item.IsLine() && !InBar)
    return {0, SeparatorHeight};
  TFont font;
  font.Assign(Canvas.Font());
  if (Item.Default()) {
    TFontStyles s = font.Style();
    s.Include(fsBold);
    Canvas.Font().SetStyle(s);
  }
  TRect r = Rect(0, 0, 0, 0);
  Canvas.DrawText(Item.Caption(), r, DT_SINGLELINE | DT_CALCRECT);
  const int textHeight = Canvas.TextHeight("Ag");
  int width = r.Width();
  if (!InBar) {
    width += CheckColumn + ArrowColumn + 4;
    if (const std::string sc = ShortCutToText(Item.ShortCut()); !sc.empty())
      width += ShortCutGap + Canvas.TextWidth(sc);
  } else {
    width += 2 * BarPadding;
  }
  Canvas.SetFont(font);
  int height = std::max(textHeight + 6, 18);
  if (Images && !InBar)
    height = std::max(height, Images->Height() + 4);
  return {width, height};
}

namespace {

void DrawCheck(TCanvas& C, const TRect& Box, bool Radio) {
  const int cx = (Box.Left + Box.Right) / 2;
  const int cy = (Box.Top + Box.Bottom) / 2;
  if (Radio) {
    C.Brush().SetColor(C.Pen().Color());
    C.FillRegion(TRegion::RoundRect(cx - 3, cy - 3, cx + 4, cy + 4, 7, 7));
    C.Brush().SetStyle(bsClear);
    return;
  }
  // A tick, three pixels thick.
  for (int d = 0; d < 3; ++d) {
    C.MoveTo(cx - 4, cy - 1 + d);
    C.LineTo(cx - 1, cy + 2 + d);
    C.LineTo(cx + 4, cy - 3 + d);
  }
}

void DrawArrow(TCanvas& C, int X, int Y) {
  for (int i = 0; i < 4; ++i) {
    C.MoveTo(X + i, Y - 3 + i);
    C.LineTo(X + i, Y + 4 - i);
  }
}

} // namespace

void DrawMenuItemDefault(TCanvas& Canvas, const TMenuItem& Item, const TRect& R, bool Selected,
                         const TImageList* Images, bool InBar) {
  TCanvasSaver saver(Canvas);
  const bool lit = Selected && !Item.IsLine();
  Canvas.Brush().SetColor(lit ? clHighlight : clMenu);
  Canvas.FillRect(R);
  if (Item.IsLine() && !InBar) {
    const int y = (R.Top + R.Bottom) / 2 - 1;
    Canvas.Pen().SetColor(clBtnShadow);
    Canvas.MoveTo(R.Left + 1, y);
    Canvas.LineTo(R.Right - 1, y);
    Canvas.Pen().SetColor(clBtnHighlight);
    Canvas.MoveTo(R.Left + 1, y + 1);
    Canvas.LineTo(R.Right - 1, y + 1);
    return;
  }
  const TColor text = !Item.Enabled() ? clGrayText : lit ? clHighlightText : clMenuText;
  Canvas.Font().SetColor(text);
  Canvas.Pen().SetColor(text);
  if (Item.Default()) {
    TFontStyles s = Canvas.Font().Style();
    s.Include(fsBold);
    Canvas.Font().SetStyle(s);
  }
  Canvas.Brush().SetStyle(bsClear);
  if (InBar) {
    TRect t = R;
    Canvas.DrawText(Item.Caption(), t, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    return;
  }
  const TRect check = Rect(R.Left, R.Top, R.Left + CheckColumn, R.Bottom);
  const bool hasImage = Images && Item.ImageIndex() >= 0 && Item.ImageIndex() < Images->Count();
  if (hasImage) {
    const int x = check.Left + (CheckColumn - Images->Width()) / 2;
    const int y = check.Top + (check.Height() - Images->Height()) / 2;
    if (Item.Checked()) {
      TRect frame = Rect(x - 1, y - 1, x + Images->Width() + 1, y + Images->Height() + 1);
      Frame3D(Canvas, frame, clBtnShadow, clBtnHighlight, 1);
    }
    Images->Draw(Canvas, x, y, Item.ImageIndex(), Item.Enabled());
  } else if (Item.Checked()) {
    DrawCheck(Canvas, check, Item.RadioItem());
  }
  TRect t = Rect(R.Left + CheckColumn, R.Top, R.Right - ArrowColumn, R.Bottom);
  Canvas.DrawText(Item.Caption(), t, DT_SINGLELINE | DT_VCENTER);
  if (const std::string sc = ShortCutToText(Item.ShortCut()); !sc.empty()) {
    TRect s = Rect(R.Left, R.Top, R.Right - ArrowColumn, R.Bottom);
    Canvas.DrawText(sc, s, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
  }
  if (HasSubItems(Item))
    DrawArrow(Canvas, R.Right - ArrowColumn + 5, (R.Top + R.Bottom) / 2);
}

// ---- The loop

namespace {

// An owner-draw handler or a stored item height may ask for any size: no item is larger than the
// work area, and the menu ends at the work area's height (the items below its end are not shown).
void TLoop::Measure(TLevel& L, TMenuItem& Parent, const TRect& Work) {
  const std::vector<TMenuItem*> items = ShownMenuItems(Parent, Menu());
  const std::vector<char32_t> keys = AccessKeys(items, Menu());
  const int maxWidth = std::max(Work.Width() - 2 * Border, 0);
  const int maxHeight = std::max(Work.Height() - 2 * Border, 0);
  TBitmap scratch;
  scratch.SetSize(1, 1);
  TCanvas& c = scratch.Canvas();
  int width = 0;
  int y = Border;
  for (std::size_t i = 0; i < items.size(); ++i) {
    UseMenuFont(c);
    const TSize size = MeasureMenuItemDefault(c, *items[i], Images());
    int w = size.cx;
    int h = size.cy;
    if (UsesOwnerDraw())
      items[i]->MeasureItem(c, w, h);
    width = std::max(width, std::clamp(w, 0, maxWidth));
    const int top = y;
    y = std::min(y + std::clamp(h, 0, maxHeight), Border + maxHeight);
    L.Entries.push_back({items[i]->Command(), Rect(Border, top, Border, y), keys[i]});
  }
  width = std::max(width, std::min(40, maxWidth));
  for (TLevel::TEntry& e : L.Entries)
    e.Rect.Right = Border + width;
  L.Bounds = Rect(0, 0, width + 2 * Border, y + Border);
}

// Anchor: for a sub-menu the parent item's screen rectangle (Beside), for a drop-down the bar
// place, for a popup the point as an empty rectangle.
void TLoop::OpenLevel(TMenuItem& Parent, TRect Anchor, bool Beside, bool SelectFirst) {
  auto level = std::make_unique<TLevel>();
  TLevel& L = *level;
  L.Parent = Parent.Command();
  const TRect work = WorkAreaAt(Anchor.TopLeft());
  Measure(L, Parent, work);
  if (L.Entries.empty())
    return;
  const int w = L.Bounds.Width();
  const int h = L.Bounds.Height();
  int x = 0, y = 0;
  if (Beside) {
    x = Anchor.Right;
    if (x + w > work.Right)
      x = Anchor.Left - w;
    y = Anchor.Top - Border;
    if (y + h > work.Bottom)
      y = work.Bottom - h;
  } else {
    x = Anchor.Left;
    if (!FTrack.Bar) {
      if (FTrack.Alignment == paRight)
        x -= w;
      else if (FTrack.Alignment == paCenter)
        x -= w / 2;
    }
    if (x + w > work.Right)
      x = FTrack.Bar ? work.Right - w : x - w;
    y = Anchor.Bottom;
    if (y + h > work.Bottom)
      y = Anchor.Top - h;
  }
  x = std::max(x, work.Left);
  y = std::max(y, work.Top);
  L.Bounds = Bounds(x, y, w, h);
  TLevel* raw = &L;
  L.Proc = MakeObjectInstance([this, raw](TMessage& M) { HandleWindowMessage(*raw, M); });
  L.Wnd = CreateWindowEx(WS_EX_NOACTIVATE | WS_EX_TOPMOST, "", WS_POPUP, x, y, w, h, nullptr, L.Proc);
  Levels.push_back(std::move(level));
  if (!L.Wnd)
    return;
  ShowWindow(L.Wnd, SW_SHOWNOACTIVATE);
  if (SelectFirst)
    Step(L, 1);
}

void TLoop::CloseFrom(std::size_t Depth) {
  while (Levels.size() > Depth) {
    std::unique_ptr<TLevel> l = std::move(Levels.back());
    Levels.pop_back();
    if (FPendingDepth >= static_cast<int>(Levels.size()))
      FPendingDepth = FPendingEntry = -1;
    if (l->Wnd) {
      if (FCaptureWindow == l->Wnd)
        FCaptureWindow = nullptr;
      DestroyWindow(l->Wnd);
    }
    FreeObjectInstance(l->Proc);
  }
}

void TLoop::CloseAll() { CloseFrom(0); }

void TLoop::Select(TLevel& L, int Index) {
  if (L.Selected == Index)
    return;
  auto invalidate = [&](int I) {
    if (I >= 0 && I < static_cast<int>(L.Entries.size()) && L.Wnd)
      InvalidateRect(L.Wnd, &L.Entries[static_cast<std::size_t>(I)].Rect, 0);
  };
  invalidate(L.Selected);
  L.Selected = Index;
  invalidate(Index);
}

void TLoop::Paint(TLevel& L) {
  PAINTSTRUCT ps;
  const HWND h = L.Wnd;
  HDC dc = BeginPaint(h, &ps);
  if (TCanvas* c = CanvasFromDC(dc)) {
    TRect whole = Rect(0, 0, L.Bounds.Width(), L.Bounds.Height());
    TRect frame = whole;
    Frame3D(*c, frame, clBtnFace, cl3DDkShadow, 1);
    Frame3D(*c, frame, clBtnHighlight, clBtnShadow, 1);
    c->Brush().SetColor(clMenu);
    c->FillRect(frame);
    const std::vector<TLevel::TEntry> entries = L.Entries;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      TMenuItem* item = FindMenuItemByCommand(entries[i].Command);
      if (!item || IntersectRect(entries[i].Rect, ps.rcPaint).IsEmpty())
        continue;
      TCanvasSaver saver(*c);
      UseMenuFont(*c);
      c->Brush().SetColor(clMenu);
      c->Pen().SetColor(clMenuText);
      c->IntersectClipRect(entries[i].Rect);
      const bool selected = static_cast<int>(i) == L.Selected;
      if (UsesOwnerDraw())
        item->DrawItem(*c, entries[i].Rect, selected);
      else
        DrawMenuItemDefault(*c, *item, entries[i].Rect, selected, Images());
    }
  }
  EndPaint(h, &ps);
}

void TLoop::HandleWindowMessage(TLevel& L, TMessage& M) {
  switch (M.Msg) {
  case WM_PAINT:
    Paint(L);
    return;
  case WM_ERASEBKGND:
    M.Result = 1;
    return;
  case WM_TIMER:
    if (M.WParam == SubMenuTimer) {
      KillTimer(L.Wnd, SubMenuTimer);
      Timer();
    }
    return;
  case WM_MOUSEACTIVATE:
    M.Result = 3; // MA_NOACTIVATE
    return;
  default:
    M.Result = DefWindowProc(L.Wnd, M.Msg, M.WParam, M.LParam);
  }
}

TLevel* TLoop::LevelAt(TPoint P, int& Index) {
  Index = -1;
  for (auto it = Levels.rbegin(); it != Levels.rend(); ++it) {
    TLevel& L = **it;
    if (!L.Bounds.Contains(P))
      continue;
    const TPoint local{P.X - L.Bounds.Left, P.Y - L.Bounds.Top};
    for (std::size_t i = 0; i < L.Entries.size(); ++i)
      if (L.Entries[i].Rect.Contains(local))
        Index = static_cast<int>(i);
    return &L;
  }
  return nullptr;
}

int TLoop::BarAt(TPoint P) const {
  if (!FTrack.Bar)
    return -1;
  for (int i = 0; i < FTrack.Bar->BarCount(); ++i)
    if (FTrack.Bar->BarItem(i) && FTrack.Bar->BarRect(i).Contains(P))
      return i;
  return -1;
}

void TLoop::OpenBar(int Index, bool SelectFirst) {
  CloseAll();
  FBarIndex = Index;
  FBarDropped = false;
  TMenuItem* item = FTrack.Bar->BarItem(Index);
  if (item && item->Enabled() && HasSubItems(*item)) {
    OpenLevel(*item, FTrack.Bar->BarRect(Index), false, SelectFirst);
    FBarDropped = !Levels.empty();
  }
  FTrack.Bar->BarSelect(Index, FBarDropped);
  if (!Levels.empty() && Levels.front()->Wnd)
    FCaptureWindow = Levels.front()->Wnd;
}

void TLoop::MoveBar(int Step) {
  const int n = FTrack.Bar->BarCount();
  for (int k = 1; k <= n; ++k) {
    const int i = ((FBarIndex + Step * k) % n + n) % n;
    if (FTrack.Bar->BarItem(i)) {
      OpenBar(i, true);
      return;
    }
  }
}

void TLoop::OpenSubMenu(std::size_t Depth, bool SelectFirst) {
  if (Depth >= Levels.size())
    return;
  TLevel& L = *Levels[Depth];
  TMenuItem* item = L.Item(L.Selected);
  CloseFrom(Depth + 1);
  if (!item || !item->Enabled() || !HasSubItems(*item))
    return;
  const TRect r = OffsetRect(L.Entries[static_cast<std::size_t>(L.Selected)].Rect, L.Bounds.Left, L.Bounds.Top);
  OpenLevel(*item, Rect(L.Bounds.Left + Border, r.Top, L.Bounds.Right - Border, r.Bottom), true, SelectFirst);
}

void TLoop::Choose(TMenuItem& Item) {
  if (!Item.Enabled() || Item.IsLine())
    return;
  if (HasSubItems(Item))
    return;
  FChosen = Item.Command();
  FDone = true;
}

void TLoop::Timer() {
  const int depth = FPendingDepth;
  const int entry = FPendingEntry;
  FPendingDepth = FPendingEntry = -1;
  if (depth < 0 || depth >= static_cast<int>(Levels.size()))
    return;
  if (Levels[static_cast<std::size_t>(depth)]->Selected == entry)
    OpenSubMenu(static_cast<std::size_t>(depth), false);
}

void TLoop::Step(TLevel& L, int Direction) {
  const int n = static_cast<int>(L.Entries.size());
  if (n == 0)
    return;
  int i = L.Selected < 0 ? (Direction > 0 ? -1 : n) : L.Selected;
  for (int k = 0; k < n; ++k) {
    i = ((i + Direction) % n + n) % n;
    TMenuItem* item = L.Item(i);
    // Items past the end of a menu cut to the work area are not shown, so not stepped to.
    if (item && !item->IsLine() && !L.Entries[static_cast<std::size_t>(i)].Rect.IsEmpty()) {
      Select(L, i);
      return;
    }
  }
}

void TLoop::Mouse(const MSG& M) {
  const TPoint p = M.pt;
  int entry = -1;
  TLevel* L = LevelAt(p, entry);
  const std::size_t depth = L ? static_cast<std::size_t>(
                                    std::find_if(Levels.begin(), Levels.end(), [&](auto& l) { return l.get() == L; }) -
                                    Levels.begin())
                              : 0;
  const int bar = L ? -1 : BarAt(p);
  if (M.message == WM_MOUSEMOVE || M.message == WM_NCMOUSEMOVE) {
    if (bar >= 0 && bar != FBarIndex && (FBarDropped || FTrack.BarOnly || !Levels.empty()))
      OpenBar(bar, false);
    if (!L) {
      if (!Levels.empty()) {
        TLevel& last = *Levels.back();
        if (last.Selected >= 0)
          Select(last, -1);
      }
      return;
    }
    TMenuItem* item = L->Item(entry);
    if (entry < 0 || !item || item->IsLine())
      return;
    if (L->Selected != entry) {
      Select(*L, entry);
      CloseFrom(depth + 1);
      if (item->Enabled() && HasSubItems(*item)) {
        FPendingDepth = static_cast<int>(depth);
        FPendingEntry = entry;
        SetTimer(L->Wnd, SubMenuTimer, MenuShowDelay);
      }
    }
    return;
  }
  if (IsPress(M.message)) {
    if (L) {
      TMenuItem* item = L->Item(entry);
      if (item && !item->IsLine()) {
        Select(*L, entry);
        if (item->Enabled() && HasSubItems(*item) && !(depth + 1 < Levels.size() && Levels[depth + 1]->Parent == item->Command()))
          OpenSubMenu(depth, false);
      }
      return;
    }
    if (bar >= 0) {
      // The open place closes the menu; another switches to it.
      if (bar == FBarIndex && FBarDropped)
        Cancel();
      else
        OpenBar(bar, false);
      return;
    }
    Cancel();
    return;
  }
  if (IsRelease(M.message)) {
    if (IsRightRelease(M.message) && !FTrack.RightButtonChooses && !FTrack.Bar)
      return;
    if (L)
      if (TMenuItem* item = L->Item(entry))
        Choose(*item);
  }
}

void TLoop::Char(char32_t C) {
  if (C >= 'A' && C <= 'Z')
    C = C - 'A' + 'a';
  if (Levels.empty()) {
    if (!FTrack.Bar)
      return;
    for (int i = 0; i < FTrack.Bar->BarCount(); ++i)
      if (TMenuItem* item = FTrack.Bar->BarItem(i); item && AccessKeyOf(item->Caption()) == C) {
        OpenBar(i, true);
        return;
      }
    return;
  }
  TLevel& L = *Levels.back();
  std::vector<int> matches;
  for (std::size_t i = 0; i < L.Entries.size(); ++i)
    if (L.Entries[i].Key == C)
      matches.push_back(static_cast<int>(i));
  if (matches.empty())
    return;
  if (matches.size() > 1) {
    auto next = std::upper_bound(matches.begin(), matches.end(), L.Selected);
    Select(L, next == matches.end() ? matches.front() : *next);
    return;
  }
  Select(L, matches.front());
  TMenuItem* item = L.Item(matches.front());
  if (!item)
    return;
  if (HasSubItems(*item))
    OpenSubMenu(Levels.size() - 1, true);
  else
    Choose(*item);
}

void TLoop::Key(const MSG& M) {
  if (M.message == WM_CHAR || M.message == WM_SYSCHAR) {
    Char(static_cast<char32_t>(M.wParam));
    return;
  }
  if (M.message != WM_KEYDOWN && M.message != WM_SYSKEYDOWN)
    return;
  TLevel* last = Levels.empty() ? nullptr : Levels.back().get();
  switch (M.wParam) {
  case VK_UP:
  case VK_DOWN:
    if (last)
      Step(*last, M.wParam == VK_DOWN ? 1 : -1);
    else if (FTrack.Bar && M.wParam == VK_DOWN && FBarIndex >= 0)
      OpenBar(FBarIndex, true);
    return;
  case VK_RIGHT:
    if (last) {
      TMenuItem* item = last->Item(last->Selected);
      if (item && item->Enabled() && HasSubItems(*item)) {
        OpenSubMenu(Levels.size() - 1, true);
        return;
      }
    }
    if (FTrack.Bar)
      MoveBar(1);
    return;
  case VK_LEFT:
    if (Levels.size() > 1) {
      CloseFrom(Levels.size() - 1);
      return;
    }
    if (FTrack.Bar)
      MoveBar(-1);
    return;
  case VK_RETURN:
    if (last) {
      TMenuItem* item = last->Item(last->Selected);
      if (item && HasSubItems(*item))
        OpenSubMenu(Levels.size() - 1, true);
      else if (item)
        Choose(*item);
    } else if (FTrack.Bar && FBarIndex >= 0) {
      OpenBar(FBarIndex, true);
    }
    return;
  case VK_ESCAPE:
    if (Levels.size() > 1 || (Levels.size() == 1 && FTrack.Bar)) {
      CloseFrom(Levels.size() - 1);
      if (Levels.empty() && FTrack.Bar) {
        FBarDropped = false;
        FTrack.Bar->BarSelect(FBarIndex, false);
      }
      return;
    }
    Cancel();
    return;
  case VK_MENU:
  case VK_F10:
    Cancel();
    return;
  default:
    return;
  }
}

UINT TLoop::Run() {
  const HWND barWindow = FTrack.Bar ? FTrack.Bar->BarWindow() : nullptr;
  if (FTrack.Bar) {
    if (FTrack.BarOnly) {
      FBarIndex = FTrack.BarIndex;
      FTrack.Bar->BarSelect(FBarIndex, false);
    } else {
      OpenBar(FTrack.BarIndex, FTrack.ByKeyboard);
    }
  } else if (FTrack.Root) {
    OpenLevel(*FTrack.Root, Rect(FTrack.At.X, FTrack.At.Y, FTrack.At.X, FTrack.At.Y), false, FTrack.ByKeyboard);
    if (Levels.empty())
      return 0;
  }
  // The capture keeps the loop's own windows, not the ones under the pointer, on the pointer; the
  // grab does the same for other programs' windows.
  const HWND grabWindow = !Levels.empty() && Levels.front()->Wnd ? Levels.front()->Wnd : barWindow;
  if (grabWindow) {
    FCaptureWindow = grabWindow;
    SetCapture(grabWindow);
    GrabInput(GetAncestor(grabWindow, GA_ROOT));
  }
  MSG m;
  while (!FDone) {
    if ((barWindow && !IsWindow(barWindow)) || MenuGone())
      break;
    if (FTrack.Bar && !Levels.empty() && Levels.front()->Wnd && GetCapture() != Levels.front()->Wnd) {
      // A new drop-down: the capture and the grab move to it.
      SetCapture(Levels.front()->Wnd);
      GrabInput(Levels.front()->Wnd);
    }
    if (!GetMessage(&m, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (IsMouse(m.message)) {
      Mouse(m);
      continue;
    }
    if (IsKey(m.message)) {
      Key(m);
      if (FDone && (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN))
        DropTypedCharacter();
      continue;
    }
    // Timers, paints and posted messages go on; the application's filter is not asked.
    DispatchMessage(&m);
  }
  ReleaseInputGrab();
  CloseAll();
  if (GetCapture() == grabWindow || !GetCapture())
    ReleaseCapture();
  if (FTrack.Bar && IsWindow(barWindow))
    FTrack.Bar->BarSelect(-1, false);
  return FChosen;
}

// The character that comes with the key that closed the menu (Enter's, Esc's) belongs to the menu
// too: the application never sees it.
void TLoop::DropTypedCharacter() {
  MSG next;
  if (PeekMessage(&next, nullptr, 0, 0, PM_NOREMOVE) && (next.message == WM_CHAR || next.message == WM_SYSCHAR))
    PeekMessage(&next, nullptr, 0, 0, PM_REMOVE);
}

} // namespace

UINT TrackMenu(const TMenuTrack& Track) {
  if (gLoop || (!Track.Root && !Track.Bar))
    return 0;
  TLoop loop(Track);
  gLoop = &loop;
  UINT chosen = 0;
  try {
    chosen = loop.Run();
  } catch (...) {
    gLoop = nullptr;
    ReleaseInputGrab();
    throw;
  }
  gLoop = nullptr;
  return chosen;
}

bool MenuLoopActive() { return gLoop != nullptr; }

namespace {

LRESULT CommandWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_COMMAND) {
    if (TMenuItem* item = FindMenuItemByCommand(static_cast<UINT>(WParam)))
      item->Click();
    return 0;
  }
  return DefWindowProc(Wnd, Msg, WParam, LParam);
}

HWND CommandWindow() {
  static HWND window = nullptr;
  if (!IsWindow(window))
    window = CreateWindowEx(0, "", 0, 0, 0, 0, 0, HWND_MESSAGE, WndProcFromFunction(CommandWindowProc));
  return window;
}

} // namespace

void PostMenuCommand(UINT Command) {
  if (Command)
    PostMessage(CommandWindow(), WM_COMMAND, Command, 0);
}

int OpenMenuLevels() { return gLoop ? static_cast<int>(gLoop->Levels.size()) : 0; }

HWND MenuLevelWindow(int Level) {
  if (!gLoop || Level < 0 || Level >= OpenMenuLevels())
    return nullptr;
  return gLoop->Levels[static_cast<std::size_t>(Level)]->Wnd;
}

TMenuItem* MenuLevelSelection(int Level) {
  if (!gLoop || Level < 0 || Level >= OpenMenuLevels())
    return nullptr;
  const TLevel& l = *gLoop->Levels[static_cast<std::size_t>(Level)];
  return l.Item(l.Selected);
}

bool MenuItemScreenRect(const TMenuItem* Item, TRect& R) {
  if (!gLoop || !Item)
    return false;
  for (const auto& l : gLoop->Levels)
    for (const TLevel::TEntry& e : l->Entries)
      if (e.Command == Item->Command()) {
        R = OffsetRect(e.Rect, l->Bounds.Left, l->Bounds.Top);
        return !e.Rect.IsEmpty();
      }
  return false;
}

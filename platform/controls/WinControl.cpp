#include "platform/controls/WinControl.h"

#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/controls/Menus.h"
#include "platform/windows/Gdi.h"

#include <algorithm>
#include <unordered_map>

namespace {

std::unordered_map<HWND, TWinControl*>& HandleMap() {
  static std::unordered_map<HWND, TWinControl*> map;
  return map;
}

// Canvas contexts taken outside painting, given back when the outermost message is done.
std::vector<std::pair<TCustomControl*, TControlTracker>>& OpenCanvases() {
  static std::vector<std::pair<TCustomControl*, TControlTracker>> list;
  return list;
}

int gMessageDepth = 0;

// Runs a control's Paint on the context's canvas, set up with the control's font and colour;
// Canvas() answers that canvas meanwhile. Paint may free the control.
template <class F>
void PaintThrough(TControl& Control, HDC DC, TCanvas*& PaintCanvas, F Paint) {
  TCanvas* canvas = CanvasFromDC(DC);
  if (!canvas)
    return;
  // The control's off-screen bitmaps are painted on the grid of its place on what it paints on,
  // also through a context outside its window's paint cycle.
  const TPaintScaleScope scale(canvas->Target() ? canvas->Target()->Grid().Shifted(canvas->ViewportOrigin())
                                                : TUnitGrid(),
                               TPaintScaleScope::AtLeast);
  TCanvasSaver saver(*canvas);
  canvas->SetFont(*Control.Font());
  canvas->Brush().SetColor(Control.Color());
  canvas->Pen().SetColor(clBlack);
  canvas->Pen().SetStyle(psSolid);
  canvas->Pen().SetWidth(1);
  TCanvas* previous = PaintCanvas;
  PaintCanvas = canvas;
  const TControlTracker alive(&Control);
  try {
    Paint();
  } catch (...) {
    if (alive.Alive())
      PaintCanvas = previous;
    throw;
  }
  if (alive.Alive())
    PaintCanvas = previous;
}

bool IsMouseMessage(UINT Msg) { return (Msg >= WM_MOUSEMOVE && Msg <= WM_MBUTTONDBLCLK); }

} // namespace

TWinControl* FindControl(HWND Wnd) {
  if (!Wnd)
    return nullptr;
  auto it = HandleMap().find(Wnd);
  return it == HandleMap().end() ? nullptr : it->second;
}

void ReleaseCanvasContexts() {
  auto list = std::move(OpenCanvases());
  OpenCanvases().clear();
  for (auto& [control, alive] : list)
    if (alive.Alive())
      control->ReleaseCanvasDC();
}

// ---- TWinControl

const TClassInfo& TWinControl::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TWinControl>().Build();
  return Info;
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  if (MouseControl() == this)
    SetMouseControl(nullptr);
  // Leaves the parent while it is still a windowed control (the parent keeps those apart).
  if (FParent)
    FParent->RemoveControl(this);
  DestroyHandle();
  // Children go with their parent, as in the class library, whoever owns them.
  while (!FControls.empty() || !FWinControls.empty()) {
    TControl* c = !FWinControls.empty() ? static_cast<TControl*>(FWinControls.back()) : FControls.back();
    RemoveControl(c);
    delete c;
  }
  if (FObjectInstance)
    FreeObjectInstance(FObjectInstance);
}

HWND TWinControl::Handle() {
  HandleNeeded();
  return FHandle;
}

void TWinControl::HandleNeeded() {
  if (FHandle || FCreatingHandle)
    return;
  if (FParent)
    FParent->HandleNeeded();
  if (!FHandle)
    CreateHandle();
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (Visible())
    Params.Style |= WS_VISIBLE;
  if (FTabStop)
    Params.Style |= WS_TABSTOP;
  if (!Enabled())
    Params.Style |= WS_DISABLED;
  Params.Bounds = BoundsRect();
  Params.WndParent = FParent ? FParent->FHandle : nullptr;
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if ((params.Style & WS_CHILD) && !params.WndParent)
    return;
  if (!FObjectInstance)
    FObjectInstance = MakeObjectInstance([this](TMessage& M) { MainWndProc(M); });
  const TRect& b = params.Bounds;
  // Shown afterwards by UpdateShowing, once the children have their windows too.
  HWND h = CreateWindowEx(params.ExStyle, FText, params.Style & ~WS_VISIBLE, b.Left, b.Top, b.Width(), b.Height(),
                          params.WndParent, FObjectInstance);
  if (!h)
    throw EComponentError("Error creating window of " + std::string(ClassName()));
  if (!FHandle) {
    FHandle = h;
    HandleMap()[h] = this;
  }
}

void TWinControl::CreateHandle() {
  if (FHandle)
    return;
  FCreatingHandle = true;
  try {
    CreateWnd();
  } catch (...) {
    FCreatingHandle = false;
    throw;
  }
  FCreatingHandle = false;
  if (!FHandle)
    return;
  const std::vector<TWinControl*> children = FWinControls;
  for (TWinControl* c : children)
    c->CreateHandle();
  if (FParent)
    UpdateShowing();
}

void TWinControl::DestroyHandle() {
  for (auto& [control, alive] : OpenCanvases())
    if (control == this && alive.Alive())
      control->ReleaseCanvasDC();
  if (FHandle)
    DestroyWindow(FHandle);
  if (FHandle) {
    HandleMap().erase(FHandle);
    FHandle = nullptr;
  }
}

void TWinControl::UpdateShowing() {
  if (!FHandle || !FParent)
    return;
  const bool show = Visible();
  if (show != (IsWindowVisible(FHandle) || (GetWindowLongPtr(FHandle, GWL_STYLE) & WS_VISIBLE)))
    ShowWindow(FHandle, show ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::VisibleChanging() {
  if (!Visible() || !FHandle)
    return;
  // A hidden control cannot keep the focus: it moves on as Tab would move it.
  if (TCustomForm* form = GetParentForm(this); form && form->ActiveControl() &&
                                               (form->ActiveControl() == this || ContainsControl(form->ActiveControl())))
    form->DefocusControl(this);
}

TControl* TWinControl::Controls(int Index) const {
  const int graphic = static_cast<int>(FControls.size());
  if (Index < 0 || Index >= ControlCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  if (Index < graphic)
    return FControls[static_cast<std::size_t>(Index)];
  return FWinControls[static_cast<std::size_t>(Index - graphic)];
}

void TWinControl::InsertControl(TControl* AControl) {
  if (!AControl || AControl->FParent == this)
    return;
  if (auto* w = dynamic_cast<TWinControl*>(AControl); w && w->ContainsControl(this))
    throw EComponentError("A control cannot be placed in one of its own children");
  AControl->FParent = this;
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    FWinControls.push_back(w);
    FTabList.push_back(w);
  } else {
    FControls.push_back(AControl);
  }
  if (AControl->ParentColor())
    AControl->Perform(CM_PARENTCOLORCHANGED);
  if (AControl->ParentFont())
    AControl->Perform(CM_PARENTFONTCHANGED);
  if (auto* w = dynamic_cast<TWinControl*>(AControl); w && FHandle) {
    // The message layer cannot move a window to another parent: the window is made anew.
    w->DestroyHandle();
    w->CreateHandle();
  }
  AControl->UpdateAnchorRules();
  AControl->Invalidate();
  if (AControl->Align() != alNone)
    Realign();
}

void TWinControl::RemoveControl(TControl* AControl) {
  if (!AControl || AControl->FParent != this)
    return;
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    if (TCustomForm* form = GetParentForm(this); form && form->ActiveControl() &&
                                                 (form->ActiveControl() == w || w->ContainsControl(form->ActiveControl())))
      form->DefocusControl(w);
    w->DestroyHandle();
    std::erase(FWinControls, w);
    std::erase(FTabList, w);
  } else {
    AControl->Invalidate();
    std::erase(FControls, AControl);
  }
  if (CaptureControl() == AControl)
    AControl->SetMouseCapture(false);
  if (MouseControl() == AControl)
    SetMouseControl(nullptr);
  AControl->FParent = nullptr;
  if (AControl->Align() != alNone)
    Realign();
}

bool TWinControl::ContainsControl(const TControl* Control) const {
  for (const TControl* c = Control; c; c = c->Parent())
    if (c == this)
      return true;
  return false;
}

TControl* TWinControl::ControlAtPos(TPoint Pos, bool AllowDisabled, bool AllowWinControls) const {
  auto hit = [&](TControl* c) {
    return c->Visible() && (AllowDisabled || c->Enabled()) && c->BoundsRect().Contains(Pos) &&
           c->Perform(CM_HITTEST, 0, MAKELPARAM(Pos.X - c->Left(), Pos.Y - c->Top())) != 0;
  };
  if (AllowWinControls)
    for (auto it = FWinControls.rbegin(); it != FWinControls.rend(); ++it)
      if (hit(*it))
        return *it;
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it)
    if (hit(*it))
      return *it;
  return nullptr;
}

void TWinControl::GetChildren(const std::function<void(TComponent*)>& Proc, const TComponent* Root) const {
  TControl::GetChildren(Proc, Root);
  for (int i = 0; i < ControlCount(); ++i)
    if (TControl* c = Controls(i); c->Owner() == Root)
      Proc(c);
}

TPoint TWinControl::ClientOrigin() const {
  if (FHandle) {
    TPoint p{0, 0};
    ::ClientToScreen(FHandle, &p);
    return p;
  }
  return TControl::ClientOrigin();
}

void TWinControl::SetBorderWidth(int Value) {
  Value = std::max(Value, 0);
  if (FBorderWidth == Value)
    return;
  FBorderWidth = Value;
  Realign();
  Invalidate();
}

void TWinControl::AdjustClientRect(TRect& Rect) const { Rect = InflateRect(Rect, -FBorderWidth, -FBorderWidth); }

void TWinControl::EnableAlign() {
  if (FAlignLevel > 0 && --FAlignLevel == 0 && FRealignPending)
    Realign();
}

void TWinControl::Realign() {
  if (FAlignLevel > 0 || ComponentState().Contains(csLoading) || FInRealign) {
    FRealignPending = true;
    return;
  }
  FRealignPending = false;
  FInRealign = true;
  TRect r = ClientRect();
  AdjustClientRect(r);
  try {
    AlignControls(nullptr, r);
  } catch (...) {
    FInRealign = false;
    throw;
  }
  FInRealign = false;
}

void TWinControl::AlignControls(TControl*, TRect& Rect) {
  const TRect client = ClientRect();
  std::vector<TControl*> all;
  for (int i = 0; i < ControlCount(); ++i)
    all.push_back(Controls(i));
  const TControlTracker alive(this);
  for (TControl* c : all)
    if (c->Align() == alNone)
      c->AnchorTo({client.Width(), client.Height()});
  for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) {
    std::vector<TControl*> list;
    for (TControl* c : all)
      if (c->Align() == a && c->Visible())
        list.push_back(c);
    std::stable_sort(list.begin(), list.end(), [a](TControl* x, TControl* y) {
      switch (a) {
      case alTop:
        return x->Top() < y->Top();
      case alBottom:
        return x->Top() + x->Height() > y->Top() + y->Height();
      case alLeft:
        return x->Left() < y->Left();
      case alRight:
        return x->Left() + x->Width() > y->Left() + y->Width();
      default:
        return false;
      }
    });
    for (TControl* c : list) {
      TRect b;
      switch (a) {
      case alTop:
        b = Bounds(Rect.Left, Rect.Top, Rect.Width(), c->Height());
        break;
      case alBottom:
        b = Bounds(Rect.Left, Rect.Bottom - c->Height(), Rect.Width(), c->Height());
        break;
      case alLeft:
        b = Bounds(Rect.Left, Rect.Top, c->Width(), Rect.Height());
        break;
      case alRight:
        b = Bounds(Rect.Right - c->Width(), Rect.Top, c->Width(), Rect.Height());
        break;
      default:
        b = Rect;
        break;
      }
      c->FAligning = true;
      c->SetBounds(b.Left, b.Top, std::max(b.Width(), 0), std::max(b.Height(), 0));
      c->FAligning = false;
      if (!alive.Alive())
        return;
      // Constraints may have kept another size; the space taken is what the control got.
      switch (a) {
      case alTop:
        Rect.Top += c->Height();
        break;
      case alBottom:
        Rect.Bottom -= c->Height();
        break;
      case alLeft:
        Rect.Left += c->Width();
        break;
      case alRight:
        Rect.Right -= c->Width();
        break;
      default:
        break;
      }
    }
  }
}

void TWinControl::UpdateBoundsRect(const TRect& R) {
  const bool sized = R.Width() != FWidth || R.Height() != FHeight;
  TControl::UpdateBoundsRect(R);
  if (!FHandle) {
    if (sized)
      Realign();
    return;
  }
  // WM_SIZE lays the children out.
  SetWindowPos(FHandle, nullptr, R.Left, R.Top, R.Width(), R.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  // A top-level window may not get what it asked for (size limits, a window manager that keeps a
  // maximised window's size): the control keeps what the window got.
  TRect got;
  if (!FParent && FHandle && GetWindowRect(FHandle, &got))
    TControl::UpdateBoundsRect(got);
}

void TWinControl::SetParent(TWinControl* AParent) {
  if (!AParent && FParent && FHandle && !ComponentState().Contains(csDestroying))
    DestroyHandle();
  TControl::SetParent(AParent);
}

void TWinControl::Loaded() {
  TControl::Loaded();
  if (FPendingTabOrder >= 0) {
    UpdateTabOrder(FPendingTabOrder);
    FPendingTabOrder = -1;
  }
  if (FRealignPending || !FControls.empty() || !FWinControls.empty())
    Realign();
}

void TWinControl::SetTabStop(bool Value) {
  if (FTabStop == Value)
    return;
  FTabStop = Value;
  if (FHandle) {
    const LONG_PTR style = GetWindowLongPtr(FHandle, GWL_STYLE);
    SetWindowLongPtr(FHandle, GWL_STYLE, Value ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP)));
  }
  Perform(CM_TABSTOPCHANGED);
}

int TWinControl::TabOrder() const {
  if (!FParent)
    return FPendingTabOrder >= 0 ? FPendingTabOrder : -1;
  const auto& list = FParent->FTabList;
  const auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int Value) {
  if (ComponentState().Contains(csLoading) || !FParent)
    FPendingTabOrder = Value;
  else
    UpdateTabOrder(Value);
}

void TWinControl::UpdateTabOrder(int Value) {
  if (!FParent)
    return;
  auto& list = FParent->FTabList;
  const auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end())
    return;
  list.erase(it);
  const int pos = std::clamp(Value, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + pos, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) const {
  for (TWinControl* c : FTabList) {
    List.push_back(c);
    c->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) const {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty())
    return nullptr;
  const int n = static_cast<int>(list.size());
  const auto it = std::find(list.begin(), list.end(), CurControl);
  int start = it == list.end() ? (GoForward ? n - 1 : 0) : static_cast<int>(it - list.begin());
  for (int step = 1; step <= n; ++step) {
    const int i = ((start + (GoForward ? step : -step)) % n + n) % n;
    TWinControl* c = list[static_cast<std::size_t>(i)];
    if (c == CurControl)
      return nullptr;
    if ((!CheckTabStop || c->TabStop()) && (!CheckParent || c->Parent() == this) && c->CanFocus())
      return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  if (TWinControl* c = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop))
    c->SetFocus();
}

bool TWinControl::CanFocus() const {
  const TControl* c = this;
  for (; c; c = c->Parent())
    if (!c->Visible() || !c->Enabled())
      return false;
  return GetParentForm(this) != nullptr;
}

void TWinControl::SetFocus() {
  if (TCustomForm* form = GetParentForm(this))
    form->FocusControl(this);
  else if (FParent)
    ::SetFocus(Handle());
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

void TWinControl::Invalidate() {
  if (FHandle)
    InvalidateRect(FHandle, nullptr, ControlStyle().Contains(csOpaque) ? 0 : 1);
}

void TWinControl::Update() {
  if (FHandle)
    UpdateWindow(FHandle);
}

void TWinControl::Broadcast(TMessage& Message) {
  std::vector<TControl*> all;
  for (int i = 0; i < ControlCount(); ++i)
    all.push_back(Controls(i));
  std::vector<TControlTracker> trackers;
  for (TControl* c : all)
    trackers.emplace_back(c);
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (!trackers[i].Alive())
      continue;
    Message.Result = all[i]->Perform(Message.Msg, Message.WParam, Message.LParam);
    if (Message.Result != 0)
      return;
  }
}

void TWinControl::NotifyControls(UINT Msg) {
  std::vector<TControl*> all;
  for (int i = 0; i < ControlCount(); ++i)
    all.push_back(Controls(i));
  for (TControl* c : all) {
    const TControlTracker alive(c);
    if (alive.Alive())
      c->Perform(Msg);
  }
}

void TWinControl::PaintWindow(HDC) {}

void TWinControl::PaintHandler(HDC DC) {
  const TControlTracker alive(this);
  PaintWindow(DC);
  if (alive.Alive())
    PaintControls(DC);
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
  TCanvas* canvas = CanvasFromDC(DC);
  if (!canvas)
    return;
  const TRect clip = canvas->ClipRect();
  auto list = FControls;
  auto it = First ? std::find(list.begin(), list.end(), First) : list.begin();
  std::vector<TControlTracker> trackers(list.begin(), list.end());
  for (; it != list.end(); ++it) {
    TControl* c = *it;
    if (!trackers[static_cast<std::size_t>(it - list.begin())].Alive() || !c->Visible() ||
        IntersectRect(c->BoundsRect(), clip).IsEmpty())
      continue;
    TCanvasSaver saver(*canvas);
    const TPoint o = canvas->ViewportOrigin();
    canvas->SetViewportOrigin({o.X + c->Left(), o.Y + c->Top()});
    canvas->IntersectClipRect(Rect(0, 0, c->Width(), c->Height()));
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
  }
}

void TWinControl::DoEnter() {
  RaiseEvent(OnEnter, this);
}

void TWinControl::DoExit() {
  RaiseEvent(OnExit, this);
}

void TWinControl::KeyDown(WORD& Key, TShiftState Shift) {
  RaiseEvent(OnKeyDown, this, Key, Shift);
}

void TWinControl::KeyUp(WORD& Key, TShiftState Shift) {
  RaiseEvent(OnKeyUp, this, Key, Shift);
}

void TWinControl::KeyPress(char32_t& Key) {
  RaiseEvent(OnKeyPress, this, Key);
}

bool TWinControl::IsControlMouseMsg(TMessage& Message) {
  TControl* target = nullptr;
  const TPoint p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
  if (FHandle && GetCapture() == FHandle) {
    if (TControl* cc = CaptureControl(); cc && cc->Parent() == this)
      target = cc;
  } else {
    target = ControlAtPos(p);
  }
  if (!target)
    return false;
  Message.Result =
      target->Perform(Message.Msg, Message.WParam, MAKELPARAM(p.X - target->Left(), p.Y - target->Top()));
  return true;
}

void TWinControl::MainWndProc(TMessage& Message) {
  if (!FHandle && Message.Msg == WM_NCCREATE) {
    FHandle = CurrentProcedureWindow();
    HandleMap()[FHandle] = this;
  }
  ++gMessageDepth;
  try {
    // A copy: the handler may free this control, and with it WindowProc.
    const TWndMethod proc = WindowProc;
    proc(Message);
  } catch (...) {
    --gMessageDepth;
    if (Application)
      Application->HandleException(this);
    return;
  }
  if (--gMessageDepth == 0)
    ReleaseCanvasContexts();
}

void TWinControl::DefaultHandler(TMessage& Message) {
  if (FHandle)
    Message.Result = DefWindowProc(FHandle, Message.Msg, Message.WParam, Message.LParam);
}

void TWinControl::WMPaint(TMessage& Message) {
  if (Message.WParam) {
    PaintHandler(reinterpret_cast<HDC>(Message.WParam));
    return;
  }
  PAINTSTRUCT ps;
  // Kept apart from the control: painting may free it, and the paint must still end.
  const HWND h = FHandle;
  if (HDC dc = BeginPaint(h, &ps))
    PaintHandler(dc);
  EndPaint(h, &ps);
}

void TWinControl::WMSize(TMessage&) {
  TRect r;
  if (!FHandle || !GetWindowRect(FHandle, &r))
    return;
  // A size from outside (the user, the window manager) or one SetBounds asked for: either way the
  // window now has it, and the children are laid out for it before anyone hears of it.
  FWidth = r.Width();
  FHeight = r.Height();
  const TControlTracker alive(this);
  Realign();
  if (alive.Alive())
    NotifyResize();
}

void TWinControl::WMMove(TMessage&) {
  if (!FHandle || FParent)
    return;
  TRect r;
  if (GetWindowRect(FHandle, &r)) {
    FLeft = r.Left;
    FTop = r.Top;
  }
}

void TWinControl::WMSetCursor(TMessage& Message) {
  const int hit = static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(Message.LParam)));
  TCursor cursor = Screen ? Screen->Cursor() : crDefault;
  if (cursor == crDefault && hit == HTCLIENT) {
    TPoint p;
    GetCursorPos(&p);
    TControl* c = ControlAtPos(ScreenToClient(p), true);
    cursor = (c ? c : this)->Cursor();
  }
  if (cursor != crDefault) {
    ::SetCursor(LoadCursor(nullptr, CursorShape(cursor)));
    Message.Result = 1;
    return;
  }
  DefaultHandler(Message);
}

bool TWinControl::WMKeyDown(TMessage& Message) {
  WORD key = static_cast<WORD>(Message.WParam);
  const TShiftState shift = KeyboardShiftState();
  const TControlTracker alive(this);
  TCustomForm* form = GetParentForm(this);
  // Menu shortcuts come first: the context menus from this control outwards, then the form's.
  TWMKey keyMessage = KeyMessage(Message.Msg, Message.WParam, Message.LParam);
  for (TControl* c = this; c; c = c->Parent()) {
    const TControlTracker cAlive(c);
    if (c->PopupMenu() && c->PopupMenu()->IsShortCut(keyMessage))
      return true;
    if (!alive.Alive() || !cAlive.Alive())
      return true;
  }
  if (form && form->IsShortCut(keyMessage))
    return true;
  if (!alive.Alive())
    return true;
  if (form && form != this && form->KeyPreview()) {
    static_cast<TWinControl*>(form)->KeyDown(key, shift);
    if (!alive.Alive() || key == 0)
      return true;
  }
  LRESULT mask = 0;
  switch (key) {
  case VK_TAB:
    mask = DLGC_WANTTAB;
    break;
  case VK_LEFT:
  case VK_RIGHT:
  case VK_UP:
  case VK_DOWN:
    mask = DLGC_WANTARROWS;
    break;
  case VK_RETURN:
  case VK_ESCAPE:
    mask = DLGC_WANTALLKEYS;
    break;
  default:
    break;
  }
  if (mask && form && (Perform(WM_GETDLGCODE) & (mask | DLGC_WANTALLKEYS)) == 0) {
    const TControlTracker formAlive(form);
    if (form->Perform(CM_DIALOGKEY, key, Message.LParam) != 0)
      return true;
    if (!alive.Alive())
      return true;
  }
  KeyDown(key, shift);
  return !alive.Alive() || key == 0;
}

bool TWinControl::WMChar(TMessage& Message) {
  char32_t ch = static_cast<char32_t>(Message.WParam);
  const TControlTracker alive(this);
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview()) {
    static_cast<TWinControl*>(form)->KeyPress(ch);
    if (!alive.Alive() || ch == 0)
      return true;
  }
  if (form && (Perform(WM_GETDLGCODE) & DLGC_WANTCHARS) == 0 && form->Perform(CM_DIALOGCHAR, ch, Message.LParam) != 0)
    return true;
  if (!alive.Alive())
    return true;
  KeyPress(ch);
  return true;
}

void TWinControl::WndProc(TMessage& Message) {
  const TControlTracker alive(this);
  switch (Message.Msg) {
  case WM_PAINT:
    WMPaint(Message);
    return;
  case WM_ERASEBKGND: {
    if (TCanvas* canvas = CanvasFromDC(reinterpret_cast<HDC>(Message.WParam))) {
      canvas->Brush().SetColor(Color());
      canvas->FillRect(ClientRect());
    }
    Message.Result = 1;
    return;
  }
  case WM_SIZE:
    WMSize(Message);
    DefaultHandler(Message);
    return;
  case WM_MOVE:
    WMMove(Message);
    DefaultHandler(Message);
    return;
  case WM_SETCURSOR:
    WMSetCursor(Message);
    return;
  case WM_MOUSEMOVE:
  case WM_LBUTTONDOWN:
  case WM_RBUTTONDOWN:
  case WM_MBUTTONDOWN:
  case WM_LBUTTONDBLCLK:
  case WM_RBUTTONDBLCLK:
  case WM_MBUTTONDBLCLK: {
    // Enter and leave are worked out here, centrally, from the control now under the pointer.
    TPoint p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
    if (FHandle)
      ::ClientToScreen(FHandle, &p);
    SetMouseControl(FindDragTarget(p));
    if (!alive.Alive() || IsControlMouseMsg(Message))
      return;
    break;
  }
  case WM_MOUSELEAVE: {
    TPoint p;
    GetCursorPos(&p);
    SetMouseControl(FindDragTarget(p));
    return;
  }
  case WM_CAPTURECHANGED:
    if (TControl* cc = CaptureControl(); cc && cc->Parent() == this && reinterpret_cast<HWND>(Message.LParam) != FHandle)
      cc->SetMouseCapture(false);
    DefaultHandler(Message);
    return;
  case WM_KEYDOWN:
  case WM_SYSKEYDOWN:
    if (WMKeyDown(Message))
      return;
    if (alive.Alive())
      DefaultHandler(Message);
    return;
  case WM_KEYUP:
  case WM_SYSKEYUP: {
    WORD key = static_cast<WORD>(Message.WParam);
    KeyUp(key, KeyboardShiftState());
    if (alive.Alive() && key != 0)
      DefaultHandler(Message);
    return;
  }
  case WM_CHAR:
    WMChar(Message);
    return;
  case WM_SYSCHAR:
    if (Message.WParam != VK_SPACE)
      if (TCustomForm* form = GetParentForm(this); form && form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam)) {
        Message.Result = 0;
        return;
      }
    if (alive.Alive())
      DefaultHandler(Message);
    return;
  case WM_GETDLGCODE:
    Message.Result = 0;
    return;
  case WM_SETFOCUS:
    if (TCustomForm* form = GetParentForm(this); form && form != this)
      form->SetFocusedControl(this);
    if (alive.Alive())
      DefaultHandler(Message);
    return;
  case WM_NCDESTROY:
    DefaultHandler(Message);
    if (FHandle) {
      HandleMap().erase(FHandle);
      FHandle = nullptr;
    }
    return;
  case CM_ENTER:
    DoEnter();
    return;
  case CM_EXIT:
    DoExit();
    return;
  case CM_DIALOGKEY:
  case CM_DIALOGCHAR:
  case CM_FOCUSCHANGED:
    Broadcast(Message);
    return;
  case CM_COLORCHANGED:
    TControl::WndProc(Message);
    if (alive.Alive())
      NotifyControls(CM_PARENTCOLORCHANGED);
    return;
  case CM_FONTCHANGED:
    TControl::WndProc(Message);
    if (alive.Alive())
      NotifyControls(CM_PARENTFONTCHANGED);
    return;
  case CM_ENABLEDCHANGED:
    if (FHandle)
      EnableWindow(FHandle, Enabled() ? 1 : 0);
    Invalidate();
    return;
  case CM_VISIBLECHANGED:
    UpdateShowing();
    return;
  case CM_TEXTCHANGED:
    if (FHandle)
      SetWindowText(FHandle, FText);
    break;
  default:
    if (IsMouseMessage(Message.Msg) && IsControlMouseMsg(Message))
      return;
    break;
  }
  if (alive.Alive())
    TControl::WndProc(Message);
}

// ---- TCustomControl

const TClassInfo& TCustomControl::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TCustomControl>().Build();
  return Info;
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {}

TCustomControl::~TCustomControl() { ReleaseCanvasDC(); }

TCanvas& TCustomControl::Canvas() {
  if (FPaintCanvas)
    return *FPaintCanvas;
  if (!FCanvasDC && HandleAllocated()) {
    FCanvasDC = GetDC(Handle());
    if (FCanvasDC) {
      OpenCanvases().emplace_back(this, TControlTracker(this));
      CanvasFromDC(FCanvasDC)->SetFont(*Font());
      CanvasFromDC(FCanvasDC)->Brush().SetColor(Color());
    }
  }
  return FCanvasDC ? *CanvasFromDC(FCanvasDC) : FNullCanvas;
}

void TCustomControl::ReleaseCanvasDC() {
  if (!FCanvasDC)
    return;
  HDC dc = FCanvasDC;
  FCanvasDC = nullptr;
  ReleaseDC(HandleAllocated() ? Handle() : nullptr, dc);
}

void TCustomControl::PaintWindow(HDC DC) { PaintThrough(*this, DC, FPaintCanvas, [this] { Paint(); }); }

// ---- TGraphicControl

const TClassInfo& TGraphicControl::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TGraphicControl>().Build();
  return Info;
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {}

TGraphicControl::~TGraphicControl() {
  if (MouseControl() == this)
    SetMouseControl(nullptr);
}

TCanvas& TGraphicControl::Canvas() { return FPaintCanvas ? *FPaintCanvas : FNullCanvas; }

void TGraphicControl::WndProc(TMessage& Message) {
  if (Message.Msg != WM_PAINT || !Message.WParam) {
    TControl::WndProc(Message);
    return;
  }
  PaintThrough(*this, reinterpret_cast<HDC>(Message.WParam), FPaintCanvas, [this] { Paint(); });
}

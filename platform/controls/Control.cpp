#include "platform/controls/Control.h"

#include "platform/controls/Form.h"
#include "platform/controls/Menus.h"
#include "platform/controls/WinControl.h"

#include <algorithm>
#include <cctype>

namespace {

struct TTrackedControl {
  TControl* Control = nullptr;
  TControlTracker Alive{nullptr};
  TControl* Get() const { return Alive.Alive() ? Control : nullptr; }
};

TTrackedControl gMouseControl;
TTrackedControl gCaptureControl;

void RegisterCursorIdents() {
  static const bool Done = [] {
    RegisterIdents(CursorIdentKind, {{"crDefault", crDefault},   {"crNone", crNone},         {"crArrow", crArrow},
                                     {"crCross", crCross},       {"crIBeam", crIBeam},       {"crSizeNESW", crSizeNESW},
                                     {"crSizeNS", crSizeNS},     {"crSizeNWSE", crSizeNWSE}, {"crSizeWE", crSizeWE},
                                     {"crUpArrow", crUpArrow},   {"crHourGlass", crHourGlass}, {"crDrag", crDrag},
                                     {"crNoDrop", crNoDrop},     {"crNo", crNo},             {"crAppStart", crAppStart},
                                     {"crHelp", crHelp},         {"crHandPoint", crHandPoint}, {"crSizeAll", crSizeAll}});
    return true;
  }();
  (void)Done;
}

} // namespace

const TEnumInfo& AlignInfo() {
  static const TEnumInfo Info("TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"});
  return Info;
}
const TEnumInfo& AnchorInfo() {
  static const TEnumInfo Info("TAnchorKind", {"akLeft", "akTop", "akRight", "akBottom"});
  return Info;
}
const TEnumInfo& BiDiModeInfo() {
  static const TEnumInfo Info("TBiDiMode",
                              {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign", "bdRightToLeftReadingOnly"});
  return Info;
}
const TEnumInfo& DragModeInfo() {
  static const TEnumInfo Info("TDragMode", {"dmManual", "dmAutomatic"});
  return Info;
}
const TEnumInfo& DragKindInfo() {
  static const TEnumInfo Info("TDragKind", {"dkDrag", "dkDock"});
  return Info;
}

int CursorShape(TCursor Cursor) {
  switch (Cursor) {
  case crCross:
    return IDC_CROSS;
  case crIBeam:
    return IDC_IBEAM;
  case crSizeNESW:
    return IDC_SIZENESW;
  case crSizeNS:
    return IDC_SIZENS;
  case crSizeNWSE:
    return IDC_SIZENWSE;
  case crSizeWE:
    return IDC_SIZEWE;
  case crSizeAll:
    return IDC_SIZEALL;
  case crUpArrow:
    return IDC_UPARROW;
  case crHourGlass:
  case crAppStart:
    return IDC_WAIT;
  case crNo:
  case crNoDrop:
    return IDC_NO;
  case crHandPoint:
    return IDC_HAND;
  default:
    return IDC_ARROW;
  }
}

TShiftState MouseShiftState(WPARAM KeyFlags) {
  TShiftState s;
  if (KeyFlags & MK_SHIFT)
    s.Include(ssShift);
  if (KeyFlags & MK_CONTROL)
    s.Include(ssCtrl);
  if (KeyFlags & MK_LBUTTON)
    s.Include(ssLeft);
  if (KeyFlags & MK_RBUTTON)
    s.Include(ssRight);
  if (KeyFlags & MK_MBUTTON)
    s.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0)
    s.Include(ssAlt);
  return s;
}

TShiftState KeyboardShiftState() {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0)
    s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0)
    s.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0)
    s.Include(ssAlt);
  return s;
}

// ---- TSizeConstraints

const TClassInfo& TSizeConstraints::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TSizeConstraints>()
                                     .Integer("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight)
                                     .Default(0)
                                     .Integer("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth)
                                     .Default(0)
                                     .Integer("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight)
                                     .Default(0)
                                     .Integer("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth)
                                     .Default(0)
                                     .Build();
  return Info;
}

void TSizeConstraints::Assign(const TPersistent* Source) {
  if (const auto* c = dynamic_cast<const TSizeConstraints*>(Source)) {
    FMaxHeight = c->FMaxHeight;
    FMaxWidth = c->FMaxWidth;
    FMinHeight = c->FMinHeight;
    FMinWidth = c->FMinWidth;
    RaiseEvent(OnChange, this);
    return;
  }
  TPersistent::Assign(Source);
}

void TSizeConstraints::SetLimit(int& Field, int Value) {
  Value = std::max(Value, 0);
  if (Field == Value)
    return;
  Field = Value;
  // A minimum above the maximum raises the maximum, as the class library does.
  if (FMaxWidth > 0 && FMinWidth > FMaxWidth)
    (&Field == &FMinWidth ? FMaxWidth : FMinWidth) = Value;
  if (FMaxHeight > 0 && FMinHeight > FMaxHeight)
    (&Field == &FMinHeight ? FMaxHeight : FMinHeight) = Value;
  RaiseEvent(OnChange, this);
}

void TSizeConstraints::Constrain(int& Width, int& Height) const {
  if (FMaxWidth > 0)
    Width = std::min(Width, FMaxWidth);
  if (FMinWidth > 0)
    Width = std::max(Width, FMinWidth);
  if (FMaxHeight > 0)
    Height = std::min(Height, FMaxHeight);
  if (FMinHeight > 0)
    Height = std::max(Height, FMinHeight);
}

// ---- Trackers and the central mouse state

TControlTracker::TControlTracker(const TControl* Control) : FAlive(Control ? Control->FAlive : nullptr) {}

TControl* MouseControl() { return gMouseControl.Get(); }

void SetMouseControl(TControl* Control) {
  TControl* old = gMouseControl.Get();
  if (old == Control)
    return;
  gMouseControl = Control ? TTrackedControl{Control, TControlTracker(Control)} : TTrackedControl{};
  if (old)
    old->Perform(CM_MOUSELEAVE);
  // The leave handler may have moved the mouse state on or destroyed the new control.
  if (Control && gMouseControl.Get() == Control)
    Control->Perform(CM_MOUSEENTER);
}

TControl* CaptureControl() { return gCaptureControl.Get(); }

TControl* FindDragTarget(TPoint ScreenPos) {
  TWinControl* w = FindControl(WindowFromPoint(ScreenPos));
  if (!w)
    return nullptr;
  if (TControl* c = w->ControlAtPos(w->ScreenToClient(ScreenPos)))
    return c;
  return w;
}

TCustomForm* GetParentForm(const TControl* Control) {
  const TControl* c = Control;
  while (c && c->Parent())
    c = c->Parent();
  return c && c->Is<TCustomForm>() ? const_cast<TCustomForm*>(static_cast<const TCustomForm*>(c)) : nullptr;
}

bool IsAccel(char32_t Key, std::string_view Caption) {
  for (std::size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&')
      continue;
    if (Caption[i + 1] == '&') {
      ++i;
      continue;
    }
    const auto c = static_cast<unsigned char>(Caption[i + 1]);
    return Key < 128 && c < 128 && std::tolower(c) == std::tolower(static_cast<int>(Key));
  }
  return false;
}

// ---- TControl

const TClassInfo& TControl::StaticClassInfo() {
  RegisterCursorIdents();
  static const TClassInfo Info = TClassBuilder<TControl>()
                                     .Integer("Left", &TControl::Left, &TControl::SetLeft)
                                     .Integer("Top", &TControl::Top, &TControl::SetTop)
                                     .Integer("Width", &TControl::Width, &TControl::SetWidth)
                                     .Integer("Height", &TControl::Height, &TControl::SetHeight)
                                     .Integer("Cursor", &TControl::Cursor, &TControl::SetCursor)
                                     .Default(crDefault)
                                     .Idents(CursorIdentKind)
                                     .String("Hint", &TControl::Hint, &TControl::SetHint)
                                     .Build();
  return Info;
}

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner), FConstraints(std::make_unique<TSizeConstraints>()), FFont(std::make_unique<TFont>()),
      FAlive(std::make_shared<bool>(true)) {
  WindowProc = [this](TMessage& M) { WndProc(M); };
  FControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  FFont->OnChange = [this](TObject*) { FontChanged(); };
  FConstraints->OnChange = [this](TObject*) { SetBounds(FLeft, FTop, FWidth, FHeight); };
}

TControl::~TControl() {
  *FAlive = false;
  if (FParent)
    FParent->RemoveControl(this);
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage m{Msg, WParam, LParam, 0};
  // A copy: the handler may free this control, and with it WindowProc.
  if (const TWndMethod proc = WindowProc)
    proc(m);
  return m.Result;
}

void TControl::SetParent(TWinControl* AParent) {
  if (FParent == AParent)
    return;
  if (AParent == this)
    throw EComponentError("A control cannot have itself as its parent");
  if (FParent)
    FParent->RemoveControl(this);
  if (AParent)
    AParent->InsertControl(this);
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetParentComponent(TComponent* Value) {
  if (auto* w = dynamic_cast<TWinControl*>(Value); w && w->ControlStyle().Contains(csAcceptsControls))
    SetParent(w);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  FConstraints->Constrain(AWidth, AHeight);
  if ((AWidth != FWidth || AHeight != FHeight) && !CanResize(AWidth, AHeight)) {
    AWidth = FWidth;
    AHeight = FHeight;
  }
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
    return;
  const bool sized = AWidth != FWidth || AHeight != FHeight;
  const TControlTracker alive(this);
  Invalidate();
  UpdateBoundsRect(Bounds(ALeft, ATop, AWidth, AHeight));
  if (!alive.Alive())
    return;
  Invalidate();
  if (!FAligning)
    UpdateAnchorRules();
  RequestAlign();
  if (sized && alive.Alive())
    Resize();
}

void TControl::UpdateBoundsRect(const TRect& R) {
  FLeft = R.Left;
  FTop = R.Top;
  FWidth = R.Width();
  FHeight = R.Height();
}

bool TControl::CanResize(int& NewWidth, int& NewHeight) {
  bool resize = true;
  RaiseEvent(OnCanResize, this, NewWidth, NewHeight, resize);
  return resize;
}

void TControl::SetClientWidth(int Value) { SetWidth(FWidth - ClientWidth() + Value); }

void TControl::SetClientHeight(int Value) { SetHeight(FHeight - ClientHeight() + Value); }

TPoint TControl::ClientOrigin() const {
  if (!FParent)
    return {FLeft, FTop};
  const TPoint p = FParent->ClientOrigin();
  return {p.X + FLeft, p.Y + FTop};
}

TPoint TControl::ClientToScreen(TPoint P) const {
  const TPoint o = ClientOrigin();
  return {P.X + o.X, P.Y + o.Y};
}

TPoint TControl::ScreenToClient(TPoint P) const {
  const TPoint o = ClientOrigin();
  return {P.X - o.X, P.Y - o.Y};
}

void TControl::SetVisible(bool Value) {
  if (FVisible == Value)
    return;
  VisibleChanging();
  Invalidate();
  FVisible = Value;
  Perform(CM_VISIBLECHANGED, Value ? 1 : 0);
  RequestAlign();
}

void TControl::Show() {
  if (FParent)
    FParent->Show();
  SetVisible(true);
}

void TControl::Hide() { SetVisible(false); }

void TControl::SetEnabled(bool Value) {
  if (FEnabled == Value)
    return;
  FEnabled = Value;
  Perform(CM_ENABLEDCHANGED);
}

bool TControl::IsEnabledChain() const {
  for (const TControl* c = this; c; c = c->Parent())
    if (!c->Enabled())
      return false;
  return true;
}

void TControl::SetAlign(TAlign Value) {
  if (FAlign == Value)
    return;
  const TAlign old = FAlign;
  FAlign = Value;
  FAnchors = Value == alNone || Value == alCustom ? TAnchors{akLeft, akTop}
             : Value == alTop                     ? TAnchors{akLeft, akTop, akRight}
             : Value == alBottom                  ? TAnchors{akLeft, akRight, akBottom}
             : Value == alLeft                    ? TAnchors{akLeft, akTop, akBottom}
             : Value == alRight                   ? TAnchors{akTop, akRight, akBottom}
                                                  : TAnchors{akLeft, akTop, akRight, akBottom};
  if (old != alNone || Value != alNone)
    RequestAlign();
}

void TControl::SetAnchors(TAnchors Value) {
  if (FAnchors == Value)
    return;
  FAnchors = Value;
  UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
  if (!FParent) {
    FAnchorRulesValid = false;
    return;
  }
  const TRect client = FParent->ClientRect();
  FAnchorParentSize = {client.Width(), client.Height()};
  FAnchorBounds = BoundsRect();
  FAnchorRulesValid = true;
}

void TControl::AnchorTo(TSize ParentSize) {
  if (!FAnchorRulesValid || FAlign != alNone || FAnchors == TAnchors{akLeft, akTop})
    return;
  const int dx = ParentSize.cx - FAnchorParentSize.cx;
  const int dy = ParentSize.cy - FAnchorParentSize.cy;
  TRect r = FAnchorBounds;
  auto place = [](int& Low, int& High, bool AnchorLow, bool AnchorHigh, int Delta, int OldSize, int NewSize) {
    const int size = High - Low;
    if (AnchorLow && AnchorHigh) {
      High += Delta;
    } else if (AnchorHigh) {
      Low += Delta;
      High += Delta;
    } else if (!AnchorLow && OldSize > 0) {
      // Anchored to neither edge: the centre keeps its proportion of the parent.
      const int centre = MulDiv(Low + size / 2, NewSize, OldSize);
      Low = centre - size / 2;
      High = Low + size;
    }
  };
  place(r.Left, r.Right, FAnchors.Contains(akLeft), FAnchors.Contains(akRight), dx, FAnchorParentSize.cx,
        ParentSize.cx);
  place(r.Top, r.Bottom, FAnchors.Contains(akTop), FAnchors.Contains(akBottom), dy, FAnchorParentSize.cy,
        ParentSize.cy);
  FAligning = true;
  SetBounds(r.Left, r.Top, std::max(r.Width(), 0), std::max(r.Height(), 0));
  FAligning = false;
}

void TControl::RequestAlign() {
  if (FParent && FAlign != alNone && !FAligning)
    FParent->Realign();
}

void TControl::SetColor(TColor Value) {
  if (FColor == Value) {
    FParentColor = false;
    return;
  }
  FColor = Value;
  FParentColor = false;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool Value) {
  if (FParentColor == Value)
    return;
  FParentColor = Value;
  if (Value && FParent)
    Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetParentFont(bool Value) {
  if (FParentFont == Value)
    return;
  FParentFont = Value;
  if (Value && FParent)
    Perform(CM_PARENTFONTCHANGED);
}

void TControl::FontChanged() {
  if (!FCopyingParentFont)
    FParentFont = false;
  Perform(CM_FONTCHANGED);
}

void TControl::SetText(const std::string& Value) {
  if (FText == Value)
    return;
  FText = Value;
  Perform(CM_TEXTCHANGED);
}

void TControl::SetName(const std::string& NewName) {
  const bool follow = FControlStyle.Contains(csSetCaption) && !ComponentState().Contains(csLoading) && FText == Name();
  TComponent::SetName(NewName);
  if (follow)
    SetText(NewName);
}

void TControl::SetCursor(TCursor Value) {
  if (FCursor == Value)
    return;
  FCursor = Value;
  Perform(CM_CURSORCHANGED);
}

void TControl::SetShowHint(bool Value) {
  FShowHint = Value;
  FParentShowHint = false;
}

void TControl::SetParentShowHint(bool Value) {
  FParentShowHint = Value;
  if (Value && FParent)
    FShowHint = FParent->ShowHint();
}

void TControl::SetBiDiMode(TBiDiMode Value) {
  FBiDiMode = Value;
  FParentBiDiMode = false;
}

void TControl::SetParentBiDiMode(bool Value) {
  FParentBiDiMode = Value;
  if (Value && FParent)
    FBiDiMode = FParent->BiDiMode();
}

void TControl::SetPopupMenu(TPopupMenu* Value) { ReplaceReference(FPopupMenu, Value); }

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupMenu)
    FPopupMenu = nullptr;
}

void TControl::Loaded() {
  TComponent::Loaded();
  if (FParent) {
    if (FParentColor)
      Perform(CM_PARENTCOLORCHANGED);
    if (FParentFont)
      Perform(CM_PARENTFONTCHANGED);
  }
  UpdateAnchorRules();
}

bool TControl::MouseCapture() const {
  if (CaptureControl() == this)
    return true;
  auto* w = dynamic_cast<const TWinControl*>(this);
  return w && w->HandleAllocated() && GetCapture() == const_cast<TWinControl*>(w)->Handle();
}

void TControl::SetMouseCapture(bool Value) {
  if (MouseCapture() == Value)
    return;
  auto* w = dynamic_cast<TWinControl*>(this);
  if (Value) {
    if (w) {
      gCaptureControl = {};
      SetCapture(w->Handle());
    } else if (FParent) {
      gCaptureControl = {this, TControlTracker(this)};
      SetCapture(FParent->Handle());
    }
  } else {
    gCaptureControl = {};
    ReleaseCapture();
  }
}

void TControl::Invalidate() {
  if (FParent && FParent->HandleAllocated() && FVisible) {
    const TRect r = BoundsRect();
    InvalidateRect(FParent->Handle(), &r, (FControlStyle.Contains(csOpaque)) ? 0 : 1);
  }
}

void TControl::Update() {
  if (FParent)
    FParent->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::BringToFront() { SetZOrder(true); }

void TControl::SendToBack() { SetZOrder(false); }

void TControl::SetZOrder(bool TopMost) {
  if (!FParent)
    return;
  auto move = [&](auto& List, auto* Item) {
    auto it = std::find(List.begin(), List.end(), Item);
    if (it == List.end())
      return;
    List.erase(it);
    if (TopMost)
      List.push_back(Item);
    else
      List.insert(List.begin(), Item);
  };
  if (auto* w = dynamic_cast<TWinControl*>(this)) {
    move(FParent->FWinControls, w);
    if (w->HandleAllocated())
      SetWindowPos(w->Handle(), TopMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  } else {
    move(FParent->FControls, this);
    Invalidate();
  }
  FParent->Realign();
}

void TControl::Click() {
  RaiseEvent(OnClick, this);
}

void TControl::DblClick() {
  RaiseEvent(OnDblClick, this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  RaiseEvent(OnMouseDown, this, Button, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  RaiseEvent(OnMouseUp, this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  RaiseEvent(OnMouseMove, this, Shift, X, Y);
}

void TControl::Resize() {
  RaiseEvent(OnResize, this);
}

void TControl::DoMouseDown(const TMessage& Message, TMouseButton Button, TShiftState Extra) {
  MouseDown(Button, MouseShiftState(Message.WParam) + Extra, GET_X_LPARAM(Message.LParam),
            GET_Y_LPARAM(Message.LParam));
}

void TControl::DoMouseUp(const TMessage& Message, TMouseButton Button) {
  MouseUp(Button, MouseShiftState(Message.WParam), GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
}

void TControl::DefaultHandler(TMessage&) {}

void TControl::WndProc(TMessage& Message) {
  const TControlTracker alive(this);
  UINT msg = Message.Msg;
  if (msg == WM_LBUTTONDBLCLK && !FControlStyle.Contains(csDoubleClicks))
    msg = WM_LBUTTONDOWN;
  switch (msg) {
  case WM_LBUTTONDOWN:
  case WM_LBUTTONDBLCLK:
    if (FControlStyle.Contains(csCaptureMouse))
      SetMouseCapture(true);
    if (msg == WM_LBUTTONDBLCLK) {
      if (FControlStyle.Contains(csClickEvents))
        DblClick();
      if (alive.Alive())
        DoMouseDown(Message, mbLeft, {ssDouble});
    } else {
      if (FControlStyle.Contains(csClickEvents))
        FControlState.Include(csClicked);
      DoMouseDown(Message, mbLeft, {});
    }
    return;
  case WM_RBUTTONDOWN:
  case WM_RBUTTONDBLCLK:
    DoMouseDown(Message, mbRight, msg == WM_RBUTTONDBLCLK ? TShiftState{ssDouble} : TShiftState{});
    return;
  case WM_MBUTTONDOWN:
  case WM_MBUTTONDBLCLK:
    DoMouseDown(Message, mbMiddle, msg == WM_MBUTTONDBLCLK ? TShiftState{ssDouble} : TShiftState{});
    return;
  case WM_LBUTTONUP: {
    if (FControlStyle.Contains(csCaptureMouse))
      SetMouseCapture(false);
    if (FControlState.Contains(csClicked)) {
      FControlState.Exclude(csClicked);
      if (ClientRect().Contains({GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)}))
        Click();
    }
    if (alive.Alive())
      DoMouseUp(Message, mbLeft);
    return;
  }
  case WM_RBUTTONUP: {
    DoMouseUp(Message, mbRight);
    if (!alive.Alive())
      return;
    // The context menu comes with the release: from the window's default handling for a windowed
    // control, straight from here for a graphic one.
    if (dynamic_cast<TWinControl*>(this)) {
      DefaultHandler(Message);
    } else {
      const TPoint p = ClientToScreen({GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)});
      Perform(WM_CONTEXTMENU, 0, MAKELPARAM(p.X, p.Y));
    }
    return;
  }
  case WM_CONTEXTMENU: {
    TPoint p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
    // (-1, -1) comes from the keyboard: the menu opens at the control's corner.
    const bool fromKeyboard = p.X == -1 && p.Y == -1;
    bool handled = false;
    RaiseEvent(OnContextPopup, this, fromKeyboard ? TPoint{-1, -1} : ScreenToClient(p), handled);
    if (!alive.Alive())
      return;
    if (handled) {
      Message.Result = 1;
      return;
    }
    if (FPopupMenu && FPopupMenu->AutoPopup()) {
      if (fromKeyboard)
        p = ClientToScreen({0, 0});
      FPopupMenu->SetPopupComponent(this);
      FPopupMenu->Popup(p.X, p.Y);
      Message.Result = 1;
      return;
    }
    if (dynamic_cast<TWinControl*>(this))
      DefaultHandler(Message);
    else if (FParent)
      Message.Result = FParent->Perform(WM_CONTEXTMENU, Message.WParam, Message.LParam);
    return;
  }
  case WM_MBUTTONUP:
    DoMouseUp(Message, mbMiddle);
    return;
  case WM_MOUSEMOVE:
    MouseMove(MouseShiftState(Message.WParam), GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
    return;
  case CM_MOUSEENTER:
    RaiseEvent(OnMouseEnter, this);
    return;
  case CM_MOUSELEAVE:
    RaiseEvent(OnMouseLeave, this);
    return;
  case CM_PARENTCOLORCHANGED:
    if (FParentColor && FParent) {
      SetColor(FParent->Color());
      FParentColor = true;
    }
    return;
  case CM_PARENTFONTCHANGED:
    if (FParentFont && FParent) {
      FCopyingParentFont = true;
      FFont->Assign(FParent->Font());
      FCopyingParentFont = false;
    }
    return;
  case CM_COLORCHANGED:
  case CM_FONTCHANGED:
  case CM_ENABLEDCHANGED:
    Invalidate();
    return;
  case CM_TEXTCHANGED:
    TextChanged();
    if (alive.Alive())
      Invalidate();
    return;
  case CM_VISIBLECHANGED:
    return;
  case CM_HITTEST:
    Message.Result = HTCLIENT;
    return;
  default:
    DefaultHandler(Message);
  }
}

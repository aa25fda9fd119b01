#include "platform/controls/Form.h"

#include "platform/controls/Application.h"
#include "platform/controls/MenuLoop.h"
#include "platform/graphics/Bitmap.h"
#include "platform/windows/Gdi.h"

#include <cctype>

const TEnumInfo& FormBorderStyleInfo() {
  static const TEnumInfo Info("TFormBorderStyle",
                              {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"});
  return Info;
}
const TEnumInfo& FormStyleInfo() {
  static const TEnumInfo Info("TFormStyle", {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"});
  return Info;
}
const TEnumInfo& WindowStateInfo() {
  static const TEnumInfo Info("TWindowState", {"wsNormal", "wsMinimized", "wsMaximized"});
  return Info;
}
const TEnumInfo& PositionInfo() {
  static const TEnumInfo Info("TPosition", {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                                            "poScreenCenter", "poDesktopCenter", "poMainFormCenter",
                                            "poOwnerFormCenter"});
  return Info;
}

// The platform's menu bar strip of a form with a main menu: its top-level items in a row across the
// top of the window, in its non-client area.
class TCustomForm::TMenuBar final : public TMenuBarSite {
public:
  explicit TMenuBar(TCustomForm& Form) : FForm(Form) {}

  std::vector<TMenuItem*> Shown() const {
    std::vector<TMenuItem*> items;
    if (TMainMenu* menu = FForm.Menu())
      for (int i = 0; i < menu->Items()->Count(); ++i)
        if (menu->Items()->Items(i)->Visible())
          items.push_back(menu->Items()->Items(i));
    return items;
  }
  // Window coordinates.
  std::vector<TRect> Rects() const {
    std::vector<TRect> rects;
    TBitmap scratch;
    scratch.SetSize(1, 1);
    TCanvas& c = scratch.Canvas();
    TFont font;
    GetMenuFont(font);
    int x = 0;
    const int h = FForm.MenuBarHeight();
    for (TMenuItem* item : Shown()) {
      c.SetFont(font);
      const int w = MeasureMenuItemDefault(c, *item, nullptr, true).cx;
      rects.push_back(Rect(x, 0, x + w, h));
      x += w;
    }
    return rects;
  }
  int IndexAt(TPoint Screen) const {
    TRect w;
    if (!FForm.HandleAllocated() || !GetWindowRect(FForm.Handle(), &w))
      return -1;
    const std::vector<TRect> rects = Rects();
    for (std::size_t i = 0; i < rects.size(); ++i)
      if (OffsetRect(rects[i], w.Left, w.Top).Contains(Screen))
        return static_cast<int>(i);
    return -1;
  }
  void Paint(TCanvas& C) {
    TRect w;
    GetWindowRect(FForm.Handle(), &w);
    C.Brush().SetColor(clMenuBar);
    C.FillRect(Rect(0, 0, w.Width(), FForm.MenuBarHeight()));
    const std::vector<TMenuItem*> items = Shown();
    const std::vector<TRect> rects = Rects();
    TMainMenu* menu = FForm.Menu();
    TFont font;
    GetMenuFont(font);
    for (std::size_t i = 0; i < items.size(); ++i) {
      TCanvasSaver saver(C);
      C.SetFont(font);
      C.IntersectClipRect(rects[i]);
      const bool selected = static_cast<int>(i) == FSelected;
      if (menu && menu->OwnerDraw() && items[i]->OnDrawItem)
        items[i]->DrawItem(C, rects[i], selected);
      else
        DrawMenuItemDefault(C, *items[i], rects[i], selected, nullptr, true);
    }
  }
  void Track(int Index, bool ByKeyboard, bool BarOnly) {
    if (Index < 0 || Index >= BarCount() || MenuLoopActive())
      return;
    TMenuTrack track;
    track.Menu = FForm.Menu();
    track.Bar = this;
    track.BarIndex = Index;
    track.ByKeyboard = ByKeyboard;
    track.BarOnly = BarOnly;
    if (const UINT command = TrackMenu(track))
      PostMenuCommand(command);
  }

  int BarCount() const override { return static_cast<int>(Shown().size()); }
  TMenuItem* BarItem(int Index) const override {
    const std::vector<TMenuItem*> items = Shown();
    return Index >= 0 && Index < static_cast<int>(items.size()) ? items[static_cast<std::size_t>(Index)] : nullptr;
  }
  TRect BarRect(int Index) const override {
    const std::vector<TRect> rects = Rects();
    TRect w;
    if (Index < 0 || Index >= static_cast<int>(rects.size()) || !GetWindowRect(FForm.Handle(), &w))
      return {};
    return OffsetRect(rects[static_cast<std::size_t>(Index)], w.Left, w.Top);
  }
  void BarSelect(int Index, bool) override {
    if (FSelected == Index)
      return;
    FSelected = Index;
    if (FForm.HandleAllocated())
      DrawMenuBar(FForm.Handle());
  }
  HWND BarWindow() const override { return FForm.HandleAllocated() ? FForm.Handle() : nullptr; }

private:
  TCustomForm& FForm;
  int FSelected = -1;
};

const TClassInfo& TCustomForm::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TCustomForm>().Build();
  return Info;
}

const TClassInfo& TForm::StaticClassInfo() {
  using T = TForm;
  static const TClassInfo Info =
      TClassBuilder<TForm>()
          .Component("ActiveControl", &T::ActiveControl, &T::SetActiveControl)
          .Enum("Align", &T::Align, &T::SetAlign, AlignInfo())
          .Default(alNone)
          .Boolean("AutoScroll", &T::AutoScroll, &T::SetAutoScroll)
          .Default(true)
          .Enum("BorderStyle", &T::BorderStyle, &T::SetBorderStyle, FormBorderStyleInfo())
          .Default(bsSizeable)
          .Integer("BorderWidth", &T::BorderWidth, &T::SetBorderWidth)
          .Default(0)
          .String("Caption", &T::Caption, &T::SetCaption)
          .Color("Color", &T::Color, &T::SetColor)
          .Stored(&T::IsColorStored)
          .Object("Constraints", &T::Constraints, &T::SetConstraints)
          .Boolean("Enabled", &T::Enabled, &T::SetEnabled)
          .Default(true)
          .Object("Font", &T::Font, &T::SetFont)
          .Stored(&T::IsFontStored)
          .Enum("FormStyle", &T::FormStyle, &T::SetFormStyle, FormStyleInfo())
          .Default(fsNormal)
          .Boolean("KeyPreview", &T::KeyPreview, &T::SetKeyPreview)
          .Default(false)
          .Component("Menu", &T::Menu, &T::SetMenu)
          .Boolean("OldCreateOrder", &T::OldCreateOrder, &T::SetOldCreateOrder)
          .Enum("Position", &T::Position, &T::SetPosition, PositionInfo())
          .Default(poDesigned)
          .Boolean("Scaled", &T::Scaled, &T::SetScaled)
          .Default(true)
          .Boolean("Visible", &T::Visible, &T::SetVisible)
          .Default(false)
          .Enum("WindowState", &T::WindowState, &T::SetWindowState, WindowStateInfo())
          .Default(wsNormal)
          .BRIVO_INHERITED_EVENT(OnActivate)
          .BRIVO_INHERITED_EVENT(OnClick)
          .BRIVO_INHERITED_EVENT(OnClose)
          .BRIVO_INHERITED_EVENT(OnCloseQuery)
          .BRIVO_INHERITED_EVENT(OnCreate)
          .BRIVO_INHERITED_EVENT(OnDblClick)
          .BRIVO_INHERITED_EVENT(OnDeactivate)
          .BRIVO_INHERITED_EVENT(OnDestroy)
          .BRIVO_INHERITED_EVENT(OnHide)
          .BRIVO_INHERITED_EVENT(OnKeyDown)
          .BRIVO_INHERITED_EVENT(OnKeyPress)
          .BRIVO_INHERITED_EVENT(OnKeyUp)
          .BRIVO_INHERITED_EVENT(OnMouseDown)
          .BRIVO_INHERITED_EVENT(OnMouseMove)
          .BRIVO_INHERITED_EVENT(OnMouseUp)
          .BRIVO_INHERITED_EVENT(OnPaint)
          .BRIVO_INHERITED_EVENT(OnResize)
          .BRIVO_INHERITED_EVENT(OnShow)
          .Integer("PixelsPerInch", &T::PixelsPerInch, &T::SetPixelsPerInch)
          .Integer("TextHeight", &T::TextHeight, &T::SetTextHeight)
          .Build();
  return Info;
}

TCustomForm::TCustomForm(TComponent* AOwner) : TCustomControl(AOwner), FMenuBar(std::make_unique<TMenuBar>(*this)) {
  FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  SetVisible(false);
  SetColor(clBtnFace);
  SetParentFont(false);
  SetBounds(0, 0, 320, 240);
  if (Screen)
    Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  try {
    RaiseEvent(OnDestroy, this);
  } catch (...) {
    if (Application)
      Application->HandleException(this);
  }
  if (Screen)
    Screen->RemoveForm(this);
  if (Application && Application->FMainForm == this)
    Application->FMainForm = nullptr;
  if (FMenu) {
    FMenu->RemoveFreeNotification(this);
    if (FMenu->FForm == this)
      FMenu->FForm = nullptr;
    FMenu = nullptr;
  }
  // The window goes first, while everything that hooked its procedure still exists.
  DestroyHandle();
  DestroyComponents();
}

DWORD TCustomForm::StyleBits() const {
  switch (FBorderStyle) {
  case bsNone:
    return WS_POPUP;
  case bsSingle:
  case bsToolWindow:
    return WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  case bsDialog:
    return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
  default:
    return WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  }
}

void TCustomForm::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = StyleBits() | WS_CLIPCHILDREN;
  if (!Enabled())
    Params.Style |= WS_DISABLED;
  Params.ExStyle = FFormStyle == fsStayOnTop ? static_cast<DWORD>(WS_EX_TOPMOST) : 0u;
  Params.WndParent = nullptr;
}

void TCustomForm::CreateWnd() {
  TCustomControl::CreateWnd();
  if (Application && HandleAllocated())
    SendMessage(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Application->Icon()->Handle()));
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  if (FBorderStyle == Value)
    return;
  FBorderStyle = Value;
  if (HandleAllocated()) {
    const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_DLGFRAME;
    const LONG_PTR style = GetWindowLongPtr(Handle(), GWL_STYLE);
    SetWindowLongPtr(Handle(), GWL_STYLE, (style & ~static_cast<LONG_PTR>(frame)) | static_cast<LONG_PTR>(StyleBits()));
  }
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
  if (FFormStyle == Value)
    return;
  FFormStyle = Value;
  if (HandleAllocated()) {
    const LONG_PTR ex = GetWindowLongPtr(Handle(), GWL_EXSTYLE);
    SetWindowLongPtr(Handle(), GWL_EXSTYLE,
                     Value == fsStayOnTop ? (ex | WS_EX_TOPMOST) : (ex & ~static_cast<LONG_PTR>(WS_EX_TOPMOST)));
  }
}

TWindowState TCustomForm::WindowState() const {
  if (const_cast<TCustomForm*>(this)->HandleAllocated() && Visible()) {
    HWND h = const_cast<TCustomForm*>(this)->Handle();
    if (IsIconic(h))
      return wsMinimized;
    if (IsZoomed(h))
      return wsMaximized;
    return wsNormal;
  }
  return FWindowState;
}

void TCustomForm::SetWindowState(TWindowState Value) {
  FWindowState = Value;
  if (HandleAllocated() && Visible() && FShowing)
    ShowWindow(Handle(), Value == wsMaximized ? SW_SHOWMAXIMIZED : Value == wsMinimized ? SW_SHOWMINIMIZED : SW_RESTORE);
}

void TCustomForm::SetMenu(TMainMenu* Value) {
  TMainMenu* old = FMenu;
  if (!ReplaceReference(FMenu, Value))
    return;
  if (old && old->FForm == this)
    old->FForm = nullptr;
  if (Value)
    Value->FForm = this;
  MenuBarChanged();
}

void TCustomForm::MenuBarChanged() {
  if (!HandleAllocated() || ComponentState().Contains(csDestroying))
    return;
  // The strip comes, goes or changes height: the client area is worked out again.
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  DrawMenuBar(Handle());
  Realign();
}

int TCustomForm::MenuBarHeight() const {
  if (!FMenu)
    return 0;
  TFont font;
  GetMenuFont(font);
  TBitmap scratch;
  scratch.SetSize(1, 1);
  scratch.Canvas().SetFont(font);
  return std::max(scratch.Canvas().TextHeight("Ag") + 7, 19);
}

TRect TCustomForm::ClientRect() const {
  auto* self = const_cast<TCustomForm*>(this);
  TRect r;
  if (self->HandleAllocated() && GetClientRect(self->Handle(), &r))
    return r;
  return Rect(0, 0, Width(), std::max(Height() - MenuBarHeight(), 0));
}

bool TCustomForm::IsShortCut(TWMKey& Message) {
  bool handled = false;
  RaiseEvent(OnShortCut, Message, handled);
  if (handled)
    return true;
  return FMenu && FMenu->IsShortCut(Message);
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove)
    return;
  if (AComponent == FMenu) {
    FMenu = nullptr;
    MenuBarChanged();
  }
  if (AComponent == FActiveControl)
    FActiveControl = nullptr;
  if (AComponent == FFocusedControl)
    FFocusedControl = nullptr;
}

void TCustomForm::SetVisible(bool Value) {
  if (Visible() == Value)
    return;
  TCustomControl::SetVisible(Value);
  if (ComponentState().Contains(csLoading))
    return;
  if (Value)
    ShowWindowNow();
  else if (HandleAllocated()) {
    FShowing = false;
    ShowWindow(Handle(), SW_HIDE);
    DoHide();
  }
}

void TCustomForm::Loaded() {
  TCustomControl::Loaded();
  // A stored Visible = True shows the form once it is whole.
  if (Visible() && !FShowing)
    ShowWindowNow();
}

void TCustomForm::PlaceByPosition() {
  TRect area;
  switch (FPosition) {
  case poScreenCenter: {
    MONITORINFO info;
    const TRect here = BoundsRect();
    if (!GetMonitorInfo(MonitorFromRect(here, MONITOR_DEFAULTTONEAREST), &info))
      return;
    area = info.rcWork;
    break;
  }
  case poDesktopCenter:
    if (!SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0))
      return;
    break;
  case poMainFormCenter:
  case poOwnerFormCenter: {
    TCustomForm* over = FPosition == poOwnerFormCenter ? dynamic_cast<TCustomForm*>(Owner()) : nullptr;
    if (!over && Application)
      over = Application->MainForm();
    if (!over || over == this)
      return;
    area = over->BoundsRect();
    break;
  }
  default:
    return;
  }
  SetBounds(area.Left + (area.Width() - Width()) / 2, area.Top + (area.Height() - Height()) / 2, Width(), Height());
}

void TCustomForm::ShowWindowNow() {
  const TControlTracker alive(this);
  HandleNeeded();
  PlaceByPosition();
  DoShow();
  if (!alive.Alive() || !Visible())
    return;
  FShowing = true;
  ShowWindow(Handle(), FWindowState == wsMaximized   ? SW_SHOWMAXIMIZED
                       : FWindowState == wsMinimized ? SW_SHOWMINIMIZED
                                                     : SW_SHOWNORMAL);
}

void TCustomForm::Show() {
  SetVisible(true);
  if (HandleAllocated() && FShowing)
    SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::DoShow() {
  RaiseEvent(OnShow, this);
}

void TCustomForm::DoHide() {
  RaiseEvent(OnHide, this);
}

TModalResult TCustomForm::ShowModal() {
  if (Visible() || FModal)
    throw EComponentError("Cannot make a visible window modal");
  const TControlTracker alive(this);
  FModalResult = mrNone;
  FModal = true;
  Show();
  RunModalLoop([&] { return !alive.Alive() || FModalResult != mrNone || !Visible(); });
  if (!alive.Alive())
    return mrCancel;
  FModal = false;
  const TModalResult result = FModalResult == mrNone ? mrCancel : FModalResult;
  Hide();
  return result;
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  RaiseEvent(OnCloseQuery, this, canClose);
  return canClose;
}

void TCustomForm::Close() {
  const TControlTracker alive(this);
  if (FModal) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery() || !alive.Alive())
    return;
  TCloseAction action = caHide;
  RaiseEvent(OnClose, this, action);
  if (!alive.Alive() || action == caNone)
    return;
  if (Application && Application->MainForm() == this) {
    Application->Terminate();
    return;
  }
  switch (action) {
  case caHide:
    Hide();
    break;
  case caMinimize:
    SetWindowState(wsMinimized);
    break;
  case caFree:
    Release();
    break;
  default:
    break;
  }
}

void TCustomForm::Release() { PostMessage(Handle(), CM_RELEASE, 0, 0); }

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (FActiveControl == Control)
    return;
  if (Control && (Control == this || GetParentForm(Control) != this ||
                  (!ComponentState().Contains(csLoading) && !Control->CanFocus())))
    throw EComponentError("Cannot focus a disabled or invisible window");
  FActiveControl = Control;
  if (!ComponentState().Contains(csLoading) && FActive)
    SetWindowFocus();
}

void TCustomForm::FocusControl(TWinControl* Control) {
  const bool wasActive = FActive;
  SetActiveControl(Control);
  if (!wasActive && Control && HandleAllocated() && FShowing && GetActiveWindow() == Handle())
    SetWindowFocus();
}

void TCustomForm::SetWindowFocus() {
  TWinControl* target = FActiveControl && FActiveControl->CanFocus() ? FActiveControl : this;
  if (HandleAllocated())
    ::SetFocus(target->Handle());
}

void TCustomForm::SetFocusedControl(TWinControl* Control) {
  if (FFocusedControl == Control)
    return;
  TWinControl* old = FFocusedControl;
  FFocusedControl = Control;
  if (Control != this)
    FActiveControl = Control;
  if (Screen)
    Screen->SetActiveControl(Control);
  const TControlTracker formAlive(this);
  if (old && old != this) {
    const TControlTracker oldAlive(old);
    old->Perform(CM_EXIT);
    if (!formAlive.Alive())
      return;
  }
  if (FFocusedControl != Control)
    return; // the exit handler moved the focus on
  if (Control && Control != this) {
    const TControlTracker alive(Control);
    Control->Perform(CM_ENTER);
    if (!formAlive.Alive() || !alive.Alive())
      return;
  }
  Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control));
}

void TCustomForm::DefocusControl(TWinControl* Control) {
  const bool inside = FActiveControl && Control->ContainsControl(FActiveControl);
  if (!inside)
    return;
  const bool hadFocus = FActiveControl->Focused();
  FActiveControl = nullptr;
  if (FFocusedControl && Control->ContainsControl(FFocusedControl))
    FFocusedControl = nullptr;
  if (Screen && Screen->ActiveControl() && Control->ContainsControl(Screen->ActiveControl()))
    Screen->SetActiveControl(nullptr);
  if (hadFocus && HandleAllocated() && !ComponentState().Contains(csDestroying))
    ::SetFocus(Handle());
}

void TCustomForm::SetActive(bool Value) {
  if (FActive == Value)
    return;
  FActive = Value;
  const TControlTracker alive(this);
  if (Value) {
    if (Screen)
      Screen->SetActiveForm(this);
    RaiseEvent(OnActivate, this);
    if (alive.Alive())
      SetWindowFocus();
  } else {
    RaiseEvent(OnDeactivate, this);
  }
}

void TCustomForm::Paint() {
  RaiseEvent(OnPaint, this);
}

void TCustomForm::WndProc(TMessage& Message) {
  switch (Message.Msg) {
  case WM_ACTIVATE:
    SetActive(LOWORD(Message.WParam) != WA_INACTIVE);
    return;
  case WM_ACTIVATEAPP:
    if (Application)
      Application->SetActive(Message.WParam != 0);
    return;
  case WM_SETFOCUS:
    if (FActiveControl && FActiveControl != this && FActiveControl->CanFocus() && FActive) {
      ::SetFocus(FActiveControl->Handle());
      return;
    }
    SetFocusedControl(this);
    DefaultHandler(Message);
    return;
  case WM_CLOSE:
    Close();
    return;
  case WM_GETMINMAXINFO: {
    auto* info = reinterpret_cast<MINMAXINFO*>(Message.LParam);
    const TSizeConstraints* c = Constraints();
    if (c->MinWidth() > 0)
      info->ptMinTrackSize.X = c->MinWidth();
    if (c->MinHeight() > 0)
      info->ptMinTrackSize.Y = c->MinHeight();
    if (c->MaxWidth() > 0)
      info->ptMaxTrackSize.X = c->MaxWidth();
    if (c->MaxHeight() > 0)
      info->ptMaxTrackSize.Y = c->MaxHeight();
    return;
  }
  case WM_SIZE:
    // A hidden form is sized without a show state (while it is read, say): what it is to be shown
    // as stays.
    if (!FShowing)
      break;
    if (Message.WParam == SIZE_MAXIMIZED)
      FWindowState = wsMaximized;
    else if (Message.WParam == SIZE_MINIMIZED)
      FWindowState = wsMinimized;
    else
      FWindowState = wsNormal;
    break;
  case CM_RELEASE:
    delete this;
    return;
  case WM_NCCALCSIZE:
    if (FMenu && Message.LParam)
      reinterpret_cast<TRect*>(Message.LParam)->Top += MenuBarHeight();
    return;
  case WM_NCPAINT:
    if (FMenu)
      if (TCanvas* c = CanvasFromDC(reinterpret_cast<HDC>(Message.WParam)))
        FMenuBar->Paint(*c);
    return;
  case WM_NCHITTEST:
    TCustomControl::WndProc(Message);
    if (FMenu && Message.Result == HTBORDER) {
      TRect w;
      GetWindowRect(Handle(), &w);
      if (GET_Y_LPARAM(Message.LParam) < w.Top + MenuBarHeight())
        Message.Result = HTMENU;
    }
    return;
  case WM_NCLBUTTONDOWN:
    if (FMenu && Message.WParam == HTMENU) {
      FMenuBar->Track(FMenuBar->IndexAt({GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)}), false, false);
      return;
    }
    break;
  case WM_SYSCOMMAND:
    if ((Message.WParam & 0xFFF0) == SC_KEYMENU && FMenu) {
      const auto key = static_cast<char32_t>(Message.LParam);
      if (key == 0) {
        FMenuBar->Track(0, true, true);
      } else {
        const char32_t lower = key < 128 ? static_cast<char32_t>(std::tolower(static_cast<int>(key))) : key;
        for (int i = 0; i < FMenuBar->BarCount(); ++i)
          if (AccessKeyOf(FMenuBar->BarItem(i)->Caption()) == lower) {
            FMenuBar->Track(i, true, false);
            break;
          }
      }
      return;
    }
    break;
  case CM_MENUCHANGED:
    MenuBarChanged();
    return;
  case CM_DIALOGKEY:
    if (GetKeyState(VK_MENU) >= 0) {
      switch (Message.WParam) {
      case VK_TAB:
        if (GetKeyState(VK_CONTROL) >= 0) {
          SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
          Message.Result = 1;
          return;
        }
        break;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN:
        if (FActiveControl && FActiveControl->Parent()) {
          FActiveControl->Parent()->SelectNext(FActiveControl,
                                               Message.WParam == VK_RIGHT || Message.WParam == VK_DOWN, false);
          Message.Result = 1;
        }
        return;
      default:
        break;
      }
    }
    break;
  default:
    break;
  }
  TCustomControl::WndProc(Message);
}

#include "platform/controls/Form.h"

#include "platform/controls/Application.h"
#include "platform/windows/Gdi.h"

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

TCustomForm::TCustomForm(TComponent* AOwner) : TCustomControl(AOwner) {
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

void TCustomForm::SetMenu(TComponent* Value) {
  if (FMenu == Value)
    return;
  if (FMenu)
    FMenu->RemoveFreeNotification(this);
  FMenu = Value;
  if (Value)
    Value->FreeNotification(this);
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove)
    return;
  if (AComponent == FMenu)
    FMenu = nullptr;
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

#include "skin/frame/ZYKForm.h"

#include "platform/controls/Application.h"
#include "platform/windows/Gdi.h"
#include "skin/foundation/ZYKPublic.h"
#include "skin/frame/ZYKLook.h"
#include "skin/menus/ZYKMenu.h"

#include <algorithm>

namespace {

// The pixels along the border from which a sizeable window is resized.
constexpr int ResizeEdge = 5;
// What a theme file's control font colour holds when its menu bar is to be painted dark blue.
constexpr int ThemeDarkMenuBar = 0x20000;
constexpr TColor DarkMenuBarColor = 11295547; // RGB 59, 91, 172
// Private questions to an MDI client for the size a maximised child is to take.
constexpr UINT MDIClientWidthQuery = 0x1334;
constexpr UINT MDIClientHeightQuery = 0x1333;

bool MenuAdviceSilencedFlag = false;
// What the title bar's events read as on a component without a title bar.
const TzykTitleBarButtonClickEvent NoButtonEvent;
bool MaximizedAdjustedFlag = false;

bool HasClass(const TObject* Object, std::string_view Name) {
  for (const TClassInfo* c = Object ? &Object->ClassInfo() : nullptr; c != nullptr; c = c->ClassParent())
    if (c->ClassName() == Name)
      return true;
  return false;
}

bool IsMaximized(const TCustomForm* Form) { return Form && Form->WindowState() == wsMaximized; }

void ShowSettingError(TCustomForm* Form, const std::string& Text, UINT Icon) {
  HWND owner = Form && Form->HandleAllocated() ? Form->Handle() : nullptr;
  MessageBox(owner, Text, Application ? Application->Title() : std::string(), MB_OK | Icon);
}

} // namespace

bool TzykForm::MenuAdviceSilenced() { return MenuAdviceSilencedFlag; }
void TzykForm::SetMenuAdviceSilenced(bool Value) { MenuAdviceSilencedFlag = Value; }
bool TzykForm::MaximizedAdjusted() { return MaximizedAdjustedFlag; }

const TClassInfo& TzykForm::StaticClassInfo() {
  using T = TzykForm;
  static const TClassInfo Info =
      TClassBuilder<T>()
          .Boolean("TitleBarCustom", &T::TitleBarCustom, &T::SetTitleBarCustom)
          .Component("FileTheme", &T::FileTheme, &T::SetFileTheme)
          .Enum("UIStyle", &T::UIStyle, &T::SetUIStyle, TzykUIStyleInfo())
          .Boolean("UIStyleAutoUpdateSub", &T::UIStyleAutoUpdateSub, &T::SetUIStyleAutoUpdateSub)
          .Color("BorderColor", &T::BorderColor, &T::SetBorderColor)
          .Integer("BorderWidth", &T::BorderWidth, &T::SetBorderWidth)
          .Boolean("TitleBarVisible", &T::TitleBarVisible, &T::SetTitleBarVisible)
          .Default(true)
          .Enum("BiDiMode", &T::BiDiMode, &T::SetBiDiMode, BiDiModeInfo())
          .Default(bdLeftToRight)
          .Color("Color", &T::Color, &T::SetColor)
          .String("Caption", &T::Caption, &T::SetCaption)
          .Component("FormPanel", &T::FormPanel, &T::SetFormPanel)
          .Collection("TitleBarButtons", &T::TitleBarButtons)
          .Collection("TitleBarSections", &T::TitleBarSections)
          .Boolean("TitleBarDrawAppIcon", &T::TitleBarDrawAppIcon, &T::SetTitleBarDrawAppIcon)
          .Object("Font", &T::TitleBarFont, &T::SetTitleBarFont)
          .Component("Menu", &T::Menu, &T::SetMenu)
          .Color("MenuBarColor", &T::MenuBarColor, &T::SetMenuBarColor)
          .Integer("MenuBarHeight", &T::MenuBarHeight, &T::SetMenuBarHeight)
          .Integer("Height", &T::Height, &T::SetHeight)
          .Integer("Width", &T::Width, &T::SetWidth)
          .Integer("RoundCorner", &T::RoundCorner, &T::SetRoundCorner)
          .Component("PopupMenu", &T::PopupMenu, &T::SetPopupMenu)
          .String("Version", &T::Version, &T::SetVersion)
          .Event(
              "OnTitleBarCustomBtnsClick",
              [](const T& o) -> const TzykTitleBarButtonClickEvent& {
                return o.FTitleBar ? o.FTitleBar->OnCustomBtnsClick : NoButtonEvent;
              },
              [](T& o, TzykTitleBarButtonClickEvent v) {
                if (o.FTitleBar)
                  o.FTitleBar->OnCustomBtnsClick = std::move(v);
              })
          .Event(
              "OnTitleBarHelpBtnClick",
              [](const T& o) -> const TzykTitleBarButtonClickEvent& {
                return o.FTitleBar ? o.FTitleBar->OnHelpBtnClick : NoButtonEvent;
              },
              [](T& o, TzykTitleBarButtonClickEvent v) {
                if (o.FTitleBar)
                  o.FTitleBar->OnHelpBtnClick = std::move(v);
              })
          .BRIVO_INHERITED_EVENT(OnMouseDown)
          .BRIVO_INHERITED_EVENT(OnClick)
          .BRIVO_INHERITED_EVENT(OnMouseUp)
          .Build();
  return Info;
}

TzykForm::TzykForm(TComponent* AOwner) : TCustomPanel(AOwner) {
  auto* form = dynamic_cast<TCustomForm*>(AOwner);
  if (!form)
    return;
  // Checked before anything is made or changed, so that a refused component leaves the form as it
  // was and nothing half-built behind.
  for (int i = 0; i < form->ControlCount(); ++i)
    if (auto* other = dynamic_cast<TzykForm*>(form->Controls(i)); other && other != this)
      throw Exception("Sorry, You can create only one TzykForm component in one form!");

  FForm = form;
  const bool designing = ComponentState().Contains(csDesigning);
  SetParent(form);
  if (!designing) {
    form->Constraints()->SetMinHeight(50);
    form->Constraints()->SetMinWidth(125);
  }
  form->TWinControl::SetBorderWidth(0);
  FSavedBounds = form->BoundsRect();
  FStartedMaximized = form->WindowState() == wsMaximized;

  FTitleBar = new TzykTitleBar(this);
  FTitleBar->SetParent(this);
  FTitleBar->AfterConstruction();
  FMenuBarColor = Color();
  FMenuBarHeight = 22;
  FSavedBorderStyle = form->BorderStyle();

  SetUIStyle(DeepBlue);
  FUIStyleAutoUpdateSub = false;

  FNonClientHeight = form->Height() - form->ClientHeight();
  FNonClientWidth = form->Width() - form->ClientWidth();

  SetBevelInner(bvNone);
  SetBevelOuter(bvNone);
  SetAlign(alNone);

  SetCaption(form->Caption());
  SetTitleBarVisible(true);
  TControl::SetText(" ");
  FMessageHooked = false;

  form->SetScaled(false);
  if (designing)
    return;
  if (form->FormStyle() != fsMDIChild && form->FormStyle() != fsMDIForm)
    form->SetBorderStyle(bsNone);
  form->SetAutoScroll(false);
  FPreviousProc.Install(form->Handle(), [this](TMessage& Message) { FormWndProc(Message); });
  const HWND wnd = form->Handle();
  SetWindowLong(wnd, GWL_STYLE, GetWindowLong(wnd, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_CAPTION));
  if (Application && !Application->OnMessage) {
    Application->OnMessage = [this](MSG& Msg, bool& Handled) { ApplicationMessage(Msg, Handled); };
    FMessageHooked = true;
  }
}

TzykForm::~TzykForm() {
  // The form may outlive the component: it gets its own procedure back before anything goes.
  FPreviousProc.Remove();
  if (FMessageHooked && Application)
    Application->OnMessage = nullptr;
  ReleaseMenuHost();
  if (FFileTheme)
    FFileTheme->RemoveFreeNotification(this);
  if (FMenu)
    FMenu->RemoveFreeNotification(this);
  if (FFormPanel)
    FFormPanel->RemoveFreeNotification(this);
  delete FMenuBar;
  FMenuBar = nullptr;
  delete FTitleBar;
  FTitleBar = nullptr;
  if (FForm && !FForm->ComponentState().Contains(csDestroying))
    FForm->Invalidate();
}

bool TzykForm::IsMDIChild() const { return FForm && FForm->FormStyle() == fsMDIChild; }

// ---- Setters

void TzykForm::SetTitleBarCustom(bool Value) {
  if (FTitleBar)
    FTitleBar->SetCustom(Value);
}

void TzykForm::SetFileTheme(TzykFileTheme* Value) {
  if (!ReplaceReference(FFileTheme, Value))
    return;
  SetUIStyle(FUIStyle);
}

void TzykForm::SetUIStyle(TzykUIStyle Value) {
  const TRect saved = FForm ? FForm->BoundsRect() : TRect();
  FUIStyle = Value;
  ApplyLook();
  if (IsMDIChild())
    SetControlBounds(FForm, saved);
  PlacePanel();
  Invalidate();
  DrawBorder();
}

void TzykForm::ApplyLook() {
  const TzykLook look(FFileTheme, FUIStyle);
  SetBorderColor(look.Color(zteFormBorderColor));
  SetBorderWidth(look.Int(zteFormBorderWidthInt));
  SetColor(look.Color(zteFormBackgroundColor));
  // A theme asks for the dark blue bar through its control font colour; the bar takes it directly,
  // because MenuBarColor is read from the store before Menu and would otherwise lose it.
  if (look.FromFile() && FMenuBar && look.Int(zteControlFontColor) == ThemeDarkMenuBar)
    FMenuBar->SetColor(DarkMenuBarColor);
  else
    SetMenuBarColor(Color());
  if (FTitleBar) {
    FTitleBar->SetFileTheme(FFileTheme);
    FTitleBar->SetUIStyle(FUIStyle);
    if (IsMDIChild())
      FTitleBar->SetRoundCorner(0);
  }
  if (TzykMainMenu* menu = SkinnedMenu()) {
    menu->SetUIStyle(FUIStyle);
    menu->SetFileTheme(FFileTheme);
  }
  if (FUIStyleAutoUpdateSub)
    ApplyStyleToChildren(this, FUIStyle, FFileTheme);
}

void TzykForm::SetBorderColor(TColor Value) {
  FBorderColor = Value;
  PlacePanel();
  DrawBorder();
}

void TzykForm::SetBorderWidth(int Value) {
  // The component keeps its size: the form grows or shrinks round it.
  const int width = Width(), height = Height();
  FBorderWidth = Value;
  SetWidth(width);
  PlacePanel();
  SetHeight(height);
  DrawBorder();
}

void TzykForm::SetWidth(int Value) {
  if (!FForm) {
    TControl::SetWidth(Value);
    return;
  }
  const bool designing = ComponentState().Contains(csDesigning);
  FForm->SetWidth(Value + 2 * FBorderWidth + (designing ? FNonClientWidth : 0));
  PlacePanel();
}

void TzykForm::SetHeight(int Value) {
  if (!FForm) {
    TControl::SetHeight(Value);
    return;
  }
  const bool designing = ComponentState().Contains(csDesigning);
  FForm->SetHeight(Value + FBorderWidth + FBorderWidth / 2 + (designing ? FNonClientHeight : 0));
  PlacePanel();
}

const std::string& TzykForm::Caption() const { return FTitleBar ? FTitleBar->Caption() : TControl::Caption(); }

void TzykForm::SetCaption(const std::string& Value) {
  if (FTitleBar)
    FTitleBar->SetCaption(Value);
  if (FForm)
    FForm->SetCaption(Value);
}

void TzykForm::SetTitleBarVisible(bool Value) {
  if (!FTitleBar || FTitleBar->Visible() == Value)
    return;
  FTitleBar->SetVisible(Value);
  FTitleBar->SetTop(0);
  PlacePanel();
  DrawBorder();
}

void TzykForm::SetTitleBarDrawAppIcon(bool Value) {
  if (FTitleBar)
    FTitleBar->SetDrawAppIcon(Value);
}

void TzykForm::SetRoundCorner(int Value) {
  if (FTitleBar && !IsMDIChild())
    FTitleBar->SetRoundCorner(Value);
}

void TzykForm::SetFormPanel(TCustomPanel* Value) {
  if (Value == this) {
    ShowSettingError(FForm, "Sorry, you can't select the Form assign to FormPanel property", MB_ICONERROR);
    return;
  }
  ReplaceReference(FFormPanel, Value);
  if (!Value)
    return;
  Value->SetAlign(alClient);
  if (auto* panel = dynamic_cast<TPanel*>(Value)) {
    panel->SetBevelOuter(bvNone);
    panel->SetBevelInner(bvNone);
    panel->TWinControl::SetBorderWidth(0);
    panel->TControl::SetCaption("");
  } else if (HasClass(Value, "TzykImagePanel")) {
    Value->TControl::SetCaption("");
  }
}

void TzykForm::SetMenu(TMainMenu* Value) {
  ReleaseMenuHost();
  ReplaceReference(FMenu, Value);
  if (TzykMainMenu* menu = SkinnedMenu())
    menu->SetHostForm(this);
  if (FMenu) {
    if (!FMenuBar)
      CreateMenuBar();
    RebuildMenuBar();
  } else {
    RemoveMenuBar();
  }
}

void TzykForm::SetMenuBarColor(TColor Value) {
  FMenuBarColor = Value;
  if (FMenuBar)
    FMenuBar->SetColor(Value);
}

void TzykForm::SetMenuBarHeight(int Value) {
  FMenuBarHeight = Value;
  if (!FMenuBar)
    return;
  FMenuBar->SetHeight(Value);
  FMenuBar->SetButtonHeight(Value);
  for (int i = 0; i < FMenuBar->ButtonCount(); ++i)
    FMenuBar->Buttons(i)->SetHeight(Value);
}

// ---- Placing and the border

void TzykForm::PlacePanel() {
  if (!FForm)
    return;
  const int bw = FBorderWidth;
  const int top = TitleBarVisible() ? 0 : bw;
  const int cw = FForm->ClientWidth(), ch = FForm->ClientHeight();
  if (IsMDIChild())
    SetBounds(bw, top, cw - 2 * (bw + 1) - 1, ch - bw - top - 3);
  else
    SetBounds(bw, top, cw - 2 * bw, ch - bw - top);
}

void TzykForm::DrawBorderOn(TCanvas& Canvas) {
  const int bw = FBorderWidth;
  const int cw = FForm->ClientWidth(), ch = FForm->ClientHeight();
  const TCanvasSaver saver(Canvas);
  Canvas.Pen().SetColor(FBorderColor);
  Canvas.Pen().SetWidth(bw);
  Canvas.Pen().SetStyle(psSolid);
  Canvas.Brush().SetBitmap(nullptr);
  Canvas.Brush().SetColor(FBorderColor);
  Canvas.Brush().SetStyle(bsSolid);
  if (IsMDIChild()) {
    Canvas.FillRect(Rect(0, 0, bw, ch - 2));
    Canvas.FillRect(Rect(0, ch - bw - 3, cw, ch));
    Canvas.FillRect(Rect(cw - bw - 3, 0, cw, ch));
  } else {
    Canvas.FillRect(Rect(0, 0, bw, ch));
    Canvas.FillRect(Rect(0, ch - bw, cw, ch));
    Canvas.FillRect(Rect(cw - bw, 0, cw, ch));
  }
  if (bw > 0) {
    Canvas.MoveTo(0, 0);
    Canvas.LineTo(cw, 0);
  }
}

void TzykForm::DrawBorder() {
  if (!FForm || !FForm->HandleAllocated() || FBorderWidth <= 0)
    return;
  const HWND wnd = FForm->Handle();
  if (HDC dc = GetDC(wnd)) {
    if (TCanvas* canvas = CanvasFromDC(dc))
      DrawBorderOn(*canvas);
    ReleaseDC(wnd, dc);
  }
}

void TzykForm::Paint() {
  TCanvas& canvas = Canvas();
  const TRect client = ClientRect();
  if ((FUIStyle == MacOS || FUIStyle == Protein) && client.Width() > 0 && client.Height() > 0) {
    TBitmap pattern;
    LoadBitmapResource(pattern, FUIStyle == MacOS ? "MACOS_FORM_BACKGROUND" : "PROTEIN_FORM_BACKGROUND");
    // Only what the clip lets through is tiled: a child's repaint asks for a small part, and the
    // whole surface tiled each time made a slider step several times dearer. The buffer starts at
    // a whole tile, so the pattern keeps its place on the component.
    const TRect area = IntersectRect(client, canvas.ClipRect());
    if (!area.IsEmpty() && !pattern.Empty()) {
      const int left = area.Left - area.Left % pattern.Width(), top = area.Top - area.Top % pattern.Height();
      TBitmap buffer(area.Right - left, area.Bottom - top);
      buffer.Canvas().Brush().SetBitmap(&pattern);
      buffer.Canvas().FillRect(Rect(0, 0, buffer.Width(), buffer.Height()));
      buffer.Canvas().Brush().SetBitmap(nullptr);
      canvas.CopyRect(area, buffer.Canvas(), OffsetRect(area, -left, -top));
    }
  } else {
    canvas.Brush().SetColor(Color());
    canvas.FillRect(client);
  }
  if (ComponentState().Contains(csDesigning)) {
    PlacePanel();
    DrawBorder();
  }
}

void TzykForm::WndProc(TMessage& Message) {
  switch (Message.Msg) {
  case WM_ERASEBKGND:
    // The paint covers the component; only the border round it, on the form, is drawn.
    DrawBorder();
    Message.Result = 1;
    return;
  case WM_CREATE:
    TCustomPanel::WndProc(Message);
    PlacePanel();
    DrawBorder();
    return;
  default:
    break;
  }
  TCustomPanel::WndProc(Message);
}

void TzykForm::Loaded() {
  TCustomPanel::Loaded();
  if (FTitleBar && FTitleBar->AutoSize())
    FTitleBar->SetAutoSize(true);
  PlacePanel();
}

// ---- Notifications

void TzykForm::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomPanel::Notification(AComponent, Operation);
  if (!AComponent)
    return;
  if (Operation == opInsert) {
    const TComponentState state = ComponentState();
    if (state.Contains(csDesigning) && !state.Contains(csLoading) && !MenuAdviceSilencedFlag &&
        dynamic_cast<TMainMenu*>(AComponent) && !HasClass(AComponent, "TzykMainMenu")) {
      const std::string formName = FForm ? FForm->Name() : std::string();
      ShowSettingError(FForm,
                       "Strongly recommend you to use \"TzykMainMenu\" instead of \"TMainMenu\".\r\n\r\n"
                       "If you still want to use TMainForm, \r\n\r\nset " +
                           formName + "'s MENU property to NIL please." + "\r\n\r\n" + "And set " + Name() +
                           "'s MENU property to this Menu when you finished designing the menu.",
                       MB_ICONINFORMATION);
    }
    return;
  }
  if (AComponent == FFormPanel)
    FFormPanel = nullptr;
  if (AComponent == FMenu) {
    FMenu = nullptr;
    RemoveMenuBar();
  }
  if (AComponent == FMenuBar)
    FMenuBar = nullptr;
  if (AComponent == FTitleBar)
    FTitleBar = nullptr;
  if (AComponent == FFileTheme) {
    FFileTheme = nullptr;
    if (!ComponentState().Contains(csDestroying)) {
      ApplyStyleToChildren(this, DeepBlue, nullptr);
      SetUIStyle(DeepBlue);
    }
  }
}

// ---- The menu bar

void TzykForm::CreateMenuBar() {
  if (FMenuBar || IsMDIChild())
    return;
  auto* bar = new TToolBar(this);
  bar->AfterConstruction();
  bar->SetParent(this);
  bar->SetFlat(true);
  bar->SetEdgeBorders({});
  bar->SetShowCaptions(true);
  bar->SetButtonHeight(FMenuBarHeight);
  bar->SetHeight(FMenuBarHeight);
  bar->SetColor(FMenuBarColor);
  bar->SetWrapable(true);
  bar->SetAutoSize(true);
  if (!ComponentState().Contains(csDesigning))
    bar->OnCustomDrawButton = [this](TToolBar* Sender, TToolButton* Button, TCustomDrawState State,
                                     bool& DefaultDraw) { DrawMenuBarButton(Sender, Button, State, DefaultDraw); };
  bar->OnCustomDraw = [this](TToolBar* Sender, const TRect& R, bool& DefaultDraw) {
    DrawMenuBarBackground(Sender, R, DefaultDraw);
  };
  FMenuBar = bar;
  if (FTitleBar)
    FTitleBar->SetTop(0);
}

void TzykForm::RemoveMenuBar() {
  if (FMenuBar && !IsMDIChild()) {
    TToolBar* bar = FMenuBar;
    FMenuBar = nullptr;
    // The buttons are ours, not the bar's.
    while (bar->ButtonCount() > 0)
      delete bar->Buttons(bar->ButtonCount() - 1);
    delete bar;
  }
  if (FMenu) {
    ReleaseMenuHost();
    FMenu->RemoveFreeNotification(this);
    FMenu = nullptr;
  }
}

TzykMainMenu* TzykForm::SkinnedMenu() const { return dynamic_cast<TzykMainMenu*>(FMenu); }

void TzykForm::ReleaseMenuHost() {
  // A menu that is being destroyed no longer reads as a skinned one, and needs no telling.
  if (TzykMainMenu* menu = SkinnedMenu(); menu && menu->HostForm() == this)
    menu->SetHostForm(nullptr);
}

void TzykForm::RebuildMenuBar() {
  if (!FMenuBar)
    return;
  if (!FMenu) {
    RemoveMenuBar();
    return;
  }
  while (FMenuBar->ButtonCount() > 0)
    delete FMenuBar->Buttons(FMenuBar->ButtonCount() - 1);
  TMenuItem* root = FMenu->Items();
  for (int i = root->Count() - 1; i >= 0; --i) {
    TMenuItem* item = root->Items(i);
    if (item->Parent() != root)
      continue;
    auto* button = new TToolButton(this);
    button->AfterConstruction();
    button->SetParent(FMenuBar);
    button->SetGrouped(true);
    button->SetMenuItem(item);
    button->SetAutoSize(true);
  }
}

void TzykForm::RefreshMenuBar() {
  if (!FMenuBar)
    return;
  for (int i = 0; i < FMenuBar->ButtonCount(); ++i) {
    TToolButton* button = FMenuBar->Buttons(i);
    if (const TMenuItem* item = button->MenuItem()) {
      button->SetCaption(item->Caption());
      button->SetEnabled(item->Enabled());
    }
  }
}

void TzykForm::ApplyMenuBarFont() {
  if (!FMenuBar || !FMenu)
    return;
  MenuFont(*FMenuBar->Font());
  FMenuBar->Invalidate();
}

void TzykForm::MenuFont(TFont& Font) const {
  const TzykMainMenu* menu = SkinnedMenu();
  if (!menu)
    return;
  if (menu->UseSystemFont()) {
    ApplySystemMenuFont(Font);
    return;
  }
  Font.SetName(menu->FontName());
  Font.SetSize(menu->FontSize());
  Font.SetCharset(menu->FontCharset());
  Font.SetColor(menu->FontColor());
}

TzykUIStyle TzykForm::MenuLookStyle() const {
  const TzykMainMenu* menu = SkinnedMenu();
  return menu ? menu->UIStyle() : FUIStyle;
}

TzykFileTheme* TzykForm::MenuLookTheme() const {
  const TzykMainMenu* menu = SkinnedMenu();
  return menu ? menu->FileTheme() : FFileTheme;
}

void TzykForm::DrawMenuBarBackground(TToolBar* Bar, const TRect& R, bool& DefaultDraw) {
  if (MenuLookStyle() != MacOS)
    return;
  TBitmap picture;
  LoadBitmapResource(picture, "MACOS_MENU_BAR");
  Bar->Canvas().StretchDraw(R, picture);
  DefaultDraw = false;
}

void TzykForm::DrawMenuBarButton(TToolBar* Bar, TToolButton* Button, TCustomDrawState State, bool& DefaultDraw) {
  DefaultDraw = false;
  const TzykLook look(MenuLookTheme(), MenuLookStyle());
  TCanvas& canvas = Bar->Canvas();
  const TCanvasSaver saver(canvas);
  canvas.SetFont(*Bar->Font());
  MenuFont(canvas.Font());
  TRect r = Button->BoundsRect();
  const unsigned centred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  const bool selected = State.Contains(cdsSelected);
  const bool lit = selected || State.Contains(cdsHot);
  if (lit && look.Style() == MacOS) {
    const int w = r.Width(), h = r.Height();
    if (w <= 0 || h <= 0)
      return;
    TBitmap picture;
    LoadBitmapResource(picture, "MACOS_MENU_SELECT");
    TBitmap buffer(w, h);
    TCanvas& b = buffer.Canvas();
    b.StretchDraw(Rect(0, 0, w, h), picture);
    b.Brush().SetStyle(bsClear);
    b.SetFont(canvas.Font());
    b.Font().SetColor(look.Color(zteMenuSelectedFontColor));
    TRect text = Rect(0, 0, w, h + 2);
    b.DrawText(Button->Caption(), text, centred);
    canvas.Draw(r.Left, r.Top, buffer);
    return;
  }
  if (lit) {
    if (selected)
      r.Right -= 2;
    canvas.Brush().SetColor(look.Color(zteMenuSelectedBackgroundColor));
    canvas.FillRect(r);
    canvas.Brush().SetColor(look.Color(zteMenuSelectedBorderColor));
    canvas.FrameRect(r);
    if (selected)
      r.Left += 2;
    r.Top += 2;
    canvas.Brush().SetStyle(bsClear);
    canvas.Font().SetColor(look.Color(zteMenuSelectedFontColor));
    canvas.DrawText(Button->Caption(), r, centred);
    return;
  }
  canvas.Brush().SetStyle(bsClear);
  r.Top += 2;
  canvas.Font().SetColor(look.Color(zteMenuFontColor));
  canvas.DrawText(Button->Caption(), r, centred);
}

bool TzykForm::MenuShortCut(TWMKey& Key) {
  return FForm && IsFormActive(FForm) && FForm->Active() && FMenu && FMenu->IsShortCut(Key);
}

// ---- The form's window procedure

void TzykForm::SendToMDIClient(UINT Msg, WPARAM WParam, LPARAM LParam) {
  // The platform has no MDI client window: the main form's window stands in for it.
  if (Application && Application->MainForm() && Application->MainForm()->HandleAllocated())
    SendMessage(Application->MainForm()->Handle(), Msg, WParam, LParam);
}

void TzykForm::FormWndProc(TMessage& Message) {
  if (Message.Msg == WM_SIZE) {
    FormSized(Message);
    return;
  }
  const TControlTracker alive(this);
  FPreviousProc.CallPrevious(Message);
  if (!alive.Alive() || !FForm)
    return;
  const HWND wnd = FForm->Handle();
  switch (Message.Msg) {
  case WM_ACTIVATE:
    if (FTitleBar)
      FTitleBar->SetFormActive(LOWORD(Message.WParam) != WA_INACTIVE);
    break;
  case WM_MDIACTIVATE:
    if (reinterpret_cast<HWND>(Message.LParam) == wnd) {
      SendToMDIClient(WM_MDIREFRESHMENU, reinterpret_cast<WPARAM>(wnd), 0);
      if (alive.Alive() && FTitleBar)
        FTitleBar->SetFormActive(true);
    } else if (FTitleBar) {
      FTitleBar->SetFormActive(false);
    }
    break;
  case WM_KEYDOWN: {
    TWMKey key = KeyMessage(WM_KEYDOWN, Message.WParam, Message.LParam);
    Message.Result = MenuShortCut(key) ? 1 : 0;
    break;
  }
  case WM_SHOWWINDOW:
    FForm->SetMenu(nullptr);
    break;
  case WM_DESTROY:
    if (IsMDIChild()) {
      const bool maximized = IsMaximized(FForm);
      SendToMDIClient(WM_MDIREFRESHMENU, reinterpret_cast<WPARAM>(wnd), 0);
      if (maximized)
        SendToMDIClient(WM_MDIRESTORE, reinterpret_cast<WPARAM>(wnd), 0);
    }
    break;
  case WM_ERASEBKGND:
    if (TCanvas* canvas = CanvasFromDC(reinterpret_cast<HDC>(Message.WParam)))
      DrawBorderOn(*canvas);
    break;
  case WM_NCHITTEST:
    FormHitTest(Message);
    break;
  default:
    break;
  }
}

void TzykForm::FormHitTest(TMessage& Message) {
  if (IsMaximized(FForm))
    return;
  if (FForm->FormStyle() == fsMDIForm && Message.Result == HTCLIENT)
    Message.Result = HTTRANSPARENT;
  if (FSavedBorderStyle != bsSizeable)
    return;
  const TPoint p = FForm->ScreenToClient({GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)});
  const int cw = FForm->ClientWidth(), ch = FForm->ClientHeight();
  const bool left = p.X < ResizeEdge, top = p.Y < ResizeEdge;
  const bool right = p.X > cw - ResizeEdge, bottom = p.Y > ch - ResizeEdge;
  if (left && top)
    Message.Result = HTTOPLEFT;
  else if (right && top)
    Message.Result = HTTOPRIGHT;
  else if (right && bottom)
    Message.Result = HTBOTTOMRIGHT;
  else if (left && bottom)
    Message.Result = HTBOTTOMLEFT;
  else if (left)
    Message.Result = HTLEFT;
  else if (top)
    Message.Result = HTTOP;
  else if (right)
    Message.Result = HTRIGHT;
  else if (bottom)
    Message.Result = HTBOTTOM;
}

void TzykForm::FormSized(TMessage& Message) {
  const TControlTracker alive(this);
  FPreviousProc.CallPrevious(Message);
  if (!alive.Alive() || !FForm)
    return;
  const bool maximized = IsMaximized(FForm);
  if (FStartedMaximized) {
    if (!maximized) {
      FStartedMaximized = false;
      SetControlBounds(FForm, FSavedBounds);
    }
    MaximizedAdjustedFlag = true;
  }
  if (IsMaximized(FForm) && !IsMDIChild() && FSavedBorderStyle != bsNone) {
    TRect area;
    GetDesktopWorkArea(area);
    --area.Bottom;
    if (FForm->BoundsRect() != area)
      FForm->SetBoundsRect(area);
  }
  if (!alive.Alive())
    return;
  PlacePanel();
  DrawBorder();
  if (FTitleBar)
    FTitleBar->RefreshMaxButtons();
  if (IsMDIChild() && FTitleBar) {
    const TzykLook look(FFileTheme, FUIStyle);
    if (IsMaximized(FForm)) {
      FTitleBar->Hide();
      SetBorderColor(look.Color(zteFormBackgroundColor));
      int width = 0, height = 0;
      SendToMDIClient(MDIClientWidthQuery, reinterpret_cast<WPARAM>(&width), 0);
      SendToMDIClient(MDIClientHeightQuery, reinterpret_cast<WPARAM>(&height), 0);
      // Nothing answers here without an MDI client: the child keeps its size then.
      if (width > 0 && height > 0) {
        FForm->SetWidth(width + 9);
        FForm->SetHeight(height + 9);
      }
      if (!MaximizedAdjustedFlag) {
        SetTop(Top() - FTitleBar->Height());
        MaximizedAdjustedFlag = true;
        SendToMDIClient(WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(FForm->Handle()), 0);
      }
    } else {
      FTitleBar->Show();
      SetBorderColor(look.Color(zteFormBorderColor));
      if (MaximizedAdjustedFlag) {
        SetTop(Top() + FTitleBar->Height());
        MaximizedAdjustedFlag = false;
        FTitleBar->RefreshMaxButtons();
        SendToMDIClient(WM_MDIRESTORE, 0, 0);
      }
    }
  }
  if (!alive.Alive())
    return;
  if (FTitleBar)
    FTitleBar->ApplyWindowRegion();
  FPreviousProc.CallPrevious(Message);
}

// ---- The application's messages

void TzykForm::ApplicationMessage(MSG& Msg, bool& Handled) {
  if (Msg.message == WM_SYSCHAR && LOWORD(Msg.wParam) == ' ') {
    Handled = true;
    if (!FTitleBar || !FTitleBar->SystemMenu())
      return;
    const TCustomForm* main = Application && Application->MainForm() ? Application->MainForm() : FForm;
    // The menu runs its own loop; nothing of this component is touched after it.
    FTitleBar->SystemMenu()->Popup(main->Left(), main->Top() + FTitleBar->Height());
    return;
  }
  if (Msg.message == WM_KEYDOWN) {
    TWMKey key = KeyMessage(WM_KEYDOWN, Msg.wParam, Msg.lParam);
    Handled = MenuShortCut(key);
  }
}

void RegisterZYKFormClasses() {
  RegisterZYKTitleBarClasses();
  RegisterClasses({&TzykForm::StaticClassInfo()});
}

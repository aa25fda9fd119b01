#include "skin/frame/ZYKTitleBar.h"

#include "platform/controls/Application.h"
#include "platform/core/Resources.h"
#include "platform/graphics/Icon.h"
#include "platform/windows/Gdi.h"
#include "platform/windows/User.h"
#include "skin/foundation/ZYKPublic.h"
#include "skin/frame/ZYKLook.h"

#include <algorithm>
#include <exception>

namespace {

// The title bar button picture strip holds this many frames side by side.
constexpr int ButtonFrameCount = 18;
// The first of the three state frames (normal, hovered, pressed) of each button kind.
constexpr int ControlBoxFrames = 1;
constexpr int HelpFrames = 4;
constexpr int MaximizeFrames = 7;
constexpr int RestoreFrames = 10;
constexpr int MinimizeFrames = 13;
constexpr int CloseFrames = 16;

// The bar's top edge, in pixels, from which a sizeable window is resized.
constexpr int ResizeEdge = 5;
// What a theme file's caption colour must hold for a black caption.
constexpr int ThemeBlackCaption = 0x10000;

bool IsMaximized(const TCustomForm* Form) { return Form && Form->WindowState() == wsMaximized; }

// The modal error box of a refused setting, owned by the bar's form when it has a window.
void ShowSettingError(const TControl* Bar, const std::string& Text) {
  HWND owner = nullptr;
  if (Bar)
    if (TCustomForm* form = GetParentForm(Bar); form && form->HandleAllocated())
      owner = form->Handle();
  MessageBox(owner, Text, Application ? Application->Title() : std::string(), MB_OK | MB_ICONERROR);
}

// The form's own minimise: the main form through its system command, so that the whole program
// goes with it, any other form alone.
void MinimizeForm(TCustomForm* Form) {
  if (Application && Form == Application->MainForm())
    SendMessage(Form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  else
    ShowWindow(Form->Handle(), SW_SHOWMINIMIZED);
}

// Menus drop down from the bar's bottom-left corner.
void PopupBelow(TPopupMenu& Menu, const TControl& Bar) {
  const TPoint p = Bar.ClientToScreen({0, Bar.Height()});
  Menu.Popup(p.X, p.Y);
}

// The application's icon at 16 x 16, copied anew for each paint; null when there is none.
std::unique_ptr<TIcon> ApplicationIcon16() {
  try {
    if (!ResourceExists("MAINICON", TResourceType::Icon))
      return nullptr;
    TIcon icon;
    icon.LoadFromBytes(FindResource("MAINICON", TResourceType::Icon));
    return icon.SizedCopy(16, 16);
  } catch (const std::exception&) {
    // A broken icon must not stop the bar from painting.
    return nullptr;
  }
}

// Drops the last character (a whole UTF-8 sequence) of Text.
void DropLastCharacter(std::string& Text) {
  while (!Text.empty()) {
    const auto byte = static_cast<unsigned char>(Text.back());
    Text.pop_back();
    if ((byte & 0xC0) != 0x80)
      return;
  }
}

} // namespace

const TEnumInfo& TzykTitleBarBtnTypeInfo() {
  static const TEnumInfo Info("TzykTitleBarBtnType",
                              {"zykMax", "zykMin", "zykClose", "zykHelp", "zykControlBox", "zykCustom"});
  return Info;
}

const TEnumInfo& TzykTitleBarAlignInfo() {
  static const TEnumInfo Info("TzykTitleBarAlign", {"zykLeft", "zykRight", "zykClient"});
  return Info;
}

// ---- TzykTitleBarButton

const TClassInfo& TzykTitleBarButton::StaticClassInfo() {
  using T = TzykTitleBarButton;
  static const TClassInfo Info =
      TClassBuilder<T>()
          .Enum("UIStyle", &T::UIStyle, &T::SetUIStyle, TzykUIStyleInfo())
          .Enum("ButtonType", &T::ButtonType, &T::SetButtonType, TzykTitleBarBtnTypeInfo())
          .Boolean("Transparent", &T::Transparent, &T::SetTransparent)
          .Integer("Top", &T::Top, &T::SetTop)
          .Component("ControlBoxMenu", &T::ControlBoxMenu, &T::SetControlBoxMenu)
          .Boolean("Visible", &T::Visible, &T::SetVisible)
          .Object("PicNormal", &T::PicNormal, &T::SetPicNormal)
          .Object("PicMouseOn", &T::PicMouseOn, &T::SetPicMouseOn)
          .Object("PicMouseDown", &T::PicMouseDown, &T::SetPicMouseDown)
          .Build();
  return Info;
}

TzykTitleBarButton::TzykTitleBarButton(TCollection* Collection)
    : TCollectionItem(Collection), FPicNormal(std::make_unique<TPicture>()),
      FPicMouseOn(std::make_unique<TPicture>()), FPicMouseDown(std::make_unique<TPicture>()) {
  // A stored form writes the pictures' data straight into them.
  for (TPicture* picture : {FPicNormal.get(), FPicMouseOn.get(), FPicMouseDown.get()})
    picture->OnChange = [this](TObject*) { RepaintBar(); };
  SetUIStyle(DeepBlue);
}

TzykTitleBarButton::~TzykTitleBarButton() = default;

TzykTitleBar* TzykTitleBarButton::TitleBar() const {
  const auto* items = dynamic_cast<const TzykTitleBarItems*>(Collection());
  return items ? items->TitleBar() : nullptr;
}

void TzykTitleBarButton::RepaintBar() { Changed(false); }

void TzykTitleBarButton::Assign(const TPersistent* Source) {
  const auto* source = dynamic_cast<const TzykTitleBarButton*>(Source);
  if (!source) {
    TCollectionItem::Assign(Source);
    return;
  }
  SetVisible(source->FVisible);
  // Copying a control box onto the control box is no second control box.
  if (FButtonType != source->FButtonType)
    SetButtonType(source->FButtonType);
  SetTransparent(source->FTransparent);
  SetTop(source->FTop);
  SetUIStyle(source->FUIStyle);
  // The look has just reloaded Transparent and Top; the copy keeps the source's.
  SetTransparent(source->FTransparent);
  SetTop(source->FTop);
  FPicNormal->Assign(source->FPicNormal.get());
  FPicMouseOn->Assign(source->FPicMouseOn.get());
  FPicMouseDown->Assign(source->FPicMouseDown.get());
  SetControlBoxMenu(source->FControlBoxMenu);
}

void TzykTitleBarButton::SetVisible(bool Value) {
  FVisible = Value;
  RepaintBar();
}

void TzykTitleBarButton::SetButtonType(TzykTitleBarBtnType Value) {
  if (Value == zykControlBox) {
    bool taken = FButtonType == zykControlBox;
    if (const TCollection* list = Collection())
      for (int i = 0; i < list->Count() && !taken; ++i)
        taken = static_cast<const TzykTitleBarButton*>(list->Items(i))->FButtonType == zykControlBox;
    if (taken) {
      ShowSettingError(TitleBar(), "Sorry, only one button's ButtonType property can be \"zykControlBox\"");
      return;
    }
  }
  FButtonType = Value;
  UpdatePictures();
  RepaintBar();
}

void TzykTitleBarButton::SetTransparent(bool Value) {
  FTransparent = Value;
  RepaintBar();
}

void TzykTitleBarButton::SetTop(int Value) {
  FTop = Value;
  RepaintBar();
}

void TzykTitleBarButton::SetUIStyle(TzykUIStyle Value) {
  FUIStyle = Value;
  UpdatePictures();
}

void TzykTitleBarButton::SetPicture(TPicture& Target, const TPicture* Value) {
  Target.Assign(Value);
  RepaintBar();
}

void TzykTitleBarButton::SetControlBoxMenu(TPopupMenu* Value) {
  if (FControlBoxMenu == Value)
    return;
  TPopupMenu* previous = FControlBoxMenu;
  FControlBoxMenu = Value;
  if (TzykTitleBar* bar = TitleBar())
    bar->ControlBoxMenuChanged(previous, Value);
}

void TzykTitleBarButton::LoadStateFrames(int First) {
  const TzykTitleBar* bar = TitleBar();
  const TzykLook look(bar ? bar->FileTheme() : nullptr, FUIStyle);
  TPicture* pictures[] = {FPicNormal.get(), FPicMouseOn.get(), FPicMouseDown.get()};
  for (int i = 0; i < 3; ++i) {
    TBitmap frame;
    look.Frame(zteTitleBarButtonImage, frame, ButtonFrameCount, First + i);
    // A theme without the picture leaves the button's picture as it was.
    if (!frame.Empty())
      pictures[i]->Bitmap().Assign(frame);
  }
}

void TzykTitleBarButton::UpdatePictures() {
  const TzykTitleBar* bar = TitleBar();
  const TzykLook look(bar ? bar->FileTheme() : nullptr, FUIStyle);
  SetTransparent(look.Bool(zteTitleBarButtonTransparentBool));
  int first = 0;
  switch (FButtonType) {
  case zykCustom:
    return;
  case zykControlBox:
    first = ControlBoxFrames;
    break;
  case zykHelp:
    first = HelpFrames;
    break;
  case zykMax:
    first = IsMaximized(bar ? GetParentForm(bar) : nullptr) ? RestoreFrames : MaximizeFrames;
    break;
  case zykMin:
    first = MinimizeFrames;
    break;
  case zykClose:
    first = CloseFrames;
    break;
  }
  LoadStateFrames(first);
  SetTop(look.Int(zteTitleBarButtonTopInt));
}

void TzykTitleBarButton::RefreshMaxState() {
  const TzykTitleBar* bar = TitleBar();
  if (FButtonType != zykMax || (bar && bar->Custom()))
    return;
  LoadStateFrames(IsMaximized(bar ? GetParentForm(bar) : nullptr) ? RestoreFrames : MaximizeFrames);
  RepaintBar();
}

void TzykTitleBarButton::DoClick() {
  TzykTitleBar* bar = TitleBar();
  TCustomForm* form = bar ? GetParentForm(bar) : nullptr;
  if (!form)
    return;
  switch (FButtonType) {
  case zykMax:
    if (!IsMaximized(form)) {
      form->SetWindowState(wsMaximized);
      // The skinned form fits a maximised window to the work area itself.
      if (!bar->Host()) {
        TRect area;
        GetDesktopWorkArea(area);
        --area.Bottom;
        SetControlBounds(form, area);
      }
    } else {
      form->SetWindowState(wsNormal);
    }
    RefreshMaxState();
    break;
  case zykMin:
    MinimizeForm(form);
    break;
  case zykClose:
    form->Close();
    break;
  case zykControlBox:
    if (FControlBoxMenu)
      PopupBelow(*FControlBoxMenu, *bar);
    break;
  case zykHelp:
  case zykCustom:
    break;
  }
}

// ---- The two lists

const TClassInfo& TzykTitleBarItems::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TzykTitleBarItems>().Build();
  return Info;
}

TzykTitleBarItems::TzykTitleBarItems(TzykTitleBar* TitleBar, const TClassInfo& ItemClass)
    : TOwnedCollection(TitleBar, ItemClass), FTitleBar(TitleBar) {}

void TzykTitleBarItems::Update(TCollectionItem*) {
  if (FTitleBar)
    FTitleBar->Invalidate();
}

const TClassInfo& TzykTitleBarButtons::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TzykTitleBarButtons>().Build();
  return Info;
}

TzykTitleBarButtons::TzykTitleBarButtons(TzykTitleBar* TitleBar)
    : TzykTitleBarItems(TitleBar, TzykTitleBarButton::StaticClassInfo()) {}

const TClassInfo& TzykTitleBarSections::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TzykTitleBarSections>().Build();
  return Info;
}

TzykTitleBarSections::TzykTitleBarSections(TzykTitleBar* TitleBar)
    : TzykTitleBarItems(TitleBar, TzykTitleBarSection::StaticClassInfo()) {}

// ---- TzykTitleBarSection

const TClassInfo& TzykTitleBarSection::StaticClassInfo() {
  using T = TzykTitleBarSection;
  static const TClassInfo Info = TClassBuilder<T>()
                                     .Boolean("AutoSize", &T::AutoSize, &T::SetAutoSize)
                                     .Integer("Width", &T::Width, &T::SetWidth)
                                     .Enum("Align", &T::Align, &T::SetAlign, TzykTitleBarAlignInfo())
                                     .Object("Picture", &T::Picture, &T::SetPicture)
                                     .Boolean("Stretch", &T::Stretch, &T::SetStretch)
                                     .Build();
  return Info;
}

TzykTitleBarSection::TzykTitleBarSection(TCollection* Collection)
    : TCollectionItem(Collection), FPicture(std::make_unique<TPicture>()) {
  FPicture->OnChange = [this](TObject*) { RepaintBar(); };
}

TzykTitleBarSection::~TzykTitleBarSection() = default;

TzykTitleBar* TzykTitleBarSection::TitleBar() const {
  const auto* items = dynamic_cast<const TzykTitleBarItems*>(Collection());
  return items ? items->TitleBar() : nullptr;
}

void TzykTitleBarSection::RepaintBar() { Changed(false); }

void TzykTitleBarSection::Assign(const TPersistent* Source) {
  const auto* source = dynamic_cast<const TzykTitleBarSection*>(Source);
  if (!source) {
    TCollectionItem::Assign(Source);
    return;
  }
  SetWidth(source->FWidth);
  // Copying the client section onto the client section is no second client section.
  if (FAlign != source->FAlign)
    SetAlign(source->FAlign);
  FPicture->Assign(source->FPicture.get());
  SetStretch(source->FStretch);
  SetAutoSize(source->FAutoSize);
  // AutoSize has just taken the picture's width; the copy keeps the source's.
  SetWidth(source->FWidth);
}

void TzykTitleBarSection::SetWidth(int Value) {
  FWidth = Value;
  RepaintBar();
}

void TzykTitleBarSection::SetAlign(TzykTitleBarAlign Value) {
  if (Value == zykClient) {
    bool taken = FAlign == zykClient;
    if (const TCollection* list = Collection())
      for (int i = 0; i < list->Count() && !taken; ++i)
        taken = static_cast<const TzykTitleBarSection*>(list->Items(i))->FAlign == zykClient;
    if (taken) {
      ShowSettingError(TitleBar(), "Sorry, only one section's Align property can be \"zykClient\"");
      return;
    }
    FStretch = true;
  }
  FAlign = Value;
  RepaintBar();
}

void TzykTitleBarSection::SetPicture(const TPicture* Value) {
  FPicture->Assign(Value);
  if (Value && FAutoSize)
    SetWidth(FPicture->Width());
  RepaintBar();
}

void TzykTitleBarSection::SetStretch(bool Value) {
  FStretch = Value || FAlign == zykClient;
  RepaintBar();
}

void TzykTitleBarSection::SetAutoSize(bool Value) {
  FAutoSize = Value;
  if (FPicture->HasGraphic())
    SetWidth(FPicture->Width());
  RepaintBar();
}

// ---- TzykTitleBarPopupMenu

const TClassInfo& TzykTitleBarPopupMenu::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TzykTitleBarPopupMenu>().Build();
  return Info;
}

TzykTitleBarPopupMenu::TzykTitleBarPopupMenu(TComponent* AOwner) : TzykPopupMenu(AOwner) {
  // The captions carry their own access keys.
  SetAutoHotkeys(maManual);
  const struct {
    int Caption;
    void (TzykTitleBarPopupMenu::*Action)();
  } entries[] = {{65273, &TzykTitleBarPopupMenu::Minimize},
                 {65274, &TzykTitleBarPopupMenu::MaximizeRestore},
                 {0, nullptr},
                 {65275, &TzykTitleBarPopupMenu::Close}};
  for (const auto& entry : entries) {
    auto* item = new TMenuItem(nullptr);
    Items()->Add(item);
    if (!entry.Action) {
      item->SetCaption("-");
      continue;
    }
    item->SetCaption(LoadStr(entry.Caption));
    item->OnClick = [this, action = entry.Action](TObject*) { (this->*action)(); };
  }
  HookMenuItems();
}

TzykTitleBarPopupMenu::~TzykTitleBarPopupMenu() = default;

void TzykTitleBarPopupMenu::Popup(int X, int Y) {
  bool minimize = false, maximize = false, close = false;
  if (FTitleBar)
    for (int i = 0; i < FTitleBar->Buttons()->Count(); ++i)
      switch (FTitleBar->Buttons()->Items(i)->ButtonType()) {
      case zykMin:
        minimize = true;
        break;
      case zykMax:
        maximize = true;
        break;
      case zykClose:
        close = true;
        break;
      default:
        break;
      }
  Items()->Items(MinimizeItem)->SetEnabled(minimize);
  Items()->Items(MaximizeItem)->SetEnabled(maximize);
  Items()->Items(CloseItem)->SetEnabled(close);
  TzykPopupMenu::Popup(X, Y);
}

void TzykTitleBarPopupMenu::Minimize() {
  if (TCustomForm* form = FTitleBar ? GetParentForm(FTitleBar) : nullptr)
    MinimizeForm(form);
}

void TzykTitleBarPopupMenu::MaximizeRestore() {
  if (!FTitleBar)
    return;
  for (int i = 0; i < FTitleBar->Buttons()->Count(); ++i)
    if (TzykTitleBarButton* button = FTitleBar->Buttons()->Items(i); button->ButtonType() == zykMax)
      button->DoClick();
}

void TzykTitleBarPopupMenu::Close() {
  if (TCustomForm* form = FTitleBar ? GetParentForm(FTitleBar) : nullptr)
    form->Close();
}

// ---- TzykTitleBar

const TClassInfo& TzykTitleBar::StaticClassInfo() {
  using T = TzykTitleBar;
  static const TClassInfo Info = TClassBuilder<T>()
                                     .Boolean("Custom", &T::Custom, &T::SetCustom)
                                     .Component("FileTheme", &T::FileTheme, &T::SetFileTheme)
                                     .Enum("UIStyle", &T::UIStyle, &T::SetUIStyle, TzykUIStyleInfo())
                                     .Boolean("AutoSize", &T::AutoSize, &T::SetAutoSize)
                                     .Enum("BiDiMode", &T::BiDiMode, &T::SetBiDiMode, BiDiModeInfo())
                                     .Default(bdLeftToRight)
                                     .Integer("Height", &T::Height, &T::SetHeight)
                                     .Collection("Sections", &T::Sections)
                                     .Collection("Buttons", &T::Buttons)
                                     .Integer("ButtonInterval", &T::ButtonInterval, &T::SetButtonInterval)
                                     .String("Caption", &T::Caption, &T::SetCaption)
                                     .Object("Font", &T::Font, &T::SetFont)
                                     .Boolean("FormActive", &T::FormActive, &T::SetFormActive)
                                     .Integer("LeftBtnXOffset", &T::LeftBtnXOffset, &T::SetLeftBtnXOffset)
                                     .Integer("RightBtnXOffset", &T::RightBtnXOffset, &T::SetRightBtnXOffset)
                                     .Boolean("DrawAppIcon", &T::DrawAppIcon, &T::SetDrawAppIcon)
                                     .Integer("RoundCorner", &T::RoundCorner, &T::SetRoundCorner)
                                     .Event("OnCustomBtnsClick", &T::OnCustomBtnsClick)
                                     .Event("OnHelpBtnClick", &T::OnHelpBtnClick)
                                     .Build();
  return Info;
}

TzykTitleBar::TzykTitleBar(TComponent* AOwner) : TCustomPanel(AOwner) {
  TControlStyle style = ControlStyle();
  style.Exclude(csAcceptsControls);
  style.Exclude(csSetCaption);
  SetControlStyle(style);
  FSystemMenu = new TzykTitleBarPopupMenu(this);
  FSystemMenu->SetTitleBar(this);
  FSections = std::make_unique<TzykTitleBarSections>(this);
  FButtons = std::make_unique<TzykTitleBarButtons>(this);
  for (TzykTitleBarBtnType type : {zykControlBox, zykClose, zykMax, zykMin})
    FButtons->Add()->SetButtonType(type);
  SetAlign(alTop);
  Font()->SetColor(clWhite);
  Font()->SetName("Tahoma");
  Font()->SetStyle(TFontStyles{fsBold});
  SetUIStyle(GetFormUIStyle(AOwner));
}

TzykTitleBar::~TzykTitleBar() {
  if (FFileTheme)
    FFileTheme->RemoveFreeNotification(this);
  FButtons.reset();
  FSections.reset();
  delete FSystemMenu;
}

void TzykTitleBar::ControlBoxMenuChanged(TPopupMenu* Previous, TPopupMenu* Menu) {
  if (Menu)
    Menu->FreeNotification(this);
  if (!Previous || Previous == FSystemMenu)
    return;
  for (int i = 0; i < FButtons->Count(); ++i)
    if (FButtons->Items(i)->ControlBoxMenu() == Previous)
      return;
  Previous->RemoveFreeNotification(this);
}

TzykTitleBarHost* TzykTitleBar::Host() const { return dynamic_cast<TzykTitleBarHost*>(Parent()); }

void TzykTitleBar::SetFileTheme(TzykFileTheme* Value) {
  if (FFileTheme != Value) {
    if (FFileTheme)
      FFileTheme->RemoveFreeNotification(this);
    FFileTheme = Value;
    if (FFileTheme)
      FFileTheme->FreeNotification(this);
  }
  // The caption colour is the form's to keep while a theme is handed round.
  FKeepCaptionColor = true;
  try {
    SetUIStyle(FUIStyle);
  } catch (...) {
    FKeepCaptionColor = false;
    throw;
  }
  FKeepCaptionColor = false;
}

void TzykTitleBar::SetUIStyle(TzykUIStyle Value) {
  FUIStyle = Value;
  if (!FCustom)
    ApplyLook();
  // Whether the rounded outline is drawn depends on the look even for a custom bar.
  Invalidate();
}

void TzykTitleBar::ApplyLook() {
  const TzykLook look(FFileTheme, FUIStyle);
  FSections->BeginUpdate();
  try {
    FSections->Clear();
    TzykTitleBarSection* left = FSections->Add();
    look.Picture(zteTitleBarLeftImage, left->Picture()->Bitmap());
    left->SetAutoSize(true);
    TzykTitleBarSection* right = FSections->Add();
    look.Picture(zteTitleBarRightImage, right->Picture()->Bitmap());
    right->SetAutoSize(true);
    right->SetAlign(zykRight);
    TzykTitleBarSection* client = FSections->Add();
    look.Picture(zteTitleBarClientImage, client->Picture()->Bitmap());
    client->SetAlign(zykClient);
  } catch (...) {
    FSections->EndUpdate();
    throw;
  }
  FSections->EndUpdate();

  SetLeftBtnXOffset(look.Int(zteTitleBarButtonLeftOffsetInt));
  SetRightBtnXOffset(look.Int(zteTitleBarButtonRightOffsetInt));
  FLookBorderColor = look.Color(zteFormBorderColor);
  TBitmap strip;
  look.Picture(zteTitleBarButtonImage, strip);
  FButtonPictureHeight = strip.Height();
  FCaptionTopOffset = look.Int(zteTitleBarButtonTopInt);
  if (TCustomForm* form = GetParentForm(this))
    form->Constraints()->SetMinWidth(look.Int(zteFormMinWidthInt));
  FRoundCorner = look.Int(zteFormRoundCornerInt);

  for (int i = 0; i < FButtons->Count(); ++i)
    FButtons->Items(i)->SetUIStyle(look.Style());
  if (FSystemMenu) {
    FSystemMenu->SetUIStyle(look.Style());
    FSystemMenu->SetFileTheme(FFileTheme);
  }

  if (Host())
    ApplyWindowRegion();

  if (!FKeepCaptionColor) {
    bool black = FUIStyle == MacOS;
    if (!black && look.FromFile())
      black = look.Int(zteControlFontColor) == ThemeBlackCaption;
    Font()->SetColor(black ? clBlack : clWhite);
  }
  SetAutoSize(true);
  Invalidate();
}

void TzykTitleBar::SetAutoSize(bool Value) {
  FAutoSize = Value;
  if (FSections->Count() == 0) {
    FAutoSize = false;
    return;
  }
  // A first section without a picture would fold the bar away; its height is left alone then.
  const TPicture* first = FSections->Items(0)->Picture();
  if (first->HasGraphic())
    SetHeight(first->Height());
}

void TzykTitleBar::SetButtonInterval(int Value) {
  FButtonInterval = Value;
  Invalidate();
}

void TzykTitleBar::SetCaption(const std::string& Value) {
  FCaption = Value;
  Invalidate();
}

void TzykTitleBar::SetFormActive(bool Value) {
  FFormActive = Value;
  Invalidate();
}

void TzykTitleBar::SetLeftBtnXOffset(int Value) {
  FLeftBtnXOffset = Value;
  Invalidate();
}

void TzykTitleBar::SetRightBtnXOffset(int Value) {
  FRightBtnXOffset = Value;
  Invalidate();
}

void TzykTitleBar::SetDrawAppIcon(bool Value) {
  FDrawAppIcon = Value;
  Invalidate();
}

void TzykTitleBar::SetRoundCorner(int Value) {
  FRoundCorner = Value;
  if (Host())
    ApplyWindowRegion();
  Invalidate();
}

void TzykTitleBar::RefreshMaxButtons() {
  for (int i = 0; i < FButtons->Count(); ++i)
    FButtons->Items(i)->RefreshMaxState();
}

void TzykTitleBar::ApplyWindowRegion() {
  TCustomForm* form = GetParentForm(this);
  // A form without a window yet gets its shape from the skinned form's first size change.
  if (!Host() || !form || !form->HandleAllocated())
    return;
  const TRect c = form->ClientRect();
  const int r = std::max(FRoundCorner, 0);
  // The platform's rounded rectangles leave out their right and bottom edges, as plain rectangles
  // do, so the shape is the client rectangle itself.
  HRGN region = CreateRoundRectRgn(c.Left, c.Top, c.Right, c.Bottom, r, r);
  for (HRGN corner : {CreateRectRgn(c.Left, c.Bottom - 2 * r, c.Left + 2 * r, c.Bottom),
                      CreateRectRgn(c.Right - 2 * r, c.Bottom - 2 * r, c.Right, c.Bottom)}) {
    CombineRgn(region, region, corner, RGN_OR);
    DeleteObject(corner);
  }
  if (ComponentState().Contains(csDesigning))
    DeleteObject(region);
  else
    SetWindowRgn(form->Handle(), region, 1);
}

// ---- Painting

void TzykTitleBar::Paint() {
  const int w = Width(), h = Height();
  if (w <= 0 || h <= 0)
    return;
  TBitmap buffer(w, h);
  TCanvas& canvas = buffer.Canvas();
  canvas.Brush().SetStyle(bsClear);
  canvas.SetFont(*Font());
  DrawSections(buffer);
  DrawButtons(buffer);
  if (FUIStyle != WinXP && FRoundCorner > 0 && Host()) {
    canvas.Pen().SetColor(FLookBorderColor);
    canvas.Brush().SetStyle(bsClear);
    canvas.RoundRect(-1, 0, w + 1, h + 50, FRoundCorner + 1, FRoundCorner);
  }
  Canvas().CopyRect(Rect(0, 0, w, h), canvas, Rect(0, 0, w, h));
}

namespace {

void DrawSectionPicture(TCanvas& Canvas, const TzykTitleBarSection& Section, const TRect& R) {
  const TPicture* picture = Section.Picture();
  if (!picture->HasGraphic())
    return;
  if (Section.Stretch()) {
    Canvas.StretchDraw(R, *picture->Graphic());
    return;
  }
  const TCanvasSaver saver(Canvas);
  Canvas.IntersectClipRect(R);
  Canvas.Draw(R.Left, R.Top, *picture->Graphic());
}

} // namespace

void TzykTitleBar::DrawSections(TBitmap& Buffer) {
  TCanvas& canvas = Buffer.Canvas();
  const int w = Buffer.Width(), h = Buffer.Height();
  int left = -1, right = w + 1;
  const TzykTitleBarSection* client = nullptr;
  for (int i = 0; i < FSections->Count(); ++i) {
    const TzykTitleBarSection& section = *FSections->Items(i);
    switch (section.Align()) {
    case zykLeft:
      DrawSectionPicture(canvas, section, Rect(left + 1, 0, left + 1 + section.Width(), h));
      left += section.Width();
      break;
    case zykRight:
      if (w - left >= section.Width()) {
        DrawSectionPicture(canvas, section, Rect(right - 1 - section.Width(), 0, right - 1, h));
        right -= section.Width();
      }
      break;
    case zykClient:
      client = &section;
      break;
    }
  }
  if (client)
    DrawSectionPicture(canvas, *client, Rect(left + 1, 0, right - 1, h));
}

void TzykTitleBar::DrawButtonPicture(TCanvas& Canvas, TBitmap& Scratch, const TzykTitleBarButton& Button, int Index,
                                     int X, const TPoint& Cursor) {
  const TPicture& normal = *Button.PicNormal();
  const int w = normal.Width(), h = normal.Height();
  const TPicture* shown = &normal;
  if (PointInRectInclusive(Cursor, Rect(X, Button.Top(), X + w, Button.Top() + h))) {
    FHotIndex = Index;
    shown = FMousePressed ? Button.PicMouseDown() : Button.PicMouseOn();
    // A state without a picture of its own shows the idle one.
    if (!shown->HasGraphic())
      shown = &normal;
  }
  if (w <= 0 || h <= 0 || !shown->HasGraphic())
    return;
  const TGraphic& graphic = *shown->Graphic();
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(&graphic)) {
    Scratch.Assign(*bitmap);
  } else {
    Scratch.Assign(nullptr);
    Scratch.SetSize(graphic.Width(), graphic.Height());
    Scratch.Canvas().Draw(0, 0, graphic);
  }
  Scratch.SetSize(w, h);
  Scratch.SetTransparentMode(tmAuto);
  Scratch.SetTransparent(Button.Transparent());
  Canvas.Draw(X, Button.Top(), Scratch);
}

void TzykTitleBar::DrawButtons(TBitmap& Buffer) {
  TCanvas& canvas = Buffer.Canvas();
  int x = Buffer.Width() + 1 + FRightBtnXOffset;
  FHotIndex = -1;
  TPoint cursor;
  GetCursorPos(&cursor);
  cursor = ScreenToClient(cursor);
  TBitmap scratch;
  const TzykTitleBarButton* box = nullptr;
  int boxIndex = -1;
  for (int i = 0; i < FButtons->Count(); ++i) {
    const TzykTitleBarButton& button = *FButtons->Items(i);
    if (!button.Visible())
      continue;
    if (button.ButtonType() == zykControlBox) {
      if (!box) {
        box = &button;
        boxIndex = i;
      }
      continue;
    }
    x -= button.PicNormal()->Width() + 1 + FButtonInterval;
    DrawButtonPicture(canvas, scratch, button, i, x, cursor);
  }

  int left = FLeftBtnXOffset;
  if (box) {
    const int w = box->PicNormal()->Width();
    if (!FDrawAppIcon) {
      DrawButtonPicture(canvas, scratch, *box, boxIndex, left, cursor);
      left += w + 5;
    } else {
      if (PointInRectInclusive(cursor, Rect(left, box->Top(), left + w, box->Top() + box->PicNormal()->Height())))
        FHotIndex = boxIndex;
      if (const std::unique_ptr<TIcon> icon = ApplicationIcon16())
        canvas.Draw(left + 3, box->Top(), *icon);
      left += 21;
    }
  }
  if (left == 0)
    left = 6;
  DrawCaption(canvas, left, x);
}

void TzykTitleBar::DrawCaption(TCanvas& Canvas, int Left, int Right) {
  Canvas.SetFont(*Font());
  if (!FFormActive)
    Canvas.Font().SetColor(clInactiveCaption);
  Canvas.Brush().SetStyle(bsClear);
  const int room = Right - Left;
  std::string text = FCaption;
  if (Canvas.TextWidth(text) > room) {
    while (!text.empty() && Canvas.TextWidth(text + "...") > room)
      DropLastCharacter(text);
    text += "...";
  }
  FDrawnCaption = text;
  FCaptionLeft = Left;
  FCaptionRoom = room;
  Canvas.TextOut(Left, (FButtonPictureHeight - Canvas.TextHeight(text)) / 2 + FCaptionTopOffset, text);
}

// ---- Input

void TzykTitleBar::PopupSystemMenu() {
  if (FSystemMenu)
    PopupBelow(*FSystemMenu, *this);
}

void TzykTitleBar::MouseMove(TShiftState Shift, int X, int Y) {
  const TControlTracker alive(this);
  TCustomPanel::MouseMove(Shift, X, Y);
  if (alive.Alive())
    Invalidate();
}

void TzykTitleBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const TControlTracker alive(this);
  TCustomPanel::MouseDown(Button, Shift, X, Y);
  if (!alive.Alive() || Button != mbLeft)
    return;
  FMousePressed = true;
  // Painting now finds the button under the pointer at the press.
  Repaint();
  TCustomForm* form = GetParentForm(this);
  if (FHotIndex == -1 && form && !IsMaximized(form)) {
    ReleaseCapture();
    SendMessage(form->Handle(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
    if (alive.Alive())
      FMousePressed = false;
  }
}

void TzykTitleBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const TControlTracker alive(this);
  TCustomPanel::MouseUp(Button, Shift, X, Y);
  if (!alive.Alive() || Button != mbLeft)
    return;
  // A move that came with the release has not been painted yet: find the button under the pointer
  // now, so the release never runs a button it has left.
  Repaint();
  if (FHotIndex >= 0 && FHotIndex < FButtons->Count()) {
    const int index = FHotIndex;
    TzykTitleBarButton* button = FButtons->Items(index);
    const TzykTitleBarBtnType type = button->ButtonType();
    if (type == zykControlBox && !button->ControlBoxMenu()) {
      PopupSystemMenu();
    } else {
      // The click may close and free the form, and the bar with it.
      button->DoClick();
      if (!alive.Alive())
        return;
      if (OnCustomBtnsClick && type == zykCustom)
        RaiseEvent(OnCustomBtnsClick, this, index);
      else if (OnHelpBtnClick && type == zykHelp)
        RaiseEvent(OnHelpBtnClick, this, index);
    }
    if (!alive.Alive())
      return;
  }
  FMousePressed = false;
  Repaint();
}

void TzykTitleBar::DblClick() {
  const TControlTracker alive(this);
  TCustomPanel::DblClick();
  if (!alive.Alive())
    return;
  if (FHotIndex == -1) {
    for (int i = 0; i < FButtons->Count(); ++i)
      if (FButtons->Items(i)->ButtonType() == zykMax) {
        FButtons->Items(i)->DoClick();
        return;
      }
    return;
  }
  if (FHotIndex < FButtons->Count() && FButtons->Items(FHotIndex)->ButtonType() == zykControlBox)
    if (TCustomForm* form = GetParentForm(this))
      form->Close();
}

void TzykTitleBar::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomPanel::Notification(AComponent, Operation);
  if (Operation != opRemove)
    return;
  if (AComponent == FSystemMenu)
    FSystemMenu = nullptr;
  if (FButtons)
    for (int i = 0; i < FButtons->Count(); ++i)
      if (TzykTitleBarButton* button = FButtons->Items(i); button->ControlBoxMenu() == AComponent)
        button->SetControlBoxMenu(nullptr);
  if (AComponent == FFileTheme) {
    FFileTheme = nullptr;
    SetUIStyle(DeepBlue);
  }
}

void TzykTitleBar::WndProc(TMessage& Message) {
  switch (Message.Msg) {
  case WM_ERASEBKGND:
    // The paint covers the whole bar; erasing first would only flicker.
    Message.Result = 1;
    return;
  case CM_FONTCHANGED:
  case CM_MOUSELEAVE: {
    const TControlTracker alive(this);
    TCustomPanel::WndProc(Message);
    if (alive.Alive())
      Invalidate();
    return;
  }
  case WM_NCHITTEST: {
    TCustomPanel::WndProc(Message);
    TCustomForm* form = GetParentForm(this);
    if (!form || IsMaximized(form))
      return;
    if (form->FormStyle() == fsMDIForm && Message.Result == HTCLIENT)
      Message.Result = HTTRANSPARENT;
    if (const TzykTitleBarHost* host = Host(); host && host->SavedBorderStyle() == bsSizeable) {
      const TPoint p = ScreenToClient({GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)});
      if (p.Y < ResizeEdge)
        Message.Result = p.X < ResizeEdge                           ? HTTOPLEFT
                         : p.X > form->ClientWidth() - ResizeEdge ? HTTOPRIGHT
                                                                    : HTTOP;
    }
    return;
  }
  case WM_NCMOUSEMOVE:
  case WM_NCLBUTTONDOWN:
  case WM_NCLBUTTONUP:
    // The form runs the non-client actions (resizing from the top edge) for the bar.
    if (TCustomForm* form = GetParentForm(this)) {
      Message.Result = SendMessage(form->Handle(), Message.Msg, Message.WParam, Message.LParam);
      return;
    }
    break;
  default:
    break;
  }
  TCustomPanel::WndProc(Message);
}

void RegisterZYKTitleBarClasses() { RegisterClasses({&TzykTitleBar::StaticClassInfo()}); }

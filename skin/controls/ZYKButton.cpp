#include "skin/controls/ZYKButton.h"

#include "platform/controls/Menus.h"
#include "platform/graphics/ImageList.h"
#include "platform/windows/Messages.h"
#include "skin/foundation/ZYKPublic.h"

#include <algorithm>

namespace {

// What a picture shows when its state picture could not be had.
constexpr int FallbackPictureWidth = 74;
constexpr int FallbackPictureHeight = 21;

bool IsPressKey(WORD Key) { return Key == VK_SPACE || Key == VK_RETURN; }

// Picture becomes what Graphic shows, at Graphic's size.
void CopyGraphic(TBitmap& Picture, const TGraphic& Graphic) {
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(&Graphic)) {
    Picture.Assign(*bitmap);
    return;
  }
  Picture.SetSize(Graphic.Width(), Graphic.Height());
  Picture.Canvas().Draw(0, 0, Graphic);
}

} // namespace

const TEnumInfo& ButtonLayoutInfo() {
  static const TEnumInfo Info("TButtonLayout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"});
  return Info;
}

// ---- TzykCustomButton

const TClassInfo& TzykCustomButton::StaticClassInfo() {
  using T = TzykCustomButton;
  static const TClassInfo Info = TClassBuilder<T>()
                                     .Enum("BiDiMode", &T::BiDiMode, &T::SetBiDiMode, BiDiModeInfo())
                                     .Default(bdLeftToRight)
                                     .Set("Anchors", &T::Anchors, &T::SetAnchors, AnchorInfo())
                                     .Default(TAnchors{akLeft, akTop})
                                     .Boolean("ParentColor", &T::ParentColor, &T::SetParentColor)
                                     .Default(true)
                                     .Object("Font", &T::Font, &T::SetFont)
                                     .Stored(&T::IsFontStored)
                                     .Component("PopupMenu", &T::PopupMenu, &T::SetPopupMenu)
                                     .Boolean("ShowHint", &T::ShowHint, &T::SetShowHint)
                                     .Default(false)
                                     .String("Caption", &T::Caption, &T::SetCaption)
                                     .Boolean("AutoSize", &T::AutoSize, &T::SetAutoSize)
                                     .Boolean("Visible", &T::Visible, &T::SetVisible)
                                     .Default(true)
                                     .Boolean("ParentShowHint", &T::ParentShowHint, &T::SetParentShowHint)
                                     .Default(true)
                                     .Boolean("ParentBiDiMode", &T::ParentBiDiMode, &T::SetParentBiDiMode)
                                     .Default(true)
                                     .Boolean("ParentFont", &T::ParentFont, &T::SetParentFont)
                                     .Default(true)
                                     .Boolean("TabStop", &T::TabStop, &T::SetTabStop)
                                     .Default(true)
                                     .BRIVO_INHERITED_EVENT(OnEnter)
                                     .BRIVO_INHERITED_EVENT(OnExit)
                                     .Build();
  return Info;
}

TzykCustomButton::TzykCustomButton(TComponent* AOwner) : TCustomControl(AOwner) {
  TControlStyle style = ControlStyle();
  style.Exclude(csDoubleClicks);
  style.Exclude(csAcceptsControls);
  SetControlStyle(style);
  SetTabStop(true);
  OnClick = nullptr;
  SetText("");
  SetUIStyle(GetFormUIStyle(AOwner));
}

TzykCustomButton::~TzykCustomButton() {
  FRepeatTimer.reset();
  if (FFileTheme)
    FFileTheme->RemoveFreeNotification(this);
}

void TzykCustomButton::SetAutoSize(bool Value) {
  FAutoSize = Value;
  UpdateAutoSize();
  Invalidate();
}

void TzykCustomButton::SetCaption(const std::string& Value) {
  FCaption = Value;
  SetText(Value);
  CaptionChanged();
  Invalidate();
}

void TzykCustomButton::TextChanged() {
  if (Text() != FCaption)
    SetCaption(Text());
}

void TzykCustomButton::SetDefault(bool Value) {
  FDefault = Value;
  if (!HandleAllocated())
    return;
  if (TCustomForm* form = GetParentForm(this))
    form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(form->ActiveControl()));
}

void TzykCustomButton::SetTransparent(bool Value) {
  FTransparent = Value;
  TransparentChanged();
  Invalidate();
}

void TzykCustomButton::SetUIStyle(TzykUIStyle Value) {
  FUIStyle = Value;
  UIStyleChanged();
  Invalidate();
}

void TzykCustomButton::SetFileTheme(TzykFileTheme* Value) {
  if (FFileTheme != Value) {
    if (FFileTheme)
      FFileTheme->RemoveFreeNotification(this);
    FFileTheme = Value;
    if (FFileTheme)
      FFileTheme->FreeNotification(this);
  }
  SetUIStyle(FUIStyle);
}

void TzykCustomButton::SetFocusedRectMargin(int Value) {
  FFocusedRectMargin = Value;
  Invalidate();
}

void TzykCustomButton::SetEnabled(bool Value) {
  TCustomControl::SetEnabled(Value);
  EnabledChanged();
  Invalidate();
}

void TzykCustomButton::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFileTheme) {
    FFileTheme = nullptr;
    SetUIStyle(DeepBlue);
  }
}

void TzykCustomButton::FontChanged() {
  Canvas().SetFont(*Font());
  Invalidate();
}

void TzykCustomButton::TransparentChanged() {
  FPictureTransparent = FTransparent;
  Invalidate();
}

void TzykCustomButton::UpdateAutoSize() {
  if (!FAutoSize)
    return;
  // Sized by the built-in picture even when a file theme is in force, as the buttons always were.
  TBitmap picture;
  LoadBuiltInBitmap(FUIStyle, zteButtonImage, &picture);
  if (picture.Height() == 0)
    picture.SetHeight(FallbackPictureHeight);
  if (picture.Width() == 0)
    picture.SetWidth(FallbackPictureWidth);
  SetHeight(picture.Height());
  SetWidth(picture.Width() / 3);
}

void TzykCustomButton::FetchLookFrame(TBitmap& Picture, int Frame) const {
  TzykUIStyle style;
  if (UsingFileTheme(FFileTheme, FUIStyle, style))
    FFileTheme->GetBitmapFrame(zteButtonImage, Picture, 3, Frame);
  else
    GetBuiltInBitmap(style, zteButtonImage, &Picture, 3, Frame);
}

void TzykCustomButton::StopRepeat() { FRepeatTimer.reset(); }

void TzykCustomButton::RepeatTick() { RaiseEvent(OnMouseContinuouslyDown, this); }

void TzykCustomButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    FIsMouseDown = true;
    if (!FRepeatTimer) {
      FRepeatTimer = std::make_unique<TTimer>(nullptr);
      FRepeatTimer->SetInterval(static_cast<unsigned>(std::max(FMouseContinuouslyDownInterval, 0)));
      FRepeatTimer->SetOnTimer([this](TObject*) { RepeatTick(); });
      FRepeatTimer->SetEnabled(true);
    }
    Invalidate();
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TzykCustomButton::MouseMove(TShiftState Shift, int X, int Y) {
  const TControlTracker alive(this);
  TCustomControl::MouseMove(Shift, X, Y);
  if (!alive.Alive())
    return;
  // The edges count as inside. The repeat timer keeps running: only leaving the control stops it.
  if (!PointInRectInclusive(X, Y, Rect(0, 0, Width(), Height()))) {
    FIsMouseOn = false;
    FIsMouseDown = false;
    Invalidate();
  }
}

void TzykCustomButton::KeyDown(WORD& Key, TShiftState Shift) {
  const TControlTracker alive(this);
  TCustomControl::KeyDown(Key, Shift);
  if (alive.Alive() && IsPressKey(Key) && Focused() && Enabled()) {
    FIsMouseDown = true;
    Invalidate();
  }
}

void TzykCustomButton::KeyUp(WORD& Key, TShiftState Shift) {
  const TControlTracker alive(this);
  TCustomControl::KeyUp(Key, Shift);
  if (alive.Alive() && IsPressKey(Key) && Focused() && FIsMouseDown && Enabled()) {
    FIsMouseDown = false;
    Invalidate();
    Click();
  }
}

void TzykCustomButton::Click() {
  if (FIsMouseDown) {
    StopRepeat();
    FIsMouseDown = false;
    Invalidate();
  }
  const TControlTracker alive(this);
  if (TabStop() && CanFocus() && Enabled())
    SetFocus();
  // The focus change runs enter and exit handlers, which may free the button.
  if (!alive.Alive())
    return;
  if (Parent())
    if (TCustomForm* form = GetParentForm(this))
      form->SetModalResult(FModalResult);
  TCustomControl::Click();
}

void TzykCustomButton::WndProc(TMessage& Message) {
  const TControlTracker alive(this);
  switch (Message.Msg) {
  case CM_MOUSEENTER:
    if (ComponentState().Contains(csDesigning))
      return;
    FIsMouseOn = true;
    Invalidate();
    RaiseEvent(OnMouseEnter, this);
    return;
  case CM_MOUSELEAVE:
    FIsMouseOn = false;
    FIsMouseDown = false;
    StopRepeat();
    Invalidate();
    RaiseEvent(OnMouseExit, this);
    return;
  case CM_DIALOGKEY: {
    const WPARAM key = Message.WParam;
    if (((key == VK_RETURN && FDefault) || (key == VK_ESCAPE && FCancel)) && KeyboardShiftState().Empty() &&
        CanFocus()) {
      Click();
      Message.Result = 1;
      return;
    }
    break;
  }
  case CM_DIALOGCHAR:
    TCustomControl::WndProc(Message);
    if (!alive.Alive() || Message.Result != 0)
      return;
    if (IsAccel(static_cast<char32_t>(Message.WParam), FCaption) && Enabled()) {
      Click();
      Message.Result = 1;
    }
    return;
  case WM_SETFOCUS:
  case WM_KILLFOCUS:
  case CM_FOCUSCHANGED:
    TCustomControl::WndProc(Message);
    if (alive.Alive())
      Invalidate();
    return;
  case CM_FONTCHANGED:
    TCustomControl::WndProc(Message);
    if (alive.Alive())
      FontChanged();
    return;
  case WM_ERASEBKGND:
    // The paint covers the whole client area; erasing first would only flicker.
    Message.Result = 1;
    return;
  default:
    break;
  }
  TCustomControl::WndProc(Message);
}

void TzykCustomButton::FetchStatePicture(TBitmap& Picture) {
  try {
    if (!Enabled())
      PaintButtonDisabled(Picture);
    else if (FIsMouseDown)
      PaintButtonMouseDown(Picture);
    else if (FIsMouseOn)
      PaintButtonMouseOn(Picture);
    else
      PaintButtonNormal(Picture);
  } catch (const std::exception&) {
    // A missing or broken picture must never stop the painting.
    Picture.Assign(nullptr);
    Picture.SetSize(FallbackPictureWidth, FallbackPictureHeight);
  }
}

void TzykCustomButton::Paint() {
  TBitmap buffer;
  TBitmap picture;
  FetchStatePicture(picture);
  picture.SetTransparent(FPictureTransparent);
  buffer.SetSize(Width(), Height());
  TCanvas& canvas = buffer.Canvas();
  if (FTransparent) {
    PaintParentBackground(canvas, this);
  } else {
    canvas.Brush().SetColor(Color());
    canvas.FillRect(ClientRect());
  }
  PaintPicture(canvas, picture);
  picture.Assign(nullptr);
  if (Focused() && TabStop())
    PaintFocus(canvas);
  canvas.SetFont(*Font());
  Canvas().SetFont(*Font());
  // A caption of blanks and control characters only is not drawn at all.
  if (std::any_of(FCaption.begin(), FCaption.end(), [](char c) { return static_cast<unsigned char>(c) > ' '; }))
    PaintText(canvas, FCaption);
  Canvas().CopyRect(ClientRect(), canvas, ClientRect());
}

void TzykCustomButton::PaintPicture(TCanvas& Canvas, TBitmap& Picture) {
  if (Picture.Width() == 0 || Picture.Height() == 0)
    return;
  TImageList images(nullptr, Picture.Width(), Picture.Height());
  if (FPictureTransparent)
    images.AddMasked(Picture, PixelToColor(Picture.Pixels().At(0, 0)));
  else
    images.Add(Picture);
  images.Draw(Canvas, 0, 0, 0, Enabled());
}

void TzykCustomButton::PaintFocus(TCanvas& Canvas) {
  const int m = FFocusedRectMargin;
  Canvas.Brush().SetStyle(bsSolid);
  Canvas.DrawFocusRect(Rect(m, m, ClientWidth() - m, ClientHeight() - m));
}

void TzykCustomButton::DrawCaption(TCanvas& Canvas, const std::string& Caption, TRect R, unsigned Flags) {
  if (!Enabled()) {
    TRect shadow = OffsetRect(R, 1, 1);
    Canvas.Font().SetColor(clWhite);
    Canvas.DrawText(Caption, shadow, Flags);
    Canvas.Font().SetColor(clGray);
    Canvas.DrawText(Caption, R, Flags);
    return;
  }
  if (FIsMouseDown)
    R = OffsetRect(R, 1, 1);
  Canvas.DrawText(Caption, R, Flags);
}

void TzykCustomButton::PaintText(TCanvas& Canvas, const std::string& Caption) {
  Canvas.Brush().SetStyle(bsClear);
  Canvas.SetFont(*Font());
  if (FBoldCaption)
    Canvas.Font().SetStyle(Canvas.Font().Style() + TFontStyles{fsBold});
  DrawCaption(Canvas, Caption, ClientRect(), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  FBoldCaption = false;
}

namespace {

// The run of properties, and the events, that both buttons publish in the same order.
template <class T>
void PublishCaptionToAutoSize(TClassBuilder<T>& Builder) {
  Builder.String("Caption", &T::Caption, &T::SetCaption)
      .Object("Font", &T::Font, &T::SetFont)
      .Stored(&T::IsFontStored)
      .Boolean("Enabled", &T::Enabled, &T::SetEnabled)
      .Default(true)
      .Integer("TabOrder", &T::TabOrder, &T::SetTabOrder)
      .Boolean("Transparent", &T::Transparent, &T::SetTransparent)
      .Integer("ModalResult", &T::ModalResult, &T::SetModalResult)
      .Boolean("AutoSize", &T::AutoSize, &T::SetAutoSize);
}

template <class T>
void PublishEvents(TClassBuilder<T>& Builder) {
  Builder.BRIVO_INHERITED_EVENT(OnClick)
      .BRIVO_INHERITED_EVENT(OnMouseMove)
      .BRIVO_INHERITED_EVENT(OnMouseDown)
      .BRIVO_INHERITED_EVENT(OnMouseUp)
      .BRIVO_INHERITED_EVENT(OnKeyDown)
      .BRIVO_INHERITED_EVENT(OnKeyUp)
      .BRIVO_INHERITED_EVENT(OnKeyPress)
      .BRIVO_INHERITED_EVENT(OnMouseEnter)
      .BRIVO_INHERITED_EVENT(OnMouseExit)
      .BRIVO_INHERITED_EVENT(OnMouseContinuouslyDown);
}

} // namespace

// ---- TzykButton

const TClassInfo& TzykButton::StaticClassInfo() {
  using T = TzykButton;
  static const TClassInfo Info = [] {
    TClassBuilder<T> b;
    b.Component("FileTheme", &T::FileTheme, &T::SetFileTheme)
        .Enum("UIStyle", &T::UIStyle, &T::SetUIStyle, TzykUIStyleInfo())
        .Boolean("Cancel", &T::Cancel, &T::SetCancel)
        .Default(false)
        .Boolean("Default", &T::Default, &T::SetDefault)
        .Default(false);
    PublishCaptionToAutoSize(b);
    b.Integer("FocusedRectMargin", &T::FocusedRectMargin, &T::SetFocusedRectMargin)
        .Object("Glyph", &T::Glyph, &T::SetGlyph)
        .Enum("Layout", &T::Layout, &T::SetLayout, ButtonLayoutInfo())
        .Integer("Spacing", &T::Spacing, &T::SetSpacing)
        .Integer("MouseContinuouslyDownInterval", &T::MouseContinuouslyDownInterval,
                 &T::SetMouseContinuouslyDownInterval);
    PublishEvents(b);
    b.Integer("ResHandle", &T::ResHandle, &T::SetResHandle);
    return b.Build();
  }();
  return Info;
}

TzykButton::TzykButton(TComponent* AOwner) : TzykCustomButton(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  // A stored form writes the glyph's data straight into it.
  FGlyph->OnChange = [this](TObject*) { Invalidate(); };
  SetBounds(Left(), Top(), 80, 27);
  // The base constructor applied the look before this class's part of it existed.
  UIStyleChanged();
}

TzykButton::~TzykButton() = default;

void TzykButton::SetGlyph(TBitmap* Value) {
  if (Value)
    FGlyph->Assign(*Value);
  else
    FGlyph->Assign(nullptr);
  Invalidate();
}

void TzykButton::SetLayout(TButtonLayout Value) {
  FLayout = Value;
  Invalidate();
}

void TzykButton::SetSpacing(int Value) {
  FSpacing = Value;
  Invalidate();
}

void TzykButton::UIStyleChanged() {
  TzykUIStyle style;
  const bool transparent = UsingFileTheme(FileTheme(), UIStyle(), style) ? FileTheme()->GetBool(zteButtonTransparentBool)
                                                                         : GetBuiltInBool(style, zteButtonTransparentBool);
  SetTransparent(transparent);
}

void TzykButton::PaintPicture(TCanvas& Canvas, TBitmap& Picture) {
  Canvas.SetFont(*Font());
  DrawNineSliceFace(Picture, Canvas, ClientRect(), FPictureTransparent);
  if (!FGlyph->Empty())
    PaintGlyph(Canvas);
}

void TzykButton::PaintGlyph(TCanvas& Canvas) {
  const int TW = Canvas.TextWidth(Caption()), TH = Canvas.TextHeight(Caption());
  int GW = FGlyph->Width();
  const int GH = FGlyph->Height();
  const bool twoImages = GW == 2 * GH;
  if (twoImages)
    GW = GH;
  const int W = Width(), H = Height();
  int GX = 0, GY = 0;
  // C++ division truncates toward zero, as the layout wants for content wider than the button.
  switch (FLayout) {
  case blGlyphLeft:
    GX = (W - (TW + GW + FSpacing)) / 2;
    GY = (H - GH) / 2;
    FTextOrigin = {GX + GW + FSpacing, (H - TH) / 2};
    break;
  case blGlyphRight:
    GX = (W + TW + FSpacing - GW) / 2;
    GY = (H - GH) / 2;
    FTextOrigin = {GX - TW - FSpacing, (H - TH) / 2};
    break;
  case blGlyphTop:
    GX = (W - GW) / 2;
    GY = (H - (TH + GH + FSpacing)) / 2;
    FTextOrigin = {(W - TW) / 2, GY + GH + FSpacing};
    break;
  case blGlyphBottom:
    GX = (W - GW) / 2;
    GY = (H + TH + FSpacing - GH) / 2;
    FTextOrigin = {(W - TW) / 2, GY - TH - FSpacing};
    break;
  }
  if (IsMouseDown()) {
    ++GX;
    ++GY;
  }
  TImageList images(nullptr, GW, GH);
  images.AddMasked(*FGlyph, PixelToColor(FGlyph->Pixels().At(0, 0)));
  if (twoImages)
    images.Draw(Canvas, GX, GY, Enabled() ? 0 : 1);
  else
    images.Draw(Canvas, GX, GY, 0, Enabled());
}

void TzykButton::PaintText(TCanvas& Canvas, const std::string& Caption) {
  if (FGlyph->Empty()) {
    TzykCustomButton::PaintText(Canvas, Caption);
    return;
  }
  Canvas.Brush().SetStyle(bsClear);
  Canvas.SetFont(*Font());
  if (Enabled() && IsMouseDown())
    FTextOrigin = {FTextOrigin.X + 1, FTextOrigin.Y + 1};
  TRect r = Rect(FTextOrigin.X, FTextOrigin.Y, Width(), Height());
  if (Enabled())
    Canvas.DrawText(Caption, r, DT_SINGLELINE);
  else
    DrawCaption(Canvas, Caption, r, DT_SINGLELINE);
}

void TzykButton::PaintFocus(TCanvas& Canvas) {
  if (UIStyle() == MacOS || UIStyle() == BlueGlass) {
    FBoldCaption = true;
    return;
  }
  TzykCustomButton::PaintFocus(Canvas);
}

void TzykButton::ActionImageChanged(const TImageList* Images, int ImageIndex) {
  if (!FGlyph->Empty() || !Images || ImageIndex < 0 || ImageIndex >= Images->Count())
    return;
  Images->GetBitmap(ImageIndex, *FGlyph);
  Invalidate();
}

// ---- TzykImageButton

const TClassInfo& TzykImageButton::StaticClassInfo() {
  using T = TzykImageButton;
  static const TClassInfo Info = [] {
    TClassBuilder<T> b;
    b.Enum("UIStyle", &T::UIStyle, &T::SetUIStyle, TzykUIStyleInfo())
        .Boolean("DrawFocused", &T::DrawFocused, &T::SetDrawFocused)
        .Default(false)
        .Integer("FocusedRectMargin", &T::FocusedRectMargin, &T::SetFocusedRectMargin)
        .Object("PicNormal", &T::PicNormal, &T::SetPicNormal)
        .Object("PicMouseOn", &T::PicMouseOn, &T::SetPicMouseOn)
        .Object("PicMouseDown", &T::PicMouseDown, &T::SetPicMouseDown)
        .Object("PicDisabled", &T::PicDisabled, &T::SetPicDisabled)
        .Boolean("Stretch", &T::Stretch, &T::SetStretch)
        .Default(false)
        .Boolean("Cancel", &T::Cancel, &T::SetCancel)
        .Default(false)
        .Boolean("Default", &T::Default, &T::SetDefault)
        .Default(false)
        .Integer("MouseContinuouslyDownInterval", &T::MouseContinuouslyDownInterval,
                 &T::SetMouseContinuouslyDownInterval);
    PublishCaptionToAutoSize(b);
    PublishEvents(b);
    return b.Build();
  }();
  return Info;
}

TzykImageButton::TzykImageButton(TComponent* AOwner)
    : TzykCustomButton(AOwner), FPicNormal(std::make_unique<TPicture>()), FPicMouseOn(std::make_unique<TPicture>()),
      FPicMouseDown(std::make_unique<TPicture>()), FPicDisabled(std::make_unique<TPicture>()) {
  // A stored form writes the pictures' data straight into them.
  for (TPicture* picture : {FPicNormal.get(), FPicMouseOn.get(), FPicMouseDown.get(), FPicDisabled.get()})
    picture->OnChange = [this](TObject*) { Invalidate(); };
}

TzykImageButton::~TzykImageButton() = default;

void TzykImageButton::SetStatePicture(TPicture& Target, const TPicture* Value) {
  Target.Assign(Value);
  UpdateAutoSize();
  Invalidate();
}

void TzykImageButton::SetStretch(bool Value) {
  FStretch = Value;
  Invalidate();
}

void TzykImageButton::SetDrawFocused(bool Value) {
  FDrawFocused = Value;
  Invalidate();
}

void TzykImageButton::SetParent(TWinControl* AParent) {
  TzykCustomButton::SetParent(AParent);
  UpdateAutoSize();
}

void TzykImageButton::UpdateAutoSize() {
  if (!Parent() || !AutoSize() || !FPicNormal->HasGraphic())
    return;
  SetHeight(FPicNormal->Height());
  SetWidth(FPicNormal->Width());
}

void TzykImageButton::FetchPicture(TBitmap& Picture, const TPicture& First) const {
  if (First.HasGraphic())
    CopyGraphic(Picture, *First.Graphic());
  else if (FPicNormal->HasGraphic())
    CopyGraphic(Picture, *FPicNormal->Graphic());
}

void TzykImageButton::PaintButtonNormal(TBitmap& Picture) { FetchPicture(Picture, *FPicNormal); }
void TzykImageButton::PaintButtonMouseOn(TBitmap& Picture) { FetchPicture(Picture, *FPicMouseOn); }
void TzykImageButton::PaintButtonMouseDown(TBitmap& Picture) { FetchPicture(Picture, *FPicMouseDown); }
void TzykImageButton::PaintButtonDisabled(TBitmap& Picture) { FetchPicture(Picture, *FPicDisabled); }

void TzykImageButton::PaintPicture(TCanvas& Canvas, TBitmap& Picture) {
  if (Picture.Width() == 0 || Picture.Height() == 0)
    return;
  Picture.SetTransparentColor(PixelToColor(Picture.Pixels().At(0, 0)));
  if (FStretch)
    Canvas.StretchDraw(Rect(0, 0, Width(), Height()), Picture);
  else
    Canvas.Draw(0, 0, Picture);
}

void TzykImageButton::PaintFocus(TCanvas& Canvas) {
  if (FDrawFocused)
    TzykCustomButton::PaintFocus(Canvas);
}

void RegisterZYKButtonClasses() {
  RegisterClasses({&TzykButton::StaticClassInfo(), &TzykImageButton::StaticClassInfo()});
}

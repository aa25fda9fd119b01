#include "skin/controls/ZYKImagePanel.h"

#include "platform/controls/Menus.h"
#include "platform/graphics/Bitmap.h"
#include "platform/windows/Messages.h"
#include "skin/foundation/ZYKPublic.h"

const TEnumInfo& TzykDrawStyleInfo() {
  static const TEnumInfo Info("TzykDrawStyle", {"zykNormal", "zykStretch", "zykTile"});
  return Info;
}

const TClassInfo& TzykCustomPanel::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TzykCustomPanel>().Build();
  return Info;
}

const TClassInfo& TzykImagePanel::StaticClassInfo() {
  using T = TzykImagePanel;
  static const TClassInfo Info = TClassBuilder<TzykImagePanel>()
                                     .Enum("BiDiMode", &T::BiDiMode, &T::SetBiDiMode, BiDiModeInfo())
                                     .Default(bdLeftToRight)
                                     .Integer("BorderWidth", &T::BorderWidth, &T::SetBorderWidth)
                                     .Default(0)
                                     .Set("Anchors", &T::Anchors, &T::SetAnchors, AnchorInfo())
                                     .Default(TAnchors{akLeft, akTop})
                                     .Object("Picture", &T::Picture, &T::SetPicture)
                                     .Boolean("Transparent", &T::Transparent, &T::SetTransparent)
                                     .Default(false)
                                     .Boolean("AutoSize", &T::AutoSize, &T::SetAutoSize)
                                     .Enum("Alignment", &T::Alignment, &T::SetAlignment, AlignmentInfo())
                                     .Default(taCenter)
                                     .Enum("Align", &T::Align, &T::SetAlign, AlignInfo())
                                     .Default(alNone)
                                     .Object("Font", &T::Font, &T::SetFont)
                                     .Stored(&T::IsFontStored)
                                     .Boolean("TabStop", &T::TabStop, &T::SetTabStop)
                                     .Default(false)
                                     .Integer("TabOrder", &T::TabOrder, &T::SetTabOrder)
                                     .String("Caption", &T::Caption, &T::SetCaption)
                                     .Color("Color", &T::Color, &T::SetColor)
                                     .Stored(&T::IsColorStored)
                                     .Enum("DrawStyle", &T::DrawStyle, &T::SetDrawStyle, TzykDrawStyleInfo())
                                     .Boolean("Visible", &T::Visible, &T::SetVisible)
                                     .Default(true)
                                     .Component("PopupMenu", &T::PopupMenu, &T::SetPopupMenu)
                                     .BRIVO_INHERITED_EVENT(OnCanResize)
                                     .BRIVO_INHERITED_EVENT(OnClick)
                                     .BRIVO_INHERITED_EVENT(OnDblClick)
                                     .BRIVO_INHERITED_EVENT(OnDragDrop)
                                     .BRIVO_INHERITED_EVENT(OnDragOver)
                                     .BRIVO_INHERITED_EVENT(OnEndDock)
                                     .BRIVO_INHERITED_EVENT(OnEndDrag)
                                     .BRIVO_INHERITED_EVENT(OnEnter)
                                     .BRIVO_INHERITED_EVENT(OnExit)
                                     .BRIVO_INHERITED_EVENT(OnMouseDown)
                                     .BRIVO_INHERITED_EVENT(OnMouseMove)
                                     .BRIVO_INHERITED_EVENT(OnMouseUp)
                                     .BRIVO_INHERITED_EVENT(OnResize)
                                     .BRIVO_INHERITED_EVENT(OnStartDock)
                                     .BRIVO_INHERITED_EVENT(OnStartDrag)
                                     .Build();
  return Info;
}

void RegisterZYKImagePanelClasses() { RegisterClass(TzykImagePanel::StaticClassInfo()); }

TzykCustomPanel::TzykCustomPanel(TComponent* AOwner)
    : TCustomPanel(AOwner), FPicture(std::make_unique<TPicture>()) {
  FPicture->OnChange = [this](TObject* Sender) { PictureChanged(Sender); };
  SetBevelInner(bvNone);
  SetBevelOuter(bvNone);
  Invalidate();
}

TzykCustomPanel::~TzykCustomPanel() {
  // The picture's notification must not reach a panel that is half destroyed.
  FPicture->OnChange = nullptr;
}

void TzykCustomPanel::SetPicture(TPicture* Value) {
  FPicture->Assign(Value);
  ClearBackground();
  Invalidate();
}

void TzykCustomPanel::SetDrawStyle(TzykDrawStyle Value) {
  FDrawStyle = Value;
  ClearBackground();
  Invalidate();
}

// A picture holding a graphic of no width or height still sizes the panel: a thumb of no length
// keeps its thickness.
void TzykCustomPanel::SetAutoSize(bool Value) {
  FAutoSize = Value;
  if (FPicture->Graphic())
    ApplyAutoSize();
}

void TzykCustomPanel::SetTransparent(bool Value) {
  FTransparent = Value;
  if (FPicture->Graphic())
    ApplyTransparency();
  Invalidate();
}

void TzykCustomPanel::PictureChanged(TObject*) {
  if (FPicture->Graphic()) {
    ApplyAutoSize();
    ApplyTransparency();
  }
  ClearBackground();
  Invalidate();
}

void TzykCustomPanel::ApplyAutoSize() {
  if (!FAutoSize)
    return;
  const TAlign align = Align();
  if (align != alTop && align != alBottom && align != alClient)
    SetWidth(FPicture->Width());
  if (align != alLeft && align != alRight && align != alClient)
    SetHeight(FPicture->Height());
}

void TzykCustomPanel::ApplyTransparency() {
  TGraphic* graphic = FPicture->Graphic();
  if (graphic->Transparent() != FTransparent)
    graphic->SetTransparent(FTransparent);
}

// Panels hosted in a foreign window would fill their client area here as well; our message layer
// has no such hosting, so only the brush is prepared.
void TzykCustomPanel::ClearBackground() { Canvas().Brush().SetColor(Color()); }

void TzykCustomPanel::CaptionChanged(const TRect&) {}

void TzykCustomPanel::TextChanged() { CaptionChanged(FCaptionRect); }

void TzykCustomPanel::Resize() {
  TCustomPanel::Resize();
  Invalidate();
}

void TzykCustomPanel::WndProc(TMessage& Message) {
  if (Message.Msg == WM_ERASEBKGND) {
    Message.Result = 1;
    return;
  }
  TCustomPanel::WndProc(Message);
}

namespace {

// What trimming leaves nothing of: spaces and control characters only.
bool IsBlank(const std::string& Text) {
  for (const char c : Text)
    if (static_cast<unsigned char>(c) > ' ')
      return false;
  return true;
}

} // namespace

void TzykCustomPanel::Paint() {
  const TRect client = ClientRect();
  TBitmap buffer(Width(), Height());
  TCanvas& canvas = buffer.Canvas();
  if (FTransparent)
    PaintParentBackground(canvas, this);
  if (FPicture->HasGraphic()) {
    const TGraphic& graphic = *FPicture->Graphic();
    switch (FDrawStyle) {
    case zykStretch:
      canvas.StretchDraw(client, graphic);
      break;
    case zykTile:
      TileGraphic(canvas, graphic, client);
      break;
    case zykNormal:
      canvas.Draw(0, 0, graphic);
      break;
    }
  } else if (!FTransparent) {
    canvas.Brush().SetColor(Color());
    canvas.FillRect(client);
  }
  canvas.Brush().SetStyle(bsClear);
  if (!IsBlank(Caption())) {
    canvas.SetFont(*Font());
    const unsigned align = Alignment() == taLeftJustify ? DT_LEFT : Alignment() == taRightJustify ? DT_RIGHT : DT_CENTER;
    TRect r = client;
    canvas.DrawText(Caption(), r, DT_SINGLELINE | DT_VCENTER | align);
    FCaptionRect = client;
  }
  Canvas().Draw(0, 0, buffer);
}

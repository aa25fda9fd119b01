#include "platform/controls/Panel.h"

#include "platform/controls/Menus.h"

#include <algorithm>

const TEnumInfo& BevelCutInfo() {
  static const TEnumInfo Info("TBevelCut", {"bvNone", "bvLowered", "bvRaised", "bvSpace"});
  return Info;
}

const TEnumInfo& AlignmentInfo() {
  static const TEnumInfo Info("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"});
  return Info;
}

void Frame3D(TCanvas& Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width) {
  Canvas.Pen().SetWidth(1);
  Canvas.Pen().SetStyle(psSolid);
  --Rect.Bottom;
  --Rect.Right;
  for (; Width > 0; --Width) {
    // Top colour: the left edge upwards, then the top edge; bottom colour: the right edge
    // downwards, then the bottom edge back to the left corner (which it covers).
    Canvas.Pen().SetColor(TopColor);
    Canvas.MoveTo(Rect.Left, Rect.Bottom);
    Canvas.LineTo(Rect.Left, Rect.Top);
    Canvas.LineTo(Rect.Right, Rect.Top);
    Canvas.Pen().SetColor(BottomColor);
    Canvas.LineTo(Rect.Right, Rect.Bottom);
    Canvas.LineTo(Rect.Left - 1, Rect.Bottom);
    Rect = InflateRect(Rect, -1, -1);
  }
  ++Rect.Bottom;
  ++Rect.Right;
}

const TClassInfo& TCustomPanel::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TCustomPanel>().Build();
  return Info;
}

const TClassInfo& TPanel::StaticClassInfo() {
  using T = TPanel;
  static const TClassInfo Info = TClassBuilder<TPanel>()
                                     .Enum("Align", &T::Align, &T::SetAlign, AlignInfo())
                                     .Default(alNone)
                                     .Enum("Alignment", &T::Alignment, &T::SetAlignment, AlignmentInfo())
                                     .Default(taCenter)
                                     .Set("Anchors", &T::Anchors, &T::SetAnchors, AnchorInfo())
                                     .Default(TAnchors{akLeft, akTop})
                                     .Enum("BevelInner", &T::BevelInner, &T::SetBevelInner, BevelCutInfo())
                                     .Default(bvNone)
                                     .Enum("BevelOuter", &T::BevelOuter, &T::SetBevelOuter, BevelCutInfo())
                                     .Default(bvRaised)
                                     .Integer("BevelWidth", &T::BevelWidth, &T::SetBevelWidth)
                                     .Default(1)
                                     .Enum("BiDiMode", &T::BiDiMode, &T::SetBiDiMode, BiDiModeInfo())
                                     .Default(bdLeftToRight)
                                     .Integer("BorderWidth", &T::BorderWidth, &T::SetBorderWidth)
                                     .Default(0)
                                     .String("Caption", &T::Caption, &T::SetCaption)
                                     .Color("Color", &T::Color, &T::SetColor)
                                     .Stored(&T::IsColorStored)
                                     .Object("Constraints", &T::Constraints, &T::SetConstraints)
                                     .Integer("DragCursor", &T::DragCursor, &T::SetDragCursor)
                                     .Default(crDrag)
                                     .Idents(CursorIdentKind)
                                     .Enum("DragKind", &T::DragKind, &T::SetDragKind, DragKindInfo())
                                     .Default(dkDrag)
                                     .Enum("DragMode", &T::DragMode, &T::SetDragMode, DragModeInfo())
                                     .Default(dmManual)
                                     .Boolean("Enabled", &T::Enabled, &T::SetEnabled)
                                     .Default(true)
                                     .Boolean("FullRepaint", &T::FullRepaint, &T::SetFullRepaint)
                                     .Default(true)
                                     .Object("Font", &T::Font, &T::SetFont)
                                     .Stored(&T::IsFontStored)
                                     .Boolean("ParentBiDiMode", &T::ParentBiDiMode, &T::SetParentBiDiMode)
                                     .Default(true)
                                     .Boolean("ParentColor", &T::ParentColor, &T::SetParentColor)
                                     .Default(true)
                                     .Boolean("ParentFont", &T::ParentFont, &T::SetParentFont)
                                     .Default(true)
                                     .Boolean("ParentShowHint", &T::ParentShowHint, &T::SetParentShowHint)
                                     .Default(true)
                                     .Component("PopupMenu", &T::PopupMenu, &T::SetPopupMenu)
                                     .Boolean("ShowHint", &T::ShowHint, &T::SetShowHint)
                                     .Default(false)
                                     .Integer("TabOrder", &T::TabOrder, &T::SetTabOrder)
                                     .Boolean("TabStop", &T::TabStop, &T::SetTabStop)
                                     .Default(false)
                                     .Boolean("Visible", &T::Visible, &T::SetVisible)
                                     .Default(true)
                                     .BRIVO_INHERITED_EVENT(OnCanResize)
                                     .BRIVO_INHERITED_EVENT(OnClick)
                                     .BRIVO_INHERITED_EVENT(OnContextPopup)
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

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks,
                   csReplicatable};
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

void TCustomPanel::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut Value) {
  FBevelInner = Value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut Value) {
  FBevelOuter = Value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelWidth(int Value) {
  FBevelWidth = std::max(Value, 1);
  Realign();
  Invalidate();
}

void TCustomPanel::AdjustClientRect(TRect& Rect) const {
  TCustomControl::AdjustClientRect(Rect);
  int bevel = 0;
  if (FBevelOuter != bvNone)
    bevel += FBevelWidth;
  if (FBevelInner != bvNone)
    bevel += FBevelWidth;
  Rect = InflateRect(Rect, -bevel, -bevel);
}

void TCustomPanel::Paint() {
  TCanvas& canvas = Canvas();
  TRect r = ClientRect();
  auto bevelColors = [](TBevelCut Bevel, TColor& Top, TColor& Bottom) {
    Top = Bevel == bvLowered ? clBtnShadow : clBtnHighlight;
    Bottom = Bevel == bvLowered ? clBtnHighlight : clBtnShadow;
  };
  TColor top = clBtnHighlight;
  TColor bottom = clBtnShadow;
  if (FBevelOuter != bvNone) {
    bevelColors(FBevelOuter, top, bottom);
    Frame3D(canvas, r, top, bottom, FBevelWidth);
  }
  Frame3D(canvas, r, Color(), Color(), BorderWidth());
  if (FBevelInner != bvNone) {
    bevelColors(FBevelInner, top, bottom);
    Frame3D(canvas, r, top, bottom, FBevelWidth);
  }
  canvas.Brush().SetColor(Color());
  canvas.FillRect(r);
  canvas.Brush().SetStyle(bsClear);
  canvas.SetFont(*Font());
  const int fontHeight = canvas.TextHeight("W");
  r.Top = (r.Bottom + r.Top - fontHeight) / 2;
  r.Bottom = r.Top + fontHeight;
  const unsigned align = FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT;
  canvas.DrawText(Caption(), r, DT_VCENTER | align);
}

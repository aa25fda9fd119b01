#include "platform/controls/Label.h"

#include "platform/controls/Menus.h"

#include <algorithm>

const TEnumInfo& TextLayoutInfo() {
  static const TEnumInfo Info("TTextLayout", {"tlTop", "tlCenter", "tlBottom"});
  return Info;
}

const TClassInfo& TCustomLabel::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TCustomLabel>().Build();
  return Info;
}

const TClassInfo& TLabel::StaticClassInfo() {
  using T = TLabel;
  static const TClassInfo Info = TClassBuilder<TLabel>()
                                     .Enum("Align", &T::Align, &T::SetAlign, AlignInfo())
                                     .Default(alNone)
                                     .Enum("Alignment", &T::Alignment, &T::SetAlignment, AlignmentInfo())
                                     .Default(taLeftJustify)
                                     .Set("Anchors", &T::Anchors, &T::SetAnchors, AnchorInfo())
                                     .Default(TAnchors{akLeft, akTop})
                                     .Boolean("AutoSize", &T::AutoSize, &T::SetAutoSize)
                                     .Default(true)
                                     .Enum("BiDiMode", &T::BiDiMode, &T::SetBiDiMode, BiDiModeInfo())
                                     .Default(bdLeftToRight)
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
                                     .Component("FocusControl", &T::FocusControl, &T::SetFocusControl)
                                     .Object("Font", &T::Font, &T::SetFont)
                                     .Stored(&T::IsFontStored)
                                     .Enum("Layout", &T::Layout, &T::SetLayout, TextLayoutInfo())
                                     .Default(tlTop)
                                     .Boolean("ParentBiDiMode", &T::ParentBiDiMode, &T::SetParentBiDiMode)
                                     .Default(true)
                                     .Boolean("ParentColor", &T::ParentColor, &T::SetParentColor)
                                     .Default(true)
                                     .Boolean("ParentFont", &T::ParentFont, &T::SetParentFont)
                                     .Default(true)
                                     .Boolean("ParentShowHint", &T::ParentShowHint, &T::SetParentShowHint)
                                     .Default(true)
                                     .Component("PopupMenu", &T::PopupMenu, &T::SetPopupMenu)
                                     .Boolean("ShowAccelChar", &T::ShowAccelChar, &T::SetShowAccelChar)
                                     .Default(true)
                                     .Boolean("ShowHint", &T::ShowHint, &T::SetShowHint)
                                     .Default(false)
                                     .Boolean("Transparent", &T::Transparent, &T::SetTransparent)
                                     .Default(false)
                                     .Boolean("Visible", &T::Visible, &T::SetVisible)
                                     .Default(true)
                                     .Boolean("WordWrap", &T::WordWrap, &T::SetWordWrap)
                                     .Default(false)
                                     .BRIVO_INHERITED_EVENT(OnClick)
                                     .BRIVO_INHERITED_EVENT(OnContextPopup)
                                     .BRIVO_INHERITED_EVENT(OnDblClick)
                                     .BRIVO_INHERITED_EVENT(OnDragDrop)
                                     .BRIVO_INHERITED_EVENT(OnDragOver)
                                     .BRIVO_INHERITED_EVENT(OnEndDock)
                                     .BRIVO_INHERITED_EVENT(OnEndDrag)
                                     .BRIVO_INHERITED_EVENT(OnMouseDown)
                                     .BRIVO_INHERITED_EVENT(OnMouseEnter)
                                     .BRIVO_INHERITED_EVENT(OnMouseLeave)
                                     .BRIVO_INHERITED_EVENT(OnMouseMove)
                                     .BRIVO_INHERITED_EVENT(OnMouseUp)
                                     .BRIVO_INHERITED_EVENT(OnStartDock)
                                     .BRIVO_INHERITED_EVENT(OnStartDrag)
                                     .Build();
  return Info;
}

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  FControlStyle.Include(csOpaque).Include(csReplicatable);
  SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAlignment(TAlignment Value) {
  if (FAlignment == Value)
    return;
  FAlignment = Value;
  Invalidate();
}

void TCustomLabel::SetAutoSize(bool Value) {
  if (FAutoSize == Value)
    return;
  FAutoSize = Value;
  AdjustBounds();
}

void TCustomLabel::SetLayout(TTextLayout Value) {
  if (FLayout == Value)
    return;
  FLayout = Value;
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool Value) {
  if (FWordWrap == Value)
    return;
  FWordWrap = Value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value) {
  if (FShowAccelChar == Value)
    return;
  FShowAccelChar = Value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool Value) {
  if (Transparent() == Value)
    return;
  if (Value)
    FControlStyle.Exclude(csOpaque);
  else
    FControlStyle.Include(csOpaque);
  Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* Value) {
  if (FFocusControl == Value)
    return;
  if (FFocusControl)
    FFocusControl->RemoveFreeNotification(this);
  FFocusControl = Value;
  if (Value)
    Value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFocusControl)
    FFocusControl = nullptr;
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

namespace {

// Splits UTF-8 text into breakable pieces: runs of non-blank ASCII stay whole, every other
// character (CJK text has no spaces) may end a line on its own.
std::vector<std::string> Pieces(std::string_view Text) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < Text.size()) {
    const auto c = static_cast<unsigned char>(Text[i]);
    std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    len = std::min(len, Text.size() - i);
    if (c < 0x80 && c != ' ' && c != '\n' && c != '\r') {
      std::size_t j = i;
      while (j < Text.size() && static_cast<unsigned char>(Text[j]) < 0x80 && Text[j] != ' ' && Text[j] != '\n' &&
             Text[j] != '\r')
        ++j;
      len = j - i;
    }
    out.emplace_back(Text.substr(i, len));
    i += len;
  }
  return out;
}

} // namespace

std::string TCustomLabel::LayoutText(TCanvas& Measure, int MaxWidth) const {
  if (!FWordWrap)
    return FText;
  const unsigned prefix = FShowAccelChar ? 0 : DT_NOPREFIX;
  auto width = [&](const std::string& S) {
    TRect r = Rect(0, 0, 0, 0);
    Measure.DrawText(S, r, DT_CALCRECT | DT_SINGLELINE | prefix);
    return r.Width();
  };
  std::string result;
  std::string line;
  for (const std::string& piece : Pieces(FText)) {
    if (piece == "\n" || piece == "\r") {
      if (piece == "\n") {
        result += line + "\n";
        line.clear();
      }
      continue;
    }
    if (!line.empty() && piece != " " && width(line + piece) > MaxWidth) {
      while (!line.empty() && line.back() == ' ')
        line.pop_back();
      result += line + "\n";
      line.clear();
    }
    if (line.empty() && piece == " ")
      continue;
    line += piece;
  }
  return result + line;
}

void TCustomLabel::DoDrawText(TCanvas& Canvas, TRect& Rect, unsigned Flags) {
  std::string text = LayoutText(Canvas, Rect.Width());
  if ((Flags & DT_CALCRECT) && (text.empty() || (FShowAccelChar && text == "&")))
    text += ' ';
  if (!FShowAccelChar)
    Flags |= DT_NOPREFIX;
  if ((Flags & DT_CALCRECT) || IsEnabledChain()) {
    Canvas.DrawText(text, Rect, Flags);
    return;
  }
  // Disabled: engraved, a highlight one pixel down and right under the shadow.
  const TColor ink = Canvas.Font().Color();
  TRect shifted = OffsetRect(Rect, 1, 1);
  Canvas.Font().SetColor(clBtnHighlight);
  Canvas.DrawText(text, shifted, Flags);
  Canvas.Font().SetColor(clBtnShadow);
  Canvas.DrawText(text, Rect, Flags);
  Canvas.Font().SetColor(ink);
}

void TCustomLabel::Paint() {
  TCanvas& canvas = Canvas();
  if (!Transparent()) {
    canvas.Brush().SetColor(Color());
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(ClientRect());
  }
  canvas.Brush().SetStyle(bsClear);
  canvas.SetFont(*Font());
  TRect r = ClientRect();
  const unsigned align = FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT;
  if (FLayout != tlTop) {
    TRect calc = r;
    DoDrawText(canvas, calc, align | DT_CALCRECT);
    const int dy = FLayout == tlBottom ? Height() - calc.Bottom : (Height() - calc.Bottom) / 2;
    r = OffsetRect(r, 0, dy);
  }
  DoDrawText(canvas, r, align);
}

void TCustomLabel::AdjustBounds() {
  if (ComponentState().Contains(csReading) || ComponentState().Contains(csLoading) || !FAutoSize)
    return;
  TCanvas measure;
  measure.SetFont(*Font());
  TRect r = ClientRect();
  if (!FWordWrap)
    r.Right = r.Left;
  DoDrawText(measure, r, DT_CALCRECT);
  int x = Left();
  if (FAlignment == taRightJustify)
    x += Width() - r.Right;
  SetBounds(x, Top(), r.Right, r.Bottom);
}

void TCustomLabel::WndProc(TMessage& Message) {
  switch (Message.Msg) {
  case CM_TEXTCHANGED:
  case CM_FONTCHANGED:
    TGraphicControl::WndProc(Message);
    AdjustBounds();
    Invalidate();
    return;
  case CM_DIALOGCHAR:
    if (FFocusControl && IsEnabledChain() && FShowAccelChar &&
        IsAccel(static_cast<char32_t>(Message.WParam), FText) && FFocusControl->CanFocus()) {
      FFocusControl->SetFocus();
      Message.Result = 1;
    }
    return;
  default:
    TGraphicControl::WndProc(Message);
  }
}

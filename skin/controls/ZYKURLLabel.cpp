#include "skin/controls/ZYKURLLabel.h"

#include "platform/controls/Menus.h"

#include <algorithm>

const TClassInfo& TzykURLLabel::StaticClassInfo() {
  using T = TzykURLLabel;
  static const TClassInfo Info = TClassBuilder<TzykURLLabel>()
                                     .Set("Anchors", &T::Anchors, &T::SetAnchors, AnchorInfo())
                                     .Default(TAnchors{akLeft, akTop})
                                     .Enum("BiDiMode", &T::BiDiMode, &T::SetBiDiMode, BiDiModeInfo())
                                     .Default(bdLeftToRight)
                                     .String("Caption", &T::Caption, &T::SetCaption)
                                     .Boolean("AutoSize", &T::AutoSize, &T::SetAutoSize)
                                     .Default(true)
                                     .Color("Color", &T::Color, &T::SetColor)
                                     .Stored(&T::IsColorStored)
                                     .Boolean("Enabled", &T::Enabled, &T::SetEnabled)
                                     .Default(true)
                                     .Boolean("ShowHint", &T::ShowHint, &T::SetShowHint)
                                     .Default(false)
                                     .Boolean("Transparent", &T::Transparent, &T::SetTransparent)
                                     .Default(false)
                                     .Boolean("Visible", &T::Visible, &T::SetVisible)
                                     .Default(true)
                                     .Boolean("WordWrap", &T::WordWrap, &T::SetWordWrap)
                                     .Default(false)
                                     .Component("PopupMenu", &T::PopupMenu, &T::SetPopupMenu)
                                     .Integer("Cursor", &T::Cursor, &T::SetCursor)
                                     .Default(crDefault)
                                     .Idents(CursorIdentKind)
                                     .String("URL", &T::URL, &T::SetURL)
                                     .Color("FontHoverColor", &T::FontHoverColor, &T::SetFontHoverColor)
                                     .Color("FontLinkColor", &T::FontLinkColor, &T::SetFontLinkColor)
                                     .Object("Font", &T::Font, &T::SetFont)
                                     .Stored(&T::IsFontStored)
                                     .BRIVO_INHERITED_EVENT(OnClick)
                                     .BRIVO_INHERITED_EVENT(OnMouseDown)
                                     .BRIVO_INHERITED_EVENT(OnMouseMove)
                                     .BRIVO_INHERITED_EVENT(OnMouseUp)
                                     .Build();
  return Info;
}

TzykURLLabel::TzykURLLabel(TComponent* AOwner) : TCustomLabel(AOwner) {
  Font()->SetStyle(TFontStyles{fsUnderline});
  Font()->SetColor(clBlue);
  SetCursor(crHandPoint);
  SetAutoSize(true);
  SetCaption("Welcome to the zyk skinned controls");
}

void TzykURLLabel::SetURL(const std::string& Value) {
  if (FURL != Value)
    FURL = Value;
}

void TzykURLLabel::SetFontLinkColor(TColor Value) {
  FFontLinkColor = Value;
  Font()->SetColor(Value);
}

void TzykURLLabel::Click() {
  // Blanks are every character up to the space; the address itself goes out as stored.
  if (std::any_of(FURL.begin(), FURL.end(), [](char c) { return static_cast<unsigned char>(c) > ' '; }))
    ShellExecute(nullptr, "open", FURL.c_str(), nullptr, nullptr, SW_SHOW);
  TCustomLabel::Click();
}

void TzykURLLabel::WndProc(TMessage& Message) {
  switch (Message.Msg) {
  case CM_MOUSEENTER:
    Font()->SetColor(ComponentState().Contains(csDesigning) ? clBlue : FFontHoverColor);
    break;
  case CM_MOUSELEAVE:
    Font()->SetColor(FFontLinkColor);
    break;
  default:
    break;
  }
  TCustomLabel::WndProc(Message);
}

void RegisterZYKURLLabelClasses() { RegisterClass(TzykURLLabel::StaticClassInfo()); }

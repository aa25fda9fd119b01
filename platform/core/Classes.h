#pragma once

// The object model of the platform: class information, published properties, components,
// collections. Include this header to use all of it.
//
// Declaring a class (header):
//   class TFont : public TPersistent {
//     BRIVO_CLASS(TFont, TPersistent)        // first in the body; leaves the access private
//   public:
//     int Height() const;  void SetHeight(int Value);
//     TFontStyles Style() const;  void SetStyle(TFontStyles Value);   // TSet<TFontStyle>
//     TNotifyEvent OnChange;                  // events are std::function members
//     void Assign(const TPersistent* Source) override;  // fall back to TPersistent::Assign
//   };
//
// Publishing its properties (source), in declared order after the inherited ones:
//   const TClassInfo& TFont::StaticClassInfo() {
//     static const TClassInfo Info = TClassBuilder<TFont>()
//         .Integer("Charset", &TFont::Charset, &TFont::SetCharset).Default(1).Idents("TFontCharset")
//         .Color("Color", &TFont::Color, &TFont::SetColor)          // names via RegisterIdents("TColor")
//         .Integer("Height", &TFont::Height, &TFont::SetHeight)    // no Default: always stored
//         .String("Name", &TFont::Name, &TFont::SetName)           // '' is not stored
//         .Set("Style", &TFont::Style, &TFont::SetStyle, FontStyleInfo()).Default(TFontStyles{})
//         .Event("OnChange", &TFont::OnChange)
//         .Build();
//     return Info;
//   }
// where FontStyleInfo() returns a static TEnumInfo("TFontStyle", {"fsBold", "fsItalic", ...}).
// Other kinds: .Boolean(..), .Enum(name, get, set, TEnumInfo), .Float(..), .Object("Font", &T::Font
// [, &T::SetFont]) for an owned sub-object (stored as Font.Name = ...), .Component("Menu", &T::Menu,
// &T::SetMenu) for a reference (class checked, resolved after reading), .Collection("Buttons",
// &T::Buttons), .Binary("Data", &TPicture::Data, &TPicture::SetData) with a std::vector<std::uint8_t>
// getter (stored as {hex}, omitted when empty). .Stored(false) or .Stored(&T::IsXStored) decides
// storing; a property with an inherited name replaces the inherited entry at its new place.
// A root publishes methods for events and fields for its components:
//   .Method("FormShow", &TfrmBrivo::FormShow).Field("Label1", &TfrmBrivo::Label1)
// Components that stored forms create by name are registered once: RegisterClass(TLabel::StaticClassInfo()).
// Typed access by name: GetOrdProp, SetEnumProp, SetObjectProp, SetMethodProp, ... (ClassInfo.h).

#include "platform/core/ClassInfo.h"
#include "platform/core/Collection.h"
#include "platform/core/Component.h"
#include "platform/core/Errors.h"
#include "platform/core/Persistent.h"
#include "platform/core/Types.h"

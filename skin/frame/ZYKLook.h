#pragma once

#include "platform/graphics/Bitmap.h"
#include "skin/foundation/ZYKMgr.h"
#include "skin/foundation/ZYKThemes.h"

// One look as a component reads it: from the file theme when that is in force, otherwise from the
// built-in tables of the effective look.
class TzykLook {
public:
  TzykLook(const TzykFileTheme* Theme, TzykUIStyle Style) : FTheme(Theme) {
    FFromFile = UsingFileTheme(Theme, Style, FStyle);
  }
  bool FromFile() const { return FFromFile; }
  TzykUIStyle Style() const { return FStyle; }
  int Int(int Element) const { return FFromFile ? FTheme->GetInt(Element) : GetBuiltInInt(FStyle, Element); }
  bool Bool(int Element) const { return FFromFile ? FTheme->GetBool(Element) : GetBuiltInBool(FStyle, Element); }
  TColor Color(int Element) const {
    return FFromFile ? FTheme->GetColor(Element) : GetBuiltInColor(FStyle, Element);
  }
  void Picture(int Element, TBitmap& Bitmap) const {
    if (FFromFile)
      FTheme->GetBitmap(Element, Bitmap);
    else
      GetBuiltInBitmap(FStyle, Element, &Bitmap, 0, 0);
  }
  void Frame(int Element, TBitmap& Bitmap, int Count, int Index) const {
    if (FFromFile)
      FTheme->GetBitmapFrame(Element, Bitmap, Count, Index);
    else
      GetBuiltInBitmap(FStyle, Element, &Bitmap, Count, Index);
  }

private:
  const TzykFileTheme* FTheme;
  TzykUIStyle FStyle = DeepBlue;
  bool FFromFile = false;
};

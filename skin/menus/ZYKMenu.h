#pragma once

#include "platform/controls/Menus.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/ImageList.h"
#include "platform/windows/Types.h"
#include "skin/foundation/ZYKThemes.h"

#include <memory>
#include <string>
#include <string_view>

class TzykFileTheme;

// What the skinned menus draw their items with. Both menu components publish these values under
// the same names and hand them to the routines below, which only read them.
struct TzykMenuAppearance {
  TzykUIStyle UIStyle = DeepBlue; // MacOS draws pictures instead of colours
  const TzykFileTheme* FileTheme = nullptr;
  int MenuItemHeight = 21;
  int SeparatorHeight = 21;
  int BarWidth = 0; // the stripe at the items' left
  TColor BarColor = clBtnFace;
  TColor Color = clWhite; // right of the stripe
  TColor SeparatorColor = 0x808080;
  TColor SelectedBorderColor = clHighlight;
  TColor SelectedColor = clHighlight; // also behind a checked item's image
  TColor SelectedFontColor = clWhite;
  TColor FontColor = clWhite;
  TColor BorderColor = 0; // stored only: nothing draws it
  bool FlatMenu = false;  // repaint the menu window's border flat
  std::string FontName = "MS Sans Serif";
  int FontSize = 8;
  TFontCharset FontCharset = 1;
  bool UseSystemFont = true; // the system's menu font instead of the three values above
};

// Takes the look's heights, separator colour, stripe width and six menu colours (from the file
// theme when it is in force); whatever was set before is overwritten.
void ApplyMenuLook(TzykMenuAppearance& Appearance, TzykUIStyle Style);

// Gives Item and all its sub-items, depth first in index order, the two handlers.
void SetMenuItemEvents(TMenuItem* Item, const TMenuMeasureItemEvent& MeasureHandler,
                       const TMenuDrawItemEvent& DrawHandler);

// An item's size with the canvas's current font: the separator or item height, and the raw
// caption (its "&" included) and shortcut text widths plus the stripe and 40.
void MeasureMenuItem(const TzykMenuAppearance& Appearance, const TMenuItem& Item, TCanvas& Canvas, int& Width,
                     int& Height);

// Paints Item over Rect: background (look pictures in MacOS, stripe and fills otherwise), caption
// and shortcut, the check mark (image 0 of CheckImages) or the box behind the item's image from
// Images. With FlatMenu set and a canvas that is a menu window's context, the window's border is
// repainted flat as well. Either image list may be null.
void DrawMenuItem(const TzykMenuAppearance& Appearance, const TImageList* CheckImages, const TImageList* Images,
                  const TMenuItem& Item, TCanvas& Canvas, const TRect& Rect, bool Selected);

// Repaints MenuWindow's border on the screen: InnerColor framing it (so the left edge), a white
// frame inside that, and OuterColor over the bottom, right and top edges.
void DrawFlatMenuBorder(HWND MenuWindow, TColor InnerColor, TColor OuterColor);

// Gives Font the system's menu font and the menu text colour; leaves it alone when the system
// cannot say.
void ApplySystemMenuFont(TFont& Font);

// Stretches the top RowsKept rows of a bitmap resource over Rect.
void DrawMenuPicture(TCanvas& Canvas, const TRect& Rect, std::string_view ResourceName, int RowsKept);

// Set the brush colour (a clear brush turns solid) and fill or frame R.
void FillRectColor(TCanvas& Canvas, const TRect& R, TColor Color);
void FrameRectColor(TCanvas& Canvas, const TRect& R, TColor Color);

// A 16 x 16 image list whose image 0 is the check mark picture, white left out.
std::unique_ptr<TImageList> MakeCheckImages();

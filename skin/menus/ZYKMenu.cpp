#include "skin/menus/ZYKMenu.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/windows/Gdi.h"
#include "platform/windows/Messages.h"
#include "platform/windows/User.h"
#include "skin/foundation/ZYKMgr.h"

namespace {

// Disabled captions are grey whatever the look says.
constexpr TColor DisabledFontColor = 0x808080;

TColor LookColor(const TzykFileTheme* Theme, TzykUIStyle Style, int Element) {
  TzykUIStyle effective = Style;
  if (UsingFileTheme(Theme, Style, effective))
    return Theme->GetColor(Element);
  return GetBuiltInColor(effective, Element);
}

// The stripe (when there is one) and the background right of it.
void FillItemBackground(const TzykMenuAppearance& A, TCanvas& Canvas, const TRect& R) {
  if (A.BarWidth > 0)
    FillRectColor(Canvas, Rect(R.Left, R.Top, R.Left + A.BarWidth, R.Bottom), A.BarColor);
  FillRectColor(Canvas, Rect(R.Left + A.BarWidth, R.Top, R.Right, R.Bottom), A.Color);
}

bool HasImage(const TMenuItem& Item, const TImageList* Images) {
  return Item.ImageIndex() != -1 && Images != nullptr && Item.ImageIndex() < Images->Count();
}

} // namespace

void ApplyMenuLook(TzykMenuAppearance& A, TzykUIStyle Style) {
  A.UIStyle = Style;
  A.BarWidth = 26;
  if (Style == MacOS) {
    A.MenuItemHeight = 20;
    A.SeparatorHeight = 12;
    A.SeparatorColor = 0;
  } else {
    A.MenuItemHeight = 21;
    A.SeparatorHeight = 5;
    A.SeparatorColor = 0x848284;
  }
  A.BarColor = LookColor(A.FileTheme, Style, zteMenuBarColor);
  A.Color = LookColor(A.FileTheme, Style, zteMenuBackgroundColor);
  A.FontColor = LookColor(A.FileTheme, Style, zteMenuFontColor);
  A.SelectedBorderColor = LookColor(A.FileTheme, Style, zteMenuSelectedBorderColor);
  A.SelectedColor = LookColor(A.FileTheme, Style, zteMenuSelectedBackgroundColor);
  A.SelectedFontColor = LookColor(A.FileTheme, Style, zteMenuSelectedFontColor);
}

void SetMenuItemEvents(TMenuItem* Item, const TMenuMeasureItemEvent& MeasureHandler,
                       const TMenuDrawItemEvent& DrawHandler) {
  if (!Item)
    return;
  Item->OnMeasureItem = MeasureHandler;
  Item->OnDrawItem = DrawHandler;
  for (int i = 0; i < Item->Count(); ++i)
    SetMenuItemEvents(Item->Items(i), MeasureHandler, DrawHandler);
}

void MeasureMenuItem(const TzykMenuAppearance& A, const TMenuItem& Item, TCanvas& Canvas, int& Width,
                     int& Height) {
  Height = Item.IsLine() ? A.SeparatorHeight : A.MenuItemHeight;
  Width = Canvas.TextWidth(Item.Caption()) + Canvas.TextWidth(ShortCutToText(Item.ShortCut())) + A.BarWidth + 40;
}

void DrawMenuItem(const TzykMenuAppearance& A, const TImageList* CheckImages, const TImageList* Images,
                  const TMenuItem& Item, TCanvas& Canvas, const TRect& R, bool Selected) {
  if (A.FlatMenu)
    if (HWND window = WindowFromDC(DCFromCanvas(&Canvas)))
      DrawFlatMenuBorder(window, clBlack, LookColor(A.FileTheme, A.UIStyle, zteFormBackgroundColor));

  if (Item.IsLine()) {
    if (A.UIStyle == MacOS) {
      DrawMenuPicture(Canvas, R, "MACOS_MENU_BAR", 12);
      return;
    }
    FillItemBackground(A, Canvas, R);
    Canvas.Pen().SetColor(A.SeparatorColor);
    Canvas.MoveTo(R.Left + A.BarWidth + 4, R.Top + 2);
    Canvas.LineTo(R.Right - 2, R.Top + 2);
    return;
  }

  const bool lit = Selected && Item.Enabled();
  if (A.UIStyle == MacOS) {
    DrawMenuPicture(Canvas, R, lit ? "MACOS_MENU_SELECT" : "MACOS_MENU_BAR", 20);
  } else if (lit) {
    FillRectColor(Canvas, R, A.SelectedColor);
    FrameRectColor(Canvas, R, A.SelectedBorderColor);
  } else {
    FillItemBackground(A, Canvas, R);
  }

  TFont& font = Canvas.Font();
  if (A.UseSystemFont) {
    ApplySystemMenuFont(font);
  } else {
    font.SetName(A.FontName);
    font.SetSize(A.FontSize);
    font.SetCharset(A.FontCharset);
  }
  Canvas.Brush().SetStyle(bsClear);
  font.SetColor(!Item.Enabled() ? DisabledFontColor : Selected ? A.SelectedFontColor : A.FontColor);
  if (Item.Default()) {
    TFontStyles style = font.Style();
    style.Include(fsBold);
    font.SetStyle(style);
  }

  TRect text = Rect(R.Left + A.BarWidth + 4, R.Top + 4, R.Right, R.Bottom);
  Canvas.DrawText(Item.Caption(), text, DT_SINGLELINE);
  if (const std::string shortcut = ShortCutToText(Item.ShortCut()); !shortcut.empty())
    Canvas.TextOut(R.Right - Canvas.TextWidth(shortcut) - 16, R.Top + 4, shortcut);

  const bool image = HasImage(Item, Images);
  if (Item.Checked()) {
    if (image) {
      FrameRectColor(Canvas, Rect(R.Left + 2, R.Top + 1, R.Left + 21, R.Top + 20), clBlack);
      FillRectColor(Canvas, Rect(R.Left + 3, R.Top + 2, R.Left + 20, R.Top + 19), A.SelectedColor);
    } else if (CheckImages) {
      CheckImages->Draw(Canvas, R.Left + 4, R.Top + 3, 0, Item.Enabled());
    }
  }
  if (image)
    Images->Draw(Canvas, R.Left + 4, R.Top + 3, Item.ImageIndex(), Item.Enabled());
}

void DrawFlatMenuBorder(HWND MenuWindow, TColor InnerColor, TColor OuterColor) {
  TRect wr;
  if (!GetWindowRect(MenuWindow, &wr))
    return;
  const HWND desktop = GetDesktopWindow();
  const HDC dc = GetWindowDC(desktop);
  TCanvas* canvas = CanvasFromDC(dc);
  if (!canvas)
    return;
  FrameRectColor(*canvas, Rect(wr.Left, wr.Top + 1, wr.Right - 1, wr.Bottom - 1), InnerColor);
  FrameRectColor(*canvas, Rect(wr.Left + 1, wr.Top + 2, wr.Right - 2, wr.Bottom - 2), clWhite);
  canvas->Pen().SetColor(OuterColor);
  canvas->MoveTo(wr.Left, wr.Bottom - 1);
  canvas->LineTo(wr.Right - 1, wr.Bottom - 1);
  canvas->LineTo(wr.Right - 1, wr.Top);
  canvas->LineTo(wr.Right, wr.Top);
  canvas->LineTo(wr.Left, wr.Top);
  ReleaseDC(desktop, dc);
}

void ApplySystemMenuFont(TFont& Font) {
  NONCLIENTMETRICS metrics;
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0))
    return;
  Font.SetHandle(CreateFontIndirect(&metrics.lfMenuFont));
  Font.SetColor(clMenuText);
}

void DrawMenuPicture(TCanvas& Canvas, const TRect& R, std::string_view ResourceName, int RowsKept) {
  TBitmap picture;
  LoadBitmapResource(picture, ResourceName);
  picture.SetHeight(RowsKept);
  Canvas.StretchDraw(R, picture);
}

void FillRectColor(TCanvas& Canvas, const TRect& R, TColor Color) {
  Canvas.Brush().SetColor(Color);
  Canvas.FillRect(R);
}

void FrameRectColor(TCanvas& Canvas, const TRect& R, TColor Color) {
  Canvas.Brush().SetColor(Color);
  Canvas.FrameRect(R);
}

std::unique_ptr<TImageList> MakeCheckImages() {
  auto list = std::make_unique<TImageList>(nullptr);
  TBitmap mark;
  LoadBitmapResource(mark, "MENU_CHECKED");
  mark.SetTransparent(true);
  list->AddMasked(mark, clWhite);
  return list;
}

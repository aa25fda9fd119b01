#include "skin/foundation/ZYKPublic.h"

#include "platform/controls/Application.h"
#include "platform/core/ClassInfo.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/ImageList.h"
#include "platform/windows/Gdi.h"
#include "platform/windows/Messages.h"
#include "platform/windows/User.h"

#include <algorithm>

void ExtractBitmapFrame(const TBitmap& Source, TBitmap& Dest, int FrameCount, int FrameIndex) {
  if (FrameCount == 0)
    throw EDivByZero("Division by zero");
  const int frameWidth = Source.Width() / FrameCount;
  const int height = Source.Height();
  TBitmap work(frameWidth, height);
  const TRect from = Rect(frameWidth * (FrameIndex - 1), 0, frameWidth * FrameIndex, height);
  work.Canvas().Blit(Rect(0, 0, work.Width(), height), Source.Pixels(), from);
  Dest.SetHeight(work.Height());
  Dest.SetWidth(work.Width());
  Dest.Canvas().Draw(0, 0, work);
}

namespace {

constexpr TPixel KeyPixel = RGBToPixel(zykKeyColor);

// Which side of a source strip survives when the cell is thinner than the strip.
enum TKeep { kLeft, kRight, kTop, kBottom, kAll };

// A corner cell: clamps its size to the strip and the destination limit, puts it against Anchor
// (the corner of R it belongs to), draws it and returns the rectangle it covers. That rectangle
// keeps its place on R's corner even when one side is 0 and nothing is drawn, so the later cells
// measure from R's corner.
TRect DrawCorner(const TBitmap& Picture, TCanvas& Canvas, TRect S, const TRect& D, TPoint Anchor, bool Right,
                 bool Bottom, bool Transparent) {
  const int cw = std::max(0, std::min(S.Width(), D.Width()));
  const int ch = std::max(0, std::min(S.Height(), D.Height()));
  if (Right)
    S.Left = S.Right - cw;
  else
    S.Right = S.Left + cw;
  if (Bottom)
    S.Top = S.Bottom - ch;
  else
    S.Bottom = S.Top + ch;
  const TRect cell = Bounds(Right ? Anchor.X - cw : Anchor.X, Bottom ? Anchor.Y - ch : Anchor.Y, cw, ch);
  if (cw > 0 && ch > 0)
    Canvas.Blit(cell, Picture.Pixels(), S, Transparent ? bmKeyColor : bmOpaque, KeyPixel);
  return cell;
}

// An edge or centre cell: S stretched over D with the key colour left out. D is kept inside R, so
// that nothing lands outside the face however small it is. A strip that is empty (or reaches
// outside the picture) is narrowed to the picture and, where nothing is left, widened to the one
// row or column where it starts, so a picture of even height still fills the face.
void DrawStretchedCell(const TBitmap& Picture, TCanvas& Canvas, TRect S, TRect D, const TRect& R, TKeep Keep) {
  D = IntersectRect(D, Rect(0, 0, R.Right, R.Bottom));
  if (D.IsEmpty())
    return;
  switch (Keep) {
  case kLeft:
    S.Right = std::min(S.Right, S.Left + D.Width());
    break;
  case kRight:
    S.Left = std::max(S.Left, S.Right - D.Width());
    break;
  case kTop:
    S.Bottom = std::min(S.Bottom, S.Top + D.Height());
    break;
  case kBottom:
    S.Top = std::max(S.Top, S.Bottom - D.Height());
    break;
  case kAll:
    break;
  }
  const int pw = Picture.Width(), ph = Picture.Height();
  const auto fit = [](int& Low, int& High, int Size) {
    Low = std::clamp(Low, 0, Size - 1);
    High = std::clamp(High, Low + 1, Size);
  };
  fit(S.Left, S.Right, pw);
  fit(S.Top, S.Bottom, ph);
  Canvas.Blit(D, Picture.Pixels(), S, bmKeyColor, KeyPixel);
}

} // namespace

// The corners follow the cell sizes exactly; where this routine had to choose, it chose so that
// every size stays inside the picture and inside R: a skipped corner still counts as a rectangle
// on R's corner with one side 0 (see DrawCorner), and an empty strip falls back to one row or
// column (see DrawStretchedCell).
void DrawNineSliceFace(const TBitmap& Picture, TCanvas& Canvas, const TRect& R, bool Transparent) {
  const int PW = Picture.Width(), PH = Picture.Height();
  if (PW == 0 || PH == 0)
    return;
  const int W = R.Right - R.Left, H = R.Bottom - R.Top;
  const int hw = PW / 2, hh = PH / 2, dw = W / 2, dh = H / 2;

  const TRect TL = DrawCorner(Picture, Canvas, Rect(0, 0, hw, hh), Rect(0, 0, dw, dh), {0, 0}, false, false,
                              Transparent);
  const TRect BL = DrawCorner(Picture, Canvas, Rect(0, PH - hh + 1, hw, PH), Rect(0, H - dh + 1, dw, H),
                              {0, R.Bottom}, false, true, Transparent);
  DrawStretchedCell(Picture, Canvas, Rect(0, hh, hw, PH - hh), Rect(0, TL.Bottom, TL.Right, BL.Top), R, kLeft);
  const TRect TR = DrawCorner(Picture, Canvas, Rect(PW - hw + 1, 0, PW, hh), Rect(W - dw + 1, 0, W, dh),
                              {R.Right, 0}, true, false, Transparent);
  const TRect BR = DrawCorner(Picture, Canvas, Rect(PW - hw + 1, PH - hh + 1, PW, PH),
                              Rect(W - dw + 1, H - dh + 1, W, H), {R.Right, R.Bottom}, true, true, Transparent);
  DrawStretchedCell(Picture, Canvas, Rect(PW - hw + 1, PH - hh, PW, hh + 2), Rect(TR.Left, TR.Bottom, TR.Right, BR.Top),
                    R, kRight);
  DrawStretchedCell(Picture, Canvas, Rect(hw, 0, PW - hw + 1, hh), Rect(TL.Right, 0, TR.Left, TL.Bottom), R, kTop);
  DrawStretchedCell(Picture, Canvas, Rect(hw, hh, PW - hw + 1, PH - hh), Rect(TL.Right, TL.Bottom, TR.Left, BR.Top - 1),
                    R, kAll);
  DrawStretchedCell(Picture, Canvas, Rect(hw, PH - hh, PW - hw + 1, PH),
                    Rect(TL.Right - 1, BL.Top - 1, BR.Left, BR.Bottom), R, kBottom);
}

void DrawThreePartBar(const TBitmap& Picture, TCanvas& Canvas, const TRect& R, bool KeyFromCorner) {
  const int w = Picture.Width() / 3, h = Picture.Height();
  if (w == 0 || h == 0)
    return;
  const TColor key = KeyFromCorner ? PixelToColor(Picture.Pixels().At(0, 0)) : zykKeyColor;
  TImageList images(nullptr, w, h);
  images.AddMasked(Picture, key);
  images.Draw(Canvas, R.Left, R.Top, 0);
  images.Draw(Canvas, R.Right - w, R.Top, 2);
  TBitmap middle(w, h);
  images.Draw(middle.Canvas(), 0, 0, 1);
  Canvas.StretchDraw(Rect(R.Left + w, R.Top, R.Right - w, R.Bottom), middle);
}

void TileGraphic(TCanvas& Canvas, const TGraphic& Picture, const TRect& R) {
  const int pw = Picture.Width(), ph = Picture.Height();
  if (pw <= 0 || ph <= 0)
    return;
  for (int x = 0; x < pw + (R.Right - R.Left); x += pw)
    for (int y = 0; y < ph + (R.Bottom - R.Top); y += ph)
      Canvas.Draw(x, y, Picture);
}

namespace {

// Turns Bitmap a quarter: Place maps a source pixel (x, y) to its place in the turned picture.
template <class F>
void Rotate(TBitmap& Bitmap, F Place) {
  const int w = Bitmap.Width(), h = Bitmap.Height();
  TBitmap work(h, w);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const TPoint p = Place(x, y, w, h);
      work.Pixels().Set(p.X, p.Y, Bitmap.Pixels().At(x, y));
    }
  Bitmap.SetHeight(work.Height());
  Bitmap.SetWidth(work.Width());
  Bitmap.Canvas().Draw(0, 0, work);
}

} // namespace

void RotateBitmapLeft(TBitmap& Bitmap) {
  Rotate(Bitmap, [](int x, int y, int w, int) { return TPoint{y, w - 1 - x}; });
}

void RotateBitmapRight(TBitmap& Bitmap) {
  Rotate(Bitmap, [](int x, int y, int, int h) { return TPoint{h - 1 - y, x}; });
}

bool PointInRectInclusive(int X, int Y, const TRect& R) {
  return X >= R.Left && X <= R.Right && Y >= R.Top && Y <= R.Bottom;
}

bool PointInRectInclusive(TPoint P, const TRect& R) { return PointInRectInclusive(P.X, P.Y, R); }

bool HasPublishedProperty(const TObject* Instance, std::string_view Name) {
  return Instance != nullptr && IsPublishedProp(*Instance, Name);
}

void PaintParentBackground(TCanvas& Canvas, TControl* Control) {
  if (Control == nullptr || Control->Parent() == nullptr)
    return;
  TWinControl* parent = Control->Parent();
  const TCanvasSaver saved(Canvas);
  const TPoint origin = Canvas.ViewportOrigin();
  Canvas.SetViewportOrigin({origin.X - Control->Left(), origin.Y - Control->Top()});
  Canvas.IntersectClipRect(Rect(0, 0, parent->ClientWidth(), parent->ClientHeight()));
  const WPARAM dc = reinterpret_cast<WPARAM>(DCFromCanvas(&Canvas));
  parent->Perform(WM_ERASEBKGND, dc, 0);
  parent->Perform(WM_PAINT, dc, 0);
}

void GetDesktopWorkArea(TRect& R) {
  if (Application != nullptr && Application->MainForm() != nullptr) {
    MONITORINFO info;
    if (GetMonitorInfo(MonitorFromWindow(Application->MainForm()->Handle(), MONITOR_DEFAULTTONEAREST), &info)) {
      R = info.rcWork;
      return;
    }
  }
  SystemParametersInfo(SPI_GETWORKAREA, 0, &R, 0);
}

void SetControlOrigin(TControl* Control, TPoint P) {
  Control->SetLeft(P.X);
  Control->SetTop(P.Y);
}

void SetControlBounds(TControl* Control, const TRect& R) {
  Control->SetLeft(R.Left);
  Control->SetTop(R.Top);
  Control->SetWidth(R.Right - R.Left);
  Control->SetHeight(R.Bottom - R.Top);
}

void ApplyStyleToChildren(TWinControl* Container, int UIStyle, TComponent* FileTheme) {
  for (int i = 0; i < Container->ControlCount(); ++i) {
    TControl* child = Container->Controls(i);
    if (!HasPublishedProperty(child, "FileTheme") || !HasPublishedProperty(child, "UIStyle"))
      continue;
    SetObjectProp(*child, "FileTheme", FileTheme);
    SetOrdProp(*child, "UIStyle", UIStyle);
  }
}

// Our class library has no MDI client window to ask for the active child, so an MDI frame's
// children are judged by their own active flag, as other secondary forms are.
bool IsFormActive(TCustomForm* Form) {
  TCustomForm* main = Application != nullptr ? Application->MainForm() : nullptr;
  if (main == nullptr)
    return Form != nullptr && Form->Active();
  if (main->FormStyle() == fsMDIForm && Form == main)
    return true;
  if (!Application->Active())
    return false;
  if (Form == nullptr || Form == main)
    return true;
  return Form->Active();
}

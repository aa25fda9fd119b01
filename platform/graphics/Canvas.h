#pragma once

#include "platform/graphics/Font.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/PixelBuffer.h"
#include "platform/graphics/Region.h"
#include "platform/graphics/Scale.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TBitmap;
class TGraphic;
class TFontInstance;

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode { pmCopy, pmNot, pmXor };

// The pen draws lines and outlines. Every style but psClear draws solid; a pen wider than one pixel
// paints a Width x Width square at each point of the line.
class TPen {
public:
  TColor Color() const { return FColor; }
  void SetColor(TColor Value) { FColor = Value; }
  int Width() const { return FWidth; }
  void SetWidth(int Value) { FWidth = Value < 1 ? 1 : Value; }
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle Value) { FStyle = Value; }
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode Value) { FMode = Value; }

private:
  TColor FColor = clBlack;
  int FWidth = 1;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
};

enum TBrushStyle { bsSolid, bsClear };

// The brush fills shapes. A pattern bitmap, when set, is tiled from the device origin (0, 0) and
// wins over the colour; the bitmap is not owned and must outlive its use.
class TBrush {
public:
  TColor Color() const { return FColor; }
  // Setting a colour makes a clear brush solid again.
  void SetColor(TColor Value) {
    FColor = Value;
    if (FStyle == bsClear)
      FStyle = bsSolid;
  }
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle Value) { FStyle = Value; }
  TBitmap* Bitmap() const { return FBitmap; }
  void SetBitmap(TBitmap* Value) { FBitmap = Value; }

private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
  TBitmap* FBitmap = nullptr;
};

// DrawText flags.
constexpr unsigned DT_TOP = 0x0000;
constexpr unsigned DT_LEFT = 0x0000;
constexpr unsigned DT_CENTER = 0x0001;
constexpr unsigned DT_RIGHT = 0x0002;
constexpr unsigned DT_VCENTER = 0x0004;
constexpr unsigned DT_BOTTOM = 0x0008;
constexpr unsigned DT_WORDBREAK = 0x0010;
constexpr unsigned DT_SINGLELINE = 0x0020;
constexpr unsigned DT_NOCLIP = 0x0100;
constexpr unsigned DT_CALCRECT = 0x0400;
constexpr unsigned DT_NOPREFIX = 0x0800;

// How Blit treats source pixels.
enum TBlitMode {
  bmOpaque,       // every pixel is copied
  bmKeyColor,     // pixels equal to the key are left out
  bmAlpha,        // the source's top byte is its opacity (icons)
};

// Draws into a pixel buffer in logical coordinates: a pixel at logical (x, y) lands on the buffer at
// (x, y) + viewport origin. The clip region is kept in buffer coordinates and only ever narrows;
// Save and Restore bring back an earlier origin, clip and pen position.
//
// Coordinates count window units; on a buffer of another scale (Scale.h) each unit covers its
// device pixels. Everything but text comes out as the same drawing made at scale 1 and enlarged
// (lines, borders, regions and focus dots as blocks, pictures pixel for pixel, stretched pictures by
// the nearest pixel); text is drawn by the text engine at the scaled pixel height, placed by the
// unscaled font's metrics so that it takes the room it takes at scale 1.
class TCanvas {
public:
  TCanvas() = default;
  explicit TCanvas(TPixelBuffer* Target) : FTarget(Target) {}
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TPixelBuffer* Target() const { return FTarget; }
  void SetTarget(TPixelBuffer* Target) {
    FTarget = Target;
    FDeviceClipStale = true;
  }
  // An off-screen bitmap's canvas follows the grid of the window being painted, at the place being
  // painted (CurrentPaintGrid): before it draws text, or a picture finer than its buffer, it takes
  // that grid (TPixelBuffer::Rescale), so that text in a control's off-screen bitmap stays sharp
  // on a window of a larger scale and is copied onto it pixel for pixel. What it drew before is
  // enlarged, as drawing it again would.
  void SetFollowsPaintScale(bool Value) { FFollowsPaintScale = Value; }

  TPen& Pen() { return FPen; }
  TBrush& Brush() { return FBrush; }
  TFont& Font() { return FFont; }
  void SetFont(const TFont& Value) { FFont.Assign(Value); }
  TPoint PenPos() const { return FPenPos; }
  void SetPenPos(TPoint P) { FPenPos = P; }

  // Pixels[X][Y]: reading outside the clip or the buffer gives clNone.
  TColor Pixel(int X, int Y) const;
  void SetPixel(int X, int Y, TColor Color);

  void FillRect(const TRect& R);
  void FrameRect(const TRect& R);
  void Rectangle(int Left, int Top, int Right, int Bottom);
  void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
  void RoundRect(int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight);
  void MoveTo(int X, int Y) { FPenPos = {X, Y}; }
  // A line from the pen position to (X, Y); the end point itself is not painted.
  void LineTo(int X, int Y);
  // Inverts a dotted frame on R's edge, so drawing it twice restores the pixels.
  void DrawFocusRect(const TRect& R);
  // Fills the pixels of a region (given in logical coordinates) with the brush.
  void FillRegion(const TRegion& Region);

  void Draw(int X, int Y, const TGraphic& Graphic);
  // Stretches Graphic over R; an inverted R mirrors it.
  void StretchDraw(const TRect& R, const TGraphic& Graphic);
  // Copies Source's rectangle of another canvas (stretched, nearest neighbour) onto Dest.
  void CopyRect(const TRect& Dest, const TCanvas& Source, const TRect& SourceRect);
  // Copies a bitmap's rectangle onto Dest leaving out the pixels of KeyColor.
  void TransparentCopy(const TRect& Dest, const TBitmap& Source, const TRect& SourceRect, TColor KeyColor);
  // The drawing step under every picture operation: Source's rectangle stretched onto Dest (logical
  // coordinates), nearest neighbour, inverted rectangles mirroring. Key is a 0x00RRGGBB pixel.
  void Blit(const TRect& Dest, const TPixelBuffer& Source, const TRect& SourceRect, TBlitMode Mode = bmOpaque,
            TPixel Key = 0);

  // Text, in UTF-8. TextOut puts the top of the text cell at Y and fills the cell with the brush
  // unless the brush is clear; it moves the pen position to the end of the text.
  void TextOut(int X, int Y, std::string_view Text);
  // TextOut clipped to R.
  void TextRect(const TRect& R, int X, int Y, std::string_view Text);
  int TextWidth(std::string_view Text);
  int TextHeight(std::string_view Text);
  TSize TextExtent(std::string_view Text);
  // Draws or measures text in R by the DT_ flags; "&" marks the next character as the access key
  // (underlined) and "&&" is a literal ampersand unless DT_NOPREFIX. Without DT_SINGLELINE, line
  // breaks start new lines and DT_WORDBREAK also breaks at spaces to fit R. Returns the text's height;
  // with DT_CALCRECT nothing is drawn and R's right and bottom are set to the text's extent.
  int DrawText(std::string_view Text, TRect& R, unsigned Flags);

  // Drawing state.
  TPoint ViewportOrigin() const { return FOrigin; }
  // Sets the origin and returns the previous one.
  TPoint SetViewportOrigin(TPoint Origin);
  // Narrows the clip to R (logical coordinates).
  void IntersectClipRect(const TRect& R);
  // Narrows the clip to a region given in logical coordinates.
  void IntersectClipRegion(const TRegion& Region);
  void ExcludeClipRect(const TRect& R);
  // The clip's bounding box in logical coordinates (the whole buffer when nothing narrowed it).
  TRect ClipRect() const;
  // Whether anything drawn to a device pixel of the buffer would be kept.
  bool IsVisible(int DeviceX, int DeviceY) const;
  // Saves the state and returns its level (1 for the first save).
  int Save();
  // Restores the state saved at Level (a negative level counts back from the last save: -1 is the
  // last one). Returns false when there is no such level.
  bool Restore(int Level = -1);
  int SaveLevel() const { return static_cast<int>(FSaved.size()); }

private:
  struct TState {
    TPoint Origin;
    std::optional<TRegion> Clip;
    TPoint PenPos;
  };

  const TUnitGrid& Grid() const {
    static const TUnitGrid plain;
    return FTarget ? FTarget->Grid() : plain;
  }
  // A rectangle of buffer units (origin applied) in device pixels.
  TRect DevicePixels(const TRect& BufferRect) const { return Grid().DeviceRect(BufferRect); }
  // A logical rectangle in device pixels.
  TRect DeviceRect(const TRect& LogicalRect) const {
    return DevicePixels(OffsetRect(LogicalRect, FOrigin.X, FOrigin.Y));
  }
  // The clip in device pixels (nullptr: nothing narrowed it).
  const TRegion* DeviceClip() const;
  void ClipChanged() { FDeviceClipStale = true; }
  // Calls Fn with each piece of R (device pixels) that the buffer and clip keep.
  template <class F>
  void ForEachVisible(const TRect& R, F Fn) const;
  // Fills device pixels with the brush, or with one colour.
  void FillDevice(const TRect& R);
  void FillDevice(const TRect& R, TPixel Colour);
  // One unit of the buffer (origin applied), painted, inverted or combined by the pen's mode.
  void PlotUnit(int X, int Y, TPixel P);
  void InvertUnit(int X, int Y);
  void PenUnit(int X, int Y, TPixel P);
  void DrawTextLine(int X, int Y, std::u32string_view Line, int UnderlineIndex, const TRect* ClipTo);
  TFontInstance& FontInstance();
  // The font at the buffer's scale, whose glyphs are drawn (FontInstance places them).
  TFontInstance& ScaledFontInstance(double Scale);
  // Takes the grid of the window being painted when FollowsPaintScale says so.
  void FollowPaintScale();

  TPixelBuffer* FTarget = nullptr;
  TPen FPen;
  TBrush FBrush;
  TFont FFont;
  TPoint FPenPos;
  TPoint FOrigin;
  // In buffer units.
  std::optional<TRegion> FClip;
  mutable TRegion FDeviceClip;
  mutable TUnitGrid FDeviceClipGrid;
  mutable bool FDeviceClipStale = true;
  bool FFollowsPaintScale = false;
  std::vector<TState> FSaved;
  std::shared_ptr<TFontInstance> FFontInstance;
  TFont FInstanceFont;
  std::shared_ptr<TFontInstance> FScaledFontInstance;
  TFont FScaledInstanceFont;
  double FScaledInstanceScale = 1.0;
};

// Saves a canvas's drawing state and restores it when it goes out of scope.
class TCanvasSaver {
public:
  explicit TCanvasSaver(TCanvas& Canvas) : FCanvas(Canvas), FLevel(Canvas.Save()) {}
  ~TCanvasSaver() { FCanvas.Restore(FLevel); }
  TCanvasSaver(const TCanvasSaver&) = delete;
  TCanvasSaver& operator=(const TCanvasSaver&) = delete;

private:
  TCanvas& FCanvas;
  int FLevel;
};

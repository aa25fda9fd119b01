#pragma once

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Graphic.h"
#include "platform/graphics/PixelBuffer.h"

enum TTransparentMode { tmAuto, tmFixed };
enum TPixelFormat { pf1bit, pf4bit, pf8bit, pf16bit, pf24bit, pf32bit };

// A bitmap of 32-bit pixels with a canvas. Resizing keeps the top-left content and fills new pixels
// white; a bitmap sized from empty starts at scale 1. When Transparent is set, drawing it leaves out the pixels of TransparentColor, which in
// tmAuto mode is the colour of the bottom-left pixel.
class TBitmap : public TGraphic {
  BRIVO_CLASS(TBitmap, TGraphic)

public:
  TBitmap();
  TBitmap(int Width, int Height);

  std::unique_ptr<TGraphic> Clone() const override;
  // From another bitmap, or from nothing (the bitmap becomes empty).
  void Assign(const TPersistent* Source) override;
  void Assign(const TBitmap& Source);

  // In window units: the same as the pixels unless the bitmap followed a window's scale while a
  // control painted into it (TCanvas::SetFollowsPaintScale); Pixels() then holds more pixels.
  int Width() const override { return FPixels.UnitWidth(); }
  int Height() const override { return FPixels.UnitHeight(); }
  void SetWidth(int Value) override { SetSize(Value, Height()); }
  void SetHeight(int Value) override { SetSize(Width(), Value); }
  void SetSize(int Width, int Height);
  bool Empty() const override { return FPixels.Empty(); }

  TCanvas& Canvas() { return *FCanvas; }
  TPixelBuffer& Pixels() { return FPixels; }
  const TPixelBuffer& Pixels() const { return FPixels; }
  TPixel* ScanLine(int Y) { return FPixels.ScanLine(Y); }

  TColor TransparentColor() const;
  // Setting a colour fixes it (tmFixed); clDefault goes back to tmAuto.
  void SetTransparentColor(TColor Value);
  TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode Value);

  // The depth the bitmap is saved with: the depth it was loaded with, 24 bits for a new bitmap.
  TPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TPixelFormat Value) { FPixelFormat = Value; }

  void Draw(TCanvas& Canvas, const TRect& R) const override;
  void LoadFromStream(std::istream& Stream) override;
  void SaveToStream(std::ostream& Stream) const override;
  // A stored form keeps a bitmap as its file's length (4 bytes) and the file.
  void ReadData(std::istream& Stream) override;
  void WriteData(std::ostream& Stream) const override;
  void LoadFromBytes(std::span<const std::uint8_t> File);
  // Takes Source's pixels, depth and colour table, as loading Source's file would: the
  // transparency settings stay this bitmap's own.
  void AssignImage(const TBitmap& Source);
  std::vector<std::uint8_t> SaveToBytes() const;
  // What a stored form keeps of a published bitmap (Glyph.Data): WriteData's bytes, none when empty.
  std::vector<std::uint8_t> Data() const;
  void SetData(const std::vector<std::uint8_t>& Value);

private:
  TPixelBuffer FPixels;
  std::unique_ptr<TCanvas> FCanvas;
  TColor FTransparentColor = clDefault;
  TTransparentMode FTransparentMode = tmAuto;
  TPixelFormat FPixelFormat = pf24bit;
  std::vector<TPixel> FPalette;
};

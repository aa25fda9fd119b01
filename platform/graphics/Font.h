#pragma once

#include "platform/core/Persistent.h"
#include "platform/core/Types.h"
#include "platform/graphics/Color.h"

#include <cstdint>
#include <string>

enum TFontStyle : std::uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;

using TFontCharset = std::uint8_t;
constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset CHINESEBIG5_CHARSET = 136;

// Dots per inch of every canvas: sizes in points convert to pixels at 96 per inch.
constexpr int ScreenPixelsPerInch = 96;

// Multiplies and divides rounding half away from zero, as the platform's MulDiv does.
int MulDiv(int Number, int Numerator, int Denominator);

// A font description. Height < 0 is the character height in pixels, Height > 0 the cell height
// (character plus internal leading); Size is in points and converts through Height.
class TFont : public TPersistent {
  BRIVO_CLASS(TFont, TPersistent)

public:
  TFont() = default;

  void Assign(const TPersistent* Source) override;
  void Assign(const TFont& Source);

  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value);
  int Height() const { return FHeight; }
  void SetHeight(int Value);
  int Size() const;
  void SetSize(int Value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TFontCharset Charset() const { return FCharset; }
  void SetCharset(TFontCharset Value);

  TNotifyEvent OnChange;

  bool SameAs(const TFont& Other) const {
    return FName == Other.FName && FHeight == Other.FHeight && FStyle == Other.FStyle &&
           FColor == Other.FColor && FCharset == Other.FCharset;
  }

private:
  void Changed();

  std::string FName = "MS Sans Serif";
  int FHeight = -11;
  TFontStyles FStyle;
  TColor FColor = clWindowText;
  TFontCharset FCharset = DEFAULT_CHARSET;
};

#pragma once

#include "platform/core/Persistent.h"
#include "platform/core/Types.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Handles.h"

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

// What a font handle carries: the platform's font record, without the platform's types.
struct TFontData {
  std::string Face;
  int Height = 0;
  int Width = 0;
  int Escapement = 0;
  int Orientation = 0;
  int Weight = 400; // 400 regular, 700 bold
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  TFontCharset Charset = DEFAULT_CHARSET;
  std::uint8_t OutPrecision = 0;
  std::uint8_t ClipPrecision = 0;
  std::uint8_t Quality = 0;
  std::uint8_t PitchAndFamily = 0;

  friend bool operator==(const TFontData&, const TFontData&) = default;
};

// The font handle table. A handle lives until DeleteFontHandle (the platform's DeleteObject) or,
// for a handle a TFont took or made, until that font changes or goes.
HFONT CreateFontHandle(const TFontData& Data);
// What a live handle carries; nullptr for a stale or unknown one.
const TFontData* FontHandleData(HFONT Font);
bool DeleteFontHandle(HFONT Font);
int OutstandingFontHandles();

// A font description. Height < 0 is the character height in pixels, Height > 0 the cell height
// (character plus internal leading); Size is in points and converts through Height.
class TFont : public TPersistent {
  BRIVO_CLASS(TFont, TPersistent)

public:
  TFont() = default;
  ~TFont() override;

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

  // A handle of this description, owned by the font (made on first use, let go when the font
  // changes or goes), as the class library's font gives one.
  HFONT Handle() const;
  // Takes the font the handle describes: face, height, bold (weight 700 or more), italic,
  // underline, strike-out and character set; the colour stays. The font owns the handle from then
  // on and Handle() gives it back until the font changes. A stale or unknown handle is refused and
  // the font left as it was.
  void SetHandle(HFONT Value);

  TNotifyEvent OnChange;

  bool SameAs(const TFont& Other) const {
    return FName == Other.FName && FHeight == Other.FHeight && FStyle == Other.FStyle &&
           FColor == Other.FColor && FCharset == Other.FCharset;
  }

private:
  void Changed();
  void ReleaseHandle();

  mutable HFONT FHandle = nullptr;
  std::string FName = "MS Sans Serif";
  int FHeight = -11;
  TFontStyles FStyle;
  TColor FColor = clWindowText;
  TFontCharset FCharset = DEFAULT_CHARSET;
};

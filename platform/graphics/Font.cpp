#include "platform/graphics/Font.h"

#include <cstdlib>

int MulDiv(int Number, int Numerator, int Denominator) {
  if (Denominator == 0)
    return -1;
  const long long product = static_cast<long long>(Number) * Numerator;
  const long long half = std::llabs(static_cast<long long>(Denominator)) / 2;
  const bool negative = (product < 0) != (Denominator < 0);
  const long long magnitude = (std::llabs(product) + half) / std::llabs(static_cast<long long>(Denominator));
  return static_cast<int>(negative ? -magnitude : magnitude);
}

void TFont::Assign(const TFont& Source) {
  if (&Source == this)
    return;
  FName = Source.FName;
  FHeight = Source.FHeight;
  FStyle = Source.FStyle;
  FColor = Source.FColor;
  FCharset = Source.FCharset;
  Changed();
}

void TFont::SetName(const std::string& Value) {
  if (Value.empty() || Value == FName)
    return;
  FName = Value;
  Changed();
}

void TFont::SetHeight(int Value) {
  if (Value == FHeight)
    return;
  FHeight = Value;
  Changed();
}

int TFont::Size() const { return -MulDiv(FHeight, 72, ScreenPixelsPerInch); }

void TFont::SetSize(int Value) { SetHeight(-MulDiv(Value, ScreenPixelsPerInch, 72)); }

void TFont::SetStyle(TFontStyles Value) {
  if (Value == FStyle)
    return;
  FStyle = Value;
  Changed();
}

void TFont::SetColor(TColor Value) {
  if (Value == FColor)
    return;
  FColor = Value;
  Changed();
}

void TFont::SetCharset(TFontCharset Value) {
  if (Value == FCharset)
    return;
  FCharset = Value;
  Changed();
}

void TFont::Changed() {
  if (OnChange)
    OnChange(*this);
}

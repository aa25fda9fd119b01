#include "platform/graphics/Font.h"

#include "platform/core/ClassInfo.h"

#include <cstdlib>
#include <utility>

namespace {

THandleTable<HFONT, TFontData>& FontHandles() {
  static THandleTable<HFONT, TFontData> table;
  return table;
}

} // namespace

std::uintptr_t NewObjectHandleValue() {
  // Far from window and procedure handles; steps of 8 keep the low bits clear, as real handles' are.
  static std::uintptr_t next = 0x3000000;
  next += 8;
  return next;
}

HFONT CreateFontHandle(const TFontData& Data) { return FontHandles().Add(Data); }
const TFontData* FontHandleData(HFONT Font) { return FontHandles().Find(Font); }
bool DeleteFontHandle(HFONT Font) { return FontHandles().Remove(Font); }
int OutstandingFontHandles() { return FontHandles().Count(); }

int MulDiv(int Number, int Numerator, int Denominator) {
  if (Denominator == 0)
    return -1;
  const long long product = static_cast<long long>(Number) * Numerator;
  const long long half = std::llabs(static_cast<long long>(Denominator)) / 2;
  const bool negative = (product < 0) != (Denominator < 0);
  const long long magnitude = (std::llabs(product) + half) / std::llabs(static_cast<long long>(Denominator));
  return static_cast<int>(negative ? -magnitude : magnitude);
}

const TClassInfo& TFont::StaticClassInfo() {
  static const TEnumInfo styles("TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
  RegisterColorIdents();
  static const bool charsets = [] {
    RegisterIdents("TFontCharset", {{"ANSI_CHARSET", 0},        {"DEFAULT_CHARSET", 1},
                                    {"SYMBOL_CHARSET", 2},      {"MAC_CHARSET", 77},
                                    {"SHIFTJIS_CHARSET", 128},  {"HANGEUL_CHARSET", 129},
                                    {"JOHAB_CHARSET", 130},     {"GB2312_CHARSET", 134},
                                    {"CHINESEBIG5_CHARSET", 136}, {"GREEK_CHARSET", 161},
                                    {"TURKISH_CHARSET", 162},   {"VIETNAMESE_CHARSET", 163},
                                    {"HEBREW_CHARSET", 177},    {"ARABIC_CHARSET", 178},
                                    {"BALTIC_CHARSET", 186},    {"RUSSIAN_CHARSET", 204},
                                    {"THAI_CHARSET", 222},      {"EASTEUROPE_CHARSET", 238},
                                    {"OEM_CHARSET", 255}});
    return true;
  }();
  (void)charsets;
  static const TClassInfo Info = TClassBuilder<TFont>()
                                     .Integer("Charset", &TFont::Charset, &TFont::SetCharset)
                                     .Default(DEFAULT_CHARSET)
                                     .Idents("TFontCharset")
                                     .Color("Color", &TFont::Color, &TFont::SetColor)
                                     .Default(clWindowText)
                                     .Integer("Height", &TFont::Height, &TFont::SetHeight)
                                     .String("Name", &TFont::Name, &TFont::SetName)
                                     .Integer("Size", &TFont::Size, &TFont::SetSize)
                                     .Stored(false)
                                     .Set("Style", &TFont::Style, &TFont::SetStyle, styles)
                                     .Default(TFontStyles{})
                                     .Build();
  return Info;
}

void TFont::Assign(const TPersistent* Source) {
  if (const auto* font = dynamic_cast<const TFont*>(Source)) {
    Assign(*font);
    return;
  }
  TPersistent::Assign(Source);
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

TFont::~TFont() { ReleaseHandle(); }

void TFont::ReleaseHandle() {
  if (FHandle)
    DeleteFontHandle(std::exchange(FHandle, nullptr));
}

HFONT TFont::Handle() const {
  if (!FHandle || !FontHandleData(FHandle)) {
    TFontData data;
    data.Face = FName;
    data.Height = FHeight;
    data.Weight = FStyle.Contains(fsBold) ? 700 : 400;
    data.Italic = FStyle.Contains(fsItalic);
    data.Underline = FStyle.Contains(fsUnderline);
    data.StrikeOut = FStyle.Contains(fsStrikeOut);
    data.Charset = FCharset;
    FHandle = CreateFontHandle(data);
  }
  return FHandle;
}

void TFont::SetHandle(HFONT Value) {
  const TFontData* found = FontHandleData(Value);
  if (!found || Value == FHandle)
    return;
  const TFontData data = *found;
  ReleaseHandle();
  if (!data.Face.empty())
    FName = data.Face;
  FHeight = data.Height;
  TFontStyles style;
  if (data.Weight >= 700)
    style.Include(fsBold);
  if (data.Italic)
    style.Include(fsItalic);
  if (data.Underline)
    style.Include(fsUnderline);
  if (data.StrikeOut)
    style.Include(fsStrikeOut);
  FStyle = style;
  FCharset = data.Charset;
  FHandle = Value;
  if (OnChange)
    OnChange(this);
}

void TFont::Changed() {
  ReleaseHandle();
  if (OnChange)
    OnChange(this);
}

#pragma once

#include "platform/core/ClassInfo.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TBitmap;
class TComponent;
class TObject;

// The looks a skinned component can take. FromThemeFile reads every value from a file theme;
// DeepBlue is the look a component falls back to when no other can be determined.
enum TzykUIStyle : std::uint8_t { FromThemeFile, MacOS, WinXP, DeepBlue, Protein, BlueGlass };

// The value names of TzykUIStyle, for published UIStyle properties (UIStyle = MacOS).
const TEnumInfo& TzykUIStyleInfo();

// What kind of value a theme element holds; the codes are those of theme files.
enum TzykValueKind : std::uint8_t { zvkInt = 0, zvkColor = 1, zvkImage = 2, zvkBool = 3 };

// The theme elements, numbered as in theme files.
enum TzykThemeElement : int {
  zteButtonImage = 1,
  zteButtonTransparentBool,
  zteCheckBoxImage,
  zteRadioButtonImage,
  zteTitleBarButtonImage,
  zteTitleBarButtonTransparentBool,
  zteTitleBarButtonLeftOffsetInt,
  zteTitleBarButtonRightOffsetInt,
  zteTitleBarButtonTopInt,
  zteTitleBarLeftImage,
  zteTitleBarClientImage,
  zteTitleBarRightImage,
  zteFormMinWidthInt,
  zteFormRoundCornerInt,
  zteFormBackgroundColor,
  zteFormBorderColor,
  zteFormBorderWidthInt,
  zteMenuSelectedBorderColor,
  zteMenuSelectedBackgroundColor,
  zteMenuSelectedFontColor,
  zteMenuBackgroundColor,
  zteMenuFontColor,
  zteMenuBarColor,
  zteProgressBarImage,
  zteControlBorderColor,
  zteControlBackgroundColor,
  zteControlFontColor,
  zteTrackBarBarImage,
  zteTrackBarSliderImage,
  zteTrackBarSliderVImage,
  zteScrollBarBackgroundColor,
  zteScrollBarButtonImage,
  zteScrollBarSliderImage,
  zteCheckListBoxImage,
  zteToolBarButtonBorderColor,
  zteToolBarButtonBackgroundColor,
  zteToolBarButtonDownBackgroundColor,
  zteScrollButtonImage,
  zteTabControlTabImage,
  zteTabControlBarImage,
  zteSideChannelHandleImage,
  zteSideChannelBarImage,
};

constexpr int zykElementCount = 42;

struct TzykElementInfo {
  std::string_view Key; // "ButtonImage": also the entry name in theme files
  TzykValueKind Kind;
};

// Key and kind of element 1..42; throws std::out_of_range for any other number.
const TzykElementInfo& ElementInfo(int Element);
// The element whose key is Key (letter case ignored), or 0 when there is none.
int FindElement(std::string_view Key);

// One cell of the built-in table. Image cells carry the bitmap resource's name and Value 0.
struct TzykBuiltInValue {
  TzykValueKind Kind = zvkInt;
  int Value = -1;
  std::string_view Resource;
};

// The raw table lookup. For FromThemeFile, any style outside MacOS..BlueGlass and any element
// outside 1..42 the result has Kind zvkInt and Value -1.
TzykBuiltInValue GetBuiltInValue(TzykUIStyle Style, int Element);
// The value when the element is of the getter's kind; otherwise False, 0 and -1 respectively.
bool GetBuiltInBool(TzykUIStyle Style, int Element);
TColor GetBuiltInColor(TzykUIStyle Style, int Element);
int GetBuiltInInt(TzykUIStyle Style, int Element);

// Replaces Bitmap's size and pixels with the element's picture; leaves it alone when Bitmap is
// null or the element holds no picture in that look.
void LoadBuiltInBitmap(TzykUIStyle Style, int Element, TBitmap* Bitmap);
// As LoadBuiltInBitmap with FrameCount 0; otherwise Bitmap becomes frame FrameIndex (1-based) of
// FrameCount equal frames cut side by side from the picture.
void GetBuiltInBitmap(TzykUIStyle Style, int Element, TBitmap* Bitmap, int FrameCount, int FrameIndex);

// Loads a bitmap resource of the program by name (the look pictures outside the element table,
// "MACOS_MENU_BAR" and the like). Raises EResNotFound for a name the program does not carry.
void LoadBitmapResource(TBitmap& Bitmap, std::string_view Name);

// Whether Object is a skinned form (a TzykForm or a class derived from it).
bool IsSkinnedForm(const TObject& Object);

// The look a component created with Owner starts with: the UIStyle of the first skinned form
// (TzykForm) among the child controls of Owner when Owner is a form; DeepBlue otherwise.
TzykUIStyle GetFormUIStyle(TComponent* Owner);

class TzykThemeFileReader;

// Reads the theme elements from one theme file, through its key names.
class TzykFileThemeMgr {
public:
  TzykFileThemeMgr();
  ~TzykFileThemeMgr();
  TzykFileThemeMgr(const TzykFileThemeMgr&) = delete;
  TzykFileThemeMgr& operator=(const TzykFileThemeMgr&) = delete;

  // False, keeping the current file, when no file of that name exists. Otherwise the current file
  // is dropped and FileName read whole; a malformed file raises EThemeFileError and leaves none.
  bool LoadFromFile(const std::string& FileName);
  bool HasFile() const { return FReader != nullptr; }

  // Bitmap is left unchanged without a file or when the file lacks the element's picture.
  void GetBitmap(int Element, TBitmap& Bitmap) const;
  // Without a file: False, 0, 0. With one, an element the file lacks: False, -1, -1.
  bool GetBool(int Element) const;
  int GetInt(int Element) const;
  TColor GetColor(int Element) const;

private:
  std::unique_ptr<TzykThemeFileReader> FReader;
};

#include "skin/foundation/ZYKThemes.h"

#include "platform/controls/Form.h"
#include "platform/core/Resources.h"
#include "platform/core/StartupTrace.h"
#include "platform/graphics/Bitmap.h"
#include "skin/foundation/ZYKPublic.h"
#include "skin/foundation/ZYKThemeFile.h"

#include <array>
#include <cctype>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

constexpr int LookCount = 5;

// Per element: key, kind, the resource-name suffix of Image elements.
struct TElementRow {
  TzykElementInfo Info;
  std::string_view Suffix;
};

constexpr std::array<TElementRow, zykElementCount> Elements{{
    {{"ButtonImage", zvkImage}, "BUTTON"},
    {{"ButtonTransparentBool", zvkBool}, {}},
    {{"CheckBoxImage", zvkImage}, "CHECKBOX"},
    {{"RadioButtonImage", zvkImage}, "RADIOBUTTON"},
    {{"TitleBarButtonImage", zvkImage}, "TITLEBTN"},
    {{"TitleBarButtonTransparentBool", zvkBool}, {}},
    {{"TitleBarButtonLeftOffsetInt", zvkInt}, {}},
    {{"TitleBarButtonRightOffsetInt", zvkInt}, {}},
    {{"TitleBarButtonTopInt", zvkInt}, {}},
    {{"TitleBarLeftImage", zvkImage}, "TITLE_LEFT"},
    {{"TitleBarClientImage", zvkImage}, "TITLE_CLIENT"},
    {{"TitleBarRightImage", zvkImage}, "TITLE_RIGHT"},
    {{"FormMinWidthInt", zvkInt}, {}},
    {{"FormRoundCornerInt", zvkInt}, {}},
    {{"FormBackgroundColor", zvkColor}, {}},
    {{"FormBorderColor", zvkColor}, {}},
    {{"FormBorderWidthInt", zvkInt}, {}},
    {{"MenuSelectedBorderColor", zvkColor}, {}},
    {{"MenuSelectedBackgroundColor", zvkColor}, {}},
    {{"MenuSelectedFontColor", zvkColor}, {}},
    {{"MenuBackgroundColor", zvkColor}, {}},
    {{"MenuFontColor", zvkColor}, {}},
    {{"MenuBarColor", zvkColor}, {}},
    {{"ProgressBarImage", zvkImage}, "PROGRESSBAR"},
    {{"ControlBorderColor", zvkColor}, {}},
    {{"ControlBackgroundColor", zvkColor}, {}},
    {{"ControlFontColor", zvkColor}, {}},
    {{"TrackBarBarImage", zvkImage}, "TRACKBAR_BAR"},
    {{"TrackBarSliderImage", zvkImage}, "TRACKBAR_SLIDER"},
    {{"TrackBarSliderVImage", zvkImage}, "TRACKBAR_SLIDER_V"},
    {{"ScrollBarBackgroundColor", zvkColor}, {}},
    {{"ScrollBarButtonImage", zvkImage}, "SCROLLBAR_BUTTON"},
    {{"ScrollBarSliderImage", zvkImage}, "SCROLLBAR_TRACK"},
    {{"CheckListBoxImage", zvkImage}, "CHECKLIST"},
    {{"ToolBarButtonBorderColor", zvkColor}, {}},
    {{"ToolBarButtonBackgroundColor", zvkColor}, {}},
    {{"ToolBarButtonDownBackgroundColor", zvkColor}, {}},
    {{"ScrollButtonImage", zvkImage}, "SCROLLBUTTON"},
    {{"TabControlTabImage", zvkImage}, "TAB"},
    {{"TabControlBarImage", zvkImage}, "TAB_LINE"},
    {{"SideChannelHandleImage", zvkImage}, "SIDECHENNEL_HANDLE"},
    {{"SideChannelBarImage", zvkImage}, "SIDECHENNEL_BAR"},
}};

constexpr std::array<std::string_view, LookCount> Prefixes{"MACOS_", "WINXP_", "DEEPBLUE_", "PROTEIN_",
                                                          "BLUEGLASS_"};

// The non-picture values, one column per look (MacOS .. BlueGlass); picture elements hold 0 here.
using TValueRow = std::array<int, LookCount>;
constexpr std::array<TValueRow, zykElementCount> Values{{
    {0, 0, 0, 0, 0},                                            // 1 ButtonImage
    {1, 0, 0, 0, 1},                                            // 2 ButtonTransparentBool
    {0, 0, 0, 0, 0},                                            // 3
    {0, 0, 0, 0, 0},                                            // 4
    {0, 0, 0, 0, 0},                                            // 5
    {0, 0, 0, 1, 1},                                            // 6 TitleBarButtonTransparentBool
    {3, 2, 0, 0, 4},                                            // 7 TitleBarButtonLeftOffsetInt
    {-2, -2, 0, 0, -3},                                         // 8 TitleBarButtonRightOffsetInt
    {4, 5, 2, 2, 6},                                            // 9 TitleBarButtonTopInt
    {0, 0, 0, 0, 0},                                            // 10
    {0, 0, 0, 0, 0},                                            // 11
    {0, 0, 0, 0, 0},                                            // 12
    {130, 150, 130, 130, 270},                                  // 13 FormMinWidthInt
    {0, 13, 0, 0, 11},                                          // 14 FormRoundCornerInt
    {0xE7E7E7, 0xDEEBEF, 0xE8E8E8, 0xFBFBFB, 0xE7E7E7},         // 15 FormBackgroundColor
    {0x7F7F7F, 0xC82C00, 0x000000, 0x000000, 0x000000},         // 16 FormBorderColor
    {1, 3, 1, 1, 1},                                            // 17 FormBorderWidthInt
    {0xC47339, 0xC66931, 0xA04A44, 0xC4302D, 0xEC5E5E},         // 18 MenuSelectedBorderColor
    {0xC47339, 0xEFD3C6, 0xA04A44, 0xC4302D, 0xEC5E5E},         // 19 MenuSelectedBackgroundColor
    {0xFFFFFF, 0x000000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},         // 20 MenuSelectedFontColor
    {0x000000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xE7E7E7},         // 21 MenuBackgroundColor
    {0x000000, 0x000000, 0x000000, 0x000000, 0x000000},         // 22 MenuFontColor
    {0x000000, 0xCED3D6, 0xCED3D6, 0xCED3D6, 0xCED3D6},         // 23 MenuBarColor
    {0, 0, 0, 0, 0},                                            // 24
    {0x7F7F7F, 0x686868, 0x000000, 0x000000, 0x000000},         // 25 ControlBorderColor
    {0xE7E7E7, 0xDEEBEF, 0xE8E8E8, 0xFBFBFB, 0xE7E7E7},         // 26 ControlBackgroundColor
    {0x000000, 0xCF4602, 0x000000, 0x000000, 0x000000},         // 27 ControlFontColor
    {0, 0, 0, 0, 0},                                            // 28
    {0, 0, 0, 0, 0},                                            // 29
    {0, 0, 0, 0, 0},                                            // 30
    {0xC9C9C9, 0xF9F9F9, 0xF5F5F5, 0xF5F5F5, 0xF4F4F4},         // 31 ScrollBarBackgroundColor
    {0, 0, 0, 0, 0},                                            // 32
    {0, 0, 0, 0, 0},                                            // 33
    {0, 0, 0, 0, 0},                                            // 34
    {0x474747, 0xC66931, 0x474747, 0x474747, 0x474747},         // 35 ToolBarButtonBorderColor
    {0xEFEFEF, 0xEFD3C6, 0xEFEFEF, 0xEFEFEF, 0xEFEFEF},         // 36 ToolBarButtonBackgroundColor
    {0xD8D8D8, 0xE1AC93, 0xD8D8D8, 0xD8D8D8, 0xD8D8D8},         // 37 ToolBarButtonDownBackgroundColor
    {0, 0, 0, 0, 0},                                            // 38
    {0, 0, 0, 0, 0},                                            // 39
    {0, 0, 0, 0, 0},                                            // 40
    {0, 0, 0, 0, 0},                                            // 41
    {0, 0, 0, 0, 0},                                            // 42
}};

// Image names: the look's prefix and the element's suffix, except that three looks share one
// picture for the scroll button.
const std::array<std::array<std::string, zykElementCount>, LookCount>& ResourceNames() {
  static const auto Names = [] {
    std::array<std::array<std::string, zykElementCount>, LookCount> names;
    for (int look = 0; look < LookCount; ++look)
      for (int element = 1; element <= zykElementCount; ++element) {
        const TElementRow& row = Elements[element - 1];
        if (row.Info.Kind != zvkImage)
          continue;
        std::string& name = names[look][element - 1];
        if (element == zteScrollButtonImage && look + 1 >= DeepBlue)
          name = "MORE_SCROLLBUTTON";
        else
          name = std::string(Prefixes[look]) + std::string(row.Suffix);
      }
    return names;
  }();
  return Names;
}

bool IsBuiltInLook(TzykUIStyle Style) { return Style >= MacOS && Style <= BlueGlass; }

} // namespace

const TEnumInfo& TzykUIStyleInfo() {
  static const TEnumInfo Info("TzykUIStyle", {"FromThemeFile", "MacOS", "WinXP", "DeepBlue", "Protein", "BlueGlass"});
  return Info;
}

const TzykElementInfo& ElementInfo(int Element) {
  if (Element < 1 || Element > zykElementCount)
    throw std::out_of_range("theme element " + std::to_string(Element) + " does not exist");
  return Elements[Element - 1].Info;
}

int FindElement(std::string_view Key) {
  for (int element = 1; element <= zykElementCount; ++element)
    if (SameText(Elements[element - 1].Info.Key, Key))
      return element;
  return 0;
}

TzykBuiltInValue GetBuiltInValue(TzykUIStyle Style, int Element) {
  if (!IsBuiltInLook(Style) || Element < 1 || Element > zykElementCount)
    return {};
  const int look = Style - MacOS;
  const TzykValueKind kind = Elements[Element - 1].Info.Kind;
  if (kind == zvkImage)
    return {kind, 0, ResourceNames()[look][Element - 1]};
  return {kind, Values[Element - 1][look], {}};
}

bool GetBuiltInBool(TzykUIStyle Style, int Element) {
  const TzykBuiltInValue value = GetBuiltInValue(Style, Element);
  return value.Kind == zvkBool && value.Value != 0;
}

TColor GetBuiltInColor(TzykUIStyle Style, int Element) {
  const TzykBuiltInValue value = GetBuiltInValue(Style, Element);
  return value.Kind == zvkColor ? value.Value : 0;
}

int GetBuiltInInt(TzykUIStyle Style, int Element) {
  const TzykBuiltInValue value = GetBuiltInValue(Style, Element);
  return value.Kind == zvkInt ? value.Value : -1;
}

namespace {

// The program's pictures, each decoded when it is first asked for and kept for the life of the
// process (they are the program's own, a few hundred kilobytes in all): every component applies
// the default look before its stored one, and a look's frames are cut again each time it is
// applied, so the same file would otherwise be decoded over and over.
const TBitmap& DecodedResource(std::string_view Name) {
  static std::map<std::string, std::unique_ptr<TBitmap>, std::less<>> decoded;
  std::string key(Name);
  for (char& c : key)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  auto it = decoded.find(key);
  if (it == decoded.end()) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->LoadFromBytes(FindResource(Name, TResourceType::Bitmap));
    it = decoded.emplace(std::move(key), std::move(bitmap)).first;
  }
  return *it->second;
}

} // namespace

void LoadBitmapResource(TBitmap& Bitmap, std::string_view Name) {
  TStartupSpan span("look pictures");
  Bitmap.AssignImage(DecodedResource(Name));
}

void LoadBuiltInBitmap(TzykUIStyle Style, int Element, TBitmap* Bitmap) {
  const TzykBuiltInValue value = GetBuiltInValue(Style, Element);
  if (Bitmap != nullptr && value.Kind == zvkImage)
    LoadBitmapResource(*Bitmap, value.Resource);
}

void GetBuiltInBitmap(TzykUIStyle Style, int Element, TBitmap* Bitmap, int FrameCount, int FrameIndex) {
  if (Bitmap == nullptr)
    return;
  if (FrameCount == 0) {
    LoadBuiltInBitmap(Style, Element, Bitmap);
    return;
  }
  const TzykBuiltInValue value = GetBuiltInValue(Style, Element);
  if (value.Kind != zvkImage)
    return;
  TStartupSpan span("look pictures");
  ExtractBitmapFrame(DecodedResource(value.Resource), *Bitmap, FrameCount, FrameIndex);
}

// The skinned form lives in a unit above this one; it is recognised by its class name, which also
// finds classes derived from it.
bool IsSkinnedForm(const TObject& Object) {
  for (const TClassInfo* c = &Object.ClassInfo(); c != nullptr; c = c->ClassParent())
    if (c->ClassName() == "TzykForm")
      return true;
  return false;
}

TzykUIStyle GetFormUIStyle(TComponent* Owner) {
  auto* form = dynamic_cast<TCustomForm*>(Owner);
  if (form == nullptr)
    return DeepBlue;
  for (int i = 0; i < form->ControlCount(); ++i) {
    TControl* child = form->Controls(i);
    if (IsSkinnedForm(*child))
      return static_cast<TzykUIStyle>(GetOrdProp(*child, "UIStyle"));
  }
  return DeepBlue;
}

// ---- TzykFileThemeMgr

namespace {

// The key of Element, or empty for a number outside the table, which no lookup then finds.
std::string_view ElementKey(int Element) {
  return Element >= 1 && Element <= zykElementCount ? ElementInfo(Element).Key : std::string_view();
}

} // namespace

TzykFileThemeMgr::TzykFileThemeMgr() = default;
TzykFileThemeMgr::~TzykFileThemeMgr() = default;

bool TzykFileThemeMgr::LoadFromFile(const std::string& FileName) {
  if (!std::filesystem::is_regular_file(FileName))
    return false;
  FReader.reset();
  FReader = std::make_unique<TzykThemeFileReader>(FileName);
  return true;
}

void TzykFileThemeMgr::GetBitmap(int Element, TBitmap& Bitmap) const {
  const std::string_view Key = ElementKey(Element);
  if (!FReader || Key.empty())
    return;
  if (std::istream* Stream = FReader->GetFile(Key))
    Bitmap.LoadFromStream(*Stream);
}

bool TzykFileThemeMgr::GetBool(int Element) const {
  const std::string_view Key = ElementKey(Element);
  return FReader && !Key.empty() && FReader->GetBool(Key);
}

int TzykFileThemeMgr::GetInt(int Element) const {
  if (!FReader)
    return 0;
  const std::string_view Key = ElementKey(Element);
  return Key.empty() ? -1 : FReader->GetInt(Key);
}

TColor TzykFileThemeMgr::GetColor(int Element) const { return static_cast<TColor>(GetInt(Element)); }

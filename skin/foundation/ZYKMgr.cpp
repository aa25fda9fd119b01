#include "skin/foundation/ZYKMgr.h"

#include "platform/controls/Form.h"
#include "platform/core/Executable.h"
#include "platform/graphics/Bitmap.h"
#include "skin/foundation/ZYKPublic.h"

#include <filesystem>
#include <system_error>

namespace {

bool FileExists(const std::string& Name) {
  std::error_code Error;
  return std::filesystem::is_regular_file(Name, Error);
}

} // namespace

const TClassInfo& TzykFileTheme::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TzykFileTheme>()
                                     .String("ThemeFile", &TzykFileTheme::ThemeFile, &TzykFileTheme::SetThemeFile)
                                     .Build();
  return Info;
}

void RegisterFileThemeClasses() { RegisterClass(TzykFileTheme::StaticClassInfo()); }

TzykFileTheme::TzykFileTheme(TComponent* AOwner) : TComponent(AOwner), FMgr(std::make_unique<TzykFileThemeMgr>()) {}

TzykFileTheme::~TzykFileTheme() = default;

void TzykFileTheme::SetThemeFile(const std::string& Value) {
  if (Value == FThemeFile)
    return;
  std::string Name = Value;
  if (!FileExists(Name)) {
    Name = ExecutableDirectory() + ExtractFileName(Value);
    if (!FileExists(Name))
      return;
  }
  FThemeFile = Name;
  FIsLoaded = FMgr->LoadFromFile(Name);
  if (FIsLoaded)
    ReassignOwnerFormComponents();
}

void TzykFileTheme::ReassignOwnerFormComponents() {
  TComponent* Form = Owner();
  if (!Form || !Form->Is<TCustomForm>())
    return;
  // A setter may add or remove components of the form, so the count is read on every step.
  for (int i = 0; i < Form->ComponentCount(); ++i) {
    TComponent* Component = Form->Components(i);
    if (!Component->ClassName().starts_with("Tzyk") || !HasPublishedProperty(Component, "FileTheme") ||
        GetObjectProp(*Component, "FileTheme") != this)
      continue;
    SetObjectProp(*Component, "FileTheme", this);
  }
}

void TzykFileTheme::GetBitmapFrame(int Element, TBitmap& Bitmap, int FrameCount, int FrameIndex) const {
  TBitmap Whole;
  FMgr->GetBitmap(Element, Whole);
  ExtractBitmapFrame(Whole, Bitmap, FrameCount, FrameIndex);
}

bool UsingFileTheme(const TzykFileTheme* FileTheme, TzykUIStyle UIStyle, TzykUIStyle& EffectiveStyle) {
  EffectiveStyle = UIStyle;
  if (UIStyle != FromThemeFile)
    return false;
  if (FileTheme && FileTheme->IsLoaded())
    return true;
  EffectiveStyle = DeepBlue;
  return false;
}

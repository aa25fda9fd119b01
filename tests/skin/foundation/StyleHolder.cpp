#include "tests/skin/foundation/StyleHolder.h"

#include "platform/core/Classes.h"

const TClassInfo& TStyleHolder::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TStyleHolder>()
                                     .Enum("UIStyle", &TStyleHolder::UIStyle, &TStyleHolder::SetUIStyle, TzykUIStyleInfo())
                                     .Default(DeepBlue)
                                     .Build();
  return Info;
}

const TClassInfo& TStyleHolderWithTheme::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TStyleHolderWithTheme>()
          .Component("FileTheme", &TStyleHolderWithTheme::FileTheme, &TStyleHolderWithTheme::SetFileTheme)
          .Build();
  return Info;
}

const TClassInfo& standin::TzykForm::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<standin::TzykForm>().Build();
  return Info;
}

const TClassInfo& TDerivedSkinnedForm::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TDerivedSkinnedForm>().Build();
  return Info;
}

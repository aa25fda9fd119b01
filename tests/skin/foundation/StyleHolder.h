#pragma once

#include "platform/core/Component.h"
#include "skin/foundation/ZYKThemes.h"

// Stand-ins for skinned components: one publishes only UIStyle, the other also FileTheme.
class TStyleHolder : public TComponent {
  BRIVO_CLASS(TStyleHolder, TComponent)

public:
  using TComponent::TComponent;
  TzykUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TzykUIStyle Value) { FUIStyle = Value; }

private:
  TzykUIStyle FUIStyle = DeepBlue;
};

class TStyleHolderWithTheme : public TStyleHolder {
  BRIVO_CLASS(TStyleHolderWithTheme, TStyleHolder)

public:
  using TStyleHolder::TStyleHolder;
  TComponent* FileTheme() const { return FFileTheme; }
  void SetFileTheme(TComponent* Value) { FFileTheme = Value; }

private:
  TComponent* FFileTheme = nullptr;
};

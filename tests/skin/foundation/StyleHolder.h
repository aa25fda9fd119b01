#pragma once

#include "platform/controls/Panel.h"
#include "skin/foundation/ZYKThemes.h"

#include <string>
#include <vector>

// Stand-ins for skinned controls: one publishes only UIStyle, the other also FileTheme. Both note
// each property write in Log, so tests can check what was written and in which order.
class TStyleHolder : public TCustomPanel {
  BRIVO_CLASS(TStyleHolder, TCustomPanel)

public:
  using TCustomPanel::TCustomPanel;
  TzykUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TzykUIStyle Value) {
    FUIStyle = Value;
    Log.push_back("UIStyle=" + TzykUIStyleInfo().Name(Value));
  }
  std::vector<std::string> Log;

private:
  TzykUIStyle FUIStyle = DeepBlue;
};

class TStyleHolderWithTheme : public TStyleHolder {
  BRIVO_CLASS(TStyleHolderWithTheme, TStyleHolder)

public:
  using TStyleHolder::TStyleHolder;
  TComponent* FileTheme() const { return FFileTheme; }
  void SetFileTheme(TComponent* Value) {
    FFileTheme = Value;
    Log.push_back("FileTheme=" + (Value ? Value->Name() : std::string("nil")));
  }

private:
  TComponent* FFileTheme = nullptr;
};

// The skinned form as GetFormUIStyle recognises it, by its class name, until the real one exists.
namespace standin {
class TzykForm : public TStyleHolder {
  BRIVO_CLASS(TzykForm, TStyleHolder)

public:
  using TStyleHolder::TStyleHolder;
};
} // namespace standin

class TDerivedSkinnedForm : public standin::TzykForm {
  BRIVO_CLASS(TDerivedSkinnedForm, standin::TzykForm)

public:
  using standin::TzykForm::TzykForm;
};

#include "skin/menus/ZYKMainMenu.h"

#include "platform/controls/Form.h"

const TClassInfo& TzykMainMenu::StaticClassInfo() {
  static const TClassInfo Info = [] {
    using T = TzykMainMenu;
    TClassBuilder<T> builder;
    builder.Component("Images", &T::Images, &T::SetImages);
    return AddSkinnedMenuProperties(builder).Build();
  }();
  return Info;
}

TzykMainMenu::TzykMainMenu(TComponent* AOwner) : TzykSkinnedMenu<TMainMenu>(AOwner), FCheckImages(MakeCheckImages()) {
  TMainMenu::SetImages(FCheckImages.get());
}

TzykMainMenu::~TzykMainMenu() {
  // Nothing may reach the host from a menu that is going.
  Destroying();
  TMainMenu::SetImages(nullptr);
  FCheckImages.reset();
}

void TzykMainMenu::AfterConstruction() {
  TzykSkinnedMenu<TMainMenu>::AfterConstruction();
  auto* form = dynamic_cast<TCustomForm*>(Owner());
  if (!form)
    return;
  form->SetMenu(nullptr);
  for (int i = 0; i < form->ControlCount(); ++i)
    if (TControl* child = form->Controls(i); IsSkinnedForm(*child)) {
      SetObjectProp(*child, "Menu", this);
      return;
    }
}

TImageList* TzykMainMenu::Images() const {
  TImageList* list = TMainMenu::Images();
  return list == FCheckImages.get() ? nullptr : list;
}

void TzykMainMenu::SetImages(TImageList* Value) { TMainMenu::SetImages(Value ? Value : FCheckImages.get()); }

void TzykMainMenu::SetUseSystemFont(bool Value) {
  TzykSkinnedMenu<TMainMenu>::SetUseSystemFont(Value);
  if (FHostForm)
    FHostForm->ApplyMenuBarFont();
}

void TzykMainMenu::HookMenuItems() {
  TzykSkinnedMenu<TMainMenu>::HookMenuItems();
  if (FHostForm)
    FHostForm->RebuildMenuBar();
}

void TzykMainMenu::MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild) {
  TMainMenu::MenuChanged(Sender, Source, Rebuild);
  if (!dynamic_cast<TCustomForm*>(Owner()) || ComponentState().Contains(csDestroying))
    return;
  if (FHostForm)
    FHostForm->RefreshMenuBar();
  if (FHostForm && !ComponentState().Contains(csLoading) && ComponentState().Contains(csDesigning))
    FHostForm->RebuildMenuBar();
}

void RegisterZYKMainMenuClasses() { RegisterClass(TzykMainMenu::StaticClassInfo()); }

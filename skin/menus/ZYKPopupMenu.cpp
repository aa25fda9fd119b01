#include "skin/menus/ZYKPopupMenu.h"

namespace {

// Made on first use rather than at start-up, so that it never waits on the resource table.
const TImageList& SharedCheckImages() {
  static const std::unique_ptr<TImageList> list = MakeCheckImages();
  return *list;
}

} // namespace

const TClassInfo& TzykPopupMenu::StaticClassInfo() {
  static const TClassInfo Info = [] {
    TClassBuilder<TzykPopupMenu> builder;
    return AddSkinnedMenuProperties(builder).Build();
  }();
  return Info;
}

TzykPopupMenu::TzykPopupMenu(TComponent* AOwner) : TzykSkinnedMenu<TPopupMenu>(AOwner) {}

const TImageList* TzykPopupMenu::CheckImages() const { return &SharedCheckImages(); }

void RegisterZYKPopupMenuClasses() { RegisterClass(TzykPopupMenu::StaticClassInfo()); }

#pragma once

#include "skin/menus/ZYKPopupMenu.h"

#include <memory>

// What a main menu asks of the skinned form that shows it in a menu bar of its own (the menu is
// not attached to the window as a native menu bar). The skinned form implements it.
class TzykMenuBarHost {
public:
  // Builds the bar's buttons anew from the menu's top-level items.
  virtual void RebuildMenuBar() = 0;
  // Takes the buttons' captions and enabled states from their items.
  virtual void RefreshMenuBar() = 0;
  // Gives the bar the menu's font (or the system menu font) and repaints it.
  virtual void ApplyMenuBarFont() = 0;

protected:
  ~TzykMenuBarHost() = default;
};

// A form's main menu drawn in a look, shown by the form's skinned form in its own menu bar. It has a
// check mark list of its own; Images reads null until the user gives the menu a list of images.
class TzykMainMenu : public TzykSkinnedMenu<TMainMenu> {
  BRIVO_CLASS(TzykMainMenu, TMainMenu)

public:
  explicit TzykMainMenu(TComponent* AOwner);
  ~TzykMainMenu() override;

  // Detaches the owner form's native menu and registers with its skinned form, when it has one.
  void AfterConstruction() override;

  // The user's image list, or null while the menu draws from its own check marks.
  TImageList* Images() const;
  // Null gives the menu its check mark list back.
  void SetImages(TImageList* Value);

  // The skinned form showing this menu, or null. Only the skinned form sets it.
  TzykMenuBarHost* HostForm() const { return FHostForm; }
  void SetHostForm(TzykMenuBarHost* Value) { FHostForm = Value; }

  // Also asks the host to apply the menu font to its bar.
  void SetUseSystemFont(bool Value) override;
  // Also asks the host to rebuild its bar.
  void HookMenuItems() override;

  const TImageList* CheckImages() const override { return FCheckImages.get(); }
  const TImageList* ItemImages() const override { return Images(); }

protected:
  void MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild) override;

private:
  std::unique_ptr<TImageList> FCheckImages;
  TzykMenuBarHost* FHostForm = nullptr;
};

// Makes TzykMainMenu creatable by name in stored forms.
void RegisterZYKMainMenuClasses();

#pragma once

#include "platform/controls/MenuLoop.h"
#include "platform/controls/Menus.h"
#include "platform/core/ClassInfo.h"
#include "skin/foundation/ZYKMgr.h"
#include "skin/menus/ZYKMenu.h"

#include <string>

// What the popup menu and the main menu share: the published appearance values, the look that
// sets them, and the handlers that measure and paint every item with them. Items are always owner
// drawn: OwnerDraw reads true whatever is written.
//
// Base is the platform menu class the component derives from. Class information and the class
// name are the deriving class's own (its inherited class is Base).
template <class Base>
class TzykSkinnedMenu : public Base {
public:
  explicit TzykSkinnedMenu(TComponent* AOwner) : Base(AOwner) {
    Base::SetOwnerDraw(true);
    SetUIStyle(GetFormUIStyle(AOwner));
  }

  bool OwnerDraw() const { return true; }
  void SetOwnerDraw(bool) {}
  TzykFileTheme* FileTheme() const { return FFileTheme; }
  // Not owned: cleared (and the look turned DeepBlue) when the theme goes. Re-applies the look.
  void SetFileTheme(TzykFileTheme* Value) {
    this->ReplaceReference(FFileTheme, Value);
    FAppearance.FileTheme = FFileTheme;
    SetUIStyle(FAppearance.UIStyle);
  }
  TzykUIStyle UIStyle() const { return FAppearance.UIStyle; }
  // Overwrites the heights, stripe width, separator colour and the six look colours.
  void SetUIStyle(TzykUIStyle Value) { ApplyMenuLook(FAppearance, Value); }
  // MacOS keeps its heights: writes are ignored there.
  int MenuItemHeight() const { return FAppearance.MenuItemHeight; }
  void SetMenuItemHeight(int Value) {
    if (FAppearance.UIStyle != MacOS)
      FAppearance.MenuItemHeight = Value;
  }
  int SeparatorHeight() const { return FAppearance.SeparatorHeight; }
  void SetSeparatorHeight(int Value) {
    if (FAppearance.UIStyle != MacOS)
      FAppearance.SeparatorHeight = Value;
  }
  int BarWidth() const { return FAppearance.BarWidth; }
  void SetBarWidth(int Value) { FAppearance.BarWidth = Value; }
  TColor BarColor() const { return FAppearance.BarColor; }
  void SetBarColor(TColor Value) { FAppearance.BarColor = Value; }
  TColor Color() const { return FAppearance.Color; }
  void SetColor(TColor Value) { FAppearance.Color = Value; }
  TColor SeparatorColor() const { return FAppearance.SeparatorColor; }
  void SetSeparatorColor(TColor Value) { FAppearance.SeparatorColor = Value; }
  TColor SelectedBorderColor() const { return FAppearance.SelectedBorderColor; }
  void SetSelectedBorderColor(TColor Value) { FAppearance.SelectedBorderColor = Value; }
  TColor SelectedColor() const { return FAppearance.SelectedColor; }
  void SetSelectedColor(TColor Value) { FAppearance.SelectedColor = Value; }
  TColor SelectedFontColor() const { return FAppearance.SelectedFontColor; }
  void SetSelectedFontColor(TColor Value) { FAppearance.SelectedFontColor = Value; }
  TColor FontColor() const { return FAppearance.FontColor; }
  void SetFontColor(TColor Value) { FAppearance.FontColor = Value; }
  TColor BorderColor() const { return FAppearance.BorderColor; }
  void SetBorderColor(TColor Value) { FAppearance.BorderColor = Value; }
  bool FlatMenu() const { return FAppearance.FlatMenu; }
  void SetFlatMenu(bool Value) { FAppearance.FlatMenu = Value; }
  const std::string& FontName() const { return FAppearance.FontName; }
  void SetFontName(const std::string& Value) { FAppearance.FontName = Value; }
  int FontSize() const { return FAppearance.FontSize; }
  void SetFontSize(int Value) { FAppearance.FontSize = Value; }
  TFontCharset FontCharset() const { return FAppearance.FontCharset; }
  void SetFontCharset(TFontCharset Value) { FAppearance.FontCharset = Value; }
  bool UseSystemFont() const { return FAppearance.UseSystemFont; }
  virtual void SetUseSystemFont(bool Value) { FAppearance.UseSystemFont = Value; }

  const TzykMenuAppearance& Appearance() const { return FAppearance; }
  // The check mark the items draw, and the list their ImageIndex refers to (may be null).
  virtual const TImageList* CheckImages() const = 0;
  virtual const TImageList* ItemImages() const = 0;

  // Gives every top-level item (and its sub-items) this menu's handlers.
  virtual void HookMenuItems() {
    TMenuItem* root = this->Items();
    for (int i = 0; i < root->Count(); ++i)
      SetMenuItemEvents(root->Items(i), MeasureHandler(), DrawHandler());
  }

  // The handlers find their menu again through its root item each time, so that an item which
  // outlives the menu that hooked it falls back to the platform's drawing instead of a dead menu.
  TMenuMeasureItemEvent MeasureHandler() const {
    return [root = this->Items()->Command()](TObject* Sender, TCanvas& Canvas, int& Width, int& Height) {
      const auto* item = dynamic_cast<const TMenuItem*>(Sender);
      if (const TzykSkinnedMenu* menu = Alive(root); menu && item)
        MeasureMenuItem(menu->FAppearance, *item, Canvas, Width, Height);
    };
  }
  TMenuDrawItemEvent DrawHandler() const {
    return [root = this->Items()->Command()](TObject* Sender, TCanvas& Canvas, const TRect& Rect, bool Selected) {
      const auto* item = dynamic_cast<const TMenuItem*>(Sender);
      if (!item)
        return;
      if (const TzykSkinnedMenu* menu = Alive(root))
        DrawMenuItem(menu->FAppearance, menu->CheckImages(), menu->ItemImages(), *item, Canvas, Rect, Selected);
      else
        DrawMenuItemDefault(Canvas, *item, Rect, Selected, nullptr);
    };
  }

protected:
  void Loaded() override {
    Base::Loaded();
    HookMenuItems();
  }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    Base::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent != nullptr && AComponent == FFileTheme) {
      FFileTheme = nullptr;
      FAppearance.FileTheme = nullptr;
      SetUIStyle(DeepBlue);
    } else if (Operation == opInsert) {
      if (auto* item = dynamic_cast<TMenuItem*>(AComponent))
        SetMenuItemEvents(item, MeasureHandler(), DrawHandler());
    }
  }

private:
  static const TzykSkinnedMenu* Alive(UINT RootCommand) {
    const TMenuItem* root = FindMenuItemByCommand(RootCommand);
    return root ? dynamic_cast<const TzykSkinnedMenu*>(root->GetParentMenu()) : nullptr;
  }

  TzykFileTheme* FFileTheme = nullptr;
  TzykMenuAppearance FAppearance;
};

// Adds the appearance properties, OwnerDraw to UseSystemFont, in their published order.
template <class T>
TClassBuilder<T>& AddSkinnedMenuProperties(TClassBuilder<T>& Builder) {
  return Builder.Boolean("OwnerDraw", &T::OwnerDraw, &T::SetOwnerDraw)
      .Default(false)
      .Component("FileTheme", &T::FileTheme, &T::SetFileTheme)
      .Enum("UIStyle", &T::UIStyle, &T::SetUIStyle, TzykUIStyleInfo())
      .Integer("MenuItemHeight", &T::MenuItemHeight, &T::SetMenuItemHeight)
      .Integer("SeparatorHeight", &T::SeparatorHeight, &T::SetSeparatorHeight)
      .Integer("BarWidth", &T::BarWidth, &T::SetBarWidth)
      .Color("BarColor", &T::BarColor, &T::SetBarColor)
      .Color("Color", &T::Color, &T::SetColor)
      .Color("SeparatorColor", &T::SeparatorColor, &T::SetSeparatorColor)
      .Color("SelectedBorderColor", &T::SelectedBorderColor, &T::SetSelectedBorderColor)
      .Color("SelectedColor", &T::SelectedColor, &T::SetSelectedColor)
      .Color("SelectedFontColor", &T::SelectedFontColor, &T::SetSelectedFontColor)
      .Color("FontColor", &T::FontColor, &T::SetFontColor)
      .Color("BorderColor", &T::BorderColor, &T::SetBorderColor)
      .Boolean("FlatMenu", &T::FlatMenu, &T::SetFlatMenu)
      .String("FontName", &T::FontName, &T::SetFontName)
      .Integer("FontSize", &T::FontSize, &T::SetFontSize)
      .Integer("FontCharset", &T::FontCharset, &T::SetFontCharset)
      .Boolean("UseSystemFont", &T::UseSystemFont, &T::SetUseSystemFont);
}

// A popup menu whose items are drawn in a look: the look of the owner form's skinned form when it
// is created, DeepBlue otherwise. All popup menus of the program share one check mark.
class TzykPopupMenu : public TzykSkinnedMenu<TPopupMenu> {
  BRIVO_CLASS(TzykPopupMenu, TPopupMenu)

public:
  explicit TzykPopupMenu(TComponent* AOwner);

  const TImageList* CheckImages() const override;
  const TImageList* ItemImages() const override { return Images(); }
};

// Makes TzykPopupMenu creatable by name in stored forms.
void RegisterZYKPopupMenuClasses();

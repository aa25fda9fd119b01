#pragma once

#include "platform/controls/Control.h"
#include "platform/graphics/ImageList.h"

#include <string>
#include <string_view>
#include <vector>

class TMenu;
class TMenuItem;

// Misuse of menu items: an index out of range, an item put into itself.
class EMenuError : public Exception {
  using Exception::Exception;
};

// A key with Shift, Ctrl and Alt, packed as the class library packs it: the virtual key in the low
// byte, the modifiers in the top bits. 0 is no shortcut.
using TShortCut = WORD;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;

TShortCut ShortCut(WORD Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, WORD& Key, TShiftState& Shift);
// "Shift+", "Ctrl+", "Alt+" in that order, then the key's name ("F5", "Del", "A"); "" for none.
std::string ShortCutToText(TShortCut ShortCut);
// The reverse of ShortCutToText, letter case ignored; 0 for a text it does not know.
TShortCut TextToShortCut(std::string_view Text);

// A key message (WM_KEYDOWN or WM_SYSKEYDOWN) as the class library hands it to shortcut checks.
struct TWMKey {
  UINT Msg = WM_KEYDOWN;
  WORD CharCode = 0;
  LPARAM KeyData = 0;
  LRESULT Result = 0;
};
inline TWMKey KeyMessage(UINT Msg, WPARAM WParam, LPARAM LParam) {
  return TWMKey{Msg, static_cast<WORD>(WParam), LParam, 0};
}
// The shift state of a key message: Alt from its key data, Shift and Ctrl from the keyboard now.
TShiftState KeyDataToShiftState(LPARAM KeyData);

using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas& ACanvas, int& Width, int& Height)>;
using TMenuDrawItemEvent = std::function<void(TObject* Sender, TCanvas& ACanvas, const TRect& ARect, bool Selected)>;
using TMenuChangeEvent = std::function<void(TObject* Sender, TMenuItem* Source, bool Rebuild)>;

enum TMenuAutoFlag { maAutomatic, maManual };
enum TPopupAlignment { paLeft, paRight, paCenter };
enum TTrackButton { tbRightButton, tbLeftButton };
enum TMenuAnimations { maLeftToRight, maRightToLeft, maTopToBottom, maBottomToTop, maNone };
using TMenuAnimation = TSet<TMenuAnimations>;

const TEnumInfo& MenuAutoFlagInfo();
const TEnumInfo& PopupAlignmentInfo();
const TEnumInfo& TrackButtonInfo();
const TEnumInfo& MenuAnimationsInfo();

// One item of a menu, and the list of its sub-items. An item frees its sub-items when it goes,
// whoever owns them; an owner that frees an item first takes it out of its parent. A caption of
// exactly "-" makes a separator; "&" marks the access key ("&&" is a literal ampersand).
//
// Changes that a shown menu must follow (caption, enabled and checked state, visibility, the
// sub-items) are reported up to the menu's MenuChanged.
class TMenuItem : public TComponent {
  BRIVO_CLASS(TMenuItem, TComponent)

public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  bool Checked() const { return FChecked; }
  // Checking a radio item unchecks the other radio items of its group among its siblings.
  void SetChecked(bool Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  // -1: no image.
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value);
  bool RadioItem() const { return FRadioItem; }
  void SetRadioItem(bool Value);
  BYTE GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(BYTE Value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value) { FHint = Value; }
  // Click toggles Checked (a radio item: checks it) before OnClick.
  bool AutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool Value) { FAutoCheck = Value; }
  int HelpContext() const { return FHelpContext; }
  void SetHelpContext(int Value) { FHelpContext = Value; }

  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises EMenuError for an index out of range.
  TMenuItem* Items(int Index) const;
  int IndexOf(const TMenuItem* Item) const;
  // Add and Insert take an item out of any other parent first; an item cannot go into itself or
  // one of its own sub-items (EMenuError).
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  // Takes the item at Index out of the list without freeing it.
  void Delete(int Index);
  void Remove(TMenuItem* Item);
  // Frees every sub-item.
  void Clear();
  TMenuItem* Parent() const { return FParent; }
  // The index in the parent's list (-1 without parent); setting it moves the item there.
  int MenuIndex() const;
  void SetMenuIndex(int Value);
  bool IsLine() const { return FCaption == "-"; }
  // The menu whose items this item is among, or null.
  TMenu* GetParentMenu() const;
  // The first sub-item with that caption ("&" markers ignored, letter case too), or null.
  TMenuItem* Find(std::string_view ACaption) const;

  // What choosing the item does: AutoCheck, then OnClick. A disabled item does nothing.
  virtual void Click();
  // The sizes and painting the menu loop asks of an owner-drawn item: the handlers when assigned,
  // otherwise the platform's own (Width and Height come in as the platform's measurement).
  virtual void MeasureItem(TCanvas& ACanvas, int& Width, int& Height);
  virtual void DrawItem(TCanvas& ACanvas, const TRect& ARect, bool Selected);

  // The number the menu loop reports when the item is chosen (unique while the item lives).
  UINT Command() const { return FCommand; }

  TNotifyEvent OnClick;
  TMenuMeasureItemEvent OnMeasureItem;
  TMenuDrawItemEvent OnDrawItem;

  bool HasParent() const override { return true; }
  // The parent item, or the menu for a top-level item.
  TComponent* GetParentComponent() const override;
  // Adds the item to a menu's items or to another item (stored forms nest items this way).
  void SetParentComponent(TComponent* Value) override;
  void GetChildren(const std::function<void(TComponent*)>& Proc, const TComponent* Root) const override;

protected:
  // Reports a change of this item up to its menu; Rebuild when the menu must be laid out anew.
  virtual void MenuChanged(bool Rebuild);

private:
  friend class TMenu;
  void SubItemChanged(TMenuItem* Source, bool Rebuild);
  void TurnSiblingsOff();

  std::string FCaption;
  bool FChecked = false;
  bool FEnabled = true;
  bool FDefault = false;
  bool FVisible = true;
  int FImageIndex = -1;
  TShortCut FShortCut = 0;
  bool FRadioItem = false;
  BYTE FGroupIndex = 0;
  std::string FHint;
  bool FAutoCheck = false;
  int FHelpContext = 0;
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr; // set on a menu's root item only
  UINT FCommand = 0;
};

// The item of a menu loop's command, or null when it is gone.
TMenuItem* FindMenuItemByCommand(UINT Command);

// A menu: the root item whose sub-items it shows, the image list its items draw from, and how its
// items are drawn. Images is a reference (cleared when the list goes).
class TMenu : public TComponent {
  BRIVO_CLASS(TMenu, TComponent)

public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;

  // The root item, owned by the menu.
  TMenuItem* Items() const { return FItems; }
  // Non-virtual on purpose: a derived menu may publish its own Images or OwnerDraw, and the menu
  // loop still reads these.
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* Value);
  bool OwnerDraw() const { return FOwnerDraw; }
  void SetOwnerDraw(bool Value);
  // maAutomatic gives items without an "&" an access key of their own while the menu is shown.
  TMenuAutoFlag AutoHotkeys() const { return FAutoHotkeys; }
  void SetAutoHotkeys(TMenuAutoFlag Value) { FAutoHotkeys = Value; }
  // maAutomatic hides separators at either end of a list and the second of two in a row.
  TMenuAutoFlag AutoLineReduction() const { return FAutoLineReduction; }
  void SetAutoLineReduction(TMenuAutoFlag Value) { FAutoLineReduction = Value; }
  TBiDiMode BiDiMode() const { return FBiDiMode; }
  void SetBiDiMode(TBiDiMode Value);
  bool ParentBiDiMode() const { return FParentBiDiMode; }
  void SetParentBiDiMode(bool Value);

  // Whether a key message is the shortcut of one of the items (an enabled, visible item reached
  // through enabled, visible parents); if so the item is clicked and the answer is true.
  virtual bool IsShortCut(TWMKey& Message);
  // The enabled, visible item with that shortcut, searched through the sub-items in order.
  TMenuItem* FindItemByShortCut(TShortCut Value) const;

  TMenuChangeEvent OnChange;

  void GetChildren(const std::function<void(TComponent*)>& Proc, const TComponent* Root) const override;

protected:
  friend class TMenuItem;
  // Called when an item changed (Source: the item, or null for the whole menu); raises OnChange
  // unless the menu is being loaded or destroyed.
  virtual void MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild);
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TMenuItem* FItems = nullptr;
  TImageList* FImages = nullptr;
  bool FOwnerDraw = false;
  TMenuAutoFlag FAutoHotkeys = maAutomatic;
  TMenuAutoFlag FAutoLineReduction = maAutomatic;
  TBiDiMode FBiDiMode = bdLeftToRight;
  bool FParentBiDiMode = true;
};

// A menu shown at a point: Popup runs the platform's menu loop and returns once the menu closed;
// the chosen item's Click runs afterwards, from the message queue, when the menu windows are gone.
class TPopupMenu : public TMenu {
  BRIVO_CLASS(TPopupMenu, TMenu)

public:
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;

  // Shows the menu with its corner (by Alignment) at the screen point (X, Y).
  virtual void Popup(int X, int Y);

  // The control whose right click opened the menu (not owned).
  TComponent* PopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* Value);
  TPopupAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TPopupAlignment Value) { FAlignment = Value; }
  // A control's right click opens it.
  bool AutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool Value) { FAutoPopup = Value; }
  // tbRightButton: the right button chooses items as well as the left.
  TTrackButton TrackButton() const { return FTrackButton; }
  void SetTrackButton(TTrackButton Value) { FTrackButton = Value; }
  // Stored only: menus appear at once.
  TMenuAnimation MenuAnimation() const { return FMenuAnimation; }
  void SetMenuAnimation(TMenuAnimation Value) { FMenuAnimation = Value; }
  int HelpContext() const { return FHelpContext; }
  void SetHelpContext(int Value) { FHelpContext = Value; }

  TNotifyEvent OnPopup;

protected:
  // Raises OnPopup before the menu is shown.
  virtual void DoPopup(TObject* Sender);
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TComponent* FPopupComponent = nullptr;
  TPopupAlignment FAlignment = paLeft;
  bool FAutoPopup = true;
  TTrackButton FTrackButton = tbRightButton;
  TMenuAnimation FMenuAnimation;
  int FHelpContext = 0;
};

// A form's menu: a form whose Menu it is shows its top-level items in a menu bar strip at the top of
// its window (the client area starts below it) and runs its shortcuts.
class TMainMenu : public TMenu {
  BRIVO_CLASS(TMainMenu, TMenu)

public:
  explicit TMainMenu(TComponent* AOwner);

  bool AutoMerge() const { return FAutoMerge; }
  void SetAutoMerge(bool Value) { FAutoMerge = Value; }

protected:
  void MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild) override;

private:
  friend class TCustomForm;
  bool FAutoMerge = false;
  TCustomForm* FForm = nullptr; // the form whose Menu it is
};

// Registers TMenuItem, TPopupMenu and TMainMenu for stored forms.
void RegisterMenuClasses();

// Whether Caption marks an access key ("&Open" gives 'o'); 0 when it has none.
char32_t AccessKeyOf(std::string_view Caption);

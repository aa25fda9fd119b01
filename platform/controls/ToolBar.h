#pragma once

#include "platform/controls/MenuLoop.h"
#include "platform/controls/WinControl.h"

#include <memory>
#include <vector>

class TToolBar;
class TToolButton;

enum TEdgeBorder { ebLeft, ebTop, ebRight, ebBottom };
using TEdgeBorders = TSet<TEdgeBorder>;
enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };
enum TCustomDrawStateFlag {
  cdsSelected,
  cdsGrayed,
  cdsDisabled,
  cdsChecked,
  cdsFocused,
  cdsDefault,
  cdsHot,
  cdsMarked,
  cdsIndeterminate,
};
using TCustomDrawState = TSet<TCustomDrawStateFlag>;

const TEnumInfo& EdgeBorderInfo();
const TEnumInfo& ToolButtonStyleInfo();

using TTBCustomDrawEvent = std::function<void(TToolBar* Sender, const TRect& ARect, bool& DefaultDraw)>;
using TTBCustomDrawBtnEvent =
    std::function<void(TToolBar* Sender, TToolButton* Button, TCustomDrawState State, bool& DefaultDraw)>;

// A button of a tool bar. The bar lays it out and paints it (on the bar's Canvas, in the bar's
// coordinates); the button keeps its state. A button with a MenuItem shows the item's caption and
// enabled state (taken when the item is assigned) and drops the item's sub-items down as a popup
// menu under itself when pressed; moving to another menu button of the bar while that menu is open
// switches menus, as along a menu bar.
class TToolButton : public TGraphicControl {
  BRIVO_CLASS(TToolButton, TGraphicControl)

public:
  explicit TToolButton(TComponent* AOwner);
  ~TToolButton() override;

  void SetParent(TWinControl* AParent) override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void SetEnabled(bool Value) override;

  // Width from the caption (caption width plus margins) instead of the bar's ButtonWidth.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  bool Grouped() const { return FGrouped; }
  void SetGrouped(bool Value) { FGrouped = Value; }
  bool Down() const { return FDown; }
  void SetDown(bool Value);
  bool Marked() const { return FMarked; }
  void SetMarked(bool Value);
  bool Indeterminate() const { return FIndeterminate; }
  void SetIndeterminate(bool Value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  TToolButtonStyle Style() const { return FStyle; }
  void SetStyle(TToolButtonStyle Value);
  // Starts a new row before this button when the bar wraps.
  bool Wrap() const { return FWrap; }
  void SetWrap(bool Value);
  // Not owned; cleared when the item goes.
  TMenuItem* MenuItem() const { return FMenuItem; }
  void SetMenuItem(TMenuItem* Value);

  TToolBar* ToolBar() const { return FToolBar; }
  // The place in the bar's buttons.
  int Index() const;
  // Under the pointer (or highlighted by a running menu bar).
  bool Hot() const;
  // Pressed: held down by the mouse, or its menu is dropped down.
  bool Pressed() const;

  void Click() override;
  bool IsFontStored() const { return !ParentFont(); }

protected:
  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void Paint() override {}

private:
  friend class TToolBar;
  void StateChanged();

  TToolBar* FToolBar = nullptr;
  bool FAutoSize = false;
  bool FGrouped = false;
  bool FDown = false;
  bool FMarked = false;
  bool FIndeterminate = false;
  int FImageIndex = -1;
  TToolButtonStyle FStyle = tbsButton;
  bool FWrap = false;
  TMenuItem* FMenuItem = nullptr;
  bool FMouseInside = false;
  bool FMouseDown = false;
};

// A bar of buttons laid out in index order from the left (wrapped into rows when Wrapable), each
// ButtonHeight high and ButtonWidth wide unless it sizes itself. A button added to the bar takes its
// place by its position: before the first button at or right of its Left (one added at Left 0 goes
// first), so adding from the last menu item to the first gives menu order. The bar paints its
// background and then every button on Canvas(); OnCustomDraw and OnCustomDrawButton may draw instead
// (clearing DefaultDraw skips the bar's own drawing).
class TToolBar : public TCustomControl {
  BRIVO_CLASS(TToolBar, TCustomControl)

public:
  explicit TToolBar(TComponent* AOwner);
  ~TToolBar() override;

  int ButtonCount() const { return static_cast<int>(FButtons.size()); }
  TToolButton* Buttons(int Index) const;
  int ButtonHeight() const { return FButtonHeight; }
  void SetButtonHeight(int Value);
  int ButtonWidth() const { return FButtonWidth; }
  void SetButtonWidth(int Value);
  bool Flat() const { return FFlat; }
  void SetFlat(bool Value);
  TEdgeBorders EdgeBorders() const { return FEdgeBorders; }
  void SetEdgeBorders(TEdgeBorders Value);
  bool ShowCaptions() const { return FShowCaptions; }
  void SetShowCaptions(bool Value);
  bool Wrapable() const { return FWrapable; }
  void SetWrapable(bool Value);
  // The bar's height follows its rows of buttons.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  int Indent() const { return FIndent; }
  void SetIndent(int Value);
  // Not owned; cleared when the list goes.
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* Value);
  bool IsColorStored() const { return !ParentColor(); }
  bool IsFontStored() const { return !ParentFont(); }

  // Lays the buttons out again (the bar does it itself after every change that moves them).
  void UpdateButtons();
  // The menu button whose drop-down is open or that a menu bar highlights (null: none).
  TToolButton* MenuButton() const;
  // Opens the drop-down of a menu button (by keyboard: its first item selected) and runs it.
  void TrackMenu(TToolButton* Button, bool ByKeyboard = false);

  TTBCustomDrawEvent OnCustomDraw;
  TTBCustomDrawBtnEvent OnCustomDrawButton;

  void GetChildren(const std::function<void(TComponent*)>& Proc, const TComponent* Root) const override;

protected:
  void Paint() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Loaded() override;
  void WndProc(TMessage& Message) override;
  // The state a button is drawn in.
  TCustomDrawState ButtonState(const TToolButton& Button) const;
  // The bar's own drawing of a button in its state.
  virtual void DrawButton(TCanvas& Canvas, TToolButton& Button, TCustomDrawState State);

private:
  friend class TToolButton;
  class TBarSite;
  void InsertButton(TToolButton* Button);
  void RemoveButton(TToolButton* Button);
  int AutoWidth(TToolButton& Button);

  std::vector<TToolButton*> FButtons;
  int FButtonHeight = 22;
  int FButtonWidth = 23;
  bool FFlat = false;
  TEdgeBorders FEdgeBorders{ebTop};
  bool FShowCaptions = false;
  bool FWrapable = true;
  bool FAutoSize = false;
  int FIndent = 0;
  TImageList* FImages = nullptr;
  bool FLayingOut = false;
  // The button a running menu loop shows as highlighted or dropped.
  TToolButton* FMenuButton = nullptr;
  bool FMenuDropped = false;
  std::unique_ptr<TBarSite> FSite;
};

// Registers TToolBar and TToolButton for stored forms.
void RegisterToolBarClasses();

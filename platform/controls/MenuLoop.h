#pragma once

#include "platform/controls/Menus.h"

// The platform's own menu loop and menu windows. Every open level of a menu is a top-level window
// of the menu kind (WS_EX_NOACTIVATE | WS_EX_TOPMOST: above every form, never activated) whose
// items are painted in its WM_PAINT. While a menu is open the loop holds the mouse capture and the
// backend's input grab, takes every mouse and key message itself (the application's OnMessage is
// not offered them) and dispatches the rest, so timers keep running.
//
// Mouse: hovering highlights, an item with sub-items opens them after MenuShowDelay or at once on a
// press, a release on an enabled item chooses it, a press outside every menu window closes the
// menu and goes nowhere else. Keys: Up and Down move (wrapping, skipping separators), Right and
// Left open and close sub-menus (and move along a menu bar), Enter chooses, Esc closes one level,
// an access key chooses its item. A level is placed inside the work area of its monitor, flipped
// to the other side of its anchor at the right and bottom edges.

// How long the pointer rests on an item before its sub-items open (ms).
constexpr UINT MenuShowDelay = 400;

// A row of top-level items whose drop-downs the loop moves between, as along a menu bar: a form's
// menu bar strip, or a tool bar of menu buttons.
class TMenuBarSite {
public:
  virtual ~TMenuBarSite() = default;
  virtual int BarCount() const = 0;
  // The item whose sub-items drop down from bar place Index (null: nothing there).
  virtual TMenuItem* BarItem(int Index) const = 0;
  // The screen rectangle of bar place Index.
  virtual TRect BarRect(int Index) const = 0;
  // Shows bar place Index (-1: none) as highlighted; Dropped when its drop-down is open.
  virtual void BarSelect(int Index, bool Dropped) = 0;
  // The window the bar lies on: the loop ends when it goes.
  virtual HWND BarWindow() const = 0;
};

struct TMenuTrack {
  TMenu* Menu = nullptr;             // owner-draw flag, images and auto flags (may be null)
  TMenuItem* Root = nullptr;         // a popup: the item whose sub-items are shown
  TPoint At;                         // a popup: the screen point it is shown at
  TPopupAlignment Alignment = paLeft;
  bool RightButtonChooses = true;
  TMenuBarSite* Bar = nullptr;       // a menu bar: the row to run
  int BarIndex = 0;                  // a menu bar: the place to start at
  bool ByKeyboard = false;           // the first item is selected at once (keyboard use)
  bool BarOnly = false;              // a menu bar: only highlight the place, drop nothing (Alt)
};

// The items a level showing Parent's sub-items shows, in order: the visible ones, and with the
// menu's automatic line reduction no separator at either end or right after another. Menu (the
// menu Parent belongs to, for its flags) may be null.
std::vector<TMenuItem*> ShownMenuItems(const TMenuItem& Parent, const TMenu* Menu);

// Runs the menu loop until the menu closes; returns the chosen item's command, or 0 when the menu
// was cancelled (or another loop is already running). The item is not clicked here.
UINT TrackMenu(const TMenuTrack& Track);
// Clicks the item of a chosen command once the current message is done (as the platform's
// WM_COMMAND arrives after its menu loop).
void PostMenuCommand(UINT Command);
bool MenuLoopActive();

// The open levels, outermost first, for tests and tools.
int OpenMenuLevels();
HWND MenuLevelWindow(int Level);
// The highlighted item of a level, or null.
TMenuItem* MenuLevelSelection(int Level);
// Where an item of an open level lies on the screen; false when no open level shows it.
bool MenuItemScreenRect(const TMenuItem* Item, TRect& Rect);

// The menu font (the desktop's, from SystemParametersInfo) with the menu text colour.
void GetMenuFont(TFont& Font);

// The platform's drawing of an item (system colours, check and radio marks, image, caption with
// its access key, shortcut text at the right, sub-menu arrow, greyed when disabled), and its size.
// Images may be null. A bar item (InBar) has no check column, shortcut or arrow.
void DrawMenuItemDefault(TCanvas& Canvas, const TMenuItem& Item, const TRect& R, bool Selected,
                         const TImageList* Images, bool InBar = false);
TSize MeasureMenuItemDefault(TCanvas& Canvas, const TMenuItem& Item, const TImageList* Images, bool InBar = false);

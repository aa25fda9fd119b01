#pragma once

#include "platform/controls/Form.h"
#include "platform/controls/Menus.h"
#include "platform/controls/Panel.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Picture.h"
#include "skin/foundation/ZYKMgr.h"
#include "skin/foundation/ZYKThemes.h"
#include "skin/menus/ZYKPopupMenu.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TzykTitleBar;

// The kinds of title bar buttons, and where a picture section of the bar stands.
enum TzykTitleBarBtnType : std::uint8_t { zykMax, zykMin, zykClose, zykHelp, zykControlBox, zykCustom };
enum TzykTitleBarAlign : std::uint8_t { zykLeft, zykRight, zykClient };
const TEnumInfo& TzykTitleBarBtnTypeInfo();
const TEnumInfo& TzykTitleBarAlignInfo();

// Sender is the title bar, ButtonIndex the button's index in its button list.
using TzykTitleBarButtonClickEvent = std::function<void(TObject* Sender, int ButtonIndex)>;

// What a title bar asks of the skinned form it sits on. The skinned form implements it; a bar whose
// parent does not is on an ordinary container: it shapes no window, draws no rounded outline, leaves
// the hit test alone and, when maximising, sets the form's bounds to the work area itself.
class TzykTitleBarHost {
public:
  virtual ~TzykTitleBarHost() = default;
  // The form's border style as it was before the skinned form took its frame away: a sizeable one
  // lets the user resize the window from the bar's top edge.
  virtual TFormBorderStyle SavedBorderStyle() const = 0;
};

// A list of title bar items: the bar is its owner, and every change repaints the bar.
class TzykTitleBarItems : public TOwnedCollection {
  BRIVO_CLASS(TzykTitleBarItems, TOwnedCollection)

public:
  TzykTitleBarItems(TzykTitleBar* TitleBar, const TClassInfo& ItemClass);
  TzykTitleBar* TitleBar() const { return FTitleBar; }

protected:
  void Update(TCollectionItem* Item) override;

private:
  TzykTitleBar* FTitleBar;
};

// One button of a title bar: three state pictures from the bar's look (or its own, for a custom
// button), a vertical position, and what a click on it does.
class TzykTitleBarButton : public TCollectionItem {
  BRIVO_CLASS(TzykTitleBarButton, TCollectionItem)

public:
  // A visible custom button at Top 2 without pictures, in DeepBlue.
  explicit TzykTitleBarButton(TCollection* Collection);
  ~TzykTitleBarButton() override;

  // From another title bar button: its settings through the setters (the source's Transparent and
  // Top win over what its look would load), then its pictures and menu.
  void Assign(const TPersistent* Source) override;

  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  TzykTitleBarBtnType ButtonType() const { return FButtonType; }
  // A second control-box button is refused with an error dialog and nothing changes.
  void SetButtonType(TzykTitleBarBtnType Value);
  // Draw the pictures without their bottom-left pixel's colour.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  int Top() const { return FTop; }
  void SetTop(int Value);
  TzykUIStyle UIStyle() const { return FUIStyle; }
  // Reloads the pictures from the look; the caller repaints.
  void SetUIStyle(TzykUIStyle Value);
  TPicture* PicNormal() const { return FPicNormal.get(); }
  void SetPicNormal(const TPicture* Value) { SetPicture(*FPicNormal, Value); }
  TPicture* PicMouseOn() const { return FPicMouseOn.get(); }
  void SetPicMouseOn(const TPicture* Value) { SetPicture(*FPicMouseOn, Value); }
  TPicture* PicMouseDown() const { return FPicMouseDown.get(); }
  void SetPicMouseDown(const TPicture* Value) { SetPicture(*FPicMouseDown, Value); }
  // The menu a control-box button opens instead of the bar's system menu. Not owned: the bar hears
  // when it goes and clears it from every button.
  TPopupMenu* ControlBoxMenu() const { return FControlBoxMenu; }
  void SetControlBoxMenu(TPopupMenu* Value);

  // Transparent, the pictures and Top from the bar's look (a custom button takes only Transparent).
  void UpdatePictures();
  // A maximise button shows the restore pictures while its form is maximised; a bar with Custom set
  // keeps the pictures it has.
  void RefreshMaxState();
  // The button's action on the form that holds its bar.
  void DoClick();

  // The bar whose button list holds this button, or null.
  TzykTitleBar* TitleBar() const;

private:
  void SetPicture(TPicture& Target, const TPicture* Value);
  // Loads the three state pictures from frames First, First + 1, First + 2 of the look's strip.
  void LoadStateFrames(int First);
  void RepaintBar();

  bool FVisible = true;
  TzykTitleBarBtnType FButtonType = zykCustom;
  bool FTransparent = false;
  int FTop = 2;
  TzykUIStyle FUIStyle = DeepBlue;
  std::unique_ptr<TPicture> FPicNormal;
  std::unique_ptr<TPicture> FPicMouseOn;
  std::unique_ptr<TPicture> FPicMouseDown;
  TPopupMenu* FControlBoxMenu = nullptr;
};

// The buttons of a title bar.
class TzykTitleBarButtons : public TzykTitleBarItems {
  BRIVO_CLASS(TzykTitleBarButtons, TzykTitleBarItems)

public:
  explicit TzykTitleBarButtons(TzykTitleBar* TitleBar);

  TzykTitleBarButton* Add() { return static_cast<TzykTitleBarButton*>(TCollection::Add()); }
  TzykTitleBarButton* Items(int Index) const { return static_cast<TzykTitleBarButton*>(TCollection::Items(Index)); }
};

// One picture section of a title bar's background: at the left, at the right, or stretched over
// what the others leave between them.
class TzykTitleBarSection : public TCollectionItem {
  BRIVO_CLASS(TzykTitleBarSection, TCollectionItem)

public:
  // A left section 10 pixels wide without picture.
  explicit TzykTitleBarSection(TCollection* Collection);
  ~TzykTitleBarSection() override;

  // From another section: all its settings, its Width too, even where AutoSize would take the
  // picture's.
  void Assign(const TPersistent* Source) override;

  int Width() const { return FWidth; }
  void SetWidth(int Value);
  TzykTitleBarAlign Align() const { return FAlign; }
  // A second client section is refused with an error dialog and nothing changes; a client section
  // is always stretched.
  void SetAlign(TzykTitleBarAlign Value);
  TPicture* Picture() const { return FPicture.get(); }
  // With AutoSize set, a picture given here sets Width to its width.
  void SetPicture(const TPicture* Value);
  bool Stretch() const { return FStretch; }
  void SetStretch(bool Value);
  bool AutoSize() const { return FAutoSize; }
  // Whatever the value, a section that holds a picture takes the picture's width.
  void SetAutoSize(bool Value);

  // The bar whose section list holds this section, or null.
  TzykTitleBar* TitleBar() const;

private:
  void RepaintBar();

  int FWidth = 10;
  TzykTitleBarAlign FAlign = zykLeft;
  std::unique_ptr<TPicture> FPicture;
  bool FStretch = false;
  bool FAutoSize = false;
};

// The picture sections of a title bar.
class TzykTitleBarSections : public TzykTitleBarItems {
  BRIVO_CLASS(TzykTitleBarSections, TzykTitleBarItems)

public:
  explicit TzykTitleBarSections(TzykTitleBar* TitleBar);

  TzykTitleBarSection* Add() { return static_cast<TzykTitleBarSection*>(TCollection::Add()); }
  TzykTitleBarSection* Items(int Index) const {
    return static_cast<TzykTitleBarSection*>(TCollection::Items(Index));
  }
};

// The window commands a skinned window loses with its native caption: Minimize, Maximize/Restore
// and Close, captions from the string table, drawn in the bar's look (the bar hands its look and
// theme over). Each command is enabled only when the bar has a button of that kind, visible or not.
class TzykTitleBarPopupMenu : public TzykPopupMenu {
  BRIVO_CLASS(TzykTitleBarPopupMenu, TzykPopupMenu)

public:
  explicit TzykTitleBarPopupMenu(TComponent* AOwner);
  ~TzykTitleBarPopupMenu() override;

  // Enables the commands from the bar's buttons, then shows the menu at the screen point.
  void Popup(int X, int Y) override;

  // The bar the menu serves, set once by the bar that creates it.
  TzykTitleBar* TitleBar() const { return FTitleBar; }
  void SetTitleBar(TzykTitleBar* Value) { FTitleBar = Value; }

  // The items, in their order: Minimize, Maximize/Restore, a separator, Close.
  enum : int { MinimizeItem, MaximizeItem, SeparatorItem, CloseItem };

private:
  void Minimize();
  void MaximizeRestore();
  void Close();

  TzykTitleBar* FTitleBar = nullptr;
};

// The painted caption strip of a skinned window: a background of picture sections, the control
// box (or the application's icon) at the left, the other buttons at the right, the caption between
// them. It finds the button under the pointer while it paints, runs the buttons, moves the window
// when the empty bar is dragged, maximises on a double click and lets the window be resized from
// its top edge.
class TzykTitleBar : public TCustomPanel {
  BRIVO_CLASS(TzykTitleBar, TCustomPanel)

public:
  // Four buttons (control box, close, maximise, minimise) and the look of the owner form's skinned
  // form.
  explicit TzykTitleBar(TComponent* AOwner);
  ~TzykTitleBar() override;

  // While set, a new look leaves sections, buttons, offsets and caption colour as they are.
  bool Custom() const { return FCustom; }
  void SetCustom(bool Value) { FCustom = Value; }
  TzykFileTheme* FileTheme() const { return FFileTheme; }
  // Applies the look again; the caption colour stays as it is.
  void SetFileTheme(TzykFileTheme* Value);
  TzykUIStyle UIStyle() const { return FUIStyle; }
  // Rebuilds the sections and reloads the buttons from the look, unless Custom is set.
  void SetUIStyle(TzykUIStyle Value);
  bool AutoSize() const { return FAutoSize; }
  // The bar takes the height of its first section's picture; without sections it stays false.
  void SetAutoSize(bool Value);
  TzykTitleBarSections* Sections() const { return FSections.get(); }
  void SetSections(const TzykTitleBarSections* Value) { FSections->Assign(Value); }
  TzykTitleBarButtons* Buttons() const { return FButtons.get(); }
  void SetButtons(const TzykTitleBarButtons* Value) { FButtons->Assign(Value); }
  // Extra pixels between the buttons at the right.
  int ButtonInterval() const { return FButtonInterval; }
  void SetButtonInterval(int Value);
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  // False draws the caption in the inactive caption colour.
  bool FormActive() const { return FFormActive; }
  void SetFormActive(bool Value);
  int LeftBtnXOffset() const { return FLeftBtnXOffset; }
  void SetLeftBtnXOffset(int Value);
  int RightBtnXOffset() const { return FRightBtnXOffset; }
  void SetRightBtnXOffset(int Value);
  // Shows the application's icon where the control box stands.
  bool DrawAppIcon() const { return FDrawAppIcon; }
  void SetDrawAppIcon(bool Value);
  // The radius of the window's rounded top corners; 0 is square.
  int RoundCorner() const { return FRoundCorner; }
  void SetRoundCorner(int Value);

  // Raised after a click on a custom or a help button.
  TzykTitleBarButtonClickEvent OnCustomBtnsClick;
  TzykTitleBarButtonClickEvent OnHelpBtnClick;

  // The button under the pointer as the latest paint found it, -1 for none.
  int HotIndex() const { return FHotIndex; }
  // Whether the left button went down on the bar and has not come up (or started a window move).
  bool MousePressed() const { return FMousePressed; }
  // What the look gave: the colour of the rounded outline, the height of the whole button strip
  // and the caption's offset from the top.
  TColor LookBorderColor() const { return FLookBorderColor; }
  int ButtonPictureHeight() const { return FButtonPictureHeight; }
  int CaptionTopOffset() const { return FCaptionTopOffset; }
  // Where the latest paint put the caption and what it wrote: the text (cut to end in "..." when
  // the caption did not fit), its left edge and the width it had.
  const std::string& DrawnCaption() const { return FDrawnCaption; }
  int CaptionLeft() const { return FCaptionLeft; }
  int CaptionRoom() const { return FCaptionRoom; }

  // Whether the bar's parent is a skinned form (a TzykTitleBarHost).
  TzykTitleBarHost* Host() const;
  // Gives the window of a skinned form parent its shape: top corners rounded by RoundCorner,
  // bottom corners square. The skinned form calls it whenever the window changes size.
  void ApplyWindowRegion();
  // Refreshes the pictures of every maximise button for the form's current state.
  void RefreshMaxButtons();
  // The bar's own window menu, owned by the bar; the control box opens it when the button has no
  // menu of its own, and the skinned form opens it on Alt+Space.
  TzykTitleBarPopupMenu* SystemMenu() const { return FSystemMenu; }

protected:
  void Paint() override;
  // Draw onto a bitmap of the bar's size: the background sections, then buttons and caption.
  virtual void DrawSections(TBitmap& Buffer);
  virtual void DrawButtons(TBitmap& Buffer);

  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void DblClick() override;

private:
  friend class TzykTitleBarButton;
  // A button now refers to Menu instead of Previous: the bar listens for Menu's removal.
  void ControlBoxMenuChanged(TPopupMenu* Previous, TPopupMenu* Menu);
  void ApplyLook();
  void PopupSystemMenu();
  void DrawButtonPicture(TCanvas& Canvas, TBitmap& Scratch, const TzykTitleBarButton& Button, int Index, int X,
                         const TPoint& Cursor);
  void DrawCaption(TCanvas& Canvas, int Left, int Right);

  bool FCustom = false;
  TzykFileTheme* FFileTheme = nullptr;
  TzykUIStyle FUIStyle = DeepBlue;
  bool FAutoSize = false;
  std::unique_ptr<TzykTitleBarSections> FSections;
  std::unique_ptr<TzykTitleBarButtons> FButtons;
  int FButtonInterval = 0;
  std::string FCaption;
  bool FFormActive = true;
  int FLeftBtnXOffset = 0;
  int FRightBtnXOffset = 0;
  int FRoundCorner = 0;
  bool FDrawAppIcon = false;
  bool FKeepCaptionColor = false;
  TzykTitleBarPopupMenu* FSystemMenu = nullptr;
  TColor FLookBorderColor = clBlack;
  bool FMousePressed = false;
  int FHotIndex = -1;
  int FButtonPictureHeight = 0;
  int FCaptionTopOffset = 0;
  std::string FDrawnCaption;
  int FCaptionLeft = 0;
  int FCaptionRoom = 0;
};

// Makes TzykTitleBar creatable by name in stored forms.
void RegisterZYKTitleBarClasses();

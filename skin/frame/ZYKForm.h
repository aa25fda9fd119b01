#pragma once

#include "platform/controls/Form.h"
#include "platform/controls/Menus.h"
#include "platform/controls/Panel.h"
#include "platform/controls/ToolBar.h"
#include "platform/windows/WindowProcHook.h"
#include "skin/foundation/ZYKMgr.h"
#include "skin/foundation/ZYKThemes.h"
#include "skin/frame/ZYKTitleBar.h"
#include "skin/menus/ZYKMainMenu.h"

#include <string>

// The component that turns the form it is dropped on into a skinned window: it takes the form's
// native caption and frame away, covers the form's client area except a painted border, carries the
// skinned title bar, an optional menu bar built from a main menu and the form's own controls, and
// takes over the form's window procedure for activation, the border, resizing from the edges and
// the maximised size. Only one may stand on a form; on an owner that is no form it stays a plain
// panel without title bar (its title-bar properties are then not to be used).
class TzykForm : public TCustomPanel, public TzykTitleBarHost, public TzykMenuBarHost {
  BRIVO_CLASS(TzykForm, TCustomPanel)

public:
  explicit TzykForm(TComponent* AOwner);
  ~TzykForm() override;

  // The form that owns the component, or null when the owner is no form.
  TCustomForm* Form() const { return FForm; }
  TzykTitleBar* TitleBar() const { return FTitleBar; }
  // The tool bar that shows the Menu's top-level items; null without a Menu.
  TToolBar* MenuBar() const { return FMenuBar; }

  TFormBorderStyle SavedBorderStyle() const override { return FSavedBorderStyle; }

  bool TitleBarCustom() const { return FTitleBar && FTitleBar->Custom(); }
  void SetTitleBarCustom(bool Value);
  TzykFileTheme* FileTheme() const { return FFileTheme; }
  // Applies the look again when the theme changes.
  void SetFileTheme(TzykFileTheme* Value);
  TzykUIStyle UIStyle() const { return FUIStyle; }
  // Border, colours, the title bar's and the menu's look (and the children's when
  // UIStyleAutoUpdateSub is set), then the panel placed anew.
  void SetUIStyle(TzykUIStyle Value);
  bool UIStyleAutoUpdateSub() const { return FUIStyleAutoUpdateSub; }
  void SetUIStyleAutoUpdateSub(bool Value) { FUIStyleAutoUpdateSub = Value; }
  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor Value);
  // The painted border's width; the component's own size stays and the form grows round it.
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int Value);
  bool TitleBarVisible() const { return FTitleBar && FTitleBar->Visible(); }
  void SetTitleBarVisible(bool Value);
  // The title bar's caption; setting it sets the form's too.
  const std::string& Caption() const;
  void SetCaption(const std::string& Value);
  // A panel (not owned) that fills its parent; the component itself is refused with an error box.
  TCustomPanel* FormPanel() const { return FFormPanel; }
  void SetFormPanel(TCustomPanel* Value);
  TzykTitleBarButtons* TitleBarButtons() const { return FTitleBar ? FTitleBar->Buttons() : nullptr; }
  TzykTitleBarSections* TitleBarSections() const { return FTitleBar ? FTitleBar->Sections() : nullptr; }
  bool TitleBarDrawAppIcon() const { return FTitleBar && FTitleBar->DrawAppIcon(); }
  void SetTitleBarDrawAppIcon(bool Value);
  // The title bar's caption font.
  TFont* TitleBarFont() const { return FTitleBar ? FTitleBar->Font() : Font(); }
  void SetTitleBarFont(TFont* Value) { TitleBarFont()->Assign(Value); }
  // The main menu (not owned) whose top-level items the menu bar shows. A skinned main menu is told
  // that this component hosts it, and forgets that when it is replaced or the component goes.
  TMainMenu* Menu() const { return FMenu; }
  void SetMenu(TMainMenu* Value);
  TColor MenuBarColor() const { return FMenuBarColor; }
  void SetMenuBarColor(TColor Value);
  int MenuBarHeight() const { return FMenuBarHeight; }
  void SetMenuBarHeight(int Value);
  // The component's own size; the form takes it plus the border.
  void SetWidth(int Value);
  void SetHeight(int Value);
  int RoundCorner() const { return FTitleBar ? FTitleBar->RoundCorner() : 0; }
  void SetRoundCorner(int Value);
  std::string Version() const { return "4.42"; }
  void SetVersion(const std::string&) {}

  // What the main menu asks of the form that shows it.
  void RebuildMenuBar() override;
  void RefreshMenuBar() override;
  // A skinned main menu's font (or the system menu font) for the bar, then a repaint.
  void ApplyMenuBarFont() override;

  // Lays the component over the form's client area less the border.
  void PlacePanel();
  // Paints the border on the form's window now (nothing while it has none).
  void DrawBorder();

  // Whether a key of the form's is a shortcut of the Menu; runs the item if so. Only while the form
  // is the active one.
  bool MenuShortCut(TWMKey& Key);

  // The design-time advice to prefer the skinned main menu over a plain one is silenced while this
  // process-wide switch is on (it starts off).
  static bool MenuAdviceSilenced();
  static void SetMenuAdviceSilenced(bool Value);
  // Set once a maximised MDI child has moved its contents; shared by every instance.
  static bool MaximizedAdjusted();

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // A custom title bar gets its stored sections without a look: its height follows them here.
  void Loaded() override;
  void Paint() override;
  void WndProc(TMessage& Message) override;

private:
  bool IsMDIChild() const;
  void ApplyLook();
  void CreateMenuBar();
  void RemoveMenuBar();
  TzykMainMenu* SkinnedMenu() const;
  // Tells a skinned Menu that this component no longer shows it.
  void ReleaseMenuHost();
  // The look and theme the menu bar is drawn with: a skinned Menu's, else this component's.
  TzykUIStyle MenuLookStyle() const;
  TzykFileTheme* MenuLookTheme() const;
  // The font of the bar's captions: a skinned Menu's own or the system menu font.
  void MenuFont(TFont& Font) const;
  void DrawMenuBarBackground(TToolBar* Bar, const TRect& R, bool& DefaultDraw);
  void DrawMenuBarButton(TToolBar* Bar, TToolButton* Button, TCustomDrawState State, bool& DefaultDraw);
  void DrawBorderOn(TCanvas& Canvas);
  void FormWndProc(TMessage& Message);
  void FormSized(TMessage& Message);
  void FormHitTest(TMessage& Message);
  void ApplicationMessage(MSG& Msg, bool& Handled);
  void SendToMDIClient(UINT Msg, WPARAM WParam, LPARAM LParam);

  TzykTitleBar* FTitleBar = nullptr;
  TToolBar* FMenuBar = nullptr;
  TMainMenu* FMenu = nullptr;
  TWindowProcHook FPreviousProc;
  TCustomForm* FForm = nullptr;
  TFormBorderStyle FSavedBorderStyle = bsSizeable;
  TColor FBorderColor = clBlack;
  TCustomPanel* FFormPanel = nullptr;
  int FBorderWidth = 0;
  TzykUIStyle FUIStyle = DeepBlue;
  TzykFileTheme* FFileTheme = nullptr;
  TColor FMenuBarColor = clBtnFace;
  int FMenuBarHeight = 22;
  bool FMessageHooked = false;
  bool FUIStyleAutoUpdateSub = false;
  TRect FSavedBounds;
  bool FStartedMaximized = false;
  int FNonClientHeight = 0;
  int FNonClientWidth = 0;
};

// Makes TzykForm (and the title bar it carries) creatable by name in stored forms.
void RegisterZYKFormClasses();

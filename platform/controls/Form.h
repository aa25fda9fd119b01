#pragma once

#include "platform/controls/WinControl.h"

class TMainMenu;
struct TWMKey;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter,
};
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

const TEnumInfo& FormBorderStyleInfo();
const TEnumInfo& FormStyleInfo();
const TEnumInfo& WindowStateInfo();
const TEnumInfo& PositionInfo();

// A top-level window of the message layer with its controls: showing and placing it (Position,
// WindowState, Constraints as the window's size limits), activation, the focused control, dialog
// keys (Tab and arrows move the focus; Enter, Escape and access keys are offered to the controls)
// and closing. Only forms are native windows; everything on them draws into the form's frame.
class TCustomForm : public TCustomControl {
  BRIVO_CLASS(TCustomForm, TCustomControl)

public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  void Show();
  void Hide();
  // Shows the form and runs a nested message loop until ModalResult is set; returns it.
  TModalResult ShowModal();
  // Asks OnCloseQuery and OnClose; the main form's closing ends the application's loop.
  void Close();
  // Frees the form once the message that is being handled is done.
  void Release();
  bool CloseQuery();

  bool Active() const { return FActive; }
  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* Control);
  // Gives Control the focus (when the form is active) or makes it the control that gets it.
  void FocusControl(TWinControl* Control);
  // Called when a control on the form got the window focus.
  void SetFocusedControl(TWinControl* Control);
  // Takes the focus away from Control and what lies on it (it is hidden or going).
  void DefocusControl(TWinControl* Control);

  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle Value);
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle Value);
  TWindowState WindowState() const;
  void SetWindowState(TWindowState Value);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition Value) { FPosition = Value; }
  // Stored and kept; forms are laid out at 96 pixels per inch and never rescaled.
  bool Scaled() const { return FScaled; }
  void SetScaled(bool Value) { FScaled = Value; }
  bool AutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool Value) { FAutoScroll = Value; }
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool Value) { FKeyPreview = Value; }
  // The main menu (not owned): shown as a menu bar strip at the top of the window, above the client
  // area, which Alt, F10 and the items' access keys open; its shortcuts run on key down.
  TMainMenu* Menu() const { return FMenu; }
  void SetMenu(TMainMenu* Value);
  // The height of the menu bar strip (0 without a menu).
  int MenuBarHeight() const;
  // Whether a key message is a shortcut of the form (OnShortCut, then the menu's); runs it if so.
  virtual bool IsShortCut(TWMKey& Message);
  TRect ClientRect() const override;
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  int PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(int Value) { FPixelsPerInch = Value; }
  int TextHeight() const { return FTextHeight; }
  void SetTextHeight(int Value) { FTextHeight = Value; }
  bool OldCreateOrder() const { return FOldCreateOrder; }
  void SetOldCreateOrder(bool Value) { FOldCreateOrder = Value; }
  bool IsColorStored() const { return !ParentColor(); }
  bool IsFontStored() const { return !ParentFont(); }

  void SetVisible(bool Value) override;

  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnPaint;
  std::function<void(TWMKey& Msg, bool& Handled)> OnShortCut;

protected:
  void WndProc(TMessage& Message) override;
  void CreateParams(TCreateParams& Params) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void Loaded() override;
  virtual void DoShow();
  virtual void DoHide();

private:
  void MenuBarChanged();
  void ShowWindowNow();
  void PlaceByPosition();
  void SetActive(bool Value);
  void SetWindowFocus();
  DWORD StyleBits() const;

  TWinControl* FActiveControl = nullptr;
  TWinControl* FFocusedControl = nullptr;
  bool FActive = false;
  TFormBorderStyle FBorderStyle = bsSizeable;
  TFormStyle FFormStyle = fsNormal;
  TWindowState FWindowState = wsNormal;
  TPosition FPosition = poDesigned;
  bool FScaled = true;
  bool FAutoScroll = true;
  bool FKeyPreview = false;
  TMainMenu* FMenu = nullptr;
  class TMenuBar;
  std::unique_ptr<TMenuBar> FMenuBar;
  TModalResult FModalResult = mrNone;
  bool FModal = false;
  int FPixelsPerInch = ScreenPixelsPerInch;
  int FTextHeight = 13;
  bool FOldCreateOrder = false;
  bool FShowing = false;
};

class TForm : public TCustomForm {
  BRIVO_CLASS(TForm, TCustomForm)

public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

#pragma once

#include "platform/controls/Form.h"
#include "platform/graphics/Icon.h"

#include <exception>
#include <vector>

using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;

// The screen as the class library sees it: the forms, the active form and control, the work area
// and a cursor that, when not crDefault, wins over every control's.
class TScreen : public TComponent {
  BRIVO_CLASS(TScreen, TComponent)

public:
  explicit TScreen(TComponent* AOwner) : TComponent(AOwner) {}

  int FormCount() const { return static_cast<int>(FForms.size()); }
  TCustomForm* Forms(int Index) const;
  TCustomForm* ActiveForm() const { return FActiveForm; }
  TWinControl* ActiveControl() const { return FActiveControl; }
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);

  // The primary monitor's work area (the desktop less the task bars) and size.
  TRect WorkAreaRect() const;
  int WorkAreaLeft() const { return WorkAreaRect().Left; }
  int WorkAreaTop() const { return WorkAreaRect().Top; }
  int WorkAreaWidth() const { return WorkAreaRect().Width(); }
  int WorkAreaHeight() const { return WorkAreaRect().Height(); }
  int Width() const;
  int Height() const;
  int PixelsPerInch() const { return ScreenPixelsPerInch; }

  TNotifyEvent OnActiveFormChange;
  TNotifyEvent OnActiveControlChange;

  // Kept by the forms themselves.
  void AddForm(TCustomForm* Form);
  void RemoveForm(TCustomForm* Form);
  void SetActiveForm(TCustomForm* Form);
  void SetActiveControl(TWinControl* Control);

private:
  std::vector<TCustomForm*> FForms;
  TCustomForm* FActiveForm = nullptr;
  TWinControl* FActiveControl = nullptr;
  TCursor FCursor = crDefault;
};

// The application: its forms, the message loop (OnMessage sees every message the loop takes
// before it is dispatched), idle handling and the error dialog for what escapes an event handler.
class TApplication : public TComponent {
  BRIVO_CLASS(TApplication, TComponent)

public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  // Gets the application ready for a run (not terminated).
  void Initialize();
  // Creates a form owned by the application (NewComponent); the first one becomes the main form.
  template <class T>
  void CreateForm(T*& Reference) {
    T* form = NewComponent<T>(this);
    Reference = form;
    if (!FMainForm)
      FMainForm = form;
  }
  // Shows the main form and runs the message loop until the application terminates.
  void Run();
  // Takes and handles one message, or idles (and waits) when there is none.
  void HandleMessage();
  // Handles every message waiting, without waiting.
  void ProcessMessages();
  // Ends the loop (posts the quit message).
  void Terminate();
  bool Terminated() const { return FTerminated; }
  // The code the loop ended with (the quit message's, as PostQuitMessage gave it): the program's
  // exit status. A backend that loses its display ends the loop with a non-zero one.
  int ExitCode() const { return FExitCode; }
  bool Running() const { return FRunning; }

  TCustomForm* MainForm() const { return FMainForm; }
  bool Active() const { return FActive; }
  void SetActive(bool Value);
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& Value) { FTitle = Value; }
  // The program's icon, which every form's window shows: the "MAINICON" icon resource, loaded by
  // Initialize or at first use (empty when the program carries none). Changing it (Icon()->Assign,
  // SetIcon) shows the new one on every form's window.
  TIcon* Icon();
  void SetIcon(const TIcon* Value);
  bool ShowMainForm() const { return FShowMainForm; }
  void SetShowMainForm(bool Value) { FShowMainForm = Value; }

  // Reports the exception being handled (call from a catch block): OnException when assigned,
  // otherwise an error box with its message.
  void HandleException(TObject* Sender);
  void ShowException(const std::exception& E);

  // Raises OnMessage; true when the handler took the message.
  bool OfferMessage(MSG& Msg);

  TMessageEvent OnMessage;
  TIdleEvent OnIdle;
  TExceptionEvent OnException;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TCustomForm;
  bool ProcessMessage(MSG& Msg);
  void Dispatch(MSG& Msg);
  void Idle();

  void IconChanged();

  TCustomForm* FMainForm = nullptr;
  std::unique_ptr<TIcon> FIcon;
  bool FTerminated = false;
  int FExitCode = 0;
  bool FRunning = false;
  bool FActive = false;
  bool FShowMainForm = true;
  std::string FTitle;
};

// Registers the classes that stored forms create by name (TLabel, TPanel, TTimer, the menus, the
// tool bar and TImageList, whose size is stored though its images are not); Initialize calls it.
void RegisterControlClasses();

// The application and screen objects; they live for the whole process.
extern TApplication* Application;
extern TScreen* Screen;

#include "platform/controls/Application.h"

#include "platform/controls/Label.h"
#include "platform/controls/Menus.h"
#include "platform/controls/ToolBar.h"
#include "platform/controls/Timer.h"
#include "platform/core/Resources.h"
#include "platform/graphics/ImageList.h"

#include <algorithm>

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

// Made before main, as the class library's units make them, and never freed: forms left at exit
// would otherwise be torn down after the message layer.
const bool gMade = [] {
  Screen = NewComponent<TScreen>(nullptr);
  Application = NewComponent<TApplication>(nullptr);
  // Every loop of the message layer (the application's, modal loops, the headless desktop's)
  // offers what it takes to OnMessage first.
  SetMessageFilter([](MSG& Msg) { return Application != nullptr && Application->OfferMessage(Msg); });
  return true;
}();

} // namespace

// ---- TScreen

const TClassInfo& TScreen::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TScreen>().Build();
  return Info;
}

TCustomForm* TScreen::Forms(int Index) const {
  if (Index < 0 || Index >= FormCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FForms[static_cast<std::size_t>(Index)];
}

void TScreen::SetCursor(TCursor Value) {
  if (FCursor == Value)
    return;
  FCursor = Value;
  if (Value != crDefault) {
    ::SetCursor(LoadCursor(nullptr, CursorShape(Value)));
    return;
  }
  // Back to the cursors of the controls: the one under the pointer chooses again.
  TPoint p;
  if (GetCursorPos(&p))
    if (HWND h = WindowFromPoint(p))
      SendMessage(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

TRect TScreen::WorkAreaRect() const {
  TRect r;
  if (!SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0))
    return {};
  return r;
}

int TScreen::Width() const {
  MONITORINFO info;
  return GetMonitorInfo(MonitorFromRect(Rect(0, 0, 1, 1), MONITOR_DEFAULTTOPRIMARY), &info) ? info.rcMonitor.Width() : 0;
}

int TScreen::Height() const {
  MONITORINFO info;
  return GetMonitorInfo(MonitorFromRect(Rect(0, 0, 1, 1), MONITOR_DEFAULTTOPRIMARY), &info) ? info.rcMonitor.Height()
                                                                                           : 0;
}

void TScreen::AddForm(TCustomForm* Form) {
  if (std::find(FForms.begin(), FForms.end(), Form) == FForms.end())
    FForms.push_back(Form);
}

void TScreen::RemoveForm(TCustomForm* Form) {
  std::erase(FForms, Form);
  if (FActiveForm == Form)
    SetActiveForm(nullptr);
  if (FActiveControl && GetParentForm(FActiveControl) == Form)
    SetActiveControl(nullptr);
}

void TScreen::SetActiveForm(TCustomForm* Form) {
  if (FActiveForm == Form)
    return;
  FActiveForm = Form;
  // The most recently active form comes first, as the class library keeps them.
  if (Form) {
    std::erase(FForms, Form);
    FForms.insert(FForms.begin(), Form);
  }
  RaiseEvent(OnActiveFormChange, this);
}

void TScreen::SetActiveControl(TWinControl* Control) {
  if (FActiveControl == Control)
    return;
  FActiveControl = Control;
  RaiseEvent(OnActiveControlChange, this);
}

// ---- TApplication

const TClassInfo& TApplication::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TApplication>().Build();
  return Info;
}

void RegisterControlClasses() {
  RegisterClasses({&TLabel::StaticClassInfo(), &TPanel::StaticClassInfo(), &TTimer::StaticClassInfo(),
                   &TImageList::StaticClassInfo()});
  RegisterMenuClasses();
  RegisterToolBarClasses();
}

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() = default;

void TApplication::Initialize() {
  RegisterControlClasses();
  Icon();
  FTerminated = false;
  FExitCode = 0;
}

TIcon* TApplication::Icon() {
  if (!FIcon) {
    FIcon = std::make_unique<TIcon>();
    if (ResourceExists("MAINICON", TResourceType::Icon))
      FIcon->LoadFromBytes(FindResource("MAINICON", TResourceType::Icon));
    FIcon->OnChange = [this](TObject*) { IconChanged(); };
  }
  return FIcon.get();
}

void TApplication::SetIcon(const TIcon* Value) { Icon()->Assign(Value); }

void TApplication::IconChanged() {
  if (!Screen)
    return;
  const HICON icon = FIcon->Handle();
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (TCustomForm* form = Screen->Forms(i); form->HandleAllocated())
      SendMessage(form->Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FMainForm)
    FMainForm = nullptr;
}

void TApplication::Run() {
  FRunning = true;
  try {
    if (FMainForm && FShowMainForm)
      FMainForm->Show();
  } catch (...) {
    HandleException(this);
  }
  while (!FTerminated)
    HandleMessage();
  FRunning = false;
}

bool TApplication::OfferMessage(MSG& Msg) {
  bool handled = false;
  try {
    RaiseEvent(OnMessage, Msg, handled);
  } catch (...) {
    HandleException(this);
  }
  return handled;
}

void TApplication::Dispatch(MSG& Msg) {
  try {
    if (!FilterMessage(Msg))
      DispatchMessage(&Msg);
  } catch (...) {
    HandleException(this);
  }
  ReleaseCanvasContexts();
}

bool TApplication::ProcessMessage(MSG& Msg) {
  if (!PeekMessage(&Msg, nullptr, 0, 0, PM_REMOVE))
    return false;
  if (Msg.message == WM_QUIT) {
    FTerminated = true;
    FExitCode = static_cast<int>(Msg.wParam);
  } else {
    Dispatch(Msg);
  }
  return true;
}

void TApplication::Idle() {
  bool done = true;
  try {
    RaiseEvent(OnIdle, this, done);
  } catch (...) {
    HandleException(this);
  }
  if (!done || FTerminated)
    return;
  // Nothing more to do: wait for the next message (GetMessage paints and runs due timers).
  MSG msg;
  if (!GetMessage(&msg, nullptr, 0, 0)) {
    FTerminated = true;
    FExitCode = static_cast<int>(msg.wParam);
  } else {
    Dispatch(msg);
  }
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg))
    Idle();
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::SetActive(bool Value) {
  if (FActive == Value)
    return;
  FActive = Value;
  RaiseEvent(Value ? OnActivate : OnDeactivate, this);
}

void TApplication::HandleException(TObject* Sender) {
  try {
    throw;
  } catch (const std::exception& e) {
    if (OnException)
      RaiseEvent(OnException, Sender, e);
    else
      ShowException(e);
  } catch (...) {
    const std::runtime_error unknown("Unknown exception");
    if (OnException)
      RaiseEvent(OnException, Sender, unknown);
    else
      ShowException(unknown);
  }
}

void TApplication::ShowException(const std::exception& E) {
  std::string text = E.what();
  // The class library ends the message with a full stop when it has none.
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
    text += '.';
  HWND owner = FMainForm && FMainForm->HandleAllocated() ? FMainForm->Handle() : nullptr;
  MessageBox(owner, text, FTitle, MB_OK | MB_ICONERROR);
}

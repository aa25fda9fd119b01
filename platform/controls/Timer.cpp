#include "platform/controls/Timer.h"

#include "platform/controls/Application.h"

const TClassInfo& TTimer::StaticClassInfo() {
  using T = TTimer;
  static const TClassInfo Info = TClassBuilder<TTimer>()
                                     .Boolean("Enabled", &T::Enabled, &T::SetEnabled)
                                     .Default(true)
                                     .Integer("Interval", &T::Interval, &T::SetInterval)
                                     .Default(1000)
                                     .Event("OnTimer", &T::OnTimer, &T::SetOnTimer)
                                     .Build();
  return Info;
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  FProc = MakeObjectInstance([this](TMessage& M) { WndProc(M); });
  FWindow = CreateWindowEx(0, "", 0, 0, 0, 0, 0, HWND_MESSAGE, FProc);
}

TTimer::~TTimer() {
  FEnabled = false;
  if (FWindow)
    DestroyWindow(FWindow);
  FreeObjectInstance(FProc);
}

void TTimer::SetEnabled(bool Value) {
  if (FEnabled == Value)
    return;
  FEnabled = Value;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned Value) {
  if (FInterval == Value)
    return;
  FInterval = Value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Value) {
  FOnTimer = std::move(Value);
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (!FWindow)
    return;
  KillTimer(FWindow, 1);
  if (FInterval != 0 && FEnabled && FOnTimer)
    SetTimer(FWindow, 1, FInterval);
}

void TTimer::Timer() {
  if (FOnTimer)
    FOnTimer(this);
}

void TTimer::WndProc(TMessage& Message) {
  if (Message.Msg == WM_TIMER) {
    try {
      Timer();
    } catch (...) {
      if (Application)
        Application->HandleException(this);
    }
    return;
  }
  if (Message.Msg == WM_NCDESTROY)
    FWindow = nullptr;
  Message.Result = DefWindowProc(FWindow, Message.Msg, Message.WParam, Message.LParam);
}

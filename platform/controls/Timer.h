#pragma once

#include "platform/core/Classes.h"
#include "platform/windows/User.h"

// Raises OnTimer every Interval milliseconds while Enabled, through a timer of the message layer
// on a message-only window of its own.
class TTimer : public TComponent {
  BRIVO_CLASS(TTimer, TComponent)

public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  unsigned Interval() const { return FInterval; }
  void SetInterval(unsigned Value);
  const TNotifyEvent& OnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent Value);

protected:
  virtual void Timer();

private:
  void UpdateTimer();
  void WndProc(TMessage& Message);

  bool FEnabled = true;
  unsigned FInterval = 1000;
  TNotifyEvent FOnTimer;
  HWND FWindow = nullptr;
  WNDPROC FProc = nullptr;
};

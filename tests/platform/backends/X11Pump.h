#pragma once

#include "platform/backends/x11/X11Desktop.h"
#include "platform/windows/User.h"

#include <functional>

// Delivers messages and waits for the server until Done holds or TimeoutMs pass.
inline bool PumpX11Until(TX11Desktop& Desktop, const std::function<bool()>& Done, int TimeoutMs = 5000) {
  const long long end = Desktop.Now() + TimeoutMs;
  for (;;) {
    ProcessPendingMessages();
    if (Done())
      return true;
    if (Desktop.Now() >= end)
      return false;
    Desktop.WaitForEvents(end);
  }
}

// Paints everything damaged and waits until the server has shown it.
inline void SettleX11(TX11Desktop& Desktop) {
  ProcessPendingMessages();
  Desktop.Sync();
  Desktop.WaitForEvents(Desktop.Now());
  ProcessPendingMessages();
  Desktop.Sync();
}

#include "platform/windows/WindowManager.h"

#include "platform/graphics/Scale.h"

#include <algorithm>

namespace {

bool Matches(const MSG& M, HWND Filter, UINT Min, UINT Max) {
  if (Filter && M.hwnd != Filter)
    return false;
  if (Min == 0 && Max == 0)
    return true;
  return M.message >= Min && M.message <= Max;
}

MSG MakeMsg(HWND Wnd, UINT Message, WPARAM WParam, LPARAM LParam) {
  MSG m;
  m.hwnd = Wnd;
  m.message = Message;
  m.wParam = WParam;
  m.lParam = LParam;
  m.time = GetTickCount();
  GetCursorPos(&m.pt);
  return m;
}

// Takes the next posted message or input that passes the filter. Input is translated when it is
// taken, so hit tests see the windows as they are then.
bool TakeQueued(MSG& Out, HWND Filter, UINT Min, UINT Max, bool Remove) {
  auto& queue = WM().Queue;
  const bool unfiltered = !Filter && Min == 0 && Max == 0;
  for (auto it = queue.begin(); it != queue.end();) {
    if (it->Input) {
      if (!unfiltered) {
        ++it;
        continue;
      }
      const TInputEvent event = *it->Input;
      queue.erase(it);
      MSG m;
      if (!TranslateInput(event, m)) {
        it = queue.begin();
        continue;
      }
      if (!Remove)
        queue.push_front({m, std::nullopt});
      Out = m;
      return true;
    }
    if (it->Msg.hwnd && !LiveWnd(it->Msg.hwnd)) {
      it = queue.erase(it);
      continue;
    }
    if (!Matches(it->Msg, Filter, Min, Max)) {
      ++it;
      continue;
    }
    Out = it->Msg;
    if (Remove)
      queue.erase(it);
    return true;
  }
  return false;
}

bool TakeTimer(MSG& Out, HWND Filter, UINT Min, UINT Max, bool Remove) {
  const long long now = Now();
  TTimer* due = nullptr;
  for (TTimer& t : WM().Timers)
    if (t.Due <= now && (!due || t.Due < due->Due) && (!Filter || t.Window == Filter))
      due = &t;
  if (!due)
    return false;
  MSG m = MakeMsg(due->Window, WM_TIMER, due->Id, 0);
  if (!Matches(m, nullptr, Min, Max))
    return false;
  // A timer that fell behind gives one message, not one per missed interval.
  if (Remove)
    due->Due = now + due->Interval;
  Out = m;
  return true;
}

bool Fetch(MSG& Out, HWND Filter, UINT Min, UINT Max, bool Remove) {
  const bool unfiltered = !Filter && Min == 0 && Max == 0;
  if (TakeQueued(Out, Filter, Min, Max, Remove))
    return true;
  TWindowManager& wm = WM();
  if (wm.QuitPosted) {
    Out = MakeMsg(nullptr, WM_QUIT, static_cast<WPARAM>(wm.QuitCode), 0);
    if (Remove)
      wm.QuitPosted = false;
    return true;
  }
  // One paint round per call: a window that damages itself while painting is painted again on the
  // next call instead of holding this one for ever.
  if (unfiltered && RunPaintCycles() && TakeQueued(Out, Filter, Min, Max, Remove))
    return true;
  return TakeTimer(Out, Filter, Min, Max, Remove);
}

} // namespace

long long Now() { return CurrentEventSource().Now(); }

DWORD GetTickCount() { return static_cast<DWORD>(Now()); }

LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TWnd* w = FindWnd(Wnd);
  if (!w)
    return 0;
  return CallWindowProc(w->Proc, Wnd, Msg, WParam, LParam);
}

BOOL PostMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Wnd && !LiveWnd(Wnd))
    return 0;
  WM().Queue.push_back({MakeMsg(Wnd, Msg, WParam, LParam), std::nullopt});
  return 1;
}

void PostInputEvent(const TInputEvent& Event) {
  TQueued q;
  q.Input = Event;
  // A position in the window's device pixels, as the window's units.
  if (const TWnd* w = LiveWnd(Event.Window); w && w->IsTopLevel() && w->Scale != 1.0)
    q.Input->Pos = {UnitAt(Event.Pos.X, w->Scale), UnitAt(Event.Pos.Y, w->Scale)};
  WM().Queue.push_back(q);
}

void PostQuitMessage(int ExitCode) {
  WM().QuitPosted = true;
  WM().QuitCode = ExitCode;
}

BOOL PeekMessage(MSG* Msg, HWND Wnd, UINT FilterMin, UINT FilterMax, UINT RemoveMsg) {
  MSG m;
  if (!Fetch(m, Wnd, FilterMin, FilterMax, (RemoveMsg & PM_REMOVE) != 0))
    return 0;
  if (Msg)
    *Msg = m;
  return 1;
}

BOOL GetMessage(MSG* Msg, HWND Wnd, UINT FilterMin, UINT FilterMax) {
  MSG m;
  while (!Fetch(m, Wnd, FilterMin, FilterMax, true)) {
    if (HasDamage())
      continue;
    CurrentEventSource().WaitForEvents(NextTimerDue());
  }
  if (Msg)
    *Msg = m;
  return m.message == WM_QUIT ? 0 : 1;
}

LRESULT DispatchMessage(const MSG* Msg) {
  if (!Msg || !Msg->hwnd || !LiveWnd(Msg->hwnd))
    return 0;
  return SendMessage(Msg->hwnd, Msg->message, Msg->wParam, Msg->lParam);
}

namespace {
TMessageFilter& Filter() {
  static TMessageFilter filter;
  return filter;
}
} // namespace

void SetMessageFilter(TMessageFilter F) { Filter() = std::move(F); }

bool FilterMessage(MSG& Msg) {
  // A copy, so a filter may replace itself while it runs.
  const TMessageFilter filter = Filter();
  return filter && filter(Msg);
}

bool ProcessPendingMessages() {
  MSG m;
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      return false;
    }
    if (!FilterMessage(m))
      DispatchMessage(&m);
  }
  return true;
}

bool RunModalLoop(const std::function<bool()>& Finished) {
  MSG m;
  while (!Finished()) {
    if (!GetMessage(&m, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(m.wParam));
      return false;
    }
    if (!FilterMessage(m))
      DispatchMessage(&m);
  }
  return true;
}

void DiscardQueuedMessages() {
  WM().Queue.clear();
  WM().QuitPosted = false;
  WM().QuitCode = 0;
}

void ResetMessageLayer() {
  DiscardQueuedMessages();
  TWindowManager& wm = WM();
  wm.KeysDown.clear();
  wm.LastClick = {};
  wm.AppActive = false;
  wm.Active = wm.Focus = wm.Capture = wm.Hover = nullptr;
  wm.Cursor = nullptr;
}

UINT_PTR SetTimer(HWND Wnd, UINT_PTR IDEvent, UINT Elapse) {
  if (!LiveWnd(Wnd))
    return 0;
  const UINT interval = std::max(Elapse, MinimumTimerInterval);
  const long long due = Now() + interval;
  for (TTimer& t : WM().Timers)
    if (t.Window == Wnd && t.Id == IDEvent) {
      t.Interval = interval;
      t.Due = due;
      return IDEvent ? IDEvent : 1;
    }
  WM().Timers.push_back({Wnd, IDEvent, interval, due});
  return IDEvent ? IDEvent : 1;
}

BOOL KillTimer(HWND Wnd, UINT_PTR IDEvent) {
  return std::erase_if(WM().Timers, [&](const TTimer& t) { return t.Window == Wnd && t.Id == IDEvent; }) ? 1 : 0;
}

void ForgetWindowTimers(HWND Wnd) {
  std::erase_if(WM().Timers, [&](const TTimer& t) { return t.Window == Wnd; });
}

long long NextTimerDue() {
  long long next = -1;
  for (const TTimer& t : WM().Timers)
    if (next < 0 || t.Due < next)
      next = t.Due;
  return next;
}

#include "platform/windows/WindowProcHook.h"

// Shared by the hook and its object instance, so that either may go first.
struct TWindowProcHook::TState {
  HWND Wnd = nullptr;
  WNDPROC Own = nullptr;
  WNDPROC Prev = nullptr;
  TWndMethod Handler; // empty once the hook was removed: a pass-through
  bool Freed = false;

  void Free() {
    if (Freed)
      return;
    Freed = true;
    FreeObjectInstance(Own);
  }

  // The instance's procedure. A removed hook still in the chain unhooks itself as soon as it is the
  // installed procedure again.
  static void Dispatch(const std::shared_ptr<TState>& S, TMessage& M) {
    const HWND wnd = S->Wnd;
    if (S->Handler) {
      const TWndMethod handler = S->Handler; // the handler may remove the hook
      handler(M);
    } else {
      if (GetWindowLongPtr(wnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(S->Own)) {
        SetWindowLongPtr(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(S->Prev));
        S->Free();
      }
      M.Result = CallWindowProc(S->Prev, wnd, M.Msg, M.WParam, M.LParam);
    }
    // The window's last message: nothing will call this procedure any more.
    if (M.Msg == WM_NCDESTROY) {
      S->Wnd = nullptr;
      if (!S->Handler)
        S->Free();
    }
  }
};

bool TWindowProcHook::Install(HWND Wnd, TWndMethod Handler) {
  Remove();
  if (!Handler || !IsWindow(Wnd))
    return false;
  auto state = std::make_shared<TState>();
  state->Wnd = Wnd;
  state->Handler = std::move(Handler);
  // The instance keeps the state: it may outlive the hook as a pass-through.
  state->Own = MakeObjectInstance([S = state](TMessage& M) { TState::Dispatch(S, M); });
  state->Prev = reinterpret_cast<WNDPROC>(SetWindowLongPtr(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(state->Own)));
  // A window whose procedure cannot be replaced (the desktop) keeps its own.
  if (GetWindowLongPtr(Wnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(state->Own)) {
    state->Handler = nullptr;
    state->Free();
    return false;
  }
  F = std::move(state);
  return true;
}

void TWindowProcHook::Remove() {
  if (!F)
    return;
  const std::shared_ptr<TState> s = std::move(F);
  s->Handler = nullptr;
  if (!s->Wnd || !IsWindow(s->Wnd)) {
    s->Free();
    return;
  }
  if (GetWindowLongPtr(s->Wnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(s->Own)) {
    SetWindowLongPtr(s->Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s->Prev));
    s->Free();
  }
  // Otherwise another procedure chains to ours: it stays a pass-through (see Dispatch).
}

HWND TWindowProcHook::Window() const { return F ? F->Wnd : nullptr; }
WNDPROC TWindowProcHook::Previous() const { return F ? F->Prev : nullptr; }
WNDPROC TWindowProcHook::Procedure() const { return F ? F->Own : nullptr; }

void TWindowProcHook::CallPrevious(TMessage& Message) const {
  Message.Result = CallPrevious(Message.Msg, Message.WParam, Message.LParam);
}

LRESULT TWindowProcHook::CallPrevious(UINT Msg, WPARAM WParam, LPARAM LParam) const {
  if (!F || !F->Wnd)
    return 0;
  return CallWindowProc(F->Prev, F->Wnd, Msg, WParam, LParam);
}

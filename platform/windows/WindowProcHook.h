#pragma once

#include "platform/windows/User.h"

#include <memory>

// Replaces a window's procedure for as long as it lives, the way a component takes over its form's
// messages: Handler sees every message first and passes on what it does not answer itself with
// CallPrevious (the procedure it replaced). Removing it (or destroying it) puts the previous
// procedure back when this hook's procedure is still the installed one. When another procedure was
// installed over it since (and chains to it), taking it out would cut that one off: it stays in the
// chain as a plain pass-through to its previous procedure instead, and frees itself when it is the
// installed procedure again or when the window goes.
class TWindowProcHook {
public:
  TWindowProcHook() = default;
  TWindowProcHook(HWND Wnd, TWndMethod Handler) { Install(Wnd, std::move(Handler)); }
  ~TWindowProcHook() { Remove(); }
  TWindowProcHook(const TWindowProcHook&) = delete;
  TWindowProcHook& operator=(const TWindowProcHook&) = delete;

  // Makes Handler the window's procedure (removing this hook from where it was first). False, with
  // nothing installed, for a handle that is no live window or an empty handler.
  bool Install(HWND Wnd, TWndMethod Handler);
  // Takes the hook out as described above; the handler is not called again. Safe to call from
  // inside the handler, and when the window is already gone.
  void Remove();

  bool Installed() const { return F != nullptr; }
  HWND Window() const;
  // The procedure the hook replaced, and its own.
  WNDPROC Previous() const;
  WNDPROC Procedure() const;

  // Hands the message to the procedure the hook replaced; the answer goes to Message.Result.
  void CallPrevious(TMessage& Message) const;
  LRESULT CallPrevious(UINT Msg, WPARAM WParam, LPARAM LParam) const;

private:
  struct TState;
  std::shared_ptr<TState> F;
};

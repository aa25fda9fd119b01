#pragma once

#include "platform/controls/Form.h"
#include "platform/windows/WindowProcHook.h"

// What the skinned form does with its form's maximise, for tests of maximising: on WM_SIZE with
// SIZE_MAXIMIZED it gives the form the work area less one pixel at the bottom. Counts the WM_SIZE
// messages the form's window gets.
class TMaximiseFitter {
public:
  explicit TMaximiseFitter(TCustomForm& Form) : FForm(Form) {
    FHook.Install(Form.Handle(), [this](TMessage& M) {
      FHook.CallPrevious(M);
      if (M.Msg != WM_SIZE)
        return;
      ++Sizes;
      if (M.WParam == SIZE_MAXIMIZED) {
        TRect work;
        SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
        work.Bottom -= 1;
        FForm.SetBoundsRect(work);
      }
    });
  }
  int Sizes = 0;

private:
  TCustomForm& FForm;
  TWindowProcHook FHook;
};

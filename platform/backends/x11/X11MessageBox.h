#pragma once

#include "platform/windows/Backend.h"

#include <string>

class TX11Desktop;

// The message box of the X11 desktop: a small modal window of the message layer with the text and
// an OK button drawn on its own canvas. Enter, Escape, Space, the button or the window's close
// request end it.
class TX11MessageBox final : public TMessageBoxService {
public:
  explicit TX11MessageBox(TX11Desktop& Desktop) : FDesktop(Desktop) {}

  int Show(HWND Owner, const std::string& Text, const std::string& Caption, UINT Type) override;

  // The box showing now (nullptr when none).
  HWND Box() const { return FBox; }
  // The OK button, in the box's client coordinates.
  TRect ButtonRect() const { return FButton; }

private:
  TX11Desktop& FDesktop;
  HWND FBox = nullptr;
  TRect FButton;
};

#pragma once

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/controls/Label.h"
#include "platform/controls/Panel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A form at (100, 100) on a 1024 x 768 headless desktop whose work area leaves 40 pixels for a task
// bar. Events are written to Log as "name:event" so tests can check their order.
class ControlsTest : public ::testing::Test {
protected:
  ControlsTest() {
    Application->Initialize();
    Form = new TForm(nullptr);
    Form->SetBounds(100, 100, 281, 121);
  }
  ~ControlsTest() override { delete Form; }

  TPanel* AddPanel(TWinControl* Parent, const std::string& Name, TRect Bounds) {
    auto* p = NewComponent<TPanel>(Form);
    p->SetName(Name);
    p->SetBoundsRect(Bounds);
    p->SetParent(Parent);
    Watch(p);
    return p;
  }
  TLabel* AddLabel(TWinControl* Parent, const std::string& Name, TRect Bounds) {
    auto* l = NewComponent<TLabel>(Form);
    l->SetName(Name);
    l->SetAutoSize(false);
    l->SetBoundsRect(Bounds);
    l->SetParent(Parent);
    Watch(l);
    return l;
  }
  void Watch(TControl* C) {
    const std::string name = C->Name();
    C->OnClick = [this, name](TObject*) { Log.push_back(name + ":click"); };
    C->OnDblClick = [this, name](TObject*) { Log.push_back(name + ":dblclick"); };
    C->OnMouseEnter = [this, name](TObject*) { Log.push_back(name + ":enter"); };
    C->OnMouseLeave = [this, name](TObject*) { Log.push_back(name + ":leave"); };
    if (auto* w = dynamic_cast<TWinControl*>(C)) {
      w->OnEnter = [this, name](TObject*) { Log.push_back(name + ":focus"); };
      w->OnExit = [this, name](TObject*) { Log.push_back(name + ":unfocus"); };
    }
  }
  // A screen point inside a control, at client offset (X, Y).
  TPoint At(const TControl* C, int X = 2, int Y = 2) const { return C->ClientToScreen({X, Y}); }
  void ShowForm() {
    Form->Show();
    Desktop.ProcessMessages();
  }
  TColor ScreenColor(TPoint P) const { return PixelToColor(Desktop.Screenshot().At(P.X, P.Y)); }

  THeadlessDesktop Desktop;
  TForm* Form = nullptr;
  std::vector<std::string> Log;
};

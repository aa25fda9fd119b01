#pragma once

// Tests of this program's windows on a private Xvfb under openbox, both shared by the test suite.
// Each test gets the X11 desktop opened on that server once openbox runs and publishes its work
// area (the screen less its 40-pixel bottom margin), and a form to put there (freed afterwards).

#include "platform/backends/x11/X11Desktop.h"
#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "tests/support/Openbox.h"
#include "tests/support/Process.h"
#include "tests/support/Xvfb.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TOpenboxTest : public testing::Test {
protected:
  static void SetUpTestSuite() {
    FServer = new TXvfb();
    if (FServer->Running())
      FWm = new TOpenbox(FServer->Display());
  }
  static void TearDownTestSuite() {
    delete FWm;
    delete FServer;
    FWm = nullptr;
    FServer = nullptr;
    FWmManaging = false;
  }

  void SetUp() override {
    ASSERT_TRUE(FServer->Running()) << FServer->Error();
    ASSERT_TRUE(FWm && FWm->Started()) << "openbox could not be started (is the openbox package installed?)";
    ASSERT_TRUE(FWmManaging || (FWmManaging = FWm->WaitUntilManaging(10000))) << FWm->Error();
    std::string why;
    Desktop = TX11Desktop::Open(FServer->Display().c_str(), why);
    ASSERT_TRUE(Desktop) << why;
    // Openbox announces itself and its work area on the root window once it runs.
    ASSERT_TRUE(PumpUntil([&] {
      TRect work;
      return Desktop->WindowManagerRunning() && SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0) &&
             work == Rect(0, 0, 1024, 728);
    })) << "openbox did not take over the screen";
    Application->Initialize();
  }
  void TearDown() override {
    const unsigned long window = Form && Form->HandleAllocated() ? Desktop->NativeWindow(Form->Handle()) : 0;
    delete Form;
    Form = nullptr;
    Desktop.reset();
    // The next test's connection gets this one's window ids: openbox lets go of the form's window
    // first, or it may take the next test's first window for it.
    if (window) {
      EXPECT_TRUE(FWm->WaitUntilReleased(window, 10000)) << FWm->Error();
    }
  }

  std::vector<std::string> Env() const { return {"DISPLAY=" + FServer->Display()}; }

  // Delivers messages and waits for the server until Done holds or Ms pass.
  bool PumpUntil(const std::function<bool()>& Done, long long Ms = 10000) {
    const long long end = Desktop->Now() + Ms;
    for (;;) {
      ProcessPendingMessages();
      if (Done())
        return true;
      if (Desktop->Now() >= end)
        return false;
      Desktop->WaitForEvents(end);
    }
  }
  // The same for a condition on what other programs see (the server's geometry, its pixels), which
  // may come true without an event for this program: the wait is cut into slices of 50 ms.
  bool PollUntil(const std::function<bool()>& Done, long long Ms = 10000) {
    const long long end = Desktop->Now() + Ms;
    do {
      if (PumpUntil(Done, 50))
        return true;
    } while (Desktop->Now() < end);
    return false;
  }
  std::string WindowId() const { return std::to_string(Desktop->NativeWindow(Form->Handle())); }
  // Whether the server shows the form's window: openbox maps it some time after the form is shown.
  bool ServerShows() {
    std::string out;
    RunProcess({"xwininfo", "-id", WindowId()}, &out, Env());
    return out.find("Map State: IsViewable") != std::string::npos;
  }
  // Where the server shows the form's window (xwininfo, outside this program).
  TRect ServerGeometry() {
    std::string out;
    RunProcess({"xwininfo", "-id", WindowId()}, &out, Env());
    auto field = [&](const std::string& Name) {
      const auto at = out.find(Name);
      return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + Name.size());
    };
    return Bounds(field("Absolute upper-left X:"), field("Absolute upper-left Y:"), field("Width:"),
                  field("Height:"));
  }

  static inline TXvfb* FServer = nullptr;
  static inline TOpenbox* FWm = nullptr;
  static inline bool FWmManaging = false;
  std::unique_ptr<TX11Desktop> Desktop;
  TForm* Form = nullptr;
};

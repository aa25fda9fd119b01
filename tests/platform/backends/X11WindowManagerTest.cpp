// Forms on a private Xvfb under a real window manager (openbox from Debian, started by the test on
// that server, with a 40-pixel margin at the bottom so its work area is not the whole screen).

#include "platform/backends/x11/X11Desktop.h"
#include "platform/controls/Application.h"
#include "tests/platform/controls/MaximiseFitter.h"
#include "tests/support/Openbox.h"
#include "tests/support/Process.h"
#include "tests/support/Xvfb.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace {

class X11UnderOpenbox : public testing::Test {
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
  }

  void SetUp() override {
    ASSERT_TRUE(FServer->Running()) << FServer->Error();
    ASSERT_TRUE(FWm && FWm->Started()) << "openbox could not be started (is the openbox package installed?)";
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
    delete Form;
    Desktop.reset();
  }

  // Delivers messages and waits for the server until Done holds or 10 s pass.
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
  // Where the server shows the form's window (xwininfo, outside this program).
  TRect ServerGeometry() {
    std::string out;
    RunProcess({"xwininfo", "-id", std::to_string(Desktop->NativeWindow(Form->Handle()))}, &out,
               {"DISPLAY=" + FServer->Display()});
    auto field = [&](const std::string& Name) {
      const auto at = out.find(Name);
      return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + Name.size());
    };
    return Bounds(field("Absolute upper-left X:"), field("Absolute upper-left Y:"), field("Width:"),
                  field("Height:"));
  }

  static TXvfb* FServer;
  static TOpenbox* FWm;
  std::unique_ptr<TX11Desktop> Desktop;
  TForm* Form = nullptr;
};

TXvfb* X11UnderOpenbox::FServer = nullptr;
TOpenbox* X11UnderOpenbox::FWm = nullptr;

TEST_F(X11UnderOpenbox, AFormThatSizesItselfOnMaximiseEndsAtTheWindowManagersSizeWithoutAFight) {
  Form = new TForm(nullptr);
  Form->SetBounds(100, 100, 300, 200);
  Form->Show();
  ASSERT_TRUE(PumpUntil([&] { return ServerGeometry() == Bounds(100, 100, 300, 200); }));
  TMaximiseFitter fitter(*Form);
  Form->SetWindowState(wsMaximized);
  // The window manager maximises to its work area; the form ends where the window manager put it.
  const TRect expected = Rect(0, 0, 1024, 728);
  ASSERT_TRUE(PumpUntil([&] { return Form->BoundsRect() == expected && ServerGeometry() == expected; }))
      << "form at " << Form->Left() << "," << Form->Top() << " " << Form->Width() << "x" << Form->Height();
  const int sizes = fitter.Sizes;
  EXPECT_LE(sizes, 4) << "one maximise, the form's own request, and the window manager's answer";
  // Nothing more comes: no configure requests going back and forth, no further WM_SIZE.
  PumpUntil([] { return false; }, 500);
  EXPECT_EQ(fitter.Sizes, sizes);
  EXPECT_EQ(Form->BoundsRect(), expected);
  EXPECT_EQ(ServerGeometry(), expected);
  EXPECT_EQ(Form->WindowState(), wsMaximized);

  SendMessage(Form->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(PumpUntil([&] { return ServerGeometry() == Bounds(100, 100, 300, 200); }))
      << "restored to its bounds before the maximise";
  EXPECT_EQ(Form->BoundsRect(), Bounds(100, 100, 300, 200));
}

} // namespace

// Forms on a private Xvfb under a real window manager (openbox from Debian, started by the test on
// that server, with a 40-pixel margin at the bottom so its work area is not the whole screen).

#include "tests/platform/controls/MaximiseFitter.h"
#include "tests/support/OpenboxTest.h"

namespace {

class X11UnderOpenbox : public TOpenboxTest {};

// A form that is all caption: a press anywhere on it starts a move.
class TCaptionForm : public TForm {
public:
  using TForm::TForm;

protected:
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_NCHITTEST) {
      Message.Result = HTCAPTION;
      return;
    }
    TForm::WndProc(Message);
  }
};

// The window manager moves the window; when the program hears of the press only after the pointer
// went on, the window still moves by the whole drag from where the button went down.
TEST_F(X11UnderOpenbox, ADragThePressIsHandledLateForStillMovesByTheWholeDrag) {
  Form = new TCaptionForm(nullptr);
  Form->SetBounds(100, 100, 300, 200);
  Form->Show();
  ASSERT_TRUE(PollUntil([&] { return ServerShows() && ServerGeometry() == Bounds(100, 100, 300, 200); }));
  ASSERT_EQ(RunProcess({"xdotool", "mousemove", "200", "150", "mousedown", "1", "mousemove", "260", "190"}, nullptr,
                       Env()),
            0);
  ASSERT_TRUE(PollUntil([&] { return ServerGeometry() == Bounds(160, 140, 300, 200); }))
      << "at " << ServerGeometry().Left << ", " << ServerGeometry().Top;
  EXPECT_TRUE(Desktop->MoveSizeActive()) << "the move goes on while the button is down";
  ASSERT_EQ(RunProcess({"xdotool", "mousemove", "270", "195", "mouseup", "1"}, nullptr, Env()), 0);
  EXPECT_TRUE(PollUntil([&] { return ServerGeometry() == Bounds(170, 145, 300, 200); }))
      << "at " << ServerGeometry().Left << ", " << ServerGeometry().Top;
  EXPECT_TRUE(PumpUntil([&] { return Form->BoundsRect() == Bounds(170, 145, 300, 200) && !Desktop->MoveSizeActive(); }));
}

TEST_F(X11UnderOpenbox, AFormThatSizesItselfOnMaximiseEndsAtTheWindowManagersSizeWithoutAFight) {
  Form = new TForm(nullptr);
  Form->SetBounds(100, 100, 300, 200);
  Form->Show();
  ASSERT_TRUE(PollUntil([&] { return ServerGeometry() == Bounds(100, 100, 300, 200); }))
      << "at " << ServerGeometry().Left << ", " << ServerGeometry().Top << " " << ServerGeometry().Width() << "x"
      << ServerGeometry().Height();
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
  EXPECT_TRUE(PollUntil([&] { return ServerGeometry() == Bounds(100, 100, 300, 200); }))
      << "restored to its bounds before the maximise";
  EXPECT_EQ(Form->BoundsRect(), Bounds(100, 100, 300, 200));
}

} // namespace

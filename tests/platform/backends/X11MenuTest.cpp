// Menus on a real X server. xdotool opens and chooses in a popup menu of this program, and the
// input grab an open menu holds brings a click on another program's window to the menu, which
// closes and passes the click on to nobody: on a bare Xvfb and under openbox. The other program is
// xev, which prints every press it gets with its screen position.

#include "platform/backends/x11/X11Desktop.h"
#include "platform/controls/Application.h"
#include "platform/controls/MenuLoop.h"
#include "platform/controls/Timer.h"
#include "tests/support/Openbox.h"
#include "tests/support/Process.h"
#include "tests/support/Xvfb.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <sstream>

namespace {

constexpr int kPatienceMs = 10000;

class X11MenuTest : public testing::Test {
protected:
  // The desktop goes before the programs on its server, and the server last.
  void TearDown() override {
    Script.reset();
    delete Form;
    Form = nullptr;
    Desktop.reset();
    Other.reset();
    WindowManager.reset();
    Server.reset();
  }

  // Starts a server (with openbox on it when asked), opens the desktop there and shows a form at
  // (500, 300) whose popup menu is Copy, Paste, a separator and Delete; a chosen item writes its
  // caption to Log.
  void Open(bool WithWindowManager) {
    Server = std::make_unique<TXvfb>();
    ASSERT_TRUE(Server->Running()) << Server->Error();
    Display = Server->Display();
    if (WithWindowManager) {
      // Once it announces itself openbox may still lose a window mapped during its start (the
      // other program's, which then never shows): the test goes on once it manages windows.
      WindowManager = std::make_unique<TOpenbox>(Display);
      ASSERT_TRUE(WindowManager->Started()) << WindowManager->Error();
      ASSERT_TRUE(WindowManager->WaitUntilManaging(kPatienceMs)) << WindowManager->Error();
    }
    std::string why;
    Desktop = TX11Desktop::Open(Display.c_str(), why);
    ASSERT_TRUE(Desktop) << why;
    if (WithWindowManager) {
      ASSERT_TRUE(PumpUntil([&] { return Desktop->WindowManagerRunning(); })) << "openbox did not come up";
    }
    Application->Initialize();
    Form = new TForm(nullptr);
    Form->SetBounds(500, 300, 300, 200);
    Menu = new TPopupMenu(Form);
    for (const char* caption : {"&Copy", "&Paste", "-", "&Delete"}) {
      auto* item = new TMenuItem(Form);
      item->SetCaption(caption);
      item->OnClick = [this](TObject* Sender) {
        Log.push_back(static_cast<TMenuItem*>(Sender)->Caption() + (MenuLoopActive() ? " in the loop" : ""));
      };
      Menu->Items()->Add(item);
    }
    Form->SetPopupMenu(Menu);
    Form->Show();
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(Form->Handle()) && Desktop->FirstPresentTime() >= 0; }));
    Desktop->Sync();
  }

  int Xdotool(std::vector<std::string> Args, std::string* Out = nullptr) {
    Args.insert(Args.begin(), "xdotool");
    return RunProcess(Args, Out, {"DISPLAY=" + Display});
  }
  void ClickAt(TPoint P, int Button = 1) {
    ASSERT_EQ(Xdotool({"mousemove", std::to_string(P.X), std::to_string(P.Y), "click", std::to_string(Button)}), 0);
  }
  TPoint Centre(const TMenuItem* Item) {
    TRect r;
    EXPECT_TRUE(MenuItemScreenRect(Item, r));
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }

  // Delivers messages and waits for the server until Done holds or the patience runs out.
  bool PumpUntil(const std::function<bool()>& Done) {
    const long long end = Desktop->Now() + kPatienceMs;
    for (;;) {
      ProcessPendingMessages();
      if (Done())
        return true;
      if (Desktop->Now() >= end)
        return false;
      Desktop->WaitForEvents(end);
    }
  }

  // Acts while a menu is open: each step runs once a menu is shown and the server granted its
  // grab, from a timer (timers keep running in the menu loop). A menu still open when the patience
  // runs out is freed, which ends its loop, so a fault fails the test instead of hanging it.
  void WhileTheMenuIsOpen(std::vector<std::function<void()>> Steps) {
    Steps_ = std::move(Steps);
    Next = 0;
    StepsEnd = Desktop->Now() + kPatienceMs;
    Script = std::make_unique<TTimer>(nullptr);
    Script->SetInterval(20);
    Script->SetOnTimer([this](TObject*) {
      if (Desktop->Now() > StepsEnd) {
        if (Next < Steps_.size())
          ADD_FAILURE() << "step " << Next << " never saw an open menu holding the grab";
        else if (MenuLoopActive())
          ADD_FAILURE() << "the menu is still open after the last step";
        Script->SetEnabled(false);
        if (MenuLoopActive()) {
          delete Menu;
          Menu = nullptr;
        }
        return;
      }
      if (Next < Steps_.size() && OpenMenuLevels() > 0 && Desktop->InputGrabHeld())
        Steps_[Next++]();
    });
  }

  // xev as the other program, its window at the top-left of the screen, 320 x 200.
  void StartOtherProgram() {
    Other = std::make_unique<TChildProcess>(
        std::vector<std::string>{"xev", "-geometry", "320x200+40+40", "-event", "button", "-event", "structure"},
        std::vector<std::string>{"DISPLAY=" + Display}, std::string{}, true);
    ASSERT_TRUE(Other->WaitForOutput("MapNotify", kPatienceMs)) << Other->Output();
    std::string geometry;
    ASSERT_EQ(Xdotool({"search", "--name", "^Event Tester$", "getwindowgeometry"}, &geometry), 0);
    // "Position: X,Y (screen: 0)": where the window lies, whatever frame a window manager adds.
    const std::size_t at = geometry.find("Position: ");
    ASSERT_NE(at, std::string::npos) << geometry;
    char comma = 0;
    std::istringstream(geometry.substr(at + 10)) >> OtherOrigin.X >> comma >> OtherOrigin.Y;
  }
  // A point of the other program's window.
  TPoint OtherWindow(int X, int Y) const { return {OtherOrigin.X + X, OtherOrigin.Y + Y}; }
  // How xev reports a press at a screen point.
  static std::string PressAt(TPoint P) {
    return "root:(" + std::to_string(P.X) + "," + std::to_string(P.Y) + ")";
  }

  // Opens the menu, lets a click land on the other program's window, and checks that the menu
  // closed with nothing chosen and that the other program never saw that click (a later click
  // there is seen, so it would have been).
  void ExpectAClickOnTheOtherProgramToCloseTheMenu() {
    WhileTheMenuIsOpen({[&] { ClickAt(OtherWindow(100, 90)); }});
    TRect formRect;
    GetWindowRect(Form->Handle(), &formRect);
    Menu->Popup(formRect.Left + 40, formRect.Top + 40);
    EXPECT_EQ(OpenMenuLevels(), 0);
    ProcessPendingMessages();
    EXPECT_TRUE(Log.empty());
    ClickAt(OtherWindow(120, 110));
    ASSERT_TRUE(Other->WaitForOutput(PressAt(OtherWindow(120, 110)), kPatienceMs)) << Other->Output();
    EXPECT_EQ(Other->Output().find(PressAt(OtherWindow(100, 90))), std::string::npos) << Other->Output();
  }

  std::unique_ptr<TXvfb> Server;
  std::unique_ptr<TOpenbox> WindowManager;
  std::string Display;
  std::unique_ptr<TX11Desktop> Desktop;
  TForm* Form = nullptr;
  TPopupMenu* Menu = nullptr;
  std::unique_ptr<TTimer> Script;
  std::vector<std::function<void()>> Steps_;
  std::size_t Next = 0;
  long long StepsEnd = 0;
  std::unique_ptr<TChildProcess> Other;
  TPoint OtherOrigin;
  std::vector<std::string> Log;
};

TEST_F(X11MenuTest, APopupMenuOpenedByARightClickIsChosenWithTheMouse) {
  Open(false);
  std::string type, info;
  WhileTheMenuIsOpen({[&] {
    const std::string id = std::to_string(Desktop->NativeWindow(MenuLevelWindow(0)));
    RunProcess({"xprop", "-id", id, "_NET_WM_WINDOW_TYPE"}, &type, {"DISPLAY=" + Display});
    RunProcess({"xwininfo", "-id", id}, &info, {"DISPLAY=" + Display});
    ClickAt(Centre(Menu->Items()->Items(1)));
  }});
  TRect formRect;
  GetWindowRect(Form->Handle(), &formRect);
  ClickAt({formRect.Left + 100, formRect.Top + 80}, 3);
  ASSERT_TRUE(PumpUntil([&] { return !Log.empty(); }));
  EXPECT_EQ(Log, std::vector<std::string>{"&Paste"}) << "chosen once, and clicked after the loop";
  EXPECT_NE(type.find("_NET_WM_WINDOW_TYPE_POPUP_MENU"), std::string::npos) << type;
  EXPECT_NE(info.find("Override Redirect State: yes"), std::string::npos) << info;
  EXPECT_FALSE(Desktop->InputGrabHeld()) << "the grab goes with the menu";
}

TEST_F(X11MenuTest, AClickOnAnotherProgramsWindowClosesTheMenu) {
  Open(false);
  StartOtherProgram();
  ExpectAClickOnTheOtherProgramToCloseTheMenu();
}

TEST_F(X11MenuTest, UnderAWindowManagerTheGrabHoldsThePointerAndTheKeys) {
  Open(true);
  StartOtherProgram();
  TRect formRect;
  GetWindowRect(Form->Handle(), &formRect);
  ASSERT_TRUE(IntersectRect(formRect, Bounds(OtherOrigin.X, OtherOrigin.Y, 320, 200)).IsEmpty())
      << "the window manager put the two windows over each other";
  ExpectAClickOnTheOtherProgramToCloseTheMenu();

  // The other program has the focus now; the keys still come to the open menu.
  ASSERT_NE(Menu, nullptr) << "the menu had to be freed to end its loop";
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() != Form->Handle(); })) << "the form kept the focus";
  WhileTheMenuIsOpen({[&] { ASSERT_EQ(Xdotool({"key", "Down", "Down", "Return"}), 0); }});
  Menu->Popup(formRect.Left + 40, formRect.Top + 40);
  ASSERT_TRUE(PumpUntil([&] { return !Log.empty(); }));
  EXPECT_EQ(Log, std::vector<std::string>{"&Paste"});
  EXPECT_TRUE(WindowManager->Running());
}

} // namespace

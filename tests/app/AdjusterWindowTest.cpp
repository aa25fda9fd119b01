// The adjuster window on the headless desktop, whose recording gamma device keeps every table the
// window sends.

#include "app/Unit1.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/core/Resources.h"
#include "platform/core/StoredForm.h"
#include "platform/windows/Gdi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const TGammaRamp Identity = BuildGammaRamp(1.0f, 1.0f, 1.0f);

std::string StoredDescription() {
  const auto bytes = FindResource("TfrmBrivo", TResourceType::Form);
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

class AdjusterWindowTest : public ::testing::Test {
protected:
  AdjusterWindowTest() {
    Application->Initialize();
    RegisterUnit1Classes();
  }
  ~AdjusterWindowTest() override {
    delete Window;
    Application->SetActive(false);
  }

  void Create(const std::string& Description = StoredDescription()) { Window = new TfrmBrivo(nullptr, Description); }
  void CreateAndShow() {
    Create();
    Window->Show();
    Desktop.ProcessMessages();
  }
  const std::vector<TGammaRamp>& Tables() { return Desktop.GammaDevice().Tables(); }
  std::vector<std::string> Panels() const {
    return {Window->stat1->Caption(), Window->stat2->Caption(), Window->stat3->Caption()};
  }

  THeadlessDesktop Desktop;
  TfrmBrivo* Window = nullptr;
};

TEST_F(AdjusterWindowTest, ShowingTheWindowAppliesTheIdentityAndThePanelsReadOne) {
  Create();
  EXPECT_TRUE(Tables().empty()) << "nothing is sent before the window shows";
  Window->Show();
  Desktop.ProcessMessages();
  ASSERT_EQ(Tables().size(), 1u);
  EXPECT_EQ(Tables()[0], Identity);
  EXPECT_EQ(Panels(), (std::vector<std::string>{"1.0", "1.0", "1.0"}));
  EXPECT_EQ(OutstandingScreenDCs(), 0);
}

TEST_F(AdjusterWindowTest, TheClickAtShowGivesTheResetButtonTheFocus) {
  CreateAndShow();
  EXPECT_TRUE(Window->Button1->Focused());
}

TEST_F(AdjusterWindowTest, TopSliderAtTwentyAppliesPowerTwo) {
  CreateAndShow();
  Window->ScrollBar3->SetPosition(20);
  ASSERT_EQ(Tables().size(), 2u);
  EXPECT_EQ(Tables().back(), BuildGammaRamp(1.0f, 1.0f, 2.0f));
  EXPECT_EQ(Panels(), (std::vector<std::string>{"1.0", "1.0", "2.0"}));
  EXPECT_EQ(OutstandingScreenDCs(), 0);
}

TEST_F(AdjusterWindowTest, EachSliderFeedsItsOwnInputAndPanel) {
  CreateAndShow();
  Window->ScrollBar1->SetPosition(3);
  EXPECT_EQ(Tables().back(), BuildGammaRamp(0.3f, 1.0f, 1.0f));
  Window->ScrollBar2->SetPosition(17);
  EXPECT_EQ(Tables().back(), BuildGammaRamp(0.3f, 1.7f, 1.0f));
  Window->ScrollBar3->SetPosition(6);
  EXPECT_EQ(Tables().back(), BuildGammaRamp(0.3f, 1.7f, 0.6f));
  EXPECT_EQ(Panels(), (std::vector<std::string>{"0.3", "1.7", "0.6"}));
}

TEST_F(AdjusterWindowTest, ASliderAtZeroShowsZeroPointZero) {
  CreateAndShow();
  Window->ScrollBar2->SetPosition(0);
  EXPECT_EQ(Window->stat2->Caption(), "0.0");
  EXPECT_EQ(Tables().back(), BuildGammaRamp(1.0f, 0.0f, 1.0f));
  Window->ScrollBar1->SetPosition(-5);
  EXPECT_EQ(Window->stat1->Caption(), "0.0") << "the slider clamps what it is given";
}

TEST_F(AdjusterWindowTest, ResetWithEverySliderInTheMiddleSendsTheIdentityOnce) {
  CreateAndShow();
  Desktop.GammaDevice().Clear();
  Window->Button1->Click();
  ASSERT_EQ(Tables().size(), 1u) << "no slider moved, so no change handler ran";
  EXPECT_EQ(Tables()[0], Identity);
  EXPECT_EQ(OutstandingScreenDCs(), 0);
}

TEST_F(AdjusterWindowTest, ResetWithOnlyTheMiddleSliderMovedRunsOneChangeHandler) {
  CreateAndShow();
  Window->ScrollBar2->SetPosition(15);
  Desktop.GammaDevice().Clear();
  Window->Button1->Click();
  ASSERT_EQ(Tables().size(), 2u);
  EXPECT_EQ(Tables()[0], Identity);
  EXPECT_EQ(Tables()[1], Identity);
  EXPECT_EQ(Window->stat2->Caption(), "1.0");
  EXPECT_EQ(OutstandingScreenDCs(), 0);
}

// The bottom slider is put back first: the handler it runs still sees the top slider away.
TEST_F(AdjusterWindowTest, ResetPutsTheSlidersBackBottomMiddleTop) {
  CreateAndShow();
  Window->ScrollBar1->SetPosition(4);
  Window->ScrollBar3->SetPosition(18);
  Desktop.GammaDevice().Clear();
  Window->Button1->Click();
  ASSERT_EQ(Tables().size(), 3u);
  EXPECT_EQ(Tables()[0], Identity);
  EXPECT_EQ(Tables()[1], BuildGammaRamp(1.0f, 1.0f, 1.8f));
  EXPECT_EQ(Tables()[2], Identity);
  EXPECT_EQ(Panels(), (std::vector<std::string>{"1.0", "1.0", "1.0"}));
}

TEST_F(AdjusterWindowTest, ARefusedRampStillUpdatesThePanels) {
  CreateAndShow();
  Desktop.GammaDevice().RefuseWith("no gamma here");
  Window->ScrollBar3->SetPosition(12);
  EXPECT_EQ(Window->stat3->Caption(), "1.2");
  EXPECT_EQ(OutstandingScreenDCs(), 0);
}

TEST_F(AdjusterWindowTest, RunShowsTheWindowAndClosingLeavesTheLastRamp) {
  Application->CreateForm(Window);
  Desktop.SetIdleHook([&] {
    Window->ScrollBar3->SetPosition(20);
    Desktop.KeyDown(VK_MENU);
    Desktop.KeyDown(VK_F4);
  });
  Application->Run();
  Desktop.SetIdleHook(nullptr);
  Desktop.KeyUp(VK_F4);
  Desktop.KeyUp(VK_MENU);
  EXPECT_TRUE(Application->Terminated()) << "closing the main window ends the program";
  ASSERT_EQ(Tables().size(), 2u);
  EXPECT_EQ(Tables()[0], Identity);
  EXPECT_EQ(Tables()[1], BuildGammaRamp(1.0f, 1.0f, 2.0f)) << "nothing is sent when the window closes";
  EXPECT_EQ(OutstandingScreenDCs(), 0);
}

// Counts the screen contexts that are out each time a table arrives: every handler holds one of its
// own, the nested ones included.
class TContextCountingDevice final : public TGammaDevice {
public:
  bool Apply(const TGammaRamp&, std::string&) override {
    Outstanding.push_back(OutstandingScreenDCs());
    return true;
  }
  std::vector<int> Outstanding;
};

TEST_F(AdjusterWindowTest, EveryHandlerHoldsAScreenContextOfItsOwn) {
  auto device = std::make_unique<TContextCountingDevice>();
  TContextCountingDevice& counts = *device;
  InstallGammaDevice(std::move(device));
  CreateAndShow();
  EXPECT_EQ(counts.Outstanding, std::vector<int>{2}) << "the show handler's and the reset's";
  Window->ScrollBar1->SetPosition(12);
  Window->Button1->Click();
  EXPECT_EQ(counts.Outstanding, (std::vector<int>{2, 1, 1, 2})) << "a change alone, then the reset and its nested change";
  EXPECT_EQ(OutstandingScreenDCs(), 0);
  InstallGammaDevice(nullptr);
}

// The user's hand on the desktop: presses, holds and clicks at screen points.
class AdjusterInputTest : public AdjusterWindowTest {
protected:
  TPoint Centre(const TControl* C) const { return C->ClientToScreen({C->Width() / 2, C->Height() / 2}); }
};

TEST_F(AdjusterInputTest, HoldingTheTopSlidersIncreaseArrowForASecondBrightensToTwo) {
  CreateAndShow();
  const TPoint arrow = Centre(Window->ScrollBar3->IncButton());
  Desktop.MouseDown(arrow.X, arrow.Y);
  Desktop.Advance(1000);
  Desktop.MouseUp(arrow.X, arrow.Y);
  EXPECT_EQ(Window->ScrollBar3->Position(), 20);
  EXPECT_EQ(Panels(), (std::vector<std::string>{"1.0", "1.0", "2.0"}));
  EXPECT_EQ(Tables().back(), BuildGammaRamp(1.0f, 1.0f, 2.0f));
  EXPECT_EQ(Tables().size(), 11u) << "the identity at show, then one table per step";
  EXPECT_EQ(OutstandingScreenDCs(), 0);
}

TEST_F(AdjusterInputTest, AClickInTheBottomTrackLeftOfTheThumbPagesDown) {
  CreateAndShow();
  const TControl* track = Window->ScrollBar1->Track();
  const TPoint left = track->ClientToScreen({2, track->Height() / 2});
  Desktop.MouseDown(left.X, left.Y);
  Desktop.MouseUp(left.X, left.Y);
  EXPECT_EQ(Window->ScrollBar1->Position(), 8);
  EXPECT_EQ(Window->stat1->Caption(), "0.8");
  EXPECT_EQ(Tables().back(), BuildGammaRamp(0.8f, 1.0f, 1.0f));
}

TEST_F(AdjusterInputTest, ClickingTheResetButtonBringsEverythingBack) {
  CreateAndShow();
  Window->ScrollBar2->SetPosition(3);
  Window->ScrollBar3->SetPosition(17);
  const TPoint button = Centre(Window->Button1);
  Desktop.Click(button.X, button.Y);
  EXPECT_EQ(Panels(), (std::vector<std::string>{"1.0", "1.0", "1.0"}));
  EXPECT_EQ(Tables().back(), Identity);
  for (TzykScrollBar* bar : {Window->ScrollBar1, Window->ScrollBar2, Window->ScrollBar3})
    EXPECT_EQ(bar->Position(), 10);
}

// A display change may reset the gamma; the window answers each notice with the sliders' ramp, and
// sends nothing unasked, so a ramp another program set afterwards is left alone.
class DisplayChangeTest : public AdjusterWindowTest {};

TEST_F(DisplayChangeTest, EachNoticeAppliesTheSlidersRampOnce) {
  CreateAndShow();
  Window->ScrollBar3->SetPosition(14);
  Window->ScrollBar1->SetPosition(7);
  Desktop.GammaDevice().Clear();
  Desktop.DisplayChanged();
  ASSERT_EQ(Tables().size(), 1u);
  EXPECT_EQ(Tables()[0], BuildGammaRamp(0.7f, 1.0f, 1.4f));
  EXPECT_EQ(Desktop.GammaDevice().DisplayChanges(), 1) << "the device looks at the displays afresh first";
  Desktop.DisplayChanged();
  EXPECT_EQ(Tables().size(), 2u);
  EXPECT_EQ(Panels(), (std::vector<std::string>{"0.7", "1.0", "1.4"}));
  EXPECT_EQ(OutstandingScreenDCs(), 0);
}

TEST_F(DisplayChangeTest, WithoutANoticeNothingIsSent) {
  CreateAndShow();
  Window->ScrollBar2->SetPosition(13);
  Desktop.GammaDevice().Clear();
  Desktop.Advance(60000);
  EXPECT_TRUE(Tables().empty());
}

TEST_F(DisplayChangeTest, NoticesTheWindowHasNotTakenYetAreOne) {
  CreateAndShow();
  Desktop.GammaDevice().Clear();
  HostDisplayChanged();
  HostDisplayChanged();
  HostDisplayChanged();
  Desktop.ProcessMessages();
  EXPECT_EQ(Tables().size(), 1u);
  EXPECT_EQ(Desktop.GammaDevice().DisplayChanges(), 3);
}

// A second start of the program on the same desktop, as the program's start-up makes its claim.
class SecondStartTest : public AdjusterWindowTest {
protected:
  SecondStartTest() { EXPECT_EQ(Desktop.ClaimInstance("brivo"), TInstanceClaim::Claimed); }
};

TEST_F(SecondStartTest, TheMinimisedWindowComesBackAsItWasWithoutAnotherRamp) {
  CreateAndShow();
  Window->ScrollBar3->SetPosition(14);
  Window->ScrollBar2->SetPosition(8);
  ShowWindow(Window->Handle(), SW_MINIMIZE);
  Desktop.ProcessMessages();
  ASSERT_TRUE(IsIconic(Window->Handle()));
  Desktop.GammaDevice().Clear();

  EXPECT_EQ(Desktop.ClaimInstance("brivo"), TInstanceClaim::Running);
  Desktop.ProcessMessages();
  EXPECT_FALSE(IsIconic(Window->Handle()));
  EXPECT_EQ(GetActiveWindow(), Window->Handle());
  EXPECT_EQ(Desktop.Host(Window->Handle())->BroughtToFront(), 1);
  EXPECT_TRUE(Tables().empty()) << "coming back is no new show: the ramp stays";
  EXPECT_EQ(Panels(), (std::vector<std::string>{"1.0", "0.8", "1.4"}));
  EXPECT_TRUE(Window->Button1->Focused()) << "Enter still resets";
}

class StoredWindowTest : public AdjusterWindowTest {};

TEST_F(StoredWindowTest, TheDescriptionIsTheResourceNamedAfterTheClass) {
  const std::string text = StoredDescription();
  EXPECT_EQ(text.rfind("object frmBrivo: TfrmBrivo\n", 0), 0u);
  Window = new TfrmBrivo(nullptr);
  EXPECT_EQ(Window->Name(), "frmBrivo");
  EXPECT_EQ(WriteStoredForm(*Window), WriteStoredForm(TfrmBrivo(nullptr, text)));
}

TEST_F(StoredWindowTest, ComponentsComeInStoredOrderWithTheirClasses) {
  Create();
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"zykForm1", "TzykForm"},     {"Label8", "TLabel"},         {"Label2", "TLabel"},     {"zykURLLabel1", "TzykURLLabel"},
      {"Label3", "TLabel"},         {"Label9", "TLabel"},     {"Label1", "TLabel"},
      {"ScrollBar2", "TzykScrollBar"}, {"stat2", "TPanel"},  {"stat3", "TPanel"},
      {"Button1", "TzykButton"},    {"ScrollBar3", "TzykScrollBar"}, {"ScrollBar1", "TzykScrollBar"},
      {"stat1", "TPanel"}};
  std::vector<std::pair<std::string, std::string>> actual;
  for (int i = 0; i < Window->ComponentCount(); ++i) {
    const TComponent* c = Window->Components(i);
    if (c->Owner() == Window && dynamic_cast<const TControl*>(c))
      actual.emplace_back(c->Name(), std::string(c->ClassName()));
  }
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(Window->zykForm1->Parent(), Window);
  for (int i = 0; i < Window->ComponentCount(); ++i) {
    const auto* control = dynamic_cast<const TControl*>(Window->Components(i));
    if (control && control != Window->zykForm1) {
      EXPECT_EQ(control->Parent(), Window->zykForm1) << control->Name() << " stands on the skinned form";
    }
  }
  EXPECT_EQ(Window->FindComponent("Label9"), Window->Label9) << "fields are bound by name";
  EXPECT_EQ(Window->FindComponent("zykURLLabel1"), Window->zykURLLabel1);
}

TEST_F(StoredWindowTest, ControlsSitWhereTheDescriptionPutsThem) {
  Create();
  const std::vector<std::pair<TControl*, TRect>> placed = {
      {Window->ScrollBar3, Bounds(46, 28, 99, 16)}, {Window->ScrollBar2, Bounds(47, 48, 98, 16)},
      {Window->ScrollBar1, Bounds(47, 68, 98, 16)}, {Window->stat3, Bounds(155, 28, 40, 15)},
      {Window->stat2, Bounds(155, 48, 40, 15)},     {Window->stat1, Bounds(155, 68, 40, 15)},
      {Window->Button1, Bounds(204, 29, 65, 57)},   {Window->Label2, Bounds(48, 88, 193, 13)},
      {Window->Label3, Bounds(160, 104, 89, 13)}};
  for (const auto& [control, bounds] : placed)
    EXPECT_EQ(control->BoundsRect(), bounds) << control->Name();
  for (TLabel* label : {Window->Label9, Window->Label8, Window->Label1}) {
    EXPECT_EQ(label->Left(), 8) << label->Name();
    EXPECT_EQ(label->Font()->Name(), "新細明體");
    EXPECT_EQ(label->Font()->Height(), -16);
  }
  EXPECT_EQ(Window->Label9->Font()->Color(), clRed);
  EXPECT_EQ(Window->Label8->Font()->Color(), clNavy);
  EXPECT_EQ(Window->zykURLLabel1->Left(), 32);
  EXPECT_EQ(Window->zykURLLabel1->Top(), 104);
  EXPECT_LE(Window->zykURLLabel1->Width(), 118) << "the link's caption fits its line";
  EXPECT_EQ(Window->Constraints()->MinWidth(), 130);
  EXPECT_EQ(Window->Position(), poDesktopCenter);
  EXPECT_FALSE(Window->Scaled());
}

TEST_F(StoredWindowTest, SlidersButtonAndPanelsHaveTheirStoredProperties) {
  Create();
  for (TzykScrollBar* bar : {Window->ScrollBar1, Window->ScrollBar2, Window->ScrollBar3}) {
    EXPECT_EQ(bar->UIStyle(), WinXP) << bar->Name();
    EXPECT_EQ(bar->Min(), 0);
    EXPECT_EQ(bar->Max(), 20);
    EXPECT_EQ(bar->Position(), 10);
    EXPECT_EQ(bar->SmallChange(), 1);
    EXPECT_EQ(bar->PageSize(), 2);
    EXPECT_EQ(bar->Color(), 16382457);
    EXPECT_EQ(bar->Cursor(), crHandPoint);
  }
  EXPECT_EQ(GetMethodProp(*Window->ScrollBar1, "OnChange"), "zyktempScrollBar1Change");
  EXPECT_EQ(GetMethodProp(*Window->ScrollBar2, "OnChange"), "zyktempScrollBar2Change");
  EXPECT_EQ(GetMethodProp(*Window->ScrollBar3, "OnChange"), "zyktempScrollBar3Change");
  EXPECT_EQ(GetMethodProp(*Window->Button1, "OnClick"), "zyktempButton1Click");
  EXPECT_EQ(GetMethodProp(*Window, "OnShow"), "FormShow");
  EXPECT_EQ(Window->Button1->UIStyle(), MacOS);
  EXPECT_TRUE(Window->Button1->Transparent());
  EXPECT_EQ(Window->Button1->Caption(), "預設值");
  for (TPanel* panel : {Window->stat1, Window->stat2, Window->stat3}) {
    EXPECT_EQ(panel->Caption(), "1.0");
    EXPECT_EQ(panel->Color(), clCream);
    EXPECT_EQ(panel->Alignment(), taRightJustify);
    EXPECT_EQ(panel->BevelOuter(), bvLowered);
    EXPECT_EQ(panel->Font()->Name(), "Arial");
  }
  EXPECT_EQ(Window->zykURLLabel1->FontHoverColor(), clRed);
  EXPECT_EQ(Window->zykURLLabel1->FontLinkColor(), clBlue);
  EXPECT_FALSE(Window->zykURLLabel1->URL().empty());
  EXPECT_NE(Window->zykURLLabel1->URL(), Window->zykURLLabel1->Caption());
}

// The slider's look sets its colour; a colour stored after the look overrides it.
TEST_F(StoredWindowTest, AColourStoredAfterTheLookWins) {
  std::string text = StoredDescription();
  const std::size_t at = text.find("    Color = 16382457\n");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 21, "    Color = clLime\n");
  Create(text);
  EXPECT_EQ(Window->ScrollBar2->Color(), clLime);
  EXPECT_EQ(Window->ScrollBar3->Color(), 16382457);
}

TEST_F(StoredWindowTest, ClickingTheLinkOpensItsTargetAddress) {
  CreateAndShow();
  const TPoint p = Window->zykURLLabel1->ClientToScreen({3, 3});
  Desktop.Click(p.X, p.Y);
  EXPECT_EQ(Desktop.AddressOpener().Addresses(), std::vector<std::string>{Window->zykURLLabel1->URL()});
}

} // namespace

#include "ControlsFixture.h"

#include "platform/core/StoredForm.h"

namespace {

using LayoutTest = ControlsTest;

TEST_F(LayoutTest, AlignedChildrenShareTheClientAreaAndFollowItsSize) {
  Form->SetBounds(0, 0, 200, 100);
  TPanel* top = AddPanel(Form, "Top", Bounds(0, 0, 10, 20));
  TPanel* bottom = AddPanel(Form, "Bottom", Bounds(0, 0, 10, 10));
  TPanel* left = AddPanel(Form, "Left", Bounds(0, 0, 30, 10));
  TPanel* client = AddPanel(Form, "Client", Bounds(0, 0, 10, 10));
  client->SetAlign(alClient);
  left->SetAlign(alLeft);
  bottom->SetAlign(alBottom);
  top->SetAlign(alTop);
  EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 200, 20));
  EXPECT_EQ(bottom->BoundsRect(), Rect(0, 90, 200, 100));
  EXPECT_EQ(left->BoundsRect(), Rect(0, 20, 30, 90));
  EXPECT_EQ(client->BoundsRect(), Rect(30, 20, 200, 90));
  Form->SetBounds(0, 0, 300, 200);
  EXPECT_EQ(bottom->BoundsRect(), Rect(0, 190, 300, 200));
  EXPECT_EQ(client->BoundsRect(), Rect(30, 20, 300, 190));
  top->SetHeight(40);
  EXPECT_EQ(client->BoundsRect(), Rect(30, 40, 300, 190)) << "a resized aligned child realigns its siblings";
  left->Hide();
  EXPECT_EQ(client->BoundsRect(), Rect(0, 40, 300, 190)) << "a hidden one gives its room back";
}

TEST_F(LayoutTest, BevelsAndBorderNarrowThePanelsAlignArea) {
  TPanel* p = AddPanel(Form, "Outer", Bounds(0, 0, 100, 60));
  p->SetBevelInner(bvLowered);
  p->SetBevelWidth(2);
  p->SetBorderWidth(3);
  TPanel* c = AddPanel(p, "Inner", Bounds(0, 0, 10, 10));
  c->SetAlign(alClient);
  EXPECT_EQ(c->BoundsRect(), Rect(7, 7, 93, 53));
}

TEST_F(LayoutTest, AnchorsKeepDistancesToTheEdgesTheyHold) {
  Form->SetBounds(0, 0, 200, 100);
  TPanel* right = AddPanel(Form, "Right", Bounds(150, 10, 40, 20));
  right->SetAnchors({akTop, akRight});
  TPanel* stretch = AddPanel(Form, "Stretch", Bounds(10, 40, 180, 20));
  stretch->SetAnchors({akLeft, akRight, akBottom});
  TPanel* fixed = AddPanel(Form, "Fixed", Bounds(10, 70, 20, 20));
  Form->SetBounds(0, 0, 260, 150);
  EXPECT_EQ(right->BoundsRect(), Bounds(210, 10, 40, 20));
  EXPECT_EQ(stretch->BoundsRect(), Bounds(10, 90, 240, 20));
  EXPECT_EQ(fixed->BoundsRect(), Bounds(10, 70, 20, 20));
}

TEST_F(LayoutTest, ConstraintsLimitEverySize) {
  TPanel* p = AddPanel(Form, "Panel", Bounds(0, 0, 100, 50));
  p->Constraints()->SetMinWidth(60);
  p->Constraints()->SetMaxHeight(40);
  EXPECT_EQ(p->Height(), 40) << "a new limit applies at once";
  p->SetWidth(10);
  EXPECT_EQ(p->Width(), 60);
  Form->Constraints()->SetMinWidth(130);
  Form->Constraints()->SetMinHeight(50);
  ShowForm();
  const MINMAXINFO info = QueryMinMaxInfo(Form->Handle());
  EXPECT_EQ(info.ptMinTrackSize.X, 130);
  EXPECT_EQ(info.ptMinTrackSize.Y, 50);
}

TEST_F(LayoutTest, ResizeReportsOnlyRealSizeChanges) {
  TPanel* p = AddPanel(Form, "Panel", Bounds(0, 0, 100, 50));
  Form->HandleNeeded();
  int resizes = 0;
  p->OnResize = [&](TObject*) { ++resizes; };
  p->SetLeft(20);
  p->SetWidth(120);
  p->SetBounds(20, 0, 120, 50);
  EXPECT_EQ(resizes, 1);
}

TEST_F(LayoutTest, FontAndColourComeFromTheParentUntilSetOnTheChild) {
  TPanel* p = AddPanel(Form, "Panel", Bounds(0, 0, 100, 50));
  TLabel* l = AddLabel(p, "Label", Bounds(5, 5, 50, 15));
  std::vector<UINT> notes;
  l->WindowProc = [l, &notes, inner = l->WindowProc](TMessage& M) {
    if (M.Msg == CM_FONTCHANGED || M.Msg == CM_COLORCHANGED)
      notes.push_back(M.Msg);
    inner(M);
    (void)l;
  };
  p->Font()->SetName("Arial");
  p->SetColor(clCream);
  EXPECT_EQ(l->Font()->Name(), "Arial");
  EXPECT_EQ(l->Color(), clCream);
  EXPECT_TRUE(l->ParentFont());
  EXPECT_TRUE(l->ParentColor());
  EXPECT_EQ(notes, (std::vector<UINT>{CM_FONTCHANGED, CM_COLORCHANGED}));
  l->Font()->SetColor(clRed);
  EXPECT_FALSE(l->ParentFont());
  p->Font()->SetName("Tahoma");
  EXPECT_EQ(l->Font()->Name(), "Arial");
  l->SetParentFont(true);
  EXPECT_EQ(l->Font()->Name(), "Tahoma");
}

TEST_F(LayoutTest, PanelBevelsUseTheRaisedAndLoweredColours) {
  TPanel* raised = AddPanel(Form, "Raised", Bounds(10, 10, 40, 20));
  TPanel* lowered = AddPanel(Form, "Lowered", Bounds(60, 10, 40, 20));
  lowered->SetBevelOuter(bvLowered);
  lowered->SetColor(clCream);
  ShowForm();
  const TColor light = ColorToRGB(clBtnHighlight);
  const TColor dark = ColorToRGB(clBtnShadow);
  EXPECT_EQ(ScreenColor(At(raised, 0, 0)), light);
  EXPECT_EQ(ScreenColor(At(raised, 0, 18)), light);
  EXPECT_EQ(ScreenColor(At(raised, 39, 0)), dark) << "the top-right corner belongs to the bottom edge";
  EXPECT_EQ(ScreenColor(At(raised, 0, 19)), dark) << "so does the bottom-left one";
  EXPECT_EQ(ScreenColor(At(raised, 39, 19)), dark);
  EXPECT_EQ(ScreenColor(At(lowered, 0, 0)), dark);
  EXPECT_EQ(ScreenColor(At(lowered, 39, 19)), light);
  EXPECT_EQ(ScreenColor(At(lowered, 1, 1)), ColorToRGB(clCream));
}

TEST_F(LayoutTest, ALabelSizesItselfToItsCaptionAndShowsItsParentWhenTransparent) {
  Form->SetColor(clLime);
  auto* l = NewComponent<TLabel>(Form);
  l->SetParent(Form);
  l->SetBounds(10, 10, 200, 40);
  l->SetCaption("Hello");
  TCanvas measure;
  measure.SetFont(*l->Font());
  EXPECT_EQ(l->Width(), measure.TextWidth("Hello"));
  EXPECT_EQ(l->Height(), measure.TextHeight("Hello"));
  l->SetCaption("");
  EXPECT_GT(l->Width(), 0) << "an empty caption keeps room for one blank";
  l->SetAutoSize(false);
  l->SetBounds(10, 10, 60, 30);
  l->SetColor(clRed);
  ShowForm();
  EXPECT_EQ(ScreenColor(At(l, 50, 25)), clRed);
  l->SetTransparent(true);
  Desktop.ProcessMessages();
  EXPECT_EQ(ScreenColor(At(l, 50, 25)), clLime);
}

TEST_F(LayoutTest, WordWrapBreaksAtBlanksWithinTheWidth) {
  auto* l = NewComponent<TLabel>(Form);
  l->SetParent(Form);
  TCanvas measure;
  measure.SetFont(*l->Font());
  const int width = std::max(measure.TextWidth("alpha beta"), measure.TextWidth("gamma delta")) + 2;
  ASSERT_LT(width, measure.TextWidth("alpha beta gamma"));
  l->SetAutoSize(false);
  l->SetWidth(width);
  l->SetWordWrap(true);
  l->SetCaption("alpha beta gamma delta");
  EXPECT_EQ(l->LayoutText(measure, width), "alpha beta\ngamma delta");
  l->SetAutoSize(true);
  EXPECT_EQ(l->Height(), 2 * measure.TextHeight("alpha"));
  EXPECT_LE(l->Width(), width);
}

// ---- Where the size notification comes from

// Counts its size notifications; windowed, so they come from its window's WM_SIZE.
class TSizeCountingPanel : public TPanel {
  BRIVO_CLASS(TSizeCountingPanel, TPanel)

public:
  explicit TSizeCountingPanel(TComponent* AOwner) : TPanel(AOwner) {}
  int Resizes = 0;

protected:
  void Resize() override {
    ++Resizes;
    TPanel::Resize();
  }
};

// The same for a control without a window of its own.
class TSizeCountingLabel : public TLabel {
  BRIVO_CLASS(TSizeCountingLabel, TLabel)

public:
  explicit TSizeCountingLabel(TComponent* AOwner) : TLabel(AOwner) { SetAutoSize(false); }
  int Resizes = 0;

protected:
  void Resize() override {
    ++Resizes;
    TLabel::Resize();
  }
};

// Places and sizes itself on a form that already has its window, from inside its constructor.
class TSelfPlacingPanel : public TSizeCountingPanel {
  BRIVO_CLASS(TSelfPlacingPanel, TSizeCountingPanel)

public:
  TSelfPlacingPanel(TComponent* AOwner, TWinControl* Parent) : TSizeCountingPanel(AOwner) {
    SetParent(Parent);
    SetBounds(0, 0, 90, 40);
  }
};

const TClassInfo& TSizeCountingPanel::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TSizeCountingPanel>().Build();
  return Info;
}
const TClassInfo& TSizeCountingLabel::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TSizeCountingLabel>().Build();
  return Info;
}
const TClassInfo& TSelfPlacingPanel::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TSelfPlacingPanel>().Build();
  return Info;
}

class ResizeNotification : public ControlsTest {
protected:
  ResizeNotification() {
    RegisterClasses({&TSizeCountingPanel::StaticClassInfo(), &TSizeCountingLabel::StaticClassInfo()});
  }
};

TEST_F(ResizeNotification, NoneWhileAStoredFormIsReadOneAfterARealSizeChange) {
  ShowForm();
  int formResizes = 0;
  Form->OnResize = [&](TObject*) { ++formResizes; };
  ReadStoredForm("object Form1: TForm\n"
                 "  Width = 300\n"
                 "  object Counted: TSizeCountingPanel\n"
                 "    Left = 4\n"
                 "    Width = 120\n"
                 "    Height = 30\n"
                 "    object Caption1: TSizeCountingLabel\n"
                 "      Width = 50\n"
                 "      Height = 12\n"
                 "    end\n"
                 "  end\n"
                 "end\n",
                 *Form);
  auto* panel = dynamic_cast<TSizeCountingPanel*>(Form->FindComponent("Counted"));
  auto* label = dynamic_cast<TSizeCountingLabel*>(Form->FindComponent("Caption1"));
  ASSERT_TRUE(panel && label);
  ASSERT_TRUE(panel->HandleAllocated()) << "the panel had a window, and so WM_SIZE, while it was read";
  EXPECT_EQ(panel->Resizes, 0);
  EXPECT_EQ(label->Resizes, 0);
  EXPECT_EQ(formResizes, 0);
  EXPECT_EQ(Form->Width(), 300);

  panel->SetLeft(10);
  label->SetTop(3);
  EXPECT_EQ(panel->Resizes, 0) << "a move is no size change";
  EXPECT_EQ(label->Resizes, 0);
  panel->SetWidth(140);
  label->SetWidth(60);
  EXPECT_EQ(panel->Resizes, 1);
  EXPECT_EQ(label->Resizes, 1);
}

TEST_F(ResizeNotification, AWindowedControlHearsItFromItsWindowOnly) {
  auto* panel = NewComponent<TSizeCountingPanel>(Form);
  panel->SetParent(Form);
  panel->SetWidth(50);
  EXPECT_EQ(panel->Resizes, 0) << "no window yet, so no WM_SIZE";
  ShowForm();
  EXPECT_EQ(panel->Resizes, 1) << "the window is made with its size";
  panel->SetHeight(77);
  EXPECT_EQ(panel->Resizes, 2);
  SendMessage(panel->Handle(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(panel->Width(), panel->Height()));
  EXPECT_EQ(panel->Resizes, 3) << "every size message counts, as on the original platform";
}

TEST_F(ResizeNotification, AGraphicControlHearsItOnceItsParentHasAWindow) {
  auto* label = NewComponent<TSizeCountingLabel>(Form);
  label->SetParent(Form);
  label->SetWidth(30);
  EXPECT_EQ(label->Resizes, 0);
  ShowForm();
  label->SetWidth(40);
  EXPECT_EQ(label->Resizes, 1);
}

TEST_F(ResizeNotification, NoneWhileTheControlIsConstructed) {
  ShowForm();
  auto* panel = NewComponent<TSelfPlacingPanel>(Form, Form);
  ASSERT_TRUE(panel->HandleAllocated());
  EXPECT_EQ(panel->Width(), 90);
  EXPECT_EQ(panel->Resizes, 0);
  panel->SetWidth(100);
  EXPECT_EQ(panel->Resizes, 1);
}

} // namespace

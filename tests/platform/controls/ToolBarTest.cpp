#include "ControlsFixture.h"

#include "platform/controls/ToolBar.h"

namespace {

class ToolBarTest : public ControlsTest {
protected:
  ToolBarTest() {
    Bar = new TToolBar(Form);
    Bar->SetParent(Form);
    Bar->SetEdgeBorders({});
    Bar->SetShowCaptions(true);
  }
  TToolButton* AddButton(const std::string& Caption, int Left = 0, bool AutoSize = false) {
    auto* b = new TToolButton(Form);
    b->SetCaption(Caption);
    b->SetAutoSize(AutoSize);
    b->SetLeft(Left);
    b->SetParent(Bar);
    return b;
  }
  TToolBar* Bar = nullptr;
};

TEST_F(ToolBarTest, AButtonTakesItsPlaceByItsPosition) {
  TToolButton* c = AddButton("C");
  TToolButton* b = AddButton("B");
  TToolButton* a = AddButton("A");
  EXPECT_EQ(Bar->Buttons(0), a);
  EXPECT_EQ(Bar->Buttons(1), b);
  EXPECT_EQ(Bar->Buttons(2), c);
  EXPECT_EQ(a->Left(), 0);
  EXPECT_EQ(b->Left(), 23);
  TToolButton* last = AddButton("Last", 1000);
  EXPECT_EQ(last->Index(), 3);
  EXPECT_EQ(last->Left(), 69);
}

TEST_F(ToolBarTest, ButtonsWrapIntoRowsAndTheBarSizesItself) {
  Bar->SetAutoSize(true);
  Bar->SetButtonHeight(20);
  for (int i = 0; i < 15; ++i)
    AddButton("x", 1000);
  // 281 pixels hold 12 buttons of 23 in a row.
  EXPECT_EQ(Bar->Buttons(11)->Top(), 0);
  EXPECT_EQ(Bar->Buttons(12)->Top(), 20);
  EXPECT_EQ(Bar->Buttons(12)->Left(), 0);
  EXPECT_EQ(Bar->Height(), 40);
  Bar->SetWrapable(false);
  EXPECT_EQ(Bar->Buttons(14)->Top(), 0);
  EXPECT_EQ(Bar->Height(), 20);
}

TEST_F(ToolBarTest, SelfSizingButtonsFollowTheirCaption) {
  TToolButton* shortOne = AddButton("&Go", 0, true);
  TToolButton* longOne = AddButton("Everything at once", 1000, true);
  EXPECT_GT(longOne->Width(), shortOne->Width() + 40);
  EXPECT_EQ(longOne->Left(), shortOne->Width());
  const int before = shortOne->Width();
  shortOne->SetCaption("&Go further");
  EXPECT_GT(shortOne->Width(), before);
  EXPECT_EQ(longOne->Left(), shortOne->Width());
}

TEST_F(ToolBarTest, CustomDrawingCanReplaceTheBarsOwn) {
  AddButton("A");
  bool barDrawn = false;
  TCustomDrawState last;
  Bar->OnCustomDraw = [&](TToolBar* Sender, const TRect& R, bool& DefaultDraw) {
    barDrawn = true;
    EXPECT_EQ(R, Sender->ClientRect());
    Sender->Canvas().Brush().SetColor(clLime);
    Sender->Canvas().FillRect(R);
    DefaultDraw = false;
  };
  Bar->OnCustomDrawButton = [&](TToolBar* Sender, TToolButton* B, TCustomDrawState State, bool& DefaultDraw) {
    last = State;
    Sender->Canvas().Brush().SetColor(clRed);
    Sender->Canvas().FillRect(B->BoundsRect());
    DefaultDraw = false;
  };
  ShowForm();
  EXPECT_FALSE(last.Contains(cdsHot));
  const TPoint p = Bar->Buttons(0)->ClientToScreen({3, 3});
  Desktop.MouseMove(p.X, p.Y);
  Desktop.ProcessMessages();
  EXPECT_TRUE(barDrawn);
  EXPECT_TRUE(last.Contains(cdsHot));
  EXPECT_EQ(ScreenColor(p), clRed);
  EXPECT_EQ(Bar->Width(), Form->ClientWidth());
  EXPECT_EQ(ScreenColor(Bar->ClientToScreen({200, 10})), clLime);
}

TEST_F(ToolBarTest, ASizeAskedOfAButtonIsTheBarsButtonSize) {
  Bar->SetAutoSize(true);
  TToolButton* a = AddButton("A");
  TToolButton* b = AddButton("B", 1000);
  a->SetHeight(30);
  EXPECT_EQ(Bar->ButtonHeight(), 30);
  EXPECT_EQ(b->Height(), 30);
  EXPECT_EQ(Bar->Height(), 30) << "the bar follows its buttons";
  b->SetWidth(40);
  EXPECT_EQ(a->Width(), 40);
  EXPECT_EQ(b->Left(), 40);
}

TEST_F(ToolBarTest, AMenuButtonStandsForItsItem) {
  auto* menu = new TMainMenu(Form);
  auto* help = new TMenuItem(Form);
  help->SetCaption("&Help");
  menu->Items()->Add(help);
  auto* off = new TMenuItem(Form);
  off->SetCaption("&Off");
  off->SetEnabled(false);
  menu->Items()->Add(off);
  int clicks = 0;
  help->OnClick = [&](TObject*) { ++clicks; };
  off->OnClick = [&](TObject*) { ++clicks; };
  TToolButton* b = AddButton("");
  b->SetAutoSize(true);
  b->SetMenuItem(help);
  TToolButton* o = AddButton("", 1000);
  o->SetMenuItem(off);
  EXPECT_EQ(b->Caption(), "&Help");
  EXPECT_FALSE(o->Enabled());
  ShowForm();
  Desktop.Click(At(b).X, At(b).Y);
  EXPECT_EQ(clicks, 1) << "an item without sub-items is clicked, not dropped down";
  Desktop.Click(At(o).X, At(o).Y);
  EXPECT_EQ(clicks, 1);
  delete help;
  EXPECT_EQ(b->MenuItem(), nullptr);
}

} // namespace

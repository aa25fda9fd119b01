#include "ControlsFixture.h"

#include "platform/controls/Menus.h"

#include "platform/graphics/Bitmap.h"
#include "platform/windows/Gdi.h"

using ::testing::ElementsAre;

namespace {

// Records the class library's notifications a control receives, by hooking its WindowProc as a
// component of another unit would.
class NotificationTest : public ControlsTest {
protected:
  void Record(TControl* C) {
    C->WindowProc = [this, inner = C->WindowProc](TMessage& M) {
      if (M.Msg >= CM_BASE && M.Msg < CM_BASE + 0x100)
        Notes.push_back(M.Msg);
      inner(M);
    };
  }
  std::vector<UINT> Notes;
};

TEST_F(NotificationTest, PropertyChangesAnnounceThemselvesOnceAndOnlyOnChange) {
  TLabel* l = AddLabel(Form, "Label", Bounds(0, 0, 40, 15));
  Record(l);
  l->SetCaption("a");
  l->SetCaption("a");
  l->SetEnabled(false);
  l->SetEnabled(false);
  l->SetVisible(false);
  l->SetCursor(crHandPoint);
  l->SetColor(clRed);
  EXPECT_THAT(Notes, ElementsAre(CM_TEXTCHANGED, CM_ENABLEDCHANGED, CM_VISIBLECHANGED, CM_CURSORCHANGED,
                                 CM_COLORCHANGED));
}

TEST_F(NotificationTest, FocusChangesReachEveryControlOfTheForm) {
  TPanel* holder = AddPanel(Form, "Holder", Bounds(0, 0, 200, 100));
  TPanel* a = AddPanel(holder, "A", Bounds(5, 5, 40, 30));
  TPanel* b = AddPanel(Form, "B", Bounds(210, 5, 40, 30));
  TLabel* l = AddLabel(holder, "Label", Bounds(60, 5, 40, 15));
  a->SetTabStop(true);
  b->SetTabStop(true);
  std::vector<LPARAM> seen;
  l->WindowProc = [&, inner = l->WindowProc](TMessage& M) {
    if (M.Msg == CM_FOCUSCHANGED)
      seen.push_back(M.LParam);
    inner(M);
  };
  ShowForm();
  a->SetFocus();
  b->SetFocus();
  EXPECT_THAT(seen, ElementsAre(reinterpret_cast<LPARAM>(Form), reinterpret_cast<LPARAM>(a),
                                reinterpret_cast<LPARAM>(b)))
      << "a nested graphic control hears of every focus change, the form's own first";
}

TEST_F(NotificationTest, TheNameFillsAnUntouchedCaption) {
  auto* p = new TPanel(Form);
  p->SetName("Panel7");
  EXPECT_EQ(p->Caption(), "Panel7");
  p->SetName("Panel8");
  EXPECT_EQ(p->Caption(), "Panel8");
  p->SetCaption("Value");
  p->SetName("Panel9");
  EXPECT_EQ(p->Caption(), "Value");
}

TEST_F(NotificationTest, ReferencesToRemovedComponentsAreCleared) {
  auto* popup = new TPopupMenu(nullptr);
  auto* mainMenu = new TMainMenu(nullptr);
  TPanel* p = AddPanel(Form, "Panel", Bounds(0, 0, 40, 30));
  p->SetPopupMenu(popup);
  Form->SetMenu(mainMenu);
  delete popup;
  delete mainMenu;
  EXPECT_EQ(p->PopupMenu(), nullptr);
  EXPECT_EQ(Form->Menu(), nullptr);
}

TEST_F(NotificationTest, DisabledGraphicControlsLetTheClickThroughToTheirParent) {
  TPanel* p = AddPanel(Form, "Panel", Bounds(10, 10, 150, 60));
  TLabel* l = AddLabel(p, "Label", Bounds(10, 10, 50, 15));
  l->SetEnabled(false);
  ShowForm();
  Desktop.Click(At(l).X, At(l).Y);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "Panel:click"), 1);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "Label:click"), 0);
}

TEST_F(NotificationTest, TheTopmostOfOverlappingGraphicControlsTakesTheClick) {
  TLabel* under = AddLabel(Form, "Under", Bounds(10, 10, 50, 20));
  TLabel* over = AddLabel(Form, "Over", Bounds(20, 15, 50, 20));
  ShowForm();
  Desktop.Click(At(over, 5, 5).X, At(over, 5, 5).Y);
  under->BringToFront();
  Desktop.Advance(1000);
  Desktop.Click(At(over, 5, 5).X, At(over, 5, 5).Y);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "Over:click"), 1);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "Under:click"), 1);
  EXPECT_EQ(Form->Controls(Form->ControlCount() - 1), under);
}

TEST_F(NotificationTest, AParentPaintsIntoAContextItIsGivenWithItsGraphicChildren) {
  Form->SetColor(clLime);
  TLabel* l = AddLabel(Form, "Label", Bounds(4, 2, 6, 5));
  l->SetColor(clRed);
  l->SetCaption("");
  // What a see-through child does to show its parent behind it: an off-screen canvas moved so that
  // the parent's (3, 1) lands at (0, 0).
  TBitmap buffer(10, 10);
  TCanvas& c = buffer.Canvas();
  c.SetViewportOrigin({-3, -1});
  Form->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DCFromCanvas(&c)), 0);
  Form->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DCFromCanvas(&c)), 0);
  EXPECT_EQ(PixelToColor(buffer.Pixels().At(0, 0)), clLime);
  EXPECT_EQ(PixelToColor(buffer.Pixels().At(1, 1)), clRed);
  EXPECT_EQ(PixelToColor(buffer.Pixels().At(6, 5)), clRed);
  EXPECT_EQ(PixelToColor(buffer.Pixels().At(7, 6)), clLime);
}

TEST_F(NotificationTest, DrawingOnACanvasOutsidePaintingShowsOnceGivenBack) {
  ShowForm();
  Form->Canvas().Brush().SetColor(clBlue);
  Form->Canvas().FillRect(Rect(0, 0, 10, 10));
  ReleaseCanvasContexts();
  EXPECT_EQ(ScreenColor(At(Form, 5, 5)), clBlue);
  EXPECT_EQ(ScreenColor(At(Form, 15, 5)), ColorToRGB(clBtnFace));
}

class WindowTest : public ControlsTest {};

TEST_F(WindowTest, DraggingAnEdgeResizesTheFormWithinItsConstraintsAndRealigns) {
  TPanel* client = AddPanel(Form, "Client", Bounds(0, 0, 10, 10));
  client->SetAlign(alClient);
  int resizes = 0;
  Form->OnResize = [&](TObject*) { ++resizes; };
  Form->Constraints()->SetMinWidth(200);
  ShowForm();
  Desktop.MouseMove(380, 150);
  SendMessage(Form->Handle(), WM_NCLBUTTONDOWN, HTRIGHT, MAKELPARAM(380, 150));
  ASSERT_TRUE(Desktop.MoveSizeActive());
  Desktop.MouseMove(400, 150);
  EXPECT_EQ(Form->Width(), 301);
  EXPECT_EQ(client->Width(), 301);
  Desktop.MouseMove(100, 150);
  Desktop.MouseUp(100, 150);
  EXPECT_EQ(Form->Width(), 200);
  EXPECT_EQ(resizes, 2);
}

TEST_F(WindowTest, MaximisingFillsTheWorkAreaAndRestoringGivesTheBoundsBack) {
  ShowForm();
  Form->SetWindowState(wsMaximized);
  EXPECT_EQ(Form->WindowState(), wsMaximized);
  EXPECT_EQ(Form->BoundsRect(), Rect(0, 0, 1024, 728));
  SendMessage(Form->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_EQ(Form->WindowState(), wsNormal);
  EXPECT_EQ(Form->BoundsRect(), Bounds(100, 100, 281, 121));
}

TEST_F(WindowTest, OnlyTheActiveFormIsActive) {
  auto* other = new TForm(nullptr);
  other->SetBounds(500, 100, 100, 100);
  int deactivations = 0;
  Form->OnDeactivate = [&](TObject*) { ++deactivations; };
  ShowForm();
  EXPECT_TRUE(Form->Active());
  other->Show();
  EXPECT_FALSE(Form->Active());
  EXPECT_TRUE(other->Active());
  EXPECT_EQ(Screen->ActiveForm(), other);
  EXPECT_EQ(deactivations, 1);
  EXPECT_TRUE(Application->Active());
  Desktop.MouseDown(900, 700);
  EXPECT_FALSE(Application->Active()) << "a press on the bare desktop leaves the application";
  Desktop.MouseUp(900, 700);
  delete other;
  EXPECT_EQ(Screen->FormCount(), 1);
}

TEST_F(WindowTest, ControlsMovedToAnotherParentTakeTheirWindowAlong) {
  TPanel* a = AddPanel(Form, "A", Bounds(0, 0, 100, 60));
  TPanel* b = AddPanel(Form, "B", Bounds(120, 0, 100, 60));
  TPanel* child = AddPanel(a, "Child", Bounds(10, 10, 30, 20));
  ShowForm();
  ASSERT_TRUE(child->HandleAllocated());
  child->SetParent(b);
  EXPECT_EQ(GetParent(child->Handle()), b->Handle());
  EXPECT_EQ(FindControl(child->Handle()), child);
  Desktop.Click(At(child).X, At(child).Y);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "Child:click"), 1);
  child->SetParent(nullptr);
  EXPECT_FALSE(child->HandleAllocated());
  EXPECT_THROW(a->SetParent(a), EComponentError);
  delete child;
}

} // namespace

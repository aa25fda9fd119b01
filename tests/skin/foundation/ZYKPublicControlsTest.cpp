// The routines that reach into controls and forms, on the headless desktop.

#include "skin/foundation/ZYKPublic.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/core/Classes.h"
#include "platform/graphics/Bitmap.h"
#include "platform/windows/Messages.h"
#include "skin/foundation/ZYKThemes.h"
#include "tests/skin/foundation/StyleHolder.h"

#include <gtest/gtest.h>

namespace {

// A parent whose paint puts a small blue square at (12, 6) on its red background.
class TMarkedPanel : public TCustomPanel {
  BRIVO_CLASS(TMarkedPanel, TCustomPanel)

public:
  using TCustomPanel::TCustomPanel;

protected:
  void Paint() override {
    Canvas().Brush().SetColor(clBlue);
    Canvas().FillRect(Rect(12, 6, 14, 8));
  }
};

// Notes every change of its bounds.
class TBoundsRecorder : public TCustomPanel {
  BRIVO_CLASS(TBoundsRecorder, TCustomPanel)

public:
  using TCustomPanel::TCustomPanel;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override {
    Calls.push_back(Rect(ALeft, ATop, AWidth, AHeight));
    TCustomPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
  }
  std::vector<TRect> Calls; // (Left, Top, Width, Height) of each call
};

} // namespace

const TClassInfo& TMarkedPanel::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TMarkedPanel>().Build();
  return Info;
}
const TClassInfo& TBoundsRecorder::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TBoundsRecorder>().Build();
  return Info;
}

class SkinControlsTest : public ::testing::Test {
protected:
  SkinControlsTest() : Desktop(1024, 768, Rect(0, 0, 1024, 728)) {
    Application->Initialize();
    Form = new TForm(nullptr);
    Form->SetBounds(100, 100, 300, 200);
  }
  ~SkinControlsTest() override {
    delete Form;
    Application->SetActive(false);
  }

  THeadlessDesktop Desktop;
  TForm* Form = nullptr;
};

TEST_F(SkinControlsTest, ParentBackgroundIsPaintedShiftedByTheControlsPosition) {
  auto* parent = NewComponent<TMarkedPanel>(Form);
  parent->SetBounds(0, 0, 40, 30);
  parent->SetColor(clRed);
  parent->SetParent(Form);
  auto* child = NewComponent<TCustomPanel>(Form);
  child->SetBounds(10, 5, 20, 10);
  child->SetParent(parent);
  TBitmap buffer(20, 10);
  PaintParentBackground(buffer.Canvas(), child);
  EXPECT_EQ(PixelToColor(buffer.Pixels().At(2, 1)), clBlue);
  EXPECT_EQ(PixelToColor(buffer.Pixels().At(0, 0)), clRed);
  EXPECT_EQ(PixelToColor(buffer.Pixels().At(19, 9)), clRed);
  // The canvas is handed back as it was.
  EXPECT_EQ(buffer.Canvas().ViewportOrigin(), (TPoint{0, 0}));
  EXPECT_EQ(buffer.Canvas().SaveLevel(), 0);
}

TEST_F(SkinControlsTest, ParentBackgroundStopsAtTheParentsClientArea) {
  auto* parent = NewComponent<TMarkedPanel>(Form);
  parent->SetBounds(0, 0, 40, 30);
  parent->SetColor(clRed);
  parent->SetParent(Form);
  auto* child = NewComponent<TCustomPanel>(Form);
  child->SetBounds(30, 20, 20, 20); // reaches 10 pixels past the parent's right and bottom
  child->SetParent(parent);
  TBitmap buffer(20, 20);
  buffer.Canvas().Brush().SetColor(clLime);
  buffer.Canvas().FillRect(Rect(0, 0, 20, 20));
  PaintParentBackground(buffer.Canvas(), child);
  EXPECT_EQ(PixelToColor(buffer.Pixels().At(9, 9)), clRed);
  EXPECT_EQ(PixelToColor(buffer.Pixels().At(10, 9)), clLime);
  EXPECT_EQ(PixelToColor(buffer.Pixels().At(9, 10)), clLime);
}

TEST_F(SkinControlsTest, ControlWithoutParentPaintsNothing) {
  auto* loose = NewComponent<TCustomPanel>(Form);
  loose->SetBounds(0, 0, 8, 8);
  TBitmap buffer(8, 8);
  const TPixelBuffer before = buffer.Pixels();
  PaintParentBackground(buffer.Canvas(), loose);
  EXPECT_EQ(buffer.Pixels(), before);
}

TEST_F(SkinControlsTest, WorkAreaWithoutMainFormIsThePrimaryOne) {
  TRect r;
  GetDesktopWorkArea(r);
  EXPECT_EQ(r, Rect(0, 0, 1024, 728));
}

TEST_F(SkinControlsTest, WorkAreaFollowsTheMainFormsMonitor) {
  Desktop.AddMonitor({Rect(1024, 0, 2048, 768), Rect(1024, 0, 2048, 700)});
  TForm* main = nullptr;
  Application->CreateForm(main);
  main->SetBounds(1200, 100, 200, 100);
  TRect r;
  GetDesktopWorkArea(r);
  EXPECT_EQ(r, Rect(1024, 0, 2048, 700));
  main->SetBounds(100, 100, 200, 100);
  GetDesktopWorkArea(r);
  EXPECT_EQ(r, Rect(0, 0, 1024, 728));
  delete main;
}

TEST_F(SkinControlsTest, OriginAndBoundsAreWrittenOnePropertyAtATime) {
  auto* c = NewComponent<TBoundsRecorder>(Form);
  c->SetBounds(1, 2, 3, 4);
  c->Calls.clear();
  SetControlOrigin(c, {10, 20});
  EXPECT_EQ(c->Calls, (std::vector<TRect>{Rect(10, 2, 3, 4), Rect(10, 20, 3, 4)}));
  c->Calls.clear();
  SetControlBounds(c, Rect(5, 6, 55, 76));
  EXPECT_EQ(c->Calls, (std::vector<TRect>{Rect(5, 20, 3, 4), Rect(5, 6, 3, 4), Rect(5, 6, 50, 4), Rect(5, 6, 50, 70)}));
}

TEST_F(SkinControlsTest, StyleGoesToDirectChildrenThatPublishBothProperties) {
  auto* theme = NewComponent<TComponent>(Form);
  theme->SetName("Theme1");
  auto* container = NewComponent<TCustomPanel>(Form);
  container->SetParent(Form);
  auto* both = NewComponent<TStyleHolderWithTheme>(Form);
  both->SetParent(container);
  auto* styleOnly = NewComponent<TStyleHolder>(Form);
  styleOnly->SetParent(container);
  auto* grandchild = NewComponent<TStyleHolderWithTheme>(Form);
  grandchild->SetParent(both);
  both->Log.clear();
  styleOnly->Log.clear();
  grandchild->Log.clear();

  ApplyStyleToChildren(container, WinXP, theme);
  EXPECT_EQ(both->Log, (std::vector<std::string>{"FileTheme=Theme1", "UIStyle=WinXP"}));
  EXPECT_TRUE(styleOnly->Log.empty());
  EXPECT_TRUE(grandchild->Log.empty());

  ApplyStyleToChildren(container, MacOS, nullptr);
  EXPECT_EQ(both->FileTheme(), nullptr);
  EXPECT_EQ(both->UIStyle(), MacOS);
}

class FormActiveTest : public SkinControlsTest {
protected:
  void Activate(TCustomForm* F, bool Active) { F->Perform(WM_ACTIVATE, Active ? WA_ACTIVE : WA_INACTIVE, 0); }
};

TEST_F(FormActiveTest, WithoutMainFormTheFormsOwnFlagDecides) {
  EXPECT_FALSE(IsFormActive(Form));
  Activate(Form, true);
  EXPECT_TRUE(IsFormActive(Form));
  EXPECT_FALSE(IsFormActive(nullptr));
}

TEST_F(FormActiveTest, SecondaryFormOfAnInactiveApplicationIsInactiveWhateverItsFlag) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  Activate(Form, true);
  Application->SetActive(false);
  EXPECT_FALSE(IsFormActive(Form));
  EXPECT_FALSE(IsFormActive(main));
  Application->SetActive(true);
  EXPECT_TRUE(IsFormActive(Form));
  Activate(Form, false);
  EXPECT_FALSE(IsFormActive(Form));
  EXPECT_TRUE(IsFormActive(main));
  EXPECT_TRUE(IsFormActive(nullptr));
  delete main;
}

TEST_F(FormActiveTest, MdiFrameMainFormIsAlwaysActive) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  main->SetFormStyle(fsMDIForm);
  Application->SetActive(false);
  EXPECT_TRUE(IsFormActive(main));
  delete main;
}

class FormUIStyleTest : public SkinControlsTest {};

TEST_F(FormUIStyleTest, TakesTheLookOfTheFirstSkinnedFormOnTheOwnerForm) {
  auto* plain = NewComponent<TStyleHolder>(Form);
  plain->SetUIStyle(Protein);
  plain->SetParent(Form);
  auto* skinned = new standin::TzykForm(Form);
  skinned->SetUIStyle(WinXP);
  skinned->SetParent(Form);
  auto* second = new standin::TzykForm(Form);
  second->SetUIStyle(MacOS);
  second->SetParent(Form);
  EXPECT_EQ(GetFormUIStyle(Form), WinXP);
}

TEST_F(FormUIStyleTest, RecognisesClassesDerivedFromTheSkinnedForm) {
  auto* skinned = NewComponent<TDerivedSkinnedForm>(Form);
  skinned->SetUIStyle(BlueGlass);
  skinned->SetParent(Form);
  EXPECT_EQ(GetFormUIStyle(Form), BlueGlass);
}

TEST_F(FormUIStyleTest, DeepBlueWithoutASkinnedFormOrWithoutAForm) {
  EXPECT_EQ(GetFormUIStyle(Form), DeepBlue);
  auto* plain = NewComponent<TStyleHolder>(Form);
  plain->SetUIStyle(Protein);
  plain->SetParent(Form);
  EXPECT_EQ(GetFormUIStyle(Form), DeepBlue);
  EXPECT_EQ(GetFormUIStyle(nullptr), DeepBlue);
  TComponent dataModule(nullptr);
  EXPECT_EQ(GetFormUIStyle(&dataModule), DeepBlue);
  // A skinned form that is not a child control of the form (only owned by it) does not count.
  auto* unplaced = new standin::TzykForm(Form);
  unplaced->SetUIStyle(MacOS);
  EXPECT_EQ(GetFormUIStyle(Form), DeepBlue);
}

#include "skin/controls/ZYKImagePanel.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/core/StoredForm.h"
#include "platform/graphics/Bitmap.h"
#include "skin/foundation/ZYKPublic.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A parent whose every pixel has a colour of its own, so a see-through child shows exactly which
// part of it lies underneath.
class TPatternPanel : public TCustomPanel {
  BRIVO_CLASS(TPatternPanel, TCustomPanel)

public:
  using TCustomPanel::TCustomPanel;
  static TColor PatternAt(int X, int Y) { return RGB(X * 3 % 256, Y * 5 % 256, 0x40); }

protected:
  void Paint() override {
    for (int y = 0; y < Height(); ++y)
      for (int x = 0; x < Width(); ++x)
        Canvas().SetPixel(x, y, PatternAt(x, y));
  }
};

// A picture whose pixels all differ: (X, Y) has red 40 X and green 60 Y.
std::unique_ptr<TBitmap> Gradient(int W, int H) {
  auto b = std::make_unique<TBitmap>(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      b->Canvas().SetPixel(x, y, RGB(40 * x, 60 * y, 0xC8));
  return b;
}

} // namespace

const TClassInfo& TPatternPanel::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TPatternPanel>().Build();
  return Info;
}

class ImagePanelTest : public ::testing::Test {
protected:
  ImagePanelTest() {
    Application->Initialize();
    Form = new TForm(nullptr);
    Form->SetBounds(100, 100, 300, 200);
    Backdrop = NewComponent<TPatternPanel>(Form);
    Backdrop->SetBounds(0, 0, 80, 60);
    Backdrop->SetBevelOuter(bvNone);
    Backdrop->SetParent(Form);
    Panel = NewComponent<TzykImagePanel>(Form);
    Panel->SetBounds(10, 20, 12, 9);
    Panel->SetParent(Backdrop);
  }
  ~ImagePanelTest() override { delete Form; }

  void SetPicture(const std::unique_ptr<TBitmap>& Bitmap) { SetPicture(*Bitmap); }
  void SetPicture(const TBitmap& Bitmap) {
    TPicture p;
    p.SetGraphic(&Bitmap);
    Panel->SetPicture(&p);
  }
  // Shows the form, paints, and keeps a screenshot to read pixels from.
  void Render() {
    Form->Show();
    Desktop.ProcessMessages();
    Shot = Desktop.Screenshot();
  }
  // A pixel of the last screenshot at a client point of the panel.
  TColor At(int X, int Y) const {
    const TPoint p = Panel->ClientToScreen({X, Y});
    return PixelToColor(Shot.At(p.X, p.Y));
  }
  TColor BackdropUnder(int X, int Y) const { return TPatternPanel::PatternAt(Panel->Left() + X, Panel->Top() + Y); }

  THeadlessDesktop Desktop;
  TForm* Form = nullptr;
  TPatternPanel* Backdrop = nullptr;
  TzykImagePanel* Panel = nullptr;
  TPixelBuffer Shot;
};

// ---- Auto-size follows the alignment

struct TAutoSizeCase {
  TAlign Align;
  TSize Expected; // the picture is 30 x 20, the panel 50 x 40 before
};

class ImagePanelAutoSizeTest : public ImagePanelTest, public ::testing::WithParamInterface<TAutoSizeCase> {};

// A panel without a parent, so that no layout hides what auto-size did to each side.
TEST_P(ImagePanelAutoSizeTest, LoadedPictureSizesOnlyTheSidesTheAlignmentLeavesFree) {
  TzykImagePanel loose(nullptr);
  loose.SetBounds(0, 0, 50, 40);
  loose.SetAlign(GetParam().Align);
  loose.SetAutoSize(true);
  loose.Picture()->Bitmap().SetSize(30, 20);
  EXPECT_EQ(loose.Width(), GetParam().Expected.cx);
  EXPECT_EQ(loose.Height(), GetParam().Expected.cy);
}

INSTANTIATE_TEST_SUITE_P(EachAlignment, ImagePanelAutoSizeTest,
                         ::testing::Values(TAutoSizeCase{alNone, {30, 20}}, TAutoSizeCase{alTop, {50, 20}},
                                           TAutoSizeCase{alBottom, {50, 20}}, TAutoSizeCase{alLeft, {30, 40}},
                                           TAutoSizeCase{alRight, {30, 40}}, TAutoSizeCase{alClient, {50, 40}}));

TEST_F(ImagePanelTest, TurningAutoSizeOnResizesAtOnceAndOffLeavesTheSize) {
  SetPicture(Gradient(5, 4));
  EXPECT_EQ(Panel->Width(), 12);
  Panel->SetAutoSize(true);
  EXPECT_EQ(Panel->Width(), 5);
  EXPECT_EQ(Panel->Height(), 4);
  Panel->SetAutoSize(false);
  SetPicture(Gradient(7, 3));
  EXPECT_EQ(Panel->Width(), 5);
  EXPECT_EQ(Panel->Height(), 4);
}

TEST_F(ImagePanelTest, TopAlignedPanelInAParentTakesThePicturesHeightAndTheParentsWidth) {
  Panel->SetAlign(alTop);
  Panel->SetAutoSize(true);
  SetPicture(Gradient(5, 7));
  EXPECT_EQ(Panel->BoundsRect(), Rect(0, 0, 80, 7));
}

// ---- Transparency

TEST_F(ImagePanelTest, KeyColouredPixelsShowTheParentsDrawingPixelForPixel) {
  // The bottom-left pixel gives the key colour; a blue block sits in the middle.
  TBitmap picture(12, 9);
  picture.Canvas().Brush().SetColor(clFuchsia);
  picture.Canvas().FillRect(Rect(0, 0, 12, 9));
  picture.Canvas().Brush().SetColor(clBlue);
  picture.Canvas().FillRect(Rect(4, 3, 8, 6));
  SetPicture(picture);
  Panel->SetTransparent(true);
  Render();
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 12; ++x) {
      const bool block = x >= 4 && x < 8 && y >= 3 && y < 6;
      ASSERT_EQ(At(x, y), block ? clBlue : BackdropUnder(x, y)) << x << "," << y;
    }
}

TEST_F(ImagePanelTest, UncoveredPartShowsTheParentOnlyWhenTransparent) {
  Panel->SetColor(clRed);
  SetPicture(Gradient(4, 3));
  Panel->SetTransparent(true);
  Render();
  EXPECT_EQ(At(2, 1), RGB(80, 60, 0xC8));
  EXPECT_EQ(At(10, 7), BackdropUnder(10, 7));
  EXPECT_EQ(At(3, 6), BackdropUnder(3, 6));
  Panel->SetTransparent(false);
  Render();
  // Neither the parent nor the panel's colour: what a new bitmap holds.
  EXPECT_NE(At(10, 7), clRed);
  EXPECT_NE(At(10, 7), BackdropUnder(10, 7));
}

TEST_F(ImagePanelTest, WithoutPictureTheColourOrOnlyTheParentShows) {
  Panel->SetColor(clRed);
  Render();
  EXPECT_EQ(At(0, 0), clRed);
  EXPECT_EQ(At(11, 8), clRed);
  Panel->SetTransparent(true);
  Render();
  EXPECT_EQ(At(0, 0), BackdropUnder(0, 0));
  EXPECT_EQ(At(11, 8), BackdropUnder(11, 8));
}

TEST_F(ImagePanelTest, GraphicsTransparentFlagFollowsThePanelAfterEveryPictureChange) {
  Panel->SetTransparent(true);
  SetPicture(Gradient(3, 3));
  EXPECT_TRUE(Panel->Picture()->Graphic()->Transparent());
  Panel->Picture()->Graphic()->SetTransparent(false);
  EXPECT_TRUE(Panel->Picture()->Graphic()->Transparent());
  Panel->Picture()->Bitmap().SetSize(6, 6);
  EXPECT_TRUE(Panel->Picture()->Graphic()->Transparent());
  Panel->SetTransparent(false);
  EXPECT_FALSE(Panel->Picture()->Graphic()->Transparent());
  auto seeThrough = Gradient(2, 2);
  seeThrough->SetTransparent(true);
  SetPicture(seeThrough);
  EXPECT_FALSE(Panel->Picture()->Graphic()->Transparent());
}

// ---- Draw styles

TEST_F(ImagePanelTest, NormalDrawsThePictureOnceAtTheCorner) {
  SetPicture(Gradient(4, 3));
  Render();
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      ASSERT_EQ(At(x, y), RGB(40 * x, 60 * y, 0xC8));
  EXPECT_NE(At(4, 0), RGB(0, 0, 0xC8));
  EXPECT_NE(At(0, 3), RGB(0, 0, 0xC8));
}

TEST_F(ImagePanelTest, StretchCoversTheClientArea) {
  Panel->SetBounds(10, 20, 8, 6);
  Panel->SetDrawStyle(zykStretch);
  SetPicture(Gradient(4, 3));
  Render();
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x)
      ASSERT_EQ(At(x, y), RGB(40 * (x / 2), 60 * (y / 2), 0xC8)) << x << "," << y;
}

TEST_F(ImagePanelTest, TileRepeatsFromTheCornerAndClipsTheLastRowAndColumn) {
  Panel->SetDrawStyle(zykTile);
  SetPicture(Gradient(5, 4));
  Render();
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 12; ++x)
      ASSERT_EQ(At(x, y), RGB(40 * (x % 5), 60 * (y % 4), 0xC8)) << x << "," << y;
}

// ---- Caption

class ImagePanelCaptionTest : public ImagePanelTest {
protected:
  ImagePanelCaptionTest() {
    Panel->SetBounds(0, 0, 80, 20);
    Panel->SetColor(clWhite);
    Panel->Font()->SetColor(clBlack);
  }
  // The first and last columns holding a pixel of the caption's colour, or (-1, -1).
  std::pair<int, int> InkColumns() {
    Render();
    int first = -1;
    int last = -1;
    for (int x = 0; x < Panel->Width(); ++x)
      for (int y = 0; y < Panel->Height(); ++y)
        if (At(x, y) != clWhite) {
          if (first < 0)
            first = x;
          last = x;
          break;
        }
    return {first, last};
  }
};

TEST_F(ImagePanelCaptionTest, CaptionOfOnlySpacesIsNotDrawn) {
  Panel->SetCaption("    ");
  EXPECT_EQ(InkColumns(), std::make_pair(-1, -1));
}

TEST_F(ImagePanelCaptionTest, LeadingSpacesAreKept) {
  Panel->SetAlignment(taLeftJustify);
  Panel->SetCaption("Ab");
  const int plain = InkColumns().first;
  Panel->SetCaption("   Ab");
  const int indented = InkColumns().first;
  TBitmap measure(1, 1);
  measure.Canvas().SetFont(*Panel->Font());
  EXPECT_EQ(indented - plain, measure.Canvas().TextWidth("   "));
}

TEST_F(ImagePanelCaptionTest, AlignmentPlacesTheCaption) {
  Panel->SetCaption("Mi");
  Panel->SetAlignment(taLeftJustify);
  const auto left = InkColumns();
  Panel->SetAlignment(taRightJustify);
  const auto right = InkColumns();
  Panel->SetAlignment(taCenter);
  const auto centre = InkColumns();
  EXPECT_LT(left.first, 3);
  EXPECT_GT(right.second, 76);
  const int inkWidth = left.second - left.first;
  EXPECT_EQ(right.second - right.first, inkWidth);
  EXPECT_NEAR(centre.first + inkWidth / 2, 40, 3);
}

TEST_F(ImagePanelCaptionTest, CaptionIsDrawnAsOneLineCentredVertically) {
  Panel->SetCaption("A&b");
  Render();
  TBitmap expected(80, 20);
  expected.Canvas().Brush().SetColor(clWhite);
  expected.Canvas().FillRect(Rect(0, 0, 80, 20));
  expected.Canvas().Brush().SetStyle(bsClear);
  expected.Canvas().SetFont(*Panel->Font());
  TRect r = Rect(0, 0, 80, 20);
  expected.Canvas().DrawText("A&b", r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 80; ++x)
      ASSERT_EQ(At(x, y), PixelToColor(expected.Pixels().At(x, y))) << x << "," << y;
  EXPECT_EQ(Panel->CaptionRect(), Rect(0, 0, 80, 20));
}

// ---- Stored forms

TEST_F(ImagePanelTest, StoredFormKeepsAutoSizeAndDrawStyleAndOmitsTransparentWhenFalse) {
  RegisterZYKImagePanelClasses();
  Panel->SetName("Slider");
  SetPicture(Gradient(2, 2));
  Panel->SetDrawStyle(zykTile);
  const std::string text = WriteStoredForm(*Panel);
  EXPECT_EQ(text.find("Transparent"), std::string::npos);
  const auto picture = text.find("Picture.Data");
  const auto autoSize = text.find("AutoSize = False");
  const auto drawStyle = text.find("DrawStyle = zykTile");
  ASSERT_NE(picture, std::string::npos);
  ASSERT_NE(autoSize, std::string::npos);
  ASSERT_NE(drawStyle, std::string::npos);
  EXPECT_LT(picture, autoSize);
  EXPECT_LT(autoSize, drawStyle);

  std::unique_ptr<TComponent> copy(CreateFromStoredForm(text, nullptr));
  auto* read = dynamic_cast<TzykImagePanel*>(copy.get());
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->DrawStyle(), zykTile);
  ASSERT_TRUE(read->Picture()->HasGraphic());
  EXPECT_EQ(read->Picture()->Width(), 2);
}

// The whole adjuster window, as shown at start-up, against its golden picture. Text may differ a
// little from one font rasteriser to the next, so inside the boxes where text is drawn a pixel may
// be near its golden value; everything else must be exact. The golden picture is what
// `brivo --render tests/app/golden/adjuster-window.png` writes. The picture of the window at scale 2
// in the README, `brivo --render docs/adjuster@2x.png --scale 2`, is held to the same rule.

#include "app/Unit1.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/core/FileWrite.h"
#include "platform/graphics/PngCodec.h"
#include "platform/graphics/Scale.h"
#include "tests/support/PngRead.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string GoldenPath = std::string(BRIVO_SOURCE_DIR) + "/tests/app/golden/adjuster-window.png";
const std::string DoubledGoldenPath = std::string(BRIVO_SOURCE_DIR) + "/docs/adjuster@2x.png";

// A box where text is drawn, in window coordinates.
struct TTextBox {
  std::string Name;
  TRect Box;
};

// How near a pixel of text must be to its golden value, per channel, and how many of a box's
// pixels may be further off.
constexpr int TextChannelTolerance = 48;
constexpr double TextOutlierShare = 0.04;

int ChannelDistance(TPixel A, TPixel B) {
  int most = 0;
  for (int shift : {0, 8, 16})
    most = std::max(most, std::abs(static_cast<int>(A >> shift & 255) - static_cast<int>(B >> shift & 255)));
  return most;
}

// What differs between Shown and Golden under the rule above; empty when they agree.
std::string Differences(const TPixelBuffer& Shown, const TPixelBuffer& Golden, const std::vector<TTextBox>& Text) {
  std::ostringstream out;
  if (Shown.Width() != Golden.Width() || Shown.Height() != Golden.Height()) {
    out << "the window is " << Shown.Width() << " x " << Shown.Height() << ", the golden picture " << Golden.Width()
        << " x " << Golden.Height() << "\n";
    return out.str();
  }
  std::vector<int> outliers(Text.size()), sizes(Text.size());
  int exactWrong = 0;
  for (int y = 0; y < Shown.Height(); ++y)
    for (int x = 0; x < Shown.Width(); ++x) {
      const TPixel got = Shown.At(x, y) & 0xFFFFFF, want = Golden.At(x, y) & 0xFFFFFF;
      std::size_t box = 0;
      while (box < Text.size() && !Text[box].Box.Contains({x, y}))
        ++box;
      if (box < Text.size()) {
        ++sizes[box];
        outliers[box] += ChannelDistance(got, want) > TextChannelTolerance;
        continue;
      }
      if (got != want && ++exactWrong <= 10)
        out << "pixel (" << x << ", " << y << ") is " << std::hex << got << ", golden " << want << std::dec << "\n";
    }
  if (exactWrong > 0)
    out << exactWrong << " pixels outside text differ\n";
  for (std::size_t i = 0; i < Text.size(); ++i)
    if (outliers[i] > TextOutlierShare * sizes[i])
      out << "text of " << Text[i].Name << " at (" << Text[i].Box.Left << ", " << Text[i].Box.Top << ")-("
          << Text[i].Box.Right << ", " << Text[i].Box.Bottom << "): " << outliers[i] << " of " << sizes[i]
          << " pixels are off by more than " << TextChannelTolerance << "\n";
  return out.str();
}

class AdjusterGoldenTest : public ::testing::Test {
protected:
  explicit AdjusterGoldenTest(double Scale = 1.0)
      : Scale(Scale), Desktop(ScaleEdge(1024, Scale), ScaleEdge(768, Scale), std::nullopt, Scale) {
    Application->Initialize();
    RegisterUnit1Classes();
    Window = new TfrmBrivo(nullptr);
    Window->Show();
    Desktop.ProcessMessages();
  }
  ~AdjusterGoldenTest() override {
    delete Window;
    Application->SetActive(false);
  }

  // A control's rectangle in the window's device pixels.
  TRect InWindow(const TControl* C, int Inset = 0) const {
    const TPoint p = C->ClientToScreen({0, 0});
    return ScaleRect(Rect(p.X - Window->Left() + Inset, p.Y - Window->Top() + Inset,
                          p.X - Window->Left() + C->Width() - Inset, p.Y - Window->Top() + C->Height() - Inset),
                     Scale);
  }
  std::vector<TTextBox> TextBoxes() const {
    std::vector<TTextBox> boxes;
    for (const TControl* c : std::vector<const TControl*>{Window->Label9, Window->Label8, Window->Label1,
                                                          Window->Label2, Window->Label3, Window->zykURLLabel1})
      boxes.push_back({c->Name(), InWindow(c)});
    // Inside the panels' lowered bevels, inside the button's rounded edge.
    for (const TControl* c : std::vector<const TControl*>{Window->stat1, Window->stat2, Window->stat3})
      boxes.push_back({c->Name(), InWindow(c, 2)});
    boxes.push_back({"Button1", InWindow(Window->Button1, 8)});
    // The caption between the control box and the close button.
    const TRect bar = InWindow(Window->zykForm1->TitleBar());
    boxes.push_back({"the title bar's caption", Rect(bar.Left + ScaleEdge(24, Scale), bar.Top + ScaleEdge(1, Scale),
                                                     bar.Left + ScaleEdge(259, Scale), bar.Bottom - ScaleEdge(1, Scale))});
    return boxes;
  }
  void ExpectLooksAs(const std::string& Path, const std::string& Actual) {
    std::string why;
    const std::optional<TPixelBuffer> golden = ReadPngFile(Path, why);
    ASSERT_TRUE(golden) << why;
    const TPixelBuffer& shown = Desktop.Host(Window->Handle())->Surface();
    const std::string differences = Differences(shown, *golden, TextBoxes());
    if (!differences.empty()) {
      const std::string actual = (std::filesystem::temp_directory_path() / Actual).string();
      WriteWholeFile(actual, EncodePng(shown));
      ADD_FAILURE() << differences << "the window as shown is in " << actual;
    }
  }

  double Scale;
  THeadlessDesktop Desktop;
  TfrmBrivo* Window = nullptr;
};

TEST_F(AdjusterGoldenTest, TheWindowAtStartUpLooksAsItsGoldenPicture) {
  ExpectLooksAs(GoldenPath, "adjuster-window-actual.png");
}

class DoubledAdjusterGoldenTest : public AdjusterGoldenTest {
protected:
  DoubledAdjusterGoldenTest() : AdjusterGoldenTest(2.0) {}
};

TEST_F(DoubledAdjusterGoldenTest, TheWindowAtScaleTwoLooksAsTheReadmesPicture) {
  ExpectLooksAs(DoubledGoldenPath, "adjuster-window@2x-actual.png");
}

// The comparison itself: exact outside text, tolerant inside.
class GoldenComparisonTest : public ::testing::Test {
protected:
  TPixelBuffer Golden{20, 10, 0x808080};
  std::vector<TTextBox> Text{{"label", Rect(10, 0, 20, 10)}};
};

TEST_F(GoldenComparisonTest, OnePixelOffOutsideTextIsReportedWhereItIs) {
  TPixelBuffer shown = Golden;
  shown.Set(3, 4, 0x808081);
  const std::string found = Differences(shown, Golden, Text);
  EXPECT_NE(found.find("pixel (3, 4) is 808081, golden 808080"), std::string::npos) << found;
}

TEST_F(GoldenComparisonTest, TextMayBeNearItsGoldenValueButNotFarInMany) {
  TPixelBuffer shown = Golden;
  for (int y = 0; y < 10; ++y)
    shown.Set(12, y, 0x8080B0); // 48 off in blue: near
  shown.Set(15, 5, 0xFFFFFF);   // one pixel in a hundred far off
  EXPECT_EQ(Differences(shown, Golden, Text), "");
  for (int y = 0; y < 10; ++y)
    shown.Set(16, y, 0x000000);
  EXPECT_NE(Differences(shown, Golden, Text).find("text of label"), std::string::npos);
}

TEST_F(GoldenComparisonTest, ADifferentSizeIsSaid) {
  EXPECT_EQ(Differences(TPixelBuffer(21, 10), Golden, Text), "the window is 21 x 10, the golden picture 20 x 10\n");
}

} // namespace

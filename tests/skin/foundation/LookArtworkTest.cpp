// The pictures the program carries for its looks: each at its size, depth and frame layout, with
// the key colour exactly where the pictures are meant to be see-through.

#include "platform/core/Resources.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/BmpCodec.h"
#include "skin/foundation/ZYKPublic.h"
#include "skin/foundation/ZYKThemes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TExpected {
  const char* Name;
  int Width, Height, Bits, Frames;
};

// Per element suffix, the five looks in order MacOS, WinXP, DeepBlue, Protein, BlueGlass.
struct TRow {
  const char* Suffix;
  int Frames;
  struct {
    int Width, Height, Bits;
  } Look[5];
};

const TRow Rows[] = {
    {"BUTTON", 3, {{252, 23, 8}, {54, 21, 8}, {222, 21, 4}, {222, 21, 8}, {231, 27, 8}}},
    {"CHECKBOX", 1, {{60, 17, 8}, {52, 13, 8}, {52, 13, 4}, {52, 13, 4}, {52, 13, 4}}},
    {"RADIOBUTTON", 1, {{64, 17, 8}, {52, 13, 8}, {52, 13, 4}, {52, 13, 4}, {52, 13, 4}}},
    {"TITLEBTN", 18, {{306, 17, 24}, {378, 21, 24}, {342, 19, 4}, {342, 19, 4}, {342, 19, 4}}},
    {"TITLE_LEFT", 1, {{48, 23, 8}, {35, 29, 8}, {97, 32, 8}, {441, 23, 8}, {162, 33, 8}}},
    {"TITLE_CLIENT", 1, {{49, 23, 8}, {37, 29, 8}, {98, 32, 4}, {1, 23, 4}, {179, 33, 8}}},
    {"TITLE_RIGHT", 1, {{48, 23, 8}, {35, 29, 8}, {97, 32, 8}, {1, 23, 8}, {101, 33, 8}}},
    {"PROGRESSBAR", 1, {{13, 10, 8}, {6, 10, 8}, {1, 10, 8}, {1, 10, 8}, {1, 10, 8}}},
    {"TRACKBAR_BAR", 3, {{45, 5, 24}, {45, 8, 24}, {45, 4, 24}, {45, 4, 24}, {45, 4, 24}}},
    {"TRACKBAR_SLIDER", 1, {{11, 20, 24}, {11, 21, 24}, {11, 20, 24}, {11, 20, 24}, {11, 20, 24}}},
    {"TRACKBAR_SLIDER_V", 1, {{19, 11, 8}, {22, 11, 8}, {18, 11, 8}, {18, 11, 8}, {18, 11, 8}}},
    {"SCROLLBAR_BUTTON", 6, {{96, 22, 8}, {96, 17, 8}, {96, 16, 4}, {96, 16, 8}, {102, 16, 4}}},
    {"SCROLLBAR_TRACK", 3, {{33, 16, 8}, {21, 16, 8}, {21, 16, 4}, {21, 16, 4}, {21, 16, 8}}},
    {"CHECKLIST", 1, {{40, 11, 8}, {44, 11, 4}, {44, 11, 4}, {44, 11, 4}, {44, 11, 4}}},
    {"TAB", 1, {{36, 27, 8}, {18, 18, 8}, {12, 17, 4}, {18, 17, 4}, {18, 17, 4}}},
    {"TAB_LINE", 1, {{17, 7, 8}, {8, 1, 4}, {5, 5, 4}, {10, 5, 4}, {10, 5, 4}}},
    {"SIDECHENNEL_HANDLE", 1, {{7, 84, 8}, {8, 86, 8}, {8, 83, 4}, {8, 83, 4}, {8, 86, 8}}},
    {"SIDECHENNEL_BAR", 1, {{1, 21, 8}, {1, 21, 8}, {1, 20, 4}, {1, 21, 4}, {1, 21, 4}}},
};

const char* const Prefixes[] = {"MACOS_", "WINXP_", "DEEPBLUE_", "PROTEIN_", "BLUEGLASS_"};

std::vector<TExpected> AllPictures() {
  // The composed names are made once and live as long as the program, so every caller's list
  // points at the same strings.
  static const std::vector<std::string> names = [] {
    std::vector<std::string> made;
    for (const TRow& row : Rows)
      for (int look = 0; look < 5; ++look)
        made.push_back(std::string(Prefixes[look]) + row.Suffix);
    return made;
  }();
  std::vector<TExpected> all;
  std::size_t next = 0;
  for (const TRow& row : Rows)
    for (int look = 0; look < 5; ++look, ++next)
      all.push_back({names[next].c_str(), row.Look[look].Width, row.Look[look].Height, row.Look[look].Bits, row.Frames});
  for (const TExpected& e : {TExpected{"MACOS_SCROLLBUTTON", 72, 18, 8, 1}, TExpected{"WINXP_SCROLLBUTTON", 72, 18, 8, 1},
                             TExpected{"MORE_SCROLLBUTTON", 72, 17, 4, 1}, TExpected{"MACOS_MENU_BAR", 1, 22, 4, 1},
                             TExpected{"MACOS_MENU_SELECT", 1, 21, 8, 1}, TExpected{"MACOS_FORM_BACKGROUND", 8, 8, 4, 1},
                             TExpected{"PROTEIN_FORM_BACKGROUND", 8, 8, 4, 1}, TExpected{"MENU_CHECKED", 16, 16, 4, 1}})
    all.push_back(e);
  return all;
}

TDecodedImage Decode(const std::string& Name) { return DecodeBmp(FindResource(Name, TResourceType::Bitmap)); }

constexpr TPixel Key = RGBToPixel(zykKeyColor);

int KeyPixels(const TPixelBuffer& P, const TRect& Area) {
  int count = 0;
  for (int y = Area.Top; y < Area.Bottom; ++y)
    for (int x = Area.Left; x < Area.Right; ++x)
      count += (P.At(x, y) & 0xFFFFFF) == Key;
  return count;
}

int KeyPixels(const TPixelBuffer& P) { return KeyPixels(P, Rect(0, 0, P.Width(), P.Height())); }

} // namespace

TEST(LookArtworkTest, EveryPictureHasItsSizeDepthAndFrameLayout) {
  const auto all = AllPictures();
  EXPECT_EQ(all.size(), 98u);
  for (const TExpected& e : all) {
    SCOPED_TRACE(e.Name);
    const TDecodedImage image = Decode(e.Name);
    EXPECT_EQ(image.Pixels.Width(), e.Width);
    EXPECT_EQ(image.Pixels.Height(), e.Height);
    EXPECT_EQ(image.BitsPerPixel, e.Bits);
    EXPECT_EQ(e.Width % e.Frames, 0) << "frames of equal width";
    if (e.Bits <= 8) {
      EXPECT_LE(image.Palette.size(), std::size_t{1} << e.Bits);
    }
  }
}

TEST(LookArtworkTest, NoPictureBeyondTheTable) {
  EXPECT_EQ(ResourceNames(TResourceType::Bitmap).size(), AllPictures().size());
}

// The key colour: the button pictures of MacOS and BlueGlass and the title buttons of Protein and
// BlueGlass use it for what stays undrawn; the track bar pieces (drawn with it as their key) may;
// no other picture holds it.
TEST(LookArtworkTest, KeyColourOnlyWhereTheLookSaysItIsSeeThrough) {
  for (const TExpected& e : AllPictures()) {
    const std::string name = e.Name;
    const TPixelBuffer pixels = Decode(name).Pixels;
    const bool keyedButton = name == "MACOS_BUTTON" || name == "BLUEGLASS_BUTTON";
    const bool keyedTitle = name == "PROTEIN_TITLEBTN" || name == "BLUEGLASS_TITLEBTN";
    const bool trackBar = name.find("_TRACKBAR_BAR") != std::string::npos ||
                          name.ends_with("_TRACKBAR_SLIDER");
    if (keyedButton || keyedTitle) {
      EXPECT_GT(KeyPixels(pixels), 0) << name;
    } else if (!trackBar) {
      EXPECT_EQ(KeyPixels(pixels), 0) << name;
    }
  }
}

TEST(LookArtworkTest, KeyColourMatchesTheTransparencyFlagsOfEachLook) {
  for (const auto style : {MacOS, WinXP, DeepBlue, Protein, BlueGlass}) {
    TBitmap buttons, titleButtons;
    LoadBuiltInBitmap(style, zteButtonImage, &buttons);
    LoadBuiltInBitmap(style, zteTitleBarButtonImage, &titleButtons);
    EXPECT_EQ(KeyPixels(buttons.Pixels()) > 0, GetBuiltInBool(style, zteButtonTransparentBool)) << style;
    EXPECT_EQ(KeyPixels(titleButtons.Pixels()) > 0, GetBuiltInBool(style, zteTitleBarButtonTransparentBool)) << style;
  }
}

// See-through title buttons are drawn with their bottom-left pixel's colour left out, so that
// pixel must be the key in every frame.
TEST(LookArtworkTest, SeeThroughTitleButtonsHaveTheKeyInEachFramesBottomLeftPixel) {
  for (const auto style : {Protein, BlueGlass})
    for (int frame = 1; frame <= 18; ++frame) {
      TBitmap b;
      GetBuiltInBitmap(style, zteTitleBarButtonImage, &b, 18, frame);
      EXPECT_EQ(PixelToColor(b.Pixels().At(0, b.Height() - 1)), zykKeyColor) << style << " frame " << frame;
    }
}

// Corner keys of the see-through push buttons: every frame's four corners stay undrawn.
TEST(LookArtworkTest, SeeThroughButtonFramesHaveKeyedCorners) {
  for (const auto style : {MacOS, BlueGlass})
    for (int frame = 1; frame <= 3; ++frame) {
      TBitmap b;
      GetBuiltInBitmap(style, zteButtonImage, &b, 3, frame);
      const int r = b.Width() - 1, bottom = b.Height() - 1;
      for (const TPoint p : {TPoint{0, 0}, TPoint{r, 0}, TPoint{0, bottom}, TPoint{r, bottom}})
        EXPECT_EQ(PixelToColor(b.Pixels().At(p.X, p.Y)), zykKeyColor) << style << " frame " << frame;
    }
}

// The middle third of a track bar is drawn stretched and opaque: a key pixel there would show.
TEST(LookArtworkTest, TrackBarMiddleThirdHoldsNoKey) {
  for (const auto style : {MacOS, WinXP, DeepBlue, Protein, BlueGlass}) {
    TBitmap bar;
    LoadBuiltInBitmap(style, zteTrackBarBarImage, &bar);
    EXPECT_EQ(KeyPixels(bar.Pixels(), Rect(15, 0, 30, bar.Height())), 0) << style;
  }
}

// Stretched pieces must look the same in every column: the thumb's middle piece and the title's
// client strip.
TEST(LookArtworkTest, StretchedPiecesAreUniformAlongTheirLength) {
  for (const auto style : {MacOS, WinXP, DeepBlue, Protein, BlueGlass}) {
    TBitmap middle, client;
    GetBuiltInBitmap(style, zteScrollBarSliderImage, &middle, 3, 2);
    LoadBuiltInBitmap(style, zteTitleBarClientImage, &client);
    for (const TBitmap* b : {&middle, &client})
      for (int y = 0; y < b->Height(); ++y)
        for (int x = 1; x < b->Width(); ++x)
          ASSERT_EQ(b->Pixels().At(x, y), b->Pixels().At(0, y)) << style << " at " << x << "," << y;
  }
}

// Opaque title buttons sit on the title bar at the look's button top: their corners must show
// exactly the bar behind them.
TEST(LookArtworkTest, OpaqueTitleButtonsBlendIntoTheTitleBar) {
  for (const auto style : {MacOS, WinXP, DeepBlue}) {
    TBitmap client;
    LoadBuiltInBitmap(style, zteTitleBarClientImage, &client);
    const int top = GetBuiltInInt(style, zteTitleBarButtonTopInt);
    for (int frame = 1; frame <= 18; ++frame) {
      TBitmap b;
      GetBuiltInBitmap(style, zteTitleBarButtonImage, &b, 18, frame);
      EXPECT_EQ(b.Pixels().At(0, 0), client.Pixels().At(0, top)) << style << " frame " << frame;
      EXPECT_EQ(b.Pixels().At(0, b.Height() - 1), client.Pixels().At(0, top + b.Height() - 1)) << style;
    }
  }
}

// Scroll bar arrows are drawn for a vertical bar: frames 1-3 point up, 4-6 down. The arrow's
// darkest-or-lightest mark is widest at its base, so the up arrow's mark grows downwards.
TEST(LookArtworkTest, ScrollArrowsPointUpThenDown) {
  for (const auto style : {MacOS, WinXP, DeepBlue, Protein, BlueGlass})
    for (int frame = 1; frame <= 6; ++frame) {
      TBitmap b;
      GetBuiltInBitmap(style, zteScrollBarButtonImage, &b, 6, frame);
      // The glyph colour is the colour at the frame's centre column that differs most from the
      // frame's edge column in the same row; count it per row.
      const int cx = b.Width() / 2, cy = b.Height() / 2;
      const TPixel glyph = b.Pixels().At(cx, frame <= 3 ? cy + 1 : cy - 1);
      int first = -1, firstWidth = 0, lastWidth = 0;
      for (int y = 0; y < b.Height(); ++y) {
        int width = 0;
        for (int x = 1; x < b.Width() - 1; ++x)
          width += b.Pixels().At(x, y) == glyph;
        if (width == 0 || width > b.Width() - 4)
          continue;
        if (first < 0) {
          first = y;
          firstWidth = width;
        }
        lastWidth = width;
      }
      ASSERT_GE(first, 0) << style << " frame " << frame;
      if (frame <= 3) {
        EXPECT_LT(firstWidth, lastWidth) << style << " frame " << frame << " should point up";
      } else {
        EXPECT_GT(firstWidth, lastWidth) << style << " frame " << frame << " should point down";
      }
    }
}

#include "platform/core/Resources.h"

#include "platform/graphics/BmpCodec.h"
#include "platform/graphics/IcoCodec.h"
#include "skin/foundation/ZYKThemes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

TEST(ResourceLookupTest, UnknownNameRaisesAnErrorNamingIt) {
  try {
    FindResource("FOO_BAR", TResourceType::Bitmap);
    FAIL() << "no error";
  } catch (const EResNotFound& e) {
    EXPECT_STREQ(e.what(), "resource 'FOO_BAR' not found");
  }
  EXPECT_FALSE(ResourceExists("FOO_BAR", TResourceType::Bitmap));
}

TEST(ResourceLookupTest, NamesIgnoreLetterCaseButNotType) {
  EXPECT_EQ(FindResource("macos_button", TResourceType::Bitmap).data(),
            FindResource("MACOS_BUTTON", TResourceType::Bitmap).data());
  EXPECT_THROW(FindResource("MACOS_BUTTON", TResourceType::Icon), EResNotFound);
  EXPECT_THROW(FindResource("MAINICON", TResourceType::Bitmap), EResNotFound);
}

TEST(ResourceLookupTest, StringTableOfTheSystemMenu) {
  EXPECT_EQ(LoadStr(65273), "Mi&nimize");
  EXPECT_EQ(LoadStr(65274), "Ma&ximize/Restore");
  EXPECT_EQ(LoadStr(65275), "&Close");
  EXPECT_EQ(LoadStr(1), "");
}

TEST(ResourceLookupTest, MainIconHoldsSixteenThirtyTwoAndFortyEightPixelImages) {
  const auto images = DecodeIco(FindResource("MAINICON", TResourceType::Icon));
  std::vector<int> sizes;
  for (const auto& image : images) {
    EXPECT_EQ(image.Pixels.Width(), image.Pixels.Height());
    sizes.push_back(image.Pixels.Width());
  }
  std::sort(sizes.begin(), sizes.end());
  EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));
}

TEST(ResourceLookupTest, EveryBuiltInPictureNameExists) {
  for (const auto style : {MacOS, WinXP, DeepBlue, Protein, BlueGlass})
    for (int element = 1; element <= zykElementCount; ++element) {
      const TzykBuiltInValue value = GetBuiltInValue(style, element);
      if (value.Kind == zvkImage) {
        EXPECT_TRUE(ResourceExists(value.Resource, TResourceType::Bitmap)) << value.Resource;
      }
    }
}

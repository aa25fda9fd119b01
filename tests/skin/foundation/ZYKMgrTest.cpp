#include "skin/foundation/ZYKMgr.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/core/Executable.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/BmpCodec.h"
#include "skin/foundation/ZYKThemeFile.h"
#include "tests/skin/foundation/StyleHolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

// A skinned component as the file theme recognises it: its class name starts with "Tzyk".
class TzykThemedStub : public TStyleHolderWithTheme {
  BRIVO_CLASS(TzykThemedStub, TStyleHolderWithTheme)

public:
  using TStyleHolderWithTheme::TStyleHolderWithTheme;
};

std::filesystem::path ScratchDir() {
  const auto Dir = std::filesystem::temp_directory_path() / ("brivo-filetheme-" + std::to_string(getpid()));
  std::filesystem::create_directories(Dir);
  return Dir;
}

// A 3-pixel-wide, 1-high picture of red, green, blue.
std::vector<std::uint8_t> ThreeColourBmp() {
  TPixelBuffer Pixels(3, 1);
  Pixels.Set(0, 0, 0xFF0000);
  Pixels.Set(1, 0, 0x00FF00);
  Pixels.Set(2, 0, 0x0000FF);
  return EncodeBmp(Pixels);
}

} // namespace

const TClassInfo& TzykThemedStub::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TzykThemedStub>().Build();
  return Info;
}

class FileThemeTest : public ::testing::Test {
protected:
  FileThemeTest() : Desktop(800, 600, Rect(0, 0, 800, 560)), Dir(ScratchDir()) {
    Application->Initialize();
    Form = new TForm(nullptr);
  }
  ~FileThemeTest() override {
    delete Form;
    std::filesystem::remove_all(Dir);
  }
  std::string WriteTheme(const std::string& Name, int BorderWidth) {
    TzykThemeFileWriter Writer;
    Writer.AddInt("FormBorderWidthInt", BorderWidth);
    Writer.AddInt("FormBorderColor", 0x00102030);
    Writer.AddFlag("ButtonTransparentBool", 1);
    Writer.AddPicture("ButtonImage", ThreeColourBmp());
    const std::string Path = (Dir / Name).string();
    Writer.SaveToFile(Path);
    return Path;
  }

  THeadlessDesktop Desktop;
  std::filesystem::path Dir;
  TForm* Form = nullptr;
};

TEST_F(FileThemeTest, UnloadedThemeAnswersZeroAndLoadedOneMinusOneForMissingKeys) {
  TzykFileTheme Theme(nullptr);
  EXPECT_FALSE(Theme.IsLoaded());
  EXPECT_EQ(Theme.GetColor(zteMenuBarColor), 0);
  EXPECT_EQ(Theme.GetInt(zteFormBorderWidthInt), 0);
  EXPECT_FALSE(Theme.GetBool(zteButtonTransparentBool));
  Theme.SetThemeFile(WriteTheme("a.thm", 4));
  ASSERT_TRUE(Theme.IsLoaded());
  EXPECT_EQ(Theme.GetColor(zteMenuBarColor), -1);
  EXPECT_EQ(Theme.GetInt(zteFormBorderWidthInt), 4);
  EXPECT_EQ(Theme.GetColor(zteFormBorderColor), 0x00102030);
  EXPECT_TRUE(Theme.GetBool(zteButtonTransparentBool));
  EXPECT_FALSE(Theme.GetBool(zteTitleBarButtonTransparentBool));
  EXPECT_EQ(Theme.GetInt(0), -1);
}

TEST_F(FileThemeTest, PicturesAreDecodedAndCutIntoFrames) {
  TzykFileTheme Theme(nullptr);
  TBitmap Bitmap(2, 2);
  Theme.GetBitmap(zteButtonImage, Bitmap);
  EXPECT_EQ(Bitmap.Width(), 2); // no file: unchanged
  Theme.SetThemeFile(WriteTheme("a.thm", 1));
  Theme.GetBitmap(zteCheckBoxImage, Bitmap);
  EXPECT_EQ(Bitmap.Width(), 2); // picture missing from the file: unchanged
  Theme.GetBitmap(zteButtonImage, Bitmap);
  EXPECT_EQ(Bitmap.Width(), 3);
  EXPECT_EQ(Bitmap.Pixels().At(2, 0), 0x0000FFU);
  TBitmap Frame;
  Theme.GetBitmapFrame(zteButtonImage, Frame, 3, 2);
  ASSERT_EQ(Frame.Width(), 1);
  EXPECT_EQ(Frame.Pixels().At(0, 0), 0x00FF00U);
}

TEST_F(FileThemeTest, SameStringDoesNotReloadButOtherLetterCaseDoes) {
  TzykFileTheme Theme(nullptr);
  const std::string Path = WriteTheme("Case.thm", 1);
  Theme.SetThemeFile(Path);
  WriteTheme("Case.thm", 2);
  Theme.SetThemeFile(Path);
  EXPECT_EQ(Theme.GetInt(zteFormBorderWidthInt), 1);
  // A differently spelled name that still reaches the file: through the directory's "./" form.
  const std::string Respelled = (Dir / "." / "Case.thm").string();
  Theme.SetThemeFile(Respelled);
  EXPECT_EQ(Theme.ThemeFile(), Respelled);
  EXPECT_EQ(Theme.GetInt(zteFormBorderWidthInt), 2);
}

TEST_F(FileThemeTest, MissingNameChangesNothingAndBrokenFileDropsTheOldOne) {
  TzykFileTheme Theme(nullptr);
  const std::string Good = WriteTheme("good.thm", 5);
  Theme.SetThemeFile(Good);
  Theme.SetThemeFile((Dir / "nowhere" / "absent-theme-file.thm").string());
  EXPECT_EQ(Theme.ThemeFile(), Good);
  EXPECT_EQ(Theme.GetInt(zteFormBorderWidthInt), 5);
  const std::string Broken = (Dir / "broken.thm").string();
  { std::ofstream(Broken) << "too short"; }
  EXPECT_THROW(Theme.SetThemeFile(Broken), EThemeFileError);
  EXPECT_EQ(Theme.ThemeFile(), Broken);
  EXPECT_TRUE(Theme.IsLoaded()); // keeps its previous value, but the getters have no file
  EXPECT_EQ(Theme.GetInt(zteFormBorderWidthInt), 0);
}

TEST_F(FileThemeTest, FallsBackToTheFileBesideTheExecutable) {
  const std::string FileName = "brivo-beside-exe-" + std::to_string(getpid()) + ".thm";
  const std::string Beside = ExecutableDirectory() + FileName;
  TzykThemeFileWriter Writer;
  Writer.AddInt("FormMinWidthInt", 77);
  Writer.SaveToFile(Beside);
  TzykFileTheme Theme(nullptr);
  Theme.SetThemeFile("no-such-directory/" + FileName);
  std::filesystem::remove(Beside);
  EXPECT_TRUE(Theme.IsLoaded());
  EXPECT_EQ(Theme.ThemeFile(), Beside);
  EXPECT_EQ(Theme.GetInt(zteFormMinWidthInt), 77);
}

TEST_F(FileThemeTest, ReassignsOnlyTheOwnerFormsSkinnedComponentsThatUseIt) {
  auto* Theme = NewComponent<TzykFileTheme>(Form);
  Theme->SetName("Theme1");
  auto* Other = NewComponent<TzykFileTheme>(Form);
  auto* Using = NewComponent<TzykThemedStub>(Form);
  auto* UsingOther = NewComponent<TzykThemedStub>(Form);
  auto* NotSkinned = NewComponent<TStyleHolderWithTheme>(Form);
  TForm OtherForm(nullptr);
  auto* Elsewhere = NewComponent<TzykThemedStub>(&OtherForm);
  for (TStyleHolderWithTheme* Holder : std::initializer_list<TStyleHolderWithTheme*>{Using, NotSkinned, Elsewhere})
    Holder->SetFileTheme(Theme);
  UsingOther->SetFileTheme(Other);
  for (TStyleHolderWithTheme* Holder : std::initializer_list<TStyleHolderWithTheme*>{Using, UsingOther, NotSkinned, Elsewhere})
    Holder->Log.clear();
  Theme->SetThemeFile(WriteTheme("a.thm", 1));
  EXPECT_EQ(Using->Log, std::vector<std::string>{"FileTheme=Theme1"});
  EXPECT_TRUE(UsingOther->Log.empty());
  EXPECT_TRUE(NotSkinned->Log.empty());
  EXPECT_TRUE(Elsewhere->Log.empty());
}

TEST_F(FileThemeTest, ThemeOwnedByANonFormReassignsNothing) {
  TComponent Holder(nullptr);
  auto* Theme = NewComponent<TzykFileTheme>(&Holder);
  auto* Using = NewComponent<TzykThemedStub>(&Holder);
  Using->SetFileTheme(Theme);
  Using->Log.clear();
  Theme->SetThemeFile(WriteTheme("a.thm", 1));
  EXPECT_TRUE(Theme->IsLoaded());
  EXPECT_TRUE(Using->Log.empty());
}

TEST_F(FileThemeTest, IsRegisteredAndPublishesThemeFile) {
  RegisterFileThemeClasses();
  const TClassInfo& Class = FindClass("TzykFileTheme");
  TComponent* Created = Class.CreateComponent(Form);
  const std::string Path = WriteTheme("a.thm", 3);
  SetStrProp(*Created, "themefile", Path);
  EXPECT_EQ(GetStrProp(*Created, "ThemeFile"), Path);
  EXPECT_EQ(static_cast<TzykFileTheme*>(Created)->GetInt(zteFormBorderWidthInt), 3);
}

TEST(UsingFileThemeTest, DecidesBetweenTheFileAndABuiltInLook) {
  TzykFileTheme Unloaded(nullptr);
  TzykFileTheme Loaded(nullptr);
  const auto Path = std::filesystem::temp_directory_path() / ("brivo-using-" + std::to_string(getpid()) + ".thm");
  TzykThemeFileWriter().SaveToFile(Path.string());
  Loaded.SetThemeFile(Path.string());
  std::filesystem::remove(Path);
  ASSERT_TRUE(Loaded.IsLoaded());
  TzykUIStyle Effective = MacOS;
  EXPECT_FALSE(UsingFileTheme(nullptr, FromThemeFile, Effective));
  EXPECT_EQ(Effective, DeepBlue);
  EXPECT_FALSE(UsingFileTheme(&Loaded, WinXP, Effective));
  EXPECT_EQ(Effective, WinXP);
  EXPECT_TRUE(UsingFileTheme(&Loaded, FromThemeFile, Effective));
  EXPECT_EQ(Effective, FromThemeFile);
  EXPECT_FALSE(UsingFileTheme(&Unloaded, FromThemeFile, Effective));
  EXPECT_EQ(Effective, DeepBlue);
  EXPECT_FALSE(UsingFileTheme(nullptr, Protein, Effective));
  EXPECT_EQ(Effective, Protein);
}

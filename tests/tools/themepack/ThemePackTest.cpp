#include "tools/themepack/ThemePack.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/BmpCodec.h"
#include "skin/foundation/ZYKMgr.h"
#include "skin/foundation/ZYKThemeFile.h"
#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace {

void WriteBytes(const std::filesystem::path& Path, const std::vector<std::uint8_t>& Bytes) {
  std::ofstream Out(Path, std::ios::binary);
  Out.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
}

} // namespace

class ThemePackTest : public ::testing::Test {
protected:
  ThemePackTest() : Dir(std::filesystem::temp_directory_path() / ("brivo-themepack-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(Dir / "in");
  }
  ~ThemePackTest() override { std::filesystem::remove_all(Dir); }
  void Values(const std::string& Text) { std::ofstream(Dir / "in" / ThemeValuesFileName) << Text; }
  std::string Fault() {
    try {
      PackThemeFolder(Dir / "in");
    } catch (const EThemeFileError& Error) {
      return Error.what();
    }
    return "accepted";
  }

  std::filesystem::path Dir;
};

TEST_F(ThemePackTest, PacksPicturesAndTypedValuesAndListsThem) {
  const std::vector<std::uint8_t> Picture = EncodeBmp(TPixelBuffer(2, 1, 0x123456));
  WriteBytes(Dir / "in" / "ButtonImage.bmp", Picture);
  Values("# a comment\n\nFormBorderColor = 0x102030\nformborderwidthint=-3\nButtonTransparentBool=True\n"
         "text Author=Someone Else\n");
  WriteBytes(Dir / "out.thm", PackThemeFolder(Dir / "in"));
  const std::vector<std::string> Expected{
      "picture ButtonImage (" + std::to_string(Picture.size()) + " bytes)",
      "integer FormBorderColor=1056816",
      "integer FormBorderWidthInt=-3",
      "flag ButtonTransparentBool=1",
      "text Author=Someone Else",
  };
  EXPECT_EQ(ListThemeFile((Dir / "out.thm").string()), Expected);
}

TEST_F(ThemePackTest, RefusesBadValuesAndPicturesNamingTheLine) {
  const std::string Values_ = (Dir / "in" / ThemeValuesFileName).string();
  Values("FormBorderColor=12\nButtonTransparentBool=maybe\n");
  EXPECT_EQ(Fault(), "'" + Values_ + "' line 2: 'maybe' is not a flag (0, 1, True, False)");
  Values("FormBorderWidthInt=3000000000\n");
  EXPECT_EQ(Fault(), "'" + Values_ + "' line 1: '3000000000' is not a 32-bit integer");
  Values("ButtonImage=x\n");
  EXPECT_EQ(Fault(), "'" + Values_ + "' line 1: 'ButtonImage' is a picture: give it as ButtonImage.bmp");
  Values("no equals sign\n");
  EXPECT_EQ(Fault(), "'" + Values_ + "' line 1: expected Key=value");
  Values("FormBorderColor=1\n\nFormBorderColour=12\n");
  EXPECT_EQ(Fault(), "'" + Values_ + "' line 3: 'FormBorderColour' is not a theme key (did you mean FormBorderColor?); "
                     "a text entry is written as text NAME=value");
  Values("Author=Someone Else\n");
  EXPECT_EQ(Fault(),
            "'" + Values_ + "' line 1: 'Author' is not a theme key; a text entry is written as text NAME=value");
  Values("text =nameless\n");
  EXPECT_EQ(Fault(), "'" + Values_ + "' line 1: expected a name after 'text'");
  Values("");
  WriteBytes(Dir / "in" / "ButtonImage.bmp", {'B', 'M', 0});
  EXPECT_NE(Fault().find("ButtonImage.bmp': "), std::string::npos);
}

// The exported look, read back through a file theme, answers every element as the built-in look.
TEST_F(ThemePackTest, ExportedLooksReadBackAsTheBuiltInLook) {
  for (TzykUIStyle Style : {MacOS, WinXP, DeepBlue, Protein, BlueGlass}) {
    SCOPED_TRACE(TzykUIStyleInfo().Name(Style));
    // One file name per look: the theme ignores a name equal to the one it holds.
    const std::string Path = (Dir / (TzykUIStyleInfo().Name(Style) + ".thm")).string();
    WriteBytes(Path, ExportBuiltInLook(Style));
    TzykFileTheme Theme(nullptr);
    Theme.SetThemeFile(Path);
    ASSERT_TRUE(Theme.IsLoaded());
    for (int Element = 1; Element <= zykElementCount; ++Element) {
      SCOPED_TRACE(ElementInfo(Element).Key);
      switch (ElementInfo(Element).Kind) {
      case zvkImage: {
        TBitmap BuiltIn, FromFile;
        LoadBuiltInBitmap(Style, Element, &BuiltIn);
        Theme.GetBitmap(Element, FromFile);
        EXPECT_EQ(FromFile.Width(), BuiltIn.Width());
        EXPECT_EQ(FromFile.Height(), BuiltIn.Height());
        EXPECT_TRUE(FromFile.Pixels().Pixels() == BuiltIn.Pixels().Pixels());
        break;
      }
      case zvkBool:
        EXPECT_EQ(Theme.GetBool(Element), GetBuiltInBool(Style, Element));
        break;
      case zvkColor:
        EXPECT_EQ(Theme.GetColor(Element), GetBuiltInColor(Style, Element));
        break;
      case zvkInt:
        EXPECT_EQ(Theme.GetInt(Element), GetBuiltInInt(Style, Element));
        break;
      }
    }
  }
}

// What a user sees from the program itself.
class ThemePackProgramTest : public ThemePackTest {
protected:
  int Run(const std::vector<std::string>& Args, std::string* Out = nullptr) {
    std::vector<std::string> argv{std::string(BRIVO_BIN_DIR) + "/themepack"};
    argv.insert(argv.end(), Args.begin(), Args.end());
    Errors.clear();
    return RunProcess(argv, Out, {}, &Errors);
  }
  std::string Errors;
};

TEST_F(ThemePackProgramTest, ListingAFileThatIsNoThemeFileSaysSo) {
  const std::string text = (Dir / "notes.txt").string();
  std::ofstream(text) << "This is plain text, not a theme file.\n";
  EXPECT_EQ(Run({"list", text}), 1);
  // Bytes 12 to 15 hold the header length: "text" read as a little-endian number.
  EXPECT_EQ(Errors, "themepack: theme file '" + text +
                        "': not a theme file: its header length reads 1702109294 where a theme file has 24\n");
  EXPECT_EQ(Run({"list", Dir.string()}), 1);
  EXPECT_EQ(Errors, "themepack: theme file '" + Dir.string() + "': is a folder, not a file\n");
}

TEST_F(ThemePackProgramTest, ExportingAnUnknownLookListsTheLooks) {
  EXPECT_EQ(Run({"export", "Bogus", (Dir / "b.thm").string()}), 2);
  EXPECT_EQ(Errors, "themepack: 'Bogus' is not a built-in look (the looks: MacOS, WinXP, DeepBlue, Protein, "
                    "BlueGlass)\n");
  EXPECT_FALSE(std::filesystem::exists(Dir / "b.thm"));
}

TEST_F(ThemePackProgramTest, WrongArgumentsAreNamedBeforeTheUsage) {
  const std::string usage = "usage: themepack pack FOLDER OUT.thm | list FILE.thm | export LOOK OUT.thm\n";
  EXPECT_EQ(Run({}), 2);
  EXPECT_EQ(Errors, "themepack: no command given\n" + usage);
  EXPECT_EQ(Run({"unpack", "x"}), 2);
  EXPECT_EQ(Errors, "themepack: unknown command 'unpack'\n" + usage);
  EXPECT_EQ(Run({"list", "a.thm", "--verbose"}), 2);
  EXPECT_EQ(Errors, "themepack: unknown argument '--verbose'\n" + usage);
  EXPECT_EQ(Run({"pack", "folder"}), 2);
  EXPECT_EQ(Errors, "themepack: 'pack' takes 2 arguments: themepack pack FOLDER OUT.thm\n" + usage);
}

// The form renderer: its steps in process, and the program as a user runs it.

#include "tools/skin-render/FormRender.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/core/Errors.h"
#include "platform/graphics/BmpCodec.h"
#include "skin/controls/ZYKButton.h"
#include "skin/foundation/ZYKMgr.h"
#include "skin/foundation/ZYKThemeFile.h"
#include "tests/support/PngSize.h"
#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

constexpr const char* DesignedForm = R"(object Form1: TForm1
  Left = 10
  Top = 10
  Width = 120
  Height = 60
  Caption = 'Designed'
  OnShow = FormShow
  object Go: TzykButton
    Left = 10
    Top = 8
    Width = 50
    Height = 30
    UIStyle = FromThemeFile
    OnClick = GoClick
  end
  object Other: TzykButton
    Left = 64
    Top = 8
    Width = 50
    Height = 30
    UIStyle = MacOS
  end
end
)";

// A theme whose button picture is three frames of plain green.
std::vector<std::uint8_t> GreenButtonTheme() {
  TzykThemeFileWriter writer;
  writer.AddPicture("ButtonImage", EncodeBmp(TPixelBuffer(30, 10, 0x00FF00)));
  return writer.Bytes();
}

class FormRenderTest : public ::testing::Test {
protected:
  THeadlessDesktop Desktop;
};

TEST_F(FormRenderTest, TheDesignersClassBecomesAFormAndEventLinesAreBlanked) {
  const std::string text = PrepareForRendering(DesignedForm);
  EXPECT_EQ(text.rfind("object Form1: TForm\n", 0), 0u) << text;
  EXPECT_EQ(text.find("FormShow"), std::string::npos);
  EXPECT_EQ(text.find("GoClick"), std::string::npos);
  EXPECT_NE(text.find("UIStyle = FromThemeFile"), std::string::npos);
  const std::string original = DesignedForm;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(original.begin(), original.end(), '\n'));
}

TEST_F(FormRenderTest, ErrorsStillNameTheLineOfTheOriginal) {
  std::string text = DesignedForm;
  text.replace(text.find("UIStyle = MacOS"), 15, "UIStyle = Sepia");
  try {
    ReadFormForRendering(text);
    FAIL() << "read";
  } catch (const EReadError& e) {
    EXPECT_NE(std::string(e.what()).find("line 21, column 15"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("'Sepia'"), std::string::npos) << e.what();
  }
}

TEST_F(FormRenderTest, TheRootNeedNotStartTheText) {
  const auto form = ReadFormForRendering("\n\n    object Main:   TMainWindow\n  Caption = '中文'\nend\n");
  EXPECT_EQ(form->Name(), "Main");
  EXPECT_EQ(form->Caption(), "中文");
}

TEST_F(FormRenderTest, AStoredVisibleFormIsNotShownWhileItIsRead) {
  const auto form = ReadFormForRendering("object F: TForm1\n  Visible = True\nend\n");
  EXPECT_FALSE(form->HandleAllocated());
  EXPECT_EQ(RenderForm(Desktop, *form).Width(), form->Width());
}

TEST_F(FormRenderTest, AControlTooLargeToRenderIsNamed) {
  const auto form = ReadFormForRendering("object F: TForm1\n  object Huge: TPanel\n    Width = 5000\n  end\nend\n");
  try {
    RenderForm(Desktop, *form);
    FAIL() << "rendered";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "'Huge' is 5000 x 41 pixels; at most 4096 x 4096 can be rendered");
  }
  EXPECT_FALSE(form->HandleAllocated());
}

TEST_F(FormRenderTest, TheThemeGoesOnlyToComponentsThatAskForAThemeFile) {
  const auto form = ReadFormForRendering(DesignedForm);
  auto* theme = new TzykFileTheme(form.get());
  EXPECT_EQ(HandThemeToComponents(*form, *theme), 1);
  EXPECT_EQ(static_cast<TzykButton*>(form->FindComponent("Go"))->FileTheme(), theme);
  EXPECT_EQ(static_cast<TzykButton*>(form->FindComponent("Other"))->FileTheme(), nullptr);
}

TEST_F(FormRenderTest, AComponentWithTheThemeDrawsTheThemesPictures) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("brivo-render-" + std::to_string(getpid()) + ".thm");
  {
    const std::vector<std::uint8_t> bytes = GreenButtonTheme();
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  const auto form = ReadFormForRendering(DesignedForm);
  const TPixelBuffer before = RenderForm(Desktop, *form);
  auto* theme = new TzykFileTheme(form.get());
  theme->SetThemeFile(file.string());
  HandThemeToComponents(*form, *theme);
  const TPixelBuffer after = RenderForm(Desktop, *form);
  std::filesystem::remove(file);
  EXPECT_EQ(before.Width(), 120);
  EXPECT_NE(PixelToColor(before.At(35, 23)), clLime);
  EXPECT_EQ(PixelToColor(after.At(35, 23)), clLime);
  EXPECT_EQ(after.At(90, 23), before.At(90, 23)) << "the MacOS button keeps its look";
}

// ---- The program.

struct TRun {
  int Status = -1;
  std::string Errors;
};

// Runs skin-render with Args (no shell) and collects what it writes to standard error.
TRun RunSkinRender(const std::vector<std::string>& Args) {
  std::vector<std::string> argv{std::string(BRIVO_BIN_DIR) + "/skin-render"};
  argv.insert(argv.end(), Args.begin(), Args.end());
  TRun run;
  run.Status = RunProcess(argv, nullptr, {}, &run.Errors);
  return run;
}

class SkinRenderProgramTest : public ::testing::Test {
protected:
  SkinRenderProgramTest()
      : Dir(std::filesystem::temp_directory_path() / ("brivo-skin-render-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(Dir);
  }
  ~SkinRenderProgramTest() override { std::filesystem::remove_all(Dir); }

  std::string Write(const std::string& Name, std::string_view Bytes) {
    std::ofstream(Dir / Name, std::ios::binary).write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    return (Dir / Name).string();
  }
  std::string Out() const { return (Dir / "out.png").string(); }
  std::pair<int, int> PngSize() const { return PngFileSize(Out()); }

  std::filesystem::path Dir;
};

TEST_F(SkinRenderProgramTest, RendersTheAdjustersOwnDescription) {
  const std::string form = std::string(std::getenv("BRIVO_SOURCE_DIR")) + "/resources/forms/TfrmBrivo.txt";
  const TRun run = RunSkinRender({form, Out()});
  EXPECT_EQ(run.Status, 0) << run.Errors;
  EXPECT_EQ(PngSize(), std::make_pair(281, 121)) << "the skinned form's size and its border";
}

TEST_F(SkinRenderProgramTest, RendersADesignedFormWithATheme) {
  const std::vector<std::uint8_t> theme = GreenButtonTheme();
  const TRun run = RunSkinRender({Write("f.txt", DesignedForm), Out(), "--theme",
                                  Write("t.thm", std::string_view(reinterpret_cast<const char*>(theme.data()), theme.size()))});
  EXPECT_EQ(run.Status, 0) << run.Errors;
  EXPECT_EQ(PngSize(), std::make_pair(120, 60));
}

TEST_F(SkinRenderProgramTest, ABrokenDescriptionIsRefusedWithItsLineAndColumn) {
  const std::string form = Write("broken.txt", "object F: TForm\n  Width = 'wide'\nend\n");
  const TRun run = RunSkinRender({form, Out()});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Errors.find(form + ": line 2, column 11: expected an integer"), std::string::npos) << run.Errors;
  EXPECT_FALSE(std::filesystem::exists(Out()));
}

TEST_F(SkinRenderProgramTest, AnUnknownClassIsNamed) {
  const TRun run = RunSkinRender({Write("f.txt", "object F: TForm\n  object X: TzykGizmo\n  end\nend\n"), Out()});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Errors.find("line 2, column 13: unknown class 'TzykGizmo'"), std::string::npos) << run.Errors;
}

TEST_F(SkinRenderProgramTest, TextThatIsNoDescriptionIsRefused) {
  const TRun run = RunSkinRender({Write("f.txt", "\x89PNG\r\n"), Out()});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Errors.find("line 1, column 1"), std::string::npos) << run.Errors;
}

TEST_F(SkinRenderProgramTest, AMissingDescriptionOrThemeIsNamed) {
  TRun run = RunSkinRender({(Dir / "none.txt").string(), Out()});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Errors.find("none.txt: no such file"), std::string::npos) << run.Errors;
  run = RunSkinRender({Write("f.txt", DesignedForm), Out(), "--theme", (Dir / "none.thm").string()});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Errors.find("none.thm: no such theme file"), std::string::npos) << run.Errors;
}

TEST_F(SkinRenderProgramTest, AMalformedThemeIsRefusedNamingIt) {
  const std::string theme = Write("bad.thm", "not a theme file at all");
  const TRun run = RunSkinRender({Write("f.txt", DesignedForm), Out(), "--theme", theme});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Errors.find("skin-render: " + theme + ": "), std::string::npos) << run.Errors;
  EXPECT_FALSE(std::filesystem::exists(Out()));
}

TEST_F(SkinRenderProgramTest, WrongArgumentsAreNamedBeforeTheUsage) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{}, "no form description given"},
      {{"a.txt"}, "no PNG file to write given"},
      {{"a.txt", "b.png", "--colour", "x"}, "unknown argument '--colour'"},
      {{"a", "b", "c"}, "unknown argument 'c' (the form and the PNG are given already)"},
      {{"a", "b", "--theme"}, "--theme needs the theme file"},
  };
  for (const auto& [args, fault] : cases) {
    const TRun run = RunSkinRender(args);
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Errors.substr(0, run.Errors.find('\n')), "skin-render: " + fault);
    EXPECT_NE(run.Errors.find("\nusage: skin-render"), std::string::npos) << run.Errors;
  }
}

TEST_F(SkinRenderProgramTest, AnOutputThatCannotBeWrittenIsNamedWithTheFault) {
  const std::string out = (Dir / "no" / "such" / "dir.png").string();
  const TRun run = RunSkinRender({Write("f.txt", DesignedForm), out});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Errors, "skin-render: cannot write '" + out + "': the folder '" + (Dir / "no" / "such").string() +
                            "' does not exist\n");
}

TEST_F(SkinRenderProgramTest, AFormOfNoHeightIsNamedWithItsSize) {
  const std::string form = Write("flat.txt", "object Flat: TForm\n  Width = 100\n  Height = -5\nend\n");
  const TRun run = RunSkinRender({form, Out()});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Errors, "skin-render: " + form +
                            ": 'Flat' is 100 x 0 pixels; a form needs a width and a height of at least 1 to be "
                            "rendered\n");
  EXPECT_FALSE(std::filesystem::exists(Out()));
}

TEST_F(SkinRenderProgramTest, ADescriptionCutShortSaysTheFileEnded) {
  const std::string form = Write("cut.txt", "object F: TForm\n  object B: TzykButton\n    Left = 3\n");
  const TRun run = RunSkinRender({form, Out()});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Errors, "skin-render: " + form +
                            ": line 4, column 1: the file ended inside 'object B: TzykButton' of line 2, which "
                            "needs its 'end'\n");
}

} // namespace

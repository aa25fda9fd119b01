// What `cmake --install` and `cpack -G DEB` make of the built tree (packaging.stage made them), and a
// program built against the installed library as a project of its own.

#include "tests/support/PngSize.h"
#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path Stage = BRIVO_STAGE_DIR;
const fs::path Prefix = Stage / "prefix";
const std::vector<std::string> Programs = {"brivo", "gamma-probe", "gamma-keeper", "skin-render", "themepack"};
const std::vector<int> IconSizes = {16, 32, 48, 128};
const std::string DesktopFile = "share/applications/org.brivo.Brivo.desktop";
const std::string MetainfoFile = "share/metainfo/org.brivo.Brivo.metainfo.xml";

std::string ReadText(const fs::path& Path) {
  std::ifstream in(Path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The value of Key in the desktop entry's main group, or nothing.
std::string DesktopValue(const std::string& Entry, const std::string& Key) {
  std::istringstream lines(Entry);
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with(Key + "="))
      return line.substr(Key.size() + 1);
  return {};
}

fs::path SourceDir() {
  const char* dir = std::getenv("BRIVO_SOURCE_DIR");
  return dir ? dir : "";
}

// Runs Argv and returns what it printed on both outputs, failing the test when it does not end
// with Expected.
std::string RunChecked(const std::vector<std::string>& Argv, int Expected = 0, const std::vector<std::string>& Env = {}) {
  std::string out, errors;
  const int status = RunProcess(Argv, &out, Env, &errors);
  EXPECT_EQ(status, Expected) << Argv[0] << " said:\n" << out << errors;
  return out + errors;
}

class InstalledTree : public ::testing::Test {};

TEST_F(InstalledTree, EveryProgramRunsFromTheInstalledFolder) {
  for (const std::string& program : Programs) {
    const fs::path path = Prefix / "bin" / program;
    ASSERT_TRUE(fs::is_regular_file(path)) << path;
    EXPECT_NE(fs::status(path).permissions() & fs::perms::owner_exec, fs::perms::none) << path;
  }
  // The installed adjuster carries its looks and its form: it draws its whole window from them.
  const fs::path png = Stage / "installed-brivo.png";
  RunChecked({(Prefix / "bin/brivo").string(), "--render", png.string()});
  const auto [width, height] = PngFileSize(png.string());
  EXPECT_GT(width, 100);
  EXPECT_GT(height, 50);
}

TEST_F(InstalledTree, DesktopEntryValidatesAndNamesWhatIsInstalled) {
  const fs::path entry = Prefix / DesktopFile;
  ASSERT_TRUE(fs::is_regular_file(entry));
  const std::string said = RunChecked({"desktop-file-validate", entry.string()});
  EXPECT_EQ(said.find("error"), std::string::npos) << said;
  const std::string text = ReadText(entry);
  EXPECT_TRUE(fs::is_regular_file(Prefix / "bin" / DesktopValue(text, "Exec"))) << DesktopValue(text, "Exec");
  const std::string icon = DesktopValue(text, "Icon");
  for (const int size : IconSizes) {
    const std::string side = std::to_string(size);
    EXPECT_TRUE(fs::is_regular_file(Prefix / "share/icons/hicolor" / (side + "x" + side) / "apps" / (icon + ".png")))
        << icon << " at " << side;
  }
  EXPECT_FALSE(DesktopValue(text, "Name[zh_TW]").empty());
  EXPECT_NE(DesktopValue(text, "Categories").find("Settings;"), std::string::npos);
}

TEST_F(InstalledTree, MetainfoValidatesAndLaunchesTheDesktopEntry) {
  const fs::path metainfo = Prefix / MetainfoFile;
  ASSERT_TRUE(fs::is_regular_file(metainfo));
  RunChecked({"appstreamcli", "validate", "--no-net", "--no-color", metainfo.string()});
  const std::string text = ReadText(metainfo);
  const std::string launchable = fs::path(DesktopFile).filename().string();
  EXPECT_NE(text.find("<launchable type=\"desktop-id\">" + launchable + "</launchable>"), std::string::npos);
  EXPECT_NE(text.find("<screenshot type=\"default\">"), std::string::npos);
  EXPECT_NE(text.find("<release version=\"" BRIVO_PACKAGE_VERSION "\""), std::string::npos);
}

TEST_F(InstalledTree, IconsHaveTheSizeOfTheirFolderAndTransparency) {
  for (const int size : IconSizes) {
    const std::string side = std::to_string(size);
    const fs::path png = Prefix / "share/icons/hicolor" / (side + "x" + side) / "apps/brivo.png";
    EXPECT_EQ(PngFileSize(png.string()), std::make_pair(size, size)) << png;
    // Colour type 6 (RGBA): a desktop draws the icon's clear parts as clear.
    EXPECT_EQ(ReadText(png).substr(25, 1), std::string(1, '\x06')) << png;
  }
}

TEST_F(InstalledTree, EveryProgramHasAManualPageThatFormatsWithoutWarnings) {
  for (const std::string& program : Programs) {
    const fs::path page = Prefix / "share/man/man1" / (program + ".1.gz");
    ASSERT_TRUE(fs::is_regular_file(page)) << page;
    std::string out, warnings;
    EXPECT_EQ(RunProcess({"man", "--warnings", "-E", "UTF-8", "-l", page.string()}, &out, {"MANWIDTH=80"}, &warnings),
              0);
    EXPECT_EQ(warnings, "") << page;
    EXPECT_NE(out.find("NAME"), std::string::npos) << page;
  }
}

// An installed header that includes one that is not installed compiles here and fails for users.
TEST_F(InstalledTree, InstalledHeadersIncludeOnlyInstalledHeaders) {
  const fs::path include = Prefix / "include/brivo";
  const std::regex quoted(R"re(^\s*#\s*include\s*"([^"]+)")re");
  int headers = 0;
  for (const auto& file : fs::recursive_directory_iterator(include)) {
    if (!file.is_regular_file())
      continue;
    ++headers;
    std::istringstream lines(ReadText(file.path()));
    std::smatch match;
    for (std::string line; std::getline(lines, line);) {
      if (std::regex_search(line, match, quoted)) {
        EXPECT_TRUE(fs::is_regular_file(include / match[1].str())) << file.path() << " includes " << match[1];
      }
    }
  }
  EXPECT_GT(headers, 50);
  EXPECT_TRUE(fs::is_regular_file(include / "skin/controls/ZYKScrollBar.h"));
  EXPECT_TRUE(fs::is_regular_file(include / "platform/backends/headless/HeadlessDesktop.h"));
}

TEST_F(InstalledTree, PackageConfigurationRefersToNothingOutsideThePrefix) {
  const fs::path config = Prefix / "lib/cmake/BrivoSkin";
  ASSERT_TRUE(fs::is_regular_file(config / "BrivoSkinConfig.cmake"));
  for (const auto& file : fs::directory_iterator(config)) {
    const std::string text = ReadText(file.path());
    EXPECT_EQ(text.find(SourceDir().string() + "/"), std::string::npos) << file.path() << " names the source tree";
    EXPECT_EQ(text.find(fs::path(BRIVO_BIN_DIR).parent_path().string() + "/"), std::string::npos)
        << file.path() << " names the build tree";
  }
}

class DebianPackage : public ::testing::Test {
protected:
  static fs::path Deb() {
    for (const auto& file : fs::directory_iterator(Stage / "deb"))
      if (file.path().extension() == ".deb")
        return file.path();
    return {};
  }
  static std::string Field(const std::string& Name) {
    std::string value;
    RunProcess({"dpkg-deb", "--field", Deb().string(), Name}, &value);
    while (!value.empty() && value.back() == '\n')
      value.pop_back();
    return value;
  }
};

TEST_F(DebianPackage, ControlFieldsNameTheProgramAndWhatItNeeds) {
  ASSERT_FALSE(Deb().empty());
  EXPECT_EQ(Field("Package"), "brivo");
  EXPECT_EQ(Field("Version"), BRIVO_PACKAGE_VERSION);
  EXPECT_FALSE(Field("Maintainer").empty());
  EXPECT_FALSE(Field("Description").empty());
  const std::string depends = Field("Depends");
  // The libraries linked come from dpkg-shlibdeps (the X extension libraries are built in);
  // FreeType, fontconfig and libpng (loaded when needed), the fonts and xdg-utils from the
  // package's settings.
  for (const char* package : {"libc6", "libx11-6", "libfreetype6", "libfontconfig1", "libpng16-16",
                              "fonts-arphic-uming", "fonts-liberation", "xdg-utils"})
    EXPECT_TRUE(std::regex_search(depends, std::regex(std::string("(^|, )") + package + "( |,|$)")))
        << package << " missing from: " << depends;
}

TEST_F(DebianPackage, HoldsTheProgramAndNotTheLibrary) {
  ASSERT_FALSE(Deb().empty());
  std::string listing;
  ASSERT_EQ(RunProcess({"dpkg-deb", "--contents", Deb().string()}, &listing), 0);
  std::set<std::string> files;
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    const auto at = line.find(" ./");
    if (at != std::string::npos)
      files.insert(line.substr(at + 2));
  }
  std::vector<std::string> expected = {"/usr/" + DesktopFile, "/usr/" + MetainfoFile,
                                       "/usr/share/doc/brivo/copyright"};
  for (const std::string& program : Programs) {
    expected.push_back("/usr/bin/" + program);
    expected.push_back("/usr/share/man/man1/" + program + ".1.gz");
  }
  for (const int size : IconSizes)
    expected.push_back("/usr/share/icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) +
                       "/apps/brivo.png");
  for (const std::string& file : expected)
    EXPECT_TRUE(files.contains(file)) << file;
  for (const std::string& file : files) {
    EXPECT_FALSE(file.starts_with("/usr/include")) << file;
    EXPECT_FALSE(file.ends_with(".a")) << file;
  }
}

TEST_F(DebianPackage, LintianReportsNoError) {
  ASSERT_FALSE(Deb().empty());
  RunChecked({"lintian", "--fail-on", "error", "--tag-display-limit", "0", Deb().string()});
}

class ExampleProgram : public ::testing::Test {};

// Built as a project of its own against the installed package only, the example draws the same
// window as the in-tree renderer does from its description: the embedded looks and the text engine
// arrive with the one target.
TEST_F(ExampleProgram, BuiltAgainstThePrefixRendersLikeTheRenderer) {
  const fs::path build = Stage / "example";
  RunChecked({"cmake", "-S", (SourceDir() / "examples/skinned-window").string(), "-B", build.string(),
       "-DCMAKE_PREFIX_PATH=" + Prefix.string()});
  RunChecked({"cmake", "--build", build.string(), "-j", "2"});
  const std::string program = (build / "skinned-window").string();
  ASSERT_TRUE(fs::is_regular_file(program));

  std::string description;
  ASSERT_EQ(RunProcess({program, "--description"}, &description), 0);
  const fs::path descriptionFile = Stage / "example.txt";
  std::ofstream(descriptionFile) << description;
  const fs::path rendered = Stage / "example.png";
  const fs::path reference = Stage / "example-reference.png";
  RunChecked({program, "--render", rendered.string()});
  RunChecked({std::string(BRIVO_BIN_DIR) + "/skin-render", descriptionFile.string(), reference.string()});
  const auto size = PngFileSize(rendered.string());
  EXPECT_GT(size.first, 0);
  EXPECT_EQ(size, PngFileSize(reference.string()));
  EXPECT_TRUE(ReadText(rendered) == ReadText(reference)) << "the example's window differs from the renderer's";
  // Without a display it says how to draw the window instead of failing silently.
  EXPECT_NE(RunChecked({program}, 1, {"DISPLAY="}).find("--render"), std::string::npos);
}

} // namespace

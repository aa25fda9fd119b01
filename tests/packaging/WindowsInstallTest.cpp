// The Windows installer and zip that packaging.windows_stage packed from the cross build: what the
// zip holds, and the installer used as an administrator would use it, silently, under wine in a
// prefix of the test's own.

#include "tests/support/PngSize.h"
#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path Stage = BRIVO_WIN_STAGE_DIR;
const std::string Version = BRIVO_PACKAGE_VERSION;
const std::vector<std::string> Programs = {"brivo", "gamma-probe", "skin-render", "themepack"};
const std::string StartMenuEntry = "Brivo Screen Adjuster.lnk";
const std::string UninstallKey = R"(HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brivo)";

fs::path SourceDir() {
  const char* dir = std::getenv("BRIVO_SOURCE_DIR");
  return dir ? dir : "";
}

class WindowsPackage : public ::testing::Test {
protected:
  void SetUp() override {
    if (!fs::exists(Installer()))
      GTEST_SKIP() << "no Windows packages in " << Stage.string()
                   << ": the cross build was not built (cmake --build build-win), so packaging.windows_stage "
                      "packed nothing";
  }

  static fs::path Installer() { return Stage / ("brivo-" + Version + "-win64.exe"); }
  static fs::path Zip() { return Stage / ("brivo-" + Version + "-win64.zip"); }
};

TEST_F(WindowsPackage, TheZipHoldsTheFourProgramsInOneFolder) {
  std::string out;
  ASSERT_EQ(RunProcess({BRIVO_CMAKE_COMMAND, "-E", "tar", "tf", Zip().string()}, &out), 0) << out;
  const std::string top = "brivo-" + Version + "-win64/";
  for (const std::string& program : Programs)
    EXPECT_NE(out.find(top + "bin/" + program + ".exe\n"), std::string::npos) << program << " in:\n" << out;
  EXPECT_NE(out.find(top + "copyright.txt\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("Uninstall"), std::string::npos) << "the zip is no installation:\n" << out;
}

// One prefix for all of it: making one takes far longer than the checks.
class WindowsInstaller : public WindowsPackage {
protected:
  void SetUp() override {
    WindowsPackage::SetUp();
    if (IsSkipped())
      return;
    char pattern[] = "/tmp/brivo-wine-install-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Prefix = pattern;
    std::string out;
    ASSERT_EQ(RunProcess({(SourceDir() / "tools/setup/wine-prefix.sh").string(), "create", Prefix.string()}, &out), 0)
        << out;
  }
  void TearDown() override {
    if (Prefix.empty())
      return;
    std::string out;
    EXPECT_EQ(RunProcess({(SourceDir() / "tools/setup/wine-prefix.sh").string(), "remove", Prefix.string()}, &out), 0)
        << out;
  }

  // Runs a program under wine in the prefix; its status, with what it printed in Out. The menu
  // builder stays off, so that the Start menu entry makes nothing in the user's own menus.
  int Wine(std::vector<std::string> Args, std::string* Out = nullptr) {
    Args.insert(Args.begin(), "wine");
    std::string out, errors;
    const int status = RunProcess(Args, &out, {"WINEPREFIX=" + Prefix.string(), "WINEDEBUG=-all",
                                              "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d"},
                                  &errors);
    if (Out)
      *Out = out + errors;
    return status;
  }
  fs::path InstallDir() const { return Prefix / "drive_c/Program Files/Brivo"; }
  // Where the Start menu entry lies in the prefix; empty when there is none.
  fs::path StartMenuLink() const {
    for (const auto& entry : fs::recursive_directory_iterator(Prefix / "drive_c"))
      if (entry.path().filename() == StartMenuEntry)
        return entry.path();
    return {};
  }
  bool Registered() {
    std::string out;
    return Wine({"reg", "query", UninstallKey, "/v", "UninstallString"}, &out) == 0 &&
           out.find("Uninstall.exe") != std::string::npos;
  }

  fs::path Prefix;
};

TEST_F(WindowsInstaller, InstallsSilentlyWithAStartMenuEntryAndUninstallsSilently) {
  std::string out;
  ASSERT_EQ(Wine({Installer().string(), "/S"}, &out), 0) << out;
  for (const std::string& program : Programs)
    EXPECT_TRUE(fs::is_regular_file(InstallDir() / "bin" / (program + ".exe"))) << program;
  const fs::path link = StartMenuLink();
  ASSERT_FALSE(link.empty()) << "no " << StartMenuEntry << " in the prefix";
  EXPECT_NE(link.generic_string().find("/Start Menu/Programs/"), std::string::npos) << link;
  EXPECT_TRUE(Registered()) << "the uninstaller is not where Windows lists installed programs";
  std::string listed;
  Wine({"reg", "query", UninstallKey, "/v", "DisplayName"}, &listed);
  EXPECT_NE(listed.find("Brivo Screen Adjuster"), std::string::npos) << listed;

  // The installed adjuster draws its whole window, as large as the native build draws it.
  ASSERT_EQ(Wine({(InstallDir() / "bin/brivo.exe").string(), "--render", R"(C:\brivo.png)"}, &out), 0) << out;
  const fs::path native = Prefix / "native.png";
  ASSERT_EQ(RunProcess({std::string(BRIVO_BIN_DIR) + "/brivo", "--render", native.string()}), 0);
  const auto [width, height] = PngFileSize((Prefix / "drive_c/brivo.png").string());
  EXPECT_GT(width, 100);
  EXPECT_EQ(std::pair(width, height), PngFileSize(native.string()));

  // The uninstaller runs from a copy of itself, so the call returns at once; the copy is done when
  // the registration is gone. Each question starts wine once, which paces the waiting.
  ASSERT_EQ(Wine({(InstallDir() / "Uninstall.exe").string(), "/S"}, &out), 0) << out;
  bool gone = false;
  for (int asked = 0; asked < 200 && !gone; ++asked)
    gone = !Registered() && !fs::exists(InstallDir());
  EXPECT_TRUE(gone) << "the uninstaller left the registration or " << InstallDir();
  EXPECT_EQ(StartMenuLink(), fs::path()) << "the Start menu entry is still there";
}

} // namespace

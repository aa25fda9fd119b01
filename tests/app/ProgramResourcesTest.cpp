// The Windows programs carry the program's icon, their version and a manifest declaring them aware
// of each monitor's dots per inch.
#include "platform/core/Executable.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring Wide(const std::string& Text) { return std::wstring(Text.begin(), Text.end()); }

class ProgramResourcesTest : public testing::TestWithParam<const char*> {
protected:
  void SetUp() override {
    FPath = Wide(ExecutableDirectory() + GetParam() + ".exe");
    FModule = LoadLibraryExW(FPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(FModule, nullptr) << GetParam() << ": error " << GetLastError();
  }
  void TearDown() override {
    if (FModule)
      FreeLibrary(FModule);
  }
  std::string Resource(LPCWSTR Name, LPCWSTR Type) {
    HRSRC found = FindResourceW(FModule, Name, Type);
    if (!found)
      return {};
    HGLOBAL loaded = LoadResource(FModule, found);
    const auto* data = static_cast<const char*>(LockResource(loaded));
    return data ? std::string(data, SizeofResource(FModule, found)) : std::string();
  }

  std::wstring FPath;
  HMODULE FModule = nullptr;
};

TEST_P(ProgramResourcesTest, CarriesTheProgramIcon) {
  const std::string group = Resource(L"MAINICON", MAKEINTRESOURCEW(14)); // RT_GROUP_ICON
  ASSERT_GE(group.size(), 6u + 14u);
  EXPECT_GE(static_cast<unsigned char>(group[4]), 1) << "at least one image";
}

TEST_P(ProgramResourcesTest, CarriesTheVersion) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(FPath.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::string info(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoW(FPath.c_str(), 0, size, info.data()));
  wchar_t* version = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\FileVersion",
                             reinterpret_cast<void**>(&version), &length));
  EXPECT_EQ(std::wstring(version), Wide(BRIVO_VERSION));
  wchar_t* original = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\OriginalFilename",
                             reinterpret_cast<void**>(&original), &length));
  EXPECT_EQ(std::wstring(original), Wide(std::string(GetParam()) + ".exe"));
}

TEST_P(ProgramResourcesTest, ManifestDeclaresPerMonitorDpiAwareness) {
  const std::string manifest = Resource(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)); // RT_MANIFEST
  EXPECT_NE(manifest.find("<dpiAwareness"), std::string::npos) << manifest;
  EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos) << manifest;
  EXPECT_NE(manifest.find("true/pm"), std::string::npos) << manifest;
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramResourcesTest, testing::Values("brivo", "gamma-probe", "skin-render", "themepack"),
                         [](const testing::TestParamInfo<const char*>& Info) {
                           std::string name = Info.param;
                           std::erase(name, '-');
                           return name;
                         });

} // namespace

#include "platform/core/Executable.h"

#include <filesystem>
#include <system_error>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <vector>
#endif

namespace {

#ifdef _WIN32
constexpr const char* Separators = "\\/:";
constexpr char Separator = '\\';

std::filesystem::path ExecutablePath() {
  // Long paths are allowed: the buffer grows until the name fits.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (int attempt = 0; attempt < 6; ++attempt) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0)
      return {};
    if (n < buffer.size())
      return std::filesystem::path(std::wstring(buffer.data(), n));
    buffer.resize(buffer.size() * 4);
  }
  return {};
}
#else
constexpr const char* Separators = "/";
constexpr char Separator = '/';

std::filesystem::path ExecutablePath() {
  std::error_code Error;
  std::filesystem::path Exe = std::filesystem::read_symlink("/proc/self/exe", Error);
  return Error ? std::filesystem::path() : Exe;
}
#endif

} // namespace

std::string ExecutableDirectory() {
  const std::filesystem::path Exe = ExecutablePath();
  if (Exe.empty())
    return {};
  const std::u8string Utf8 = Exe.parent_path().u8string();
  std::string Directory(Utf8.begin(), Utf8.end());
  if (Directory.empty())
    return {};
  if (Directory.find_last_of(Separators) != Directory.size() - 1)
    Directory += Separator;
  return Directory;
}

std::string ExtractFileName(const std::string& Path) {
  const std::size_t Last = Path.find_last_of(Separators);
  return Last == std::string::npos ? Path : Path.substr(Last + 1);
}

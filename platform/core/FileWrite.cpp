#include "platform/core/FileWrite.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

// Our strings are UTF-8; on Windows a path's narrow form would be the ANSI code page instead.
std::filesystem::path PathOf(const std::string& Utf8) {
  return std::filesystem::path(std::u8string(Utf8.begin(), Utf8.end()));
}

std::string Quoted(const std::filesystem::path& P) {
  const std::u8string text = P.u8string();
  return "'" + std::string(text.begin(), text.end()) + "'";
}

std::FILE* OpenForWriting(const std::filesystem::path& P) {
#ifdef _WIN32
  return _wfopen(P.c_str(), L"wb");
#else
  return std::fopen(P.c_str(), "wb");
#endif
}

// What stopped the write, as the end of "cannot write 'PATH': ...".
std::string Fault(const std::filesystem::path& Path, int Error) {
  std::error_code ec;
  if (std::filesystem::is_directory(Path, ec))
    return "it is a folder";
  const std::filesystem::path folder = Path.has_parent_path() ? Path.parent_path() : ".";
  if (!std::filesystem::exists(folder, ec))
    return "the folder " + Quoted(folder) + " does not exist";
  if (!std::filesystem::is_directory(folder, ec))
    return Quoted(folder) + " is not a folder";
  switch (Error) {
  case EACCES:
  case EPERM:
    return "permission denied";
  case EROFS:
    return "the file system is read-only";
  case ENOSPC:
    return "the disk is full";
#ifdef EDQUOT
  case EDQUOT:
    return "the disk quota is used up";
#endif
  default:
    return std::strerror(Error);
  }
}

struct TCloser {
  void operator()(std::FILE* F) const { std::fclose(F); }
};

} // namespace

void WriteWholeFile(const std::string& Path, std::span<const std::uint8_t> Bytes) {
  const std::filesystem::path path = PathOf(Path);
  // Once the file is open it holds nothing of its own any more: a half-written one goes.
  bool opened = false;
  auto fail = [&](int Error) {
    std::error_code ec;
    if (opened && std::filesystem::is_regular_file(path, ec))
      std::filesystem::remove(path, ec);
    throw EFileWriteError("cannot write " + Quoted(path) + ": " + Fault(path, Error));
  };
  errno = 0;
  std::unique_ptr<std::FILE, TCloser> file(OpenForWriting(path));
  if (!file)
    fail(errno);
  opened = true;
  if (!Bytes.empty() && std::fwrite(Bytes.data(), 1, Bytes.size(), file.get()) != Bytes.size())
    fail(errno);
  // The data may only reach the disk now, and a full disk say so only now.
  if (std::fclose(file.release()) != 0)
    fail(errno);
}

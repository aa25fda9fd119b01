#include "platform/core/FileWrite.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

std::string Quoted(const std::filesystem::path& P) { return "'" + P.string() + "'"; }

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
  case EDQUOT:
    return "the disk quota is used up";
  default:
    return std::strerror(Error);
  }
}

struct TCloser {
  void operator()(std::FILE* F) const { std::fclose(F); }
};

} // namespace

void WriteWholeFile(const std::string& Path, std::span<const std::uint8_t> Bytes) {
  const std::filesystem::path path(Path);
  // Once the file is open it holds nothing of its own any more: a half-written one goes.
  bool opened = false;
  auto fail = [&](int Error) {
    std::error_code ec;
    if (opened && std::filesystem::is_regular_file(path, ec))
      std::filesystem::remove(path, ec);
    throw EFileWriteError("cannot write " + Quoted(path) + ": " + Fault(path, Error));
  };
  errno = 0;
  std::unique_ptr<std::FILE, TCloser> file(std::fopen(Path.c_str(), "wb"));
  if (!file)
    fail(errno);
  opened = true;
  if (!Bytes.empty() && std::fwrite(Bytes.data(), 1, Bytes.size(), file.get()) != Bytes.size())
    fail(errno);
  // The data may only reach the disk now, and a full disk say so only now.
  if (std::fclose(file.release()) != 0)
    fail(errno);
}

#pragma once

#include <fstream>
#include <string>
#include <utility>

// Width and height from a PNG file's header, or (0, 0) when the file is not a PNG.
inline std::pair<int, int> PngFileSize(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  std::string head(24, '\0');
  in.read(head.data(), 24);
  if (!in || head.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || head.compare(12, 4, "IHDR") != 0)
    return {0, 0};
  auto bigEndian = [&](int At) {
    int v = 0;
    for (int i = 0; i < 4; ++i)
      v = v << 8 | static_cast<unsigned char>(head[At + i]);
    return v;
  };
  return {bigEndian(16), bigEndian(20)};
}

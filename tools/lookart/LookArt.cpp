// lookart: draws the pictures of the built-in looks and writes them under resources/ (BMP files
// at their depths, the program icon), with one contact sheet per look under docs/looks/.
//
//   lookart [REPOSITORY]            (default: the current directory)
//   lookart --zoom NAME FILE.png    one picture enlarged 12 times, for a close look

#include "platform/graphics/IcoCodec.h"
#include "platform/graphics/PngCodec.h"
#include "tools/lookart/Art.h"
#include "tools/lookart/Looks.h"
#include "tools/lookart/Sheet.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace {

void WriteFile(const std::filesystem::path& Path, const std::vector<std::uint8_t>& Bytes) {
  std::ofstream out(Path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
  if (!out)
    throw std::runtime_error("cannot write " + Path.string());
}

} // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 4 && std::string(argv[1]) == "--zoom") {
      for (const TLookSheet& sheet : DrawLooks())
        for (TLookPicture picture : sheet.Pictures)
          if (picture.Name == argv[2]) {
            if (picture.Bits <= 8)
              Quantize(picture.Pixels, 1 << picture.Bits, picture.Pinned);
            TPixelBuffer big(picture.Pixels.Width() * 12, picture.Pixels.Height() * 12);
            for (int y = 0; y < big.Height(); ++y)
              for (int x = 0; x < big.Width(); ++x)
                big.Set(x, y, picture.Pixels.At(x / 12, y / 12));
            WriteFile(argv[3], EncodePng(big));
            return 0;
          }
      throw std::runtime_error(std::string("no picture ") + argv[2]);
    }
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
      std::fprintf(stderr, "usage: lookart [REPOSITORY-ROOT]   redraw resources/ and docs/looks/\n"
                           "       lookart --zoom NAME OUT.png enlarge one picture\n");
      return 2;
    }
    const std::filesystem::path root = argc > 1 ? argv[1] : ".";
    const auto bitmaps = root / "resources" / "bitmaps", icons = root / "resources" / "icons";
    const auto docs = root / "docs" / "looks";
    for (const auto& dir : {bitmaps, icons, docs})
      std::filesystem::create_directories(dir);
    int count = 0;
    for (TLookSheet& sheet : DrawLooks()) {
      for (TLookPicture& picture : sheet.Pictures) {
        WriteBmp((bitmaps / (picture.Name + ".bmp")).string(), picture.Pixels, picture.Bits, picture.Pinned);
        // The sheet shows what the file holds, after the palette reduction.
        if (picture.Bits <= 8)
          Quantize(picture.Pixels, 1 << picture.Bits, picture.Pinned);
        ++count;
      }
      WriteFile(docs / sheet.FileName, EncodePng(DrawSheet(sheet)));
    }
    WriteFile(icons / "MAINICON.ico", EncodeIco({DrawIcon(16), DrawIcon(32), DrawIcon(48)}));
    std::cout << "lookart: " << count << " pictures, 1 icon\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "lookart: " << e.what() << '\n';
    return 1;
  }
}

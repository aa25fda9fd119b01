#pragma once

#include "platform/graphics/Bitmap.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// Pictures of small bitmaps as rows of letters, so a test can show the expected pixels. Each
// colour is given a letter; a pixel of any other colour shows as '?'.
using TLegend = std::map<TColor, char>;

inline std::vector<std::string> PixelRows(const TBitmap& Bitmap, const TLegend& Legend) {
  std::vector<std::string> rows;
  for (int y = 0; y < Bitmap.Height(); ++y) {
    std::string row;
    for (int x = 0; x < Bitmap.Width(); ++x) {
      auto it = Legend.find(PixelToColor(Bitmap.Pixels().At(x, y)));
      row.push_back(it == Legend.end() ? '?' : it->second);
    }
    rows.push_back(row);
  }
  return rows;
}

// A bitmap drawn from rows of letters (the inverse of PixelRows).
inline std::unique_ptr<TBitmap> BitmapFromRows(const std::vector<std::string>& Rows, const TLegend& Legend) {
  auto bitmap = std::make_unique<TBitmap>(Rows.empty() ? 0 : static_cast<int>(Rows[0].size()), static_cast<int>(Rows.size()));
  for (int y = 0; y < bitmap->Height(); ++y)
    for (int x = 0; x < bitmap->Width(); ++x)
      for (const auto& [colour, letter] : Legend)
        if (letter == Rows[y][x])
          bitmap->Pixels().Set(x, y, ColorToPixel(colour));
  return bitmap;
}

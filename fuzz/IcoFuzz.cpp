// Feeds arbitrary bytes to the icon reader through TIcon, and makes the small copy the title bar
// draws of every readable icon.

#include "platform/graphics/BmpCodec.h"
#include "platform/graphics/Icon.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TIcon icon;
  try {
    icon.LoadFromBytes({Data, Size});
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  const auto small = icon.SizedCopy(16, 16);
  if (small->Width() != 16 || small->Height() != 16)
    std::abort();
  return 0;
}

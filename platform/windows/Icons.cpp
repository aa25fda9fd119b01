#include "platform/windows/WindowManager.h"

#include "platform/core/Resources.h"
#include "platform/graphics/IcoCodec.h"
#include "platform/graphics/Icon.h"

#include <memory>

namespace {

// The large icon size of the platform, for LR_DEFAULTSIZE.
constexpr int DefaultIconSize = 32;

// What the desktop shows for a window: these sizes of the icon's images.
constexpr int ShownIconSizes[] = {16, 32, 48};

HICON MakeIcon(const std::shared_ptr<const std::vector<TPixelBuffer>>& Source, const TPixelBuffer& Own, int Width,
               int Height, bool FromSource) {
  const std::vector<TPixelBuffer> own{Own};
  TPixelBuffer image = BestIconImage(FromSource && Source ? *Source : own, Width, Height);
  if (image.Empty())
    return nullptr;
  return CreateIconHandle({std::move(image), Source});
}

} // namespace

HANDLE LoadImage(HINSTANCE Instance, const char* Name, UINT Type, int Width, int Height, UINT Flags) {
  if (Instance != HInstance || !Name || Type != IMAGE_ICON || Width < 0 || Height < 0 ||
      !ResourceExists(Name, TResourceType::Icon))
    return nullptr;
  std::vector<TDecodedImage> decoded;
  try {
    decoded = DecodeIco(FindResource(Name, TResourceType::Icon));
  } catch (const EInvalidGraphic&) {
    return nullptr;
  }
  auto images = std::make_shared<std::vector<TPixelBuffer>>();
  for (TDecodedImage& d : decoded)
    images->push_back(std::move(d.Pixels));
  if (images->empty())
    return nullptr;
  if (Width == 0)
    Width = (Flags & LR_DEFAULTSIZE) ? DefaultIconSize : images->front().Width();
  if (Height == 0)
    Height = (Flags & LR_DEFAULTSIZE) ? DefaultIconSize : images->front().Height();
  return MakeIcon(images, {}, Width, Height, true);
}

HANDLE CopyImage(HANDLE Image, UINT Type, int Width, int Height, UINT Flags) {
  const HICON original = static_cast<HICON>(Image);
  const TIconData* data = IconHandleData(original);
  if (Type != IMAGE_ICON || !data || Width < 0 || Height < 0)
    return nullptr;
  if (Width == 0)
    Width = data->Image.Width();
  if (Height == 0)
    Height = data->Image.Height();
  const HICON copy = MakeIcon(data->Source, data->Image, Width, Height, (Flags & LR_COPYFROMRESOURCE) != 0);
  if (copy && (Flags & LR_COPYDELETEORG))
    DestroyIconHandle(original);
  return copy;
}

BOOL DestroyIcon(HICON Icon) { return DestroyIconHandle(Icon) ? 1 : 0; }

LRESULT SetWindowIcon(TWnd& W, WPARAM Kind, HICON Icon) {
  HICON& slot = Kind == ICON_SMALL ? W.SmallIcon : W.BigIcon;
  const HICON previous = slot;
  slot = Icon;
  if (!W.Host)
    return reinterpret_cast<LRESULT>(previous);
  std::vector<TPixelBuffer> shown;
  const TIconData* data = IconHandleData(W.BigIcon);
  if (!data)
    data = IconHandleData(W.SmallIcon);
  if (data) {
    const std::vector<TPixelBuffer> own{data->Image};
    const std::vector<TPixelBuffer>& from = data->Source ? *data->Source : own;
    for (int size : ShownIconSizes)
      shown.push_back(BestIconImage(from, size, size));
  }
  W.Host->SetIcon(shown);
  return reinterpret_cast<LRESULT>(previous);
}

LRESULT WindowIcon(const TWnd& W, WPARAM Kind) {
  return reinterpret_cast<LRESULT>(Kind == ICON_SMALL ? W.SmallIcon : W.BigIcon);
}

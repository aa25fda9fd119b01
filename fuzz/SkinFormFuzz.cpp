// Renders arbitrary text as a skinned form description, as skin-render does, then again with the
// form's first menu open. Any input must either render or be refused with EReadError (it cannot be
// read) or Exception (too large to render, or a menu with nothing to show).

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Menus.h"
#include "platform/core/Errors.h"
#include "tools/skin-render/FormRender.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  static THeadlessDesktop* const Desktop = new THeadlessDesktop;
  const std::string_view text(reinterpret_cast<const char*>(Data), Size);
  std::unique_ptr<TForm> form;
  try {
    form = ReadFormForRendering(text);
  } catch (const EReadError&) {
    return 0;
  }
  try {
    // Smaller than the tool's limit, so that the fuzzer's memory limit is never the finding.
    CheckRenderable(*form, 512);
  } catch (const Exception&) {
    return 0;
  }
  RenderForm(*Desktop, *form);
  for (int i = 0; i < form->ComponentCount(); ++i)
    if (dynamic_cast<const TMenu*>(form->Components(i))) {
      try {
        RenderFormWithMenu(*Desktop, *form, {form->Components(i)->Name(), std::nullopt, 0}, 512);
      } catch (const Exception&) {
      }
      break;
    }
  return 0;
}

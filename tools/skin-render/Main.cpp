// skin-render FORM.txt OUT.png [--theme FILE] [--images PICTURE.bmp] [--popup NAME [X Y]]
// [--highlight N] [--scale S]: renders a stored form description on the headless desktop to a PNG, with one of
// its menus open when asked, for people who design skinned forms without running them.

#include "tools/skin-render/FormRender.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/core/FileWrite.h"
#include "platform/core/Report.h"
#include "platform/core/StoredFormParser.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/BmpCodec.h"
#include "platform/graphics/PngCodec.h"
#include "platform/graphics/Scale.h"
#include "platform/graphics/TextEngine.h"
#include "skin/foundation/ZYKMgr.h"

#include <charconv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace {

int Usage(const std::string& Fault) {
  std::fprintf(stderr, "skin-render: %s\n", Fault.c_str());
  std::fprintf(stderr,
               "usage: skin-render FORM.txt OUT.png [--theme FILE] [--images PICTURE.bmp]\n"
               "                   [--popup NAME [X Y]] [--highlight N] [--scale S]\n"
               "Renders a stored form description to a PNG. Components whose UIStyle is\n"
               "FromThemeFile take their look from the theme file; events are not bound.\n"
               "--images     fills the form's empty image lists with pieces of the picture\n"
               "--popup      shows the popup menu NAME open (a main menu: its first drop-down)\n"
               "             at the screen point X Y of the 1024 x 768 screen; by default a\n"
               "             popup opens at the centre of the form's client area and a\n"
               "             drop-down under its place in the menu bar; the PNG covers the\n"
               "             form and the menu\n"
               "--highlight  draws shown item N (from 0, shown separators counted) highlighted\n"
               "--scale      renders as a desktop at S x 96 dpi shows the form (2 for 192 dpi;\n"
               "             from 1 to 4, by quarters); the form's values stay as stored\n");
  return 2;
}

int Fail(const std::string& Message) {
  std::fprintf(stderr, "skin-render: %s\n", Message.c_str());
  return 1;
}

// The whole file, or nothing when it cannot be read or is larger than any description may be (no
// picture given with it needs to be larger either).
std::optional<std::string> ReadWholeFile(const std::string& Path, std::string& Why) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(Path, error)) {
    Why = "no such file";
    return std::nullopt;
  }
  const auto size = std::filesystem::file_size(Path, error);
  if (error || size > TStoredFormLimits::MaxTextBytes) {
    Why = error ? error.message() : "larger than " + std::to_string(TStoredFormLimits::MaxTextBytes) + " bytes";
    return std::nullopt;
  }
  std::ifstream in(Path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in && !in.eof()) {
    Why = "cannot be read";
    return std::nullopt;
  }
  return text.str();
}

// A whole decimal number (a minus sign allowed) that fits an int, or nothing.
std::optional<int> WholeNumber(std::string_view Text) {
  int value = 0;
  const char* end = Text.data() + Text.size();
  const auto [at, error] = std::from_chars(Text.data(), end, value);
  if (Text.empty() || error != std::errc() || at != end)
    return std::nullopt;
  return value;
}

// Whether an argument is meant as a number (and so is checked as one) rather than a file name.
bool LooksNumeric(std::string_view Text) {
  if (Text.starts_with("-") || Text.starts_with("+"))
    Text.remove_prefix(1);
  return !Text.empty() && Text.front() >= '0' && Text.front() <= '9';
}

} // namespace

int main(int argc, char** argv) {
  SetProgramName("skin-render");
  KeepFontsBetweenRuns(UserCacheFile("fonts-skin-render"));
  std::vector<std::string> files;
  std::string theme;
  std::string images;
  std::optional<TOpenMenu> menu;
  std::optional<int> highlight;
  double scale = 1.0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--scale") {
      if (i + 1 == argc)
        return Usage("--scale needs a scale, such as 2 for a desktop at 192 dpi");
      std::string why;
      const std::optional<double> given = ParseWindowScale(argv[++i], why);
      if (!given)
        return Usage("--scale: " + why);
      scale = *given;
    } else if (arg == "--theme") {
      if (i + 1 == argc)
        return Usage("--theme needs the theme file");
      theme = argv[++i];
    } else if (arg == "--images") {
      if (i + 1 == argc)
        return Usage("--images needs the picture");
      images = argv[++i];
    } else if (arg == "--popup") {
      if (i + 1 == argc)
        return Usage("--popup needs the name of a menu");
      menu.emplace();
      menu->Name = argv[++i];
      // A point follows when the next argument is a number; then both must be whole numbers.
      if (i + 1 < argc && LooksNumeric(argv[i + 1])) {
        const std::optional<int> x = WholeNumber(argv[i + 1]);
        if (!x)
          return Usage("--popup " + menu->Name + ": X must be a whole number, not '" + argv[i + 1] + "'");
        if (i + 2 == argc)
          return Usage("--popup " + menu->Name + " " + argv[i + 1] + ": Y is missing");
        const std::optional<int> y = WholeNumber(argv[i + 2]);
        if (!y)
          return Usage("--popup " + menu->Name + " " + argv[i + 1] + ": Y must be a whole number, not '" +
                       argv[i + 2] + "'");
        menu->At = TPoint{*x, *y};
        i += 2;
      }
    } else if (arg == "--highlight") {
      if (i + 1 == argc)
        return Usage("--highlight needs the number of an item");
      highlight = WholeNumber(argv[++i]);
      if (!highlight || *highlight < 0)
        return Usage("--highlight needs the number of an item (0 or more), not '" + std::string(argv[i]) + "'");
    } else if (arg.starts_with("-") && arg.size() > 1) {
      return Usage("unknown argument '" + arg + "'");
    } else if (files.size() == 2) {
      return Usage("unknown argument '" + arg + "' (the form and the PNG are given already)");
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() < 2)
    return Usage(files.empty() ? "no form description given" : "no PNG file to write given");
  if (highlight && !menu)
    return Usage("--highlight needs --popup: only an open menu has items to highlight");
  if (menu && highlight)
    menu->Highlight = *highlight;
  const std::string& formPath = files[0];
  const std::string& outPath = files[1];

  std::string why;
  const std::optional<std::string> text = ReadWholeFile(formPath, why);
  if (!text)
    return Fail(formPath + ": " + why);
  if (!theme.empty() && !std::filesystem::is_regular_file(theme))
    return Fail(theme + ": no such theme file");
  TBitmap picture;
  if (!images.empty()) {
    const std::optional<std::string> bytes = ReadWholeFile(images, why);
    if (!bytes)
      return Fail(images + ": " + why);
    try {
      picture.LoadFromBytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()));
    } catch (const EInvalidGraphic& e) {
      return Fail(images + ": " + e.what());
    }
  }

  THeadlessDesktop desktop(ScaleEdge(1024, scale), ScaleEdge(768, scale), std::nullopt, scale);
  std::unique_ptr<TForm> form;
  try {
    form = ReadFormForRendering(*text);
  } catch (const std::exception& e) {
    return Fail(formPath + ": " + e.what());
  }
  try {
    if (!theme.empty()) {
      auto* fileTheme = NewComponent<TzykFileTheme>(form.get());
      fileTheme->SetThemeFile(std::filesystem::absolute(theme).string());
      HandThemeToComponents(*form, *fileTheme);
    }
  } catch (const std::exception& e) {
    return Fail(theme + ": " + e.what());
  }

  if (!images.empty() && FillImageLists(*form, picture) == 0)
    return Fail(images + ": the form has no empty image list that the picture fills (a list takes pieces as wide "
                         "as the list, and the picture is " + std::to_string(picture.Width()) + " pixels wide)");

  std::vector<std::uint8_t> png;
  try {
    png = EncodePng(menu ? RenderFormWithMenu(desktop, *form, *menu) : RenderForm(desktop, *form));
  } catch (const std::exception& e) {
    return Fail(formPath + ": " + e.what());
  }
  form.reset();
  try {
    WriteWholeFile(outPath, png);
  } catch (const EFileWriteError& e) {
    return Fail(e.what());
  }
  return 0;
}

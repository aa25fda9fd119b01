// skin-render FORM.txt OUT.png [--theme FILE]: renders a stored form description on the headless
// desktop to a PNG, for people who design skinned forms without running them.

#include "tools/skin-render/FormRender.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/core/FileWrite.h"
#include "platform/core/StoredFormParser.h"
#include "platform/graphics/PngCodec.h"
#include "skin/foundation/ZYKMgr.h"

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
  std::fprintf(stderr, "usage: skin-render FORM.txt OUT.png [--theme FILE]\n"
                       "Renders a stored form description to a PNG. Components whose UIStyle is\n"
                       "FromThemeFile take their look from the theme file; events are not bound.\n");
  return 2;
}

int Fail(const std::string& Message) {
  std::fprintf(stderr, "skin-render: %s\n", Message.c_str());
  return 1;
}

// The whole file, or nothing when it cannot be read or is larger than any description may be.
std::optional<std::string> ReadText(const std::string& Path, std::string& Why) {
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

} // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  std::string theme;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--theme") {
      if (i + 1 == argc)
        return Usage("--theme needs the theme file");
      theme = argv[++i];
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
  const std::string& formPath = files[0];
  const std::string& outPath = files[1];

  std::string why;
  const std::optional<std::string> text = ReadText(formPath, why);
  if (!text)
    return Fail(formPath + ": " + why);
  if (!theme.empty() && !std::filesystem::is_regular_file(theme))
    return Fail(theme + ": no such theme file");

  THeadlessDesktop desktop;
  std::unique_ptr<TForm> form;
  try {
    form = ReadFormForRendering(*text);
  } catch (const std::exception& e) {
    return Fail(formPath + ": " + e.what());
  }
  try {
    if (!theme.empty()) {
      auto* fileTheme = new TzykFileTheme(form.get());
      fileTheme->SetThemeFile(std::filesystem::absolute(theme).string());
      HandThemeToComponents(*form, *fileTheme);
    }
  } catch (const std::exception& e) {
    return Fail(theme + ": " + e.what());
  }

  std::vector<std::uint8_t> png;
  try {
    png = EncodePng(RenderForm(desktop, *form));
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

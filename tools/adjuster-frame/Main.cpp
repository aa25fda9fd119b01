// adjuster-frame DESCRIPTION: puts the adjuster window's skinned form into its stored description.
// The form's block (its settings, the title bar's control box and close buttons and the three
// sections, with the pictures the MacOS look gives them) is written by the skinned form itself, so
// the stored pictures are exactly the look's; every other control of the window moves inside it,
// in its stored order and with its coordinates unchanged. Run again, it writes the block afresh
// around the same controls.

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/core/FileWrite.h"
#include "platform/core/StoredForm.h"
#include "skin/frame/ZYKForm.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const std::string FrameName = "zykForm1";

std::vector<std::string> Lines(const std::string& Text) {
  std::vector<std::string> lines;
  std::istringstream in(Text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

bool StartsAt(const std::string& Line, int Indent, const std::string& Word) {
  return Line.size() > static_cast<std::size_t>(Indent) && Line.compare(0, Indent, std::string(Indent, ' ')) == 0 &&
         Line.compare(Indent, Word.size(), Word) == 0;
}

// The index of the "end" that closes the object opened at Lines[Open], Indent spaces in.
std::size_t BlockEnd(const std::vector<std::string>& Lines, std::size_t Open, int Indent) {
  for (std::size_t i = Open + 1; i < Lines.size(); ++i)
    if (Lines[i] == std::string(Indent, ' ') + "end")
      return i;
  throw std::runtime_error("the object on line " + std::to_string(Open + 1) + " is never closed");
}

// The skinned form as the window stores it, written by a form that holds nothing else.
std::vector<std::string> FrameBlock(const std::string& Caption) {
  auto* scratch = NewComponent<TForm>(nullptr);
  scratch->SetName("frmScratch");
  auto* frame = NewComponent<TzykForm>(scratch);
  frame->SetName(FrameName);
  frame->SetUIStyle(MacOS);
  frame->SetUIStyleAutoUpdateSub(false);
  frame->SetTitleBarCustom(false);
  frame->SetBorderColor(8355711);
  frame->SetBorderWidth(1);
  frame->SetColor(15198183);
  frame->SetCaption(Caption);
  frame->SetTitleBarDrawAppIcon(false);
  TFont* font = frame->TitleBarFont();
  font->SetCharset(ANSI_CHARSET);
  font->SetColor(clNavy);
  font->SetHeight(-16);
  font->SetName("新細明體");
  font->SetStyle(TFontStyles{fsBold});
  frame->SetMenuBarColor(15198183);
  frame->SetMenuBarHeight(22);
  frame->SetRoundCorner(0);
  frame->SetWidth(279);
  frame->SetHeight(120);
  // The window can be neither maximised nor minimised from its title bar.
  TzykTitleBarButtons* buttons = frame->TitleBarButtons();
  for (int i = buttons->Count() - 1; i >= 0; --i)
    if (buttons->Items(i)->ButtonType() == zykMax || buttons->Items(i)->ButtonType() == zykMin)
      buttons->Delete(i);
  const std::vector<std::string> written = Lines(WriteStoredForm(*scratch));
  delete scratch;
  for (std::size_t i = 0; i < written.size(); ++i)
    if (written[i] == "  object " + FrameName + ": TzykForm")
      return {written.begin() + static_cast<std::ptrdiff_t>(i),
              written.begin() + static_cast<std::ptrdiff_t>(BlockEnd(written, i, 2))};
  throw std::runtime_error("the skinned form wrote no block of its own");
}

std::string Framed(const std::string& Description) {
  std::vector<std::string> lines = Lines(Description);
  if (lines.empty() || !StartsAt(lines[0], 0, "object ") || lines.back() != "end")
    throw std::runtime_error("not a stored form: it must open with 'object' and close with 'end'");
  std::size_t firstChild = 1;
  while (firstChild < lines.size() - 1 && !StartsAt(lines[firstChild], 2, "object "))
    ++firstChild;
  std::string caption;
  for (std::size_t i = 1; i < firstChild; ++i)
    if (lines[i].rfind("  Caption = '", 0) == 0 && lines[i].back() == '\'')
      caption = lines[i].substr(13, lines[i].size() - 14);
  if (caption.find('\'') != std::string::npos || caption.find('#') != std::string::npos)
    throw std::runtime_error("the window's caption is to be a plain quoted string");

  // The controls, as they stand on the window or inside an earlier skinned form.
  std::vector<std::string> children;
  if (firstChild < lines.size() - 1 && lines[firstChild] == "  object " + FrameName + ": TzykForm") {
    const std::size_t end = BlockEnd(lines, firstChild, 2);
    if (end != lines.size() - 2)
      throw std::runtime_error("the skinned form is to hold every other control");
    std::size_t first = firstChild + 1;
    while (first < end && !StartsAt(lines[first], 4, "object "))
      ++first;
    for (std::size_t i = first; i < end; ++i)
      children.push_back(lines[i].substr(2));
  } else {
    children.assign(lines.begin() + static_cast<std::ptrdiff_t>(firstChild), lines.end() - 1);
  }

  std::string out;
  for (std::size_t i = 0; i < firstChild; ++i)
    out += lines[i] + "\n";
  for (const std::string& line : FrameBlock(caption))
    out += line + "\n";
  for (const std::string& line : children)
    out += "  " + line + "\n";
  out += "  end\nend\n";
  return out;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: adjuster-frame DESCRIPTION\n");
    return 2;
  }
  try {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in)
      throw std::runtime_error(std::string("cannot read ") + argv[1]);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    THeadlessDesktop desktop;
    Application->Initialize();
    const std::string framed = Framed(text);
    WriteWholeFile(argv[1], {reinterpret_cast<const std::uint8_t*>(framed.data()), framed.size()});
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "adjuster-frame: %s\n", e.what());
    return 1;
  }
}

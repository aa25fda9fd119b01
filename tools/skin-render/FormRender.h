#pragma once

#include "platform/controls/Form.h"
#include "platform/graphics/PixelBuffer.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

class TBitmap;
class THeadlessDesktop;
class TzykFileTheme;

// A stored form description made ready to be read into a plain TForm: the root's class (the
// designer's own form class, which this program does not have) becomes TForm, the lines that bind
// events to its methods are blanked, and so is the root's Visible (the form is shown when it is
// rendered, not while it is read). Every other line keeps its place, so the reader's line and
// column numbers still point into the original. Raises EReadError for text that does not parse.
std::string PrepareForRendering(std::string_view Description);

// Reads the description into a new form with the skin library's classes registered. Raises
// EReadError naming line and column of what cannot be read.
std::unique_ptr<TForm> ReadFormForRendering(std::string_view Description);

// The largest width and height of a form or control that is rendered.
inline constexpr int MaxRenderSide = 4096;

// Raises Exception naming a form with no width or height (there is no picture to make), or the first
// component of Form (Form included) wider or higher than MaxSide, so that no description makes the
// renderer allocate without limit.
void CheckRenderable(const TForm& Form, int MaxSide = MaxRenderSide);

// Gives Theme to every component of Form whose UIStyle is FromThemeFile and that has a FileTheme
// property. Returns how many took it.
int HandThemeToComponents(TForm& Form, TzykFileTheme& Theme);

// Shows Form on Desktop and returns its window's pixels once everything is painted.
TPixelBuffer RenderForm(THeadlessDesktop& Desktop, TForm& Form);

// A menu of the form to show open while the form is rendered.
struct TOpenMenu {
  TOpenMenu() = default;
  TOpenMenu(std::string AName, std::optional<TPoint> AAt = std::nullopt, int AHighlight = -1)
      : Name(std::move(AName)), At(AAt), Highlight(AHighlight) {}

  // A popup menu of the form, or a main menu, whose first top-level item then drops down.
  std::string Name;
  // Where the popup (or the drop-down) opens, in screen coordinates. Without a point a popup opens
  // at the centre of the form's client area, and a main menu's drop-down under its place in the
  // form's menu bar (at the client centre when the form shows the menu in no bar).
  std::optional<TPoint> At;
  // The shown item the pointer rests on, so that it is drawn highlighted; -1 for none. Counted from
  // 0 over the items the menu shows: visible ones, with the separators that the menu's line
  // reduction keeps and without those it hides.
  int Highlight = -1;
};

// Shows Form on Desktop, opens the menu through the menu loop and returns the screen area that
// covers the form's window and the menu's (the desktop's background where neither lies). Raises
// Exception naming a menu that is missing, is no menu, has nothing to show, would be larger than
// MaxSide, an item that cannot be highlighted, or a point off the screen.
TPixelBuffer RenderFormWithMenu(THeadlessDesktop& Desktop, TForm& Form, const TOpenMenu& Menu,
                                int MaxSide = MaxRenderSide);

// Stored forms keep an image list's size but not its images: every image list of Form that has
// none takes the pieces of its width cut from Picture, the picture's top-left colour left out.
// Returns how many lists were filled.
int FillImageLists(TForm& Form, const TBitmap& Picture);

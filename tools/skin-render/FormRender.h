#pragma once

#include "platform/controls/Form.h"
#include "platform/graphics/PixelBuffer.h"

#include <memory>
#include <string>
#include <string_view>

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

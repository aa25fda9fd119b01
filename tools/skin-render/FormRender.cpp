#include "tools/skin-render/FormRender.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/core/StoredForm.h"
#include "platform/core/StoredFormParser.h"
#include "skin/controls/ZYKControls.h"
#include "skin/foundation/ZYKMgr.h"

#include <algorithm>
#include <vector>

namespace {

// Byte offsets of the start of every line (the first line is line 1).
std::vector<std::size_t> LineStarts(std::string_view Text) {
  std::vector<std::size_t> starts{0, 0};
  for (std::size_t i = 0; i < Text.size(); ++i)
    if (Text[i] == '\n')
      starts.push_back(i + 1);
  return starts;
}

// The byte offset of a parser position; its columns count characters, not bytes.
std::size_t Offset(std::string_view Text, const std::vector<std::size_t>& Starts, TSourcePos Pos) {
  std::size_t at = Starts[static_cast<std::size_t>(Pos.Line)];
  for (int column = 1; column < Pos.Column && at < Text.size(); ++column) {
    const std::size_t length = Utf8SequenceLength(Text.substr(at));
    at += length == 0 ? 1 : length;
  }
  return at;
}

// Event bindings of Node and its children, by the published properties of their classes (the root
// by those of TForm); classes not registered are left to the reader to report.
void CollectEvents(const TObjectNode& Node, const TClassInfo* Class, std::vector<const TPropertyNode*>& Found) {
  if (Class != nullptr)
    for (const TPropertyNode& p : Node.Properties) {
      const TPropInfo* prop = Class->FindProperty(p.Name);
      if (prop != nullptr && prop->Kind == TPropKind::Event && p.Value.Kind == TValueNode::TKind::Ident)
        Found.push_back(&p);
    }
  for (const TObjectNode& child : Node.Children)
    CollectEvents(child, GetClass(child.ClassName), Found);
}

void CheckSide(const TControl& Control, int MaxSide) {
  if (Control.Width() > MaxSide || Control.Height() > MaxSide)
    throw Exception("'" + Control.Name() + "' is " + std::to_string(Control.Width()) + " x " +
                    std::to_string(Control.Height()) + " pixels; at most " + std::to_string(MaxSide) + " x " +
                    std::to_string(MaxSide) + " can be rendered");
}

void RegisterRenderClasses() {
  Application->Initialize();
  RegisterSkinControlClasses();
}

} // namespace

std::string PrepareForRendering(std::string_view Description) {
  RegisterRenderClasses();
  const TObjectNode root = ParseStoredForm(Description);
  std::string text(Description);
  const std::vector<std::size_t> starts = LineStarts(text);
  std::vector<const TPropertyNode*> blanked;
  CollectEvents(root, &TForm::StaticClassInfo(), blanked);
  for (const TPropertyNode& p : root.Properties)
    if (SameText(p.Name, "Visible") && p.Value.Kind == TValueNode::TKind::Ident)
      blanked.push_back(&p);
  // Spaces of the same length keep every later position where it was. Names and identifiers are
  // ASCII, so the characters blanked are single bytes.
  for (const TPropertyNode* p : blanked) {
    const std::size_t from = Offset(text, starts, p->Pos);
    const std::size_t to = std::min(Offset(text, starts, p->Value.Pos) + p->Value.Text.size(), text.size());
    text.replace(from, to - from, to - from, ' ');
  }
  const std::size_t at = Offset(text, starts, root.ClassPos);
  if (text.compare(at, root.ClassName.size(), root.ClassName) != 0)
    throw EReadError(PositionText(root.ClassPos) + "the root's class name is not where the parser saw it");
  text.replace(at, root.ClassName.size(), TForm::StaticClassName);
  return text;
}

std::unique_ptr<TForm> ReadFormForRendering(std::string_view Description) {
  const std::string text = PrepareForRendering(Description);
  auto form = std::make_unique<TForm>(nullptr);
  ReadStoredForm(text, *form);
  return form;
}

void CheckRenderable(const TForm& Form, int MaxSide) {
  if (Form.Width() < 1 || Form.Height() < 1)
    throw Exception("'" + Form.Name() + "' is " + std::to_string(Form.Width()) + " x " +
                    std::to_string(Form.Height()) + " pixels; a form needs a width and a height of at least 1 to "
                    "be rendered");
  CheckSide(Form, MaxSide);
  for (int i = 0; i < Form.ComponentCount(); ++i)
    if (const auto* control = dynamic_cast<const TControl*>(Form.Components(i)))
      CheckSide(*control, MaxSide);
}

int HandThemeToComponents(TForm& Form, TzykFileTheme& Theme) {
  int given = 0;
  for (int i = 0; i < Form.ComponentCount(); ++i) {
    TComponent& c = *Form.Components(i);
    if (&c == &Theme || !IsPublishedProp(c, "UIStyle") || !IsPublishedProp(c, "FileTheme"))
      continue;
    if (GetEnumProp(c, "UIStyle") != TzykUIStyleInfo().Name(FromThemeFile))
      continue;
    SetObjectProp(c, "FileTheme", &Theme);
    ++given;
  }
  return given;
}

TPixelBuffer RenderForm(THeadlessDesktop& Desktop, TForm& Form) {
  CheckRenderable(Form);
  Form.Show();
  Desktop.ProcessMessages();
  return Desktop.Host(Form.Handle())->Surface();
}
